// `ambview info` as scripts call it: the built program on files made by the writer, its
// standard output, standard error and exit status, with no display.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/recording_writer.h"
#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::run_ambview;
using e2e::slurp;

namespace {

class InfoE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "info_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

}  // namespace

TEST_F(InfoE2E, PerChannelSet) {
  auto h = common::make_channel_header("ce", "2412081030", 123456, 'a', 0, "WALK TEST");
  h.thresholds = {50, 100, 150};
  ASSERT_EQ(common::write_text_channel_file(dir_ + "/WALK___0.DAT", h, 'A', "A0", std::vector<std::uint32_t>(500, 9)), "");
  ASSERT_EQ(common::write_text_channel_file(dir_ + "/WALK___4.DAT", h, '4', "#4", std::vector<std::uint32_t>(500, 9)), "");
  ASSERT_EQ(common::write_word_file(dir_ + "/WALK___a.DAT", h, std::vector<std::uint16_t>(500, 2048)), "");
  const ProgramRun r = run_ambview(dir_, "info '" + dir_ + "/WALK___4.DAT'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "start: 2412081030\n"
            "comment: WALK TEST\n"
            "samples: 123456 (the file holds 500)\n"  // 500 samples in three records of 240
            "interval: 0.2\n"
            "duration: 24691\n"
            "offset: 0\n"
            "ecg_blocks: 0\n"
            "thresholds: 0.1 0.2 0.3\n"
            "channels: 0/A 4/4 a/w\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(InfoE2E, CombinedFileWithStartOffset) {
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*0";
  h.start_time = "9603010000";
  h.count = 100;
  h.interval_seconds = 1;
  const auto& ac0 = *common::combined_layout(".ac0");
  std::vector<std::string> frames{common::make_marker_frame(ac0, 15)};
  for (int i = 0; i < 100; ++i) frames.push_back(common::make_combined_frame(ac0, {}));
  ASSERT_EQ(common::write_combined_file(dir_ + "/OLD.ac0", h, ac0, "*0", frames), "");
  const ProgramRun r = run_ambview(dir_, "info '" + dir_ + "/OLD.ac0'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("offset: 15\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("duration: 100\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("channels: 0/A 1/A 2/A 3/A t/T u/T\n"), std::string::npos) << r.out;
}

TEST_F(InfoE2E, ErrorsGoToStderrWithNonZeroStatus) {
  ProgramRun r = run_ambview(dir_, "info '" + dir_ + "/MISSING'");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("データーエラー"), std::string::npos);

  auto h = common::make_channel_header("ce", "2412081030", 10, 'F');  // 0.4 s
  ASSERT_EQ(common::write_text_channel_file(dir_ + "/SHORT__0", h, 'A', "#0", std::vector<std::uint32_t>{1}), "");
  r = run_ambview(dir_, "info '" + dir_ + "/SHORT__0'");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("データーエラー(A)"), std::string::npos);

  r = run_ambview(dir_, "info");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("usage"), std::string::npos);
}
