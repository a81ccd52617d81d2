// The values of the text export: decoded a whole record at a time, and their texts written
// straight into the output buffer (the export's hot loop; no string a value).
#include "view/output/export_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

// Hex digit values by byte; every other byte reads as kNotHex.
constexpr std::uint8_t kNotHex = 0xFF;
constexpr std::array<std::uint8_t, 256> kHexDigit = [] {
  std::array<std::uint8_t, 256> t{};
  t.fill(kNotHex);
  for (int c = 0; c < 10; ++c) t[static_cast<std::size_t>('0' + c)] = static_cast<std::uint8_t>(c);
  for (int c = 0; c < 6; ++c) {
    t[static_cast<std::size_t>('A' + c)] = static_cast<std::uint8_t>(10 + c);
    t[static_cast<std::size_t>('a' + c)] = static_cast<std::uint8_t>(10 + c);
  }
  return t;
}();

// A fixed hex field read as common::hex_value reads it (blanks first, then digits up to the
// first other byte), without making a string of it.
std::int32_t field_hex(const char* p, std::size_t width) {
  const auto digit = [p](std::size_t i) { return kHexDigit[static_cast<unsigned char>(p[i])]; };
  if (width == 4) {  // the usual field: four digits
    const std::uint32_t d0 = digit(0), d1 = digit(1), d2 = digit(2), d3 = digit(3);
    if ((d0 | d1 | d2 | d3) < 16) return static_cast<std::int32_t>(d0 << 12 | d1 << 8 | d2 << 4 | d3);
  }
  std::size_t i = 0;
  while (i < width && (p[i] == ' ' || p[i] == '\t')) ++i;
  std::uint32_t v = 0;
  for (; i < width; ++i) {
    const std::uint8_t d = digit(i);
    if (d == kNotHex) break;
    v = (v << 4) | d;
  }
  return static_cast<std::int32_t>(v);
}

}  // namespace

void export_values(std::string_view record, const ChannelTable& table, int row, int first,
                   std::span<std::int32_t> out) {
  int j = first;
  if (table.combined != nullptr) {
    for (std::int32_t& v : out) v = GET_D(record, table, row, j++);
    return;
  }
  const ChannelRow& r = table.rows[static_cast<std::size_t>(row)];
  const ChannelCoding column = coding_of(table, row);
  if (column.field_width == 2) {
    for (std::int32_t& v : out) {
      const std::int32_t word = common::binary_word(record, j++);
      if (r.code == 'd') {
        v = static_cast<std::int32_t>(common::round_half_even((word - 2048) * 1000.0 / 512.0));
      } else if (is_wave_code(r.code)) {
        v = word * 2 - 4096;
      } else {
        v = word;  // kind "6": the interval in ms
      }
    }
    return;
  }
  const std::int32_t scale = r.kind == common::kKindAcceleration ? 2 : 1;
  for (std::int32_t& v : out) {
    const std::size_t pos = static_cast<std::size_t>(column.field_first - 1 + j++ * column.field_width);
    if (column.field_width <= 0 || pos >= record.size()) {
      v = 0;
    } else {
      const std::size_t width = std::min(static_cast<std::size_t>(column.field_width), record.size() - pos);
      v = field_hex(record.data() + pos, width) * scale;
    }
  }
}

namespace {

// Writes the text of `value` (see value_text) at p and returns its end; up to 16 bytes past
// the end may be overwritten. Locale-free: only std::to_chars and fixed characters.
char* put_any_value(char* p, bool wave, std::int32_t value) {
  // Fixed-size copies out of a blank-filled scratch: the texts are short, and copying a few
  // bytes one at a time costs more than the number itself.
  char text[32];
  std::memcpy(text, "        ", 8);
  if (!wave) {
    // Right-justified in 4 characters; a wider number whole.
    char* digits = text + 4;
    const char* end = std::to_chars(digits, text + sizeof text, value).ptr;
    const char* from = std::min<const char*>(digits, end - 4);
    std::memcpy(p, from, 16);
    return p + (end - from);
  }
  // value / 1000 as the number text writes it (exact: at most 10 digits), then cut or filled
  // to 6 characters.
  char* t = text;
  *t++ = value < 0 ? '-' : ' ';
  const std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  t = std::to_chars(t, text + sizeof text, magnitude / 1000).ptr;
  if (std::int64_t fraction = magnitude % 1000; fraction != 0) {
    *t++ = '.';
    for (std::int64_t unit = 100; fraction != 0; unit /= 10) {
      *t++ = static_cast<char>('0' + fraction / unit);
      fraction %= unit;
    }
  }
  std::memcpy(p, text, 8);
  return p + 6;
}

// The texts of the integers that fill exactly 4 characters, made once: nearly every value of
// a channel other than a waveform is one of them.
constexpr std::int32_t kShortFirst = -999;
constexpr std::int32_t kShortLast = 9999;
using ShortText = std::array<char, 4>;
const std::vector<ShortText>& short_texts() {
  static const std::vector<ShortText> texts = [] {
    std::vector<ShortText> t(static_cast<std::size_t>(kShortLast - kShortFirst + 1));
    char text[kMaxValueBytes];
    for (std::int32_t v = kShortFirst; v <= kShortLast; ++v) {
      put_any_value(text, false, v);
      std::memcpy(t[static_cast<std::size_t>(v - kShortFirst)].data(), text, 4);
    }
    return t;
  }();
  return texts;
}

// The fraction part of the waveform texts by thousandths, made once: ".5  ", ".002", and
// four blanks for none.
const std::vector<ShortText>& fraction_texts() {
  static const std::vector<ShortText> texts = [] {
    std::vector<ShortText> t(1000);
    char text[kMaxValueBytes];
    for (std::int32_t f = 0; f < 1000; ++f) {
      put_any_value(text, true, f);  // " 0.fff"
      std::memcpy(t[static_cast<std::size_t>(f)].data(), text + 2, 4);
    }
    return t;
  }();
  return texts;
}

}  // namespace

TextTables::TextTables() : integers(short_texts()), fractions(fraction_texts()) {}

char* put_value(char* p, bool wave, std::int32_t value, const TextTables& tables) {
  if (!wave) {
    if (value < kShortFirst || value > kShortLast) return put_any_value(p, wave, value);
    std::memcpy(p, tables.integers[static_cast<std::size_t>(value - kShortFirst)].data(), 4);
    return p + 4;
  }
  // Texts below 100 (nearly all): sign, one or two digits and the fraction, cut to 6
  // characters.
  if (value < -99999 || value > 99999) return put_any_value(p, wave, value);
  const std::int32_t magnitude = value < 0 ? -value : value;
  const char* fraction = tables.fractions[static_cast<std::size_t>(magnitude % 1000)].data();
  const std::int32_t whole = magnitude / 1000;
  *p++ = value < 0 ? '-' : ' ';
  if (whole < 10) {
    *p++ = static_cast<char>('0' + whole);
    std::memcpy(p, fraction, 4);
    return p + 4;
  }
  *p++ = static_cast<char>('0' + whole / 10);
  *p++ = static_cast<char>('0' + whole % 10);
  std::memcpy(p, fraction, 3);
  return p + 3;
}

std::string value_text(char code, char /*kind*/, std::int32_t value) {
  char text[kMaxValueBytes];  // 16 bytes of room past the longest text
  return std::string(text, put_value(text, is_wave_code(code), value, TextTables{}));
}

}  // namespace ambview
