// TREND: the trend view of the open recording, one band per displayed channel with its
// frame, scale labels, caption, event marks and time grid, then the band procedures. The
// GUI (event code 203) and the command line's render both draw through this one function.
#pragma once

#include <string>
#include <string_view>

#include "ui/canvas.h"
#include "view/recording/loader.h"
#include "view/viewer_state.h"

namespace ambview {

// Draws the whole view into `window` (its width and height set the layout) from the
// processing conditions, the channel table and the recording information of the open
// recording. Shows no message: unreadable headers leave out the level caption or the event
// marks, and each band stops silently on its own read error.
void TREND(ui::Canvas& window, const ProcessingConditions& conditions, const ChannelTable& channels,
           const RecordingInfo& info);

// The main loop's operation for event code 203: TREND into the main window of the loaded
// recording; nothing before a recording is loaded.
void run_trend(ViewerState& state, ui::Platform& platform, int code);

namespace trend {

// Time grid of a span of M minutes: minutes per major and per minor line.
struct TimeGrid {
  int major = 1;
  double minor = 0.5;
};
TimeGrid time_grid(std::int64_t span_minutes);

// The labels of the acceleration scale index (0..5; others read as 0), top line first; the
// number of divisions is one less than the labels.
const std::vector<std::string_view>& acceleration_labels(int scale_index);
// The rate and ECG label columns: 0, 1 heart rate (scale index 0, 1), 2, 3 ECG.
const std::vector<std::string_view>& rate_labels(int column);

// The caption of a band (UTF-8): "  <" name "> T(S)=" interval [" L(G)=" level] " N=" n
// " [" comment "]" and the waveform bands' division text; `name` is base name, code and
// extension as on disk.
std::string band_caption(const ProcessingConditions& conditions, const RecordingInfo& info,
                         const ChannelRow& row, const std::string* level_text, std::string_view name);

}  // namespace trend
}  // namespace ambview
