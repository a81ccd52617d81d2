// Calendar arithmetic on seconds-of-year.
#include "view/recording/calendar.h"

#include <cmath>

#include "common/numbers.h"
#include "common/text.h"

namespace ambview {

namespace {

constexpr int kSecondsPerDay = 86400;
constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int two_digit_value(std::string_view text, int pos) {
  return static_cast<int>(common::val(common::mid(text, pos, 2)));
}

// Two digits with a leading "0" where needed; longer values keep all their digits.
std::string two_digits(std::int64_t v) {
  if (v >= 0 && v < 10) return "0" + std::to_string(v);
  return std::to_string(v);
}

int year_days(int year) { return month_days(year, 2) == 29 ? 366 : 365; }

}  // namespace

int month_days(int two_digit_year, int month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2) return two_digit_year % 4 == 0 ? 29 : 28;
  return kMonthLengths[month - 1];
}

std::int32_t YMDHM_SEC(std::string_view time_text) {
  const int year = two_digit_value(time_text, 1);
  const int month = two_digit_value(time_text, 3);
  const std::int64_t day = two_digit_value(time_text, 5);
  const std::int64_t hour = two_digit_value(time_text, 7);
  const std::int64_t minute = two_digit_value(time_text, 9);
  std::int64_t day_of_year = day;
  for (int m = 1; m < month && m <= 12; ++m) day_of_year += month_days(year, m);
  return static_cast<std::int32_t>(((day_of_year * 24 + hour) * 60 + minute) * 60);
}

std::string SEC_YMDHM(std::string& year_text, std::int32_t& seconds) {
  int year = static_cast<int>(common::val(year_text));
  std::int64_t s = seconds;
  // One step back per year; a count far below zero keeps stepping rather than producing
  // negative days.
  while (s < 0) {
    year -= 1;
    if (year < 0) year = 99;
    s += static_cast<std::int64_t>(year_days(year)) * kSecondsPerDay;
  }
  seconds = static_cast<std::int32_t>(s);
  std::int64_t d = s / kSecondsPerDay;
  const std::int64_t r = s - d * kSecondsPerDay;
  const std::int64_t hour = r / 3600;
  const std::int64_t minute = (r - hour * 3600) / 60;
  int month = 1;
  while (month < 12 && d > month_days(year, month)) {
    d -= month_days(year, month);
    ++month;
  }
  year_text = two_digits(year);
  return two_digits(year) + two_digits(month) + two_digits(d) + two_digits(hour) + two_digits(minute);
}

std::int64_t HM_SEC(std::string_view hours, std::string_view minutes, std::string_view seconds) {
  const double total = (common::val(hours) * 60 + common::val(minutes)) * 60 + common::val(seconds);
  return common::round_half_even(total);
}

std::string SEC_HH(std::int64_t seconds) { return std::to_string(seconds / 3600); }

std::string SEC_MM(std::int64_t seconds) { return std::to_string((seconds % 3600) / 60); }

std::int64_t DIV_KIRIAGE(std::int64_t a, std::int64_t b) {
  if (b == 0) return a;
  const std::int64_t q = common::trunc_div(a, b);
  return q * b + (common::trunc_mod(a, b) > 0 ? b : 0);
}

HhhMmm SIZE_HHHMMM(std::int64_t count, float interval) {
  const float t = static_cast<float>(count) * interval;
  const std::int64_t whole_minutes = common::round_half_even(t) / 60;
  const float rest = t - static_cast<float>(60 * whole_minutes);
  return {std::to_string(whole_minutes / 60), std::to_string(whole_minutes % 60),
          common::num_plain_single(rest)};
}

std::int64_t duration_seconds(std::int64_t count, float interval) {
  const HhhMmm parts = SIZE_HHHMMM(count, interval);
  return HM_SEC(parts.hours, parts.minutes, parts.seconds);
}

}  // namespace ambview
