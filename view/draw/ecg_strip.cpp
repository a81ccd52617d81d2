// PLOT_ECG (see ecg_strip.h): the paper grid, the calibration pulse and the time bar, then
// the trace that compute/ecg_strip makes, record by record.
#include "view/draw/ecg_strip.h"

#include <vector>

#include "common/numbers.h"
#include "view/compute/label_boxes.h"

namespace ambview {

namespace ecg {

ui::Colour tint(ui::Colour background, ui::Colour colour, double share) {
  const auto mix = [&](int b, int c) { return static_cast<int>(common::round_half_even(b + (c - b) * share)); };
  return ui::rgb(mix(ui::red_of(background), ui::red_of(colour)), mix(ui::green_of(background), ui::green_of(colour)),
                 mix(ui::blue_of(background), ui::blue_of(colour)));
}

namespace {

using common::round_half_even;

// The paper under the trace, the calibration pulse at the left of row 0 and the time bar.
void paper(ui::Canvas& window, const ProcessingConditions& conditions, const Geometry& g) {
  const double u = g.units_per_pixel;
  const int height = window.height();
  // A faint paper grid under the strips: 0.2 s (50 samples) and 1 s (250 samples) columns
  // and 1 mV (512 units) lines, tinted from the scale colour so it follows the user's colours.
  const ui::Colour back = conditions.back_colour;
  const ui::Colour scale = conditions.scale1_colour;
  const int top = kMargin, bottom = kMargin + kRows * g.row;
  window.set_pen(tint(back, scale, 0.15));
  for (int row = 0; row < kRows; ++row) {
    const int zero = row_zero(g, row);
    for (const int k : {-1, 1}) {
      const int y = zero + k * static_cast<int>(round_half_even(kCalibrationUnits / u));
      window.line(kLeft, y, kLeft + g.width, y);
    }
  }
  for (int column = 0; column <= kSamplesPerRow; column += kGridSamples) {
    const int x = static_cast<int>(round_half_even(static_cast<double>(column) * g.width / kSamplesPerRow + kLeft));
    window.set_pen(tint(back, scale, column % kTimeBarSamples == 0 ? 0.35 : 0.15));
    window.line(x, top, x, bottom);
  }
  window.set_pen(tint(back, scale, 0.35));
  for (int row = 0; row < kRows; ++row) {
    const int zero = row_zero(g, row);
    window.line(kLeft, zero, kLeft + g.width, zero);
  }

  // Calibration pulse at the left of row 0 and the time bar of 250 samples at the bottom.
  window.set_pen(conditions.scale1_colour);
  const int y0 = static_cast<int>(round_half_even(g.row / 2.0 + kMargin));
  const int p = static_cast<int>(round_half_even(kCalibrationUnits / u));
  window.polyline({{4, y0}, {8, y0}, {8, y0 - p}, {18, y0 - p}, {18, y0}, {22, y0}});
  const int x250 = static_cast<int>(
      round_half_even(static_cast<double>(kTimeBarSamples) * g.width / kSamplesPerRow + kLeft));
  window.polyline({{kLeft, height - 8}, {kLeft, height - 3}, {x250, height - 3}, {x250, height - 8}});

}

// The readable picture: room under the rows for the legend line, and its font.
constexpr int kLegendLine = 14;
constexpr int kLegendFont = 12;

// Each row's time from the block's start under its zero line, right-aligned to the strip,
// and the legend of the time bar and the calibration pulse beside the bar.
void readable_marks(ui::Canvas& window, const ProcessingConditions& conditions, const Geometry& g) {
  labels::Placer placer(1);
  window.set_pen(conditions.text_colour);
  const int seconds_per_row = kSamplesPerRow / kTimeBarSamples;
  for (int row = 0; row < kRows; ++row) {
    const std::string text = std::to_string(row * seconds_per_row) + "s";
    const int x = kLeft - 3 - labels::text_width(text, kLegendFont);
    // Under the zero line (below the calibration pulse of row 0); on it when the row is too
    // low for that, where row 0 leaves the margin to the pulse.
    const bool under = g.row / 2 >= kLegendFont + 2;
    if (!under && row == 0) continue;
    const int y = row_zero(g, row) + (under ? 2 : -kLegendFont / 2);
    if (placer.take(labels::text_box(x, y, text, kLegendFont))) window.text(x, y, text, kLegendFont);
  }
  const int height = window.height();
  const int x250 = static_cast<int>(
      round_half_even(static_cast<double>(kTimeBarSamples) * g.width / kSamplesPerRow + kLeft));
  const int y = height - kLegendFont - 2;
  int x = x250 + 6;
  for (const std::string_view text : {std::string_view("1 s"), std::string_view("較正波 = 1 mV")}) {
    if (placer.take(labels::text_box(x, y, text, kLegendFont))) window.text(x, y, text, kLegendFont);
    x += labels::text_width(text, kLegendFont) + 3 * kLegendFont;
  }
}

}  // namespace

}  // namespace ecg

void PLOT_ECG(char code, ui::Canvas& window, const ProcessingConditions& conditions, std::string_view prefix,
              const std::function<bool()>& still_open, const ViewOptions& options) {
  window.clear(conditions.back_colour);
  const ecg::Geometry g =
      ecg::geometry(window.width(), window.height() - (options.readable ? ecg::kLegendLine : 0));
  if (g.row <= 0 || g.width <= 0) return;
  ecg::paper(window, conditions, g);
  if (options.readable) ecg::readable_marks(window, conditions, g);
  const ecg::Strip strip = ecg::strip_of(std::string(prefix) + code, g);
  if (strip.records.empty()) return;
  window.set_pen(conditions.trend_colour);
  std::vector<ui::Segment> lines;
  for (const auto& record : strip.records) {
    if (still_open && !still_open()) return;
    // A record's lines in one call (one painter, not one per line).
    lines.clear();
    for (const ecg::Line& l : record) lines.push_back({{l.x1, l.y1}, {l.x2, l.y2}});
    window.lines(lines);
  }
}

}  // namespace ambview
