// PNG encoding. File layout (numbers big-endian):
//   signature  89 50 4E 47 0D 0A 1A 0A
//   chunk      length of the data (4) | type (4) | data | CRC-32 of type and data (4)
//   IHDR data  0 width (4) | 4 height (4) | 8 bits per sample (1) | 9 colour type (1)
//              10 compression (1) | 11 filter method (1) | 12 interlace (1), all three 0
//   PLTE data  R, G, B per palette entry (colour type 3 only)
//   IDAT data  one zlib stream of every row: its filter type (1), then its bytes
//   IEND       no data
#include "ui/png_file.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "common/staged_file.h"

namespace ui {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t kBitsPerSample = 8;
constexpr std::uint8_t kColourRgb = 2;
constexpr std::uint8_t kColourPalette = 3;
// "Up" stores each byte less the one above it: ruled lines, captions and the background
// repeat from row to row, so most rows become runs of zeros.
constexpr std::uint8_t kFilterUp = 2;
constexpr std::size_t kPaletteMax = 256;
constexpr std::size_t kOutputStep = 64 * 1024;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Appends a chunk whose data are already at out[start + 8 ...]: fills in its length in front
// and the CRC behind.
void close_chunk(std::vector<std::uint8_t>& out, std::size_t start) {
  const std::size_t size = out.size() - start - 8;
  for (int i = 0; i < 4; ++i) out[start + i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  put32(out, static_cast<std::uint32_t>(crc32(0, out.data() + start + 4, static_cast<uInt>(size + 4))));
}

std::size_t open_chunk(std::vector<std::uint8_t>& out, const char* type) {
  const std::size_t start = out.size();
  put32(out, 0);
  out.insert(out.end(), type, type + 4);
  return start;
}

// The picture's colours in order of first appearance and each pixel's index in them; false
// when there are more than a palette holds.
bool build_palette(const std::vector<std::uint32_t>& pixels, std::vector<std::uint32_t>& colours,
                   std::vector<std::uint8_t>& indices) {
  constexpr int kSlotBits = 10;  // four slots per palette entry keep the probes short
  std::array<std::int16_t, 1 << kSlotBits> slots;
  slots.fill(-1);
  indices.resize(pixels.size());
  std::uint32_t last = 0xFFFFFFFFu;
  std::uint8_t last_index = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t c = pixels[i] & 0xFFFFFFu;
    if (c != last) {
      std::uint32_t s = (c * 2654435761u) >> (32 - kSlotBits);
      while (slots[s] >= 0 && colours[static_cast<std::size_t>(slots[s])] != c) s = (s + 1) & ((1u << kSlotBits) - 1);
      if (slots[s] < 0) {
        if (colours.size() == kPaletteMax) return false;
        slots[s] = static_cast<std::int16_t>(colours.size());
        colours.push_back(c);
      }
      last = c;
      last_index = static_cast<std::uint8_t>(slots[s]);
    }
    indices[i] = last_index;
  }
  return true;
}

// Deflates into `out` until the input is taken (or, finishing, the stream is complete),
// through a scratch buffer of its own, so that `out` only ever grows by what was made.
bool pump(z_stream& z, std::vector<std::uint8_t>& out, int flush) {
  std::array<std::uint8_t, kOutputStep> step;
  for (;;) {
    z.next_out = step.data();
    z.avail_out = static_cast<uInt>(step.size());
    const int result = deflate(&z, flush);
    out.insert(out.end(), step.data(), step.data() + (step.size() - z.avail_out));
    if (result == Z_STREAM_ERROR) return false;
    if (flush == Z_FINISH ? result == Z_STREAM_END : z.avail_out != 0) return true;
  }
}

struct Deflater {
  z_stream z{};
  bool ok = deflateInit(&z, Z_BEST_SPEED) == Z_OK;
  ~Deflater() {
    if (ok) deflateEnd(&z);
  }
};

}  // namespace

std::vector<std::uint8_t> encode_png(const Image& image) {
  if (image.width <= 0 || image.height <= 0) return {};
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t height = static_cast<std::size_t>(image.height);
  const std::vector<std::uint32_t>* pixels = &image.pixels;
  std::vector<std::uint32_t> padded;  // a short pixel list reads as black, as in a bitmap
  if (pixels->size() < width * height) {
    padded = image.pixels;
    padded.resize(width * height, 0);
    pixels = &padded;
  }

  std::vector<std::uint32_t> colours;
  std::vector<std::uint8_t> indices;
  const bool palette = build_palette(*pixels, colours, indices);
  const std::size_t row_bytes = palette ? width : 3 * width;

  std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
  std::size_t start = open_chunk(out, "IHDR");
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(height));
  out.insert(out.end(), {kBitsPerSample, palette ? kColourPalette : kColourRgb, 0, 0, 0});
  close_chunk(out, start);
  if (palette) {
    start = open_chunk(out, "PLTE");
    for (const std::uint32_t c : colours)
      out.insert(out.end(), {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)});
    close_chunk(out, start);
  }

  start = open_chunk(out, "IDAT");
  Deflater deflater;
  if (!deflater.ok) return {};
  std::vector<std::uint8_t> above(row_bytes, 0), row(row_bytes), filtered(row_bytes + 1);
  filtered[0] = kFilterUp;
  for (std::size_t y = 0; y < height; ++y) {
    if (palette) {
      std::memcpy(row.data(), indices.data() + y * width, width);
    } else {
      const std::uint32_t* p = pixels->data() + y * width;
      for (std::size_t x = 0; x < width; ++x) {
        row[3 * x] = static_cast<std::uint8_t>(p[x] >> 16);
        row[3 * x + 1] = static_cast<std::uint8_t>(p[x] >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(p[x]);
      }
    }
    for (std::size_t i = 0; i < row_bytes; ++i) filtered[i + 1] = static_cast<std::uint8_t>(row[i] - above[i]);
    row.swap(above);
    deflater.z.next_in = filtered.data();
    deflater.z.avail_in = static_cast<uInt>(filtered.size());
    if (!pump(deflater.z, out, Z_NO_FLUSH)) return {};
  }
  if (!pump(deflater.z, out, Z_FINISH)) return {};
  close_chunk(out, start);
  close_chunk(out, open_chunk(out, "IEND"));
  return out;
}

bool write_png(const std::string& path, const Image& image, std::string* error) {
  const auto bytes = encode_png(image);
  if (bytes.empty()) {
    if (error) *error = "cannot encode the image";
    return false;
  }
  if (const int e = common::write_whole_file(path, bytes.data(), bytes.size()); e != 0) {
    if (error) *error = std::string("cannot write the image file: ") + std::strerror(e);
    return false;
  }
  return true;
}

}  // namespace ui
