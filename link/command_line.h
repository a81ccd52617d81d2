// ambcomm's command line: option parsing and the subcommands that run the link operations
// without windows. Each subcommand is one function in the table of command_line.cpp.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_link.h"

namespace ambcomm {

struct CommandOptions {
  std::string port;           // --port DEVICE ("com1".."com5" or a device path)
  bool simulate = false;      // --simulate: the built-in simulated recorder
  std::optional<int> timer;   // --timer N
  std::string command;        // empty: the window program
  std::vector<std::string> args;
  bool help = false;
  bool version = false;       // --version
};

// Parses argv[1..]. False with a message for unknown options or missing values.
bool parse_command_line(const std::vector<std::string>& argv, CommandOptions& out, std::string& error);

// What a subcommand works with.
struct CommandContext {
  Link& link;
  const CommandOptions& options;
  std::FILE* out;
  std::FILE* err;
};

using SubcommandFn = int (*)(CommandContext& ctx, const std::vector<std::string>& args);

struct Subcommand {
  std::string_view name;
  SubcommandFn run;
  std::string_view usage;
};

// The subcommand of that name, or nullptr.
const Subcommand* find_subcommand(std::string_view name);
// Usage text listing every subcommand.
std::string usage_text();

// The process exit status for a link status: the status itself when it fits, 100 for the
// "1000 + e" open failures (an exit status holds 0-255 only, and 1000 + e must not wrap
// to 0 and read as success).
int exit_status_for(int link_status);

// A failed condition request on standard error: the status message and the port, and for a
// port that cannot be opened the device and the reason.
void print_link_failure(CommandContext& ctx, int status);

// `conditions`: requests and prints the condition list and the status message.
int run_conditions(CommandContext& ctx, const std::vector<std::string>& args);

}  // namespace ambcomm
