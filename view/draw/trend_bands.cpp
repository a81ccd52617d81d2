// The band procedures of the trend view (see trend_bands.h).
#include "view/draw/trend_bands.h"

#include <vector>

namespace ambview {

void draw_band(ui::Canvas& canvas, const BandSeries& series, ui::Colour colour) {
  if (!series.drawn) return;
  canvas.set_pen(colour);
  canvas.set_fill(colour);
  const int y0 = series.base;
  const auto y = [y0](std::int64_t v) { return static_cast<int>(y0 - v); };
  // All of a band in two calls: a week has thousands of columns, and one call each would
  // cost more than drawing them.
  std::vector<ui::Segment> boxes;
  boxes.reserve(series.bars.size());
  for (const TrendBar& b : series.bars) boxes.push_back({{b.x0, y0}, {b.x1, y(b.height)}});
  canvas.fill_boxes(boxes);
  std::vector<ui::Segment> lines;
  lines.reserve(2 * series.columns.size());
  for (const TrendColumn& c : series.columns) {
    lines.push_back({{c.from_x, y(c.from)}, {c.x, y(c.first)}});
    lines.push_back({{c.x, y(c.largest)}, {c.x, y(c.smallest)}});
  }
  canvas.lines(lines);
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
