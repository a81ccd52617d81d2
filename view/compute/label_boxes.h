// Where the readable pictures put their texts: the width a text takes in the programs'
// gothic font and a list of kept boxes that a new label must stay clear of, so that no label
// is drawn over another.
#pragma once

#include <string_view>
#include <vector>

namespace ambview::labels {

// Pixels `utf8` takes in the gothic font at `font_size` pixels: half-width characters (ASCII
// and half-width katakana) half the size, every other character the full size.
int text_width(std::string_view utf8, int font_size);
// `utf8` without its leading and trailing blanks: what shows of a padded label.
std::string_view trimmed(std::string_view utf8);

// A text's box: left, top, width, height in pixels.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  // True when the boxes come closer than `gap` pixels (touching edges are clear at gap 0).
  bool near(const Box& other, int gap) const;
};
// The box of `utf8` drawn with its top-left corner at (x, y): its blanks show nothing, so
// they take no room.
Box text_box(int x, int y, std::string_view utf8, int font_size);

// The labels kept so far; a label is taken only when it is clear of all of them by `gap`.
class Placer {
 public:
  explicit Placer(int gap) : gap_(gap) {}
  bool fits(const Box& box) const;
  // Keeps `box` when it fits; false (nothing kept) when it does not.
  bool take(const Box& box);

 private:
  int gap_;
  std::vector<Box> kept_;
};

}  // namespace ambview::labels
