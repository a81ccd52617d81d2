// The in-process port: recorder answers arrive at once unless the recorder delays them
// (memory clear, stalls); a streaming recorder fills the queue at its line rate.
#include "sim/inprocess_port.h"

#include <algorithm>
#include <thread>

#include "sim/pty_server.h"

namespace ambsim {

InProcessPort::InProcessPort(const RecorderConfig& config, FaultInjector faults, std::string name)
    : recorder_(config, std::move(faults)), name_(std::move(name)) {}

bool InProcessPort::check_vanished() {
  if (vanish_ || recorder_.vanished()) {
    if (open_) device_error_ = true;
    open_ = false;
    input_.clear();
    pending_.clear();
    return true;
  }
  return false;
}

ui::OpenResult InProcessPort::open(int stop_bits) {
  if (open_) return {ui::OpenOutcome::AlreadyOpen, 0};
  ++opens_;
  if (failing_opens_ > 0) {
    --failing_opens_;
    return {ui::OpenOutcome::CannotOpen, 0};
  }
  if (vanish_ || recorder_.vanished()) return {ui::OpenOutcome::CannotOpen, 0};
  if (!cts_) return {ui::OpenOutcome::NoCts, 0};
  open_ = true;
  device_error_ = false;
  stop_bits_ = stop_bits;
  baud_ = 9600;
  purge();
  return {ui::OpenOutcome::Ok, 0};
}

void InProcessPort::close() {
  open_ = false;
  input_.clear();
  pending_.clear();
}

bool InProcessPort::set_speed(int baud) {
  if (check_vanished()) return false;
  baud_ = baud;
  return true;
}

bool InProcessPort::write(std::string_view bytes) {
  if (check_vanished() || !open_) return false;
  written_.append(bytes);
  recorder_.receive(bytes, baud_);
  collect();
  return true;
}

void InProcessPort::collect() {
  auto now = Clock::now();
  for (auto& c : recorder_.take_output()) {
    auto start = std::max(now, line_free_) +
                 std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(c.delay_s));
    line_free_ = start;
    pending_.push_back({start, std::move(c.bytes), recorder_.line_baud()});
  }
}

void InProcessPort::arrive() {
  auto now = Clock::now();
  while (!pending_.empty() && pending_.front().ready <= now) {
    // Sent at another speed than the port listens at: nothing readable arrives.
    if (pending_.front().baud == baud_) input_ += pending_.front().bytes;
    pending_.pop_front();
  }
  if (recorder_.streams_waveform()) {
    auto bytes = static_cast<std::size_t>(std::chrono::duration<double>(now - stream_clock_).count() *
                                          recorder_.line_baud() / kBitsPerByte);
    if (bytes >= 10) {
      if (recorder_.line_baud() == baud_) input_ += recorder_.waveform_frames(static_cast<int>(std::min<std::size_t>(bytes, kQueueSize) / 10));
      stream_clock_ = now;
    }
  }
  if (input_.size() > kQueueSize) input_.resize(kQueueSize);  // the queue overflows
}

int InProcessPort::bytes_waiting() {
  if (check_vanished()) return -1;
  if (!open_) return 0;
  collect();
  arrive();
  return static_cast<int>(input_.size());
}

std::string InProcessPort::read(int max) {
  if (check_vanished() || !open_ || max <= 0) return {};
  arrive();
  std::string out = input_.substr(0, static_cast<std::size_t>(max));
  input_.erase(0, out.size());
  return out;
}

bool InProcessPort::wait_readable(int timeout_ms) {
  if (bytes_waiting() != 0) return !input_.empty();
  auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
  if (!pending_.empty()) until = std::min(until, pending_.front().ready);
  std::this_thread::sleep_until(until);
  return bytes_waiting() > 0;
}

void InProcessPort::purge() {
  input_.clear();
  pending_.clear();
  stream_clock_ = Clock::now();
}

}  // namespace ambsim
