// PLOT_ECG: the ECG strip view (FORM4 "心電図"), twelve rows of one ECG block file with the
// calibration pulse and the time bar. Kept apart from the trend because it reads the block
// files "e".."h", not the channels, and has a geometry of its own.
#pragma once

#include <functional>
#include <string_view>

#include "ui/canvas.h"
#include "view/compute/ecg_strip.h"
#include "view/settings/processing_conditions.h"
#include "view/settings/view_options.h"

namespace ambview {

namespace ecg {
// `share` of `colour` over `background`: the faint grid colours.
ui::Colour tint(ui::Colour background, ui::Colour colour, double share);
}  // namespace ecg

// Draws the beginning of ECG block file `code` ('e'..'h': `prefix`, the folder and base name as
// on disk, + code, found without regard to letter case) into `window`. `still_open` is asked
// before each record's trace; false stops the drawing there. A missing or short file ends the
// drawing silently, keeping what was drawn; only samples present in the file are drawn.
// Readable `options` leave a line under the rows for a legend of the calibration pulse and
// the time bar, and write each row's time beside it.
void PLOT_ECG(char code, ui::Canvas& window, const ProcessingConditions& conditions, std::string_view prefix,
              const std::function<bool()>& still_open, const ViewOptions& options = {});

}  // namespace ambview
