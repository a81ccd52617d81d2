// `ambview hrv`: the HRV summary of a range as CSV, on standard output or into a file that
// appears only when whole. Bad input writes nothing.
#pragma once

#include <ostream>
#include <string_view>

#include "view/commands/command_line.h"

namespace ambview {

inline constexpr std::string_view kHrvUsage = "hrv FILE [--start S] [--span S] [--window W] [--out CSV]";

// ambview hrv FILE [--start S] [--span S] [--window W] [--out CSV]
int run_hrv(const CommandArgs& args, std::ostream& out, std::ostream& err);

}  // namespace ambview
