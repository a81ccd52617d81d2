// Qt forms and controls. Controls raise events only for what the user does: programmatic
// changes are made with the widget's signals blocked, so that filling a list does not look
// like a choice.
#include "ui/qt/qt_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QWheelEvent>
#include <algorithm>
#include <stdexcept>

#include "ui/event_gate.h"
#include "ui/qt/qt_app.h"

namespace ui::qt {

namespace {

QString qstr(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

int button_code(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

// A bitmap file shown on a button or a picture; a null image when it cannot be read.
QImage load_image(const std::string& path) {
  QImage image;
  if (!path.empty()) image.load(QString::fromStdString(path));
  return image;
}

// The keys the forms report (ui::key), 0 for the rest. "+" is also the "=" key it shares
// with on most layouts, so that zooming in needs no Shift.
int key_code(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Left: return key::kLeft;
    case Qt::Key_Right: return key::kRight;
    case Qt::Key_PageUp: return key::kPageUp;
    case Qt::Key_PageDown: return key::kPageDown;
    case Qt::Key_Home: return key::kHome;
    case Qt::Key_End: return key::kEnd;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return key::kPlus;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return key::kMinus;
    case Qt::Key_Escape: return key::kEscape;
    default: return 0;
  }
}

bool looks_like_image_file(const std::string& caption) {
  const QString c = QString::fromStdString(caption).toLower();
  return c.endsWith(".bmp") || c.endsWith(".png");
}

}  // namespace

// ---------------------------------------------------------------- widgets

class FormWindow : public QMainWindow {
 public:
  explicit FormWindow(QtForm& form) : form_(form) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    if (!form_.closing_) form_.user_closed();
  }
  // Keys a control left unhandled reach the window.
  void keyPressEvent(QKeyEvent* event) override {
    const int key = key_code(event->key());
    if (key == 0) {
      QMainWindow::keyPressEvent(event);
      return;
    }
    const QPoint at = centralWidget()->mapFromGlobal(QCursor::pos());
    form_.send_event({form_.name_, {}, EventKind::Key, at.x(), at.y(), 0, key, 0,
                      (event->modifiers() & Qt::ControlModifier) != 0});
  }

 private:
  QtForm& form_;
};

class ClientArea : public QWidget {
 public:
  explicit ClientArea(QtForm& form) : form_(form) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);  // so that the keys of a form without controls arrive
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), form_.canvas_.image(), event->rect());
    // The overlay is painted over the image, never into it: moving it redraws nothing else.
    const Overlay& o = form_.overlay_;
    if (o.select_from >= 0 && o.select_to >= 0) {
      const int x = std::min(o.select_from, o.select_to);
      p.fillRect(x, 0, std::abs(o.select_to - o.select_from) + 1, height(), QColor(0, 120, 215, 60));
    }
    if (o.cursor_x >= 0) {
      p.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
      p.drawLine(o.cursor_x, 0, o.cursor_x, height());
    }
  }
  void wheelEvent(QWheelEvent* e) override {
    const int notches = e->angleDelta().y() / 120;
    const QPoint pos = e->position().toPoint();
    if (notches != 0)
      form_.send_event({form_.name_, {}, EventKind::Wheel, pos.x(), pos.y(), 0, 0, notches,
                        (e->modifiers() & Qt::ControlModifier) != 0});
    e->accept();
  }
  void leaveEvent(QEvent*) override {
    if (!pressed_) form_.send({}, EventKind::Hover, -1, -1);
  }
  void resizeEvent(QResizeEvent*) override { form_.client_resized(width(), height()); }
  // A press a control left unhandled (a disabled control, the blank part of a check box)
  // reaches the surface too; it is the control's, not the surface's. Only a press that began
  // on the surface is followed to its release.
  void mousePressEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    if (childAt(pos)) return;
    pressed_ = true;
    form_.mouse_pressed({}, {pos.x(), pos.y()});
    form_.send({}, EventKind::MouseDown, pos.x(), pos.y(), button_code(e->button()));
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (!pressed_) return;
    pressed_ = false;
    const QPoint pos = e->position().toPoint();
    form_.mouse_released({pos.x(), pos.y()});
    form_.send({}, EventKind::MouseUp, pos.x(), pos.y(), button_code(e->button()));
    if (rect().contains(pos)) form_.send({}, EventKind::Click, pos.x(), pos.y(), button_code(e->button()));
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    if (!pressed_ && childAt(pos)) return;
    form_.mouse_moved({pos.x(), pos.y()});
    if (pressed_)
      form_.send({}, EventKind::MouseMove, pos.x(), pos.y());
    else
      form_.send({}, EventKind::Hover, pos.x(), pos.y());
  }

 private:
  QtForm& form_;
  bool pressed_ = false;
};

class PictureWidget : public QWidget {
 public:
  PictureWidget(QtForm& form, std::string name, QWidget* parent, int width, int height)
      : QWidget(parent), canvas(width, height), form_(form), name_(std::move(name)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    canvas.set_on_change([this] { update(); });
  }
  QtCanvas canvas;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter p(this);
    p.drawImage(event->rect().topLeft(), canvas.image(), event->rect());
  }
  void resizeEvent(QResizeEvent*) override { canvas.resize(width(), height()); }
  void mousePressEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    form_.send(name_, EventKind::MouseDown, pos.x(), pos.y(), button_code(e->button()));
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    const QPoint pos = e->position().toPoint();
    form_.send(name_, EventKind::MouseUp, pos.x(), pos.y(), button_code(e->button()));
    if (rect().contains(pos)) form_.send(name_, EventKind::Click, pos.x(), pos.y(), button_code(e->button()));
  }

 private:
  QtForm& form_;
  std::string name_;
};

class ClickableLabel : public QLabel {
 public:
  ClickableLabel(std::function<void()> on_click, QWidget* parent) : QLabel(parent), on_click_(std::move(on_click)) {}

 protected:
  // Taken here, so that a press on a label is not a press on the form's surface.
  void mousePressEvent(QMouseEvent* e) override { e->accept(); }
  void mouseReleaseEvent(QMouseEvent* e) override {
    e->accept();
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) on_click_();
  }

 private:
  std::function<void()> on_click_;
};

// Follows the mouse on a control (and its viewport) so the form knows the button is held on it.
class MouseWatcher : public QObject {
 public:
  MouseWatcher(QtForm& form, std::string name, QObject* parent) : QObject(parent), form_(form), name_(std::move(name)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseMove)
      return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // A disabled control takes no mouse: the button is not held on it.
    if (!widget || !widget->isEnabled()) return false;
    const QPoint local = static_cast<QMouseEvent*>(event)->position().toPoint();
    const QPoint at = widget->mapTo(form_.client_, local);
    const Point pos{at.x(), at.y()};
    if (type == QEvent::MouseButtonPress)
      form_.mouse_pressed(name_, pos);
    else if (type == QEvent::MouseButtonRelease)
      form_.mouse_released(pos);
    else
      form_.mouse_moved(pos);
    return false;
  }

 private:
  QtForm& form_;
  std::string name_;
};

// ---------------------------------------------------------------- QtControl

class QtControl : public Control {
 public:
  QtControl(QtForm& form, const ControlDef& def, QWidget* parent);
  ~QtControl() override { delete widget_.data(); }

  const std::string& name() const override { return def_.name; }
  ControlKind kind() const override { return def_.kind; }
  void set_text(std::string_view utf8) override;
  std::string text() const override;
  void set_enabled(bool enabled) override { widget_->setEnabled(enabled); }
  // The control's own setting, whatever the window's.
  bool enabled() const override { return widget_->isEnabledTo(widget_->parentWidget()); }
  void set_visible(bool visible) override { widget_->setVisible(visible); }
  bool visible() const override { return !widget_->isHidden(); }
  void move(int x, int y, int width, int height) override { widget_->setGeometry(x, y, width, height); }
  int x() const override { return widget_->x(); }
  int y() const override { return widget_->y(); }
  int width() const override { return widget_->width(); }
  int height() const override { return widget_->height(); }
  void clear_rows() override;
  void add_row(std::string_view utf8) override;
  std::vector<std::string> rows() const override;
  void set_selection(int row) override;
  int selection() const override;
  void set_checked(bool checked) override;
  bool checked() const override { return check_ && check_->isChecked(); }
  void set_range(int min, int max) override;
  void set_value(int value) override;
  int value() const override { return scroll_ ? scroll_->value() : bar_ ? bar_->value() : 0; }
  Canvas* canvas() override { return picture_ ? &picture_->canvas : nullptr; }
  bool load_bitmap(const std::string& path) override;

  QWidget* widget() const { return widget_.data(); }

 private:
  QtForm& form_;
  ControlDef def_;
  QPointer<QWidget> widget_;
  QPushButton* button_ = nullptr;
  QLabel* label_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QListWidget* list_ = nullptr;
  QComboBox* combo_ = nullptr;
  QCheckBox* check_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QProgressBar* bar_ = nullptr;
  PictureWidget* picture_ = nullptr;
};

QtControl::QtControl(QtForm& form, const ControlDef& def, QWidget* parent) : form_(form), def_(def) {
  const std::string name = def.name;
  auto click = [this, name] { form_.send(name, EventKind::Click); };
  auto change = [this, name] { form_.send(name, EventKind::Change); };
  switch (def.kind) {
    case ControlKind::Button:
    case ControlKind::BmpButton:
      button_ = new QPushButton(parent);
      QObject::connect(button_, &QPushButton::clicked, button_, click);
      widget_ = button_;
      if (def.kind == ControlKind::BmpButton && looks_like_image_file(def.caption) && load_bitmap(def.caption)) break;
      button_->setText(qstr(def.caption));
      break;
    case ControlKind::Label:
      label_ = new ClickableLabel(click, parent);
      label_->setTextFormat(Qt::PlainText);
      label_->setText(qstr(def.caption));
      widget_ = label_;
      break;
    case ControlKind::Edit:
      edit_ = new QLineEdit(parent);
      edit_->setText(qstr(def.caption));
      QObject::connect(edit_, &QLineEdit::textEdited, edit_, change);
      widget_ = edit_;
      break;
    case ControlKind::List:
      list_ = new QListWidget(parent);
      list_->setSelectionMode(QAbstractItemView::SingleSelection);
      // Every click on a row is a Click, the row already chosen too; the keys that move the
      // choice make one as well. A press that changes the row waits for its release.
      QObject::connect(list_, &QListWidget::itemClicked, list_, click);
      QObject::connect(list_, &QListWidget::currentRowChanged, list_, [click] {
        if (!(QApplication::mouseButtons() & Qt::LeftButton)) click();
      });
      widget_ = list_;
      break;
    case ControlKind::Combo:
      combo_ = new QComboBox(parent);
      combo_->setMaxVisibleItems(20);
      QObject::connect(combo_, &QComboBox::activated, combo_, change);
      widget_ = combo_;
      break;
    case ControlKind::Check:
      check_ = new QCheckBox(parent);
      check_->setText(qstr(def.caption));
      QObject::connect(check_, &QCheckBox::clicked, check_, click);
      widget_ = check_;
      break;
    case ControlKind::VScroll:
      scroll_ = new QScrollBar(Qt::Vertical, parent);
      scroll_->setRange(0, 32767);
      // Change when the thumb is let go, not at every step of a drag.
      scroll_->setTracking(false);
      QObject::connect(scroll_, &QScrollBar::valueChanged, scroll_, change);
      widget_ = scroll_;
      break;
    case ControlKind::Picture:
      picture_ = new PictureWidget(form, name, parent, def.width, def.height);
      widget_ = picture_;
      break;
    case ControlKind::Progress:
      bar_ = new QProgressBar(parent);
      bar_->setRange(0, 100);
      bar_->setValue(0);
      widget_ = bar_;
      break;
  }
  widget_->setObjectName(QString::fromStdString(name));
  if (def.fixed_font || def.font_size > 0) widget_->setFont(gothic_font(def.font_size));
  widget_->setGeometry(def.x, def.y, def.width, def.height);
  auto* watcher = new MouseWatcher(form, name, widget_);
  widget_->installEventFilter(watcher);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget_.data())) area->viewport()->installEventFilter(watcher);
  widget_->show();
}

void QtControl::set_text(std::string_view utf8) {
  const QString t = qstr(utf8);
  if (button_) button_->setText(t);
  if (label_) label_->setText(t);
  if (check_) check_->setText(t);
  if (edit_) edit_->setText(t);  // setText raises no textEdited
  if (combo_) {
    const int row = combo_->findText(t);
    if (row >= 0) set_selection(row);
  }
  if (list_) {
    const auto found = list_->findItems(t, Qt::MatchExactly);
    if (!found.isEmpty()) set_selection(list_->row(found.front()));
  }
}

std::string QtControl::text() const {
  if (button_) return button_->text().toStdString();
  if (label_) return label_->text().toStdString();
  if (check_) return check_->text().toStdString();
  if (edit_) return edit_->text().toStdString();
  if (combo_) return combo_->currentText().toStdString();
  if (list_ && list_->currentItem()) return list_->currentItem()->text().toStdString();
  return {};
}

void QtControl::clear_rows() {
  if (list_) {
    const QSignalBlocker quiet(list_);
    list_->clear();
  }
  if (combo_) {
    const QSignalBlocker quiet(combo_);
    combo_->clear();
  }
}

void QtControl::add_row(std::string_view utf8) {
  if (list_) {
    const QSignalBlocker quiet(list_);
    list_->addItem(qstr(utf8));
  }
  if (combo_) {
    const QSignalBlocker quiet(combo_);
    combo_->addItem(qstr(utf8));
    // A drop-down list starts with nothing chosen, as the programs expect.
    if (combo_->count() == 1) combo_->setCurrentIndex(-1);
  }
}

std::vector<std::string> QtControl::rows() const {
  std::vector<std::string> out;
  if (list_)
    for (int i = 0; i < list_->count(); ++i) out.push_back(list_->item(i)->text().toStdString());
  if (combo_)
    for (int i = 0; i < combo_->count(); ++i) out.push_back(combo_->itemText(i).toStdString());
  return out;
}

void QtControl::set_selection(int row) {
  if (list_) {
    const QSignalBlocker quiet(list_);
    list_->setCurrentRow(row >= 0 && row < list_->count() ? row : -1);
  }
  if (combo_) {
    const QSignalBlocker quiet(combo_);
    combo_->setCurrentIndex(row >= 0 && row < combo_->count() ? row : -1);
  }
}

int QtControl::selection() const {
  if (list_) return list_->currentRow();
  if (combo_) return combo_->currentIndex();
  return -1;
}

void QtControl::set_checked(bool checked) {
  if (check_) check_->setChecked(checked);  // setChecked raises no clicked
}

void QtControl::set_range(int min, int max) {
  if (bar_) bar_->setRange(std::min(min, max), std::max(min, max));
  if (!scroll_) return;
  const QSignalBlocker quiet(scroll_);
  scroll_->setRange(std::min(min, max), std::max(min, max));
}

void QtControl::set_value(int value) {
  // A bar ignores a value outside its range; it is held at the nearer end instead, as a
  // scroll bar holds it.
  if (bar_) bar_->setValue(std::clamp(value, bar_->minimum(), bar_->maximum()));
  if (!scroll_) return;
  const QSignalBlocker quiet(scroll_);
  scroll_->setValue(value);
}

bool QtControl::load_bitmap(const std::string& path) {
  const QImage image = load_image(path);
  if (image.isNull()) return false;
  if (button_) {
    button_->setText({});
    button_->setIcon(QIcon(QPixmap::fromImage(image)));
    button_->setIconSize(image.size());
    return true;
  }
  if (picture_) {
    // The picture keeps the bitmap as its drawing: later drawing goes on top of it.
    picture_->canvas.draw_image(0, 0, image);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- QtForm

QtForm::QtForm(std::string name, int client_width, int client_height)
    : name_(std::move(name)), window_(new FormWindow(*this)), client_(new ClientArea(*this)),
      canvas_(client_width, client_height) {
  window_->setObjectName(QString::fromStdString(name_));
  window_->setWindowTitle(QString::fromStdString(name_));
  window_->setCentralWidget(client_);
  canvas_.set_on_change([this] { client_->update(); });
  resize_client(client_width, client_height);
}

QtForm::~QtForm() {
  event_gate().forget(this);
  handler_ = nullptr;
  closing_ = true;
  controls_.clear();
  delete window_;
}

void QtForm::add_controls(const std::vector<ControlDef>& defs) {
  for (const auto& def : defs) {
    if (has_control(def.name)) throw std::logic_error("control " + def.name + " made twice on " + name_);
    controls_.push_back(std::make_unique<QtControl>(*this, def, client_));
  }
}

void QtForm::set_menu(const std::vector<Menu>& menus) {
  QMenuBar* bar = window_->menuBar();
  bar->clear();
  menu_.clear();
  for (const auto& m : menus) {
    QMenu* menu = bar->addMenu(qstr(m.caption));
    for (const auto& e : m.entries) {
      QAction* action = menu->addAction(qstr(e.caption));
      action->setObjectName(QString::fromStdString(e.name));
      if (!e.shortcut.empty()) action->setShortcut(QKeySequence(qstr(e.shortcut), QKeySequence::PortableText));
      const std::string entry = e.name;
      QObject::connect(action, &QAction::triggered, action, [this, entry, action] {
        // A check mark is the program's to set: the user's choice only raises Menu.
        if (action->isCheckable()) action->setChecked(!action->isChecked());
        send(entry, EventKind::Menu);
      });
      menu_.push_back({e.name, action});
    }
  }
  // The client area keeps its size; the window grows by the menu bar.
  resize_client(canvas_.width(), canvas_.height());
}

QAction* QtForm::menu_action(std::string_view entry) const {
  for (const auto& m : menu_)
    if (same_name(m.name, entry)) return m.action;
  return nullptr;
}

void QtForm::set_menu_enabled(std::string_view entry, bool enabled) {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  a->setEnabled(enabled);
}

bool QtForm::menu_enabled(std::string_view entry) const {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  return a->isEnabled();
}

void QtForm::set_menu_text(std::string_view entry, std::string_view caption) {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  a->setText(qstr(caption));
}

void QtForm::set_menu_visible(std::string_view entry, bool visible) {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  a->setVisible(visible);
}

void QtForm::set_menu_checked(std::string_view entry, bool checked) {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  a->setCheckable(true);
  a->setChecked(checked);
}

bool QtForm::menu_checked(std::string_view entry) const {
  QAction* a = menu_action(entry);
  if (!a) throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
  return a->isChecked();
}

Control& QtForm::control(std::string_view name) {
  for (auto& c : controls_)
    if (same_name(c->name(), name)) return *c;
  throw std::logic_error("no control " + std::string(name) + " on " + name_);
}

bool QtForm::has_control(std::string_view name) const {
  for (const auto& c : controls_)
    if (same_name(c->name(), name)) return true;
  return false;
}

QWidget* QtForm::widget(std::string_view control) const {
  for (const auto& c : controls_)
    if (same_name(c->name(), control)) return c->widget();
  return nullptr;
}

QMainWindow* QtForm::window() const { return window_; }
QWidget* QtForm::client() const { return client_; }

void QtForm::show() {
  open_ = true;
  window_->show();
}

void QtForm::close() {
  open_ = false;
  mouse_down_ = false;
  held_on_.clear();
  closing_ = true;
  window_->close();
  closing_ = false;
}

void QtForm::raise() {
  window_->raise();
  window_->activateWindow();
}

void QtForm::set_caption(std::string_view utf8) { window_->setWindowTitle(qstr(utf8)); }
std::string QtForm::caption() const { return window_->windowTitle().toStdString(); }
void QtForm::set_enabled(bool enabled) { window_->setEnabled(enabled); }

void QtForm::resize_client(int width, int height) {
  canvas_.resize(width, height);
  const int bar = window_->menuWidget() ? window_->menuWidget()->sizeHint().height() : 0;
  const int status = status_ ? window_->statusBar()->sizeHint().height() : 0;
  window_->resize(width, height + bar + status);
}

void QtForm::set_status_text(std::string_view utf8) {
  if (!status_) {
    status_ = new QLabel(window_);
    status_->setTextFormat(Qt::PlainText);
    window_->statusBar()->addWidget(status_, 1);
    window_->statusBar()->setSizeGripEnabled(true);
    // The client area keeps its size; the window grows by the status line.
    resize_client(canvas_.width(), canvas_.height());
  }
  status_->setText(qstr(utf8));
}

void QtForm::set_overlay(const Overlay& overlay) {
  if (overlay == overlay_) return;
  overlay_ = overlay;
  client_->update();
}

int QtForm::left() const { return window_->x(); }
int QtForm::top() const { return window_->y(); }
void QtForm::move_to(int left, int top) { window_->move(left, top); }

bool QtForm::mouse_down_on(std::string_view control) const {
  return mouse_down_ && !held_on_.empty() && same_name(held_on_, control);
}

void QtForm::set_busy(bool busy) {
  if (busy)
    window_->setCursor(Qt::WaitCursor);
  else
    window_->unsetCursor();
}

void QtForm::set_handler(std::function<void(const UiEvent&)> handler) { handler_ = std::move(handler); }

void QtForm::send(const std::string& control, EventKind kind, int x, int y, int button) {
  send_event(UiEvent{name_, control, kind, x, y, button, 0, 0, false});
}

void QtForm::send_event(const UiEvent& event) {
  event_gate().pass(this, [this, event] {
    if (handler_) handler_(event);
  });
}

void QtForm::user_closed() {
  open_ = false;
  mouse_down_ = false;
  held_on_.clear();
  send({}, EventKind::Close);
}

void QtForm::client_resized(int width, int height) {
  // Only a size the program did not ask for is the user's resize.
  if (width == canvas_.width() && height == canvas_.height()) return;
  canvas_.resize(width, height);
  if (open_) send({}, EventKind::Resize);
}

void QtForm::mouse_pressed(const std::string& control, Point client_pos) {
  mouse_down_ = true;
  held_on_ = control;
  mouse_ = client_pos;
}

void QtForm::mouse_released(Point client_pos) {
  mouse_down_ = false;
  held_on_.clear();
  mouse_ = client_pos;
}

void QtForm::mouse_moved(Point client_pos) { mouse_ = client_pos; }

std::unique_ptr<Form> QtFormFactory::make_form(std::string_view name, int client_width, int client_height) {
  return std::make_unique<QtForm>(std::string(name), client_width, client_height);
}

}  // namespace ui::qt
