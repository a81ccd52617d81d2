// QImage drawing. Every primitive opens its own painter, so the image is never being painted
// while a window copies it to the screen.
#include "ui/qt/qt_canvas.h"

#include <algorithm>

#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QVector>

#include "ui/qt/qt_app.h"

namespace ui::qt {

namespace {

// One-pixel cosmetic pen with square caps, so that both end points of a line are drawn.
QPen thin_pen(Colour colour) {
  QPen pen(to_qcolor(colour));
  pen.setWidth(1);
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::SquareCap);
  pen.setJoinStyle(Qt::MiterJoin);
  return pen;
}

void begin(QPainter& p) { p.setRenderHint(QPainter::Antialiasing, false); }

}  // namespace

QColor to_qcolor(Colour colour) { return QColor(red_of(colour), green_of(colour), blue_of(colour)); }

QImage to_qimage(const Image& image) {
  QImage out(std::max(image.width, 0), std::max(image.height, 0), QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) row[x] = 0xFF000000u | image.at(x, y);
  }
  return out;
}

namespace {

// The top-left width x height pixels of an RGB32 image.
Image corner_of(const QImage& image, int width, int height) {
  Image out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < out.width; ++x)
      out.pixels[static_cast<std::size_t>(y) * out.width + x] = row[x] & 0xFFFFFFu;
  }
  return out;
}

}  // namespace

Image from_qimage(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  return corner_of(image, image.width(), image.height());
}

QtCanvas::QtCanvas(int width, int height)
    : image_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32),
      width_(std::max(width, 0)),
      height_(std::max(height, 0)) {
  image_.fill(to_qcolor(background_));
}

void QtCanvas::resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  if (width_ <= image_.width() && height_ <= image_.height()) return;
  QImage grown(std::max(width_, image_.width()), std::max(height_, image_.height()), QImage::Format_RGB32);
  grown.fill(to_qcolor(background_));
  {
    QPainter p(&grown);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(grown);
}

void QtCanvas::draw_image(int x, int y, const QImage& image) {
  const int keep_w = width_, keep_h = height_;
  resize(std::max(width_, x + image.width()), std::max(height_, y + image.height()));
  resize(keep_w, keep_h);
  QPainter p(&image_);
  p.drawImage(x, y, image);
  p.end();
  changed();
}

void QtCanvas::changed() {
  if (on_change_) on_change_();
}

void QtCanvas::clear(Colour background) {
  background_ = background;
  image_.fill(to_qcolor(background));
  changed();
}

void QtCanvas::line(int x1, int y1, int x2, int y2) {
  QPainter p(&image_);
  begin(p);
  p.setPen(thin_pen(pen_));
  if (x1 == x2 && y1 == y2)
    p.drawPoint(x1, y1);
  else
    p.drawLine(x1, y1, x2, y2);
  p.end();
  changed();
}

void QtCanvas::lines(const std::vector<Segment>& segments) {
  if (segments.empty()) return;
  // One painter and one call for the lines: opening a painter costs more than a short line.
  // A line of one point is a point, as in line().
  QVector<QLine> drawn;
  QVector<QPoint> points;
  drawn.reserve(static_cast<qsizetype>(segments.size()));
  for (const Segment& s : segments) {
    if (s.from == s.to)
      points.append(QPoint(s.from.x, s.from.y));
    else
      drawn.append(QLine(s.from.x, s.from.y, s.to.x, s.to.y));
  }
  QPainter p(&image_);
  begin(p);
  p.setPen(thin_pen(pen_));
  if (!drawn.isEmpty()) p.drawLines(drawn);
  if (!points.isEmpty()) p.drawPoints(points.constData(), static_cast<int>(points.size()));
  p.end();
  changed();
}

void QtCanvas::polyline(const std::vector<Point>& points) {
  if (points.empty()) return;
  QPolygon poly;
  poly.reserve(static_cast<int>(points.size()));
  for (const auto& pt : points) poly << QPoint(pt.x, pt.y);
  QPainter p(&image_);
  begin(p);
  p.setPen(thin_pen(pen_));
  if (poly.size() == 1)
    p.drawPoint(poly[0]);
  else
    p.drawPolyline(poly);
  p.end();
  changed();
}

void QtCanvas::fill_box(int x1, int y1, int x2, int y2) {
  QPainter p(&image_);
  begin(p);
  p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
             to_qcolor(fill_));
  p.end();
  changed();
}

void QtCanvas::fill_boxes(const std::vector<Segment>& boxes) {
  if (boxes.empty()) return;
  QPainter p(&image_);
  begin(p);
  const QColor colour = to_qcolor(fill_);
  for (const Segment& b : boxes)
    p.fillRect(QRect(QPoint(std::min(b.from.x, b.to.x), std::min(b.from.y, b.to.y)),
                     QPoint(std::max(b.from.x, b.to.x), std::max(b.from.y, b.to.y))),
               colour);
  p.end();
  changed();
}

void QtCanvas::xor_box(int x1, int y1, int x2, int y2, Colour colour) {
  const int left = std::min(x1, x2);
  const int top = std::min(y1, y2);
  const int right = std::max(x1, x2);
  const int bottom = std::max(y1, y2);
  QPainter p(&image_);
  begin(p);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(thin_pen(colour));
  p.setBrush(Qt::NoBrush);
  // One primitive for the whole outline: four separate lines would flip the corners twice.
  // A box one pixel thin is a line (drawRect would cover it twice).
  if (left == right || top == bottom) {
    if (left == right && top == bottom)
      p.drawPoint(left, top);
    else
      p.drawLine(left, top, right, bottom);
  } else {
    p.drawRect(left, top, right - left, bottom - top);
  }
  p.end();
  changed();
}

void QtCanvas::xor_line(int x1, int y1, int x2, int y2, Colour colour) {
  QPainter p(&image_);
  begin(p);
  p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  p.setPen(thin_pen(colour));
  if (x1 == x2 && y1 == y2)
    p.drawPoint(x1, y1);
  else
    p.drawLine(x1, y1, x2, y2);
  p.end();
  changed();
}

void QtCanvas::text(int x, int y, std::string_view utf8, int font_size) {
  const QFont font = gothic_font(font_size);
  QPainter p(&image_);
  begin(p);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setFont(font);
  p.setPen(to_qcolor(pen_));
  p.drawText(QPoint(x, y + p.fontMetrics().ascent()),
             QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  p.end();
  changed();
}

Image QtCanvas::snapshot() const {
  // Read in place: the image is never smaller than the surface, so no copy is needed.
  return corner_of(image_, std::min(width_, image_.width()), std::min(height_, image_.height()));
}

}  // namespace ui::qt
