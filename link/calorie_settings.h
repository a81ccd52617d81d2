// The link program's calorie settings (the condition editor's "ｶﾛﾘｰ設定"): the shared calorie
// dialog with the link program's names and whole-kg weight, stored into "ACC.PRM". The
// setting line takes them from the settings in calorie mode.
#pragma once

#include "link/link_state.h"
#include "ui/calorie_form.h"
#include "ui/platform.h"

namespace ambcomm {

// CALC_CAL of the link program: the dialog, then the calorie settings saved into "ACC.PRM" in
// the start directory. A closed dialog changes nothing. The dialog's own event code stays
// inside it: the program-wide code is left as it was.
ui::CalorieDialogResult CALC_CAL(ui::Platform& platform, LinkState& state);

}  // namespace ambcomm
