// The number rules every program shares: lenient text-to-number, number text with a
// leading blank, fixed-width hex fields, the two rounding rules and truncating division.
// Kept in one place so that no module re-invents them (and none depends on the locale).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Lenient decimal conversion: leading blanks skipped, an optional sign, digits with an
// optional decimal point and exponent; it stops at the first character that does not
// fit. Text with no number reads as 0. "&H" followed by hex digits reads as hex.
double val(std::string_view text);

// Lenient unsigned hex conversion of a fixed field: leading blanks skipped, then hex
// digits up to the first non-hex character. No digits reads as 0.
std::uint64_t hex_value(std::string_view text);

// Number text as the programs show and store it: a leading blank for values >= 0, "-"
// for negative ones; integers without a decimal point; fractions without trailing zeros
// and with a "0" before the point ("0.5"). Up to 15 significant digits.
std::string num_text(double value);
// The same for values defined in single precision (7 significant digits).
std::string num_text_single(float value);
// Number text without the sign position (no leading blank for values >= 0).
std::string num_plain(double value);
std::string num_plain_single(float value);

// Upper-case hex, filled with "0" on the left to `width` and cut to the last `width` digits.
std::string hex_field(std::uint64_t value, int width);

// Decimal digits of `value`, filled with "0" on the left and cut to the last `width`
// characters ("0" + value, last 2, and the like).
std::string dec_field(std::int64_t value, int width);

// Fractional value stored into an integer: nearest, halves to the even neighbour.
std::int64_t round_half_even(double value);
// The same as an int, for positions on a canvas.
inline int round_int(double value) { return static_cast<int>(round_half_even(value)); }
// Indices, positions and some pixel positions: nearest, halves away from zero.
std::int64_t round_half_away(double value);

// Integer division truncating toward zero; a zero divisor yields 0 (guarded, never a trap).
std::int64_t trunc_div(std::int64_t a, std::int64_t b);
// Remainder matching trunc_div; a zero divisor yields 0.
std::int64_t trunc_mod(std::int64_t a, std::int64_t b);

}  // namespace common
