// The calorie window's picture: the bands' grid, scale labels and time axis, an entry's
// bars and caption, and the summary under the last band.
#pragma once

#include "ui/canvas.h"
#include "view/compute/calorie_rates.h"

namespace ambview {

// Every band's grid and scale labels, and the time axis under the last band.
void draw_calorie_frame(ui::Canvas& window, const ProcessingConditions& conditions, const CalorieFrame& frame);
// The bars of entry `index` in the trend colour.
void draw_calorie_bars(ui::Canvas& window, const ProcessingConditions& conditions, const CalorieFrame& frame,
                       int index, const CalorieRates& rates);
// The caption over entry `index` with its coefficients and total.
void draw_calorie_caption(ui::Canvas& window, const CalorieFrame& frame, const ChannelTable& channels,
                          const CalorieEntry& entry, int index, const CalorieRates& rates);
// The summary under the last band: comment, the subject and the model's settings.
void draw_calorie_summary(ui::Canvas& window, const ProcessingConditions& conditions, const RecordingInfo& info,
                          const CalorieFrame& frame);

}  // namespace ambview
