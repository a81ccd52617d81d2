// ACC_WAVE_PLOT (see wave_band.h).
#include "view/wave_band.h"

#include <algorithm>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "view/recording/channel_reader.h"

namespace ambview {

namespace {

using common::round_half_even;
using trend::BandStop;

// Moving-average store of the waveform monitor: 1000 entries.
constexpr int kWaveStoreLimit = 1000;

void wave_plot(const BandArgs& a) {
  if (!a.window || !a.conditions || a.band >= a.display.count || a.width <= 0) return;
  const ProcessingConditions& cond = *a.conditions;
  const ChannelRow& row = a.display.rows.at(static_cast<std::size_t>(a.band));
  const std::optional<int> n_average = trend::averaging_count(cond.average_n, kWaveStoreLimit);
  if (!n_average) throw BandStop{};

  const ui::Colour colour = cond.trend_colour;
  a.window->set_pen(colour);
  a.window->set_fill(colour);
  // The wave band rounds h and y0 itself; the same numbers as the other bands.
  const trend::BandGeometry g = trend::band_geometry(a.height, a.m, a.band);
  const int h = g.h;

  const bool ecg = row.code == 'd';
  const double full_scale = ecg ? (cond.hr_scale == 0 ? 2048.0 : 1024.0) : static_cast<double>(GET_YSIZ(cond.acc_scale));
  if (!(full_scale > 0)) throw BandStop{};
  const std::int64_t start = ecg ? kEcgSamplesPerTrendSample * a.s : a.s;
  const std::int64_t count = ecg ? kEcgSamplesPerTrendSample * a.n : a.n;
  if (count <= 0) return;

  ChannelReader reader;
  if (!reader.open(trend::band_file_name(a.path_name, a.extension, row.code, true), coding_of(a.display, a.band)))
    throw BandStop{};
  const int per_record = common::kWordsPerRecord;
  // The deflection of sample j from the zero line (GET_D of a waveform word); a sample past
  // the end of the file ends the band.
  const auto value = [&](std::int64_t j) {
    const std::optional<Sample> sample = reader.at(j);
    if (!sample) throw BandStop{};
    const std::int64_t d = sample->value;
    std::int64_t v = round_half_even(static_cast<double>(h) * static_cast<double>(d) / full_scale);
    v = round_half_even(static_cast<double>(h) / 2.0 + static_cast<double>(v));
    if (v < 0) return std::int64_t{1};
    return std::min<std::int64_t>(v, h);
  };

  std::optional<std::int64_t> last = 0;
  if (cond.averaging == Averaging::Block) last = value(start - start % per_record);
  trend::ColumnReducer columns(*a.window, g.y0, a.left_x, h, a.height, last);
  trend::Averager averager(cond.averaging == Averaging::Block, *n_average);
  for (std::int64_t k = 0; k < count; ++k) {
    columns.at(round_half_even(static_cast<double>(k + 1) * a.width / static_cast<double>(count) +
                               a.left_x));
    columns.take(averager.push(value(start + k)));
  }
}

}  // namespace

void ACC_WAVE_PLOT(const BandArgs& args) {
  try {
    wave_plot(args);
  } catch (...) {
  }
}

}  // namespace ambview
