// Channel rows, intervals and start times as EDF+ holds them.
#include "view/output/edf_mapping.h"

#include <array>
#include <charconv>
#include <chrono>

#include "common/recording_format.h"

namespace ambview::edf {

namespace {

// One 16-bit coding per kind of value: digital = value / divisor + offset, and the physical
// values at the digital limits. Each holds every value its channels can deliver, unit for unit.
struct Coding {
  const char* dimension;
  int divisor;
  int offset;
  int digital_min;
  int digital_max;
  double physical_min;
  double physical_max;
};
// Acceleration in mG: four hex digits × 2, so 0-131070 in steps of 2.
constexpr Coding kAcceleration{"mG", 2, -32768, -32768, 32767, 0, 131070};
// Level counts, heart rate and steps: four hex digits, 0-65535.
constexpr Coding kLevelCount{"count", 1, -32768, -32768, 32767, 0, 65535};
constexpr Coding kHeartRate{"bpm", 1, -32768, -32768, 32767, 0, 65535};
constexpr Coding kSteps{"steps", 1, -32768, -32768, 32767, 0, 65535};
// Tilt codes: one hex digit.
constexpr Coding kTiltCode{"", 1, 0, 0, 15, 0, 15};
// Combined-file angles: -6 to 180 degrees.
constexpr Coding kAngle{"deg", 1, 0, -6, 180, -6, 180};
// Waveforms: the reader delivers word - 2048, the file holds the 16-bit word itself.
// Acceleration waveform: 2 mG per unit (the text export's word × 2 - 4096).
constexpr Coding kAccWave{"mG", 1, 2048, -32768, 32767, -69632, 61438};
// ECG waveform: 1000/512 µV per unit. The top is cut at 32704 so that both physical limits are
// whole numbers that the header's 8 characters hold exactly, keeping the scale exact.
constexpr Coding kEcgWave{"uV", 1, 2048, -32768, 32704, -68000, 59875};

SignalLayout spec_of(std::string label, const Coding& c, std::int64_t interval_us) {
  SignalLayout s;
  s.label = std::move(label);
  s.dimension = c.dimension;
  s.interval_us = interval_us;
  s.divisor = c.divisor;
  s.offset = c.offset;
  s.digital_min = c.digital_min;
  s.digital_max = c.digital_max;
  s.physical_min = c.physical_min;
  s.physical_max = c.physical_max;
  return s;
}

}  // namespace

std::optional<SignalLayout> channel_signal(char code, char kind, std::int64_t interval_us) {
  const std::string c(1, code);
  static constexpr std::array<const char*, 3> kAxes{"X", "Y", "Z"};
  switch (kind) {
    case common::kKindAcceleration:
      if (code >= '1' && code <= '3') return spec_of(c + " Acc " + kAxes[code - '1'], kAcceleration, interval_us);
      return spec_of(c + " Acc", kAcceleration, interval_us);
    case common::kKindLevel: return spec_of(c + " Level " + c, kLevelCount, interval_us);
    case common::kKindTilt: return spec_of(c + " Tilt", kTiltCode, interval_us);
    case common::kKindHeartRate: return spec_of(c + " HR", kHeartRate, interval_us);
    case common::kKindCombinedTilt: return spec_of(c + " Angle", kAngle, interval_us);
    case common::kKindSteps: return spec_of(c + " Steps", kSteps, interval_us);
    case common::kKindWave:
      if (code == 'd') return spec_of(c + " ECG", kEcgWave, interval_us);
      if (code >= 'a' && code <= 'c')
        return spec_of(c + " Acc wave " + static_cast<char>(code - 'a' + 'A'), kAccWave, interval_us);
      return std::nullopt;
    default: return std::nullopt;  // the RR channel, or no channel at all
  }
}

std::optional<std::int64_t> interval_us_of(std::string_view text) {
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view frac = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  if ((whole.empty() && frac.empty()) || frac.size() > 6 || (dot != std::string_view::npos && frac.empty()))
    return std::nullopt;
  std::int64_t us = 0;
  for (const std::string_view part : {whole, frac})
    for (const char ch : part)
      if (ch < '0' || ch > '9') return std::nullopt;
  if (!whole.empty() && std::from_chars(whole.data(), whole.data() + whole.size(), us).ec != std::errc())
    return std::nullopt;
  if (us > 1'000'000'000) return std::nullopt;  // no interval is that long
  us *= 1'000'000;
  std::int64_t scale = 100'000;
  for (const char ch : frac) {
    us += (ch - '0') * scale;
    scale /= 10;
  }
  if (us <= 0) return std::nullopt;
  return us;
}

std::optional<StartTime> start_time_of(std::string_view t, std::int64_t offset_us) {
  using namespace std::chrono;
  if (t.size() < 10) return std::nullopt;
  for (std::size_t i = 0; i < 10; ++i)
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
  int field[5];
  for (int i = 0; i < 5; ++i) {
    const char* p = t.data() + 2 * i;
    if (std::from_chars(p, p + 2, field[i]).ptr != p + 2) return std::nullopt;
  }
  const int yy = field[0];
  const year_month_day date{year{yy >= 80 ? 1900 + yy : 2000 + yy}, month{static_cast<unsigned>(field[1])},
                            day{static_cast<unsigned>(field[2])}};
  if (!date.ok() || field[3] > 23 || field[4] > 59) return std::nullopt;
  const sys_time<microseconds> at =
      sys_days{date} + hours{field[3]} + minutes{field[4]} + microseconds{offset_us};
  const sys_days day_of = floor<days>(at);
  const year_month_day d{day_of};
  const hh_mm_ss<microseconds> time{at - day_of};
  StartTime s;
  s.year = static_cast<int>(d.year());
  s.month = static_cast<int>(static_cast<unsigned>(d.month()));
  s.day = static_cast<int>(static_cast<unsigned>(d.day()));
  s.hour = static_cast<int>(time.hours().count());
  s.minute = static_cast<int>(time.minutes().count());
  s.second = static_cast<int>(time.seconds().count());
  s.microsecond = static_cast<std::int32_t>(time.subseconds().count());
  return s;
}

}  // namespace ambview::edf
