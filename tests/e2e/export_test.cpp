// `ambview export` and `ambview resave` as scripts call them: the built program on a generated
// recording, its standard output, standard error, exit status and the files it leaves.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/settings_record.h"
#include "sim/recording_generator.h"
#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::run_ambview;
using e2e::slurp;

namespace {

std::vector<std::string> lines(const std::string& text, const std::string& end) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    auto e = text.find(end, at);
    if (e == std::string::npos) e = text.size();
    out.push_back(text.substr(at, e - at));
    at = e + end.size();
  }
  return out;
}

class ExportE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "export_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    ambsim::RecordingOptions o;
    o.path = (dir_ / "WALK").string();
    o.signal.mode = '@';
    o.signal.samples = 1800;
    o.signal.interval_s = 1.0;
    o.signal.ecg_blocks = 1;
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    ASSERT_EQ(r.error, "");
    file_ = (dir_ / "WALK___0").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  ProgramRun run(const std::string& args) { return run_ambview(dir_.string(), args); }

  fs::path dir_;
  std::string file_;
};

TEST_F(ExportE2E, ExportWritesOneFilePerChannelAndNamesThem) {
  fs::create_directories(dir_ / "prn");
  const ProgramRun r = run("export '" + file_ + "' --start 60 --span 300 --per-line 10 --out prn");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::vector<std::string> expected{"prn/WALK___0.prn", "prn/WALK___1.prn", "prn/WALK___2.prn",
                                          "prn/WALK___3.prn", "prn/WALK___4.prn", "prn/WALK___5.prn"};
  EXPECT_EQ(lines(r.out, "\n"), expected);
  for (const auto& name : expected) {
    const auto text = lines(slurp(dir_ / name), "\r\n");
    ASSERT_EQ(text.size(), 31u) << name;  // the header line and 300 values, 10 a line
    EXPECT_EQ(text[0].substr(17, 18), "\",\"26-12-01 09:01\"") << name;
  }
}

TEST_F(ExportE2E, ResavedRangeOpensAgainAndExportsAsTheSourceRange) {
  const ProgramRun saved = run("resave '" + file_ + "' --start 120 --span 240 --out NEW");
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(lines(saved.out, "\n"), (std::vector<std::string>{"NEW____0.c", "NEW____1.c", "NEW____2.c", "NEW____3.c",
                                                              "NEW____4.c", "NEW____5.c"}));
  const ProgramRun info = run("info NEW____4.c");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("start: 2612010902\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("samples: 240\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("ecg_blocks: 1\n"), std::string::npos) << info.out;

  fs::create_directories(dir_ / "a");
  fs::create_directories(dir_ / "b");
  ASSERT_EQ(run("export '" + file_ + "' --start 120 --span 240 --out a").status, 0);
  ASSERT_EQ(run("export NEW____0.c --out b").status, 0);
  for (char code : std::string("012345")) {
    const std::string a = slurp(dir_ / "a" / (std::string("WALK___") + code + ".prn"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, slurp(dir_ / "b" / (std::string("NEW____") + code + ".prn"))) << code;
  }
}

TEST_F(ExportE2E, SettingsComeFromRazorPrmWhichStaysAsItWas) {
  common::SettingsSlots slots{};
  slots[1] = dir_.string() + "/";
  slots[0] = std::string(1, static_cast<char>(slots[1].size()));
  slots[17] = "5";
  ASSERT_TRUE(common::write_settings_file((dir_ / "RaZor.prm").string(), slots, common::SettingsFlavour::Viewer));
  const std::string before = slurp(dir_ / "RaZor.prm");
  const ProgramRun r = run("export '" + file_ + "' --span 60");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto text = lines(slurp(dir_ / "WALK___5.prn"), "\r\n");
  ASSERT_EQ(text.size(), 13u);  // 60 values, 5 a line
  EXPECT_EQ(slurp(dir_ / "RaZor.prm"), before);
}

TEST_F(ExportE2E, BadRequestsFailWithAMessageAndWriteNothing) {
  struct Case {
    std::string args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases{
      {"resave '" + file_ + "' --start 0 --span 60", 2, "--out is required"},
      {"export '" + file_ + "' --per-line 0", 2, "--per-line needs a whole number from 1 to 9999"},
      {"export '" + file_ + "' --out nowhere", 2, "--out: no directory"},
      {"export '" + file_ + "' --start 99999", 2, "--start needs a whole number"},
      {"export MISSING___0", 1, "処理できるデーターではありません"},
      {"resave '" + file_ + "' --out nowhere/NEW", 2, "--out: no directory"},
      {"export '" + file_ + "' --bogus 1", 2, "unknown option --bogus"},
  };
  for (const Case& c : cases) {
    const ProgramRun r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
  for (const auto& e : fs::directory_iterator(dir_)) {
    const std::string ext = e.path().extension().string();
    EXPECT_TRUE(ext != ".prn" && ext != ".c" && ext != ".part") << e.path();
  }
}

TEST_F(ExportE2E, ModeFiveAndResavedSetsAreRefused) {
  ambsim::RecordingOptions o;
  o.path = (dir_ / "STEP").string();
  o.family = ambsim::Family::Combined;
  o.signal.mode = '5';
  o.signal.model = "Aa";
  o.signal.samples = 600;
  ASSERT_EQ(ambsim::write_recording(o).error, "");
  const ProgramRun five = run("resave STEP.ac5 --out OUT");
  EXPECT_EQ(five.status, 1);
  EXPECT_NE(five.err.find("測定ﾓｰﾄﾞ5では実行出来ません"), std::string::npos) << five.err;
  // The text export of the same file works.
  EXPECT_EQ(run("export STEP.ac5").status, 0);

  ASSERT_EQ(run("resave '" + file_ + "' --out ONCE").status, 0);
  const ProgramRun twice = run("resave ONCE___0.c --out TWICE");
  EXPECT_EQ(twice.status, 1);
  EXPECT_NE(twice.err.find("．Ｃ ﾌｧｲﾙは処理できません"), std::string::npos) << twice.err;
  EXPECT_FALSE(fs::exists(dir_ / "TWICE__0.c"));
}

}  // namespace
