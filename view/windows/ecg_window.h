// The ECG window FORM4 "心電図": the main loop's operation for the menu's ECG-1 .. ECG-4.
#pragma once

#include "ui/platform.h"
#include "view/windows/viewer_state.h"

namespace ambview {

// The main loop's operation for 401-404: the block into FORM4 (opened by the shell), stopping
// when the user closes the window.
void run_ecg(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
