// The rule that no command writes over its own input: the files an open recording is read
// from, and the check of a command's output names against them before anything is written.
// An export into the recording's own folder of a set named "*.prn", or a re-save of a re-saved
// file under its old name, would otherwise replace the recording with the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "view/recording/loader.h"

namespace ambview {

// Every channel file of the table and, beside a per-channel set, its RR index and ECG block
// files (found without regard to letter case, as the views open them).
std::vector<std::string> recording_files(const ChannelTable& table);

struct Overwrite {
  std::string output;
  std::string input;
};
// The first output that names one of the recording's files (same name, or the same file by
// device and inode).
std::optional<Overwrite> overwrite_of(const std::vector<std::string>& outputs, const ChannelTable& table);

// For the command line: "OUT is the recording file IN: it is not written over; nothing was written".
std::string overwrite_reason(const Overwrite& o);
// For the window's message box (UTF-8).
std::string overwrite_text(const Overwrite& o);

}  // namespace ambview
