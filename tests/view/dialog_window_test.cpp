// The processing-conditions dialog as a user drives it: the window rules under the step
// buttons and clicks, the two modes, n, the list, the colours, the scale frame, and accept
// versus close.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/text.h"
#include "common/settings_record.h"
#include "shell_fixture.h"
#include "ui/colour.h"
#include "view/windows/conditions_dialog.h"

namespace ambview::testing {
namespace {

using ui::testing::PrimitiveKind;

struct Window {
  std::int32_t start, span;
};
Window rules(std::int32_t s, std::int32_t d, std::int32_t l) {
  apply_window_rules(s, d, l);
  return {s, d};
}

TEST(WindowRules, StartInWholeMinutesInsideTheRecordingSpanAtLeastAMinute) {
  EXPECT_EQ(rules(61, 600, 7200).start, 120);  // rounded up, not to the nearest minute
  EXPECT_EQ(rules(-360, 600, 7200).start, 0);
  EXPECT_EQ(rules(9000, 600, 7200).start, 7200);
  // The large right step at the end: the last whole minute not beyond L, the span cut to
  // what is left but never below a minute.
  const Window end = rules(7140 + 3600, 60, 7230);
  EXPECT_EQ(end.start, 7200);
  EXPECT_EQ(end.span, 60);
  EXPECT_EQ(rules(600, -300, 7200).span, 60);
  EXPECT_EQ(rules(3600, 7200, 7200).span, 3600);
  EXPECT_EQ(rules(0, 3599, 3599).span, 3600);  // cut, then rounded up: may pass L by < 60 s
  EXPECT_EQ(rules(30, 30, 40).start, 0);        // a recording shorter than a minute
}

class DialogTest : public ViewerTest {
 protected:
  // '@' recording: channels 0-3 acceleration, 4 tilt, 5 heart rate; 3600 samples at 2 s.
  std::string open_walk() {
    const std::string path = make_recording("WALK", '@', 3600, 2.0);
    script_open(path);
    return path;
  }
  std::string check8() { return form2().test_control("CHECK8").text(); }
  std::string check9() { return form2().test_control("CHECK9").text(); }
};

TEST_F(DialogTest, StepsAndClicksMoveTheWindowByTheRules) {
  open_walk();
  script([this] {
    EXPECT_EQ(form2().caption(), "処理条件の設定");
    EXPECT_TRUE(form2().test_control("CHECK8").checked());
    EXPECT_FALSE(form2().test_control("CHECK9").checked());
    EXPECT_EQ(check8(), "26年12月01日09時00分");
    EXPECT_EQ(check9(), "2時間0分");
    form2().click("BMPBUTTON4");  // s_right: +60
  });
  script([this] {
    EXPECT_EQ(check8(), "26年12月01日09時01分");
    form2().press(100, 150);  // (100 - 25) x 7200 / 300 = 1800
  });
  script([this] { form2().release(100, 150); });
  script([this] {
    EXPECT_EQ(check8(), "26年12月01日09時30分");
    EXPECT_EQ(state.mouse, (ui::Point{100, 150}));
    form2().click("CHECK9");
    EXPECT_FALSE(form2().test_control("CHECK8").checked());
    form2().press(50, 100);  // span mode, left of the start: a negative span becomes 60
  });
  script([this] {
    EXPECT_EQ(check9(), "0時間1分");
    form2().click("BMPBUTTON6");  // l_right on the span: +3600
  });
  script([this] {
    EXPECT_EQ(check9(), "1時間1分");
    form2().click("CHECK8");
    form2().press(10, 100);  // start mode, left of the overview: the start becomes 0
  });
  script([this] {
    EXPECT_EQ(check8(), "26年12月01日09時00分");
    EXPECT_EQ(check9(), "1時間1分");
    form2().click("BMPBUTTON6");
  });
  script([this] { form2().click("BMPBUTTON6"); });
  script([this] {
    // At the end: the start at L, the span cut to a minute.
    EXPECT_EQ(check8(), "26年12月01日11時00分");
    EXPECT_EQ(check9(), "0時間1分");
    form2().click("BMPBUTTON3");  // l_left
  });
  script([this] {
    EXPECT_EQ(check8(), "26年12月01日10時00分");
    EXPECT_EQ(check9(), "0時間1分");
    form2().click("BUTTON1");
  });
  script_close_main();
  run();

  ASSERT_TRUE(state.loaded);
  EXPECT_EQ(state.conditions.display_start, 3600);
  EXPECT_EQ(state.conditions.display_span, 60);
  EXPECT_EQ(state.conditions.duration, 7200);
  EXPECT_EQ(state.conditions.interval.text, "2");
  EXPECT_EQ(state.time.display_start, 3600);
  EXPECT_EQ(state.time.display_span, 60);
  const auto saved = common::unpack_settings(settings_record(), common::SettingsFlavour::Viewer);
  EXPECT_EQ(common::trim_right(saved[11]), "3600");
  EXPECT_EQ(common::trim_right(saved[12]), "60");
  EXPECT_EQ(saved[2], "WALK___");
  EXPECT_EQ(saved[1], (root_ / "data").string() + "/");
  EXPECT_EQ(fs::current_path(), root_ / "data");  // the recording's folder is current now
  EXPECT_FALSE(form2().is_open());
}

TEST_F(DialogTest, EveryQuickClickMovesTheWindow) {
  open_walk();
  // Press and release in one batch (a tap): the release's code must not replace the press's.
  // The start goes to (x - 25) x 24 s, which each of these makes a whole minute.
  const std::pair<int, const char*> clicks[] = {{100, "09時30分"}, {40, "09時06分"},  {250, "10時30分"},
                                                {175, "10時00分"}, {60, "09時14分"},  {300, "10時50分"},
                                                {130, "09時42分"}, {220, "10時18分"}};
  std::string expected = "09時00分";
  for (const auto& [x, start] : clicks) {
    script([this, x = x, expected] {
      EXPECT_EQ(check8(), "26年12月01日" + expected);
      form2().quick_click(x, 150);
    });
    expected = start;
  }
  script([this, expected] {
    EXPECT_EQ(check8(), "26年12月01日" + expected);
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
  EXPECT_EQ(state.conditions.display_start, 4680);
}

TEST_F(DialogTest, NIsClampedAndEscapeKeepsIt) {
  open_walk();
  script([this] {
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=1");
    dialogs.answer_input("0");
    form2().click("TEXT1");
    EXPECT_EQ(dialogs.last().caption, "n個毎の平均値");
    EXPECT_EQ(dialogs.last().text, "ｎ(1~999)の値を入力してください");
    EXPECT_EQ(dialogs.last().proposed, "1");
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=1");
    dialogs.answer_input("1500");
    form2().click("TEXT1");
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=999");
    dialogs.cancel_input();
    form2().click("TEXT1");
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=999");
    dialogs.answer_input("");
    form2().click("TEXT1");
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=999");
    dialogs.answer_input(" 25");
    form2().click("TEXT1");
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=25");
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
  EXPECT_EQ(state.conditions.average_n, 25);
}

TEST_F(DialogTest, CloseChangesNothingAcceptCopiesTheWorkingItems) {
  const std::string path = open_walk();
  std::string record_before;
  ProcessingConditions before;
  script([&, this] {
    record_before = settings_record();
    before = state.conditions;
    form2().click("BMPBUTTON5");
    form2().select("COMBO1", 1);
    dialogs.answer_input("9");
    form2().click("TEXT1");
    dialogs.answer_colour(ui::rgb(1, 2, 3));
    form2().click("PICTURE2");
    form2().click("CHECK2");
  });
  script([this] { form2().user_close(); });
  script([&, this] {
    EXPECT_FALSE(state.loaded);
    EXPECT_EQ(state.conditions, before);
    EXPECT_EQ(settings_record(), record_before);
    EXPECT_FALSE(main_form().menu_enabled("D_DISP"));
    dialogs.answer_open(path);
    main_form().choose_menu("A_OPEN");
  });
  script([this] {
    // The working copy starts again from the accepted conditions.
    EXPECT_EQ(form2().test_control("COMBO1").selection(), 0);
    EXPECT_EQ(form2().test_control("TEXT1").text(), "n=1");
    EXPECT_TRUE(form2().test_control("CHECK2").checked());
    form2().select("COMBO1", 1);
    dialogs.answer_colour(ui::rgb(1, 2, 3));
    form2().click("PICTURE2");
    dialogs.answer_colour(std::nullopt);  // cancelled: the colour stays
    form2().click("PICTURE3");
    form2().click("CHECK2");
    form2().click("BUTTON1");
  });
  script_close_main();
  run();

  ASSERT_TRUE(state.loaded);
  EXPECT_EQ(state.conditions.averaging, Averaging::Moving);
  EXPECT_EQ(state.conditions.trend_colour, ui::rgb(1, 2, 3));
  EXPECT_EQ(state.conditions.back_colour, ui::palette(15));
  EXPECT_FALSE(state.channels.rows[1].present);
  EXPECT_TRUE(state.channels.rows[0].present);
  const auto clears = form2().test_control("PICTURE2").recording()->of_kind(PrimitiveKind::Clear);
  ASSERT_FALSE(clears.empty());
  EXPECT_EQ(clears.back().colour, ui::rgb(1, 2, 3));
  EXPECT_TRUE(main_form().menu_enabled("D_DISP"));
}

// With the acceleration scale at 60 mG and the overview at 600 mG the frame of an "A" band
// is a tenth of the band high; moving the scale bar replaces the frame.
TEST_F(DialogTest, ScaleFrameFollowsTheScrollBars) {
  ProcessingConditions s = default_conditions(start_.string() + "/");
  s.acc_scale = 5;
  ASSERT_TRUE(write_conditions_file((start_ / kSettingsFileName).string(), s));
  open_walk();
  const int b = 300 / 6 - 16;  // 34
  script([this, b] {
    auto& canvas = form2().recording();
    const auto texts = canvas.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "SCALE= 0.06G"), texts.end());
    const auto shown = canvas.xor_shown();
    ASSERT_EQ(shown.size(), 6u);
    const int x2 = 25 + 300;
    EXPECT_EQ(shown[0].points, (std::vector<ui::Point>{{25, 50 - 3}, {x2, 50}}));      // A: 34 x 60 / 600
    EXPECT_EQ(shown[4].points, (std::vector<ui::Point>{{25, 250 - b}, {x2, 250}}));    // tilt: whole band
    EXPECT_EQ(shown[5].points, (std::vector<ui::Point>{{25, 300 - b}, {x2, 300}}));    // heart rate 300/300
    EXPECT_EQ(shown[0].colour, ui::palette(14));
    form2().scroll("VSCROLL1", 2);
  });
  script([this, b] {
    const auto shown = form2().recording().xor_shown();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0].points, (std::vector<ui::Point>{{25, 50 - b}, {325, 50}}));
    const auto texts = form2().recording().texts();
    EXPECT_EQ(texts.back(), "SCALE= 0.6G");
    form2().scroll("VSCROLL2", 1);  // 180 BPM: the heart-rate frame is 180/300 of the band
  });
  script([this, b] {
    const auto shown = form2().recording().xor_shown();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[5].points, (std::vector<ui::Point>{{25, 300 - 20}, {325, 300}}));
    (void)b;
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
  EXPECT_EQ(state.conditions.acc_scale, 2);
  EXPECT_EQ(state.conditions.hr_scale, 1);
}


// 201 reloads the open recording with the accepted window and channel choice; closing the
// main window while the dialog is open ends the program without accepting.
TEST_F(DialogTest, ReloadKeepsTheAcceptedWindowAndChannels) {
  open_walk();
  script([this] {
    form2().click("BMPBUTTON5");  // +600
    form2().click("CHECK3");
  });
  script([this] { form2().click("BUTTON1"); });
  script([this] { main_form().choose_menu("D_COND1"); });
  script([this] {
    EXPECT_EQ(check8(), "26年12月01日09時10分");
    EXPECT_EQ(check9(), "1時間50分");  // cut to the end of the recording
    EXPECT_FALSE(form2().test_control("CHECK3").checked());
    EXPECT_TRUE(form2().test_control("CHECK2").checked());
    form2().click("BMPBUTTON4");
  });
  script([this] { main_form().user_close(); });
  run();
  EXPECT_EQ(state.conditions.display_start, 600);
  EXPECT_EQ(state.conditions.display_span, 6600);
  EXPECT_FALSE(state.channels.rows[2].present);
  EXPECT_FALSE(form2().is_open());
}

}  // namespace
}  // namespace ambview::testing
