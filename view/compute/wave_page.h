// The waveform monitor's page, worked out without a canvas: the page state, the bands and
// their layout, the page's samples at a speed, the texts of the scale, the page time and the
// measuring line, and the points each column of a band takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "view/recording/channel_reader.h"
#include "view/recording/loader.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

namespace wave {

inline constexpr double kSampleSeconds = 0.02;
inline constexpr int kEcgPerSample = 5;
inline constexpr int kMarginPixels = 10;
inline constexpr int kSamplesPerRecord = 120;
inline constexpr int kMaxBands = 4;
inline constexpr float kSpeedMax = 8.0f;
inline constexpr float kSpeedMin = 0.5f;
// Trend view geometry the page marker follows: plot from x = 34, width = client width - 70.
inline constexpr int kTrendLeft = 34;
inline constexpr int kTrendMargins = 70;

// The sweep's page: where it stands in the recording and on the window. Kept between the
// events of the waveform window; reset at start-up.
struct WaveState {
  int ecg_record = 0;        // record number last read for ECG bands
  int acc_record = 0;        // record number last read for acceleration bands
  int drawn_height = 0;      // client height at the last drawing
  int bands = 0;             // number of waveform bands
  int page_width = 0;        // P = client width - 20
  int page_start = 0;        // in acceleration samples from the start sample
  int start_sample = 0;      // display start / 0.02 s
  int column = 0;            // current column within the page
  int column_x = 0;          // x of the current column
  int margin = 0;            // left margin, 10
  int per_record = 0;        // samples per record, 120
  bool new_page = false;     // the next column starts a page
  int amplitude = 0;         // A: pixels of a full deflection (0.75 x half band height)
  bool redraw_frame = false;  // the frame is drawn again before the sweep
  int frame_height = 0;      // client size when the frame was last drawn (also restored on opening)
  int frame_width = 0;
  int top = 0;               // window position kept between openings
  int left = 0;
  bool run_to_page_end = false;  // the sweep runs on to the page's end
  int span_samples = 0;      // n: the trend span / 0.02 s
  int marker_x = 0;          // page marker in the trend view; -1 when none is shown
  int marker_width = 0;
};

// The waveform channel list: present rows of kind "w" in table order, at most four.
std::vector<ChannelRow> channel_list(const ChannelTable& channels);

// Half band height h and amplitude A of a client height and band count (0 bands: zeros).
struct BandLayout {
  int half_height = 0;  // h
  int amplitude = 0;    // A
  std::vector<int> centres;
};
BandLayout band_layout(int client_height, int bands);

// Page samples at a width and speed: round((width - 20) / speed).
int page_samples(int client_width, float speed);
// TEXT18: "X ｽｹｰﾙ = " + page seconds + "Sec".
std::string scale_text(int page_samples);
// The band a measuring line starts in names its unit: G for acceleration, mV for ECG; a line
// that starts outside every band shows both.
enum class BandUnit { Both, Acceleration, Ecg };
BandUnit band_unit_at(const std::vector<ChannelRow>& bands, const BandLayout& layout, int y);
// TEXT19 of a measuring line from (x0, y0) to (x, y): "Δt S , ΔG G" or "Δt S , ΔmV mV"
// (both, "S , G /mV", when the band is not known).
std::string measure_text(int x0, int y0, int x, int y, float speed, int amplitude, int acc_full_scale_mg,
                         int ecg_counts, BandUnit unit = BandUnit::Both);
// "早い" and "遅い": the speed doubled up to 8, halved down to 0.5.
float faster(float speed);
float slower(float speed);

// Seconds in samples of 0.02 s, kept inside the state's integers (a span typed on the command
// line may be far longer than any waveform recording).
int seconds_in_samples(std::int64_t seconds);

// The state for a fresh page at the display start: page start 0, start sample, the flags, n
// from the span.
void reset_page(WaveState& st, const ProcessingConditions& conditions);

// TEXT20: "MM/DD hh:mm:ss" of the page's first sample.
std::string page_time_text(const std::string& start_time, std::int32_t recording_start,
                           const ProcessingConditions& conditions, const WaveState& st);

// One point of a band's trace.
struct WavePoint {
  int x = 0;
  int y = 0;
  bool operator==(const WavePoint&) const = default;
};

// The bands of a page and their files: the points of one column of a band are one
// acceleration sample, or five ECG samples a fifth of the column's width apart.
class WaveColumns {
 public:
  // Opens the band files (`prefix` + code + `extension`); false when one cannot be read.
  bool open(const std::vector<ChannelRow>& bands, const std::string& prefix, const std::string& extension);
  // The points of band b at a column; nothing when a sample is not in its file (the end of
  // the data). The band's record read last is kept in the state.
  std::optional<std::vector<WavePoint>> points(std::size_t b, int column, WaveState& st, float speed,
                                               const BandLayout& layout, double full_counts);

 private:
  std::vector<ChannelRow> bands_;
  std::vector<ChannelReader> files_;
};

// The x of a column at a speed, and the sample index of a column (from the recording's first).
double column_x(double column, float speed);
std::int64_t sample_of(const WaveState& st, int column);

}  // namespace wave

}  // namespace ambview
