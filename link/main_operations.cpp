// The operations the main loop runs, each to its end: receive and show, change (the editor),
// send, receive into files with the name chosen, and the memory clear. Each closes nothing
// itself: the loop closes the port before it waits again.
#include "link/main_form.h"

#include <filesystem>

#include "common/cp932.h"
#include "common/path_names.h"
#include "link/condition_editor.h"
#include "link/condition_request.h"
#include "link/condition_setting.h"
#include "link/download_name.h"
#include "link/memory_clear.h"

namespace ambcomm {

namespace fs = std::filesystem;

void MainForm::receive_and_show() {
  if (state_.help_flag == 1) MESS(1);
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  enable_clear(true);
}

EditorOutcome MainForm::change_conditions() {
  if (state_.help_flag == 1) MESS(2);
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  if (state_.status != 0) return EditorOutcome::Closed;
  ConditionEditor editor(platform_, state_, [this] {
    if (hooks_.calorie_dialog) hooks_.calorie_dialog(platform_, state_);
  });
  const EditorOutcome outcome = editor.run([this] { return open(); });
  enable_clear(false);
  return outcome;
}

void MainForm::send_conditions() {
  form_->set_busy(true);
  Link l = link();
  setting_step(l, &platform_.dialogs, [this](int status) { STS_DISP(status); });
  form_->set_busy(false);
  enable_clear(true);
}

void MainForm::receive_to_file() {
  GET_COND();
  Link l = link();
  STS_REQ(l, &platform_.dialogs, state_.status, "1");
  STS_DISP(state_.status);
  if (state_.status != 0) enable_clear(true);  // not offered on the strength of an older answer
  if (state_.help_flag == 1) MESS(3);
  if (state_.status == 0) choose_name_and_download(l);
  // Whatever the status: a recorder left at four-times speed is sent back to normal.
  if (state_.conditions.speed == "B") restore_speed();
}

void MainForm::choose_name_and_download(Link& l) {
  LinkSettings& s = state_.settings;
  std::error_code ec;
  fs::current_path(common::cp932_to_utf8(s.data_directory), ec);
  if (ec) {
    // An unusable data directory falls back to the start directory, silently.
    s.data_directory = common::utf8_to_cp932(state_.start_directory);
    PUT_COND();
    fs::current_path(state_.start_directory, ec);
  }
  const std::string answer =
      platform_.dialogs.save_file("名前を付けて保存", "無題___0", "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)");
  if (answer == ui::kCancelAnswer || answer.empty()) return;
  const std::string name = cut_download_name(answer);
  // The settings are CP932: a name CP932 cannot hold leaves its setting as it was, while the
  // download itself goes to the chosen path as it is.
  s.data_directory = common::slot_value(GET_PASS(name), s.data_directory);
  s.file_name = common::slot_value(GET_FN(name), s.file_name);
  s.extension = common::slot_value(GET_EXP(name), s.extension);
  PUT_COND();
  if (hooks_.download) hooks_.download(l, platform_, name);
}

// A four-times transfer leaves the recorder at 19200 bit/s: send it back to normal speed.
void MainForm::restore_speed() {
  Link l = link();
  int status = 0;
  if (!l.port.is_open()) RX_OPEN(l, status, "AC");
  const bool ok = (status == 0 || status == kStatusAlreadyOpen) && leave_four_times(l);
  if (!ok) state_.status_line("N_COM=" + std::to_string(state_.settings.port_index));
}

void MainForm::clear_memory() {
  if (state_.help_flag == 1) MESS(4);
  Link l = link();
  if (memory_clear(l, &platform_.dialogs, &platform_.forms) != ClearResult::Done) return;
  // The list showed the amounts from before the clear: ask again, so that it shows what is left.
  STS_REQ(l, nullptr, state_.status, "1");
  STS_DISP(state_.status);
  enable_clear(true);
  if (state_.status == 0) state_.status_line(kClearDoneText);
}

}  // namespace ambcomm
