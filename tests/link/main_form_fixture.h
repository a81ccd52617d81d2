// The link program's window run under test: in-memory forms, scripted dialogs and pump, and
// the in-process simulated recorder as the fixed port, in a start directory of its own.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "link/main_form.h"
#include "sim/inprocess_port.h"
#include "ui/testing/test_platform.h"

namespace linktest {

class LinkProgram {
 public:
  explicit LinkProgram(ambsim::RecorderConfig config = {}, ambsim::FaultRates faults = {})
      : cwd_(working_directory()) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "link_main_XXXXXX").string();
    if (::mkdtemp(tmpl.data())) dir = tmpl;
    state.start_directory = dir;
    config.clear_seconds = 0;
    auto p = std::make_unique<ambsim::InProcessPort>(config, ambsim::FaultInjector(faults, 1));
    port = p.get();
    ports.fixed = std::move(p);
    hooks.download = [this](ambcomm::Link&, ui::Platform&, const std::string& name) { downloads.push_back(name); };
    hooks.calorie_dialog = [this](ui::Platform&, ambcomm::LinkState&) { ++calorie_dialogs; };
    hooks.waveform_display = [this](ambcomm::Link&, ui::Platform&) { ++waveform_displays; };
  }
  // The program changes the working directory (to its start and data directories); a test
  // before this one may have left it in a folder that is gone.
  static std::filesystem::path working_directory() {
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::filesystem::temp_directory_path() : cwd;
  }
  ~LinkProgram() {
    main.reset();
    std::error_code ec;
    std::filesystem::current_path(cwd_, ec);
    std::filesystem::remove_all(dir, ec);
  }
  LinkProgram(const LinkProgram&) = delete;
  LinkProgram& operator=(const LinkProgram&) = delete;

  // A user action played at the program's next wait.
  LinkProgram& then(std::function<void()> step, std::string label = {}) {
    t.pump.then(std::move(step), std::move(label));
    return *this;
  }
  LinkProgram& click(std::string form, std::string control) {
    return then([this, form, control] { t.forms.form(form).click(control); }, form + "." + control);
  }

  // Starts the program (so that the script can see the main form) without running the loop.
  void start() {
    main = std::make_unique<ambcomm::MainForm>(t.platform, state, std::move(ports), std::move(hooks));
    main->start();
  }
  // Plays the script, closing the main form at its end, and returns when the program has ended.
  void run() {
    if (!main) start();
    then([this] { mainform().user_close(); }, "close MAINFORM");
    main->run();
  }

  ui::testing::TestForm& mainform() { return t.forms.form(ambcomm::kMainForm); }
  ui::testing::TestForm& editor() { return t.forms.form("FORM2"); }
  std::vector<std::string> list() { return mainform().test_control("LIST1").rows(); }
  std::string status_line() { return mainform().test_control("TEXT14").text(); }

  std::string settings_file() const {
    std::ifstream in(std::filesystem::path(dir) / "ACC.PRM", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // Bytes of the settings file at 1-based `pos`.
  std::string settings_bytes(int pos, int len) const { return settings_file().substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len)); }

  // The setting lines the program sent (without SOH and CR).
  std::vector<std::string> commands() const { return port->recorder().commands(); }

  std::string dir;
  ui::testing::TestPlatform t;
  ambcomm::LinkState state;
  ambsim::InProcessPort* port = nullptr;
  std::vector<std::string> downloads;
  int calorie_dialogs = 0;
  int waveform_displays = 0;
  std::unique_ptr<ambcomm::MainForm> main;

 private:
  std::filesystem::path cwd_;
  ambcomm::LinkPorts ports;
  ambcomm::LinkHooks hooks;
};

inline ambsim::RecorderConfig recorder(std::string model, char mode = '0') {
  ambsim::RecorderConfig c;
  c.model = std::move(model);
  c.mode = mode;
  c.samples = 1234;
  return c;
}

}  // namespace linktest
