// A serial port wired in-process to the simulated recorder, for unit tests and
// `ambcomm --simulate`: no device, but the same speeds, silences, delays and faults.
#pragma once

#include <chrono>
#include <deque>
#include <string>

#include "sim/recorder.h"
#include "ui/serial_port.h"

namespace ambsim {

class InProcessPort : public ui::SerialPort {
 public:
  explicit InProcessPort(const RecorderConfig& config, FaultInjector faults = {},
                         std::string name = "simulated");

  Recorder& recorder() { return recorder_; }

  // Modem lines and device failures a test can drive.
  void set_cts(bool present) { cts_ = present; }
  // The next `n` opens find no device.
  void fail_opens(int n) { failing_opens_ = n; }
  // The device disappears: the next operation reports a device error.
  void vanish() { vanish_ = true; }
  int opens() const { return opens_; }
  int baud() const { return baud_; }
  int stop_bits() const { return stop_bits_; }
  // Everything written to the port since it was made.
  const std::string& written() const { return written_; }

  ui::OpenResult open(int stop_bits) override;
  bool is_open() const override { return open_; }
  void close() override;
  bool set_speed(int baud) override;
  bool write(std::string_view bytes) override;
  int bytes_waiting() override;
  std::string read(int max) override;
  bool wait_readable(int timeout_ms) override;
  void purge() override;
  bool device_error() const override { return device_error_; }
  std::string name() const override { return name_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct Pending {
    Clock::time_point ready;
    std::string bytes;
    int baud;
  };
  static constexpr std::size_t kQueueSize = 2048;

  bool check_vanished();
  void collect();  // recorder output into the pending queue
  void arrive();   // due bytes into the input queue

  Recorder recorder_;
  std::string name_;
  bool open_ = false;
  bool cts_ = true;
  bool vanish_ = false;
  bool device_error_ = false;
  int failing_opens_ = 0;
  int opens_ = 0;
  int baud_ = 9600;
  int stop_bits_ = 2;
  std::string input_;
  std::string written_;
  std::deque<Pending> pending_;
  Clock::time_point line_free_ = Clock::now();
  Clock::time_point stream_clock_ = Clock::now();
};

}  // namespace ambsim
