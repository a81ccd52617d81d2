// BMP encoding and decoding. Header layout (little-endian):
//   file header  0 "BM" | 2 file size (4) | 6 reserved (4) | 10 offset of the pixels (4)
//   info header 14 header size (4) | 18 width (4) | 22 height (4, negative: top-down)
//               26 planes (2) | 28 bits per pixel (2) | 30 compression (4) | 34 image size (4)
//               38 x pixels/m (4) | 42 y pixels/m (4) | 46 colours used (4) | 50 important (4)
//   palette     14 + header size, 4 bytes per entry (B, G, R, 0), for 1, 4 and 8 bits
#include "ui/bmp_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "common/staged_file.h"

namespace ui {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dpi, the screen's resolution
// Refuse pictures beyond this many pixels rather than allocate without bound.
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

std::uint32_t get16(const std::vector<std::uint8_t>& in, std::size_t at) {
  return static_cast<std::uint32_t>(in[at]) | (static_cast<std::uint32_t>(in[at + 1]) << 8);
}

std::uint32_t get32(const std::vector<std::uint8_t>& in, std::size_t at) {
  return get16(in, at) | (get16(in, at + 2) << 16);
}

std::size_t row_bytes(std::int64_t width, int bits) {
  return static_cast<std::size_t>(((width * bits + 31) / 32) * 4);
}

bool fail(std::string* error, const char* why) {
  if (error) *error = why;
  return false;
}

}  // namespace

std::vector<std::uint8_t> encode_bmp(const Image& image) {
  const int width = image.width > 0 ? image.width : 0;
  const int height = image.height > 0 ? image.height : 0;
  const std::size_t stride = row_bytes(width, 24);
  const std::size_t data_size = stride * static_cast<std::size_t>(height);
  const std::size_t offset = kFileHeaderSize + kInfoHeaderSize;
  std::vector<std::uint8_t> out(offset + data_size, 0);

  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(out.size()));
  put32(out, 10, static_cast<std::uint32_t>(offset));
  put32(out, 14, kInfoHeaderSize);
  put32(out, 18, static_cast<std::uint32_t>(width));
  put32(out, 22, static_cast<std::uint32_t>(height));
  put16(out, 26, 1);
  put16(out, 28, 24);
  put32(out, 30, 0);
  put32(out, 34, static_cast<std::uint32_t>(data_size));
  put32(out, 38, kPixelsPerMetre);
  put32(out, 42, kPixelsPerMetre);

  const bool complete = image.pixels.size() >= static_cast<std::size_t>(width) * height;
  for (int y = 0; y < height; ++y) {
    std::size_t at = offset + stride * static_cast<std::size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x, at += 3) {
      const std::uint32_t p = complete ? image.at(x, y) : 0;
      out[at] = static_cast<std::uint8_t>(p & 0xFF);             // blue
      out[at + 1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);  // green
      out[at + 2] = static_cast<std::uint8_t>((p >> 16) & 0xFF); // red
    }
  }
  return out;
}

bool write_bmp(const std::string& path, const Image& image, std::string* error) {
  const auto bytes = encode_bmp(image);
  if (const int e = common::write_whole_file(path, bytes.data(), bytes.size()); e != 0)
    return fail(error, (std::string("cannot write the file: ") + std::strerror(e)).c_str());
  return true;
}

std::optional<Image> decode_bmp(const std::vector<std::uint8_t>& in, std::string* error) {
  auto bad = [error](const char* why) -> std::optional<Image> {
    fail(error, why);
    return std::nullopt;
  };
  if (in.size() < kFileHeaderSize + 16 || in[0] != 'B' || in[1] != 'M')
    return bad("not a bitmap file");
  const std::uint32_t offset = get32(in, 10);
  const std::uint32_t header_size = get32(in, 14);
  if (header_size < kInfoHeaderSize || kFileHeaderSize + static_cast<std::size_t>(header_size) > in.size())
    return bad("unsupported bitmap header");
  const auto width = static_cast<std::int32_t>(get32(in, 18));
  const auto raw_height = static_cast<std::int32_t>(get32(in, 22));
  const int bits = static_cast<int>(get16(in, 28));
  const std::uint32_t compression = get32(in, 30);
  if (compression != 0) return bad("compressed bitmaps are not supported");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return bad("unsupported number of bits per pixel");
  if (width <= 0 || raw_height == 0 || raw_height == INT32_MIN) return bad("bad bitmap size");
  const bool top_down = raw_height < 0;
  const std::int64_t height = top_down ? -static_cast<std::int64_t>(raw_height) : raw_height;
  if (static_cast<std::int64_t>(width) * height > kMaxPixels) return bad("bitmap too large");

  std::vector<std::uint32_t> palette;
  if (bits <= 8) {
    std::uint32_t colours = get32(in, 46);
    const std::uint32_t full = 1u << bits;
    if (colours == 0 || colours > full) colours = full;
    const std::size_t at = kFileHeaderSize + header_size;
    if (at + static_cast<std::size_t>(colours) * 4 > in.size()) return bad("damaged palette");
    for (std::uint32_t i = 0; i < colours; ++i) {
      const std::size_t e = at + i * 4;
      palette.push_back((static_cast<std::uint32_t>(in[e + 2]) << 16) |
                        (static_cast<std::uint32_t>(in[e + 1]) << 8) | in[e]);
    }
  }

  const std::size_t stride = row_bytes(width, bits);
  if (offset > in.size() || stride * static_cast<std::size_t>(height) > in.size() - offset)
    return bad("bitmap data cut short");

  Image image;
  image.width = width;
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::size_t row = offset + stride * static_cast<std::size_t>(top_down ? y : height - 1 - y);
    std::uint32_t* dst = &image.pixels[static_cast<std::size_t>(y) * width];
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t p = 0;
      if (bits >= 24) {
        const std::size_t e = row + static_cast<std::size_t>(x) * (bits / 8);
        p = (static_cast<std::uint32_t>(in[e + 2]) << 16) | (static_cast<std::uint32_t>(in[e + 1]) << 8) |
            in[e];
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        const std::uint8_t byte = in[row + bit / 8];
        const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        p = index < palette.size() ? palette[index] : 0;
      }
      dst[x] = p;
    }
  }
  return image;
}

std::optional<Image> read_bmp(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    fail(error, "cannot open the file");
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return decode_bmp(bytes, error);
}

}  // namespace ui
