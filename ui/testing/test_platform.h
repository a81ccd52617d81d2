// All platform doubles in one place for a test: in-memory forms, scripted dialogs and pump,
// and a settable clock, with the ui::Platform that the programs' operations take.
//
//   TestPlatform t;
//   t.pump.then([&] { t.forms.form("MAINFORM").choose_menu("A_OPEN");   // the user's action
//                     t.dialogs.answer_open(path); })                    // and the dialog it opens
//         .then([&] { t.forms.form("MAINFORM").user_close(); });
//   run_viewer(t.platform, state, {});   // returns when the window closes; throws
//                                        // ScriptFailure if it waits once the script is used up
#pragma once

#include "ui/platform.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"
#include "ui/testing/test_form.h"

namespace ui::testing {

struct TestPlatform {
  TestFormFactory forms;
  ScriptedDialogs dialogs;
  ScriptedPump pump;
  FakeClock clock;
  Platform platform{forms, dialogs, pump, clock};

  TestPlatform() = default;
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;
};

}  // namespace ui::testing
