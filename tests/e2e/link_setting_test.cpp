// `ambcomm --port LINK set` and `clear --yes` against `ambsim` on a real pty: the simulated
// recorder takes the conditions, the re-read list shows them, and the memory clear empties it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>
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

class LinkSettingE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "link_set_e2e_XXXXXX").string();
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
    args.insert(args.begin(), MOVILOG_BIN_DIR "/ambcomm");
    ProgramRun r;
    pid_t pid = spawn(args, dir_ + "/out.txt", dir_ + "/err.txt");
    if (pid <= 0) return r;
    int raw = 0;
    ::waitpid(pid, &raw, 0);
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

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(LinkSettingE2E, SetChangesTheRecorderAndTheReReadShowsIt) {
  start_sim({"--model", "LA", "--mode", "8", "--samples", "900", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "set", "comment=E2E RUN", "interval=5", "level_threshold_1=0.1", "mode=9",
                          "switch_start=1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has(r.out, "名前､ｺﾒﾝﾄ       E2E RUN             ")) << r.out;
  EXPECT_TRUE(has(r.out, "測定間隔(秒)      5   ")) << r.out;
  EXPECT_TRUE(has(r.out, "基準加速度１(G)  0.1     ")) << r.out;
  EXPECT_TRUE(has(r.out, "9 = 加速度波形+心電図波形")) << r.out;
  EXPECT_TRUE(has(r.out, "測定条件を受信")) << r.out;

  // The recorder keeps what it took: a fresh request shows it too.
  ProgramRun again = conditions();
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(has(again.out, "E2E RUN")) << again.out;
  EXPECT_TRUE(has(again.out, "加速度ﾃﾞｰﾀｰ量    900     ")) << again.out;
  EXPECT_EQ(stop_sim(), 0);
  const std::string log = slurp(dir_ + "/sim.err");
  EXPECT_TRUE(has(log, "ambsim: < Cc")) << log;
  EXPECT_TRUE(has(log, "ambsim: < SM1")) << log;
}

TEST_F(LinkSettingE2E, TooLongValueIsRefusedAndNothingIsSent) {
  start_sim({"--model", "LA", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "set", "comment=ABCDEFGHIJKLMNOPQRSTUVWXYZ"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "comment")) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(stop_sim(), 0);
  EXPECT_FALSE(has(slurp(dir_ + "/sim.err"), "ambsim: <"));
}

TEST_F(LinkSettingE2E, ClearEmptiesTheRecorder) {
  start_sim({"--model", "LA", "--samples", "700", "--clear-seconds", "0.3"});
  ProgramRun before = conditions();
  EXPECT_TRUE(has(before.out, "加速度ﾃﾞｰﾀｰ量    700     ")) << before.out;
  ProgramRun r = ambcomm({"--port", link_, "clear", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ﾒﾓﾘｰｸﾘｱｰを終了\n");
  ProgramRun after = conditions();
  EXPECT_TRUE(has(after.out, "加速度ﾃﾞｰﾀｰ量    0     ")) << after.out;
}

TEST_F(LinkSettingE2E, ClearWithoutYesTouchesNothing) {
  start_sim({"--model", "LA", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "clear"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "--yes")) << r.err;
  EXPECT_EQ(stop_sim(), 0);
  EXPECT_FALSE(has(slurp(dir_ + "/sim.err"), "ambsim: <"));
}

}  // namespace
