// `ambcomm --port DEVICE download PATH [--yes]`: the condition request and the download the
// window program runs for "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ", without windows, for scripts.
#pragma once

#include <string>
#include <vector>

#include "link/command_line.h"

namespace ambcomm {

// Exit status: 0 for a complete download; the link status when the link failed (3 for a
// recorder that streams its waveform); kExitRefused when a file exists and --yes is missing;
// kExitFileError when a recording file cannot be written.
inline constexpr int kExitRefused = 2;
inline constexpr int kExitFileError = 9;

int run_download(CommandContext& ctx, const std::vector<std::string>& args);

}  // namespace ambcomm
