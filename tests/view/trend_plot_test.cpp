// TREND on the recording canvas: band layout, scale labels, captions, event marks, the time
// grid and axis, and the mends for no checked channel and unreadable headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/recording_writer.h"
#include "ui/testing/recording_canvas.h"
#include "view/compute/trend_layout.h"
#include "view/draw/trend_view.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;
using ui::testing::Primitive;
using ui::testing::PrimitiveKind;
using ui::testing::RecordingCanvas;

constexpr ui::Colour kMainGrid = 0x10, kFineGrid = 0x20, kTrend = 0x30, kBackground = 0x40, kText = 0x50;

class TrendPlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("trend_plot_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    cond_.directory = dir_.string() + "/";
    cond_.base_name = "T______";
    channels_.prefix = dir_.string() + "/T______";
    cond_.averaging = Averaging::Block;
    cond_.acc_scale = 0;
    cond_.hr_scale = 0;
    cond_.average_n = 1;
    cond_.scale1_colour = 0x10;
    cond_.scale2_colour = 0x20;
    cond_.trend_colour = 0x30;
    cond_.display_start = 0;
    cond_.display_span = 1000;
    cond_.interval = IntervalText::of("2");
    cond_.back_colour = 0x40;
    cond_.text_colour = 0x50;
    info_.item[RecordingInfo::kStartTime] = "2601010000";
    info_.item[RecordingInfo::kComment] = "TEST";
    info_.item[RecordingInfo::kCount] = "1000";
    info_.item[RecordingInfo::kInterval] = "2";
    info_.item[RecordingInfo::kStartOffset] = "0";
  }
  void TearDown() override { fs::remove_all(dir_); }

  void add_channel(char code, char kind) {
    channels_.rows[static_cast<std::size_t>(channels_.count++)] = {true, code, kind, {}};
  }
  std::string file(char code) const { return common::channel_file_name(dir_.string() + "/", "T", code); }
  void write_channel(char code, char kind, const char* prefix, common::RecordingHeader header) {
    const std::vector<std::uint32_t> raw(1000, kind == 'A' ? 500 : 60);
    ASSERT_EQ(common::write_text_channel_file(file(code), header, kind, prefix, raw), "");
  }
  common::RecordingHeader header() const {
    return common::make_channel_header("ce", "2601010000", 1000, '0', 2, "TEST");
  }

  // Canvas of 1070 x 726: W = 1000, H = 700.
  void draw() { TREND(canvas_, cond_, channels_, info_); }

  std::vector<Primitive> lines_in(ui::Colour colour) const {
    std::vector<Primitive> out;
    for (const auto& p : canvas_.of_kind(PrimitiveKind::Line))
      if (p.colour == colour) out.push_back(p);
    return out;
  }
  // x of the vertical lines in `colour` that run from y = top to y = bottom.
  std::vector<int> verticals(ui::Colour colour, int top, int bottom) const {
    std::vector<int> xs;
    for (const auto& p : lines_in(colour))
      if (p.points[0].x == p.points[1].x && p.points[0].y == top && p.points[1].y == bottom) xs.push_back(p.points[0].x);
    return xs;
  }
  std::vector<int> horizontals(ui::Colour colour) const {
    std::vector<int> ys;
    for (const auto& p : lines_in(colour))
      if (p.points[0].y == p.points[1].y && p.points[0].x == 34 && p.points[1].x == 1034) ys.push_back(p.points[0].y);
    return ys;
  }
  bool has_text(const std::string& t) const {
    const auto all = canvas_.texts();
    return std::find(all.begin(), all.end(), t) != all.end();
  }
  const Primitive* text_primitive(const std::string& t) const {
    for (const auto& p : canvas_.primitives())
      if (p.kind == PrimitiveKind::Text && p.text == t) return &p;
    return nullptr;
  }

  fs::path dir_;
  ProcessingConditions cond_;
  ChannelTable channels_;
  RecordingInfo info_;
  RecordingCanvas canvas_{1070, 726};
};

TEST_F(TrendPlotTest, NoCheckedChannelDrawsOnlyTheClearedBackground) {
  draw();
  ASSERT_EQ(canvas_.primitives().size(), 1u);
  EXPECT_EQ(canvas_.primitives()[0].kind, PrimitiveKind::Clear);
  EXPECT_EQ(canvas_.primitives()[0].colour, kBackground);

  channels_.rows[0] = {false, '0', 'A', {}};  // a row that is present on disk but unchecked
  channels_.count = 1;
  canvas_.forget();
  draw();
  EXPECT_EQ(canvas_.primitives().size(), 1u);
}

TEST_F(TrendPlotTest, AccelerationScaleLabelSets) {
  add_channel('0', 'A');
  write_channel('0', 'A', "#0", header());
  draw();
  // One band: h = 684 from y = 16 to 700; scale 0 has two divisions.
  EXPECT_EQ(horizontals(kMainGrid), (std::vector<int>{16, 358, 700}));
  ASSERT_NE(text_primitive(" 4.0"), nullptr);
  EXPECT_EQ(text_primitive(" 2.0")->points[0], (ui::Point{0, 355}));  // 16 + (684 - 6) / 2
  EXPECT_TRUE(has_text(" 0.0"));
  EXPECT_TRUE(has_text("  (G)"));
  EXPECT_FALSE(has_text(" 1.5"));

  canvas_.forget();
  cond_.acc_scale = 1;
  draw();
  EXPECT_EQ(horizontals(kMainGrid), (std::vector<int>{16, 244, 472, 700}));
  for (const char* label : {" 1.5", " 1.0", " 0.5", " 0.0"}) EXPECT_TRUE(has_text(label)) << label;
  EXPECT_FALSE(has_text(" 4.0"));
}

TEST_F(TrendPlotTest, BandsAreLaidOutTopDownWithTheirCaptions) {
  add_channel('0', 'A');
  add_channel('4', '4');
  add_channel('5', '5');
  write_channel('0', 'A', "#0", header());
  // H = 700 over 3 bands: h = round(233.3 - 16) = 217; band tops at 0, 233, 466.
  draw();
  const Primitive* caption = text_primitive("  <T______4> T(S)=2 N=1 [TEST]");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->points[0], (ui::Point{34, 233}));
  EXPECT_EQ(caption->font_size, 16);
  EXPECT_EQ(caption->colour, kText);
  EXPECT_EQ(text_primitive("TILT ")->points[0], (ui::Point{0, 239}));
  EXPECT_EQ(text_primitive("(BPM)")->points[0], (ui::Point{0, 472}));
  // The date below the last band (bottom 3 * 233 = 699).
  EXPECT_EQ(text_primitive("26/01/01")->points[0], (ui::Point{34, 711}));
}

TEST_F(TrendPlotTest, AMissingFileLeavesOnlyItsBandEmpty) {
  add_channel('0', 'A');
  add_channel('5', '5');
  write_channel('5', '5', "#5", header());  // no file for channel 0
  draw();
  EXPECT_EQ(canvas_.count(PrimitiveKind::FillBox), 0u);
  // The heart-rate band (h = 334, base line 700) draws its columns at 60 BPM: 67 px.
  const auto trend_lines = lines_in(kTrend);
  ASSERT_GT(trend_lines.size(), 900u);
  EXPECT_EQ(trend_lines[5].points[0].y, 700 - 67);
}

TEST_F(TrendPlotTest, LevelCaptionAndEventMarksComeFromTheHeaders) {
  add_channel('1', 'L');
  add_channel('5', '5');
  auto level = header();
  level.thresholds = {250, 500, 750};
  write_channel('1', 'L', "#1", level);
  auto rate = header();
  rate.ecg_blocks = 2;
  rate.ecg_positions = {100, 200, 0, 0};
  write_channel('5', '5', "#5", rate);
  // Marks are read from the first channel's file: make it the rate file.
  std::swap(channels_.rows[0], channels_.rows[1]);
  draw();
  EXPECT_TRUE(has_text("  <T______1> T(S)=2 L(G)=0.5 N=1 [TEST]"));
  // n = 500 samples over 1000 px: marks at 100 and 200 samples are at x = 234 and 434, on
  // the rate band's bottom (h = 334, band 0: bottom 350).
  const auto marks = lines_in(kTrend);
  const auto caret = [&](int x) {
    return std::count_if(marks.begin(), marks.end(), [&](const Primitive& p) {
      return p.points[0] == ui::Point{x, 342} && (p.points[1] == ui::Point{x - 3, 350} || p.points[1] == ui::Point{x + 3, 350});
    });
  };
  EXPECT_EQ(caret(234), 2);
  EXPECT_EQ(caret(434), 2);
}

TEST_F(TrendPlotTest, UnreadableHeadersLeaveOutTheLevelTextAndTheMarks) {
  add_channel('5', '5');
  add_channel('1', 'L');
  draw();  // neither file exists
  EXPECT_TRUE(has_text("  <T______1> T(S)=2 N=1 [TEST]"));
  EXPECT_TRUE(lines_in(kTrend).empty());
}

TEST_F(TrendPlotTest, SpanBelowAMinuteIsGriddedAsOneMinute) {
  add_channel('4', '4');
  cond_.display_span = 30;
  draw();
  EXPECT_EQ(verticals(kFineGrid, 16, 700), (std::vector<int>{34, 534, 1034}));
  EXPECT_EQ(verticals(kMainGrid, 16, 700), (std::vector<int>{34, 1034}));
  EXPECT_TRUE(has_text("00:00"));
  EXPECT_TRUE(has_text("00:01"));
}

TEST_F(TrendPlotTest, SpanOf24HoursHasMajorLinesEvery3HoursAndMinorEveryHour) {
  add_channel('4', '4');
  cond_.display_start = 3600;
  cond_.display_span = 86400;
  draw();
  const auto minor = verticals(kFineGrid, 16, 700);
  ASSERT_EQ(minor.size(), 25u);
  EXPECT_EQ(minor[1], 76);  // 1000 * 60 / 1440 = 41.7
  std::vector<int> major;
  for (int c = 0; c <= 8; ++c) major.push_back(34 + 125 * c);
  EXPECT_EQ(verticals(kMainGrid, 16, 700), major);
  // Time labels from the window start, 01:00, every three hours, into the next day.
  const Primitive* first = text_primitive("01:00");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->points[0], (ui::Point{34, 700}));
  EXPECT_EQ(text_primitive("04:00")->points[0].x, 159);
  EXPECT_EQ(canvas_.texts().back(), "01:00");
}

}  // namespace
}  // namespace ambview
