// The analysis program's shell: start-up, the main window with its menu ACCMENU, the main
// loop that dispatches event codes, the settings file "RaZor.prm", the timed wait and the
// window-opening operations. Views and exports plug in through ViewerState::operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"
#include "ui/platform.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

// ---------------------------------------------------------------------------------------
// Main window and menu

inline constexpr const char* kMainCaption = "Movilog  処理(121010)";
inline constexpr int kMainWidth = 900;
inline constexpr int kMainHeight = 600;


// One entry of ACCMENU: its menu, caption, name and event code.
struct MenuCommand {
  const char* menu;
  const char* caption;
  const char* name;
  int code;
};
const std::vector<MenuCommand>& ACCMENU();
// The menu in the form the platform builds it.
std::vector<ui::Menu> accmenu_for_form();
// Event code of a menu entry name (case-blind); 0 for an unknown name.
int menu_event_code(std::string_view entry);

// ---------------------------------------------------------------------------------------
// Processing conditions and "RaZor.prm"

// Fills the conditions from "RaZor.prm" in the start directory, or sets the defaults and
// writes them at once.
void GET_COND(ViewerState& state);
// Writes the conditions to "RaZor.prm" in the start directory. False on a write error.
bool PUT_COND(ViewerState& state);
// The data directory becomes `directory_utf8` (with its trailing "/"); the conditions store it
// in CP932 (their last value stays when CP932 cannot hold the folder's name).
void set_data_directory(ViewerState& state, std::string_view directory_utf8);

// The name the open dialog proposes: base name + extension for a combined extension, else
// base name + "0" + extension (UTF-8).
std::string default_open_name(const ProcessingConditions& conditions);

// ---------------------------------------------------------------------------------------
// Start-up and the main loop

// Steps of start-up up to the main loop: state tables reset, start directory noted,
// GET_COND, the main window shown with only A_OPEN enabled, the data directory made current.
void viewer_startup(ViewerState& state, ui::Platform& platform);
// The whole program: start-up, FILE opened when given (as if chosen in the open dialog),
// then the main loop until the main window is closed.
void run_viewer(ui::Platform& platform, ViewerState& state,
                const std::optional<std::string>& file = std::nullopt);
// Waits for events and runs them until the main window is closed.
void main_loop(ViewerState& state, ui::Platform& platform);
// Runs one event code under the program-wide error handler.
void run_event(ViewerState& state, ui::Platform& platform, int event);

// kOpen / kConditionsWithTrend / kConditionsNoTrend: the open dialog (kOpen only), then the recording loaded into the
// processing-conditions dialog; after an accept the conditions are saved and the menus
// enabled. `path` given skips the dialog (the FILE of the command line).
void open_command(ViewerState& state, ui::Platform& platform, int event,
                  const std::optional<std::string>& path = std::nullopt);

// What belonged to the recording open before (its trend, the ECG, waveform and calorie
// windows, the page marker) is cleared away when another is opened.
void forget_previous_views(ViewerState& state, ui::Platform& platform);

// Enables the menu entries for the loaded recording (trend, waveform or calorie, ECG blocks).
void enable_after_load(ViewerState& state);

// The program-wide error handler: the data directory falls back to the start directory,
// the conditions are written and the start directory becomes current.
void program_error(ViewerState& state, std::string_view what);

// The main loop's operation for code::kTrend: TREND into the main window of the loaded
// recording; nothing before a recording is loaded.
void run_trend(ViewerState& state, ui::Platform& platform, int code);

// Fills the operations not yet registered with the program's own views and exports.
void install_operations(ViewerState& state);

// ---------------------------------------------------------------------------------------
// Waiting and windows

// Waits for one TIMER1 tick of t / 10 ms (t at least 10), or until the user chooses Open;
// the event code is kept across the wait.
void DELAY_T(ViewerState& state, ui::Platform& platform, int t);

// FORM3, the progress window of re-saving (purpose 0) and text export (purpose 1).
inline constexpr const char* kForm3CaptionResave = "時刻変更データーの保存";
inline constexpr const char* kForm3CaptionTextExport = "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存";
ui::Form& WND3_OPN(ViewerState& state, ui::Platform& platform, int purpose);
// Prints text into FORM3 as lines ("\r\n" or "\n" start a new line) and lets the window
// update. Nothing happens when FORM3 is not open.
void FORM3_PRINT(ViewerState& state, ui::Platform& platform, std::string_view utf8);
// False once the user has closed FORM3 (the exports stop then).
bool FORM3_IS_OPEN(const ViewerState& state);

// FORM4, the ECG window "心電図": made and shown, or brought forward when open.
ui::Form& WND4_OPN(ViewerState& state, ui::Platform& platform);

}  // namespace ambview
