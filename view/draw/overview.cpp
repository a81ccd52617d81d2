// The overview on a canvas (see overview.h).
#include "view/draw/overview.h"

#include "common/recording_format.h"
#include "view/compute/label_boxes.h"

namespace ambview {

void DRW_SCL(ui::Canvas& canvas, const std::vector<FrameBox>& frame) {
  for (const FrameBox& b : frame) canvas.xor_box(b.x1, b.y1, b.x2, b.y2, ui::palette(kFramePalette));
}

void OverviewBand::step_to(int x, int y) {
  PLOT_WND2(*canvas, kind(), prev_x, x, prev_y, base(), y);
  prev_x = x;
  prev_y = y;
}

void PLOT_WND2(ui::Canvas& canvas, char kind, int prev_x, int x, int prev_y, int base, int y) {
  const ui::Colour colour = ui::palette(kOverviewPalette);
  if (kind == common::kKindAcceleration || kind == common::kKindLevel) {
    canvas.set_fill(colour);
    canvas.fill_box(prev_x, base, x, base - y);
  } else {
    canvas.set_pen(colour);
    canvas.line(prev_x, base - prev_y, x, base - y);
  }
}

void MK_PLOT(OverviewBand& band) {
  for (const OverviewPoint& p : rr_overview_points(band)) band.step_to(p.x, p.y);
}

void F_PLOT(OverviewBand& band) {
  for (const OverviewPoint& p : overview_points(band)) band.step_to(p.x, p.y);
}

void PRT_SCALE(ui::Canvas& canvas, int acc_scale, int x, int y) {
  canvas.set_fill(ui::palette(14));
  canvas.fill_box(x, y, x + 200, y + 16);
  canvas.set_pen(ui::palette(0));
  canvas.text(x, y, scale_text(acc_scale), kDialogFontSize);
}

bool shows_scale(const ChannelTable& table) {
  return table.count > 0 && (table.rows[0].code == '0' || table.rows[0].kind == common::kKindWave);
}

std::string kind_name(const ChannelRow& row) {
  // Codes 1-3 are the X, Y, Z axes of acceleration, or the three levels.
  const bool numbered = row.code >= '1' && row.code <= '3';
  const auto nth = [&](char first) { return std::string(1, static_cast<char>(first + (row.code - '1'))); };
  switch (row.kind) {
    case common::kKindAcceleration: return numbered ? "加速度 " + nth('X') : "加速度";
    case common::kKindLevel: return numbered ? "レベル" + nth('1') : "レベル";
    case common::kKindTilt:
    case common::kKindCombinedTilt: return "傾斜";
    case common::kKindHeartRate: return "HR";
    case common::kKindRR: return "RR";
    case common::kKindSteps: return "歩数";
    case common::kKindWave:
      if (row.code == 'd') return "心電図波形";
      if (row.code >= 'a' && row.code <= 'c') return "加速度波形 " + std::string(1, static_cast<char>(row.code - 'a' + 'A'));
      return "波形";
    default: return "";
  }
}

void draw_overview_names(ui::Canvas& canvas, const LoadedRecording& rec, int band, int acc_scale, bool kinds) {
  canvas.clear(ui::palette(15));
  const ChannelTable& table = rec.table;
  canvas.set_pen(ui::palette(0));
  for (int k = 0; k < table.count; ++k) {
    const ChannelRow& row = table.rows[static_cast<std::size_t>(k)];
    canvas.set_pen(ui::palette(0));
    const std::string name = rec.base_name + row.code + rec.extension;
    const int y = (band + kOverviewNameLine) * k;
    canvas.text(kOverviewLeft, y, name, kDialogFontSize);
    // Two blanks after the name, in dark blue, so that it reads as a note beside the name.
    if (kinds) {
      canvas.set_pen(ui::palette(1));
      canvas.text(kOverviewLeft + labels::text_width(name + "  ", kDialogFontSize), y, kind_name(row), kDialogFontSize);
    }
  }
  if (shows_scale(table)) PRT_SCALE(canvas, acc_scale, 185, 0);
}

void draw_overview_bands(ui::Canvas& canvas, const LoadedRecording& rec, int band_height, int overview_fs) {
  const ChannelTable& table = rec.table;
  for (int k = 0; k < table.count; ++k) {
    OverviewBand band;
    band.canvas = &canvas;
    band.table = &table;
    band.k = k;
    band.band = band_height;
    band.sample_count = rec.sample_count;
    band.q = overview_step(rec.sample_count);
    band.acc_full_scale = overview_fs;
    band.hr_full_scale = kOverviewHrScale;
    band.interval = rec.interval;
    F_PLOT(band);
  }
}

void draw_overview_picture(ui::Canvas& canvas, const LoadedRecording& rec,
                           const ProcessingConditions& conditions, std::int32_t start, std::int32_t span,
                           bool kinds) {
  const ChannelTable& table = rec.table;
  const int band = overview_band_height(table.count);
  const int acc_scale = conditions.acc_scale;
  draw_overview_names(canvas, rec, band, acc_scale, kinds);
  if (rec.sample_count <= 0) return;
  const int overview_fs = overview_acc_full_scale(acc_scale);
  draw_overview_bands(canvas, rec, band, overview_fs);
  std::int32_t s = start;
  std::int32_t d = span;
  apply_window_rules(s, d, rec.time.duration);
  DRW_SCL(canvas, selection_frame(table, band, GET_YSIZ(acc_scale), overview_fs, GET_HRYSIZ(conditions.hr_scale),
                                  rec.time.duration, s, d));
}

}  // namespace ambview
