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
#include <QCoreApplication>

#include "ui/qt/qt_desktop.h"
#include "ui/qt/qt_dialogs.h"
#include "ui/qt/qt_event_pump.h"
#include "ui/qt/qt_form.h"
#include "ui/qt/qt_canvas.h"
#include "ui/qt/qt_image_io.h"
#include "ui/qt/qt_platform.h"
#include "view/commands/command_line.h"
#include "view/commands/render_command.h"
#include "view/windows/viewer_shell.h"

namespace {

// What --help says after the forms (the manual page is made from it).
const char* const kHelpDetails =
    "Without a command, the window program opens, with FILE when given; it needs a display.\n"
    "FILE is one file of a recording (any channel file, or a combined \".ac0\"..\".ac5\" file).\n"
    "Settings not given come from \"RaZor.prm\" in the current directory; the commands never write it.\n"
    "options:\n"
    "  --start S         start of the range, seconds from the recording start (default 0)\n"
    "  --span S          length of the range in seconds\n"
    "  --format prn|edf  export: one text file per channel (prn, the default) or one EDF+ file\n"
    "  --out DIR         export, calorie: existing folder for the files (default: the recording's)\n"
    "  --out OUT.edf     export --format edf: the EDF+ file (signals; markers, event marks and\n"
    "                    RR beats as annotations)\n"
    "  --out PATH        resave: folder and base name of the new recording\n"
    "  --out IMG         render: the image, .png or .bmp\n"
    "  --out CSV         hrv: the CSV file (default: standard output)\n"
    "  --window W        hrv: window length in seconds (default 300)\n"
    "  --per-line N      values per line of the text files (1-9999)\n"
    "  --view V          render: the view to draw\n"
    "  --width W, --height H\n"
    "                    render: image size in pixels (default 1000 x 700, overview 350 x 330)\n"
    "  --channels CODES  render: the channel codes to draw, e.g. 04a (default: all)\n"
    "  --avg block|moving, --n N\n"
    "                    render: block or moving mean over N samples (1-999)\n"
    "  --acc-scale 0-5   render: acceleration full scale 4000, 1500, 600, 300, 150, 60 mG\n"
    "  --hr-scale 0|1    render: heart-rate full scale 300 or 180 BPM\n"
    "  --readable        render: units clear of the scales, more time labels, ECG row times\n"
    "                    and legend, bright waveform labels (the trend menu's check entry)\n"
    "  --weight KG       calorie: body weight (1-999)\n"
    "  --rq ROW          calorie: the RQ row, 0-5 (0.80 .. 0.85)\n"
    "  --a A, --b B      calorie: acceleration calibration, Acc(G) = A x oxygen uptake - B\n"
    "  --c C, --d D      calorie: heart-rate calibration, oxygen uptake = (heart rate - D) / C\n"
    "  --floor F         calorie: lowest oxygen uptake taken (ml/kg/min)\n"
    "  --avg N           calorie: samples averaged into one value\n"
    "exit status:\n"
    "  0    success\n"
    "  1    the recording could not be processed (the message says why)\n"
    "  2    wrong words on the command line, or no display for the window\n";

}  // namespace

int main(int argc, char** argv) {
  // `render` draws on a QImage; the application is made (headless, without widgets) only
  // when it draws.
  ambview::set_render_platform({[](int width, int height) -> std::shared_ptr<ui::Canvas> {
                                  ui::qt::ensure_drawing_application();
                                  return std::make_shared<ui::qt::QtCanvas>(width, height);
                                },
                                [](const std::string& path, const ui::Image& image, std::string* error) {
                                  return ui::qt::save_image(path, image, error);
                                }});
  if (argc > 1 && ambview::is_subcommand(argv[1])) {
    return ambview::run_command_line(ambview::CommandArgs(argv + 1, argv + argc), std::cout, std::cerr);
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "ambview " MOVILOG_VERSION "\n";
    return 0;
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << "usage: ambview [FILE]\n";
    for (const auto& sub : ambview::subcommands()) std::cout << "       ambview " << sub.usage << "\n";
    std::cout << "       ambview --version\n" << kHelpDetails;
    return 0;
  }
  if (argc > 2) {
    std::cerr << "ambview: give at most one FILE (ambview --help)\n";
    return 2;
  }
  ui::qt::WindowPlatform window(argc, argv, "ambview");
  ambview::ViewerState state;
  ui::qt::QtDesktop desktop("movilog", "ambview");
  state.extras.desktop = &desktop;
  state.extras.version = MOVILOG_VERSION;
  // The installed guide beside the program's prefix, the packaged one, then the source tree's
  // when the program runs from its build tree.
  const std::string here = QCoreApplication::applicationDirPath().toStdString();
  state.extras.guide_paths = {here + "/../share/doc/movilog/user_guide.md", "/usr/share/doc/movilog/user_guide.md",
                              MOVILOG_SOURCE_GUIDE};
  ambview::run_viewer(window.platform(), state, argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt);
  return 0;
}
