// The test doubles other suites rely on: recording canvas, test forms, scripted dialogs and
// pump, fake clock. A fault here would make other suites pass or hang for the wrong reason.
#include <gtest/gtest.h>

#include "ui/colour.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/recording_canvas.h"
#include "ui/testing/script_failure.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"
#include "ui/testing/test_form.h"
#include "ui/testing/test_platform.h"

namespace ui::testing {
namespace {

TEST(RecordingCanvas, KeepsPrimitivesWithColoursAndSizes) {
  RecordingCanvas c(200, 100);
  c.clear(palette(15));
  c.set_pen(palette(4));
  c.line(1, 2, 3, 4);
  c.set_fill(rgb(1, 2, 3));
  c.fill_box(10, 10, 5, 5);
  c.polyline({{0, 0}, {5, 5}, {9, 0}});
  c.text(7, 8, "心電図", 16);
  ASSERT_EQ(c.primitives().size(), 5u);
  EXPECT_EQ(c.primitives()[1].kind, PrimitiveKind::Line);
  EXPECT_EQ(c.primitives()[1].points, (std::vector<Point>{{1, 2}, {3, 4}}));
  EXPECT_EQ(c.primitives()[1].colour, palette(4));
  EXPECT_EQ(c.of_kind(PrimitiveKind::FillBox)[0].colour, rgb(1, 2, 3));
  EXPECT_EQ(c.of_kind(PrimitiveKind::Polyline)[0].points.size(), 3u);
  const auto t = c.of_kind(PrimitiveKind::Text)[0];
  EXPECT_EQ(t.text, "心電図");
  EXPECT_EQ(t.font_size, 16);
  EXPECT_EQ(t.colour, palette(4));
  const Image img = c.snapshot();
  EXPECT_EQ(img.width, 200);
  EXPECT_EQ(img.height, 100);
  EXPECT_EQ(img.at(199, 99), 0xFFFFFFu);
}

TEST(RecordingCanvas, XorShownPairsDrawingsWhateverTheCornerOrder) {
  RecordingCanvas c(100, 100);
  c.xor_box(10, 20, 30, 40, palette(14));
  c.xor_line(1, 1, 9, 9, palette(14));
  EXPECT_EQ(c.xor_shown().size(), 2u);
  c.xor_box(30, 40, 10, 20, palette(14));  // the same frame again: erased
  ASSERT_EQ(c.xor_shown().size(), 1u);
  EXPECT_EQ(c.xor_shown()[0].kind, PrimitiveKind::XorLine);
  c.xor_line(9, 9, 1, 1, palette(14));
  EXPECT_TRUE(c.xor_shown().empty());
  c.xor_box(0, 0, 5, 5, palette(14));
  c.clear(0);
  EXPECT_TRUE(c.xor_shown().empty());
}

struct FormFixture : ::testing::Test {
  TestFormFactory factory;
  std::unique_ptr<Form> form = factory.make_form("FORM2", 640, 480);
  std::vector<UiEvent> seen;
  void SetUp() override {
    form->add_controls({{"BUTTON5", ControlKind::Button, "Movilogへ設定"},
                        {"EDIT1", ControlKind::Edit, ""},
                        {"COMBO1", ControlKind::Combo, ""},
                        {"LIST1", ControlKind::List, ""},
                        {"CHECK1", ControlKind::Check, "ｽｲｯﾁｽﾀｰﾄﾓｰﾄﾞ"},
                        {"VSCROLL1", ControlKind::VScroll, ""},
                        {"PICTURE23", ControlKind::Picture, "", 10, 400, 40, 30}});
    form->set_menu({{"ファイル(&F)", {{"A_OPEN", "開く"}, {"ecopy", "ハードコピー"}}}});
    form->set_handler([this](const UiEvent& e) { seen.push_back(e); });
  }
  TestForm& tf() { return factory.form("form2"); }
};

TEST_F(FormFixture, UserActionsArriveAsEventsAndChangeState) {
  form->show();
  tf().click("button5");
  tf().type("EDIT1", "2024");
  form->control("COMBO1").add_row("0 = 加速度+X,Y,Z");
  form->control("COMBO1").add_row("1 = 加速度 ");
  tf().select("COMBO1", 1);
  tf().click("CHECK1");
  tf().scroll("VSCROLL1", 3);
  tf().choose_menu("ECOPY");
  ASSERT_EQ(seen.size(), 6u);
  EXPECT_EQ(seen[0].control, "BUTTON5");
  EXPECT_EQ(seen[0].kind, EventKind::Click);
  EXPECT_EQ(seen[1].kind, EventKind::Change);
  EXPECT_EQ(form->control("EDIT1").text(), "2024");
  EXPECT_EQ(seen[2].kind, EventKind::Change);
  EXPECT_EQ(form->control("COMBO1").selection(), 1);
  EXPECT_EQ(form->control("COMBO1").text(), "1 = 加速度 ");
  EXPECT_TRUE(form->control("CHECK1").checked());
  EXPECT_EQ(form->control("VSCROLL1").value(), 3);
  EXPECT_EQ(seen[5].kind, EventKind::Menu);
  EXPECT_EQ(seen[5].control, "ecopy");  // the name as the menu gave it
  EXPECT_EQ(seen[5].form, "FORM2");
}

TEST_F(FormFixture, ActionsAUserCouldNotDoFailTheScript) {
  EXPECT_THROW(tf().click("BUTTON5"), ScriptFailure);  // not shown yet
  form->show();
  form->control("BUTTON5").set_enabled(false);
  EXPECT_THROW(tf().click("BUTTON5"), ScriptFailure);
  form->control("CHECK1").set_visible(false);
  EXPECT_THROW(tf().click("CHECK1"), ScriptFailure);
  form->set_menu_enabled("A_OPEN", false);
  EXPECT_FALSE(form->menu_enabled("a_open"));
  EXPECT_THROW(tf().choose_menu("A_OPEN"), ScriptFailure);
  EXPECT_THROW(tf().select("COMBO1", 0), ScriptFailure);  // no rows
  EXPECT_TRUE(seen.empty());
  EXPECT_THROW(form->control("NOPE"), std::logic_error);
  EXPECT_THROW(form->set_menu_enabled("NOPE", true), std::logic_error);
}

TEST_F(FormFixture, CloseAndMouseStateFollowTheUser) {
  form->show();
  tf().press_on("PICTURE23", 5, 6);
  EXPECT_TRUE(form->mouse_down());
  EXPECT_TRUE(form->mouse_down_on("picture23"));
  EXPECT_EQ(form->mouse_position(), (Point{15, 406}));
  tf().release_on("PICTURE23", 5, 6);
  EXPECT_FALSE(form->mouse_down_on("PICTURE23"));
  tf().press(100, 50);
  EXPECT_FALSE(form->mouse_down_on("PICTURE23"));
  tf().move_mouse(120, 60);
  tf().release(120, 60);
  std::vector<EventKind> kinds;
  for (const auto& e : seen) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<EventKind>{EventKind::MouseDown, EventKind::MouseUp, EventKind::Click,
                                           EventKind::MouseDown, EventKind::MouseMove, EventKind::MouseUp,
                                           EventKind::Click}));
  EXPECT_EQ(seen[0].x, 5);
  EXPECT_EQ(seen[6].x, 120);
  tf().user_close();
  EXPECT_FALSE(form->is_open());
  EXPECT_EQ(seen.back().kind, EventKind::Close);
  form->show();
  EXPECT_TRUE(form->is_open());
}

TEST_F(FormFixture, FactoryForgetsDestroyedForms) {
  EXPECT_TRUE(factory.has_form("FORM2"));
  form.reset();
  EXPECT_FALSE(factory.has_form("FORM2"));
  EXPECT_THROW(factory.form("FORM2"), ScriptFailure);
  EXPECT_EQ(factory.made("FORM2"), 1);
}

TEST(ScriptedDialogs, AnswersInOrderAndRecordsWhatWasShown) {
  ScriptedDialogs d;
  d.answer(Answer::Yes);
  d.answer_input(std::string(100, 'x'));
  d.cancel_file();
  d.answer_save("/tmp/a.bmp");
  EXPECT_EQ(d.message_box("初期化", "測定開始時刻 ﾃﾞｰﾀｰ量を初期化します", Buttons::YesNo, Icon::Question),
            Answer::Yes);
  EXPECT_EQ(d.input_box("t", "p", "8").size(), 64u);
  EXPECT_EQ(d.open_file("ファイルを開く", "無題0", "ﾃﾞｰﾀｰ();すべてのファイル(*.*)"), kCancelAnswer);
  EXPECT_EQ(d.save_file("ﾋﾞｯﾄﾏｯﾌﾟの保存", "xn.bmp", "f"), "/tmp/a.bmp");
  ASSERT_EQ(d.shown().size(), 4u);
  EXPECT_EQ(d.shown()[0].caption, "初期化");
  EXPECT_EQ(d.shown()[0].icon, Icon::Question);
  EXPECT_EQ(d.shown()[1].proposed, "8");
  EXPECT_EQ(d.shown()[2].proposed, "無題0");
  EXPECT_EQ(d.last().kind, DialogKind::Save);
}

TEST(ScriptedDialogs, UnansweredOrMismatchedDialogsFail) {
  ScriptedDialogs d;
  EXPECT_THROW(d.message_box("c", "t", Buttons::Ok, Icon::None), ScriptFailure);
  d.answer_input("1");
  EXPECT_THROW(d.message_box("c", "t", Buttons::Ok, Icon::None), ScriptFailure);
  d.answer(Answer::Yes);
  d.answer(Answer::Yes);
  // the input answer is still first in the queue
  EXPECT_EQ(d.input_box("a", "b", "c"), "1");
  EXPECT_THROW(d.message_box("c", "t", Buttons::OkCancel, Icon::None), ScriptFailure);
  EXPECT_EQ(d.failures().size(), 3u);
  EXPECT_EQ(d.shown().size(), 4u);
}

TEST(ScriptedDialogs, AutoOkAnswersOnlyPlainMessages) {
  ScriptedDialogs d;
  d.set_auto_ok(true);
  d.answer_input("5");
  EXPECT_EQ(d.message_box("受信結果", "正常終了", Buttons::Ok, Icon::Information), Answer::Ok);
  EXPECT_EQ(d.input_box("t", "p", ""), "5");
  EXPECT_THROW(d.message_box("初期化", "?", Buttons::YesNo, Icon::Question), ScriptFailure);
  EXPECT_EQ(d.shown().size(), 3u);
}

TEST(ScriptedDialogs, InputLimitCountsCharactersNotBytes) {
  ScriptedDialogs d;
  std::string text;
  for (int i = 0; i < 70; ++i) text += "あ";
  d.answer_input(text);
  EXPECT_EQ(d.input_box("t", "p", ""), text.substr(0, 64 * 3));
}

TEST(ScriptedPump, PlaysActionsUntilTheWaitIsSatisfiedAndFailsWhenDry) {
  ScriptedPump pump;
  int code = 0;
  pump.then([&] { code = 0; }, "nothing").then([&] { code = 4; }, "download");
  pump.wait_until([&] { return code != 0; });
  EXPECT_EQ(code, 4);
  EXPECT_EQ(pump.played(), 2);
  code = 0;
  try {
    pump.wait_until([&] { return code != 0; });
    FAIL() << "no failure";
  } catch (const ScriptFailure& e) {
    EXPECT_NE(std::string(e.what()).find("script ran dry while the program waits"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("download"), std::string::npos);
  }
}

TEST(ScriptedPump, TimerTicksSatisfyATimerWaitWithoutUsingActions) {
  ScriptedPump pump;
  int code = 10;
  pump.then([&] { code = 101; });
  pump.start_timer(10, [&] { code = 1000; });
  pump.wait_until([&] { return code == 1000 || code == 101; });
  EXPECT_EQ(code, 1000);
  EXPECT_EQ(pump.remaining(), 1u);
  EXPECT_EQ(pump.virtual_ms(), 10);
  pump.stop_timer();
  code = 0;
  pump.wait_until([&] { return code != 0; });
  EXPECT_EQ(code, 101);
  EXPECT_EQ(pump.ticks(), 1);
}

TEST(ScriptedPump, BusyLoopOnPendingEventsEndsInsteadOfSpinning) {
  ScriptedPump pump;
  pump.set_pending_limit(1000);
  int code = 0;
  EXPECT_THROW(
      {
        while (code == 0) pump.process_pending();
      },
      ScriptFailure);
  pump.play_on_pending(true);
  pump.then([&] { code = 6; });
  while (code == 0) pump.process_pending();
  EXPECT_EQ(code, 6);
}

TEST(FakeClock, AutoAdvanceCrossesMidnightAndMonthEnds) {
  FakeClock clock({2024, 2, 28, 23, 59, 59});
  clock.set_auto_advance(1);
  EXPECT_EQ(clock.seconds_of_day(), 86399);
  EXPECT_EQ(clock.seconds_of_day(), 0);
  const LocalDateTime t = clock.now();
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 29);  // leap year
  clock.set({2023, 12, 31, 23, 0, 0});
  clock.set_auto_advance(0);
  clock.advance(3600);
  EXPECT_EQ(clock.now().year, 2024);
  EXPECT_EQ(clock.now().day, 1);
  EXPECT_EQ(clock.seconds_of_day(), 0);
  clock.advance(-1);
  EXPECT_EQ(clock.now().year, 2023);
  EXPECT_EQ(clock.seconds_of_day(), 86399);
}

// A program in the shape of the real ones: handlers store an event code, the main loop waits
// for it and runs the operation, which may ask in a dialog; closing the window ends the loop.
std::vector<std::string> run_little_program(Platform& p) {
  std::vector<std::string> log;
  int code = 0;
  auto form = p.forms.make_form("MAINFORM", 300, 200);
  form->set_menu({{"ファイル(&F)", {{"A_OPEN", "開く"}}}});
  form->set_handler([&](const UiEvent& e) {
    if (e.kind == EventKind::Menu) code = 101;
    if (e.kind == EventKind::Close) code = -1;
  });
  form->show();
  for (;;) {
    code = 0;
    p.pump.wait_until([&] { return code != 0; });
    if (code == -1) break;
    const std::string name = p.dialogs.open_file("ファイルを開く", "無題0", "ﾃﾞｰﾀｰ();すべてのファイル(*.*)");
    log.push_back(name == kCancelAnswer ? "cancelled" : name);
  }
  return log;
}

TEST(TestPlatform, ScriptDrivesAProgramLoopToItsEnd) {
  TestPlatform t;
  t.pump.then([&] {
         t.forms.form("MAINFORM").choose_menu("A_OPEN");
         t.dialogs.answer_open("/data/run0");
       })
      .then([&] {
        t.forms.form("MAINFORM").choose_menu("A_OPEN");
        t.dialogs.cancel_file();
      })
      .then([&] { t.forms.form("MAINFORM").user_close(); });
  EXPECT_EQ(run_little_program(t.platform), (std::vector<std::string>{"/data/run0", "cancelled"}));
  EXPECT_EQ(t.dialogs.shown().size(), 2u);
  EXPECT_EQ(t.dialogs.shown()[0].filter, "ﾃﾞｰﾀｰ();すべてのファイル(*.*)");
}

TEST(TestPlatform, AScriptWithoutTheCloseFailsInsteadOfHanging) {
  TestPlatform t;
  t.pump.then([&] {
    t.forms.form("MAINFORM").choose_menu("A_OPEN");
    t.dialogs.answer_open("/data/run0");
  }, "open");
  EXPECT_THROW(run_little_program(t.platform), ScriptFailure);
}

}  // namespace
}  // namespace ui::testing

TEST(ColourText, SettingsTextRoundTripsWithoutLeadingZeros) {
  EXPECT_EQ(ui::colour_text(ui::palette(14)), "FFFF");
  EXPECT_EQ(ui::colour_text(0), "0");
  EXPECT_EQ(ui::colour_of("FFFF"), ui::palette(14));
  EXPECT_EQ(ui::colour_of("7FFFFFFF"), 0xFFFFFFu);  // only the low 24 bits
  EXPECT_EQ(ui::colour_of("xyz"), 0u);
}
