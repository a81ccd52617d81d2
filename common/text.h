// Fixed-position text helpers for byte layouts (1-based positions as the layouts are
// written) and blank padding. Every position here is a byte position in CP932 text.
#pragma once

#include <string>
#include <string_view>

namespace common {

// Bytes pos..pos+len-1 (1-based); parts outside the text are simply absent.
std::string mid(std::string_view s, int pos, int len);
// Bytes from pos (1-based) to the end.
std::string mid_from(std::string_view s, int pos);
// Overwrites bytes starting at pos (1-based) with `text`, extending `s` with blanks when
// it is too short.
void set_mid(std::string& s, int pos, std::string_view text);

// Left-justified in `width`, blank (or `fill`) padded, cut keeping the leftmost characters.
std::string pad_right(std::string_view s, int width, char fill = ' ');
// Right-justified in `width`, blank padded; a longer text keeps its leftmost characters.
std::string pad_left(std::string_view s, int width, char fill = ' ');
// The last `n` characters (all when shorter).
std::string right(std::string_view s, int n);
// Text with trailing blanks removed.
std::string trim_right(std::string_view s);
std::string trim_left(std::string_view s);

}  // namespace common
