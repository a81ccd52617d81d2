// The system clock in local time.
#include "ui/clock.h"

#include <ctime>

namespace ui {

namespace {
std::tm local_now() {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  return tm;
}
}  // namespace

int SystemClock::seconds_of_day() {
  std::tm tm = local_now();
  return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

LocalDateTime SystemClock::now() {
  std::tm tm = local_now();
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace ui
