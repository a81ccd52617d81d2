// QSettings and QDesktopServices behind ui::Desktop.
#include "ui/qt/qt_desktop.h"

#include <QDesktopServices>
#include <QSettings>
#include <QString>
#include <QUrl>

namespace ui::qt {

namespace {
QString qstr(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
}  // namespace

QtDesktop::QtDesktop(std::string organisation, std::string program)
    : organisation_(std::move(organisation)), program_(std::move(program)) {}

std::string QtDesktop::setting(std::string_view key) const {
  const QSettings settings(qstr(organisation_), qstr(program_));
  return settings.value(qstr(key)).toString().toStdString();
}

void QtDesktop::set_setting(std::string_view key, std::string_view value) {
  QSettings settings(qstr(organisation_), qstr(program_));
  settings.setValue(qstr(key), qstr(value));
}

bool QtDesktop::open_document(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace ui::qt
