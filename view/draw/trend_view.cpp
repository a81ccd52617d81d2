// TREND: the frames, captions, event marks, time grid and time axis of the trend view, then
// the bands (see trend_view.h). The numbers come from compute/trend_layout.
#include "view/draw/trend_view.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/numbers.h"
#include "common/path_names.h"
#include "view/compute/label_boxes.h"
#include "view/compute/trend_layout.h"
#include "view/draw/trend_bands.h"

namespace ambview {

namespace {

using namespace trend;

constexpr int kLabelFont = 14;
constexpr int kCaptionFont = 16;

using common::round_int;

// The readable pictures: units in a smaller font, time labels at least this far apart.
constexpr int kUnitFont = 12;
constexpr int kTimeLabelGap = 8;
constexpr int kDateFont = 12;

// The pens of the view and the canvas they draw on.
struct Frame {
  ui::Canvas& window;
  const ProcessingConditions& cond;
  const TrendLayout& layout;
  bool readable = false;

  void horizontal(int y) const { window.line(kLeftX, y, kLeftX + layout.width, y); }
  // The original places of the scale labels; the readable picture places its own.
  void label(int y, std::string_view text) const {
    if (!readable) window.text(0, y, text, kLabelFont);
  }
  void grid_pen() const { window.set_pen(cond.scale1_colour); }
  void text_pen() const { window.set_pen(cond.text_colour); }
};

// Acceleration, steps and tilt-angle scales: lines of the main grid, labels beside them.
void scale_of_kind(const Frame& f, const ChannelRow& row, int y0, int yt, int h) {
  if (row.kind == 'A') {
    const auto& labels = acceleration_labels(f.cond.acc_scale);
    const int d = static_cast<int>(labels.size()) - 1;
    for (int c = 0; c <= d; ++c) f.horizontal(yt + round_int(static_cast<double>(h) / d * c));
    f.text_pen();
    for (int c = 0; c <= d; ++c) f.label(yt + round_int(static_cast<double>(h - 6) / d * c), labels[static_cast<std::size_t>(c)]);
    f.label(y0 + 6, "  (G)");
  }
  if (row.kind == 'S') {
    for (int c = 0; c <= 3; ++c) f.horizontal(yt + round_int(h * c / 3.0));
    f.text_pen();
    f.label(yt, " 180");
    f.label(y0 + round_int(h / 3.0) + 12, " 120");
    f.label(y0 + round_int(2 * h / 3.0) + 12, "  60");
    f.label(y0 + h + 8, "   0");
  }
  if (row.kind == 'T') {
    for (int c = 0; c <= 2; ++c) f.horizontal(yt + round_int(h * c / 2.0));
    f.text_pen();
    f.label(yt, "180ﾟ");
    f.label(y0 + round_int(h / 2.0) + 12, " 90ﾟ");
    f.label(y0 + h + 8, "  0ﾟ");
  }
}

// Waveform, level, tilt and rate scales. The tests are independent: a band may match more
// than one.
void scale_of_channel(const Frame& f, const ChannelRow& row, int y0, int yt, int yb, int h) {
  f.grid_pen();
  if (row.code == 'a' || row.code == 'b' || row.code == 'c') {
    const int d = static_cast<int>(acceleration_labels(f.cond.acc_scale).size()) - 1;
    for (int c = 0; c <= 2 * d; ++c) f.horizontal(yt + round_int(static_cast<double>(h) / (2 * d) * c));
  }
  if (row.code == 'd') {
    for (int c = 0; c <= 4; ++c) f.horizontal(yt + round_int(h / 4.0 * c));
  }
  if (row.kind == 'L') {
    f.horizontal(yt);
    f.horizontal(yb);
    f.text_pen();
    f.label(y0 + h + 8, "   0");
    f.label(y0 + 6, "LEVEL");
  }
  f.grid_pen();
  if (row.kind == '4') {
    f.horizontal(yt);
    f.horizontal(yb);
    f.text_pen();
    f.label(yt, "  10");
    f.label(y0 + h + 8, "   0");
    f.label(y0 + 6, "TILT ");
  }
  f.grid_pen();
  if (row.kind == '5' || row.kind == '6') {
    for (int c = 0; c <= 3; ++c) f.horizontal(yt + round_int(h / 3.0 * c));
    f.text_pen();
    const auto& labels = rate_labels(f.cond.hr_scale == 1 ? 1 : 0);
    for (int c = 0; c <= 3; ++c) f.label(yt + round_int((h - 6) / 3.0 * c), labels[static_cast<std::size_t>(c)]);
    f.label(y0 + 6, "(BPM)");
  }
}

// The event marks of a rate band: a small wedge at each mark's time.
void event_marks_at(const Frame& f, const std::vector<std::int64_t>& marks, int yb) {
  f.window.set_pen(f.cond.trend_colour);
  for (const std::int64_t time : marks) {
    const int x = round_int(static_cast<double>(time - f.layout.s) * f.layout.width / static_cast<double>(f.layout.n)) + kLeftX;
    f.window.line(x, yb - 8, x - 3, yb);
    f.window.line(x, yb - 8, x + 3, yb);
  }
}

// The time grid of a band: minor lines in the fine-grid colour, then the major ones.
void time_grid_of_band(const Frame& f, int yt, int yb) {
  const TrendLayout& l = f.layout;
  f.window.set_pen(f.cond.scale2_colour);
  for (int c = 0; c * l.grid.minor <= static_cast<double>(l.span_minutes); ++c) {
    const int x = minute_x(l, c * l.grid.minor);
    f.window.line(x, yt, x, yb);
  }
  f.grid_pen();
  for (std::int64_t c = 0; c <= l.span_minutes / l.grid.major; ++c) {
    const int x = minute_x(l, static_cast<double>(c * l.grid.major));
    f.window.line(x, yt, x, yb);
  }
}

// Time axis below the last band: the date of the window start and a time at every major line.
void time_axis(const Frame& f, const RecordingInfo& info) {
  const TrendLayout& l = f.layout;
  const int axis_y = band_top(l, l.display.count);
  f.text_pen();
  f.window.text(kLeftX, axis_y + 12, axis_date(l, info), kLabelFont);
  for (std::int64_t c = 0; c <= l.span_minutes / l.grid.major; ++c) {
    const int x = minute_x(l, static_cast<double>(c * l.grid.major));
    f.window.text(x, axis_y, axis_time(l, info, c * l.grid.major * 60), kLabelFont);
  }
}

// The readable scale of a band: each label beside its grid line, right-aligned to the plot and
// kept inside the band; the top and bottom labels first, then the middle ones that have room.
// The unit stands in the caption line, left of the caption, clear of the labels.
void readable_scale(const Frame& f, labels::Placer& placer, const ChannelRow& row, int y0, int yt, int h) {
  std::vector<std::string_view> texts;
  std::string_view unit;
  switch (row.kind) {
    case 'A': texts = acceleration_labels(f.cond.acc_scale); unit = "(G)"; break;
    case 'S': texts = {"180", "120", "60", "0"}; break;
    case 'T': texts = {"180ﾟ", "90ﾟ", "0ﾟ"}; break;
    case 'L': texts = {"", "0"}; unit = "LEVEL"; break;
    case '4': texts = {"10", "0"}; unit = "TILT"; break;
    case '5':
    case '6': texts = rate_labels(f.cond.hr_scale == 1 ? 1 : 0); unit = "(BPM)"; break;
    default: return;
  }
  f.text_pen();
  const auto right_aligned = [](std::string_view text, int font) {
    return kLeftX - 3 - labels::text_width(labels::trimmed(text), font);
  };
  const int d = static_cast<int>(texts.size()) - 1;
  std::vector<int> order{0, d};
  for (int c = 1; c < d; ++c) order.push_back(c);
  for (const int c : order) {
    const std::string_view text = labels::trimmed(texts[static_cast<std::size_t>(c)]);
    if (text.empty()) continue;
    const int line = yt + round_int(static_cast<double>(h) / d * c);
    const int y = std::min(std::max(line - kLabelFont / 2, yt), yt + h - kLabelFont);
    const int x = right_aligned(text, kLabelFont);
    if (y >= yt && placer.take(labels::text_box(x, y, text, kLabelFont))) f.window.text(x, y, text, kLabelFont);
  }
  if (unit.empty()) return;
  const int x = right_aligned(unit, kUnitFont);
  const int y = y0 + (kCaptionLine - kUnitFont) / 2;
  if (placer.take(labels::text_box(x, y, unit, kUnitFont))) f.window.text(x, y, unit, kUnitFont);
}

// The readable time axis: a time under every major grid line, then under every other grid
// line at a whole minute that has room; the date on a line of its own below.
void readable_time_axis(const Frame& f, labels::Placer& placer, const RecordingInfo& info) {
  const TrendLayout& l = f.layout;
  const int axis_y = band_top(l, l.display.count);
  f.text_pen();
  const std::string date = axis_date(l, info);
  if (placer.take(labels::text_box(kLeftX, axis_y + kLabelFont, date, kDateFont)))
    f.window.text(kLeftX, axis_y + kLabelFont, date, kDateFont);
  labels::Placer times(kTimeLabelGap);
  const auto put = [&](double minutes) {
    const double whole = std::round(minutes);
    if (std::abs(minutes - whole) > 1e-9 || whole > static_cast<double>(l.span_minutes)) return;
    const std::string text = axis_time(l, info, static_cast<std::int64_t>(whole) * 60);
    // Centred on its line, but never left of the plot, where the scale labels stand.
    const int x = std::max(minute_x(l, whole) - labels::text_width(text, kLabelFont) / 2, kLeftX);
    const labels::Box box = labels::text_box(x, axis_y, text, kLabelFont);
    if (!times.fits(box) || !placer.take(box)) return;
    times.take(box);
    f.window.text(x, axis_y, text, kLabelFont);
  };
  for (std::int64_t c = 0; c <= l.span_minutes / l.grid.major; ++c) put(static_cast<double>(c * l.grid.major));
  for (int c = 0; c * l.grid.minor <= static_cast<double>(l.span_minutes); ++c) put(c * l.grid.minor);
}

// The bands' contents, in band order.
void bands(ui::Canvas& window, const ProcessingConditions& cond, const TrendLayout& l, const ChannelTable& channels,
           const RecordingInfo& info, SeriesCache* cache) {
  BandArgs args;
  args.window = &window;
  args.left_x = kLeftX;
  args.width = l.width;
  args.height = l.height;
  args.path_name = channels.prefix;  // files are named as they are on disk, never from the CP932 conditions
  args.extension = channels.extension;
  args.display = l.display;
  args.s = l.s;
  args.n = l.n;
  args.m = l.display.count;
  args.p = std::max<std::int64_t>(l.width > 0 ? l.n / l.width : 0, 1);
  args.conditions = &cond;
  args.recording_interval = info.item[RecordingInfo::kInterval];
  args.cache = cache;
  for (int i = 0; i < args.m; ++i) {
    args.band = i;
    switch (l.display.rows[static_cast<std::size_t>(i)].kind) {
      case 'A':
      case 'L': ACC_PLOT(args); break;
      case '4':
      case '5':
      case 'T':
      case 'S': TLT_PLOT(args); break;
      case '6': RR_PLOT(args); break;  // works on its own copy of n
      case 'w': ACC_WAVE_PLOT(args); break;
      default: break;
    }
  }
}

}  // namespace

void TREND(ui::Canvas& window, const ProcessingConditions& cond, const ChannelTable& channels,
           const RecordingInfo& info, const ViewOptions& options, SeriesCache* cache) {
  window.clear(cond.back_colour);
  const TrendLayout l = trend_layout(cond, channels, info, window.width(), window.height());
  const int m = l.display.count;
  if (m == 0) return;  // nothing checked: the cleared background only
  const Frame f{window, cond, l, options.readable};
  labels::Placer placer(0);  // boxes may touch, never overlap
  const int h = l.band_height;

  // Event marks come from the header of the first channel's file, read once when a rate band shows them.
  std::optional<std::vector<std::int64_t>> marks;
  for (int i = 0; i < m; ++i) {
    const ChannelRow& row = l.display.rows[static_cast<std::size_t>(i)];
    const int y0 = band_top(l, i);
    const int yt = y0 + kCaptionLine;
    const int yb = yt + h;
    f.grid_pen();
    scale_of_kind(f, row, y0, yt, h);
    scale_of_channel(f, row, y0, yt, yb, h);
    if (f.readable) readable_scale(f, placer, row, y0, yt, h);

    // Caption text (the level band names its threshold), then the event marks.
    std::optional<std::string> level;
    if (row.kind == 'L') level = level_text(channels.prefix, channels.extension, row);
    const std::string caption = band_caption(cond, info, row, level ? &*level : nullptr,
                                             common::name_part(channels.prefix) + row.code + channels.extension);
    if ((row.kind == '5' || row.kind == '6') && l.n > 0) {
      if (!marks) marks = event_marks(channels);
      event_marks_at(f, *marks, yb);
    }
    time_grid_of_band(f, yt, yb);
    f.text_pen();
    window.text(kLeftX, y0, caption, kCaptionFont);
    if (f.readable) placer.take(labels::text_box(kLeftX, y0, caption, kCaptionFont));
  }
  if (f.readable)
    readable_time_axis(f, placer, info);
  else
    time_axis(f, info);
  if (cache) cache->begin_draw(channels.prefix + channels.extension);
  bands(window, cond, l, channels, info, cache);
}

}  // namespace ambview
