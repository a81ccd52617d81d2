// Image files by extension.
#include "ui/qt/qt_image_io.h"

#include <algorithm>
#include <cctype>

#include "ui/bmp_file.h"
#include "ui/png_file.h"

namespace ui::qt {

bool save_image(const std::string& path, const Image& image, std::string* error) {
  std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".bmp") return write_bmp(path, image, error);
  return write_png(path, image, error);
}

}  // namespace ui::qt
