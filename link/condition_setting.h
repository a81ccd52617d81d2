// Writing the conditions back to the recorder: the setting line, the setting step with its
// re-read and switch-start command, the clock initialisation, and the memory clear.
// Kept apart from the windows so that the editor and the command line run the same steps.
#pragma once

#include <functional>
#include <string>

#include "common/conditions_record.h"
#include "common/settings_record.h"
#include "link/serial_link.h"
#include "ui/clock.h"
#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/form.h"

namespace ambcomm {

// The calorie fields the old-layout recorder takes in calorie mode, from the settings:
// slot 18 the respiratory-quotient row, 20 the weight, 22 and 23 the coefficients a and b.
common::CalorieSetting calorie_setting_from(const common::SettingsSlots& settings);

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

// The memory-clear command and the time the recorder announces for it.
struct MemoryClearPlan {
  std::string command;  // "fill0000" or "MC" + NUL
  int seconds = 0;      // 8, 20 or 40
};
MemoryClearPlan memory_clear_plan(const common::ConditionsRecord& rec);

enum class ClearResult {
  Done,        // the recorder answered
  Declined,    // the user said no
  NoAnswer,    // no answer within three times the announced time
  Cancelled,   // the user stopped waiting
  PortFailed,  // the port could not be opened
};

// The memory clear: the question (skipped when `dialogs` is null, as for "clear --yes"),
// the command, and the wait for the answer line. The wait is bounded to three times the
// announced time and, when `forms` is given, shows a small window whose button stops it.
ClearResult memory_clear(Link& link, ui::Dialogs* dialogs, ui::FormFactory* forms);

// Location number shown after "エラーコード＝" when the memory clear cannot open the port.
constexpr int kLocationMemoryClear = 8;

// Texts of the memory clear, shared with the command line.
std::string memory_clear_waiting_text(int seconds);
inline constexpr const char* kClearDoneText = "ﾒﾓﾘｰｸﾘｱｰを終了";
inline constexpr const char* kClearQuestion =
    "Movilogのﾃﾞｰﾀｰｴﾘｱを0に初期化します\rﾌｧｲﾙに受信していないﾃﾞｰﾀｰは失われます。よろしいですか";
inline constexpr const char* kClearNoAnswerText = "ﾒﾓﾘｰｸﾘｱｰの応答がありません";
inline constexpr const char* kClearCancelledText = "ﾒﾓﾘｰｸﾘｱｰの待ちを中止しました";

}  // namespace ambcomm
