// Conditions line codec: the position tables of both layouts sit next to the code using them.
#include "common/conditions_record.h"

#include <algorithm>
#include <cstdint>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/text.h"

namespace common {

namespace {

// A field of a fixed layout: 1-based position and width.
struct Field {
  int pos;
  int width;
};

// Current layout (every accepted heading but "Aa").
namespace cur {
constexpr Field kHeading{1, 2};
constexpr Field kMonth{3, 2};
constexpr Field kDay{5, 2};
constexpr Field kHour{7, 2};
constexpr Field kMinute{9, 2};
constexpr Field kAccCount16{11, 4};
constexpr Field kIntervalCode{15, 1};
constexpr Field kIntervalSeconds{16, 3};
constexpr Field kInterval{15, 4};  // code and seconds together, as the encoder writes them
constexpr Field kComment{19, 20};
constexpr Field kLevel1{39, 4};
constexpr Field kLevel2{43, 4};
constexpr Field kLevel3{47, 4};
constexpr Field kDisplay{51, 1};
constexpr Field kMode{52, 1};
constexpr Field kYear{53, 2};
constexpr Field kRrCount{55, 8};
constexpr Field kEcgBlocks{63, 1};
constexpr Field kReserved{64, 48};
constexpr Field kSpeed{112, 1};
constexpr Field kAccCount32{113, 8};
// Model "CD" keeps its single threshold as four characters one position later.
constexpr Field kCdLevel{40, 4};
constexpr int kLength = 120;
}  // namespace cur

// Old layout (heading "Aa").
namespace old {
constexpr Field kYear{3, 2};
constexpr Field kMonth{5, 2};
constexpr Field kDay{7, 2};
constexpr Field kHour{9, 2};
constexpr Field kMinute{11, 2};
constexpr Field kAccCount{13, 4};
constexpr Field kInterval{17, 4};
constexpr Field kComment{21, 20};
constexpr Field kDisplay{41, 1};
constexpr Field kMode{42, 1};
constexpr Field kLevel1{43, 4};  // coefficient a in calorie mode
constexpr Field kLevel2{47, 4};  // coefficient b in calorie mode
constexpr Field kLevel3{51, 4};  // energy factor in calorie mode
constexpr Field kWeight{55, 4};  // body weight in calorie mode
constexpr std::string_view kTemplate =
    "CA890102030400000005abcdefghijklmnopqrst250021007848250060";
}  // namespace old

std::string get(std::string_view line, Field f) { return mid(line, f.pos, f.width); }

void put(std::string& line, Field f, std::string_view text) {
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
  rec.start_month = get(line, cur::kMonth);
  rec.start_day = get(line, cur::kDay);
  rec.start_hour = get(line, cur::kHour);
  rec.start_minute = get(line, cur::kMinute);
  rec.start_year = get(line, cur::kYear);
  rec.comment = trimmed_comment(get(line, cur::kComment));

  bool full_count = heading == "La" || heading == "LA";
  rec.acc_count_hex = full_count ? get(line, cur::kAccCount32) : "0000" + get(line, cur::kAccCount16);
  rec.acc_count = std::to_string(hex_value(rec.acc_count_hex));

  rec.mode = get(line, cur::kMode);
  if (rec.mode.empty()) rec.mode = " ";

  std::uint64_t seconds = hex_value(get(line, cur::kIntervalSeconds));
  if (seconds > 300) seconds = 300;
  std::string code = get(line, cur::kIntervalCode);
  if (code == "0") {
    rec.interval = std::to_string(seconds);
  } else if (std::string fixed = interval_text(code); !fixed.empty()) {
    rec.interval = fixed;
  }

  if (heading == "CE" || heading == "ce" || heading == "CF" || full_count) {
    rec.level_threshold_1 = threshold_text(get(line, cur::kLevel1));
    rec.level_threshold_2 = threshold_text(get(line, cur::kLevel2));
    rec.level_threshold_3 = threshold_text(get(line, cur::kLevel3));
    rec.display = get(line, cur::kDisplay);
    if (first_char(rec.mode) == kCalorieMode) rec.display = (rec.display == "2" || rec.display == "3") ? "2" : "0";
    rec.rr_count_hex = get(line, cur::kRrCount);
    std::uint64_t rr = hex_value(mid(rec.rr_count_hex, 2, 4)) * 4096 + hex_value(mid(rec.rr_count_hex, 6, 3));
    rec.rr_count = std::to_string(rr);
    std::int64_t ecg = std::clamp<std::int64_t>(static_cast<std::int64_t>(val(get(line, cur::kEcgBlocks))), 0, 4);
    rec.ecg_blocks = std::to_string(ecg);
    rec.model_code = heading;
    rec.speed = get(line, cur::kSpeed) == "B" ? "B" : "A";
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
  rec.start_year = get(line, old::kYear);
  rec.start_month = get(line, old::kMonth);
  rec.start_day = get(line, old::kDay);
  rec.start_hour = get(line, old::kHour);
  rec.start_minute = get(line, old::kMinute);
  rec.comment = get(line, old::kComment);
  rec.acc_count_hex = "0000" + get(line, old::kAccCount);
  rec.acc_count = std::to_string(hex_value(rec.acc_count_hex));
  rec.interval = std::to_string(hex_value(get(line, old::kInterval)));
  rec.mode = get(line, old::kMode);
  rec.display = get(line, old::kDisplay);
  rec.rr_count = "--";
  rec.ecg_blocks = "--";
  rec.model_code = "Aa";
  if (first_char(rec.mode) == kCalorieMode) {
    rec.level_threshold_1 = rec.level_threshold_2 = rec.level_threshold_3 = "--";
  } else {
    // An unset threshold reads as the recorder's own defaults.
    auto level = [&](Field f, const char* fallback) {
      return hex_value(get(line, f)) == 0 ? std::string(fallback) : threshold_text(get(line, f));
    };
    rec.level_threshold_1 = level(old::kLevel1, "0.02");
    rec.level_threshold_2 = level(old::kLevel2, "0.05");
    rec.level_threshold_3 = level(old::kLevel3, "0.1");
  }
}

std::string encode_current(const ConditionsRecord& rec) {
  const bool full_count = rec.model_code == "La" || rec.model_code == "LA";
  std::string display = rec.display.empty() ? "0" : rec.display;
  char mode = first_char(rec.mode);
  if ((mode < '@' || mode == '7' || mode == '8') && display == "7") display = "0";

  std::string line(cur::kLength, ' ');
  put(line, cur::kHeading, full_count ? "Cc" : "CC");
  put(line, cur::kMonth, two_digits(rec.start_month));
  put(line, cur::kDay, two_digits(rec.start_day));
  put(line, cur::kHour, two_digits(rec.start_hour));
  put(line, cur::kMinute, two_digits(rec.start_minute));

  std::uint64_t acc = whole(rec.acc_count);
  put(line, cur::kAccCount16, acc > 65535 ? "FFFF" : hex_field(acc, 4));

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
  put(line, cur::kComment, rec.comment);
  put(line, cur::kLevel1, hex_units(rec.level_threshold_1));
  put(line, cur::kLevel2, hex_units(rec.level_threshold_2));
  put(line, cur::kLevel3, hex_units(rec.level_threshold_3));
  put(line, cur::kDisplay, display);
  put(line, cur::kMode, rec.mode);
  put(line, cur::kYear, two_digits(rec.start_year));
  put(line, cur::kRrCount, hex_field(whole(rec.rr_count), 8));
  put(line, cur::kEcgBlocks, right(rec.ecg_blocks, 1));
  put(line, cur::kReserved, rec.reserved_block);
  put(line, cur::kSpeed, rec.speed);
  put(line, cur::kAccCount32, hex_field(acc, 8));
  return line + "\r";
}

std::string encode_old(const ConditionsRecord& rec, const CalorieSetting& calorie) {
  std::string line(old::kTemplate);
  put(line, old::kYear, two_digits(rec.start_year));
  put(line, old::kMonth, two_digits(rec.start_month));
  put(line, old::kDay, two_digits(rec.start_day));
  put(line, old::kHour, two_digits(rec.start_hour));
  put(line, old::kMinute, two_digits(rec.start_minute));
  put(line, old::kComment, rec.comment);
  put(line, old::kAccCount, hex_field(whole(rec.acc_count), 4));
  put(line, old::kInterval, val(rec.interval) < 1 ? "0001" : hex_field(whole(rec.interval), 4));
  put(line, old::kMode, rec.mode);
  put(line, old::kDisplay, rec.display);
  if (first_char(rec.mode) != kCalorieMode) {
    put(line, old::kLevel1, hex_units(rec.level_threshold_1));
    put(line, old::kLevel2, hex_units(rec.level_threshold_2));
    put(line, old::kLevel3, hex_units(rec.level_threshold_3));
  } else {
    auto per_mille = [](double c) { return dec_field(std::max<std::int64_t>(0, round_half_even(c * 1000)), 4); };
    put(line, old::kWeight, right("000" + calorie.weight, 4));
    put(line, old::kLevel1, per_mille(calorie.coefficient_a));
    put(line, old::kLevel2, per_mille(calorie.coefficient_b));
    put(line, old::kLevel3, energy_factor(calorie.rq_row));
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
  const auto end = [](Field f) { return static_cast<std::size_t>(f.pos + f.width - 1); };
  if (heading == "Aa") return end(old::kWeight);
  if (heading == "La" || heading == "LA" || heading == "lA") return end(cur::kAccCount32);
  return end(cur::kSpeed);
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
