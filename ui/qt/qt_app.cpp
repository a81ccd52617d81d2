// Application start-up and the gothic font substitution.
#include "ui/qt/qt_app.h"

#include <QFontInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <string>

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
  // Whatever platform the shell names: a command opens no window, so it must not need (or
  // connect to) a display, and a desktop's settings must not change the pixels it saves.
  if (headless) qputenv("QT_QPA_PLATFORM", "offscreen");
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

namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

[[noreturn]] void no_display_exit(const std::string& line) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  std::_Exit(kExitNoDisplay);
}

constexpr const char* kNoWindowHint = ": the window cannot open; the command-line forms run without one (";

// What the start-up guard needs while Qt picks its platform: the program's name for the one
// line, and Qt's own messages held back (they are shown only if the start succeeds).
std::string g_program;
QStringList g_held_messages;

void start_up_guard(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    g_held_messages << qFormatLogMessage(type, context, message);
    return;
  }
  // The only fatal message while the application is made is the failed platform start.
  const std::string display = environment("DISPLAY");
  const std::string platform = environment("QT_QPA_PLATFORM");
  const std::string why = !display.empty()    ? "cannot open the display \"" + display + "\""
                          : !platform.empty() ? "cannot start the window system \"" + platform + "\""
                                              : "cannot open the display";
  no_display_exit(g_program + ": " + why + kNoWindowHint + g_program + " --help)");
}

}  // namespace

std::unique_ptr<QApplication> start_window_application(int& argc, char** argv, const char* program) {
  g_program = program;
  // Checked before Qt is touched: Qt would abort with its list of platform plugins.
  if (environment("DISPLAY").empty() && environment("WAYLAND_DISPLAY").empty() && environment("QT_QPA_PLATFORM").empty())
    no_display_exit(g_program + ": no display (DISPLAY is not set)" + kNoWindowHint + g_program + " --help)");
  // A display that is set but cannot be opened shows only inside Qt, as a fatal message.
  const QtMessageHandler previous = qInstallMessageHandler(start_up_guard);
  auto app = start_application(argc, argv);
  qInstallMessageHandler(previous);
  for (const QString& held : g_held_messages) std::fprintf(stderr, "%s\n", held.toLocal8Bit().constData());
  g_held_messages.clear();
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

QGuiApplication& ensure_drawing_application() {
  if (auto* running = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return *running;
  static int argc = 1;
  static char name[] = "movilog";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // No event loop runs: Qt's own dispatcher is enough, the GLib one would only be started.
  qputenv("QT_NO_GLIB", "1");
  // Never destroyed, as in ensure_application.
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  install_font_substitutions();
  return *app;
}

}  // namespace ui::qt
