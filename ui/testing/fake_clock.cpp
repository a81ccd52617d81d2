// The settable clock, with the calendar carry needed to cross midnight.
#include "ui/testing/fake_clock.h"

namespace ui::testing {

namespace {

int days_in_month(int year, int month) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return (month == 2 && leap) ? 29 : days[(month - 1 + 12) % 12];
}

}  // namespace

void FakeClock::set_seconds_of_day(int seconds) {
  now_.hour = seconds / 3600 % 24;
  now_.minute = seconds / 60 % 60;
  now_.second = seconds % 60;
}

void FakeClock::advance(int seconds) {
  long long total = static_cast<long long>(now_.hour) * 3600 + now_.minute * 60 + now_.second + seconds;
  long long days = total / 86400;
  total %= 86400;
  if (total < 0) {  // moving back across midnight
    total += 86400;
    --days;
  }
  set_seconds_of_day(static_cast<int>(total));
  for (; days > 0; --days) {
    if (++now_.day > days_in_month(now_.year, now_.month)) {
      now_.day = 1;
      if (++now_.month > 12) {
        now_.month = 1;
        ++now_.year;
      }
    }
  }
  for (; days < 0; ++days) {
    if (--now_.day < 1) {
      if (--now_.month < 1) {
        now_.month = 12;
        --now_.year;
      }
      now_.day = days_in_month(now_.year, now_.month);
    }
  }
}

int FakeClock::seconds_of_day() {
  ++readings_;
  const int s = now_.hour * 3600 + now_.minute * 60 + now_.second;
  if (step_) advance(step_);
  return s;
}

LocalDateTime FakeClock::now() {
  ++readings_;
  const LocalDateTime t = now_;
  if (step_) advance(step_);
  return t;
}

}  // namespace ui::testing
