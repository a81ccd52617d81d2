// Forms as Qt top-level windows: a QMainWindow (with a menu bar once a menu is set) whose
// client area shows its persistent canvas under absolutely placed controls. User actions
// become UiEvents; programmatic changes raise none.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>

#include "ui/form.h"
#include "ui/qt/qt_canvas.h"

class QAction;
class QLabel;
class QMainWindow;
class QWidget;

namespace ui::qt {

class QtControl;
class FormWindow;
class ClientArea;
class PictureWidget;

class QtForm : public Form {
 public:
  QtForm(std::string name, int client_width, int client_height);
  ~QtForm() override;
  QtForm(const QtForm&) = delete;
  QtForm& operator=(const QtForm&) = delete;

  const std::string& name() const override { return name_; }
  void add_controls(const std::vector<ControlDef>& defs) override;
  void set_menu(const std::vector<Menu>& menus) override;
  void set_menu_enabled(std::string_view entry, bool enabled) override;
  bool menu_enabled(std::string_view entry) const override;
  void set_menu_text(std::string_view entry, std::string_view caption) override;
  void set_menu_visible(std::string_view entry, bool visible) override;
  void set_menu_checked(std::string_view entry, bool checked) override;
  bool menu_checked(std::string_view entry) const override;
  Control& control(std::string_view name) override;
  bool has_control(std::string_view name) const override;
  void show() override;
  void close() override;
  bool is_open() const override { return open_; }
  void raise() override;
  void set_caption(std::string_view utf8) override;
  std::string caption() const override;
  void set_enabled(bool enabled) override;
  int client_width() const override { return canvas_.width(); }
  int client_height() const override { return canvas_.height(); }
  void resize_client(int width, int height) override;
  int left() const override;
  int top() const override;
  void move_to(int left, int top) override;
  Canvas& canvas() override { return canvas_; }
  bool mouse_down() const override { return mouse_down_; }
  Point mouse_position() const override { return mouse_; }
  bool mouse_down_on(std::string_view control) const override;
  void set_busy(bool busy) override;
  void set_status_text(std::string_view utf8) override;
  void set_overlay(const Overlay& overlay) override;
  void set_handler(std::function<void(const UiEvent&)> handler) override;

  // The Qt widgets, for tests that drive the window as a user would.
  QMainWindow* window() const;
  QWidget* client() const;
  QWidget* widget(std::string_view control) const;
  QAction* menu_action(std::string_view entry) const;

 private:
  friend class FormWindow;
  friend class ClientArea;
  friend class QtControl;
  friend class MouseWatcher;
  friend class PictureWidget;

  void send(const std::string& control, EventKind kind, int x = 0, int y = 0, int button = 0);
  void send_event(const UiEvent& event);
  void user_closed();
  void client_resized(int width, int height);
  void mouse_pressed(const std::string& control, Point client_pos);
  void mouse_released(Point client_pos);
  void mouse_moved(Point client_pos);

  struct MenuAction {
    std::string name;
    QAction* action;
  };

  std::string name_;
  FormWindow* window_;  // owned; deleted in the destructor
  ClientArea* client_;  // child of window_
  QtCanvas canvas_;
  Overlay overlay_;
  std::vector<std::unique_ptr<QtControl>> controls_;
  std::vector<MenuAction> menu_;
  std::function<void(const UiEvent&)> handler_;
  bool open_ = false;
  bool closing_ = false;
  bool mouse_down_ = false;
  Point mouse_;
  std::string held_on_;
  QLabel* status_ = nullptr;  // in the window's status bar, made on first use
};

class QtFormFactory : public FormFactory {
 public:
  std::unique_ptr<Form> make_form(std::string_view name, int client_width, int client_height) override;
};

}  // namespace ui::qt
