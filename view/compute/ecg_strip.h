// The ECG strips of one ECG block file, worked out without a canvas: the geometry of twelve
// rows of 1250 samples and the lines of the trace, record by record, as PLOT_ECG draws them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ambview::ecg {

inline constexpr int kMargin = 10;  // top, bottom and right
// Left of the strips: room for the calibration pulse, drawn whole beside row 0 (its lead-in,
// the 1 mV step and its lead-out), clear of the window's edge and of the trace.
inline constexpr int kLeft = 26;
inline constexpr int kRows = 12;
inline constexpr int kSamplesPerRow = 1250;
inline constexpr int kSamples = kRows * kSamplesPerRow;  // 15000 shown
inline constexpr int kSamplesPerRecord = 120;
inline constexpr int kZero = 2048;             // the zero line of the 12-bit samples
inline constexpr int kCalibrationUnits = 512;  // height of the calibration pulse
inline constexpr int kTimeBarSamples = 250;    // width of the time bar
inline constexpr int kGridSamples = 50;        // paper grid columns (0.2 s)

// The strip's layout in a window of the given inner size.
struct Geometry {
  int width = 0;   // W: plot width, from kLeft to kMargin before the right edge
  int height = 0;  // H: plot height
  int row = 0;     // r: row height
  double units_per_pixel = 0;  // u = 4096 / (2 r)
};
Geometry geometry(int window_width, int window_height);

// Zero line of row i: (i + 0.5) r + 10.
int row_zero(const Geometry& g, int row);
// x of sample column `column` of a row.
int column_x(const Geometry& g, int column);

struct Line {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
// The trace, in the order it is drawn: the lines of each data record the block file holds,
// record by record. A record that holds no sample ends the strip with an empty entry.
struct Strip {
  std::vector<std::vector<Line>> records;
};
// The strip of the block file at `path` (found without regard to letter case); empty when
// it cannot be read. Only samples present in the file are taken.
Strip strip_of(const std::string& path, const Geometry& g);

}  // namespace ambview::ecg
