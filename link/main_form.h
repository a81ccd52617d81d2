// The link program's main window and its main loop: start-up, reading and writing "ACC.PRM",
// the port and timer choices, the explanations, and the dispatch of every user operation.
// The shell is main_form.cpp; the operations the loop runs are main_operations.cpp.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/condition_editor.h"
#include "link/link_state.h"
#include "link/serial_link.h"
#include "ui/platform.h"
#include "ui/serial_port.h"

namespace ambcomm {

// Where the serial port comes from: a port fixed on the command line (or the simulated
// recorder), or one made for COMBO3's index 0-4.
struct LinkPorts {
  std::unique_ptr<ui::SerialPort> fixed;
  std::function<std::unique_ptr<ui::SerialPort>(int index)> make_port;
};

// Operations that other parts of the program provide.
struct LinkHooks {
  // REC_DATA: the download into the files named from the chosen path `name` (the settings
  // keep its folder, base name and extension). Empty: the operation stops after the name
  // has been chosen and saved.
  std::function<void(Link& link, ui::Platform& platform, const std::string& name)> download;
  // The live waveform display for a recorder that streams (a request answered with a foreign
  // heading); runs until the user closes it. Empty: only the message is shown.
  std::function<void(Link& link, ui::Platform& platform)> waveform_display;
  // The calorie dialog, from the condition editor's "ｶﾛﾘｰ設定". Empty: nothing happens.
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

 private:
  // The shell (main_form.cpp)
  void on_event(const ui::UiEvent& e);
  void BUTTON4_ON();
  void TEXT23_CLICK();
  void COMBO3_CHANGE();
  void show_timer();
  void enable_clear(bool with_old_layout);
  void select_port(int index);
  void close_port();
  // Waits with the port closed, receiving and showing the conditions on EventCode::Show,
  // until another code is stored or the main form is closed.
  void wait_for_operation();

  // The operations (main_operations.cpp)
  void receive_and_show();
  EditorOutcome change_conditions();
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
