// The simulated wearer: determinism, the channel plan per mode, value ranges, and the
// physiology the views rely on (heart rate with activity, RR against HR, ECG beats).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "sim/signal_generator.h"

namespace ambsim {
namespace {

SignalOptions opts(char mode, std::int64_t samples, double interval = 1.0, std::uint32_t seed = 7) {
  SignalOptions o;
  o.mode = mode;
  o.samples = samples;
  o.interval_s = interval;
  o.seed = seed;
  return o;
}

bool same(const RecorderMemory& a, const RecorderMemory& b) {
  bool eq = a.acc == b.acc && a.tilt == b.tilt && a.hr == b.hr && a.rr == b.rr &&
            a.ecg_wave == b.ecg_wave && a.angle_t == b.angle_t && a.angle_u == b.angle_u &&
            a.steps == b.steps;
  for (int k = 0; k < 3; ++k) eq = eq && a.axis[k] == b.axis[k] && a.level[k] == b.level[k] && a.wave[k] == b.wave[k];
  for (int k = 0; k < 4; ++k) eq = eq && a.ecg_block[k] == b.ecg_block[k];
  return eq;
}

// Appends chunk `c` to `all`, channel by channel.
void append(RecorderMemory& all, const RecorderMemory& c) {
  auto cat = [](auto& to, const auto& from) { to.insert(to.end(), from.begin(), from.end()); };
  cat(all.acc, c.acc);
  cat(all.tilt, c.tilt);
  cat(all.hr, c.hr);
  cat(all.rr, c.rr);
  cat(all.ecg_wave, c.ecg_wave);
  cat(all.angle_t, c.angle_t);
  cat(all.angle_u, c.angle_u);
  cat(all.steps, c.steps);
  for (int k = 0; k < 3; ++k) {
    cat(all.axis[k], c.axis[k]);
    cat(all.level[k], c.level[k]);
    cat(all.wave[k], c.wave[k]);
  }
}

TEST(GeneratorSignal, SameSeedSameDataOtherSeedOtherData) {
  SignalOptions o = opts('P', 1800);
  o.ecg_blocks = 1;
  RecorderMemory a = generate_memory(o);
  RecorderMemory b = generate_memory(o);
  EXPECT_TRUE(same(a, b));
  o.seed = 8;
  RecorderMemory c = generate_memory(o);
  EXPECT_NE(a.acc, c.acc);
  EXPECT_NE(a.rr, c.rr);
  EXPECT_NE(a.ecg_block[0], c.ecg_block[0]);
}

TEST(GeneratorSignal, ChunksJoinToTheWholeRecording) {
  for (char mode : {'@', 'P', '9', 'T'}) {
    SignalOptions o = opts(mode, mode == '9' ? 9000 : 2500);
    RecorderMemory whole = generate_memory(o);
    for (std::int64_t chunk : {1, 7, 1000}) {
      SignalStream s(o);
      RecorderMemory joined;
      while (s.position() < o.samples) append(joined, s.next(std::min(chunk, o.samples - s.position())));
      EXPECT_TRUE(same(whole, joined)) << "mode " << mode << " chunk " << chunk;
    }
  }
}

TEST(GeneratorSignal, ChannelPlanFollowsTheMode) {
  struct Row {
    char mode;
    std::string model;
    bool axes;
    int levels;
    bool tilt, hr, rr;
  };
  const Row rows[] = {
      {'0', "CE", true, 0, false, false, false}, {'1', "CE", false, 0, false, false, false},
      {'2', "CE", false, 1, false, false, false}, {'4', "ce", false, 3, false, false, false},
      {'@', "CE", true, 0, true, true, false},    {'A', "CE", false, 0, true, true, false},
      {'B', "LA", false, 1, true, true, false},   {'D', "CE", false, 3, true, true, false},
      {'P', "CE", true, 0, true, false, true},    {'Q', "CE", false, 0, true, false, true},
      {'R', "CE", false, 1, true, false, true},   {'T', "CE", false, 3, true, false, true},
  };
  for (const Row& r : rows) {
    SignalOptions o = opts(r.mode, 300);
    o.model = r.model;
    RecorderMemory m = generate_memory(o);
    SCOPED_TRACE(std::string("mode ") + r.mode);
    EXPECT_EQ(m.acc.size(), 300u);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(m.axis[k].size(), r.axes ? 300u : 0u);
      EXPECT_EQ(m.level[k].size(), k < r.levels ? 300u : 0u);
      EXPECT_TRUE(m.wave[k].empty());
    }
    EXPECT_EQ(m.tilt.size(), r.tilt ? 300u : 0u);
    EXPECT_EQ(m.hr.size(), r.hr ? 300u : 0u);
    EXPECT_EQ(m.rr.empty(), !r.rr);
    EXPECT_TRUE(m.angle_t.empty() && m.steps.empty() && m.ecg_wave.empty());
  }

  RecorderMemory w7 = generate_memory(opts('7', 500));
  EXPECT_TRUE(w7.wave[0].empty() && w7.wave[2].empty() && w7.acc.empty() && w7.ecg_wave.empty());
  EXPECT_EQ(w7.wave[1].size(), 500u);
  RecorderMemory w9 = generate_memory(opts('9', 500));
  EXPECT_EQ(w9.wave[0].size(), 500u);
  EXPECT_EQ(w9.wave[2].size(), 500u);
  EXPECT_EQ(w9.ecg_wave.size(), 2500u);
  EXPECT_TRUE(w9.rr.empty() && w9.hr.empty() && w9.tilt.empty());

  SignalOptions rr = opts('L', 600);
  rr.model = "CF";
  RecorderMemory l = generate_memory(rr);
  EXPECT_FALSE(l.rr.empty());
  EXPECT_TRUE(l.acc.empty() && l.hr.empty() && l.tilt.empty());

  SignalOptions e = opts('A', 600);
  e.ecg_blocks = 3;
  RecorderMemory eb = generate_memory(e);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(eb.ecg_block[k].size(), k < 3 ? 15000u : 0u);
  e.mode = '4';  // below "@": no ECG
  EXPECT_TRUE(generate_memory(e).ecg_block[0].empty());
}

TEST(GeneratorSignal, CombinedFamilyChannels) {
  for (char mode : {'0', '1', '2', '4', '5'}) {
    SignalOptions o = opts(mode, 400);
    o.model = "Aa";
    RecorderMemory m = generate_memory(o);
    SCOPED_TRACE(std::string("mode ") + mode);
    EXPECT_EQ(m.acc.size(), 400u);
    EXPECT_EQ(m.angle_t.size(), 400u);
    EXPECT_EQ(m.angle_u.size(), 400u);
    EXPECT_EQ(m.axis[0].size(), (mode == '0' || mode == '5') ? 400u : 0u);
    EXPECT_EQ(m.level[0].size(), (mode == '2' || mode == '4') ? 400u : 0u);
    EXPECT_EQ(m.level[2].size(), mode == '4' ? 400u : 0u);
    EXPECT_EQ(m.steps.size(), mode == '5' ? 400u : 0u);
    EXPECT_TRUE(m.tilt.empty() && m.hr.empty());
  }
}

TEST(GeneratorSignal, ValuesStayInTheirRanges) {
  // A whole day and night at 10 s covers every activity.
  SignalOptions o = opts('T', 8640, 10.0);
  o.ecg_blocks = 4;
  RecorderMemory m = generate_memory(o);
  auto max12 = [](const auto& v) { return v.empty() || *std::max_element(v.begin(), v.end()) <= 4095; };
  EXPECT_TRUE(max12(m.acc));
  EXPECT_TRUE(max12(m.rr));
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(max12(m.ecg_block[k]));
  EXPECT_LE(*std::max_element(m.tilt.begin(), m.tilt.end()), 15);
  const double per_interval = 10.0 * 20.0;  // level counts come from 20 samples a second
  for (std::size_t i = 0; i < m.acc.size(); ++i) {
    EXPECT_LE(m.level[0][i], per_interval);
    EXPECT_GE(m.level[0][i], m.level[1][i]);  // thresholds rise, counts fall
    EXPECT_GE(m.level[1][i], m.level[2][i]);
  }
  // Lying at night shows as a large tilt, upright walking as a small one.
  EXPECT_GE(*std::max_element(m.tilt.begin(), m.tilt.end()), 7);
  EXPECT_LE(*std::min_element(m.tilt.begin(), m.tilt.end()), 1);

  SignalOptions c = opts('5', 8640, 10.0);
  c.model = "Aa";
  RecorderMemory cm = generate_memory(c);
  for (std::size_t i = 0; i < cm.angle_t.size(); ++i) {
    ASSERT_EQ(cm.angle_t[i] % 6, 0);
    ASSERT_EQ(cm.angle_u[i] % 6, 0);
    ASSERT_LE(cm.angle_t[i], 180);
    ASSERT_LE(cm.angle_u[i], 180);
    ASSERT_LE(cm.acc[i], 2047);      // 11 bits in a combined frame
    ASSERT_LE(cm.axis[0][i], 511);   // channel 1 has 9 bits
  }
  EXPECT_GT(std::accumulate(cm.steps.begin(), cm.steps.end(), 0LL), 1000);
  for (auto s : cm.steps) ASSERT_LE(s, 10 * 3);  // at most three steps a second

  RecorderMemory w = generate_memory(opts('9', 30000));
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(max12(w.wave[k]));
  EXPECT_TRUE(max12(w.ecg_wave));
}

TEST(GeneratorSignal, HeartRateFollowsActivity) {
  SignalOptions o = opts('@', 6 * 3600);
  RecorderMemory m = generate_memory(o);
  double active = 0, rest = 0;
  int n_active = 0, n_rest = 0;
  double acc_active = 0, acc_rest = 0;
  for (std::int64_t i = 0; i < o.samples; ++i) {
    Activity a = activity_at(o, static_cast<double>(i) + 0.5);
    auto idx = static_cast<std::size_t>(i);
    if (a == Activity::Walk || a == Activity::Run) {
      active += m.hr[idx];
      acc_active += m.acc[idx];
      ++n_active;
    } else if (a == Activity::Sit || a == Activity::Sleep) {
      rest += m.hr[idx];
      acc_rest += m.acc[idx];
      ++n_rest;
    }
  }
  ASSERT_GT(n_active, 600);
  ASSERT_GT(n_rest, 600);
  EXPECT_GT(active / n_active, rest / n_rest + 15.0);
  EXPECT_GT(acc_active / n_active, 5.0 * acc_rest / n_rest);

  // The rise lags the start of a walk: the first seconds are still near the resting rate.
  std::int64_t start = -1;
  for (std::int64_t i = 1; i < o.samples && start < 0; ++i)
    if (activity_at(o, i) == Activity::Walk && activity_at(o, i - 1) == Activity::Sit) start = i;
  ASSERT_GT(start, 0);
  double early = 0, late = 0;
  for (int k = 0; k < 5; ++k) early += m.hr[static_cast<std::size_t>(start + k)];
  for (int k = 90; k < 95; ++k) late += m.hr[static_cast<std::size_t>(start + k)];
  EXPECT_GT(late, early + 5 * 8.0);
}

TEST(GeneratorSignal, RRIntervalsMatchHeartRateAndVary) {
  // Modes @ and P of one seed share the same heart: the HR channel of one and the RR
  // channel of the other describe the same beats.
  SignalOptions o = opts('@', 3 * 3600);
  RecorderMemory hr = generate_memory(o);
  o.mode = 'P';
  RecorderMemory rr = generate_memory(o);

  double mean_hr = std::accumulate(hr.hr.begin(), hr.hr.end(), 0.0) / static_cast<double>(hr.hr.size());
  double sum_ms = 0;
  int valid = 0, zeros = 0;
  for (auto w : rr.rr) {
    if (w == 0) {
      ++zeros;
    } else {
      sum_ms += w;
      ++valid;
    }
  }
  double mean_rr_hr = 60000.0 * valid / sum_ms;
  EXPECT_NEAR(mean_rr_hr, mean_hr, mean_hr * 0.05);
  // The beats fill the recording: valid intervals plus the lost stretches (4.2-7 s each).
  double total_s = sum_ms / 1000.0;
  EXPECT_LE(total_s, o.samples + 1.0);
  EXPECT_GE(total_s + zeros * 7.0, o.samples - 3.0);

  // Beat-to-beat variation at rest: respiratory modulation and noise, not a fixed period.
  double rmssd = 0;
  int n = 0;
  for (std::size_t i = 1; i < 300; ++i) {
    if (rr.rr[i] && rr.rr[i - 1]) {
      double d = static_cast<double>(rr.rr[i]) - rr.rr[i - 1];
      rmssd += d * d;
      ++n;
    }
  }
  rmssd = std::sqrt(rmssd / n);
  EXPECT_GT(rmssd, 8.0);
  EXPECT_LT(rmssd, 150.0);
}

TEST(GeneratorSignal, LongIntervalsBecomeZeroMarkers) {
  SignalOptions o = opts('Q', 24 * 360, 10.0);
  RecorderMemory m = generate_memory(o);
  auto zeros = std::count(m.rr.begin(), m.rr.end(), 0);
  EXPECT_GT(zeros, 3);
  EXPECT_LT(zeros, static_cast<long>(m.rr.size() / 500));
  EXPECT_GE(*std::min_element(m.rr.begin(), m.rr.end(), [](auto a, auto b) { return (a ? a : 9999) < (b ? b : 9999); }), 250);
}

// R peaks: local maxima well above the zero line, at least 0.25 s apart.
std::vector<std::size_t> r_peaks(const std::vector<std::uint16_t>& ecg) {
  std::vector<std::size_t> peaks;
  for (std::size_t i = 1; i + 1 < ecg.size(); ++i) {
    if (ecg[i] > 2048 + 300 && ecg[i] >= ecg[i - 1] && ecg[i] > ecg[i + 1]) {
      if (!peaks.empty() && i - peaks.back() < 62) {
        if (ecg[i] > ecg[peaks.back()]) peaks.back() = i;
        continue;
      }
      peaks.push_back(i);
    }
  }
  return peaks;
}

TEST(GeneratorSignal, EcgBlockBeatsAreTheRRBeats) {
  SignalOptions o = opts('P', 3600);
  o.ecg_blocks = 2;
  RecorderMemory m = generate_memory(o);
  for (int k = 0; k < 2; ++k) {
    std::vector<std::size_t> peaks = r_peaks(m.ecg_block[k]);
    ASSERT_GT(peaks.size(), 40u);  // a minute of beats
    std::vector<int> ms;
    for (std::size_t i = 1; i < peaks.size() && ms.size() < 12; ++i)
      ms.push_back(static_cast<int>((peaks[i] - peaks[i - 1]) * 4));
    // The peak-to-peak intervals appear, in order, among the RR values (4 ms sampling).
    bool found = false;
    for (std::size_t j = 0; j + ms.size() <= m.rr.size() && !found; ++j) {
      bool all = true;
      for (std::size_t q = 0; q < ms.size() && all; ++q) all = std::abs(ms[q] - m.rr[j + q]) <= 8;
      found = all;
    }
    EXPECT_TRUE(found) << "block " << k;
    EXPECT_LE(ecg_block_position(o, k), 0xFFFF);
  }
  EXPECT_LT(ecg_block_position(o, 0), ecg_block_position(o, 1));
  // In a week the blocks stay apart although the header can point only 65535 samples in.
  o.samples = 7 * 86400;
  o.ecg_blocks = 4;
  for (int k = 0; k < 3; ++k) EXPECT_LT(ecg_block_position(o, k), ecg_block_position(o, k + 1));
  EXPECT_LE(ecg_block_position(o, 3), 0xFFFF);
}

TEST(GeneratorSignal, EcgWaveformHasOneRPeakPerBeat) {
  // Mode 9 at rest: 2 minutes of ECG at 0.004 s; the peak rate must be a plausible heart rate
  // and every gap between peaks a plausible RR interval.
  RecorderMemory m = generate_memory(opts('9', 6000));
  std::vector<std::size_t> peaks = r_peaks(m.ecg_wave);
  double minutes = m.ecg_wave.size() * 0.004 / 60.0;
  double rate = static_cast<double>(peaks.size()) / minutes;
  EXPECT_GT(rate, 45.0);
  EXPECT_LT(rate, 110.0);
  for (std::size_t i = 1; i < peaks.size(); ++i) {
    double rr = (peaks[i] - peaks[i - 1]) * 0.004;
    EXPECT_GT(rr, 0.45);
    EXPECT_LT(rr, 1.4);
  }
  // The waveform rests on its zero line between beats.
  std::vector<std::uint16_t> sorted = m.ecg_wave;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  EXPECT_NEAR(sorted[sorted.size() / 2], 2048, 40);
}

TEST(GeneratorSignal, WalkingShowsInTheAccelerationWaveform) {
  // Vertical axis: gravity at rest (about +1 G = 2548), swinging by more than 0.3 G in a walk.
  SignalOptions o = opts('8', 2 * 3600 * 50);
  o.interval_s = 0.02;
  RecorderMemory m = generate_memory(o);
  double walk_span = 0;
  for (std::int64_t i = 0; i + 250 < o.samples; i += 250) {
    auto [lo, hi] = std::minmax_element(m.wave[1].begin() + i, m.wave[1].begin() + i + 250);
    double span = *hi - *lo;
    Activity a = activity_at(o, i * 0.02);
    if (a == Activity::Walk) walk_span = std::max(walk_span, span);
  }
  EXPECT_GT(walk_span, 150.0);  // units of 2 mG
  auto [lo, hi] = std::minmax_element(m.wave[1].begin(), m.wave[1].begin() + 500);
  EXPECT_LT(*hi - *lo, 60);     // the first seconds are a rest
  // Sitting leans the trunk by 12-30 degrees: the vertical axis keeps most of 1 G.
  EXPECT_GT(m.wave[1][100], 2048 + 400);
  EXPECT_LT(m.wave[1][100], 2048 + 530);
}

TEST(GeneratorSignal, AWeekStaysSmall) {
  // A week at 1 s: every channel has its count, and the chunked stream keeps only a handful
  // of beats between chunks.
  SignalOptions o = opts('P', 7 * 86400);
  SignalStream s(o);
  std::size_t rr = 0, acc = 0, most = 0;
  while (s.position() < o.samples) {
    RecorderMemory c = s.next(std::min<std::int64_t>(50000, o.samples - s.position()));
    rr += c.rr.size();
    acc += c.acc.size();
    most = std::max(most, s.buffered_beats());
  }
  EXPECT_EQ(acc, 604800u);
  EXPECT_GT(rr, 7u * 86400 * 50 / 60);
  EXPECT_LT(rr, 7u * 86400 * 120 / 60);
  EXPECT_LT(most, 16u);
}

}  // namespace
}  // namespace ambsim
