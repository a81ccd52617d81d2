// The simulated recorder on a pseudo-terminal: the pty, the LINK symlink to its device, the
// speed the link side has set, and output paced to the line rate the recorder would have.
#pragma once

#include <atomic>
#include <string>

#include "sim/recorder.h"

namespace ambsim {

class PtyServer {
 public:
  PtyServer() = default;
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Creates the pty and makes `link_path` a symlink to its device. An existing symlink is
  // replaced; any other file there is left alone and refused.
  bool open(const std::string& link_path, std::string& error);
  // The pty's device ("/dev/pts/N").
  const std::string& device() const { return device_; }

  // Serves until `stop` is set or the recorder vanishes (disconnect fault). Bytes the link
  // side writes at another speed than the recorder's are dropped, and so is output pending
  // when the link side changes to another speed: the recorder stays silent.
  void serve(Recorder& recorder, const std::atomic<bool>& stop);

  // Writes each command the recorder takes to stderr ("ambsim: < CRa").
  void set_log(bool on) { log_ = on; }

  // Closes the pty and removes the symlink (when it still points to our device).
  void close();

 private:
  int master_ = -1;
  std::string device_;
  std::string link_path_;
  bool log_ = false;
};

// 11 bits a byte: start bit, 8 data bits, 2 stop bits.
constexpr double kBitsPerByte = 11.0;

}  // namespace ambsim
