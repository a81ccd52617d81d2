// Locale-independent number rules (std::from_chars / std::to_chars only).
#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace common {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Shortest round-trip text with at most `digits` significant digits, in plain notation
// where it fits (as the programs' number texts are read by people and spreadsheets).
std::string format_number(double value, int digits) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
  std::string s(buf, res.ptr);
  // to_chars(general) already drops trailing zeros; keep exponent form only for huge or
  // tiny values, written in upper case as the programs' texts were.
  for (auto& c : s)
    if (c == 'e') c = 'E';
  return s;
}

// A rounded value into 64 bits, saturating: a coefficient typed as "1E30" must not be
// undefined behaviour on its way into a 4-digit field.
std::int64_t saturate(double rounded) {
  constexpr double kTwo63 = 9223372036854775808.0;
  if (rounded >= kTwo63) return std::numeric_limits<std::int64_t>::max();
  if (rounded < -kTwo63) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(rounded);
}

}  // namespace

double val(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  if (i + 1 < text.size() && text[i] == '&' && (text[i + 1] == 'H' || text[i + 1] == 'h')) {
    return static_cast<double>(hex_value(text.substr(i + 2)));
  }
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits_start = i;
  bool any = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, any = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, any = true;
  }
  if (!any) return 0.0;
  std::size_t mant_end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t exp_digits = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
    if (j > exp_digits) mant_end = j;
  }
  // from_chars does not take a leading '+'.
  std::string_view num = text.substr(start, mant_end - start);
  bool negative = false;
  if (!num.empty() && (num[0] == '+' || num[0] == '-')) {
    negative = num[0] == '-';
    num.remove_prefix(1);
  }
  (void)digits_start;
  double out = 0.0;
  auto res = std::from_chars(num.data(), num.data() + num.size(), out, std::chars_format::general);
  if (res.ec != std::errc()) {
    if (res.ec == std::errc::result_out_of_range) out = std::numeric_limits<double>::max();
    else return 0.0;
  }
  return negative ? -out : out;
}

std::uint64_t hex_value(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_blank(text[i])) ++i;
  std::uint64_t v = 0;
  for (; i < text.size(); ++i) {
    int d = hex_digit(text[i]);
    if (d < 0) break;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  return v;
}

std::string num_text(double value) {
  std::string s = format_number(value, 15);
  return value < 0 ? s : " " + s;
}

std::string num_text_single(float value) {
  std::string s = format_number(static_cast<double>(value), 7);
  return value < 0 ? s : " " + s;
}

std::string num_plain(double value) { return format_number(value, 15); }

std::string num_plain_single(float value) { return format_number(static_cast<double>(value), 7); }

std::string hex_field(std::uint64_t value, int width) {
  static const char* digits = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value != 0; --i) {
    s[static_cast<std::size_t>(i)] = digits[value & 0xF];
    value >>= 4;
  }
  return s;
}

std::string dec_field(std::int64_t value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s.substr(s.size() - static_cast<std::size_t>(width));
}

std::int64_t round_half_even(double value) {
  if (!std::isfinite(value)) return 0;
  return saturate(std::nearbyint(value));  // default rounding mode: to even
}

std::int64_t round_half_away(double value) {
  if (!std::isfinite(value)) return 0;
  return saturate(std::round(value));
}

std::int64_t trunc_div(std::int64_t a, std::int64_t b) { return b == 0 ? 0 : a / b; }

std::int64_t trunc_mod(std::int64_t a, std::int64_t b) { return b == 0 ? 0 : a % b; }

}  // namespace common
