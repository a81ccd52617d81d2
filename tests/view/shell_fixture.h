// The analysis program under test doubles: test forms, scripted dialogs and pump, in a
// start directory of its own, with helpers that write small generated recordings.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "sim/recording_generator.h"
#include "ui/platform.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"
#include "ui/testing/test_form.h"
#include "view/settings/conditions_file.h"
#include "view/windows/viewer_shell.h"

namespace ambview::testing {

namespace fs = std::filesystem;

inline std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A start directory of its own (made current), removed afterwards.
class ViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_cwd_ = fs::current_path();
    // Short: some tests need room below the 79 characters of the directory field.
    static int serial = 0;
    root_ = fs::temp_directory_path() / ("v" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
    fs::remove_all(root_);
    fs::create_directories(root_);
    start_ = root_ / "start";
    fs::create_directories(start_);
    fs::current_path(start_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  // A recording of `samples` intervals in `dir` (made), named `name`; answers the path of
  // its first file (the one a user picks).
  std::string make_recording(const std::string& name, char mode, std::int64_t samples, double interval,
                             int ecg_blocks = 0, const std::string& model = "CE", const std::string& ext = {}) {
    fs::create_directories(root_ / "data");
    ambsim::RecordingOptions o;
    o.path = (root_ / "data" / name).string();
    o.family = model == "Aa" ? ambsim::Family::Combined : ambsim::Family::PerChannel;
    o.signal.mode = mode;
    o.signal.model = model;
    o.signal.samples = samples;
    o.signal.interval_s = interval;
    o.signal.ecg_blocks = ecg_blocks;
    o.signal.seed = 11;
    o.extension = ext;
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    EXPECT_EQ(r.error, "");
    EXPECT_FALSE(r.files.empty());
    return r.files.empty() ? std::string() : r.files.front();
  }

  ui::testing::TestForm& main_form() { return forms.form("MAINFORM"); }
  ui::testing::TestForm& form2() { return forms.form("FORM2"); }

  // Script: choose Open and answer the dialog with `path`.
  void script_open(const std::string& path) {
    pump.then([this, path] {
      dialogs.answer_open(path);
      main_form().choose_menu("A_OPEN");
    }, "open " + path);
  }
  void script(std::function<void()> step, std::string label = {}) { pump.then(std::move(step), std::move(label)); }
  void script_close_main() {
    pump.then([this] { main_form().user_close(); }, "close the main window");
  }
  void run(const std::optional<std::string>& file = std::nullopt) { run_viewer(platform, state, file); }

  std::string settings_record() { return read_bytes(start_ / kSettingsFileName); }

  fs::path old_cwd_;
  fs::path root_;
  fs::path start_;
  ui::testing::TestFormFactory forms;
  ui::testing::ScriptedDialogs dialogs;
  ui::testing::ScriptedPump pump;
  ui::testing::FakeClock clock;
  ui::Platform platform{forms, dialogs, pump, clock};
  ViewerState state;
};

}  // namespace ambview::testing
