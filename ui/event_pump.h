// The platform's event loop as the programs use it: wait until a handler has stored an
// event code, process pending events, and one form timer delivered through the loop.
#pragma once

#include <functional>

namespace ui {

class EventPump {
 public:
  virtual ~EventPump() = default;

  // Processes platform events (and timer ticks) until `done()` is true. The scripted pump
  // plays its next actions instead, and fails the test when it runs dry while waiting.
  virtual void wait_until(const std::function<bool()>& done) = 0;
  // Processes what is pending without waiting (the programs' DoEvents).
  virtual void process_pending() = 0;

  // The form timer TIMER1: calls `on_tick` every `interval_ms` through the event loop.
  virtual void start_timer(int interval_ms, std::function<void()> on_tick) = 0;
  virtual void stop_timer() = 0;
};

}  // namespace ui
