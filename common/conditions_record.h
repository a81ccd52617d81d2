// The measurement conditions record and the recorder's conditions line: both layouts, the
// decoding with its clamps and defaults, the setting-line encoder and the code tables.
// Shared because the recorder, the link program and the simulated recorder all use the layouts.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace common {

// Twenty-one text slots (0-20, 19 unused), each held exactly as the editor shows it.
// Text slots coming from the line (comment, reserved block) are CP932 bytes.
struct ConditionsRecord {
  std::string start_year;         // 0
  std::string start_month;        // 1
  std::string start_day;          // 2
  std::string start_hour;         // 3
  std::string start_minute;       // 4
  std::string comment;            // 5
  std::string acc_count;          // 6
  std::string interval;           // 7
  std::string level_threshold_1;  // 8
  std::string level_threshold_2;  // 9
  std::string level_threshold_3;  // 10
  std::string mode;               // 11
  std::string display;            // 12
  std::string rr_count;           // 13
  std::string ecg_blocks;         // 14
  std::string model_code;         // 15
  std::string rr_count_hex;       // 16
  std::string speed;              // 17
  std::string acc_count_hex;      // 18
  std::string unused_19;          // 19
  std::string reserved_block;     // 20

  static constexpr int kSlots = 21;
  // Slot n (0-20), as the editor binds its controls; nullptr outside the range.
  std::string* slot(int n);
  const std::string* slot(int n) const;
};

// The heading as the link reads it: "lA" is taken for "LA".
std::string normalized_heading(std::string_view line);

// True when the heading belongs to the old layout ("Aa").
bool is_old_layout(std::string_view line);

// Characters (before the CR) of a whole conditions line with this heading: the end of the
// last field its layout carries. "La"/"LA" ("lA") 120 (the 32-bit count), the other current
// headings 112 (the transfer speed), the old layout "Aa" 58 (the body weight).
std::size_t conditions_line_length(std::string_view heading);

// Fills `rec` from a conditions line (with or without its CR) by the layout of its heading.
// A short line fills what it yields; fields of other layouts keep their previous values.
void decode_conditions(std::string_view line, ConditionsRecord& rec);

// Calorie settings the old-layout recorder takes in calorie mode.
struct CalorieSetting {
  double coefficient_a = 0.0;  // e.g. 0.021
  double coefficient_b = 0.0;  // e.g. 0.078
  std::string weight;          // whole kg as text
  int rq_row = 0;              // 0-5, respiratory-quotient row
};

// The energy factor sent for respiratory-quotient row 0-5 ("4801".."4862"); row 0 outside.
std::string energy_factor(int rq_row);

// The setting line with its CR (without the leading SOH). The old layout is used when the
// current conditions line starts with "Aa", else the current layout with "Cc" (La, LA) or "CC".
std::string encode_setting_line(const ConditionsRecord& rec, std::string_view current_line,
                                const CalorieSetting& calorie);

// GET_MODEL: the model name for a model code ("KX31N" for "LA"); "MODEL" when unknown, empty
// for the old-layout recorder "Aa".
std::string GET_MODEL(std::string_view model_code);

// Interval text for an interval code ("a" -> "0.2"); empty for "0" and unknown codes.
std::string interval_text(std::string_view code);

// The condition list's mode text for a mode and model code (UTF-8, blank padded as listed:
// 27 bytes, "5" and "-----" 26); empty when the mode has no text for that model.
std::string mode_text(std::string_view mode, std::string_view model_code);

// The condition list's display text for a display code (UTF-8); empty for other codes.
std::string display_text(std::string_view display);

}  // namespace common
