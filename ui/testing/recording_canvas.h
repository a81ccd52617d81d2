// A canvas for tests that draws nothing and keeps every primitive it was given, so that
// geometry, colours and texts of a view can be asserted exactly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace ui::testing {

enum class PrimitiveKind { Clear, Line, Polyline, FillBox, XorBox, XorLine, Text };

struct Primitive {
  PrimitiveKind kind = PrimitiveKind::Line;
  // Line and XorLine: both end points; Polyline: all points; FillBox and XorBox: the two
  // corners as given; Text: its top-left corner; Clear: none.
  std::vector<Point> points;
  Colour colour = 0;  // pen for Line, Polyline and Text; fill for FillBox; the given colour
                      // for XorBox and XorLine; the background for Clear
  std::string text;   // Text only (UTF-8)
  int font_size = 0;  // Text only
};

class RecordingCanvas : public Canvas {
 public:
  explicit RecordingCanvas(int width = 0, int height = 0) : width_(width), height_(height) {}

  // The owner (a test form) changes the size as its window or picture is resized.
  void resize(int width, int height);

  int width() const override { return width_; }
  int height() const override { return height_; }
  void clear(Colour background) override;
  void set_pen(Colour colour) override { pen_ = colour; }
  void set_fill(Colour colour) override { fill_ = colour; }
  void line(int x1, int y1, int x2, int y2) override;
  void polyline(const std::vector<Point>& points) override;
  void fill_box(int x1, int y1, int x2, int y2) override;
  void xor_box(int x1, int y1, int x2, int y2, Colour colour) override;
  void xor_line(int x1, int y1, int x2, int y2, Colour colour) override;
  void text(int x, int y, std::string_view utf8, int font_size) override;
  // A blank image (all background of the last clear, else black) of the current size.
  Image snapshot() const override;

  Colour pen() const { return pen_; }
  Colour fill() const { return fill_; }
  Colour background() const { return background_; }

  const std::vector<Primitive>& primitives() const { return primitives_; }
  std::vector<Primitive> of_kind(PrimitiveKind kind) const;
  std::size_t count(PrimitiveKind kind) const;
  // The texts drawn, in order.
  std::vector<std::string> texts() const;
  // Exclusive-or boxes and lines still on screen: those drawn an odd number of times since
  // the last clear (corners and end points compared as given, in either order).
  std::vector<Primitive> xor_shown() const;
  // Forgets the primitives (the surface keeps its size and colours).
  void forget() { primitives_.clear(); }

 private:
  int width_;
  int height_;
  Colour pen_ = 0;
  Colour fill_ = 0;
  Colour background_ = 0;
  std::vector<Primitive> primitives_;
};

}  // namespace ui::testing
