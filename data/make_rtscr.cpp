// make_rtscr: writes RtScr.bmp, the face of the waveform window's sweep button (PICTURE23),
// from the same drawing the window falls back to. Run it when that drawing changes:
//   ninja make_rtscr && ./make_rtscr data/RtScr.bmp
#include <cstdio>
#include <string>

#include "ui/bmp_file.h"
#include "view/draw/wave_sweep.h"

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "RtScr.bmp";
  std::string error;
  if (!ui::write_bmp(path, ambview::wave::continue_face(), &error)) {
    std::fprintf(stderr, "make_rtscr: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s\n", path.c_str());
  return 0;
}
