// The trend in the program: menu command 203 draws TREND into the main window of the
// loaded recording, and does nothing before a recording is loaded.
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
  // "RaZor.prm" stays CP932: the folder's name does not fit, the slot keeps what it held.
  common::SettingsSlots saved{};
  ASSERT_TRUE(common::read_settings_file((start_ / kSettingsFileName).string(), common::SettingsFlavour::Viewer, saved));
  EXPECT_EQ(saved[slot::kDirectory], common::utf8_to_cp932(start_.string() + "/"));
  // Heart-rate and RR bands drawn from the folder's files: two lines a pixel column each.
  EXPECT_GT(lines, 4u * 900u);
  EXPECT_TRUE(fs::exists(folder / "BEAT___i"));
}

TEST_F(TrendGuiTest, NothingIsDrawnBeforeARecordingIsLoaded) {
  install_operations(state);
  ASSERT_TRUE(state.operations.count(203));
  state.operations.at(203)(state, platform, 203);  // no main window, nothing loaded
  EXPECT_FALSE(state.loaded);
}

}  // namespace
}  // namespace ambview::testing
