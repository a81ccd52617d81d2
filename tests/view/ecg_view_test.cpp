// PLOT_ECG on the recording canvas: row geometry, the first-two-samples rule, short and
// missing files, the calibration pulse and time bar, stopping when FORM4 closes, and the
// render's refusal of a recording without the block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/recording_writer.h"
#include "sim/recording_generator.h"
#include "ui/testing/test_platform.h"
#include "view/draw/ecg_strip.h"
#include "view/windows/ecg_window.h"
#include "view/commands/render_command.h"
#include "view/windows/viewer_shell.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;
using ui::testing::Primitive;
using ui::testing::PrimitiveKind;
using ui::testing::RecordingCanvas;
using ui::testing::TestForm;

constexpr ui::Colour kScale = 0x10, kTrace = 0x30, kBack = 0x40;
// 1270 x 620: W = 1250 (one sample per pixel), H = 600, r = 50, u = 40.96.
constexpr int kWidth = 1286, kHeight = 620;  // 1250 columns: one a sample

class EcgViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("ecg_view_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    cond_ = default_conditions(dir_.string() + "/");
    cond_.directory = dir_.string() + "/";
    cond_.base_name = "ECG____";
    cond_.scale1_colour = 0x10;
    cond_.trend_colour = 0x30;
    cond_.back_colour = 0x40;
  }
  std::string prefix() const { return dir_.string() + "/ECG____"; }
  void TearDown() override { fs::remove_all(dir_); }

  // The block file as the link program writes it: upper-case code, 120 words a record.
  void write_block(char upper_code, const std::vector<std::uint16_t>& samples) {
    const auto header = common::make_channel_header("E1", "2612010900", static_cast<std::uint32_t>(samples.size()), 'c');
    ASSERT_EQ(common::write_word_file(common::channel_file_name(dir_.string() + "/", "ECG", upper_code), header, samples),
              "");
  }
  std::vector<Primitive> trace() const {
    std::vector<Primitive> out;
    for (const auto& p : canvas_.of_kind(PrimitiveKind::Line))
      if (p.colour == kTrace) out.push_back(p);
    return out;
  }
  // The joining line that ends at x and starts at height `from_y` one column before (one
  // sample per pixel column).
  std::optional<Primitive> joining_to(int x, int from_y) const {
    for (const auto& p : canvas_.of_kind(PrimitiveKind::Line))
      if (p.colour == kTrace && p.points[1].x == x && p.points[0] == ui::Point{x - 1, from_y}) return p;
    return std::nullopt;
  }
  int max_trace_x() const {
    int x = -1;
    for (const auto& p : trace()) x = std::max({x, p.points[0].x, p.points[1].x});
    return x;
  }

  fs::path dir_;
  ProcessingConditions cond_;
  RecordingCanvas canvas_{kWidth, kHeight};
};

TEST_F(EcgViewTest, GeometryOfTheStrip) {
  const ecg::Geometry g = ecg::geometry(kWidth, kHeight);
  EXPECT_EQ(g.width, 1250);
  EXPECT_EQ(g.height, 600);
  EXPECT_EQ(g.row, 50);
  EXPECT_DOUBLE_EQ(g.units_per_pixel, 40.96);
  EXPECT_EQ(ecg::row_zero(g, 0), 35);
  EXPECT_EQ(ecg::row_zero(g, 11), 585);
  EXPECT_EQ(ecg_block_of(code::kEcg1), 'e');
  EXPECT_EQ(ecg_block_of(code::kEcg4), 'h');
  EXPECT_EQ(ecg_block_of(code::kEcgBitmap), 0);
}

TEST_F(EcgViewTest, ZeroLineAndOneRowEitherWay) {
  // Row 0 flat at 2048; in row 1 a sample of 4095 at column 100 and 0 at column 200.
  std::vector<std::uint16_t> s(ecg::kSamples, 2048);
  s[1250 + 100] = 4095;
  s[1250 + 200] = 0;
  write_block('E', s);
  PLOT_ECG('e', canvas_, cond_, prefix(), {});

  const int zero0 = 35, zero1 = 85;
  for (const int x : {27, 516, 1275}) {
    const auto p = joining_to(x, zero0);
    ASSERT_TRUE(p) << x;
    EXPECT_EQ(p->points[0].y, zero0);
    EXPECT_EQ(p->points[1].y, zero0);
  }
  const auto up = joining_to(26 + 100, zero1);
  ASSERT_TRUE(up);
  EXPECT_EQ(up->points[1].y, zero1 - 50);  // one row height above
  const auto down = joining_to(26 + 200, zero1);
  ASSERT_TRUE(down);
  EXPECT_EQ(down->points[1].y, zero1 + 50);  // one row height below
  // The peak also closes its pixel column with the column's range.
  bool range = false;
  for (const auto& p : trace())
    range |= p.points[0].x == 126 && p.points[1].x == 126 && p.points[0].y == zero1 - 50 && p.points[1].y == zero1 - 50;
  EXPECT_TRUE(range);
}

TEST_F(EcgViewTest, FirstTwoSamplesDrawnAsTheThird) {
  std::vector<std::uint16_t> s(ecg::kSamples, 2048);
  s[0] = 100;
  s[1] = 4000;
  s[2] = 2048 + 512;  // 12.5 pixels: rounded to the even 12
  write_block('E', s);
  PLOT_ECG('e', canvas_, cond_, prefix(), {});
  const auto first = joining_to(27, 35 - 12);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->points[0], (ui::Point{26, 35 - 12}));
  EXPECT_EQ(first->points[1], (ui::Point{27, 35 - 12}));
  for (const auto& p : trace())
    for (const auto& pt : p.points) EXPECT_GE(pt.y, 35 - 12) << "a settling sample was drawn";
}

TEST_F(EcgViewTest, ShortFileShowsOnlyItsRowsAndNothingMadeUp) {
  // 1300 samples: row 0 whole and 50 samples of row 1; the file is cut inside its last
  // record, so only 100 of that record's words are there.
  write_block('E', std::vector<std::uint16_t>(1300, 2048));
  fs::resize_file(common::channel_file_name(dir_.string() + "/", "ECG", 'E'), 256 * 11 + 2 * 100);
  PLOT_ECG('e', canvas_, cond_, prefix(), {});
  int lowest = 0;
  for (const auto& p : trace())
    for (const auto& pt : p.points) lowest = std::max(lowest, pt.y);
  EXPECT_EQ(lowest, 85);  // nothing below row 1's zero line
  // Row 1 ends at its 50th sample: no padding of the cut record is drawn as samples.
  int last_x_row1 = 0;
  for (const auto& p : trace())
    if (p.points[1].y == 85) last_x_row1 = std::max(last_x_row1, p.points[1].x);
  EXPECT_EQ(last_x_row1, 26 + 49);
}

TEST_F(EcgViewTest, CalibrationPulseTimeBarAndColours) {
  write_block('E', std::vector<std::uint16_t>(ecg::kSamples, 2048));
  PLOT_ECG('e', canvas_, cond_, prefix(), {});
  ASSERT_FALSE(canvas_.primitives().empty());
  EXPECT_EQ(canvas_.primitives().front().kind, PrimitiveKind::Clear);
  EXPECT_EQ(canvas_.primitives().front().colour, kBack);
  std::vector<Primitive> polylines = canvas_.of_kind(PrimitiveKind::Polyline);
  ASSERT_EQ(polylines.size(), 2u);
  // Whole beside row 0, clear of the window edge (x = 0) and of the trace (from 26).
  const std::vector<ui::Point> pulse{{4, 35}, {8, 35}, {8, 23}, {18, 23}, {18, 35}, {22, 35}};  // 512 units = 12 px
  EXPECT_EQ(polylines[0].points, pulse);
  EXPECT_EQ(polylines[0].colour, kScale);
  const std::vector<ui::Point> bar{{26, kHeight - 8}, {26, kHeight - 3}, {276, kHeight - 3}, {276, kHeight - 8}};
  EXPECT_EQ(polylines[1].points, bar);
  // All 15000 samples: the last row reaches the right edge.
  EXPECT_EQ(max_trace_x(), 26 + 1249);
}

TEST_F(EcgViewTest, MissingFileEndsSilentlyWithTheFrame) {
  PLOT_ECG('f', canvas_, cond_, prefix(), {});
  EXPECT_TRUE(trace().empty());
  EXPECT_EQ(canvas_.count(PrimitiveKind::Polyline), 2u);
}

TEST_F(EcgViewTest, ClosingTheWindowStopsAtTheNextRecord) {
  write_block('G', std::vector<std::uint16_t>(ecg::kSamples, 2048));
  ui::testing::TestPlatform t;
  ViewerState state;
  state.conditions = cond_;
  state.channels.prefix = prefix();
  state.forms.form4 = t.forms.make_form("FORM4", kWidth, kHeight);
  state.forms.form4->show();
  // Each record is preceded by one pass of the event pump; the user closes the window
  // during the third.
  t.pump.play_on_pending(true);
  t.pump.then([] {}).then([] {}).then([&] { t.forms.form("FORM4").user_close(); });
  run_ecg(state, t.platform, 403);
  canvas_.forget();
  auto& drawn = t.forms.form("FORM4").recording();
  int x = -1;
  for (const auto& p : drawn.of_kind(PrimitiveKind::Line))
    if (p.colour == kTrace) x = std::max(x, p.points[1].x);
  EXPECT_EQ(x, 26 + 239);  // two records of 120 samples
  EXPECT_EQ(t.pump.remaining(), 0u);
}

TEST_F(EcgViewTest, MenuCommandDrawsTheBlockAndNamesItsTime) {
  ambsim::RecordingOptions o;
  o.path = (dir_ / "REC").string();
  o.signal.mode = 'Q';
  o.signal.samples = 3600;
  o.signal.interval_s = 1;
  o.signal.ecg_blocks = 2;
  o.signal.seed = 9;
  const ambsim::RecordingResult r = ambsim::write_recording(o);
  ASSERT_EQ(r.error, "");
  const LoadResult loaded = load_recording(r.files.front());
  ASSERT_TRUE(loaded.ok());
  ui::testing::TestPlatform t;
  ViewerState state;
  state.conditions = cond_;
  state.conditions.base_name = "REC____";
  state.recording_path = r.files.front();
  state.channels = loaded.recording.table;
  state.info = loaded.recording.info;
  state.time = loaded.recording.time;
  state.interval = loaded.recording.interval;
  state.loaded = true;
  install_operations(state);
  run_event(state, t.platform, 402);

  TestForm& form = t.forms.form("FORM4");
  EXPECT_TRUE(form.is_open());
  // Block 2 starts at its sample index in the header, 1 s a sample from 26/12/01 09:00.
  const std::int64_t at = ambsim::ecg_block_position(o.signal, 1);
  const std::int64_t minute = at / 60, second = at % 60;
  char when[32];
  std::snprintf(when, sizeof when, "12/01 %02d:%02d:%02d", static_cast<int>(9 + minute / 60),
                static_cast<int>(minute % 60), static_cast<int>(second));
  EXPECT_EQ(form.caption(), std::string("心電図  ECG-2  ") + when);
  int traces = 0;
  for (const auto& p : form.recording().of_kind(PrimitiveKind::Line)) traces += p.colour == kTrace;
  EXPECT_GT(traces, 1000);
}

TEST_F(EcgViewTest, RenderRefusesARecordingWithoutTheBlock) {
  const auto header = common::make_channel_header("ce", "2612010900", 100, '0', 1);
  ASSERT_EQ(common::write_text_channel_file(common::channel_file_name(dir_.string() + "/", "ECG", '0'), header, 'A', "#0",
                                            std::vector<std::uint32_t>(100, 500)),
            "");
  const RenderPlatform kept = render_platform();
  std::shared_ptr<RecordingCanvas> canvas;
  set_render_platform({[&](int w, int h) -> std::shared_ptr<ui::Canvas> {
                         canvas = std::make_shared<RecordingCanvas>(w, h);
                         return canvas;
                       },
                       [](const std::string&, const ui::Image&, std::string*) { return true; }});
  std::ostringstream out, err;
  const std::string file = common::channel_file_name(dir_.string() + "/", "ECG", '0');
  EXPECT_EQ(run_render({file, "--view", "ecg1", "--out", (dir_ / "e.png").string()}, out, err), kExitDataError);
  EXPECT_NE(err.str().find("no ECG block 1"), std::string::npos) << err.str();

  write_block('E', std::vector<std::uint16_t>(ecg::kSamples, 2048));
  std::ostringstream out2, err2;
  EXPECT_EQ(run_render({file, "--view", "ecg1", "--out", (dir_ / "e.png").string(), "--width", "1270", "--height", "620"},
                       out2, err2),
            kExitOk)
      << err2.str();
  ASSERT_TRUE(canvas);
  EXPECT_GT(canvas->count(PrimitiveKind::Line), 1000u);
  set_render_platform(kept);
}

}  // namespace
}  // namespace ambview
