// HRV statistics: interval decoding from RR words, windows and Welford sums.
#include "view/compute/hrv_stats.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <utility>

namespace ambview {

namespace {
bool is_artefact(std::int64_t interval_ms) { return interval_ms < kHrvMinRrMs || interval_ms > kHrvMaxRrMs; }
}  // namespace

void HrvAccumulator::add(std::int64_t interval_ms) {
  if (is_artefact(interval_ms)) {
    ++excluded_;
    previous_kept_.reset();
    return;
  }
  ++kept_;
  const double x = static_cast<double>(interval_ms);
  const double delta = x - mean_;
  mean_ += delta / static_cast<double>(kept_);
  m2_ += delta * (x - mean_);
  if (previous_kept_) {
    const std::int64_t d = interval_ms - *previous_kept_;
    ++diffs_;
    diff_squares_ += static_cast<double>(d) * static_cast<double>(d);
    if (std::llabs(d) > kHrvNn50Ms) ++nn50_;
  }
  previous_kept_ = interval_ms;
}

HrvStats HrvAccumulator::stats(std::int64_t offset_ms) const {
  HrvStats s;
  s.offset_ms = offset_ms;
  s.beats = kept_;
  s.excluded = excluded_;
  if (kept_ >= 1) {
    s.mean_rr_ms = mean_;
    s.mean_hr_bpm = 60000.0 / mean_;
  }
  if (kept_ >= 2) s.sdnn_ms = std::sqrt(m2_ / static_cast<double>(kept_ - 1));
  if (diffs_ >= 1) {
    s.rmssd_ms = std::sqrt(diff_squares_ / static_cast<double>(diffs_));
    s.pnn50_pct = 100.0 * static_cast<double>(nn50_) / static_cast<double>(diffs_);
  }
  return s;
}

HrvComputer::HrvComputer(std::int64_t start_ms, std::int64_t span_ms, std::int64_t window_ms, WindowSink on_window)
    : start_ms_(start_ms),
      end_ms_(start_ms + std::max<std::int64_t>(span_ms, 0)),
      window_ms_(std::max<std::int64_t>(window_ms, 1)),
      on_window_(std::move(on_window)),
      window_start_ms_(start_ms) {}

void HrvComputer::add_word(std::uint16_t word) {
  if (done_) return;
  if (word == 0) {
    // The beat has not come yet: the interval goes on.
    pending_zero_ms_ += kRrOverflowMs;
    return;
  }
  const std::int64_t interval = pending_zero_ms_ + word;
  pending_zero_ms_ = 0;
  elapsed_ms_ += interval;
  add_interval(interval, elapsed_ms_);
}

void HrvComputer::close_windows_before(std::int64_t t_ms) {
  while (window_start_ms_ < end_ms_ && t_ms >= std::min(window_start_ms_ + window_ms_, end_ms_)) {
    if (on_window_) on_window_(window_.stats(window_start_ms_));
    window_ = HrvAccumulator{};
    window_start_ms_ += window_ms_;
  }
}

void HrvComputer::add_interval(std::int64_t interval_ms, std::int64_t end_ms) {
  if (end_ms < start_ms_) return;
  close_windows_before(end_ms);
  if (end_ms >= end_ms_) {
    done_ = true;
    return;
  }
  window_.add(interval_ms);
  all_.add(interval_ms);
}

HrvStats HrvComputer::finish() {
  close_windows_before(end_ms_);
  done_ = true;
  return all_.stats(start_ms_);
}

}  // namespace ambview

namespace ambview {

namespace {

int two_digits(std::string_view text, std::size_t pos) {
  if (text.size() < pos + 2) return 0;
  const auto d = [&](std::size_t i) { return (text[i] >= '0' && text[i] <= '9') ? text[i] - '0' : 0; };
  return d(pos) * 10 + d(pos + 1);
}

void append_padded(std::string& out, long long value, int width) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  for (int n = static_cast<int>(r.ptr - buf); n < width; ++n) out += '0';
  out.append(buf, r.ptr);
}

void append_value(std::string& out, const std::optional<double>& v) {
  out += ',';
  if (!v) return;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, *v, std::chars_format::fixed, 3);
  out.append(buf, r.ptr);
}

}  // namespace

std::string civil_time_text(std::string_view start, std::int64_t offset_ms) {
  namespace chr = std::chrono;
  const int yy = two_digits(start, 0);
  const int year = yy >= 80 ? 1900 + yy : 2000 + yy;
  const chr::sys_days day = chr::year{year} / chr::month{static_cast<unsigned>(two_digits(start, 2))} /
                            chr::day{static_cast<unsigned>(two_digits(start, 4))};
  const chr::sys_seconds t = day + chr::hours{two_digits(start, 6)} + chr::minutes{two_digits(start, 8)} +
                             chr::floor<chr::seconds>(chr::milliseconds{offset_ms});
  const chr::sys_days d = chr::floor<chr::days>(t);
  const chr::year_month_day ymd{d};
  const chr::hh_mm_ss hms{t - d};
  std::string out;
  append_padded(out, static_cast<int>(ymd.year()), 4);
  out += '-';
  append_padded(out, static_cast<unsigned>(ymd.month()), 2);
  out += '-';
  append_padded(out, static_cast<unsigned>(ymd.day()), 2);
  out += ' ';
  append_padded(out, hms.hours().count(), 2);
  out += ':';
  append_padded(out, hms.minutes().count(), 2);
  out += ':';
  append_padded(out, hms.seconds().count(), 2);
  return out;
}

std::string hrv_csv_header() { return "start,beats,excluded,mean_rr_ms,sdnn_ms,rmssd_ms,pnn50_pct,mean_hr_bpm\n"; }

std::string hrv_csv_row(std::string_view start_field, const HrvStats& s) {
  std::string out(start_field);
  out += ',';
  append_padded(out, s.beats, 1);
  out += ',';
  append_padded(out, s.excluded, 1);
  append_value(out, s.mean_rr_ms);
  append_value(out, s.sdnn_ms);
  append_value(out, s.rmssd_ms);
  append_value(out, s.pnn50_pct);
  append_value(out, s.mean_hr_bpm);
  out += '\n';
  return out;
}

}  // namespace ambview
