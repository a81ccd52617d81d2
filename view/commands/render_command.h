// `ambview render`: draws a view of a recording exactly as the GUI draws it and saves the
// image. view/ has no Qt, so the canvas and the image writer come from main.cpp through
// RenderPlatform; tests hand in a recording canvas and a plain BMP writer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "ui/canvas.h"
#include "view/commands/command_line.h"
#include "view/recording/loader.h"
#include "view/settings/processing_conditions.h"
#include "view/settings/view_options.h"

namespace ambview {

// What drawing into a file needs from the platform.
struct RenderPlatform {
  // A persistent canvas of the given size (QImage-backed in the program).
  std::function<std::shared_ptr<ui::Canvas>(int width, int height)> make_canvas;
  // Saves an image by the path's extension (".png", ".bmp"); false with the reason in `error`.
  std::function<bool(const std::string& path, const ui::Image& image, std::string* error)> save;
};

// Installs the platform the render subcommand draws with (main.cpp does this once).
void set_render_platform(RenderPlatform platform);
const RenderPlatform& render_platform();

inline constexpr std::string_view kRenderUsage =
    "render FILE --view trend|ecg1|ecg2|ecg3|ecg4|calorie|wave|overview --out IMG.bmp|IMG.png [--width W] [--height H] "
    "[--start S] [--span S] [--channels CODES] [--avg block|moving] [--n N] [--acc-scale 0-5] [--hr-scale 0|1] "
    "[--readable]";

inline constexpr int kRenderDefaultWidth = 1000;
inline constexpr int kRenderDefaultHeight = 700;

// Everything a view draws from: the processing conditions as the GUI would hold them after
// the recording was opened and the options applied, and the loaded recording.
struct RenderSetup {
  ProcessingConditions conditions;
  LoadedRecording recording;
  ChannelTable channels;  // present flags narrowed by --channels
  ViewOptions options;    // --readable
};

// Builds the setup: the loaded recording, "RaZor.prm" from the current directory when it
// exists (read only) or the defaults, then the options. nullopt with a message in `error`
// on a bad option value.
std::optional<RenderSetup> render_setup(const LoadedRecording& recording, const ParsedArgs& parsed,
                                        std::string& error);

// ambview render FILE --view VIEW --out IMG [options]
int run_render(const CommandArgs& args, std::ostream& out, std::ostream& err);

}  // namespace ambview
