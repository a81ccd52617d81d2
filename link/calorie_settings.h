// The link program's calorie settings (event code 9, from the main loop or the condition
// editor's "ｶﾛﾘｰ設定"): the shared calorie dialog with the link program's names and whole-kg
// weight, stored into "ACC.PRM". The setting line takes them from the settings in calorie mode.
#pragma once

#include <string>

#include "link/link_state.h"
#include "ui/platform.h"

namespace ambcomm {

// CALC_CAL of the link program: the dialog, then items 18-26 saved into "ACC.PRM" in the start
// directory. A closed dialog changes nothing. True when the user confirmed.
bool CALC_CAL(ui::Platform& platform, LinkState& state);

// Writes the settings as the main form's PUT_COND does (slot 0 and the timer slot brought up
// to date). False on a write error, which the status line reports.
bool save_link_settings(LinkState& state);

}  // namespace ambcomm
