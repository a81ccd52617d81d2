// Heart-rate variability from the RR words: intervals (zero runs carry 4096 ms each), the
// artefact rule, and the time-domain statistics per time window and over the whole range.
// Canvas- and file-free so that the command, the window and the tests share one computation;
// it streams, holding nothing proportional to the recording's length.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ambview {

// Intervals outside [kHrvMinRrMs, kHrvMaxRrMs] are artefacts: counted, never used.
inline constexpr std::int64_t kHrvMinRrMs = 300;
inline constexpr std::int64_t kHrvMaxRrMs = 2000;
// A pair of kept successive intervals differing by more than this counts towards pNN50.
inline constexpr std::int64_t kHrvNn50Ms = 50;
// An RR word of 0: the interval goes on for another 4096 ms (12-bit overflow).
inline constexpr std::int64_t kRrOverflowMs = 4096;

// The statistics of one window (or of the whole range). Values that cannot be computed
// (no interval, one interval, no difference) are empty.
struct HrvStats {
  std::int64_t offset_ms = 0;  // window start, from the recording start
  std::int64_t beats = 0;      // kept intervals
  std::int64_t excluded = 0;   // artefacts
  std::optional<double> mean_rr_ms;
  std::optional<double> sdnn_ms;
  std::optional<double> rmssd_ms;
  std::optional<double> pnn50_pct;
  std::optional<double> mean_hr_bpm;
};

// Running sums of one window: Welford's mean and variance (stable over 700 000 beats) and
// the successive differences of kept neighbours inside the window.
class HrvAccumulator {
 public:
  // One interval of the window, in order. A difference is taken to the previous interval of
  // the same window when both are kept.
  void add(std::int64_t interval_ms);
  HrvStats stats(std::int64_t offset_ms) const;

 private:
  std::int64_t kept_ = 0;
  std::int64_t excluded_ = 0;
  double mean_ = 0;
  double m2_ = 0;
  std::int64_t diffs_ = 0;
  double diff_squares_ = 0;
  std::int64_t nn50_ = 0;
  std::optional<std::int64_t> previous_kept_;  // empty after an artefact or at the start
};

// Windows [a, a + W) from `start_ms` over `span_ms` (the last may be shorter), fed with RR
// words in file order. Each finished window goes to `on_window` in time order, empty
// windows included; `finish` closes the rest and answers the whole range's statistics.
class HrvComputer {
 public:
  using WindowSink = std::function<void(const HrvStats&)>;
  HrvComputer(std::int64_t start_ms, std::int64_t span_ms, std::int64_t window_ms, WindowSink on_window);

  void add_word(std::uint16_t word);
  // True once the beats have passed the end of the range: later words change nothing.
  bool done() const { return done_; }
  HrvStats finish();

 private:
  void add_interval(std::int64_t interval_ms, std::int64_t end_ms);
  void close_windows_before(std::int64_t t_ms);

  std::int64_t start_ms_;
  std::int64_t end_ms_;
  std::int64_t window_ms_;
  WindowSink on_window_;
  std::int64_t elapsed_ms_ = 0;
  std::int64_t pending_zero_ms_ = 0;
  std::int64_t window_start_ms_;
  HrvAccumulator window_;
  HrvAccumulator all_;
  bool done_ = false;
};

}  // namespace ambview

namespace ambview {

// "YYYY-MM-DD hh:mm:ss" of a YYMMDDhhmm start text plus `offset_ms` (two-digit years 80-99
// are 1980-1999, 00-79 are 2000-2079). Calendar-true across month and year ends.
std::string civil_time_text(std::string_view start_yymmddhhmm, std::int64_t offset_ms);

// The CSV: header row, one row per window, and the "all" row. "." decimals (three places)
// whatever the locale; values that cannot be computed are empty fields.
std::string hrv_csv_header();
std::string hrv_csv_row(std::string_view start_field, const HrvStats& stats);

}  // namespace ambview
