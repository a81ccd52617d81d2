// The text export "テキスト形式に変換して保存": the selected range of every shown
// channel written as a comma-separated ".prn" file for spreadsheets. Also the pieces the
// re-save shares with it: the selected sample range, the RR range from the RR index file, the
// start time of a range, run-time error numbers and staged output files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/staged_file.h"
#include "view/recording/channel_reader.h"
#include "view/output/export_values.h"
#include "view/recording/loader.h"
#include "view/recording/rr_index.h"
#include "view/settings/processing_conditions.h"

namespace ambview {

// ---------------------------------------------------------------------------------------
// Shared with re-saving

// The samples of the window selected for the trend display.
struct SampleRange {
  std::int64_t start = 0;  // index of the first sample
  std::int64_t count = 0;
};

// Start index = display start / interval and count = span / interval, both rounded, the span
// cut to the duration (of the processing conditions). The count is also kept within
// the `sample_count` samples the recording holds: the duration is rounded to whole seconds
// and may name one sample more than there is.
SampleRange selected_range(const ProcessingConditions& conditions, std::int64_t sample_count);

// Row of kind "6" among the present rows, or -1.
int rr_row(const ChannelTable& table);

// The beats of a range from the RR index (built when missing); nothing without an RR row or
// when its index can neither be read nor made.
std::optional<RrBeats> range_beats(const ChannelTable& channels, const SampleRange& range);

// Two-digit year and MMDDhhmm of a time in seconds of the year of `year_text` (SEC_YMDHM).
struct StartText {
  std::string year;
  std::string mmddhhmm;
};
StartText start_text_of(std::string_view year_text, std::int32_t seconds_of_year);
// Seconds of the year of the recording's first sample: the header's start time plus the
// start offset of a combined file (RecordingInfo items 0 and 27).
std::int32_t first_sample_seconds(const RecordingInfo& info);

// Run-time errors of the exports, numbered as the program's error numbers were, with a
// stable number (ERL) for the step that failed.
namespace run_error {
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kPastEnd = 62;
inline constexpr int kPathAccess = 75;
}  // namespace run_error
// The steps reported as ERL, the text export's; the re-save's steps are the same plus
// kResaveSteps.
namespace step {
inline constexpr int kOpenSource = 110;
inline constexpr int kReadHeader = 120;
inline constexpr int kCreateOutput = 210;
inline constexpr int kWriteHeader = 310;
inline constexpr int kReadData = 410;
inline constexpr int kWriteData = 420;
inline constexpr int kClose = 510;
inline constexpr int kRename = 520;
inline constexpr int kResaveSteps = 1000;
}  // namespace step
struct RunError {
  int err = 0;
  int erl = 0;
  std::string detail;  // what failed, for the command line (UTF-8)
};
// "ERR=53   ERL=110"
std::string run_error_text(const RunError& e);

using common::StagedFile;

// What became of one file of an export or a re-save.
struct ChannelResult {
  std::string path;  // the file (UTF-8)
  bool written = false;
  bool stopped = false;  // the user closed the progress window
  std::optional<RunError> error;
  // Said to the user (UTF-8) when the source holds less than the range: how much was
  // written, or why nothing was.
  std::string note;
};

// When any of `outputs` would replace a file of the recording: the one result that says so
// (nothing is written then), with `erl` as the step.
std::optional<ChannelResult> overwrite_refusal(const std::vector<std::string>& outputs, const ChannelTable& channels,
                                               int erl);

// What an export shows while it runs and how it learns that the user stopped it.
struct Progress {
  std::function<void(std::string_view utf8)> print;  // one line of the progress window
  std::function<bool()> stopped;                     // the user closed the progress window
  std::function<void()> idle;                        // lets the window update now and then
};

// ---------------------------------------------------------------------------------------
// The text export

// The column of a channel: heading (16 bytes in CP932, trailing blanks included) and samples
// per record.
struct ExportColumn {
  const char* heading = "";  // UTF-8
  int per_record = 0;
};
ExportColumn export_column(const ChannelTable& table, int row);

// Output file name: per-channel set base (7) + code + ".prn"; combined base + "_" + code + ".prn".
// The base name is the recording's own, as it is on disk.
std::string export_file_name(std::string_view base_name, char code, std::string_view extension);


// Everything TEXT_SAVE needs for one run over the channels.
struct TextExportJob {
  std::string out_directory;  // where the ".prn" files go (UTF-8, ends with "/")
  std::string base_name;      // GET_FN of the recording (UTF-8)
  std::string extension;
  ChannelTable channels;
  RecordingInfo info;
  std::string interval_text;  // of the processing conditions
  int per_line = 8;           // P
  SampleRange range;
  StartText start;
  bool rr_index = false;      // the RR index could be had (read, or built when missing)
  std::int64_t rr_start = 0;  // the beats of the range
  std::int64_t rr_count = 0;
  std::string rr_count_text = "0";  // as the header line shows it
};

// The job of the current selection: range, start text of its first sample, the beats of the
// range from the RR index (built when missing), P. Names come from the channel table (as on
// disk), never from the CP932 slots.
TextExportJob make_text_export_job(const ProcessingConditions& conditions, const ChannelTable& channels,
                                   const RecordingInfo& info, std::int64_t sample_count,
                                   const std::string& out_directory);

// P of the processing conditions, within 1..9999.
int values_per_line(const ProcessingConditions& conditions);

// The ".prn" files of the present channels, in table order.
std::vector<std::string> text_export_outputs(const TextExportJob& job);

// One channel's ".prn" file; never written over a file of the recording.
ChannelResult TEXT_SAVE(const TextExportJob& job, int row, const Progress& progress);
// Every present channel in table order; stops after a channel the user stopped. When any of
// the files would replace a file of the recording, nothing is written: one result says so.
std::vector<ChannelResult> text_export_all(const TextExportJob& job, const Progress& progress);

// Texts of the dialogue.
inline constexpr const char* kTextExportCaption = "ﾃｷｽﾄ変換ﾃﾞｰﾀｰの保存";
inline constexpr const char* kPerLinePrompt = "一行のデーター数を入力してください";
inline constexpr const char* kRunErrorCaption = "実行エラー";
inline constexpr const char* kTextExportDone = "\tﾃﾞｰﾀｰ保存を終了";
inline constexpr const char* kTextExportIncomplete = "\tﾃﾞｰﾀｰ保存を終了 (書き込めなかったファイルがあります)";


}  // namespace ambview
