// The progress window FORM3 of a download ("受信表示"): one line per file, its count and
// status written in place, and the titles by transfer speed. Without a window (the command
// line) the lines are kept and handed to a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/event_pump.h"
#include "ui/form.h"

namespace ambcomm {

class ProgressWindow {
 public:
  static constexpr int kCountColumn = 27;   // running count, right-aligned in 8
  static constexpr int kCountWidth = 8;
  static constexpr int kStatusColumn = 45;  // " : STATUS=" + reason

  // Opens FORM3 with `title` (UTF-8) when `forms` is given.
  ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, std::string_view title);
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // Processes pending events and answers whether the window is still open (always true
  // without a window, until close()).
  bool still_open();
  bool is_open() const;
  void close();

  void add_line(std::string_view utf8);
  void set_count(std::int64_t count);            // on the last line
  void set_status(std::string_view reason_utf8); // on the last line
  const std::vector<std::string>& lines() const { return lines_; }  // UTF-8
  std::string title() const { return title_; }
  // Hands the window over (it stays as it is); the object then only keeps its lines.
  std::shared_ptr<ui::Form> release();

  // Called with the index and text of every line added or changed.
  std::function<void(std::size_t index, const std::string& utf8)> on_change;

 private:
  void show_line(std::size_t index);
  // CP932 `text` written into the last line from 1-based byte `column` on.
  void write_at(int column, const std::string& text);

  ui::EventPump& pump_;
  std::shared_ptr<ui::Form> form_;
  std::vector<std::string> lines_;  // UTF-8
  std::string title_;
  bool closed_ = false;
};

// Window titles by transfer speed.
inline constexpr std::string_view kTitleFourTimes = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (×４高速)";
inline constexpr std::string_view kTitleFast = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (高速)";
inline constexpr std::string_view kTitlePlain = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ";
inline constexpr std::string_view kFinishedLine = "          データーの取り込みを終了しました";

}  // namespace ambcomm
