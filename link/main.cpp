// ambcomm: the link program. Wires the platform (Qt serial port or the built-in simulated
// recorder, the system clock, an event pump) into the link logic.
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

#include "link/calorie_settings.h"
#include "link/command_line.h"
#include "link/download.h"
#include "link/link_state.h"
#include "link/main_form.h"
#include "link/waveform_display.h"
#include "sim/inprocess_port.h"
#include "ui/clock.h"
#include "ui/qt/qt_platform.h"
#include "ui/qt/qt_serial_port.h"
#include "ui/sleep_pump.h"

namespace {

std::unique_ptr<ui::SerialPort> make_port(const ambcomm::CommandOptions& options, std::string& error) {
  if (options.simulate) return std::make_unique<ambsim::InProcessPort>(ambsim::RecorderConfig{});
  auto device = ui::QtSerialPort::resolve(options.port);
  // A "comN" without a device still gets a port, which then cannot be opened (status 7).
  if (!device) error = options.port + " names no serial port of this machine";
  return std::make_unique<ui::QtSerialPort>(device.value_or(""), options.port);
}

int run_command(const ambcomm::CommandOptions& options) {
  std::string note;
  auto port = make_port(options, note);
  if (!note.empty()) std::fprintf(stderr, "ambcomm: %s\n", note.c_str());
  ui::SystemClock clock;
  ui::SleepPump pump;
  ambcomm::LinkState state;
  state.timer = options.timer.value_or(ambcomm::kDefaultTimer);
  state.port_name = options.port;
  // Progress goes to a terminal only, so that scripts read just the results.
  if (isatty(STDERR_FILENO)) state.show_status = [](const std::string& s) { std::fprintf(stderr, "%s\n", s.c_str()); };
  ambcomm::Link link{*port, clock, pump, state};
  ambcomm::CommandContext ctx{link, options, stdout, stderr};
  int rc = ambcomm::find_subcommand(options.command)->run(ctx, options.args);
  port->close();
  return rc;
}

// The window program: Qt forms, dialogs and event loop around the link program's main form.
// --simulate and --port fix the port; otherwise COMBO3's choice names it.
int run_window_program(int argc, char** argv, const ambcomm::CommandOptions& options) {
  ui::qt::WindowPlatform window(argc, argv, "ambcomm");
  ambcomm::LinkPorts ports;
  if (options.simulate || !options.port.empty()) {
    std::string note;
    ports.fixed = make_port(options, note);
    if (!note.empty()) std::fprintf(stderr, "ambcomm: %s\n", note.c_str());
  }
  ports.make_port = [](int index) -> std::unique_ptr<ui::SerialPort> {
    const std::string name = "com" + std::to_string(index + 1);
    return std::make_unique<ui::QtSerialPort>(ui::QtSerialPort::resolve(name).value_or(""), name);
  };
  ambcomm::LinkHooks hooks;
  hooks.download = ambcomm::download_to_files;
  hooks.calorie_dialog = [](ui::Platform& p, ambcomm::LinkState& s) { ambcomm::CALC_CAL(p, s); };
  hooks.waveform_display = [](ambcomm::Link& link, ui::Platform& p) { ambcomm::PW_WAVE(link, p.forms); };
  return ambcomm::run_link_program(window.platform(), std::move(ports), std::move(hooks), options.timer);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ambcomm::CommandOptions options;
  std::string error;
  if (!ambcomm::parse_command_line(args, options, error)) {
    std::fprintf(stderr, "ambcomm: %s\n%s", error.c_str(), ambcomm::usage_text().c_str());
    return 2;
  }
  if (options.version) {
    std::fputs("ambcomm " MOVILOG_VERSION "\n", stdout);
    return 0;
  }
  if (options.help) {
    std::fputs(ambcomm::usage_text().c_str(), stdout);
    return 0;
  }
  if (!options.command.empty()) {
    QCoreApplication app(argc, argv);  // QSerialPort's notifiers want an application object
    return run_command(options);
  }
  return run_window_program(argc, argv, options);
}
