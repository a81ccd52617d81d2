// The waveform monitor (see wave_monitor.h).
#include "view/wave_monitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "common/cp932.h"
#include "common/file_lookup.h"
#include "common/numbers.h"
#include "common/text.h"
#include "ui/colour.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/viewer_shell.h"

namespace ambview {

using common::round_half_away;
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
const ui::Colour kMeasureColour = ui::palette(15);  // exclusive-or: white on the dark screen
const ui::Colour kMarkerColour = ui::palette(7);    // exclusive-or on the trend view

}  // namespace

std::vector<ChannelRow> channel_list(const ChannelTable& channels) {
  std::vector<ChannelRow> list;
  for (int r = 0; r < channels.count && r < kMaxChannelRows; ++r) {
    const ChannelRow& row = channels.rows[static_cast<std::size_t>(r)];
    if (row.present && row.kind == 'w' && static_cast<int>(list.size()) < kMaxBands) list.push_back(row);
  }
  return list;
}

BandLayout band_layout(int client_height, int bands) {
  BandLayout layout;
  if (bands <= 0) return layout;
  layout.half_height = static_cast<int>(round_half_even((client_height - 80) / (2.0 * bands)));
  layout.amplitude = static_cast<int>(round_half_even(0.75 * layout.half_height));
  int y = layout.half_height + 20;
  for (int k = 0; k < bands; ++k) {
    layout.centres.push_back(y);
    y += 2 * layout.half_height;
  }
  return layout;
}

int page_samples(int client_width, float speed) {
  return static_cast<int>(round_half_even((client_width - 20) / static_cast<double>(speed)));
}

std::string scale_text(int samples) {
  // ps x 0.02 rounded to 0.01 is ps x 2 hundredths, exactly.
  return "X ｽｹｰﾙ = " + common::num_text(static_cast<double>(samples) * 2 / 100.0) + "Sec";
}

std::string measure_text(int x0, int y0, int x, int y, float speed, int amplitude, int acc_full_scale_mg,
                         int ecg_counts) {
  const std::int64_t dt = round_half_away((x - x0) / static_cast<double>(speed) * kSampleSeconds * 1000.0);
  std::int64_t dg = 0, dmv = 0;
  if (amplitude != 0) {
    dg = round_half_even(static_cast<double>(y0 - y) * acc_full_scale_mg / amplitude);
    dmv = round_half_even(static_cast<double>(y0 - y) * ecg_counts / amplitude);
  }
  return common::num_text(static_cast<double>(dt) / 1000.0) + "S , " + common::num_text(static_cast<double>(dg) / 1000.0) +
         "G /" + common::num_text(static_cast<double>(dmv) / 500.0) + "mV";
}

float faster(float speed) { return std::min(speed * 2.0f, kSpeedMax); }
float slower(float speed) { return std::max(speed / 2.0f, kSpeedMin); }

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

}  // namespace wave

namespace {

using namespace wave;

struct ReadError {};

constexpr int kEraseAhead = 6;   // a dark bar ahead of the sweep shows where it runs
constexpr int kSecondSamples = 50;
constexpr int kLabelLeft = 14;
constexpr int kLabelWidth = 120;
constexpr int kLabelFont = 12;

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
  std::vector<ChannelReader> files;
  std::vector<std::optional<ui::Point>> previous;
  int cleared_to = 0;

  int page_width() const { return st[kPageWidth]; }
  double column_x(double column) const { return column * speed + kMarginPixels; }
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
      canvas.set_pen(kLabel);
      for (std::size_t b = 0; b < bands.size(); ++b) canvas.text(kLabelLeft, label_y(b), label(b), kLabelFont);
    }
  }

  void grid_line(int x) {
    canvas.set_pen(kGrid);
    for (std::size_t b = 0; b < bands.size(); ++b)
      canvas.line(x, layout.centres[b] - layout.amplitude + 1, x, layout.centres[b] + layout.amplitude - 1);
  }

  // Sample index of a column in acceleration samples from the recording's first sample.
  std::int64_t sample_of(int column) const {
    return static_cast<std::int64_t>(st[kPageStart]) + column + st[kStartSample];
  }

  // The frame: cleared window, band layout, scales and the one-second grid of the page.
  void frame() {
    canvas.clear(kBackground);
    const int cw = canvas.width(), ch = canvas.height();
    st[kBands] = static_cast<int>(bands.size());
    st[kMargin] = kMarginPixels;
    st[kPageWidth] = cw - 2 * kMarginPixels;
    layout = band_layout(ch, st[kBands]);
    st[kAmplitude] = layout.amplitude;
    window.reposition();
    scale_part(0, cw);
    for (int column = 0; column_x(column) <= kMarginPixels + page_width(); ++column)
      if (sample_of(column) % kSecondSamples == 0) grid_line(static_cast<int>(round_half_even(column_x(column))));
    st[kColumn] = 0;
    st[kColumnX] = kMarginPixels;
    st[kEcgRecord] = 0;
    st[kAccRecord] = 0;
    st[kPerRecord] = kSamplesPerRecord;
    st[kFrameHeight] = ch;
    st[kFrameWidth] = cw;
    st[kRedrawFrame] = 0;
  }

  int word(std::size_t b, std::int64_t index) {
    if (index < 0) throw ReadError{};
    const std::int64_t record = index / kSamplesPerRecord + common::kDataFirstRecord;
    // A word the file does not hold (a cut last record) ends the sweep: nothing made up.
    const std::optional<std::uint16_t> w = files[b].word(index);
    if (!w) throw ReadError{};
    st[ecg(b) ? kEcgRecord : kAccRecord] = static_cast<int>(record);
    return *w;
  }
  // A deflection beyond the band stays at the band's edge, so that an off-scale trace
  // (gravity on an axis at a fine scale) does not run through its neighbours.
  int y_of(std::size_t b, int value) const {
    const double y = (2048.0 - value) * layout.amplitude / full_counts(b) + layout.centres[b];
    const double h = std::max(layout.half_height, 1);
    return static_cast<int>(round_half_even(std::clamp(y, layout.centres[b] - h + 1, layout.centres[b] + h - 1)));
  }
  // The rows of the bands: the sweep clears only these, so the texts above and below stay.
  int bands_top() const { return layout.centres.empty() ? 0 : layout.centres.front() - layout.half_height; }
  int bands_bottom() const { return layout.centres.empty() ? 0 : layout.centres.back() + layout.half_height; }

  // The points of one column of band b: one acceleration sample, or five ECG samples a
  // fifth of the column's width apart.
  std::vector<ui::Point> points(std::size_t b, int column) {
    const std::int64_t e = sample_of(column);
    std::vector<ui::Point> out;
    if (ecg(b)) {
      for (int k = 0; k < kEcgPerSample; ++k) {
        const int x = static_cast<int>(round_half_even(column_x(column) + k * speed / kEcgPerSample));
        out.push_back({x, y_of(b, word(b, kEcgPerSample * e + k))});
      }
    } else {
      out.push_back({static_cast<int>(round_half_even(column_x(column))), y_of(b, word(b, e))});
    }
    return out;
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
      for (const ui::Point& p : points(b, column)) {
        const ui::Point from = previous[b].value_or(p);
        canvas.line(from.x, from.y, p.x, p.y);
        previous[b] = p;
      }
    }
    st[kColumnX] = x;
  }
};

std::string page_time_text(const WaveSource& source, const WaveState& st) {
  const auto display_start = static_cast<double>(source.conditions->display_start);
  std::int32_t t = source.recording_start +
                   static_cast<std::int32_t>(round_half_even(display_start + st[kPageStart] * kSampleSeconds));
  std::string year = common::mid(source.start_time, 1, 2);
  const std::string ymdhm = SEC_YMDHM(year, t);
  const std::int64_t seconds = ((t % 60) + 60) % 60;
  return common::mid(ymdhm, 3, 2) + "/" + common::mid(ymdhm, 5, 2) + " " + common::mid(ymdhm, 7, 2) + ":" +
         common::mid(ymdhm, 9, 2) + ":" + common::dec_field(seconds, 2);
}

}  // namespace

namespace {

// Seconds in samples of 0.02 s, kept inside the state table's integers (a span typed on the
// command line may be far longer than any waveform recording).
int seconds_in_samples(std::int64_t seconds) {
  const double samples = static_cast<double>(seconds) / kSampleSeconds;
  return static_cast<int>(std::clamp<std::int64_t>(round_half_even(std::clamp(samples, -2e9, 2e9)), 0, 2'000'000'000));
}

}  // namespace

void reset_page(WaveState& st, const ProcessingConditions& conditions) {
  st[kPageStart] = 0;
  st[kStartSample] = seconds_in_samples(conditions.display_start);
  st[kNewPage] = 1;
  st[kRedrawFrame] = 1;
  st[kRunToPageEnd] = 1;
  st[kSpanSamples] = seconds_in_samples(conditions.display_span);
}

void erase_page_marker(ui::Canvas* trend, WaveState& st) {
  if (trend && st[kMarkerX] >= 0 && st[kMarkerWidth] > 0)
    trend->xor_box(st[kMarkerX], 0, st[kMarkerX] + st[kMarkerWidth], trend->height() - 1, wave::kMarkerColour);
  st[kMarkerX] = -1;
}

void draw_page_marker(ui::Canvas* trend, WaveState& st, int samples) {
  erase_page_marker(trend, st);
  const int n = st[kSpanSamples];
  if (!trend || n <= 0) return;
  const double wm = trend->width() - kTrendMargins;
  if (wm <= 0) return;
  const int x = static_cast<int>(round_half_even(wm * st[kPageStart] / n + kTrendLeft));
  const int width = std::max(1, static_cast<int>(round_half_even(samples * wm / n)));
  trend->xor_box(x, 0, x + width, trend->height() - 1, wave::kMarkerColour);
  st[kMarkerX] = x;
  st[kMarkerWidth] = width;
}

void ALL_WAVE(WaveWindow& window, const WaveSource& source, WaveState& st, float speed) {
  if (!source.conditions || !source.channels || !(speed > 0)) return;
  const ProcessingConditions& cond = *source.conditions;
  ui::Canvas& canvas = window.canvas();
  Sweep s{window, canvas, cond, st, speed, channel_list(*source.channels), {}, 4000, 1000, {}, {}, 0};
  if (const int f = GET_YSIZ(cond.acc_scale); f > 0) s.acc_full_scale = f;
  s.ecg_counts = cond.hr_scale == 0 ? 1000 : 500;

  const int cw = canvas.width(), ch = canvas.height();
  bool first_pass = false;
  if (cw != st[kFrameWidth] || ch != st[kFrameHeight] || st[kRedrawFrame] == 1) {
    s.frame();
    first_pass = true;
  } else {
    s.layout = band_layout(st[kFrameHeight], st[kBands]);
  }
  st[kDrawnHeight] = ch;
  if (s.bands.empty()) return;  // an empty frame

  const int ps = page_samples(cw, speed);
  window.set_text("TEXT18", scale_text(ps));

  // Files are opened by their names on disk, never by names rebuilt from the CP932 slots.
  const std::string& prefix = source.channels->prefix;
  const std::string& extension = source.channels->extension;
  s.files.resize(s.bands.size());
  s.previous.assign(s.bands.size(), std::nullopt);
  try {
    for (std::size_t b = 0; b < s.bands.size(); ++b)
      if (!s.files[b].open(prefix + std::string(1, s.bands[b].code) + extension, word_coding(s.bands[b].code)))
        throw ReadError{};

    // Continuing inside a page: the traces join the column drawn last.
    if (st[kNewPage] == 0 && st[kColumn] > 0 && !first_pass) {
      for (std::size_t b = 0; b < s.bands.size(); ++b) s.previous[b] = s.points(b, st[kColumn] - 1).back();
    }
    s.cleared_to = static_cast<int>(round_half_even(s.column_x(st[kColumn])));

    bool running = true;
    while (running && st[kPageStart] < st[kSpanSamples]) {
      if (st[kNewPage] == 1) {
        st[kPageStart] += st[kColumn];
        st[kColumn] = 0;
        st[kNewPage] = 0;
        canvas.set_fill(kBackground);
        canvas.fill_box(0, s.bands_top(), kMarginPixels - 1, s.bands_bottom());
        s.cleared_to = kMarginPixels;
        s.previous.assign(s.bands.size(), std::nullopt);
        draw_page_marker(window.trend_view(), st, ps);
        window.set_text("TEXT20", page_time_text(source, st));
        if (st[kPageStart] >= st[kSpanSamples]) break;
      }
      s.draw_column(st[kColumn]);
      if (!window.keep_going()) break;
      const bool past_end = (st[kColumn] + 1) * static_cast<double>(speed) > s.page_width();
      if (window.held_on_continue()) {
        st[kColumn] += 1;
        if (past_end) {
          st[kNewPage] = 1;
          st[kRedrawFrame] = 0;
        }
      } else if (st[kRunToPageEnd] == 0) {
        running = false;
      } else {
        st[kColumn] += 1;
        if (past_end) {
          st[kNewPage] = 1;
          st[kRunToPageEnd] = 0;
          running = false;
        }
      }
    }
  } catch (const ReadError&) {
    // The end of the data (or an unreadable file) ends the sweep; what was drawn stays.
  }
}

// ---------------------------------------------------------------------------------------
// FORM5

namespace {

constexpr int kForm5Width = 900;
constexpr int kForm5Height = 600;
constexpr int kBottomRow = 30;

const std::vector<ui::ControlDef>& form5_controls() {
  using K = ui::ControlKind;
  static const std::vector<ui::ControlDef> defs = {
      {"TEXT20", K::Label, "", 10, 0, 230, 20, false, 16},
      {"TEXT19", K::Label, " ", 250, 0, 460, 20, false, 16},
      {"BUTTON3", K::Button, "←前頁", 10, 0, 72, 26, false, 0},
      {"PICTURE23", K::Picture, "", 86, 0, kContinueWidth, kContinueHeight, false, 0},
      {"BUTTON4", K::Button, "次頁→", 138, 0, 72, 26, false, 0},
      {"BUTTON6", K::Button, "早い", 222, 0, 56, 26, false, 0},
      {"BUTTON7", K::Button, "遅い", 282, 0, 56, 26, false, 0},
      {"BUTTON5", K::Button, "終了", 350, 0, 64, 26, false, 0},
      {"TEXT18", K::Label, "", 430, 0, 220, 24, false, 16},
      {"PICTURE22", K::Picture, "", 660, 0, 24, 24, false, 0},
  };
  return defs;
}

// The texts of the monitor are written onto its dark surface where their labels stand (a
// label's own text would be black on black), so they also go into a saved bitmap.
void paint_text(ui::Canvas& canvas, const ui::ControlDef& at, std::string_view utf8) {
  canvas.set_fill(kBackground);
  canvas.fill_box(at.x, at.y, at.x + at.width - 1, at.y + at.height - 1);
  canvas.set_pen(kLabel);
  canvas.text(at.x, at.y + 2, utf8, 16);
}

void show_text(ui::Form& form, std::string_view control, std::string_view utf8) {
  if (!form.has_control(control)) return;
  ui::Control& c = form.control(control);
  c.set_text(utf8);
  paint_text(form.canvas(), {c.name(), c.kind(), "", c.x(), c.y(), c.width(), c.height(), false, 16}, utf8);
}

// FORM5 as the sweep's window: events go through the pump; the page marker goes into the
// main window's trend view.
class FormWaveWindow : public WaveWindow {
 public:
  FormWaveWindow(ViewerState& state, ui::Platform& platform, ui::Form& form)
      : state_(state), platform_(platform), form_(form) {}
  ui::Canvas& canvas() override { return form_.canvas(); }
  void set_text(std::string_view control, std::string_view utf8) override { show_text(form_, control, utf8); }
  bool keep_going() override {
    platform_.pump.process_pending();
    return form_.is_open() && state_.forms.main && state_.forms.main->is_open();
  }
  bool held_on_continue() override { return form_.mouse_down_on("PICTURE23"); }
  void reposition() override {
    CTRL_REPOS(form_);
    // The frame's clear took the texts away: they come back where the labels now stand.
    for (const char* name : {"TEXT18", "TEXT19", "TEXT20"})
      if (form_.has_control(name)) show_text(form_, name, form_.control(name).text());
  }
  ui::Canvas* trend_view() override { return state_.forms.main ? &state_.forms.main->canvas() : nullptr; }

 private:
  ViewerState& state_;
  ui::Platform& platform_;
  ui::Form& form_;
};

WaveSource source_of(const ViewerState& state) {
  return {&state.conditions, &state.channels, state.info.item[RecordingInfo::kStartTime], state.time.recording_start};
}

bool form5_open(const ViewerState& state) { return state.forms.form5 && state.forms.form5->is_open(); }

// "RtScr.bmp": in the start directory, beside the program, or where it is installed.
std::optional<std::string> continue_bitmap(const ViewerState& state) {
  namespace fs = std::filesystem;
  std::vector<fs::path> places{fs::path(state.start_directory) / kBitmapFile};
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    places.push_back(exe.parent_path() / kBitmapFile);
    places.push_back(exe.parent_path().parent_path() / "share" / "movilog" / kBitmapFile);
  }
  for (const fs::path& p : places)
    if (fs::is_regular_file(p, ec)) return p.string();
  return std::nullopt;
}

void bind_form5(ViewerState& state, ui::Form& form) {
  form.set_handler([&state](const ui::UiEvent& e) {
    const auto set_code = [&](int c) { state.event_code = static_cast<std::int16_t>(c); };
    const auto is = [&](std::string_view name) { return ui::same_name(e.control, name); };
    if (e.control.empty()) {
      if (e.kind == ui::EventKind::MouseDown) {  // FORM5_MOUSEDOWN
        state.mouse = {e.x, e.y};
        set_code(kMeasure);
      } else if (e.kind == ui::EventKind::Resize) {  // FORM5_RESIZE
        set_code(kResize);
      } else if (e.kind == ui::EventKind::Close) {
        set_code(kClose);
      }
      return;
    }
    if (is("PICTURE23")) {
      if (e.kind == ui::EventKind::MouseDown) set_code(kContinue);
      return;
    }
    if (e.kind != ui::EventKind::Click) return;
    if (is("BUTTON3")) set_code(kPrevious);
    else if (is("BUTTON4")) set_code(kNext);
    else if (is("BUTTON5")) set_code(kClose);
    else if (is("BUTTON6") || is("BUTTON7")) {  // BUTTON6_ON, BUTTON7_ON
      state.wave_speed = is("BUTTON6") ? faster(state.wave_speed) : slower(state.wave_speed);
      set_code(kSpeed);
    }
    else if (is("PICTURE22")) set_code(kPicture22);
  });
}

// The speed the page on screen was drawn at; the chosen speed when none is.
float page_speed(const ViewerState& state) {
  return state.wave_page_speed > 0 ? state.wave_page_speed : state.wave_speed;
}

void show_scale(ViewerState& state) {
  ui::Form& form = *state.forms.form5;
  show_text(form, "TEXT18", scale_text(page_samples(form.client_width(), state.wave_speed)));
}

// A page is drawn at one speed: a new page at the chosen speed, the rest of a page at the
// speed it began with. The scale text shows the chosen speed, the one the next page takes.
void run_all_wave(ViewerState& state, ui::Platform& platform) {
  if (!form5_open(state)) return;
  FormWaveWindow window(state, platform, *state.forms.form5);
  const float speed = state.wave_state[kNewPage] == 1 ? state.wave_speed : page_speed(state);
  ALL_WAVE(window, source_of(state), state.wave_state, speed);
  state.wave_page_speed = speed;
  if (form5_open(state)) show_scale(state);
}

void erase_measuring_line(ViewerState& state) {
  auto& line = state.wave_line;
  if (line[0] >= 0 && form5_open(state))
    state.forms.form5->canvas().xor_line(line[0], line[1], line[2], line[3], wave::kMeasureColour);
  line[0] = -1;
}

// 617: the rubber line follows the mouse while the button stays down; the last one stays.
void measure(ViewerState& state, ui::Platform& platform) {
  ui::Form& form = *state.forms.form5;
  const ui::Point start = state.mouse;
  const int f = [&] {
    const int v = GET_YSIZ(state.conditions.acc_scale);
    return v > 0 ? v : 4000;
  }();
  const int e = state.conditions.hr_scale == 0 ? 1000 : 500;
  std::optional<ui::Point> shown;
  while (true) {
    platform.pump.process_pending();
    if (!form5_open(state) || !form.mouse_down()) break;
    const ui::Point p = form.mouse_position();
    if (shown && *shown == p) continue;
    if (shown) form.canvas().xor_line(start.x, start.y, shown->x, shown->y, wave::kMeasureColour);
    form.canvas().xor_line(start.x, start.y, p.x, p.y, wave::kMeasureColour);
    shown = p;
    show_text(form, "TEXT19",
              measure_text(start.x, start.y, p.x, p.y, page_speed(state), state.wave_state[kAmplitude], f, e));
  }
  if (shown && form5_open(state)) state.wave_line = {start.x, start.y, shown->x, shown->y};
}

void close_wave(ViewerState& state) {
  WaveState& st = state.wave_state;
  erase_page_marker(state.forms.main ? &state.forms.main->canvas() : nullptr, st);
  if (state.forms.form5) {
    ui::Form& form = *state.forms.form5;
    st[kTop] = form.top();
    st[kLeft] = form.left();
    // The size the user left it at, even when nothing was drawn at that size (the next
    // opening draws its frame afresh anyway).
    st[kFrameHeight] = form.client_height();
    st[kFrameWidth] = form.client_width();
    form.set_handler([](const ui::UiEvent&) {});
    if (form.is_open()) form.close();
  }
}

}  // namespace

void CTRL_REPOS(ui::Form& form) {
  const int y = form.client_height() - kBottomRow;
  for (const char* name : {"PICTURE22", "PICTURE23", "BUTTON3", "BUTTON4", "BUTTON5", "BUTTON6", "BUTTON7", "TEXT18"}) {
    if (!form.has_control(name)) continue;
    ui::Control& c = form.control(name);
    c.move(c.x(), y, c.width(), c.height());
  }
}

void WAVE_MONI(ViewerState& state, ui::Platform& platform) {
  WaveState& st = state.wave_state;
  if (state.forms.form5) {
    state.forms.form5->set_handler([](const ui::UiEvent&) {});
    state.forms.form5->close();
  }
  const bool kept = st[kFrameWidth] > 0 && st[kFrameHeight] > 0;
  state.forms.form5 = platform.forms.make_form("FORM5", kept ? st[kFrameWidth] : kForm5Width,
                                               kept ? st[kFrameHeight] : kForm5Height);
  ui::Form& form = *state.forms.form5;
  form.set_caption("波形表示");
  form.add_controls(form5_controls());
  if (kept) form.move_to(st[kLeft], st[kTop]);
  form.canvas().set_pen(ui::palette(4));
  form.canvas().clear(ui::palette(0));
  form.show();
  form.set_caption("Movilog　波形モニタープログラム");
  form.set_caption("波形モニター");
  bind_form5(state, form);
  form.control("TEXT19").set_text(" ");
  form.control("PICTURE22").set_visible(false);  // PICTURE22 has no action
  for (const char* name : {"TEXT18", "TEXT19", "TEXT20"}) form.control(name).set_visible(false);  // painted instead
  CTRL_REPOS(form);
  ui::Control& picture = form.control("PICTURE23");
  const std::optional<std::string> bitmap = continue_bitmap(state);
  if (!bitmap || !picture.load_bitmap(*bitmap)) {
    // Without the bitmap file the face is drawn: the control still works.
    if (ui::Canvas* c = picture.canvas()) {
      c->clear(ui::palette(7));
      c->set_pen(ui::palette(2));
      c->text(12, 4, "▶▶", 14);
    }
  }
  state.event_code = 0;
  for (const char* name : {"BUTTON3", "BUTTON4", "BUTTON5"}) form.control(name).set_enabled(true);
  reset_page(st, state.conditions);
  state.wave_line[0] = -1;
  state.wave_page_speed = 0;
}

void run_wave(ViewerState& state, ui::Platform& platform, int code) {
  WaveState& st = state.wave_state;
  erase_measuring_line(state);
  switch (code) {
    case kOpen:
      st[kColumn] = 0;
      WAVE_MONI(state, platform);
      run_all_wave(state, platform);
      break;
    case kClose:
      close_wave(state);
      break;
    case kPrevious: {
      if (!form5_open(state)) break;
      const int step = static_cast<int>(round_half_even(st[kPageWidth] / static_cast<double>(state.wave_speed)));
      int start = st[kPageStart] - step;
      if (start < 0 && st[kPageStart] > 0) start = 0;
      if (start >= 0) {
        st[kPageStart] = start;
        st[kNewPage] = st[kRedrawFrame] = st[kRunToPageEnd] = 1;
        st[kColumn] = 0;
        run_all_wave(state, platform);
      }
      break;
    }
    case kNext:
      if (!form5_open(state)) break;
      if (st[kPageStart] < 0) {
        st[kPageStart] = 0;
        st[kNewPage] = st[kRedrawFrame] = 1;
      }
      st[kRunToPageEnd] = 1;
      run_all_wave(state, platform);
      break;
    case kContinue:
      run_all_wave(state, platform);
      break;
    case kTrendClick: {
      if (!state.forms.main) break;
      if (!form5_open(state)) WAVE_MONI(state, platform);
      const int n = seconds_in_samples(state.conditions.display_span);
      const double wm = state.forms.main->client_width() - kTrendMargins;
      std::int64_t start = wm > 0 ? round_half_even((state.mouse.x - kTrendLeft) * static_cast<double>(n) / wm) : 0;
      st[kPageStart] = static_cast<int>(std::clamp<std::int64_t>(start, 0, std::max(n, 0)));
      st[kStartSample] = seconds_in_samples(state.conditions.display_start);
      st[kNewPage] = st[kRedrawFrame] = st[kRunToPageEnd] = 1;
      st[kSpanSamples] = n;
      st[kColumn] = 0;
      run_all_wave(state, platform);
      break;
    }
    case kResize:
      if (form5_open(state)) CTRL_REPOS(*state.forms.form5);
      break;
    case kSpeed:
      if (form5_open(state)) show_scale(state);
      break;
    case kMeasure:
      if (form5_open(state)) measure(state, platform);
      break;
    default:
      break;
  }
  // The window closed while it was drawing: its marker goes with it.
  if (state.forms.form5 && !state.forms.form5->is_open() && st[kMarkerX] >= 0) close_wave(state);
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
    for (ui::ControlDef def : form5_controls()) {
      std::string shown;
      for (const auto& [control, text] : texts_)
        if (ui::same_name(control, def.name)) shown = text;
      if (shown.empty()) continue;
      if (ui::same_name(def.name, "TEXT18")) def.y = canvas_.height() - kBottomRow;
      paint_text(canvas_, def, shown);
    }
  }

 private:
  ui::Canvas& canvas_;
  std::vector<std::pair<std::string, std::string>> texts_;
};

}  // namespace

bool render_wave(ui::Canvas& canvas, const ProcessingConditions& conditions, const ChannelTable& channels,
                 const RecordingInfo& info, std::int32_t recording_start, std::ostream& err) {
  if (channel_list(channels).empty()) {
    err << "ambview render: the recording has no waveform channel to show\n";
    return false;
  }
  WaveState st{};
  reset_page(st, conditions);
  st[kMarkerX] = -1;
  CanvasWaveWindow window(canvas);
  ALL_WAVE(window, {&conditions, &channels, info.item[RecordingInfo::kStartTime], recording_start}, st, 1.0f);
  window.write_texts();
  return true;
}

void wave_marker_after_trend(ViewerState& state) {
  WaveState& st = state.wave_state;
  st[kMarkerX] = -1;  // the trend's clear took it away
  if (!form5_open(state) || !state.forms.main) return;
  draw_page_marker(&state.forms.main->canvas(), st, page_samples(state.forms.form5->client_width(), page_speed(state)));
}

}  // namespace ambview
