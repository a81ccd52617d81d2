// Status line and cursor line of the main window's trend.
#include "view/windows/trend_status.h"

#include <cstdio>
#include <filesystem>

#include "common/numbers.h"
#include "common/text.h"
#include "view/recording/calendar.h"
#include "view/compute/trend_series.h"
#include "view/recording/channel_reader.h"
#include "view/recording/rr_index.h"
#include "view/windows/trend_navigation.h"
#include "view/compute/trend_layout.h"

namespace ambview {

namespace {

std::string two(std::int64_t v) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d", static_cast<int>(v % 100));
  return b;
}

std::string span_text(std::int64_t seconds) {
  return std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60);
}

// The value of a decoded sample with its band's unit.
std::string value_with_unit(const ChannelRow& row, std::int32_t v, double interval) {
  char b[48];
  if (v >= 100000) return "ﾏｰｶｰ";  // a marker frame carries no value
  if (row.kind == 'A' || (row.code >= 'a' && row.code <= 'c')) {
    std::snprintf(b, sizeof b, "%.3f G", v / 1000.0);
  } else if (row.kind == '5' || row.kind == '6') {
    std::snprintf(b, sizeof b, "%d BPM", v);
  } else if (row.kind == 'S' && interval > 0) {
    std::snprintf(b, sizeof b, "%lld count/min", static_cast<long long>(common::round_half_even(v * 60 / interval)));
  } else if (row.kind == '4') {
    std::snprintf(b, sizeof b, "%d (tilt code)", v);
  } else if (row.kind == 'T') {
    std::snprintf(b, sizeof b, "%d°", v);
  } else {
    std::snprintf(b, sizeof b, "%d", v);
  }
  return b;
}

// The heart rate of the beat in progress at the start of sample j of an RR channel: its file
// holds one word per beat, not one per sample, so the RR index finds the beat; its interval is
// taken as the RR band takes it (a run of zero words before it carried in).
std::optional<std::int32_t> rr_rate_at(const ChannelTable& display, int band, std::int64_t j) {
  const std::optional<RrIndex> index = ensure_rr_index(display, band);
  if (!index) return std::nullopt;
  const std::optional<std::int64_t> begun = index->boundary_entry(j + 1);
  if (!begun || *begun <= 0) return std::nullopt;
  ChannelReader rr;
  if (!rr.open(display, band)) return std::nullopt;
  const std::int64_t beat = *begun - 1;
  const std::optional<std::uint16_t> w = rr.word(beat);
  if (!w || *w == 0) return std::nullopt;
  std::int64_t from = beat;
  for (std::optional<std::uint16_t> before; from > 0 && (before = rr.word(from - 1)) && *before == 0;) --from;
  RRAccumulator interval;
  std::int64_t ms = 0;
  for (std::int64_t k = from; k <= beat; ++k) ms = interval.add(rr_clamped(k == beat ? *w : 0));
  return static_cast<std::int32_t>(common::round_half_even(60000.0 / static_cast<double>(ms)));
}

}  // namespace

std::string clock_text(const RecordingInfo& info, std::int64_t seconds) {
  const std::string& start = info.item[RecordingInfo::kStartTime];
  const std::int64_t at = YMDHM_SEC(start) +
                          common::round_half_even(common::val(info.item[RecordingInfo::kStartOffset])) * 60 + seconds;
  const std::int64_t in_day = ((at % 86400) + 86400) % 86400;
  return two(in_day / 3600) + ":" + two(in_day / 60 % 60) + ":" + two(in_day % 60);
}

std::optional<std::string> band_value_text(const ViewerState& state, int x, int y) {
  if (!state.loaded || state.trend_width <= 0) return std::nullopt;
  const ChannelTable display = display_table(state.channels);
  const trend::BandFrame layout = trend::band_frame(state.trend_width, state.trend_height, display.count);
  if (x < layout.left || x > layout.left + layout.width || layout.band_height <= 0) return std::nullopt;
  int band = -1;
  for (int i = 0; i < display.count; ++i)
    if (y >= layout.band_top(i) && y <= layout.band_top(i) + layout.band_height) band = i;
  if (band < 0) return std::nullopt;
  const ChannelRow& row = display.rows[static_cast<std::size_t>(band)];
  const double interval = state.conditions.interval.seconds;
  const std::int32_t t = seconds_at_x(x, state.trend_width, displayed_window(state));
  const std::string name = std::string(1, row.code) + ": ";
  if (interval <= 0) return std::nullopt;
  const auto j = static_cast<std::int64_t>(common::round_half_even(t / interval));
  if (j < 0 || j >= state.sample_count) return name + "-";
  if (row.kind == '6') {
    const std::optional<std::int32_t> rate = rr_rate_at(display, band, j);
    return name + (rate ? value_with_unit(row, *rate, interval) : "-");
  }
  ChannelReader reader;
  if (!reader.open(display, band)) return name + "-";
  const std::optional<Sample> sample = reader.at(j);
  if (!sample || sample->marker) return name + "-";
  return name + value_with_unit(row, sample->value, interval);
}

std::string status_text(const ViewerState& state, int x, int y) {
  if (!state.loaded) return {};
  const TimeWindow w = displayed_window(state);
  std::string text = std::filesystem::path(state.recording_path).filename().string() + "   表示 " +
                     clock_text(state.info, w.start) + " から " + span_text(w.span);
  if (x >= 0 && state.trend_width > 0) {
    const trend::BandFrame layout = trend::band_frame(state.trend_width, state.trend_height, 1);
    if (x >= layout.left && x <= layout.left + layout.width) {
      text += "   |   " + clock_text(state.info, seconds_at_x(x, state.trend_width, w));
      if (const auto value = band_value_text(state, x, y)) text += "   " + *value;
    }
  }
  return text;
}

void follow_pointer(ViewerState& state, int x, int y) {
  state.extras.hover_x = x;
  state.extras.hover_y = y;
  ui::Form* form = state.forms.main.get();
  if (!form) return;
  const bool on_trend = state.loaded && state.trend_width > 0 && x >= 0;
  form->set_overlay({on_trend ? x : -1, -1, -1});
  form->set_status_text(status_text(state, on_trend ? x : -1, y));
}

void refresh_status(ViewerState& state) {
  if (state.forms.main) state.forms.main->set_status_text(status_text(state, state.extras.hover_x, state.extras.hover_y));
}

}  // namespace ambview
