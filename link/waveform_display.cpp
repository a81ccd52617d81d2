// The live waveform display (see waveform_display.h).
#include "link/waveform_display.h"

#include <memory>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "ui/colour.h"

namespace ambcomm {

int wave_value(unsigned char low, unsigned char high) { return (low & 63) + 64 * (high & 63); }

int wave_y(int value) { return static_cast<int>(common::round_half_even((value - 2048) / 10.0)) + 120; }

namespace {

// The trace: 500 points from x = 21 on, drawn over the previous one.
constexpr int kPlotLeft = 20;
constexpr int kPlotPoints = 500;
// A frame: a start byte (192 or above) and nine more, five values in byte pairs.
constexpr unsigned char kFrameStart = 192;
constexpr int kFrameBytes = 10;
// One look at the port waits 10 ms; the start byte is looked for among 10000 bytes at most,
// and a stream that stops for 200 looks counts as a receive error.
constexpr int kPollMs = 10;
constexpr int kSyncPolls = 10000;
constexpr int kFrameWaitPolls = 200;

enum class Got { Byte, Closed, Error };

class WaveReader {
 public:
  WaveReader(Link& link, ui::Form& form) : link_(link), form_(form) {}

  // One byte of the stream, waiting at most `polls` polls.
  Got next(unsigned char& out, int polls) {
    for (int i = 0; i < polls; ++i) {
      if (pos_ < buffer_.size()) {
        out = static_cast<unsigned char>(buffer_[pos_++]);
        return Got::Byte;
      }
      link_.pump.process_pending();
      if (!form_.is_open()) return Got::Closed;
      const int n = link_.port.bytes_waiting();
      if (n < 0 || link_.port.device_error()) return Got::Error;
      if (n == 0) {
        link_.port.wait_readable(kPollMs);
        continue;
      }
      buffer_ = link_.port.read(n);
      pos_ = 0;
    }
    return Got::Error;
  }
  void reset() {
    buffer_.clear();
    pos_ = 0;
  }

 private:
  Link& link_;
  ui::Form& form_;
  std::string buffer_;
  std::size_t pos_ = 0;
};

// Runs the plot until the window closes (Closed) or the line fails (Error).
Got plot(ui::Form& form, WaveReader& reader) {
  ui::Canvas& canvas = form.canvas();
  canvas.clear(ui::palette(15));
  // Synchronise: a frame-start byte and the nine bytes after it.
  unsigned char frame[kFrameBytes];
  int have = 0;
  for (int poll = 0; have < kFrameBytes; ++poll) {
    if (poll >= kSyncPolls) return Got::Error;
    unsigned char c = 0;
    Got g = reader.next(c, kFrameWaitPolls);
    if (g != Got::Byte) return g;
    if (have == 0 && c < kFrameStart) continue;
    frame[have++] = c;
  }
  std::vector<int> ys(kPlotPoints + 3, -1);
  int previous_y = wave_y(wave_value(frame[8], frame[9]));
  for (;;) {
    for (int i = 1; i <= kPlotPoints;) {
      unsigned char c = 0;
      do {
        Got g = reader.next(c, kFrameWaitPolls);
        if (g != Got::Byte) return g;
      } while (c < kFrameStart);
      frame[0] = c;
      for (int k = 1; k < kFrameBytes; ++k) {
        Got g = reader.next(frame[k], kFrameWaitPolls);
        if (g != Got::Byte) return g;
      }
      for (int v = 0; v < kFrameBytes / 2 && i <= kPlotPoints; ++v, ++i) {
        const int y = wave_y(wave_value(frame[2 * v], frame[2 * v + 1]));
        const int x = kPlotLeft + i;
        // Erase the old trace two points ahead, then draw the new segment.
        if (i + 2 <= kPlotPoints && ys[static_cast<std::size_t>(i + 1)] >= 0 && ys[static_cast<std::size_t>(i + 2)] >= 0) {
          canvas.set_pen(ui::palette(15));
          canvas.line(x + 1, ys[static_cast<std::size_t>(i + 1)], x + 2, ys[static_cast<std::size_t>(i + 2)]);
        }
        canvas.set_pen(ui::palette(0));
        canvas.line(x - 1, previous_y, x, y);
        ys[static_cast<std::size_t>(i)] = y;
        previous_y = y;
      }
      if (!form.is_open()) return Got::Closed;
    }
  }
}

}  // namespace

void PW_WAVE(Link& link, ui::FormFactory& forms) {
  std::unique_ptr<ui::Form> form = forms.make_form("FORM3", 560, 260);
  form->set_handler([](const ui::UiEvent&) {});
  form->set_caption("PW-4 波形表示");
  form->show();
  form->canvas().clear(ui::palette(15));
  WaveReader reader(link, *form);
  while (form->is_open()) {
    link.port.close();
    int status = 0;
    RX_OPEN(link, status, "WAV");
    if (status == kStatusOpenFailed) {
      link.pump.process_pending();
      continue;
    }
    if (status != kStatusOk && status != kStatusAlreadyOpen) break;
    set_speed(link, 9600);
    reader.reset();
    if (plot(*form, reader) == Got::Closed) break;
  }
  form->close();
  link.port.close();
}

}  // namespace ambcomm
