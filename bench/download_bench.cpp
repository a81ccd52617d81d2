// Download throughput through a real pty: ambcomm against ambsim at the real line rate, as a
// fraction of the rate the transfer claims (10 bits a byte), and ambcomm's CPU time per block
// (getrusage of the child), which shows whether the waits block or spin.
//
//   download_bench [BIN_DIR] [SAMPLES]     BIN_DIR holds ambcomm and ambsim (default: ..)
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Case {
  const char* label;
  const char* model;
  char mode;
  char speed;       // "B": four-times transfer at 19200
  int baud;
  bool text_frame;  // CE answers in text frames
};

pid_t spawn(const std::vector<std::string>& args, bool quiet) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (quiet) {
    posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// Bytes the recorder sends for `count` acceleration values, blocks of 50.
long line_bytes(long count, bool text_frame) {
  long bytes = 0;
  for (long first = 0; first < count; first += 50) {
    const long n = std::min(50L, count - first);
    bytes += text_frame ? 2 + 4 * n + 1 : 4 + 3 * ((n + 1) / 2);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const std::string bin = argc > 1 ? argv[1] : self.parent_path().parent_path().string();
  const long samples = argc > 2 ? std::atol(argv[2]) : 1000;
  const Case cases[] = {
      {"byte frames, 9600", "LA", '1', 'A', 9600, false},
      {"byte frames, four-times 19200", "LA", '1', 'B', 19200, false},
      {"text frames, 9600", "CE", '1', 'A', 9600, true},
  };
  const fs::path dir = fs::temp_directory_path() / ("download_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("%-32s %8s %8s %9s %10s %10s %12s\n", "case", "samples", "blocks", "xfer s", "bytes/s", "of line", "CPU ms/block");
  for (const auto& c : cases) {
    const std::string link = (dir / "link").string();
    pid_t sim = spawn({bin + "/ambsim", "--pty", link, "--model", c.model, "--mode", std::string(1, c.mode), "--samples",
                       std::to_string(samples), "--speed", std::string(1, c.speed)},
                      true);
    for (int i = 0; i < 500 && !fs::is_symlink(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // The condition request alone (start-up included) is measured first and taken off, so
    // that the figures are those of the block transfer.
    auto timed = [&](const std::vector<std::string>& args, double& wall, double& cpu_ms) {
      const auto t0 = std::chrono::steady_clock::now();
      pid_t comm = spawn(args, true);
      int status = 0;
      rusage usage{};
      wait4(comm, &status, 0, &usage);
      wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    double base_wall = 0, base_cpu = 0, wall = 0, cpu = 0;
    timed({bin + "/ambcomm", "--port", link, "conditions"}, base_wall, base_cpu);
    const int rc = timed({bin + "/ambcomm", "--port", link, "download", (dir / "REC").string(), "--yes"}, wall, cpu);
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
    if (rc != 0) {
      std::printf("%-32s failed (exit %d)\n", c.label, rc);
      continue;
    }
    const long blocks = (samples + 49) / 50;
    const long bytes = line_bytes(samples, c.text_frame);
    const double transfer = std::max(1e-6, wall - base_wall);
    std::printf("%-32s %8ld %8ld %9.2f %10.0f %9.1f%% %12.3f\n", c.label, samples, blocks, transfer, bytes / transfer,
                100.0 * bytes * 10.0 / (transfer * c.baud), std::max(0.0, cpu - base_cpu) / static_cast<double>(blocks));
  }
  fs::remove_all(dir);
  return 0;
}
