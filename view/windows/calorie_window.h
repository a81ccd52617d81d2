// The calorie window FORM6: CALC_CAL (menu "ｶﾛﾘｰ計算") with the calorie dialog, the channel
// list and the values-per-line question; WND6_OPN; the plot itself is CAL_TREND.
#pragma once

#include <string_view>

#include "ui/platform.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr const char* kCalorieCaption = "カロリー";
inline constexpr const char* kCaloriePerLineTitle = "ｶﾛﾘｰのﾃｷｽﾄ保存";
inline constexpr const char* kCaloriePerLinePrompt = "一行のデーター数を入力してください";

// WND6_OPN: FORM6 made when not open and placed below the parent, then enabled, captioned,
// sized to (parent width, height) and shown.
ui::Form& WND6_OPN(ViewerState& state, ui::Platform& platform, int height, std::string_view caption);

// CALC_CAL, the operation of code::kCalorie.
void CALC_CAL(ViewerState& state, ui::Platform& platform, int code);

}  // namespace ambview
