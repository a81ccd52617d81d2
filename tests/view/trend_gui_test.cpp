// The trend in the program: menu command 203 draws TREND into the main window of the
// loaded recording, and does nothing before a recording is loaded.
#include <algorithm>

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

TEST_F(TrendGuiTest, NothingIsDrawnBeforeARecordingIsLoaded) {
  install_operations(state);
  ASSERT_TRUE(state.operations.count(203));
  state.operations.at(203)(state, platform, 203);  // no main window, nothing loaded
  EXPECT_FALSE(state.loaded);
}

}  // namespace
}  // namespace ambview::testing
