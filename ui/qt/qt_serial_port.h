// ui::SerialPort on QSerialPort, for real serial ports and for ptys (the simulated
// recorder). Works with or without a running event loop: every wait uses QSerialPort's
// blocking waits.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/serial_port.h"

class QSerialPort;

namespace ui {

class QtSerialPort : public SerialPort {
 public:
  // `device` is a device path (a pty included); `display_name` names it in messages.
  explicit QtSerialPort(std::string device, std::string display_name = {});
  ~QtSerialPort() override;

  // The serial devices the machine lists, sorted by device path (ptys are never listed).
  static std::vector<std::string> serial_devices();
  // The device for a port name: "com1".."com5" are the first five listed devices; anything
  // else is taken as a device path. Nothing when "comN" has no device.
  static std::optional<std::string> resolve(std::string_view port);

  OpenResult open(int stop_bits) override;
  bool is_open() const override;
  void close() override;
  bool set_speed(int baud) override;
  bool write(std::string_view bytes) override;
  int bytes_waiting() override;
  std::string read(int max) override;
  bool wait_readable(int timeout_ms) override;
  void purge() override;
  bool device_error() const override { return device_error_; }
  std::string name() const override { return display_name_; }
  std::string open_failure() const override { return open_failure_; }

 private:
  // Closes the port on a read or resource error (a vanished device keeps raising them).
  bool check_failed();
  bool cts_within(int ms);

  std::unique_ptr<QSerialPort> port_;
  std::string device_;
  std::string display_name_;
  bool device_error_ = false;
  std::string open_failure_;
};

}  // namespace ui
