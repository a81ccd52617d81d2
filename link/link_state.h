// The link program's state, gathered in one object that lives for the whole run: the
// conditions record and line, the last status, the pacing timer, the port and the event code.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/conditions_record.h"
#include "link/event_codes.h"
#include "link/link_settings.h"

namespace ui {
class Form;
}

namespace ambcomm {

struct LinkState {
  common::ConditionsRecord conditions;
  // The recorder's last answer, unchanged and with its CR (CP932 bytes).
  std::string conditions_line;
  int status = 0;
  // Pacing value of the serial link for this run: the saved timer, or the command line's.
  int timer = kDefaultTimer;
  std::string port_name = "com0";
  // "ACC.PRM" as read, and as it is written back.
  LinkSettings settings;
  // The program-wide event code: handlers store it, the loop that waits reads it.
  EventCode event_code = EventCode::None;
  // Units of the level thresholds on the line (1/500 G).
  int threshold_scale = 500;
  // 1: show the explanation before each operation (BUTTON4).
  int help_flag = 0;
  // 1: the recorder is to be put into switch-start mode (the editor's CHECK1).
  int switch_start = 0;
  // Where "ACC.PRM" lives: the current directory at start-up.
  std::string start_directory;

  // The status line TEXT14 (UTF-8). Unbound: messages go nowhere.
  std::function<void(const std::string& utf8)> show_status;
  // Started by the condition request when the recorder streams its waveform (status 3).
  std::function<void()> start_waveform_display;
  // The last download's progress window, kept on screen until the user closes it.
  std::shared_ptr<ui::Form> progress_window;

  void status_line(const std::string& utf8) const {
    if (show_status) show_status(utf8);
  }
};

}  // namespace ambcomm
