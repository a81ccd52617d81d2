// ALL_WAVE, the sweep of the waveform monitor (FORM5): raw acceleration and ECG waveforms
// drawn page by page, column after column, through a WaveWindow so that the window and the
// render (`ambview render --view wave`, a bare canvas) draw the same page; the page marker in
// the trend view; the face of the hold-to-sweep button.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/canvas.h"
#include "view/compute/wave_page.h"
#include "view/settings/view_options.h"

namespace ambview {

namespace wave {

// The measuring line on the dark screen, in exclusive-or mode: white.
inline const ui::Colour kMeasureColour = ui::palette(15);

// Where the monitor's texts stand (the labels TEXT20, TEXT19, TEXT18 of the window); they are
// painted onto its dark surface, so that they also go into a saved bitmap. The bottom row of
// controls (TEXT18 among them) stands 30 pixels above the bottom of the client area.
struct TextPlace {
  const char* name;
  int x, y, width, height;
};
inline constexpr std::array<TextPlace, 3> kTextPlaces{{
    {"TEXT20", 10, 0, 230, 20},
    {"TEXT19", 250, 0, 460, 20},
    {"TEXT18", 430, 0, 220, 24},
}};
inline constexpr int kBottomRow = 30;
void paint_text(ui::Canvas& canvas, const TextPlace& at, std::string_view utf8);

// The face of PICTURE23 (what data/RtScr.bmp holds): a button with a fast-forward sign.
ui::Image continue_face();
inline constexpr int kContinueWidth = 48;
inline constexpr int kContinueHeight = 24;

}  // namespace wave

using wave::WaveState;

// What the sweep needs of its window: FORM5 in the program, a bare canvas in the render.
class WaveWindow {
 public:
  virtual ~WaveWindow() = default;
  virtual ui::Canvas& canvas() = 0;
  // TEXT18 and TEXT20.
  virtual void set_text(std::string_view control, std::string_view utf8) = 0;
  // Lets pending events through; false once the window has been closed.
  virtual bool keep_going() = 0;
  // True while the mouse button is held on PICTURE23.
  virtual bool held_on_continue() = 0;
  // CTRL_REPOS.
  virtual void reposition() = 0;
  // The trend view that carries the page marker; nullptr when there is none.
  virtual ui::Canvas* trend_view() = 0;
};

// What the sweep reads: the processing conditions (display start, scales), the channel table
// (its files by their names on disk) and the recording's start.
struct WaveSource {
  const ProcessingConditions* conditions = nullptr;
  const ChannelTable* channels = nullptr;
  std::string start_time;            // RecordingInfo item 0, YYMMDDhhmm
  std::int32_t recording_start = 0;  // seconds of the year, start offset included
  ViewOptions options;               // readable: the band labels bright and larger
};

// Draws the frame when the client size changed or the redraw flag is set, then sweeps:
// one column, or to the page end with the run-to-page-end flag, or on while the mouse is
// held on PICTURE23. A read error ends the sweep; the state is written back in every case.
void ALL_WAVE(WaveWindow& window, const WaveSource& source, WaveState& st, float speed);

// The page marker in the trend view: erased (exclusive-or again) and drawn for the page.
void erase_page_marker(ui::Canvas* trend, WaveState& st);
void draw_page_marker(ui::Canvas* trend, WaveState& st, int page_samples);

// The first page from the display start, swept to its end as the window draws it, with the
// page time and the scale written where the window shows them. False when no waveform
// channel is displayed.
bool render_wave(ui::Canvas& canvas, const ProcessingConditions& conditions, const ChannelTable& channels,
                 const RecordingInfo& info, std::int32_t recording_start, const ViewOptions& options = {});

}  // namespace ambview
