// Every event code of the link program, written once. Handlers store a code in the state; the
// loop that waits reads it. The main loop and the condition editor's loop share the one code;
// the pacing delay puts back whatever code was pending, so its tick is never seen by them.
#pragma once

namespace ambcomm {

enum class EventCode : int {
  None = 0,
  Tick = 1,  // DELAY_T: the pacing timer ticked

  // The main form
  Show = 2,       // BUTTON1, LIST1: receive and show the conditions
  Change = 3,     // BUTTON2: receive the conditions, then the editor
  Download = 4,   // BUTTON3: receive the data into files
  Clear = 8,      // BUTTON7: clear the recorder's memory
  Timer = 17,     // TEXT23: the pacing value was set
  Port = 50,      // COMBO3: a port was chosen

  // The condition editor
  Send = 6,       // BUTTON5: send the edited conditions
  Reset = 7,      // BUTTON6: the computer's time, amounts to "0"
  Calorie = 9,    // BUTTON9: the calorie dialog
  Time = 10,      // TEXT3: start time from the computer (asked)
  AccZero = 11,   // TEXT5, TEXT20: the acceleration amount set to 0, typed
  AccTyped = 12,
  RrZero = 13,    // TEXT6, TEXT21: the RR amount
  RrTyped = 14,
  EcgZero = 15,   // TEXT7, TEXT22: the ECG amount
  EcgTyped = 16,
  Mode = 20,      // COMBO1: a mode row chosen
  Display = 21,   // COMBO2: a display row chosen
};

// From Time on, the editor shows the whole record again after the event.
constexpr bool refreshes_editor(EventCode code) {
  return static_cast<int>(code) >= static_cast<int>(EventCode::Time);
}

}  // namespace ambcomm
