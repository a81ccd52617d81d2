// The readable pictures: no label over another on the trend and the ECG strip (widths of the
// gothic font as Qt measures them), and "見やすい表示" through the scripted main window:
// it changes the trend, the dialog, the ECG and waveform windows, and is kept for the next run.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/view/shell_fixture.h"
#include "ui/qt/qt_app.h"
#include "ui/testing/memory_desktop.h"
#include "ui/testing/recording_canvas.h"
#include "view/compute/label_boxes.h"
#include "view/commands/render_command.h"
#include "view/compute/trend_layout.h"
#include "view/draw/ecg_strip.h"
#include "view/draw/trend_view.h"
#include "view/windows/window_habits.h"

namespace ambview::testing {
namespace {

using ui::testing::Primitive;
using ui::testing::PrimitiveKind;
using ui::testing::RecordingCanvas;

// The texts on the canvas now: those drawn since its last clear.
std::vector<Primitive> texts_of(const RecordingCanvas& canvas) {
  std::vector<Primitive> out;
  for (const Primitive& p : canvas.primitives()) {
    if (p.kind == PrimitiveKind::Clear) out.clear();
    if (p.kind == PrimitiveKind::Text) out.push_back(p);
  }
  return out;
}

// The first two texts whose boxes overlap, "" when none do.
std::string overlap(const std::vector<Primitive>& texts) {
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = i + 1; j < texts.size(); ++j) {
      const Primitive& a = texts[i];
      const Primitive& b = texts[j];
      const auto box_a = labels::text_box(a.points[0].x, a.points[0].y, a.text, a.font_size);
      const auto box_b = labels::text_box(b.points[0].x, b.points[0].y, b.text, b.font_size);
      if (box_a.width > 0 && box_b.width > 0 && box_a.near(box_b, 0))
        return "\"" + a.text + "\" and \"" + b.text + "\"";
    }
  return "";
}

int count_matching(const std::vector<Primitive>& texts, const std::string& pattern) {
  const std::regex re(pattern);
  return static_cast<int>(
      std::count_if(texts.begin(), texts.end(), [&](const Primitive& p) { return std::regex_match(p.text, re); }));
}

TEST(ReadableLabels, WidthsAreTheGothicFontsOwn) {
  ui::qt::ensure_application();
  for (const int size : {12, 14, 16})
    for (const std::string text : {"(BPM)", "09:00", "180ﾟ", "加速度", "較正波 = 1 mV", "55s", "26/12/01"}) {
      const QFontMetrics metrics(ui::qt::gothic_font(size));
      EXPECT_EQ(labels::text_width(text, size), metrics.horizontalAdvance(QString::fromStdString(text)))
          << text << " " << size;
      EXPECT_LE(metrics.ascent(), size) << size;  // a text's ink stays in its box
    }
}

struct Case {
  const char* name;
  int width, height;
  const char* rows;  // code and kind pairs; "" for the ECG strip
  std::int64_t span;
  int acc_scale, hr_scale;
};

const Case kCases[] = {
    {"seven bands, an hour", 900, 620, "0A1A2A3A445566", 3600, 0, 0},
    {"combined file, six hours, small", 700, 400, "0A1A2A3AtTuTsS", 6 * 3600, 1, 0},
    {"levels, a day", 1000, 700, "0A1L2L3L4455", 86400, 5, 1},
    {"the smallest window", 320, 240, "0A1A2A3A445566", 600, 4, 0},
    {"four minutes", 1070, 726, "0A55", 240, 2, 1},
    {"ECG strip", 900, 620, "", 0, 0, 0},
    {"ECG strip, small", 320, 240, "", 0, 0, 0},
};

TEST(ReadablePictures, NoLabelOverlapsAnother) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ProcessingConditions cond;
    cond.acc_scale = c.acc_scale;
    cond.hr_scale = c.hr_scale;
    cond.display_span = c.span;
    cond.interval = IntervalText::of("1");
    RecordingCanvas canvas(c.width, c.height);
    const std::string rows = c.rows;
    if (rows.empty()) {
      // The marks are drawn with the paper, before the (here missing) block file is read.
      PLOT_ECG('e', canvas, cond, "/nonexistent/X______", {}, ViewOptions{true});
      const auto texts = texts_of(canvas);
      EXPECT_EQ(overlap(texts), "");
      // A row too low for its time under the zero line has it on the line; row 0's "0s" then
      // gives way to the calibration pulse.
      EXPECT_EQ(count_matching(texts, "[0-9]+s"), c.height >= 400 ? ecg::kRows : ecg::kRows - 1);
      EXPECT_EQ(count_matching(texts, "1 s|.*1 mV"), 2);
      continue;
    }
    ChannelTable channels;
    channels.prefix = "/nonexistent/X______";
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2)
      channels.rows[static_cast<std::size_t>(channels.count++)] = {true, rows[i], rows[i + 1], {}};
    RecordingInfo info;
    info.item[RecordingInfo::kStartTime] = "2612010900";
    info.item[RecordingInfo::kCount] = std::to_string(c.span);
    info.item[RecordingInfo::kInterval] = "1";
    info.item[RecordingInfo::kStartOffset] = "0";
    TREND(canvas, cond, channels, info, ViewOptions{true});
    const auto texts = texts_of(canvas);
    EXPECT_EQ(overlap(texts), "");
    // Every unit stands, and at least a time under every major line.
    const auto bands_of = [&](std::string_view kinds) {
      int n = 0;
      for (std::size_t i = 1; i < rows.size(); i += 2) n += kinds.find(rows[i]) != std::string_view::npos;
      return n;
    };
    EXPECT_EQ(count_matching(texts, "\\(G\\)"), bands_of("A"));
    EXPECT_EQ(count_matching(texts, "\\(BPM\\)"), bands_of("56"));
    EXPECT_EQ(count_matching(texts, "TILT|LEVEL"), bands_of("4L"));
    const std::int64_t minutes = c.span / 60;
    EXPECT_GE(count_matching(texts, "[0-9]{2}:[0-9]{2}"), minutes / trend::time_grid(minutes).major + 1);
  }
}

class ReadableViewTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    state.extras.desktop = &desktop;
  }
  std::vector<Primitive> main_texts() { return texts_of(main_form().recording()); }
  ui::testing::MemoryDesktop desktop;
};

TEST_F(ReadableViewTest, TheToggleChangesEveryPictureAndIsKeptForTheNextRun) {
  const std::string rr = make_recording("RR", 'P', 3600, 1.0, 1);
  std::vector<Primitive> before;
  script_open(rr);
  script([this] { form2().click("BUTTON1"); });
  script([&] {
    before = main_texts();
    EXPECT_FALSE(main_form().menu_checked(kReadableEntry));
    main_form().choose_menu(kReadableEntry);
  });
  script([&] {
    // The trend is drawn again at once: the units stand apart, more times along the axis.
    EXPECT_TRUE(main_form().menu_checked(kReadableEntry));
    const auto after = main_texts();
    EXPECT_EQ(count_matching(before, "  \\(G\\)"), 4);
    EXPECT_EQ(count_matching(after, "  \\(G\\)"), 0);
    EXPECT_EQ(count_matching(after, "\\(G\\)"), 4);
    EXPECT_GT(count_matching(after, "[0-9]{2}:[0-9]{2}"), count_matching(before, "[0-9]{2}:[0-9]{2}"));
    EXPECT_EQ(overlap(after), "");
    main_form().choose_menu("P_ECG1");
  });
  script([&] {
    const auto ecg = texts_of(forms.form("FORM4").recording());
    EXPECT_EQ(count_matching(ecg, "[0-9]+s"), 12);
    EXPECT_EQ(count_matching(ecg, "較正波 = 1 mV"), 1);
    main_form().choose_menu("D_COND1");
  });
  script([&] {
    const auto names = texts_of(form2().recording());
    EXPECT_EQ(count_matching(names, "RR_____[0-6]"), 7);  // the names as they were
    for (const char* kind : {"加速度", "加速度 X", "傾斜", "RR"})
      EXPECT_EQ(count_matching(names, kind), 1) << kind;
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
  EXPECT_EQ(desktop.values["readable_view"], "1");

  // The next run starts readable: the waveform monitor's band labels are white, larger, and
  // their "±" is drawn.
  const std::string wave = make_recording("WAVE", '9', 3000, 0.02);
  ui::testing::TestFormFactory forms2;
  ui::testing::ScriptedPump pump2;
  ViewerState again;
  again.extras.desktop = &desktop;
  ui::Platform platform2{forms2, dialogs, pump2, clock};
  fs::current_path(start_);
  pump2.then([&] {
    EXPECT_TRUE(forms2.form("MAINFORM").menu_checked(kReadableEntry));
    dialogs.answer_open(wave);
    forms2.form("MAINFORM").choose_menu("A_OPEN");
  });
  pump2.then([&] { forms2.form("FORM2").click("BUTTON1"); });
  pump2.then([&] { forms2.form("MAINFORM").choose_menu("wav_mon"); });
  pump2.then([&] {
    const auto labels = texts_of(forms2.form("FORM5").recording());
    std::vector<Primitive> bands;
    for (const Primitive& p : labels)
      if (p.text.find("加速度") != std::string::npos || p.text.find("ECG") != std::string::npos) bands.push_back(p);
    ASSERT_FALSE(bands.empty());
    for (const Primitive& p : bands) {
      EXPECT_EQ(p.colour, ui::palette(15)) << p.text;
      EXPECT_EQ(p.font_size, 14) << p.text;
      EXPECT_EQ(p.text.find("±"), std::string::npos) << p.text;
    }
    forms2.form("MAINFORM").user_close();
  });
  run_viewer(platform2, again);
  EXPECT_TRUE(again.extras.view.readable);
}

// --readable draws the readable trend; the same command without it draws the original's.
TEST_F(ViewerTest, RenderReadableIsAnAddedFlag) {
  const std::string rr = make_recording("RR", 'P', 3600, 1.0);
  const RenderPlatform kept = render_platform();
  std::shared_ptr<RecordingCanvas> canvas;
  set_render_platform({[&](int w, int h) -> std::shared_ptr<ui::Canvas> {
                         return canvas = std::make_shared<RecordingCanvas>(w, h);
                       },
                       [](const std::string&, const ui::Image&, std::string*) { return true; }});
  std::vector<std::vector<Primitive>> texts;
  for (const bool readable : {false, true}) {
    CommandArgs args{rr, "--view", "trend", "--out", (root_ / "t.png").string()};
    if (readable) args.push_back("--readable");
    std::ostringstream out, err;
    EXPECT_EQ(run_render(args, out, err), 0) << err.str();
    texts.push_back(texts_of(*canvas));
  }
  set_render_platform(kept);
  EXPECT_EQ(count_matching(texts[0], "  \\(G\\)"), 4);
  EXPECT_EQ(count_matching(texts[1], "\\(G\\)"), 4);
  EXPECT_EQ(overlap(texts[1]), "");
}

}  // namespace
}  // namespace ambview::testing
