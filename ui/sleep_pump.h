// An event pump without a window system, for the command line: the only events are the
// form timer's ticks, so waiting means sleeping until the next tick.
#pragma once

#include <chrono>
#include <functional>

#include "ui/event_pump.h"

namespace ui {

class SleepPump : public EventPump {
 public:
  // Sleeps to each timer tick until `done()`; returns at once when no timer runs (nothing
  // else could ever make `done()` true).
  void wait_until(const std::function<bool()>& done) override;
  void process_pending() override;
  void start_timer(int interval_ms, std::function<void()> on_tick) override;
  void stop_timer() override;

 private:
  using Clock = std::chrono::steady_clock;
  std::function<void()> on_tick_;
  Clock::duration interval_{};
  Clock::time_point next_tick_{};
};

}  // namespace ui
