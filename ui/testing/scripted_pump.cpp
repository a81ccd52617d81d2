// The scripted pump: user actions played at the program's waits, timer ticks in virtual time.
#include "ui/testing/scripted_pump.h"

#include "ui/event_gate.h"
#include "ui/testing/script_failure.h"

namespace ui::testing {

ScriptedPump& ScriptedPump::then(Step step, std::string label) {
  steps_.push_back({std::move(step), std::move(label)});
  return *this;
}

void ScriptedPump::play_next() {
  Entry e = std::move(steps_.front());
  steps_.pop_front();
  ++played_;
  last_label_ = e.label;
  idle_pending_ = 0;
  if (e.step) e.step();
}

void ScriptedPump::wait_until(const std::function<bool()>& done) {
  ++waits_;
  EventGate& gate = event_gate();
  const EventGate::Wait wait(gate, done);
  // As the Qt pump: held actions first, unless this is a timed wait.
  if (!on_tick_) gate.release_until(done);
  while (!done()) {
    if (on_tick_) {
      ++ticks_;
      virtual_ms_ += interval_ms_;
      // Copied: the tick may stop or restart the timer.
      auto tick = on_tick_;
      tick();
      if (done()) return;
    }
    if (steps_.empty()) {
      std::string what = "script ran dry while the program waits (after " + std::to_string(played_) + " actions";
      if (!last_label_.empty()) what += ", the last was \"" + last_label_ + "\"";
      throw ScriptFailure(what + ")");
    }
    play_next();
  }
}

void ScriptedPump::process_pending() {
  if (event_gate().holding()) {
    event_gate().release_all();
    idle_pending_ = 0;
    return;
  }
  if (play_on_pending_ && !steps_.empty()) {
    play_next();
    return;
  }
  if (++idle_pending_ > pending_limit_)
    throw ScriptFailure("the program keeps processing pending events with the script run dry");
}

void ScriptedPump::start_timer(int interval_ms, std::function<void()> on_tick) {
  interval_ms_ = interval_ms;
  on_tick_ = std::move(on_tick);
}

void ScriptedPump::stop_timer() { on_tick_ = nullptr; }

}  // namespace ui::testing
