// The serial link: port opening, pacing, text answers and block frames. Waits block on the
// port in short slices, so a silent recorder costs no CPU, while every time-out is still
// counted in whole seconds of the clock as the recorder protocol expects.
#include "link/serial_link.h"

#include <algorithm>
#include <array>

#include "common/numbers.h"
#include "common/text.h"

namespace ambcomm {

namespace {

constexpr int kDayEnd = 86399;
constexpr int kSecondsPerDay = 86400;
// How long one wait on the port blocks before the clock is looked at again.
constexpr int kWaitSliceMs = 50;
// A flood without a terminator still has its time-out looked at every this many bytes.
constexpr std::size_t kClockCheckEvery = 256;

// Seconds wrap past 86399 to 0, 1, ...: a block started at 23:59:58 keeps second 0 in its
// window instead of timing out at midnight.
int next_second(int s, int n) {
  int t = s + n;
  return t > kDayEnd ? t - kSecondsPerDay : t;
}

// The seconds of the clock within which an exchange is still on time.
class Window {
 public:
  Window(ui::Clock& clock, int seconds) : clock_(clock) {
    int t0 = clock.seconds_of_day();
    for (int i = 0; i < seconds; ++i) allowed_[static_cast<std::size_t>(i)] = next_second(t0, i);
    count_ = seconds;
  }
  bool expired() {
    int now = clock_.seconds_of_day();
    for (int i = 0; i < count_; ++i)
      if (allowed_[static_cast<std::size_t>(i)] == now) return false;
    return true;
  }

 private:
  ui::Clock& clock_;
  std::array<int, 3> allowed_{};
  int count_ = 0;
};

enum class Wait { Ready, TimedOut, DeviceError };

// Blocks until `n` bytes wait, the window has passed, or the device fails.
Wait wait_for(Link& link, int n, Window& window) {
  for (;;) {
    int waiting = link.port.bytes_waiting();
    if (waiting < 0 || link.port.device_error()) return Wait::DeviceError;
    if (waiting >= n) return Wait::Ready;
    if (window.expired()) return Wait::TimedOut;
    link.port.wait_readable(kWaitSliceMs);
    if (link.port.device_error()) return Wait::DeviceError;
  }
}

std::string read_exact(Link& link, int n) { return link.port.read(n); }

bool starts_with(std::string_view s, char c) { return !s.empty() && s[0] == c; }

std::string heading_of(std::string_view two) { return two == "lA" ? std::string("LA") : std::string(two); }

int hex_char_value(char c) { return static_cast<int>(common::hex_value(std::string_view(&c, 1))); }

}  // namespace

void RX_OPEN(Link& link, int& status, std::string_view purpose) {
  status = 0;
  int attempts = 0;
  const int deadline = (link.clock.seconds_of_day() + 3) % kSecondsPerDay;
  const int stop_bits = purpose == "WAV" ? 1 : 2;
  bool ended = false;
  do {
    status = 0;
    ui::OpenResult result = link.port.open(stop_bits);
    ++attempts;
    int now = link.clock.seconds_of_day();
    ended = now >= deadline && now - deadline < 60;
    switch (result.outcome) {
      case ui::OpenOutcome::Ok:
        break;
      case ui::OpenOutcome::AlreadyOpen:
        drain(link);
        status = kStatusAlreadyOpen;
        return;
      case ui::OpenOutcome::CannotOpen:
        link.state.status_line("Open: " + std::to_string(attempts));
        status = kStatusOpenFailed;
        DELAY_T(link, link.state.timer);
        break;
      case ui::OpenOutcome::NoCts:
        status = kStatusNoCts;
        return;
      case ui::OpenOutcome::OtherError:
        status = kStatusOtherBase + result.error_code;
        return;
    }
  } while (status == kStatusOpenFailed && attempts < 20 && !ended);
}

bool set_speed(Link& link, int baud) { return link.port.set_speed(baud); }

int delay_interval_ms(int t) {
  if (t < 10) t = 10;
  return static_cast<int>(common::round_half_even(t / 10.0));
}

void DELAY_T(Link& link, int t) {
  const EventCode pending = link.state.event_code;
  link.state.event_code = EventCode::None;
  bool ticked = false;
  link.pump.start_timer(delay_interval_ms(t), [&] {
    ticked = true;
    link.state.event_code = EventCode::Tick;
  });
  link.pump.wait_until([&] { return ticked; });
  link.pump.stop_timer();
  link.state.event_code = pending;
}

bool send(Link& link, std::string_view bytes) {
  if (!link.port.is_open()) return false;
  return link.port.write(bytes) && !link.port.device_error();
}

bool send_command(Link& link, std::string_view command) {
  std::string out;
  out += kSoh;
  out += command;
  out += kCr;
  return send(link, out);
}

bool send_command_crlf(Link& link, std::string_view command) {
  std::string out;
  out += kSoh;
  out += command;
  out += kCr;
  out += kLf;
  return send(link, out);
}

bool enter_four_times(Link& link) {
  if (!send(link, "B3\r\n")) return false;
  DELAY_T(link, link.state.timer);
  if (!set_speed(link, 19200)) return false;
  DELAY_T(link, link.state.timer);
  return true;
}

bool leave_four_times(Link& link) {
  if (!set_speed(link, 19200)) return false;
  DELAY_T(link, link.state.timer);
  const bool sent = send_command_crlf(link, "B2");
  DELAY_T(link, link.state.timer);
  return set_speed(link, 9600) && sent;
}

bool drain(Link& link) {
  for (;;) {
    int n = link.port.bytes_waiting();
    if (n < 0 || link.port.device_error()) return false;
    if (n == 0) return true;
    link.port.read(n);
  }
}

int RX_STATUS(Link& link, std::string& timeout_flag, std::string& line) {
  Window window(link.clock, 2);
  timeout_flag.clear();
  line.clear();
  std::size_t since_check = 0;
  while ((line.empty() || line.back() != kCr) && timeout_flag != "O") {
    Wait w = wait_for(link, 1, window);
    if (w == Wait::DeviceError) return kStatusDeviceError;
    // A line that never ends (a streaming recorder) still times out.
    if (w == Wait::TimedOut || (++since_check % kClockCheckEvery == 0 && window.expired())) {
      timeout_flag = "O";
      break;
    }
    line += link.port.read(1);
    if (link.port.device_error()) return kStatusDeviceError;
  }
  return 0;
}

bool is_word_heading(std::string_view heading) {
  return heading == "#6" || starts_with(heading, 'E') || starts_with(heading, 'w');
}

std::string convert_byte_frame(std::string_view heading, std::string_view data) {
  std::string out;
  auto byte = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(data[i])); };
  if (starts_with(heading, 'A')) {
    for (std::size_t i = 0; i + 2 < data.size(); i += 3) {
      unsigned b0 = byte(i), b1 = byte(i + 1), b2 = byte(i + 2);
      out += "0" + common::hex_field(b1 & 15, 1) + common::hex_field(b0, 2);
      out += "0" + common::hex_field(b1 / 16, 1) + common::hex_field(b2, 2);
    }
  } else if (is_word_heading(heading)) {
    // Bytes of an incomplete last triple are in the checksum but give no words.
    for (std::size_t i = 0; i + 2 < data.size(); i += 3) {
      unsigned b1 = byte(i + 1);
      out += data[i];
      out += static_cast<char>(b1 & 15);
      out += data[i + 2];
      out += static_cast<char>(b1 / 16);
    }
  } else {
    for (std::size_t i = 0; i < data.size(); ++i) out += common::hex_field(byte(i), 2);
  }
  return out;
}

std::string convert_text_words(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i + 5 < text.size(); i += 6) {
    std::string_view h = text.substr(i, 6);
    out += static_cast<char>(common::hex_value(h.substr(0, 2)));
    out += static_cast<char>(hex_char_value(h[3]));
    out += static_cast<char>(common::hex_value(h.substr(4, 2)));
    out += static_cast<char>(hex_char_value(h[2]));
  }
  return out;
}

void B_DATA_REQ(Link& link, std::string_view heading, std::string_view request, int expected_length,
                std::string& block, int& status) {
  (void)expected_length;  // the frame carries its own length
  block.clear();
  status = kStatusOk;
  if (!drain(link)) {
    status = kStatusDeviceError;
    return;
  }
  std::string out;
  out += kSoh;
  out += request;
  out += kCr;
  // The recorder takes the request one character at a time.
  for (char c : out) {
    if (!send(link, std::string_view(&c, 1))) {
      status = kStatusDeviceError;
      return;
    }
  }
  Window window(link.clock, 3);
  auto fail = [&](Wait w) { status = w == Wait::DeviceError ? kStatusDeviceError : kStatusTimeout; };

  Wait w = wait_for(link, 3, window);
  if (w != Wait::Ready) return fail(w);
  std::string head = read_exact(link, 3);
  const int length = static_cast<unsigned char>(head[0]);
  const std::string got_heading = head.substr(1, 2);
  const int data_length = std::max(0, length - 2);
  unsigned sum = static_cast<unsigned char>(head[1]) + static_cast<unsigned char>(head[2]);
  block = got_heading;

  std::string data;
  while (static_cast<int>(data.size()) < data_length) {
    w = wait_for(link, 1, window);
    if (w != Wait::Ready) {
      block += convert_byte_frame(heading, data);
      return fail(w);
    }
    int want = data_length - static_cast<int>(data.size());
    data += link.port.read(std::min(want, std::max(1, link.port.bytes_waiting())));
  }
  for (char c : data) sum += static_cast<unsigned char>(c);
  block += convert_byte_frame(heading, data);

  w = wait_for(link, 1, window);
  if (w != Wait::Ready) return fail(w);
  const unsigned checksum = static_cast<unsigned char>(read_exact(link, 1)[0]);
  if ((sum & 255u) != checksum) status = kStatusChecksum;
  else if (heading_of(got_heading) != heading_of(heading)) status = kStatusHeading;
}

void A_DATA_REQ(Link& link, std::string_view heading, std::string_view request, int expected_length,
                std::string& block, int& status) {
  block.clear();
  status = kStatusOk;
  if (!drain(link) || !send_command(link, request)) {
    status = kStatusDeviceError;
    return;
  }
  Window window(link.clock, 3);
  Wait w = wait_for(link, 2, window);
  if (w != Wait::Ready) {
    status = w == Wait::DeviceError ? kStatusDeviceError : kStatusTimeout;
    return;
  }
  const std::string got_heading = read_exact(link, 2);
  std::string rest;
  std::size_t since_check = 0;
  while (rest.empty() || (rest.back() != kCr && rest.back() != kLf)) {
    w = wait_for(link, 1, window);
    if (w == Wait::Ready && ++since_check % kClockCheckEvery == 0 && window.expired()) w = Wait::TimedOut;
    if (w != Wait::Ready) {
      block = got_heading + rest;
      status = w == Wait::DeviceError ? kStatusDeviceError : kStatusTimeout;
      return;
    }
    rest += link.port.read(1);
  }
  const std::size_t data_chars = rest.size() - 1;  // without the terminator
  if (is_word_heading(heading)) block = got_heading + convert_text_words(std::string_view(rest).substr(0, data_chars));
  else block = got_heading + rest;

  if (data_chars == 0) status = kStatusNothing;
  else if (heading_of(got_heading) != heading_of(heading)) status = kStatusHeading;
  else if (static_cast<int>(rest.size()) < expected_length - 2) status = kStatusShort;
}

std::string status_message(int status, int location) {
  switch (status) {
    case kStatusOk: return "測定条件を受信";
    case kStatusNothing: return "受信できません (受信キャラクター無し)";
    case kStatusShort: return "受信できません (受信データー不足)";
    case kStatusHeading: return "受信データーが違います (ヘディング不良)";
    case kStatusNoCts: return "ｲﾝﾀｰﾌｪｰｽｹｰﾌﾞﾙ がつながっていません";
    case kStatusTimeout: return "タイムアウトエラー";
    case kStatusOpenFailed: return "RS-232Cをｵｰﾌﾟﾝできません";
    case kStatusDeviceError: return "受信できません (Err=27)";
    default: break;
  }
  if (status > 100) return "エラーコード＝" + std::to_string(location) + "/" + std::to_string(status - kStatusOtherBase);
  return std::to_string(status);
}

std::string open_failure_text(const ui::SerialPort& port, int status) {
  const bool from_open = status == kStatusNoCts || status == kStatusOpenFailed ||
                         (status > kStatusOtherBase && status != kStatusAlreadyOpen);
  const std::string reason = port.open_failure();
  if (!from_open || reason.empty()) return {};
  return "cannot open " + port.name() + ": " + reason;
}

}  // namespace ambcomm
