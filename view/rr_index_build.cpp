// MK_PLOT: the RR index file built by walking the beats, with the overview band drawn on the way.
#include "view/rr_index_build.h"

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/staged_file.h"
#include "common/recording_format.h"
#include "common/text.h"

namespace ambview {

namespace {

// Header fields the index rewrites: its kind, and the number of entries minus 1 in the
// count fields (4 digits at 11-14, 8 digits at 55-62 and, so that the count field stays
// consistent when 11-14 overflow, at 113-120).
constexpr common::FieldPos kIndexKind{1, 2};
constexpr common::FieldPos kIndexCount{11, 4};
constexpr common::FieldPos kIndexTotal{55, 8};
constexpr common::FieldPos kIndexCountLong{113, 8};
constexpr std::int32_t kZeroBeatMs = 4096;  // an RR word of 0: an interval beyond 12 bits

std::string entry_bytes(std::uint32_t v) {
  std::string b(4, '\0');
  b[0] = static_cast<char>((v >> 24) & 0xFF);
  b[1] = static_cast<char>((v >> 16) & 0xFF);
  b[2] = static_cast<char>((v >> 8) & 0xFF);
  b[3] = static_cast<char>(v & 0xFF);
  return b;
}

}  // namespace

bool MK_PLOT(OverviewBand& band, const std::string& rr_path, const std::string& index_path) {
  common::RecordFile rr;
  if (!rr.open(rr_path, common::RecordFile::Mode::ReadOnly)) return false;
  const auto rr_header = rr.read(1);
  if (!rr_header) return false;
  const std::uint64_t total = common::hex_value(common::mid(*rr_header, kIndexTotal.pos, kIndexTotal.width));
  std::string header = rr_header->substr(0, common::RecordFile::kFieldSize);
  common::set_mid(header, kIndexKind.pos, "IX");

  // Written under a temporary name: a walk cut short never leaves a half index behind that
  // later openings would take for a whole one.
  common::StagedFile staged(index_path);
  staged.prepare();
  common::RecordFile out;
  bool writing = out.open(staged.temp_path(), common::RecordFile::Mode::ReadWriteCreate) && out.write(1, header);

  RrBeatReader heights;
  bool drawing = heights.open(rr_path);

  const double per_sample_ms = static_cast<double>(static_cast<float>(band.interval) * 1000.0f);
  const double duration_ms = static_cast<double>(band.sample_count) * per_sample_ms;
  std::int64_t elapsed = 0;
  std::int64_t j = 0;
  std::int64_t entries = 0;
  std::int64_t out_record = common::kDataFirstRecord;
  std::string block;
  std::int64_t rec_no = -1;
  std::string rec;

  const auto boundary_open = [&] { return per_sample_ms > 0 && static_cast<double>(j) * per_sample_ms < duration_ms; };
  for (std::uint64_t i = 0; i < total && boundary_open(); ++i) {
    const std::int64_t want = common::kDataFirstRecord + static_cast<std::int64_t>(i / common::kWordsPerRecord);
    if (want != rec_no) {
      auto r = rr.read(want);
      if (!r) break;  // the RR file ends before its beat total
      rec = std::move(*r);
      rec_no = want;
    }
    const std::int32_t word = common::binary_word(rec, static_cast<int>(i % common::kWordsPerRecord));
    elapsed += word <= 0 ? kZeroBeatMs : word;
    const auto beats = static_cast<std::uint32_t>(i + 1);
    while (boundary_open() && static_cast<double>(elapsed) > static_cast<double>(j) * per_sample_ms) {
      block += entry_bytes(beats);
      ++entries;
      if (drawing && j % band.q == 0) {
        if (const auto y = heights.height(beats, band)) {
          band.step_to(band.x_of(j), *y);
        } else {
          drawing = false;  // as F_PLOT: a read error ends the band
        }
      }
      ++j;
      if (block.size() == static_cast<std::size_t>(common::kRRIndexEntriesPerRecord * common::kRRIndexEntryBytes)) {
        writing = writing && out.write(out_record++, block);
        block.clear();
      }
    }
  }
  if (!block.empty()) writing = writing && out.write(out_record, block);

  const std::uint64_t last = static_cast<std::uint64_t>(entries > 0 ? entries - 1 : 0);
  common::set_mid(header, kIndexCount.pos, common::hex_field(last, kIndexCount.width));
  common::set_mid(header, kIndexTotal.pos, common::hex_field(last, kIndexTotal.width));
  common::set_mid(header, kIndexCountLong.pos, common::hex_field(last, kIndexCountLong.width));
  writing = writing && out.write(1, header) && out.flush();
  out.close();
  return writing && staged.commit();
}

}  // namespace ambview
