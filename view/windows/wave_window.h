// The waveform window FORM5 "波形表示": the main loop's operations for its event codes.
#pragma once

#include <array>

#include "ui/form.h"
#include "ui/platform.h"
#include "view/draw/wave_sweep.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

namespace wave {


inline constexpr const char* kBitmapFile = "RtScr.bmp";

}  // namespace wave

// Opens FORM5 afresh (size and position kept from the last opening) and resets the page.
void WAVE_MONI(ViewerState& state, ui::Platform& platform);
// CTRL_REPOS: the bottom row of controls 30 pixels above the bottom of the client area.
void CTRL_REPOS(ui::Form& form);

// The main loop's operation for the waveform window's codes (wave::kCodes).
void run_wave(ViewerState& state, ui::Platform& platform, int code);

// The trend view was drawn again (its clear took the marker away): the marker is redrawn
// for the page shown, when the waveform window is open.
void wave_marker_after_trend(ViewerState& state);

}  // namespace ambview
