// The byte-word side of the download: records of two blocks of 12-bit words, the heart rate
// and RR index derived from the RR intervals as they arrive, the finishing of the RR-related
// headers and the waveform headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/record_file.h"
#include "common/rr_index_format.h"
#include "link/serial_link.h"

namespace ambcomm {

// Running state of the heart-rate derivation over one RR file, with its companion files
// (base + "5" heart rate, base + "i" RR index).
struct RrDerivation {
  common::RecordFile heart_rate_file;
  common::RecordFile index_file;
  std::string heart_rate_text = "#5";
  std::string index_text;
  int values_in_record = 0;
  std::int64_t beats = 0;
  double interval_s = 1;
  std::int64_t interval_ms = 1000;
  common::RrBoundaryWalk walk{1000};  // beats placed on interval ends, as the index counts them
  std::int64_t valid = 0;
  std::int64_t sum = 0;
  std::int64_t next_record = 2;
  std::int64_t total = 0;   // N: heart-rate values emitted
  bool write_failed = false;
};

inline constexpr int kHeartRatesPerRecord = 60;

// Opens the companion files of an RR download and writes their headers: the conditions line
// with "CE" (heart rate) and "IX" (index) in characters 1-2. False when one cannot be made.
bool open_rr_companions(RrDerivation& rr, const std::string& heart_rate_path, const std::string& index_path,
                        const std::string& conditions_line);

// CHG_RR: appends the block's words (converted bytes after the heading, two a value) to the
// record text (half 0 starts it, half 1 completes it) and, for kind "RR", feeds the first
// `items` values to the heart-rate derivation. `first`: the first block of the file; `last`:
// the last block (its last value flushes a partial heart-rate record).
void CHG_RR(std::string_view kind, RrDerivation& rr, std::string_view words, int items, int half,
            std::string& record_text, bool first, bool last, std::string_view interval);

// One RR value fed to the derivation (exposed for tests).
void feed_rr_value(RrDerivation& rr, unsigned w, bool very_last);
// Starts the derivation for a file with the conditions' interval text.
void start_rr_derivation(RrDerivation& rr, std::string_view interval);

// A download that stops in an RR file keeps the heart-rate values derived so far: writes the
// pending partial heart-rate and index records, when they hold any.
void flush_rr_derivation(RrDerivation& rr);

// END_RR_REQ: for kind "RR" finishes the headers so that each says what its file holds: the
// index "IX", FFFF at 11-14, N - 1 at 55-62 and the recording's count at 113-120; the
// heart-rate file its N values; the RR file the recording's count (mode "L": FFFF and 113-120)
// and the words it holds at 55-62; mode "L" also "0" at 63 of all three. Closes the companion
// files. `rr_file` is the open RR file; `rr_count` the words it holds.
void END_RR_REQ(std::string_view kind, RrDerivation& rr, common::RecordFile& rr_file, std::string_view mode,
                std::int64_t rr_count);

// Record 1 of a waveform file: characters 15-18 "b001"; "wD" also 5 x acc_count at 11-14
// ("FFFF" past 65535) and at 113-120.
std::string waveform_header(std::string header, std::string_view kind, std::int64_t acc_count);

}  // namespace ambcomm
