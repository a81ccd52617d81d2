// Windows and their controls, addressed by the names the programs give them (MAINFORM,
// FORM2, BUTTON1, COMBO3, ...). A form is built from a list of control definitions; user actions
// arrive as UiEvents through one handler, which stores the program-wide event code.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/canvas.h"

namespace ui {

// Control and menu entry names are matched without regard to letter case, as the programs
// name them ("ECOPY" and "ecopy" are one entry).
bool same_name(std::string_view a, std::string_view b);

enum class ControlKind {
  Button,     // push button (caption)
  BmpButton,  // push button showing a bitmap file (caption = file name or fallback text)
  Label,      // static text; clickable labels raise Click
  Edit,       // one-line text box; raises Change on every edit
  List,       // list box of rows; raises Click
  Combo,      // drop-down list; raises Change when the selection changes
  Check,      // check box; raises Click
  VScroll,    // vertical scroll bar (value, min, max); raises Change
  Picture,    // picture area with its own canvas; raises Click, MouseDown, MouseUp
  Progress,   // progress bar (value, min, max, as VScroll); raises nothing
};

struct ControlDef {
  std::string name;
  ControlKind kind = ControlKind::Label;
  std::string caption;  // UTF-8
  int x = 0, y = 0, width = 80, height = 24;
  bool fixed_font = false;  // List/Label: fixed-width gothic font so columns line up
  int font_size = 0;        // 0: the form's default
};

struct MenuEntry {
  MenuEntry(std::string entry_name, std::string entry_caption, std::string entry_shortcut = {})
      : name(std::move(entry_name)), caption(std::move(entry_caption)), shortcut(std::move(entry_shortcut)) {}
  std::string name;      // ACCMENU entry name, e.g. "A_OPEN"
  std::string caption;   // UTF-8
  std::string shortcut;  // key sequence in the portable form "Ctrl+O"; empty for none
};

struct Menu {
  std::string caption;
  std::vector<MenuEntry> entries;
};

// Only user actions raise events; a program setting text, rows, selections, check marks or
// scroll values raises none. Mouse buttons on the form's surface or a picture raise MouseDown,
// then MouseUp followed by Click when released over it; MouseMove comes only while a button is
// down on the surface. Resize is a size the user made; Close a window the user closed.
// Key is a key of `key::` pressed on the form; Wheel a turn of the mouse wheel over the
// surface; Hover the pointer moving over the surface with no button down (x = -1 once it
// leaves the surface).
enum class EventKind { Click, Change, MouseDown, MouseUp, MouseMove, Resize, Close, Menu, Key, Wheel, Hover };

// The keys a form reports; other keys raise nothing.
namespace key {
inline constexpr int kLeft = 1;
inline constexpr int kRight = 2;
inline constexpr int kPageUp = 3;
inline constexpr int kPageDown = 4;
inline constexpr int kHome = 5;
inline constexpr int kEnd = 6;
inline constexpr int kPlus = 7;
inline constexpr int kMinus = 8;
inline constexpr int kEscape = 9;
}  // namespace key

struct UiEvent {
  std::string form;     // form name
  std::string control;  // control or menu entry name; empty for the form itself
  EventKind kind = EventKind::Click;
  int x = 0, y = 0;     // mouse position in the form's (or picture's) client coordinates
  int button = 0;       // 1 left, 2 right, 4 middle
  int key = 0;          // Key: one of key::
  int delta = 0;        // Wheel: notches, positive away from the user
  bool ctrl = false;    // Key, Wheel: the Ctrl key held
};

// What is drawn over a form's surface without touching its canvas: a vertical cursor line
// and a selected span of x (both -1 when none).
struct Overlay {
  int cursor_x = -1;
  int select_from = -1;
  int select_to = -1;
  bool operator==(const Overlay&) const = default;
};

class Control {
 public:
  virtual ~Control() = default;
  virtual const std::string& name() const = 0;
  virtual ControlKind kind() const = 0;

  virtual void set_text(std::string_view utf8) = 0;  // caption or edit text
  virtual std::string text() const = 0;
  virtual void set_enabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void set_visible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual void move(int x, int y, int width, int height) = 0;
  virtual int x() const = 0;
  virtual int y() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;

  // List and Combo rows.
  virtual void clear_rows() = 0;
  virtual void add_row(std::string_view utf8) = 0;
  virtual std::vector<std::string> rows() const = 0;
  virtual void set_selection(int row) = 0;  // -1: none
  virtual int selection() const = 0;

  // Check.
  virtual void set_checked(bool checked) = 0;
  virtual bool checked() const = 0;

  // VScroll and Progress.
  virtual void set_range(int min, int max) = 0;
  virtual void set_value(int value) = 0;
  virtual int value() const = 0;

  // Picture: its own drawing surface (also used for colour swatches and bitmaps).
  virtual Canvas* canvas() = 0;
  // Picture/BmpButton: shows a bitmap file; false when it cannot be loaded.
  virtual bool load_bitmap(const std::string& path) = 0;
};

class Form {
 public:
  virtual ~Form() = default;
  virtual const std::string& name() const = 0;

  // Builds the controls; called once after the form is made.
  virtual void add_controls(const std::vector<ControlDef>& defs) = 0;
  virtual void set_menu(const std::vector<Menu>& menus) = 0;
  virtual void set_menu_enabled(std::string_view entry, bool enabled) = 0;
  virtual bool menu_enabled(std::string_view entry) const = 0;
  // Entries whose caption changes while the program runs (a list of recent files).
  virtual void set_menu_text(std::string_view entry, std::string_view caption) = 0;
  virtual void set_menu_visible(std::string_view entry, bool visible) = 0;
  // A check mark beside the entry (an on/off entry); the program sets it, choosing the entry
  // only raises Menu.
  virtual void set_menu_checked(std::string_view entry, bool checked) = 0;
  virtual bool menu_checked(std::string_view entry) const = 0;

  virtual Control& control(std::string_view name) = 0;
  virtual bool has_control(std::string_view name) const = 0;

  virtual void show() = 0;     // opens the window (again, after a close)
  virtual void close() = 0;    // closes the window; is_open() turns false
  virtual bool is_open() const = 0;
  virtual void raise() = 0;    // brings an open window forward
  virtual void set_caption(std::string_view utf8) = 0;
  virtual std::string caption() const = 0;
  virtual void set_enabled(bool enabled) = 0;

  // Client area size and window geometry (pixels).
  virtual int client_width() const = 0;
  virtual int client_height() const = 0;
  virtual void resize_client(int width, int height) = 0;
  virtual int left() const = 0;
  virtual int top() const = 0;
  virtual void move_to(int left, int top) = 0;

  // The client area's persistent drawing surface (under the controls).
  virtual Canvas& canvas() = 0;

  // Mouse state, for loops that run while a button stays down.
  virtual bool mouse_down() const = 0;
  virtual Point mouse_position() const = 0;  // client coordinates
  // True while the mouse button is held on the named control.
  virtual bool mouse_down_on(std::string_view control) const = 0;

  virtual void set_busy(bool busy) = 0;  // busy mouse pointer

  // A status line under the client area (made on first use; the client area keeps its size).
  virtual void set_status_text(std::string_view utf8) = 0;
  virtual void set_overlay(const Overlay& overlay) = 0;

  // Every user action on the form or its controls; Close is sent when the user closes it.
  virtual void set_handler(std::function<void(const UiEvent&)> handler) = 0;
};

// Makes forms; each program asks for its forms by name, with an initial client size.
class FormFactory {
 public:
  virtual ~FormFactory() = default;
  virtual std::unique_ptr<Form> make_form(std::string_view name, int client_width,
                                          int client_height) = 0;
};

}  // namespace ui
