// The serial port as the link program uses it: open with its line settings, change speed,
// write, count and read waiting bytes without blocking, purge, close. Implemented on
// QSerialPort for real ports and ptys, and in-process against the simulated recorder.
#pragma once

#include <string>
#include <string_view>

namespace ui {

enum class OpenOutcome {
  Ok,
  AlreadyOpen,  // the port was open already
  CannotOpen,   // the device cannot be opened (absent, busy, no permission)
  NoCts,        // CTS did not appear within 1000 ms
  OtherError,   // any other failure; see `error_code`
};

struct OpenResult {
  OpenOutcome outcome = OpenOutcome::Ok;
  int error_code = 0;  // platform error number for OtherError
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // 8 data bits, no parity, no software flow control, `stop_bits` 1 or 2, 9600 baud;
  // pending input and output are purged. A port without modem-status lines counts as
  // showing CTS.
  virtual OpenResult open(int stop_bits) = 0;
  virtual bool is_open() const = 0;
  virtual void close() = 0;

  virtual bool set_speed(int baud) = 0;
  virtual bool write(std::string_view bytes) = 0;
  // Bytes waiting in the input queue; -1 when the device has failed (vanished): the port
  // is then closed.
  virtual int bytes_waiting() = 0;
  // Reads up to `max` of the waiting bytes; never blocks.
  virtual std::string read(int max) = 0;
  // Blocks up to `timeout_ms` until input is waiting (so that reception waits do not spin);
  // true when bytes are waiting.
  virtual bool wait_readable(int timeout_ms) = 0;
  virtual void purge() = 0;

  // Set when the last operation failed with a device error (the device vanished or reported
  // an I/O error); the port has been closed.
  virtual bool device_error() const = 0;
  // Text naming the port for messages ("/dev/ttyUSB0", "com1").
  virtual std::string name() const = 0;
  // Why the last open failed, in a few words with what to do about it ("permission denied -
  // add your user to the dialout group"); empty when the last open did not fail.
  virtual std::string open_failure() const { return {}; }
};

}  // namespace ui
