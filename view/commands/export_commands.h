// `ambview export` and `ambview resave`: the text export and the re-save of a range without
// windows, for scripts. They run the GUI's TEXT_SAVE, PAC_SAVE and DTA_SAVE on the settings
// the GUI would hold ("RaZor.prm" of the current directory, read only) and the options.
#pragma once

#include <ostream>
#include <string_view>

#include "view/commands/command_line.h"

namespace ambview {

inline constexpr std::string_view kExportUsage = "export FILE [--start S] [--span S] [--per-line N] [--out DIR]";
inline constexpr std::string_view kResaveUsage = "resave FILE --start S --span S --out PATH";

// ambview export FILE [--start S] [--span S] [--per-line N] [--out DIR]: prints each file written.
int run_export(const CommandArgs& args, std::ostream& out, std::ostream& err);

// ambview resave FILE --start S --span S --out PATH: prints each file written.
int run_resave(const CommandArgs& args, std::ostream& out, std::ostream& err);

}  // namespace ambview
