// The recording loader: splitting the chosen path, finding the channel files, reading the
// header into RecordingInfo, the time base, and the decoding rules of one sample (GET_D,
// GET_Y, GET_BLKSIZ) that the channel reader applies. No windows here: loading answers a
// result or one of the three data errors, and the shell shows them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/recording_format.h"

namespace ambview {

// ---------------------------------------------------------------------------------------
// Path parts. "/" and "\" both separate; the first "." is looked for in the name part only,
// so a folder such as ~/.local/data or run.v2/ does not cut the name.

std::string GET_PASS(std::string_view path);  // directory, up to and including the last separator
std::string GET_FN(std::string_view path);    // base name (7 characters padded with "_" unless ".ac")
std::string GET_EXP(std::string_view path);   // from the first "." of the name to the end, or empty

// ---------------------------------------------------------------------------------------
// Channel table

struct ChannelRow {
  bool present = false;
  char code = ' ';
  char kind = ' ';
  std::string path;  // the file that holds the channel (found without regard to case)
};

inline constexpr int kMaxChannelRows = 11;

struct ChannelTable {
  std::array<ChannelRow, kMaxChannelRows> rows{};
  int count = 0;
  std::string prefix;     // folder + base name as on disk (UTF-8): the set's files are named from it
  std::string extension;  // as on disk; decides combined decoding
  const common::CombinedLayout* combined = nullptr;  // set for a listed ".acN" extension
};

// Fills the table from the files prefix + code + extension ("0" .. "d" in order), or with
// the fixed rows of a combined file. Files are opened read-only.
void GET_F(std::string_view prefix, std::string_view extension, ChannelTable& table);

// Number of rows whose present flag is set.
int NO_EXF(const ChannelTable& table);

// Samples per data record of a row: by kind, then a combined extension overrides.
int GET_BLKSIZ(const ChannelTable& table, int row);

// Decoded sample j of row `row` from one data record (recording_format.h rules).
std::int32_t GET_D(std::string_view record, const ChannelTable& table, int row, int j);

// Sample height in pixels for a plot of `height` pixels. `interval` is the sample interval
// in seconds (steps and level scalings). A zero full scale or interval gives 0, never a
// division by zero.
std::int32_t GET_Y(std::string_view record, const ChannelTable& table, int row, int j, int height,
                   double acc_full_scale, double hr_full_scale, double interval);
// The same for a sample value `v` (as GET_D gives it) of a channel row.
std::int32_t GET_Y(std::int32_t v, const ChannelRow& row, int height, double acc_full_scale, double hr_full_scale,
                   double interval);

// Acceleration full scale in mG of a scale index (0: 4000 .. 5: 60; others 0).
int GET_YSIZ(int index);
// Heart-rate full scale in BPM (0: 300, 1: 180; others 0).
int GET_HRYSIZ(int code);

// ---------------------------------------------------------------------------------------
// Recording information and time base

// Text items, numbered as the program numbers them.
struct RecordingInfo {
  static constexpr int kStartTime = 0;    // YYMMDDhhmm
  static constexpr int kComment = 5;      // 20 bytes, CP932
  static constexpr int kCount = 6;        // decimal text
  static constexpr int kInterval = 7;     // seconds, decimal text
  static constexpr int kThreshold1 = 8;   // G; 9 and 10 follow
  static constexpr int kEcgBlocks = 14;
  static constexpr int kStartOffset = 27;  // minutes (combined files)
  std::array<std::string, 28> item{};
};

// Fill RecordingInfo from a current-layout / old-layout header. The path decides the "d"
// rule: the ECG waveform file runs five samples per sample interval, so its count is /5.
RecordingInfo ACC_STATUS(std::string_view chosen_path, std::string_view header_record);
RecordingInfo CAL_STATUS(std::string_view chosen_path, std::string_view header_record);

// True when the chosen path names the ECG waveform file "d" of a per-channel set.
bool is_ecg_wave_path(std::string_view chosen_path);

struct TimeBase {
  std::int32_t duration = 0;         // seconds
  std::int32_t recording_start = 0;  // seconds-of-year, start offset included
  std::int32_t display_start = 0;    // seconds from the recording start
  std::int32_t display_span = 0;     // seconds, a multiple of 60, at least 60
};

// ---------------------------------------------------------------------------------------
// Loading (the steps of OPEN_DATA without the dialog)

enum class LoadError {
  None,
  NotProcessable,  // the file cannot be opened, its header read, or its header is absurd
  NoChannels,      // no channel file found
  TooShort,        // duration below 1 second
};

struct DataErrorMessage {
  const char* caption;
  const char* text;
};
inline constexpr DataErrorMessage kNotProcessableMessage{"データーエラー", "処理できるデーターではありません"};
inline constexpr DataErrorMessage kNoChannelsMessage{"データーエラー", "処理できるﾃﾞｰﾀｰがありません"};
inline constexpr DataErrorMessage kTooShortMessage{"データーエラー(A)", "処理できるﾃﾞｰﾀｰがありません"};
// The caption and text for an error (None gives empty texts).
DataErrorMessage message_for(LoadError error);

struct LoadedRecording {
  std::string path;        // as chosen
  std::string directory;   // GET_PASS
  std::string base_name;   // GET_FN
  std::string extension;   // GET_EXP
  common::RecordingHeader header;  // of the chosen file
  RecordingInfo info;
  ChannelTable table;
  std::int64_t sample_count = 0;  // item 6 rounded
  float interval = 0;             // item 7, single precision
  std::int32_t start_offset = 0;  // minutes
  TimeBase time;
};

struct LoadResult {
  LoadError error = LoadError::None;
  LoadedRecording recording;
  bool ok() const { return error == LoadError::None; }
};

// Loads the chosen path as a fresh open: display start 0, span = duration rounded up to
// whole minutes. Never writes a file.
LoadResult load_recording(const std::string& chosen_path);

// Display span of a fresh open: the duration rounded up to whole minutes, at least 60.
std::int32_t fresh_display_span(std::int32_t duration);

}  // namespace ambview
