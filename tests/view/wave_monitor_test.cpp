// The waveform monitor under test doubles: page width and scale text, the page buttons and
// their limits, the speed buttons, the held-button sweep, the measuring line, the page marker
// in the trend view, the window kept between openings, the shell's "w" rule, the empty frame,
// the shipped RtScr.bmp and the render.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include "common/cp932.h"
#include "sim/recording_generator.h"
#include "ui/bmp_file.h"
#include "ui/testing/test_platform.h"
#include "view/commands/render_command.h"
#include "view/windows/viewer_shell.h"
#include "view/windows/wave_window.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;
using ui::testing::PrimitiveKind;
using ui::testing::TestForm;

TEST(WaveMonitorRules, PageWidthScaleTextAndSpeedLimits) {
  EXPECT_EQ(wave::page_samples(620, 1.0f), 600);
  EXPECT_EQ(wave::scale_text(600), "X ｽｹｰﾙ =  12Sec");
  EXPECT_EQ(wave::page_samples(620, 8.0f), 75);
  EXPECT_EQ(wave::scale_text(75), "X ｽｹｰﾙ =  1.5Sec");
  EXPECT_EQ(wave::page_samples(620, 0.5f), 1200);

  float speed = 1.0f;
  for (const float expected : {2.0f, 4.0f, 8.0f, 8.0f}) EXPECT_EQ(speed = wave::faster(speed), expected);
  speed = 1.0f;
  for (const float expected : {0.5f, 0.5f}) EXPECT_EQ(speed = wave::slower(speed), expected);
}

TEST(WaveMonitorRules, MeasuringText) {
  // 60 pixels at speed 1 are 60 samples of 0.02 s; 50 pixels up with A = 75 at 4 G full scale.
  EXPECT_EQ(wave::measure_text(100, 200, 160, 150, 1.0f, 75, 4000, 1000), " 1.2S ,  2.667G / 1.334mV");
  // At speed 2 the same line is half the time; downwards reads negative.
  EXPECT_EQ(wave::measure_text(100, 200, 160, 250, 2.0f, 75, 600, 500), " 0.6S , -0.4G /-0.666mV");
  // Halves of a millisecond round away from zero.
  EXPECT_EQ(wave::measure_text(0, 0, 1, 0, 8.0f, 75, 4000, 1000), " 0.003S ,  0G / 0mV");
  // No amplitude (a window too small for bands): no division by zero.
  EXPECT_EQ(wave::measure_text(0, 0, 0, 10, 1.0f, 0, 4000, 1000), " 0S ,  0G / 0mV");
  // A line that starts in a band names that band's unit only.
  EXPECT_EQ(wave::measure_text(100, 200, 160, 150, 1.0f, 75, 4000, 1000, wave::BandUnit::Acceleration), " 1.2S ,  2.667G");
  EXPECT_EQ(wave::measure_text(100, 200, 160, 150, 1.0f, 75, 4000, 1000, wave::BandUnit::Ecg), " 1.2S ,  1.334mV");
}

TEST(WaveMonitorRules, TheBandUnderTheLineNamesTheUnit) {
  std::vector<ChannelRow> bands(2);
  bands[0].code = 'a';
  bands[1].code = 'd';
  const wave::BandLayout layout{50, 37, {50, 150}};
  const std::pair<int, wave::BandUnit> cases[] = {{0, wave::BandUnit::Acceleration},
                                                  {100, wave::BandUnit::Acceleration},
                                                  {101, wave::BandUnit::Ecg},
                                                  {200, wave::BandUnit::Ecg},
                                                  {201, wave::BandUnit::Both}};
  for (const auto& [y, unit] : cases) EXPECT_EQ(wave::band_unit_at(bands, layout, y), unit) << y;
}

TEST(WaveMonitorRules, BandLayout) {
  const wave::BandLayout l = wave::band_layout(580, 4);
  EXPECT_EQ(l.half_height, 62);  // (580 - 80) / 8 = 62.5, to the even neighbour
  EXPECT_EQ(l.amplitude, 46);    // 0.75 x 62 = 46.5
  EXPECT_EQ(l.centres, (std::vector<int>{82, 206, 330, 454}));
  EXPECT_TRUE(wave::band_layout(580, 0).centres.empty());
}

TEST(WaveMonitorRules, ShippedBitmapIsTheButtonFace) {
  std::string error;
  const auto image = ui::read_bmp(std::string(MOVILOG_SOURCE_DIR) + "/data/RtScr.bmp", &error);
  ASSERT_TRUE(image) << error;
  const ui::Image face = wave::continue_face();
  EXPECT_EQ(image->width, face.width);
  EXPECT_EQ(image->height, face.height);
  EXPECT_EQ(image->pixels, face.pixels) << "data/RtScr.bmp is out of date: run make_rtscr data/RtScr.bmp";
}

// A waveform recording (mode 9: a, b, c and the ECG d) loaded into the viewer's state as an
// accepted conditions dialog leaves it, with the main window open.
class WaveMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("wave_monitor_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }

  void load(char mode = '9', std::int64_t samples = 6000) {
    ambsim::RecordingOptions o;
    o.path = (dir_ / "WAV").string();
    o.signal.mode = mode;
    o.signal.samples = samples;
    o.signal.seed = 5;
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    ASSERT_EQ(r.error, "");
    const LoadResult loaded = load_recording(r.files.front());
    ASSERT_TRUE(loaded.ok());
    const LoadedRecording& rec = loaded.recording;
    install_operations(state);
    viewer_startup(state, t.platform);  // the main window with its handlers
    set_data_directory(state, rec.directory);
    state.conditions.base_name = common::utf8_to_cp932(rec.base_name);
    state.conditions.extension = common::utf8_to_cp932(rec.extension);
    state.conditions.display_start = 0;
    state.conditions.display_span = rec.time.display_span;
    state.channels = rec.table;
    state.info = rec.info;
    state.time = rec.time;
    state.loaded = true;
  }

  void run(int code) { run_event(state, t.platform, code); }
  TestForm& form5() { return t.forms.form("FORM5"); }
  TestForm& main() { return t.forms.form("MAINFORM"); }
  std::size_t drawn() { return form5().recording().primitives().size(); }

  fs::path dir_, old_cwd_;
  ui::testing::TestPlatform t;
  ViewerState state;
};

TEST_F(WaveMonitorTest, OpenDrawsTheFirstPageToItsEnd) {
  load();
  // A window 620 wide at speed 1: 600 samples, 12 seconds a page.
  state.wave_state.frame_width = 620;
  state.wave_state.frame_height = 400;
  run(wave::kOpen);
  TestForm& f = form5();
  EXPECT_TRUE(f.is_open());
  EXPECT_EQ(f.caption(), "波形モニター");
  EXPECT_EQ(f.client_width(), 620);
  EXPECT_EQ(f.control("TEXT18").text(), "X ｽｹｰﾙ =  12Sec");
  EXPECT_EQ(f.control("TEXT20").text(), "12/01 09:00:00");
  EXPECT_EQ(state.wave_state.page_width, 600);
  EXPECT_EQ(state.wave_state.bands, 4);
  EXPECT_EQ(state.wave_state.page_start, 0);
  EXPECT_EQ(state.wave_state.column, 601);  // columns 0..600, then the page end
  EXPECT_TRUE(state.wave_state.new_page);
  EXPECT_FALSE(state.wave_state.run_to_page_end);
  // The bottom row of controls sits 30 pixels above the bottom.
  EXPECT_EQ(f.control("BUTTON4").y(), 370);
  EXPECT_EQ(f.control("TEXT18").y(), 370);
  // The acceleration traces end at the last column, x = 610; the ECG trace runs there too.
  int right = 0;
  bool ecg = false;
  for (const auto& p : f.recording().of_kind(PrimitiveKind::Line)) {
    if (p.colour == ui::palette(10)) right = std::max(right, p.points[1].x);
    ecg |= p.colour == ui::palette(14);
  }
  EXPECT_EQ(right, 610);
  EXPECT_TRUE(ecg);
}

TEST_F(WaveMonitorTest, PageButtonsAndTheirLimits) {
  load();
  state.wave_state.frame_width = 620;
  state.wave_state.frame_height = 400;
  run(wave::kOpen);

  // "←前頁" at page start 0 draws nothing.
  std::size_t before = drawn();
  run(wave::kPrevious);
  EXPECT_EQ(drawn(), before);
  EXPECT_EQ(state.wave_state.page_start, 0);

  // "次頁→" sweeps the following page.
  run(wave::kNext);
  EXPECT_EQ(state.wave_state.page_start, 601);
  EXPECT_EQ(form5().control("TEXT20").text(), "12/01 09:00:12");
  EXPECT_GT(drawn(), before);

  // Back one page: one sample past the start; from there, less than a page: back to 0.
  run(wave::kPrevious);
  EXPECT_EQ(state.wave_state.page_start, 1);
  run(wave::kPrevious);
  EXPECT_EQ(state.wave_state.page_start, 0);
  EXPECT_EQ(form5().control("TEXT20").text(), "12/01 09:00:00");
  before = drawn();
  run(wave::kPrevious);
  EXPECT_EQ(drawn(), before);
}

TEST_F(WaveMonitorTest, SpeedButtonsAndTheScaleText) {
  load();
  run(wave::kOpen);
  for (int i = 0; i < 4; ++i) form5().click("BUTTON6");
  EXPECT_EQ(state.wave_speed, 8.0f);
  run(wave::kNext);
  EXPECT_EQ(form5().control("TEXT18").text(), wave::scale_text(wave::page_samples(900, 8.0f)));
  for (int i = 0; i < 5; ++i) form5().click("BUTTON7");
  EXPECT_EQ(state.wave_speed, 0.5f);
}

TEST_F(WaveMonitorTest, AfterASpeedChangeTheScaleFollowsAndMeasuringReadsThePageAsDrawn) {
  load();
  run(wave::kOpen);  // the first page at speed 1
  form5().click("BUTTON6");
  run(state.event_code);
  EXPECT_EQ(form5().control("TEXT18").text(), wave::scale_text(wave::page_samples(900, 2.0f)));
  // The page on screen is still the one drawn at speed 1: 60 pixels are 60 samples, 1.2 s.
  t.pump.play_on_pending(true);
  form5().press(100, 200);
  t.pump.then([&] { form5().move_mouse(160, 200); }).then([&] { form5().release(160, 200); });
  run(wave::kMeasure);
  EXPECT_NE(form5().control("TEXT19").text().find(" 1.2S , "), std::string::npos) << form5().control("TEXT19").text();
  // The next page is drawn at the new speed, and measured at it.
  run(wave::kNext);
  form5().press(100, 200);
  t.pump.then([&] { form5().move_mouse(160, 200); }).then([&] { form5().release(160, 200); });
  run(wave::kMeasure);
  EXPECT_NE(form5().control("TEXT19").text().find(" 0.6S , "), std::string::npos) << form5().control("TEXT19").text();
  EXPECT_EQ(form5().control("TEXT18").text(), wave::scale_text(wave::page_samples(900, 2.0f)));
}

TEST_F(WaveMonitorTest, HeldButtonSweepsUntilReleased) {
  load();
  run(wave::kOpen);
  run(wave::kNext);  // the second page, swept to its end
  const int page = state.wave_state.page_start;
  // Pressed on PICTURE23: the sweep runs on, one column per pass of the event pump, across
  // the page end into the next page, and stops when the button is let go.
  t.pump.play_on_pending(true);
  form5().press_on("PICTURE23");
  EXPECT_EQ(state.event_code, wave::kContinue);
  for (int i = 0; i < 4; ++i) t.pump.then([] {});
  t.pump.then([&] { form5().release_on("PICTURE23"); });
  run(wave::kContinue);
  EXPECT_EQ(state.wave_state.page_start, page + 881);
  EXPECT_EQ(state.wave_state.column, 4);
  EXPECT_EQ(t.pump.remaining(), 0u);
}

TEST_F(WaveMonitorTest, MeasuringLineFollowsTheMouseAndIsErasedByTheNextEvent) {
  load();
  run(wave::kOpen);
  t.pump.play_on_pending(true);
  form5().press(100, 200);
  EXPECT_EQ(state.event_code, wave::kMeasure);
  t.pump.then([&] { form5().move_mouse(130, 180); })
      .then([&] { form5().move_mouse(160, 150); })
      .then([&] { form5().release(160, 150); });
  run(wave::kMeasure);
  const auto shown = form5().recording().xor_shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].kind, PrimitiveKind::XorLine);
  EXPECT_EQ(shown[0].points, (std::vector<ui::Point>{{100, 200}, {160, 150}}));
  EXPECT_EQ(state.wave_line, (std::array<int, 4>{100, 200, 160, 150}));
  const int a = state.wave_state.amplitude;
  const wave::BandLayout layout = wave::band_layout(form5().client_height(), 4);
  const bool in_ecg = std::abs(200 - layout.centres[3]) <= layout.half_height;
  EXPECT_EQ(form5().control("TEXT19").text(),
            wave::measure_text(100, 200, 160, 150, 1.0f, a, 4000, 1000,
                               in_ecg ? wave::BandUnit::Ecg : wave::BandUnit::Acceleration));
  EXPECT_NE(form5().control("TEXT19").text().find(" 1.2S , "), std::string::npos);

  run(wave::kResize);
  EXPECT_TRUE(form5().recording().xor_shown().empty());
  EXPECT_EQ(state.wave_line[0], -1);
  // The measurement stays for its page and goes with it.
  EXPECT_NE(form5().control("TEXT19").text(), " ");
  run(wave::kNext);
  EXPECT_EQ(form5().control("TEXT19").text(), " ");
}

TEST_F(WaveMonitorTest, PageMarkerInTheTrendViewAndClicksThere) {
  load('9', 30000);  // 600 s: n = 30000 samples
  run(wave::kOpen);
  auto markers = main().recording().xor_shown();
  ASSERT_EQ(markers.size(), 1u);
  // Wm = 830; the first page starts at x = 34, 880 samples wide.
  EXPECT_EQ(markers[0].points[0], (ui::Point{34, 0}));
  EXPECT_EQ(markers[0].points[1], (ui::Point{34 + 24, 599}));  // round(880 x 830 / 30000) = 24

  // A click in the middle of the trend plot: page start = round((x - 34) x n / Wm).
  main().press(449, 100);
  main().release(449, 100);
  EXPECT_EQ(state.event_code, wave::kTrendClick);
  run(state.event_code);
  EXPECT_EQ(state.wave_state.page_start, 15000);
  markers = main().recording().xor_shown();
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0].points[0].x, 449);

  // Left of the plot: page start 0; right of it: the end of the span, nothing to draw.
  state.mouse = {5, 100};
  run(wave::kTrendClick);
  EXPECT_EQ(state.wave_state.page_start, 0);
  state.mouse = {899, 100};
  run(wave::kTrendClick);
  EXPECT_EQ(state.wave_state.page_start, 30000);

  // "終了": the marker leaves the trend view with the window.
  form5().click("BUTTON5");
  run(state.event_code);
  EXPECT_FALSE(form5().is_open());
  EXPECT_TRUE(main().recording().xor_shown().empty());
  EXPECT_EQ(state.wave_state.marker_x, -1);
}

TEST_F(WaveMonitorTest, ClickInTheTrendOpensTheWindowAndTrendRedrawKeepsTheMarker) {
  load('9', 30000);
  state.mouse = {449, 50};
  run(wave::kTrendClick);
  ASSERT_TRUE(form5().is_open());
  EXPECT_EQ(state.wave_state.page_start, 15000);
  run(code::kTrend);  // the trend drawn again clears the view
  const auto markers = main().recording().xor_shown();
  ASSERT_EQ(markers.size(), 1u);
  EXPECT_EQ(markers[0].points[0].x, 449);
}

TEST_F(WaveMonitorTest, SizeAndPlaceKeptBetweenOpenings) {
  load();
  run(wave::kOpen);
  form5().user_resize(700, 500);
  EXPECT_EQ(state.event_code, wave::kResize);
  run(wave::kResize);
  EXPECT_EQ(form5().control("BUTTON3").y(), 470);
  form5().move_to(50, 60);
  form5().user_close();
  run(state.event_code);
  EXPECT_EQ(state.wave_state.frame_width, 700);
  EXPECT_EQ(state.wave_state.top, 60);

  run(wave::kOpen);
  EXPECT_EQ(t.forms.made("FORM5"), 2);
  EXPECT_EQ(form5().client_width(), 700);
  EXPECT_EQ(form5().client_height(), 500);
  EXPECT_EQ(form5().left(), 50);
  EXPECT_EQ(form5().top(), 60);
}

TEST_F(WaveMonitorTest, OnlyForARecordingWhoseFirstChannelIsAWaveform) {
  load('@', 600);
  run(wave::kOpen);
  EXPECT_FALSE(t.forms.has_form("FORM5"));
}

TEST_F(WaveMonitorTest, NoWaveformChannelDisplayedDrawsAnEmptyFrame) {
  load();
  for (auto& row : state.channels.rows) row.present = false;
  run(wave::kOpen);
  const auto& drawn = form5().recording();
  EXPECT_EQ(drawn.count(PrimitiveKind::Clear), 2u);  // at opening and for the frame
  EXPECT_EQ(drawn.count(PrimitiveKind::Line), 0u);
  EXPECT_EQ(state.wave_state.bands, 0);
}

TEST_F(WaveMonitorTest, OffScaleTracesStayInTheirOwnBands) {
  load();
  state.conditions.acc_scale = 5;  // 0.06 G: gravity alone is far off scale
  run(wave::kOpen);
  const wave::BandLayout l = wave::band_layout(form5().client_height(), 4);
  int traces = 0;
  for (const auto& p : form5().recording().of_kind(PrimitiveKind::Line)) {
    if (p.colour != ui::palette(10) && p.colour != ui::palette(14)) continue;
    ++traces;
    bool inside = false;
    for (const int c : l.centres)
      inside |= std::min(p.points[0].y, p.points[1].y) >= c - l.half_height + 1 &&
                std::max(p.points[0].y, p.points[1].y) <= c + l.half_height - 1;
    ASSERT_TRUE(inside) << p.points[0].y << " " << p.points[1].y;
  }
  EXPECT_GT(traces, 4 * 880);
}

TEST_F(WaveMonitorTest, TinyWindowAndHugeSpanDrawWithoutHarm) {
  load();
  state.conditions.display_span = 99999999999;
  state.wave_state.frame_width = 15;
  state.wave_state.frame_height = 40;
  run(wave::kOpen);
  EXPECT_EQ(state.wave_state.span_samples, 2'000'000'000);
  run(wave::kNext);
  state.mouse = {890, 10};
  run(wave::kTrendClick);
  EXPECT_TRUE(form5().is_open());
}

TEST_F(WaveMonitorTest, ContinueButtonShowsTheBitmapFromTheStartDirectory) {
  load();
  fs::copy_file(std::string(MOVILOG_SOURCE_DIR) + "/data/RtScr.bmp", dir_ / "RtScr.bmp");
  run(wave::kOpen);
  EXPECT_EQ(form5().test_control("PICTURE23").bitmap(), (dir_ / "RtScr.bmp").string());
}

TEST_F(WaveMonitorTest, CutFileEndsTheSweepQuietly) {
  load('9', 700);
  // The "b" file keeps only its first 360 samples (three data records).
  fs::resize_file(dir_ / "WAV____b", 256 * 4);
  run(wave::kOpen);
  EXPECT_TRUE(form5().is_open());
  EXPECT_EQ(state.wave_state.column, 360);
  run(wave::kNext);  // the same end again: no error escapes
  EXPECT_TRUE(form5().is_open());
}

TEST_F(WaveMonitorTest, RenderDrawsTheFirstPageWithItsTexts) {
  load();
  const RenderPlatform kept = render_platform();
  std::shared_ptr<ui::testing::RecordingCanvas> canvas;
  set_render_platform({[&](int w, int h) -> std::shared_ptr<ui::Canvas> {
                         canvas = std::make_shared<ui::testing::RecordingCanvas>(w, h);
                         return canvas;
                       },
                       [](const std::string&, const ui::Image&, std::string*) { return true; }});
  std::ostringstream out, err;
  EXPECT_EQ(run_render({(dir_ / "WAV____a").string(), "--view", "wave", "--out", (dir_ / "w.png").string(), "--width",
                        "620", "--height", "400"},
                       out, err),
            kExitOk)
      << err.str();
  ASSERT_TRUE(canvas);
  const auto texts = canvas->texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "12/01 09:00:00"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "X ｽｹｰﾙ =  12Sec"), texts.end());

  std::ostringstream out2, err2;
  EXPECT_EQ(run_render({(dir_ / "WAV____a").string(), "--view", "wave", "--channels", "a", "--out",
                        (dir_ / "w.png").string()},
                       out2, err2),
            kExitOk);
  set_render_platform(kept);
}

}  // namespace
}  // namespace ambview
