// The main window's status line: the open file, the displayed window's start and span, and
// under the pointer the time to the second and the value of the band there with its unit.
// The pointer's cursor line is an overlay: following the mouse redraws no band.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/form.h"
#include "view/windows/viewer_state.h"

namespace ambview {

// The clock time (hh:mm:ss) of `seconds` from the recording start.
std::string clock_text(const RecordingInfo& info, std::int64_t seconds);

// What the band at (x, y) of the trend holds at that time: its name and value with unit;
// none when (x, y) is on no band. Reads one record of the band's file.
std::optional<std::string> band_value_text(const ViewerState& state, int x, int y);

// The whole status line for the pointer at (x, y) (x = -1: the pointer is off the trend).
std::string status_text(const ViewerState& state, int x, int y);

// The pointer moved over the main window: the status line and cursor line follow it.
void follow_pointer(ViewerState& state, int x, int y);
// The status line again after the window or the recording changed.
void refresh_status(ViewerState& state);

}  // namespace ambview
