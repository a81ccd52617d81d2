// `ambcomm --port LINK conditions` against `ambsim` on a real pty: every model code, a
// recorder left at four-times speed, silence, short and foreign answers, a missing device,
// a recorder that vanishes mid-exchange, and the CPU a waiting ambcomm uses.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
  double cpu_s = 0;   // user + system time of the program
  double wall_s = 0;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

class LinkE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "link_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    link_ = dir_ + "/LINK";
  }
  void TearDown() override {
    stop_sim();
    fs::remove_all(dir_);
  }

  // Starts ambsim with extra options and waits for its LINK.
  void start_sim(std::vector<std::string> options) {
    std::vector<std::string> argv{MOVILOG_BIN_DIR "/ambsim", "--pty", link_};
    argv.insert(argv.end(), options.begin(), options.end());
    sim_ = spawn(argv, dir_ + "/sim.out", dir_ + "/sim.err");
    ASSERT_GT(sim_, 0);
    for (int i = 0; i < 500 && !fs::is_symlink(link_); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::is_symlink(link_)) << slurp(dir_ + "/sim.err");
  }

  // Stops ambsim with SIGTERM; its exit status.
  int stop_sim() {
    if (sim_ <= 0) return -1;
    ::kill(sim_, SIGTERM);
    int raw = 0;
    ::waitpid(sim_, &raw, 0);
    sim_ = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  ProgramRun ambcomm(std::vector<std::string> args) {
    std::vector<std::string> argv{MOVILOG_BIN_DIR "/ambcomm"};
    argv.insert(argv.end(), args.begin(), args.end());
    auto start = std::chrono::steady_clock::now();
    pid_t pid = spawn(argv, dir_ + "/out.txt", dir_ + "/err.txt");
    ProgramRun r;
    if (pid <= 0) return r;
    int raw = 0;
    rusage ru{};
    ::wait4(pid, &raw, 0, &ru);
    r.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu_s = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
              static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(dir_ + "/out.txt");
    r.err = slurp(dir_ + "/err.txt");
    return r;
  }

  ProgramRun conditions() { return ambcomm({"--port", link_, "conditions"}); }

  std::string dir_;
  std::string link_;
  pid_t sim_ = -1;
};

TEST_F(LinkE2E, EveryModelCodeAnswers) {
  for (const char* model : {"CE", "ce", "CF", "La", "LA", "lA", "Aa", "CD"}) {
    start_sim({"--model", model, "--mode", model == std::string("Aa") ? "1" : "@", "--samples", "777"});
    ProgramRun r = conditions();
    EXPECT_EQ(r.status, 0) << model << r.err;
    EXPECT_NE(r.out.find("測定開始時刻  26年12月01日09時30分"), std::string::npos) << model;
    EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos) << model;
    if (model != std::string("CF") && model != std::string("CD")) {
      EXPECT_NE(r.out.find("加速度ﾃﾞｰﾀｰ量    777"), std::string::npos) << model << r.out;
    }
    EXPECT_EQ(stop_sim(), 0) << model;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_))) << "ambsim left its LINK behind";
  }
}

TEST_F(LinkE2E, RecorderLeftAtFourTimesSpeedIsRecovered) {
  start_sim({"--model", "LA", "--line-speed", "19200", "--log"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos);
  // Recovered for good: the next request needs no second recovery.
  r = conditions();
  EXPECT_EQ(r.status, 0);
  stop_sim();
  // The recorder heard "B2" once, and only the requests made at its own speed.
  EXPECT_EQ(slurp(dir_ + "/sim.err").substr(slurp(dir_ + "/sim.err").find('\n') + 1),
            "ambsim: < B2\nambsim: < CRa\nambsim: < CRa\n");
}

TEST_F(LinkE2E, SilentRecorderAndWaitingCostsNoCpu) {
  start_sim({"--model", "CE", "--faults", "silent=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("受信できません (受信キャラクター無し)"), std::string::npos) << r.err;
  // Status 1 decodes the empty answer: the list shows empty start fields.
  EXPECT_NE(r.out.find("測定開始時刻  年月日時分\n"), std::string::npos) << r.out;
  // Two time-outs of one to two seconds each, spent blocked on the port, not spinning.
  EXPECT_LT(r.cpu_s, 0.1 * r.wall_s) << "cpu " << r.cpu_s << " s of " << r.wall_s << " s";
}

TEST_F(LinkE2E, ShortAndForeignAnswers) {
  start_sim({"--model", "CE", "--faults", "short=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("受信できません (受信データー不足)"), std::string::npos) << r.err;
  stop_sim();

  start_sim({"--model", "PW"});
  r = conditions();
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("受信データーが違います (ヘディング不良)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("streams its waveform"), std::string::npos);
  EXPECT_EQ(r.out, "");
}

TEST_F(LinkE2E, MissingDeviceIsAClearError) {
  ProgramRun r = ambcomm({"--port", dir_ + "/no-such-device", "--timer", "500", "conditions"});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.err.find("RS-232Cをｵｰﾌﾟﾝできません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("no-such-device"), std::string::npos) << r.err;

  r = ambcomm({"conditions"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("needs --port"), std::string::npos);
}

TEST_F(LinkE2E, RecorderVanishingMidExchange) {
  start_sim({"--model", "CE", "--faults", "disconnect=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 27);  // the serial device error, not a hang and not success
  EXPECT_NE(r.err.find("受信できません (Err=27)"), std::string::npos) << r.err;
}

TEST_F(LinkE2E, SimulatedRecorderInProcess) {
  ProgramRun r = ambcomm({"--simulate", "--timer", "5", "conditions"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos);
}

}  // namespace
