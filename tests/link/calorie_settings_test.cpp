// The link program's calorie settings: its FORM7 names and caption, whole-kg weight, the save
// into "ACC.PRM", a closed dialog that changes nothing, and the calorie fields of the setting
// line after the dialog was confirmed from the condition editor.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/text.h"
#include "link/calorie_settings.h"
#include "link/link_settings.h"
#include "link/main_form.h"
#include "sim/inprocess_port.h"
#include "ui/testing/test_platform.h"

namespace {

namespace fs = std::filesystem;

class LinkCalorie : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "link_cal_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    state.start_directory = dir_;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string acc_prm() const {
    std::ifstream in(fs::path(dir_) / "ACC.PRM", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  ui::testing::TestForm& form7() { return t.forms.form("FORM7"); }

  std::string dir_;
  ui::testing::TestPlatform t;
  ambcomm::LinkState state;
};

TEST_F(LinkCalorie, ConfirmStoresWholeKilogramsIntoAccPrm) {
  // A first start leaves the calorie settings empty: the dialog opens on row 0 and blank boxes.
  t.pump.then([this] {
    EXPECT_EQ(form7().caption(), "ｶﾛﾘｰの設定");
    EXPECT_EQ(form7().test_control("COMBO4").rows().size(), 6u);
    EXPECT_EQ(form7().test_control("COMBO4").selection(), 0);
    EXPECT_EQ(form7().test_control("TEXT26").text(), "a=");
    t.dialogs.answer_input("0.021");
    form7().click("TEXT26");
    t.dialogs.answer_input("0.078");
    form7().click("TEXT27");
    form7().select("COMBO4", 2);
    form7().type("EDIT11", "35");
    form7().type("EDIT12", "60.5");
    form7().type("EDIT13", "4");
    form7().click("BUTTON8");
  });
  state.event_code = ambcomm::EventCode::Calorie;
  state.timer = 50;  // this run's pacing value (--timer), which is not saved
  EXPECT_EQ(ambcomm::CALC_CAL(t.platform, state), ui::CalorieDialogResult::Confirmed);
  EXPECT_EQ(state.event_code, ambcomm::EventCode::Calorie);  // the dialog's code stays inside it
  EXPECT_EQ(state.settings.calorie.weight, "60");  // 60.5: halves to even
  EXPECT_EQ(state.settings.calorie.a, "0.021");
  EXPECT_EQ(t.dialogs.shown()[0].caption, "加速度から酸素摂取量を計算");
  EXPECT_EQ(t.dialogs.shown()[0].text, "ａの初期値は 0.021 です");

  const std::string rec = acc_prm();
  ASSERT_EQ(rec.size(), 256u);
  EXPECT_EQ(common::mid(rec, 196, 3), "  2");
  EXPECT_EQ(common::mid(rec, 199, 3), " 35");
  EXPECT_EQ(common::mid(rec, 202, 3), " 60");
  EXPECT_EQ(common::mid(rec, 205, 6), "     4");
  EXPECT_EQ(common::mid(rec, 211, 6), " 0.021");
  EXPECT_EQ(common::mid(rec, 242, 4), " 100");  // the saved timer
  const auto back = ambcomm::read_link_settings(dir_ + "/ACC.PRM");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->calorie.weight, "60");
  EXPECT_EQ(back->calorie.rq_row, " 2");

  // 61.5 rounds up to the even 62.
  t.pump.then([this] {
    EXPECT_EQ(form7().test_control("EDIT12").text(), "60");
    form7().type("EDIT12", "61.5");
    form7().click("BUTTON8");
  });
  EXPECT_EQ(ambcomm::CALC_CAL(t.platform, state), ui::CalorieDialogResult::Confirmed);
  EXPECT_EQ(common::mid(acc_prm(), 202, 3), " 62");
}

TEST_F(LinkCalorie, ClosingChangesNothing) {
  state.settings.calorie.weight = "70";
  t.pump.then([this] {
    form7().type("EDIT12", "80");
    form7().user_close();
  });
  EXPECT_EQ(ambcomm::CALC_CAL(t.platform, state), ui::CalorieDialogResult::Closed);
  EXPECT_EQ(state.settings.calorie.weight, "70");
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "ACC.PRM"));
}

TEST_F(LinkCalorie, EditorButtonFeedsTheCalorieModeSettingLine) {
  ambsim::RecorderConfig config;
  config.model = "Aa";
  config.mode = '5';
  config.samples = 100;
  auto port = std::make_unique<ambsim::InProcessPort>(config);
  ambsim::InProcessPort* recorder = port.get();
  ambcomm::LinkPorts ports;
  ports.fixed = std::move(port);
  ambcomm::LinkHooks hooks;
  hooks.calorie_dialog = [](ui::Platform& p, ambcomm::LinkState& s) { ambcomm::CALC_CAL(p, s); };
  ambcomm::MainForm main(t.platform, state, std::move(ports), std::move(hooks));
  main.start();

  t.pump.then([this] { t.forms.form(ambcomm::kMainForm).click("BUTTON2"); }, "change conditions")
      .then([this] { t.forms.form("FORM2").click("BUTTON9"); }, "calorie settings")
      .then([this] {
        t.dialogs.answer_input("0.021");
        form7().click("TEXT26");
        t.dialogs.answer_input("0.078");
        form7().click("TEXT27");
        form7().select("COMBO4", 2);
        form7().type("EDIT12", "60");
        form7().click("BUTTON8");
      }, "confirm the calorie dialog")
      .then([this] { t.forms.form("FORM2").click("BUTTON5"); }, "send")
      .then([this] { t.forms.form(ambcomm::kMainForm).user_close(); }, "close");
  main.run();

  std::string line;
  for (const std::string& c : recorder->recorder().commands())
    if (c.rfind("CA", 0) == 0) line = c;
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(common::mid(line, 42, 1), "5");
  EXPECT_EQ(common::mid(line, 43, 16), "0021007848250060");
}

}  // namespace
