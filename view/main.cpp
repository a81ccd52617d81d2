// ambview: the analysis program. Command-line subcommands run without a display; the GUI
// (FILE or nothing) wires the Qt platform into the view logic.
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/clock.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_event_pump.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/qt_canvas.h"
#include "ui/qt/qt_image_io.h"
#include "view/command_line.h"
#include "view/render_command.h"
#include "view/viewer_shell.h"

int main(int argc, char** argv) {
  // `render` draws on a QImage; the application is made (headless) only when it draws.
  ambview::set_render_platform({[](int width, int height) -> std::shared_ptr<ui::Canvas> {
                                  ui::qt::ensure_application();
                                  return std::make_shared<ui::qt::QtCanvas>(width, height);
                                },
                                [](const std::string& path, const ui::Image& image, std::string* error) {
                                  return ui::qt::save_image(path, image, error);
                                }});
  if (argc > 1 && ambview::is_subcommand(argv[1])) {
    return ambview::run_command_line(ambview::CommandArgs(argv + 1, argv + argc), std::cout, std::cerr);
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << "usage: ambview [FILE]\n";
    for (const auto& sub : ambview::subcommands()) std::cout << "       ambview " << sub.usage << "\n";
    return 0;
  }
  if (argc > 2) {
    std::cerr << "ambview: give at most one FILE (ambview --help)\n";
    return 2;
  }
  auto app = ui::qt::start_application(argc, argv);
  ui::qt::QtFormFactory forms;
  ui::qt::QtDialogs dialogs;
  ui::qt::QtEventPump pump;
  ui::SystemClock clock;
  ui::Platform platform{forms, dialogs, pump, clock};
  ambview::ViewerState state;
  ambview::run_viewer(platform, state, argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt);
  return 0;
}
