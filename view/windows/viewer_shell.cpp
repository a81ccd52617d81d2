// The analysis program's shell: start-up, ACCMENU, the main loop, "RaZor.prm", DELAY_T and
// the window-opening operations.
#include "view/windows/viewer_shell.h"

#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/text.h"
#include "ui/colour.h"
#include "view/windows/bitmap_print.h"
#include "view/windows/calorie_window.h"
#include "view/windows/conditions_dialog.h"
#include "view/windows/ecg_window.h"
#include "view/windows/save_operations.h"
#include "view/draw/trend_view.h"
#include "view/settings/conditions_file.h"
#include "view/windows/wave_window.h"
#include "view/windows/edf_save_window.h"
#include "view/windows/hrv_window.h"
#include "view/windows/trend_navigation.h"
#include "view/windows/trend_status.h"
#include "view/windows/window_habits.h"

namespace ambview {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Slots

std::string data_base_name(const ViewerState& state) {
  return state.loaded ? common::name_part(state.channels.prefix) : common::cp932_to_utf8(state.conditions.base_name);
}

std::string data_extension(const ViewerState& state) {
  return state.loaded ? state.channels.extension : common::cp932_to_utf8(state.conditions.extension);
}

// ---------------------------------------------------------------------------------------
// Menu

const std::vector<MenuCommand>& ACCMENU() {
  static const std::vector<MenuCommand> table = {
      {"ファイル(&F)", "開く  → 処理条件の設定 (&O)", "A_OPEN", code::kOpen},
      {"ファイル(&F)", "変更した開始時刻､時間で保存", "E_SAVE", code::kResave},
      {"ファイル(&F)", "テキスト形式に変換して保存", "TXT_CONV", code::kTextExport},
      {"ファイル(&F)", "EDF+形式で保存", "EDF_SAVE", code::kEdfExport},
      {"処理条件", "処理条件の設定 (ﾄﾚﾝﾄﾞ表示)", "D_COND1", code::kConditionsWithTrend},
      {"処理条件", "処理条件の設定(ﾄﾚﾝﾄﾞ非表示)", "D_COND2", code::kConditionsNoTrend},
      {"トレンド(&T)", "表示", "D_DISP", code::kTrend},
      {"トレンド(&T)", "ﾋﾞｯﾄﾏｯﾌﾟ保存", "TRD_B_SAVE", code::kTrendBitmap},
      {"トレンド(&T)", "ハードコピー", "HARDC", code::kTrendHardCopy},
      {"心電図", "ECG-1 表示", "P_ECG1", code::kEcg1},
      {"心電図", "ECG-2 表示", "P_ECG2", code::kEcg2},
      {"心電図", "ECG-3 表示", "P_ECG3", code::kEcg3},
      {"心電図", "ECG-4 表示", "P_ECG4", code::kEcg4},
      {"心電図", "ﾋﾞｯﾄﾏｯﾌﾟ保存", "ECG_B_SAVE", code::kEcgBitmap},
      {"心電図", "ハードコピー", "ecopy", code::kEcgHardCopy},
      {"心電図", "HRV", "P_HRV", code::kHrv},
      {"波形表示", "波形表示", "wav_mon", code::kWaveMonitor},
      {"波形表示", "ﾋﾞｯﾄﾏｯﾌﾟ保存", "w_Svbmp", code::kWaveBitmap},
      {"波形表示", "ﾊｰﾄﾞｺﾋﾟｰ", "w_Hcopy", code::kWaveHardCopy},
      {"ｶﾛﾘｰ", "ｶﾛﾘｰ計算", "t_cal", code::kCalorie},
      {"ｶﾛﾘｰ", "ﾋﾞｯﾄﾏｯﾌﾟ保存", "cal_SAVE", code::kCalorieBitmap},
      {"ｶﾛﾘｰ", "ﾊｰﾄﾞｺﾋﾟｰ", "cal_copy", code::kCalorieHardCopy},
  };
  return table;
}

std::vector<ui::Menu> accmenu_for_form() {
  std::vector<ui::Menu> menus;
  for (const MenuCommand& c : ACCMENU()) {
    if (menus.empty() || menus.back().caption != c.menu) menus.push_back({c.menu, {}});
    menus.back().entries.push_back({c.name, c.caption, ""});
  }
  add_habit_menu(menus);
  return menus;
}

int menu_event_code(std::string_view entry) {
  for (const MenuCommand& c : ACCMENU())
    if (ui::same_name(c.name, entry)) return c.code;
  return habit_menu_code(entry);
}

// ---------------------------------------------------------------------------------------
// Processing conditions

namespace {

std::string settings_path(const ViewerState& state) { return state.start_directory + kSettingsFileName; }

// The current directory as the program names directories: absolute, ending with "/".
std::string current_directory() {
  std::string dir = fs::current_path().string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// Makes the data directory current; a failure goes to the error handler.
void enter_data_directory(ViewerState& state) {
  const std::string& dir = state.data_directory;
  std::error_code ec;
  if (dir.empty()) {
    program_error(state, "no data directory");
    return;
  }
  fs::current_path(dir, ec);
  if (ec) program_error(state, "the data directory cannot be entered: " + dir);
}

}  // namespace

void GET_COND(ViewerState& state) {
  if (read_conditions_file(settings_path(state), state.conditions)) {
    state.data_directory = common::cp932_to_utf8(state.conditions.directory);
    return;
  }
  state.conditions = default_conditions(state.start_directory);
  state.data_directory = state.start_directory;
  PUT_COND(state);
}

bool PUT_COND(ViewerState& state) {
  // Written by its full path, then the data directory is made current, so that
  // after an accept the recording's folder is where relative names are taken.
  const bool ok = write_conditions_file(settings_path(state), state.conditions);
  const std::string& dir = state.data_directory;
  std::error_code ec;
  if (!dir.empty()) fs::current_path(dir, ec);
  return ok;
}

void set_data_directory(ViewerState& state, std::string_view directory_utf8) {
  state.data_directory = std::string(directory_utf8);
  state.conditions.directory = common::slot_value(directory_utf8, state.conditions.directory);
}

std::string default_open_name(const ProcessingConditions& c) {
  const std::string& ext = c.extension;
  std::string name = common::mid(ext, 2, 2) == "ac" ? c.base_name + ext : c.base_name + "0" + ext;
  return common::cp932_to_utf8(name);
}

// ---------------------------------------------------------------------------------------
// Errors

void program_error(ViewerState& state, std::string_view /*what*/) {
  set_data_directory(state, state.start_directory);
  PUT_COND(state);
  std::error_code ec;
  fs::current_path(state.start_directory, ec);
}

void run_event(ViewerState& state, ui::Platform& platform, int event) {
  // Standard logic errors (a bad index, a bad conversion) are run-time errors of the program;
  // any other logic_error is a test double's verdict and must reach the test.
  try {
    if (event == code::kOpen || event == code::kConditionsWithTrend || event == code::kConditionsNoTrend) {
      open_command(state, platform, event);
      return;
    }
    if (event >= code::kWaveMonitor && event <= code::kWaveLast) {
      // The waveform monitor only for a recording whose first channel is a waveform.
      if (!state.loaded || state.channels.count == 0 || state.channels.rows[0].kind != 'w') return;
    }
    if (event >= code::kEcg1 && event <= code::kEcg4) WND4_OPN(state, platform);
    auto it = state.operations.find(event);
    if (it != state.operations.end() && it->second) it->second(state, platform, event);
  } catch (const std::out_of_range& e) {
    program_error(state, e.what());
  } catch (const std::invalid_argument& e) {
    program_error(state, e.what());
  } catch (const std::length_error& e) {
    program_error(state, e.what());
  } catch (const std::domain_error& e) {
    program_error(state, e.what());
  } catch (const std::logic_error&) {
    throw;
  } catch (const std::exception& e) {
    program_error(state, e.what());
  }
}

// ---------------------------------------------------------------------------------------
// Start-up and loop

namespace {

void bind_main_form(ViewerState& state, ui::Platform& platform) {
  auto form = platform.forms.make_form("MAINFORM", kMainWidth, kMainHeight);
  form->set_caption(kMainCaption);
  form->set_menu(accmenu_for_form());
  for (const MenuCommand& c : ACCMENU()) form->set_menu_enabled(c.name, c.code == code::kOpen);
  form->set_handler([&state](const ui::UiEvent& e) {
    if (take_navigation_event(state, e)) return;  // keys, wheel and drags on the trend
    if (e.kind == ui::EventKind::Hover) return follow_pointer(state, e.x, e.y);
    if (e.kind == ui::EventKind::Menu) {
      if (int c = menu_event_code(e.control); c != code::kNone) state.event_code = static_cast<std::int16_t>(c);
    } else if (e.kind == ui::EventKind::Click && e.control.empty()) {
      // MAINFORM_CLICK: a click in the trend view chooses the waveform page there.
      state.mouse = {e.x, e.y};
      state.event_code = static_cast<std::int16_t>(wave::kTrendClick);
    } else if (e.kind == ui::EventKind::Resize && state.trend_width > 0 && state.forms.main &&
               (state.forms.main->client_width() != state.trend_width ||
                state.forms.main->client_height() != state.trend_height)) {
      // A trend on screen is drawn again at the new size (once the size has settled: the
      // resizes of one drag that come after the redraw find it drawn at their size).
      state.event_code = static_cast<std::int16_t>(code::kTrend);
    }
  });
  form->canvas().clear(ui::palette(15));
  form->show();
  state.forms.main = std::move(form);
}

bool main_open(const ViewerState& state) { return state.forms.main && state.forms.main->is_open(); }

}  // namespace

void viewer_startup(ViewerState& state, ui::Platform& platform) {
  state.wave_state = {};
  state.wave_line = {-1, 0, 0, 0};
  state.wave_speed = 1.0f;
  state.info.item[RecordingInfo::kStartOffset] = "0";
  state.start_directory = current_directory();
  GET_COND(state);
  bind_main_form(state, platform);
  load_habits(state);
  enter_data_directory(state);
  state.default_file_name = default_open_name(state.conditions);
}

void main_loop(ViewerState& state, ui::Platform& platform) {
  while (main_open(state)) {
    state.event_code = code::kNone;
    platform.pump.wait_until([&] { return state.event_code != code::kNone || !main_open(state); });
    if (!main_open(state)) break;
    run_event(state, platform, state.event_code);
  }
}

void run_viewer(ui::Platform& platform, ViewerState& state, const std::optional<std::string>& file) {
  install_operations(state);
  // FILE names a path from where the program was started, before the data directory
  // becomes current.
  std::optional<std::string> chosen;
  if (file && !file->empty()) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(*file), ec);
    chosen = ec ? *file : absolute.lexically_normal().string();
  }
  viewer_startup(state, platform);
  if (chosen) {
    try {
      open_command(state, platform, code::kOpen, *chosen);
    } catch (const std::out_of_range& e) {
      program_error(state, e.what());
    } catch (const std::invalid_argument& e) {
      program_error(state, e.what());
    } catch (const std::logic_error&) {
      throw;
    } catch (const std::exception& e) {
      program_error(state, e.what());
    }
  }
  main_loop(state, platform);
  remember_window_place(state);
}

void open_command(ViewerState& state, ui::Platform& platform, int event, const std::optional<std::string>& path) {
  std::string chosen;
  if (event == code::kOpen) {
    if (path) {
      chosen = *path;
    } else {
      chosen = platform.dialogs.open_file("ファイルを開く", state.default_file_name, "ﾃﾞｰﾀｰ();すべてのファイル(*.*)");
    }
    if (chosen == ui::kCancelAnswer || chosen.empty()) return;
  } else {
    if (!state.loaded) return;
    chosen = state.recording_path;
    if (chosen.empty()) return;
  }
  // Relative names are taken in the data directory, which is current.
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(chosen), ec);
  if (!ec) chosen = absolute.lexically_normal().string();
  if (event == code::kOpen) state.default_file_name = chosen;

  if (OPEN_DATA(state, platform, chosen, event)) {
    if (event == code::kOpen) note_opened(state, chosen);
    PUT_COND(state);
    enable_after_load(state);
    if (event == code::kOpen) forget_previous_views(state, platform);
    if (state.forms.main)
      state.forms.main->set_caption(std::string(kMainCaption) + "  " + fs::path(state.recording_path).filename().string());
    // The dialog's window is what the user asked to see: the trend is drawn at once (not for
    // "(ﾄﾚﾝﾄﾞ非表示)").
    if (event == code::kOpen || event == code::kConditionsWithTrend) {
      auto it = state.operations.find(code::kTrend);
      if (it != state.operations.end() && it->second) it->second(state, platform, code::kTrend);
    }
  }
}

void forget_previous_views(ViewerState& state, ui::Platform& platform) {
  // The waveform window closes through its own operation, which also forgets its page marker.
  if (state.forms.form5 && state.forms.form5->is_open()) {
    auto it = state.operations.find(wave::kClose);
    if (it != state.operations.end() && it->second) it->second(state, platform, wave::kClose);
  }
  state.wave_state.marker_x = -1;
  for (auto* form : {state.forms.form4.get(), state.forms.form5.get(), state.forms.form6.get(), state.forms.form7.get(),
                     state.forms.hrv.get()})
    if (form && form->is_open()) form->close();
  if (state.forms.main) state.forms.main->canvas().clear(ui::palette(15));
  state.trend_width = state.trend_height = 0;
  // A recording opened afresh is read afresh.
  state.series_cache.clear();
}

void enable_after_load(ViewerState& state) {
  ui::Form* form = state.forms.main.get();
  if (form == nullptr) return;
  for (const char* name : {"E_SAVE", "TXT_CONV", "EDF_SAVE", "D_COND1", "D_COND2", "D_DISP", "HARDC", "TRD_B_SAVE", "ECOPY"})
    form->set_menu_enabled(name, true);
  const bool wave = state.channels.count > 0 && state.channels.rows[0].kind == 'w';
  for (const char* name : {"wav_mon", "w_Svbmp", "w_Hcopy"}) form->set_menu_enabled(name, wave);
  for (const char* name : {"t_cal", "cal_SAVE", "cal_copy"}) form->set_menu_enabled(name, !wave);
  const double blocks = common::val(state.info.item[RecordingInfo::kEcgBlocks]);
  form->set_menu_enabled("P_ECG1", blocks > 0);
  form->set_menu_enabled("ECG_B_SAVE", blocks > 0);
  form->set_menu_enabled("P_ECG2", blocks > 1);
  form->set_menu_enabled("P_ECG3", blocks > 2);
  form->set_menu_enabled("P_ECG4", blocks > 3);
  form->set_menu_enabled("P_HRV", rr_file_of(state.channels).has_value());
}

void run_trend(ViewerState& state, ui::Platform&, int) {
  if (!state.loaded || !state.forms.main) return;
  ui::Canvas& canvas = state.forms.main->canvas();
  TREND(canvas, state.conditions, state.channels, state.info, state.extras.view, &state.series_cache);
  state.trend_width = canvas.width();
  state.trend_height = canvas.height();
}

void install_operations(ViewerState& state) {
  // The views and exports register here as they are built: one line each,
  //   state.operations.try_emplace(code::kTrend, run_trend);
  // try_emplace keeps what a caller (a test) registered before.
  state.operations.try_emplace(code::kTrend, [](ViewerState& s, ui::Platform& p, int c) {
    run_trend(s, p, c);
    wave_marker_after_trend(s);  // the trend's clear took the waveform page marker away
    refresh_status(s);
  });
  for (int c = code::kEcg1; c <= code::kEcg4; ++c) state.operations.try_emplace(c, run_ecg);
  for (int c : wave::kCodes) state.operations.try_emplace(c, run_wave);
  for (int c : kBitmapPrintCodes) state.operations.try_emplace(c, run_bitmap_print);
  state.operations.try_emplace(code::kResave, EDIT_SAVE);
  state.operations.try_emplace(code::kTextExport, TEXT_CONV);
  state.operations.try_emplace(code::kEdfExport, run_edf_save);
  state.operations.try_emplace(code::kCalorie, CALC_CAL);
  for (int c : hrv::kCodes) state.operations.try_emplace(c, run_hrv_window);
  install_habit_operations(state);
  install_navigation_operations(state);
}

// ---------------------------------------------------------------------------------------
// Waiting and windows

void DELAY_T(ViewerState& state, ui::Platform& platform, int t) {
  const std::int16_t kept = state.event_code;
  state.event_code = code::kDelay;
  if (t < 10) t = 10;
  const int interval = static_cast<int>(common::round_half_away(t / 10.0));
  platform.pump.start_timer(interval, [&state] { state.event_code = code::kTimer; });
  platform.pump.wait_until([&] { return state.event_code == code::kTimer || state.event_code == code::kOpen; });
  platform.pump.stop_timer();
  state.event_code = kept;
}

namespace {
constexpr int kForm3Width = 560;
constexpr int kForm3Height = 300;
}  // namespace

ui::Form& WND3_OPN(ViewerState& state, ui::Platform& platform, int purpose) {
  if (!state.forms.form3) {
    state.forms.form3 = platform.forms.make_form("FORM3", kForm3Width, kForm3Height);
    state.forms.form3->add_controls({{"LIST1", ui::ControlKind::List, "", 0, 0, kForm3Width, kForm3Height, true, 0}});
    state.forms.form3->set_handler([](const ui::UiEvent&) {});
  }
  ui::Form& form = *state.forms.form3;
  form.set_caption(purpose == 0 ? kForm3CaptionResave : kForm3CaptionTextExport);
  form.control("LIST1").clear_rows();
  form.show();
  form.raise();
  platform.pump.process_pending();
  return form;
}

void FORM3_PRINT(ViewerState& state, ui::Platform& platform, std::string_view utf8) {
  if (!FORM3_IS_OPEN(state)) return;
  ui::Control& list = state.forms.form3->control("LIST1");
  std::string line;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    if (utf8[i] == '\n' || utf8[i] == '\r') {
      list.add_row(line);
      line.clear();
    } else {
      line += utf8[i];
    }
  }
  list.add_row(line);
  list.set_selection(static_cast<int>(list.rows().size()) - 1);  // keeps the newest line in view
  platform.pump.process_pending();
}

bool FORM3_IS_OPEN(const ViewerState& state) { return state.forms.form3 && state.forms.form3->is_open(); }

ui::Form& WND4_OPN(ViewerState& state, ui::Platform& platform) {
  if (!state.forms.form4) {
    state.forms.form4 = platform.forms.make_form("FORM4", kMainWidth, kMainHeight);
    state.forms.form4->set_caption("心電図");
    state.forms.form4->set_handler([](const ui::UiEvent&) {});
  }
  ui::Form& form = *state.forms.form4;
  if (form.is_open()) {
    form.raise();
  } else {
    form.show();
  }
  return form;
}

}  // namespace ambview
