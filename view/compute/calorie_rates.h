// The calorie trend worked out without a canvas: the channel list, the scales and the time
// grid of the calorie window, the rates of one entry in blocks, the bars they make and the
// lines of its calorie text file ("Calorie.ac" / "Calorie.hr").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/calorie_model.h"
#include "view/recording/loader.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

inline constexpr const char* kCalorieErrorCaption = "エラー";
inline constexpr const char* kCalorieNoFileText = "処理ファイルが存在しません ";

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

// The calorie text file name of a kind ("Calorie.ac", "Calorie.hr").
std::string calorie_file_name(char kind);

// Layout of the calorie window: the plot starts 34 in and leaves 70 of the width; 26 and 60
// of the height hold the time axis and the summary; each band has a 16-high caption line.
namespace calorie {
inline constexpr int kLeftX = 34;
inline constexpr int kWidthMargin = 70;
inline constexpr int kHeightMargin = 26 + 60;
inline constexpr int kCaptionLine = 16;
inline constexpr int kLabelFont = 14;  // scale labels and the time axis
inline constexpr int kTextFont = 16;   // captions and the summary
}  // namespace calorie

// Everything the entries share: the plot's size and the span's samples and times.
struct CalorieFrame {
  int width = 0;           // W
  int band_height = 0;     // H
  int list_length = 0;
  std::int64_t q = 0;      // first sample
  std::int64_t n = 0;      // sample count
  std::int64_t p = 1;      // samples per column
  float interval = 0;      // S
  std::int32_t t0 = 0;     // seconds of the year of the recording's first sample
  std::int64_t start = 0;  // display start, seconds
  std::int64_t minutes = 1;     // m: the span in whole minutes (at least 1)
  int step = 1;                 // minutes between grid lines
  std::int64_t grid_lines = 0;  // k_max
  int grid_width = 0;           // pixels between grid lines
  std::string year;             // two digits of the recording's start
  std::string start_text;       // YYMMDDhhmm of the span start
};
CalorieFrame calorie_frame(int canvas_width, int canvas_height, const ProcessingConditions& conditions,
                           const RecordingInfo& info, int list_length);
// YYMMDDhhmm of the span start plus `offset` seconds.
std::string calorie_time_text(const CalorieFrame& frame, std::int64_t offset);
// Two-digit field i of a YYMMDDhhmm text: year, month, day, hour, minute.
std::string calorie_field(const std::string& yymmddhhmm, int i);
// The bottom of band `index` (0-based), where its bars stand.
int calorie_band_base(const CalorieFrame& frame, int index);

// One bar of an entry: from x0 to x1, `height` pixels up from the band's base.
struct CalorieBar {
  int x0 = 0;
  int x1 = 0;
  int height = 0;
};

// What one entry's walk over its channel gave.
struct CalorieRates {
  common::CalorieError error = common::CalorieError::None;
  common::CalorieModel model;
  common::CalorieSpan span;       // the block rates and the total
  std::int64_t span_samples = 0;  // samples of the span
  std::int64_t counted = 0;       // of them, those the recording file holds
  std::vector<CalorieBar> bars;   // drawn even when the walk failed part way
};
// The samples of the span the file holds: a file shorter than the span (a heart-rate file
// whose RR data ended early) counts as far as it goes. ZeroBlock when the model's block is
// below 1, ReadError when the channel cannot be read.
CalorieRates calorie_rates(const CalorieFrame& frame, const ProcessingConditions& conditions,
                           const ChannelTable& channels, const CalorieEntry& entry);

// The lines (CP932, without line ends) of an entry's calorie text file: the header, then the
// block rates right-aligned in 4, `per_line` to a line.
std::vector<std::string> calorie_text_lines(const CalorieFrame& frame, const ProcessingConditions& conditions,
                                            const RecordingInfo& info, const ChannelTable& channels,
                                            const CalorieEntry& entry, const CalorieRates& rates);

}  // namespace ambview
