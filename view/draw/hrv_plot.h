// The HRV picture: RMSSD and SDNN of each window as two lines over the range, on the trend's
// time axis (its grid steps and hh:mm labels), drawn on any ui::Canvas so that the window
// shows and saves the same picture.
#pragma once

#include "ui/canvas.h"
#include "view/compute/hrv_report.h"

namespace ambview {

inline constexpr int kHrvPlotFont = 14;

// Top of the value scale (ms) for the largest value: a step of 1, 2 or 5 times a power of ten,
// four steps to the top; 100 when there is no value.
double hrv_scale_top(double largest);

// Clears `canvas` and draws the report: frame, value grid and labels, time grid and labels,
// legend, and one point per window that has the value, joined while the windows run on.
void HRV_PLOT(ui::Canvas& canvas, const HrvReport& report);

}  // namespace ambview
