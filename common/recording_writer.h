// Writing recording files in the layouts of recording_format.h: header records of both
// layouts, text data records with their prefix, binary word records (two blocks each),
// combined-file frames including marker frames, and RR index records. Used by the data
// generator, by tests, and by anything that writes a recording.
//
// Two levels:
//  - record builders (pure functions returning one record's text, at most 255 bytes);
//  - whole-file writers that replace a file with header + data records.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/recording_format.h"

namespace common {

// ---------------------------------------------------------------------------------------
// Record builders

// Header record from fields, in the layout `header.old_layout` names. `base` carries the
// positions the layouts do not list (for example a recorder's conditions line); missing
// positions are blanks. Rules:
//  - kind: 2 characters; an old-layout kind must start with "*" (the reader tells the
//    layouts apart by it);
//  - start_time: YYMMDDhhmm (current layout: year to 53-54, the rest to 3-10);
//  - current-layout count: below 65535 as 4 hex digits at 11-14 and "0000" + those digits
//    at 113-120; otherwise "FFFF" and the 8-digit count at 113-120 (as re-saving writes it);
//    old-layout count: 4 hex digits (cut to the last 4);
//  - current-layout interval: code at 15 and whole seconds (3 hex digits) at 16-18;
//  - comment blank-padded/cut to 20 bytes (CP932 bytes, not UTF-8);
//  - thresholds 4 hex digits each (1/500 G), RR count 8 hex digits, ECG blocks 1 hex digit;
//  - current layout: ECG group k (k < ecg_blocks, at most 4) = "00000000" + 4-digit position.
std::string make_header_record(const RecordingHeader& header, std::string_view base = {});

// The count fields of a current-layout header: below 65535 four hex digits at 11-14 and the
// same count in eight at 113-120; from 65535 on "FFFF" at 11-14 and the count at 113-120.
void set_current_count(std::string& header, std::uint64_t count);

// Convenience: a current-layout header for a per-channel file.
//   kind "ce" for channels 0-5, "wA".."wD" for waveforms, "RR", "IX", "E1".."E4".
RecordingHeader make_channel_header(std::string_view kind, std::string_view start_time,
                                    std::uint32_t count, char interval_code,
                                    std::uint32_t interval_seconds = 0,
                                    std::string_view comment_cp932 = {});

// Text data record: 2-character prefix ("#0", "A0", "X0", "#1", "#4", "#5", ...) followed
// by each raw value as `digits` upper-case hex digits (4 for kinds A, L, 5; 1 for tilt).
// Raw values are the stored ones: kind A stores mG / 2.
std::string make_text_record(std::string_view prefix, std::span<const std::uint32_t> raw, int digits);

// Binary word record: up to 120 words (two blocks of 60), each low byte first, no prefix.
// Waveforms store sample + 2048; RR stores milliseconds (0 = beyond the 12-bit range).
std::string make_word_record(std::span<const std::uint16_t> words);

// One combined frame of `layout`, from decoded values. Tilts are degrees (0-180, steps of
// 6), accelerations and levels the delivered values (even numbers: stored / 2), steps the
// count. Values outside a field's range are clamped into it. Channels the layout does not
// carry are ignored.
struct CombinedValues {
  int tilt_t = 0;
  int tilt_u = 0;
  std::array<int, 4> acc{};  // channels 0-3
  int steps = 0;
};
std::string make_combined_frame(const CombinedLayout& layout, const CombinedValues& values);
// A marker frame carrying M (16 bits): first byte 07, M at characters 2-5.
std::string make_marker_frame(const CombinedLayout& layout, std::uint16_t m);
// Combined data record: prefix ("*0" ... "*5") + frames (at most frames_per_record).
std::string make_combined_record(std::string_view prefix, std::span<const std::string> frames);

// RR index record: up to 60 entries, 4 bytes each, most significant byte first. A full
// record is filled with blanks to 255 bytes, a partial one with NUL bytes (as the link
// program writes them).
std::string make_rr_index_record(std::span<const std::uint32_t> entries);

// ---------------------------------------------------------------------------------------
// Whole files. Each replaces `path` (an existing file is truncated first) and answers an
// empty text on success, else an error message naming the path.

// Per-channel text file (kinds A, L, 4, 5): values are the stored raw values, cut into
// records of samples_per_record(kind), each with `prefix`.
std::string write_text_channel_file(const std::string& path, const RecordingHeader& header,
                                    char kind, std::string_view prefix,
                                    std::span<const std::uint32_t> raw);
// Binary word file (kind 6, codes a-d, ECG blocks E-H): 120 words per record.
std::string write_word_file(const std::string& path, const RecordingHeader& header,
                            std::span<const std::uint16_t> words);
// Combined file: frames (from make_combined_frame / make_marker_frame) cut into records of
// the layout's frames per record, each with `prefix`.
std::string write_combined_file(const std::string& path, const RecordingHeader& header,
                                const CombinedLayout& layout, std::string_view prefix,
                                std::span<const std::string> frames);
// RR index file as the programs write it: `header` with kind "IX", "FFFF" at 11-14, the number
// of the last entry at 55-62 and header.count (the recording's sample count) at 113-120;
// 60 entries a record (entry k: beats begun at or before the end of sample k).
std::string write_rr_index_file(const std::string& path, const RecordingHeader& header,
                                std::span<const std::uint32_t> entries);

// Raw records as given (record 1 first), for files no other writer describes and for tests
// of damaged files.
std::string write_records(const std::string& path, std::span<const std::string> records);

// Per-channel file name: base name cut or padded with "_" to 7 characters, then the channel
// code, then the extension ("" as the link program writes). `directory` ends in "/" or is empty.
std::string channel_file_name(std::string_view directory, std::string_view base, char code,
                              std::string_view extension = {});

}  // namespace common
