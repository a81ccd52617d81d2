// PNG files written in plain C++ over zlib. The views have few colours: a picture of at most
// 256 colours is stored with its exact palette, one byte a pixel, anything else as 8-bit RGB;
// either way the decoded pixels are the drawn ones. Fast settings, since a view is saved
// whenever it is rendered: every row filtered "up", deflated at zlib's fastest level.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace ui {

// The whole file; empty for a picture without pixels (PNG has no empty image).
std::vector<std::uint8_t> encode_png(const Image& image);
// Writes encode_png(image) to `path`, replacing an existing file only once the new one is
// whole. False (with the reason in `error` when given) when the picture is empty or the file
// cannot be written; no part of it is left then.
bool write_png(const std::string& path, const Image& image, std::string* error = nullptr);

}  // namespace ui
