// Saving a drawn view as an image file, chosen by extension: ".bmp" through the plain BMP
// writer (the same bytes everywhere), anything else (".png") through Qt.
#pragma once

#include <string>

#include "ui/canvas.h"

namespace ui::qt {

// False, with the reason in `error` when given, when the file cannot be written.
bool save_image(const std::string& path, const Image& image, std::string* error = nullptr);

}  // namespace ui::qt
