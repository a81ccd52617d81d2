// How the views are drawn beyond the processing conditions: the readable pictures (units
// clear of the scales, more time labels, kind names, ECG time labels and legend, a bright
// waveform label). An addition kept in the desktop's settings, never in "RaZor.prm"; off,
// every view draws exactly as it always has.
#pragma once

namespace ambview {

struct ViewOptions {
  bool readable = false;
};

}  // namespace ambview
