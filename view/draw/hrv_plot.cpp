// The HRV picture (see hrv_plot.h).
#include "view/draw/hrv_plot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "common/text.h"
#include "ui/colour.h"
#include "view/recording/calendar.h"
#include "view/compute/trend_layout.h"

namespace ambview {

namespace {

// Margins: value labels on the left, the legend on top, two lines of time labels below.
constexpr int kLeft = 56;
constexpr int kRight = 20;
constexpr int kTop = 26;
constexpr int kBottom = 40;
constexpr int kScaleSteps = 4;

struct Series {
  const char* name;
  int colour;  // palette index
  std::optional<double> HrvStats::*value;
};
constexpr Series kSeries[] = {
    {"RMSSD", 4, &HrvStats::rmssd_ms},
    {"SDNN", 1, &HrvStats::sdnn_ms},
};

int rounded(double v) { return static_cast<int>(common::round_half_even(v)); }

std::string number_text(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

double hrv_scale_top(double largest) {
  if (!(largest > 0)) return 100;
  const double step_wanted = largest / kScaleSteps;
  const double power = std::pow(10.0, std::floor(std::log10(step_wanted)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= step_wanted) return m * power * kScaleSteps;
  return 10 * power * kScaleSteps;
}

void HRV_PLOT(ui::Canvas& canvas, const HrvReport& report) {
  canvas.clear(ui::palette(15));
  const int width = canvas.width() - kLeft - kRight;
  const int height = canvas.height() - kTop - kBottom;
  if (width <= 0 || height <= 0) return;
  const int bottom = kTop + height;

  double largest = 0;
  for (const HrvStats& s : report.windows)
    for (const Series& series : kSeries)
      if (const auto& v = s.*series.value) largest = std::max(largest, *v);
  const double top = hrv_scale_top(largest);
  const auto y_of = [&](double v) { return bottom - rounded(std::min(v, top) / top * height); };

  // Value grid and labels.
  for (int i = 0; i <= kScaleSteps; ++i) {
    const double v = top * i / kScaleSteps;
    const int y = y_of(v);
    canvas.set_pen(ui::palette(i == 0 ? 0 : 7));
    canvas.line(kLeft, y, kLeft + width, y);
    canvas.set_pen(ui::palette(0));
    canvas.text(4, y - kHrvPlotFont / 2, number_text(v), kHrvPlotFont);
  }
  canvas.text(4, 4, "ms", kHrvPlotFont);

  // Time grid as the trend draws it: a line and an hh:mm label every major step from the
  // range's start, the date of the start below.
  const std::int64_t span_s = std::max<std::int64_t>(report.range.span_s, 1);
  const std::int64_t span_minutes = std::max<std::int64_t>(span_s / 60, 1);
  const trend::TimeGrid grid = trend::time_grid(span_minutes);
  const double seconds_to_x = static_cast<double>(width) / static_cast<double>(span_s);
  const std::int32_t recording_start =
      YMDHM_SEC(report.start_text) + static_cast<std::int32_t>(report.offset_ms / 1000);
  const auto time_text = [&](std::int64_t offset_s) {
    std::string year = common::mid(report.start_text, 1, 2);
    auto seconds = static_cast<std::int32_t>(recording_start + report.range.start_s + offset_s);
    return SEC_YMDHM(year, seconds);
  };
  for (std::int64_t c = 0; c * grid.major * 60 <= span_s; ++c) {
    const int x = kLeft + rounded(static_cast<double>(c * grid.major * 60) * seconds_to_x);
    canvas.set_pen(ui::palette(7));
    canvas.line(x, kTop, x, bottom);
    const std::string t = time_text(c * grid.major * 60);
    canvas.set_pen(ui::palette(0));
    canvas.text(std::min(x - 16, canvas.width() - 40), bottom + 4, common::mid(t, 7, 2) + ":" + common::mid(t, 9, 2), kHrvPlotFont);
  }
  const std::string date = time_text(0);
  canvas.text(kLeft, bottom + 4 + kHrvPlotFont + 2,
              common::mid(date, 1, 2) + "/" + common::mid(date, 3, 2) + "/" + common::mid(date, 5, 2), kHrvPlotFont);
  canvas.set_pen(ui::palette(0));
  canvas.line(kLeft, kTop, kLeft, bottom);

  // One point per window at its middle; an empty window breaks the line.
  int legend_x = kLeft + 8;
  for (const Series& series : kSeries) {
    canvas.set_pen(ui::palette(series.colour));
    canvas.set_fill(ui::palette(series.colour));
    std::vector<ui::Point> run;
    const auto flush = [&] {
      if (run.size() > 1) canvas.polyline(run);
      run.clear();
    };
    for (const HrvStats& s : report.windows) {
      const auto& v = s.*series.value;
      if (!v) {
        flush();
        continue;
      }
      const double middle_s = static_cast<double>(s.offset_ms) / 1000.0 - static_cast<double>(report.range.start_s) +
                              std::min<double>(static_cast<double>(report.range.window_s),
                                               static_cast<double>(report.range.start_s + span_s) -
                                                   static_cast<double>(s.offset_ms) / 1000.0) /
                                  2.0;
      const ui::Point p{kLeft + rounded(middle_s * seconds_to_x), y_of(*v)};
      canvas.fill_box(p.x - 1, p.y - 1, p.x + 1, p.y + 1);
      run.push_back(p);
    }
    flush();
    canvas.fill_box(legend_x, 10, legend_x + 16, 12);
    canvas.text(legend_x + 20, 4, series.name, kHrvPlotFont);
    legend_x += 90;
  }
}

}  // namespace ambview
