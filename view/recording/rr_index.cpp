// The RR index: its file, reading it, building it, and the one way in (see rr_index.h).
#include "view/recording/rr_index.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <system_error>

#include "common/file_lookup.h"
#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/staged_file.h"
#include "common/text.h"

namespace ambview {

namespace {

namespace fs = std::filesystem;

constexpr int kPerRecord = common::kRRIndexEntriesPerRecord;
// Index entries as a reader sees them: 60 fields of 4 bytes a record.
constexpr ChannelCoding kIndexCoding{common::kRRIndexCode, ' ', nullptr, kPerRecord, 1, common::kRRIndexEntryBytes,
                                     false};
constexpr int kWords = common::kWordsPerRecord;
// An index is bounded, in memory and on disk (4 bytes an entry): a year of one-second samples
// fits, a damaged RR file of zero words with a tiny interval does not fill the disk.
constexpr std::int64_t kMaxEntries = std::int64_t{1} << 25;

std::function<void(std::string_view)>& notice_sink() {
  static std::function<void(std::string_view)> sink = [](std::string_view line) { std::cerr << line << "\n"; };
  return sink;
}

// Indexes built for this run only, by index path, with the size of the RR file they describe.
struct Kept {
  RrIndex index;
  std::uintmax_t rr_size = 0;
};
std::map<std::string, Kept>& kept_indexes() {
  static std::map<std::string, Kept> kept;
  return kept;
}

std::uintmax_t file_size_of(const std::string& path) {
  std::error_code ec;
  const auto n = fs::file_size(path, ec);
  return ec ? 0 : n;
}

// The RR file's header, its interval in ms and the recording's count of samples it states.
struct RrSource {
  ChannelReader file;
  std::string header;
  std::int64_t interval_ms = 0;
  std::int64_t recording_count = 0;
  std::int64_t words = 0;
};

bool open_source(const std::string& rr_path, RrSource& src) {
  if (!src.file.open(rr_path, word_coding(common::kKindRR), true) || src.file.record_count() < 1) return false;
  src.header = src.file.header();
  const common::RecordingHeader h = common::read_header(src.header);
  const std::string interval = common::interval_text(h);
  if (interval.empty() || !(common::val(interval) > 0)) return false;
  src.interval_ms = common::interval_ms(common::val(interval));
  src.recording_count = h.count;
  src.words = rr_words_held(rr_path);
  return true;
}

// The link program's walk over the words; `emit(beats)` per entry, until `limit` entries or
// `emit` answers false. False when a record cannot be read.
template <class Emit>
bool walk(RrSource& src, std::int64_t limit, Emit emit) {
  common::RrBoundaryWalk beats(src.interval_ms);
  std::int64_t entries = 0;
  bool going = true;
  for (std::int64_t i = 0; i < src.words && going && entries < limit; ++i) {
    // The word as stored, unsigned (a short last record reads as NUL-filled).
    const std::optional<std::string_view> f = src.file.field(i);
    if (!f) return false;
    const auto word = static_cast<std::uint16_t>(static_cast<unsigned char>((*f)[0]) |
                                                 (static_cast<unsigned char>((*f)[1]) << 8));
    beats.beat(word, [&](std::int64_t b) {
      if (!going || entries >= limit) return;
      going = emit(static_cast<std::uint32_t>(b));
      ++entries;
    });
  }
  return true;
}

std::int64_t entry_limit(const RrSource& src) {
  // Readers never look past the recording's last sample; the index stops there.
  return std::min(src.recording_count > 0 ? src.recording_count : kMaxEntries, kMaxEntries);
}

}  // namespace

std::string rr_index_file_name(const std::string& rr_path, std::string_view extension) {
  const std::size_t tail = extension.size() + 1;
  if (rr_path.size() < tail) return {};
  const std::string wanted = rr_path.substr(0, rr_path.size() - tail) + common::kRRIndexCode + std::string(extension);
  return common::find_path_ignoring_case(wanted).value_or(wanted);
}

std::int64_t rr_words_held(const std::string& rr_path) {
  ChannelReader file;
  if (!file.open(rr_path, word_coding(common::kKindRR), true)) return 0;
  const std::int64_t records = file.record_count();
  if (records < 2) return 0;
  const std::string header = file.header();
  const auto last = file.record(records);
  if (!last) return 0;
  // The last record is filled up with NUL bytes (or, as fixed-length records are, blanks):
  // a pair of blanks is no RR value (those have 12 bits).
  const auto padding = [&last](int j) {
    const char lo = (*last)[static_cast<std::size_t>(2 * j)];
    const char hi = (*last)[static_cast<std::size_t>(2 * j + 1)];
    return lo == hi && (lo == '\0' || lo == ' ');
  };
  int in_last = kWords;
  while (in_last > 0 && padding(in_last - 1)) --in_last;
  const std::int64_t trimmed = (records - 2) * kWords + in_last;
  const std::int64_t whole = (records - 1) * kWords;
  const common::FieldPos f = common::kCurrentHeader.rr_count;
  const auto stated = static_cast<std::int64_t>(common::hex_value(common::mid(header, f.pos, f.width)) & 0xFFFFFFFFu);
  return stated >= trimmed && stated <= whole ? stated : trimmed;
}

std::optional<RrIndex> RrIndex::read(const std::string& path, std::int64_t rr_words) {
  auto file = std::make_shared<ChannelReader>();
  if (!file->open(path, kIndexCoding, true) || file->record_count() < 1) return std::nullopt;
  RrIndex index;
  index.header_ = file->header();
  index.style_ = common::rr_index_style(index.header_);
  index.entries_ = std::min(common::rr_index_entries_stated(index.header_), (file->record_count() - 1) * kPerRecord);
  index.entries_ = std::max<std::int64_t>(index.entries_, 0);
  index.words_ = rr_words;
  index.file_ = std::move(file);
  return index;
}

RrIndex RrIndex::of_entries(std::vector<std::uint32_t> entries, std::string header, std::int64_t rr_words) {
  RrIndex index;
  index.header_ = std::move(header);
  index.style_ = common::RrIndexStyle::SampleEnds;
  index.entries_ = static_cast<std::int64_t>(entries.size());
  index.words_ = rr_words;
  index.memory_ = std::make_shared<const std::vector<std::uint32_t>>(std::move(entries));
  return index;
}

std::optional<std::int64_t> RrIndex::entry(std::int64_t k) const {
  if (k < 0 || k >= entries_) return std::nullopt;
  std::uint32_t v = 0;
  if (memory_) {
    v = (*memory_)[static_cast<std::size_t>(k)];
  } else {
    const std::optional<std::string_view> f = file_ ? file_->field(k) : std::nullopt;
    if (!f) return std::nullopt;
    v = common::rr_index_entry(*f, 0);
  }
  // Entries count beats from 1: a 0 is the padding after the last entry.
  if (v == 0) return std::nullopt;
  return std::min<std::int64_t>(v, words_);
}

std::optional<std::int64_t> RrIndex::boundary_entry(std::int64_t j) const {
  if (j <= 0) return 0;
  return entry(common::rr_boundary_entry(style_, j));
}

std::int64_t RrIndex::boundary(std::int64_t j) const { return boundary_entry(j).value_or(words_); }

RrBeats RrIndex::beats_of(std::int64_t start, std::int64_t count) const {
  RrBeats b;
  b.first = std::min(boundary(start), words_);
  if (count <= 0) return b;
  b.count = std::max<std::int64_t>(0, std::min(boundary(start + count), words_) - b.first);
  return b;
}

std::optional<RrIndex> build_rr_index(const std::string& rr_path, const std::string& index_path, bool& written) {
  written = false;
  RrSource src;
  if (!open_source(rr_path, src)) return std::nullopt;
  const std::int64_t limit = entry_limit(src);
  std::string header = src.header;

  if (!index_path.empty()) {
    // Written under a temporary name: a walk cut short never leaves a half index behind that
    // later openings would take for a whole one.
    common::StagedFile staged(index_path);
    staged.prepare();
    common::RecordFile out;
    if (out.open(staged.temp_path(), common::RecordFile::Mode::ReadWriteCreate) && out.write(1, header)) {
      std::vector<std::uint32_t> block;
      std::int64_t entries = 0;
      std::int64_t record_no = common::kDataFirstRecord;
      bool ok = walk(src, limit, [&](std::uint32_t beats) {
        block.push_back(beats);
        ++entries;
        if (block.size() == static_cast<std::size_t>(kPerRecord)) {
          if (!out.write(record_no++, common::make_rr_index_record(block))) return false;
          block.clear();
        }
        return true;
      });
      ok = ok && (block.empty() || out.write(record_no, common::make_rr_index_record(block)));
      common::mark_rr_index_header(header, entries, src.recording_count > 0 ? src.recording_count : entries);
      ok = ok && out.write(1, header) && out.flush();
      out.close();
      if (ok && staged.commit()) {
        written = true;
        return RrIndex::read(index_path, src.words);
      }
    }
  }

  std::vector<std::uint32_t> entries;
  const bool ok = walk(src, limit, [&](std::uint32_t beats) {
    entries.push_back(beats);
    return true;
  });
  if (!ok) return std::nullopt;
  const auto n = static_cast<std::int64_t>(entries.size());
  common::mark_rr_index_header(header, n, src.recording_count > 0 ? src.recording_count : n);
  return RrIndex::of_entries(std::move(entries), std::move(header), src.words);
}

std::optional<RrIndex> ensure_rr_index(const std::string& rr_path, std::string_view extension) {
  const std::string index_path = rr_index_file_name(rr_path, extension);
  if (index_path.empty()) return std::nullopt;
  std::error_code ec;
  const bool present = fs::exists(fs::symlink_status(index_path, ec));
  if (present) {
    if (auto index = RrIndex::read(index_path, rr_words_held(rr_path))) return index;
  }
  auto& kept = kept_indexes();
  const std::uintmax_t rr_size = file_size_of(rr_path);
  if (const auto it = kept.find(index_path); it != kept.end() && it->second.rr_size == rr_size) return it->second.index;

  // An index file that is there but cannot be read (empty, cut short, no file) belongs to the
  // recording: it is never written over, the index is made in memory instead.
  bool written = false;
  std::optional<RrIndex> built = build_rr_index(rr_path, present ? std::string() : index_path, written);
  if (!built || written) return built;
  const bool told = kept.count(index_path) != 0;
  kept.insert_or_assign(index_path, Kept{*built, rr_size});
  if (!told && notice_sink())
    notice_sink()("ambview: " + index_path +
                  (present ? ": the RR index file cannot be read" : ": the folder cannot be written") +
                  "; the RR index is kept in memory for this run");
  return built;
}

std::optional<RrIndex> ensure_rr_index(const ChannelTable& table, int row) {
  if (row < 0 || row >= table.count) return std::nullopt;
  const ChannelRow& r = table.rows[static_cast<std::size_t>(row)];
  if (r.kind != common::kKindRR || r.path.empty()) return std::nullopt;
  return ensure_rr_index(r.path, table.extension);
}

void set_rr_index_notice(std::function<void(std::string_view utf8)> sink) { notice_sink() = std::move(sink); }

}  // namespace ambview
