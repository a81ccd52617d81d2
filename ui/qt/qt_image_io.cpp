// Image files by extension.
#include "ui/qt/qt_image_io.h"

#include <QImage>
#include <QString>

#include "ui/bmp_file.h"
#include "ui/qt/qt_canvas.h"

namespace ui::qt {

bool save_image(const std::string& path, const Image& image, std::string* error) {
  const QString name = QString::fromStdString(path);
  if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) return write_bmp(path, image, error);
  if (!to_qimage(image).save(name)) {
    if (error) *error = "cannot write the image file";
    return false;
  }
  return true;
}

}  // namespace ui::qt
