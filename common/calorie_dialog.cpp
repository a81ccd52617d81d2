// The calorie dialog's names, texts and storing rules (see calorie_dialog.h).
#include "common/calorie_dialog.h"

#include "common/cp932.h"
#include "common/numbers.h"

namespace common {

namespace {

const CalorieDialogNames kViewerNames{
    "カロリー設定", "COMBO2", "BUTTON2", "EDIT1", "EDIT2", "EDIT3", "TEXT11", "TEXT12",
    {"TEXT13", "TEXT14", "TEXT15", "TEXT16", "TEXT17"}, false,
};

const CalorieDialogNames kLinkNames{
    "ｶﾛﾘｰの設定", "COMBO4", "BUTTON8", "EDIT11", "EDIT12", "EDIT13", "TEXT24", "TEXT25",
    {"TEXT26", "TEXT27", "TEXT28", "TEXT29", "TEXT30"}, true,
};

const std::array<CoefficientEdit, 5> kEdits{{
    {"加速度から酸素摂取量を計算", "ａの初期値は 0.021 です", 22, "a="},
    {"加速度から酸素摂取量を計算", "ｂの初期値は 0.078 です", 23, "b="},
    {"ＨＲから酸素摂取量を計算", "ｃの初期値は 3.083 です", 24, "c="},
    {"ＨＲから酸素摂取量を計算", "ｄの初期値は 68.074 です", 25, "d="},
    {"酸素摂取量の下限", "酸素摂取量(ml/kg/min)の下限値を設定してください", 26, "酸素摂取量(ml/kg/min)の下限　="},
}};

const std::string kCancel(1, '\x1b');

}  // namespace

const CalorieDialogNames& viewer_calorie_names() { return kViewerNames; }
const CalorieDialogNames& link_calorie_names() { return kLinkNames; }
const std::array<CoefficientEdit, 5>& coefficient_edits() { return kEdits; }

CalorieWorking working_from(const SettingsSlots& settings) {
  CalorieWorking w;
  for (int item = CalorieWorking::kFirst; item <= CalorieWorking::kLast; ++item)
    w[item] = settings[static_cast<std::size_t>(item)];
  return w;
}

void store_working(const CalorieWorking& w, SettingsSlots& settings) {
  for (int item = CalorieWorking::kFirst; item <= CalorieWorking::kLast; ++item)
    settings[static_cast<std::size_t>(item)] = w[item];
}

int initial_rq_selection(std::string_view item18) {
  const std::int64_t row = round_half_even(val(item18));
  if (row < 0) return -1;
  return row > 5 ? 5 : static_cast<int>(row);
}

std::string coefficient_label(int index, const CalorieWorking& working) {
  const CoefficientEdit& e = kEdits[static_cast<std::size_t>(index)];
  return std::string(e.label) + cp932_to_utf8(working[e.item]);
}

void apply_coefficient_answer(int index, std::string_view answer_utf8, CalorieWorking& working) {
  if (answer_utf8.empty() || answer_utf8 == kCancel) return;
  working[kEdits[static_cast<std::size_t>(index)].item] = utf8_to_cp932(answer_utf8);
}

void confirm_working(const CalorieConfirm& c, bool whole_weight, CalorieWorking& w) {
  w[18] = num_text(c.selection < 0 ? -1 : c.selection);
  w[19] = utf8_to_cp932(c.age);
  w[20] = whole_weight ? num_plain(static_cast<double>(round_half_even(val(c.weight)))) : utf8_to_cp932(c.weight);
  w[21] = utf8_to_cp932(c.block);
}

}  // namespace common
