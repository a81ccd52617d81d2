// The byte layout in which fuzz_recording receives a recording file set, shared with the
// corpus maker so that the kept corpus is made of real files from the writer:
//   byte 0      variant: file extension (see kExtensions)
//   byte 1      which written file is the chosen one (index, modulo the count)
//   bytes 2-3   file mask, low byte first: bits 0-10 channel codes "0123456abcd",
//               bit 11 the RR index "i", bits 12-15 ECG blocks "E".."H" (per-channel sets)
//   then, per file in mask order (one file for combined variants): 2-byte length, low
//   byte first, and that many bytes of file content (cut at the end of the input)
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

inline constexpr std::array<std::string_view, 9> kExtensions = {"",     ".DAT", ".ac0", ".ac1", ".ac2",
                                                                ".ac4", ".ac5", ".ac9", ".AC0"};
inline constexpr std::string_view kFileCodes = "0123456abcdiEFGH";
inline constexpr std::size_t kMaxFileBytes = 16 * 1024;

inline bool combined_variant(std::size_t variant) {
  std::string_view ext = kExtensions[variant % kExtensions.size()];
  return ext.size() == 4 && ext.substr(1, 2) == "ac";
}

struct FileSet {
  std::uint8_t variant = 0;
  std::uint8_t chosen = 0;
  std::uint16_t mask = 0;
  std::vector<std::string> contents;  // in mask order
};

inline std::string encode(const FileSet& set) {
  std::string out;
  out += static_cast<char>(set.variant);
  out += static_cast<char>(set.chosen);
  out += static_cast<char>(set.mask & 0xFF);
  out += static_cast<char>(set.mask >> 8);
  for (const auto& c : set.contents) {
    const std::size_t n = c.size() < kMaxFileBytes ? c.size() : kMaxFileBytes;
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out.append(c, 0, n);
  }
  return out;
}

// Writes the files of an input into `dir` (ending in "/") as FUZZ___<code><ext> or FUZZ<ext>.
// Answers their paths in mask order, and in `chosen` the chosen one ("" when none was written).
inline std::vector<std::string> write_file_set(const std::uint8_t* data, std::size_t size, const std::string& dir,
                                               std::string& chosen) {
  std::vector<std::string> written;
  chosen.clear();
  if (size < 4) return written;
  const std::size_t variant = data[0] % kExtensions.size();
  const std::string ext(kExtensions[variant]);
  const bool combined = combined_variant(variant);
  const std::uint16_t mask = combined ? 1 : static_cast<std::uint16_t>(data[2] | (data[3] << 8));
  std::size_t at = 4;
  for (std::size_t bit = 0; bit < kFileCodes.size() && at < size; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    std::size_t n = at + 1 < size ? static_cast<std::size_t>(data[at] | (data[at + 1] << 8)) : 0;
    at += 2;
    if (at > size) at = size;
    n = std::min({n, size - at, kMaxFileBytes});
    const std::string name = combined ? "FUZZ" + ext : "FUZZ___" + std::string(1, kFileCodes[bit]) + ext;
    std::ofstream(dir + name, std::ios::binary).write(reinterpret_cast<const char*>(data + at), static_cast<std::streamsize>(n));
    written.push_back(dir + name);
    at += n;
  }
  if (!written.empty()) chosen = written[data[1] % written.size()];
  return written;
}

}  // namespace fuzzing
