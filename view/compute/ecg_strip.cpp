// The ECG strip's geometry and trace (see ecg_strip.h).
#include "view/compute/ecg_strip.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/numbers.h"
#include "view/recording/channel_reader.h"

namespace ambview::ecg {

using common::round_half_even;

Geometry geometry(int window_width, int window_height) {
  Geometry g;
  g.width = window_width - kLeft - kMargin;
  g.height = window_height - 2 * kMargin;
  g.row = static_cast<int>(round_half_even(g.height / static_cast<double>(kRows)));
  g.units_per_pixel = g.row > 0 ? 4096.0 / (2.0 * g.row) : 0.0;
  return g;
}

int row_zero(const Geometry& g, int row) {
  return static_cast<int>(round_half_even((row + 0.5) * g.row + kMargin));
}

int column_x(const Geometry& g, int column) {
  return static_cast<int>(round_half_even(static_cast<double>(column) * g.width / kSamplesPerRow + kLeft));
}

namespace {

// The min-max trace of one row at a time: a line joining each new pixel column to the last
// value, and the range of the column before, so no peak between two pixels is lost.
class Trace {
 public:
  explicit Trace(const Geometry& g) : g_(g), zero_(row_zero(g, 0)) {}

  void sample(int k, std::int64_t v, std::vector<Line>& out) {
    const int column = k % kSamplesPerRow;
    const int x = column_x(g_, column);
    if (column == 0) {
      zero_ = row_zero(g_, k / kSamplesPerRow);
      largest_ = smallest_ = last_ = v;
      previous_x_ = x;
    }
    if (x > previous_x_) {
      out.push_back({x - 1, static_cast<int>(zero_ - last_), x, static_cast<int>(zero_ - v)});
      out.push_back({x - 1, static_cast<int>(zero_ - largest_), x - 1, static_cast<int>(zero_ - smallest_)});
      largest_ = smallest_ = v;
    }
    largest_ = std::max(largest_, v);
    smallest_ = std::min(smallest_, v);
    last_ = v;
    previous_x_ = x;
  }

 private:
  const Geometry& g_;
  int zero_;
  int previous_x_ = kLeft;
  std::int64_t largest_ = 0, smallest_ = 0, last_ = 0;
};

}  // namespace

Strip strip_of(const std::string& path, const Geometry& g) {
  Strip strip;
  ChannelReader reader;
  if (g.row <= 0 || g.width <= 0 || !reader.open(path, word_coding('e'))) return strip;
  const double u = g.units_per_pixel;
  Trace trace(g);
  int drawn = 0;
  bool first_record = true;
  // The samples a record really holds: a cut file shows what it has and nothing made up.
  std::array<int, kSamplesPerRecord> record{};
  while (drawn < kSamples) {
    std::vector<Line>& lines = strip.records.emplace_back();
    int present = 0;
    for (; present < kSamplesPerRecord; ++present) {
      const std::optional<std::uint16_t> w = reader.word(drawn + present);
      if (!w) break;
      record[static_cast<std::size_t>(present)] = *w;
    }
    if (present == 0) break;
    for (int j = 0; j < present && drawn + j < kSamples; ++j) {
      // The recorder's first two samples are not settled yet: they are drawn as the third.
      const int sample = record[static_cast<std::size_t>(first_record && j < 2 && present > 2 ? 2 : j)];
      trace.sample(drawn + j, round_half_even((sample - kZero) / u), lines);
    }
    drawn += present;
    first_record = false;
    if (present < kSamplesPerRecord) break;
  }
  return strip;
}

}  // namespace ambview::ecg
