// ACC_WAVE_PLOT: the band of a raw acceleration or ECG waveform channel (kind "w") in the
// trend view. Apart from trend_compute because it belongs to the waveform monitor's
// scaling (deflection around the band's middle, ECG at five samples per trend sample).
#pragma once

#include "view/trend_compute.h"

namespace ambview {

// Draws the band from the channel's own file; an averaging count of 0 or above 1000, a
// missing file or a record past the end ends the band silently.
void ACC_WAVE_PLOT(const BandArgs& args);

// The ECG waveform runs five samples per sample interval of the trend.
inline constexpr int kEcgSamplesPerTrendSample = 5;
// The zero line of the 12-bit waveform words.
inline constexpr int kWaveZero = 2048;

}  // namespace ambview
