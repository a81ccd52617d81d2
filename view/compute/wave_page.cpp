// The waveform monitor's page (see wave_page.h).
#include "view/compute/wave_page.h"

#include <algorithm>
#include <cstdlib>

#include "common/numbers.h"
#include "common/text.h"
#include "view/recording/calendar.h"

namespace ambview::wave {

using common::round_half_away;
using common::round_half_even;

std::vector<ChannelRow> channel_list(const ChannelTable& channels) {
  std::vector<ChannelRow> list;
  for (int r = 0; r < channels.count && r < kMaxChannelRows; ++r) {
    const ChannelRow& row = channels.rows[static_cast<std::size_t>(r)];
    if (row.present && row.kind == 'w' && static_cast<int>(list.size()) < kMaxBands) list.push_back(row);
  }
  return list;
}

BandLayout band_layout(int client_height, int bands) {
  BandLayout layout;
  if (bands <= 0) return layout;
  layout.half_height = static_cast<int>(round_half_even((client_height - 80) / (2.0 * bands)));
  layout.amplitude = static_cast<int>(round_half_even(0.75 * layout.half_height));
  int y = layout.half_height + 20;
  for (int k = 0; k < bands; ++k) {
    layout.centres.push_back(y);
    y += 2 * layout.half_height;
  }
  return layout;
}

int page_samples(int client_width, float speed) {
  return static_cast<int>(round_half_even((client_width - 20) / static_cast<double>(speed)));
}

std::string scale_text(int samples) {
  // ps x 0.02 rounded to 0.01 is ps x 2 hundredths, exactly.
  return "X ｽｹｰﾙ = " + common::num_text(static_cast<double>(samples) * 2 / 100.0) + "Sec";
}

BandUnit band_unit_at(const std::vector<ChannelRow>& bands, const BandLayout& layout, int y) {
  for (std::size_t b = 0; b < bands.size() && b < layout.centres.size(); ++b)
    if (std::abs(y - layout.centres[b]) <= layout.half_height)
      return bands[b].code == 'd' ? BandUnit::Ecg : BandUnit::Acceleration;
  return BandUnit::Both;
}

std::string measure_text(int x0, int y0, int x, int y, float speed, int amplitude, int acc_full_scale_mg,
                         int ecg_counts, BandUnit unit) {
  const std::int64_t dt = round_half_away((x - x0) / static_cast<double>(speed) * kSampleSeconds * 1000.0);
  std::int64_t dg = 0, dmv = 0;
  if (amplitude != 0) {
    dg = round_half_even(static_cast<double>(y0 - y) * acc_full_scale_mg / amplitude);
    dmv = round_half_even(static_cast<double>(y0 - y) * ecg_counts / amplitude);
  }
  const std::string t = common::num_text(static_cast<double>(dt) / 1000.0) + "S , ";
  const std::string g = common::num_text(static_cast<double>(dg) / 1000.0) + "G";
  const std::string mv = common::num_text(static_cast<double>(dmv) / 500.0) + "mV";
  switch (unit) {
    case BandUnit::Acceleration: return t + g;
    case BandUnit::Ecg: return t + mv;
    case BandUnit::Both: break;
  }
  return t + g + " /" + mv;
}

float faster(float speed) { return std::min(speed * 2.0f, kSpeedMax); }
float slower(float speed) { return std::max(speed / 2.0f, kSpeedMin); }

// Seconds in samples of 0.02 s, kept inside the state table's integers (a span typed on the
// command line may be far longer than any waveform recording).
int seconds_in_samples(std::int64_t seconds) {
  const double samples = static_cast<double>(seconds) / kSampleSeconds;
  return static_cast<int>(std::clamp<std::int64_t>(round_half_even(std::clamp(samples, -2e9, 2e9)), 0, 2'000'000'000));
}

void reset_page(WaveState& st, const ProcessingConditions& conditions) {
  st.page_start = 0;
  st.start_sample = seconds_in_samples(conditions.display_start);
  st.new_page = true;
  st.redraw_frame = true;
  st.run_to_page_end = true;
  st.span_samples = seconds_in_samples(conditions.display_span);
}

std::string page_time_text(const std::string& start_time, std::int32_t recording_start,
                           const ProcessingConditions& conditions, const WaveState& st) {
  const auto display_start = static_cast<double>(conditions.display_start);
  std::int32_t t = recording_start +
                   static_cast<std::int32_t>(round_half_even(display_start + st.page_start * kSampleSeconds));
  std::string year = common::mid(start_time, 1, 2);
  const std::string ymdhm = SEC_YMDHM(year, t);
  const std::int64_t seconds = ((t % 60) + 60) % 60;
  return common::mid(ymdhm, 3, 2) + "/" + common::mid(ymdhm, 5, 2) + " " + common::mid(ymdhm, 7, 2) + ":" +
         common::mid(ymdhm, 9, 2) + ":" + common::dec_field(seconds, 2);
}

double column_x(double column, float speed) { return column * speed + kMarginPixels; }

std::int64_t sample_of(const WaveState& st, int column) {
  return static_cast<std::int64_t>(st.page_start) + column + st.start_sample;
}

bool WaveColumns::open(const std::vector<ChannelRow>& bands, const std::string& prefix, const std::string& extension) {
  bands_ = bands;
  files_.clear();
  files_.resize(bands.size());
  for (std::size_t b = 0; b < bands.size(); ++b)
    if (!files_[b].open(prefix + std::string(1, bands[b].code) + extension, word_coding(bands[b].code))) return false;
  return true;
}

std::optional<std::vector<WavePoint>> WaveColumns::points(std::size_t b, int column, WaveState& st, float speed,
                                                          const BandLayout& layout, double full_counts) {
  const bool ecg = bands_[b].code == 'd';
  // A word the file does not hold (a cut last record) ends the sweep: nothing made up.
  const auto word = [&](std::int64_t index) -> std::optional<int> {
    if (index < 0) return std::nullopt;
    const std::optional<std::uint16_t> w = files_[b].word(index);
    if (!w) return std::nullopt;
    (ecg ? st.ecg_record : st.acc_record) = static_cast<int>(index / kSamplesPerRecord + common::kDataFirstRecord);
    return *w;
  };
  // A deflection beyond the band stays at the band's edge, so that an off-scale trace
  // (gravity on an axis at a fine scale) does not run through its neighbours.
  const auto y_of = [&](int value) {
    const double y = (2048.0 - value) * layout.amplitude / full_counts + layout.centres[b];
    const double h = std::max(layout.half_height, 1);
    return static_cast<int>(round_half_even(std::clamp(y, layout.centres[b] - h + 1, layout.centres[b] + h - 1)));
  };
  const std::int64_t e = sample_of(st, column);
  std::vector<WavePoint> out;
  if (ecg) {
    for (int k = 0; k < kEcgPerSample; ++k) {
      const int x = static_cast<int>(round_half_even(column_x(column, speed) + k * speed / kEcgPerSample));
      const std::optional<int> w = word(kEcgPerSample * e + k);
      if (!w) return std::nullopt;
      out.push_back({x, y_of(*w)});
    }
  } else {
    const std::optional<int> w = word(e);
    if (!w) return std::nullopt;
    out.push_back({static_cast<int>(round_half_even(column_x(column, speed))), y_of(*w)});
  }
  return out;
}

}  // namespace ambview::wave
