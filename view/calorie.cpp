// CALC_CAL, WND6_OPN, CAL_TREND and CAL_PLOT (see calorie.h).
#include "view/calorie.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/recording_format.h"
#include "common/staged_file.h"
#include "common/text.h"
#include "ui/calorie_form.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/recording/output_guard.h"
#include "view/compute/trend_series.h"
#include "view/settings/conditions_file.h"
#include "view/viewer_shell.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

// Layout of the calorie window: the plot starts 34 in and leaves 70 of the width; 26 and 60
// of the height hold the time axis and the summary; each band has a 16-high caption line.
constexpr int kLeftX = 34;
constexpr int kWidthMargin = 70;
constexpr int kHeightMargin = 26 + 60;
constexpr int kCaptionLine = 16;
constexpr int kLabelFont = 14;
constexpr int kTextFont = 16;
constexpr int kSamplesLimit = 4096;
constexpr std::string_view kLineEnd = "\r\n";

struct Scale {
  int full;
  std::array<std::string_view, 4> labels;
};
// Position 0 was drawn to 4000 under labels running to 3000; its bars now meet the labels.
constexpr std::array<Scale, 6> kScales{{
    {3000, {"3000", "2000", "1000", "   0"}},
    {1500, {"1500", "1000", " 500", "   0"}},
    {600, {" 600", " 400", " 200", "   0"}},
    {300, {" 300", " 200", " 100", "   0"}},
    {150, {" 150", " 100", "  50", "   0"}},
    {60, {"  60", "  40", "  20", "   0"}},
}};

int position_of(int p) { return p >= 0 && p < static_cast<int>(kScales.size()) ? p : 0; }

int rounded(double v) { return static_cast<int>(common::round_half_even(v)); }

std::string cp(std::string_view utf8) { return common::utf8_to_cp932(utf8); }

// Q text Q, for the header lines.
std::string q_text(std::string_view cp932) { return "\"" + std::string(cp932) + "\""; }

// Two-digit fields of a YYMMDDhhmm text: year, month, day, hour, minute.
std::string field(const std::string& t, int i) { return common::mid(t, 1 + 2 * i, 2); }

// Everything the entries share, worked out once by the frame.
struct Frame {
  ui::Canvas* window = nullptr;
  const ProcessingConditions* cond = nullptr;
  const RecordingInfo* info = nullptr;
  const ChannelTable* channels = nullptr;
  std::string path_name;   // data directory + base name (UTF-8)
  std::string extension;   // UTF-8
  int width = 0;           // W
  int band_height = 0;     // H
  int list_length = 0;
  std::int64_t q = 0;      // first sample
  std::int64_t n = 0;      // sample count
  std::int64_t p = 1;      // samples per column
  float interval = 0;      // S
  std::string start_text;  // YYMMDDhhmm of the span start
  std::string text_directory;
};

int row_of(const ChannelTable& channels, char code) {
  for (int r = 0; r < channels.count; ++r)
    if (channels.rows[static_cast<std::size_t>(r)].code == code) return r;
  return -1;
}

// Writes the calorie text file line by line under a temporary name, put in place only when
// the entry ends well: a failed entry or a full disk leaves no cut-short "Calorie.ac".
class TextFile {
 public:
  bool open(const std::string& path) {
    staged_.emplace(path);
    staged_->prepare();
    out_.open(staged_->temp_path(), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out_);
  }
  void line(const std::string& cp932) {
    if (out_) out_ << cp932 << kLineEnd;
  }
  // Closes the file and renames it into place; false when a write, the close or the rename
  // failed (a full disk, a removed folder). Without a commit the temporary file goes.
  bool commit() {
    if (!staged_) return true;
    out_.close();
    if (!out_) return false;
    return staged_->commit();
  }

 private:
  std::optional<common::StagedFile> staged_;
  std::ofstream out_;  // closed before the staged file removes its temporary name
};

CalorieOutcome CAL_PLOT(const Frame& f, const CalorieEntry& entry, int index) {
  const ProcessingConditions& c = *f.cond;
  ui::Canvas& window = *f.window;
  CalorieOutcome out;
  out.entry = entry;
  const bool acc = entry.kind == 'A';
  const common::CalorieKind kind = acc ? common::CalorieKind::Acceleration : common::CalorieKind::HeartRate;

  const ui::Colour bar = c.trend_colour;
  window.set_pen(bar);
  window.set_fill(bar);
  const int full = kScales[static_cast<std::size_t>(position_of(c.acc_scale))].full;
  const int base = rounded(static_cast<double>(index + 1) * (f.band_height + kCaptionLine));

  out.recording_file = trend::band_file_name(f.path_name, f.extension, entry.code);
  const int row = row_of(*f.channels, entry.code);
  const bool combined = common::is_combined_extension(f.extension);
  // The samples of the span the file holds: a file shorter than the span (a heart-rate file
  // whose RR data ended early) counts as far as it goes.
  out.span_samples = f.n;
  const std::int64_t n = row >= 0 ? std::clamp<std::int64_t>(samples_held(*f.channels, row) - f.q, 0, f.n) : f.n;
  out.counted = n;

  TextFile file;
  if (!f.text_directory.empty()) {
    const std::string text_path = f.text_directory + calorie_file_name(entry.kind);
    if (overwrite_of({text_path}, *f.channels) || !file.open(text_path)) {
      out.error = common::CalorieError::WriteError;
      return out;
    }
  }

  const common::CalorieModel model = common::calorie_model(c.calorie);
  // Names as on disk; the text inside the file is CP932.
  const std::string name_utf8 = common::name_part(f.path_name) + (combined ? "" : std::string(1, entry.code)) + f.extension;
  const std::string name = cp(name_utf8);
  const std::string& age = c.calorie.age;
  const std::string& floor_item = c.calorie.floor;
  const std::string& block_item = c.calorie.block;
  const std::string& interval_text = f.info->item[RecordingInfo::kInterval];
  const std::string comma = ",";

  // Header lines.
  file.line(q_text(name) + comma + q_text(f.info->item[RecordingInfo::kComment]) + comma + q_text(cp(" 年齢=")) + comma +
            age + comma + q_text(cp(" 体重 kg=")) + comma + common::num_text_single(model.weight));
  const std::string coefficients =
      acc ? q_text(cp("ａ=")) + comma + common::num_text_single(model.a) + comma + q_text(cp("ｂ=")) + comma +
                common::num_text_single(model.b)
          : q_text(cp("ｃ=")) + comma + common::num_text_single(model.c) + comma + q_text(cp("ｄ=")) + comma +
                common::num_text_single(model.d);
  file.line(coefficients + comma + q_text(cp(" 温当量kcal/l=")) + comma + common::num_text_single(model.equivalent) +
            comma + q_text(cp(" 酸素摂取量下限=")) + comma + floor_item);
  if (model.block < 1) {
    out.error = common::CalorieError::ZeroBlock;
    return out;
  }
  file.line(q_text(cp("測定間隔 S=")) + comma + interval_text + comma + q_text(cp(" 平均値 N=")) + comma + block_item +
            comma + q_text(cp(" ﾃﾞｰﾀｰ量=")) + comma +
            common::num_text(static_cast<double>(common::block_count(n, model.block))));
  file.line("");
  const std::string& t = f.start_text;
  file.line(q_text(cp(acc ? "加速度-ｶﾛﾘｰ (kcal/hr)" : "心拍数-ｶﾛﾘｰ (kcal/hr)")) + comma +
            q_text(field(t, 0) + "-" + field(t, 1) + "-" + field(t, 2) + " " + field(t, 3) + ":" + field(t, 4)));

  // The sample walk: records read forward, one at a time.
  ChannelReader reader;
  if (row < 0 || !reader.open(*f.channels, row)) {
    out.error = common::CalorieError::ReadError;
    return out;
  }
  // Heart rates count in half beats a minute: the file's value, doubled.
  const std::int32_t scale = !combined && entry.kind != 'A' ? 2 : 1;
  const auto source = [&](std::int64_t j) -> common::CalorieSample {
    using State = common::CalorieSample::State;
    const std::optional<Sample> sample = reader.at(f.q + j);
    if (!sample) return {State::Fail, 0};
    // A marker frame carries no sample: it is passed over, as the trend view does.
    if (sample->marker) return {State::Skip, 0};
    if (combined) return {State::Value, std::min(sample->value, kSamplesLimit)};
    return {State::Value, sample->value * scale};
  };
  const common::CalorieSpan span = common::walk_calorie(model, kind, n, f.interval, source);
  out.error = span.error;

  // Text values: right-aligned in 4, per_line to a line; a line is written when full or at
  // the end of the span.
  const std::int64_t per_line = std::max(c.per_line, 1);
  std::string values;
  std::int64_t counted = 0;
  for (std::size_t b = 0; b < span.blocks.size(); ++b) {
    values += common::right("   " + common::num_text(span.blocks[b].value), 4) + ",";
    ++counted;
    const bool last = span.blocks[b].first + span.blocks[b].count >= n;
    if (counted % per_line == 0 || last) {
      values.pop_back();
      file.line(values);
      values.clear();
    }
  }

  // Bars: one per p samples, as high as the largest block rate since the previous bar.
  const std::int64_t drawn = std::min<std::int64_t>(n, static_cast<std::int64_t>(span.blocks.size()) * model.block);
  int previous_x = kLeftX;
  std::int64_t largest = 0;
  for (std::int64_t i = 0; i < drawn; ++i) {
    largest = std::max<std::int64_t>(largest, span.blocks[static_cast<std::size_t>(i / model.block)].value);
    if (i % f.p != 0) continue;
    const int h = std::min(std::max(rounded(static_cast<double>(f.band_height) * static_cast<double>(largest) / full), 0),
                           std::max(f.band_height, 0));
    const int x = rounded(static_cast<double>(i + 1) * f.width / static_cast<double>(f.n) + kLeftX);
    if (h > 0) window.fill_box(previous_x, base, x, base - h);
    previous_x = x;
    largest = 0;
  }
  if (span.error != common::CalorieError::None) return out;
  if (!file.commit()) {
    out.error = common::CalorieError::WriteError;
    return out;
  }
  if (!f.text_directory.empty()) out.text_file = f.text_directory + calorie_file_name(entry.kind);
  out.total = span.total;

  // Caption with the total, and the summary under the last band.
  window.set_pen(ui::palette(0));
  const std::string coefficient_text =
      acc ? "a=" + common::num_text_single(model.a) + "  b=" + common::num_text_single(model.b)
          : "c=" + common::num_text_single(model.c) + "  d=" + common::num_text_single(model.d);
  window.text(kLeftX, base - f.band_height - kCaptionLine,
              "  <" + common::name_part(f.path_name) + std::string(1, entry.code) + f.extension + "> " +
                  common::cp932_to_utf8(coefficient_text + cp("  総ｶﾛﾘｰ=") + common::num_text(span.total) + "kcal"),
              kTextFont);
  return out;
}

// The summary under the last band: comment, the subject and the model's settings. Drawn
// whatever became of the entries.
void draw_summary(const Frame& f) {
  const ProcessingConditions& c = *f.cond;
  ui::Canvas& window = *f.window;
  const common::CalorieModel model = common::calorie_model(c.calorie);
  const int base = rounded(static_cast<double>(f.list_length) * (f.band_height + kCaptionLine));
  window.set_pen(ui::palette(0));
  window.text(kLeftX, base + 32, common::cp932_to_utf8("[" + f.info->item[RecordingInfo::kComment] + "]"), kTextFont);
  window.text(kLeftX, base + 48,
              common::cp932_to_utf8(cp("年齢=") + c.calorie.age + cp(",  体重kg=") +
                                    common::num_text_single(model.weight) + cp(",  温当量kcal/l=") +
                                    common::num_text_single(model.equivalent)),
              kTextFont);
  window.text(kLeftX, base + 64,
              common::cp932_to_utf8(cp("測定間隔S=") + f.info->item[RecordingInfo::kInterval] + cp("  平均値N=") +
                                    c.calorie.block + cp("  酸素摂取量下限=") +
                                    c.calorie.floor),
              kTextFont);
}

}  // namespace

std::vector<CalorieEntry> calorie_channel_list(const ChannelTable& channels) {
  std::vector<CalorieEntry> list;
  for (int r = 0; r < channels.count; ++r) {
    const ChannelRow& row = channels.rows[static_cast<std::size_t>(r)];
    if (!row.present) continue;
    if (row.code == '0') list.push_back({row.code, 'A'});
    if (row.kind == common::kKindHeartRate) list.push_back({row.code, '5'});
  }
  return list;
}

int calorie_window_height(int main_client_height, int selected_count, int list_length) {
  const double per_band = static_cast<double>(rounded(main_client_height - 26)) / std::max(selected_count, 1);
  return rounded(static_cast<double>(rounded(per_band)) * list_length + 26 + 25 + 60);
}

int calorie_full_scale(int position) {
  return kScales[static_cast<std::size_t>(position >= 0 && position < 6 ? position : 0)].full;
}

const std::array<std::string_view, 4>& calorie_labels(int position) {
  return kScales[static_cast<std::size_t>(position >= 0 && position < 6 ? position : 0)].labels;
}

int calorie_time_step(std::int64_t m) {
  if (m < 5) return 1;
  if (m < 30) return 5;
  if (m < 120) return 30;
  if (m < 360) return 120;
  if (m < 2160) return 360;
  return 1440;
}

std::string calorie_file_name(char kind) { return kind == 'A' ? "Calorie.ac" : "Calorie.hr"; }

std::vector<CalorieOutcome> CAL_TREND(ui::Canvas& window, const ProcessingConditions& c, const RecordingInfo& info,
                                      const ChannelTable& channels, const std::vector<CalorieEntry>& list,
                                      const std::string& text_directory) {
  window.clear(c.back_colour);
  std::vector<CalorieOutcome> outcomes;
  const int length = static_cast<int>(list.size());
  if (length == 0) return outcomes;

  Frame f;
  f.window = &window;
  f.cond = &c;
  f.info = &info;
  f.channels = &channels;
  // Files are opened by their names on disk, never by names rebuilt from the CP932 slots.
  f.path_name = channels.prefix;
  f.extension = channels.extension;
  f.text_directory = text_directory;
  f.list_length = length;
  f.width = window.width() - kWidthMargin;
  const int plot_height = window.height() - kHeightMargin;
  f.band_height = rounded(static_cast<double>(plot_height) / length - kCaptionLine);

  // Time base: start t0, display start s, span d (at most the recording), samples q and n.
  const auto t0 = static_cast<std::int32_t>(common::round_half_even(
      common::val(info.item[RecordingInfo::kStartOffset]) * 60 + YMDHM_SEC(info.item[RecordingInfo::kStartTime])));
  const std::int64_t s = c.display_start;
  f.interval = static_cast<float>(c.interval.seconds);
  std::int64_t d = c.display_span;
  const std::int64_t m = std::max<std::int64_t>(common::trunc_div(d, 60), 1);
  d = std::min<std::int64_t>(d, c.duration);
  if (f.interval > 0) {
    f.q = std::max<std::int64_t>(common::round_half_even(static_cast<double>(s) / f.interval), 0);
    f.n = common::round_half_even(static_cast<double>(d) / f.interval);
  }
  // Never past the samples the recording holds: what lies beyond is no measurement.
  const std::int64_t count = common::round_half_even(common::val(info.item[RecordingInfo::kCount]));
  f.n = std::clamp<std::int64_t>(f.n, 0, std::max<std::int64_t>(count - f.q, 0));

  const int step = calorie_time_step(m);
  const std::int64_t k_max = m / step;
  const int w = rounded(static_cast<double>(f.width) * step / static_cast<double>(m));
  std::string year = common::mid(info.item[RecordingInfo::kStartTime], 1, 2);
  const auto time_text = [&](std::int64_t offset) {
    std::string y = year;
    auto seconds = static_cast<std::int32_t>(t0 + s + offset);
    return SEC_YMDHM(y, seconds);
  };
  f.start_text = time_text(0);

  const ui::Colour grid = c.scale1_colour;
  const ui::Colour label = c.text_colour;
  const auto& labels = calorie_labels(position_of(c.acc_scale));
  const int h = f.band_height;
  for (int band = 0; band < length; ++band) {
    const int top = rounded(static_cast<double>(h + kCaptionLine) * band);
    const int base = rounded(static_cast<double>(band + 1) * (h + kCaptionLine));
    window.set_pen(grid);
    for (int k = 0; k <= 3; ++k) {
      const int y = rounded(top + kCaptionLine + (h / 3.0) * k);
      window.line(kLeftX, y, kLeftX + f.width, y);
    }
    window.set_pen(label);
    for (int k = 0; k <= 3; ++k)
      window.text(0, rounded(top + kCaptionLine + ((h - 6) / 3.0) * k), labels[static_cast<std::size_t>(k)], kLabelFont);
    window.text(0, top + 6, " kc/h", kLabelFont);
    window.set_pen(grid);
    for (std::int64_t k = 0; k <= k_max; ++k) {
      const int x = rounded(kLeftX + static_cast<double>(k) * w);
      window.line(x, top + kCaptionLine, x, base);
    }
  }

  // Time axis under the last band.
  const int y_b = rounded(rounded(static_cast<double>(h + kCaptionLine) * (length - 1)) + kCaptionLine + h);
  window.set_pen(label);
  const std::string& st = f.start_text;
  window.text(kLeftX, y_b + 12, field(st, 0) + "/" + field(st, 1) + "/" + field(st, 2), kLabelFont);
  for (std::int64_t k = 0; k <= k_max; ++k) {
    const std::string tk = time_text(k * step * 60);
    window.text(rounded(kLeftX + static_cast<double>(k) * w), y_b, field(tk, 3) + ":" + field(tk, 4), kLabelFont);
  }

  f.p = std::max<std::int64_t>(f.width > 0 ? f.n / f.width : 1, 1);
  for (int i = 0; i < length; ++i) outcomes.push_back(CAL_PLOT(f, list[static_cast<std::size_t>(i)], i));
  draw_summary(f);
  return outcomes;
}

ui::Form& WND6_OPN(ViewerState& state, ui::Platform& platform, int height, std::string_view caption) {
  ui::Form* parent = state.forms.main.get();
  const int width = parent ? parent->client_width() : kMainWidth;
  if (!state.forms.form6 || !state.forms.form6->is_open()) {
    if (!state.forms.form6) {
      state.forms.form6 = platform.forms.make_form("FORM6", width, height);
      state.forms.form6->set_handler([](const ui::UiEvent&) {});
    }
    if (parent) state.forms.form6->move_to(parent->left() + 65, parent->top() + parent->client_height() - height + 60);
  }
  ui::Form& form = *state.forms.form6;
  form.set_enabled(true);
  form.set_caption(caption);
  form.resize_client(width, height);
  form.show();
  form.raise();
  return form;
}

void CALC_CAL(ViewerState& state, ui::Platform& platform, int /*code*/) {
  if (!state.loaded) return;
  const ui::EventCodeAccess access{[&state] { return static_cast<int>(state.event_code); },
                                   [&state](int v) { state.event_code = static_cast<std::int16_t>(v); }};
  // The shared dialog works on the settings record's slots; what it confirms comes back typed.
  common::SettingsSlots slots = to_slots(state.conditions);
  const auto result = ui::run_calorie_dialog(platform, state.forms.form7, common::viewer_calorie_names(), slots,
                                             state.forms.main.get(), access, [&state, &slots] {
                                               state.conditions.calorie = from_slots(slots).calorie;
                                               PUT_COND(state);
                                             });
  if (result == ui::CalorieDialogResult::Closed) return;

  const int selected = NO_EXF(state.channels);
  const std::vector<CalorieEntry> list = calorie_channel_list(state.channels);
  if (list.empty()) {
    platform.dialogs.message_box(kCalorieErrorCaption, kCalorieNoFileText, ui::Buttons::Ok, ui::Icon::Warning);
    return;
  }

  int& per_line = state.conditions.per_line;
  const std::string answer =
      platform.dialogs.input_box(kCaloriePerLineTitle, kCaloriePerLinePrompt, std::to_string(per_line));
  if (answer == ui::kCancelAnswer) return;
  if (!answer.empty()) {
    per_line = per_line_answer(answer);
    PUT_COND(state);
  }
  if (per_line < 1) per_line = 1;

  const int main_height = state.forms.main ? state.forms.main->client_height() : kMainHeight;
  const int height = calorie_window_height(main_height, selected, static_cast<int>(list.size()));
  ui::Form& form = WND6_OPN(state, platform, height, kCalorieCaption);
  CAL_TREND(form.canvas(), state.conditions, state.info, state.channels, list, state.data_directory);
  platform.pump.process_pending();
}

}  // namespace ambview
