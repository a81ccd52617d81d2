// The overview of the processing-conditions dialog on a canvas: the channel names and the
// scale, each band's points (PLOT_WND2, F_PLOT, MK_PLOT) and the selection frame in
// exclusive-or mode. The dialog and the render's overview picture draw through these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "view/compute/overview.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

inline constexpr int kOverviewPalette = 5;  // overview points
inline constexpr int kFramePalette = 14;    // selection frame (exclusive-or)
inline constexpr int kDialogFontSize = 14;  // the gothic font; the name line is 16 pixels high

// DRW_SCL / CLR_SCL: the boxes in exclusive-or mode (drawing them twice removes them).
void DRW_SCL(ui::Canvas& canvas, const std::vector<FrameBox>& frame);
inline void CLR_SCL(ui::Canvas& canvas, const std::vector<FrameBox>& frame) { DRW_SCL(canvas, frame); }

// One overview band being drawn: channel k of the table into `canvas`.
struct OverviewBand : OverviewInput {
  ui::Canvas* canvas = nullptr;
  // The previous point of the band.
  int prev_x = kOverviewLeft;
  int prev_y = 0;

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
// missing, then the band drawn from it, so that every opening draws the same.
void MK_PLOT(OverviewBand& band);

// PRT_SCALE: clears a 200 x 16 box at (x, y) in palette colour 14 and writes the
// acceleration scale.
void PRT_SCALE(ui::Canvas& canvas, int acc_scale, int x, int y);

// True when the overview writes the acceleration scale: for acceleration or waveform recordings.
bool shows_scale(const ChannelTable& table);
// The overview's surface: cleared white, each channel's name above its band (base name, code
// and extension as on disk) and the scale when it shows one.
// With `kinds` (the readable picture) each name is followed by its channel's kind in words.
void draw_overview_names(ui::Canvas& canvas, const LoadedRecording& rec, int band, int acc_scale, bool kinds = false);
// The kind of a channel row in words ("加速度", "傾斜", "HR", "RR", ...).
std::string kind_name(const ChannelRow& row);
// Every channel's overview band.
void draw_overview_bands(ui::Canvas& canvas, const LoadedRecording& rec, int band, int overview_acc_full_scale);

// The overview as the dialog shows it (names, scale, every band and the selection frame of
// the window start..start+span) for a picture of a recording without the dialog.
void draw_overview_picture(ui::Canvas& canvas, const LoadedRecording& rec,
                           const ProcessingConditions& conditions, std::int32_t start, std::int32_t span,
                           bool kinds = false);

}  // namespace ambview
