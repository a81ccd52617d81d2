// ALL_WAVE, the waveform monitor's sweep (see wave_sweep.h): the frame with the bands' scales
// and the one-second grid, then column after column of the traces that compute/wave_page
// reads, the page marker in the trend view, and the page drawn into a bare canvas.
#include "view/draw/wave_sweep.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/numbers.h"
#include "view/compute/label_boxes.h"

namespace ambview {

using common::round_half_even;

namespace wave {

namespace {

// Colours of the monitor: a dark screen (palette 0) with the scale in the drawing colour
// (palette 4), a dim one-second grid and bright traces that stand apart by kind.
const ui::Colour kBackground = ui::palette(0);
const ui::Colour kScale = ui::palette(4);
const ui::Colour kGrid = ui::rgb(56, 56, 56);
const ui::Colour kAccTrace = ui::palette(10);
const ui::Colour kEcgTrace = ui::palette(14);
const ui::Colour kLabel = ui::palette(7);
const ui::Colour kReadableLabel = ui::palette(15);  // white: the readable picture's band labels
const ui::Colour kMarkerColour = ui::palette(7);    // exclusive-or on the trend view

}  // namespace

ui::Image continue_face() {
  ui::Image image;
  image.width = kContinueWidth;
  image.height = kContinueHeight;
  // Image pixels are 0x00RRGGBB.
  constexpr std::uint32_t face = 0xC0C0C0, light = 0xFFFFFF, shade = 0x808080, dark = 0x000000, sign = 0x007000;
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, face);
  const auto put = [&](int x, int y, std::uint32_t c) {
    if (x >= 0 && y >= 0 && x < image.width && y < image.height)
      image.pixels[static_cast<std::size_t>(y) * image.width + x] = c;
  };
  for (int x = 0; x < image.width; ++x) {
    put(x, 0, light);
    put(x, image.height - 2, shade);
    put(x, image.height - 1, dark);
  }
  for (int y = 0; y < image.height; ++y) {
    put(0, y, light);
    put(image.width - 2, y, shade);
    put(image.width - 1, y, dark);
  }
  // Two right-pointing triangles: the sweep runs on while the button is held.
  const double mid = (image.height - 1) / 2.0;
  for (const int left : {14, 25}) {
    for (int dx = 0; dx <= 9; ++dx) {
      const double half = 6.5 * (1.0 - dx / 10.0);
      for (int y = 0; y < image.height; ++y)
        if (std::abs(y - mid) <= half) put(left + dx, y, sign);
    }
  }
  return image;
}

void paint_text(ui::Canvas& canvas, const TextPlace& at, std::string_view utf8) {
  canvas.set_fill(kBackground);
  canvas.fill_box(at.x, at.y, at.x + at.width - 1, at.y + at.height - 1);
  canvas.set_pen(kLabel);
  canvas.text(at.x, at.y + 2, utf8, 16);
}

}  // namespace wave

namespace {

using namespace wave;

struct ReadError {};

constexpr int kEraseAhead = 6;   // a dark bar ahead of the sweep shows where it runs
constexpr int kSecondSamples = 50;
constexpr int kLabelLeft = 14;
constexpr int kLabelWidth = 120;
constexpr int kLabelFont = 12;
constexpr int kReadableLabelFont = 14;
constexpr int kPlusMinusWidth = 11;  // the drawn "±" of the readable label

// Everything one ALL_WAVE call works with.
struct Sweep {
  WaveWindow& window;
  ui::Canvas& canvas;
  const ProcessingConditions& cond;
  WaveState& st;
  float speed;
  std::vector<ChannelRow> bands;
  BandLayout layout;
  int acc_full_scale = 4000;  // F, mG
  int ecg_counts = 1000;      // E
  WaveColumns files;
  std::vector<std::optional<ui::Point>> previous;
  int cleared_to = 0;
  bool readable = false;

  int page_width() const { return st.page_width; }
  double column_x(double column) const { return wave::column_x(column, speed); }
  bool ecg(std::size_t b) const { return bands[b].code == 'd'; }
  // Counts of a full deflection A: F / 2 for acceleration, E for ECG.
  double full_counts(std::size_t b) const { return ecg(b) ? ecg_counts : acc_full_scale / 2.0; }

  std::string label(std::size_t b) const {
    if (ecg(b)) return std::string(1, bands[b].code) + "  ECG ±" + common::num_plain(ecg_counts / 500.0) + "mV";
    return std::string(1, bands[b].code) + "  加速度 ±" + common::num_plain(acc_full_scale / 1000.0) + "G";
  }
  int label_y(std::size_t b) const {
    const int c = layout.centres[b];
    const int gap = layout.half_height - layout.amplitude;
    return gap >= 15 ? c - layout.amplitude - 15 : c - layout.amplitude + 2;
  }

  // A band's label in white, its "±" drawn as a plus over a bar: the gothic font's own glyph
  // has no gap under the plus and reads as "土" at these sizes.
  void readable_label(const std::string& text, int y) {
    canvas.set_pen(kReadableLabel);
    const std::size_t at = text.find("±");
    const std::string before = text.substr(0, at), after = at == std::string::npos ? "" : text.substr(at + 2);
    canvas.text(kLabelLeft, y, before, kReadableLabelFont);
    if (at == std::string::npos) return;
    const int x = kLabelLeft + labels::text_width(before, kReadableLabelFont);
    const int mid = x + kPlusMinusWidth / 2, top = y + 2;
    canvas.line(mid - 4, top + 4, mid + 4, top + 4);
    canvas.line(mid, top, mid, top + 8);
    canvas.line(mid - 4, top + 11, mid + 4, top + 11);
    canvas.text(x + kPlusMinusWidth, y, after, kReadableLabelFont);
  }

  // The scale of every band between x = xa and xb - 1 (SCALE_ACC and SCALE_ECG draw the
  // same figure): centre line, the box of +-A, and the band's label.
  void scale_part(int xa, int xb) {
    const int left = kMarginPixels, right = kMarginPixels + page_width();
    const int a = std::max(xa, left), z = std::min(xb - 1, right);
    canvas.set_pen(kScale);
    for (std::size_t b = 0; b < bands.size(); ++b) {
      const int c = layout.centres[b], amp = layout.amplitude;
      if (a <= z) {
        for (const int y : {c - amp, c, c + amp}) canvas.line(a, y, z, y);
      }
      for (const int x : {left, right})
        if (x >= xa && x < xb) canvas.line(x, c - amp, x, c + amp);
    }
    if (xa < kLabelLeft + kLabelWidth && xb > kLabelLeft) {
      if (readable) {
        for (std::size_t b = 0; b < bands.size(); ++b) readable_label(label(b), label_y(b));
      } else {
        canvas.set_pen(kLabel);
        for (std::size_t b = 0; b < bands.size(); ++b) canvas.text(kLabelLeft, label_y(b), label(b), kLabelFont);
      }
    }
  }

  void grid_line(int x) {
    canvas.set_pen(kGrid);
    for (std::size_t b = 0; b < bands.size(); ++b)
      canvas.line(x, layout.centres[b] - layout.amplitude + 1, x, layout.centres[b] + layout.amplitude - 1);
  }

  std::int64_t sample_of(int column) const { return wave::sample_of(st, column); }

  // The frame: cleared window, band layout, scales and the one-second grid of the page.
  void frame() {
    canvas.clear(kBackground);
    const int cw = canvas.width(), ch = canvas.height();
    st.bands = static_cast<int>(bands.size());
    st.margin = kMarginPixels;
    st.page_width = cw - 2 * kMarginPixels;
    layout = band_layout(ch, st.bands);
    st.amplitude = layout.amplitude;
    window.reposition();
    scale_part(0, cw);
    for (int column = 0; column_x(column) <= kMarginPixels + page_width(); ++column)
      if (sample_of(column) % kSecondSamples == 0) grid_line(static_cast<int>(round_half_even(column_x(column))));
    st.column = 0;
    st.column_x = kMarginPixels;
    st.ecg_record = 0;
    st.acc_record = 0;
    st.per_record = kSamplesPerRecord;
    st.frame_height = ch;
    st.frame_width = cw;
    st.redraw_frame = false;
  }

  // The rows of the bands: the sweep clears only these, so the texts above and below stay.
  int bands_top() const { return layout.centres.empty() ? 0 : layout.centres.front() - layout.half_height; }
  int bands_bottom() const { return layout.centres.empty() ? 0 : layout.centres.back() + layout.half_height; }

  // The points of one column of band b; the end of the data ends the sweep.
  std::vector<WavePoint> points(std::size_t b, int column) {
    std::optional<std::vector<WavePoint>> p = files.points(b, column, st, speed, layout, full_counts(b));
    if (!p) throw ReadError{};
    return std::move(*p);
  }

  void draw_column(int column) {
    const int x = static_cast<int>(round_half_even(column_x(column)));
    const int strip = std::max(1, static_cast<int>(round_half_even(speed)));
    const int xa = std::max(x, cleared_to), xb = x + strip + kEraseAhead;
    if (xb > xa) {
      canvas.set_fill(kBackground);
      canvas.fill_box(xa, bands_top(), xb - 1, bands_bottom());
      scale_part(xa, xb);
      cleared_to = xb;
    }
    if (sample_of(column) % kSecondSamples == 0) grid_line(x);
    for (std::size_t b = 0; b < bands.size(); ++b) {
      canvas.set_pen(ecg(b) ? kEcgTrace : kAccTrace);
      for (const WavePoint& w : points(b, column)) {
        const ui::Point p{w.x, w.y};
        const ui::Point from = previous[b].value_or(p);
        canvas.line(from.x, from.y, p.x, p.y);
        previous[b] = p;
      }
    }
    st.column_x = x;
  }
};

// A new page: the margin cleared, the marker and the page time moved. False past the span.
bool start_page(Sweep& s, WaveWindow& window, const WaveSource& source, int ps) {
  WaveState& st = s.st;
  st.page_start += st.column;
  st.column = 0;
  st.new_page = false;
  s.canvas.set_fill(kBackground);
  s.canvas.fill_box(0, s.bands_top(), kMarginPixels - 1, s.bands_bottom());
  s.cleared_to = kMarginPixels;
  s.previous.assign(s.bands.size(), std::nullopt);
  draw_page_marker(window.trend_view(), st, ps);
  window.set_text("TEXT20", page_time_text(source.start_time, source.recording_start, *source.conditions, st));
  return st.page_start < st.span_samples;
}

// The columns: one, or on to the page end, or on while the mouse is held on PICTURE23.
void sweep_pages(Sweep& s, WaveWindow& window, const WaveSource& source, int ps) {
  WaveState& st = s.st;
  bool running = true;
  while (running && st.page_start < st.span_samples) {
    if (st.new_page && !start_page(s, window, source, ps)) break;
    s.draw_column(st.column);
    if (!window.keep_going()) break;
    const bool past_end = (st.column + 1) * static_cast<double>(s.speed) > s.page_width();
    if (window.held_on_continue()) {
      st.column += 1;
      if (past_end) {
        st.new_page = true;
        st.redraw_frame = false;
      }
    } else if (!st.run_to_page_end) {
      running = false;
    } else {
      st.column += 1;
      if (past_end) {
        st.new_page = true;
        st.run_to_page_end = false;
        running = false;
      }
    }
  }
}

}  // namespace

void erase_page_marker(ui::Canvas* trend, WaveState& st) {
  if (trend && st.marker_x >= 0 && st.marker_width > 0)
    trend->xor_box(st.marker_x, 0, st.marker_x + st.marker_width, trend->height() - 1, wave::kMarkerColour);
  st.marker_x = -1;
}

void draw_page_marker(ui::Canvas* trend, WaveState& st, int samples) {
  erase_page_marker(trend, st);
  const int n = st.span_samples;
  if (!trend || n <= 0) return;
  const double wm = trend->width() - kTrendMargins;
  if (wm <= 0) return;
  const int x = static_cast<int>(round_half_even(wm * st.page_start / n + kTrendLeft));
  const int width = std::max(1, static_cast<int>(round_half_even(samples * wm / n)));
  trend->xor_box(x, 0, x + width, trend->height() - 1, wave::kMarkerColour);
  st.marker_x = x;
  st.marker_width = width;
}

void ALL_WAVE(WaveWindow& window, const WaveSource& source, WaveState& st, float speed) {
  if (!source.conditions || !source.channels || !(speed > 0)) return;
  const ProcessingConditions& cond = *source.conditions;
  ui::Canvas& canvas = window.canvas();
  Sweep s{window, canvas, cond, st, speed, channel_list(*source.channels), {}, 4000, 1000, {}, {}, 0,
          source.options.readable};
  if (const int f = GET_YSIZ(cond.acc_scale); f > 0) s.acc_full_scale = f;
  s.ecg_counts = cond.hr_scale == 0 ? 1000 : 500;

  const int cw = canvas.width(), ch = canvas.height();
  bool first_pass = false;
  if (cw != st.frame_width || ch != st.frame_height || st.redraw_frame) {
    s.frame();
    first_pass = true;
  } else {
    s.layout = band_layout(st.frame_height, st.bands);
  }
  st.drawn_height = ch;
  if (s.bands.empty()) return;  // an empty frame

  const int ps = page_samples(cw, speed);
  window.set_text("TEXT18", scale_text(ps));

  // Files are opened by their names on disk, never by names rebuilt from the CP932 slots.
  const std::string& prefix = source.channels->prefix;
  const std::string& extension = source.channels->extension;
  s.previous.assign(s.bands.size(), std::nullopt);
  try {
    if (!s.files.open(s.bands, prefix, extension)) throw ReadError{};

    // Continuing inside a page: the traces join the column drawn last.
    if (!st.new_page && st.column > 0 && !first_pass) {
      for (std::size_t b = 0; b < s.bands.size(); ++b) {
        const WavePoint last = s.points(b, st.column - 1).back();
        s.previous[b] = ui::Point{last.x, last.y};
      }
    }
    s.cleared_to = static_cast<int>(round_half_even(s.column_x(st.column)));

    sweep_pages(s, window, source, ps);
  } catch (const ReadError&) {
    // The end of the data (or an unreadable file) ends the sweep; what was drawn stays.
  }
}

namespace {

// The sweep's window for the render: a bare canvas; the texts are kept and written where
// the window's labels stand.
class CanvasWaveWindow : public WaveWindow {
 public:
  explicit CanvasWaveWindow(ui::Canvas& canvas) : canvas_(canvas) {}
  ui::Canvas& canvas() override { return canvas_; }
  void set_text(std::string_view control, std::string_view utf8) override {
    texts_.emplace_back(std::string(control), std::string(utf8));
  }
  bool keep_going() override { return true; }
  bool held_on_continue() override { return false; }
  void reposition() override {}
  ui::Canvas* trend_view() override { return nullptr; }

  // The last text of each label, at the label's place.
  void write_texts() {
    for (TextPlace place : kTextPlaces) {
      std::string shown;
      for (const auto& [control, text] : texts_)
        if (control == place.name) shown = text;
      if (shown.empty()) continue;
      if (std::string_view(place.name) == "TEXT18") place.y = canvas_.height() - kBottomRow;
      paint_text(canvas_, place, shown);
    }
  }

 private:
  ui::Canvas& canvas_;
  std::vector<std::pair<std::string, std::string>> texts_;
};

}  // namespace

bool render_wave(ui::Canvas& canvas, const ProcessingConditions& conditions, const ChannelTable& channels,
                 const RecordingInfo& info, std::int32_t recording_start, const ViewOptions& options) {
  if (channel_list(channels).empty()) return false;
  WaveState st{};
  reset_page(st, conditions);
  st.marker_x = -1;
  CanvasWaveWindow window(canvas);
  ALL_WAVE(window, {&conditions, &channels, info.item[RecordingInfo::kStartTime], recording_start, options}, st, 1.0f);
  window.write_texts();
  return true;
}

}  // namespace ambview
