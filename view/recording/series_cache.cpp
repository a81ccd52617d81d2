// SeriesCache (see series_cache.h).
#include "view/recording/series_cache.h"

#include <sys/stat.h>

#include <algorithm>

#include "common/file_lookup.h"

namespace ambview {

std::int64_t DecodedSeries::bytes() const {
  return static_cast<std::int64_t>(values_.size() * sizeof(std::int32_t) + markers_.size() / 8);
}

void SeriesCache::begin_draw(const std::string& recording) {
  ++draw_;
  if (recording == recording_) return;
  clear();
  recording_ = recording;
}

void SeriesCache::clear() {
  entries_.clear();
  bytes_ = 0;
}

std::optional<SeriesCache::Identity> SeriesCache::identify(const std::string& path, const ChannelCoding& coding,
                                                           bool words) const {
  const std::string found = common::find_path_ignoring_case(path).value_or(path);
  struct stat st {};
  if (found.empty() || ::stat(found.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  Identity id;
  id.path = found;
  id.code = coding.code;
  id.kind = coding.kind;
  id.layout = coding.combined;
  id.per_record = coding.per_record;
  id.words = words;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.size = static_cast<std::int64_t>(st.st_size);
  id.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

SeriesCache::Entry* SeriesCache::find(const Identity& id) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->id == id) {
      entries_.splice(entries_.begin(), entries_, it);
      entries_.front().draw = draw_;
      return &entries_.front();
    }
    const Identity& old = it->id;
    if (old.path == id.path && old.code == id.code && old.kind == id.kind && old.layout == id.layout &&
        old.per_record == id.per_record && old.words == id.words) {
      // The same file read the same way, changed on disk since: what was kept is stale.
      bytes_ -= it->bytes;
      entries_.erase(it);
      return nullptr;
    }
  }
  return nullptr;
}

bool SeriesCache::make_room(std::int64_t bytes) {
  if (bytes > limit_) return false;
  std::int64_t droppable = 0;
  for (const Entry& e : entries_)
    if (e.draw != draw_) droppable += e.bytes;
  if (bytes_ - droppable + bytes > limit_) return false;
  for (auto it = entries_.end(); bytes_ + bytes > limit_ && it != entries_.begin();) {
    --it;
    if (it->draw == draw_) continue;
    bytes_ -= it->bytes;
    it = entries_.erase(it);
  }
  return true;
}

void SeriesCache::insert(Entry entry) {
  entry.draw = draw_;
  bytes_ += entry.bytes;
  entries_.push_front(std::move(entry));
}

const DecodedSeries* SeriesCache::series(const std::string& path, const ChannelCoding& coding) {
  const std::optional<Identity> id = identify(path, coding, false);
  if (!id) return nullptr;
  if (Entry* e = find(*id)) return e->series.get();

  ChannelReader reader;
  if (!reader.open(id->path, coding, true)) return nullptr;
  const int per = reader.coding().per_record;
  if (per <= 0) return nullptr;
  const std::int64_t count = std::max<std::int64_t>(reader.record_count() - 1, 0) * per;
  const bool combined = coding.combined != nullptr;
  const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(std::int32_t)) + (combined ? count / 8 : 0);
  if (!make_room(bytes)) return nullptr;

  auto series = std::make_unique<DecodedSeries>();
  series->coding_ = reader.coding();
  series->held_ = reader.held();
  series->values_.reserve(static_cast<std::size_t>(count));
  if (combined) series->markers_.reserve(static_cast<std::size_t>(count));
  for (std::int64_t j = 0; j < count; ++j) {
    // A read error ends the series where ChannelReader::at would stop answering.
    const std::optional<Sample> s = reader.at(j);
    if (!s) break;
    series->values_.push_back(s->value);
    if (combined) series->markers_.push_back(s->marker);
  }
  ++reads_;
  Entry entry{*id, std::move(series), nullptr, bytes};
  insert(std::move(entry));
  return entries_.front().series.get();
}

const DecodedWords* SeriesCache::words(const std::string& path, const ChannelCoding& coding) {
  const std::optional<Identity> id = identify(path, coding, true);
  if (!id) return nullptr;
  if (Entry* e = find(*id)) return e->words.get();

  ChannelReader reader;
  if (!reader.open(id->path, coding, true)) return nullptr;
  const int per = reader.coding().per_record;
  // Beyond 127 words a record the words a record holds are no longer its first ones.
  if (per <= 0 || 2 * per > 255) return nullptr;
  const std::int64_t count = std::max<std::int64_t>(reader.record_count() - 1, 0) * per;
  const std::int64_t bytes = count * static_cast<std::int64_t>(sizeof(std::uint16_t));
  if (!make_room(bytes)) return nullptr;

  auto words = std::make_unique<DecodedWords>();
  words->words_.reserve(static_cast<std::size_t>(count));
  for (std::int64_t j = 0; j < count; ++j) {
    // Only the last record can hold fewer words than a record's worth: what it holds is a prefix.
    const std::optional<std::uint16_t> w = reader.word(j);
    if (!w) break;
    words->words_.push_back(*w);
  }
  ++reads_;
  Entry entry{*id, nullptr, std::move(words), bytes};
  insert(std::move(entry));
  return entries_.front().words.get();
}

bool SeriesReader::open(SeriesCache* cache, const std::string& path, const ChannelCoding& coding, bool words) {
  series_ = nullptr;
  words_ = nullptr;
  if (cache != nullptr) {
    if (words) {
      words_ = cache->words(path, coding);
    } else {
      series_ = cache->series(path, coding);
    }
    if (words_ != nullptr) {
      reader_.close();
      return true;
    }
    if (series_ != nullptr) {
      reader_.close();
      return true;
    }
  }
  return reader_.open(path, coding);
}

}  // namespace ambview
