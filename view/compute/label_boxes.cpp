// Text widths and label boxes of the readable pictures (see label_boxes.h).
#include "view/compute/label_boxes.h"

#include <algorithm>

namespace ambview::labels {

namespace {

// The code point of the UTF-8 sequence at `i`, and its length.
char32_t code_point(std::string_view s, std::size_t i, std::size_t& length) {
  const auto b = static_cast<unsigned char>(s[i]);
  const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  length = std::min<std::size_t>(static_cast<std::size_t>(n), s.size() - i);
  if (n == 1) return b;
  char32_t c = b & (0x3F >> (n - 1));
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return c;
}

bool half_width(char32_t c) { return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F); }

}  // namespace

int text_width(std::string_view utf8, int font_size) {
  int halves = 0;
  for (std::size_t i = 0, length = 1; i < utf8.size(); i += length)
    halves += half_width(code_point(utf8, i, length)) ? 1 : 2;
  return halves * font_size / 2;
}

std::string_view trimmed(std::string_view utf8) {
  const std::size_t first = utf8.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return utf8.substr(first, utf8.find_last_not_of(' ') - first + 1);
}

bool Box::near(const Box& o, int gap) const {
  return x < o.x + o.width + gap && o.x < x + width + gap && y < o.y + o.height + gap && o.y < y + height + gap;
}

Box text_box(int x, int y, std::string_view utf8, int font_size) {
  const std::string_view shown = trimmed(utf8);
  const int lead = shown.empty() ? 0 : static_cast<int>(shown.data() - utf8.data());
  return {x + text_width(utf8.substr(0, static_cast<std::size_t>(lead)), font_size), y, text_width(shown, font_size),
          shown.empty() ? 0 : font_size};
}

bool Placer::fits(const Box& box) const {
  for (const Box& k : kept_)
    if (box.near(k, gap_)) return false;
  return true;
}

bool Placer::take(const Box& box) {
  if (!fits(box)) return false;
  kept_.push_back(box);
  return true;
}

}  // namespace ambview::labels
