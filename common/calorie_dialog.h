// The calorie dialog's logic, one piece for both programs: the control names and captions of
// each program's FORM7, the texts it shows, the working table of the calorie settings, the
// RQ row it opens with and the storing rules on confirm. The form-driving loop over the ui/
// interfaces is ui/calorie_form; nothing here knows about windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/settings_record.h"

namespace common {

// The event code the dialog's "設定" button stores.
inline constexpr int kCalorieConfirmCode = 44;

// The names of FORM7 in one program.
struct CalorieDialogNames {
  std::string_view caption;
  std::string_view combo;            // RQ rows
  std::string_view button;           // "設定": confirm
  std::string_view age;              // edit boxes
  std::string_view weight;
  std::string_view block;            // N
  std::string_view formula_acc;      // formula labels
  std::string_view formula_hr;
  std::array<std::string_view, 5> coefficient;  // labels of a, b, c, d and the floor
  bool whole_weight;                 // the link program keeps whole kilograms
};
// The analysis program: "カロリー設定", COMBO2, BUTTON2, EDIT1-3, TEXT11-17.
const CalorieDialogNames& viewer_calorie_names();
// The link program: "ｶﾛﾘｰの設定", COMBO4, BUTTON8, EDIT11-13, TEXT24-30.
const CalorieDialogNames& link_calorie_names();

inline constexpr std::string_view kConfirmCaption = "設定";
inline constexpr std::string_view kAgeLabel = "年齢";
inline constexpr std::string_view kWeightLabel = "体重";
inline constexpr std::string_view kBlockLabel = "平均値 Ｎ";
inline constexpr std::string_view kFormulaAcc = "Acc(G) = a ×　酸素摂取量 - b ( a=0.021, b=0.078 )";
inline constexpr std::string_view kFormulaHr = "酸素摂取量x = (心拍数y - d ) / c";

// One coefficient label's input box: its title, prompt, the item it edits and the label text
// before the value.
struct CoefficientEdit {
  std::string_view title;
  std::string_view prompt;
  int item;
  std::string_view label;
};
// a, b, c, d, floor, in the order of the labels.
const std::array<CoefficientEdit, 5>& coefficient_edits();

// The items the dialog works on (18-26), copied from and back to the settings; values are
// the settings' bytes (CP932).
struct CalorieWorking {
  static constexpr int kFirst = 18;
  static constexpr int kLast = 26;
  std::array<std::string, kLast - kFirst + 1> items{};
  std::string& operator[](int item) { return items[static_cast<std::size_t>(item - kFirst)]; }
  const std::string& operator[](int item) const { return items[static_cast<std::size_t>(item - kFirst)]; }
};
CalorieWorking working_from(const SettingsSlots& settings);
void store_working(const CalorieWorking& working, SettingsSlots& settings);

// The RQ row the list opens with: round(item 18); above 5 gives 5; negative gives -1 (none).
int initial_rq_selection(std::string_view item18);

// A coefficient label: its text followed by the working value (value in CP932, result UTF-8).
std::string coefficient_label(int index, const CalorieWorking& working);

// An input-box answer for coefficient `index`: anything but empty and the cancel answer
// (the single character 27) replaces the working value as typed (UTF-8 in, CP932 stored).
void apply_coefficient_answer(int index, std::string_view answer_utf8, CalorieWorking& working);

// What the user left in the dialog when pressing "設定" (UTF-8 box texts).
struct CalorieConfirm {
  int selection = -1;
  std::string age;
  std::string weight;
  std::string block;
};
// Stores the confirmed boxes into the working table: item 18 = the row as number text (-1
// when none), items 19-21 as typed; with `whole_weight` item 20 becomes the weight rounded
// (halves to even) as number text without the leading blank.
void confirm_working(const CalorieConfirm& confirm, bool whole_weight, CalorieWorking& working);

}  // namespace common
