// ambsim: the simulated recorder on a pseudo-terminal, serving until it is terminated.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <atomic>
#include <charconv>

#include "sim/faults.h"
#include "sim/pty_server.h"
#include "sim/recorder.h"

namespace {

std::atomic<bool> g_stop{false};

void on_signal(int) { g_stop.store(true); }

const char* kUsage =
    "usage: ambsim --pty LINK [--model CODE] [--mode M] [--samples N] [--rr N] [--ecg K]\n"
    "              [--interval T] [--speed A|B] [--seed N] [--faults LIST]\n"
    "              [--line-speed 9600|19200] [--clear-seconds S] [--pace F] [--log]\n"
    "       ambsim --version\n"
    "A simulated recorder: makes a pseudo-terminal, makes LINK a symbolic link to its device and\n"
    "answers there as a recorder until SIGTERM or SIGINT (which remove LINK).\n"
    "options:\n"
    "  --pty LINK        path of the symbolic link to the pseudo-terminal (required)\n"
    "  --model CODE      heading of the answers: CE ce CF La LA lA CD Aa; any other heading\n"
    "                    makes a recorder that streams its waveform (default LA)\n"
    "  --mode M          the measurement mode it has recorded (default 0)\n"
    "  --samples N       acceleration samples recorded (default 600)\n"
    "  --rr N            RR intervals recorded (default: the beats of the recording)\n"
    "  --ecg K           ECG blocks recorded, 0-4 (default 0)\n"
    "  --interval T      measuring interval in seconds, e.g. 0.02, 1, 60 (default 1)\n"
    "  --speed A|B       B offers the four-times transfer (default A)\n"
    "  --seed N          seed of the signals and faults: the same options give the same data\n"
    "  --line-speed 9600|19200\n"
    "                    line speed at start; 19200 is a recorder left at four-times speed\n"
    "  --clear-seconds S\n"
    "                    how long the memory clear takes, in seconds (default 2)\n"
    "  --pace F          output at F times the line rate (tests; default 1, the real rate)\n"
    "  --faults LIST     e.g. checksum=0.05,heading=0.02,drop=0.01,lose=0.02,stall=0.01,disconnect=40,\n"
    "                    silent=1 (never answers), short=1 (conditions line cut short)\n"
    "  --log             writes each command the recorder takes to stderr\n"
    "exit status:\n"
    "  0    stopped by SIGTERM or SIGINT\n"
    "  1    the pseudo-terminal or LINK could not be made\n"
    "  2    wrong words on the command line\n"
    "  3    the recorder vanished (the disconnect fault)\n";

template <typename T>
bool number(const std::string& text, T& out) {
  auto res = std::from_chars(text.data(), text.data() + text.size(), out);
  return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  ambsim::RecorderConfig config;
  std::string link, faults_text;
  bool log = false;
  auto fail = [](const std::string& message) {
    std::fprintf(stderr, "ambsim: %s\n%s", message.c_str(), kUsage);
    return 2;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::fputs("ambsim " MOVILOG_VERSION "\n", stdout);
      return 0;
    }
    if (a == "--log") {
      log = true;
      continue;
    }
    if (i + 1 >= args.size()) return fail(a == "--pty" || a.rfind("--", 0) == 0 ? a + " needs a value" : "unexpected " + a);
    const std::string& v = args[++i];
    bool ok = true;
    if (a == "--pty") link = v;
    else if (a == "--model") ok = v.size() == 2, config.model = v;
    else if (a == "--mode") ok = v.size() == 1, config.mode = v.empty() ? '0' : v[0];
    else if (a == "--samples") ok = number(v, config.samples) && config.samples >= 0;
    else if (a == "--rr") ok = number(v, config.rr) && config.rr >= 0;
    else if (a == "--ecg") ok = number(v, config.ecg) && config.ecg >= 0 && config.ecg <= 4;
    else if (a == "--interval") ok = !v.empty(), config.interval = v;
    else if (a == "--speed") ok = v == "A" || v == "B", config.speed = v.empty() ? 'A' : v[0];
    else if (a == "--seed") ok = number(v, config.seed);
    else if (a == "--faults") faults_text = v;
    else if (a == "--line-speed") ok = number(v, config.line_baud) && (config.line_baud == 9600 || config.line_baud == 19200);
    else if (a == "--pace") ok = number(v, config.pace) && config.pace > 0 && config.pace <= 1000;
    else if (a == "--clear-seconds") ok = number(v, config.clear_seconds) && config.clear_seconds >= 0;
    else return fail("unknown option " + a);
    if (!ok) return fail("bad value for " + a + ": " + v);
  }
  if (link.empty()) return fail("--pty LINK is required");

  ambsim::FaultRates rates;
  std::string error;
  if (!ambsim::parse_faults(faults_text, rates, error)) return fail(error);

  std::signal(SIGTERM, on_signal);
  std::signal(SIGINT, on_signal);
  std::signal(SIGPIPE, SIG_IGN);

  ambsim::PtyServer server;
  if (!server.open(link, error)) {
    std::fprintf(stderr, "ambsim: %s\n", error.c_str());
    return 1;
  }
  server.set_log(log);
  ambsim::Recorder recorder(config, ambsim::FaultInjector(rates, config.seed));
  std::fprintf(stderr, "ambsim: recorder %s on %s (%s)\n", config.model.c_str(), server.device().c_str(), link.c_str());
  server.serve(recorder, g_stop);
  server.close();
  if (recorder.vanished()) {
    std::fprintf(stderr, "ambsim: disconnected (fault)\n");
    return 3;
  }
  return 0;
}
