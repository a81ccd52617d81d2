// Holding user actions that arrive after a wait has been satisfied.
#include "ui/event_gate.h"

#include <algorithm>

namespace ui {

bool EventGate::closed() const { return !waits_.empty() && (*waits_.back())(); }

void EventGate::pass(const void* owner, Deliver deliver) {
  // Order is kept: nothing overtakes an action already held.
  if (closed() || !held_.empty()) {
    held_.push_back({owner, std::move(deliver)});
    if (!closed()) release_until([this] { return closed(); });
    return;
  }
  if (deliver) deliver();
}

void EventGate::forget(const void* owner) {
  held_.erase(std::remove_if(held_.begin(), held_.end(), [owner](const Held& h) { return h.owner == owner; }),
              held_.end());
}

void EventGate::release_until(const Done& done) {
  while (!held_.empty() && !done()) {
    Held h = std::move(held_.front());
    held_.pop_front();
    if (h.deliver) h.deliver();
  }
}

void EventGate::release_all() {
  release_until([] { return false; });
}

EventGate::Wait::Wait(EventGate& gate, const Done& done) : gate_(gate) { gate_.waits_.push_back(&done); }

EventGate::Wait::~Wait() { gate_.waits_.pop_back(); }

EventGate& event_gate() {
  static EventGate gate;
  return gate;
}

}  // namespace ui
