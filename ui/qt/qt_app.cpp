// Application start-up and the gothic font substitution.
#include "ui/qt/qt_app.h"

#include <QFontInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

namespace ui::qt {

void install_font_substitutions() {
  const QStringList candidates{QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")};
  for (const QString& name : {QString::fromUtf8(kGothicFamily), QStringLiteral("MS Gothic")}) {
    // insertSubstitutions appends: start afresh so that a second call changes nothing.
    QFont::removeSubstitutions(name);
    QFont::insertSubstitutions(name, candidates);
  }
}

QFont gothic_font(int pixel_size) {
  QFont font(QString::fromUtf8(kGothicFamily));
  font.setPixelSize(pixel_size > 0 ? pixel_size : kDefaultFontPixels);
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
  return font;
}

std::string resolved_gothic_family() {
  return QFontInfo(gothic_font(16)).family().toStdString();
}

std::unique_ptr<QApplication> start_application(int& argc, char** argv, bool headless) {
  if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  auto app = std::make_unique<QApplication>(argc, argv);
  // The programs end their loops themselves when the main window closes.
  QApplication::setQuitOnLastWindowClosed(false);
  install_font_substitutions();
  QApplication::setFont(gothic_font(kDefaultFontPixels));
  // The programs speak Japanese whatever the desktop's language: Qt's own dialog texts too,
  // when the translations are installed (Debian package qt6-translations-l10n).
  auto* translator = new QTranslator(app.get());
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  return app;
}

QApplication& ensure_application() {
  if (auto* running = qobject_cast<QApplication*>(QCoreApplication::instance())) return *running;
  static int argc = 1;
  static char name[] = "movilog";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down during static destruction is not safe.
  static QApplication* app = start_application(argc, argv, true).release();
  return *app;
}

}  // namespace ui::qt
