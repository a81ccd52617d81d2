// Time as the link program reads it: seconds of the day for reception time-outs, the
// local date and time for the clock setting. Injectable so that midnight is testable.
#pragma once

#include <cstdint>

namespace ui {

struct LocalDateTime {
  int year = 2000;  // four digits
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // 0..86399
  virtual int seconds_of_day() = 0;
  virtual LocalDateTime now() = 0;
};

// The system clock (local time).
class SystemClock : public Clock {
 public:
  int seconds_of_day() override;
  LocalDateTime now() override;
};

}  // namespace ui
