// `ambview export FILE --format edf --out OUT.edf [--start S] [--span S]`: the range as one
// EDF+ file, without windows, on the settings the window would hold ("RaZor.prm", read only).
#pragma once

#include <ostream>
#include <string_view>

#include "view/commands/command_line.h"

namespace ambview {

inline constexpr std::string_view kEdfExportUsage = "export FILE --format edf --out OUT.edf [--start S] [--span S]";

// Prints the file written; notes and errors go to `err`.
int run_edf_export(const CommandArgs& args, std::ostream& out, std::ostream& err);

}  // namespace ambview
