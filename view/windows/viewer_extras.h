// The state of the additions around the original windows: the desktop's settings and viewer,
// the program's version and user guide, the recent files, and the trend navigation in
// progress. Users who never touch them meet the original program unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/desktop.h"
#include "view/settings/view_options.h"

namespace ambview {

struct ViewerExtras {
  // None in tests that do not give one: nothing is remembered, no document is opened.
  ui::Desktop* desktop = nullptr;
  std::string version;                   // the About box's
  std::vector<std::string> guide_paths;  // the user guide, the first that exists is opened
  std::vector<std::string> recent;       // newest first, at most kRecentCount
  ViewOptions view;                      // "見やすい表示", remembered between runs

  // A trend move the main window asked for (trend_navigation's TrendMove), run by its code.
  int move = 0;
  int move_count = 1;
  std::int32_t range_from = 0;  // seconds into the window, for a selected range
  std::int32_t range_to = 0;
  int drag_from_x = -1;         // a press on the trend, followed for a range selection
  bool drag_made = false;       // the press became a selection: its click is not a click
  int hover_x = -1;             // the pointer over the trend (-1: elsewhere)
  int hover_y = -1;
};

}  // namespace ambview
