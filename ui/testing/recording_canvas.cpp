// The recording canvas: every primitive kept in order.
#include "ui/testing/recording_canvas.h"

#include <algorithm>
#include <utility>

namespace ui::testing {

void RecordingCanvas::resize(int width, int height) {
  width_ = width;
  height_ = height;
}

void RecordingCanvas::clear(Colour background) {
  background_ = background;
  primitives_.push_back({PrimitiveKind::Clear, {}, background, {}, 0});
}

void RecordingCanvas::line(int x1, int y1, int x2, int y2) {
  primitives_.push_back({PrimitiveKind::Line, {{x1, y1}, {x2, y2}}, pen_, {}, 0});
}

void RecordingCanvas::polyline(const std::vector<Point>& points) {
  primitives_.push_back({PrimitiveKind::Polyline, points, pen_, {}, 0});
}

void RecordingCanvas::fill_box(int x1, int y1, int x2, int y2) {
  primitives_.push_back({PrimitiveKind::FillBox, {{x1, y1}, {x2, y2}}, fill_, {}, 0});
}

void RecordingCanvas::xor_box(int x1, int y1, int x2, int y2, Colour colour) {
  primitives_.push_back({PrimitiveKind::XorBox, {{x1, y1}, {x2, y2}}, colour, {}, 0});
}

void RecordingCanvas::xor_line(int x1, int y1, int x2, int y2, Colour colour) {
  primitives_.push_back({PrimitiveKind::XorLine, {{x1, y1}, {x2, y2}}, colour, {}, 0});
}

void RecordingCanvas::text(int x, int y, std::string_view utf8, int font_size) {
  primitives_.push_back({PrimitiveKind::Text, {{x, y}}, pen_, std::string(utf8), font_size});
}

Image RecordingCanvas::snapshot() const {
  Image image;
  image.width = std::max(width_, 0);
  image.height = std::max(height_, 0);
  const std::uint32_t rgb = (static_cast<std::uint32_t>(red_of(background_)) << 16) |
                            (static_cast<std::uint32_t>(green_of(background_)) << 8) |
                            static_cast<std::uint32_t>(blue_of(background_));
  image.pixels.assign(static_cast<std::size_t>(image.width) * image.height, rgb);
  return image;
}

std::vector<Primitive> RecordingCanvas::of_kind(PrimitiveKind kind) const {
  std::vector<Primitive> out;
  for (const auto& p : primitives_)
    if (p.kind == kind) out.push_back(p);
  return out;
}

std::size_t RecordingCanvas::count(PrimitiveKind kind) const {
  return static_cast<std::size_t>(std::count_if(primitives_.begin(), primitives_.end(),
                                                [kind](const Primitive& p) { return p.kind == kind; }));
}

std::vector<std::string> RecordingCanvas::texts() const {
  std::vector<std::string> out;
  for (const auto& p : primitives_)
    if (p.kind == PrimitiveKind::Text) out.push_back(p.text);
  return out;
}

namespace {

// A box is the same box whichever corners were named; a line the same whichever end came first.
std::pair<Point, Point> normalised(const Primitive& p) {
  Point a = p.points[0];
  Point b = p.points[1];
  if (p.kind == PrimitiveKind::XorBox)
    return {{std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}};
  if (b.x < a.x || (b.x == a.x && b.y < a.y)) std::swap(a, b);
  return {a, b};
}

}  // namespace

std::vector<Primitive> RecordingCanvas::xor_shown() const {
  std::vector<Primitive> shown;
  for (const auto& p : primitives_) {
    if (p.kind == PrimitiveKind::Clear) {
      shown.clear();
      continue;
    }
    if (p.kind != PrimitiveKind::XorBox && p.kind != PrimitiveKind::XorLine) continue;
    auto same = std::find_if(shown.begin(), shown.end(), [&](const Primitive& q) {
      return q.kind == p.kind && q.colour == p.colour && normalised(q) == normalised(p);
    });
    if (same != shown.end())
      shown.erase(same);
    else
      shown.push_back(p);
  }
  return shown;
}

}  // namespace ui::testing
