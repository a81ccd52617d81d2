// The command-line forms of the condition setting and the memory clear: `set FIELD=VALUE...`
// and `clear --yes`, running the same operations as the window program.
#pragma once

#include <string>
#include <vector>

#include "link/command_line.h"

namespace ambcomm {

// `set`: requests the conditions, applies the fields, sends them, prints the re-read list.
int run_set(CommandContext& ctx, const std::vector<std::string>& args);
// `clear --yes`: requests the conditions (for the model and speed), then clears the memory.
int run_clear(CommandContext& ctx, const std::vector<std::string>& args);

}  // namespace ambcomm
