// Calendar arithmetic: seconds-of-year both ways, leap years, stepping back over New Year,
// duration splitting in single precision, rounding up to whole minutes.
#include <gtest/gtest.h>

#include "view/recording/calendar.h"

using namespace ambview;

TEST(Calendar, SecondsOfYearFromTimeText) {
  EXPECT_EQ(YMDHM_SEC("9601010000"), 86400);  // January 1 00:00 is day 1
  EXPECT_EQ(YMDHM_SEC("9603010000"), (31 + 29 + 1) * 86400);
  EXPECT_EQ(YMDHM_SEC("9703010000"), (31 + 28 + 1) * 86400);
  EXPECT_EQ(YMDHM_SEC("2412081030"), YMDHM_SEC("2412080000") + 10 * 3600 + 30 * 60);
}

TEST(Calendar, LeapYearsByDivisibilityNotByAFixedList) {
  // 2024 and 2020 are leap years; the recorders' own list stopped at 16.
  EXPECT_EQ(YMDHM_SEC("2403010000"), (31 + 29 + 1) * 86400);
  EXPECT_EQ(YMDHM_SEC("2003010000"), (31 + 29 + 1) * 86400);
  EXPECT_EQ(YMDHM_SEC("2303010000"), (31 + 28 + 1) * 86400);
  EXPECT_EQ(YMDHM_SEC("0003010000"), (31 + 29 + 1) * 86400);  // 2000
  std::string year = "24";
  std::int32_t s = YMDHM_SEC("2402291200");
  EXPECT_EQ(SEC_YMDHM(year, s), "2402291200");
  s = YMDHM_SEC("2402290000") + 86400;
  EXPECT_EQ(SEC_YMDHM(year, s), "2403010000");
  EXPECT_EQ(month_days(24, 2), 29);
  EXPECT_EQ(month_days(99, 2), 28);
}

TEST(Calendar, TimeTextFromSeconds) {
  std::string year = "97";
  std::int32_t s = 2678400;
  EXPECT_EQ(SEC_YMDHM(year, s), "9701310000");
  s = 2764800;
  EXPECT_EQ(SEC_YMDHM(year, s), "9702010000");
  // December takes whatever the months before leave over.
  s = YMDHM_SEC("9712312359");
  EXPECT_EQ(SEC_YMDHM(year, s), "9712312359");
}

TEST(Calendar, NegativeSecondsStepBackAYear) {
  std::string year = "00";
  std::int32_t s = -60;
  EXPECT_EQ(SEC_YMDHM(year, s), "9912302359");
  EXPECT_EQ(year, "99");
  EXPECT_EQ(s, 365 * 86400 - 60);  // written back
  // Far below zero: keeps stepping instead of producing negative days.
  year = "05";
  s = -400 * 86400;
  const std::string text = SEC_YMDHM(year, s);
  EXPECT_EQ(year, "03");
  EXPECT_GE(s, 0);
  EXPECT_EQ(text.size(), 10u);
}

TEST(Calendar, RoundTripsEveryMinuteOfALeapDay) {
  for (int minute = 0; minute < 24 * 60; minute += 7) {
    std::string year = "24";
    std::int32_t s = YMDHM_SEC("2402290000") + minute * 60;
    const std::string text = SEC_YMDHM(year, s);
    EXPECT_EQ(YMDHM_SEC(text), s) << text;
  }
}

TEST(Calendar, DurationParts) {
  const HhhMmm parts = SIZE_HHHMMM(7201, 0.04f);
  EXPECT_EQ(parts.hours, "0");
  EXPECT_EQ(parts.minutes, "4");
  EXPECT_NEAR(std::stod(parts.seconds), 48.04, 1e-4);  // single precision: 48.04001
  EXPECT_EQ(duration_seconds(7201, 0.04f), 288);
  EXPECT_EQ(HM_SEC("1", "2", "3"), 3723);
  EXPECT_EQ(HM_SEC("0", "0", "0.5"), 0);  // ties to even
  EXPECT_EQ(HM_SEC("0", "0", "1.5"), 2);
  // 59.6 s rounds to a whole minute and leaves a negative remainder; the sum is still right.
  const HhhMmm near = SIZE_HHHMMM(149, 0.4f);
  EXPECT_EQ(near.minutes, "1");
  EXPECT_EQ(duration_seconds(149, 0.4f), 60);
  EXPECT_EQ(duration_seconds(3 * 3600 * 2 + 2, 0.5f), 3 * 3600 + 1);
  EXPECT_EQ(duration_seconds(3 * 3600 * 2 + 1, 0.5f), 3 * 3600);  // 10800.5 s: ties to even
  EXPECT_EQ(SEC_HH(7260), "2");
  EXPECT_EQ(SEC_MM(7260), "1");
}

TEST(Calendar, RoundUpToAMultiple) {
  EXPECT_EQ(DIV_KIRIAGE(3599, 60), 3600);
  EXPECT_EQ(DIV_KIRIAGE(3600, 60), 3600);
  EXPECT_EQ(DIV_KIRIAGE(0, 60), 0);
  EXPECT_EQ(DIV_KIRIAGE(-30, 60), 0);  // a negative value is not rounded up
  EXPECT_EQ(DIV_KIRIAGE(61, 0), 61);   // guarded step
}
