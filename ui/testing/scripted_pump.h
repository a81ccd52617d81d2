// An event pump for tests: each time the program waits, the next scripted user action is
// played (a handler called, a dialog answer queued, a test form clicked); the form timer
// ticks in virtual time. A program that still waits when the script has run dry fails the
// test at once instead of hanging.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "ui/event_pump.h"

namespace ui::testing {

class ScriptedPump : public EventPump {
 public:
  using Step = std::function<void()>;

  // Appends a user action; returns *this so that steps can be chained.
  ScriptedPump& then(Step step, std::string label = {});

  // While done() is false: if the timer runs, one tick is delivered (virtual time advances
  // by its interval) and, when that satisfies the wait, no action is used; otherwise the next
  // action is played. Throws ScriptFailure ("script ran dry while the program waits") when
  // no action is left.
  void wait_until(const std::function<bool()>& done) override;
  // Plays nothing unless play_on_pending(true): loops of the form "set the code to 0 and
  // process pending events" then take one action per call. Throws ScriptFailure when called
  // more than the pending limit times in a row with no action left, so a busy loop that waits
  // for a user ends instead of spinning for ever.
  void process_pending() override;

  void start_timer(int interval_ms, std::function<void()> on_tick) override;
  void stop_timer() override;

  void play_on_pending(bool on) { play_on_pending_ = on; }
  void set_pending_limit(std::int64_t calls) { pending_limit_ = calls; }

  bool timer_running() const { return static_cast<bool>(on_tick_); }
  int timer_interval() const { return interval_ms_; }
  int ticks() const { return ticks_; }
  // Virtual milliseconds passed through timer ticks.
  std::int64_t virtual_ms() const { return virtual_ms_; }
  std::size_t remaining() const { return steps_.size(); }
  int played() const { return played_; }
  int waits() const { return waits_; }

 private:
  struct Entry {
    Step step;
    std::string label;
  };
  void play_next();

  std::deque<Entry> steps_;
  std::function<void()> on_tick_;
  int interval_ms_ = 0;
  int ticks_ = 0;
  std::int64_t virtual_ms_ = 0;
  int played_ = 0;
  int waits_ = 0;
  bool play_on_pending_ = false;
  std::int64_t pending_limit_ = 10'000'000;
  std::int64_t idle_pending_ = 0;
  std::string last_label_;
};

}  // namespace ui::testing
