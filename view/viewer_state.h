// The one program-wide state of the analysis program: processing conditions, the event code,
// the open recording (channel table, RecordingInfo, time base), the windows and the table of
// operations the main loop dispatches to. Every view and export reads it from here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/settings_record.h"
#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "view/recording/loader.h"

namespace ambview {

struct ViewerState;

// An operation of the main loop (menu command or window event), run to its end. `code` is
// the event code that started it, so one operation can serve several codes (401-404).
using Operation = std::function<void(ViewerState& state, ui::Platform& platform, int code)>;

// Slots of the processing conditions, numbered as "RaZor.prm" numbers them.
namespace slot {
inline constexpr int kDirectoryLength = 0;  // one character: the length of slot 1
inline constexpr int kDirectory = 1;        // data directory, ends with "/"
inline constexpr int kBaseName = 2;         // base name of the last recording
inline constexpr int kAveraging = 3;        // "0" block mean, "1" moving mean
inline constexpr int kAccScale = 4;         // VSCROLL1 position 0..5
inline constexpr int kHrScale = 5;          // VSCROLL2 position 0..1
inline constexpr int kAverageN = 6;         // n of the average, 1..999
inline constexpr int kColourScale1 = 7;     // PICTURE1  "ｽｹｰﾙ1"  (hex colour)
inline constexpr int kColourScale2 = 8;     // PICTURE20 "ｽｹｰﾙ2"
inline constexpr int kColourTrend = 9;      // PICTURE2  "ﾄﾚﾝﾄﾞ"
inline constexpr int kDuration = 10;        // seconds
inline constexpr int kDisplayStart = 11;    // seconds from the recording start
inline constexpr int kDisplaySpan = 12;     // seconds
inline constexpr int kInterval = 13;        // sample interval text
inline constexpr int kColourBack = 14;      // PICTURE3  "背景"
inline constexpr int kColourText = 15;      // PICTURE21 "ｺﾒﾝﾄ"
inline constexpr int kExtension = 16;       // extension of the last recording
inline constexpr int kPerLine = 17;         // values per line of the text exports
inline constexpr int kCalorieFirst = 18;    // 18-26: calorie settings
inline constexpr int kCalorieLast = 26;
}  // namespace slot

// The windows of the program; empty until first opened.
struct ViewerForms {
  std::unique_ptr<ui::Form> main;   // MAINFORM: menu ACCMENU, the trend is drawn here
  std::unique_ptr<ui::Form> form2;  // processing-conditions dialog with the overview
  std::unique_ptr<ui::Form> form3;  // progress window of re-saving and text export
  std::unique_ptr<ui::Form> form4;  // ECG window "心電図"
  std::unique_ptr<ui::Form> form5;  // waveform window "波形表示"
  std::unique_ptr<ui::Form> form6;  // calorie windows
  std::unique_ptr<ui::Form> form7;
};

struct ViewerState {
  // Processing conditions: 29 text slots, CP932 bytes as stored in "RaZor.prm".
  common::SettingsSlots conditions{};

  // The program-wide event code: handlers store it, the waiting loops read it and set it
  // back to 0 before each wait. `mouse` is the position FORM2_MOUSEDOWN/UP stored.
  std::int16_t event_code = 0;
  ui::Point mouse{};

  // The open recording, valid once `loaded` is set (a processing-conditions dialog
  // accepted). The chosen path stays UTF-8 as on disk; the slots hold it in CP932.
  bool loaded = false;
  std::string recording_path;
  ChannelTable channels;
  RecordingInfo info;
  TimeBase time;
  std::int64_t sample_count = 0;
  float interval = 0;

  // The program's start directory (UTF-8, ends with "/"): "RaZor.prm" lives here and the
  // error handler falls back to it.
  std::string start_directory;
  // The data directory as it is on disk (UTF-8, ends with "/"): where files are opened and
  // written. Slot 1 stores it in CP932 and keeps its last value when CP932 cannot hold it.
  std::string data_directory;
  // The name the file-open dialog proposes (UTF-8).
  std::string default_file_name;

  // The size of the main window when the trend was last drawn in it; 0 when it shows none
  // (a resize to another size draws it again).
  int trend_width = 0;
  int trend_height = 0;

  // Waveform monitor state tables, reset at start-up; the waveform window owns their meaning.
  std::array<int, 22> wave_state{};
  // The waveform window's measuring line (x1, y1, x2, y2); x1 = -1 when none is shown.
  std::array<int, 4> wave_line{-1, 0, 0, 0};
  // Pixels per acceleration sample of the waveform window: 1 at start, 0.5 to 8.
  float wave_speed = 1.0f;
  // The speed the page on screen was drawn at (0: none drawn): a speed change takes effect at
  // the next page, and the measuring line reads the page as it stands.
  float wave_page_speed = 0.0f;

  ViewerForms forms;

  // What the main loop runs per event code; codes without an entry do nothing.
  std::map<int, Operation> operations;
};

// A slot as UTF-8 for showing, and a UTF-8 value stored into a slot.
std::string slot_text(const ViewerState& state, int slot);
void set_slot_text(ViewerState& state, int slot, std::string_view utf8);
// The open recording's base name and extension as they are on disk (UTF-8); before a
// recording is open, those of slots 2 and 16.
std::string data_base_name(const ViewerState& state);
std::string data_extension(const ViewerState& state);

}  // namespace ambview
