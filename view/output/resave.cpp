// Re-saving: the job of a selection, PAC_SAVE, DTA_SAVE and the new set's RR index.
#include "view/output/resave.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <span>
#include <system_error>

#include "common/cp932.h"
#include "common/numbers.h"
#include "common/path_names.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/text.h"
#include "view/recording/channel_reader.h"
#include "view/recording/output_guard.h"
#include "view/recording/rr_index.h"

namespace ambview {

namespace fs = std::filesystem;

namespace {

// The ERL of a step of the re-save: the text export's step, a thousand on.
constexpr int resave_erl(int export_step) { return step::kResaveSteps + export_step; }

constexpr int kField = common::RecordFile::kFieldSize;  // a record is written as 255 characters
constexpr std::int64_t kIdleEvery = 4096;
constexpr std::string_view kResavedExtension = ".c";

// How one channel is copied: label of the progress line and whether records carry the
// source's 2-character prefix. The fields themselves are the channel's coding.
struct CopyLayout {
  const char* label = "";  // UTF-8
  bool prefix = false;
};

CopyLayout copy_layout(const ChannelTable& table, int row) {
  if (table.combined != nullptr) return {kPackLabel, true};
  const ChannelRow& r = table.rows[static_cast<std::size_t>(row)];
  switch (r.code) {
    case 'a': return {"加速度波形A(mG) ", false};
    case 'b': return {"加速度波形B(mG) ", false};
    case 'c': return {"加速度波形C(mG) ", false};
    case 'd': return {"ECG波形(mV)     ", false};
    default: break;
  }
  switch (r.kind) {
    case common::kKindAcceleration:
    case common::kKindLevel: return {"加速度 ", true};
    case common::kKindTilt: return {"傾斜   ", true};
    case common::kKindHeartRate: return {"ＨＲ   ", true};
    case common::kKindRR: return {"ＲＲ   ", false};
    default: return {};
  }
}

void set_current_start(std::string& header, const StartText& start) {
  const common::HeaderLayout& L = common::kCurrentHeader;
  common::set_mid(header, L.start_time.pos, start.mmddhhmm);
  common::set_mid(header, L.start_year.pos, start.year);
}

// ECG group k: the 8 leading characters zeroed, the block's sample index rebased on the range
// start. A block that begins before the range is written as 0.
void rebase_ecg_groups(std::string& header, std::int64_t start_index) {
  const common::HeaderLayout& L = common::kCurrentHeader;
  const auto blocks = static_cast<int>(common::hex_value(common::mid(header, L.ecg_blocks.pos, L.ecg_blocks.width)));
  for (int k = 0; k < std::min(blocks, common::kMaxEcgBlocks); ++k) {
    const int group = L.ecg_groups.pos + common::kEcgGroupStride * k;
    const int pos_at = group + common::kEcgGroupPosition.pos;
    const auto old = static_cast<std::int64_t>(
        common::hex_value(common::mid(header, pos_at, common::kEcgGroupPosition.width)));
    const std::int64_t rebased = std::max<std::int64_t>(0, old - start_index);
    common::set_mid(header, group + common::kEcgGroupHead.pos, std::string(static_cast<std::size_t>(common::kEcgGroupHead.width), '0'));
    common::set_mid(header, pos_at, common::hex_field(static_cast<std::uint64_t>(rebased), common::kEcgGroupPosition.width));
  }
}

// Copies `count` fields from sample `start` of `source` into records 2, 3, ... of `out`, each
// record begun with `prefix` and written as 255 characters. Answers the failure, if any.
std::optional<RunError> copy_fields(ChannelReader& source, common::RecordFile& out, std::int64_t start,
                                    std::int64_t count, const std::string& prefix, const Progress& progress,
                                    bool& stopped, const std::string& what) {
  const auto per = static_cast<std::int64_t>(source.coding().per_record);
  std::string buffer = prefix;
  std::int64_t out_no = common::kDataFirstRecord;
  const auto put = [&]() -> bool {
    const bool ok = out.write(out_no++, common::pad_right(buffer, kField));
    buffer = prefix;
    return ok;
  };
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t s = start + i;
    const std::optional<std::string_view> field = source.field(s);
    if (!field)
      return RunError{run_error::kPastEnd, resave_erl(step::kReadData),
                      what + ": record " + std::to_string(s / per + common::kDataFirstRecord) + " is missing"};
    buffer.append(*field);
    if ((i + 1) % per == 0 && !put()) return RunError{run_error::kDiskFull, resave_erl(step::kWriteData), "write failed"};
    if ((i + 1) % kIdleEvery == 0 && progress.idle) progress.idle();
    if (progress.stopped && progress.stopped()) {
      stopped = true;
      return std::nullopt;
    }
  }
  if (buffer.size() > prefix.size() && !put()) return RunError{run_error::kDiskFull, resave_erl(step::kWriteData), "write failed"};
  return std::nullopt;
}

// One output file: source opened, header changed by `edit_header`, fields copied, staged
// file put in place.
template <class EditHeader>
ResaveResult save_one(const ResaveJob& job, int row, const std::string& out_path, std::int64_t start,
                      std::int64_t count, EditHeader edit_header, const Progress& progress) {
  ResaveResult res;
  res.path = out_path;
  const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
  const CopyLayout def = copy_layout(job.channels, row);
  const auto fail = [&](RunError e) {
    res.error = std::move(e);
    if (progress.print)
      progress.print(std::string("実行エラー  ") + run_error_text(*res.error) + "  " + common::name_part(out_path));
    return res;
  };
  if (progress.print) progress.print(std::string(def.label) + common::name_part(r.path) + " → " + common::name_part(out_path));
  if (def.label[0] == '\0')
    return fail({run_error::kPastEnd, resave_erl(step::kOpenSource), "channel " + std::string(1, r.code) + " cannot be copied"});
  if (const auto o = overwrite_of({out_path}, job.channels))
    return fail({run_error::kPathAccess, resave_erl(step::kCreateOutput), overwrite_reason(*o)});

  ChannelReader source;
  if (!source.open(r.path, coding_of(job.channels, row), true))
    return fail({run_error::kFileNotFound, resave_erl(step::kOpenSource), r.path + ": cannot be opened"});
  if (source.record_count() < 1) return fail({run_error::kPastEnd, resave_erl(step::kReadHeader), r.path + ": no header record"});
  std::string header = source.header();
  edit_header(header);
  const std::string prefix = def.prefix ? source.record_prefix() : std::string();

  StagedFile staged(out_path);
  staged.prepare();
  common::RecordFile out;
  if (!out.open(staged.temp_path(), common::RecordFile::Mode::ReadWriteCreate))
    return fail({run_error::kPathAccess, resave_erl(step::kCreateOutput), out_path + ": cannot be written"});
  if (!out.write(1, header)) return fail({run_error::kDiskFull, resave_erl(step::kWriteHeader), out_path + ": write failed"});
  bool stopped = false;
  if (auto e = copy_fields(source, out, start, count, prefix, progress, stopped, r.path)) return fail(*e);
  if (stopped) {
    res.stopped = true;
    return res;
  }
  const bool flushed = out.flush();
  out.close();
  if (!flushed) return fail({run_error::kDiskFull, resave_erl(step::kClose), out_path + ": write failed"});
  if (!staged.commit()) return fail({run_error::kDeviceIo, resave_erl(step::kRename), out_path + ": cannot be put in place"});
  res.written = true;
  return res;
}

}  // namespace

ResaveRefusal resave_refusal(std::string_view extension) {
  if (extension == ".ac5") return ResaveRefusal::Mode5;
  if (extension == ".c" || extension == ".C") return ResaveRefusal::DotC;
  return ResaveRefusal::None;
}

std::string resave_base_name(std::string_view chosen_path, bool combined) {
  const std::string name = common::name_part(chosen_path);
  if (name.empty() || name.front() == '.') return {};
  const std::string stem = common::stem_part(chosen_path);
  return combined ? stem : common::fit_base_name(stem);
}

ResaveJob make_resave_job(const ProcessingConditions& c, const ChannelTable& channels, const RecordingInfo& info,
                          std::int64_t sample_count, const std::string& chosen_path) {
  ResaveJob job;
  job.base_name = common::name_part(channels.prefix);
  job.extension = channels.extension;
  job.channels = channels;
  const bool combined = channels.combined != nullptr;
  job.out_directory = GET_PASS(chosen_path);
  job.out_base = resave_base_name(chosen_path, combined);
  job.range = selected_range(c, sample_count);

  // The header names whole minutes: the range starts at the minute its first sample lies in.
  const double interval = c.interval.seconds;
  std::int64_t minute_seconds = 0;
  if (interval > 0) {
    minute_seconds = static_cast<std::int64_t>(std::floor(static_cast<double>(job.range.start) * interval / 60.0 + 1e-9)) * 60;
    const auto minute_start =
        std::min(job.range.start, static_cast<std::int64_t>(std::floor(static_cast<double>(minute_seconds) / interval + 1e-9)));
    if (job.range.count > 0) job.range.count += job.range.start - minute_start;
    job.range.start = minute_start;
  }
  std::int64_t seconds = first_sample_seconds(info) + minute_seconds;
  if (combined && job.range.count > 0 && channels.count > 0) {
    ChannelReader file;
    if (file.open(channels.rows[0].path, coding_of(channels, 0), true))
      if (const std::optional<Sample> first = file.at(job.range.start); first && first->marker)
        seconds -= 60 * static_cast<std::int64_t>(first->value);
  }
  job.start = start_text_of(common::mid(info.item[RecordingInfo::kStartTime], 1, 2), static_cast<std::int32_t>(seconds));

  if (const std::optional<RrBeats> beats = range_beats(channels, job.range)) {
    job.rr_index = true;
    job.rr_start = beats->first;
    job.rr_count = beats->count;
    job.rr_count_text = common::hex_field(static_cast<std::uint64_t>(beats->count), 8);
  }
  return job;
}

std::string resave_file_name(const ResaveJob& job, int row) {
  if (job.channels.combined != nullptr) return job.out_directory + job.out_base + "_c" + job.extension;
  return job.out_directory + job.out_base + job.channels.rows[static_cast<std::size_t>(row)].code +
         std::string(kResavedExtension);
}

std::string resave_index_name(const ResaveJob& job) {
  return job.out_directory + job.out_base + common::kRRIndexCode + std::string(kResavedExtension);
}

namespace {

// What a channel of the range copies: its start and count in the file's own samples, the
// count its header states, and a note when the source holds less than the range. Nothing to
// copy gives a count of 0 and the note saying why.
struct ChannelCopy {
  std::int64_t start = 0;
  std::int64_t count = 0;
  std::int64_t header_count = 0;
  std::string note;
};

ChannelCopy channel_copy(const ResaveJob& job, int row) {
  const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
  ChannelCopy c;
  if (r.kind == common::kKindRR) {
    // The beats of the range (not as many words as the range has samples): the new RR file
    // holds exactly the intervals its RR count speaks of, and states the new recording's count.
    c.start = job.rr_start;
    c.count = job.rr_count;
    c.header_count = job.range.count;
    if (c.count <= 0 && job.range.count > 0) c.note = "the range holds no beats (the RR data ends before it)";
    return c;
  }
  // The ECG waveform file counts its own samples, five per interval, as the source does.
  const int per_trend_sample = r.code == 'd' ? 5 : 1;
  const std::int64_t held = samples_held(job.channels, row) / per_trend_sample;
  const std::int64_t covered = std::clamp<std::int64_t>(held - job.range.start, 0, job.range.count);
  if (covered < job.range.count)
    c.note = "the file holds " + std::to_string(held) + " samples: " + std::to_string(covered) + " of the range's " +
             std::to_string(job.range.count) + (covered > 0 ? " are copied" : ", none in the range");
  c.start = job.range.start * per_trend_sample;
  c.count = covered * per_trend_sample;
  c.header_count = c.count;
  return c;
}

}  // namespace

ResaveResult PAC_SAVE(const ResaveJob& job, const Progress& progress) {
  const ChannelCopy copy = channel_copy(job, 0);
  if (copy.count <= 0 && job.range.count > 0) {
    ResaveResult res;
    res.path = resave_file_name(job, 0);
    res.note = copy.note + ": " + common::name_part(res.path) + " is not written";
    return res;
  }
  const std::int64_t count = copy.count;
  const auto edit = [&job, count](std::string& h) {
    const common::HeaderLayout& L = common::kOldHeader;
    common::set_mid(h, L.count.pos, common::hex_field(static_cast<std::uint64_t>(count), L.count.width));
    common::set_mid(h, L.start_time.pos, job.start.year + job.start.mmddhhmm);
    common::set_mid(h, L.rr_count.pos, job.rr_count_text);
  };
  ResaveResult res = save_one(job, 0, resave_file_name(job, 0), copy.start, copy.count, edit, progress);
  res.note = copy.note;
  return res;
}

ResaveResult DTA_SAVE(const ResaveJob& job, int row, const Progress& progress) {
  const ChannelCopy copy = channel_copy(job, row);
  if (copy.count <= 0 && job.range.count > 0) {
    ResaveResult res;
    res.path = resave_file_name(job, row);
    res.note = copy.note + ": " + common::name_part(res.path) + " is not written";
    return res;
  }
  const std::int64_t header_count = copy.header_count;
  const auto edit = [&job, header_count](std::string& h) {
    common::set_current_count(h, static_cast<std::uint64_t>(std::max<std::int64_t>(header_count, 0)));
    set_current_start(h, job.start);
    common::set_mid(h, common::kCurrentHeader.rr_count.pos, job.rr_count_text);
    rebase_ecg_groups(h, job.range.start);
  };
  ResaveResult res = save_one(job, row, resave_file_name(job, row), copy.start, copy.count, edit, progress);
  res.note = copy.note;
  return res;
}

ResaveResult write_resaved_index(const ResaveJob& job) {
  ResaveResult res;
  res.path = resave_index_name(job);
  if (const auto o = overwrite_of({res.path}, job.channels)) {
    res.error = RunError{run_error::kPathAccess, resave_erl(step::kCreateOutput), overwrite_reason(*o)};
    return res;
  }
  const int row = rr_row(job.channels);
  bool written = false;
  if (row >= 0 && build_rr_index(resave_file_name(job, row), res.path, written) && written) {
    res.written = true;
  } else {
    res.error = RunError{run_error::kPathAccess, resave_erl(step::kCreateOutput), res.path + ": cannot be written"};
  }
  return res;
}

std::vector<std::string> resave_outputs(const ResaveJob& job) {
  if (job.channels.combined != nullptr) return {resave_file_name(job, 0)};
  std::vector<std::string> paths;
  for (int row = 0; row < job.channels.count; ++row)
    if (job.channels.rows[static_cast<std::size_t>(row)].present) paths.push_back(resave_file_name(job, row));
  paths.push_back(resave_index_name(job));
  return paths;
}

std::vector<ResaveResult> resave_all(const ResaveJob& job, const Progress& progress) {
  std::vector<ResaveResult> results;
  if (auto refused = overwrite_refusal(resave_outputs(job), job.channels, resave_erl(step::kCreateOutput)))
    return {*refused};
  if (job.channels.combined != nullptr) {
    results.push_back(PAC_SAVE(job, progress));
    return results;
  }
  // An index left by an earlier re-save under the same name would describe other beats.
  std::error_code ec;
  fs::remove(resave_index_name(job), ec);
  bool rr_written = false;
  for (int row = 0; row < job.channels.count; ++row) {
    const ChannelRow& r = job.channels.rows[static_cast<std::size_t>(row)];
    if (!r.present) continue;
    results.push_back(DTA_SAVE(job, row, progress));
    if (results.back().stopped) return results;
    if (r.kind == common::kKindRR) rr_written = results.back().written;
  }
  // The index only beside the RR file it describes.
  if (rr_written) {
    results.push_back(write_resaved_index(job));
    if (results.back().error && progress.print)
      progress.print(std::string("実行エラー  ") + run_error_text(*results.back().error) + "  " +
                     common::name_part(results.back().path));
  }
  return results;
}

}  // namespace ambview
