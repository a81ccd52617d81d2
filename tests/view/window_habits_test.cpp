// The main window's desktop habits: recent files, the remembered place, Ctrl+O / Ctrl+Q,
// the help menu, and the processing-conditions dialog cancelled by Esc or キャンセル.
#include <gtest/gtest.h>

#include "tests/view/shell_fixture.h"
#include "ui/testing/memory_desktop.h"
#include "view/windows/window_habits.h"

namespace ambview::testing {
namespace {

class HabitsTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    state.extras.desktop = &desktop;
    state.extras.version = "9.8.7";
  }
  // Opens `path` with Ctrl+O and accepts the dialog.
  void script_open_accept(const std::string& path) {
    script([this, path] {
      dialogs.answer_open(path);
      main_form().press_shortcut("Ctrl+O");
    });
    script([this] { form2().click("BUTTON1"); });
  }
  ui::testing::MemoryDesktop desktop;
};

TEST_F(HabitsTest, RecentFilesAndWindowPlaceSurviveARestart) {
  std::vector<std::string> paths;
  for (int i = 0; i < 10; ++i) paths.push_back(make_recording("R" + std::to_string(i), '@', 120, 2.0));
  for (const std::string& p : paths) script_open_accept(p);
  script_open_accept(paths[3]);  // opened again: it moves to the top, once
  script([this] {
    main_form().move_to(40, 50);
    main_form().user_resize(1000, 700);
    main_form().press_shortcut("Ctrl+Q");
  });
  run();

  const std::vector<std::string> newest = {paths[3], paths[9], paths[8], paths[7], paths[6], paths[5], paths[4], paths[2]};
  EXPECT_EQ(state.extras.recent, newest);

  // A second run of the program with the same desktop settings.
  // The factory outlives the state whose forms it made.
  ui::testing::TestFormFactory forms2;
  ui::testing::ScriptedPump pump2;
  ViewerState again;
  again.extras.desktop = &desktop;
  ui::Platform platform2{forms2, dialogs, pump2, clock};
  fs::current_path(start_);
  EXPECT_EQ(desktop.values.count("recent_files"), 1u);
  pump2.then([&] {
    ui::testing::TestForm& main = forms2.form("MAINFORM");
    EXPECT_EQ(main.left(), 40);
    EXPECT_EQ(main.top(), 50);
    EXPECT_EQ(main.client_width(), 1000);
    EXPECT_EQ(main.client_height(), 700);
    for (int i = 0; i < kRecentCount; ++i) EXPECT_TRUE(main.menu_visible(recent_entry_name(i)));
    EXPECT_EQ(main.menu_text("A_RECENT1"), "&1 R3_____0  (" + (root_ / "data").string() + ")");
    main.choose_menu("A_RECENT2");
  });
  pump2.then([&] { forms2.form("FORM2").click("BUTTON1"); });
  pump2.then([&] { forms2.form("MAINFORM").user_close(); });
  run_viewer(platform2, again);
  EXPECT_EQ(again.recording_path, paths[9]);
  EXPECT_EQ(again.extras.recent.front(), paths[9]);
}

TEST_F(HabitsTest, HelpMenuOpensTheFirstGuideFoundAndShowsTheVersion) {
  const fs::path guide = root_ / "guide.md";
  std::ofstream(guide) << "# guide\n";
  state.extras.guide_paths = {(root_ / "missing.md").string(), guide.string()};
  script([this] { main_form().press_shortcut("F1"); });
  script([this] {
    dialogs.answer(ui::Answer::Ok);
    main_form().choose_menu("H_ABOUT");
  });
  script([this] {
    state.extras.guide_paths = {(root_ / "missing.md").string()};
    dialogs.answer(ui::Answer::Ok);
    main_form().choose_menu("H_GUIDE");
  });
  script_close_main();
  run();
  EXPECT_EQ(desktop.opened, std::vector<std::string>{guide.string()});
  ASSERT_EQ(dialogs.shown().size(), 2u);
  EXPECT_EQ(dialogs.shown()[0].caption, kAboutCaption);
  EXPECT_NE(dialogs.shown()[0].text.find("ambview 9.8.7"), std::string::npos);
  EXPECT_EQ(dialogs.shown()[1].text, "ユーザーガイドが見つかりません");
}

TEST_F(HabitsTest, EscapeOrCancelLeavesTheConditionsAsTheyWere) {
  const std::string path = make_recording("WALK", '@', 3600, 2.0);
  for (bool by_escape : {true, false}) {
    SCOPED_TRACE(by_escape ? "Esc" : "キャンセル");
    ui::testing::TestFormFactory f;
    ui::testing::ScriptedPump p;
    ViewerState s;
    ui::Platform pl{f, dialogs, p, clock};
    fs::current_path(start_);
    std::string prm_accepted;
    ProcessingConditions accepted;
    p.then([&] {
      dialogs.answer_open(path);
      f.form("MAINFORM").choose_menu("A_OPEN");
    });
    p.then([&] { f.form("FORM2").click("BUTTON1"); });
    p.then([&] {
      prm_accepted = settings_record();
      accepted = s.conditions;
      f.form("MAINFORM").choose_menu("D_COND1");
    });
    p.then([&] {
      f.form("FORM2").click("BMPBUTTON6");
      f.form("FORM2").click("CHECK1");
    });
    p.then([&] {
      if (by_escape)
        f.form("FORM2").press_key(ui::key::kEscape);
      else
        f.form("FORM2").click("BUTTON2");
    });
    p.then([&] {
      EXPECT_FALSE(f.form("FORM2").is_open());
      f.form("MAINFORM").user_close();
    });
    run_viewer(pl, s);
    EXPECT_EQ(s.conditions, accepted);
    EXPECT_TRUE(s.channels.rows[0].present);
    EXPECT_EQ(settings_record(), prm_accepted);
  }
}

}  // namespace
}  // namespace ambview::testing
