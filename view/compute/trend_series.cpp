// The series of the trend bands and the pieces they share (see trend_series.h).
#include "view/compute/trend_series.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "view/recording/channel_reader.h"
#include "view/recording/rr_index.h"

namespace ambview {

using common::round_half_away;
using common::round_half_even;

ChannelTable display_table(const ChannelTable& channels) {
  ChannelTable display;
  display.prefix = channels.prefix;
  display.extension = channels.extension;
  display.combined = channels.combined;
  for (int r = 0; r < channels.count && r < kMaxChannelRows; ++r) {
    const ChannelRow& row = channels.rows[static_cast<std::size_t>(r)];
    if (row.present) display.rows[static_cast<std::size_t>(display.count++)] = row;
  }
  return display;
}

namespace trend {

BandGeometry band_geometry(int plot_height, int band_count, int band_index) {
  BandGeometry g;
  if (band_count <= 0) return g;
  g.h = static_cast<int>(round_half_even(static_cast<double>(plot_height) / band_count - 16.0));
  g.y0 = (band_index + 1) * (g.h + 16);
  return g;
}

std::string band_file_name(const std::string& path_name, const std::string& extension, char code,
                           bool force_per_channel) {
  if (!force_per_channel && common::is_combined_extension(extension)) return path_name + extension;
  return path_name + std::string(1, code) + extension;
}

Averager::Averager(bool block_mode, int n) : block_(block_mode), n_(n) {}

bool Averager::block_end() {
  const bool end = k_mod_n_ == 0;
  if (++k_mod_n_ == n_) k_mod_n_ = 0;
  return end;
}

std::int64_t Averager::push_averaged(std::int64_t v) {
  if (block_) {
    // Counting starts at k = 0, so the first average is the first sample divided by n.
    sum_ += v;
    if (block_end()) {
      average_ = round_half_even(static_cast<double>(sum_) / n_);
      sum_ = 0;
    }
    return average_;
  }
  sum_ = sum_ + v - store_[static_cast<std::size_t>(write_)];
  store_[static_cast<std::size_t>(write_)] = static_cast<std::int16_t>(v);
  average_ = round_half_even(static_cast<double>(sum_) / n_);
  ++write_;
  if (write_ == n_) write_ = 0;
  return average_;
}

std::int64_t Averager::skip() {
  if (block_ && block_end()) {
    average_ = round_half_even(static_cast<double>(sum_) / n_);
    sum_ = 0;
  }
  return average_;
}

ColumnReducer::ColumnReducer(std::vector<TrendColumn>& out, int left_x, int initial_smallest, int reset_smallest,
                             std::optional<std::int64_t> last)
    : out_(out),
      column_x_(left_x),
      previous_x_(left_x),
      last_(last),
      smallest_(initial_smallest),
      reset_smallest_(reset_smallest) {}

void ColumnReducer::finish_column() {
  // A column holding only skipped samples draws nothing: the next joining line spans it.
  if (first_) {
    out_.push_back({static_cast<int>(previous_x_), last_.value_or(*first_), static_cast<int>(column_x_), *first_,
                    largest_, smallest_});
    last_ = running_;
    previous_x_ = column_x_;
  }
  first_.reset();
  largest_ = 0;
  smallest_ = reset_smallest_;
}

std::optional<int> averaging_count(int n, int limit) {
  if (n < 1 || n > limit) return std::nullopt;
  return n;
}

}  // namespace trend

namespace {

using trend::BandStop;

// The common set-up of a band: its row, geometry, colour and averaging.
struct Band {
  const BandInput& args;
  const ProcessingConditions& cond;
  const ChannelRow& row;
  trend::BandGeometry geometry;
  const common::CombinedLayout* layout = nullptr;  // combined file: its frame layout
  int n_average = 1;
  bool block_mode = true;

  Band(const BandInput& a, BandSeries& out)
      : args(a), cond(*a.conditions), row(a.display.rows.at(static_cast<std::size_t>(a.band))) {
    if (a.n <= 0 || a.width <= 0 || a.band >= a.display.count) throw BandStop{};
    geometry = trend::band_geometry(a.height, a.m, a.band);
    if (common::is_combined_extension(a.extension)) {
      layout = common::combined_layout(a.extension);
      if (!layout) throw BandStop{};
    }
    // The store holds 1001 entries: a count outside 1..1000 ends the band.
    const std::optional<int> n = trend::averaging_count(cond.average_n, trend::Averager::kStoreSize - 1);
    if (!n) throw BandStop{};
    n_average = *n;
    block_mode = cond.averaging == Averaging::Block;
    out.drawn = true;
    out.base = geometry.y0;
  }

  // The band's file: the combined file or the channel's own, read by the row's coding.
  SeriesReader open_file() const {
    SeriesReader reader;
    if (!reader.open(args.cache, trend::band_file_name(args.path_name, args.extension, row.code),
                     coding_of(args.display, args.band)) ||
        reader.coding().per_record <= 0)
      throw BandStop{};
    return reader;
  }

  // The window's samples that the band's file holds: a file shorter than the window (a
  // heart-rate file whose RR data ended early) draws as far as it goes and ends there.
  std::int64_t held(SeriesReader& reader) const {
    return std::clamp<std::int64_t>(reader.held() - args.s, 0, args.n);
  }

  // Sample interval T, for counts per minute.
  double interval() const {
    const double t = cond.interval.seconds;
    if (!(t > 0)) throw BandStop{};
    return t;
  }
};

// Sample j read from the file (see read_raw).
[[gnu::always_inline]] inline bool read_raw_from_file(SeriesReader& reader, std::int64_t j, std::int64_t& value) {
  const std::optional<Sample> v = reader.at(j);
  if (!v) throw BandStop{};
  value = v->value;
  return !v->marker;
}

// Sample j as the file holds it into `value`; false for a combined file's marker frame. A
// sample past the end of the file ends the band. Taken straight from the kept samples when
// the file is cached: a band reads every sample of its window through here, so it answers
// without an optional, which costs a store-to-load stall per sample.
[[gnu::always_inline]] inline bool read_raw(SeriesReader& reader, std::int64_t j, std::int64_t& value) {
  const DecodedSeries* cached = reader.series();
  if (cached == nullptr) return read_raw_from_file(reader, j, value);
  if (j < 0 || j >= cached->size()) throw BandStop{};
  value = cached->value(j);
  return !cached->marker(j);
}

// Counts per sample interval become counts per minute.
std::int64_t per_minute(std::int64_t v, double interval) {
  return round_half_even(static_cast<double>(v) * 60.0 / interval);
}

// A pixel position that never decreases as its argument grows (a sample's or a beat's x):
// worked out again only where it changes, found by galloping from the last change, so that a
// band of many samples per column does not divide and round per sample. Answers what `f` does.
template <typename F>
class StepwiseX {
 public:
  // f is asked for arguments up to `limit`.
  StepwiseX(F f, std::int64_t limit) : f_(f), limit_(limit) {}

  std::int64_t operator()(std::int64_t v) {
    if (v < from_ || v >= next_) {
      x_ = f_(v);
      from_ = v;
      next_ = change_after(v);
    }
    return x_;
  }

 private:
  // The least u in (v, limit] with f(u) > f(v); limit + 1 when there is none.
  std::int64_t change_after(std::int64_t v) const {
    std::int64_t lo = v;
    std::int64_t hi = v + 1;
    for (std::int64_t step = 1; hi <= limit_ && f_(hi) <= x_; step *= 2) {
      lo = hi;
      hi = v + 2 * step;
    }
    hi = std::min(hi, limit_ + 1);
    while (hi - lo > 1) {
      const std::int64_t mid = lo + (hi - lo) / 2;
      (f_(mid) > x_ ? hi : lo) = mid;
    }
    return hi;
  }

  F f_;
  std::int64_t limit_;
  std::int64_t x_ = 0;
  std::int64_t from_ = 0;
  std::int64_t next_ = 0;  // nothing worked out yet
};

// A band's conversion of a raw value to pixels, remembered for the small values files hold
// (codes, rates, milliseconds), so that a week of samples does not divide and round each one.
template <typename F>
class Remembered {
 public:
  explicit Remembered(F f, std::int64_t size = 8192) : f_(f), memo_(static_cast<std::size_t>(size), kUnknown) {}
  std::int64_t operator()(std::int64_t v) {
    if (v < 0 || v >= static_cast<std::int64_t>(memo_.size())) return f_(v);
    std::int64_t& m = memo_[static_cast<std::size_t>(v)];
    if (m == kUnknown) m = f_(v);
    return m;
  }

 private:
  static constexpr std::int64_t kUnknown = INT64_MIN;
  F f_;
  std::vector<std::int64_t> memo_;
};

void make_acc(const BandInput& a, BandSeries& out) {
  Band band(a, out);
  SeriesReader reader = band.open_file();
  const bool level = band.row.kind == 'L';
  const int full_scale = level ? 600 : GET_YSIZ(band.cond.acc_scale);
  if (full_scale <= 0) throw BandStop{};
  const double interval = level ? band.interval() : 1.0;
  const int h = band.geometry.h;

  trend::Averager averager(band.block_mode, band.n_average);

  std::int64_t previous_x = a.left_x;
  std::int64_t peak = 0;
  const std::int64_t p = std::max<std::int64_t>(a.p, 1);
  // k MOD p counted down rather than divided per sample.
  std::int64_t to_bar = 0;
  for (std::int64_t k = 0, n = band.held(reader); k < n; ++k) {
    if (std::int64_t raw = 0; read_raw(reader, a.s + k, raw)) {
      std::int64_t v = level ? per_minute(raw, interval) : raw;
      v = std::clamp<std::int64_t>(v, 0, 4095);
      peak = std::max(peak, averager.push(v));
    } else {
      averager.skip();
    }
    if (to_bar-- == 0) {
      to_bar = p - 1;
      const std::int64_t y = std::min<std::int64_t>(
          round_half_even(static_cast<double>(h) * static_cast<double>(peak) / full_scale), h);
      const std::int64_t x =
          round_half_even(static_cast<double>(k + 1) * a.width / static_cast<double>(a.n)) + a.left_x;
      out.bars.push_back({static_cast<int>(previous_x), static_cast<int>(x), y});
      previous_x = x;
      peak = 0;
    }
  }
}

// TLT_PLOT's value of one sample in pixels (nullopt for a marker).
struct TiltScale {
  const Band& band;
  int full_scale = 0;
  double interval = 1.0;

  std::int64_t pixels(std::int64_t raw) const {
    const std::int64_t converted = band.row.kind == 'S' ? per_minute(raw, interval) : raw;
    const std::int64_t v = round_half_even(static_cast<double>(converted) * band.geometry.h / full_scale);
    return std::min<std::int64_t>(v, band.geometry.h);
  }
};

void make_tilt(const BandInput& a, BandSeries& out) {
  Band band(a, out);
  SeriesReader reader = band.open_file();
  const int per_record = reader.coding().per_record;
  TiltScale scale{band};
  switch (band.row.kind) {
    case 'T':
      scale.full_scale = 180;
      break;
    case 'S':
      scale.full_scale = 180;
      scale.interval = band.interval();
      break;
    case '4':
      scale.full_scale = 10;
      break;
    case '5':
      scale.full_scale = GET_HRYSIZ(band.cond.hr_scale);
      break;
    default:
      break;
  }
  if (scale.full_scale <= 0) throw BandStop{};

  // The first joining line starts at the first sample of the record holding the window's
  // first sample; in mode "1" at 0.
  Remembered pixels([&scale](std::int64_t raw) { return scale.pixels(raw); });
  std::optional<std::int64_t> last = 0;
  if (band.cond.averaging == Averaging::Block) {
    const std::int64_t j = a.s - a.s % per_record;
    if (std::int64_t raw = 0; read_raw(reader, j, raw)) {
      last = pixels(raw);
    } else {
      last.reset();
    }
  }
  trend::ColumnReducer columns(out.columns, a.left_x, band.geometry.h, a.height, last);
  trend::Averager averager(band.block_mode, band.n_average);
  const auto x_of = [&a](std::int64_t k) {
    return round_half_away(a.left_x + static_cast<double>(a.width) * k / static_cast<double>(a.n));
  };
  const std::int64_t n = band.held(reader);
  StepwiseX column_x(x_of, n);
  for (std::int64_t k = 0; k < n; ++k) {
    columns.at(column_x(k));
    if (std::int64_t raw = 0; read_raw(reader, a.s + k, raw)) {
      columns.take(averager.push(pixels(raw)));
    } else {
      averager.skip();
    }
  }
  // A file that ends inside the window: its last column is drawn, as at any column's end.
  if (n < a.n) columns.at(x_of(n));
}

constexpr int kRRWordsPerRecord = common::kWordsPerRecord;

// The RR word of beat j, read unsigned; values above 4096 become 4095. A beat the file does
// not hold ends the band.
std::int64_t rr_word(SeriesReader& reader, std::int64_t j) {
  const std::optional<std::uint16_t> w = reader.word(j);
  if (!w) throw BandStop{};
  return rr_clamped(*w);
}

std::int64_t rr_pixels(std::int64_t interval_ms, int h, int full_scale) {
  const std::int64_t v =
      round_half_even(static_cast<double>(h) * 60000.0 / (static_cast<double>(interval_ms) * full_scale));
  return std::min<std::int64_t>(v, h);
}

void make_rr(const BandInput& a, BandSeries& out) {
  Band band(a, out);
  const int full_scale = GET_HRYSIZ(band.cond.hr_scale);
  if (full_scale <= 0) throw BandStop{};
  const int h = band.geometry.h;

  // 1. The window in beats, from the RR index (built when missing). Past the index's last
  // entry the RR data has ended: the band runs to its last beat and ends there.
  const std::optional<RrIndex> index = ensure_rr_index(a.display.rows[static_cast<std::size_t>(a.band)].path,
                                                       a.display.extension);
  if (!index) throw BandStop{};
  const std::int64_t n = a.n;
  const RrBeats window = index->beats_of(a.s, n);
  const std::int64_t first = window.first;
  const std::int64_t beats = window.count;
  if (beats <= 0) return;
  SeriesReader rr;
  if (!rr.open(a.cache, a.display.rows[static_cast<std::size_t>(a.band)].path, coding_of(a.display, a.band), true))
    throw BandStop{};

  // 2. Milliseconds per trend sample; count x D is the window's duration.
  double d = common::val(a.recording_interval) * 1000.0;
  std::int64_t count = n;
  if (n < a.width) {
    d = static_cast<double>(n) * d / a.width;
    count = a.width;
  }
  const double duration = static_cast<double>(count) * d;
  if (!(duration > 0)) throw BandStop{};

  std::optional<std::int64_t> last = 0;
  if (band.cond.averaging == Averaging::Block) {
    const std::int64_t r = rr_word(rr, first - first % kRRWordsPerRecord);
    last = rr_pixels(r == 0 ? 4096 : r, h, full_scale);
  }
  trend::ColumnReducer columns(out.columns, a.left_x, h, a.height, last);
  trend::Averager averager(band.block_mode, band.n_average);
  RRAccumulator accumulator;
  std::int64_t t = 0;
  const auto x_at = [&](std::int64_t ms) {
    return round_half_away(a.left_x + a.width * static_cast<double>(ms) / duration);
  };
  // Milliseconds only grow: the x of a beat is worked out where it changes.
  StepwiseX beat_x(x_at, INT64_MAX / 4);
  Remembered pixels([h, full_scale](std::int64_t ms) { return rr_pixels(ms, h, full_scale); });
  for (std::int64_t k = 0; k < beats; ++k) {
    columns.at(beat_x(t));
    const std::int64_t r = rr_word(rr, first + k);
    const std::int64_t v = pixels(accumulator.add(r));
    columns.take(averager.push(v));
    t += r == 0 ? 4096 : r;
  }
  // RR data that ends inside the window: its last column is drawn, as at any column's end.
  if (!index->boundary_entry(a.s + n)) columns.at(x_at(t));
}

// Moving-average store of the waveform monitor: 1000 entries.
constexpr int kWaveStoreLimit = 1000;

void make_wave(const BandInput& a, BandSeries& out) {
  if (!a.conditions || a.band >= a.display.count || a.width <= 0) return;
  const ProcessingConditions& cond = *a.conditions;
  const ChannelRow& row = a.display.rows.at(static_cast<std::size_t>(a.band));
  const std::optional<int> n_average = trend::averaging_count(cond.average_n, kWaveStoreLimit);
  if (!n_average) throw BandStop{};

  // The wave band rounds h and y0 itself; the same numbers as the other bands.
  const trend::BandGeometry g = trend::band_geometry(a.height, a.m, a.band);
  const int h = g.h;
  out.drawn = true;
  out.base = g.y0;

  const bool ecg = row.code == 'd';
  const double full_scale = ecg ? (cond.hr_scale == 0 ? 2048.0 : 1024.0) : static_cast<double>(GET_YSIZ(cond.acc_scale));
  if (!(full_scale > 0)) throw BandStop{};
  const std::int64_t start = ecg ? kEcgSamplesPerTrendSample * a.s : a.s;
  const std::int64_t count = ecg ? kEcgSamplesPerTrendSample * a.n : a.n;
  if (count <= 0) return;

  SeriesReader reader;
  if (!reader.open(a.cache, trend::band_file_name(a.path_name, a.extension, row.code, true),
                   coding_of(a.display, a.band)))
    throw BandStop{};
  const int per_record = common::kWordsPerRecord;
  // The deflection of sample j from the zero line (GET_D of a waveform word); a sample past
  // the end of the file ends the band.
  // Deflections of 12-bit words lie within +-4096: remembered from -4096 up.
  constexpr std::int64_t kLowest = -4096;
  Remembered pixels([h, full_scale](std::int64_t from_lowest) {
    const std::int64_t d = from_lowest + kLowest;
    std::int64_t v = round_half_even(static_cast<double>(h) * static_cast<double>(d) / full_scale);
    v = round_half_even(static_cast<double>(h) / 2.0 + static_cast<double>(v));
    if (v < 0) return std::int64_t{1};
    return std::min<std::int64_t>(v, h);
  });
  const auto value = [&](std::int64_t j) {
    const std::optional<Sample> sample = reader.at(j);
    if (!sample) throw BandStop{};
    return pixels(static_cast<std::int64_t>(sample->value) - kLowest);
  };

  std::optional<std::int64_t> last = 0;
  if (cond.averaging == Averaging::Block) last = value(start - start % per_record);
  trend::ColumnReducer columns(out.columns, a.left_x, h, a.height, last);
  trend::Averager averager(cond.averaging == Averaging::Block, *n_average);
  const auto x_of = [&a, count](std::int64_t k) {
    return round_half_even(static_cast<double>(k + 1) * a.width / static_cast<double>(count) + a.left_x);
  };
  StepwiseX sample_x(x_of, count);
  for (std::int64_t k = 0; k < count; ++k) {
    columns.at(sample_x(k));
    columns.take(averager.push(value(start + k)));
  }
}

template <typename Procedure>
BandSeries trapped(Procedure procedure, const BandInput& args) {
  // The band's own error trap: it stops silently and keeps what it made.
  BandSeries out;
  if (!args.conditions) return out;
  try {
    procedure(args, out);
  } catch (...) {
  }
  return out;
}

}  // namespace

BandSeries acc_series(const BandInput& args) { return trapped(make_acc, args); }
BandSeries tilt_series(const BandInput& args) { return trapped(make_tilt, args); }
BandSeries rr_series(const BandInput& args) { return trapped(make_rr, args); }
BandSeries wave_series(const BandInput& args) { return trapped(make_wave, args); }

}  // namespace ambview
