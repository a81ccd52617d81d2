// `ambcomm download` against ambsim over a real pty: every model family and mode family read
// back through the shared reader as the generator holds it; injected faults leave the files
// byte for byte as a clean download; a disconnect fails plainly and keeps what came in a file
// that opens; existing files are not overwritten without --yes; a streaming recorder ends the
// command with 3.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "tests/e2e/e2e_support.h"
#include "tests/link/download_expect.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct CommandRun {
  int status = -1;
  std::string out;
  std::string err;
};

// One simulated recorder on a pty for the life of the object.
class Simulator {
 public:
  Simulator(const std::string& link, const std::vector<std::string>& options) : link_(link) {
    std::vector<std::string> args{MOVILOG_BIN_DIR "/ambsim", "--pty", link};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Its start-up line would only clutter the test output.
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &quiet, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&quiet);
    for (int i = 0; i < 500 && !fs::is_symlink(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~Simulator() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int st = 0;
      ::waitpid(pid_, &st, 0);
    }
  }
  bool ready() const { return pid_ > 0 && fs::is_symlink(link_); }

 private:
  std::string link_;
  pid_t pid_ = -1;
};

std::string sim_args_text(const ambsim::RecorderConfig& c) {
  return c.model + " mode " + c.mode + " samples " + std::to_string(c.samples);
}

std::vector<std::string> sim_args(const ambsim::RecorderConfig& c, double pace, const std::string& faults = {}) {
  std::vector<std::string> a{"--model",  c.model, "--mode", std::string(1, c.mode), "--samples", std::to_string(c.samples),
                             "--ecg",    std::to_string(c.ecg), "--seed", std::to_string(c.seed),
                             "--speed",  std::string(1, c.speed), "--pace", std::to_string(pace)};
  if (!faults.empty()) a.insert(a.end(), {"--faults", faults});
  return a;
}

class DownloadE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "download_e2e_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs `ambcomm --port LINK download` with `args` (already quoted).
  CommandRun ambcomm(const std::string& link, const std::string& args) {
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY " MOVILOG_BIN_DIR "/ambcomm --port '" + link + "' download " + args +
                            " >" + dir_ + "/out.txt 2>" + dir_ + "/err.txt </dev/null";
    CommandRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = dltest::slurp(dir_ + "/out.txt");
    r.err = dltest::slurp(dir_ + "/err.txt");
    return r;
  }

  // A download of `c` into a fresh folder `name` under the test folder.
  CommandRun download(const std::string& name, const ambsim::RecorderConfig& c, double pace, const std::string& faults = {}) {
    const std::string folder = dir_ + "/" + name;
    fs::create_directories(folder);
    Simulator sim(dir_ + "/link_" + name, sim_args(c, pace, faults));
    EXPECT_TRUE(sim.ready());
    return ambcomm(dir_ + "/link_" + name, "'" + folder + "/REC.DAT'");
  }
  std::string base(const std::string& name) const { return dir_ + "/" + name + "/REC____"; }

  std::string dir_;
};

ambsim::RecorderConfig config(std::string model, char mode, std::int64_t samples, int ecg = 0) {
  ambsim::RecorderConfig c = dltest::config(std::move(model), mode, samples, ecg);
  c.seed = 7;
  return c;
}

TEST_F(DownloadE2E, EveryModelAndModeFamily) {
  struct Case {
    ambsim::RecorderConfig c;
    double pace;
  };
  const Case cases[] = {
      {config("CE", '@', 100, 1), 20},  // text frames: acceleration, X/Y/Z, tilt, heart rate, ECG block
      {config("CE", '4', 90), 4},       // text frames: three levels
      {config("CE", 'R', 80), 4},       // text frames: level, tilt, RR with heart rate and index
      {config("ce", 'T', 100, 4), 40},  // byte frames: levels, tilt, RR, all four ECG blocks
      {config("LA", '0', 130), 1},      // byte frames at the real line rate: "A0", "AX".."AZ"
      {config("La", '2', 120), 1},      // "A1" blocks written as "#1" records
      {config("LA", '1', 481), 4},      // a long channel (10 blocks), no tilt
      {config("ce", 'A', 481), 4},      // tilt 481: 480 samples
      {config("La", '7', 80), 4},       // waveform modes
      {config("LA", '8', 80), 4},
      {config("LA", '9', 80), 4},
      {config("CF", 'P', 60), 4},       // the RR recorder
      {config("Aa", '0', 50), 4},       // the old recorder's combined files
      {config("Aa", '1', 50), 4},
      {config("Aa", '2', 50), 4},
      {config("Aa", '4', 50), 4},
      {config("Aa", '5', 50), 4},
  };
  int n = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(sim_args_text(k.c));
    const std::string name = "m" + std::to_string(n++);
    const CommandRun r = download(name, k.c, k.pace);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("download complete"), std::string::npos) << r.err;
    EXPECT_FALSE(r.out.empty());
    const std::string b = k.c.model == "Aa" ? dir_ + "/" + name + "/REC" : base(name);
    for (const auto& bad : dltest::check_download(b, k.c)) ADD_FAILURE() << bad;
  }
}

TEST_F(DownloadE2E, FourTimesSpeedRecorder) {
  auto c = config("LA", '0', 200);
  c.speed = 'B';
  fs::create_directories(dir_ + "/fast");
  Simulator sim(dir_ + "/link_fast", sim_args(c, 1));
  ASSERT_TRUE(sim.ready());
  const CommandRun r = ambcomm(dir_ + "/link_fast", "'" + dir_ + "/fast/REC'");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const auto& bad : dltest::check_download(base("fast"), c)) ADD_FAILURE() << bad;
  // Back at normal speed afterwards: the next download starts at 9600 and gets everything again.
  const CommandRun again = ambcomm(dir_ + "/link_fast", "'" + dir_ + "/fast/REC' --yes");
  ASSERT_EQ(again.status, 0) << again.err;
  for (const auto& bad : dltest::check_download(base("fast"), c)) ADD_FAILURE() << bad;
}

TEST_F(DownloadE2E, FaultsLeaveTheFilesAsACleanDownload) {
  // Byte frames and text frames, each with corrupt checksums, wrong headings, answers that
  // never come, bytes lost on the line and answers that stop halfway.
  const std::string faults = "checksum=0.1,heading=0.1,drop=0.08,lose=0.08,stall=0.08";
  for (auto c : {config("LA", '0', 150), config("CE", 'A', 120)}) {
    c.seed = 3;  // a seed whose draws include every kind of fault for these two recorders
    SCOPED_TRACE(sim_args_text(c));
    const std::string tag = c.model;
    const CommandRun clean = download("clean" + tag, c, 4);
    ASSERT_EQ(clean.status, 0) << clean.err;
    const CommandRun faulty = download("faulty" + tag, c, 4, faults);
    ASSERT_EQ(faulty.status, 0) << faulty.err;
    EXPECT_EQ(dltest::tree(dir_ + "/clean" + tag), dltest::tree(dir_ + "/faulty" + tag));
    EXPECT_TRUE(dltest::check_download(base("faulty" + tag), c).empty());
  }
}

TEST_F(DownloadE2E, ADisconnectKeepsWhatCameAsAFileThatOpens) {
  const auto c = config("LA", '0', 200);
  const CommandRun clean = download("whole", c, 4);
  ASSERT_EQ(clean.status, 0) << clean.err;
  // The conditions answer and three blocks, then the recorder leaves the line.
  const CommandRun cut = download("cut", c, 4, "disconnect=5");
  EXPECT_EQ(cut.status, 27) << cut.err;
  EXPECT_NE(cut.err.find("stopped early"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find(base("cut") + "0: partial, holds 150 of 200"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find(base("cut") + "1: not downloaded"), std::string::npos) << cut.err;
  EXPECT_EQ(cut.out, base("cut") + "0\n");  // only what is on disk is listed
  const auto whole = dltest::records(base("whole") + "0");
  const auto part = dltest::records(base("cut") + "0");
  ASSERT_EQ(part.size(), 4u);
  for (std::size_t r = 1; r < part.size(); ++r) EXPECT_EQ(part[r], whole[r]);
  EXPECT_EQ(part[0].substr(10, 4), "0096");  // the header counts the 150 samples it holds
  EXPECT_FALSE(fs::exists(base("cut") + "1"));
  for (const auto& e : fs::directory_iterator(dir_ + "/cut"))
    EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
  // The analysis program reads the partial file to its end without an error.
  const auto exported = e2e::run_ambview(dir_ + "/cut", "export REC____0 --out .");
  EXPECT_EQ(exported.status, 0) << exported.err;
}

TEST_F(DownloadE2E, ExistingFilesNeedYes) {
  const auto c = config("LA", '1', 60);
  fs::create_directories(dir_ + "/ex");
  std::ofstream(base("ex") + "0", std::ios::binary) << "precious";
  {
    Simulator sim(dir_ + "/link_ex", sim_args(c, 4));
    ASSERT_TRUE(sim.ready());
    const CommandRun refused = ambcomm(dir_ + "/link_ex", "'" + dir_ + "/ex/REC'");
    EXPECT_EQ(refused.status, 10);  // its own status, not the 2 of a short answer
    EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused.err;
    EXPECT_EQ(dltest::slurp(base("ex") + "0"), "precious");
    const CommandRun yes = ambcomm(dir_ + "/link_ex", "'" + dir_ + "/ex/REC' --yes");
    EXPECT_EQ(yes.status, 0) << yes.err;
  }
  EXPECT_TRUE(dltest::check_download(base("ex"), c).empty());
  // The help names every exit status, this one too.
  const auto help = e2e::run_program({MOVILOG_BIN_DIR "/ambcomm", "--help"}, dir_);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("   10  a file of the download exists"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("    9  a recording file cannot be written"), std::string::npos) << help.out;
}

TEST_F(DownloadE2E, AStreamingRecorderEndsTheCommandWithThree) {
  Simulator sim(dir_ + "/link_pw", {"--model", "PW"});
  ASSERT_TRUE(sim.ready());
  const CommandRun r = ambcomm(dir_ + "/link_pw", "'" + dir_ + "/REC'");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_NE(r.err.find("streams"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir_ + "/REC____0"));
}

}  // namespace
