// Re-saving "変更した開始時刻､時間で保存": the range selected for the trend display
// cut out of the open recording and written as a new recording of the same family, with the
// start time, counts, RR count and ECG positions of the cut. Records are copied as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "view/recording/loader.h"
#include "view/output/text_export.h"

namespace ambview {

inline constexpr const char* kResaveCaption = "時刻変更データーの保存";
inline constexpr const char* kResaveFilter = "ﾃﾞｰﾀｰ(*);すべてのファイル(*.*)";
inline constexpr const char* kMode5Caption = "実行不可";
inline constexpr const char* kMode5Text = "測定ﾓｰﾄﾞ5では実行出来ません";
inline constexpr const char* kDotCText = "．Ｃ ﾌｧｲﾙは処理できません";
inline constexpr const char* kResaveConfirm =
    "ファイル名に．Ｃがついた形で保存します。\r同じファイル名がある場合は上書きします。";
inline constexpr const char* kResaveDone = "     ﾃﾞｰﾀｰ保存の終了";
inline constexpr const char* kPackLabel = "ﾊﾟｯｸﾃﾞｰﾀｰ";

// Recordings that cannot be re-saved: mode 5 combined files (".ac5") and re-saved sets (".c").
enum class ResaveRefusal { None, Mode5, DotC };
ResaveRefusal resave_refusal(std::string_view extension);

// Everything PAC_SAVE and DTA_SAVE need for one re-save.
struct ResaveJob {
  std::string base_name;   // of the source (UTF-8)
  std::string extension;   // of the source
  ChannelTable channels;
  std::string out_directory;  // ends with "/" (or empty: the current directory)
  std::string out_base;       // combined: the chosen name; per-channel: 7 characters
  SampleRange range;
  StartText start;            // start time of the new recording
  std::string rr_count_text = "00000000";
  bool rr_index = false;      // the source's RR index could be had (read, or built when missing)
  std::int64_t rr_start = 0;  // first beat of the range
  std::int64_t rr_count = 0;  // beats of the range
};

// The output base from the chosen path: its name part up to the first "."; per-channel sets
// cut or pad it with "_" to 7 characters. Empty when the path names no file.
std::string resave_base_name(std::string_view chosen_path, bool combined);

// The job of the current selection saved under `chosen_path`. The header names the new start
// time in whole minutes, so the range starts at the whole minute its first sample lies in
// (its end stays): the new recording's clock is true to the second. A combined range that
// begins with a marker frame carries that frame (records are copied as stored) and readers
// add its M minutes again: the header then holds the time M minutes earlier, so that the
// re-opened recording starts where the range did. The beats come from the RR index (built
// when missing); names from the channel table (as on disk).
ResaveJob make_resave_job(const ProcessingConditions& conditions, const ChannelTable& channels,
                          const RecordingInfo& info, std::int64_t sample_count, const std::string& chosen_path);

// Output file names: combined base + "_c" + extension; per-channel base + code + ".c"; the RR
// index of the new set base + "i" + ".c".
std::string resave_file_name(const ResaveJob& job, int row);
std::string resave_index_name(const ResaveJob& job);

// The files a re-save writes: the combined file, or every present channel's file and the
// new set's RR index.
std::vector<std::string> resave_outputs(const ResaveJob& job);

using ResaveResult = ChannelResult;

// The combined file.
ResaveResult PAC_SAVE(const ResaveJob& job, const Progress& progress);
// One file of a per-channel set.
ResaveResult DTA_SAVE(const ResaveJob& job, int row, const Progress& progress);
// The RR index of the new set, built from its RR file as the link program derives it.
ResaveResult write_resaved_index(const ResaveJob& job);
// All of it: PAC_SAVE, or DTA_SAVE for every present row and the RR index. The new set's old
// RR index (from an earlier re-save under the same name) is removed first. When any output
// would replace a file of the recording, nothing is written or removed: one result says so.
std::vector<ResaveResult> resave_all(const ResaveJob& job, const Progress& progress);


}  // namespace ambview
