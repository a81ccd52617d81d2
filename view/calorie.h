// The analysis program's calorie calculation: CALC_CAL (event code 501) with the calorie
// dialog, the channel list and the values-per-line question; the calorie window FORM6
// (WND6_OPN); the calorie trend CAL_TREND / CAL_PLOT with its bars, summary and the
// "Calorie.ac" / "Calorie.hr" text files. The command line draws and writes through the same
// CAL_TREND.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/calorie_model.h"
#include "ui/canvas.h"
#include "ui/platform.h"
#include "view/recording/loader.h"
#include "view/viewer_state.h"

namespace ambview {

inline constexpr const char* kCalorieCaption = "カロリー";
inline constexpr const char* kCalorieErrorCaption = "エラー";
inline constexpr const char* kCalorieNoFileText = "処理ファイルが存在しません ";
inline constexpr const char* kCaloriePerLineTitle = "ｶﾛﾘｰのﾃｷｽﾄ保存";
inline constexpr const char* kCaloriePerLinePrompt = "一行のデーター数を入力してください";

// One entry of the calorie channel list: the channel code and the kind it is computed as
// ('A' acceleration, '5' heart rate).
struct CalorieEntry {
  char code = ' ';
  char kind = 'A';
  bool operator==(const CalorieEntry&) const = default;
};

// The list from the checked rows in channel order: a code "0" gives an acceleration entry,
// then a heart-rate kind gives a heart-rate entry.
std::vector<CalorieEntry> calorie_channel_list(const ChannelTable& channels);

// The calorie window's height from the main window's client height, the checked channel
// count and the list length (each division in floating point, each rounding to even).
int calorie_window_height(int main_client_height, int selected_count, int list_length);

// Full scale (kcal/h at the band's top) and the four labels of a scale position 0-5 (others
// read as 0). Position 0 runs to 3000 so that the bars meet the labels at the grid lines.
int calorie_full_scale(int position);
const std::array<std::string_view, 4>& calorie_labels(int position);

// Time grid step in minutes for a span of m whole minutes.
int calorie_time_step(std::int64_t minutes);

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

// The calorie text file name of a kind ("Calorie.ac", "Calorie.hr").
std::string calorie_file_name(char kind);

// WND6_OPN: FORM6 made when not open and placed below the parent, then enabled, captioned,
// sized to (parent width, height) and shown.
ui::Form& WND6_OPN(ViewerState& state, ui::Platform& platform, int height, std::string_view caption);

// CALC_CAL, the operation of event code 501.
void CALC_CAL(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
