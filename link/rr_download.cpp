// Byte-word records, the heart rate and RR index derived from RR intervals, and the RR and
// waveform headers.
#include "link/rr_download.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/numbers.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/rr_index_format.h"
#include "common/text.h"

namespace ambcomm {

namespace {

// Header fields the RR finishing and the waveform headers change (1-based, width).
struct Field {
  int pos;
  int width;
};
constexpr Field kCount{11, 4};
constexpr Field kIntervalCode{15, 4};  // code and interval: "b001"
constexpr Field kRrCount{55, 8};
constexpr Field kEcgBlocks{63, 1};
constexpr Field kCountLong{113, 8};

constexpr std::int64_t kLongCount = 65535;
constexpr int kEcgPerWave = 5;

std::string index_entry(std::int64_t beat) {
  std::string out;
  const auto v = static_cast<std::uint32_t>(beat);
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  return out;
}

// The index text as entries again, so that the shared record builder fills it.
std::vector<std::uint32_t> entries_of(std::string_view text) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i + 3 < text.size(); i += 4) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(text[i + k]);
    out.push_back(v);
  }
  return out;
}

void write_pending_records(RrDerivation& rr) {
  const bool ok = rr.heart_rate_file.write(rr.next_record, rr.heart_rate_text) &&
                  rr.index_file.write(rr.next_record, common::make_rr_index_record(entries_of(rr.index_text))) &&
                  rr.heart_rate_file.flush() && rr.index_file.flush();
  if (!ok) rr.write_failed = true;
}

bool start_empty(common::RecordFile& file, const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) std::filesystem::resize_file(path, 0, ec);
  return !ec && file.open(path, common::RecordFile::Mode::ReadWriteCreate);
}

// Record 1 of an open companion or RR file, changed by `edit` and written back.
template <class Edit>
void rewrite_header(common::RecordFile& file, Edit edit) {
  if (!file.is_open()) return;
  auto header = file.read(1);
  if (!header) return;
  std::string h = header->substr(0, common::RecordFile::kFieldSize);
  edit(h);
  file.write(1, h);
  file.flush();
}

std::uint64_t non_negative(std::int64_t v) { return static_cast<std::uint64_t>(std::max<std::int64_t>(0, v)); }

// The recording's sample count as the set's headers state it: the conditions line's count,
// which the RR file carries. The RR recorder reports no acceleration amount: its line may keep
// the intervals recorded at 113-120; without them the RR data's time counts, in intervals, the
// last one begun (one more than the heart-rate values, which close whole intervals).
std::int64_t recording_count(common::RecordFile& rr_file, bool rr_recorder, std::int64_t heart_rates,
                             std::int64_t rr_words) {
  const std::int64_t rr_time = rr_words > 0 ? heart_rates + 1 : 0;
  const auto header = rr_file.is_open() ? rr_file.read(1) : std::nullopt;
  if (!header) return rr_time;
  if (rr_recorder) {
    const auto v = static_cast<std::int64_t>(common::hex_value(common::mid(*header, kCountLong.pos, kCountLong.width)));
    return v > 0 ? v : rr_time;
  }
  return common::read_header(*header).count;
}

}  // namespace

bool open_rr_companions(RrDerivation& rr, const std::string& heart_rate_path, const std::string& index_path,
                        const std::string& conditions_line) {
  if (!start_empty(rr.heart_rate_file, heart_rate_path) || !start_empty(rr.index_file, index_path)) return false;
  std::string hr = conditions_line, ix = conditions_line;
  common::set_mid(hr, 1, "CE");
  common::set_mid(ix, 1, "IX");
  return rr.heart_rate_file.write(1, hr) && rr.index_file.write(1, ix) && rr.heart_rate_file.flush() &&
         rr.index_file.flush();
}

void start_rr_derivation(RrDerivation& rr, std::string_view interval) {
  rr.heart_rate_text = "#5";
  rr.index_text.clear();
  rr.values_in_record = 0;
  rr.interval_s = common::val(interval);
  // An interval that rounds to 0 ms would close intervals without end.
  rr.interval_ms = common::interval_ms(rr.interval_s);
  rr.walk = common::RrBoundaryWalk(rr.interval_ms);
  rr.valid = 0;
  rr.sum = 0;
  rr.next_record = 2;
  rr.total = 0;
}

void feed_rr_value(RrDerivation& rr, unsigned w_in, bool very_last) {
  const auto word = static_cast<std::uint16_t>(w_in);
  const bool gap = word == 0;
  if (!gap) ++rr.valid;
  rr.sum += gap ? common::kZeroRrMs : word;
  // One heart rate and one index entry for every interval end this beat passes.
  rr.walk.beat(word, [&rr](std::int64_t beats) {
    const double rate = rr.valid > 0 ? 60000.0 * static_cast<double>(rr.valid) / static_cast<double>(rr.sum)
                                     : 60000.0 / static_cast<double>(rr.sum);
    const auto hr = common::round_half_even(rate);
    rr.heart_rate_text += common::hex_field(static_cast<std::uint64_t>(hr), 4);
    rr.index_text += index_entry(beats);
    ++rr.values_in_record;
    ++rr.total;
    if (rr.values_in_record == kHeartRatesPerRecord) {
      write_pending_records(rr);
      ++rr.next_record;
      rr.heart_rate_text = "#5";
      rr.index_text.clear();
      rr.values_in_record = 0;
    }
  });
  rr.beats = rr.walk.beats();
  if (!gap) rr.sum = 0;
  rr.valid = 0;
  if (very_last && rr.values_in_record > 0) write_pending_records(rr);
}

void flush_rr_derivation(RrDerivation& rr) {
  if (rr.values_in_record > 0 && rr.heart_rate_file.is_open()) write_pending_records(rr);
}

void CHG_RR(std::string_view kind, RrDerivation& rr, std::string_view words, int items, int half,
            std::string& record_text, bool first, bool last, std::string_view interval) {
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, items)), words.size() / 2);
  if (half == 0) record_text.clear();
  record_text.append(words.substr(0, 2 * n));
  if (kind != "RR") return;
  if (first) start_rr_derivation(rr, interval);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned w = static_cast<unsigned char>(words[2 * i]) + 256u * static_cast<unsigned char>(words[2 * i + 1]);
    feed_rr_value(rr, w, last && i + 1 == n);
  }
}

void END_RR_REQ(std::string_view kind, RrDerivation& rr, common::RecordFile& rr_file, std::string_view mode,
                std::int64_t rr_count) {
  if (kind == "RR") {
    const bool rr_recorder = mode == "L";
    const std::int64_t recording = recording_count(rr_file, rr_recorder, rr.total, rr_count);
    const auto clear_ecg = [rr_recorder](std::string& h) {
      if (rr_recorder) common::set_mid(h, kEcgBlocks.pos, "0");
    };
    // The index: its last entry's number at 55-62, the recording's count at 113-120.
    rewrite_header(rr.index_file, [&](std::string& h) {
      common::mark_rr_index_header(h, rr.total, recording);
      clear_ecg(h);
    });
    // The heart-rate file says how many values it holds.
    rewrite_header(rr.heart_rate_file, [&](std::string& h) {
      if (rr_recorder) {
        common::set_mid(h, kCount.pos, "FFFF");
        common::set_mid(h, kCountLong.pos, common::hex_field(non_negative(rr.total), kCountLong.width));
        common::set_mid(h, kRrCount.pos, common::hex_field(non_negative(rr.total - 1), kRrCount.width));
      } else {
        common::set_current_count(h, non_negative(rr.total));
      }
      clear_ecg(h);
    });
    // The RR file: the recording's count like every file of the set, and at 55-62 the RR
    // intervals it holds.
    rewrite_header(rr_file, [&](std::string& h) {
      common::set_mid(h, kRrCount.pos, common::hex_field(non_negative(rr_count), kRrCount.width));
      if (rr_recorder) {
        common::set_mid(h, kCount.pos, "FFFF");
        common::set_mid(h, kCountLong.pos, common::hex_field(non_negative(recording), kCountLong.width));
      }
      clear_ecg(h);
    });
  }
  rr.heart_rate_file.close();
  rr.index_file.close();
}

std::string waveform_header(std::string header, std::string_view kind, std::int64_t acc_count) {
  common::set_mid(header, kIntervalCode.pos, "b001");
  if (kind == "wD") {
    const std::int64_t n = kEcgPerWave * acc_count;
    common::set_mid(header, kCount.pos, n > kLongCount ? "FFFF" : common::hex_field(static_cast<std::uint64_t>(n), 4));
    common::set_mid(header, kCountLong.pos, common::hex_field(static_cast<std::uint64_t>(n), 8));
  }
  return header;
}

}  // namespace ambcomm
