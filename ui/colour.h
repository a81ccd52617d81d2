// Colours as the settings files store them: 0x00BBGGRR values written as hex text,
// and the standard 16-colour palette that the programs name by index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

using Colour = std::uint32_t;  // 0x00BBGGRR

constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int red_of(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int green_of(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blue_of(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// Standard 16-colour palette: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta,
// 6 yellow (dark), 7 white (light grey), 8 grey, 9 light blue, 10 light green,
// 11 light cyan, 12 light red, 13 light magenta, 14 light yellow, 15 bright white.
// Indices outside 0-15 are taken modulo 16.
Colour palette(int index);

// A colour as the settings files hold it (hex text without leading zeros), and back (the
// low 24 bits of the hex value; text that is no hex reads as black).
std::string colour_text(Colour c);
Colour colour_of(std::string_view text);

}  // namespace ui
