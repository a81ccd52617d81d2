// The drawing surface on a QImage (RGB32, no antialiasing), shared by windows, pictures and
// the command-line render: the image persists, so it can be shown, saved and printed.
#pragma once

#include <functional>

#include <QColor>
#include <QImage>

#include "ui/canvas.h"

namespace ui::qt {

QColor to_qcolor(Colour colour);
// ui::Image <-> QImage (RGB32).
QImage to_qimage(const Image& image);
Image from_qimage(const QImage& image);

class QtCanvas : public Canvas {
 public:
  QtCanvas(int width, int height);

  // Changes the visible size. The image only grows (new parts in the last background), so
  // that a window made smaller and larger again keeps what was drawn.
  void resize(int width, int height);
  const QImage& image() const { return image_; }
  // Called after every primitive (a window repaints).
  void set_on_change(std::function<void()> on_change) { on_change_ = std::move(on_change); }

  // A bitmap copied in with its top-left corner at (x, y); the surface grows to hold it.
  void draw_image(int x, int y, const QImage& image);

  int width() const override { return width_; }
  int height() const override { return height_; }
  void clear(Colour background) override;
  void set_pen(Colour colour) override { pen_ = colour; }
  void set_fill(Colour colour) override { fill_ = colour; }
  void line(int x1, int y1, int x2, int y2) override;
  void polyline(const std::vector<Point>& points) override;
  void fill_box(int x1, int y1, int x2, int y2) override;
  void lines(const std::vector<Segment>& segments) override;
  void fill_boxes(const std::vector<Segment>& boxes) override;
  void xor_box(int x1, int y1, int x2, int y2, Colour colour) override;
  void xor_line(int x1, int y1, int x2, int y2, Colour colour) override;
  void text(int x, int y, std::string_view utf8, int font_size) override;
  Image snapshot() const override;

 private:
  void changed();

  QImage image_;
  int width_;
  int height_;
  Colour pen_ = 0;
  Colour fill_ = 0;
  Colour background_ = 0xFFFFFF;
  std::function<void()> on_change_;
};

}  // namespace ui::qt
