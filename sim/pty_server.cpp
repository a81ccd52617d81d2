// Pseudo-terminal plumbing for ambsim. A pty has no line rate of its own, so the output is
// paced here; the speed the link side chose is read from the shared terminal settings.
#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>

namespace ambsim {

namespace {

using Clock = std::chrono::steady_clock;

int baud_of(speed_t s) {
  switch (s) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
  }
}

int link_baud(int master) {
  termios tio {};
  if (tcgetattr(master, &tio) != 0) return 0;
  return baud_of(cfgetospeed(&tio));
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// A command as a log line shows it: control bytes as <hex>.
std::string printable(const std::string& command) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : command) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      out += '<';
      out += digits[c >> 4];
      out += digits[c & 15];
      out += '>';
    }
  }
  return out;
}

}  // namespace

PtyServer::~PtyServer() { close(); }

bool PtyServer::open(const std::string& link_path, std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    close();
    return false;
  }
  const char* name = ptsname(master_);
  if (!name) {
    error = "cannot name the pseudo-terminal";
    close();
    return false;
  }
  device_ = name;
  // Raw line on the slave side until the link program sets its own settings.
  int slave = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
  if (slave >= 0) {
    termios tio {};
    if (tcgetattr(slave, &tio) == 0) {
      cfmakeraw(&tio);
      cfsetispeed(&tio, B9600);
      cfsetospeed(&tio, B9600);
      tcsetattr(slave, TCSANOW, &tio);
    }
    // Opened once and closed, so that the master reports a hang-up until a client opens it.
    ::close(slave);
  }
  char target[4096];
  ssize_t n = readlink(link_path.c_str(), target, sizeof target - 1);
  if (n >= 0) {
    ::unlink(link_path.c_str());
  } else if (access(link_path.c_str(), F_OK) == 0) {
    error = link_path + " exists and is not a symlink; not replaced";
    close();
    return false;
  }
  if (symlink(device_.c_str(), link_path.c_str()) != 0) {
    error = "cannot create " + link_path + ": " + std::strerror(errno);
    close();
    return false;
  }
  link_path_ = link_path;
  return true;
}

void PtyServer::close() {
  if (!link_path_.empty()) {
    char target[4096];
    ssize_t n = readlink(link_path_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == device_) ::unlink(link_path_.c_str());
    link_path_.clear();
  }
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

void PtyServer::serve(Recorder& recorder, const std::atomic<bool>& stop) {
  std::deque<Chunk> queue;
  std::size_t sent = 0;             // bytes of the head chunk already written
  Clock::time_point head_start{};   // when the head chunk's first byte goes out
  bool head_started = false;
  Clock::time_point line_free = Clock::now();
  int previous_baud = link_baud(master_);
  std::size_t logged = 0;

  auto drop_output = [&] {
    queue.clear();
    sent = 0;
    head_started = false;
  };

  while (!stop.load()) {
    const int baud = link_baud(master_);
    const double rate = recorder.line_baud() / kBitsPerByte * recorder.pace();  // bytes a second
    if (baud != recorder.line_baud()) drop_output();

    // A recorder that streams keeps its line busy whenever someone listens at its speed.
    if (recorder.streams_waveform() && queue.empty()) {
      if (baud == recorder.line_baud()) queue.push_back({recorder.waveform_frames(8), 0});
    }

    // Short idle waits keep the last look at the link side's speed recent, so that a command
    // written just after a speed change is judged by the speed it was sent at.
    int timeout_ms = 5;
    auto now = Clock::now();
    if (!queue.empty()) {
      if (!head_started) {
        head_start = std::max(now, line_free) +
                     std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(queue.front().delay_s));
        head_started = true;
      }
      auto due = static_cast<std::size_t>(std::max(0.0, seconds(now - head_start)) * rate) + (now >= head_start ? 1 : 0);
      std::size_t want = std::min(due, queue.front().bytes.size()) - std::min(due, sent);
      if (due > sent && want > 0) {
        ssize_t w = ::write(master_, queue.front().bytes.data() + sent, want);
        if (w > 0) sent += static_cast<std::size_t>(w);
      }
      if (sent >= queue.front().bytes.size()) {
        line_free = head_start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(static_cast<double>(sent) / rate));
        queue.pop_front();
        sent = 0;
        head_started = false;
        timeout_ms = 0;
      } else {
        double wait = now < head_start ? seconds(head_start - now) : 1.0 / rate;
        timeout_ms = std::clamp(static_cast<int>(wait * 1000), 1, 5);
      }
    }

    pollfd p{master_, POLLIN, 0};
    int r = ::poll(&p, 1, timeout_ms);
    if (r < 0 && errno != EINTR) break;
    if (r > 0 && (p.revents & POLLHUP)) {
      // Nobody has the line open: what was on its way is lost, as on a real cable.
      drop_output();
      previous_baud = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    if (r > 0 && (p.revents & POLLIN)) {
      char buf[512];
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        // The bytes were written at some moment since the last look at the speed.
        const int now_baud = link_baud(master_);
        int heard = (now_baud == recorder.line_baud() || previous_baud == recorder.line_baud()) ? recorder.line_baud()
                                                                                                 : now_baud;
        recorder.receive(std::string_view(buf, static_cast<std::size_t>(n)), heard);
      }
    }
    previous_baud = link_baud(master_);
    while (log_ && logged < recorder.commands().size())
      std::fprintf(stderr, "ambsim: < %s\n", printable(recorder.commands()[logged++]).c_str());
    for (auto& c : recorder.take_output()) queue.push_back(std::move(c));
    if (recorder.vanished()) break;
  }
}

}  // namespace ambsim
