// The RR index of an RR channel, in one place for every view and export that needs it (trend
// band, overview, text export, re-save): where its file lives, reading it, building it from
// the RR file as the link program derives it, and the way in that builds it when missing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/rr_index_format.h"
#include "view/recording/channel_reader.h"
#include "view/recording/loader.h"

namespace ambview {

// The RR index file of an RR channel file: path and name + "i" + extension, the existing file
// when one matches without regard to case.
std::string rr_index_file_name(const std::string& rr_path, std::string_view extension);

// The RR words an RR file holds: its data records less the padding of the last one (NUL
// bytes or blanks). The count at 55-62 is taken when the file bears it out (a run of 0 words
// can end the data).
std::int64_t rr_words_held(const std::string& rr_path);

// The beats of a range of trend samples: words first .. first + count - 1 of the RR file.
struct RrBeats {
  std::int64_t first = 0;
  std::int64_t count = 0;
};

// An RR index as the readers use it. Its entries are read on demand from the file, or held
// in memory when it was built for this run only.
class RrIndex {
 public:
  // The index file at `path` for an RR file of `rr_words` words; nullopt when it cannot be
  // read or holds no header.
  static std::optional<RrIndex> read(const std::string& path, std::int64_t rr_words);
  // Entries made in memory (sample ends), with their header.
  static RrIndex of_entries(std::vector<std::uint32_t> entries, std::string header, std::int64_t rr_words);

  // Entries that can be used: the count the header states, within what the file holds.
  std::int64_t entries() const { return entries_; }
  std::int64_t words() const { return words_; }
  const std::string& header() const { return header_; }
  common::RrIndexStyle style() const { return style_; }
  // Entry k; nullopt outside the index or where the file holds padding (a 0).
  std::optional<std::int64_t> entry(std::int64_t k) const;

  // The beats begun at or before the start of sample j: 0 at j = 0 (the first beat begins
  // the recording); past the index's last entry the RR data has ended, and all its words count.
  std::int64_t boundary(std::int64_t j) const;
  // The same, nullopt where the index has no entry (the RR data ended before that time).
  std::optional<std::int64_t> boundary_entry(std::int64_t j) const;
  // The beats begun within samples start .. start + count - 1.
  RrBeats beats_of(std::int64_t start, std::int64_t count) const;

 private:
  RrIndex() = default;

  std::string header_;
  common::RrIndexStyle style_ = common::RrIndexStyle::SampleEnds;
  std::int64_t entries_ = 0;
  std::int64_t words_ = 0;
  std::shared_ptr<const std::vector<std::uint32_t>> memory_;
  std::shared_ptr<ChannelReader> file_;  // shared: an RrIndex is copied into results
};

// Builds the index of the RR file `rr_path` as the link program derives it: its beat walk over
// the words, entry k = beats begun at or before the end of sample k, no further than the
// recording's count of samples. Header: the RR file's with kind "IX", "FFFF" at 11-14, the last
// entry's number at 55-62, the recording's count at 113-120. Written to `index_path` (staged,
// renamed into place) when given and possible, else held in memory; nullopt when the RR file
// cannot be read. `written` tells which.
std::optional<RrIndex> build_rr_index(const std::string& rr_path, const std::string& index_path, bool& written);

// The way in: the RR index of the RR channel `row` of `table`. The index file when there is
// one; else it is built as the window builds it on opening and written beside the recording,
// or, when that folder cannot take it or an index file that cannot be read is in the way, kept
// in memory for the rest of the run with one line said through the notice sink. nullopt when
// the RR file itself cannot be read.
std::optional<RrIndex> ensure_rr_index(const ChannelTable& table, int row);
// The same for an RR file and its extension.
std::optional<RrIndex> ensure_rr_index(const std::string& rr_path, std::string_view extension);

// Where the line about an index kept in memory goes (stderr unless set; empty: nowhere).
void set_rr_index_notice(std::function<void(std::string_view utf8)> sink);

}  // namespace ambview
