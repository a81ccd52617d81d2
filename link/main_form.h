// The link program's main window and its main loop: start-up, the settings file "ACC.PRM",
// the port and timer choices, the explanations, and the dispatch of every user operation.
// The operations themselves live in their own files; this is the shell around them.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/settings_record.h"
#include "link/link_state.h"
#include "link/serial_link.h"
#include "ui/platform.h"
#include "ui/serial_port.h"

namespace ambcomm {

// The settings file of the link program, in the start directory.
inline constexpr const char* kSettingsFileName = "ACC.PRM";

// Path splitting for a chosen download name. "/" and "\" both separate folders, and the
// first "." is looked for in the name part only, so a folder such as "run.v2" cuts nothing.
// GET_PASS: the folder part with its separator ("" when there is none).
std::string GET_PASS(std::string_view path);
// GET_FN: the name part up to its first ".", followed by "_" and cut to 7 characters.
std::string GET_FN(std::string_view path);
// GET_EXP: from the first "." of the name part to the end; empty when the path starts with it.
std::string GET_EXP(std::string_view path);
// A save-as answer with the name cut before the first "." of its name part, when that "."
// stands at position 3 or later of the whole path.
std::string cut_download_name(std::string_view path);

// The settings a missing "ACC.PRM" is created with (slot 1: the start directory, CP932).
common::SettingsSlots default_link_settings(const std::string& start_directory_utf8);

// Where the serial port comes from: a port fixed on the command line (or the simulated
// recorder), or one made for COMBO3's index 0-4.
struct LinkPorts {
  std::unique_ptr<ui::SerialPort> fixed;
  std::function<std::unique_ptr<ui::SerialPort>(int index)> make_port;
};

// Operations that other parts of the program provide.
struct LinkHooks {
  // REC_DATA: the download into the files named by settings slots 1, 2 and 16 (`name` is the
  // chosen path). Empty: the operation stops after the name has been chosen and saved.
  std::function<void(Link& link, ui::Platform& platform, const std::string& name)> download;
  // The live waveform display for a recorder that streams (a request answered with a foreign
  // heading); runs until the user closes it. Empty: only the message is shown.
  std::function<void(Link& link, ui::Platform& platform)> waveform_display;
  // The calorie dialog (event code 9). Empty: nothing happens.
  std::function<void(ui::Platform& platform, LinkState& state)> calorie_dialog;
};

inline constexpr const char* kMainForm = "MAINFORM";
inline constexpr const char* kMainCaption = "Movilog    インターフェース";
inline constexpr const char* kExplanationForm = "FORM4";

class MainForm {
 public:
  MainForm(ui::Platform& platform, LinkState& state, LinkPorts ports, LinkHooks hooks);
  ~MainForm();
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  // Start-up: MAINFORM_START, the settings, the port list, the timer, the empty list.
  // `timer` (the command line's --timer) overrides the saved pacing value for this run.
  void start(std::optional<int> timer = std::nullopt);
  // The main loop; returns when the main form has been closed.
  void run();

  void MAINFORM_START();
  void GET_COND();
  bool PUT_COND();
  void SET_COMBO3();
  void STS_DISP(int status);
  void WND4_OPN();
  void MESS(int n);

  // The link of the current port.
  Link link();
  ui::SerialPort& port();
  ui::Form& form() { return *form_; }
  bool open() const { return form_ && form_->is_open(); }
  std::string settings_path() const;

 private:
  void on_event(const ui::UiEvent& e);
  void BUTTON4_ON();
  void TEXT23_CLICK();
  void COMBO3_CHANGE();
  void show_timer();
  void enable_clear(bool with_old_layout);
  void select_port(int index);
  void close_port();

  void receive_and_show();
  void change_conditions();
  void send_conditions();
  void receive_to_file();
  void choose_name_and_download(Link& l);
  void clear_memory();
  void restore_speed();

  ui::Platform& platform_;
  LinkState& state_;
  LinkPorts ports_;
  LinkHooks hooks_;
  std::unique_ptr<ui::SerialPort> made_port_;
  std::unique_ptr<ui::Form> form_;
  std::unique_ptr<ui::Form> explanation_;
  // The command line's --timer: it wins over the saved value whenever the settings are read.
  std::optional<int> timer_override_;
};

// The window program: start-up and the main loop until the main form is closed.
// Returns the process exit status.
int run_link_program(ui::Platform& platform, LinkPorts ports, LinkHooks hooks, std::optional<int> timer = std::nullopt);

}  // namespace ambcomm
