// `ambview calorie` as scripts call it: the built program on a small recording made by the
// writer, its totals checked against a calculation by hand, the calorie text files, the
// settings taken from "RaZor.prm" (never written), and an entry that fails.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/record_file.h"
#include "common/recording_writer.h"
#include "common/settings_record.h"
#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::run_ambview;
using e2e::slurp;

namespace {

class CalorieE2E : public ::testing::Test {
 protected:
  // Twelve samples at 10 s: acceleration 0 mG six times then 1000 mG six times; heart rate
  // 100 BPM throughout.
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "cal_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ + "/rec");
    fs::create_directories(dir_ + "/out");
    const auto h = common::make_channel_header("ce", "2612010900", 12, '0', 10, "E2E");
    std::vector<std::uint32_t> acc(12, 0);
    for (int i = 6; i < 12; ++i) acc[static_cast<std::size_t>(i)] = 500;  // stored as mG / 2
    ASSERT_EQ(common::write_text_channel_file(dir_ + "/rec/CALE2E_0", h, 'A', "A0", acc), "");
    ASSERT_EQ(common::write_text_channel_file(dir_ + "/rec/CALE2E_5", h, '5', "#5", std::vector<std::uint32_t>(12, 100)),
              "");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file() const { return dir_ + "/rec/CALE2E_0"; }
  std::string dir_;
};

}  // namespace

// By hand, with the defaults (a 0.021, b 0.078, c 3.083, d 68.074, row 2: E 4.825, 60 kg):
//  acceleration VO2: 0 mG -> 0.078 / 0.021 = 3.7143; 1000 mG -> 1.078 / 0.021 = 51.3333;
//    sum 6 x 3.7143 + 6 x 51.3333 = 330.2857; M = sum / 13 = 25.4066;
//    R = 25.4066 / 1000 x 4.825 x 60 x 60 = 441.31 kcal/h; T = 13 x 10 / 3600 = 0.036111 h;
//    total = 15.94 -> 16 kcal.
//  heart rate VO2: (100 - 68.074) / 3.083 = 10.3555; sum 124.266; M = 9.5589;
//    R = 166.03 kcal/h; total = 166.03 x 0.036111 = 6.00 -> 6 kcal.
//  With 80 kg instead of 60 the totals scale by 4/3: 21.25 -> 21 and 7.99 -> 8.
TEST_F(CalorieE2E, TotalsMatchTheHandCalculation) {
  const ProgramRun r = run_ambview(dir_, "calorie " + file() + " --avg 3 --per-line 2 --out " + dir_ + "/out");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, dir_ + "/rec/CALE2E_0 A 16 kcal " + dir_ + "/out/Calorie.ac\n" + dir_ + "/rec/CALE2E_5 5 6 kcal " +
                       dir_ + "/out/Calorie.hr\n");
  // Blocks of three: 65, 65, 892, 892 kcal/h, two to a line.
  const std::string ac = slurp(dir_ + "/out/Calorie.ac");
  EXPECT_NE(ac.find("\r\n\r\n"), std::string::npos);
  EXPECT_NE(ac.find("\r\n  65,  65\r\n 892, 892\r\n"), std::string::npos) << ac;
  EXPECT_FALSE(fs::exists(dir_ + "/RaZor.prm"));  // the command line never writes it

  const ProgramRun heavy = run_ambview(dir_, "calorie " + file() + " --weight 80 --out " + dir_ + "/out");
  ASSERT_EQ(heavy.status, 0) << heavy.err;
  EXPECT_NE(heavy.out.find(" A 21 kcal "), std::string::npos) << heavy.out;
  EXPECT_NE(heavy.out.find(" 5 8 kcal "), std::string::npos) << heavy.out;
}

TEST_F(CalorieE2E, SettingsComeFromRazorPrmWhichStaysUnchanged) {
  common::SettingsSlots s{};
  s[1] = dir_ + "/";
  s[2] = "CALE2E_";
  s[17] = "8";
  s[18] = "2";
  s[20] = "80";
  s[21] = "1";
  s[22] = "0.021";
  s[23] = "0.078";
  s[24] = "3.083";
  s[25] = "68.074";
  s[26] = "0";
  ASSERT_TRUE(common::write_settings_file(dir_ + "/RaZor.prm", s, common::SettingsFlavour::Viewer));
  const std::string before = slurp(dir_ + "/RaZor.prm");
  const ProgramRun r = run_ambview(dir_, "calorie " + file() + " --out " + dir_ + "/out");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find(" A 21 kcal "), std::string::npos) << r.out;
  EXPECT_EQ(slurp(dir_ + "/RaZor.prm"), before);
}

TEST_F(CalorieE2E, AZeroCoefficientFailsThatEntryOnly) {
  const ProgramRun r = run_ambview(dir_, "calorie " + file() + " --a 0 --out " + dir_ + "/out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("CALE2E_0 A: the coefficient a or c is 0"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, dir_ + "/rec/CALE2E_5 5 6 kcal " + dir_ + "/out/Calorie.hr\n");
}

TEST_F(CalorieE2E, BadOptionsChangeNothing) {
  for (const char* bad : {"--rq 6", "--avg 0", "--weight x", "--a 1,5", "--per-line 0"}) {
    const ProgramRun r = run_ambview(dir_, "calorie " + file() + " " + bad + " --out " + dir_ + "/out");
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("usage:"), std::string::npos) << bad;
  }
  EXPECT_FALSE(fs::exists(dir_ + "/out/Calorie.ac"));
}
