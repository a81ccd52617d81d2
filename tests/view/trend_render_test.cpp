// `ambview render --view trend`: options into the processing conditions, refusals that write
// nothing, "RaZor.prm" read but never written, and golden images drawn on the Qt canvas.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/recording_writer.h"
#include "ui/bmp_file.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "ui/qt/qt_image_io.h"
#include "ui/testing/recording_canvas.h"
#include "common/settings_record.h"
#include "view/commands/render_command.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;

// Writes a small deterministic recording: 600 samples at 2 s of acceleration, tilt, heart
// rate and RR with its index and one event mark; or 60 s of two waveforms.
void write_sensor_set(const fs::path& dir) {
  const std::string d = dir.string() + "/";
  constexpr int n = 600;
  auto header = common::make_channel_header("ce", "2601011200", n, '0', 2, "GOLDEN");
  header.ecg_blocks = 1;
  header.ecg_positions = {300, 0, 0, 0};
  std::vector<std::uint32_t> acc, tilt, hr;
  for (int k = 0; k < n; ++k) {
    const int tri = k % 100 < 50 ? k % 100 : 100 - k % 100;  // 0..50..0
    acc.push_back(static_cast<std::uint32_t>(20 + tri * 12 + (k % 7) * 5));
    tilt.push_back(static_cast<std::uint32_t>((k / 40) % 11));
    hr.push_back(static_cast<std::uint32_t>(70 + tri));
  }
  ASSERT_EQ(common::write_text_channel_file(common::channel_file_name(d, "S", '0'), header, 'A', "#0", acc), "");
  ASSERT_EQ(common::write_text_channel_file(common::channel_file_name(d, "S", '4'), header, '4', "#4", tilt), "");
  ASSERT_EQ(common::write_text_channel_file(common::channel_file_name(d, "S", '5'), header, '5', "#5", hr), "");
  // Beats of 700-1000 ms; entry k is the number of beats begun by the end of sample k.
  std::vector<std::uint16_t> rr;
  std::vector<long> starts;
  for (long t = 0; t < n * 2000L;) {
    const auto r = static_cast<std::uint16_t>(700 + (rr.size() * 37) % 300);
    starts.push_back(t);
    rr.push_back(r);
    t += r;
  }
  std::vector<std::uint32_t> index;
  for (int k = 0; k < n; ++k)
    index.push_back(static_cast<std::uint32_t>(std::upper_bound(starts.begin(), starts.end(), (k + 1) * 2000L) - starts.begin()));
  auto rr_header = common::make_channel_header("RR", "2601011200", n, '0', 2, "GOLDEN");
  ASSERT_EQ(common::write_word_file(common::channel_file_name(d, "S", '6'), rr_header, rr), "");
  auto ix_header = common::make_channel_header("IX", "2601011200", 0, '0', 2, "GOLDEN");
  ASSERT_EQ(common::write_rr_index_file(common::channel_file_name(d, "S", 'i'), ix_header, index), "");
}

void write_wave_set(const fs::path& dir) {
  const std::string d = dir.string() + "/";
  constexpr int n = 3000;
  std::vector<std::uint16_t> a, e;
  for (int k = 0; k < n; ++k) a.push_back(static_cast<std::uint16_t>(2048 + ((k % 50) < 25 ? k % 50 : 50 - k % 50) * 8 - 100));
  for (int k = 0; k < 5 * n; ++k) e.push_back(static_cast<std::uint16_t>(k % 250 < 6 ? 2048 + 700 : 2048 - (k % 250) / 10));
  auto ha = common::make_channel_header("wA", "2601011200", n, 'b', 1, "WAVE");
  auto hd = common::make_channel_header("wD", "2601011200", 5 * n, 'b', 1, "WAVE");
  ASSERT_EQ(common::write_word_file(common::channel_file_name(d, "W", 'a'), ha, a), "");
  ASSERT_EQ(common::write_word_file(common::channel_file_name(d, "W", 'd'), hd, e), "");
}

class RenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("h6_render_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    saved_cwd_ = fs::current_path();
    fs::current_path(dir_);  // "RaZor.prm" is looked for here
    write_sensor_set(dir_);
    kept_ = render_platform();
    // Plain platform: recording canvas, plain BMP writer (png refused, to keep Qt out).
    set_render_platform({[this](int w, int h) -> std::shared_ptr<ui::Canvas> {
                           last_canvas_ = std::make_shared<ui::testing::RecordingCanvas>(w, h);
                           return last_canvas_;
                         },
                         [](const std::string& path, const ui::Image& image, std::string* error) {
                           return ui::write_bmp(path, image, error);
                         }});
  }
  void TearDown() override {
    set_render_platform(kept_);
    fs::current_path(saved_cwd_);
    fs::remove_all(dir_);
  }

  int render(std::vector<std::string> words) {
    out_.str("");
    err_.str("");
    words.insert(words.begin(), "render");
    return run_command_line(words, out_, err_);
  }
  std::string file(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  fs::path saved_cwd_;
  RenderPlatform kept_;
  std::shared_ptr<ui::testing::RecordingCanvas> last_canvas_;
  std::ostringstream out_, err_;
};

TEST_F(RenderTest, OptionsBecomeTheProcessingConditionsAndChannelsAreNarrowed) {
  const LoadResult loaded = load_recording(file("S______0"));
  ASSERT_TRUE(loaded.ok());
  const ParsedArgs parsed = parse_args({"--avg", "moving", "--n", "5", "--acc-scale", "3", "--hr-scale", "1", "--start",
                                        "60", "--span", "120", "--channels", "56"},
                                       {"avg", "n", "acc-scale", "hr-scale", "start", "span", "channels"});
  std::string error;
  const auto setup = render_setup(loaded.recording, parsed, error);
  ASSERT_TRUE(setup) << error;
  const auto& c = setup->conditions;
  EXPECT_EQ(c.averaging, Averaging::Moving);
  EXPECT_EQ(c.average_n, 5);
  EXPECT_EQ(c.acc_scale, 3);
  EXPECT_EQ(c.hr_scale, 1);
  EXPECT_EQ(c.display_start, 60);
  EXPECT_EQ(c.display_span, 120);
  EXPECT_EQ(c.interval.text, "2");
  EXPECT_EQ(c.base_name, "S______");
  std::string checked;
  for (int r = 0; r < setup->channels.count; ++r)
    if (setup->channels.rows[static_cast<std::size_t>(r)].present) checked += setup->channels.rows[static_cast<std::size_t>(r)].code;
  EXPECT_EQ(checked, "56");

  // Without options: the whole recording (20 minutes), as a fresh open shows it.
  const auto whole = render_setup(loaded.recording, parse_args({}, {}), error);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->conditions.display_start, 0);
  EXPECT_EQ(whole->conditions.display_span, 1200);
}

TEST_F(RenderTest, DrawsTheTrendAndSavesIt) {
  EXPECT_EQ(render({file("S______0"), "--view", "trend", "--out", "t.bmp", "--width", "400", "--height", "300"}), 0)
      << err_.str();
  ASSERT_NE(last_canvas_, nullptr);
  EXPECT_EQ(last_canvas_->width(), 400);
  EXPECT_GT(last_canvas_->count(ui::testing::PrimitiveKind::FillBox), 300u);
  const auto image = ui::read_bmp("t.bmp");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 400);
  EXPECT_EQ(image->height, 300);
  EXPECT_EQ(out_.str(), "t.bmp\n");
}

TEST_F(RenderTest, BadWordsAreRefusedAndWriteNothing) {
  const std::string rec = file("S______0");
  const std::vector<std::vector<std::string>> bad{
      {rec, "--view", "trend"},
      {rec, "--out", "x.bmp"},
      {rec, "--view", "trend", "--out", "x.jpg"},
      {rec, "--view", "graph", "--out", "x.bmp"},
      {rec, "--view", "trend", "--out", "x.bmp", "--width", "50"},
      {rec, "--view", "trend", "--out", "x.bmp", "--height", "7e2"},
      {rec, "--view", "trend", "--out", "x.bmp", "--n", "0"},
      {rec, "--view", "trend", "--out", "x.bmp", "--avg", "median"},
      {rec, "--view", "trend", "--out", "x.bmp", "--acc-scale", "6"},
      {rec, "--view", "trend", "--out", "x.bmp", "--hr-scale", "-1"},
      {rec, "--view", "trend", "--out", "x.bmp", "--channels", "0z"},
      {rec, "--view", "trend", "--out", "x.bmp", "--start", "1200"},
      {rec, "--view", "trend", "--out", "x.bmp", "--span", "0"},
      {rec, "--view", "trend", "--out", "x.bmp", "--colour", "red"},
  };
  for (const auto& words : bad) {
    EXPECT_EQ(render(words), kExitUsage) << words.back();
    EXPECT_FALSE(err_.str().empty());
  }
  EXPECT_EQ(render({file("nothing_0"), "--view", "trend", "--out", "x.bmp"}), kExitDataError);
  EXPECT_FALSE(fs::exists("x.bmp"));
  EXPECT_FALSE(fs::exists("x.jpg"));
  EXPECT_FALSE(fs::exists("RaZor.prm"));  // the command line never writes the settings
}

TEST_F(RenderTest, SettingsFileOfTheCurrentDirectoryIsAppliedAndLeftAsItWas) {
  common::SettingsSlots prm{};
  prm[1] = "/elsewhere/";
  prm[3] = "1";
  prm[6] = "7";
  prm[9] = "00FF00";
  prm[14] = "000000";
  ASSERT_TRUE(common::write_settings_file("RaZor.prm", prm, common::SettingsFlavour::Viewer));
  std::ifstream before_in("RaZor.prm", std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(before_in)), {});

  ASSERT_EQ(render({file("S______0"), "--view", "trend", "--out", "p.bmp", "--n", "3"}), 0) << err_.str();
  // Background and trend colour from the file, n from the command line.
  EXPECT_EQ(last_canvas_->background(), 0u);
  bool green_bars = false;
  for (const auto& p : last_canvas_->of_kind(ui::testing::PrimitiveKind::FillBox)) green_bars |= p.colour == 0x00FF00u;
  EXPECT_TRUE(green_bars);
  const std::vector<std::string> texts = last_canvas_->texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "  <S______0> T(S)=2 N=3 [GOLDEN              ]"), texts.end());

  std::ifstream after_in("RaZor.prm", std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(after_in)), {});
  EXPECT_EQ(after, before);
}

// Golden images: the whole render path on the Qt canvas, compared pixel for pixel.
// MOVILOG_UPDATE_GOLDEN=1 writes them anew (look at them before committing).
class GoldenTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    ui::qt::ensure_application();
    set_render_platform({[](int w, int h) -> std::shared_ptr<ui::Canvas> { return std::make_shared<ui::qt::QtCanvas>(w, h); },
                         [](const std::string& path, const ui::Image& image, std::string* error) {
                           return ui::qt::save_image(path, image, error);
                         }});
  }

  void compare(const std::string& name) {
    const std::string golden = std::string(MOVILOG_SOURCE_DIR) + "/tests/view/golden/" + name;
    const QImage drawn(QString::fromStdString(file("out.png")));
    ASSERT_FALSE(drawn.isNull());
    if (std::getenv("MOVILOG_UPDATE_GOLDEN")) {
      fs::copy_file(file("out.png"), golden, fs::copy_options::overwrite_existing);
      GTEST_SKIP() << "golden image written: " << golden;
    }
    const QImage expected(QString::fromStdString(golden));
    ASSERT_FALSE(expected.isNull()) << golden;
    const ui::Image a = ui::qt::from_qimage(drawn);
    const ui::Image b = ui::qt::from_qimage(expected);
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    int differing = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) differing += (a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF);
    EXPECT_EQ(differing, 0) << name << " differs in " << differing << " pixels";
  }
};

TEST_F(GoldenTest, SensorBands) {
  ASSERT_EQ(render({file("S______0"), "--view", "trend", "--out", "out.png", "--width", "480", "--height", "360",
                    "--hr-scale", "1"}),
            0)
      << err_.str();
  compare("trend_sensors.png");
}

TEST_F(GoldenTest, WaveformBands) {
  write_wave_set(dir_);
  ASSERT_EQ(render({file("W______a"), "--view", "trend", "--out", "out.png", "--width", "480", "--height", "240",
                    "--start", "10", "--span", "5"}),
            0)
      << err_.str();
  compare("trend_waves.png");
}

}  // namespace
}  // namespace ambview

namespace ambview {
namespace {

// The overview picture: the dialog's bands of the checked channels and the window's frame.
TEST_F(RenderTest, OverviewShowsCheckedChannelsAndTheWindowFrame) {
  EXPECT_EQ(render({file("S______0"), "--view", "overview", "--out", "o.bmp", "--start", "300", "--span", "300",
                    "--channels", "05"}),
            0)
      << err_.str();
  ASSERT_NE(last_canvas_, nullptr);
  EXPECT_EQ(last_canvas_->width(), 350);
  EXPECT_EQ(last_canvas_->height(), 330);
  std::vector<std::string> names;
  for (const auto& p : last_canvas_->primitives())
    if (p.kind == ui::testing::PrimitiveKind::Text) names.push_back(p.text);
  EXPECT_NE(std::find(names.begin(), names.end(), "S______0"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "S______5"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "S______4"), names.end());
  // One frame box per shown channel, spanning 300..600 s of the 1200 s recording: x 100..175.
  const auto frame = last_canvas_->xor_shown();
  ASSERT_EQ(frame.size(), 2u);
  for (const auto& box : frame) {
    EXPECT_EQ(std::min(box.points[0].x, box.points[1].x), 25 + 75);
    EXPECT_EQ(std::max(box.points[0].x, box.points[1].x), 25 + 150);
  }
}

}  // namespace
}  // namespace ambview
