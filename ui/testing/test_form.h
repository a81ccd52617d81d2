// In-memory forms and controls for tests: every operation keeps its state, drawing goes to
// recording canvases, and helpers play the user's actions (click, type, select, close, mouse)
// by sending the same events a real window would.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"
#include "ui/testing/recording_canvas.h"

namespace ui::testing {

class TestControl : public Control {
 public:
  explicit TestControl(const ControlDef& def);

  const std::string& name() const override { return def_.name; }
  ControlKind kind() const override { return def_.kind; }
  void set_text(std::string_view utf8) override;
  std::string text() const override;
  void set_enabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }
  void set_visible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  void move(int x, int y, int width, int height) override;
  int x() const override { return def_.x; }
  int y() const override { return def_.y; }
  int width() const override { return def_.width; }
  int height() const override { return def_.height; }
  void clear_rows() override;
  void add_row(std::string_view utf8) override { rows_.emplace_back(utf8); }
  std::vector<std::string> rows() const override { return rows_; }
  void set_selection(int row) override;
  int selection() const override { return selection_; }
  void set_checked(bool checked) override { checked_ = checked; }
  bool checked() const override { return checked_; }
  void set_range(int min, int max) override;
  void set_value(int value) override;
  int value() const override { return value_; }
  // Pictures only; nullptr for other kinds.
  Canvas* canvas() override { return canvas_ ? canvas_.get() : nullptr; }
  // Loads the file as a Windows bitmap; false (and nothing shown) when that fails.
  bool load_bitmap(const std::string& path) override;

  const ControlDef& def() const { return def_; }
  RecordingCanvas* recording() { return canvas_.get(); }
  // The bitmap file shown last (empty when none).
  const std::string& bitmap() const { return bitmap_; }
  int range_min() const { return min_; }
  int range_max() const { return max_; }

 private:
  ControlDef def_;
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;
  std::vector<std::string> rows_;
  int selection_ = -1;
  bool checked_ = false;
  int min_ = 0;
  int max_ = 32767;
  int value_ = 0;
  std::unique_ptr<RecordingCanvas> canvas_;
  std::string bitmap_;
};

class TestFormFactory;

class TestForm : public Form {
 public:
  TestForm(std::string name, int client_width, int client_height, TestFormFactory* owner);
  ~TestForm() override;
  TestForm(const TestForm&) = delete;
  TestForm& operator=(const TestForm&) = delete;

  const std::string& name() const override { return name_; }
  void add_controls(const std::vector<ControlDef>& defs) override;
  void set_menu(const std::vector<Menu>& menus) override;
  void set_menu_enabled(std::string_view entry, bool enabled) override;
  bool menu_enabled(std::string_view entry) const override;
  void set_menu_text(std::string_view entry, std::string_view caption) override;
  void set_menu_visible(std::string_view entry, bool visible) override;
  void set_menu_checked(std::string_view entry, bool checked) override;
  bool menu_checked(std::string_view entry) const override;
  Control& control(std::string_view name) override { return test_control(name); }
  bool has_control(std::string_view name) const override;
  void show() override;
  void close() override;
  bool is_open() const override { return open_; }
  void raise() override { ++raise_count_; }
  void set_caption(std::string_view utf8) override { caption_ = utf8; }
  std::string caption() const override { return caption_; }
  void set_enabled(bool enabled) override { enabled_ = enabled; }
  int client_width() const override { return canvas_.width(); }
  int client_height() const override { return canvas_.height(); }
  void resize_client(int width, int height) override { canvas_.resize(width, height); }
  int left() const override { return left_; }
  int top() const override { return top_; }
  void move_to(int left, int top) override;
  Canvas& canvas() override { return canvas_; }
  bool mouse_down() const override { return mouse_down_; }
  Point mouse_position() const override { return mouse_; }
  bool mouse_down_on(std::string_view control) const override;
  void set_busy(bool busy) override { busy_ = busy; }
  void set_status_text(std::string_view utf8) override { status_ = utf8; }
  void set_overlay(const Overlay& overlay) override { overlay_ = overlay; }
  void set_handler(std::function<void(const UiEvent&)> handler) override;

  // --- What the test inspects.
  TestControl& test_control(std::string_view name);
  const TestControl& test_control(std::string_view name) const;
  RecordingCanvas& recording() { return canvas_; }
  bool busy() const { return busy_; }
  bool enabled() const { return enabled_; }
  int show_count() const { return show_count_; }
  int raise_count() const { return raise_count_; }
  // Every event sent to the handler, in order.
  const std::vector<UiEvent>& events() const { return events_; }
  // Menu entry names in the order given.
  std::vector<std::string> menu_entries() const;
  std::string menu_text(std::string_view entry) const;
  bool menu_visible(std::string_view entry) const;
  std::string menu_shortcut(std::string_view entry) const;
  const std::string& status_text() const { return status_; }
  const Overlay& overlay() const { return overlay_; }

  // --- The user's actions. Each checks that a user could do it (the form open and enabled,
  // the control visible and enabled) and throws ScriptFailure otherwise.
  // Button, BmpButton, Label, Picture: Click. Check: toggles, then Click. List: Click.
  void click(std::string_view control);
  // Edit: the text replaced as typed, then Change.
  void type(std::string_view control, std::string_view text);
  // List: selects the row, then Click. Combo: selects the row, then Change.
  void select(std::string_view control, int row);
  // VScroll: moves the thumb, then Change.
  void scroll(std::string_view control, int value);
  // A menu entry chosen (it must be enabled): Menu with the entry's name as given in set_menu.
  void choose_menu(std::string_view entry);
  // The window closed by the user: is_open() turns false, then Close.
  void user_close();
  // The window resized by the user: Resize.
  void user_resize(int client_width, int client_height);
  // Mouse on the form's surface (client coordinates): MouseDown; MouseUp then Click.
  void press(int x, int y, int button = 1);
  void release(int x, int y, int button = 1);
  // A quick click (a touchpad tap): press and release arrive in one batch, as press() then
  // release() in the same script step.
  void quick_click(int x, int y, int button = 1);
  // The pointer moves (a MouseMove is sent while a button is down, a Hover otherwise).
  void move_mouse(int x, int y);
  // A key of ui::key pressed on the form: Key.
  void press_key(int key, bool ctrl = false);
  // The key sequence of a visible, enabled menu entry ("Ctrl+O"): Menu, as choose_menu.
  void press_shortcut(std::string_view sequence);
  // The wheel turned by `notches` over the surface at (x, y): Wheel.
  void turn_wheel(int x, int y, int notches, bool ctrl = false);
  // Mouse on a control (Picture coordinates for a picture): the button is held on the control
  // (mouse_down_on is true) and a picture gets MouseDown; release_on sends MouseUp then Click.
  void press_on(std::string_view control, int x = 0, int y = 0, int button = 1);
  void release_on(std::string_view control, int x = 0, int y = 0, int button = 1);

 private:
  friend class TestFormFactory;
  TestControl& usable(std::string_view control, const char* action);
  void send(std::string control, EventKind kind, int x = 0, int y = 0, int button = 0);
  void send_event(const UiEvent& event);

  struct MenuItem {
    std::string name;
    std::string caption;
    std::string shortcut;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
  };
  const MenuItem& menu_item(std::string_view entry) const;

  std::string name_;
  TestFormFactory* owner_;
  std::vector<std::unique_ptr<TestControl>> controls_;
  std::vector<MenuItem> menu_;
  RecordingCanvas canvas_;
  std::function<void(const UiEvent&)> handler_;
  std::vector<UiEvent> events_;
  std::string caption_;
  std::string status_;
  Overlay overlay_;
  bool open_ = false;
  bool enabled_ = true;
  bool busy_ = false;
  int left_ = 0;
  int top_ = 0;
  int show_count_ = 0;
  int raise_count_ = 0;
  bool mouse_down_ = false;
  Point mouse_;
  std::string held_on_;
};

// Makes TestForms and finds them again by name, so that a script can act on a form the
// program made. It must outlive the forms it made.
class TestFormFactory : public FormFactory {
 public:
  std::unique_ptr<Form> make_form(std::string_view name, int client_width,
                                  int client_height) override;

  // The newest form of that name still alive; ScriptFailure when there is none.
  TestForm& form(std::string_view name);
  bool has_form(std::string_view name) const;
  // How many forms of that name were made so far.
  int made(std::string_view name) const;

 private:
  friend class TestForm;
  void forget(TestForm* form);
  std::vector<TestForm*> live_;
  std::vector<std::string> made_;
};

}  // namespace ui::testing
