// The band procedures of the trend view (see trend_bands.h).
#include "view/draw/trend_bands.h"

namespace ambview {

void draw_band(ui::Canvas& canvas, const BandSeries& series, ui::Colour colour) {
  if (!series.drawn) return;
  canvas.set_pen(colour);
  canvas.set_fill(colour);
  const int y0 = series.base;
  for (const TrendBar& b : series.bars) canvas.fill_box(b.x0, y0, b.x1, static_cast<int>(y0 - b.height));
  const auto y = [y0](std::int64_t v) { return static_cast<int>(y0 - v); };
  for (const TrendColumn& c : series.columns) {
    canvas.line(c.from_x, y(c.from), c.x, y(c.first));
    canvas.line(c.x, y(c.largest), c.x, y(c.smallest));
  }
}

namespace {

void draw_with(BandSeries (*make)(const BandInput&), const BandArgs& args) {
  if (!args.window || !args.conditions) return;
  draw_band(*args.window, make(args), args.conditions->trend_colour);
}

}  // namespace

void ACC_PLOT(const BandArgs& args) { draw_with(acc_series, args); }
void TLT_PLOT(const BandArgs& args) { draw_with(tilt_series, args); }
void RR_PLOT(const BandArgs& args) { draw_with(rr_series, args); }
void ACC_WAVE_PLOT(const BandArgs& args) { draw_with(wave_series, args); }

}  // namespace ambview
