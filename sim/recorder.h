// The simulated recorder's protocol engine: bytes from the link side in, answers out, no I/O.
// The pty server and the in-process port both drive it, so the exchanges are written once.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/conditions_record.h"
#include "sim/faults.h"
#include "sim/signal_generator.h"

namespace ambsim {

struct RecorderConfig {
  std::string model = "LA";     // heading of every answer; an unknown one streams a waveform
  char mode = '0';
  std::int64_t samples = 600;   // acceleration data amount
  std::int64_t rr = -1;         // RR data amount; -1: the beats the recording holds
  int ecg = 0;                  // ECG blocks 0-4
  std::string interval = "1";   // seconds as text ("0.02", "1", "60")
  char speed = 'A';             // transfer-speed field: "B" offers four-times transfer
  int line_baud = 9600;         // line speed at power-on (19200: left at four-times speed)
  std::uint32_t seed = 1;
  double clear_seconds = 2.0;   // memory clear answer delay (the real 8-40 s, scaled down)
  std::string comment = "SIMULATED";
  // Output at this many times the emulated line rate (tests and demos; 1 = the real rate).
  double pace = 1.0;
};

// A piece of output and how long the line stays quiet before it.
struct Chunk {
  std::string bytes;
  double delay_s = 0;
};

class Recorder {
 public:
  explicit Recorder(const RecorderConfig& config, FaultInjector faults = {});

  // Bytes the link side wrote while its port ran at `line_baud`. At another speed than the
  // recorder's they are noise on the line and are dropped.
  void receive(std::string_view bytes, int line_baud);
  // Answers produced since the last call, in order.
  std::vector<Chunk> take_output();

  int line_baud() const { return baud_; }
  double pace() const { return config_.pace; }
  // A recorder with a heading the link program does not accept streams its waveform.
  bool streams_waveform() const { return streaming_; }
  // The next `frames` waveform frames (10 bytes each: 5 values as low/high 6-bit bytes, the
  // first byte marked by its two top bits).
  std::string waveform_frames(int frames);

  // The conditions line as the recorder answers it, with its CR.
  std::string conditions_line() const { return line_ + "\r"; }
  bool switch_start() const { return switch_start_; }
  int memory_clears() const { return memory_clears_; }
  // Set once the disconnect fault has fired: the recorder has left the line.
  bool vanished() const { return vanished_; }
  // Every command taken at the right speed, without SOH and CR (for tests and logs).
  const std::vector<std::string>& commands() const { return commands_; }

 private:
  struct Cursor {
    std::int64_t next = 0;
    std::int64_t end = 0;
  };
  struct BlockKind;

  void dispatch(const std::string& command);
  void answer(std::string bytes, bool block, bool byte_frame, std::size_t heading_at);
  void serve_block(const std::string& command);
  bool take_setting(const std::string& command);
  void clear_memory();
  char mode() const;
  const RecorderMemory& memory();
  bool byte_frame() const;

  RecorderConfig config_;
  FaultInjector faults_;
  std::string model_;  // "lA" read as "LA"
  std::string line_;   // without CR
  int baud_ = 9600;
  bool streaming_ = false;
  bool switch_start_ = false;
  bool vanished_ = false;
  int memory_clears_ = 0;
  std::string pending_;
  std::vector<Chunk> out_;
  std::vector<std::string> commands_;
  std::map<char, Cursor> cursors_;
  std::unique_ptr<RecorderMemory> memory_;
  std::vector<std::uint16_t> stream_source_;
  std::size_t stream_pos_ = 0;
};

}  // namespace ambsim
