// The processing conditions of the analysis program, typed: what the user chose for the trend
// (channels aside), the window of the last recording, the export and calorie settings. Read
// once from "RaZor.prm" and written back by conditions_file; everything else uses the fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/calorie_model.h"
#include "ui/colour.h"

namespace ambview {

// The averaging of the trend display ("平均" / "移動平均").
enum class Averaging { Block, Moving };

// A sample interval as the recording's header names it ("0.5", "0.04", "2"): the text that
// captions and exports show, and its value in seconds.
struct IntervalText {
  std::string text;
  double seconds = 0;
  static IntervalText of(std::string text);
  bool operator==(const IntervalText&) const = default;
};

struct ProcessingConditions {
  std::string directory;  // data directory (CP932, as the file stores it), ends with "/"
  std::string base_name;  // base name of the last recording (CP932)
  std::string extension;  // extension of the last recording (CP932)

  Averaging averaging = Averaging::Block;
  int acc_scale = 0;  // VSCROLL1: acceleration full scale 0-5 (GET_YSIZ)
  int hr_scale = 0;   // VSCROLL2: heart-rate full scale 0-1 (GET_HRYSIZ); 0 also picks the 1 mV ECG scale
  int average_n = 1;  // n of the average, shown as "n="

  // The five swatches of the dialog.
  ui::Colour scale1_colour = 0;  // PICTURE1  "ｽｹｰﾙ1": main grid
  ui::Colour scale2_colour = 0;  // PICTURE20 "ｽｹｰﾙ2": fine grid
  ui::Colour trend_colour = 0;   // PICTURE2  "ﾄﾚﾝﾄﾞ"
  ui::Colour back_colour = 0;    // PICTURE3  "背景"
  ui::Colour text_colour = 0;    // PICTURE21 "ｺﾒﾝﾄ"

  std::int64_t duration = 0;       // seconds of the last recording
  std::int64_t display_start = 0;  // seconds from the recording start
  std::int64_t display_span = 0;   // seconds
  IntervalText interval;           // of the last recording

  int per_line = 8;  // values per line of the text exports and calorie files
  common::CalorieSettings calorie;

  // Two fields the file carries that nothing reads; written back as they were.
  std::string kept_27;
  std::string kept_28;

  bool operator==(const ProcessingConditions&) const = default;
};

// The conditions of a first start, with `start_directory` (UTF-8) as data directory.
ProcessingConditions default_conditions(std::string_view start_directory);

// The values-per-line answer of an input box: its last four characters as typed, as a whole
// number (the callers take a value below 1 as 1).
int per_line_answer(std::string_view answer_utf8);

}  // namespace ambview
