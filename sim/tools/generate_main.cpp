// movilog_gen: writes one simulated recording (either file family) for tests, demos and
// benchmarks, and prints the files written. Kept apart from ambsim: no recorder, no line.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "common/cp932.h"
#include "common/numbers.h"
#include "sim/recording_generator.h"

namespace {

const char* kUsage =
    "usage: movilog_gen --out PATH --family per-channel|combined --mode M [--model CODE]\n"
    "         [--samples N | --hours H | --days D] [--interval T] [--ecg K] [--seed N]\n"
    "         [--ext .ac0] [--start YYMMDDhhmm] [--comment TEXT] [--offset MIN] [--markers N]\n"
    "  The waveform modes 7, 8, 9 run at 0.02 s whatever --interval says; the combined family\n"
    "  (model Aa, modes 0 1 2 4 5) records whole seconds and at most 65535 frames.\n";

// A plain non-negative decimal number ("12", "0.5"); anything else is refused.
bool is_number(std::string_view s) {
  if (s.empty()) return false;
  int dots = 0;
  for (char c : s) {
    if (c == '.') ++dots;
    else if (c < '0' || c > '9') return false;
  }
  return dots <= 1 && s != ".";
}

int fail(const std::string& message) {
  std::fprintf(stderr, "movilog_gen: %s\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  ambsim::RecordingOptions o;
  bool have_family = false, have_mode = false;
  double hours = -1, days = -1;
  bool have_samples = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) return fail(std::string(a) + " needs a value\n" + kUsage);
    std::string v = argv[++i];
    auto number = [&](double& out) {
      if (!is_number(v)) return false;
      out = common::val(v);
      return true;
    };
    double x = 0;
    if (a == "--out") {
      o.path = v;
    } else if (a == "--family") {
      if (v == "per-channel") o.family = ambsim::Family::PerChannel;
      else if (v == "combined") o.family = ambsim::Family::Combined;
      else return fail("--family must be per-channel or combined");
      have_family = true;
    } else if (a == "--mode") {
      if (v.size() != 1) return fail("--mode takes one character (0-9, @, A-T, L)");
      o.signal.mode = v[0];
      have_mode = true;
    } else if (a == "--model") {
      if (v.size() != 2) return fail("--model takes a two-character model code");
      o.signal.model = v;
    } else if (a == "--samples") {
      if (!number(x) || x != static_cast<double>(static_cast<std::int64_t>(x))) return fail("--samples takes a whole number");
      o.signal.samples = static_cast<std::int64_t>(x);
      have_samples = true;
    } else if (a == "--hours") {
      if (!number(hours)) return fail("--hours takes a number");
    } else if (a == "--days") {
      if (!number(days)) return fail("--days takes a number");
    } else if (a == "--interval") {
      if (!number(o.signal.interval_s) || o.signal.interval_s <= 0) return fail("--interval takes a positive number of seconds");
    } else if (a == "--ecg") {
      if (!number(x) || x > 4 || x != static_cast<int>(x)) return fail("--ecg takes 0-4");
      o.signal.ecg_blocks = static_cast<int>(x);
    } else if (a == "--seed") {
      if (!number(x) || x > 4294967295.0 || x != static_cast<double>(static_cast<std::int64_t>(x))) return fail("--seed takes a whole number");
      o.signal.seed = static_cast<std::uint32_t>(x);
    } else if (a == "--ext") {
      o.extension = v;
    } else if (a == "--start") {
      o.start_time = v;
    } else if (a == "--comment") {
      o.comment = common::utf8_to_cp932(v);  // files hold CP932
      if (o.comment.size() > 20) return fail("--comment holds at most 20 bytes (CP932)");
    } else if (a == "--offset") {
      if (!number(x) || x > 65535) return fail("--offset takes minutes 0-65535");
      o.start_offset_min = static_cast<int>(x);
    } else if (a == "--markers") {
      if (!number(x) || x > 1000) return fail("--markers takes 0-1000");
      o.event_markers = static_cast<int>(x);
    } else {
      return fail("unknown option " + std::string(a) + "\n" + kUsage);
    }
  }
  if (o.path.empty() || !have_family || !have_mode) return fail(std::string("--out, --family and --mode are required\n") + kUsage);
  if ((have_samples ? 1 : 0) + (hours >= 0 ? 1 : 0) + (days >= 0 ? 1 : 0) > 1)
    return fail("give only one of --samples, --hours, --days");
  if (o.family == ambsim::Family::Combined) o.signal.model = "Aa";
  double interval = ambsim::is_wave_mode(o.signal.mode) ? ambsim::kWaveSampleSeconds : o.signal.interval_s;
  if (hours >= 0) o.signal.samples = common::round_half_away(hours * 3600.0 / interval);
  if (days >= 0) o.signal.samples = common::round_half_away(days * 86400.0 / interval);

  ambsim::RecordingResult r = ambsim::write_recording(o);
  if (!r.error.empty()) return fail(r.error);
  for (const auto& f : r.files) std::printf("%s\n", f.c_str());
  return 0;
}
