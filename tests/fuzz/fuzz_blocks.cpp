// libFuzzer target for the block receivers: arbitrary recorder output through B_DATA_REQ
// (byte frame), A_DATA_REQ (text frame) and RX_STATUS on a scripted port whose every wait
// moves a fake clock on by one second, so each call must end within its time window.
//   byte 0      receiver (mod 3) and expected heading (div 3, index into kHeadings)
//   byte 1      expected block length
//   byte 2      start second: near midnight when odd, else noon
//   byte 3      bit 0: the device vanishes at the first wait
//   rest        chunks: one byte of waits before the chunk arrives, one length byte, bytes;
//               the first chunk is stale input waiting before the request (it is drained)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "link/link_state.h"
#include "link/serial_link.h"
#include "ui/event_pump.h"
#include "ui/serial_port.h"
#include "ui/testing/fake_clock.h"

namespace {

constexpr std::string_view kHeadings[] = {"A0", "#0", "#4", "#6", "E1", "wA", "wD", "ce", "LA", "lA", "X0", "RR"};

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_blocks: %s\n", what);
    std::abort();
  }
}

// Bytes arrive after a scripted number of waits counted from the request (a write ending in CR).
class ScriptPort : public ui::SerialPort {
 public:
  ScriptPort(ui::testing::FakeClock& clock, std::string stale) : clock_(clock), input_(std::move(stale)) {}
  void script(int waits, std::string bytes) { script_.push_back({waits, std::move(bytes)}); }
  bool vanish_at_wait = false;
  int waits() const { return waits_; }
  std::size_t delivered() const { return delivered_; }
  const std::string& written() const { return written_; }

  ui::OpenResult open(int) override {
    open_ = true;
    return {};
  }
  bool is_open() const override { return open_; }
  void close() override { open_ = false; }
  bool set_speed(int) override { return true; }
  bool write(std::string_view bytes) override {
    if (!open_) return false;
    written_.append(bytes);
    if (!requested_ && !bytes.empty() && bytes.back() == '\r') {
      requested_ = true;
      int at = waits_;
      for (auto& s : script_) queue_.push_back({at += s.first, std::move(s.second)});
      script_.clear();
    }
    return true;
  }
  int bytes_waiting() override {
    if (error_) return -1;
    release();
    return static_cast<int>(input_.size());
  }
  std::string read(int max) override {
    check(max >= 0, "negative read size");
    release();
    std::string out = input_.substr(0, static_cast<std::size_t>(max));
    input_.erase(0, out.size());
    delivered_ += out.size();
    return out;
  }
  bool wait_readable(int) override {
    ++waits_;
    clock_.advance(1);
    if (vanish_at_wait) {
      error_ = true;
      open_ = false;
    }
    return bytes_waiting() > 0;
  }
  void purge() override { input_.clear(); }
  bool device_error() const override { return error_; }
  std::string name() const override { return "script"; }

 private:
  void release() {
    while (!queue_.empty() && queue_.front().first <= waits_) {
      input_ += queue_.front().second;
      queue_.pop_front();
    }
  }
  ui::testing::FakeClock& clock_;
  std::deque<std::pair<int, std::string>> script_, queue_;
  std::string input_, written_;
  std::size_t delivered_ = 0;
  int waits_ = 0;
  bool open_ = true;
  bool requested_ = false;
  bool error_ = false;
};

// The receivers never pace; a pump that ticks at once is enough.
class InstantPump : public ui::EventPump {
 public:
  void wait_until(const std::function<bool()>& done) override {
    for (int i = 0; i < 4 && !done(); ++i)
      if (tick_) tick_();
  }
  void process_pending() override {}
  void start_timer(int, std::function<void()> on_tick) override { tick_ = std::move(on_tick); }
  void stop_timer() override { tick_ = nullptr; }

 private:
  std::function<void()> tick_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int receiver = data[0] % 3;
  const std::string_view heading = kHeadings[(data[0] / 3) % std::size(kHeadings)];
  const int expected_length = data[1];
  ui::testing::FakeClock clock;
  clock.set_seconds_of_day((data[2] & 1) ? 86399 - (data[2] >> 1) % 3 : 43200);

  // Chunks of the script.
  std::string stale;
  std::deque<std::pair<int, std::string>> chunks;
  std::size_t at = 4, total = 0;
  bool first = true;
  while (at + 1 < size) {
    const int waits = data[at] % 8;
    std::size_t n = data[at + 1];
    at += 2;
    if (n > size - at) n = size - at;
    std::string bytes(reinterpret_cast<const char*>(data + at), n);
    at += n;
    if (first) stale = std::move(bytes);
    else {
      total += n;
      chunks.push_back({waits, std::move(bytes)});
    }
    first = false;
  }
  ScriptPort port(clock, stale);
  for (auto& c : chunks) port.script(c.first, std::move(c.second));
  port.vanish_at_wait = (data[3] & 1) != 0;
  InstantPump pump;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};

  const std::string request = "AD0000000010";
  std::string block;
  int status = -1;
  if (receiver == 0) {
    ambcomm::B_DATA_REQ(link, heading, request, expected_length, block, status);
    check(status == 0 || status == 3 || status == 5 || status == 7 || status == 27, "byte frame: unknown status");
    // Heading plus at most 253 data bytes; "A" blocks turn three bytes into eight characters.
    check(block.size() <= 2 + 8 * 253 / 3, "byte frame: block longer than a frame can hold");
    check(port.written().size() >= 2 && port.written().substr(port.written().size() - request.size() - 2) ==
                                            std::string("\x01") + request + "\r",
          "byte frame: request not sent as SOH + text + CR");
  } else if (receiver == 1) {
    ambcomm::A_DATA_REQ(link, heading, request, expected_length, block, status);
    check(status == 0 || status == 1 || status == 2 || status == 3 || status == 5 || status == 27,
          "text frame: unknown status");
    check(block.size() <= port.delivered(), "text frame: block longer than what arrived");
    if (status == 0 && !ambcomm::is_word_heading(heading)) {
      const char last = block.empty() ? '\0' : block.back();
      check(last == '\r' || last == '\n', "text frame: accepted block without its end");
    }
  } else {
    std::string flag;
    status = ambcomm::RX_STATUS(link, flag, block);
    check(status == 0 || status == 27, "text answer: unknown status");
    check(flag == "O" || flag.empty(), "text answer: odd time-out flag");
    if (status == 0 && flag.empty()) check(!block.empty() && block.back() == '\r', "text answer: ended without CR");
    check(block.size() <= port.delivered(), "text answer: longer than what arrived");
  }
  if (status == 0 && receiver != 2) {
    std::string got = block.substr(0, 2);
    if (got == "lA") got = "LA";
    check(got == (heading == "lA" ? std::string("LA") : std::string(heading)), "accepted a block of another heading");
  }
  // Every wait is one second of the clock and no window is longer than three seconds.
  check(port.waits() <= 3, "waited past the time window");
  (void)total;
  return 0;
}
