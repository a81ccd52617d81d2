// The ECG window FORM4 "心電図": the main loop's operation for the menu's ECG-1 .. ECG-4.
#pragma once

#include "ui/platform.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

// The block file of an ECG menu code: ECG-1 'e' ... ECG-4 'h'; 0 for any other code.
char ecg_block_of(int code);

// The main loop's operation for the ECG menu codes: the block into FORM4 (opened by the shell), stopping
// when the user closes the window.
void run_ecg(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
