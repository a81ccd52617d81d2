// The text export: ranges, the RR index look-up, staged files and TEXT_SAVE.
#include "view/output/text_export.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/output/export_values.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/recording/output_guard.h"
#include "view/recording/rr_index.h"

namespace ambview {

namespace fs = std::filesystem;

namespace {

// Spreadsheet users open these files on Windows, where the originals wrote them with CR LF
// line ends (and CP932 text): both are kept byte for byte.
constexpr std::string_view kLineEnd = "\r\n";
constexpr char kQ = '"';

// Header field of the comment: the old layout (combined files) and the current one.
constexpr common::FieldPos kCommentOld{21, 20};
constexpr common::FieldPos kCommentCurrent{19, 20};

// Values between two looks at the progress window's events.
constexpr std::int64_t kIdleEvery = 4096;
// Output is collected and written in pieces of about this size.
constexpr std::size_t kWriteChunk = 1 << 18;
}  // namespace

// ---------------------------------------------------------------------------------------
// Shared with re-saving

SampleRange selected_range(const ProcessingConditions& c, std::int64_t sample_count) {
  SampleRange r;
  const double interval = c.interval.seconds;
  if (interval <= 0 || sample_count <= 0) return r;
  const auto duration = static_cast<double>(c.duration);
  const auto start = static_cast<double>(c.display_start);
  auto span = static_cast<double>(c.display_span);
  if (start + span > duration) span = duration - start;
  r.start = std::max<std::int64_t>(0, common::round_half_even(start / interval));
  r.count = std::max<std::int64_t>(0, common::round_half_even(span / interval));
  if (r.start >= sample_count) {
    r.count = 0;
  } else {
    r.count = std::min(r.count, sample_count - r.start);
  }
  return r;
}

int rr_row(const ChannelTable& table) {
  for (int i = 0; i < table.count; ++i) {
    const ChannelRow& r = table.rows[static_cast<std::size_t>(i)];
    if (r.present && r.kind == common::kKindRR) return i;
  }
  return -1;
}

StartText start_text_of(std::string_view year_text, std::int32_t seconds_of_year) {
  std::string year(year_text);
  std::int32_t seconds = seconds_of_year;
  const std::string text = SEC_YMDHM(year, seconds);
  return {common::mid(text, 1, 2), common::mid(text, 3, 8)};
}

std::int32_t first_sample_seconds(const RecordingInfo& info) {
  const auto offset = common::round_half_even(common::val(info.item[RecordingInfo::kStartOffset]));
  return static_cast<std::int32_t>(YMDHM_SEC(info.item[RecordingInfo::kStartTime]) + 60 * offset);
}

std::string run_error_text(const RunError& e) {
  return "ERR=" + std::to_string(e.err) + "   ERL=" + std::to_string(e.erl);
}

// ---------------------------------------------------------------------------------------
// Columns and values

ExportColumn export_column(const ChannelTable& table, int row) {
  ExportColumn c;
  if (row < 0 || row >= kMaxChannelRows) return c;
  const ChannelRow& r = table.rows[static_cast<std::size_t>(row)];
  switch (r.code) {
    case 'a': c = {"加速度波形A(mG) ", 120}; break;
    case 'b': c = {"加速度波形B(mG) ", 120}; break;
    case 'c': c = {"加速度波形C(mG) ", 120}; break;
    case 'd': c = {"ECG波形(mV)     ", 120}; break;
    default:
      switch (r.kind) {
        case common::kKindAcceleration: c = {"加速度(mG)      ", 50}; break;
        case common::kKindLevel: c = {"加速度(ﾚﾍﾞﾙ)    ", 50}; break;
        case common::kKindCombinedTilt: c = {"角度            ", 0}; break;
        case common::kKindSteps: c = {"歩数            ", 0}; break;
        case common::kKindTilt: c = {"傾斜            ", 240}; break;
        case common::kKindHeartRate: c = {"ＨＲ(BPM)       ", 60}; break;
        case common::kKindRR: c = {"ＲＲ(mSec)      ", 120}; break;
        default: break;
      }
  }
  if (table.combined != nullptr) c.per_record = GET_BLKSIZ(table, row);
  return c;
}

std::string export_file_name(std::string_view base_name, char code, std::string_view extension) {
  if (common::is_combined_extension(extension)) return std::string(base_name) + "_" + code + ".prn";
  return common::fit_base_name(base_name) + code + ".prn";
}


// ---------------------------------------------------------------------------------------
// The job

int values_per_line(const ProcessingConditions& c) { return std::clamp(c.per_line, 1, 9999); }

std::optional<RrBeats> range_beats(const ChannelTable& channels, const SampleRange& range) {
  const int row = rr_row(channels);
  if (row < 0) return std::nullopt;
  const std::optional<RrIndex> index = ensure_rr_index(channels, row);
  if (!index) return std::nullopt;
  return index->beats_of(range.start, range.count);
}

TextExportJob make_text_export_job(const ProcessingConditions& c, const ChannelTable& channels,
                                   const RecordingInfo& info, std::int64_t sample_count,
                                   const std::string& out_directory) {
  TextExportJob job;
  job.out_directory = out_directory;
  job.base_name = common::name_part(channels.prefix);
  job.extension = channels.extension;
  job.channels = channels;
  job.info = info;
  job.interval_text = c.interval.text;
  job.per_line = values_per_line(c);
  job.range = selected_range(c, sample_count);
  const auto display_start = static_cast<std::int32_t>(c.display_start);
  job.start = start_text_of(common::mid(info.item[RecordingInfo::kStartTime], 1, 2),
                            first_sample_seconds(info) + display_start);
  if (const std::optional<RrBeats> beats = range_beats(channels, job.range)) {
    job.rr_index = true;
    job.rr_start = beats->first;
    job.rr_count = beats->count;
    job.rr_count_text = common::num_text(static_cast<double>(beats->count));
  }
  return job;
}

// ---------------------------------------------------------------------------------------
// TEXT_SAVE

namespace {

// The ".prn" text collected and written in large pieces to the staged file. Values are
// written straight into the buffer (room, then advance).
class PrnWriter {
 public:
  // The file gets no buffer of its own: the text is collected here and written in large pieces.
  explicit PrnWriter(std::FILE* f) : file_(f) { std::setvbuf(file_, nullptr, _IONBF, 0); }
  ~PrnWriter() {
    if (file_ != nullptr) std::fclose(file_);
  }
  // Space for n more bytes after the text so far; advance(end) keeps what was written.
  char* room(std::size_t n) {
    if (buffer_.size() < used_ + n) buffer_.resize(used_ + n);
    return buffer_.data() + used_;
  }
  void advance(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  void line(std::string_view text) {
    char* p = room(text.size() + kLineEnd.size());
    p = std::copy(text.begin(), text.end(), p);
    advance(std::copy(kLineEnd.begin(), kLineEnd.end(), p));
  }
  bool flush_if_full() { return used_ < kWriteChunk || flush(); }
  bool flush() {
    if (used_ != 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) return false;
    used_ = 0;
    return std::fflush(file_) == 0;
  }
  bool close() {
    const bool ok = flush();
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok && closed;
  }

 private:
  std::FILE* file_;
  std::string buffer_;
  std::size_t used_ = 0;
};

std::string header_line(const TextExportJob& job, const ChannelRow& r, const ExportColumn& column,
                        std::string_view header, std::string_view prefix, std::int64_t count) {
  const bool combined = job.channels.combined != nullptr;
  const common::FieldPos comment_field = combined ? kCommentOld : kCommentCurrent;
  std::string comment = common::mid(header, comment_field.pos, comment_field.width);
  std::replace(comment.begin(), comment.end(), ',', '.');
  const std::string& t = job.start.mmddhhmm;
  const auto cp = [](std::string_view utf8) { return common::utf8_to_cp932(utf8); };

  std::string s;
  s += kQ + cp(column.heading) + kQ + ",";
  s += kQ + job.start.year + "-" + common::mid(t, 1, 2) + "-" + common::mid(t, 3, 2) + " " + common::mid(t, 5, 2) + ":" +
       common::mid(t, 7, 2) + kQ + ",";
  s += kQ + comment + kQ + ",";
  if (r.kind == common::kKindRR) {
    s += kQ + cp("ＲＲﾃﾞｰﾀｰ量=") + kQ + "," + job.rr_count_text;
  } else {
    s += kQ + cp("ﾃﾞｰﾀｰ量=") + kQ + "," + common::num_text(static_cast<double>(count));
  }
  s += ",";
  if (r.code == 'd') {
    s += kQ + cp("計測間隔(S)=") + kQ + ", 0.004";
  } else {
    s += kQ + cp("計測間隔(S)=") + kQ + "," + job.interval_text;
  }
  if (prefix == "#1" || prefix == "#2" || prefix == "#3") {
    const int level = prefix[1] - '0';
    s += "," + std::string(1, kQ) + cp("ﾚﾍﾞﾙ-") + std::to_string(level) + "(G)=" +
         job.info.item[static_cast<std::size_t>(RecordingInfo::kThreshold1 + level - 1)] + kQ;
  }
  return s;
}

// The samples (or beats) of one channel's file that are written: the beats of the range, or
// the range's samples that the file holds. Nothing, with the note or error in `res`, when
// none are written.
struct ChannelSpan {
  std::int64_t start = 0;
  std::int64_t count = 0;
};
std::optional<ChannelSpan> channel_span(const TextExportJob& job, int row, ChannelResult& res) {
  const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
  ChannelSpan span{job.range.start, job.range.count};
  if (r.kind == common::kKindRR) {
    if (!job.rr_index) {
      res.error = RunError{run_error::kFileNotFound, step::kOpenSource,
                           r.path + ": its RR index can neither be read nor made"};
      return std::nullopt;
    }
    span = {job.rr_start, job.rr_count};
    if (span.count <= 0 && job.range.count > 0) {
      res.note = "the range holds no beats (the RR data ends before it): " + common::name_part(res.path) + " is not written";
      return std::nullopt;
    }
    return span;
  }
  const int per_trend_sample = r.code == 'd' ? 5 : 1;
  const std::int64_t held = samples_held(job.channels, row) / per_trend_sample;
  const std::int64_t covered = std::clamp<std::int64_t>(held - span.start, 0, span.count);
  if (covered < span.count) {
    res.note = "the file holds " + std::to_string(held) + " samples: " + std::to_string(covered) + " of the range's " +
               std::to_string(span.count) + " are written";
    if (covered == 0) {
      res.note = "the file holds " + std::to_string(held) + " samples, none in the range: " +
                 common::name_part(res.path) + " is not written";
      return std::nullopt;
    }
  }
  return ChannelSpan{span.start * per_trend_sample, covered * per_trend_sample};
}

// The staged output opened for writing; as the original, a file that cannot be created is
// deleted and created again.
std::FILE* open_staged(StagedFile& staged) {
  staged.prepare();
  std::FILE* f = std::fopen(staged.temp_path().c_str(), "wb");
  if (f == nullptr) {
    staged.abandon();
    f = std::fopen(staged.temp_path().c_str(), "wb");
  }
  return f;
}

// The value lines of a channel, P values to a line, markers on lines of their own. False
// with the error in `res` (or `res.stopped` set) when the file is not to be kept.
bool write_values(const TextExportJob& job, int row, const ExportColumn& column, ChannelReader& source,
                  const ChannelSpan& span, PrnWriter& out, const Progress& progress, ChannelResult& res) {
  const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
  const bool combined = job.channels.combined != nullptr;
  const std::int64_t per_line = std::max(job.per_line, 1);
  const int per_record = column.per_record;
  const bool wave = is_wave_code(r.code);
  const std::string marker_text = kQ + common::utf8_to_cp932("ｵﾌｾｯﾄ分=") + kQ + ",";
  std::vector<std::int32_t> values(static_cast<std::size_t>(per_record));
  const TextTables tables;
  const auto stop = [&] {
    res.stopped = true;
    return false;  // the staged file goes with `staged`
  };
  // The line so far has a value (the next one gets a "," before it).
  bool line_open = false;
  std::int64_t until_line_end = per_line;  // counts markers too: they keep their place
  std::int64_t until_idle = kIdleEvery;
  for (std::int64_t i = 0; i < span.count;) {
    const std::int64_t s = span.start + i;
    const std::int64_t want = s / per_record + common::kDataFirstRecord;
    const std::optional<std::string_view> record = source.record(want);
    if (!record) {
      res.error = RunError{run_error::kPastEnd, step::kReadData,
                           "cannot read record " + std::to_string(want) + " of " + r.path +
                               ": the file is shorter than its header says"};
      return false;
    }
    if (!out.flush_if_full()) {
      res.error = RunError{run_error::kDiskFull, step::kWriteData, res.path + ": write failed"};
      return false;
    }
    const int first = static_cast<int>(s % per_record);
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(per_record - first, span.count - i));
    const std::span<std::int32_t> part(values.data(), n);
    export_values(*record, job.channels, row, first, part);

    char* p = out.room(n * kMaxValueBytes);
    for (const std::int32_t v : part) {
      // Only a combined file's marker frames read as 100000 + M; a damaged per-channel value
      // that large is still a value.
      if (combined && common::is_marker_value(v)) {
        if (line_open) p = std::copy(kLineEnd.begin(), kLineEnd.end(), p);
        line_open = false;
        p = std::copy(marker_text.begin(), marker_text.end(), p);
        const std::string offset = common::num_text(v - common::kMarkerBase);
        p = std::copy(offset.begin(), offset.end(), p);
        p = std::copy(kLineEnd.begin(), kLineEnd.end(), p);
      } else {
        if (line_open) *p++ = ',';
        p = put_value(p, wave, v, tables);
        line_open = true;
        if (until_line_end == 1) {
          p = std::copy(kLineEnd.begin(), kLineEnd.end(), p);
          line_open = false;
        }
      }
      if (--until_line_end == 0) until_line_end = per_line;
      if (--until_idle == 0) {
        until_idle = kIdleEvery;
        if (progress.idle) progress.idle();
        if (progress.stopped && progress.stopped()) return stop();
      }
    }
    out.advance(p);
    i += static_cast<std::int64_t>(n);
    if (progress.stopped && progress.stopped()) return stop();
  }
  if (line_open) out.line({});
  return true;
}

}  // namespace

ChannelResult TEXT_SAVE(const TextExportJob& job, int row, const Progress& progress) {
  ChannelResult res;
  if (row < 0 || row >= job.channels.count) return res;
  const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
  const ExportColumn column = export_column(job.channels, row);
  res.path = job.out_directory + export_file_name(job.base_name, r.code, job.extension);
  const auto fail = [&](int err, int erl, std::string detail) {
    res.error = RunError{err, erl, std::move(detail)};
    return res;
  };
  if (column.per_record <= 0) return fail(run_error::kPastEnd, step::kOpenSource, "no column for channel " + std::string(1, r.code));
  if (const auto o = overwrite_of({res.path}, job.channels))
    return fail(run_error::kPathAccess, step::kCreateOutput, overwrite_reason(*o));
  const std::optional<ChannelSpan> span = channel_span(job, row, res);
  if (!span) return res;

  ChannelReader source;
  if (!source.open(r.path, coding_of(job.channels, row), true))
    return fail(run_error::kFileNotFound, step::kOpenSource, r.path + ": cannot be opened");
  if (source.record_count() < 1) return fail(run_error::kPastEnd, step::kReadHeader, r.path + ": no header record");
  if (progress.print)
    progress.print(std::string(column.heading) + common::name_part(r.path) + " → " + common::name_part(res.path));

  StagedFile staged(res.path);
  std::FILE* f = open_staged(staged);
  if (f == nullptr) return fail(run_error::kPathAccess, step::kCreateOutput, res.path + ": cannot be written");
  PrnWriter out(f);
  out.line(header_line(job, r, column, source.header(), source.record_prefix(), span->count));
  if (!out.flush_if_full()) return fail(run_error::kDiskFull, step::kWriteHeader, res.path + ": write failed");
  // A failed or stopped channel leaves no file: the staged one goes with `staged`.
  if (!write_values(job, row, column, source, *span, out, progress, res)) return res;
  if (!out.close()) return fail(run_error::kDiskFull, step::kClose, res.path + ": write failed");
  if (!staged.commit()) return fail(run_error::kDeviceIo, step::kRename, res.path + ": cannot be put in place");
  res.written = true;
  return res;
}

std::vector<std::string> text_export_outputs(const TextExportJob& job) {
  std::vector<std::string> paths;
  for (int row = 0; row < job.channels.count; ++row) {
    const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
    if (r.present) paths.push_back(job.out_directory + export_file_name(job.base_name, r.code, job.extension));
  }
  return paths;
}

std::optional<ChannelResult> overwrite_refusal(const std::vector<std::string>& outputs, const ChannelTable& channels,
                                               int erl) {
  const auto o = overwrite_of(outputs, channels);
  if (!o) return std::nullopt;
  ChannelResult refused;
  refused.path = o->output;
  refused.error = RunError{run_error::kPathAccess, erl, overwrite_reason(*o)};
  return refused;
}

std::vector<ChannelResult> text_export_all(const TextExportJob& job, const Progress& progress) {
  std::vector<ChannelResult> results;
  if (auto refused = overwrite_refusal(text_export_outputs(job), job.channels, step::kCreateOutput)) return {*refused};
  for (int row = 0; row < job.channels.count; ++row) {
    if (!job.channels.rows[static_cast<std::size_t>(row)].present) continue;
    results.push_back(TEXT_SAVE(job, row, progress));
    if (results.back().stopped || (progress.stopped && progress.stopped())) break;
  }
  return results;
}

}  // namespace ambview
