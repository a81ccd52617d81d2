// The values of the text export and their texts: a record's samples decoded at once, and
// each text put straight into the output buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "view/recording/loader.h"

namespace ambview {

// Codes "a"-"d": the acceleration and ECG waveforms.
inline bool is_wave_code(char code) { return code >= 'a' && code <= 'd'; }

// The values of samples first .. first + out.size() - 1 of a record as the export writes them:
// combined files through GET_D; per-channel files by the column: kind "A" hex x 2, "L", "4",
// "5" hex, "6" the word (ms), codes "a"-"c" word x 2 - 4096 (mG), "d" (word - 2048) x 1000 /
// 512 (uV, stored as a 32-bit integer: rounded, halves to even).
void export_values(std::string_view record, const ChannelTable& table, int row, int first,
                   std::span<std::int32_t> out);
// Their text: codes "a"-"d" the value / 1000 with a "0" before a leading point, in exactly 6
// characters (" 0.5  ", "-0.5  "); every other row the decimal integer right-justified in 4
// characters, its minus sign kept, a wider number written whole rather than cut.
std::string value_text(char code, char kind, std::int32_t value);

// Room for one value: its text (at most 11 bytes), "," and a line end, and the 16 bytes
// put_value may write past it; a marker line needs less.
inline constexpr std::size_t kMaxValueBytes = 32;

// The texts made once that put_value copies: the integers of exactly 4 characters, and the
// waveform fractions by thousandths.
struct TextTables {
  TextTables();
  const std::vector<std::array<char, 4>>& integers;
  const std::vector<std::array<char, 4>>& fractions;
};

// Writes value_text(code, kind, value) at p (`wave` for codes "a"-"d") and returns its end;
// up to 16 bytes past the end may be overwritten. Locale-free.
char* put_value(char* p, bool wave, std::int32_t value, const TextTables& tables);

}  // namespace ambview
