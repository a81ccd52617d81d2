// The condition editor FORM2: its controls bound to the conditions record, the mode and
// display lists per model, the label-click dialogs, the reset, and the editor's own wait loop.
// Separate from the main form because it is a window of its own with its own loop.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/conditions_record.h"
#include "link/link_state.h"
#include "ui/platform.h"

namespace ambcomm {

// One row of the mode list (COMBO1) or display list (COMBO2): the text shown, the code stored.
struct ListRow {
  std::string text;  // UTF-8
  std::string code;
};

// The mode list for a model code: rows 0-3 for every model, rows 4-16 by model.
std::vector<ListRow> mode_rows(std::string_view model_code);
// The display list, the same for every model.
const std::vector<ListRow>& display_rows();
// The row of the mode list holding `mode` (15 when none does), and of the display list
// holding `display` (5 when none does).
int mode_row(const std::vector<ListRow>& rows, std::string_view mode);
int display_row(std::string_view display);

// An edit box of the editor: the record slot it edits and how much of the typed text it keeps.
struct EditField {
  std::string_view control;  // "EDIT1".."EDIT10"
  int slot;                  // ConditionsRecord slot
  int width;                 // CP932 bytes kept
  std::string_view field;    // the record field name (also the command line's name)
};
const std::array<EditField, 10>& edit_fields();

// The typed text (UTF-8) as the slot stores it: CP932, cut to `width` bytes without
// splitting a double-byte character.
std::string cut_field(std::string_view utf8, int width);

// Form and control names of the editor.
inline constexpr const char* kEditorForm = "FORM2";
inline constexpr const char* kEditorCaption = "測定条件の変更 ";

// The condition editor window.
class ConditionEditor {
 public:
  // `calorie_dialog` runs on event code 9 (may be empty: nothing happens).
  ConditionEditor(ui::Platform& platform, LinkState& state, std::function<void()> calorie_dialog);
  ~ConditionEditor();
  ConditionEditor(const ConditionEditor&) = delete;
  ConditionEditor& operator=(const ConditionEditor&) = delete;

  // The editor run: open, fill, and wait until the send button (the event code is then 6)
  // or the user closes the window, or `keep_going` turns false (the main form was closed).
  void run(const std::function<bool()>& keep_going);

  void WND2_OPN();
  void SET_COMBO1();
  void WND2_STS_DISP();
  void ENABLE_STS(int flag);
  void WND2_DETACH();
  ui::Form* form() { return form_.get(); }

 private:
  void on_event(const ui::UiEvent& e);
  void show_check1();
  void TEXT3_CLICK();
  void ask_zero(std::string_view caption, std::string& slot, int code);
  void ask_amount(std::string_view caption, std::string& slot, int code);
  void reset();

  ui::Platform& platform_;
  LinkState& state_;
  std::function<void()> calorie_dialog_;
  std::unique_ptr<ui::Form> form_;
  std::vector<ListRow> modes_;
  bool bound_ = false;
};

}  // namespace ambcomm
