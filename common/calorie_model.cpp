// The oxygen-uptake and energy model (see calorie_model.h). Every step is single precision,
// evaluated in the order written, so that files computed here match the old ones.
#include "common/calorie_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/numbers.h"

namespace common {

namespace {

constexpr std::array<RqRow, kRqRows> kRqTable{{
    {"0.80 / 4.801", 4.801f},
    {"0.81 / 4.813", 4.813f},
    {"0.82 / 4.825", 4.825f},
    {"0.83 / 4.838", 4.838f},
    {"0.84 / 4.850", 4.850f},
    {"0.85 / 4.862", 4.862f},
}};

float single(const std::string& text) { return static_cast<float>(val(text)); }

}  // namespace

const std::array<RqRow, kRqRows>& rq_table() { return kRqTable; }

float energy_equivalent(std::int64_t row) {
  return row >= 0 && row < kRqRows ? kRqTable[static_cast<std::size_t>(row)].equivalent : 0.0f;
}

std::string_view calorie_error_text(CalorieError error) {
  switch (error) {
    case CalorieError::None: return "";
    case CalorieError::ZeroCoefficient: return "the coefficient a or c is 0";
    case CalorieError::ZeroBlock: return "the averaging count N is below 1";
    case CalorieError::RateTooLarge: return "a rate is too large";
    case CalorieError::ReadError: return "a sample could not be read";
    case CalorieError::WriteError: return "the calorie text file could not be written";
  }
  return "";
}

CalorieModel calorie_model(const CalorieSettings& s) {
  CalorieModel m;
  m.a = single(s.a);
  m.b = single(s.b);
  m.c = single(s.c);
  m.d = single(s.d);
  m.floor = single(s.floor);
  m.weight = single(s.weight);
  m.equivalent = energy_equivalent(round_half_even(val(s.rq_row)));
  m.block = round_half_even(val(s.block));
  return m;
}

bool sample_vo2(const CalorieModel& m, CalorieKind kind, float sample, float& vo2) {
  float v = 0;
  if (kind == CalorieKind::Acceleration) {
    if (m.a == 0) return false;
    v = (sample / 1000.0f + m.b) / m.a;
  } else {
    if (m.c == 0) return false;
    v = (sample / 2.0f - m.d) / m.c;
  }
  if (v < m.floor) v = m.floor;
  vo2 = v;
  return true;
}

float energy_rate(const CalorieModel& m, float mean_vo2) {
  return ((mean_vo2 / 1000.0f) * m.equivalent) * m.weight * 60.0f;
}

bool rate_store(float rate, std::int16_t& out) {
  if (!std::isfinite(rate)) return false;
  const double r = std::nearbyint(static_cast<double>(rate));
  if (r < std::numeric_limits<std::int16_t>::min() || r > std::numeric_limits<std::int16_t>::max()) return false;
  out = static_cast<std::int16_t>(r);
  return true;
}

bool total_energy(const CalorieModel& m, float vo2_sum, std::int64_t samples, float interval, std::int32_t& out) {
  const float n1 = static_cast<float>(samples + 1);
  const float mean = vo2_sum / n1;
  const float rate = energy_rate(m, mean);
  const float hours = n1 * interval / 3600.0f;
  const float total = rate * hours;
  if (!std::isfinite(total)) return false;
  const double r = std::nearbyint(static_cast<double>(total));
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max()) return false;
  out = static_cast<std::int32_t>(r);
  return true;
}

std::int64_t block_count(std::int64_t n, std::int64_t block) {
  if (block < 1 || n <= 0) return 0;
  return (n + block - 1) / block;
}

CalorieSpan walk_calorie(const CalorieModel& m, CalorieKind kind, std::int64_t n, float interval,
                         const CalorieSource& source) {
  CalorieSpan span;
  if (m.block < 1) {
    span.error = CalorieError::ZeroBlock;
    return span;
  }
  // No reservation for n: it comes from a header, and a damaged one names billions of samples
  // that the file does not hold. The list grows with the blocks actually read.
  float previous_rate = 0;
  std::int16_t previous_value = 0;
  for (std::int64_t first = 0; first < n; first += m.block) {
    const std::int64_t end = std::min(first + m.block, n);
    float sum = 0;
    std::int64_t count = 0;
    for (std::int64_t j = first; j < end; ++j) {
      const CalorieSample sample = source(j);
      if (sample.state == CalorieSample::State::Fail) {
        span.error = CalorieError::ReadError;
        return span;
      }
      if (sample.state == CalorieSample::State::Skip) continue;
      float vo2 = 0;
      if (!sample_vo2(m, kind, static_cast<float>(sample.value), vo2)) {
        span.error = CalorieError::ZeroCoefficient;
        return span;
      }
      sum += vo2;
      span.vo2_sum += vo2;
      ++count;
      ++span.samples;
    }
    CalorieBlock block{first, end - first, previous_rate, previous_value};
    if (count > 0) {
      block.rate = energy_rate(m, sum / static_cast<float>(count));
      if (!rate_store(block.rate, block.value)) {
        span.error = CalorieError::RateTooLarge;
        return span;
      }
    }
    previous_rate = block.rate;
    previous_value = block.value;
    span.blocks.push_back(block);
  }
  if (!total_energy(m, span.vo2_sum, span.samples, interval, span.total)) span.error = CalorieError::RateTooLarge;
  return span;
}

}  // namespace common
