// The Qt platform of a window program, made in the order Qt needs: the application first (or
// the one-line no-display exit), then the forms, dialogs, event pump and clock that the
// programs' logic reaches through ui::Platform. Shared by both programs' main.cpp.
#pragma once

#include <memory>

#include <QApplication>

#include "ui/clock.h"
#include "ui/platform.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_event_pump.h"
#include "ui/qt/qt_form.h"

namespace ui::qt {

class WindowPlatform {
 public:
  // `program` names the program in the no-display line (see start_window_application).
  WindowPlatform(int& argc, char** argv, const char* program);
  WindowPlatform(const WindowPlatform&) = delete;
  WindowPlatform& operator=(const WindowPlatform&) = delete;

  ui::Platform& platform() { return platform_; }

 private:
  std::unique_ptr<QApplication> app_;
  QtFormFactory forms_;
  QtDialogs dialogs_;
  QtEventPump pump_;
  SystemClock clock_;
  ui::Platform platform_{forms_, dialogs_, pump_, clock_};
};

}  // namespace ui::qt
