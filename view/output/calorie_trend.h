// CAL_TREND / CAL_PLOT: the calorie trend drawn into a canvas (the calorie window, or a
// render's image) and written as the "Calorie.ac" / "Calorie.hr" text files. The window and
// the command line both run it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "view/compute/calorie_rates.h"

namespace ambview {

// What became of one entry.
struct CalorieOutcome {
  CalorieEntry entry;
  std::string recording_file;  // UTF-8 path of the recording file read
  std::string text_file;       // UTF-8 path of the calorie text file ("" when none was written)
  std::int32_t total = 0;      // kcal of the span (when error is None)
  common::CalorieError error = common::CalorieError::None;
  std::int64_t span_samples = 0;  // samples of the span
  std::int64_t counted = 0;       // of them, those the recording file holds (the entry covers these)
};

// CAL_TREND: the frame into `window`, then CAL_PLOT for every entry. `text_directory` (UTF-8,
// ending with "/") receives the calorie text files; empty writes none (a render). Nothing
// escapes: an entry's failure ends that entry only.
std::vector<CalorieOutcome> CAL_TREND(ui::Canvas& window, const ProcessingConditions& conditions,
                                      const RecordingInfo& info, const ChannelTable& channels,
                                      const std::vector<CalorieEntry>& list, const std::string& text_directory);

}  // namespace ambview
