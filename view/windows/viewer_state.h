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

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "view/recording/loader.h"
#include "view/recording/series_cache.h"
#include "view/compute/wave_page.h"
#include "view/settings/processing_conditions.h"
#include "view/windows/viewer_extras.h"

namespace ambview {

struct ViewerState;
struct HrvReport;

// An operation of the main loop (menu command or window event), run to its end. `code` is
// the event code that started it, so one operation can serve several codes (the four ECG blocks).
using Operation = std::function<void(ViewerState& state, ui::Platform& platform, int code)>;

// The windows of the program; empty until first opened.
struct ViewerForms {
  std::unique_ptr<ui::Form> main;   // MAINFORM: menu ACCMENU, the trend is drawn here
  std::unique_ptr<ui::Form> form2;  // processing-conditions dialog with the overview
  std::unique_ptr<ui::Form> form3;  // progress window of re-saving and text export
  std::unique_ptr<ui::Form> form4;  // ECG window "心電図"
  std::unique_ptr<ui::Form> form5;  // waveform window "波形表示"
  std::unique_ptr<ui::Form> form6;  // calorie windows
  std::unique_ptr<ui::Form> form7;
  std::unique_ptr<ui::Form> hrv;    // HRV window
};

struct ViewerState {
  // Processing conditions, stored in "RaZor.prm".
  ProcessingConditions conditions;

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
  // Its channel files as the trend last decoded them, so that moving the window redraws
  // without reading them again.
  SeriesCache series_cache;

  // The program's start directory (UTF-8, ends with "/"): "RaZor.prm" lives here and the
  // error handler falls back to it.
  std::string start_directory;
  // The data directory as it is on disk (UTF-8, ends with "/"): where files are opened and
  // written. The conditions store it in CP932 and keep its last value when CP932 cannot hold it.
  std::string data_directory;
  // The name the file-open dialog proposes (UTF-8).
  std::string default_file_name;

  // The size of the main window when the trend was last drawn in it; 0 when it shows none
  // (a resize to another size draws it again).
  int trend_width = 0;
  int trend_height = 0;

  // The waveform monitor's page, reset at start-up; the waveform window owns its meaning.
  wave::WaveState wave_state;
  // The waveform window's measuring line (x1, y1, x2, y2); x1 = -1 when none is shown.
  std::array<int, 4> wave_line{-1, 0, 0, 0};
  // Pixels per acceleration sample of the waveform window: 1 at start, 0.5 to 8.
  float wave_speed = 1.0f;
  // The speed the page on screen was drawn at (0: none drawn): a speed change takes effect at
  // the next page, and the measuring line reads the page as it stands.
  float wave_page_speed = 0.0f;

  ViewerForms forms;
  // What the HRV window shows, kept for its save buttons.
  std::shared_ptr<const HrvReport> hrv_report;

  // What the main loop runs per event code; codes without an entry do nothing.
  std::map<int, Operation> operations;

  // Navigation, status line, recent files and the other desktop habits.
  ViewerExtras extras;
};

// The open recording's base name and extension as they are on disk (UTF-8); before a
// recording is open, those the conditions keep of the last one.
std::string data_base_name(const ViewerState& state);
std::string data_extension(const ViewerState& state);

}  // namespace ambview
