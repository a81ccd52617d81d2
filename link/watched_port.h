// The port as the block receivers see it during a download: every wait between polls also
// processes the progress window's events, and a closed window ends the wait at once (reported
// like a lost device, told apart by `abandoned`). Kept apart so that the receivers stay
// unaware of windows.
#pragma once

#include <string>
#include <string_view>

#include "link/progress_window.h"
#include "ui/serial_port.h"

namespace ambcomm {

class WatchedPort : public ui::SerialPort {
 public:
  WatchedPort(ui::SerialPort& inner, ProgressWindow& window) : inner_(inner), window_(window) {}
  bool abandoned() const { return abandoned_; }

  ui::OpenResult open(int stop_bits) override { return inner_.open(stop_bits); }
  bool is_open() const override { return !abandoned_ && inner_.is_open(); }
  void close() override { inner_.close(); }
  bool set_speed(int baud) override { return inner_.set_speed(baud); }
  bool write(std::string_view bytes) override { return !abandoned_ && inner_.write(bytes); }
  int bytes_waiting() override { return abandoned_ ? -1 : inner_.bytes_waiting(); }
  std::string read(int max) override { return abandoned_ ? std::string() : inner_.read(max); }
  bool wait_readable(int timeout_ms) override {
    if (!window_.still_open()) {
      abandoned_ = true;
      return false;
    }
    return inner_.wait_readable(timeout_ms);
  }
  void purge() override { inner_.purge(); }
  bool device_error() const override { return abandoned_ || inner_.device_error(); }
  std::string name() const override { return inner_.name(); }
  std::string open_failure() const override { return inner_.open_failure(); }

 private:
  ui::SerialPort& inner_;
  ProgressWindow& window_;
  bool abandoned_ = false;
};

}  // namespace ambcomm
