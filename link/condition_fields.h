// What the condition editor offers and how much of a typed text each field keeps: the mode
// and display lists per model, the edit boxes with their record slots and widths. Pure data
// and rules, so that the editor window and the command line's `set` check the same way.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

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
// The display row that only stands for "none of these": choosing it changes nothing.
inline constexpr int kDisplayRowNone = 5;

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

}  // namespace ambcomm
