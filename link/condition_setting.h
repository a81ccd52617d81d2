// Writing the conditions back to the recorder: the setting line, the setting step with its
// re-read and switch-start command, and the clock initialisation. Kept apart from the windows
// so that the editor and the command line run the same steps.
#pragma once

#include <functional>
#include <string>

#include "common/conditions_record.h"
#include "link/link_settings.h"
#include "link/serial_link.h"
#include "ui/clock.h"
#include "ui/dialogs.h"

namespace ambcomm {

// The calorie fields the old-layout recorder takes in calorie mode, from the settings: the
// respiratory-quotient row, the weight and the coefficients a and b.
common::CalorieSetting calorie_setting_from(const LinkSettings& settings);

// STS_SET: builds the setting line from the record (the layout chosen by the current
// conditions line) and sends SOH + line. No answer is awaited; `status` is not set.
void STS_SET(Link& link, int& status);

// The setting step after the editor: STS_SET, the pacing delay, the condition request and
// `display` of what the recorder now holds, then "SM1"/"SM0" for the waveform modes 7-9.
// Returns the status of the re-request. `dialogs` may be null (no message box).
int setting_step(Link& link, ui::Dialogs* dialogs, const std::function<void(int status)>& display);

// True for the waveform modes "7", "8", "9", the only ones where switch-start applies.
bool is_waveform_mode(const std::string& mode);

// Slots 0-4 from the computer's date and time, two digits each.
void take_computer_time(common::ConditionsRecord& rec, ui::Clock& clock);
// The initialisation: the computer's time, and the acceleration, RR and ECG amounts to "0".
void initialise_start_and_amounts(common::ConditionsRecord& rec, ui::Clock& clock);

}  // namespace ambcomm
