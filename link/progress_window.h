// The progress window FORM3 of a download ("受信表示"): one line per file, its count and
// status written in place, and the titles by transfer speed. Under the list, an addition: one
// bar over the whole download with the time left, and the files derived from the RR data as
// they are written. Without a window (the command line) lines and totals go to callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/clock.h"
#include "ui/event_pump.h"
#include "ui/form.h"

namespace ambcomm {

// The whole download as the bar shows it.
struct WholeProgress {
  std::int64_t received = 0;  // amount of the blocks written
  std::int64_t planned = 0;   // amount of every block of the plan
  std::string left;           // time left (UTF-8), empty while there is no estimate
  bool running = true;        // false once the download has ended
};

class ProgressWindow {
 public:
  static constexpr int kCountColumn = 27;   // running count, right-aligned in 8
  static constexpr int kCountWidth = 8;
  static constexpr int kStatusColumn = 45;  // " : STATUS=" + reason

  // Opens FORM3 with `title` (UTF-8) when `forms` is given; `derived`: the download derives
  // files (an RR file's heart rate and index), which get their own list under the bar.
  ProgressWindow(ui::FormFactory* forms, ui::EventPump& pump, ui::Clock& clock, std::string_view title,
                 bool derived = false);
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

  // The whole download on the bar: the planned amount (starts the clock of the estimate),
  // each block's amount as it is written, and the end (the estimate is cleared).
  void set_planned(std::int64_t amount);
  void add_received(std::int64_t amount);
  void end_estimate();
  // A file derived from the RR data, written: a line for the list under the bar in the style
  // of the file lines, `label` (as "心拍数 : ") + "ﾌｧｲﾙ名は " + `name`, the values it holds
  // from the count column, and where they come from.
  void add_derived(std::string_view label, std::string_view name, std::int64_t count);
  std::string title() const { return title_; }
  // Hands the window over (it stays as it is); the object then only keeps its lines.
  std::shared_ptr<ui::Form> release();

  // Called with the index and text of every line added or changed.
  std::function<void(std::size_t index, const std::string& utf8)> on_change;
  // Called after every change of the whole download.
  std::function<void(const WholeProgress&)> on_total;

 private:
  void show_line(std::size_t index);
  void show_total();
  // CP932 `text` written into the last line from 1-based byte `column` on.
  void write_at(int column, const std::string& text);

  ui::EventPump& pump_;
  ui::Clock& clock_;
  std::shared_ptr<ui::Form> form_;
  std::vector<std::string> lines_;  // UTF-8
  std::string title_;
  bool closed_ = false;
  std::int64_t planned_ = 0;
  std::int64_t received_ = 0;
  int started_ = 0;      // seconds of the day at set_planned
  int bar_scale_ = 1;    // amounts per bar step, so that the bar's range fits an int
  std::string left_;     // the time-left text shown
  bool running_ = false;
};

// The time left of a transfer that has moved `received` of `planned` in `elapsed_s` whole
// seconds, at the rate so far: "残り 約 M分S秒" ("残り 約 S秒" under a minute, "残り 約 H時間M分"
// from an hour); empty while there is no rate yet (nothing received, or under two seconds
// measured on a clock of whole seconds).
std::string time_left_text(std::int64_t received, std::int64_t planned, int elapsed_s);

// Window titles by transfer speed.
inline constexpr std::string_view kTitleFourTimes = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (×４高速)";
inline constexpr std::string_view kTitleFast = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ (高速)";
inline constexpr std::string_view kTitlePlain = "ﾃﾞｰﾀｰ受信⇒ﾌｧｲﾙ";
inline constexpr std::string_view kFinishedLine = "          データーの取り込みを終了しました";

}  // namespace ambcomm
