// The status line and cursor line under the mouse on the trend: file, window, time to the
// second and the value of the band under the pointer with its unit; the bands not redrawn.
#include <gtest/gtest.h>

#include <regex>

#include "tests/view/shell_fixture.h"
#include "view/compute/trend_layout.h"

namespace ambview::testing {
namespace {

TEST_F(ViewerTest, StatusLineReadsTheBandUnderThePointer) {
  // Channels 0-3 acceleration, 4 tilt, 5 heart rate; two hours from 09:00. In a 900 x 600
  // window the bands are 80 pixels high, 96 apart from y = 16; the middle of the axis is
  // x = 449, an hour in.
  const std::string path = make_recording("WALK", '@', 3600, 2.0);
  struct Case {
    int x, y;
    const char* expected;  // a pattern of the status line
  };
  const Case cases[] = {
      {449, 56, R"(^WALK___0   表示 09:00:00 から 2:00   \|   10:00:00   0: -?\d\.\d{3} G$)"},
      {449, 440, R"(   \|   10:00:00   4: \d+ \(tilt code\)$)"},
      {449, 530, R"(   \|   10:00:00   5: \d+ BPM$)"},
      {449 + 83, 530, R"(   \|   10:12:00   5: \d+ BPM$)"},
      {449, 5, R"(   \|   10:00:00$)"},  // a caption line: the time only
      {10, 530, R"(から 2:00$)"},          // left of the axis: no pointer part
  };
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([&] {
    ui::testing::TestForm& main = main_form();
    const std::size_t drawn = main.recording().primitives().size();
    for (const Case& c : cases) {
      main.move_mouse(c.x, c.y);
      EXPECT_TRUE(std::regex_search(main.status_text(), std::regex(c.expected))) << main.status_text();
      EXPECT_EQ(main.overlay().cursor_x, c.x);
    }
    EXPECT_EQ(main.recording().primitives().size(), drawn);  // following the mouse draws nothing
    main.press_key(ui::key::kPlus);
  });
  script([this] {
    // The window's part follows a move at once.
    EXPECT_NE(main_form().status_text().find("表示 09:30:00 から 1:00"), std::string::npos) << main_form().status_text();
  });
  script_close_main();
  run();
}

// The RR file holds a word per beat, not per sample: the readout of the RR band finds the beat
// of that time through the RR index, so it agrees with the heart rate derived for that second.
TEST_F(ViewerTest, RRReadoutIsTheRateOfTheBeatAtThatTime) {
  const std::string path = make_recording("RRHR", 'P', 3600, 2.0);
  const trend::BandFrame f = trend::band_frame(900, 600, 7);
  const auto rate_in = [](const std::string& status, char band) {
    std::smatch m;
    const std::regex re(std::string(1, band) + R"(: (\d+) BPM$)");
    return std::regex_search(status, m, re) ? std::stoi(m[1]) : -1;
  };
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([&] {
    ui::testing::TestForm& main = main_form();
    for (int x = f.left + 40; x < f.left + f.width; x += 97) {
      main.move_mouse(x, f.band_top(5) + f.band_height / 2);
      const int derived = rate_in(main.status_text(), '5');
      main.move_mouse(x, f.band_top(6) + f.band_height / 2);
      const int rr = rate_in(main.status_text(), '6');
      ASSERT_GT(derived, 0) << x;
      EXPECT_NEAR(rr, derived, 12) << "x " << x << ": " << main.status_text();
    }
  });
  script_close_main();
  run();
}

}  // namespace
}  // namespace ambview::testing
