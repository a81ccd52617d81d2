// The annotation signals of an EDF+ file, packed here rather than by edflib: edflib keeps every
// annotation in memory until the file is closed and stores one per 114-byte slot, dropping
// without a word what does not fit, so a week of beats (about 700 000) would neither stay small
// nor survive. Here annotations stream in and fill each record's annotation bytes in turn.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ambview::edf {

// edflib gives each annotation signal 114 bytes per record and allows 64 of them.
inline constexpr int kAnnotationSignalBytes = 114;
inline constexpr int kMaxAnnotationSignals = 64;

// Onset text of a time in microseconds: sign, whole seconds and, when there is one, the fraction
// without trailing zeros ("+0", "+12.345", "+0.004").
std::string onset_text(std::int64_t time_us);
// A time-stamped annotation list of one annotation: "+onset" 20 text 20 0.
std::string annotation_tal(std::int64_t time_us, std::string_view text);
// The time-keeping TAL that opens every record: "+onset" 20 20 0.
std::string time_keeping_tal(std::int64_t time_us);
// The longest TAL for a time up to `max_time_us` (any fraction) and a text of `text_bytes`.
int longest_tal(std::int64_t max_time_us, std::size_t text_bytes);

// Note text as an annotation may hold it: UTF-8 kept, control characters (the TAL separators
// among them) as blanks, cut at a character boundary to at most `max_bytes`.
std::string annotation_text(std::string_view text, std::size_t max_bytes);

// The fewest annotation signals (1-64) whose bytes hold, in `records` records, first the notes
// then `beats` beat TALs, each record opening with its time-keeping TAL. 0 when 64 do not.
int annotation_signals_needed(const std::vector<int>& note_bytes, std::int64_t beats, int beat_bytes,
                              int keeping_bytes, std::int64_t records);

// Fills the annotation bytes of record after record: each TAL goes into the current annotation
// signal when it fits, else into the next; a record goes to the sink when full or finished.
class TalPacker {
 public:
  // Receives a record's annotation bytes (signals × 114, its time-keeping TAL first).
  using Sink = std::function<bool(std::int64_t record, const std::vector<char>& bytes)>;
  TalPacker(int signals, std::int64_t record_us, std::int64_t start_us, std::int64_t records, Sink sink);

  // Adds one TAL. False when the file's records are full or the sink failed.
  bool add(std::string_view tal);
  // Hands out the record in hand when it holds an annotation. False when the sink failed.
  bool finish();

 private:
  bool open_record(std::int64_t r);

  int signals_;
  std::int64_t record_us_;
  std::int64_t start_us_;
  std::int64_t records_;
  Sink sink_;
  std::int64_t record_ = 0;
  int signal_ = 0;  // annotation signal being filled
  int used_ = 0;    // its bytes in use
  bool holds_ = false;  // the record in hand holds an annotation
  std::vector<char> bytes_;
};

}  // namespace ambview::edf
