// Saving a drawn view as an image file, chosen by extension: ".bmp" through the plain BMP
// writer, anything else (".png") through the plain PNG writer. Neither needs an image plug-in,
// so saving loads nothing the drawing did not.
#pragma once

#include <string>

#include "ui/canvas.h"

namespace ui::qt {

// False, with the reason in `error` when given, when the file cannot be written.
bool save_image(const std::string& path, const Image& image, std::string* error = nullptr);

}  // namespace ui::qt
