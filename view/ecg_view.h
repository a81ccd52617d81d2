// PLOT_ECG: the ECG strip view (FORM4 "心電図"), twelve rows of one ECG block file with the
// calibration pulse and the time bar. Kept apart from the trend because it reads the block
// files "e".."h", not the channels, and has a geometry of its own.
#pragma once

#include <functional>
#include <ostream>

#include "ui/canvas.h"
#include "ui/platform.h"
#include "view/viewer_state.h"

namespace ambview {

namespace ecg {

inline constexpr int kMargin = 10;  // top, bottom and right
// Left of the strips: room for the calibration pulse, drawn whole beside row 0 (its lead-in,
// the 1 mV step and its lead-out), clear of the window's edge and of the trace.
inline constexpr int kLeft = 26;
inline constexpr int kRows = 12;
inline constexpr int kSamplesPerRow = 1250;
inline constexpr int kSamples = kRows * kSamplesPerRow;  // 15000 shown
inline constexpr int kSamplesPerRecord = 120;
inline constexpr int kZero = 2048;          // the zero line of the 12-bit samples
inline constexpr int kCalibrationUnits = 512;  // height of the calibration pulse
inline constexpr int kTimeBarSamples = 250;    // width of the time bar

inline constexpr int kGridSamples = 50;        // paper grid columns (0.2 s)

// `share` of `colour` over `background`: the faint grid colours.
ui::Colour tint(ui::Colour background, ui::Colour colour, double share);

// The strip's layout in a window of the given inner size.
struct Geometry {
  int width = 0;   // W: plot width, from kLeft to kMargin before the right edge
  int height = 0;  // H: plot height
  int row = 0;     // r: row height
  double units_per_pixel = 0;  // u = 4096 / (2 r)
};
Geometry geometry(int window_width, int window_height);

// Zero line of row i: (i + 0.5) r + 10.
int row_zero(const Geometry& g, int row);

// The block file of an ECG menu command: 401 -> 'e' ... 404 -> 'h'; 0 for any other code.
char block_code(int event_code);

}  // namespace ecg

// Draws the beginning of ECG block file `code` ('e'..'h': `prefix`, the folder and base name as
// on disk, + code, found without regard to letter case) into `window`. `still_open` is asked
// before each record; false stops the drawing there. A missing or short file ends the drawing
// silently, keeping what was drawn; only samples present in the file are drawn.
void PLOT_ECG(char code, ui::Canvas& window, const ProcessingConditions& conditions, std::string_view prefix,
              const std::function<bool()>& still_open);

// `ambview render --view ecg1..ecg4`: the block drawn as the window draws it; false with a
// message on `err` when the recording has no such block file.
bool render_ecg(ui::Canvas& canvas, const ProcessingConditions& conditions, std::string_view prefix, char code,
                std::ostream& err);

// The main loop's operation for 401-404: the block into FORM4 (opened by the shell), stopping
// when the user closes the window.
void run_ecg(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
