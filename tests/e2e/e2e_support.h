// What the end-to-end tests share: running a built program with its output captured, and a
// fixture that serves ambsim on a real pty in a fresh temporary folder.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
  double cpu_s = 0;  // user + system time of the program
  double wall_s = 0;
};

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Starts argv[0] with stdin from /dev/null and stdout/stderr into files; -1 when it fails.
inline pid_t spawn(const std::vector<std::string>& argv, const std::string& out, const std::string& err) {
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

// Runs argv to its end with its output captured in `dir`/out.txt and err.txt.
inline ProgramRun run_program(const std::vector<std::string>& argv, const std::string& dir) {
  const auto start = std::chrono::steady_clock::now();
  ProgramRun r;
  const pid_t pid = spawn(argv, dir + "/out.txt", dir + "/err.txt");
  if (pid <= 0) return r;
  int raw = 0;
  rusage ru{};
  ::wait4(pid, &raw, 0, &ru);
  r.wall_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu_s = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(dir + "/out.txt");
  r.err = slurp(dir + "/err.txt");
  return r;
}

// Runs the built ambview with `args` (words already shell-quoted) in `dir` as its current
// directory and without a display, its output captured in `dir`/out.txt and err.txt.
inline ProgramRun run_ambview(const std::string& dir, const std::string& args) {
  const std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY " MOVILOG_BIN_DIR "/ambview " +
                          args + " >out.txt 2>err.txt </dev/null";
  ProgramRun r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(dir + "/out.txt");
  r.err = slurp(dir + "/err.txt");
  return r;
}

// A fresh temporary folder with ambsim serving LINK in it, and ambcomm run against it.
class SimFixture : public ::testing::Test {
 protected:
  explicit SimFixture(std::string folder_prefix) : prefix_(std::move(folder_prefix)) {}

  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / (prefix_ + "_XXXXXX")).string();
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
    return run_program(args, dir_);
  }
  ProgramRun conditions() { return ambcomm({"--port", link_, "conditions"}); }

  std::string prefix_;
  std::string dir_;
  std::string link_;
  pid_t sim_ = -1;
};

}  // namespace e2e
