// Waiting on the Qt event loop without spinning: WaitForMoreEvents sleeps until something
// arrives (a user action, a timer tick, a posted event). The forms pass user actions through
// the event gate, which holds those that come after the wait is satisfied.
#include "ui/qt/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "ui/event_gate.h"

namespace ui::qt {

QtEventPump::QtEventPump() : timer_(std::make_unique<QTimer>()) {
  QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] {
    // Copied: the tick may stop or restart the timer.
    auto tick = on_tick_;
    if (tick) tick();
  });
}

QtEventPump::~QtEventPump() = default;

void QtEventPump::wait_until(const std::function<bool()>& done) {
  EventGate& gate = event_gate();
  const EventGate::Wait wait(gate, done);
  // Actions held at an earlier wait come first; a timed wait (the pacing delay) leaves them
  // for the wait after it, which is the one that reads them.
  if (!timer_->isActive()) gate.release_until(done);
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventPump::process_pending() {
  event_gate().release_all();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::start_timer(int interval_ms, std::function<void()> on_tick) {
  on_tick_ = std::move(on_tick);
  timer_->start(interval_ms > 0 ? interval_ms : 1);
}

void QtEventPump::stop_timer() {
  timer_->stop();
  on_tick_ = nullptr;
}

}  // namespace ui::qt
