// EDF+ time-stamped annotation lists and their packing into the annotation signals.
#include "view/output/edf_annotations.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace ambview::edf {

namespace {

constexpr char kTalSeparator = 20;  // ends the onset and every annotation text of a TAL
constexpr std::int64_t kMicro = 1'000'000;

int decimal_digits(std::int64_t v) {
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

}  // namespace

std::string onset_text(std::int64_t time_us) {
  const std::uint64_t a = time_us < 0 ? 0 - static_cast<std::uint64_t>(time_us) : static_cast<std::uint64_t>(time_us);
  char buf[32];
  buf[0] = time_us < 0 ? '-' : '+';
  char* end = std::to_chars(buf + 1, buf + sizeof buf, a / kMicro).ptr;
  if (std::uint64_t frac = a % kMicro; frac != 0) {
    *end++ = '.';
    for (std::uint64_t unit = kMicro / 10; unit > 0 && frac != 0; unit /= 10) {
      *end++ = static_cast<char>('0' + frac / unit);
      frac %= unit;
    }
  }
  return std::string(buf, end);
}

std::string annotation_tal(std::int64_t time_us, std::string_view text) {
  std::string t = onset_text(time_us);
  t += kTalSeparator;
  t += text;
  t += kTalSeparator;
  t += '\0';
  return t;
}

std::string time_keeping_tal(std::int64_t time_us) { return annotation_tal(time_us, {}); }

int longest_tal(std::int64_t max_time_us, std::size_t text_bytes) {
  // sign, seconds, "." and six decimals, separator, text, separator, NUL
  return 1 + decimal_digits(std::max<std::int64_t>(0, max_time_us) / kMicro) + 7 + 1 +
         static_cast<int>(text_bytes) + 2;
}

std::string annotation_text(std::string_view text, std::size_t max_bytes) {
  std::string out(text.substr(0, std::min(text.size(), max_bytes)));
  // Never cut a UTF-8 sequence: drop a partial character left at the end.
  if (out.size() < text.size()) {
    std::size_t end = out.size();
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    out.resize(end);
  }
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return out;
}

int annotation_signals_needed(const std::vector<int>& note_bytes, std::int64_t beats, int beat_bytes,
                              int keeping_bytes, std::int64_t records) {
  if (records <= 0 || keeping_bytes >= kAnnotationSignalBytes) return 0;
  constexpr int kBytes = kAnnotationSignalBytes;
  for (int signals = 1; signals <= kMaxAnnotationSignals; ++signals) {
    // The notes, placed as TalPacker::add places them.
    std::int64_t record = 0;
    int signal = 0;
    int used = keeping_bytes;
    bool holds = false;
    bool fits = true;
    for (const int n : note_bytes) {
      bool fresh = !holds && signal == 0;
      while (fits && used + n > kBytes) {
        if (signal + 1 < signals) {
          ++signal;
          used = 0;
        } else if (fresh || ++record == records) {
          fits = false;
        } else {
          signal = 0;
          used = keeping_bytes;
          holds = false;
          fresh = true;
        }
      }
      if (!fits) break;
      used += n;
      holds = true;
    }
    if (!fits) continue;
    if (beats == 0) return signals;
    if (beat_bytes <= 0 || beat_bytes > kBytes - keeping_bytes) return 0;
    // Beats of at most beat_bytes after them: what is left of the current signal, of the
    // record's other signals, and of the records after it.
    std::int64_t room = (kBytes - used) / beat_bytes + static_cast<std::int64_t>(signals - 1 - signal) * (kBytes / beat_bytes);
    const std::int64_t per_record =
        (kBytes - keeping_bytes) / beat_bytes + static_cast<std::int64_t>(signals - 1) * (kBytes / beat_bytes);
    room += (records - record - 1) * per_record;
    if (room >= beats) return signals;
  }
  return 0;
}

TalPacker::TalPacker(int signals, std::int64_t record_us, std::int64_t start_us, std::int64_t records, Sink sink)
    : signals_(signals), record_us_(record_us), start_us_(start_us), records_(records), sink_(std::move(sink)),
      bytes_(static_cast<std::size_t>(signals) * kAnnotationSignalBytes) {
  open_record(0);
}

bool TalPacker::open_record(std::int64_t r) {
  if (r >= records_) return false;
  record_ = r;
  std::fill(bytes_.begin(), bytes_.end(), '\0');
  const std::string keeping = time_keeping_tal(start_us_ + r * record_us_);
  std::memcpy(bytes_.data(), keeping.data(), keeping.size());
  signal_ = 0;
  used_ = static_cast<int>(keeping.size());
  holds_ = false;
  return true;
}

bool TalPacker::add(std::string_view tal) {
  const int n = static_cast<int>(tal.size());
  bool fresh = !holds_ && signal_ == 0;
  for (;;) {
    if (used_ + n <= kAnnotationSignalBytes) {
      std::memcpy(bytes_.data() + static_cast<std::size_t>(signal_) * kAnnotationSignalBytes + used_, tal.data(),
                  tal.size());
      used_ += n;
      holds_ = true;
      return true;
    }
    if (signal_ + 1 < signals_) {
      ++signal_;
      used_ = 0;
      continue;
    }
    if (fresh) return false;  // too long for any signal of a record
    if (holds_ && !sink_(record_, bytes_)) return false;
    if (!open_record(record_ + 1)) return false;
    fresh = true;
  }
}

bool TalPacker::finish() { return !holds_ || sink_(record_, bytes_); }

}  // namespace ambview::edf
