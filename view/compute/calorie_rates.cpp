// The calorie trend's series: entries, scales, the frame's time base, rates, bars and text
// lines (see calorie_rates.h).
#include "view/compute/calorie_rates.h"

#include <algorithm>
#include <optional>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/compute/trend_series.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

using namespace calorie;

constexpr int kSamplesLimit = 4096;

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

const Scale& scale_of(int position) {
  return kScales[static_cast<std::size_t>(position >= 0 && position < static_cast<int>(kScales.size()) ? position : 0)];
}

using common::round_int;

std::string cp(std::string_view utf8) { return common::utf8_to_cp932(utf8); }

// Q text Q, for the header lines.
std::string q_text(std::string_view cp932) { return "\"" + std::string(cp932) + "\""; }

int row_of(const ChannelTable& channels, char code) {
  for (int r = 0; r < channels.count; ++r)
    if (channels.rows[static_cast<std::size_t>(r)].code == code) return r;
  return -1;
}

// The block rates of the entry's samples: records read forward, one at a time. Heart rates
// count in half beats a minute: the file's value, doubled.
common::CalorieSpan walk(const CalorieFrame& f, ChannelReader& reader, const common::CalorieModel& model,
                         const CalorieEntry& entry, bool combined, std::int64_t n) {
  const common::CalorieKind kind =
      entry.kind == 'A' ? common::CalorieKind::Acceleration : common::CalorieKind::HeartRate;
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
  return common::walk_calorie(model, kind, n, f.interval, source);
}

// Bars: one per p samples, as high as the largest block rate since the previous bar.
std::vector<CalorieBar> bars_of(const CalorieFrame& f, const common::CalorieSpan& span, std::int64_t block,
                                std::int64_t n, int full) {
  std::vector<CalorieBar> bars;
  const std::int64_t drawn = std::min<std::int64_t>(n, static_cast<std::int64_t>(span.blocks.size()) * block);
  int previous_x = kLeftX;
  std::int64_t largest = 0;
  for (std::int64_t i = 0; i < drawn; ++i) {
    largest = std::max<std::int64_t>(largest, span.blocks[static_cast<std::size_t>(i / block)].value);
    if (i % f.p != 0) continue;
    const int h = std::min(std::max(round_int(static_cast<double>(f.band_height) * static_cast<double>(largest) / full), 0),
                           std::max(f.band_height, 0));
    const int x = round_int(static_cast<double>(i + 1) * f.width / static_cast<double>(f.n) + kLeftX);
    if (h > 0) bars.push_back({previous_x, x, h});
    previous_x = x;
    largest = 0;
  }
  return bars;
}

// The five header lines of the text file.
std::vector<std::string> header_lines(const CalorieFrame& f, const ProcessingConditions& c, const RecordingInfo& info,
                                      const ChannelTable& channels, const CalorieEntry& entry,
                                      const CalorieRates& rates) {
  const common::CalorieModel& model = rates.model;
  const bool acc = entry.kind == 'A';
  const bool combined = common::is_combined_extension(channels.extension);
  // Names as on disk; the text inside the file is CP932.
  const std::string name = cp(common::name_part(channels.prefix) + (combined ? "" : std::string(1, entry.code)) +
                              channels.extension);
  const std::string comma = ",";
  const std::string coefficients =
      acc ? q_text(cp("ａ=")) + comma + common::num_text_single(model.a) + comma + q_text(cp("ｂ=")) + comma +
                common::num_text_single(model.b)
          : q_text(cp("ｃ=")) + comma + common::num_text_single(model.c) + comma + q_text(cp("ｄ=")) + comma +
                common::num_text_single(model.d);
  const std::string& t = f.start_text;
  return {
      q_text(name) + comma + q_text(info.item[RecordingInfo::kComment]) + comma + q_text(cp(" 年齢=")) + comma +
          c.calorie.age + comma + q_text(cp(" 体重 kg=")) + comma + common::num_text_single(model.weight),
      coefficients + comma + q_text(cp(" 温当量kcal/l=")) + comma + common::num_text_single(model.equivalent) + comma +
          q_text(cp(" 酸素摂取量下限=")) + comma + c.calorie.floor,
      q_text(cp("測定間隔 S=")) + comma + info.item[RecordingInfo::kInterval] + comma + q_text(cp(" 平均値 N=")) +
          comma + c.calorie.block + comma + q_text(cp(" ﾃﾞｰﾀｰ量=")) + comma +
          common::num_text(static_cast<double>(common::block_count(rates.counted, model.block))),
      "",
      q_text(cp(acc ? "加速度-ｶﾛﾘｰ (kcal/hr)" : "心拍数-ｶﾛﾘｰ (kcal/hr)")) + comma +
          q_text(calorie_field(t, 0) + "-" + calorie_field(t, 1) + "-" + calorie_field(t, 2) + " " +
                 calorie_field(t, 3) + ":" + calorie_field(t, 4)),
  };
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
  const double per_band = static_cast<double>(round_int(main_client_height - 26)) / std::max(selected_count, 1);
  return round_int(static_cast<double>(round_int(per_band)) * list_length + 26 + 25 + 60);
}

int calorie_full_scale(int position) { return scale_of(position).full; }

const std::array<std::string_view, 4>& calorie_labels(int position) { return scale_of(position).labels; }

int calorie_time_step(std::int64_t m) {
  if (m < 5) return 1;
  if (m < 30) return 5;
  if (m < 120) return 30;
  if (m < 360) return 120;
  if (m < 2160) return 360;
  return 1440;
}

std::string calorie_file_name(char kind) { return kind == 'A' ? "Calorie.ac" : "Calorie.hr"; }

std::string calorie_field(const std::string& t, int i) { return common::mid(t, 1 + 2 * i, 2); }

int calorie_band_base(const CalorieFrame& f, int index) {
  return round_int(static_cast<double>(index + 1) * (f.band_height + kCaptionLine));
}

CalorieFrame calorie_frame(int canvas_width, int canvas_height, const ProcessingConditions& c,
                           const RecordingInfo& info, int list_length) {
  CalorieFrame f;
  f.list_length = list_length;
  f.width = canvas_width - kWidthMargin;
  const int plot_height = canvas_height - kHeightMargin;
  f.band_height = round_int(static_cast<double>(plot_height) / list_length - kCaptionLine);

  // Time base: start t0, display start s, span d (at most the recording), samples q and n.
  f.t0 = static_cast<std::int32_t>(common::round_half_even(
      common::val(info.item[RecordingInfo::kStartOffset]) * 60 + YMDHM_SEC(info.item[RecordingInfo::kStartTime])));
  f.start = c.display_start;
  f.interval = static_cast<float>(c.interval.seconds);
  std::int64_t d = c.display_span;
  f.minutes = std::max<std::int64_t>(common::trunc_div(d, 60), 1);
  d = std::min<std::int64_t>(d, c.duration);
  if (f.interval > 0) {
    f.q = std::max<std::int64_t>(common::round_half_even(static_cast<double>(f.start) / f.interval), 0);
    f.n = common::round_half_even(static_cast<double>(d) / f.interval);
  }
  // Never past the samples the recording holds: what lies beyond is no measurement.
  const std::int64_t count = common::round_half_even(common::val(info.item[RecordingInfo::kCount]));
  f.n = std::clamp<std::int64_t>(f.n, 0, std::max<std::int64_t>(count - f.q, 0));

  f.step = calorie_time_step(f.minutes);
  f.grid_lines = f.minutes / f.step;
  f.grid_width = round_int(static_cast<double>(f.width) * f.step / static_cast<double>(f.minutes));
  f.year = common::mid(info.item[RecordingInfo::kStartTime], 1, 2);
  f.start_text = calorie_time_text(f, 0);
  f.p = std::max<std::int64_t>(f.width > 0 ? f.n / f.width : 1, 1);
  return f;
}

std::string calorie_time_text(const CalorieFrame& f, std::int64_t offset) {
  std::string y = f.year;
  auto seconds = static_cast<std::int32_t>(f.t0 + f.start + offset);
  return SEC_YMDHM(y, seconds);
}

CalorieRates calorie_rates(const CalorieFrame& f, const ProcessingConditions& c, const ChannelTable& channels,
                           const CalorieEntry& entry) {
  CalorieRates rates;
  const int row = row_of(channels, entry.code);
  rates.span_samples = f.n;
  rates.counted = row >= 0 ? std::clamp<std::int64_t>(samples_held(channels, row) - f.q, 0, f.n) : f.n;
  rates.model = common::calorie_model(c.calorie);
  if (rates.model.block < 1) {
    rates.error = common::CalorieError::ZeroBlock;
    return rates;
  }
  ChannelReader reader;
  if (row < 0 || !reader.open(channels, row)) {
    rates.error = common::CalorieError::ReadError;
    return rates;
  }
  const bool combined = common::is_combined_extension(channels.extension);
  rates.span = walk(f, reader, rates.model, entry, combined, rates.counted);
  rates.error = rates.span.error;
  rates.bars = bars_of(f, rates.span, rates.model.block, rates.counted, calorie_full_scale(c.acc_scale));
  return rates;
}

std::vector<std::string> calorie_text_lines(const CalorieFrame& f, const ProcessingConditions& c,
                                            const RecordingInfo& info, const ChannelTable& channels,
                                            const CalorieEntry& entry, const CalorieRates& rates) {
  std::vector<std::string> lines = header_lines(f, c, info, channels, entry, rates);
  // A line is written when full or at the end of the span.
  const std::int64_t per_line = std::max(c.per_line, 1);
  const std::int64_t n = rates.counted;
  std::string values;
  std::int64_t counted = 0;
  for (const common::CalorieBlock& block : rates.span.blocks) {
    values += common::right("   " + common::num_text(block.value), 4) + ",";
    ++counted;
    const bool last = block.first + block.count >= n;
    if (counted % per_line == 0 || last) {
      values.pop_back();
      lines.push_back(values);
      values.clear();
    }
  }
  return lines;
}

}  // namespace ambview
