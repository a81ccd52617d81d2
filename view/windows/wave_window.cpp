// The waveform window FORM5 "波形表示": its controls and their events, the page turned and
// swept (ALL_WAVE), the speed buttons, the measuring line and the page marker in the trend view.
#include "view/windows/wave_window.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/numbers.h"
#include "ui/colour.h"
#include "view/recording/loader.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

using common::round_half_even;
using namespace wave;

// ---------------------------------------------------------------------------------------
// FORM5

namespace {

constexpr int kForm5Width = 900;
constexpr int kForm5Height = 600;

// A label of the monitor: a text painted where the label stands (kTextPlaces).
ui::ControlDef label_at(const TextPlace& place, const char* text) {
  return {place.name, ui::ControlKind::Label, text, place.x, place.y, place.width, place.height, false, 16};
}

const std::vector<ui::ControlDef>& form5_controls() {
  using K = ui::ControlKind;
  static const std::vector<ui::ControlDef> defs = {
      label_at(kTextPlaces[0], ""),
      label_at(kTextPlaces[1], " "),
      {"BUTTON3", K::Button, "←前頁", 10, 0, 72, 26, false, 0},
      {"PICTURE23", K::Picture, "", 86, 0, kContinueWidth, kContinueHeight, false, 0},
      {"BUTTON4", K::Button, "次頁→", 138, 0, 72, 26, false, 0},
      {"BUTTON6", K::Button, "早い", 222, 0, 56, 26, false, 0},
      {"BUTTON7", K::Button, "遅い", 282, 0, 56, 26, false, 0},
      {"BUTTON5", K::Button, "終了", 350, 0, 64, 26, false, 0},
      label_at(kTextPlaces[2], ""),
      {"PICTURE22", K::Picture, "", 660, 0, 24, 24, false, 0},
  };
  return defs;
}

// The texts of the monitor are written onto its dark surface where their labels stand (a
// label's own text would be black on black), so they also go into a saved bitmap.
void show_text(ui::Form& form, std::string_view control, std::string_view utf8) {
  if (!form.has_control(control)) return;
  ui::Control& c = form.control(control);
  c.set_text(utf8);
  const std::string name = c.name();
  paint_text(form.canvas(), {name.c_str(), c.x(), c.y(), c.width(), c.height()}, utf8);
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
  return {&state.conditions, &state.channels, state.info.item[RecordingInfo::kStartTime], state.time.recording_start,
          state.extras.view};
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
  const float speed = state.wave_state.new_page ? state.wave_speed : page_speed(state);
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

// kMeasure: the rubber line follows the mouse while the button stays down; the last one stays.
void measure(ViewerState& state, ui::Platform& platform) {
  ui::Form& form = *state.forms.form5;
  const ui::Point start = state.mouse;
  const int f = [&] {
    const int v = GET_YSIZ(state.conditions.acc_scale);
    return v > 0 ? v : 4000;
  }();
  const int e = state.conditions.hr_scale == 0 ? 1000 : 500;
  const std::vector<ChannelRow> bands = channel_list(state.channels);
  const BandUnit unit =
      band_unit_at(bands, band_layout(form.client_height(), static_cast<int>(bands.size())), start.y);
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
              measure_text(start.x, start.y, p.x, p.y, page_speed(state), state.wave_state.amplitude, f, e, unit));
  }
  if (shown && form5_open(state)) state.wave_line = {start.x, start.y, shown->x, shown->y};
}

void close_wave(ViewerState& state) {
  WaveState& st = state.wave_state;
  erase_page_marker(state.forms.main ? &state.forms.main->canvas() : nullptr, st);
  if (state.forms.form5) {
    ui::Form& form = *state.forms.form5;
    st.top = form.top();
    st.left = form.left();
    // The size the user left it at, even when nothing was drawn at that size (the next
    // opening draws its frame afresh anyway).
    st.frame_height = form.client_height();
    st.frame_width = form.client_width();
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
  const bool kept = st.frame_width > 0 && st.frame_height > 0;
  state.forms.form5 = platform.forms.make_form("FORM5", kept ? st.frame_width : kForm5Width,
                                               kept ? st.frame_height : kForm5Height);
  ui::Form& form = *state.forms.form5;
  form.set_caption("波形表示");
  form.add_controls(form5_controls());
  if (kept) form.move_to(st.left, st.top);
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
  state.event_code = code::kNone;
  for (const char* name : {"BUTTON3", "BUTTON4", "BUTTON5"}) form.control(name).set_enabled(true);
  reset_page(st, state.conditions);
  state.wave_line[0] = -1;
  state.wave_page_speed = 0;
}

namespace {

// A measurement belongs to the page it was taken on: a new page clears it.
void clear_measure_text(ViewerState& state) {
  if (!form5_open(state)) return;
  ui::Form& form = *state.forms.form5;
  if (form.control("TEXT19").text() != " ") show_text(form, "TEXT19", " ");
}

}  // namespace

void run_wave(ViewerState& state, ui::Platform& platform, int code) {
  WaveState& st = state.wave_state;
  erase_measuring_line(state);
  switch (code) {
    case kOpen:
      st.column = 0;
      WAVE_MONI(state, platform);
      run_all_wave(state, platform);
      break;
    case kClose:
      close_wave(state);
      break;
    case kPrevious: {
      if (!form5_open(state)) break;
      const int step = static_cast<int>(round_half_even(st.page_width / static_cast<double>(state.wave_speed)));
      int start = st.page_start - step;
      if (start < 0 && st.page_start > 0) start = 0;
      if (start >= 0) {
        clear_measure_text(state);
        st.page_start = start;
        st.new_page = st.redraw_frame = st.run_to_page_end = true;
        st.column = 0;
        run_all_wave(state, platform);
      }
      break;
    }
    case kNext:
      if (!form5_open(state)) break;
      clear_measure_text(state);
      if (st.page_start < 0) {
        st.page_start = 0;
        st.new_page = st.redraw_frame = true;
      }
      st.run_to_page_end = true;
      run_all_wave(state, platform);
      break;
    case kContinue:
      run_all_wave(state, platform);
      break;
    case kTrendClick: {
      if (!state.forms.main) break;
      if (!form5_open(state)) WAVE_MONI(state, platform);
      clear_measure_text(state);
      const int n = seconds_in_samples(state.conditions.display_span);
      const double wm = state.forms.main->client_width() - kTrendMargins;
      std::int64_t start = wm > 0 ? round_half_even((state.mouse.x - kTrendLeft) * static_cast<double>(n) / wm) : 0;
      st.page_start = static_cast<int>(std::clamp<std::int64_t>(start, 0, std::max(n, 0)));
      st.start_sample = seconds_in_samples(state.conditions.display_start);
      st.new_page = st.redraw_frame = st.run_to_page_end = true;
      st.span_samples = n;
      st.column = 0;
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
  if (state.forms.form5 && !state.forms.form5->is_open() && st.marker_x >= 0) close_wave(state);
}

void wave_marker_after_trend(ViewerState& state) {
  WaveState& st = state.wave_state;
  st.marker_x = -1;  // the trend's clear took it away
  if (!form5_open(state) || !state.forms.main) return;
  draw_page_marker(&state.forms.main->canvas(), st, page_samples(state.forms.form5->client_width(), page_speed(state)));
}

}  // namespace ambview
