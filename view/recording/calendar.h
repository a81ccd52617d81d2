// Calendar and time arithmetic of the analysis program: seconds counted from the start of
// the recording's year (January 1 00:00 is 86400), the YYMMDDhhmm time text, and duration
// splitting. Stateless; every view, the loader and the exports use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ambview {

// Days in `month` (1-12) of the two-digit year. February has 29 days when the two-digit
// year is divisible by 4 (right for 1980-2099, which the recorders' two-digit years cover).
int month_days(int two_digit_year, int month);

// Seconds-of-year of a YYMMDDhhmm text. The year itself adds nothing.
std::int32_t YMDHM_SEC(std::string_view time_text);

// Time text of `seconds` in the year `year_text`. Negative seconds step back one year at a
// time (the year text and the seconds are written back, as the caller's variables).
std::string SEC_YMDHM(std::string& year_text, std::int32_t& seconds);

// (hours × 60 + minutes) × 60 + seconds of the three texts, rounded (ties to even).
std::int64_t HM_SEC(std::string_view hours, std::string_view minutes, std::string_view seconds);

// Hours (seconds div 3600) and minutes ((seconds mod 3600) div 60) as decimal texts.
std::string SEC_HH(std::int64_t seconds);
std::string SEC_MM(std::int64_t seconds);

// `a` rounded up to a multiple of `b` (a negative a is not rounded up). A step of 0 answers a.
std::int64_t DIV_KIRIAGE(std::int64_t a, std::int64_t b);

// Hours, minutes and seconds texts of count × interval (single precision); the seconds
// text may carry a fraction and is at most 30 s off a whole minute either way.
struct HhhMmm {
  std::string hours;
  std::string minutes;
  std::string seconds;
};
HhhMmm SIZE_HHHMMM(std::int64_t count, float interval);

// Duration of a recording in whole seconds: HM_SEC of SIZE_HHHMMM.
std::int64_t duration_seconds(std::int64_t count, float interval);

}  // namespace ambview
