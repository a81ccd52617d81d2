// The progress window (see progress_window.h).
#include "link/progress_window.h"

#include <algorithm>
#include <limits>

#include "common/cp932.h"
#include "common/text.h"

namespace ambcomm {

namespace {
// Form layout: the list as it always was, the addition under it.
constexpr int kWidth = 640;
constexpr int kListHeight = 360;
constexpr int kBarRow = 30;       // the bar and the time left
constexpr int kDerivedRows = 46;  // two rows of derived files
}  // namespace

ProgressWindow::ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, ui::Clock& clock, std::string_view title,
                               bool derived)
    : pump_(pump), clock_(clock), title_(title) {
  if (!forms) return;
  constexpr int kBarTop = kListHeight + 4;
  const int height = kListHeight + kBarRow + (derived ? kDerivedRows : 0);
  form_ = forms->make_form("FORM3", kWidth, height);
  std::vector<ui::ControlDef> controls{
      {"LIST1", ui::ControlKind::List, "", 0, 0, kWidth, kListHeight, true, 0},
      {"PROGRESS1", ui::ControlKind::Progress, "", 8, kBarTop, 440, kBarRow - 8, false, 0},
      {"LABEL1", ui::ControlKind::Label, "", 460, kBarTop, kWidth - 468, kBarRow - 8, true, 0},
  };
  if (derived)
    controls.push_back({"LIST2", ui::ControlKind::List, "", 0, kListHeight + kBarRow, kWidth, kDerivedRows, true, 0});
  form_->add_controls(controls);
  form_->control("PROGRESS1").set_range(0, 1);
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

void ProgressWindow::set_planned(std::int64_t amount) {
  planned_ = std::max<std::int64_t>(0, amount);
  received_ = 0;
  started_ = clock_.seconds_of_day();
  running_ = true;
  bar_scale_ = 1;
  while (planned_ / bar_scale_ > std::numeric_limits<int>::max() / 2) bar_scale_ *= 2;
  // A range of 0..0 would turn the bar into a busy indicator.
  if (form_)
    form_->control("PROGRESS1").set_range(0, static_cast<int>(std::max<std::int64_t>(1, planned_ / bar_scale_)));
  show_total();
}

void ProgressWindow::add_received(std::int64_t amount) {
  received_ += amount;
  show_total();
}

void ProgressWindow::end_estimate() {
  running_ = false;
  show_total();
}

void ProgressWindow::show_total() {
  const int elapsed = (clock_.seconds_of_day() - started_ + 86400) % 86400;
  std::string left = running_ ? time_left_text(received_, planned_, elapsed) : std::string();
  if (form_) {
    form_->control("PROGRESS1").set_value(static_cast<int>(std::min(received_, planned_) / bar_scale_));
    if (left != left_) form_->control("LABEL1").set_text(left);
  }
  left_ = std::move(left);
  if (on_total) on_total({received_, planned_, left_, running_});
}

void ProgressWindow::add_derived(std::string_view label, std::string_view name, std::int64_t count) {
  std::string bytes = common::pad_right(common::utf8_to_cp932(std::string(label) + "ﾌｧｲﾙ名は " + std::string(name)),
                                        kCountColumn - 1);
  bytes += common::pad_left(std::to_string(count), kCountWidth) + common::utf8_to_cp932("  (RR間隔から)");
  if (form_ && form_->has_control("LIST2")) form_->control("LIST2").add_row(common::cp932_to_utf8(bytes));
}

std::string time_left_text(std::int64_t received, std::int64_t planned, int elapsed_s) {
  constexpr int kMinSeconds = 2;
  if (received <= 0 || elapsed_s < kMinSeconds || planned <= received) return {};
  const double rate = static_cast<double>(received) / elapsed_s;
  const auto left = static_cast<std::int64_t>(static_cast<double>(planned - received) / rate + 0.5);
  const std::string about = "残り 約 ";
  if (left < 60) return about + std::to_string(left) + "秒";
  if (left < 3600) return about + std::to_string(left / 60) + "分" + std::to_string(left % 60) + "秒";
  return about + std::to_string(left / 3600) + "時間" + std::to_string(left % 3600 / 60) + "分";
}

}  // namespace ambcomm
