// Record builders and whole-file writers for the recording formats.
#include "common/recording_writer.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/record_file.h"
#include "common/rr_index_format.h"
#include "common/text.h"

namespace common {

namespace {

constexpr int kField = RecordFile::kFieldSize;

void put(std::string& rec, FieldPos f, std::string_view text) {
  if (f.width <= 0) return;
  set_mid(rec, f.pos, pad_right(text, f.width));
}

void put_hex(std::string& rec, FieldPos f, std::uint64_t value) {
  if (f.width <= 0) return;
  set_mid(rec, f.pos, hex_field(value, f.width));
}

std::string char_text(char c) { return std::string(1, c); }

int clamp_int(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

// Frame characters as nibbles, joined into hex text at the end.
void set_nibble(std::string& f, int at, unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  if (at < static_cast<int>(f.size())) f[static_cast<std::size_t>(at)] = digits[v & 0xF];
}

// The low `digits` nibbles of v, most significant first, from character `at` on.
void set_nibbles(std::string& f, int at, int digits, unsigned v) {
  for (int k = 0; k < digits; ++k) set_nibble(f, at + k, v >> (4 * (digits - 1 - k)));
}

// Replaces the file at `path` with `records` (record 1 first).
std::string write_all(const std::string& path, std::span<const std::string> records) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return path + ": is a directory";
  if (std::filesystem::exists(path, ec)) {
    std::filesystem::resize_file(path, 0, ec);
    if (ec) return path + ": " + ec.message();
  }
  RecordFile file;
  if (!file.open(path, RecordFile::Mode::ReadWriteCreate)) return path + ": cannot be opened for writing";
  std::int64_t n = 1;
  for (const auto& r : records) {
    if (!file.write(n++, r)) return path + ": write failed";
  }
  if (!file.flush()) return path + ": write failed";
  return {};
}

}  // namespace

std::string make_header_record(const RecordingHeader& h, std::string_view base) {
  std::string rec(base.substr(0, kField));
  if (rec.size() < 120) rec.resize(120, ' ');
  const HeaderLayout& L = h.old_layout ? kOldHeader : kCurrentHeader;
  std::string kind = pad_right(h.kind, 2);
  if (h.old_layout && kind[0] != '*') kind[0] = '*';
  if (!h.old_layout && kind[0] == '*') kind[0] = ' ';
  put(rec, L.kind, kind);
  if (h.old_layout) {
    put(rec, L.start_time, h.start_time);
    put_hex(rec, L.count, h.count);
  } else {
    put(rec, L.start_year, mid(h.start_time, 1, 2));
    put(rec, L.start_time, mid(h.start_time, 3, 8));
    set_current_count(rec, h.count);
    put(rec, L.interval_code, char_text(h.interval_code));
    put(rec, L.speed, char_text(h.speed));
  }
  put_hex(rec, L.interval, h.interval_seconds);
  put(rec, L.comment, h.comment);
  for (std::size_t i = 0; i < 3; ++i) put_hex(rec, L.thresholds[i], h.thresholds[i]);
  put(rec, L.display, char_text(h.display));
  put(rec, L.mode, char_text(h.mode));
  put_hex(rec, L.rr_count, h.rr_count);
  put_hex(rec, L.ecg_blocks, static_cast<std::uint64_t>(std::clamp(h.ecg_blocks, 0, 15)));
  if (!h.old_layout) {
    for (int k = 0; k < kMaxEcgBlocks && k < h.ecg_blocks; ++k) {
      int group = L.ecg_groups.pos + kEcgGroupStride * k;
      put_hex(rec, {group + kEcgGroupHead.pos, kEcgGroupHead.width}, 0);
      put_hex(rec, {group + kEcgGroupPosition.pos, kEcgGroupPosition.width},
              h.ecg_positions[static_cast<std::size_t>(k)]);
    }
  }
  return pad_right(rec, kField);
}

void set_current_count(std::string& header, std::uint64_t count) {
  const HeaderLayout& L = kCurrentHeader;
  put_hex(header, L.count, count < kCountInLongField ? count : kCountInLongField);
  put_hex(header, L.count_long, count);
}

RecordingHeader make_channel_header(std::string_view kind, std::string_view start_time,
                                    std::uint32_t count, char interval_code,
                                    std::uint32_t interval_seconds, std::string_view comment_cp932) {
  RecordingHeader h;
  h.old_layout = false;
  h.kind = std::string(kind);
  h.start_time = std::string(start_time);
  h.count = count;
  h.interval_code = interval_code;
  h.interval_seconds = interval_seconds;
  h.comment = pad_right(comment_cp932, 20);
  h.speed = 'A';
  return h;
}

std::string make_text_record(std::string_view prefix, std::span<const std::uint32_t> raw, int digits) {
  std::string rec = pad_right(prefix, 2);
  for (std::uint32_t v : raw) rec += hex_field(v, digits);
  return pad_right(rec, kField);
}

std::string make_word_record(std::span<const std::uint16_t> words) {
  std::string rec;
  const std::size_t n = std::min<std::size_t>(words.size(), kWordsPerRecord);
  for (std::size_t i = 0; i < n; ++i) {
    rec += static_cast<char>(words[i] & 0xFF);
    rec += static_cast<char>((words[i] >> 8) & 0xFF);
  }
  return pad_right(rec, kField);
}

std::string make_combined_frame(const CombinedLayout& layout, const CombinedValues& v) {
  std::string f(18, '0');
  // Tilts: 5-bit fields, angle = (field - 1) × 6; field 0 is never written (it would make
  // the first byte a marker).
  const unsigned t5 = static_cast<unsigned>(clamp_int(static_cast<int>(round_half_away(v.tilt_t / 6.0)) + 1, 1, 31));
  const unsigned u5 = static_cast<unsigned>(clamp_int(static_cast<int>(round_half_away(v.tilt_u / 6.0)) + 1, 1, 31));
  const unsigned b0 = t5 << 3;           // bits 7-3 of the first byte
  const unsigned x = u5 << 2;            // bits 6-2 of the byte at characters 1-2
  set_nibble(f, 0, b0 >> 4);
  set_nibble(f, 1, (b0 & 0xF) | (x >> 4));
  set_nibble(f, 2, x & 0xF);
  const unsigned a0 = static_cast<unsigned>(clamp_int(v.acc[0] / 2, 0, 0x7FF));
  const unsigned a1 = static_cast<unsigned>(clamp_int(v.acc[1] / 2, 0, 0x1FF));
  const unsigned a2 = static_cast<unsigned>(clamp_int(v.acc[2] / 2, 0, 0xFFF));
  const unsigned a3 = static_cast<unsigned>(clamp_int(v.acc[3] / 2, 0, 0xFFF));
  const unsigned s = static_cast<unsigned>(clamp_int(v.steps, 0, 0xFFFF));
  // Characters 3-17: the high bits of a0 and a1 together, the low bytes of a0 and a1, the
  // high nibble of a3, a2 whole, the low byte of a3, the steps.
  set_nibble(f, 3, (a0 >> 8) | ((a1 >> 8) << 3));
  set_nibbles(f, 4, 2, a0);
  set_nibbles(f, 6, 2, a1);
  set_nibble(f, 8, a3 >> 8);
  set_nibbles(f, 9, 3, a2);
  set_nibbles(f, 12, 2, a3);
  set_nibbles(f, 14, 4, s);
  return f.substr(0, static_cast<std::size_t>(layout.frame_width));
}

std::string make_marker_frame(const CombinedLayout& layout, std::uint16_t m) {
  std::string f = "07" + hex_field(m, 4);
  f.resize(static_cast<std::size_t>(std::max(layout.frame_width, 6)), '0');
  return f.substr(0, static_cast<std::size_t>(layout.frame_width));
}

std::string make_combined_record(std::string_view prefix, std::span<const std::string> frames) {
  std::string rec = pad_right(prefix, 2);
  for (const auto& f : frames) rec += f;
  return pad_right(rec, kField);
}

std::string make_rr_index_record(std::span<const std::uint32_t> entries) {
  std::string rec;
  const std::size_t n = std::min<std::size_t>(entries.size(), kRRIndexEntriesPerRecord);
  for (std::size_t i = 0; i < n; ++i) {
    for (int shift = 24; shift >= 0; shift -= 8) rec += static_cast<char>((entries[i] >> shift) & 0xFF);
  }
  return pad_right(rec, kField, n == kRRIndexEntriesPerRecord ? ' ' : '\0');
}

std::string write_text_channel_file(const std::string& path, const RecordingHeader& header, char kind,
                                    std::string_view prefix, std::span<const std::uint32_t> raw) {
  const int per = samples_per_record(kind);
  if (per == 0 || kind == kKindRR || kind == kKindWave) return path + ": not a text channel kind";
  const int digits = kind == kKindTilt ? 1 : 4;
  std::vector<std::string> records{make_header_record(header)};
  for (std::size_t i = 0; i < raw.size(); i += static_cast<std::size_t>(per)) {
    records.push_back(make_text_record(prefix, raw.subspan(i, std::min<std::size_t>(per, raw.size() - i)), digits));
  }
  return write_all(path, records);
}

std::string write_word_file(const std::string& path, const RecordingHeader& header,
                            std::span<const std::uint16_t> words) {
  std::vector<std::string> records{make_header_record(header)};
  for (std::size_t i = 0; i < words.size(); i += kWordsPerRecord) {
    records.push_back(make_word_record(words.subspan(i, std::min<std::size_t>(kWordsPerRecord, words.size() - i))));
  }
  return write_all(path, records);
}

std::string write_combined_file(const std::string& path, const RecordingHeader& header,
                                const CombinedLayout& layout, std::string_view prefix,
                                std::span<const std::string> frames) {
  std::vector<std::string> records{make_header_record(header)};
  const auto per = static_cast<std::size_t>(layout.frames_per_record);
  for (std::size_t i = 0; i < frames.size(); i += per) {
    records.push_back(make_combined_record(prefix, frames.subspan(i, std::min(per, frames.size() - i))));
  }
  return write_all(path, records);
}

std::string write_rr_index_file(const std::string& path, const RecordingHeader& header,
                                std::span<const std::uint32_t> entries) {
  std::string head = make_header_record(header);
  mark_rr_index_header(head, static_cast<std::int64_t>(entries.size()), header.count);
  std::vector<std::string> records{head};
  for (std::size_t i = 0; i < entries.size(); i += kRRIndexEntriesPerRecord) {
    records.push_back(make_rr_index_record(
        entries.subspan(i, std::min<std::size_t>(kRRIndexEntriesPerRecord, entries.size() - i))));
  }
  return write_all(path, records);
}

std::string write_records(const std::string& path, std::span<const std::string> records) {
  return write_all(path, records);
}

std::string channel_file_name(std::string_view directory, std::string_view base, char code,
                              std::string_view extension) {
  return std::string(directory) + cp932_fit(base, 7, '_') + code + std::string(extension);
}

}  // namespace common
