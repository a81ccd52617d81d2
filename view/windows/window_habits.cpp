// Recent files, window place, exit and help of the analysis program's main window.
#include "view/windows/window_habits.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <sstream>

#include "view/windows/viewer_shell.h"

namespace ambview {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExitName = "A_EXIT";
constexpr const char* kGuideName = "H_GUIDE";
constexpr const char* kAboutName = "H_ABOUT";
constexpr const char* kRecentKey = "recent_files";
constexpr const char* kPlaceKey = "main_window";
constexpr const char* kReadableKey = "readable_view";

// Limits a remembered place must keep to be taken (a garbled settings file changes nothing).
constexpr int kMinWidth = 320;
constexpr int kMinHeight = 240;
constexpr int kMaxSide = 10000;

std::vector<int> numbers_of(std::string_view text) {
  std::vector<int> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ec != std::errc()) return {};
    out.push_back(v);
    i = static_cast<std::size_t>(end - text.data());
  }
  return out;
}

void show_recent(ViewerState& state) {
  ui::Form* form = state.forms.main.get();
  if (!form) return;
  for (int i = 0; i < kRecentCount; ++i) {
    const bool used = i < static_cast<int>(state.extras.recent.size());
    form->set_menu_text(recent_entry_name(i), used ? recent_caption(i, state.extras.recent[static_cast<std::size_t>(i)]) : "");
    form->set_menu_visible(recent_entry_name(i), used);
  }
}

void open_recent(ViewerState& state, ui::Platform& platform, int code) {
  const auto index = static_cast<std::size_t>(code - habit_code::kRecentFirst);
  if (index >= state.extras.recent.size()) return;
  const std::string path = state.extras.recent[index];
  open_command(state, platform, code::kOpen, path);
}

void show_guide(ViewerState& state, ui::Platform& platform, int) {
  const auto guide = find_guide(state.extras.guide_paths);
  if (guide && state.extras.desktop && state.extras.desktop->open_document(*guide)) return;
  platform.dialogs.message_box(kHelpMenu, guide ? "ユーザーガイドを開けません: " + *guide : "ユーザーガイドが見つかりません",
                               ui::Buttons::Ok, ui::Icon::Exclamation);
}

// "見やすい表示" chosen: the pictures switch, the choice is kept, a trend on screen is drawn
// again; the ECG and waveform windows change at their next drawing.
void toggle_readable(ViewerState& state, ui::Platform& platform, int) {
  state.extras.view.readable = !state.extras.view.readable;
  if (state.forms.main) state.forms.main->set_menu_checked(kReadableEntry, state.extras.view.readable);
  if (state.extras.desktop) state.extras.desktop->set_setting(kReadableKey, state.extras.view.readable ? "1" : "0");
  if (state.trend_width <= 0) return;
  const auto it = state.operations.find(code::kTrend);
  if (it != state.operations.end() && it->second) it->second(state, platform, code::kTrend);
}

}  // namespace

std::string recent_entry_name(int index) { return "A_RECENT" + std::to_string(index + 1); }

void add_habit_menu(std::vector<ui::Menu>& menus) {
  if (menus.empty()) return;
  for (ui::MenuEntry& e : menus.front().entries)
    if (ui::same_name(e.name, "A_OPEN")) e.shortcut = "Ctrl+O";
  for (int i = 0; i < kRecentCount; ++i) menus.front().entries.push_back({recent_entry_name(i), "", ""});
  menus.front().entries.push_back({kExitName, "終了 (&X)", "Ctrl+Q"});
  for (ui::Menu& m : menus)
    if (m.caption == "トレンド(&T)") m.entries.push_back({kReadableEntry, "見やすい表示", ""});
  menus.push_back({kHelpMenu, {{kGuideName, "ユーザーガイド (&U)", "F1"}, {kAboutName, "バージョン情報 (&A)", ""}}});
}

int habit_menu_code(std::string_view entry) {
  for (int i = 0; i < kRecentCount; ++i)
    if (ui::same_name(entry, recent_entry_name(i))) return habit_code::kRecentFirst + i;
  if (ui::same_name(entry, kExitName)) return habit_code::kExit;
  if (ui::same_name(entry, kGuideName)) return habit_code::kGuide;
  if (ui::same_name(entry, kAboutName)) return habit_code::kAbout;
  if (ui::same_name(entry, kReadableEntry)) return habit_code::kReadable;
  return 0;
}

std::vector<std::string> with_recent(std::vector<std::string> list, const std::string& path) {
  list.erase(std::remove(list.begin(), list.end(), path), list.end());
  list.insert(list.begin(), path);
  if (list.size() > static_cast<std::size_t>(kRecentCount)) list.resize(kRecentCount);
  return list;
}

std::string recent_caption(int index, const std::string& path) {
  const fs::path p(path);
  return "&" + std::to_string(index + 1) + " " + p.filename().string() + "  (" + p.parent_path().string() + ")";
}

void load_habits(ViewerState& state) {
  ui::Desktop* desktop = state.extras.desktop;
  if (desktop) {
    std::istringstream lines(desktop->setting(kRecentKey));
    std::vector<std::string> recent;
    for (std::string line; std::getline(lines, line);)
      if (!line.empty() && recent.size() < static_cast<std::size_t>(kRecentCount)) recent.push_back(line);
    state.extras.recent = recent;
    state.extras.view.readable = desktop->setting(kReadableKey) == "1";
  }
  show_recent(state);
  if (state.forms.main) state.forms.main->set_menu_checked(kReadableEntry, state.extras.view.readable);
  if (state.forms.main) state.forms.main->set_status_text("");  // the status line from the start: no jump later
  if (!desktop || !state.forms.main) return;
  const std::vector<int> place = numbers_of(desktop->setting(kPlaceKey));
  if (place.size() != 4) return;
  const int left = place[0], top = place[1], width = place[2], height = place[3];
  if (width < kMinWidth || height < kMinHeight || width > kMaxSide || height > kMaxSide) return;
  if (left < -kMaxSide || left > kMaxSide || top < -kMaxSide || top > kMaxSide) return;
  state.forms.main->resize_client(width, height);
  state.forms.main->move_to(left, top);
}

void note_opened(ViewerState& state, const std::string& path) {
  state.extras.recent = with_recent(state.extras.recent, path);
  show_recent(state);
  if (!state.extras.desktop) return;
  std::string joined;
  for (const std::string& p : state.extras.recent) joined += p + "\n";
  state.extras.desktop->set_setting(kRecentKey, joined);
}

void remember_window_place(const ViewerState& state) {
  const ui::Form* form = state.forms.main.get();
  if (!state.extras.desktop || !form) return;
  state.extras.desktop->set_setting(kPlaceKey, std::to_string(form->left()) + " " + std::to_string(form->top()) + " " +
                                                   std::to_string(form->client_width()) + " " +
                                                   std::to_string(form->client_height()));
}

std::string about_text(std::string_view version) {
  return "ambview " + std::string(version.empty() ? "?" : version) +
         "\rMovilog の解析プログラム (記録の表示、心電図、波形、カロリー、テキスト変換)";
}

std::optional<std::string> find_guide(const std::vector<std::string>& candidates) {
  for (const std::string& c : candidates) {
    std::error_code ec;
    if (!c.empty() && fs::is_regular_file(c, ec)) return c;
  }
  return std::nullopt;
}

void install_habit_operations(ViewerState& state) {
  for (int c = habit_code::kRecentFirst; c <= habit_code::kRecentLast; ++c) state.operations.try_emplace(c, open_recent);
  state.operations.try_emplace(habit_code::kExit, [](ViewerState& s, ui::Platform&, int) {
    if (s.forms.main) s.forms.main->close();
  });
  state.operations.try_emplace(habit_code::kGuide, show_guide);
  state.operations.try_emplace(habit_code::kReadable, toggle_readable);
  state.operations.try_emplace(habit_code::kAbout, [](ViewerState& s, ui::Platform& p, int) {
    p.dialogs.message_box(kAboutCaption, about_text(s.extras.version), ui::Buttons::Ok, ui::Icon::Information);
  });
}

}  // namespace ambview
