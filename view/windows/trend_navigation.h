// Moving the trend's time window from the main window: keys, the wheel and a range dragged
// on the trend become window moves, which are worked out here in whole minutes under the
// same rules as the processing-conditions dialog and stored in the same slots.
#pragma once

#include <cstdint>

#include "ui/form.h"
#include "view/windows/viewer_state.h"

namespace ambview {

enum class TrendMove { None, Back, Forward, PageBack, PageForward, First, Last, ZoomIn, ZoomOut, Range };

// The displayed time window: seconds from the recording start, and its length.
struct TimeWindow {
  std::int32_t start = 0;
  std::int32_t span = 0;
  bool operator==(const TimeWindow&) const = default;
};

// ←/→ a tenth of the span, PgUp/PgDn a span, Home/End the ends, +/− the span halved or doubled.
TrendMove move_for_key(int key);
// The wheel pages (towards the start when turned away from the user); with Ctrl it zooms.
TrendMove move_for_wheel(int notches, bool ctrl);

// The window after a move in a recording of `length` seconds. Steps are whole minutes, at
// least one; the span stays between a minute and the whole recording; a zoom keeps the
// centre; Range takes [from, to] (seconds from the recording start) widened to whole minutes.
TimeWindow move_window(TimeWindow window, std::int32_t length, TrendMove move, std::int32_t from = 0,
                       std::int32_t to = 0);

// Seconds into the window at x of the main window (`width` its client width), held inside
// the window; and the x of a time, for the selection overlay.
std::int32_t seconds_at_x(int x, int width, const TimeWindow& window);

// The main window's navigation events: a key, the wheel or a finished drag stores the move
// and nav_code::kMove; a press, drag and hover update the overlay. True when the event was
// taken (the click that ends a drag is not a click on the trend).
bool take_navigation_event(ViewerState& state, const ui::UiEvent& e);

// The displayed window of the open recording, from slots 11 and 12.
TimeWindow displayed_window(const ViewerState& state);

// Registers nav_code::kMove: the stored move applied, the conditions saved as the dialog
// saves them, the trend drawn again.
void install_navigation_operations(ViewerState& state);

}  // namespace ambview
