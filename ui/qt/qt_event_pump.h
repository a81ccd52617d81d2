// The Qt event loop as the programs wait on it: processEvents until a handler has stored the
// code being waited for, and the form timer TIMER1 delivering its ticks through the loop.
#pragma once

#include <functional>
#include <memory>

#include "ui/event_pump.h"

class QTimer;

namespace ui::qt {

class QtEventPump : public EventPump {
 public:
  QtEventPump();
  ~QtEventPump() override;

  void wait_until(const std::function<bool()>& done) override;
  void process_pending() override;
  void start_timer(int interval_ms, std::function<void()> on_tick) override;
  void stop_timer() override;

 private:
  std::unique_ptr<QTimer> timer_;
  std::function<void()> on_tick_;
};

}  // namespace ui::qt
