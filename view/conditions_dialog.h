// The processing-conditions dialog FORM2 "処理条件の設定": the overview of the whole
// recording with its selection frame, the channel, averaging, scale and colour controls,
// and the dialog's own event loop. Kept apart from the shell because it is the one place
// where a loaded recording and the user's window choice meet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "view/recording/loader.h"
#include "view/viewer_state.h"

namespace ambview {

inline constexpr const char* kForm2Caption = "処理条件の設定";
inline constexpr int kForm2Width = 560;
inline constexpr int kForm2Height = 420;

// Overview geometry: a 300 x 300 area whose left edge is x = 25 in the dialog.
inline constexpr int kOverviewLeft = 25;
inline constexpr int kOverviewSize = 300;
inline constexpr int kOverviewPalette = 5;  // overview points
inline constexpr int kFramePalette = 14;    // selection frame (exclusive-or)
inline constexpr int kOverviewHrScale = 300;
inline constexpr int kDialogFontSize = 14;  // the gothic font; the name line is 16 pixels high

// Event codes of the dialog.
namespace dialog_code {
inline constexpr int kAccScale = 15;    // VSCROLL1_CHANGE
inline constexpr int kHrScale = 16;     // VSCROLL2_CHANGE
inline constexpr int kStepFirst = 36;   // BMPBUTTON1_ON .. BMPBUTTON6_ON: 36 .. 41
inline constexpr int kStepLast = 41;
inline constexpr int kAccept = 42;      // BUTTON1_ON "設定"
inline constexpr int kMouseDown = 50;   // FORM2_MOUSEDOWN
inline constexpr int kMouseUp = 51;     // FORM2_MOUSEUP
}  // namespace dialog_code

// Seconds the step buttons BMPBUTTON1 .. BMPBUTTON6 add (s_left, m_left, l_left, s_right,
// m_right, l_right).
inline constexpr int kStepSeconds[6] = {-60, -600, -3600, 60, 600, 3600};

// ---------------------------------------------------------------------------------------
// Geometry and window rules

// Band height b = 300 / c - 16 (rounded) for c channels.
int overview_band_height(int channel_count);
// Base line of channel k: (k + 1) x (b + 16).
int overview_base_line(int k, int band);
// Overview points per pixel column: sample count \ 300, at least 1.
std::int64_t overview_step(std::int64_t sample_count);
// The overview's acceleration full scale: GET_YSIZ of (the scale - 1) kept in 0..2.
int overview_acc_full_scale(int acc_scale);

// Brings the window back into a recording of L seconds: the start in 0..L in whole minutes,
// the span cut to the end, rounded up to whole minutes, at least 60.
void apply_window_rules(std::int32_t& start, std::int32_t& span, std::int32_t length);

// One outline of the selection frame.
struct FrameBox {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const FrameBox&) const = default;
};
// The selection frame of window S, D over a recording of L seconds, one box per channel
// that has one (kinds "T" and "S" have none).
std::vector<FrameBox> selection_frame(const ChannelTable& table, int band, int acc_full_scale,
                                      int overview_acc_full_scale, int hr_full_scale,
                                      std::int32_t length, std::int32_t start, std::int32_t span);
// DRW_SCL / CLR_SCL: the boxes in exclusive-or mode (drawing them twice removes them).
void DRW_SCL(ui::Canvas& canvas, const std::vector<FrameBox>& frame);
inline void CLR_SCL(ui::Canvas& canvas, const std::vector<FrameBox>& frame) { DRW_SCL(canvas, frame); }

// ---------------------------------------------------------------------------------------
// Overview drawing

// One overview band being drawn: channel k of the table into `canvas`.
struct OverviewBand {
  ui::Canvas* canvas = nullptr;
  const ChannelTable* table = nullptr;
  int k = 0;                     // channel index
  int band = 0;                  // b
  std::int64_t sample_count = 0; // of the recording (trend samples)
  std::int64_t q = 1;            // points per pixel column
  int acc_full_scale = 4000;     // overview acceleration full scale
  int hr_full_scale = kOverviewHrScale;
  double interval = 0;           // seconds
  // The previous point of the band.
  int prev_x = kOverviewLeft;
  int prev_y = 0;

  char kind() const;
  char code() const;
  int base() const;  // base line; about the band's middle for waveforms
  // x of sample j.
  int x_of(std::int64_t j) const;
  // Height in pixels limited to the band.
  int limit(int y) const;
  // PLOT_WND2 from the previous point to (x, y); (x, y) becomes the previous point.
  void step_to(int x, int y);
};

// PLOT_WND2: one overview step in palette colour 5: a filled box from the base for kinds
// "A" and "L", a line from the previous point for the others.
void PLOT_WND2(ui::Canvas& canvas, char kind, int prev_x, int x, int prev_y, int base, int y);

// F_PLOT: one channel's overview band from its file (kind "6" through its RR index, which
// MK_PLOT makes when it is missing). A read error ends the band silently.
void F_PLOT(OverviewBand& band);
// MK_PLOT: the overview band of an RR channel: its RR index, built beside the recording when
// missing (rr_index.h), then the band drawn from it, so that every opening draws the same.
void MK_PLOT(OverviewBand& band);

// The overview as the dialog shows it (names, scale, every band and the selection frame of
// the window start..start+span) for a picture of a recording without the dialog.
void draw_overview_picture(ui::Canvas& canvas, const LoadedRecording& rec,
                           const ProcessingConditions& conditions, std::int32_t start, std::int32_t span);

// PRT_SCALE: clears a 200 x 16 box at (x, y) in palette colour 14 and writes the
// acceleration scale ("SCALE= 0.06G", "SCALE=  4G").
std::string scale_text(int acc_scale);
void PRT_SCALE(ui::Canvas& canvas, int acc_scale, int x, int y);

// ---------------------------------------------------------------------------------------
// The dialog

// FORM2: made when absent, shown, or brought forward when open.
ui::Form& WND2_OPN(ViewerState& state, ui::Platform& platform);

// LOCATE_CHECK: CHECK1..CHECK7 at x = 5, y = (b + 16) x k for the existing channels, each
// checked from the channel's present flag.
void LOCATE_CHECK(ui::Form& form, int band, const ChannelTable& table);
// DSP_WND2: CHECK8 = YY年MM月DD日HH時MM分 of the start text, CHECK9 = H時間M分.
void DSP_WND2(ui::Form& form, std::string_view start_text, std::string_view hours,
              std::string_view minutes);

// OPEN_DATA: loads the chosen path and runs the dialog until it closes. `command` is 101
// (fresh open), 201 or 202 (reload with the accepted window; 202 draws no overview). A data
// error is shown in a message box and changes nothing. On accept (code 42) the recording
// and the working items become the state's and true is answered; a dialog closed any other
// way leaves the state as it was.
bool OPEN_DATA(ViewerState& state, ui::Platform& platform, const std::string& chosen_path,
               int command);

}  // namespace ambview
