// libFuzzer target for the whole ambview command path: arbitrary bytes become a recording file
// set (the layout of recording_input.h) and go through every subcommand as a script calls it —
// info, export, calorie, resave and the render of each view — with the same loading, settings
// and compute steps. Besides crashes, sanitizer reports and hangs, it stops on a broken
// promise: an input file changed, a temporary ".part" file left behind, a file listed as
// written that is not there, or a success that printed a failure. FUZZ_AMBVIEW_VERBOSE=1
// shows each command's status and time.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/recording_input.h"
#include "ui/bmp_file.h"
#include "ui/testing/recording_canvas.h"
#include "view/commands/command_line.h"
#include "view/commands/render_command.h"

namespace fs = std::filesystem;

namespace {

const std::string& work_dir() {
  // Never destroyed, so that the exit handler can still remove the directory.
  static const std::string* dir = [] {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "fuzz_ambview_XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec2;
      fs::remove_all(fs::path(work_dir()), ec2);
    });
    return new std::string(tmpl + "/");
  }();
  return *dir;
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool is_rr_index(const std::string& path) {
  const std::string name = fs::path(path).stem().string();
  return !name.empty() && name.back() == 'i';
}

void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz_ambview: %s: %s\n", what, detail.c_str());
  std::abort();
}

// Draws into a canvas that keeps the primitives, saves through the staged BMP writer.
void install_render_platform() {
  ambview::set_render_platform({[](int width, int height) -> std::shared_ptr<ui::Canvas> {
                                  return std::make_shared<ui::testing::RecordingCanvas>(width, height);
                                },
                                [](const std::string& path, const ui::Image& image, std::string* error) {
                                  return ui::write_bmp(path, image, error);
                                }});
}

void run(const std::vector<std::string>& args, const std::string& out_dir) {
  std::ostringstream out, err;
  static const bool verbose = std::getenv("FUZZ_AMBVIEW_VERBOSE") != nullptr;
  const auto t0 = std::chrono::steady_clock::now();
  const int status = ambview::run_command_line(args, out, err);
  if (verbose)
    std::fprintf(stderr, "%s %s: %d in %.3f s\n%s", args[0].c_str(), args.size() > 3 ? args[3].c_str() : "", status,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), err.str().c_str());
  const std::string e = err.str();
  if (status == 0 && (e.find("could not") != std::string::npos || e.find("実行エラー") != std::string::npos))
    fail("success with a failure message", args[0] + ": " + e);
  if (status == 0 && e.find("not enough memory") != std::string::npos) fail("memory", e);
  // Every path a command prints on standard output is a file it wrote.
  std::istringstream lines(out.str());
  if (args[0] == "export" || args[0] == "resave" || args[0] == "render") {
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && !fs::exists(line)) fail("listed but not written", line);
  }
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(out_dir, ec))
    if (entry.path().filename().string().find(".part") != std::string::npos) fail("temporary file left", entry.path());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = [] {
    install_render_platform();
    return true;
  }();
  (void)ready;
  const std::string& dir = work_dir();
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
  std::string chosen;
  const std::vector<std::string> inputs = fuzzing::write_file_set(data, size, dir, chosen);
  if (inputs.empty()) return 0;
  std::map<std::string, std::string> before;
  for (const auto& p : inputs) before[p] = bytes_of(p);

  const std::string out = dir + "out/";
  fs::create_directories(out);
  // A window into the recording chosen by the input, so that ranges other than the whole are
  // walked too.
  const std::string start = std::to_string(size > 4 ? data[size - 1] % 4 * 60 : 0);
  run({"info", chosen}, out);
  run({"export", chosen, "--start", start, "--out", out}, out);
  run({"calorie", chosen, "--out", out}, out);
  run({"resave", chosen, "--start", start, "--span", "120", "--out", out + "CUT"}, out);
  // Small pictures: the compute steps are the same, the drawing is cheaper.
  for (const char* view : {"trend", "calorie", "ecg1", "wave", "overview"})
    run({"render", chosen, "--view", view, "--width", "160", "--height", "120", "--out", out + view + ".bmp"}, out);

  // An empty RR index is built in place, as the window builds it on opening; every other
  // input keeps its bytes.
  for (const auto& [path, bytes] : before)
    if (bytes_of(path) != bytes && !(bytes.empty() && is_rr_index(path))) fail("input changed", path);
  return 0;
}
