// The oxygen-uptake and energy model both programs share: the RQ table, the coefficients
// taken from the calorie settings, and the walk over a span in single precision, in the order
// of evaluation the calorie files have always been computed in.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>


namespace common {

// The calorie settings as both settings files keep them: the texts the user typed (CP932),
// shown and written as they are; the model reads its numbers from them.
struct CalorieSettings {
  std::string rq_row;  // row of the RQ table, 0-5
  std::string age;
  std::string weight;  // kg
  std::string block;   // averaging count N
  std::string a, b;    // acceleration calibration
  std::string c, d;    // heart-rate calibration
  std::string floor;   // lowest oxygen uptake, ml/kg/min
  bool operator==(const CalorieSettings&) const = default;
};

// One row of the respiratory-quotient table: the list text and the energy equivalent of
// oxygen (kcal per litre).
struct RqRow {
  std::string_view text;
  float equivalent;
};
inline constexpr int kRqRows = 6;
const std::array<RqRow, kRqRows>& rq_table();
// The energy equivalent of a row; 0 for a row outside 0-5.
float energy_equivalent(std::int64_t row);

enum class CalorieKind {
  Acceleration,  // y in thousandths of G
  HeartRate,     // h in half beats per minute
};

// Why an entry's calculation ended early.
enum class CalorieError {
  None,
  ZeroCoefficient,  // a (acceleration) or c (heart rate) is 0
  ZeroBlock,        // the averaging count N is below 1
  RateTooLarge,     // a rate or total does not fit its integer store
  ReadError,        // a sample could not be read
  WriteError,       // the calorie text file could not be written
};
// A short English text for messages of the command line.
std::string_view calorie_error_text(CalorieError error);

// The numbers of the model, read from the calorie settings with the lenient conversion.
struct CalorieModel {
  float a = 0, b = 0, c = 0, d = 0;
  float floor = 0;       // ml/kg/min
  float weight = 0;      // W, kg
  float equivalent = 0;  // E, kcal/l
  std::int64_t block = 1;  // N = round(slot 21)
};
CalorieModel calorie_model(const CalorieSettings& settings);

// Floored VO2 (ml/kg/min) of one sample: (y / 1000 + b) / a or (h / 2 - d) / c. False for
// a zero a or c (the value is then left unchanged).
bool sample_vo2(const CalorieModel& model, CalorieKind kind, float sample, float& vo2);
// kcal/h of a mean VO2: ((mean / 1000) x E) x W x 60.
float energy_rate(const CalorieModel& model, float mean_vo2);
// A rate rounded (halves to even) into the 16-bit store of the text values and bars;
// false when it does not fit.
bool rate_store(float rate, std::int16_t& out);
// Total kcal of `samples` VO2 values summing to `vo2_sum` at `interval` seconds:
// M = sum / (n + 1); R = ((M / 1000) x E) x W x 60; T = (n + 1) x S / 3600; round(R x T).
// False when the result does not fit 32 bits.
bool total_energy(const CalorieModel& model, float vo2_sum, std::int64_t samples, float interval,
                  std::int32_t& out);

// One sample as the reader delivers it: a value, a frame that carries none (a marker of a
// combined file), or a read failure.
struct CalorieSample {
  enum class State { Value, Skip, Fail };
  State state = State::Value;
  std::int32_t value = 0;
};
using CalorieSource = std::function<CalorieSample(std::int64_t j)>;

// One averaging block of the span.
struct CalorieBlock {
  std::int64_t first = 0;  // first sample of the block
  std::int64_t count = 0;  // samples in the block (the last block may be short)
  float rate = 0;          // kcal/h
  std::int16_t value = 0;  // the rate as stored (rounded)
};

struct CalorieSpan {
  std::vector<CalorieBlock> blocks;  // blocks done before any error
  float vo2_sum = 0;                 // floored VO2 over the samples read
  std::int64_t samples = 0;          // samples that carried a value
  std::int32_t total = 0;            // kcal of the span (valid when error is None)
  CalorieError error = CalorieError::None;
};

// Number of averaging blocks of n samples: n / N rounded up; 0 when N is below 1.
std::int64_t block_count(std::int64_t n, std::int64_t block);

// Walks samples 0..n-1 in blocks of N. A skipped sample enters neither the block nor the
// span; a block of skipped samples only keeps the previous block's rate. The walk ends at
// the first error with the blocks done so far.
CalorieSpan walk_calorie(const CalorieModel& model, CalorieKind kind, std::int64_t n, float interval,
                         const CalorieSource& source);

}  // namespace common
