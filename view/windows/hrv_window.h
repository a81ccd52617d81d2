// The HRV window: the summary of the trend's current range as a table and a picture of RMSSD
// and SDNN per window, with buttons that save the CSV (as `ambview hrv` writes it) and the
// picture. Opened from the 心電図 menu for recordings with an RR channel.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/platform.h"
#include "view/compute/hrv_report.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr const char* kHrvCaption = "HRV";
inline constexpr int kHrvWidth = 900;
inline constexpr int kHrvPictureHeight = 300;
inline constexpr int kHrvHeight = 640;

// The table's rows: a heading, one row per window, the whole range; columns lined up for the
// fixed-width font (a full-width character takes two columns).
std::vector<std::string> hrv_table_rows(const HrvReport& report);

// The message box text for a report that failed (UTF-8).
std::string hrv_error_text(const HrvReport& report);

// The main loop's operation for the codes above.
void run_hrv_window(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
