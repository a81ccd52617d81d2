// A scripted serial port for link tests: every wait on it moves the fake clock on by a set
// step, and scripted bytes become readable after a given number of waits, so time-outs,
// midnight and late bytes are exact and instant.
#pragma once

#include <deque>
#include <string>

#include "ui/serial_port.h"
#include "ui/testing/fake_clock.h"

namespace linktest {

class StepPort : public ui::SerialPort {
 public:
  explicit StepPort(ui::testing::FakeClock& clock) : clock_(clock) {}

  // `bytes` become readable once `waits` more waits have passed (0: at once).
  void arrive_after(int waits, std::string bytes) { queue_.push_back({waits_ + waits, std::move(bytes)}); }
  // `bytes` answer the next request (a write ending in CR), `waits` waits after it.
  void reply(int waits, std::string bytes) { replies_.push_back({waits, std::move(bytes)}); }
  ui::OpenResult open_result{ui::OpenOutcome::Ok, 0};
  int seconds_per_wait = 1;
  bool vanish_on_wait = false;

  const std::string& written() const { return written_; }
  int waits() const { return waits_; }

  ui::OpenResult open(int stop_bits) override {
    if (open_) return {ui::OpenOutcome::AlreadyOpen, 0};
    stop_bits_ = stop_bits;
    if (open_result.outcome == ui::OpenOutcome::Ok) open_ = true;
    return open_result;
  }
  bool is_open() const override { return open_; }
  void close() override { open_ = false; }
  bool set_speed(int baud) override {
    baud_ = baud;
    return true;
  }
  bool write(std::string_view bytes) override {
    if (!open_) return false;
    written_.append(bytes);
    if (!bytes.empty() && bytes.back() == '\r' && !replies_.empty()) {
      arrive_after(replies_.front().first, replies_.front().second);
      replies_.pop_front();
    }
    return true;
  }
  int bytes_waiting() override {
    if (error_) return -1;
    release();
    return static_cast<int>(input_.size());
  }
  std::string read(int max) override {
    release();
    std::string out = input_.substr(0, static_cast<std::size_t>(max));
    input_.erase(0, out.size());
    return out;
  }
  bool wait_readable(int) override {
    ++waits_;
    clock_.advance(seconds_per_wait);
    if (vanish_on_wait) {
      error_ = true;
      open_ = false;
    }
    return bytes_waiting() > 0;
  }
  void purge() override { input_.clear(); }
  bool device_error() const override { return error_; }
  std::string name() const override { return "step"; }
  int baud() const { return baud_; }

 private:
  void release() {
    while (!queue_.empty() && queue_.front().first <= waits_) {
      input_ += queue_.front().second;
      queue_.pop_front();
    }
  }
  ui::testing::FakeClock& clock_;
  std::deque<std::pair<int, std::string>> queue_;
  std::deque<std::pair<int, std::string>> replies_;
  std::string input_;
  std::string written_;
  int waits_ = 0;
  int baud_ = 9600;
  int stop_bits_ = 2;
  bool open_ = false;
  bool error_ = false;
};

// A byte frame: length, heading, data, checksum of heading and data.
inline std::string byte_frame(std::string_view heading, std::string_view data, int checksum_offset = 0) {
  std::string f;
  f += static_cast<char>(data.size() + 2);
  f += heading;
  f += data;
  unsigned sum = 0;
  for (std::size_t i = 1; i < f.size(); ++i) sum += static_cast<unsigned char>(f[i]);
  f += static_cast<char>((sum + static_cast<unsigned>(checksum_offset)) & 255u);
  return f;
}

}  // namespace linktest
