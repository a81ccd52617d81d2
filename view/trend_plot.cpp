// TREND: layout, frames, captions, event marks and time axis of the trend view (see
// trend_plot.h); the band contents come from trend_compute and wave_band.
#include "view/trend_plot.h"

#include <algorithm>
#include <optional>

#include "common/cp932.h"
#include "common/path_names.h"
#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/trend_compute.h"
#include "view/wave_band.h"

namespace ambview {

namespace trend {

namespace {

// The frame's fixed numbers: the plot starts 34 pixels in, leaves 70 pixels of the width
// and 26 of the height for labels and the time axis; each band has a 16-pixel caption line.
constexpr int kLeftX = 34;
constexpr int kWidthMargin = 70;
constexpr int kHeightMargin = 26;
constexpr int kCaptionLine = 16;
constexpr int kLabelFont = 14;
constexpr int kCaptionFont = 16;

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

int rounded(double v) { return static_cast<int>(common::round_half_even(v)); }

int scale_index(int i) { return i >= 0 && i < static_cast<int>(kAccelerationLabels.size()) ? i : 0; }

// The level threshold of a level band, in G: threshold 1-3 by the header's second
// character, else by the channel code (the per-channel files' headers say "ce").
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

// The header's event marks: times in samples from the recording start.
std::vector<std::int64_t> event_marks(const std::string& header) {
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

}  // namespace trend

void TREND(ui::Canvas& window, const ProcessingConditions& cond, const ChannelTable& channels,
           const RecordingInfo& info) {
  using namespace trend;
  const ui::Colour main_grid = cond.scale1_colour;
  const ui::Colour fine_grid = cond.scale2_colour;
  const ui::Colour trend_colour = cond.trend_colour;
  const ui::Colour text_colour = cond.text_colour;
  window.clear(cond.back_colour);

  // Window in samples and minutes.
  const double interval = cond.interval.seconds;
  const auto start_seconds = static_cast<double>(cond.display_start);
  const auto span_seconds = static_cast<double>(cond.display_span);
  std::int64_t s = 0;
  std::int64_t n = 0;
  if (interval > 0) {
    s = common::round_half_even(start_seconds / interval);
    n = common::round_half_even(span_seconds / interval);
  }
  n = std::clamp<std::int64_t>(n, 0, common::round_half_even(common::val(info.item[RecordingInfo::kCount])));
  const std::int64_t span_minutes =
      std::max<std::int64_t>(common::trunc_div(static_cast<std::int64_t>(span_seconds), 60), 1);
  const int width = window.width() - kWidthMargin;
  const int height = window.height() - kHeightMargin;

  const ChannelTable display = display_table(channels);
  const int m = display.count;
  if (m == 0) return;  // nothing checked: the cleared background only
  const int h = band_geometry(height, m, 0).h;
  // Files are named as they are on disk, never from the CP932 slots.
  const std::string& path_name = channels.prefix;
  const std::string& extension = channels.extension;
  const TimeGrid grid = time_grid(span_minutes);
  const double minutes_to_x = static_cast<double>(width) / static_cast<double>(span_minutes);

  // Event marks come from the header of the first channel's file.
  std::vector<std::int64_t> marks;
  bool marks_read = false;
  const auto load_marks = [&] {
    if (marks_read) return;
    marks_read = true;
    if (channels.count <= 0) return;
    const char code = channels.rows[0].code;
    if (const auto header = read_header_record(band_file_name(path_name, extension, code, true))) {
      marks = event_marks(*header);
    }
  };

  const auto horizontal = [&](int y) { window.line(kLeftX, y, kLeftX + width, y); };
  const auto label = [&](int y, std::string_view text) { window.text(0, y, text, kLabelFont); };

  for (int i = 0; i < m; ++i) {
    const ChannelRow& row = display.rows[static_cast<std::size_t>(i)];
    const int y0 = (h + kCaptionLine) * i;
    const int yt = y0 + kCaptionLine;
    const int yb = yt + h;

    // Frame: lines in the main-grid colour, labels in the text colour. The tests are
    // independent; a band may match more than one.
    window.set_pen(main_grid);
    if (row.kind == 'A') {
      const auto& labels = acceleration_labels(scale_index(cond.acc_scale));
      const int d = static_cast<int>(labels.size()) - 1;
      for (int c = 0; c <= d; ++c) horizontal(yt + rounded(static_cast<double>(h) / d * c));
      window.set_pen(text_colour);
      for (int c = 0; c <= d; ++c) label(yt + rounded(static_cast<double>(h - 6) / d * c), labels[static_cast<std::size_t>(c)]);
      label(y0 + 6, "  (G)");
    }
    if (row.kind == 'S') {
      for (int c = 0; c <= 3; ++c) horizontal(yt + rounded(h * c / 3.0));
      window.set_pen(text_colour);
      label(yt, " 180");
      label(y0 + rounded(h / 3.0) + 12, " 120");
      label(y0 + rounded(2 * h / 3.0) + 12, "  60");
      label(y0 + h + 8, "   0");
    }
    if (row.kind == 'T') {
      for (int c = 0; c <= 2; ++c) horizontal(yt + rounded(h * c / 2.0));
      window.set_pen(text_colour);
      label(yt, "180ﾟ");
      label(y0 + rounded(h / 2.0) + 12, " 90ﾟ");
      label(y0 + h + 8, "  0ﾟ");
    }
    window.set_pen(main_grid);
    if (row.code == 'a' || row.code == 'b' || row.code == 'c') {
      const int d = static_cast<int>(acceleration_labels(scale_index(cond.acc_scale)).size()) - 1;
      for (int c = 0; c <= 2 * d; ++c) horizontal(yt + rounded(static_cast<double>(h) / (2 * d) * c));
    }
    if (row.code == 'd') {
      for (int c = 0; c <= 4; ++c) horizontal(yt + rounded(h / 4.0 * c));
    }
    if (row.kind == 'L') {
      horizontal(yt);
      horizontal(yb);
      window.set_pen(text_colour);
      label(y0 + h + 8, "   0");
      label(y0 + 6, "LEVEL");
    }
    window.set_pen(main_grid);
    if (row.kind == '4') {
      horizontal(yt);
      horizontal(yb);
      window.set_pen(text_colour);
      label(yt, "  10");
      label(y0 + h + 8, "   0");
      label(y0 + 6, "TILT ");
    }
    window.set_pen(main_grid);
    const bool rate = row.kind == '5' || row.kind == '6';
    if (rate) {
      for (int c = 0; c <= 3; ++c) horizontal(yt + rounded(h / 3.0 * c));
      window.set_pen(text_colour);
      const auto& labels = rate_labels(cond.hr_scale == 1 ? 1 : 0);
      for (int c = 0; c <= 3; ++c) label(yt + rounded((h - 6) / 3.0 * c), labels[static_cast<std::size_t>(c)]);
      label(y0 + 6, "(BPM)");
    }

    // Caption text (the level band names its threshold), then the event marks.
    std::optional<std::string> level;
    if (row.kind == 'L') level = level_text(path_name, extension, row);
    const std::string caption =
        band_caption(cond, info, row, level ? &*level : nullptr, common::name_part(path_name) + row.code + extension);
    if (rate && n > 0) {
      load_marks();
      window.set_pen(trend_colour);
      for (const std::int64_t time : marks) {
        const int x = rounded(static_cast<double>(time - s) * width / static_cast<double>(n)) + kLeftX;
        window.line(x, yb - 8, x - 3, yb);
        window.line(x, yb - 8, x + 3, yb);
      }
    }

    // Time grid: minor lines in the fine-grid colour, then the major ones.
    window.set_pen(fine_grid);
    for (int c = 0; c * grid.minor <= static_cast<double>(span_minutes); ++c) {
      const int x = kLeftX + rounded(c * grid.minor * minutes_to_x);
      window.line(x, yt, x, yb);
    }
    window.set_pen(main_grid);
    for (std::int64_t c = 0; c <= span_minutes / grid.major; ++c) {
      const int x = kLeftX + rounded(static_cast<double>(c * grid.major) * minutes_to_x);
      window.line(x, yt, x, yb);
    }

    window.set_pen(text_colour);
    window.text(kLeftX, y0, caption, kCaptionFont);
  }

  // Time axis below the last band: the date of the window start and a time at every major line.
  const int axis_y = (h + kCaptionLine) * m;
  const std::string& start_text = info.item[RecordingInfo::kStartTime];
  const auto recording_start = static_cast<std::int32_t>(
      YMDHM_SEC(start_text) + common::round_half_even(common::val(info.item[RecordingInfo::kStartOffset])) * 60);
  const auto time_text = [&](std::int64_t offset_seconds) {
    std::string year = common::mid(start_text, 1, 2);
    auto seconds = static_cast<std::int32_t>(recording_start + static_cast<std::int64_t>(start_seconds) + offset_seconds);
    return SEC_YMDHM(year, seconds);
  };
  window.set_pen(text_colour);
  const std::string date = time_text(0);
  window.text(kLeftX, axis_y + 12, common::mid(date, 1, 2) + "/" + common::mid(date, 3, 2) + "/" + common::mid(date, 5, 2),
              kLabelFont);
  for (std::int64_t c = 0; c <= span_minutes / grid.major; ++c) {
    const std::string t = time_text(c * grid.major * 60);
    const int x = kLeftX + rounded(static_cast<double>(c * grid.major) * minutes_to_x);
    window.text(x, axis_y, common::mid(t, 7, 2) + ":" + common::mid(t, 9, 2), kLabelFont);
  }

  // The bands' contents, in band order.
  BandArgs args;
  args.window = &window;
  args.left_x = kLeftX;
  args.width = width;
  args.height = height;
  args.path_name = path_name;
  args.extension = extension;
  args.display = display;
  args.s = s;
  args.n = n;
  args.m = m;
  args.p = std::max<std::int64_t>(width > 0 ? n / width : 0, 1);
  args.conditions = &cond;
  args.recording_interval = info.item[RecordingInfo::kInterval];
  for (int i = 0; i < m; ++i) {
    args.band = i;
    switch (display.rows[static_cast<std::size_t>(i)].kind) {
      case 'A':
      case 'L':
        ACC_PLOT(args);
        break;
      case '4':
      case '5':
      case 'T':
      case 'S':
        TLT_PLOT(args);
        break;
      case '6':
        RR_PLOT(args);  // works on its own copy of n
        break;
      case 'w':
        ACC_WAVE_PLOT(args);
        break;
      default:
        break;
    }
  }
}

void run_trend(ViewerState& state, ui::Platform&, int) {
  if (!state.loaded || !state.forms.main) return;
  ui::Canvas& canvas = state.forms.main->canvas();
  TREND(canvas, state.conditions, state.channels, state.info);
  state.trend_width = canvas.width();
  state.trend_height = canvas.height();
}

}  // namespace ambview
