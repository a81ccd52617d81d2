// What a recording's facts become in an EDF+ file: each channel's signal (label, unit and a
// 16-bit coding that holds every value the channel can deliver exactly), the sample interval in
// microseconds, and the calendar start of a range.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "view/output/edf_writer.h"

namespace ambview::edf {

// The signal of a channel-table row, sampled every `interval_us` (the channel's own interval:
// for the ECG waveform "d" a fifth of the recording's). Its values are those the shared sample
// reader delivers; the physical values are those the text export writes. Nothing for the RR
// channel (its beats become annotations) or an unknown row.
std::optional<SignalLayout> channel_signal(char code, char kind, std::int64_t interval_us);

// A sample interval text ("0.004", "0.5", "2", "300") in microseconds; nothing when it is no
// positive decimal number with at most six decimals.
std::optional<std::int64_t> interval_us_of(std::string_view interval_text);

// The calendar time `offset_us` after the YYMMDDhhmm start (years 80-99 are 1980-1999, 00-79
// 2000-2079). Nothing when the text is no date and time of the calendar.
std::optional<StartTime> start_time_of(std::string_view yymmddhhmm, std::int64_t offset_us);

}  // namespace ambview::edf
