// Trend navigation in the main window: each key, wheel turn and drag moves the window the
// dialog sets, in the same slots and in "RaZor.prm", and the trend is drawn again at once.
#include <gtest/gtest.h>

#include "common/settings_record.h"
#include "common/text.h"
#include "tests/view/shell_fixture.h"
#include "view/settings/conditions_file.h"
#include "view/windows/trend_navigation.h"

namespace ambview::testing {
namespace {

using ui::testing::TestForm;

struct Step {
  const char* what;
  std::function<void(TestForm&)> act;
  std::int32_t start, span;
};

TEST_F(ViewerTest, KeysWheelAndDragMoveTheTrendWindow) {
  namespace k = ui::key;
  // A two-hour recording opens showing all of it: start 0, span 7200 s.
  const std::string path = make_recording("WALK", '@', 3600, 2.0);
  const auto key = [](int code) { return [code](TestForm& f) { f.press_key(code); }; };
  const auto wheel = [](int notches, bool ctrl) {
    return [notches, ctrl](TestForm& f) { f.turn_wheel(400, 200, notches, ctrl); };
  };
  // The plot runs 830 pixels from x = 34: a drag from a tenth to the middle of the whole.
  const auto drag = [](TestForm& f) {
    f.press(34 + 83, 200);
    f.move_mouse(300, 200);
    f.release(34 + 415, 200);
  };
  const std::vector<Step> steps = {
      {"+", key(k::kPlus), 1800, 3600},         {"+ again", key(k::kPlus), 2700, 1800},
      {"→ a tenth", key(k::kRight), 2880, 1800}, {"←", key(k::kLeft), 2700, 1800},
      {"PgDn", key(k::kPageDown), 4500, 1800},   {"PgDn held at the end", key(k::kPageDown), 5400, 1800},
      {"Home", key(k::kHome), 0, 1800},          {"End", key(k::kEnd), 5400, 1800},
      {"−", key(k::kMinus), 3600, 3600},         {"PgUp", key(k::kPageUp), 0, 3600},
      {"wheel down pages", wheel(-1, false), 3600, 3600},
      {"Ctrl+wheel up zooms in", wheel(1, true), 4500, 1800},
      {"Ctrl+wheel down twice: the whole", wheel(-2, true), 0, 7200},
      {"− at the whole: no move", key(k::kMinus), 0, 7200},
      {"drag selects 12:00 to 60:00", drag, 720, 2880},
  };
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  for (std::size_t i = 0; i <= steps.size(); ++i) {
    script([&, i] {
      TestForm& main = main_form();
      if (i > 0) {
        const Step& done = steps[i - 1];
        EXPECT_EQ(state.conditions.display_start, done.start) << done.what;
        EXPECT_EQ(state.conditions.display_span, done.span) << done.what;
        const ProcessingConditions saved = from_slots(common::unpack_settings(settings_record(), common::SettingsFlavour::Viewer));
        EXPECT_EQ(saved.display_start, done.start) << done.what;
        // Drawn again at once, unless the window stayed where it was.
        const bool moved = i == 1 || done.start != steps[i - 2].start || done.span != steps[i - 2].span;
        EXPECT_EQ(main.recording().count(ui::testing::PrimitiveKind::Clear) > 0, moved) << done.what;
      }
      main.recording().forget();
      if (i < steps.size()) {
        steps[i].act(main);
      } else {
        // The click that ended the drag was no click on the trend (which notes its point);
        // a click that is no drag still is one.
        EXPECT_NE(state.mouse.x, 34 + 415);
        main.quick_click(300, 200);
      }
    });
  }
  script_close_main();
  run();
  EXPECT_EQ(state.mouse.x, 300);
}

}  // namespace
}  // namespace ambview::testing
