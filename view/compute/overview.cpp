// The overview of the processing-conditions dialog, worked out without a canvas: band
// geometry, the window rules, the selection frame and each band's points (see overview.h).
#include "view/compute/overview.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/recording/rr_index.h"

namespace ambview {

namespace {

using common::round_half_even;

std::int32_t to_i32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

int overview_band_height(int channel_count) {
  if (channel_count <= 0) return kOverviewSize - kOverviewNameLine;
  return static_cast<int>(round_half_even(static_cast<double>(kOverviewSize) / channel_count - kOverviewNameLine));
}

int overview_base_line(int k, int band) { return (k + 1) * (band + kOverviewNameLine); }

std::int64_t overview_step(std::int64_t sample_count) {
  return std::max<std::int64_t>(1, common::trunc_div(sample_count, kOverviewSize));
}

int overview_acc_full_scale(int acc_scale) { return GET_YSIZ(std::clamp(acc_scale - 1, 0, 2)); }

void apply_window_rules(std::int32_t& start, std::int32_t& span, std::int32_t length) {
  std::int64_t s = start;
  std::int64_t d = span;
  if (s < 0) s = 0;
  if (s > length) s = length;
  s = DIV_KIRIAGE(s, 60);
  if (s > length) s -= 60;
  if (s < 0) s = 0;  // a recording shorter than a minute: the start stays at its beginning
  if (s + d > length) d = length - s;
  d = DIV_KIRIAGE(d, 60);
  if (d < 60) d = 60;
  start = to_i32(s);
  span = to_i32(d);
}

std::vector<FrameBox> selection_frame(const ChannelTable& table, int band, int acc_full_scale,
                                      int overview_full_scale, int hr_full_scale, std::int32_t length,
                                      std::int32_t start, std::int32_t span) {
  std::vector<FrameBox> boxes;
  if (length <= 0) return boxes;
  const auto x_at = [&](std::int64_t seconds) {
    const std::int64_t x = round_half_even(static_cast<double>(kOverviewSize) * static_cast<double>(seconds) / length);
    return static_cast<int>(std::min<std::int64_t>(x, kOverviewSize)) + kOverviewLeft;
  };
  const int x1 = x_at(start);
  const int x2 = x_at(static_cast<std::int64_t>(start) + span);
  const int c = table.count;
  int a = overview_full_scale > 0
              ? static_cast<int>(round_half_even(static_cast<double>(band) * acc_full_scale / overview_full_scale))
              : band;
  if (a > band) a = band + 1;
  if (a <= 1) a = 2;
  for (int k = 0; k < c; ++k) {
    const ChannelRow& row = table.rows[static_cast<std::size_t>(k)];
    const int yb = overview_base_line(k, band);
    const auto middle = [&](int height) {
      return FrameBox{x1, yb - static_cast<int>(round_half_even((band - height) / 2.0)), x2,
                      yb - static_cast<int>(round_half_even((band + height) / 2.0))};
    };
    if (row.code >= 'a' && row.code <= 'c') {
      boxes.push_back(middle(a));
    } else if (row.code == 'd') {
      boxes.push_back(middle(hr_full_scale == kOverviewHrScale ? band : static_cast<int>(round_half_even(band / 2.0))));
    } else if (row.kind == common::kKindAcceleration) {
      boxes.push_back({x1, yb - a, x2, yb});
    } else if (row.kind == common::kKindLevel || row.kind == common::kKindTilt) {
      boxes.push_back({x1, yb - overview_band_height(c), x2, yb});
    } else if (row.kind == common::kKindHeartRate || row.kind == common::kKindRR) {
      const int r = static_cast<int>(round_half_even(static_cast<double>(band) * hr_full_scale / kOverviewHrScale));
      boxes.push_back({x1, yb - r, x2, yb});
    }
  }
  return boxes;
}

// ---------------------------------------------------------------------------------------
// The points of a band

char OverviewInput::kind() const { return table->rows[static_cast<std::size_t>(k)].kind; }
char OverviewInput::code() const { return table->rows[static_cast<std::size_t>(k)].code; }

int OverviewInput::base() const {
  const int yb = overview_base_line(k, band);
  return kind() == common::kKindWave ? yb - static_cast<int>(round_half_even(band / 2.0)) : yb;
}

int OverviewInput::x_of(std::int64_t j) const {
  // The ECG waveform runs five samples per trend sample: its band spans the same width.
  const std::int64_t n = code() == 'd' ? 5 * sample_count : sample_count;
  if (n <= 0) return kOverviewLeft;
  return static_cast<int>(round_half_even(static_cast<double>(j + 1) * kOverviewSize / static_cast<double>(n))) +
         kOverviewLeft;
}

int OverviewInput::limit(int y) const {
  // Waveforms are drawn about the band's middle: they stay inside their band both ways.
  if (kind() == common::kKindWave) {
    const int half = static_cast<int>(round_half_even(band / 2.0));
    return std::clamp(y, -half, half);
  }
  return std::min(y, band);
}

namespace {

// Point j of an RR band: the beat in progress at the end of sample j (the last one begun at or
// before it). The band ends where the index has no entry: the RR data ended there.
void rr_points(const OverviewInput& band, const RrIndex& index, std::vector<OverviewPoint>& out) {
  ChannelReader beats;
  if (!beats.open(*band.table, band.k)) return;
  const ChannelRow& row = band.table->rows[static_cast<std::size_t>(band.k)];
  for (std::int64_t j = 0; j < band.sample_count; j += band.q) {
    const std::optional<std::int64_t> begun = index.boundary_entry(j + 1);
    if (!begun || *begun < 1 || *begun > index.words()) return;
    // The beat's rate, as F_PLOT draws it (GET_D of kind "6").
    const std::optional<Sample> rate = beats.at(*begun - 1);
    if (!rate) return;
    out.push_back({band.x_of(j), band.limit(GET_Y(rate->coded(), row, band.band, band.acc_full_scale,
                                                  band.hr_full_scale, band.interval))});
  }
}

}  // namespace

std::vector<OverviewPoint> rr_overview_points(const OverviewInput& band) {
  std::vector<OverviewPoint> out;
  if (band.k < 0 || band.k >= band.table->count) return out;
  if (const std::optional<RrIndex> index = ensure_rr_index(*band.table, band.k)) rr_points(band, *index, out);
  return out;
}

std::vector<OverviewPoint> overview_points(const OverviewInput& band) {
  std::vector<OverviewPoint> out;
  const ChannelTable& table = *band.table;
  if (band.k < 0 || band.k >= table.count) return out;
  if (band.kind() == common::kKindRR) return rr_overview_points(band);
  ChannelReader file;
  if (!file.open(table, band.k) || file.coding().per_record <= 0) return out;
  const ChannelRow& row = table.rows[static_cast<std::size_t>(band.k)];
  const bool ecg_wave = band.code() == 'd';
  // Within what the file holds: a shorter file's band ends where its data does (an unchecked
  // channel's band stays empty).
  const std::int64_t n = std::min(ecg_wave ? 5 * band.sample_count : band.sample_count, row.present ? file.held() : 0);
  const std::int64_t step = ecg_wave ? 5 * band.q : band.q;
  for (std::int64_t j = 0; j < n; j += step) {
    // A marker frame is drawn as the number GET_D gives for it.
    const std::optional<Sample> sample = file.at(j);
    if (!sample) break;
    const int y = GET_Y(sample->coded(), row, band.band, band.acc_full_scale, band.hr_full_scale, band.interval);
    out.push_back({band.x_of(j), band.limit(y)});
  }
  return out;
}

std::string scale_text(int acc_scale) {
  const int f = GET_YSIZ(acc_scale);
  const double g = f / 1000.0;
  return "SCALE= " + (f < 1000 ? common::num_plain(g) : common::num_text(g)) + "G";
}

}  // namespace ambview
