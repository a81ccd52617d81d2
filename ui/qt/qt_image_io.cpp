// Image files by extension.
#include "ui/qt/qt_image_io.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstring>

#include "common/staged_file.h"

#include "ui/bmp_file.h"
#include "ui/qt/qt_canvas.h"

namespace ui::qt {

bool save_image(const std::string& path, const Image& image, std::string* error) {
  const QString name = QString::fromStdString(path);
  if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive)) return write_bmp(path, image, error);
  // Encoded in memory, then written whole under a temporary name and renamed: a full disk
  // leaves no cut-short image.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!to_qimage(image).save(&buffer, "PNG")) {
    if (error) *error = "cannot encode the image";
    return false;
  }
  if (const int e = common::write_whole_file(path, bytes.constData(), static_cast<std::size_t>(bytes.size())); e != 0) {
    if (error) *error = std::string("cannot write the image file: ") + std::strerror(e);
    return false;
  }
  return true;
}

}  // namespace ui::qt
