// The waveform monitor (FORM5): raw acceleration and ECG waveforms swept page by page, the
// speed buttons, the held-button sweep, the measuring line and the page marker in the trend
// view. The sweep (ALL_WAVE) draws through WaveWindow so that `ambview render --view wave`
// draws the same page without a window.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "view/recording/loader.h"
#include "view/viewer_state.h"

namespace ambview {

namespace wave {

// The 22 items of the waveform state table (ViewerState::wave_state).
enum Item : int {
  kEcgRecord = 0,      // record number last read for ECG bands
  kAccRecord = 1,      // record number last read for acceleration bands
  kDrawnHeight = 2,    // client height at the last drawing
  kBands = 3,          // number of waveform bands
  kPageWidth = 4,      // P = client width - 20
  kPageStart = 5,      // in acceleration samples from the start sample
  kStartSample = 6,    // display start / 0.02 s
  kColumn = 7,         // current column within the page
  kColumnX = 8,        // x of the current column
  kMargin = 9,         // left margin, 10
  kPerRecord = 10,     // samples per record, 120
  kNewPage = 11,       // new-page flag
  kAmplitude = 12,     // A: pixels of a full deflection (0.75 x half band height)
  kRedrawFrame = 13,   // redraw-frame flag
  kFrameHeight = 14,   // client size when the frame was last drawn (also restored on opening)
  kFrameWidth = 15,
  kTop = 16,           // window position kept between openings
  kLeft = 17,
  kRunToPageEnd = 18,  // run-to-page-end flag
  kSpanSamples = 19,   // n: the trend span / 0.02 s
  kMarkerX = 20,       // page marker in the trend view; -1 when none is shown
  kMarkerWidth = 21,
};

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

// Event codes of the waveform window.
inline constexpr int kOpen = 601;          // menu "波形表示"
inline constexpr int kClose = 602;         // BUTTON5 "終了" or the window closed
inline constexpr int kPrevious = 609;      // BUTTON3 "←前頁"
inline constexpr int kNext = 610;          // BUTTON4 "次頁→"
inline constexpr int kPicture22 = 611;     // no action
inline constexpr int kContinue = 612;      // mouse held on PICTURE23
inline constexpr int kTrendClick = 613;    // click in the trend view (MAINFORM_CLICK)
inline constexpr int kResize = 614;        // FORM5_RESIZE
inline constexpr int kMeasure = 617;       // FORM5_MOUSEDOWN
inline constexpr int kSpeed = 615;         // BUTTON6 "早い" / BUTTON7 "遅い": the scale text follows
inline constexpr std::array<int, 9> kCodes{kOpen,       kClose,  kPrevious, kNext,  kContinue,
                                           kTrendClick, kResize, kMeasure,  kSpeed};

inline constexpr const char* kBitmapFile = "RtScr.bmp";

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
// TEXT19 of a measuring line from (x0, y0) to (x, y).
std::string measure_text(int x0, int y0, int x, int y, float speed, int amplitude, int acc_full_scale_mg,
                         int ecg_counts);
// "早い" and "遅い": the speed doubled up to 8, halved down to 0.5.
float faster(float speed);
float slower(float speed);

// The face of PICTURE23 (what data/RtScr.bmp holds): a button with a fast-forward sign.
ui::Image continue_face();
inline constexpr int kContinueWidth = 48;
inline constexpr int kContinueHeight = 24;

}  // namespace wave

using WaveState = std::array<int, 22>;

// What the sweep needs of its window: FORM5 in the program, a bare canvas in the render.
class WaveWindow {
 public:
  virtual ~WaveWindow() = default;
  virtual ui::Canvas& canvas() = 0;
  // TEXT18 and TEXT20.
  virtual void set_text(std::string_view control, std::string_view utf8) = 0;
  // Lets pending events through; false once the window has been closed.
  virtual bool keep_going() = 0;
  // True while the mouse button is held on PICTURE23.
  virtual bool held_on_continue() = 0;
  // CTRL_REPOS.
  virtual void reposition() = 0;
  // The trend view that carries the page marker; nullptr when there is none.
  virtual ui::Canvas* trend_view() = 0;
};

// What the sweep reads: the processing conditions (folder, base name, extension, display
// start, scales), the channel table and the recording's start.
struct WaveSource {
  const ProcessingConditions* conditions = nullptr;
  const ChannelTable* channels = nullptr;
  std::string start_time;             // RecordingInfo item 0, YYMMDDhhmm
  std::int32_t recording_start = 0;   // seconds of the year, start offset included
};

// The state WAVE_MONI sets for a fresh page at the display start: page start 0, start
// sample, the flags, n from the span.
void reset_page(WaveState& st, const ProcessingConditions& conditions);

// Draws the frame when the client size changed or the redraw flag is set, then sweeps:
// one column, or to the page end with the run-to-page-end flag, or on while the mouse is
// held on PICTURE23. A read error ends the sweep; the state is written back in every case.
void ALL_WAVE(WaveWindow& window, const WaveSource& source, WaveState& st, float speed);

// The page marker in the trend view: erased (exclusive-or again) and drawn for the page.
void erase_page_marker(ui::Canvas* trend, WaveState& st);
void draw_page_marker(ui::Canvas* trend, WaveState& st, int page_samples);

// `ambview render --view wave`: the first page from the display start, swept to its end as
// the window draws it, with the page time and the scale written where the window shows
// them. False with a message on `err` when no waveform channel is displayed.
bool render_wave(ui::Canvas& canvas, const ProcessingConditions& conditions, const ChannelTable& channels,
                 const RecordingInfo& info, std::int32_t recording_start, std::ostream& err);

// Opens FORM5 afresh (size and position kept from the last opening) and resets the page.
void WAVE_MONI(ViewerState& state, ui::Platform& platform);
// CTRL_REPOS: the bottom row of controls 30 pixels above the bottom of the client area.
void CTRL_REPOS(ui::Form& form);

// The main loop's operation for the waveform window's codes (601, 602, 609, 610, 612, 613,
// 614, 617).
void run_wave(ViewerState& state, ui::Platform& platform, int code);

// The trend view was drawn again (its clear took the marker away): the marker is redrawn
// for the page shown, when the waveform window is open.
void wave_marker_after_trend(ViewerState& state);

}  // namespace ambview
