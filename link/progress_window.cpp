// The progress window (see progress_window.h).
#include "link/progress_window.h"

#include "common/cp932.h"
#include "common/text.h"

namespace ambcomm {

ProgressWindow::ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, std::string_view title)
    : pump_(pump), title_(title) {
  if (!forms) return;
  form_ = forms->make_form("FORM3", 640, 360);
  ui::ControlDef list{"LIST1", ui::ControlKind::List, "", 0, 0, 640, 360, true, 0};
  form_->add_controls({list});
  form_->set_handler([](const ui::UiEvent&) {});
  form_->set_caption(title);
  form_->show();
}

ProgressWindow::~ProgressWindow() = default;

std::shared_ptr<ui::Form> ProgressWindow::release() {
  closed_ = !is_open();
  auto f = std::move(form_);
  form_.reset();
  return f;
}

bool ProgressWindow::is_open() const { return form_ ? form_->is_open() : !closed_; }

bool ProgressWindow::still_open() {
  pump_.process_pending();
  return is_open();
}

void ProgressWindow::close() {
  closed_ = true;
  if (form_) form_->close();
}

void ProgressWindow::show_line(std::size_t index) {
  if (form_) {
    auto& list = form_->control("LIST1");
    list.clear_rows();
    for (const auto& l : lines_) list.add_row(l);
    list.set_selection(static_cast<int>(index));
  }
  if (on_change) on_change(index, lines_[index]);
}

void ProgressWindow::add_line(std::string_view utf8) {
  lines_.emplace_back(utf8);
  show_line(lines_.size() - 1);
}

void ProgressWindow::write_at(int column, const std::string& text) {
  if (lines_.empty()) return;
  std::string bytes = common::utf8_to_cp932(lines_.back());
  common::set_mid(bytes, column, text);
  lines_.back() = common::cp932_to_utf8(bytes);
  show_line(lines_.size() - 1);
}

void ProgressWindow::set_count(std::int64_t count) {
  write_at(kCountColumn, common::pad_left(std::to_string(count), kCountWidth));
}

void ProgressWindow::set_status(std::string_view reason_utf8) {
  write_at(kStatusColumn, " : STATUS=" + common::utf8_to_cp932(reason_utf8));
}

}  // namespace ambcomm
