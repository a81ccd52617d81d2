// The condition editor FORM2: its controls bound to the conditions record, the label-click
// dialogs, the reset, and the editor's own wait loop. Separate from the main form because it
// is a window of its own with its own loop; what it offers is in condition_fields.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/conditions_record.h"
#include "link/condition_fields.h"
#include "link/event_codes.h"
#include "link/link_state.h"
#include "ui/platform.h"

namespace ambcomm {

// Form and control names of the editor.
inline constexpr const char* kEditorForm = "FORM2";
inline constexpr const char* kEditorCaption = "測定条件の変更 ";

// How an editor run ended.
enum class EditorOutcome {
  Send,    // "Movilogへ設定": the edited conditions are to be sent
  Closed,  // the window was closed, or the main form went away
};

// The condition editor window.
class ConditionEditor {
 public:
  // `calorie_dialog` runs for "ｶﾛﾘｰ設定" (may be empty: nothing happens).
  ConditionEditor(ui::Platform& platform, LinkState& state, std::function<void()> calorie_dialog);
  ~ConditionEditor();
  ConditionEditor(const ConditionEditor&) = delete;
  ConditionEditor& operator=(const ConditionEditor&) = delete;

  // The editor run: open, fill, and wait until the send button or the user closes the
  // window, or `keep_going` turns false (the main form was closed). The editor's event codes
  // are its own: none is left behind for the main loop.
  EditorOutcome run(const std::function<bool()>& keep_going);

  void WND2_OPN();
  void SET_COMBO1();
  void WND2_STS_DISP();
  void ENABLE_STS(int flag);
  void WND2_DETACH();
  ui::Form* form() { return form_.get(); }

 private:
  void on_event(const ui::UiEvent& e);
  void on_change(const std::string& control);
  void show_check1();
  void TEXT3_CLICK();
  void ask_zero(std::string_view caption, std::string& slot, EventCode code);
  void ask_amount(std::string_view caption, std::string& slot, EventCode code);
  void reset();

  ui::Platform& platform_;
  LinkState& state_;
  std::function<void()> calorie_dialog_;
  std::unique_ptr<ui::Form> form_;
  std::vector<ListRow> modes_;
  bool bound_ = false;
};

}  // namespace ambcomm
