// The series of the trend view's bands, made without a canvas: the bars of acceleration and
// level bands, the min-max columns of tilt, rate, RR and waveform bands, and the pieces they
// share (band geometry, the two averages, the column reducer). draw/trend_bands puts them on
// the canvas.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "view/recording/loader.h"
#include "view/recording/series_cache.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

// The arguments every band procedure takes but the canvas, plus the program-wide values the
// procedures read: the processing conditions and the recording's sample interval text.
struct BandInput {
  int left_x = 34;
  int width = 0;   // W: pixels of the time axis
  int height = 0;  // H: pixels of all bands together
  std::string path_name;  // folder + base name as on disk (the channel table's prefix)
  std::string extension;  // as on disk
  // The display table: the channel table's present rows in channel order (count = m),
  // with the recording's extension, so GET_BLKSIZ and GET_D read it as a channel table.
  ChannelTable display;
  std::int64_t s = 0;  // first sample of the window
  std::int64_t n = 0;  // samples in the window
  int m = 0;           // band count
  int band = 0;        // this band, 0 = top
  std::int64_t p = 1;  // samples per pixel
  const ProcessingConditions* conditions = nullptr;
  std::string recording_interval;  // RecordingInfo item 7, for the RR band's time placement
  // The viewer's decoded files, kept between draws; none: read on demand (the command line).
  SeriesCache* cache = nullptr;
};

// One bar of an acceleration or level band: from x0 to x1, `height` pixels above the base line.
struct TrendBar {
  int x0 = 0;
  int x1 = 0;
  std::int64_t height = 0;
};
// One pixel column of a tilt, rate, RR or waveform band: the line joining it to the column
// before, from (from_x, from) to (x, first), and its min-max line at x. Values are heights
// above the base line.
struct TrendColumn {
  int from_x = 0;
  std::int64_t from = 0;
  int x = 0;
  std::int64_t first = 0;
  std::int64_t largest = 0;
  std::int64_t smallest = 0;
};

// What a band puts on the canvas. A band that ends early (a read error, a file shorter than
// the window) keeps what it made up to there.
struct BandSeries {
  bool drawn = false;  // the band reached its drawing (in the trend colour)
  int base = 0;        // y0, the base line
  std::vector<TrendBar> bars;
  std::vector<TrendColumn> columns;
};

// An RR word as the RR band reads it, unsigned: values above 4096 become 4095.
inline std::int64_t rr_clamped(std::uint16_t word) { return word > 4096 ? 4095 : word; }

// Zero words stand for 4096 ms carried into the next beat (the recorder's way of storing
// intervals beyond 12 bits): the rate of a long interval is built over the run of zeros and
// the beat that ends it.
class RRAccumulator {
 public:
  std::int64_t add(std::int64_t r) {
    const std::int64_t carried = after_zero_ ? value_ : 0;
    after_zero_ = r == 0;
    value_ = carried + (r == 0 ? 4096 : r);
    return value_;
  }

 private:
  std::int64_t value_ = 0;
  bool after_zero_ = false;
};

// The bands of ACC_PLOT (kinds "A", "L"), TLT_PLOT ("4", "5", "T", "S"), RR_PLOT ("6") and
// ACC_WAVE_PLOT ("w"). Each opens its file read-only and closes it; a read error (missing
// file, record past the end, impossible scale) ends the band silently. Nothing escapes.
BandSeries acc_series(const BandInput& args);
BandSeries tilt_series(const BandInput& args);
BandSeries rr_series(const BandInput& args);
// The waveform band: deflection about the band's middle, ECG at five samples per trend
// sample; an averaging count of 0 or above 1000 ends it.
BandSeries wave_series(const BandInput& args);

// The ECG waveform runs five samples per sample interval of the trend.
inline constexpr int kEcgSamplesPerTrendSample = 5;
// The zero line of the 12-bit waveform words.
inline constexpr int kWaveZero = 2048;

// The display table of a channel table: its present rows, in channel order.
ChannelTable display_table(const ChannelTable& channels);

namespace trend {

// Band height h = round(H / m - 16) and base line y0 = (i + 1) * (h + 16); the 16 pixels
// above each band hold its caption. m = 0 gives h = 0 (no bands to lay out).
struct BandGeometry {
  int h = 0;
  int y0 = 0;
};
BandGeometry band_geometry(int plot_height, int band_count, int band_index);

// The file a band reads: the combined file (extension ".ac…") or the channel's own file of
// the per-channel set. Matched without regard to letter case.
std::string band_file_name(const std::string& path_name, const std::string& extension,
                           char code, bool force_per_channel = false);

// Raised inside a band when it must stop; caught by the band procedure itself.
struct BandStop {};

// Block mean ("0") or moving mean of the last n values over a 16-bit store of 1001 entries
// (indices 0..1000), zero at the start of each band.
class Averager {
 public:
  static constexpr int kStoreSize = 1001;
  // n must be 1..1000 (the caller ends the band otherwise).
  Averager(bool block_mode, int n);
  // Value v of the next sample k (called once per sample, k = 0, 1, 2, ...); returns the
  // current average.
  std::int64_t push(std::int64_t v) {
    // Without averaging both means are the value itself (inline: a band pushes every sample).
    if (n_ == 1) return average_ = v;
    return push_averaged(v);
  }
  // The next sample carries no value (a marker): a block still ends on time, but nothing
  // enters the sum or the store.
  std::int64_t skip();
  std::int64_t average() const { return average_; }

 private:
  std::int64_t push_averaged(std::int64_t v);
  // True when the sample now arriving ends a block (k MOD n = 0); counts k MOD n without
  // a division per sample.
  bool block_end();

  bool block_;
  int n_;
  int k_mod_n_ = 0;
  std::int64_t sum_ = 0;
  std::int64_t average_ = 0;
  int write_ = 0;
  std::array<std::int16_t, kStoreSize> store_{};
};

// Reduces averages to pixel columns: per column a line joining it to the column before and
// a vertical min-max line. A column is made when the first sample of the next column
// arrives, so the last column of a band stays undrawn.
class ColumnReducer {
 public:
  // `last` is where the first joining line starts (nullopt: at the first column's first
  // value); `reset_smallest` the value the smallest takes after each column (H).
  ColumnReducer(std::vector<TrendColumn>& out, int left_x, int initial_smallest, int reset_smallest,
                std::optional<std::int64_t> last);
  // Sample at pixel x: finishes the current column when x lies beyond it.
  void at(std::int64_t x) {
    if (x > column_x_) finish_column();
    column_x_ = x;
  }
  // The sample's average, to be taken into the current column.
  void take(std::int64_t average) {
    running_ = average;
    if (!first_) first_ = average;
    largest_ = std::max(largest_, average);
    smallest_ = std::min(smallest_, average);
  }
  // Remembers the running average without adding it to a column (a skipped marker).
  void note(std::int64_t average) { running_ = average; }

 private:
  void finish_column();

  std::vector<TrendColumn>& out_;
  std::int64_t column_x_;
  std::int64_t previous_x_;
  std::optional<std::int64_t> first_;
  std::optional<std::int64_t> last_;
  std::int64_t largest_ = 0;
  std::int64_t smallest_;
  std::int64_t reset_smallest_;
  std::int64_t running_ = 0;
};

// The averaging count n; the band ends when it is not 1..limit.
std::optional<int> averaging_count(int n, int limit);

}  // namespace trend
}  // namespace ambview
