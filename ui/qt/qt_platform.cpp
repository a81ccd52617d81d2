// The window program's Qt platform (see qt_platform.h).
#include "ui/qt/qt_platform.h"

#include "ui/qt/qt_app.h"

namespace ui::qt {

WindowPlatform::WindowPlatform(int& argc, char** argv, const char* program)
    : app_(start_window_application(argc, argv, program)) {}

}  // namespace ui::qt
