// The waveform window FORM5 "波形表示": the main loop's operations for its event codes.
#pragma once

#include <array>

#include "ui/form.h"
#include "ui/platform.h"
#include "view/draw/wave_sweep.h"
#include "view/windows/viewer_state.h"

namespace ambview {

namespace wave {

// Event codes of the waveform window.
inline constexpr int kOpen = 601;          // menu "波形表示"
inline constexpr int kClose = 602;         // BUTTON5 "終了" or the window closed
inline constexpr int kPrevious = 609;      // BUTTON3 "←前頁"
inline constexpr int kNext = 610;          // BUTTON4 "次頁→"
inline constexpr int kPicture22 = 611;     // no action
inline constexpr int kContinue = 612;      // mouse held on PICTURE23
inline constexpr int kTrendClick = 613;    // click in the trend view (MAINFORM_CLICK)
inline constexpr int kResize = 614;        // FORM5_RESIZE
inline constexpr int kMeasure = 617;       // FORM5_MOUSEDOWN
inline constexpr int kSpeed = 615;         // BUTTON6 "早い" / BUTTON7 "遅い": the scale text follows
inline constexpr std::array<int, 9> kCodes{kOpen,       kClose,  kPrevious, kNext,  kContinue,
                                           kTrendClick, kResize, kMeasure,  kSpeed};

inline constexpr const char* kBitmapFile = "RtScr.bmp";

}  // namespace wave

// Opens FORM5 afresh (size and position kept from the last opening) and resets the page.
void WAVE_MONI(ViewerState& state, ui::Platform& platform);
// CTRL_REPOS: the bottom row of controls 30 pixels above the bottom of the client area.
void CTRL_REPOS(ui::Form& form);

// The main loop's operation for the waveform window's codes (601, 602, 609, 610, 612, 613,
// 614, 617).
void run_wave(ViewerState& state, ui::Platform& platform, int code);

// The trend view was drawn again (its clear took the marker away): the marker is redrawn
// for the page shown, when the waveform window is open.
void wave_marker_after_trend(ViewerState& state);

}  // namespace ambview
