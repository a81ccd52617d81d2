// The EDF+ export: the range cut to what every channel's file holds, one pull-style source per
// channel over its records, the notes (markers, event marks) gathered first, the beats walked
// from the RR file as the writer asks for them.
#include "view/output/edf_export.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/rr_index_format.h"
#include "common/text.h"
#include "view/output/edf_mapping.h"
#include "view/output/edf_writer.h"
#include "view/recording/output_guard.h"
#include "view/recording/rr_index.h"

namespace ambview {

namespace {

constexpr std::int64_t kMicro = 1'000'000;
// The ECG waveform of a per-channel set runs five samples per trend sample.
constexpr int kEcgPerTrendSample = 5;

bool is_ecg_wave(const ChannelTable& t, int row) {
  return t.combined == nullptr && t.rows[static_cast<std::size_t>(row)].code == 'd';
}
int per_trend_sample(const ChannelTable& t, int row) { return is_ecg_wave(t, row) ? kEcgPerTrendSample : 1; }

// The record last read of a file, so that a run of samples reads each record once.
struct RecordCache {
  std::int64_t number = -1;
  std::string bytes;
};

// Sample i of a row's file through the shared reader (GET_D); nothing past the file's end.
std::optional<std::int32_t> sample_at(const common::RecordFile& file, const ChannelTable& t, int row, int per_record,
                                      std::int64_t i, RecordCache& cache) {
  const std::int64_t want = i / per_record + common::kDataFirstRecord;
  if (want != cache.number) {
    auto r = file.read(want);
    if (!r) return std::nullopt;
    cache.bytes = std::move(*r);
    cache.number = want;
  }
  return GET_D(cache.bytes, t, row, static_cast<int>(i % per_record));
}

// One channel's samples of the range, in order. A combined file's marker frame is no sample:
// its slot holds the sample before it, or, at the start of the range, the first one after it.
class ChannelSamples {
 public:
  ChannelSamples(const ChannelTable& t, int row, std::int64_t first, std::int64_t end)
      : table_(t), row_(row), per_record_(GET_BLKSIZ(t, row)), next_(first), end_(end) {
    path_ = t.rows[static_cast<std::size_t>(row)].path;
    file_.open(path_, common::RecordFile::Mode::ReadOnly);
  }

  bool fill(std::span<std::int32_t> out, std::string& why) {
    if (!file_.is_open() || per_record_ <= 0) {
      why = "cannot open " + path_;
      return false;
    }
    for (std::int32_t& v : out) {
      const std::int64_t i = next_++;
      const std::optional<std::int32_t> s = sample_at(file_, table_, row_, per_record_, i, cache_);
      if (!s) return short_file(i, why);
      if (table_.combined != nullptr && common::is_marker_value(*s)) {
        if (!have_last_) last_ = first_sample_after(i);
        have_last_ = true;
      } else {
        last_ = *s;
        have_last_ = true;
      }
      v = last_;
    }
    return true;
  }

 private:
  bool short_file(std::int64_t i, std::string& why) const {
    why = "cannot read record " + std::to_string(i / per_record_ + common::kDataFirstRecord) + " of " + path_ +
          ": the file is shorter than its header says";
    return false;
  }
  std::int32_t first_sample_after(std::int64_t i) const {
    RecordCache cache;
    for (std::int64_t j = i + 1; j < end_; ++j) {
      const std::optional<std::int32_t> s = sample_at(file_, table_, row_, per_record_, j, cache);
      if (!s) break;
      if (!common::is_marker_value(*s)) return *s;
    }
    return 0;  // nothing but markers to the end of the range
  }

  const ChannelTable& table_;
  int row_;
  int per_record_;
  std::string path_;
  common::RecordFile file_;
  RecordCache cache_;
  std::int64_t next_;
  std::int64_t end_;
  std::int32_t last_ = 0;
  bool have_last_ = false;
};

// The RR beats of the range, walked over the RR file's words: beat b begins when the words
// before it have passed (a word of 0 stands for 4096 ms). Times count from the range's start.
class BeatTimes {
 public:
  BeatTimes(const std::string& rr_path, std::int64_t first, std::int64_t count, std::int64_t range_start_us,
            std::int64_t duration_us)
      : path_(rr_path), next_(first), range_start_us_(range_start_us), duration_us_(duration_us) {
    end_ = std::min(first + count, rr_words_held(rr_path));
    ok_ = file_.open(rr_path, common::RecordFile::Mode::ReadOnly);
    for (std::int64_t i = 0; ok_ && i < first; ++i) {
      std::int64_t ms = 0;
      ok_ = word_ms(i, ms);
      begun_ms_ += ms;
    }
  }

  // The writer's BeatSource: false at the end of the beats, or with `why` on a read failure.
  bool next(std::int64_t& time_us, std::string& why) {
    if (!ok_) {
      why = "cannot read the RR file " + path_;
      return false;
    }
    while (next_ < end_) {
      std::int64_t ms = 0;
      if (!word_ms(next_, ms)) {
        why = "cannot read the RR file " + path_ + ": it is shorter than its header says";
        return false;
      }
      ++next_;
      const std::int64_t t = begun_ms_ * 1000 - range_start_us_;
      begun_ms_ += ms;
      if (t >= 0 && t <= duration_us_) {
        time_us = t;
        ++written_;
        return true;
      }
      ++outside_;
    }
    return false;
  }
  std::int64_t written() const { return written_; }
  std::int64_t outside() const { return outside_; }

 private:
  bool word_ms(std::int64_t i, std::int64_t& ms) {
    const std::int64_t want = i / common::kWordsPerRecord + common::kDataFirstRecord;
    if (want != cache_.number) {
      auto r = file_.read(want);
      if (!r) return false;
      cache_.bytes = std::move(*r);
      cache_.number = want;
    }
    const auto word = static_cast<std::uint16_t>(
        common::binary_word(cache_.bytes, static_cast<int>(i % common::kWordsPerRecord)) & 0xFFFF);
    ms = word == 0 ? common::kZeroRrMs : word;
    return true;
  }

  std::string path_;
  common::RecordFile file_;
  RecordCache cache_;
  bool ok_ = false;
  std::int64_t next_;
  std::int64_t end_ = 0;
  std::int64_t begun_ms_ = 0;  // start of beat next_, from the recording start
  std::int64_t range_start_us_;
  std::int64_t duration_us_;
  std::int64_t written_ = 0;
  std::int64_t outside_ = 0;
};

// The event marks of the header of the set's first file: the starts of its ECG blocks, in
// trend samples from the recording start, as the trend view marks them.
std::vector<std::int64_t> event_marks_of(const ChannelTable& t) {
  for (int row = 0; row < t.count; ++row) {
    const ChannelRow& r = t.rows[static_cast<std::size_t>(row)];
    if (!r.present) continue;
    common::RecordFile file;
    if (!file.open(r.path, common::RecordFile::Mode::ReadOnly)) return {};
    const auto header = file.read(1);
    if (!header) return {};
    const common::RecordingHeader h = common::read_header(*header);
    if (h.old_layout) return {};  // the old layout keeps no block starts
    const int blocks = std::min(h.ecg_blocks, common::kMaxEcgBlocks);
    return {h.ecg_positions.begin(), h.ecg_positions.begin() + blocks};
  }
  return {};
}

// The combined file's markers in samples first .. end - 1: slot and M.
std::vector<std::pair<std::int64_t, std::int32_t>> markers_of(const ChannelTable& t, std::int64_t first,
                                                              std::int64_t end, std::string& why) {
  std::vector<std::pair<std::int64_t, std::int32_t>> markers;
  common::RecordFile file;
  const int per = GET_BLKSIZ(t, 0);
  if (!file.open(t.rows[0].path, common::RecordFile::Mode::ReadOnly) || per <= 0) {
    why = "cannot open " + t.rows[0].path;
    return markers;
  }
  RecordCache cache;
  for (std::int64_t i = first; i < end; ++i) {
    const std::optional<std::int32_t> s = sample_at(file, t, 0, per, i, cache);
    if (!s) {
      why = "cannot read record " + std::to_string(i / per + common::kDataFirstRecord) + " of " + t.rows[0].path +
            ": the file is shorter than its header says";
      break;
    }
    if (common::is_marker_value(*s)) markers.emplace_back(i - first, *s - common::kMarkerBase);
  }
  return markers;
}

std::string seconds_text(std::int64_t us) { return common::num_plain(static_cast<double>(us) / kMicro); }

}  // namespace

std::string edf_marker_text(std::int32_t minutes) { return "ｵﾌｾｯﾄ分=" + common::num_text(minutes); }
std::string edf_event_text(int k) { return "Event ECG-" + std::to_string(k); }

EdfExportJob make_edf_export_job(const ProcessingConditions& conditions, const ChannelTable& channels,
                                 const RecordingInfo& info, std::int64_t sample_count, std::string out_path) {
  EdfExportJob job;
  job.out_path = std::move(out_path);
  job.channels = channels;
  job.info = info;
  job.range = selected_range(conditions, sample_count);
  return job;
}

EdfExportResult export_edf(const EdfExportJob& job) {
  EdfExportResult res;
  const auto fail = [&res](std::string why) {
    res.message = std::move(why);
    return res;
  };
  const ChannelTable& t = job.channels;
  if (const auto o = overwrite_of({job.out_path}, t)) return fail(overwrite_reason(*o));
  const std::string interval_text = common::trim_left(common::trim_right(job.info.item[RecordingInfo::kInterval]));
  const std::optional<std::int64_t> interval_us = edf::interval_us_of(interval_text);
  if (!interval_us) return fail("the recording's sample interval \"" + interval_text + "\" is no time");
  if (job.range.count <= 0) return fail("the range holds no sample");

  // The signals, and the range cut to what every channel's file holds.
  struct Row {
    int row;
    edf::SignalLayout layout;
  };
  std::vector<Row> rows;
  std::int64_t count = job.range.count;
  std::string shortest;
  for (int row = 0; row < t.count; ++row) {
    const ChannelRow& r = t.rows[static_cast<std::size_t>(row)];
    if (!r.present || r.kind == common::kKindRR) continue;
    const int per = per_trend_sample(t, row);
    if (*interval_us % per != 0) return fail("the ECG waveform's interval is no whole number of microseconds");
    const std::optional<edf::SignalLayout> layout = edf::channel_signal(r.code, r.kind, *interval_us / per);
    if (!layout) continue;
    rows.push_back({row, *layout});
    const std::int64_t held = samples_held(t, row) / per;
    const std::int64_t covered = std::clamp<std::int64_t>(held - job.range.start, 0, job.range.count);
    if (covered < count) {
      count = covered;
      shortest = common::name_part(r.path) + " holds " + std::to_string(held) + " samples";
    }
  }
  const int rr = rr_row(t);
  if (rows.empty())
    return fail(rr >= 0 ? "the recording holds RR intervals only: an EDF+ file needs a signal besides its beats"
                        : "the recording holds no channel an EDF+ file can take");
  if (count <= 0) return fail(shortest + ", none in the range");
  if (count < job.range.count)
    res.notes.push_back(shortest + ", " + std::to_string(job.range.count - count) +
                        (job.range.count - count == 1 ? " sample" : " samples") +
                        " short of the range: the EDF+ file ends where it does");

  edf::Request q;
  q.path = job.out_path;
  q.duration_us = count * *interval_us;
  const std::int64_t range_start_us = job.range.start * *interval_us;
  const auto offset_min = common::round_half_even(common::val(job.info.item[RecordingInfo::kStartOffset]));
  const std::optional<edf::StartTime> start =
      edf::start_time_of(job.info.item[RecordingInfo::kStartTime], offset_min * 60 * kMicro + range_start_us);
  if (!start) return fail("the recording's start \"" + job.info.item[RecordingInfo::kStartTime] + "\" is no date");
  q.start = *start;
  q.recording = common::cp932_to_utf8(common::trim_right(job.info.item[RecordingInfo::kComment]));

  const std::int64_t first = job.range.start;
  for (const Row& r : rows) {
    const int per = per_trend_sample(t, r.row);
    auto samples = std::make_shared<ChannelSamples>(t, r.row, first * per, (first + count) * per);
    q.signals.push_back({r.layout, [samples](std::span<std::int32_t> out, std::string& why) {
                           return samples->fill(out, why);
                         }});
  }

  // Annotations: the combined file's markers, the event marks, the beats.
  if (t.combined != nullptr) {
    std::string why;
    for (const auto& [slot, minutes] : markers_of(t, first, first + count, why))
      q.notes.push_back({slot * *interval_us, edf_marker_text(minutes)});
    if (!why.empty()) return fail(why);
  }
  const std::vector<std::int64_t> marks = event_marks_of(t);
  for (std::size_t k = 0; k < marks.size(); ++k)
    if (marks[k] >= first && marks[k] < first + count)
      q.notes.push_back({(marks[k] - first) * *interval_us, edf_event_text(static_cast<int>(k) + 1)});

  std::shared_ptr<BeatTimes> beats;
  if (rr >= 0) {
    const ChannelRow& r = t.rows[static_cast<std::size_t>(rr)];
    if (const std::optional<RrIndex> index = ensure_rr_index(t, rr)) {
      const RrBeats b = index->beats_of(first, count);
      beats = std::make_shared<BeatTimes>(r.path, b.first, b.count, range_start_us, q.duration_us);
      q.beat_count = b.count;
      q.next_beat = [beats](std::int64_t& time_us, std::string& why) { return beats->next(time_us, why); };
    } else {
      res.complete = false;
      res.notes.push_back("the RR beats are not written: " + common::name_part(r.path) +
                          " has an RR index that can neither be read nor made");
    }
  }

  const edf::Result w = edf::write_edf(q);
  if (!w.ok) return fail(w.message);
  res.written = true;
  res.signals = static_cast<std::int64_t>(q.signals.size());
  res.annotations = static_cast<std::int64_t>(q.notes.size()) + (beats ? beats->written() : 0);
  if (beats && beats->outside() > 0)
    res.notes.push_back(std::to_string(beats->outside()) + " beats the RR index counts in the range lie outside its " +
                        seconds_text(q.duration_us) + " s and are left out");
  if (w.clipped > 0) {
    res.complete = false;
    res.notes.push_back(std::to_string(w.clipped) + " values lay outside their channel's range and were held at its limit");
  }
  return res;
}

}  // namespace ambview
