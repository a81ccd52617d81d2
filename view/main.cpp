// ambview: the analysis program. Command-line subcommands run without a display; the GUI
// (FILE or nothing) wires the Qt platform into the view logic.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "view/command_line.h"

int main(int argc, char** argv) {
  if (argc > 1 && ambview::is_subcommand(argv[1])) {
    return ambview::run_command_line(ambview::CommandArgs(argv + 1, argv + argc), std::cout, std::cerr);
  }
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::cout << "usage: ambview [FILE]\n";
    for (const auto& sub : ambview::subcommands()) std::cout << "       ambview " << sub.usage << "\n";
    return 0;
  }
  std::cerr << "ambview: the window program is not built yet; use a subcommand (ambview --help)\n";
  return 1;
}
