// The band procedures of the trend view (ACC_PLOT, TLT_PLOT, RR_PLOT, ACC_WAVE_PLOT): each
// makes its band's series (compute/trend_series) and puts it on the canvas in the trend colour.
#pragma once

#include "ui/canvas.h"
#include "view/compute/trend_series.h"

namespace ambview {

// The twelve arguments every band procedure takes: the canvas and the band's input.
struct BandArgs : BandInput {
  ui::Canvas* window = nullptr;
};

// A read error (missing file, record past the end, impossible scale) ends the band silently;
// what it made up to there is drawn. Nothing escapes.
void ACC_PLOT(const BandArgs& args);
void TLT_PLOT(const BandArgs& args);
void RR_PLOT(const BandArgs& args);
void ACC_WAVE_PLOT(const BandArgs& args);

// A band's series on the canvas: bars as filled boxes up from the base line, columns as the
// joining line and the min-max line.
void draw_band(ui::Canvas& canvas, const BandSeries& series, ui::Colour colour);

}  // namespace ambview
