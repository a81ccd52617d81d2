// The band procedures on the recording canvas: averaging, limits, bar and column geometry,
// markers, the RR window and its zero words, the waveform band.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/recording_writer.h"
#include "ui/testing/recording_canvas.h"
#include "view/draw/trend_bands.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;
using ui::testing::Primitive;
using ui::testing::PrimitiveKind;
using ui::testing::RecordingCanvas;

constexpr int kLeft = 34;

class BandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("trend_band_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    cond_.averaging = Averaging::Block;
    cond_.acc_scale = 0;
    cond_.hr_scale = 0;
    cond_.average_n = 1;
    cond_.trend_colour = 0xFF;
    cond_.interval = IntervalText::of("1");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file(char code, const std::string& ext = "") const {
    return common::channel_file_name(dir_.string() + "/", "T", code, ext);
  }
  void write_text(char code, char kind, const char* prefix, const std::vector<std::uint32_t>& raw) {
    const auto header = common::make_channel_header("ce", "2601010000", static_cast<std::uint32_t>(raw.size()), '0', 1);
    ASSERT_EQ(common::write_text_channel_file(file(code), header, kind, prefix, raw), "");
  }
  void write_words(char code, const std::vector<std::uint16_t>& words) {
    const auto header = common::make_channel_header("RR", "2601010000", static_cast<std::uint32_t>(words.size()), '0', 1);
    ASSERT_EQ(common::write_word_file(file(code), header, words), "");
  }
  void write_index(const std::vector<std::uint32_t>& entries) {
    auto header = common::make_channel_header("IX", "2601010000", 0, '0', 1);
    ASSERT_EQ(common::write_rr_index_file(file('i'), header, entries), "");
  }

  // One band filling a plot of height 316 (h = 300, base line 316) and width `width`.
  BandArgs args(char code, char kind, std::int64_t n, int width, std::int64_t s = 0) {
    BandArgs a;
    a.window = &canvas_;
    a.left_x = kLeft;
    a.width = width;
    a.height = 316;
    a.path_name = dir_.string() + "/T______";
    a.display.rows[0] = {true, code, kind, file(code)};
    a.display.count = 1;
    a.s = s;
    a.n = n;
    a.m = 1;
    a.band = 0;
    a.p = std::max<std::int64_t>(n / width, 1);
    a.conditions = &cond_;
    a.recording_interval = "1";
    return a;
  }

  std::vector<Primitive> boxes() const { return canvas_.of_kind(PrimitiveKind::FillBox); }
  std::vector<Primitive> lines() const { return canvas_.of_kind(PrimitiveKind::Line); }
  // Heights of the bars above the base line 316.
  std::vector<int> bar_heights() const {
    std::vector<int> out;
    for (const auto& b : boxes()) out.push_back(b.points[0].y - b.points[1].y);
    return out;
  }
  // The vertical min-max lines of a column band: (x, top value, bottom value) above 316.
  struct Column {
    int x, largest, smallest;
    bool operator==(const Column&) const = default;
  };
  std::vector<Column> columns() const {
    std::vector<Column> out;
    const auto all = lines();
    for (std::size_t i = 1; i < all.size(); i += 2) {
      out.push_back({all[i].points[0].x, 316 - all[i].points[0].y, 316 - all[i].points[1].y});
    }
    return out;
  }

  fs::path dir_;
  ProcessingConditions cond_;
  RecordingCanvas canvas_{1000, 700};
};

// mG values stored as raw / 2.
std::vector<std::uint32_t> acc_raw(const std::vector<int>& mg) {
  std::vector<std::uint32_t> raw;
  for (int v : mg) raw.push_back(static_cast<std::uint32_t>(v / 2));
  return raw;
}

TEST_F(BandTest, AccBarsWithoutAveragingAreTheSameInBothModesAndEachWOverNWide) {
  // Scale 0 (4000 mG) on h = 300: a bar is 300 * mG / 4000 pixels.
  write_text('0', 'A', "#0", acc_raw({4000, 2000, 0, 1000, 400, 3000, 200, 800, 1200, 1600}));
  ACC_PLOT(args('0', 'A', 10, 100));
  EXPECT_EQ(bar_heights(), (std::vector<int>{300, 150, 0, 75, 30, 225, 15, 60, 90, 120}));
  const auto block = boxes();
  ASSERT_EQ(block.size(), 10u);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(block[static_cast<std::size_t>(k)].points[0], (ui::Point{kLeft + 10 * k, 316}));
    EXPECT_EQ(block[static_cast<std::size_t>(k)].points[1].x, kLeft + 10 * (k + 1));
    EXPECT_EQ(block[static_cast<std::size_t>(k)].colour, 0xFFu);
  }
  canvas_.forget();
  cond_.averaging = Averaging::Moving;
  ACC_PLOT(args('0', 'A', 10, 100));
  EXPECT_EQ(boxes().size(), block.size());
  for (std::size_t k = 0; k < block.size(); ++k) EXPECT_EQ(boxes()[k].points, block[k].points);
}

TEST_F(BandTest, BlockMeanStartsWithTheFirstSampleOverNThenCoversTheNextN) {
  cond_.average_n = 10;
  std::vector<int> mg(21, 4000);
  mg[11] = 0;  // inside the second block
  write_text('0', 'A', "#0", acc_raw(mg));
  ACC_PLOT(args('0', 'A', 21, 21));
  // 4000 / 10 = 400 mG -> 30 px until k = 10; then samples 1..10 average 4000 -> 300 px;
  // at k = 20 samples 11..20 average 3600 -> 270 px.
  std::vector<int> expected(21, 30);
  for (int k = 10; k < 20; ++k) expected[static_cast<std::size_t>(k)] = 300;
  expected[20] = 270;
  EXPECT_EQ(bar_heights(), expected);
}

TEST_F(BandTest, MovingMeanRisesFromZeroOverTheFirstNSamples) {
  cond_.averaging = Averaging::Moving;
  cond_.average_n = 4;
  write_text('0', 'A', "#0", acc_raw({4000, 4000, 4000, 4000, 4000, 0}));
  ACC_PLOT(args('0', 'A', 6, 60));
  EXPECT_EQ(bar_heights(), (std::vector<int>{75, 150, 225, 300, 300, 225}));
}

TEST_F(BandTest, AccelerationIsLimitedTo4095BeforeAveragingAndBarsToTheBand) {
  cond_.averaging = Averaging::Moving;
  cond_.average_n = 2;
  // 6000 mG counts as 4095: the mean of 4095 and 0 is 2048 (half to even), 154 px at 4000 mG.
  write_text('0', 'A', "#0", acc_raw({6000, 0, 6000, 6000}));
  ACC_PLOT(args('0', 'A', 4, 40));
  EXPECT_EQ(bar_heights(), (std::vector<int>{154, 154, 154, 300}));

  // Level counts per minute: 100 per 1-s sample is 6000 a minute, limited to 4095 and cut
  // at the band height on the 600 scale.
  canvas_.forget();
  cond_.averaging = Averaging::Block;
  cond_.average_n = 1;
  write_text('1', 'L', "#1", {100, 5, 0});
  ACC_PLOT(args('1', 'L', 3, 30));
  EXPECT_EQ(bar_heights(), (std::vector<int>{300, 150, 0}));
}

TEST_F(BandTest, PeakBarsTakeTheLargestAverageOfTheirPSamples) {
  write_text('0', 'A', "#0", acc_raw({400, 800, 4000, 1200, 2000, 0, 0}));
  BandArgs a = args('0', 'A', 7, 3);  // p = 2: bars at k = 0, 2, 4, 6
  ACC_PLOT(a);
  EXPECT_EQ(bar_heights(), (std::vector<int>{30, 300, 150, 0}));
  const auto b = boxes();
  // x = round((k + 1) * 3 / 7) + 34: 0.43 -> 0, 1.29 -> 1, 2.14 -> 2, 3.
  EXPECT_EQ(b[1].points[0].x, kLeft);
  EXPECT_EQ(b[1].points[1].x, kLeft + 1);
  EXPECT_EQ(b[3].points[1].x, kLeft + 3);
}

TEST_F(BandTest, ColumnsJoinAndSpanTheirSamplesAndTheLastColumnIsNotDrawn) {
  // Heart rate on the 300 scale with h = 300: one pixel per BPM.
  write_text('5', '5', "#5", {60, 80, 100, 70, 90});
  TLT_PLOT(args('5', '5', 5, 50));
  EXPECT_EQ(columns(), (std::vector<Column>{{34, 60, 60}, {44, 80, 80}, {54, 100, 100}, {64, 70, 70}}));
  const auto l = lines();
  // The first joining line starts at the first sample of the record, at the left edge.
  EXPECT_EQ(l[0].points, (std::vector<ui::Point>{{34, 256}, {34, 256}}));
  EXPECT_EQ(l[2].points, (std::vector<ui::Point>{{34, 256}, {44, 236}}));
  EXPECT_EQ(l[6].points, (std::vector<ui::Point>{{54, 216}, {64, 246}}));

  // Several samples per column: the vertical line spans the column's smallest and largest.
  canvas_.forget();
  TLT_PLOT(args('5', '5', 5, 2));  // x = 34, 34, 35, 35, 36 (halves away from zero)
  EXPECT_EQ(columns(), (std::vector<Column>{{34, 80, 60}, {35, 100, 70}}));

  // Mode "1" starts the first joining line at 0.
  canvas_.forget();
  cond_.averaging = Averaging::Moving;
  TLT_PLOT(args('5', '5', 5, 50));
  EXPECT_EQ(lines()[0].points[0], (ui::Point{34, 316}));
}

TEST_F(BandTest, TiltAndRateAreScaledAndCutAtTheBandHeight) {
  write_text('4', '4', "#4", {0, 5, 15, 10});
  TLT_PLOT(args('4', '4', 4, 40));  // full scale 10: 30 px per step, 15 cut to 300
  EXPECT_EQ(columns(), (std::vector<Column>{{34, 0, 0}, {44, 150, 150}, {54, 300, 300}}));
}

TEST_F(BandTest, MissingFileOrImpossibleScaleDrawsNothingAndThrowsNothing) {
  ACC_PLOT(args('0', 'A', 10, 100));
  TLT_PLOT(args('5', '5', 10, 100));
  RR_PLOT(args('6', '6', 10, 100));
  ACC_WAVE_PLOT(args('a', 'w', 10, 100));
  EXPECT_TRUE(canvas_.primitives().empty());

  write_text('5', '5', "#5", {60, 80});
  cond_.hr_scale = 7;  // no heart-rate full scale
  TLT_PLOT(args('5', '5', 2, 20));
  EXPECT_TRUE(lines().empty());
}

TEST_F(BandTest, ReadingPastTheEndStopsTheBandAndKeepsWhatWasDrawn) {
  write_text('5', '5', "#5", std::vector<std::uint32_t>(60, 90));  // one record
  TLT_PLOT(args('5', '5', 100, 100));
  EXPECT_EQ(columns().size(), 60u);  // columns 0..59: the band ends where its file does
}

TEST_F(BandTest, CombinedFileMarkersAreNeverDrawnAsSamples) {
  const auto& layout = *common::combined_layout(".ac1");
  std::vector<std::string> frames;
  for (int k = 0; k < 8; ++k) {
    if (k == 0 || k == 4) {
      frames.push_back(common::make_marker_frame(layout, 0xFFFF));
    } else {
      common::CombinedValues v;
      v.tilt_t = 90;
      v.acc[0] = 2000;
      frames.push_back(common::make_combined_frame(layout, v));
    }
  }
  auto header = common::make_channel_header("*1", "2601010000", 8, '0', 1);
  header.old_layout = true;
  const std::string path = dir_.string() + "/T.ac1";
  ASSERT_EQ(common::write_combined_file(path, header, layout, "*1", frames), "");
  cond_.extension = ".ac1";

  BandArgs a = args('0', 'A', 8, 80);
  a.path_name = dir_.string() + "/T";
  a.extension = ".ac1";
  a.display.extension = ".ac1";
  a.display.combined = &layout;
  ACC_PLOT(a);
  EXPECT_EQ(bar_heights(), (std::vector<int>{0, 150, 150, 150, 0, 150, 150, 150}));

  canvas_.forget();
  a.display.rows[0] = {true, 't', 'T', {}};
  TLT_PLOT(a);  // 90 degrees of 180 on h = 300
  const auto c = columns();
  ASSERT_EQ(c.size(), 5u);  // column 0 and 4 hold only markers and draw nothing
  for (const auto& col : c) {
    EXPECT_EQ(col.largest, 150);
    EXPECT_EQ(col.smallest, 150);
    EXPECT_NE(col.x, kLeft + 40);
  }
}

TEST_F(BandTest, RRRateAtTheBandTopFor300msOnThe180Scale) {
  cond_.hr_scale = 1;
  write_words('6', {300, 300, 300, 300});  // no index file: the band builds it
  RR_PLOT(args('6', '6', 4, 1000));
  EXPECT_TRUE(fs::exists(file('i')));
  const auto c = columns();
  ASSERT_EQ(c.size(), 4u);  // the RR data ends inside the window: its last column is drawn
  for (const auto& col : c) EXPECT_EQ(col.largest, 300);  // 200 BPM cut at the top
  // Beats at their time: 4 samples of 1 s over 1000 px, 300 ms apart = 75 px.
  EXPECT_EQ(c[1].x, kLeft + 75);
  EXPECT_EQ(c[3].x, kLeft + 225);
}

TEST_F(BandTest, RRZeroWordsCarry4096msIntoTheBeatThatEndsTheInterval) {
  // One pixel per BPM on the 300 scale; a zero then 904 make one 5000 ms interval.
  write_words('6', {1000, 0, 904, 1000, 1000});
  write_index({2, 2, 2, 2, 2, 4, 5});  // beats begun by the end of each second
  RR_PLOT(args('6', '6', 11, 11000));
  const auto c = columns();
  ASSERT_EQ(c.size(), 5u);
  // x = 34 + t ms; 60000 / 4096 = 14.6 BPM at the zero, 60000 / 5000 = 12 BPM at its end.
  EXPECT_EQ(c[0], (Column{kLeft, 60, 60}));
  EXPECT_EQ(c[1], (Column{kLeft + 1000, 15, 15}));
  EXPECT_EQ(c[2], (Column{kLeft + 5096, 12, 12}));
  EXPECT_EQ(c[3], (Column{kLeft + 6000, 60, 60}));
  EXPECT_EQ(c[4], (Column{kLeft + 7000, 60, 60}));
}

TEST_F(BandTest, RRWindowPastTheIndexRunsToTheLastBeatAndNeverReadsPadding) {
  write_words('6', {1000, 1000, 1000, 1000, 1000, 1000});
  // The header names 200 entries but the file holds 3 and then NUL padding: past them the
  // RR data has ended, and the band runs to its last word, not into the padding.
  auto header = common::make_channel_header("IX", "2601010000", 0, '0', 1);
  header.rr_count = 199;
  ASSERT_EQ(common::write_records(file('i'), std::vector<std::string>{
                                                 common::make_header_record(header),
                                                 common::make_rr_index_record(std::vector<std::uint32_t>{2, 3, 4})}),
            "");
  RR_PLOT(args('6', '6', 100, 1000));
  // Six beats 10 px apart, the last one's column drawn where the data ends.
  ASSERT_EQ(columns().size(), 6u);
  EXPECT_EQ(columns()[1], (Column{kLeft + 10, 60, 60}));
  EXPECT_EQ(columns()[5], (Column{kLeft + 50, 60, 60}));
}

TEST_F(BandTest, WaveBandCentresTheZeroLineAndLimitsToTheBand) {
  cond_.acc_scale = 5;  // 60 mG: one unit is 2 mG, so +-30 units fill half the band
  write_words('a', {2048, 2048 + 15, 2048 + 60, 0, 2048});
  ACC_WAVE_PLOT(args('a', 'w', 5, 50));
  // x = round((k + 1) * 10 + 34): columns at 44, 54, 64, 74; the last is not drawn.
  EXPECT_EQ(columns(), (std::vector<Column>{{44, 150, 150}, {54, 225, 225}, {64, 300, 300}, {74, 1, 1}}));
}

TEST_F(BandTest, EcgWaveBandRunsFiveSamplesPerTrendSample) {
  std::vector<std::uint16_t> words(30, 2048);
  for (int j = 10; j < 15; ++j) words[static_cast<std::size_t>(j)] = 2048 + 1024;  // trend sample 2
  write_words('d', words);
  cond_.hr_scale = 1;  // 1024 counts fill half the band
  ACC_WAVE_PLOT(args('d', 'w', 2, 100, 2));
  const auto c = columns();
  ASSERT_EQ(c.size(), 9u);
  EXPECT_EQ(c[0], (Column{kLeft + 10, 300, 300}));
  EXPECT_EQ(c[5], (Column{kLeft + 60, 150, 150}));
}

TEST_F(BandTest, WaveBandEndsOnAnAveragingCountOf0OrAbove1000) {
  write_words('a', std::vector<std::uint16_t>(10, 2048));
  for (const int n : {0, 1001}) {
    cond_.average_n = n;
    ACC_WAVE_PLOT(args('a', 'w', 10, 100));
    EXPECT_TRUE(canvas_.primitives().empty()) << n;
  }
  cond_.average_n = 1000;
  ACC_WAVE_PLOT(args('a', 'w', 10, 100));
  EXPECT_FALSE(lines().empty());
}

}  // namespace
}  // namespace ambview
