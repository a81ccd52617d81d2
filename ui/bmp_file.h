// Windows bitmap files (BMP) written and read in plain C++, so that a saved view is the same
// bytes on every machine and needs no image plug-in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/canvas.h"

namespace ui {

// A 24-bit bitmap: BITMAPFILEHEADER, BITMAPINFOHEADER (96 dpi), rows bottom-up, each padded
// to a multiple of 4 bytes.
std::vector<std::uint8_t> encode_bmp(const Image& image);
// Writes encode_bmp(image) to `path`, replacing an existing file only once the new one is
// whole. False (with the reason in `error` when given) when the file cannot be written; no
// part of it is left then.
bool write_bmp(const std::string& path, const Image& image, std::string* error = nullptr);

// Reads an uncompressed bitmap of 1, 4, 8, 24 or 32 bits per pixel, bottom-up or top-down.
// Nothing (with the reason in `error`) for anything else or a damaged file.
std::optional<Image> decode_bmp(const std::vector<std::uint8_t>& bytes, std::string* error = nullptr);
std::optional<Image> read_bmp(const std::string& path, std::string* error = nullptr);

}  // namespace ui
