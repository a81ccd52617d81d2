// The HRV window as a user meets it: the menu entry only for sets with an RR channel, the
// table and picture of the trend's range, the CSV saved byte for byte as `ambview hrv` writes
// it, the picture saved, and a recording file's name never written over.
#include <gtest/gtest.h>

#include <sstream>

#include "shell_fixture.h"
#include "ui/testing/recording_canvas.h"
#include "view/commands/command_line.h"
#include "view/draw/hrv_plot.h"
#include "view/windows/hrv_window.h"

namespace ambview::testing {
namespace {

using ui::testing::PrimitiveKind;

TEST_F(ViewerTest, HrvWindowShowsAndSavesTheTrendRange) {
  const std::string path = make_recording("HRV", 'P', 1800, 1.0);
  const fs::path data = root_ / "data";
  const std::string rr = (data / "HRV____6").string();
  const std::string rr_bytes = read_bytes(rr);
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] {
    ASSERT_TRUE(main_form().menu_enabled("P_HRV"));
    main_form().choose_menu("P_HRV");
  });
  script([this] {
    dialogs.answer_save("hrv");
    forms.form("FORM8").click("BUTTON1");
  });
  script([this] {
    dialogs.answer_save("pic.png");
    forms.form("FORM8").click("BUTTON2");
  });
  script([this, rr] {
    dialogs.answer_save(rr);
    forms.form("FORM8").click("BUTTON1");
  });
  script_close_main();
  run();

  ui::testing::TestForm& form = forms.form("FORM8");
  // Half an hour in windows of 300 s, a heading and the whole range.
  const std::vector<std::string> rows = form.control("LIST1").rows();
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[1].substr(0, 19), "2026-12-01 09:00:00");
  EXPECT_EQ(rows.back().substr(0, 6), "全体");
  // Both series drawn, one run each: no window is empty.
  auto* picture = dynamic_cast<ui::testing::RecordingCanvas*>(form.control("PICTURE1").canvas());
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->count(PrimitiveKind::Polyline), 2u);

  std::ostringstream out, err;
  ASSERT_EQ(run_command_line({"hrv", path}, out, err), 0) << err.str();
  EXPECT_EQ(read_bytes(data / "hrv.csv"), out.str());
  EXPECT_EQ(read_bytes(data / "pic.png").substr(1, 3), "PNG");
  // The RR file's name chosen: the CSV goes beside it with ".csv", the recording is kept.
  EXPECT_EQ(read_bytes(rr + ".csv"), out.str());
  EXPECT_EQ(read_bytes(rr), rr_bytes);
}

TEST_F(ViewerTest, HrvEntryNeedsAnRrChannel) {
  const std::string path = make_recording("NORR", '@', 600, 1.0);
  script_open(path);
  script([this] { form2().click("BUTTON1"); });
  script([this] { EXPECT_FALSE(main_form().menu_enabled("P_HRV")); });
  script_close_main();
  run();
}

TEST(HrvPlotTest, AnEmptyWindowBreaksTheLines) {
  HrvReport report;
  report.start_text = "2612010900";
  report.range = {0, 1200, 300};
  for (int k = 0; k < 4; ++k) {
    HrvStats s;
    s.offset_ms = k * 300'000;
    if (k != 1) s.rmssd_ms = s.sdnn_ms = 40.0 + k;
    report.windows.push_back(s);
  }
  ui::testing::RecordingCanvas canvas(600, 300);
  HRV_PLOT(canvas, report);
  // Per series: the lone first point draws no line, the last two one line of two points.
  const auto lines = canvas.of_kind(PrimitiveKind::Polyline);
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& l : lines) EXPECT_EQ(l.points.size(), 2u);
  EXPECT_EQ(hrv_scale_top(43), 80);
  EXPECT_EQ(hrv_scale_top(0), 100);
}

}  // namespace
}  // namespace ambview::testing
