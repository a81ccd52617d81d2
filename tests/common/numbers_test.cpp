// Number and text rules: the edge cases that other modules rely on.
#include <clocale>
#include <limits>

#include <gtest/gtest.h>

#include "common/numbers.h"
#include "common/text.h"

using namespace common;

TEST(Numbers, LenientConversion) {
  EXPECT_DOUBLE_EQ(val("  12.5xyz"), 12.5);
  EXPECT_DOUBLE_EQ(val("abc"), 0.0);
  EXPECT_DOUBLE_EQ(val(""), 0.0);
  EXPECT_DOUBLE_EQ(val(" -3"), -3.0);
  EXPECT_DOUBLE_EQ(val(".5"), 0.5);
  EXPECT_DOUBLE_EQ(val("&H1F"), 31.0);
  EXPECT_DOUBLE_EQ(val("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(val("1e"), 1.0);
}

TEST(Numbers, HexFieldsReadAndWrite) {
  EXPECT_EQ(hex_value("0001E240"), 123456u);
  EXPECT_EQ(hex_value("ffff"), 65535u);
  EXPECT_EQ(hex_value("  zz"), 0u);
  EXPECT_EQ(hex_value("1G"), 1u);
  EXPECT_EQ(hex_field(0x11170, 4), "1170");
  EXPECT_EQ(hex_field(0x11170, 8), "00011170");
  EXPECT_EQ(hex_field(21, 4), "0015");
  EXPECT_EQ(dec_field(5, 2), "05");
  EXPECT_EQ(dec_field(2024, 2), "24");
}

TEST(Numbers, NumberTextHasSignPosition) {
  EXPECT_EQ(num_text(3), " 3");
  EXPECT_EQ(num_text(-3), "-3");
  EXPECT_EQ(num_text(0.5), " 0.5");
  EXPECT_EQ(num_plain(0.042), "0.042");
  EXPECT_EQ(num_text_single(0.1f), " 0.1");
  EXPECT_EQ(num_plain_single(48.04f), "48.04");
}

TEST(Numbers, RoundingRules) {
  EXPECT_EQ(round_half_even(2.5), 2);
  EXPECT_EQ(round_half_even(3.5), 4);
  EXPECT_EQ(round_half_even(-2.5), -2);
  EXPECT_EQ(round_half_away(2.5), 3);
  EXPECT_EQ(round_half_away(-2.5), -3);
  // Far outside 64 bits (a typed "1E30"): saturated, never undefined.
  EXPECT_EQ(round_half_even(1e30), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(round_half_away(-1e30), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(trunc_div(-7, 2), -3);
  EXPECT_EQ(trunc_div(7, 0), 0);
  EXPECT_EQ(trunc_mod(-7, 2), -1);
}

TEST(Numbers, IndependentOfLocale) {
  // A desktop with a decimal comma must not change what is written or read.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(num_text(0.5), " 0.5");
  EXPECT_DOUBLE_EQ(val("0.5"), 0.5);
  std::setlocale(LC_ALL, "C");
}

TEST(Text, FixedPositions) {
  EXPECT_EQ(mid("ABCDEF", 3, 2), "CD");
  EXPECT_EQ(mid("ABC", 3, 5), "C");
  EXPECT_EQ(mid("ABC", 5, 1), "");
  std::string s = "AB";
  set_mid(s, 4, "XY");
  EXPECT_EQ(s, "AB XY");
  EXPECT_EQ(pad_right("ab", 4, '_'), "ab__");
  EXPECT_EQ(pad_right("abcdefghij", 7), "abcdefg");
  EXPECT_EQ(pad_left("12", 4), "  12");
  EXPECT_EQ(pad_left("12345", 4), "1234");
  EXPECT_EQ(right("12345", 4), "2345");
  EXPECT_EQ(trim_right("ABC   "), "ABC");
}
