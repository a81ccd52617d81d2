// The trend in the program: menu command 203 draws TREND into the main window of the
// loaded recording, and does nothing before a recording is loaded; accepting the dialog of
// "開く" or "(ﾄﾚﾝﾄﾞ表示)" draws it, a resize draws it again, and another recording replaces
// everything that belonged to the first.
#include <algorithm>

#include "common/cp932.h"
#include "common/settings_record.h"

#include "tests/view/shell_fixture.h"

namespace ambview::testing {
namespace {

using ui::testing::PrimitiveKind;

using TrendGuiTest = ViewerTest;

TEST_F(TrendGuiTest, DisplayCommandDrawsTheTrendIntoTheMainWindow) {
  const std::string path = make_recording("GUI", '@', 600, 2);
  script_open(path);
  script([this] { form2().click("BUTTON1"); });  // accept the processing conditions
  script([this] {
    main_form().recording().forget();
    main_form().choose_menu("D_DISP");
  });
  script([this] {
    const auto& canvas = main_form().recording();
    const auto texts = canvas.texts();
    for (const char code : {'0', '1', '2', '3', '4', '5'}) {
      const std::string head = std::string("  <GUI____") + code + "> T(S)=2 N=1 [";
      EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(head, 0) == 0; }))
          << head;
    }
    EXPECT_FALSE(canvas.of_kind(PrimitiveKind::FillBox).empty());
    ASSERT_FALSE(canvas.primitives().empty());
    EXPECT_EQ(canvas.primitives().front().kind, PrimitiveKind::Clear);
  });
  script_close_main();
  run();
  EXPECT_TRUE(state.loaded);
}

TEST_F(TrendGuiTest, AFolderOutsideCp932IsReadByItsNameAndItsSlotKeepsTheLastValue) {
  make_recording("BEAT", 'P', 600, 1);
  const fs::path folder = root_ / "Müller café";
  fs::rename(root_ / "data", folder);
  std::size_t lines = 0;
  script_open((folder / "BEAT___0").string());
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    main_form().recording().forget();
    main_form().choose_menu("D_DISP");
  });
  script([&, this] { lines = main_form().recording().of_kind(PrimitiveKind::Line).size(); });
  script_close_main();
  run();
  ASSERT_TRUE(state.loaded);
  EXPECT_EQ(state.data_directory, folder.string() + "/");
  // "RaZor.prm" stays CP932: the folder's name does not fit, the file keeps what it held.
  ProcessingConditions saved;
  ASSERT_TRUE(read_conditions_file((start_ / kSettingsFileName).string(), saved));
  EXPECT_EQ(saved.directory, common::utf8_to_cp932(start_.string() + "/"));
  // Heart-rate and RR bands drawn from the folder's files: two lines a pixel column each.
  EXPECT_GT(lines, 4u * 900u);
  EXPECT_TRUE(fs::exists(folder / "BEAT___i"));
}

TEST_F(TrendGuiTest, TheTrendFollowsTheOpenRecordingAndTheWindowSize) {
  const std::string first = make_recording("ONE", '@', 600, 2);
  const auto shows = [this](const std::string& head) {
    const auto texts = main_form().recording().texts();
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(head, 0) == 0; });
  };
  script_open(first);
  script([this] { form2().click("BUTTON1"); });
  script([&, this] {
    // Accepting the dialog drew the trend; the title names the file.
    EXPECT_TRUE(shows("  <ONE____0>"));
    EXPECT_EQ(main_form().caption(), "Movilog  処理(121010)  ONE____0");
    main_form().recording().forget();
    main_form().user_resize(700, 450);
  });
  script([&, this] {
    EXPECT_TRUE(shows("  <ONE____0>"));  // drawn again at the new size
    EXPECT_EQ(main_form().recording().primitives().front().kind, PrimitiveKind::Clear);
    main_form().recording().forget();
    main_form().user_resize(700, 450);  // the same size again: nothing to redraw
  });
  script([this] { EXPECT_TRUE(main_form().recording().primitives().empty()); });
  script_close_main();
  run();
}

TEST_F(TrendGuiTest, AnotherRecordingReplacesTheFirstOnesViews) {
  const std::string first = make_recording("ONE", '@', 600, 2, 1);
  const std::string second = make_recording("TWO", '1', 900, 2);
  script_open(first);
  script([this] { form2().click("BUTTON1"); });
  script([this] { main_form().choose_menu("P_ECG1"); });
  script([&, this] {
    EXPECT_TRUE(forms.form("FORM4").is_open());
    main_form().recording().forget();
    dialogs.answer_open(second);
    main_form().choose_menu("A_OPEN");
  });
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    EXPECT_FALSE(forms.form("FORM4").is_open());  // the first recording's ECG is gone
    const auto texts = main_form().recording().texts();
    EXPECT_FALSE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.find("ONE____") != std::string::npos; }));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.rfind("  <TWO____0>", 0) == 0; }));
    EXPECT_EQ(main_form().caption(), "Movilog  処理(121010)  TWO____0");
    // "処理条件の設定 (ﾄﾚﾝﾄﾞ表示)" draws the trend of the accepted window.
    main_form().recording().forget();
    main_form().choose_menu("D_COND1");
  });
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    const auto texts = main_form().recording().texts();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const std::string& t) { return t.rfind("  <TWO____0>", 0) == 0; }));
  });
  script_close_main();
  run();
}

TEST_F(TrendGuiTest, NothingIsDrawnBeforeARecordingIsLoaded) {
  install_operations(state);
  ASSERT_TRUE(state.operations.count(203));
  state.operations.at(203)(state, platform, 203);  // no main window, nothing loaded
  EXPECT_FALSE(state.loaded);
}

}  // namespace
}  // namespace ambview::testing
