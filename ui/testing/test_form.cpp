// The in-memory forms: state kept per control, user actions turned into events.
#include "ui/testing/test_form.h"

#include <algorithm>
#include <stdexcept>

#include "ui/bmp_file.h"
#include "ui/event_gate.h"
#include "ui/testing/script_failure.h"

namespace ui::testing {

// ---------------------------------------------------------------- TestControl

TestControl::TestControl(const ControlDef& def) : def_(def), text_(def.caption) {
  if (def.kind == ControlKind::Picture)
    canvas_ = std::make_unique<RecordingCanvas>(def.width, def.height);
}

void TestControl::set_text(std::string_view utf8) {
  if (def_.kind == ControlKind::Combo || def_.kind == ControlKind::List) {
    // A drop-down list shows only its rows: setting the text selects the matching row.
    auto it = std::find(rows_.begin(), rows_.end(), utf8);
    if (it != rows_.end()) selection_ = static_cast<int>(it - rows_.begin());
    return;
  }
  text_ = utf8;
}

std::string TestControl::text() const {
  if (def_.kind == ControlKind::Combo || def_.kind == ControlKind::List)
    return selection_ >= 0 ? rows_[static_cast<std::size_t>(selection_)] : std::string();
  return text_;
}

void TestControl::move(int x, int y, int width, int height) {
  def_.x = x;
  def_.y = y;
  def_.width = width;
  def_.height = height;
  if (canvas_) canvas_->resize(width, height);
}

void TestControl::clear_rows() {
  rows_.clear();
  selection_ = -1;
}

void TestControl::set_selection(int row) {
  selection_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
}

void TestControl::set_range(int min, int max) {
  min_ = min;
  max_ = max;
  value_ = std::clamp(value_, std::min(min, max), std::max(min, max));
}

void TestControl::set_value(int value) {
  value_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
}

bool TestControl::load_bitmap(const std::string& path) {
  if (!read_bmp(path)) return false;
  bitmap_ = path;
  return true;
}

// ---------------------------------------------------------------- TestForm

TestForm::TestForm(std::string name, int client_width, int client_height, TestFormFactory* owner)
    : name_(std::move(name)), owner_(owner), canvas_(client_width, client_height), caption_(name_) {}

TestForm::~TestForm() {
  event_gate().forget(this);
  if (owner_) owner_->forget(this);
}

void TestForm::add_controls(const std::vector<ControlDef>& defs) {
  for (const auto& def : defs) {
    if (has_control(def.name)) throw std::logic_error("control " + def.name + " made twice on " + name_);
    controls_.push_back(std::make_unique<TestControl>(def));
  }
}

void TestForm::set_menu(const std::vector<Menu>& menus) {
  menu_.clear();
  for (const auto& m : menus)
    for (const auto& e : m.entries) menu_.push_back({e.name, e.caption, e.shortcut, true, true, false});
}

const TestForm::MenuItem& TestForm::menu_item(std::string_view entry) const {
  for (const auto& m : menu_)
    if (same_name(m.name, entry)) return m;
  throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
}

void TestForm::set_menu_text(std::string_view entry, std::string_view caption) {
  const_cast<MenuItem&>(menu_item(entry)).caption = caption;
}

void TestForm::set_menu_visible(std::string_view entry, bool visible) {
  const_cast<MenuItem&>(menu_item(entry)).visible = visible;
}

void TestForm::set_menu_checked(std::string_view entry, bool checked) {
  const_cast<MenuItem&>(menu_item(entry)).checked = checked;
}

bool TestForm::menu_checked(std::string_view entry) const { return menu_item(entry).checked; }

std::string TestForm::menu_text(std::string_view entry) const { return menu_item(entry).caption; }
bool TestForm::menu_visible(std::string_view entry) const { return menu_item(entry).visible; }
std::string TestForm::menu_shortcut(std::string_view entry) const { return menu_item(entry).shortcut; }

void TestForm::set_menu_enabled(std::string_view entry, bool enabled) {
  for (auto& m : menu_)
    if (same_name(m.name, entry)) {
      m.enabled = enabled;
      return;
    }
  throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
}

bool TestForm::menu_enabled(std::string_view entry) const {
  for (const auto& m : menu_)
    if (same_name(m.name, entry)) return m.enabled;
  throw std::logic_error("no menu entry " + std::string(entry) + " on " + name_);
}

std::vector<std::string> TestForm::menu_entries() const {
  std::vector<std::string> out;
  for (const auto& m : menu_) out.push_back(m.name);
  return out;
}

bool TestForm::has_control(std::string_view name) const {
  return std::any_of(controls_.begin(), controls_.end(),
                     [&](const auto& c) { return same_name(c->name(), name); });
}

TestControl& TestForm::test_control(std::string_view name) {
  for (auto& c : controls_)
    if (same_name(c->name(), name)) return *c;
  throw std::logic_error("no control " + std::string(name) + " on " + name_);
}

const TestControl& TestForm::test_control(std::string_view name) const {
  return const_cast<TestForm*>(this)->test_control(name);
}

void TestForm::show() {
  open_ = true;
  ++show_count_;
}

void TestForm::close() {
  open_ = false;
  mouse_down_ = false;
  held_on_.clear();
}

void TestForm::move_to(int left, int top) {
  left_ = left;
  top_ = top;
}

bool TestForm::mouse_down_on(std::string_view control) const {
  return mouse_down_ && !held_on_.empty() && same_name(held_on_, control);
}

void TestForm::set_handler(std::function<void(const UiEvent&)> handler) {
  handler_ = std::move(handler);
}

void TestForm::send(std::string control, EventKind kind, int x, int y, int button) {
  send_event(UiEvent{name_, std::move(control), kind, x, y, button, 0, 0, false});
}

void TestForm::send_event(const UiEvent& event) {
  events_.push_back(event);
  // The handler current when the action is handed over: a held action reaches the handler the
  // program has set by then, as a queued window event would.
  event_gate().pass(this, [this, event] {
    if (handler_) handler_(event);
  });
}

TestControl& TestForm::usable(std::string_view control, const char* action) {
  const std::string what = std::string(action) + " " + std::string(control) + " on " + name_ + ": ";
  if (!open_) throw ScriptFailure(what + "the form is not open");
  if (!enabled_) throw ScriptFailure(what + "the form is disabled");
  if (!has_control(control)) throw ScriptFailure(what + "no such control");
  TestControl& c = test_control(control);
  if (!c.visible()) throw ScriptFailure(what + "the control is hidden");
  if (!c.enabled()) throw ScriptFailure(what + "the control is disabled");
  return c;
}

void TestForm::click(std::string_view control) {
  TestControl& c = usable(control, "click");
  if (c.kind() == ControlKind::Check) c.set_checked(!c.checked());
  send(c.name(), EventKind::Click);
}

void TestForm::type(std::string_view control, std::string_view text) {
  TestControl& c = usable(control, "type into");
  if (c.kind() != ControlKind::Edit) throw ScriptFailure("type into " + c.name() + ": not an edit box");
  c.set_text(text);
  send(c.name(), EventKind::Change);
}

void TestForm::select(std::string_view control, int row) {
  TestControl& c = usable(control, "select in");
  if (c.kind() != ControlKind::List && c.kind() != ControlKind::Combo)
    throw ScriptFailure("select in " + c.name() + ": not a list");
  if (row < 0 || row >= static_cast<int>(c.rows().size()))
    throw ScriptFailure("select in " + c.name() + ": no row " + std::to_string(row));
  c.set_selection(row);
  send(c.name(), c.kind() == ControlKind::List ? EventKind::Click : EventKind::Change);
}

void TestForm::scroll(std::string_view control, int value) {
  TestControl& c = usable(control, "scroll");
  if (c.kind() != ControlKind::VScroll) throw ScriptFailure("scroll " + c.name() + ": not a scroll bar");
  c.set_value(value);
  send(c.name(), EventKind::Change);
}

void TestForm::choose_menu(std::string_view entry) {
  const std::string what = "choose menu " + std::string(entry) + " on " + name_ + ": ";
  if (!open_) throw ScriptFailure(what + "the form is not open");
  if (!enabled_) throw ScriptFailure(what + "the form is disabled");
  for (const auto& m : menu_)
    if (same_name(m.name, entry)) {
      if (!m.enabled) throw ScriptFailure(what + "the entry is disabled");
      if (!m.visible) throw ScriptFailure(what + "the entry is hidden");
      send(m.name, EventKind::Menu);
      return;
    }
  throw ScriptFailure(what + "no such entry");
}

void TestForm::user_close() {
  if (!open_) throw ScriptFailure("close " + name_ + ": the form is not open");
  close();
  send({}, EventKind::Close);
}

void TestForm::user_resize(int client_width, int client_height) {
  canvas_.resize(client_width, client_height);
  send({}, EventKind::Resize);
}

void TestForm::press(int x, int y, int button) {
  if (!open_) throw ScriptFailure("press on " + name_ + ": the form is not open");
  mouse_down_ = true;
  held_on_.clear();
  mouse_ = {x, y};
  send({}, EventKind::MouseDown, x, y, button);
}

void TestForm::release(int x, int y, int button) {
  mouse_down_ = false;
  mouse_ = {x, y};
  send({}, EventKind::MouseUp, x, y, button);
  send({}, EventKind::Click, x, y, button);
}

void TestForm::quick_click(int x, int y, int button) {
  press(x, y, button);
  release(x, y, button);
}

void TestForm::move_mouse(int x, int y) {
  mouse_ = {x, y};
  if (mouse_down_ && held_on_.empty())
    send({}, EventKind::MouseMove, x, y);
  else if (!mouse_down_)
    send({}, EventKind::Hover, x, y);
}

void TestForm::press_key(int key, bool ctrl) {
  if (!open_) throw ScriptFailure("press a key on " + name_ + ": the form is not open");
  if (!enabled_) throw ScriptFailure("press a key on " + name_ + ": the form is disabled");
  UiEvent e{name_, {}, EventKind::Key, mouse_.x, mouse_.y, 0, key, 0, ctrl};
  send_event(e);
}

void TestForm::press_shortcut(std::string_view sequence) {
  for (const auto& m : menu_)
    if (m.visible && m.shortcut == sequence) {
      choose_menu(m.name);
      return;
    }
  throw ScriptFailure("press " + std::string(sequence) + " on " + name_ + ": no entry has that shortcut");
}

void TestForm::turn_wheel(int x, int y, int notches, bool ctrl) {
  if (!open_) throw ScriptFailure("turn the wheel on " + name_ + ": the form is not open");
  mouse_ = {x, y};
  UiEvent e{name_, {}, EventKind::Wheel, x, y, 0, 0, notches, ctrl};
  send_event(e);
}

void TestForm::press_on(std::string_view control, int x, int y, int button) {
  TestControl& c = usable(control, "press on");
  mouse_down_ = true;
  held_on_ = c.name();
  mouse_ = {c.x() + x, c.y() + y};
  if (c.kind() == ControlKind::Picture) send(c.name(), EventKind::MouseDown, x, y, button);
}

void TestForm::release_on(std::string_view control, int x, int y, int button) {
  TestControl& c = test_control(control);
  mouse_down_ = false;
  held_on_.clear();
  mouse_ = {c.x() + x, c.y() + y};
  if (c.kind() == ControlKind::Picture) send(c.name(), EventKind::MouseUp, x, y, button);
  if (c.enabled() && c.visible()) {
    if (c.kind() == ControlKind::Check) c.set_checked(!c.checked());
    send(c.name(), EventKind::Click, x, y, button);
  }
}

// ---------------------------------------------------------------- TestFormFactory

std::unique_ptr<Form> TestFormFactory::make_form(std::string_view name, int client_width,
                                                 int client_height) {
  auto form = std::make_unique<TestForm>(std::string(name), client_width, client_height, this);
  live_.push_back(form.get());
  made_.emplace_back(name);
  return form;
}

TestForm& TestFormFactory::form(std::string_view name) {
  for (auto it = live_.rbegin(); it != live_.rend(); ++it)
    if (same_name((*it)->name(), name)) return **it;
  throw ScriptFailure("no form " + std::string(name) + " has been made (or it was destroyed)");
}

bool TestFormFactory::has_form(std::string_view name) const {
  return std::any_of(live_.begin(), live_.end(), [&](TestForm* f) { return same_name(f->name(), name); });
}

int TestFormFactory::made(std::string_view name) const {
  return static_cast<int>(
      std::count_if(made_.begin(), made_.end(), [&](const std::string& n) { return same_name(n, name); }));
}

void TestFormFactory::forget(TestForm* form) {
  live_.erase(std::remove(live_.begin(), live_.end(), form), live_.end());
}

}  // namespace ui::testing
