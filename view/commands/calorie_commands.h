// `ambview calorie` and the calorie view of `ambview render`: the GUI's CAL_TREND run on the
// settings the GUI would hold ("RaZor.prm" of the current directory, read only) with the
// command line's calorie options applied.
#pragma once

#include <ostream>
#include <string_view>

#include "ui/canvas.h"
#include "view/commands/command_line.h"
#include "view/commands/render_command.h"

namespace ambview {

inline constexpr std::string_view kCalorieUsage =
    "calorie FILE [--start S] [--span S] [--per-line N] [--out DIR] [--weight KG] [--rq ROW] [--a A] [--b B] "
    "[--c C] [--d D] [--floor F] [--avg N]";

// ambview calorie FILE [options]: writes the calorie text files into --out (default: the
// recording's folder) and prints one line per entry: recording file, kind (A or 5), total,
// "kcal" and the calorie text file. An entry that fails is reported on stderr (status 1).
int run_calorie(const CommandArgs& args, std::ostream& out, std::ostream& err);

// The render's calorie view: the calorie window for the recording's channels, no text files.
bool render_calorie(ui::Canvas& canvas, const RenderSetup& setup, std::ostream& err);

}  // namespace ambview
