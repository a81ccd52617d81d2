// The processing-conditions dialog FORM2: overview, selection frame, controls and its loop.
#include "view/windows/conditions_dialog.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/file_lookup.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "ui/colour.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/draw/overview.h"
#include "view/windows/viewer_shell.h"

namespace ambview {

namespace {

using common::round_half_even;

// The five colour swatches: control, caption of their label, the colour they show.
struct Swatch {
  const char* picture;
  const char* label;
  const char* caption;
  ui::Colour ProcessingConditions::*colour;
};
constexpr std::array<Swatch, 5> kSwatches{{
    {"PICTURE1", "LABEL4", "ｽｹｰﾙ1", &ProcessingConditions::scale1_colour},
    {"PICTURE20", "LABEL5", "ｽｹｰﾙ2", &ProcessingConditions::scale2_colour},
    {"PICTURE2", "LABEL6", "ﾄﾚﾝﾄﾞ", &ProcessingConditions::trend_colour},
    {"PICTURE3", "LABEL7", "背景", &ProcessingConditions::back_colour},
    {"PICTURE21", "LABEL8", "ｺﾒﾝﾄ", &ProcessingConditions::text_colour},
}};

// Step buttons: left to right on the dialog the large, middle and small steps back, then
// forward; the names keep the program's numbering (BMPBUTTON1 is s_left).
struct StepButton {
  const char* name;
  const char* caption;
  int x;
};
constexpr std::array<StepButton, 6> kStepButtons{{
    {"BMPBUTTON1", "<", 119},
    {"BMPBUTTON2", "<<", 72},
    {"BMPBUTTON3", "<<<", 25},
    {"BMPBUTTON4", ">", 184},
    {"BMPBUTTON5", ">>", 231},
    {"BMPBUTTON6", ">>>", 278},
}};

constexpr int kMaxCheckedChannels = 7;

std::vector<ui::ControlDef> form2_controls() {
  using ui::ControlKind;
  std::vector<ui::ControlDef> defs;
  for (int k = 0; k < kMaxCheckedChannels; ++k)
    defs.push_back({"CHECK" + std::to_string(k + 1), ControlKind::Check, "", 5, 0, 18, 16, false, 0});
  defs.push_back({"CHECK8", ControlKind::Check, "  年  月  日  時  分", 25, 306, 300, 24, false, 0});
  defs.push_back({"CHECK9", ControlKind::Check, "    時間  分", 25, 332, 300, 24, false, 0});
  for (const StepButton& b : kStepButtons)
    defs.push_back({b.name, ControlKind::BmpButton, b.caption, b.x, 364, 45, 28, false, 0});
  defs.push_back({"LABEL1", ControlKind::Label, "平均処理", 395, 24, 150, 20, false, 0});
  defs.push_back({"COMBO1", ControlKind::Combo, "", 395, 44, 150, 26, false, 0});
  // A button face, so that it is plain that a click asks for n.
  defs.push_back({"TEXT1", ControlKind::Button, "n=1", 395, 76, 150, 26, false, 0});
  defs.push_back({"LABEL2", ControlKind::Label, "ACC", 395, 108, 60, 20, false, 0});
  defs.push_back({"VSCROLL1", ControlKind::VScroll, "", 404, 128, 20, 84, false, 0});
  defs.push_back({"LABEL3", ControlKind::Label, "HR", 470, 108, 60, 20, false, 0});
  defs.push_back({"VSCROLL2", ControlKind::VScroll, "", 474, 128, 20, 84, false, 0});
  for (std::size_t i = 0; i < kSwatches.size(); ++i) {
    const int y = 222 + static_cast<int>(i) * 28;
    defs.push_back({kSwatches[i].picture, ControlKind::Picture, "", 395, y, 44, 22, false, 0});
    defs.push_back({kSwatches[i].label, ControlKind::Label, kSwatches[i].caption, 446, y + 1, 100, 22, false, 0});
  }
  defs.push_back({"BUTTON1", ControlKind::Button, "設定", 445, 370, 100, 32, false, 0});
  defs.push_back({"BUTTON2", ControlKind::Button, "キャンセル", 335, 370, 100, 32, false, 0});
  return defs;
}


std::int32_t to_i32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The dialog

ui::Form& WND2_OPN(ViewerState& state, ui::Platform& platform) {
  if (!state.forms.form2) {
    state.forms.form2 = platform.forms.make_form("FORM2", kForm2Width, kForm2Height);
    state.forms.form2->add_controls(form2_controls());
    state.forms.form2->set_caption(kForm2Caption);
    state.forms.form2->set_handler([](const ui::UiEvent&) {});
  }
  ui::Form& form = *state.forms.form2;
  if (form.is_open()) {
    form.raise();
  } else {
    form.show();
  }
  return form;
}

void LOCATE_CHECK(ui::Form& form, int band, const ChannelTable& table) {
  for (int k = 0; k < kMaxCheckedChannels; ++k) {
    ui::Control& check = form.control("CHECK" + std::to_string(k + 1));
    if (k < table.count) {
      check.move(5, (band + kOverviewNameLine) * k, check.width(), check.height());
      check.set_checked(table.rows[static_cast<std::size_t>(k)].present);
      check.set_visible(true);
    } else {
      check.set_visible(false);
    }
  }
}

void DSP_WND2(ui::Form& form, std::string_view start_text, std::string_view hours, std::string_view minutes) {
  const std::string t(start_text);
  form.control("CHECK8").set_text(common::mid(t, 1, 2) + "年" + common::mid(t, 3, 2) + "月" + common::mid(t, 5, 2) +
                                  "日" + common::mid(t, 7, 2) + "時" + common::mid(t, 9, 2) + "分");
  form.control("CHECK9").set_text(std::string(hours) + "時間" + std::string(minutes) + "分");
}

namespace {

// One run of the dialog: the recording being opened and the working copy of the conditions.
struct Session {
  LoadedRecording rec;
  ProcessingConditions work;
  std::int32_t length = 0;       // L
  std::int32_t start = 0;        // S
  std::int32_t span = 0;         // D
  int band = 0;                  // b
  int overview_fs = 4000;
  std::vector<FrameBox> frame;   // the frame on screen
  bool kinds = false;            // the readable pictures: each name with its kind
};

void show_window_captions(ui::Form& form, const Session& s) {
  std::string year = common::mid(s.rec.info.item[RecordingInfo::kStartTime], 1, 2);
  std::int32_t seconds = s.rec.time.recording_start + s.start;
  const std::string text = SEC_YMDHM(year, seconds);
  DSP_WND2(form, text, SEC_HH(s.span), SEC_MM(s.span));
}

void redraw_frame(ui::Form& form, Session& s, bool erase_first) {
  ui::Canvas& canvas = form.canvas();
  if (erase_first) {
    CLR_SCL(canvas, s.frame);
    s.work.acc_scale = form.control("VSCROLL1").value();
    s.work.hr_scale = form.control("VSCROLL2").value();
  }
  s.frame = selection_frame(s.rec.table, s.band, GET_YSIZ(s.work.acc_scale), s.overview_fs,
                            GET_HRYSIZ(s.work.hr_scale), s.length, s.start, s.span);
  DRW_SCL(canvas, s.frame);
}

void fill_swatch(ui::Form& form, const Swatch& sw, ui::Colour colour) {
  ui::Canvas* c = form.control(sw.picture).canvas();
  if (c == nullptr) return;
  c->clear(colour);
  // An outline, so that a swatch in the dialog's own white still shows.
  const int w = c->width() - 1;
  const int h = c->height() - 1;
  c->set_pen(ui::palette(8));
  c->polyline({{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}});
}

void show_hr_scale(ui::Form& form, Session& s) {
  form.control("LABEL3").set_text("HR " + std::to_string(GET_HRYSIZ(s.work.hr_scale)));
}

// Sets the controls from the working copy (the dialog's opening step 1).
void set_up_controls(ui::Form& form, Session& s) {
  ui::Control& combo = form.control("COMBO1");
  combo.clear_rows();
  combo.add_row("平均");
  combo.add_row("移動平均");
  combo.set_selection(s.work.averaging == Averaging::Moving ? 1 : 0);
  form.control("TEXT1").set_text("n=" + std::to_string(s.work.average_n));
  ui::Control& v1 = form.control("VSCROLL1");
  v1.set_range(0, 5);
  v1.set_value(std::clamp(s.work.acc_scale, 0, 5));
  ui::Control& v2 = form.control("VSCROLL2");
  v2.set_range(0, 1);
  v2.set_value(std::clamp(s.work.hr_scale, 0, 1));
  for (const Swatch& sw : kSwatches) fill_swatch(form, sw, s.work.*sw.colour);
  show_hr_scale(form, s);
  form.control("CHECK8").set_checked(true);
  form.control("CHECK9").set_checked(false);
}

void draw_overview(ui::Form& form, Session& s, int command) {
  ui::Canvas& canvas = form.canvas();
  draw_overview_names(canvas, s.rec, s.band, s.work.acc_scale, s.kinds);
  LOCATE_CHECK(form, s.band, s.rec.table);
  if (command == code::kConditionsNoTrend || s.rec.sample_count <= 0) return;
  draw_overview_bands(canvas, s.rec, s.band, s.overview_fs);
}

void commit(ViewerState& state, Session& s) {
  // What the dialog chose: the trend's look and the window of the recording.
  ProcessingConditions& c = state.conditions;
  const ProcessingConditions& w = s.work;
  c.averaging = w.averaging;
  c.acc_scale = w.acc_scale;
  c.hr_scale = w.hr_scale;
  c.average_n = w.average_n;
  for (const Swatch& sw : kSwatches) c.*sw.colour = w.*sw.colour;
  c.duration = s.length;
  c.display_start = s.start;
  c.display_span = s.span;
  c.interval = IntervalText::of(s.rec.info.item[RecordingInfo::kInterval]);
  set_data_directory(state, s.rec.directory);
  // Names are stored in CP932; a name CP932 cannot hold leaves the stored one as it was.
  c.base_name = common::slot_value(s.rec.base_name, c.base_name);
  c.extension = common::slot_value(s.rec.extension, c.extension);
  state.recording_path = s.rec.path;
  state.channels = s.rec.table;
  state.info = s.rec.info;
  state.time = s.rec.time;
  state.time.display_start = s.start;
  state.time.display_span = s.span;
  state.sample_count = s.rec.sample_count;
  state.interval = s.rec.interval;
  state.loaded = true;
}

void ask_average_n(ui::Platform& platform, ui::Form& form, Session& s) {
  const std::string answer = platform.dialogs.input_box("n個毎の平均値", "ｎ(1~999)の値を入力してください",
                                                        std::to_string(s.work.average_n));
  if (answer == ui::kCancelAnswer || answer.empty()) return;
  s.work.average_n = static_cast<int>(std::clamp<std::int64_t>(round_half_even(common::val(answer)), 1, 999));
  form.control("TEXT1").set_text("n=" + std::to_string(s.work.average_n));
}

void choose_colour(ui::Platform& platform, ui::Form& form, Session& s, const Swatch& sw) {
  const auto chosen = platform.dialogs.choose_colour(s.work.*sw.colour);
  if (!chosen) return;
  s.work.*sw.colour = *chosen & 0xFFFFFF;
  fill_swatch(form, sw, s.work.*sw.colour);
}

// The handlers of FORM2: most store an event code; the check boxes, the list, n and the
// colours change their value directly.
void bind_handlers(ViewerState& state, ui::Platform& platform, ui::Form& form, Session& s) {
  form.set_handler([&state, &platform, &form, &s](const ui::UiEvent& e) {
    const auto is = [&](std::string_view name) { return ui::same_name(e.control, name); };
    const auto set_code = [&](int c) { state.event_code = static_cast<std::int16_t>(c); };
    if (e.kind == ui::EventKind::Key && e.key == ui::key::kEscape) {
      set_code(dialog_code::kCancel);
      return;
    }
    if (e.control.empty()) {
      if (e.kind == ui::EventKind::MouseDown || e.kind == ui::EventKind::MouseUp) {
        state.mouse = {e.x, e.y};
        set_code(e.kind == ui::EventKind::MouseDown ? dialog_code::kMouseDown : dialog_code::kMouseUp);
      }
      return;
    }
    for (int k = 0; k < kMaxCheckedChannels; ++k) {
      if (is("CHECK" + std::to_string(k + 1))) {
        if (k < s.rec.table.count)
          s.rec.table.rows[static_cast<std::size_t>(k)].present = form.control(e.control).checked();
        return;
      }
    }
    if (is("CHECK8") || is("CHECK9")) {
      const bool start_mode = is("CHECK8");
      form.control("CHECK8").set_checked(start_mode);
      form.control("CHECK9").set_checked(!start_mode);
      return;
    }
    for (std::size_t i = 0; i < kStepButtons.size(); ++i) {
      if (is(kStepButtons[i].name)) {
        if (e.kind == ui::EventKind::Click) set_code(dialog_code::kStepFirst + static_cast<int>(i));
        return;
      }
    }
    if (is("COMBO1")) {
      if (e.kind == ui::EventKind::Change)
        s.work.averaging = form.control("COMBO1").selection() == 1 ? Averaging::Moving : Averaging::Block;
      return;
    }
    if (is("TEXT1")) {
      if (e.kind == ui::EventKind::Click) ask_average_n(platform, form, s);
      return;
    }
    if (is("VSCROLL1") || is("VSCROLL2")) {
      if (e.kind == ui::EventKind::Change) set_code(is("VSCROLL1") ? dialog_code::kAccScale : dialog_code::kHrScale);
      return;
    }
    for (const Swatch& sw : kSwatches) {
      if (is(sw.picture)) {
        if (e.kind == ui::EventKind::Click) choose_colour(platform, form, s, sw);
        return;
      }
    }
    if (is("BUTTON1") && e.kind == ui::EventKind::Click) set_code(dialog_code::kAccept);
    if (is("BUTTON2") && e.kind == ui::EventKind::Click) set_code(dialog_code::kCancel);
  });
}

bool main_window_open(const ViewerState& state) { return !state.forms.main || state.forms.main->is_open(); }

// How the dialog's own loop ended: "設定" pressed (the conditions taken), or the dialog or
// the main window closed (nothing taken).
enum class DialogOutcome { Accepted, Closed };

// The dialog's event loop.
DialogOutcome run_dialog(ViewerState& state, ui::Platform& platform, ui::Form& form, Session& s) {
  while (form.is_open() && main_window_open(state)) {
    state.event_code = code::kNone;
    platform.pump.wait_until(
        [&] { return state.event_code != code::kNone || !form.is_open() || !main_window_open(state); });
    if (!form.is_open() || !main_window_open(state)) break;
    const int c = state.event_code;
    if (c == dialog_code::kCancel) break;
    bool moved = false;
    if (c >= dialog_code::kStepFirst && c <= dialog_code::kStepLast) {
      const int step = kStepSeconds[c - dialog_code::kStepFirst];
      if (form.control("CHECK9").checked()) {
        s.span = to_i32(static_cast<std::int64_t>(s.span) + step);
      } else {
        s.start = to_i32(static_cast<std::int64_t>(s.start) + step);
      }
      moved = true;
    } else if (c == dialog_code::kMouseDown) {
      const std::int64_t at = round_half_even(static_cast<double>(state.mouse.x - kOverviewLeft) * s.length /
                                              kOverviewSize);
      if (form.control("CHECK9").checked()) {
        s.span = to_i32(at - s.start);
      } else {
        s.start = to_i32(at);
      }
      moved = true;
    }
    if (moved) {
      apply_window_rules(s.start, s.span, s.length);
      redraw_frame(form, s, true);
      show_window_captions(form, s);
    } else if (c == dialog_code::kAccScale || c == dialog_code::kHrScale) {
      redraw_frame(form, s, true);
      if (shows_scale(s.rec.table)) PRT_SCALE(form.canvas(), s.work.acc_scale, 185, 0);
      show_hr_scale(form, s);
    }
    if (c == dialog_code::kAccept) {
      commit(state, s);
      form.set_handler([](const ui::UiEvent&) {});
      form.close();
      return DialogOutcome::Accepted;
    }
  }
  return DialogOutcome::Closed;
}

// The data error's text, followed by the file and, when the file itself is the trouble,
// what is wrong with it: a missing file is not "not processable data".
std::string data_error_text(const DataErrorMessage& m, const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::string why;
  if (!fs::exists(path, ec)) why = "ファイルが見つかりません";
  else if (fs::is_directory(path, ec)) why = "フォルダーです (記録ファイルを選んでください)";
  else if (!readable_file(path)) why = "ファイルを読めません (読み取りの権限がありません)";
  return std::string(m.text) + "\r" + (why.empty() ? path : why + ": " + path);
}

}  // namespace

bool OPEN_DATA(ViewerState& state, ui::Platform& platform, const std::string& chosen_path, int command) {
  LoadResult loaded = load_recording(chosen_path);
  if (!loaded.ok()) {
    if (state.forms.form2 && state.forms.form2->is_open()) state.forms.form2->close();
    const DataErrorMessage m = message_for(loaded.error);
    platform.dialogs.message_box(m.caption, data_error_text(m, chosen_path), ui::Buttons::Ok, ui::Icon::Exclamation);
    return false;
  }

  Session s;
  s.rec = std::move(loaded.recording);
  const bool fresh = command == code::kOpen;
  // The working copy starts from the accepted conditions every time, so that a dialog
  // closed without "設定" leaves nothing behind.
  s.work = state.conditions;
  if (!fresh) {
    // A reload keeps the channel choice of the recording already open.
    for (int k = 0; k < std::min(s.rec.table.count, state.channels.count); ++k) {
      auto& row = s.rec.table.rows[static_cast<std::size_t>(k)];
      const auto& old = state.channels.rows[static_cast<std::size_t>(k)];
      if (row.code == old.code) row.present = old.present;
    }
  }
  s.length = s.rec.time.duration;
  if (fresh) {
    s.start = 0;
    s.span = s.rec.time.display_span;
  } else {
    s.start = to_i32(s.work.display_start);
    s.span = to_i32(s.work.display_span);
    // The recording may have changed on disk since the window was chosen.
    apply_window_rules(s.start, s.span, s.length);
  }
  s.band = overview_band_height(s.rec.table.count);
  s.overview_fs = overview_acc_full_scale(s.work.acc_scale);
  s.kinds = state.extras.view.readable;

  ui::Form& form = WND2_OPN(state, platform);
  form.set_caption(kForm2Caption);
  set_up_controls(form, s);
  show_window_captions(form, s);
  bind_handlers(state, platform, form, s);
  form.set_busy(true);
  draw_overview(form, s, command);
  form.set_busy(false);
  if (s.span < 60) s.span = 60;
  redraw_frame(form, s, false);

  const bool accepted = run_dialog(state, platform, form, s) == DialogOutcome::Accepted;
  form.set_handler([](const ui::UiEvent&) {});
  if (form.is_open()) form.close();
  return accepted;
}

}  // namespace ambview
