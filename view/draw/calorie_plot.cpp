// The calorie window's picture (see calorie_plot.h).
#include "view/draw/calorie_plot.h"

#include <vector>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"

namespace ambview {

namespace {

using namespace calorie;

using common::round_int;

std::string cp(std::string_view utf8) { return common::utf8_to_cp932(utf8); }

// One band's grid lines, its scale labels and its time grid.
void draw_band(ui::Canvas& window, const ProcessingConditions& c, const CalorieFrame& f, int band) {
  const auto& labels = calorie_labels(c.acc_scale);
  const int h = f.band_height;
  const int top = round_int(static_cast<double>(h + kCaptionLine) * band);
  const int base = calorie_band_base(f, band);
  window.set_pen(c.scale1_colour);
  for (int k = 0; k <= 3; ++k) {
    const int y = round_int(top + kCaptionLine + (h / 3.0) * k);
    window.line(kLeftX, y, kLeftX + f.width, y);
  }
  window.set_pen(c.text_colour);
  for (int k = 0; k <= 3; ++k)
    window.text(0, round_int(top + kCaptionLine + ((h - 6) / 3.0) * k), labels[static_cast<std::size_t>(k)], kLabelFont);
  window.text(0, top + 6, " kc/h", kLabelFont);
  window.set_pen(c.scale1_colour);
  for (std::int64_t k = 0; k <= f.grid_lines; ++k) {
    const int x = round_int(kLeftX + static_cast<double>(k) * f.grid_width);
    window.line(x, top + kCaptionLine, x, base);
  }
}

}  // namespace

void draw_calorie_frame(ui::Canvas& window, const ProcessingConditions& c, const CalorieFrame& f) {
  for (int band = 0; band < f.list_length; ++band) draw_band(window, c, f, band);
  // Time axis under the last band.
  const int h = f.band_height;
  const int y_b = round_int(round_int(static_cast<double>(h + kCaptionLine) * (f.list_length - 1)) + kCaptionLine + h);
  window.set_pen(c.text_colour);
  const std::string& st = f.start_text;
  window.text(kLeftX, y_b + 12, calorie_field(st, 0) + "/" + calorie_field(st, 1) + "/" + calorie_field(st, 2),
              kLabelFont);
  for (std::int64_t k = 0; k <= f.grid_lines; ++k) {
    const std::string tk = calorie_time_text(f, k * f.step * 60);
    window.text(round_int(kLeftX + static_cast<double>(k) * f.grid_width), y_b,
                calorie_field(tk, 3) + ":" + calorie_field(tk, 4), kLabelFont);
  }
}

void draw_calorie_bars(ui::Canvas& window, const ProcessingConditions& c, const CalorieFrame& f, int index,
                       const CalorieRates& rates) {
  window.set_pen(c.trend_colour);
  window.set_fill(c.trend_colour);
  const int base = calorie_band_base(f, index);
  std::vector<ui::Segment> boxes;
  boxes.reserve(rates.bars.size());
  for (const CalorieBar& bar : rates.bars) boxes.push_back({{bar.x0, base}, {bar.x1, base - bar.height}});
  window.fill_boxes(boxes);
}

void draw_calorie_caption(ui::Canvas& window, const CalorieFrame& f, const ChannelTable& channels,
                          const CalorieEntry& entry, int index, const CalorieRates& rates) {
  const common::CalorieModel& model = rates.model;
  const int base = calorie_band_base(f, index);
  window.set_pen(ui::palette(0));
  const std::string coefficient_text =
      entry.kind == 'A' ? "a=" + common::num_text_single(model.a) + "  b=" + common::num_text_single(model.b)
                        : "c=" + common::num_text_single(model.c) + "  d=" + common::num_text_single(model.d);
  window.text(kLeftX, base - f.band_height - kCaptionLine,
              "  <" + common::name_part(channels.prefix) + std::string(1, entry.code) + channels.extension + "> " +
                  common::cp932_to_utf8(coefficient_text + cp("  総ｶﾛﾘｰ=") + common::num_text(rates.span.total) +
                                        "kcal"),
              kTextFont);
}

void draw_calorie_summary(ui::Canvas& window, const ProcessingConditions& c, const RecordingInfo& info,
                          const CalorieFrame& f) {
  const common::CalorieModel model = common::calorie_model(c.calorie);
  const int base = round_int(static_cast<double>(f.list_length) * (f.band_height + kCaptionLine));
  window.set_pen(ui::palette(0));
  window.text(kLeftX, base + 32, common::cp932_to_utf8("[" + info.item[RecordingInfo::kComment] + "]"), kTextFont);
  window.text(kLeftX, base + 48,
              common::cp932_to_utf8(cp("年齢=") + c.calorie.age + cp(",  体重kg=") +
                                    common::num_text_single(model.weight) + cp(",  温当量kcal/l=") +
                                    common::num_text_single(model.equivalent)),
              kTextFont);
  window.text(kLeftX, base + 64,
              common::cp932_to_utf8(cp("測定間隔S=") + info.item[RecordingInfo::kInterval] + cp("  平均値N=") +
                                    c.calorie.block + cp("  酸素摂取量下限=") + c.calorie.floor),
              kTextFont);
}

}  // namespace ambview
