// The processing-conditions dialog FORM2 "処理条件の設定": the overview of the whole
// recording with its selection frame, the channel, averaging, scale and colour controls,
// and the dialog's own event loop. Kept apart from the shell because it is the one place
// where a loaded recording and the user's window choice meet.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/platform.h"
#include "view/recording/loader.h"
#include "view/draw/overview.h"
#include "view/windows/event_codes.h"
#include "view/windows/viewer_state.h"

namespace ambview {

inline constexpr const char* kForm2Caption = "処理条件の設定";
inline constexpr int kForm2Width = 560;
inline constexpr int kForm2Height = 420;

// Seconds the step buttons BMPBUTTON1 .. BMPBUTTON6 add (s_left, m_left, l_left, s_right,
// m_right, l_right).
inline constexpr int kStepSeconds[6] = {-60, -600, -3600, 60, 600, 3600};

// ---------------------------------------------------------------------------------------
// The dialog

// FORM2: made when absent, shown, or brought forward when open.
ui::Form& WND2_OPN(ViewerState& state, ui::Platform& platform);

// LOCATE_CHECK: CHECK1..CHECK7 at x = 5, y = (b + 16) x k for the existing channels, each
// checked from the channel's present flag.
void LOCATE_CHECK(ui::Form& form, int band, const ChannelTable& table);
// DSP_WND2: CHECK8 = YY年MM月DD日HH時MM分 of the start text, CHECK9 = H時間M分.
void DSP_WND2(ui::Form& form, std::string_view start_text, std::string_view hours,
              std::string_view minutes);

// OPEN_DATA: loads the chosen path and runs the dialog until it closes. `command` is code::kOpen
// (fresh open), kConditionsWithTrend or kConditionsNoTrend (reload with the
// accepted window; the latter draws no overview). A data
// error is shown in a message box and changes nothing. On accept ("設定") the recording
// and the working items become the state's and true is answered; a dialog closed any other
// way leaves the state as it was.
bool OPEN_DATA(ViewerState& state, ui::Platform& platform, const std::string& chosen_path,
               int command);

}  // namespace ambview
