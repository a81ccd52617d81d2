// The standard 16-colour palette.
#include "ui/colour.h"

#include "common/numbers.h"

namespace ui {

Colour palette(int index) {
  static constexpr Colour table[16] = {
      rgb(0, 0, 0),       rgb(0, 0, 128),     rgb(0, 128, 0),     rgb(0, 128, 128),
      rgb(128, 0, 0),     rgb(128, 0, 128),   rgb(128, 128, 0),   rgb(192, 192, 192),
      rgb(128, 128, 128), rgb(0, 0, 255),     rgb(0, 255, 0),     rgb(0, 255, 255),
      rgb(255, 0, 0),     rgb(255, 0, 255),   rgb(255, 255, 0),   rgb(255, 255, 255),
  };
  return table[((index % 16) + 16) % 16];
}

std::string colour_text(Colour c) {
  int digits = 1;
  while (digits < 8 && (static_cast<std::uint64_t>(c) >> (4 * digits)) != 0) ++digits;
  return common::hex_field(c, digits);
}

Colour colour_of(std::string_view text) { return static_cast<Colour>(common::hex_value(text) & 0xFFFFFFu); }

}  // namespace ui
