// The habits of a desktop program around the original main window: Ctrl+O, the recent files
// in the file menu, 終了 (Ctrl+Q), a help menu (user guide, version), the window's place
// kept between runs and the readable pictures ("見やすい表示" in the trend menu). All of it
// is kept in the desktop's settings, never in "RaZor.prm".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr int kRecentCount = 8;
inline constexpr const char* kHelpMenu = "ヘルプ(&H)";
inline constexpr const char* kAboutCaption = "バージョン情報";
inline constexpr const char* kReadableEntry = "D_READABLE";

// Appends the added entries to the menu the platform builds: the recent files (hidden while
// empty) and 終了 at the end of the first menu, "見やすい表示" at the end of the trend menu,
// the help menu last; gives A_OPEN Ctrl+O.
void add_habit_menu(std::vector<ui::Menu>& menus);
// Event code of an added entry; 0 for any other name.
int habit_menu_code(std::string_view entry);
// The menu entry name of recent file `index` (0 = newest).
std::string recent_entry_name(int index);

// The list after opening `path`: it comes first, once, and the list keeps kRecentCount.
std::vector<std::string> with_recent(std::vector<std::string> list, const std::string& path);
// The menu caption of recent file `index`: its number as the access key, the file name and
// its folder.
std::string recent_caption(int index, const std::string& path);

// At start-up, after the main window is made: the recent files, the readable pictures'
// check mark and the window's last place.
void load_habits(ViewerState& state);
// After a recording was opened: it heads the recent files.
void note_opened(ViewerState& state, const std::string& path);
// When the program ends: the main window's place and size.
void remember_window_place(const ViewerState& state);

// The About text: the program's name and version.
std::string about_text(std::string_view version);
// The first existing file of the candidates; none when no copy is found.
std::optional<std::string> find_guide(const std::vector<std::string>& candidates);

// Registers the added entries' operations.
void install_habit_operations(ViewerState& state);

}  // namespace ambview
