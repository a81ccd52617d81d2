// Every command-line form of ambview on broken and foreign files, made at test time from a
// real generated recording: each run must end, succeed or fail with a short message, leave its
// input files as they were and write nothing outside its --out directory. Then the data-safety
// table: outputs named like their inputs, damaged counts, a full disk, files that hold nothing.
// Also ambcomm on a missing device and on a recorder whose answers are mangled or stall.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/text.h"
#include "sim/recording_generator.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr auto kRunLimit = std::chrono::seconds(40);

// The programs under test; MOVILOG_TEST_BIN_DIR runs the suite against other builds (an older
// one, to see that a case failed before).
std::string bin(const std::string& program) {
  const char* other = std::getenv("MOVILOG_TEST_BIN_DIR");
  return std::string(other != nullptr ? other : MOVILOG_BIN_DIR) + "/" + program;
}

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A file's bytes with `edit` applied to record `n` (1-based, 256 bytes each).
void edit_record(const fs::path& path, int n, const std::function<void(std::string&)>& edit) {
  std::string all = slurp(path);
  const std::size_t at = static_cast<std::size_t>(n - 1) * 256;
  if (all.size() < at + 256) all.resize(at + 256, ' ');
  std::string rec = all.substr(at, 256);
  edit(rec);
  all.replace(at, 256, rec);
  spit(path, all);
}

// Every file under `root` (directories too) with its bytes, to see what a run changed.
std::map<std::string, std::string> snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    files[rel] = e.is_regular_file() ? slurp(e.path()) : e.is_directory() ? std::string("<dir>") : std::string("<other>");
  }
  return files;
}

struct ProgramRun {
  std::string what;
  bool ended = false;
  bool exited = false;  // false: killed by a signal
  int status = -1;
  std::string err;
};

pid_t spawn_in(const fs::path& cwd, const std::vector<std::string>& argv, const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&fa, cwd.c_str());
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// Runs the commands side by side (each in `cwd`); a run past the limit is killed and reported.
std::vector<ProgramRun> run_all(const fs::path& cwd, const fs::path& logs,
                         const std::vector<std::vector<std::string>>& commands) {
  std::vector<ProgramRun> runs(commands.size());
  std::vector<pid_t> pids(commands.size(), -1);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    for (std::size_t w = 1; w < commands[i].size(); ++w) runs[i].what += commands[i][w] + " ";
    pids[i] = spawn_in(cwd, commands[i], logs / ("out" + std::to_string(i)), logs / ("err" + std::to_string(i)));
  }
  const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
  std::size_t left = commands.size();
  while (left > 0) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
      if (pids[i] <= 0 || runs[i].ended) continue;
      int raw = 0;
      if (::waitpid(pids[i], &raw, WNOHANG) == pids[i]) {
        runs[i].ended = true;
        runs[i].exited = WIFEXITED(raw);
        runs[i].status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
        runs[i].err = slurp(logs / ("err" + std::to_string(i)));
        --left;
      }
    }
    if (left == 0) break;
    if (std::chrono::steady_clock::now() > deadline) {
      for (std::size_t i = 0; i < commands.size(); ++i) {
        if (pids[i] > 0 && !runs[i].ended) {
          ::kill(pids[i], SIGKILL);
          ::waitpid(pids[i], nullptr, 0);
        }
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return runs;
}

// What a failing run must say: a line naming the program, then at most the usage line.
void expect_sound(const ProgramRun& r, const std::string& where) {
  SCOPED_TRACE(where + ": " + r.what);
  ASSERT_TRUE(r.ended) << "did not end within the limit";
  EXPECT_TRUE(r.exited) << "killed by signal " << -r.status << "\n" << r.err;
  for (const char* bad : {"Sanitizer", "runtime error:", "terminate called", "Segmentation", "Assertion"})
    EXPECT_EQ(r.err.find(bad), std::string::npos) << r.err;
  if (r.status == 0) return;
  ASSERT_FALSE(r.err.empty()) << "failed (" << r.status << ") without a message";
  EXPECT_EQ(r.err.back(), '\n') << r.err;
  EXPECT_GT(r.err.find('\n'), 10u) << "message line too short to tell anything:\n" << r.err;
  // One line per failing file (an export names each channel's), each naming the program.
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line.rfind("ambview", 0) == 0 || line.rfind("usage: ambview", 0) == 0) << r.err;
}

struct HostileCase {
  std::string name;  // the folder under cases/
  std::string file;  // FILE as given on the command line (relative to the folder)
};

// The generator: a per-channel set and a combined file from the recording writer, then one
// folder per kind of damage. Nothing binary lives in the repository.
class HostileInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "hostile_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    fs::create_directories(root_ / "cases");
    fs::create_directories(root_ / "out");
    fs::create_directories(root_ / "logs");
    // Without it Qt adds a warning line of its own to every message the test reads.
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
      fs::create_directories(root_ / "xdg");
      fs::permissions(root_ / "xdg", fs::perms::owner_all);
      ::setenv("XDG_RUNTIME_DIR", (root_ / "xdg").c_str(), 1);
      own_runtime_dir_ = true;
    }
  }
  void TearDown() override {
    if (own_runtime_dir_) ::unsetenv("XDG_RUNTIME_DIR");
    fs::remove_all(root_);
  }

  fs::path folder(const std::string& name) {
    fs::path d = root_ / "cases" / name;
    fs::create_directories(d);
    return d;
  }

  // A sound per-channel set WALK___* (acceleration, axes, tilt, heart rate, ECG) in `name`.
  fs::path per_channel(const std::string& name, char mode = '@', const std::string& base = "WALK") {
    fs::path d = folder(name);
    ambsim::RecordingOptions o;
    o.path = (d / base).string();
    o.signal.mode = mode;
    o.signal.samples = 300;
    o.signal.interval_s = 1.0;
    o.signal.ecg_blocks = mode == '@' ? 1 : 0;
    const auto r = ambsim::write_recording(o);
    EXPECT_EQ(r.error, "");
    return d;
  }
  fs::path combined(const std::string& name) {
    fs::path d = folder(name);
    ambsim::RecordingOptions o;
    o.path = (d / "STEP").string();
    o.family = ambsim::Family::Combined;
    o.signal.mode = '2';
    o.signal.model = "Aa";
    o.signal.samples = 300;
    EXPECT_EQ(ambsim::write_recording(o).error, "");
    return d;
  }

  std::vector<HostileCase> make_cases() {
    std::vector<HostileCase> cases;
    std::mt19937 rng(20261208);
    auto random_bytes = [&](std::size_t n) {
      std::string s(n, '\0');
      for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
      return s;
    };

    // Truncated: header only, and half a data record, on every file of the set.
    for (const auto& [name, keep] : {std::pair<std::string, std::size_t>{"header_only", 256}, {"half_record", 384}}) {
      fs::path d = per_channel(name);
      for (const auto& e : fs::directory_iterator(d)) fs::resize_file(e.path(), std::min<std::uintmax_t>(keep, fs::file_size(e.path())));
      cases.push_back({name, "WALK___0"});
    }
    {
      fs::path d = combined("combined_half_record");
      fs::resize_file(d / "STEP.ac2", 256 + 100);
      cases.push_back({"combined_half_record", "STEP.ac2"});
    }
    // Zero-length files: the chosen one, and a whole set of them.
    spit(folder("zero_length") / "NULL___0", "");
    spit(root_ / "cases" / "zero_length" / "NULL___4", "");
    cases.push_back({"zero_length", "NULL___0"});
    spit(folder("zero_combined") / "NULL.ac0", "");
    cases.push_back({"zero_combined", "NULL.ac0"});

    // Huge counts: FFFF with FFFFFFFF behind it, on every file of the set.
    {
      fs::path d = per_channel("huge_counts");
      for (const auto& e : fs::directory_iterator(d))
        edit_record(e.path(), 1, [](std::string& r) {
          common::set_mid(r, 11, "FFFF");
          common::set_mid(r, 113, "FFFFFFFF");
          common::set_mid(r, 55, "FFFFFFFF");
        });
      cases.push_back({"huge_counts", "WALK___0"});
    }
    {
      fs::path d = combined("combined_huge_count");
      edit_record(d / "STEP.ac2", 1, [](std::string& r) {
        common::set_mid(r, 13, "FFFF");
        common::set_mid(r, 17, "FFFF");  // interval of 65535 s
      });
      cases.push_back({"combined_huge_count", "STEP.ac2"});
    }

    // Bad hex in every numeric field of the current header, and in the data records.
    struct Field {
      const char* name;
      int pos, width;
    };
    const Field current_fields[] = {{"time", 3, 8},     {"count", 11, 4},  {"code", 15, 1},
                                    {"seconds", 16, 3}, {"levels", 39, 12}, {"year", 53, 2},
                                    {"rr", 55, 8},      {"ecg", 63, 1},    {"ecg_groups", 64, 48},
                                    {"count32", 113, 8}};
    {
      fs::path d = per_channel("bad_hex_header");
      // One field spoiled per channel file, so that the chosen file and its companions
      // between them carry every bad field; then the chosen file gets all of them.
      int i = 0;
      for (const auto& e : fs::directory_iterator(d)) {
        const Field f = current_fields[static_cast<std::size_t>(i++) % std::size(current_fields)];
        edit_record(e.path(), 1, [&](std::string& r) { common::set_mid(r, f.pos, std::string(static_cast<std::size_t>(f.width), 'G')); });
      }
      edit_record(d / "WALK___0", 1, [&](std::string& r) {
        for (const Field& f : current_fields) common::set_mid(r, f.pos, std::string(static_cast<std::size_t>(f.width), 'z'));
      });
      cases.push_back({"bad_hex_header", "WALK___0"});
    }
    for (const Field& f : current_fields) {
      // The same field spoiled alone, the rest sound (one folder per field, chosen file only).
      const std::string name = std::string("bad_hex_") + f.name;
      fs::path d = per_channel(name, '1');
      edit_record(d / "WALK___0", 1, [&](std::string& r) { common::set_mid(r, f.pos, std::string(static_cast<std::size_t>(f.width), '?')); });
      cases.push_back({name, "WALK___0"});
    }
    {
      fs::path d = per_channel("bad_hex_data");
      for (const auto& e : fs::directory_iterator(d)) {
        const auto records = static_cast<int>((fs::file_size(e.path()) + 255) / 256);
        for (int n = 2; n <= records; ++n)
          edit_record(e.path(), n, [&](std::string& r) {
            for (std::size_t k = 2; k < r.size(); k += 3) r[k] = "G-.\xFF "[k % 5];
          });
      }
      cases.push_back({"bad_hex_data", "WALK___0"});
    }
    {
      fs::path d = combined("combined_bad_hex");
      edit_record(d / "STEP.ac2", 1, [](std::string& r) {
        common::set_mid(r, 3, "YYMMDDhhmm");
        common::set_mid(r, 13, "QQQQ");
        common::set_mid(r, 17, "----");
        common::set_mid(r, 43, std::string(12, 'x'));
        common::set_mid(r, 65, "#");
      });
      edit_record(d / "STEP.ac2", 2, [](std::string& r) { common::set_mid(r, 3, std::string(120, 'g')); });
      cases.push_back({"combined_bad_hex", "STEP.ac2"});
    }

    // Wrong kinds: level data ("#" records) where acceleration is expected, and an RR file
    // whose byte count is odd (a word cut in half).
    {
      fs::path d = per_channel("level_as_acceleration");
      std::string acc = slurp(d / "WALK___0");
      for (std::size_t at = 256; at + 1 < acc.size(); at += 256) acc[at] = '#', acc[at + 1] = '1';
      spit(d / "WALK___0", acc);
      cases.push_back({"level_as_acceleration", "WALK___0"});
    }
    {
      fs::path d = per_channel("rr_odd_bytes", 'P');
      for (const auto& e : fs::directory_iterator(d)) {
        const std::string n = e.path().filename().string();
        if (n.back() == '6' || n.back() == 'i') fs::resize_file(e.path(), 256 + 101);
      }
      cases.push_back({"rr_odd_bytes", "WALK___0"});
      cases.push_back({"rr_odd_bytes", "WALK___6"});
    }
    // A combined extension on per-channel files; an "ac" extension no layout has.
    {
      fs::path d = per_channel("combined_extension");
      fs::copy_file(d / "WALK___0", d / "WALK.ac2");
      fs::copy_file(d / "WALK___0", d / "WALK.ac9");
      cases.push_back({"combined_extension", "WALK.ac2"});
      cases.push_back({"combined_extension", "WALK.ac9"});
    }
    // Directories named like recordings.
    {
      fs::path d = folder("directories");
      fs::create_directories(d / "ABC____0");
      cases.push_back({"directories", "ABC____0"});
      fs::create_directories(d / "DIR.ac1");
      cases.push_back({"directories", "DIR.ac1"});
      fs::path p = per_channel("directory_companion");
      fs::remove(p / "WALK___4");
      fs::create_directories(p / "WALK___4");
      fs::remove(p / "WALK___E");
      fs::create_directories(p / "WALK___E");
      cases.push_back({"directory_companion", "WALK___0"});
    }
    // Named pipes where files are expected: opening one for reading would wait for a writer.
    {
      fs::path d = folder("fifo");
      EXPECT_EQ(::mkfifo((d / "PIPE___0").c_str(), 0600), 0);
      cases.push_back({"fifo", "PIPE___0"});
      fs::path p = per_channel("fifo_companion");
      fs::remove(p / "WALK___4");
      EXPECT_EQ(::mkfifo((p / "WALK___4").c_str(), 0600), 0);
      cases.push_back({"fifo_companion", "WALK___0"});
    }
    // Files that are no recording at all.
    {
      fs::path d = folder("foreign");
      std::string png = "\x89PNG\r\n\x1a\n";
      png += std::string("\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0\x90\x91h6", 25);
      png += random_bytes(700);
      spit(d / "PICTURE0.png", png);
      spit(d / "PICTURE0", png);
      spit(d / "NOISE__0", random_bytes(5000));
      spit(d / "NOISE.ac5", random_bytes(3000));
      cases.push_back({"foreign", "PICTURE0.png"});
      cases.push_back({"foreign", "PICTURE0"});
      cases.push_back({"foreign", "NOISE__0"});
      cases.push_back({"foreign", "NOISE.ac5"});
      cases.push_back({"foreign", "MISSING0"});
    }
    // CP932 that is not: lone lead bytes, bytes no code has, NUL and control characters.
    {
      fs::path d = per_channel("cp932_garbage");
      for (const auto& e : fs::directory_iterator(d))
        edit_record(e.path(), 1, [](std::string& r) {
          common::set_mid(r, 19, std::string("\x81\xFF\x80\xA0\x00\x1A\x7F\xFD\x82\x0D\x0A\xE0\xEF\xFC\x85\x40\x9F\x81\x98\x82", 20));
        });
      cases.push_back({"cp932_garbage", "WALK___0"});
      fs::path c = combined("combined_cp932_garbage");
      edit_record(c / "STEP.ac2", 1, [](std::string& r) {
        common::set_mid(r, 21, std::string("\x81\x81\x81\x81\x81\xFF\xFF\x00\x00\x80\x80\xA0\xFD\xFE\xFF\x81\x5C\x81\x7F\x81", 20));
      });
      cases.push_back({"combined_cp932_garbage", "STEP.ac2"});
    }
    // Sound recordings beside a corrupt "RaZor.prm" (short, garbage, a directory).
    {
      fs::path d = per_channel("razor_short");
      spit(d / "RaZor.prm", "\x05/tm");
      cases.push_back({"razor_short", "WALK___0"});
      d = per_channel("razor_garbage");
      spit(d / "RaZor.prm", random_bytes(256));
      cases.push_back({"razor_garbage", "WALK___0"});
      d = combined("razor_directory");
      fs::create_directories(d / "RaZor.prm");
      cases.push_back({"razor_directory", "STEP.ac2"});
    }
    // Every other folder gets a garbage "RaZor.prm" too: it must never be rewritten.
    int k = 0;
    for (const auto& e : fs::directory_iterator(root_ / "cases"))
      if (!fs::exists(e.path() / "RaZor.prm") && (k++ % 2) == 0) spit(e.path() / "RaZor.prm", random_bytes(300));
    return cases;
  }

  fs::path root_;
  bool own_runtime_dir_ = false;
};

TEST_F(HostileInputs, EveryAmbviewFormEndsCleanlyAndTouchesNothing) {
  const std::vector<HostileCase> cases = make_cases();
  ASSERT_GT(cases.size(), 30u);
  const auto before = snapshot(root_ / "cases");
  const std::string ambview = bin("ambview");

  int successes = 0, failures = 0, n = 0;
  for (const HostileCase& c : cases) {
    const fs::path cwd = root_ / "cases" / c.name;
    const fs::path out = root_ / "out" / std::to_string(n++);
    for (const char* sub : {"export", "calorie", "resave", "render"}) fs::create_directories(out / sub);
    const std::vector<std::vector<std::string>> commands = {
        {ambview, "info", c.file},
        {ambview, "export", c.file, "--out", (out / "export").string()},
        {ambview, "calorie", c.file, "--out", (out / "calorie").string()},
        {ambview, "resave", c.file, "--start", "0", "--span", "120", "--out", (out / "resave" / "CUT").string()},
        {ambview, "render", c.file, "--view", "trend", "--out", (out / "render" / "trend.png").string()},
        {ambview, "render", c.file, "--view", "ecg1", "--out", (out / "render" / "ecg1.bmp").string()},
        {ambview, "render", c.file, "--view", "wave", "--out", (out / "render" / "wave.png").string()},
        {ambview, "render", c.file, "--view", "calorie", "--out", (out / "render" / "calorie.png").string()},
    };
    fs::create_directories(root_ / "logs" / c.name);
    const std::vector<ProgramRun> runs = run_all(cwd, root_ / "logs" / c.name, commands);
    for (const ProgramRun& r : runs) {
      expect_sound(r, c.name + "/" + c.file);
      (r.status == 0 ? successes : failures)++;
    }
  }
  // Nothing in the input folders changed, nothing new appeared there.
  const auto after = snapshot(root_ / "cases");
  for (const auto& [name, bytes] : before) {
    auto it = after.find(name);
    if (it == after.end()) ADD_FAILURE() << name << " disappeared";
    else EXPECT_TRUE(it->second == bytes) << name << " changed";
  }
  for (const auto& [name, bytes] : after)
    EXPECT_TRUE(before.count(name)) << name << " was written beside the input";
  // The sound files beside the broken ones still work: some runs succeed, most refuse.
  EXPECT_GT(successes, 0);
  EXPECT_GT(failures, 0);
  std::printf("hostile inputs: %zu files, %d runs succeeded, %d refused\n", cases.size(), successes, failures);
}

// Each row: how its folder is made, the command (run in that folder), whether it succeeds or
// fails with a message, the files that must keep their bytes and those that must not appear.
// Every row also checks that no file of its folder changed and no temporary ".part" is left.
enum class Exit { Ok, Fails };
struct SafetyCase {
  std::string name;
  std::function<void()> make;  // makes the one folder under cases/
  std::vector<std::string> command;  // words after "ambview"
  Exit exit;
  std::vector<std::string> unchanged;
  std::vector<std::string> absent;
  rlim_t file_size_limit = RLIM_INFINITY;  // a full disk, as a write beyond it fails
};

TEST_F(HostileInputs, DataSafety) {
  const auto rename_all = [](const fs::path& d, const std::string& suffix) {
    for (const auto& e : fs::directory_iterator(d)) fs::rename(e.path(), e.path().string() + suffix);
  };
  // A header that names 2 046 820 352 samples over a few records.
  const auto huge = [this] {
    const fs::path d = per_channel("huge", '1');
    edit_record(d / "WALK___0", 1, [](std::string& r) {
      common::set_mid(r, 11, "FFFF");
      common::set_mid(r, 113, "7A000000");
    });
  };
  const auto header_only = [this] {
    for (const auto& e : fs::directory_iterator(per_channel("header_only"))) fs::resize_file(e.path(), 256);
  };
  const std::vector<SafetyCase> table = {
      {"export of a \"*.prn\" set into its own folder",
       [&, this] { rename_all(per_channel("prn"), ".prn"); },
       {"export", "WALK___0.prn"}, Exit::Fails, {"WALK___0.prn", "WALK___4.prn"}, {}},
      {"re-save of a re-saved file under its old name",
       [this] { fs::rename(combined("rs") / "STEP.ac2", root_ / "cases" / "rs" / "RS_c.ac2"); },
       {"resave", "RS_c.ac2", "--start", "0", "--span", "60", "--out", "RS"}, Exit::Fails, {"RS_c.ac2"}, {}},
      {"render over its input",
       [&, this] { rename_all(per_channel("png", '1'), ".png"); },
       {"render", "WALK___0.png", "--view", "trend", "--out", "WALK___0.png"}, Exit::Fails, {"WALK___0.png"}, {}},
      // Covered as far as the file goes, with a note; memory follows the file, not the header.
      {"calorie on a header naming 2046820352 samples", huge,
       {"calorie", "WALK___0", "--out", "out"}, Exit::Ok, {"WALK___0"}, {}},
      {"calorie render on that header", huge,
       {"render", "WALK___0", "--view", "calorie", "--out", "out/c.png"}, Exit::Ok, {"WALK___0"}, {}},
      {"calorie into a full disk", [this] { per_channel("full_calorie"); },
       {"calorie", "WALK___0", "--avg", "1", "--out", "out"}, Exit::Fails, {}, {"out/Calorie.ac", "out/Calorie.hr"}, 1024},
      {"png render into a full disk", [this] { per_channel("full_png"); },
       {"render", "WALK___0", "--view", "trend", "--out", "out/t.png"}, Exit::Fails, {}, {"out/t.png"}, 1024},
      {"bmp render into a full disk", [this] { per_channel("full_bmp"); },
       {"render", "WALK___0", "--view", "ecg1", "--out", "out/e.bmp"}, Exit::Fails, {}, {"out/e.bmp"}, 1024},
      {"info on a file that holds no sample", header_only, {"info", "WALK___0"}, Exit::Fails, {"WALK___0"}, {}},
      {"calorie render of a header-only set", header_only,
       {"render", "WALK___0", "--view", "calorie", "--out", "out/c.png"}, Exit::Fails, {}, {"out/c.png"}},
      {"calorie of a sound set", [this] { per_channel("sound"); },
       {"calorie", "WALK___0", "--out", "out"}, Exit::Ok, {"WALK___0"}, {}},
  };

  int n = 0;
  for (const SafetyCase& c : table) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_ / "cases");
    fs::create_directories(root_ / "cases");
    c.make();
    const fs::path dir = fs::directory_iterator(root_ / "cases")->path();
    fs::create_directories(dir / "out");
    const auto before = snapshot(dir);
    std::vector<std::string> argv{bin("ambview")};
    argv.insert(argv.end(), c.command.begin(), c.command.end());
    // The limit and the ignored SIGXFSZ (a write past it then fails with EFBIG) pass to the child.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = c.file_size_limit;
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const auto old_handler = ::signal(SIGXFSZ, c.file_size_limit == RLIM_INFINITY ? SIG_DFL : SIG_IGN);
    const fs::path logs = root_ / "logs" / std::to_string(n++);
    fs::create_directories(logs);
    const ProgramRun r = run_all(dir, logs, {argv})[0];
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, old_handler);

    expect_sound(r, c.name);
    EXPECT_EQ(r.status == 0 ? Exit::Ok : Exit::Fails, c.exit) << r.status << "\n" << r.err;
    if (r.status == 0) {
      EXPECT_EQ(r.err.find("could not"), std::string::npos) << r.err;
    }
    for (const auto& f : c.unchanged) EXPECT_TRUE(before.count(f) && slurp(dir / f) == before.at(f)) << f << " changed";
    for (const auto& f : c.absent) EXPECT_FALSE(fs::exists(dir / f)) << f << " was left";
    const auto after = snapshot(dir);
    for (const auto& [name, bytes] : before)
      EXPECT_TRUE(after.count(name) && after.at(name) == bytes) << name << " changed";
    for (const auto& [name, bytes] : after) EXPECT_EQ(name.find(".part"), std::string::npos) << name << " was left";
  }
}

TEST_F(HostileInputs, AmbcommOnAMissingDeviceAndAManglingRecorder) {
  const std::string ambcomm = bin("ambcomm");
  const fs::path logs = root_ / "logs";
  auto runs = run_all(root_, logs, {{ambcomm, "--port", (root_ / "no-such-tty").string(), "conditions"},
                                    {ambcomm, "--port", "/dev/null", "conditions"},
                                    {ambcomm, "--port", root_.string(), "conditions"}});
  for (const ProgramRun& r : runs) {
    SCOPED_TRACE(r.what);
    ASSERT_TRUE(r.ended);
    EXPECT_TRUE(r.exited) << r.err;
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(r.err.empty());
    for (const char* bad : {"Sanitizer", "runtime error:", "terminate called"})
      EXPECT_EQ(r.err.find(bad), std::string::npos) << r.err;
  }

  // A recorder whose every answer loses a byte, comes under a wrong heading, is cut short, or
  // stalls halfway: a stalled conditions answer is no answer (status 2), and nothing is
  // downloaded from it.
  const std::string link = (root_ / "LINK").string();
  for (const char* faults : {"short", "lose=1,heading=1,checksum=1", "stall=1"}) {
    SCOPED_TRACE(faults);
    const pid_t sim = spawn_in(root_, {bin("ambsim"), "--pty", link, "--model", "LA", "--faults", faults},
                               logs / "sim.out", logs / "sim.err");
    ASSERT_GT(sim, 0);
    for (int i = 0; i < 500 && !fs::is_symlink(link); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::is_symlink(link)) << slurp(logs / "sim.err");
    const bool stall = std::string(faults) == "stall=1";
    fs::create_directories(root_ / "dl");
    auto r = run_all(root_, logs, {{ambcomm, "--port", link, "conditions"}});
    if (stall) {
      auto d = run_all(root_, logs, {{ambcomm, "--port", link, "download", (root_ / "dl" / "SUBJ").string(), "--yes"}});
      r.push_back(d[0]);
    }
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    for (const ProgramRun& run : r) {
      ASSERT_TRUE(run.ended);
      EXPECT_TRUE(run.exited) << run.err;
      if (stall) {
        EXPECT_EQ(run.status, 2) << run.what << run.err;
      }
      for (const char* bad : {"Sanitizer", "runtime error:", "terminate called"})
        EXPECT_EQ(run.err.find(bad), std::string::npos) << run.err;
    }
    EXPECT_TRUE(fs::is_empty(root_ / "dl"));
  }
}

}  // namespace
