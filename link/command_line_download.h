// `ambcomm --port DEVICE download PATH [--yes]`: the condition request and the download the
// window program runs for "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ", without windows, for scripts.
#pragma once

#include <string>
#include <vector>

#include "link/command_line.h"

namespace ambcomm {

// Exit status: 0 for a complete download; the link status when the link failed (3 for a
// recorder that streams its waveform, 27 for a device that vanished, the failing block's 5,
// 7, 3 or 2 when its retries ran out); kExitFileError when a recording file cannot be
// written; kExitRefused when a file exists and --yes is missing (nothing is fetched then).
inline constexpr int kExitFileError = 9;
inline constexpr int kExitRefused = 10;

int run_download(CommandContext& ctx, const std::vector<std::string>& args);

}  // namespace ambcomm
