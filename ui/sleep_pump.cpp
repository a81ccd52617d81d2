// The command line's event pump: timer ticks by sleeping.
#include "ui/sleep_pump.h"

#include <algorithm>
#include <thread>

namespace ui {

void SleepPump::wait_until(const std::function<bool()>& done) {
  while (!done()) {
    if (!on_tick_) return;
    std::this_thread::sleep_until(next_tick_);
    process_pending();
  }
}

void SleepPump::process_pending() {
  if (!on_tick_ || Clock::now() < next_tick_) return;
  next_tick_ += interval_;
  auto tick = on_tick_;  // the handler may stop or restart the timer
  tick();
}

void SleepPump::start_timer(int interval_ms, std::function<void()> on_tick) {
  interval_ = std::chrono::milliseconds(std::max(1, interval_ms));
  next_tick_ = Clock::now() + interval_;
  on_tick_ = std::move(on_tick);
}

void SleepPump::stop_timer() { on_tick_ = nullptr; }

}  // namespace ui
