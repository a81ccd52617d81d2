// The HRV summary of a recording's range: the RR file of the set found, its words streamed
// through HrvComputer, and the CSV made of the result. The command and the HRV window both
// come here, so that the window shows what the command writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "view/compute/hrv_stats.h"
#include "view/recording/loader.h"

namespace ambview {

inline constexpr std::int64_t kHrvDefaultWindowSeconds = 300;

enum class HrvError {
  None,
  NoRrChannel,  // the set has no RR file
  Unreadable,   // the RR file cannot be opened or its header read
  Damaged,      // a data record cannot be read, or a word is no 12-bit RR value
  EmptyRange,   // the range holds no RR interval
};

// The range in whole seconds from the recording start.
struct HrvRange {
  std::int64_t start_s = 0;
  std::int64_t span_s = 0;
  std::int64_t window_s = kHrvDefaultWindowSeconds;
};

struct HrvReport {
  HrvError error = HrvError::None;
  std::string detail;       // what was found, for the message (English, with the path)
  std::string rr_path;
  std::string start_text;   // YYMMDDhhmm of the recording
  std::int64_t offset_ms = 0;  // a combined file's start offset
  HrvRange range;
  std::vector<HrvStats> windows;
  HrvStats all;
  bool ok() const { return error == HrvError::None; }
};

// The RR channel's file of a set; nullopt when the set has none.
std::optional<std::string> rr_file_of(const ChannelTable& table);

// The summary of `range` of the recording whose channel table and information are given.
// Reads the RR file once, record by record; stops at the range's end.
HrvReport hrv_report(const ChannelTable& table, const RecordingInfo& info, const HrvRange& range);

// The whole CSV: header, the windows, the "all" row (UTF-8, LF).
std::string hrv_csv(const HrvReport& report);

// One line on what went wrong (English, for stderr); empty for a report without error.
std::string hrv_error_line(const HrvReport& report);

}  // namespace ambview
