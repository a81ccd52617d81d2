// The drawing surface of a window: what the views ask of the platform to draw. The image
// persists, so a view can be copied, saved as a bitmap and printed after it is drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/colour.h"

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// A line from one point to another, or a box with these two corners.
struct Segment {
  Point from;
  Point to;
};

// A plain 32-bit image (0x00RRGGBB per pixel, rows top to bottom) for bitmap files,
// printing and pixel checks.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int width() const = 0;
  virtual int height() const = 0;

  // Fills the whole surface with `background`.
  virtual void clear(Colour background) = 0;
  // Colour of lines, outlines and text.
  virtual void set_pen(Colour colour) = 0;
  // Colour of filled boxes.
  virtual void set_fill(Colour colour) = 0;

  // Both end points are drawn.
  virtual void line(int x1, int y1, int x2, int y2) = 0;
  virtual void polyline(const std::vector<Point>& points) = 0;
  // A box with corners (x1, y1) and (x2, y2), in any order, filled with the fill colour.
  virtual void fill_box(int x1, int y1, int x2, int y2) = 0;
  // Many lines and many boxes in one call, each as `line` and `fill_box` would draw it; a
  // surface that draws may do it with one primitive per call instead of one per item.
  virtual void lines(const std::vector<Segment>& segments) {
    for (const Segment& s : segments) line(s.from.x, s.from.y, s.to.x, s.to.y);
  }
  virtual void fill_boxes(const std::vector<Segment>& boxes) {
    for (const Segment& b : boxes) fill_box(b.from.x, b.from.y, b.to.x, b.to.y);
  }
  // A box outline in exclusive-or mode: drawing the same outline twice restores the image.
  virtual void xor_box(int x1, int y1, int x2, int y2, Colour colour) = 0;
  // A line in exclusive-or mode (the rubber line of the measuring tools).
  virtual void xor_line(int x1, int y1, int x2, int y2, Colour colour) = 0;
  // UTF-8 text with its top-left corner at (x, y), in the pen colour, in the programs'
  // gothic font at `font_size` pixels.
  virtual void text(int x, int y, std::string_view utf8, int font_size) = 0;

  // The surface as it is now, cut to `width` x `height` from the top-left corner.
  virtual Image snapshot() const = 0;
};

}  // namespace ui
