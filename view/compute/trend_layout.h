// The trend view's layout, worked out without a canvas: the window in samples and minutes,
// the band geometry, the time grid, the scale labels, the band captions, the level of a level
// band and the event marks of the recording's header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "view/recording/loader.h"
#include "view/settings/processing_conditions.h"

namespace ambview::trend {

// The frame's fixed numbers: the plot starts 34 pixels in, leaves 70 pixels of the width
// and 26 of the height for labels and the time axis; each band has a 16-pixel caption line.
inline constexpr int kLeftX = 34;
inline constexpr int kWidthMargin = 70;
inline constexpr int kHeightMargin = 26;
inline constexpr int kCaptionLine = 16;

// Time grid of a span of M minutes: minutes per major and per minor line.
struct TimeGrid {
  int major = 1;
  double minor = 0.5;
};
TimeGrid time_grid(std::int64_t span_minutes);

// The labels of the acceleration scale index (0..5; others read as 0), top line first; the
// number of divisions is one less than the labels.
const std::vector<std::string_view>& acceleration_labels(int scale_index);
// The rate and ECG label columns: 0, 1 heart rate (scale index 0, 1), 2, 3 ECG.
const std::vector<std::string_view>& rate_labels(int column);

// The caption of a band (UTF-8): "  <" name "> T(S)=" interval [" L(G)=" level] " N=" n
// " [" comment "]" and the waveform bands' division text; `name` is base name, code and
// extension as on disk.
std::string band_caption(const ProcessingConditions& conditions, const RecordingInfo& info,
                         const ChannelRow& row, const std::string* level_text, std::string_view name);

// The level threshold of a level band, in G, from its file's header; nothing when the header
// cannot be read.
std::optional<std::string> level_text(const std::string& path_name, const std::string& extension,
                                      const ChannelRow& row);
// The event marks of the recording's header (its first channel's file): times in samples
// from the recording start.
std::vector<std::int64_t> event_marks(const ChannelTable& channels);

// The trend view in a canvas of the given size.
struct TrendLayout {
  int width = 0;   // W of the time axis
  int height = 0;  // H of all bands together
  std::int64_t s = 0;  // first sample of the window
  std::int64_t n = 0;  // samples of the window
  double start_seconds = 0;
  std::int64_t span_minutes = 1;
  ChannelTable display;  // the checked channels, in order
  int band_height = 0;   // h
  TimeGrid grid;
  double minutes_to_x = 0;
};
TrendLayout trend_layout(const ProcessingConditions& conditions, const ChannelTable& channels,
                         const RecordingInfo& info, int canvas_width, int canvas_height);

// Top of band i's frame (its caption line) and the x of minute `minutes` of the window.
int band_top(const TrendLayout& layout, int band);
int minute_x(const TrendLayout& layout, double minutes);

// Where TREND puts the time axis and the bands in a window of width x height with `bands`
// bands: the axis runs `width` pixels from `left`; band i's plot is `band_height` pixels
// from band_top(i), under its caption line. The navigation and the status bar map the mouse by it.
struct BandFrame {
  int left = 0;
  int width = 0;
  int band_height = 0;
  int caption_line = 0;
  int band_top(int i) const { return (band_height + caption_line) * i + caption_line; }
};
BandFrame band_frame(int window_width, int window_height, int bands);

// "hh:mm" of a time `offset_seconds` after the window's start, and the "YY/MM/DD" of its start.
std::string axis_time(const TrendLayout& layout, const RecordingInfo& info, std::int64_t offset_seconds);
std::string axis_date(const TrendLayout& layout, const RecordingInfo& info);

}  // namespace ambview::trend
