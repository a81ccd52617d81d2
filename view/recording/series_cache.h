// The decoded samples of a recording's channel files, kept between draws of the viewer so that
// moving the trend's window does not read and decode the same files again. Each file is known
// by its path, coding and identity on disk (device, inode, size, modification time): a file that
// changes is read afresh. The command line does not use it; it reads records on demand.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "view/recording/channel_reader.h"

namespace ambview {

// One file's samples as ChannelReader gives them: `at` answers what ChannelReader::at
// answers for every index, `held` what ChannelReader::held answers.
class DecodedSeries {
 public:
  std::int64_t held() const { return held_; }
  const ChannelCoding& coding() const { return coding_; }
  std::optional<Sample> at(std::int64_t j) const {
    if (j < 0 || j >= static_cast<std::int64_t>(values_.size())) return std::nullopt;
    const auto i = static_cast<std::size_t>(j);
    return Sample{values_[i], !markers_.empty() && markers_[i]};
  }
  // The same by parts, for loops over many samples: j must lie below size().
  std::int64_t size() const { return static_cast<std::int64_t>(values_.size()); }
  std::int32_t value(std::int64_t j) const { return values_[static_cast<std::size_t>(j)]; }
  bool marker(std::int64_t j) const { return !markers_.empty() && markers_[static_cast<std::size_t>(j)]; }
  // Bytes this series takes.
  std::int64_t bytes() const;

 private:
  friend class SeriesCache;
  ChannelCoding coding_;
  std::int64_t held_ = 0;
  std::vector<std::int32_t> values_;  // every sample of the data records
  std::vector<bool> markers_;         // combined files only
};

// One file's 16-bit words as ChannelReader::word gives them (the RR intervals).
class DecodedWords {
 public:
  std::optional<std::uint16_t> word(std::int64_t j) const {
    if (j < 0 || j >= static_cast<std::int64_t>(words_.size())) return std::nullopt;
    return words_[static_cast<std::size_t>(j)];
  }
  std::int64_t bytes() const { return static_cast<std::int64_t>(words_.size() * sizeof(std::uint16_t)); }

 private:
  friend class SeriesCache;
  std::vector<std::uint16_t> words_;
};

class SeriesCache {
 public:
  // 64 MiB holds a week of seven channels at 1 s (about 17 MiB) several times over; a file
  // that does not fit is left to on-demand reading.
  static constexpr std::int64_t kDefaultLimit = std::int64_t{64} << 20;

  explicit SeriesCache(std::int64_t limit_bytes = kDefaultLimit) : limit_(limit_bytes) {}

  // A draw of a recording (its path prefix and extension) begins: the entries of another
  // recording are dropped, and those this draw uses are not dropped to make room for others
  // of the same draw, so that a recording larger than the limit keeps what fits instead of
  // reading every file again on every draw.
  void begin_draw(const std::string& recording);

  // The samples of the file at `path` (found as ChannelReader::open finds it) read with
  // `coding`, decoded now when absent or when the file changed; nullptr when the file cannot
  // be read or would not fit under the limit (the caller then reads it on demand).
  const DecodedSeries* series(const std::string& path, const ChannelCoding& coding);
  // The same for the 16-bit words of a word-coded file (at most 127 words a record).
  const DecodedWords* words(const std::string& path, const ChannelCoding& coding);

  void clear();
  std::int64_t bytes() const { return bytes_; }
  std::int64_t limit() const { return limit_; }
  // Files decoded since the cache was made (a reading, not a look-up): for tests and benches.
  std::int64_t reads() const { return reads_; }

 private:
  struct Identity {
    std::string path;  // as found on disk
    char code = ' ';
    char kind = ' ';
    const void* layout = nullptr;
    int per_record = 0;
    bool words = false;
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = 0, mtime_ns = 0;
    bool operator==(const Identity&) const = default;
  };
  struct Entry {
    Identity id;
    std::unique_ptr<DecodedSeries> series;
    std::unique_ptr<DecodedWords> words;
    std::int64_t bytes = 0;
    std::int64_t draw = 0;  // the last draw that used it
  };

  std::optional<Identity> identify(const std::string& path, const ChannelCoding& coding, bool words) const;
  // The entry of `id`, moved to the front (most recently used); nullptr when absent. An entry
  // of the same file and coding but another identity is dropped.
  Entry* find(const Identity& id);
  // Room for `bytes` more, dropping the least recently used that the current draw has not
  // used; false when it cannot be made.
  bool make_room(std::int64_t bytes);
  void insert(Entry entry);

  std::int64_t limit_;
  std::int64_t bytes_ = 0;
  std::int64_t reads_ = 0;
  std::int64_t draw_ = 0;
  std::string recording_;
  std::list<Entry> entries_;  // most recently used first
};

// A channel file read through the cache when one is given and the file fits in it, else on
// demand: the band procedures read their samples through it either way, with the same answers.
class SeriesReader {
 public:
  // As ChannelReader::open(path, coding); `words` when the file is read by word().
  bool open(SeriesCache* cache, const std::string& path, const ChannelCoding& coding, bool words = false);
  const ChannelCoding& coding() const { return series_ ? series_->coding() : reader_.coding(); }
  std::int64_t held() { return series_ ? series_->held() : reader_.held(); }
  std::optional<Sample> at(std::int64_t j) { return series_ ? series_->at(j) : reader_.at(j); }
  std::optional<std::uint16_t> word(std::int64_t j) { return words_ ? words_->word(j) : reader_.word(j); }
  bool cached() const { return series_ != nullptr || words_ != nullptr; }
  // The cached samples; nullptr when the file is read on demand.
  const DecodedSeries* series() const { return series_; }

 private:
  ChannelReader reader_;
  const DecodedSeries* series_ = nullptr;
  const DecodedWords* words_ = nullptr;
};

}  // namespace ambview
