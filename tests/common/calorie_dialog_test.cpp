// The calorie dialog's shared logic: names of both programs, the row it opens with, the
// coefficient answers and the storing rules on confirm.
#include <gtest/gtest.h>

#include "common/calorie_dialog.h"
#include "common/cp932.h"

namespace {

TEST(CalorieDialogLogic, NamesOfBothPrograms) {
  const auto& v = common::viewer_calorie_names();
  EXPECT_EQ(v.caption, "カロリー設定");
  EXPECT_EQ(v.combo, "COMBO2");
  EXPECT_EQ(v.button, "BUTTON2");
  EXPECT_EQ(v.coefficient[4], "TEXT17");
  EXPECT_FALSE(v.whole_weight);
  const auto& l = common::link_calorie_names();
  EXPECT_EQ(l.caption, "ｶﾛﾘｰの設定");
  EXPECT_EQ(l.combo, "COMBO4");
  EXPECT_EQ(l.button, "BUTTON8");
  EXPECT_EQ(l.age, "EDIT11");
  EXPECT_EQ(l.formula_acc, "TEXT24");
  EXPECT_EQ(l.coefficient[0], "TEXT26");
  EXPECT_EQ(l.coefficient[4], "TEXT30");
  EXPECT_TRUE(l.whole_weight);
}

TEST(CalorieDialogLogic, OpeningRow) {
  EXPECT_EQ(common::initial_rq_selection(" 2"), 2);
  EXPECT_EQ(common::initial_rq_selection("7"), 5);
  EXPECT_EQ(common::initial_rq_selection("-1"), -1);
  EXPECT_EQ(common::initial_rq_selection(""), 0);  // an empty link setting reads as 0
  EXPECT_EQ(common::initial_rq_selection("2.5"), 2);
  EXPECT_EQ(common::initial_rq_selection("3.5"), 4);
}

TEST(CalorieDialogLogic, CoefficientAnswersAndLabels) {
  common::SettingsSlots s{};
  s[22] = "0.021";
  s[26] = "0";
  common::CalorieWorking w = common::working_from(s);
  EXPECT_EQ(common::coefficient_label(0, w), "a=0.021");
  EXPECT_EQ(common::coefficient_label(4, w), "酸素摂取量(ml/kg/min)の下限　=0");
  common::apply_coefficient_answer(0, "", w);
  common::apply_coefficient_answer(0, std::string(1, '\x1b'), w);
  EXPECT_EQ(w[22], "0.021");
  common::apply_coefficient_answer(0, "abc", w);  // no numeric check
  EXPECT_EQ(w[22], "abc");
  common::apply_coefficient_answer(4, "1.5", w);
  EXPECT_EQ(common::coefficient_label(4, w), "酸素摂取量(ml/kg/min)の下限　=1.5");
  EXPECT_EQ(common::coefficient_edits()[3].prompt, "ｄの初期値は 68.074 です");
  EXPECT_EQ(common::coefficient_edits()[2].item, 24);
}

TEST(CalorieDialogLogic, ConfirmStoresByProgram) {
  common::CalorieWorking w;
  common::confirm_working({3, "45", "60.5", "10"}, false, w);
  EXPECT_EQ(w[18], " 3");
  EXPECT_EQ(w[19], "45");
  EXPECT_EQ(w[20], "60.5");
  EXPECT_EQ(w[21], "10");
  common::confirm_working({-1, "", "60.5", "1"}, true, w);
  EXPECT_EQ(w[18], "-1");
  EXPECT_EQ(w[20], "60");  // halves to even
  common::confirm_working({0, "", "61.5", "1"}, true, w);
  EXPECT_EQ(w[20], "62");
  common::confirm_working({0, "", "abc", "1"}, true, w);
  EXPECT_EQ(w[20], "0");

  common::SettingsSlots s{};
  s[17] = "8";
  common::store_working(w, s);
  EXPECT_EQ(s[18], " 0");
  EXPECT_EQ(s[17], "8");  // not part of the dialog
}

}  // namespace
