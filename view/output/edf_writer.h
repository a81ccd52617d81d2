// One EDF+ file written through edflib from plain inputs: signal descriptions with a pull-style
// sample source each, the start, the comment and the annotations. No recording, no canvas: the
// export command and the window feed it from the recording; records are written as they are read.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace ambview::edf {

// The calendar start of the file. The header holds whole seconds; the microseconds become the
// onset of the first data record (the EDF+ way of a start between two seconds).
struct StartTime {
  int year = 1985;  // four digits; EDF+ holds 1985-2084
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::int32_t microsecond = 0;
};

// What one signal is called, what its values mean and how they become the file's 16-bit
// numbers: digital = value / divisor + offset, exact for every value the channel can hold;
// physical = the straight line through (digital_min, physical_min) and (digital_max,
// physical_max).
struct SignalLayout {
  std::string label;      // ASCII, at most 16: the channel code, a blank, a name ("0 Acc")
  std::string dimension;  // ASCII, at most 8 ("mG", "uV", "bpm")
  std::int64_t interval_us = 0;  // sample interval; samples per second = 1e6 / interval_us
  int divisor = 1;
  int offset = 0;
  int digital_min = -32768;
  int digital_max = 32767;
  double physical_min = 0;
  double physical_max = 0;
};

// Fills `out` with the signal's next out.size() values, in order. False, with a message for the
// user in `why`, when they cannot be read; the file is then not written. A slot that holds no
// sample (a marker frame of a combined file) gives the previous value, or at the start of the
// range the first sample after it; the marker itself becomes a Note.
using SampleSource = std::function<bool(std::span<std::int32_t> out, std::string& why)>;

struct Signal {
  SignalLayout layout;
  SampleSource source;
};

// An annotation held in memory: markers and event marks, which are few. The text is UTF-8;
// control characters become blanks and it is cut to kMaxNoteBytes.
struct Note {
  std::int64_t time_us = 0;  // from the first sample, within the file
  std::string text;
};
inline constexpr std::size_t kMaxNoteBytes = 40;

// The time of the next beat, in microseconds from the first sample; beats come in order and
// within the file. False at the end of the beats, or, with a message in `why`, when the next
// one cannot be read.
using BeatSource = std::function<bool(std::int64_t& time_us, std::string& why)>;

struct Request {
  std::string path;  // the .edf written; it appears only when whole
  StartTime start;
  std::string recording;  // the recording's comment (UTF-8): other than ASCII shows as "_"
  std::int64_t duration_us = 0;  // every signal covers exactly this
  std::vector<Signal> signals;   // in file order
  std::vector<Note> notes;
  // One "RR" annotation per beat, pulled one at a time so that a week of beats is never held.
  // The count is an upper bound (the RR index's count of the range will do): the room for the
  // annotations is made from it before the first sample is written.
  std::int64_t beat_count = 0;
  BeatSource next_beat;
};

struct Result {
  bool ok = false;
  std::string message;       // why not, for the user (English, one line)
  int system_error = 0;      // errno of a failed file operation, else 0
  std::int64_t records = 0;  // data records written
  std::int64_t record_us = 0;
  int annotation_signals = 0;
  // Values a signal's coding could not hold: outside its range they are written at its limit,
  // between two of its steps at the step below.
  std::int64_t clipped = 0;
};

Result write_edf(const Request& request);

// How the data records are cut: every signal a whole number of samples per record, a record at
// most 60 s (edflib's limit), as few records as the annotations allow, and the fewest bytes.
struct AnnotationLoad {
  std::vector<int> note_bytes;  // length of each note's annotation, in file order
  std::int64_t beats = 0;
  int beat_bytes = 0;     // the longest a beat's annotation can be
  int keeping_bytes = 0;  // the longest a record's time-keeping annotation can be
};
struct RecordPlan {
  std::int64_t record_us = 0;
  std::int64_t records = 0;
  std::vector<int> samples_per_record;  // per signal
  int annotation_signals = 0;
  std::string error;  // why no cut fits; empty when one does
};
RecordPlan plan_records(std::span<const std::int64_t> intervals_us, std::int64_t duration_us,
                        const AnnotationLoad& load);

}  // namespace ambview::edf
