// The wearer model behind the simulated recorder: a seeded plan of activity bouts, heart
// rate that follows it with lag, a beat sequence with respiratory variation, and the ECG
// and acceleration signals drawn from them. Noise is counter-based (hash of seed, stream
// and index) so that chunks and whole recordings give the same values.
#include "sim/signal_generator.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace ambsim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- counter-based randomness (the same on every compiler, unlike <random>'s distributions)

std::uint64_t mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Independent noise streams, one per quantity.
enum Stream : std::uint64_t {
  kPlan = 1, kHrDrift, kAcc, kAxisX, kAxisY, kAxisZ, kLevel, kAngleT, kAngleU, kFidget,
  kBeatNoise, kBeatDrop, kBeatGap, kBeatAmp, kEcgNoise, kWaveNoiseA, kWaveNoiseB, kWaveNoiseC,
  kActivityDrift, kFirstBeat, kStepJitter, kStepStrength,
};

double hash_unit(std::uint32_t seed, std::uint64_t stream, std::int64_t index) {
  std::uint64_t h = mix(mix((static_cast<std::uint64_t>(seed) << 8) ^ stream) ^
                        static_cast<std::uint64_t>(index));
  return static_cast<double>(h >> 11) * 0x1.0p-53;  // [0, 1)
}

double hash_gauss(std::uint32_t seed, std::uint64_t stream, std::int64_t index) {
  double u1 = 1.0 - hash_unit(seed, stream, 2 * index);  // (0, 1]
  double u2 = hash_unit(seed, stream, 2 * index + 1);
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

// Smooth noise in -1..1 with knots every `period` seconds.
double value_noise(std::uint32_t seed, std::uint64_t stream, double t, double period) {
  double x = t / period;
  double i = std::floor(x);
  double f = x - i;
  auto k = static_cast<std::int64_t>(i);
  double a = hash_unit(seed, stream, k) * 2.0 - 1.0;
  double b = hash_unit(seed, stream, k + 1) * 2.0 - 1.0;
  double s = f * f * (3.0 - 2.0 * f);
  return a + (b - a) * s;
}

class Rng {
 public:
  Rng(std::uint32_t seed, std::uint64_t stream) : seed_(seed), stream_(stream) {}
  double uniform(double lo, double hi) { return lo + (hi - lo) * hash_unit(seed_, stream_, n_++); }
  bool chance(double p) { return hash_unit(seed_, stream_, n_++) < p; }

 private:
  std::uint32_t seed_;
  std::uint64_t stream_;
  std::int64_t n_ = 0;
};

std::uint16_t clamp12(double v) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(v), 0L, 4095L));
}

// ---- the day plan

struct Bout {
  double t0 = 0, t1 = 0;
  Activity kind = Activity::Sit;
  double level_g = 0;   // mean dynamic acceleration
  double cadence = 0;   // steps per second
  double hr_target = 70;
  double hr_start = 70; // heart rate when the bout begins
  double angle_t = 0;   // inclination from upright, degrees
  double angle_u = 90;  // sideways roll, 90 = neutral
};

bool is_night(double hour) { return hour >= 23.0 || hour < 7.0; }

class Model {
 public:
  Model(const SignalOptions& o, double duration_s) : seed_(o.seed), start_hour_(o.start_hour) {
    build(duration_s + 180.0);
  }

  const Bout& bout_at(double t, std::size_t& cursor) const {
    if (cursor >= bouts_.size()) cursor = 0;
    if (t < bouts_[cursor].t0) cursor = 0;
    while (cursor + 1 < bouts_.size() && t >= bouts_[cursor].t1) ++cursor;
    return bouts_[cursor];
  }

  // Heart rate (BPM) at t: the bout target reached with a first-order lag, plus slow drift.
  double hr_at(double t, std::size_t& cursor) const {
    const Bout& b = bout_at(t, cursor);
    double tau = b.hr_target > b.hr_start ? 25.0 : 60.0;
    double base = b.hr_target + (b.hr_start - b.hr_target) * std::exp(-(t - b.t0) / tau);
    double drift = 3.0 * value_noise(seed_, kHrDrift, t, 120.0);
    return std::clamp(base + drift, 38.0, 210.0);
  }

  // Dynamic acceleration level (G) at t, with the slow variations of pace and fidgeting.
  double level_at(double t, std::size_t& cursor) const {
    const Bout& b = bout_at(t, cursor);
    double v = b.level_g * (1.0 + 0.15 * value_noise(seed_, kActivityDrift, t, 30.0));
    if (b.kind == Activity::Sit || b.kind == Activity::Stand || b.kind == Activity::Sleep) {
      // Brief movements: a few seconds every few minutes.
      auto slot = static_cast<std::int64_t>(std::floor(t / 4.0));
      if (hash_unit(seed_, kFidget, slot) < (b.kind == Activity::Sleep ? 0.004 : 0.03))
        v += 0.04 + 0.08 * hash_unit(seed_, kFidget, slot + (1LL << 40));
    }
    return v;
  }

  double clock_hour(double t) const { return std::fmod(start_hour_ + t / 3600.0, 24.0); }

 private:
  void build(double end_s) {
    Rng rng(seed_, kPlan);
    double t = 0;
    double hr = 0;
    Activity prev = Activity::Sit;
    bool first = true;
    while (t < end_s) {
      double hour = clock_hour(t);
      Activity kind;
      double dur;
      if (is_night(hour)) {
        if (prev == Activity::Sleep && rng.chance(0.2)) {
          kind = rng.chance(0.5) ? Activity::Stand : Activity::Walk;  // a night-time trip
          dur = rng.uniform(60, 180);
        } else {
          kind = Activity::Sleep;
          dur = rng.uniform(20 * 60, 90 * 60);
        }
      } else if (first) {
        kind = Activity::Sit;  // a short rest, then a walk, so even an hour's recording has both
        dur = rng.uniform(120, 300);
      } else if (bouts_.size() == 1 && prev == Activity::Sit) {
        kind = Activity::Walk;
        dur = 0;
      } else if (prev == Activity::Sit || prev == Activity::Sleep) {
        kind = rng.chance(0.45) ? Activity::Walk : Activity::Stand;
        dur = 0;
      } else if (prev == Activity::Walk) {
        double r = rng.uniform(0, 1);
        kind = r < 0.6 ? Activity::Sit : r < 0.9 ? Activity::Stand : r < 0.95 ? Activity::Run
                                                                              : Activity::Walk;
        if (hour >= 21.0 && kind == Activity::Run) kind = Activity::Sit;
        dur = 0;
      } else if (prev == Activity::Run) {
        kind = rng.chance(0.7) ? Activity::Walk : Activity::Stand;
        dur = 0;
      } else {  // Stand
        kind = rng.chance(0.4) ? Activity::Walk : Activity::Sit;
        dur = 0;
      }
      if (dur == 0) {
        switch (kind) {
          case Activity::Sit: dur = rng.uniform(8 * 60, (hour >= 19.0 ? 70 : 45) * 60); break;
          case Activity::Stand: dur = rng.uniform(60, 8 * 60); break;
          case Activity::Walk: dur = rng.uniform(2 * 60, 12 * 60); break;
          case Activity::Run: dur = rng.uniform(5 * 60, 20 * 60); break;
          case Activity::Sleep: dur = rng.uniform(20 * 60, 90 * 60); break;
        }
      }
      Bout b;
      b.t0 = t;
      b.t1 = t + dur;
      b.kind = kind;
      switch (kind) {
        case Activity::Sleep:
          b.level_g = 0.004;
          b.hr_target = rng.uniform(50, 58);
          b.angle_t = rng.uniform(84, 96);
          b.angle_u = rng.chance(0.4) ? rng.uniform(84, 96)
                                      : (rng.chance(0.5) ? rng.uniform(18, 36) : rng.uniform(144, 162));
          break;
        case Activity::Sit:
          b.level_g = rng.uniform(0.008, 0.016);
          b.hr_target = rng.uniform(64, 72);
          b.angle_t = rng.uniform(12, 30);
          b.angle_u = rng.uniform(84, 96);
          break;
        case Activity::Stand:
          b.level_g = rng.uniform(0.02, 0.04);
          b.hr_target = rng.uniform(72, 80);
          b.angle_t = rng.uniform(0, 8);
          b.angle_u = rng.uniform(86, 94);
          break;
        case Activity::Walk:
          b.cadence = rng.uniform(1.6, 2.0);
          b.level_g = 0.22 + (b.cadence - 1.6) * 0.5;
          b.hr_target = 92 + (b.cadence - 1.6) * 60 + rng.uniform(-4, 4);
          b.angle_t = rng.uniform(4, 12);
          b.angle_u = rng.uniform(86, 94);
          break;
        case Activity::Run:
          b.cadence = rng.uniform(2.5, 2.9);
          b.level_g = 0.9 + (b.cadence - 2.5) * 1.2;
          b.hr_target = 140 + (b.cadence - 2.5) * 60 + rng.uniform(-4, 4);
          b.angle_t = rng.uniform(8, 18);
          b.angle_u = rng.uniform(84, 96);
          break;
      }
      if (first) hr = b.hr_target;
      b.hr_start = hr;
      double tau = b.hr_target > b.hr_start ? 25.0 : 60.0;
      hr = b.hr_target + (b.hr_start - b.hr_target) * std::exp(-dur / tau);
      bouts_.push_back(b);
      prev = kind;
      first = false;
      t += dur;
    }
  }

  std::uint32_t seed_;
  double start_hour_;
  std::vector<Bout> bouts_;
};

// ---- beats

struct Beat {
  std::int64_t index = 0;
  double t = 0;       // time of the R peak, s
  double rr = 0;      // interval since the previous detected beat, s
  bool after_gap = false;  // the interval was a loss of signal (lead off)
  double amp = 1.0;   // R amplitude factor
};

class BeatSource {
 public:
  BeatSource(const Model& model, std::uint32_t seed) : model_(model), seed_(seed) {
    std::size_t c = 0;
    double rr0 = 60.0 / model_.hr_at(0, c);
    t_ = -rr0 * hash_unit(seed_, kFirstBeat, 0);
  }

  Beat next() {
    double hr = model_.hr_at(std::max(t_, 0.0), cursor_);
    double base = 60.0 / hr;
    double f_resp = 0.25 + 0.15 * std::clamp((hr - 60.0) / 80.0, 0.0, 1.0);
    double rsa = 0.05 * std::clamp((110.0 - hr) / 50.0, 0.05, 1.0);
    double rr = base * (1.0 + rsa * std::sin(resp_phase_) + 0.012 * hash_gauss(seed_, kBeatNoise, n_));
    rr = std::max(rr, 0.25);
    Beat b;
    b.index = n_;
    b.amp = 1.0 + 0.04 * hash_gauss(seed_, kBeatAmp, n_) + 0.05 * std::sin(resp_phase_ + 1.0);
    if (hash_unit(seed_, kBeatDrop, n_) < 1.0 / 3000.0) {
      // A few seconds of lost signal: the next detected beat closes a long interval.
      rr = 4.2 + 2.8 * hash_unit(seed_, kBeatGap, n_);
      b.after_gap = true;
    }
    resp_phase_ = std::fmod(resp_phase_ + 2.0 * kPi * f_resp * rr, 2.0 * kPi);
    t_ += rr;
    b.t = t_;
    b.rr = rr;
    ++n_;
    return b;
  }

 private:
  const Model& model_;
  std::uint32_t seed_;
  std::size_t cursor_ = 0;
  double t_ = 0;
  double resp_phase_ = 0;
  std::int64_t n_ = 0;
};

std::uint16_t rr_word(double rr_s) {
  auto ms = std::lround(rr_s * 1000.0);
  return ms >= 4096 ? 0 : static_cast<std::uint16_t>(ms);
}

// ECG in mV at time t from the beats around it.
double ecg_mv(const std::deque<Beat>& beats, std::size_t& cursor, double t, double activity_g,
              std::uint32_t seed, std::int64_t sample_index) {
  while (cursor + 1 < beats.size() && beats[cursor + 1].t <= t) ++cursor;
  double v = 0;
  bool lead_off = false;
  std::size_t lo = cursor > 0 ? cursor - 1 : 0;
  for (std::size_t i = lo; i < beats.size() && i <= cursor + 2; ++i) {
    const Beat& b = beats[i];
    double d = t - b.t;
    if (b.after_gap && d < 0 && d > -b.rr + 0.3) lead_off = true;
    if (d < -0.35 || d > 0.7) continue;
    auto g = [d](double centre, double width, double amp) {
      double x = (d - centre) / width;
      return amp * std::exp(-0.5 * x * x);
    };
    double qt = 0.28 * std::sqrt(std::min(b.rr, 1.6));
    v += g(-0.16, 0.022, 0.12);
    v += g(-0.028, 0.009, -0.12);
    v += g(0.0, 0.011, 1.3 * b.amp);
    v += g(0.03, 0.010, -0.3);
    v += g(qt, 0.045, 0.32);
  }
  double noise = (0.012 + 0.05 * std::min(activity_g, 1.5)) * hash_gauss(seed, kEcgNoise, sample_index);
  if (lead_off) return 0.4 * hash_gauss(seed, kEcgNoise, sample_index + (1LL << 50));
  double wander = 0.06 * std::sin(2.0 * kPi * 0.22 * t);
  return v + wander + noise;
}

std::uint16_t ecg_word(double mv) { return clamp12(2048.0 + mv * 512.0); }

std::uint8_t quantise_angle(double deg) {
  double q = std::round(deg / 6.0) * 6.0;
  return static_cast<std::uint8_t>(std::clamp(q, 0.0, 180.0));
}

double duration_of(const SignalOptions& o) {
  double interval = is_wave_mode(o.mode) ? kWaveSampleSeconds : o.interval_s;
  return static_cast<double>(std::max<std::int64_t>(o.samples, 0)) * interval;
}

}  // namespace

bool is_wave_mode(char mode) { return mode == '7' || mode == '8' || mode == '9'; }

ChannelSet channels_of(char mode, const std::string& model) {
  ChannelSet c;
  if (model == "Aa") {
    c.combined = true;
    c.acc = true;
    c.angles = true;
    switch (mode) {
      case '0': c.axes = true; break;
      case '2': c.levels = 1; break;
      case '4': c.levels = 3; break;
      case '5': c.axes = true; c.steps = true; break;
      default: break;
    }
    return c;
  }
  if (mode == 'L') {
    c.rr = true;
    return c;
  }
  if (is_wave_mode(mode)) {
    c.wave[1] = true;
    if (mode != '7') c.wave[0] = c.wave[2] = true;
    c.ecg_wave = mode == '9';
    return c;
  }
  if (mode < '0' || mode > 'T') return c;
  c.acc = true;
  if (mode == '0' || mode == '@' || mode == 'P') c.axes = true;
  if (mode == '2' || mode == 'B' || mode == 'R') c.levels = 1;
  if (mode == '4' || mode == 'D' || mode == 'T') c.levels = 3;
  if (mode >= '@') c.tilt = true;
  if (mode >= '@' && mode <= 'D') c.hr = true;
  if (mode >= 'P' && mode <= 'T') c.rr = true;
  return c;
}

// ---- the stream

struct SignalStream::State {
  SignalOptions opt;
  ChannelSet ch;
  double interval;
  Model model;
  BeatSource source;
  std::deque<Beat> beats;     // beats not yet emitted or still near the ECG being drawn
  std::size_t ecg_cursor = 0;
  std::size_t bout_cursor = 0;
  std::int64_t pos = 0;       // intervals generated
  std::int64_t rr_emitted = 0;  // beats handed out as RR values
  double step_phase = 0;      // steps taken, fractional
  double wave_phase = 0;      // step phase at the waveform rate
  double last_hr = 0;

  State(const SignalOptions& o)
      : opt(o),
        ch(channels_of(o.mode, o.model)),
        interval(is_wave_mode(o.mode) ? kWaveSampleSeconds : (o.interval_s > 0 ? o.interval_s : 1.0)),
        model(o, duration_of(o)),
        source(model, o.seed) {}

  void beats_until(double t) {
    while (beats.empty() || beats.back().t < t) beats.push_back(source.next());
  }
  // Forgets beats already emitted that lie well before t.
  void trim(double t) {
    while (!beats.empty() && beats.front().index < rr_emitted && beats.front().t < t - 1.5) {
      beats.pop_front();
      if (ecg_cursor > 0) --ecg_cursor;
    }
  }

  void motion(RecorderMemory& m, std::int64_t idx, const Bout& b, double level);
  void heart(RecorderMemory& m, double t1, double tm);
  void waves(RecorderMemory& m, std::int64_t idx, double t0, const Bout& b, double level);
};

SignalStream::SignalStream(const SignalOptions& options) : state_(std::make_unique<State>(options)) {}
SignalStream::~SignalStream() = default;
std::int64_t SignalStream::position() const { return state_->pos; }
std::size_t SignalStream::buffered_beats() const { return state_->beats.size(); }
const SignalOptions& SignalStream::options() const { return state_->opt; }

namespace {

// Headroom of each channel: the combined frame has 11 bits for acceleration and 9 for
// channel 1; the per-channel files hold 12 bits.
struct Caps {
  long acc, axis1, level1;
};
Caps caps_of(const ChannelSet& ch) {
  return ch.combined ? Caps{2047, 511, 511} : Caps{4095, 4095, 4095};
}

constexpr double kLevelSampleRate = 20.0;  // samples a second behind the level counts

std::uint16_t raw_mg2(double g, long cap) {  // G -> raw units of 2 mG
  return static_cast<std::uint16_t>(std::clamp(std::lround(g * 500.0), 0L, cap));
}

}  // namespace

// Acceleration summaries of one interval: magnitude, axes, level counts, tilt, angles, steps.
void SignalStream::State::motion(RecorderMemory& m, std::int64_t idx, const Bout& b, double level) {
  const std::uint32_t seed = opt.seed;
  const Caps cap = caps_of(ch);
  double acc_g = std::max(0.0, level * (1.0 + 0.08 * hash_gauss(seed, kAcc, idx)));
  if (ch.acc) m.acc.push_back(raw_mg2(acc_g, cap.acc));
  if (ch.axes) {
    // Lateral, vertical, forward: walking moves the body most along the vertical.
    static constexpr double share[3] = {0.45, 0.85, 0.55};
    static constexpr Stream streams[3] = {kAxisX, kAxisY, kAxisZ};
    for (int k = 0; k < 3; ++k) {
      double v = acc_g * share[k] * (1.0 + 0.1 * hash_gauss(seed, streams[k], idx));
      m.axis[k].push_back(raw_mg2(v, k == 0 ? cap.axis1 : 4095));
    }
  }
  if (ch.levels > 0) {
    // The share of samples above a threshold, for a roughly exponential spread of |a|.
    double n_int = std::max(1.0, std::round(interval * kLevelSampleRate));
    double spread = 1.0 + 0.1 * hash_gauss(seed, kLevel, idx);
    for (int k = 0; k < ch.levels; ++k) {
      double thr = std::max(opt.level_threshold_g[static_cast<std::size_t>(k)], 1e-4);
      double p = level > 0 ? std::exp(-thr / level) : 0.0;
      double c = std::clamp(std::round(n_int * p * spread), 0.0, n_int);
      double cap_k = k == 0 ? static_cast<double>(cap.level1) : 4095.0;
      m.level[k].push_back(static_cast<std::uint16_t>(std::min(c, cap_k)));
    }
  }
  double sway = b.cadence > 0 ? 4.0 : 1.5;
  double ang_t = b.angle_t + sway * hash_gauss(seed, kAngleT, idx);
  double ang_u = b.angle_u + sway * hash_gauss(seed, kAngleU, idx);
  if (ch.tilt) {
    long code = std::lround(std::clamp(ang_t, 0.0, 180.0) / 12.0);
    m.tilt.push_back(static_cast<std::uint8_t>(std::clamp(code, 0L, 15L)));
  }
  if (ch.angles) {
    m.angle_t.push_back(quantise_angle(ang_t));
    m.angle_u.push_back(quantise_angle(ang_u));
  }
  if (ch.steps) {
    double before = step_phase;
    step_phase += b.cadence * interval;
    auto st = static_cast<std::int64_t>(std::floor(step_phase) - std::floor(before));
    m.steps.push_back(static_cast<std::uint16_t>(std::clamp<std::int64_t>(st, 0, 65535)));
  }
}

// The beats that end inside [.., t1): RR values and the recorder's heart rate of the interval.
void SignalStream::State::heart(RecorderMemory& m, double t1, double tm) {
  int valid = 0;
  double sum_ms = 0;
  for (const Beat& bt : beats) {
    if (bt.index < rr_emitted) continue;
    if (bt.t >= t1) break;
    ++rr_emitted;
    if (bt.t < 0) continue;  // the beat before the recording began
    std::uint16_t w = rr_word(bt.rr);
    if (ch.rr) m.rr.push_back(w);
    if (w > 0) {
      ++valid;
      sum_ms += w;
    }
  }
  if (ch.hr) {
    // An interval without a beat repeats the last rate, as a display would.
    if (valid > 0) last_hr = 60000.0 * valid / sum_ms;
    if (last_hr <= 0) last_hr = model.hr_at(tm, bout_cursor);
    m.hr.push_back(static_cast<std::uint16_t>(std::clamp(std::lround(last_hr), 0L, 4095L)));
  }
}

// Raw acceleration at 0.02 s: gravity on the three axes by posture, plus the periodic
// movement of steps (vertical and forward at the step rate, lateral at the stride rate).
void SignalStream::State::waves(RecorderMemory& m, std::int64_t idx, double t0, const Bout& b, double level) {
  const std::uint32_t seed = opt.seed;
  double th = (b.angle_t + 2.0 * value_noise(seed, kAngleT, t0, 2.0)) * kPi / 180.0;
  double ph = (b.angle_u - 90.0 + 2.0 * value_noise(seed, kAngleU, t0, 2.0)) * kPi / 180.0;
  double g[3] = {std::sin(th) * std::sin(ph), std::cos(th), std::sin(th) * std::cos(ph)};
  // The step rate wanders a little, each step has its own strength, and the heel strike
  // gives a sharp peak on the vertical axis early in the step.
  wave_phase += b.cadence * interval * (1.0 + 0.04 * value_noise(seed, kStepJitter, t0, 1.5));
  double p = 2.0 * kPi * wave_phase;
  double step = std::floor(wave_phase);
  double in_step = wave_phase - step;
  double a = level * 1.1 * (1.0 + 0.1 * hash_gauss(seed, kStepStrength, static_cast<std::int64_t>(step)));
  double strike = (in_step - 0.08) / 0.035;
  double dyn[3] = {0.4 * a * std::sin(0.5 * p),
                   a * (0.7 * std::sin(p) + 0.25 * std::sin(2.0 * p + 0.5) + 0.9 * std::exp(-0.5 * strike * strike)),
                   0.6 * a * (std::sin(p + 1.2) + 0.3 * std::sin(3.0 * p))};
  if (b.cadence > 0) {
    for (int k = 0; k < 3; ++k) dyn[k] += 0.02 * hash_gauss(seed, kWaveNoiseA + static_cast<std::uint64_t>(k), idx + (1LL << 45));
  }
  if (b.cadence == 0) {
    // At rest the dynamic part is small irregular movement.
    for (int k = 0; k < 3; ++k) dyn[k] = level * value_noise(seed, kWaveNoiseA + static_cast<std::uint64_t>(k), t0, 0.3);
  }
  static constexpr Stream noise[3] = {kWaveNoiseA, kWaveNoiseB, kWaveNoiseC};
  for (int k = 0; k < 3; ++k) {
    if (!ch.wave[k]) continue;
    double v = g[k] + dyn[k] + 0.006 * hash_gauss(seed, noise[k], idx);
    m.wave[k].push_back(clamp12(2048.0 + v * 500.0));
  }
}

RecorderMemory SignalStream::next(std::int64_t count) {
  State& s = *state_;
  const ChannelSet& ch = s.ch;
  RecorderMemory m;
  count = std::max<std::int64_t>(count, 0);
  auto n = static_cast<std::size_t>(count);
  if (ch.acc) m.acc.reserve(n);
  for (int k = 0; k < 3; ++k) {
    if (ch.axes) m.axis[k].reserve(n);
    if (k < ch.levels) m.level[k].reserve(n);
    if (ch.wave[k]) m.wave[k].reserve(n);
  }
  if (ch.tilt) m.tilt.reserve(n);
  if (ch.hr) m.hr.reserve(n);
  if (ch.ecg_wave) m.ecg_wave.reserve(n * kEcgPerWave);
  if (ch.angles) {
    m.angle_t.reserve(n);
    m.angle_u.reserve(n);
  }
  if (ch.steps) m.steps.reserve(n);

  const bool need_beats = ch.hr || ch.rr || ch.ecg_wave;
  const bool any_wave = ch.wave[0] || ch.wave[1] || ch.wave[2];
  for (std::int64_t i = 0; i < count; ++i) {
    std::int64_t idx = s.pos + i;
    double t0 = static_cast<double>(idx) * s.interval;
    double t1 = t0 + s.interval;
    double tm = t0 + 0.5 * s.interval;
    const Bout& b = s.model.bout_at(tm, s.bout_cursor);
    double level = s.model.level_at(tm, s.bout_cursor);

    s.motion(m, idx, b, level);
    if (need_beats) s.beats_until(t1 + 1.0);
    if (ch.hr || ch.rr) {
      s.heart(m, t1, tm);
    } else if (!s.beats.empty()) {
      s.rr_emitted = s.beats.back().index + 1;  // nobody takes RR values: all may go
    }
    if (any_wave) s.waves(m, idx, t0, b, level);
    if (ch.ecg_wave) {
      for (int j = 0; j < kEcgPerWave; ++j) {
        std::int64_t e = idx * kEcgPerWave + j;
        double te = static_cast<double>(e) * kEcgSampleSeconds;
        m.ecg_wave.push_back(ecg_word(ecg_mv(s.beats, s.ecg_cursor, te, level, s.opt.seed, e)));
      }
    }
    if (need_beats) s.trim(t0);
  }
  s.pos += count;
  return m;
}

// ---- whole recordings and ECG blocks

std::int64_t ecg_block_position(const SignalOptions& options, int k) {
  double interval = options.interval_s > 0 ? options.interval_s : 1.0;
  double duration = duration_of(options);
  int blocks = std::clamp(options.ecg_blocks, 1, 4);
  // Spread over the part of the recording the header's 4 hex digits can point into.
  double span = std::min(duration, 0xFFFF * interval);
  double t = span * (k + 1) / (blocks + 1);
  double window = kEcgBlockSamples * kEcgSampleSeconds;
  if (t + window > duration) t = std::max(0.0, duration - window);
  auto pos = static_cast<std::int64_t>(std::floor(t / interval));
  return std::clamp<std::int64_t>(pos, 0, 0xFFFF);
}

std::vector<std::uint16_t> ecg_block(const SignalOptions& options, int k) {
  double interval = options.interval_s > 0 ? options.interval_s : 1.0;
  double start = static_cast<double>(ecg_block_position(options, k)) * interval;
  double end = start + kEcgBlockSamples * kEcgSampleSeconds;
  Model model(options, std::max(duration_of(options), end));
  BeatSource source(model, options.seed);
  std::deque<Beat> beats;
  // The same beat sequence as the RR channel: run it up to the block.
  do {
    beats.push_back(source.next());
    if (beats.size() > 4 && beats[1].t < start - 1.5) beats.pop_front();
  } while (beats.back().t < end + 1.0);
  std::vector<std::uint16_t> out;
  out.reserve(kEcgBlockSamples);
  std::size_t cursor = 0;
  std::size_t bout_cursor = 0;
  // ECG noise indices of a block are its own, apart from the waveform channel's.
  std::int64_t base = (static_cast<std::int64_t>(k) + 1) << 40;
  for (int j = 0; j < kEcgBlockSamples; ++j) {
    double t = start + j * kEcgSampleSeconds;
    double level = model.level_at(t, bout_cursor);
    out.push_back(ecg_word(ecg_mv(beats, cursor, t, level, options.seed, base + j)));
  }
  return out;
}

RecorderMemory generate_memory(const SignalOptions& options) {
  SignalStream stream(options);
  RecorderMemory m = stream.next(options.samples);
  if (options.mode >= '@' && !is_wave_mode(options.mode) && options.model != "Aa") {
    int blocks = std::clamp(options.ecg_blocks, 0, 4);
    for (int k = 0; k < blocks; ++k) m.ecg_block[k] = ecg_block(options, k);
  }
  return m;
}

Activity activity_at(const SignalOptions& options, double t_s) {
  Model model(options, std::max(duration_of(options), t_s));
  std::size_t c = 0;
  return model.bout_at(t_s, c).kind;
}

}  // namespace ambsim
