// Command-line parsing and the subcommand table. Adding an operation is one row here and
// one function beside the operation it runs.
#include "link/command_line.h"

#include <charconv>

#include "link/command_line_setting.h"
#include "link/command_line_download.h"
#include "link/condition_display.h"
#include "link/condition_request.h"
#include "link/link_settings.h"

namespace ambcomm {

namespace {

const Subcommand kSubcommands[] = {
    {"conditions", run_conditions, "conditions                prints the condition list and the status message"},
    {"download", run_download, "download PATH [--yes]     downloads the recorded data into files named from PATH"},
    {"set", run_set, "set FIELD=VALUE...        sends changed conditions and prints the re-read list\n"
                     "                            (record field names; switch_start=0|1; now=1 resets clock and amounts)"},
    {"clear", run_clear, "clear --yes               clears the recorder's data memory"},
};

constexpr int kOpenFailureExit = 100;

// Every exit status a command can end with (the link statuses keep their numbers).
constexpr const char* kExitStatusText =
    "exit status:\n"
    "    0  done\n"
    "    1  nothing received (the recorder is off, or on another port); a memory clear without an answer\n"
    "    2  the answer was too short; or a usage error, or a value refused before anything was sent;\n"
    "       or no display for the window program\n"
    "    3  the recorder streams its waveform (the live display is in the window program)\n"
    "    4  no CTS: cable or recorder not connected\n"
    "    5  a data block timed out, again and again\n"
    "    7  the port cannot be opened; or a data block failed its checksum, again and again\n"
    "    9  a recording file cannot be written (download)\n"
    "   10  a file of the download exists and --yes was not given: nothing was downloaded\n"
    "   27  the serial device failed or vanished during the exchange\n"
    "  100  any other failure while opening the port (the message has the code)\n"
    "A download that stops early keeps what came (a partial file's header counts what it holds) and\n"
    "exits with the status of what stopped it.\n";

}  // namespace

bool parse_command_line(const std::vector<std::string>& argv, CommandOptions& out, std::string& error) {
  CommandOptions o;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= argv.size()) {
        error = a + " needs a value";
        return false;
      }
      v = argv[++i];
      return true;
    };
    if (a == "--port") {
      if (!value(o.port)) return false;
    } else if (a == "--simulate") {
      o.simulate = true;
    } else if (a == "--timer") {
      std::string v;
      if (!value(v)) return false;
      int t = 0;
      auto res = std::from_chars(v.data(), v.data() + v.size(), t);
      if (res.ec != std::errc() || res.ptr != v.data() + v.size()) {
        error = "--timer needs a whole number: " + v;
        return false;
      }
      o.timer = clamp_timer(t);
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (o.command.empty() && !a.empty() && a[0] != '-') {
      o.command = a;
    } else if (!o.command.empty()) {
      o.args.push_back(a);
    } else {
      error = "unknown option: " + a;
      return false;
    }
  }
  if (!o.port.empty() && o.simulate) {
    error = "--port and --simulate exclude each other";
    return false;
  }
  if (!o.command.empty() && !find_subcommand(o.command)) {
    error = "unknown command: " + o.command;
    return false;
  }
  if (!o.command.empty() && o.port.empty() && !o.simulate) {
    error = o.command + " needs --port DEVICE or --simulate";
    return false;
  }
  out = std::move(o);
  return true;
}

const Subcommand* find_subcommand(std::string_view name) {
  for (const auto& s : kSubcommands)
    if (s.name == name) return &s;
  return nullptr;
}

std::string usage_text() {
  std::string s =
      "usage: ambcomm [--port DEVICE | --simulate] [--timer N]            the window program\n"
      "       ambcomm (--port DEVICE | --simulate) [--timer N] COMMAND ...\n"
      "       ambcomm --version\n"
      "DEVICE is com1..com5 (the machine's first five serial ports) or a device path.\n"
      "commands:\n";
  for (const auto& c : kSubcommands) s += "  " + std::string(c.usage) + "\n";
  s += kExitStatusText;
  return s;
}

int exit_status_for(int link_status) {
  if (link_status == kStatusAlreadyOpen) return 0;
  if (link_status >= 0 && link_status <= 255) return link_status;
  return kOpenFailureExit;
}

int run_conditions(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::fprintf(ctx.err, "ambcomm: conditions takes no arguments\n");
    return 2;
  }
  int status = 0;
  STS_REQ(ctx.link, nullptr, status, "1");
  ctx.link.state.status = status;
  const std::string message = status_message(status, kLocationConditionRequest);
  // Statuses 0, 1 and 2 have filled the record with what came.
  if (status <= kStatusShort) {
    for (const auto& line : condition_list_lines(ctx.link.state.conditions)) std::fprintf(ctx.out, "%s\n", line.c_str());
  }
  if (status == kStatusOk) {
    std::fprintf(ctx.out, "%s\n", message.c_str());
  } else if (status == kStatusHeading) {
    std::fprintf(ctx.err, "ambcomm: %s\nambcomm: the recorder streams its waveform; the live display is in the window program\n",
                 message.c_str());
  } else {
    print_link_failure(ctx, status);
  }
  return exit_status_for(status);
}

void print_link_failure(CommandContext& ctx, int status) {
  std::fprintf(ctx.err, "ambcomm: %s (port %s)\n", status_message(status, kLocationConditionRequest).c_str(),
               ctx.link.port.name().c_str());
  const std::string detail = open_failure_text(ctx.link.port, status);
  if (!detail.empty()) std::fprintf(ctx.err, "ambcomm: %s\n", detail.c_str());
}

}  // namespace ambcomm
