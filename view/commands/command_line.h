// ambview's command-line mode: the same operations as the GUI, without windows, for scripts
// and batch work. Each subcommand is one function with the same signature; the table in
// command_line.cpp names them, so adding a subcommand is one function and one table row.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/recording/loader.h"

namespace ambview {

using CommandArgs = std::vector<std::string>;

// Runs one subcommand; `args` are the words after the subcommand's name. Answers the exit
// status: 0 on success; otherwise a message was written to `err`.
using SubcommandFn = int (*)(const CommandArgs& args, std::ostream& out, std::ostream& err);

struct Subcommand {
  std::string_view name;
  SubcommandFn run;
  std::string_view usage;  // one line, after "ambview "
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitDataError = 1;  // the recording could not be processed
inline constexpr int kExitUsage = 2;      // wrong words on the command line

std::span<const Subcommand> subcommands();
bool is_subcommand(std::string_view word);

// `args[0]` is the subcommand name. Unknown names and missing arguments give usage errors.
int run_command_line(const CommandArgs& args, std::ostream& out, std::ostream& err);

// Words after the subcommand: positional arguments and "--name value" options. Options not
// listed, a missing value or a repeated option give `error`.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // name without "--"
  std::string error;
  bool has(std::string_view name) const { return options.find(name) != options.end(); }
};
ParsedArgs parse_args(const CommandArgs& args, std::initializer_list<std::string_view> value_options,
                      std::initializer_list<std::string_view> flag_options = {});

// --out naming a folder (export, calorie): it must exist; `directory` gets it ending with "/",
// or "" when the option is not given. False with the reason in `why`.
bool out_directory_option(const ParsedArgs& parsed, std::string& directory, std::string& why);

// Loads FILE for a subcommand; on failure writes the data error (caption and text, with
// the reason where the file itself is the trouble) to `err` and answers false. A file that
// holds no sample (a header only) is refused as well: there is nothing to draw or write.
bool load_for_command(const std::string& path, LoadedRecording& out, std::ostream& err);

// The "key: value" lines of `ambview info` (UTF-8).
std::string info_text(const LoadedRecording& recording);

// ambview info FILE
int run_info(const CommandArgs& args, std::ostream& out, std::ostream& err);

}  // namespace ambview
