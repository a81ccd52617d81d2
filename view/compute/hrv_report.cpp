// The HRV summary of a range from the RR file (see hrv_report.h).
#include "view/compute/hrv_report.h"

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "view/recording/rr_index.h"

namespace ambview {

namespace {

constexpr int kWords = common::kWordsPerRecord;
// RR values are 12-bit: a word above this is no interval the recorder wrote.
constexpr std::uint16_t kMaxRrWord = 0x0FFF;

HrvReport failed(HrvReport r, HrvError error, std::string detail) {
  r.error = error;
  r.detail = std::move(detail);
  r.windows.clear();
  return r;
}

}  // namespace

std::optional<std::string> rr_file_of(const ChannelTable& table) {
  if (table.combined != nullptr) return std::nullopt;  // combined layouts carry no RR channel
  for (int r = 0; r < table.count; ++r) {
    const ChannelRow& row = table.rows[static_cast<std::size_t>(r)];
    if (row.present && row.kind == common::kKindRR && !row.path.empty()) return row.path;
  }
  return std::nullopt;
}

HrvReport hrv_report(const ChannelTable& table, const RecordingInfo& info, const HrvRange& range) {
  HrvReport r;
  r.range = range;
  r.start_text = info.item[RecordingInfo::kStartTime];
  r.offset_ms = static_cast<std::int64_t>(common::round_half_even(common::val(info.item[RecordingInfo::kStartOffset]))) *
                60'000;
  const std::optional<std::string> rr = rr_file_of(table);
  if (!rr) return failed(r, HrvError::NoRrChannel, "the recording has no RR channel");
  r.rr_path = *rr;

  common::RecordFile file;
  if (!file.open(r.rr_path, common::RecordFile::Mode::ReadOnly) || !file.read(1))
    return failed(r, HrvError::Unreadable, r.rr_path + ": the RR file cannot be read");
  const std::int64_t words = rr_words_held(r.rr_path);

  HrvComputer computer(range.start_s * 1000, range.span_s * 1000, range.window_s * 1000,
                       [&r](const HrvStats& s) { r.windows.push_back(s); });
  const std::int64_t last_record = common::kDataFirstRecord + (words - 1) / kWords;
  std::string record;
  for (std::int64_t i = 0; i < words && !computer.done(); ++i) {
    const std::int64_t j = i % kWords;
    if (j == 0) {
      auto next = file.read(common::kDataFirstRecord + i / kWords);
      if (!next)
        return failed(r, HrvError::Damaged,
                      r.rr_path + ": data record " + std::to_string(common::kDataFirstRecord + i / kWords) +
                          " cannot be read");
      record = std::move(*next);
    }
    const auto lo = static_cast<unsigned char>(record[static_cast<std::size_t>(2 * j)]);
    const auto hi = static_cast<unsigned char>(record[static_cast<std::size_t>(2 * j + 1)]);
    const auto word = static_cast<std::uint16_t>(lo | hi << 8);
    // Blanks fill a fixed-length last record up: the data have ended.
    if (word == 0x2020 && common::kDataFirstRecord + i / kWords == last_record) break;
    if (word > kMaxRrWord)
      return failed(r, HrvError::Damaged,
                    r.rr_path + ": RR word " + std::to_string(i + 1) + " reads " + std::to_string(word) +
                        ", beyond the 12-bit range of RR values: the file is damaged");
    computer.add_word(word);
  }
  r.all = computer.finish();
  if (r.all.beats + r.all.excluded == 0)
    return failed(r, HrvError::EmptyRange,
                  r.rr_path + ": the range " + std::to_string(range.start_s) + " s + " + std::to_string(range.span_s) +
                      " s holds no RR interval");
  return r;
}

std::string hrv_csv(const HrvReport& report) {
  std::string out = hrv_csv_header();
  out.reserve(out.size() + (report.windows.size() + 1) * 72);
  for (const HrvStats& s : report.windows)
    out += hrv_csv_row(civil_time_text(report.start_text, report.offset_ms + s.offset_ms), s);
  out += hrv_csv_row("all", report.all);
  return out;
}

std::string hrv_error_line(const HrvReport& report) { return report.ok() ? std::string() : report.detail; }

}  // namespace ambview
