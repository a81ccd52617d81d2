// EDF+ writing: the cut into data records, edflib for the header and the samples, then the
// annotation signals filled in place (see edf_annotations.h), a check of the whole file, and the
// rename into place.
#include "view/output/edf_writer.h"

#include <edflib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string_view>

#include "common/staged_file.h"
#include "view/output/edf_annotations.h"

namespace ambview::edf {

namespace {

constexpr std::int64_t kMicro = 1'000'000;
constexpr std::int64_t kMaxRecordUs = 60 * kMicro;   // edflib's longest data record
constexpr std::int64_t kMinRecordUs = 1000;          // and its shortest
constexpr std::int64_t kEdflibDurationUnitUs = 10;   // edf_set_datarecord_duration counts 10 µs
constexpr std::int64_t kMaxRecordBytes = 10'000'000; // edflib's data record size limit
constexpr int kFirstYear = 1985;                     // EDF's two-digit years: 1985-2084
constexpr int kLastYear = 2084;
constexpr std::string_view kBeatText = "RR";

// "0.004", "2", "300" for a time in microseconds.
std::string seconds_text(std::int64_t us) { return onset_text(us).substr(1); }

bool printable_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

// The comment as the header's ASCII may hold it: each character other than printable ASCII
// becomes "_", trailing blanks go.
std::string ascii_field(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      out += '_';
      if (c >= 0xC0)  // skip the rest of a multi-byte character
        while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string date_text(const StartTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return buf;
}

std::string start_problem(const StartTime& t) {
  using namespace std::chrono;
  const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}};
  if (!ymd.ok() || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59 ||
      t.microsecond < 0 || t.microsecond >= kMicro)
    return "the start " + date_text(t) + " is not a time of the calendar";
  if (t.year < kFirstYear || t.year > kLastYear)
    return "EDF+ holds start dates from 1985 to 2084; this range starts on " + date_text(t);
  return {};
}

std::string signal_problem(const SignalLayout& s) {
  const std::string name = "signal \"" + s.label + "\": ";
  if (s.label.empty() || s.label.size() > 16 || !printable_ascii(s.label))
    return name + "the label must be 1-16 ASCII characters";
  if (s.dimension.size() > 8 || !printable_ascii(s.dimension))
    return name + "the physical dimension must be at most 8 ASCII characters";
  if (s.interval_us <= 0) return name + "no sample interval";
  if (s.divisor < 1) return name + "the value divisor must be 1 or more";
  if (s.digital_min < -32768 || s.digital_max > 32767 || s.digital_min >= s.digital_max)
    return name + "the digital range must lie within -32768..32767";
  if (s.physical_min == s.physical_max) return name + "the physical range is empty";
  return {};
}

// The 16-bit numbers of one signal, and how many values they could not hold.
struct Coder {
  const SignalLayout* layout;
  std::int64_t clipped = 0;

  short code(std::int32_t v) {
    std::int64_t q = v;
    if (layout->divisor != 1) {
      q = v / layout->divisor;
      if (v % layout->divisor != 0) {
        ++clipped;
        if (v < 0) --q;  // toward minus infinity, as the coding's steps run
      }
    }
    q += layout->offset;
    if (q < layout->digital_min || q > layout->digital_max) {
      ++clipped;
      q = std::clamp<std::int64_t>(q, layout->digital_min, layout->digital_max);
    }
    return static_cast<short>(q);
  }
};

// One signal's samples, pulled from its source a few thousand at a time.
struct Feed {
  const Signal* signal;
  int per_record = 0;
  std::int64_t left = 0;  // samples still to pull
  std::vector<std::int32_t> buffer;
  std::size_t pos = 0;
  std::size_t len = 0;
  Coder coder;

  // Codes the next `n` samples into `out`. False with `why` when the source fails.
  bool take(short* out, int n, std::string& why) {
    while (n > 0) {
      if (pos == len) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, buffer.size()));
        if (want == 0) {
          why = "the samples ran out before the end of the range";
          return false;
        }
        if (!signal->source(std::span<std::int32_t>(buffer.data(), want), why)) return false;
        left -= static_cast<std::int64_t>(want);
        pos = 0;
        len = want;
      }
      const std::size_t run = std::min(len - pos, static_cast<std::size_t>(n));
      for (std::size_t i = 0; i < run; ++i) *out++ = coder.code(buffer[pos + i]);
      pos += run;
      n -= static_cast<int>(run);
    }
    return true;
  }
};

// An open edflib handle, closed on every way out.
struct EdfHandle {
  int handle = -1;
  ~EdfHandle() {
    if (handle >= 0) edfclose_file(handle);
  }
  int close() {
    const int r = edfclose_file(handle);
    handle = -1;
    return r;
  }
};

// Where the file's parts lie, read back from the header edflib wrote.
struct Layout {
  std::int64_t header_bytes = 0;
  std::int64_t records = 0;
  std::int64_t record_bytes = 0;
  std::int64_t annotation_offset = -1;  // of the first annotation signal within a record
  int annotation_signals = 0;
};

std::int64_t header_number(std::string_view field) {
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  std::int64_t v = -1;
  const auto [p, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
  return ec == std::errc() && p == field.data() + field.size() ? v : -1;
}

bool read_layout(std::FILE* f, Layout& layout) {
  char fixed[256];
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(fixed, 1, sizeof fixed, f) != sizeof fixed) return false;
  const std::string_view head(fixed, sizeof fixed);
  layout.header_bytes = header_number(head.substr(184, 8));
  layout.records = header_number(head.substr(236, 8));
  const std::int64_t ns = header_number(head.substr(252, 4));
  if (ns <= 0 || layout.header_bytes != 256 * (ns + 1)) return false;
  std::string signals(static_cast<std::size_t>(ns) * 256, '\0');
  if (std::fread(signals.data(), 1, signals.size(), f) != signals.size()) return false;
  const std::string_view all(signals);
  layout.record_bytes = 0;
  for (std::int64_t i = 0; i < ns; ++i) {
    const std::string_view label = all.substr(static_cast<std::size_t>(16 * i), 16);
    const std::int64_t samples = header_number(all.substr(static_cast<std::size_t>(216 * ns + 8 * i), 8));
    if (samples <= 0) return false;
    if (label == "EDF Annotations ") {
      if (samples * 2 != kAnnotationSignalBytes) return false;
      if (layout.annotation_offset < 0) layout.annotation_offset = layout.record_bytes;
      else if (layout.annotation_offset + layout.annotation_signals * kAnnotationSignalBytes != layout.record_bytes)
        return false;  // not side by side
      ++layout.annotation_signals;
    }
    layout.record_bytes += samples * 2;
  }
  return true;
}

std::string system_text(int error) { return error != 0 ? std::strerror(error) : "write failed"; }

// Creates `temp` with room for `bytes`: a missing folder, a full disk or a size limit is reported
// with its reason before anything is written (edflib would lose the reason in its buffered
// writes). Empty when there is room; `error` is the errno otherwise.
std::string reserve(const std::string& temp, const std::string& shown, std::int64_t bytes, int& error) {
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = errno;
    return "cannot create " + shown + ": " + system_text(error);
  }
  error = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
  if (error == EOPNOTSUPP || error == EINVAL) error = 0;  // no such call here: the size check stays
  ::close(fd);
  return error != 0 ? "cannot write " + shown + ": " + system_text(error) : std::string();
}

Result failure(std::string message, int system_error = 0) {
  Result r;
  r.message = std::move(message);
  r.system_error = system_error;
  return r;
}

}  // namespace

RecordPlan plan_records(std::span<const std::int64_t> intervals_us, std::int64_t duration_us,
                        const AnnotationLoad& load) {
  RecordPlan plan;
  if (intervals_us.empty()) {
    plan.error = "there is no signal to write";
    return plan;
  }
  if (duration_us <= 0) {
    plan.error = "the range holds no sample";
    return plan;
  }
  // The shortest record holding a whole number of samples of every signal.
  std::int64_t unit = 1;
  for (const std::int64_t interval : intervals_us) {
    if (interval <= 0) {
      plan.error = "a signal has no sample interval";
      return plan;
    }
    if (interval > kMaxRecordUs) {
      plan.error = "a sample interval of " + seconds_text(interval) +
                   " s is longer than an EDF+ data record may last (60 s)";
      return plan;
    }
    unit = std::lcm(unit, interval);
    if (unit > kMaxRecordUs) {
      plan.error = "the sample intervals share no data record length of 60 s or less";
      return plan;
    }
  }
  if (duration_us % unit != 0) {
    plan.error = "the range of " + seconds_text(duration_us) + " s is not a whole number of samples";
    return plan;
  }
  const std::int64_t units = duration_us / unit;
  std::int64_t bytes_per_unit = 0;
  for (const std::int64_t interval : intervals_us) bytes_per_unit += unit / interval * 2;

  std::int64_t best_bytes = -1;
  for (std::int64_t k = std::min(units, kMaxRecordUs / unit); k >= 1; --k) {
    const std::int64_t record_us = k * unit;
    if (units % k != 0 || record_us % kEdflibDurationUnitUs != 0 || record_us < kMinRecordUs) continue;
    const std::int64_t records = units / k;
    const int signals =
        annotation_signals_needed(load.note_bytes, load.beats, load.beat_bytes, load.keeping_bytes, records);
    if (signals == 0) continue;
    const std::int64_t record_bytes = k * bytes_per_unit + std::int64_t{signals} * kAnnotationSignalBytes;
    if (record_bytes > kMaxRecordBytes) continue;
    if (best_bytes >= 0 && records * record_bytes >= best_bytes) continue;
    best_bytes = records * record_bytes;
    plan.record_us = record_us;
    plan.records = records;
    plan.annotation_signals = signals;
  }
  if (best_bytes < 0) {
    plan.error = "the " + std::to_string(load.note_bytes.size() + static_cast<std::size_t>(load.beats)) +
                 " annotations do not fit into EDF+ data records";
    return plan;
  }
  for (const std::int64_t interval : intervals_us)
    plan.samples_per_record.push_back(static_cast<int>(plan.record_us / interval));
  return plan;
}

namespace {

// What is known before the disk is touched: the request checked, the notes as TALs, the cut.
struct Prepared {
  std::int64_t start_us = 0;  // the start's microseconds: every onset counts from the second before
  std::vector<std::string> note_tals;
  RecordPlan plan;
  std::int64_t file_bytes = 0;
};

std::string prepare(const Request& q, Prepared& p) {
  if (std::string why = start_problem(q.start); !why.empty()) return why;
  std::vector<std::int64_t> intervals;
  for (const Signal& s : q.signals) {
    if (std::string why = signal_problem(s.layout); !why.empty()) return why;
    if (!s.source) return "signal \"" + s.layout.label + "\": no sample source";
    intervals.push_back(s.layout.interval_us);
  }
  if (q.beat_count < 0 || (q.beat_count > 0 && !q.next_beat)) return "the beats have no source";
  p.start_us = q.start.microsecond;
  std::vector<Note> notes = q.notes;
  std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.time_us < b.time_us; });
  AnnotationLoad load;
  for (const Note& n : notes) {
    if (n.time_us < 0 || n.time_us > q.duration_us)
      return "the annotation \"" + n.text + "\" at " + seconds_text(n.time_us) + " s lies outside the range";
    p.note_tals.push_back(annotation_tal(p.start_us + n.time_us, annotation_text(n.text, kMaxNoteBytes)));
    load.note_bytes.push_back(static_cast<int>(p.note_tals.back().size()));
  }
  load.beats = q.beat_count;
  load.beat_bytes = longest_tal(p.start_us + q.duration_us, kBeatText.size());
  load.keeping_bytes = longest_tal(p.start_us + q.duration_us, 0);
  p.plan = plan_records(intervals, q.duration_us, load);
  if (!p.plan.error.empty()) return p.plan.error;
  const std::int64_t samples =
      std::accumulate(p.plan.samples_per_record.begin(), p.plan.samples_per_record.end(), std::int64_t{0});
  p.file_bytes = 256 * (static_cast<std::int64_t>(q.signals.size()) + p.plan.annotation_signals + 1) +
                 p.plan.records * (samples * 2 + std::int64_t{p.plan.annotation_signals} * kAnnotationSignalBytes);
  return {};
}

// The header through edflib: signals, record length, annotation signals, start, comment.
bool describe(int h, const Request& q, const Prepared& p) {
  bool set = true;
  for (std::size_t i = 0; i < q.signals.size(); ++i) {
    const SignalLayout& s = q.signals[i].layout;
    const int n = static_cast<int>(i);
    set = set && edf_set_samplefrequency(h, n, p.plan.samples_per_record[i]) == 0 &&
          edf_set_physical_maximum(h, n, s.physical_max) == 0 && edf_set_physical_minimum(h, n, s.physical_min) == 0 &&
          edf_set_digital_maximum(h, n, s.digital_max) == 0 && edf_set_digital_minimum(h, n, s.digital_min) == 0 &&
          edf_set_label(h, n, s.label.c_str()) == 0 && edf_set_physical_dimension(h, n, s.dimension.c_str()) == 0;
  }
  const std::string recording = ascii_field(q.recording);
  return set && edf_set_datarecord_duration(h, static_cast<int>(p.plan.record_us / kEdflibDurationUnitUs)) == 0 &&
         edf_set_number_of_annotation_signals(h, p.plan.annotation_signals) == 0 &&
         edf_set_startdatetime(h, q.start.year, q.start.month, q.start.day, q.start.hour, q.start.minute,
                               q.start.second) == 0 &&
         edf_set_subsecond_starttime(h, static_cast<int>(p.start_us * 10)) == 0 &&
         (recording.empty() || edf_set_recording_additional(h, recording.c_str()) == 0);
}

// Every data record through edflib, each signal's samples pulled as they are needed. Empty when
// all were written; `clipped` counts the values the codings could not hold.
std::string write_samples(int h, const Request& q, const RecordPlan& plan, std::int64_t& clipped, int& error) {
  std::vector<Feed> feeds;
  int block_samples = 0;
  for (std::size_t i = 0; i < q.signals.size(); ++i) {
    Feed f{&q.signals[i], plan.samples_per_record[i], plan.records * plan.samples_per_record[i], {}, 0, 0,
           Coder{&q.signals[i].layout}};
    f.buffer.resize(static_cast<std::size_t>(f.per_record) * std::max(1, 4096 / f.per_record));
    block_samples += f.per_record;
    feeds.push_back(std::move(f));
  }
  std::vector<short> block(static_cast<std::size_t>(block_samples));
  for (std::int64_t r = 0; r < plan.records; ++r) {
    short* out = block.data();
    for (Feed& f : feeds) {
      std::string why;
      if (!f.take(out, f.per_record, why)) return f.signal->layout.label + ": " + why;
      out += f.per_record;
    }
    errno = 0;
    if (edf_blockwrite_digital_short_samples(h, block.data()) != 0) {
      error = errno;
      return "cannot write " + q.path + ": " + system_text(error);
    }
  }
  for (const Feed& f : feeds) clipped += f.coder.clipped;
  return {};
}

// The notes, then the beats as they are read, into the annotation signals of the closed file.
std::string write_annotations(std::FILE* f, const Layout& layout, const Request& q, const Prepared& p, int& error) {
  std::string problem;
  TalPacker packer(p.plan.annotation_signals, p.plan.record_us, p.start_us, p.plan.records,
                   [&](std::int64_t record, const std::vector<char>& bytes) {
                     const auto at = static_cast<off_t>(layout.header_bytes + record * layout.record_bytes +
                                                        layout.annotation_offset);
                     if (::fseeko(f, at, SEEK_SET) != 0 || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
                       error = errno != 0 ? errno : EIO;
                       return false;
                     }
                     return true;
                   });
  const auto place = [&](const std::string& tal) {
    if (packer.add(tal)) return true;
    if (error == 0) problem = "the annotations do not fit into the planned records";
    return false;
  };
  if (!std::all_of(p.note_tals.begin(), p.note_tals.end(), place)) return problem;
  for (std::int64_t b = 0; b < q.beat_count; ++b) {
    std::int64_t t = 0;
    std::string why;
    if (!q.next_beat(t, why)) {
      if (why.empty()) break;  // fewer beats than the bound
      return why;
    }
    if (t < 0 || t > q.duration_us)
      return "beat " + std::to_string(b + 1) + " at " + seconds_text(t) + " s lies outside the range";
    if (!place(annotation_tal(p.start_us + t, kBeatText))) return problem;
  }
  if (!packer.finish() && error == 0) error = EIO;
  return {};
}

// Fills the annotation signals edflib left empty, then checks the whole file against its header
// (edflib does not report every failed write) and makes it durable.
std::string finish_file(const std::string& temp, const Request& q, const Prepared& p, int& error) {
  std::FILE* f = std::fopen(temp.c_str(), "r+b");
  if (!f) {
    error = errno;
    return "cannot write " + q.path + ": " + system_text(error);
  }
  Layout layout;
  std::string problem;
  if (!read_layout(f, layout) || layout.records != p.plan.records ||
      layout.annotation_signals != p.plan.annotation_signals || layout.annotation_offset < 0)
    problem = "edflib wrote a header other than planned";
  if (problem.empty() && (!p.note_tals.empty() || q.beat_count > 0)) problem = write_annotations(f, layout, q, p, error);
  if (error == 0 && std::fflush(f) != 0) error = errno != 0 ? errno : EIO;
  if (error == 0 && ::fsync(::fileno(f)) != 0 && errno != EINVAL) error = errno;
  struct stat st{};
  if (problem.empty() && error == 0 &&
      (::fstat(::fileno(f), &st) != 0 || st.st_size != layout.header_bytes + layout.records * layout.record_bytes))
    problem = "cannot write " + q.path + ": the file came out incomplete";  // a write edflib lost
  if (std::fclose(f) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error != 0) return "cannot write " + q.path + ": " + system_text(error);
  return problem;
}

}  // namespace

Result write_edf(const Request& q) {
  Prepared p;
  if (std::string why = prepare(q, p); !why.empty()) return failure(why);

  common::StagedFile staged(q.path);
  staged.prepare();
  const std::string& temp = staged.temp_path();
  if (temp.size() >= 1024) return failure("the path " + q.path + " is too long for edflib");
  int error = 0;
  if (std::string why = reserve(temp, q.path, p.file_bytes, error); !why.empty()) return failure(why, error);

  EdfHandle edf;
  errno = 0;
  edf.handle = edfopen_file_writeonly(temp.c_str(), EDFLIB_FILETYPE_EDFPLUS, static_cast<int>(q.signals.size()));
  if (edf.handle < 0) {
    error = errno;
    return failure("cannot create " + q.path + ": " + system_text(error), error);
  }
  if (!describe(edf.handle, q, p)) return failure("edflib refused the file's description");
  Result r;
  if (std::string why = write_samples(edf.handle, q, p.plan, r.clipped, error); !why.empty()) return failure(why, error);
  errno = 0;
  if (edf.close() != 0) {
    error = errno;
    return failure("cannot write " + q.path + ": " + system_text(error), error);
  }
  if (std::string why = finish_file(temp, q, p, error); !why.empty()) return failure(why, error);
  if (!staged.commit())
    return failure("cannot put " + q.path + " in place: " + system_text(staged.error()), staged.error());
  r.ok = true;
  r.records = p.plan.records;
  r.record_us = p.plan.record_us;
  r.annotation_signals = p.plan.annotation_signals;
  return r;
}

}  // namespace ambview::edf
