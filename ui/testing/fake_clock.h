// A settable clock for tests: the date and the time of day are whatever the test says, and
// may move on by a fixed step at every reading, so that time-outs and midnight are testable.
#pragma once

#include "ui/clock.h"

namespace ui::testing {

class FakeClock : public Clock {
 public:
  FakeClock() = default;
  explicit FakeClock(const LocalDateTime& now) : now_(now) {}

  void set(const LocalDateTime& now) { now_ = now; }
  // Sets the time of day (0..86399), keeping the date.
  void set_seconds_of_day(int seconds);
  // Moves on by `seconds` (across midnight into the next day, month and year).
  void advance(int seconds);
  // Every reading (seconds_of_day or now) advances the clock by this many seconds after
  // answering; 0 (the default) keeps it still.
  void set_auto_advance(int seconds_per_reading) { step_ = seconds_per_reading; }

  int seconds_of_day() override;
  LocalDateTime now() override;

  int readings() const { return readings_; }
  const LocalDateTime& peek() const { return now_; }

 private:
  LocalDateTime now_{2024, 1, 1, 12, 0, 0};
  int step_ = 0;
  int readings_ = 0;
};

}  // namespace ui::testing
