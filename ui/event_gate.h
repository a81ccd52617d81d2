// The gate between the windows and the programs' handlers. While a program waits for an event
// code, the first handler that satisfies the wait closes the gate: the user actions that came
// in the same batch (press and release of a quick click, a busy window's backlog) are held and
// handed over in order at the next wait, so that no stored code is replaced before it is read.
#pragma once

#include <deque>
#include <functional>
#include <vector>

namespace ui {

class EventGate {
 public:
  using Deliver = std::function<void()>;
  using Done = std::function<bool()>;

  // A form passes each user action here: it runs at once unless the wait in progress is
  // already satisfied, in which case it is held. `owner` names the form for forget().
  void pass(const void* owner, Deliver deliver);
  // Drops what a form still holds (the form goes away).
  void forget(const void* owner);

  // The pumps: hands held actions over one at a time until `done()` holds or none is left.
  void release_until(const Done& done);
  // Hands every held action over (a pass over pending events with nothing waited for).
  void release_all();
  bool holding() const { return !held_.empty(); }

  // Marks a wait in progress for its lifetime; waits nest (a timed wait inside an operation).
  class Wait {
   public:
    Wait(EventGate& gate, const Done& done);
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

   private:
    EventGate& gate_;
  };

 private:
  struct Held {
    const void* owner;
    Deliver deliver;
  };
  bool closed() const;

  std::deque<Held> held_;
  std::vector<const Done*> waits_;
};

// The program's gate: there is one user-interface thread, and the forms and the pump that
// meet here are made apart (in main.cpp, or by a test).
EventGate& event_gate();

}  // namespace ui
