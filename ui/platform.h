// Everything a program's logic asks of the platform, gathered so operations can take one
// reference. The Qt wiring lives in the main.cpp files; tests use ui/testing/.
#pragma once

#include "ui/clock.h"
#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/form.h"

namespace ui {

struct Platform {
  FormFactory& forms;
  Dialogs& dialogs;
  EventPump& pump;
  Clock& clock;
};

}  // namespace ui
