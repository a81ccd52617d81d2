// Application start-up shared by both programs' main.cpp: the QApplication, the gothic font
// the programs name ("ＭＳ ゴシック") mapped to a Japanese gothic installed here, and the
// default font of every window.
#pragma once

#include <memory>
#include <string>

#include <QApplication>
#include <QFont>

namespace ui::qt {

// The font family the programs ask for; substituted by install_font_substitutions().
inline constexpr const char* kGothicFamily = "ＭＳ ゴシック";
// Pixel size of the default font of windows and controls.
inline constexpr int kDefaultFontPixels = 13;

// Creates the application (call before any window, font or canvas is made). With `headless`
// the offscreen platform is used whatever QT_QPA_PLATFORM says, so that command-line modes
// draw and save views without a display and never start a window system.
std::unique_ptr<QApplication> start_application(int& argc, char** argv, bool headless = false);

// Exit status of a window program that finds no display to open.
inline constexpr int kExitNoDisplay = 2;

// start_application for a window program. Without a display (no DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM, or a platform Qt cannot start) it writes one line "PROGRAM: ..." on stderr
// and ends the process with kExitNoDisplay, instead of Qt's abort with its plugin list.
std::unique_ptr<QApplication> start_window_application(int& argc, char** argv, const char* program);

// For tests and command-line modes that need Qt without owning main's argv: the running
// application, or a headless one made once and kept for the rest of the process.
QApplication& ensure_application();

// For a command that only draws into images and saves them (`ambview render`): the running
// application, or a headless QGuiApplication made once, without widgets, style or
// translations. A process that makes it opens no window afterwards.
QGuiApplication& ensure_drawing_application();

// "ＭＳ ゴシック" and "MS Gothic" -> IPAGothic, then Noto Sans CJK JP. IPAGothic keeps
// half-width characters exactly half as wide as full-width ones, which fixed-column texts
// rely on. Called by start_application; safe to call again.
void install_font_substitutions();

// The programs' gothic font at a pixel size, fixed pitch.
QFont gothic_font(int pixel_size);

// The family the gothic font resolves to on this machine (for tests and diagnostics).
std::string resolved_gothic_family();

}  // namespace ui::qt
