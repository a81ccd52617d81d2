// Conditions line codec: both layouts, by the recording header's tables, decoded and encoded.
#include "common/conditions_record.h"

#include <algorithm>
#include <cstdint>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"

namespace common {

namespace {

// The conditions line is the recording header's layout (the download writes the line as
// record 1 of every file), so its fields are those of common/recording_format. Only what the
// line alone carries is written here.
namespace cur {
constexpr const HeaderLayout& L = kCurrentHeader;
// The interval code and seconds together, as the encoder writes them.
constexpr FieldPos kInterval{L.interval_code.pos, L.interval_code.width + L.interval.width};
// The four ECG groups, carried as one block.
constexpr FieldPos kReserved{L.ecg_groups.pos, kEcgGroupStride * kMaxEcgBlocks};
// Model "CD" keeps its single threshold as four characters one position later.
constexpr FieldPos kCdLevel{L.thresholds[0].pos + 1, 4};
}  // namespace cur

namespace old {
constexpr const HeaderLayout& L = kOldHeader;
// In calorie mode the thresholds carry the coefficients a and b and the energy factor, and
// the body weight follows them.
constexpr FieldPos kWeight{55, 4};
constexpr std::string_view kTemplate =
    "CA890102030400000005abcdefghijklmnopqrst250021007848250060";
}  // namespace old

// The start time, year to minute, two characters a field: YYMMDDhhmm in the old layout;
// MMDDhhmm with the year apart in the current one.
constexpr std::array<std::string ConditionsRecord::*, 5> kStartTime = {
    &ConditionsRecord::start_year, &ConditionsRecord::start_month, &ConditionsRecord::start_day,
    &ConditionsRecord::start_hour, &ConditionsRecord::start_minute};
constexpr FieldPos start_time_field(const HeaderLayout& layout, std::size_t k) {
  if (layout.start_year.width == 0) return {layout.start_time.pos + 2 * static_cast<int>(k), 2};
  return k == 0 ? layout.start_year : FieldPos{layout.start_time.pos + 2 * static_cast<int>(k - 1), 2};
}

constexpr std::size_t end_of(FieldPos f) { return static_cast<std::size_t>(f.pos + f.width - 1); }

std::string get(std::string_view line, FieldPos f) { return mid(line, f.pos, f.width); }

void put(std::string& line, FieldPos f, std::string_view text) {
  set_mid(line, f.pos, pad_right(text, f.width));
}

constexpr char kCalorieMode = '5';

// Thresholds travel in units of 1/500 G; anything above 4 G is held as 4.
std::string threshold_text(std::string_view hex) {
  double g = static_cast<double>(hex_value(hex)) / 500.0;
  return num_plain(std::min(g, 4.0));
}

std::string hex_units(std::string_view g_text) {
  return hex_field(static_cast<std::uint64_t>(std::max<std::int64_t>(0, round_half_even(val(g_text) * 500))), 4);
}

std::uint64_t whole(std::string_view text) {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(0, round_half_even(val(text))));
}

std::string two_digits(std::string_view text) { return right("0" + std::string(text), 2); }

void decode_start_time(std::string_view line, const HeaderLayout& layout, ConditionsRecord& rec) {
  for (std::size_t k = 0; k < kStartTime.size(); ++k) rec.*kStartTime[k] = get(line, start_time_field(layout, k));
}

void encode_start_time(const ConditionsRecord& rec, const HeaderLayout& layout, std::string& line) {
  for (std::size_t k = 0; k < kStartTime.size(); ++k)
    put(line, start_time_field(layout, k), two_digits(rec.*kStartTime[k]));
}

// Comment of the current layout: cut after the last character above the blank.
std::string trimmed_comment(const std::string& field) {
  for (int i = static_cast<int>(field.size()); i >= 1; --i) {
    if (static_cast<unsigned char>(field[static_cast<std::size_t>(i - 1)]) > 32) return field.substr(0, static_cast<std::size_t>(i));
  }
  return field;
}

char first_char(std::string_view s) { return s.empty() ? '\0' : s[0]; }

void decode_current(std::string_view line, ConditionsRecord& rec) {
  std::string heading = normalized_heading(line);
  decode_start_time(line, cur::L, rec);
  rec.comment = trimmed_comment(get(line, cur::L.comment));

  bool full_count = heading == "La" || heading == "LA";
  rec.acc_count_hex = full_count ? get(line, cur::L.count_long) : "0000" + get(line, cur::L.count);
  rec.acc_count = std::to_string(hex_value(rec.acc_count_hex));

  rec.mode = get(line, cur::L.mode);
  if (rec.mode.empty()) rec.mode = " ";

  std::uint64_t seconds = hex_value(get(line, cur::L.interval));
  if (seconds > 300) seconds = 300;
  std::string code = get(line, cur::L.interval_code);
  if (code == "0") {
    rec.interval = std::to_string(seconds);
  } else if (std::string fixed = interval_text(code); !fixed.empty()) {
    rec.interval = fixed;
  }

  if (heading == "CE" || heading == "ce" || heading == "CF" || full_count) {
    rec.level_threshold_1 = threshold_text(get(line, cur::L.thresholds[0]));
    rec.level_threshold_2 = threshold_text(get(line, cur::L.thresholds[1]));
    rec.level_threshold_3 = threshold_text(get(line, cur::L.thresholds[2]));
    rec.display = get(line, cur::L.display);
    if (first_char(rec.mode) == kCalorieMode) rec.display = (rec.display == "2" || rec.display == "3") ? "2" : "0";
    rec.rr_count_hex = get(line, cur::L.rr_count);
    std::uint64_t rr = hex_value(mid(rec.rr_count_hex, 2, 4)) * 4096 + hex_value(mid(rec.rr_count_hex, 6, 3));
    rec.rr_count = std::to_string(rr);
    std::int64_t ecg = std::clamp<std::int64_t>(static_cast<std::int64_t>(val(get(line, cur::L.ecg_blocks))), 0, 4);
    rec.ecg_blocks = std::to_string(ecg);
    rec.model_code = heading;
    rec.speed = get(line, cur::L.speed) == "B" ? "B" : "A";
    if (heading == "CF") {
      rec.ecg_blocks = "0";
      rec.acc_count = "0";
      rec.mode = "L";
      rec.display = "";
    }
  } else if (heading == "CD") {
    rec.level_threshold_1 = get(line, cur::kCdLevel);
    rec.level_threshold_2 = "";
    rec.level_threshold_3 = "";
    rec.mode = "";
    rec.display = "";
    // The data amounts keep their values, but the model code must follow the recorder that
    // answered, or a later setting would go out with another model's command.
    rec.model_code = "CD";
  }
  rec.reserved_block = get(line, cur::kReserved);
}

void decode_old(std::string_view line, ConditionsRecord& rec) {
  decode_start_time(line, old::L, rec);
  rec.comment = get(line, old::L.comment);
  rec.acc_count_hex = "0000" + get(line, old::L.count);
  rec.acc_count = std::to_string(hex_value(rec.acc_count_hex));
  rec.interval = std::to_string(hex_value(get(line, old::L.interval)));
  rec.mode = get(line, old::L.mode);
  rec.display = get(line, old::L.display);
  rec.rr_count = "--";
  rec.ecg_blocks = "--";
  rec.model_code = "Aa";
  if (first_char(rec.mode) == kCalorieMode) {
    rec.level_threshold_1 = rec.level_threshold_2 = rec.level_threshold_3 = "--";
  } else {
    // An unset threshold reads as the recorder's own defaults.
    auto level = [&](FieldPos f, const char* fallback) {
      return hex_value(get(line, f)) == 0 ? std::string(fallback) : threshold_text(get(line, f));
    };
    rec.level_threshold_1 = level(old::L.thresholds[0], "0.02");
    rec.level_threshold_2 = level(old::L.thresholds[1], "0.05");
    rec.level_threshold_3 = level(old::L.thresholds[2], "0.1");
  }
}

std::string encode_current(const ConditionsRecord& rec) {
  const bool full_count = rec.model_code == "La" || rec.model_code == "LA";
  std::string display = rec.display.empty() ? "0" : rec.display;
  char mode = first_char(rec.mode);
  if ((mode < '@' || mode == '7' || mode == '8') && display == "7") display = "0";

  std::string line(end_of(cur::L.count_long), ' ');
  put(line, cur::L.kind, full_count ? "Cc" : "CC");
  encode_start_time(rec, cur::L, line);

  std::uint64_t acc = whole(rec.acc_count);
  put(line, cur::L.count, acc > 65535 ? "FFFF" : hex_field(acc, 4));

  std::string interval;
  if (rec.mode == "L") {
    interval = "003C";
  } else {
    double v = val(rec.interval);
    if (v >= 1) {
      interval = hex_field(whole(rec.interval), 4);
    } else if (full_count) {
      // The last matching rule wins: check from the shortest interval up.
      interval = v < 0.02 ? "c001" : v < 0.04 ? "b001" : v < 0.2 ? "F001" : v < 0.5 ? "a001" : "f001";
    } else {
      interval = "0001";
    }
  }
  put(line, cur::kInterval, interval);
  put(line, cur::L.comment, rec.comment);
  put(line, cur::L.thresholds[0], hex_units(rec.level_threshold_1));
  put(line, cur::L.thresholds[1], hex_units(rec.level_threshold_2));
  put(line, cur::L.thresholds[2], hex_units(rec.level_threshold_3));
  put(line, cur::L.display, display);
  put(line, cur::L.mode, rec.mode);
  put(line, cur::L.rr_count, hex_field(whole(rec.rr_count), 8));
  put(line, cur::L.ecg_blocks, right(rec.ecg_blocks, 1));
  put(line, cur::kReserved, rec.reserved_block);
  put(line, cur::L.speed, rec.speed);
  put(line, cur::L.count_long, hex_field(acc, 8));
  return line + "\r";
}

std::string encode_old(const ConditionsRecord& rec, const CalorieSetting& calorie) {
  std::string line(old::kTemplate);
  encode_start_time(rec, old::L, line);
  put(line, old::L.comment, rec.comment);
  put(line, old::L.count, hex_field(whole(rec.acc_count), 4));
  put(line, old::L.interval, val(rec.interval) < 1 ? "0001" : hex_field(whole(rec.interval), 4));
  put(line, old::L.mode, rec.mode);
  put(line, old::L.display, rec.display);
  if (first_char(rec.mode) != kCalorieMode) {
    put(line, old::L.thresholds[0], hex_units(rec.level_threshold_1));
    put(line, old::L.thresholds[1], hex_units(rec.level_threshold_2));
    put(line, old::L.thresholds[2], hex_units(rec.level_threshold_3));
  } else {
    auto per_mille = [](double c) { return dec_field(std::max<std::int64_t>(0, round_half_even(c * 1000)), 4); };
    put(line, old::kWeight, right("000" + calorie.weight, 4));
    put(line, old::L.thresholds[0], per_mille(calorie.coefficient_a));
    put(line, old::L.thresholds[1], per_mille(calorie.coefficient_b));
    put(line, old::L.thresholds[2], energy_factor(calorie.rq_row));
  }
  return line + "\r";
}

// Pads UTF-8 text with blanks to `bytes` CP932 bytes (the list's column widths are CP932 bytes).
std::string pad_cp932(std::string_view utf8, int bytes) {
  return cp932_to_utf8(pad_right(utf8_to_cp932(utf8), bytes));
}

}  // namespace

std::string* ConditionsRecord::slot(int n) {
  return const_cast<std::string*>(static_cast<const ConditionsRecord*>(this)->slot(n));
}

const std::string* ConditionsRecord::slot(int n) const {
  const std::array<const std::string*, kSlots> slots = {
      &start_year,        &start_month,       &start_day,  &start_hour, &start_minute,
      &comment,           &acc_count,         &interval,   &level_threshold_1,
      &level_threshold_2, &level_threshold_3, &mode,       &display,    &rr_count,
      &ecg_blocks,        &model_code,        &rr_count_hex, &speed,    &acc_count_hex,
      &unused_19,         &reserved_block};
  if (n < 0 || n >= kSlots) return nullptr;
  return slots[static_cast<std::size_t>(n)];
}

std::string normalized_heading(std::string_view line) {
  std::string h = mid(line, 1, 2);
  return h == "lA" ? "LA" : h;
}

bool is_old_layout(std::string_view line) { return mid(line, 1, 2) == "Aa"; }

std::size_t conditions_line_length(std::string_view heading) {
  if (heading == "Aa") return end_of(old::kWeight);
  if (heading == "La" || heading == "LA" || heading == "lA") return end_of(cur::L.count_long);
  return end_of(cur::L.speed);
}

void decode_conditions(std::string_view line, ConditionsRecord& rec) {
  // The CR ends the answer and belongs to no field: in a short answer it would land in a
  // field and travel on into the next setting line, ending that line early at the recorder.
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (is_old_layout(line)) decode_old(line, rec);
  else decode_current(line, rec);
}

std::string energy_factor(int rq_row) {
  static constexpr std::array<const char*, 6> kFactors = {"4801", "4813", "4825", "4838", "4850", "4862"};
  if (rq_row < 0 || rq_row > 5) rq_row = 0;
  return kFactors[static_cast<std::size_t>(rq_row)];
}

std::string encode_setting_line(const ConditionsRecord& rec, std::string_view current_line,
                                const CalorieSetting& calorie) {
  return is_old_layout(current_line) ? encode_old(rec, calorie) : encode_current(rec);
}

std::string GET_MODEL(std::string_view model_code) {
  struct Row {
    std::string_view code, name;
  };
  static constexpr Row kModels[] = {{"CE", "KX20"}, {"ce", "KX30"}, {"cE", "KX31"},   {"La", "KX31N"},
                                    {"LA", "KX31N"}, {"CD", "PV7"}, {"CF", "PW4"},    {"CG", "PV7R"},
                                    {"CH", "CARDIOX"}, {"Aa", ""}};
  for (const auto& r : kModels)
    if (r.code == model_code) return std::string(r.name);
  return "MODEL";
}

std::string interval_text(std::string_view code) {
  struct Row {
    std::string_view code, text;
  };
  static constexpr Row kIntervals[] = {{"a", "0.2"}, {"b", "0.02"}, {"c", "0.004"}, {"F", "0.04"}, {"f", "0.5"}};
  for (const auto& r : kIntervals)
    if (r.code == code) return std::string(r.text);
  return {};
}

std::string mode_text(std::string_view mode, std::string_view model_code) {
  struct Row {
    std::string_view code, text;
  };
  static constexpr Row kModes[] = {
      {"0", "0 = 加速度+X,Y,Z"},       {"1", "1 = 加速度"},
      {"2", "2 = 加速度+ﾚﾍﾞﾙ1CH"},       {"4", "4 = 加速度+ﾚﾍﾞﾙ3CH"},
      {"5", "5 = ｶﾛﾘｰﾓｰﾄﾞ"},             {"7", "7 = 加速度波形1CH"},
      {"8", "8 = 加速度波形3CH"},        {"9", "9 = 加速度波形+心電図波形"},
      {"@", "@ = 加速度+XYZ+傾斜+HR"},   {"A", "A = 加速度+傾斜+HR"},
      {"B", "B = 加速度+ﾚﾍﾞﾙ1CH+傾斜+HR"}, {"D", "D = 加速度+ﾚﾍﾞﾙ3CH+傾斜+HR"},
      {"P", "P = 加速度+XYZ+傾斜+RR"},   {"Q", "Q = 加速度+傾斜+RR"},
      {"R", "R = 加速度+ﾚﾍﾞﾙ1CH+傾斜+RR"}, {"T", "T = 加速度+ﾚﾍﾞﾙ3CH+傾斜+RR"},
      {"L", "PW-4 "}};
  const bool waveform_model = model_code == "La" || model_code == "LA";
  if (mode == "5" && model_code != "Aa") return {};
  if ((mode == "7" || mode == "8" || mode == "9") && !waveform_model) return {};
  if (mode == "7" && model_code == "La") return pad_cp932("-----", 26);
  for (const auto& r : kModes) {
    if (r.code == mode) return pad_cp932(r.text, mode == "5" ? 26 : 27);
  }
  return {};
}

std::string display_text(std::string_view display) {
  if (display == "0") return "加速度最大値";
  if (display == "1") return "加速度平均値";
  if (display == "2" || display == "3") return "ｶﾛﾘｰ / 歩数 ";
  if (display == "7") return "心拍数(BPM) ";
  return {};
}

}  // namespace common
