// The trend view's layout (see trend_layout.h).
#include "view/compute/trend_layout.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/compute/trend_series.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"

namespace ambview::trend {

namespace {

// Acceleration scale table: labels from the top line down (divisions = labels - 1).
const std::vector<std::vector<std::string_view>> kAccelerationLabels{
    {" 4.0", " 2.0", " 0.0"},
    {" 1.5", " 1.0", " 0.5", " 0.0"},
    {" 0.6", " 0.4", " 0.2", " 0.0"},
    {" 0.3", " 0.2", " 0.1", " 0.0"},
    {"0.15", " 0.1", "0.05", " 0.0"},
    {"0.06", "0.04", "0.02", " 0.0"},
};

// Rate and ECG label columns.
const std::vector<std::vector<std::string_view>> kRateLabels{
    {" 300", " 200", " 100", "   0"},  // heart rate, scale index 0
    {" 180", " 120", "  60", "   0"},  // heart rate, scale index 1
    {"  4", "  2", "  0"},             // ECG, 2 mV per division
    {"  2", "  1", "  0"},             // ECG, 1 mV per division
};

// Time grid by span in minutes: below `below` minutes, major and minor minutes.
struct GridRow {
  std::int64_t below;
  int major;
  double minor;
};
constexpr GridRow kGridRows[] = {
    {5, 1, 0.5}, {30, 5, 1}, {120, 60, 10}, {360, 60, 30}, {2160, 180, 60},
};
constexpr TimeGrid kLongestGrid{720, 180};

using common::round_int;

int scale_index(int i) { return i >= 0 && i < static_cast<int>(kAccelerationLabels.size()) ? i : 0; }

// The level threshold of a level band, in G: threshold 1-3 by the header's second
// character, else by the channel code (the per-channel files' headers say "ce").
}  // namespace

std::optional<std::string> level_text(const std::string& path_name, const std::string& extension,
                                      const ChannelRow& row) {
  const std::optional<std::string> header = read_header_record(band_file_name(path_name, extension, row.code));
  if (!header) return std::nullopt;
  char which = (*header)[1];
  if (which < '1' || which > '3') which = row.code;
  if (which < '1' || which > '3') return std::string("AAA");
  const common::RecordingHeader fields = common::read_header(*header);
  return common::num_plain(common::threshold_g(fields.thresholds[static_cast<std::size_t>(which - '1')]));
}

namespace {

// The header's event marks: times in samples from the recording start.
std::vector<std::int64_t> event_marks_of(const std::string& header) {
  std::vector<std::int64_t> marks;
  const auto count = static_cast<int>(common::hex_value(common::mid(header, 63, 1)));
  for (int j = 1; j <= count; ++j) {
    marks.push_back(static_cast<std::int64_t>(common::hex_value(common::mid(header, 72 + (j - 1) * 12, 4))));
  }
  return marks;
}

}  // namespace

TimeGrid time_grid(std::int64_t span_minutes) {
  for (const GridRow& row : kGridRows) {
    if (span_minutes < row.below) return {row.major, row.minor};
  }
  return kLongestGrid;
}

const std::vector<std::string_view>& acceleration_labels(int index) {
  return kAccelerationLabels[static_cast<std::size_t>(
      index >= 0 && index < static_cast<int>(kAccelerationLabels.size()) ? index : 0)];
}

const std::vector<std::string_view>& rate_labels(int column) {
  return kRateLabels[static_cast<std::size_t>(std::clamp(column, 0, 3))];
}

std::string band_caption(const ProcessingConditions& cond, const RecordingInfo& info, const ChannelRow& row,
                         const std::string* level, std::string_view name) {
  // The comment is CP932 as stored: the caption is put together, then converted; the file
  // name is shown as it is on disk.
  std::string caption = "> T(S)=" + info.item[RecordingInfo::kInterval];
  if (level) caption += " L(G)=" + *level;
  caption += " N=" + std::to_string(cond.average_n) + " [" + info.item[RecordingInfo::kComment] + "]";
  if (row.code == 'a' || row.code == 'b' || row.code == 'c') {
    const auto& labels = acceleration_labels(scale_index(cond.acc_scale));
    caption += " " + std::string(labels[labels.size() - 2]) + "G/div";
  } else if (row.code == 'd') {
    caption += " " + std::string(rate_labels(cond.hr_scale == 0 ? 2 : 3)[1]) + "mV/div";
  }
  return "  <" + std::string(name) + common::cp932_to_utf8(caption);
}

std::vector<std::int64_t> event_marks(const ChannelTable& channels) {
  if (channels.count <= 0) return {};
  const char code = channels.rows[0].code;
  const auto header = read_header_record(band_file_name(channels.prefix, channels.extension, code, true));
  return header ? event_marks_of(*header) : std::vector<std::int64_t>{};
}

TrendLayout trend_layout(const ProcessingConditions& cond, const ChannelTable& channels, const RecordingInfo& info,
                         int canvas_width, int canvas_height) {
  TrendLayout l;
  // Window in samples and minutes.
  const double interval = cond.interval.seconds;
  l.start_seconds = static_cast<double>(cond.display_start);
  const auto span_seconds = static_cast<double>(cond.display_span);
  if (interval > 0) {
    l.s = common::round_half_even(l.start_seconds / interval);
    l.n = common::round_half_even(span_seconds / interval);
  }
  l.n = std::clamp<std::int64_t>(l.n, 0, common::round_half_even(common::val(info.item[RecordingInfo::kCount])));
  l.span_minutes = std::max<std::int64_t>(common::trunc_div(static_cast<std::int64_t>(span_seconds), 60), 1);
  l.width = canvas_width - kWidthMargin;
  l.height = canvas_height - kHeightMargin;
  l.display = display_table(channels);
  l.band_height = band_geometry(l.height, l.display.count, 0).h;
  l.grid = time_grid(l.span_minutes);
  l.minutes_to_x = static_cast<double>(l.width) / static_cast<double>(l.span_minutes);
  return l;
}

int band_top(const TrendLayout& layout, int band) { return (layout.band_height + kCaptionLine) * band; }

int minute_x(const TrendLayout& layout, double minutes) { return kLeftX + round_int(minutes * layout.minutes_to_x); }

namespace {

// The time text (YYMMDDhhmm) `offset_seconds` after the window's start.
std::string time_text(const TrendLayout& layout, const RecordingInfo& info, std::int64_t offset_seconds) {
  const std::string& start_text = info.item[RecordingInfo::kStartTime];
  const auto recording_start = static_cast<std::int32_t>(
      YMDHM_SEC(start_text) + common::round_half_even(common::val(info.item[RecordingInfo::kStartOffset])) * 60);
  std::string year = common::mid(start_text, 1, 2);
  auto seconds =
      static_cast<std::int32_t>(recording_start + static_cast<std::int64_t>(layout.start_seconds) + offset_seconds);
  return SEC_YMDHM(year, seconds);
}

}  // namespace

std::string axis_time(const TrendLayout& layout, const RecordingInfo& info, std::int64_t offset_seconds) {
  const std::string t = time_text(layout, info, offset_seconds);
  return common::mid(t, 7, 2) + ":" + common::mid(t, 9, 2);
}

std::string axis_date(const TrendLayout& layout, const RecordingInfo& info) {
  const std::string date = time_text(layout, info, 0);
  return common::mid(date, 1, 2) + "/" + common::mid(date, 3, 2) + "/" + common::mid(date, 5, 2);
}

BandFrame band_frame(int window_width, int window_height, int bands) {
  return {kLeftX, window_width - kWidthMargin, band_geometry(window_height - kHeightMargin, bands, 0).h, kCaptionLine};
}

}  // namespace ambview::trend
