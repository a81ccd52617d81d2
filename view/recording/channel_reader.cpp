// ChannelReader (see channel_reader.h).
#include "view/recording/channel_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "common/file_lookup.h"
#include "common/same_file.h"

namespace ambview {

namespace {

constexpr int kRecordSize = 256;
constexpr int kFieldSize = 255;  // only the first 255 bytes of a record carry anything
constexpr int kBlockRecords = 32;
// Reading straight on from one block to the next: larger blocks, fewer reads.
constexpr int kOnwardBlockRecords = 256;

// Bytes of a text field that a reader counts as padding after the last sample: NUL bytes,
// or the blanks a re-save fills a record with.
bool is_padding(std::string_view field) {
  return field.find('\0') != std::string_view::npos || field.find_first_not_of(' ') == std::string_view::npos;
}

// Per byte: its hex digit's value, kBlank for a blank, kOther for anything else.
constexpr std::int8_t kBlank = -2;
constexpr std::int8_t kOther = -1;
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
  std::array<std::int8_t, 256> t{};
  t.fill(kOther);
  for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<std::int8_t>(c);
  for (int c = 0; c < 6; ++c) t['a' + c] = t['A' + c] = static_cast<std::int8_t>(10 + c);
  t[' '] = t['\t'] = kBlank;
  return t;
}();

// A text field read as common::hex_value reads it: blanks first, then hex digits up to the
// first other byte.
std::int32_t hex_field(const unsigned char* p, int width) {
  int i = 0;
  while (i < width && kHexDigits[p[i]] == kBlank) ++i;
  std::int32_t v = 0;
  for (; i < width && kHexDigits[p[i]] >= 0; ++i) v = (v << 4) | kHexDigits[p[i]];
  return v;
}

// The waveform words of a record ("a".."d"): signed 16-bit, low byte first, less the zero line;
// a word not wholly within the 255 bytes reads as 0 (common::binary_word's rule).
void decode_wave_words(const unsigned char* bytes, int size, int per_record,
                       std::array<std::int32_t, ChannelReader::kMaxPerRecord>& values) {
  for (int j = 0; j < per_record; ++j) {
    const int lo = 2 * j;
    const std::int32_t word =
        lo + 1 < size ? static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[lo] | (bytes[lo + 1] << 8))) : 0;
    values[static_cast<std::size_t>(j)] = word - 2048;
  }
}

// A record of per-channel fields decoded in one loop, with the values
// common::decode_channel_sample gives: text fields (acceleration, level and heart rate: four
// hex digits; tilt: one) and waveform words. False for every other coding (RR words, combined
// frames), which is decoded sample by sample.
bool decode_record_fields(std::string_view record, const ChannelCoding& coding,
                          std::array<std::int32_t, ChannelReader::kMaxPerRecord>& values) {
  if (coding.combined != nullptr) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(record.data());
  const int size = static_cast<int>(record.size());
  int width = 4;
  std::int32_t factor = 1;
  switch (coding.kind) {
    case common::kKindAcceleration: factor = 2; break;
    case common::kKindLevel:
    case common::kKindHeartRate: break;
    case common::kKindTilt: width = 1; break;
    case common::kKindRR: return false;
    default:
      if (coding.code < 'a' || coding.code > 'd') return false;
      decode_wave_words(bytes, size, coding.per_record, values);
      return true;
  }
  for (int j = 0; j < coding.per_record; ++j) {
    const int at = common::kTextFirstSample - 1 + width * j;
    const unsigned char* p = bytes + at;
    std::int32_t v = 0;
    if (at + width <= size && width == 4 &&
        (kHexDigits[p[0]] | kHexDigits[p[1]] | kHexDigits[p[2]] | kHexDigits[p[3]]) >= 0)
      v = (kHexDigits[p[0]] << 12) | (kHexDigits[p[1]] << 8) | (kHexDigits[p[2]] << 4) | kHexDigits[p[3]];
    else if (at < size)
      v = hex_field(p, std::min(width, size - at));
    values[static_cast<std::size_t>(j)] = v * factor;
  }
  return true;
}

}  // namespace

ChannelCoding coding_of(const ChannelTable& table, int row) {
  ChannelCoding c;
  if (row < 0 || row >= kMaxChannelRows) return c;
  const ChannelRow& r = table.rows[static_cast<std::size_t>(row)];
  c.code = r.code;
  c.kind = r.kind;
  c.per_record = GET_BLKSIZ(table, row);
  if (table.combined != nullptr) {
    c.combined = table.combined;
    c.field_first = common::kTextFirstSample;
    c.field_width = table.combined->frame_width;
    c.text = true;
    return c;
  }
  switch (r.kind) {
    case common::kKindAcceleration:
    case common::kKindLevel:
    case common::kKindHeartRate: c.field_first = common::kTextFirstSample; c.field_width = 4; c.text = true; break;
    case common::kKindTilt: c.field_first = common::kTextFirstSample; c.field_width = 1; c.text = true; break;
    default: c.field_first = 1; c.field_width = 2; break;
  }
  return c;
}

ChannelCoding word_coding(char code) {
  return {code, common::kKindWave, nullptr, common::kWordsPerRecord, 1, 2, false};
}

Sample decode_sample(std::string_view record, const ChannelCoding& coding, int j) {
  if (coding.combined != nullptr) {
    const std::int32_t v = common::decode_combined_sample(record, *coding.combined, coding.code, j);
    if (common::is_marker_value(v)) return {v - common::kMarkerBase, true};
    return {v, false};
  }
  return {common::decode_channel_sample(record, coding.code, coding.kind, j), false};
}

ChannelReader::~ChannelReader() { close(); }

ChannelReader::ChannelReader(ChannelReader&& other) noexcept { *this = std::move(other); }

ChannelReader& ChannelReader::operator=(ChannelReader&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    coding_ = other.coding_;
    size_ = other.size_;
    records_ = other.records_;
    block_ = std::move(other.block_);
    block_first_ = std::exchange(other.block_first_, 0);
    block_count_ = std::exchange(other.block_count_, 0);
    current_ = std::exchange(other.current_, 0);
    record_ = std::exchange(other.record_, nullptr);
    decoded_ = std::exchange(other.decoded_, 0);
    decoded_first_ = std::exchange(other.decoded_first_, 0);
    decoded_end_ = std::exchange(other.decoded_end_, 0);
    values_ = other.values_;
    markers_ = other.markers_;
    header_ = std::move(other.header_);
    held_ = std::move(other.held_);
  }
  return *this;
}

bool ChannelReader::open(const ChannelTable& table, int row) {
  if (row < 0 || row >= kMaxChannelRows) return false;
  return open(table.rows[static_cast<std::size_t>(row)].path, coding_of(table, row));
}

bool ChannelReader::open(const std::string& path, const ChannelCoding& coding, bool exact) {
  close();
  const std::string found = exact ? path : common::find_path_ignoring_case(path).value_or(path);
  // A FIFO or a device would block or never end: only regular files are read, checked before
  // opening and again on what was opened.
  struct stat st {};
  if (found.empty() || ::stat(found.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int fd = ::open(found.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  path_ = found;
  coding_ = coding;
  coding_.per_record = std::clamp(coding_.per_record, 0, kMaxPerRecord);
  size_ = static_cast<std::int64_t>(st.st_size);
  records_ = (size_ + kRecordSize - 1) / kRecordSize;
  block_.assign(static_cast<std::size_t>(kOnwardBlockRecords) * kRecordSize, '\0');
  return true;
}

void ChannelReader::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = records_ = 0;
  block_first_ = block_count_ = current_ = decoded_ = decoded_first_ = decoded_end_ = 0;
  record_ = nullptr;
  header_.reset();
  held_.reset();
}

bool ChannelReader::load(std::int64_t n) {
  if (n == current_ && record_ != nullptr) return true;
  if (fd_ < 0 || n < 1 || n > records_) return false;
  if (n < block_first_ || n >= block_first_ + block_count_) {
    const bool onward = block_count_ > 0 && n == block_first_ + block_count_;
    block_first_ = block_count_ = 0;
    const std::int64_t want =
        std::min<std::int64_t>(onward ? kOnwardBlockRecords : kBlockRecords, records_ - n + 1) * kRecordSize;
    const auto offset = static_cast<off_t>((n - 1) * kRecordSize);
    std::int64_t got = 0;
    while (got < want) {
      const ssize_t r = ::pread(fd_, block_.data() + got, static_cast<std::size_t>(want - got), offset + got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += r;
    }
    if (got <= 0) return false;
    // A short last record reads as filled with NUL bytes.
    block_count_ = (got + kRecordSize - 1) / kRecordSize;
    std::memset(block_.data() + got, 0, static_cast<std::size_t>(block_count_ * kRecordSize - got));
    block_first_ = n;
  }
  current_ = n;
  record_ = block_.data() + (n - block_first_) * kRecordSize;
  return true;
}

std::optional<std::string_view> ChannelReader::record(std::int64_t n) {
  if (!load(n)) return std::nullopt;
  return std::string_view(record_, kRecordSize);
}

const std::string& ChannelReader::header() {
  if (!header_) {
    const auto r = record(1);
    header_ = r ? std::string(r->substr(0, kFieldSize)) : std::string();
  }
  return *header_;
}

std::string ChannelReader::record_prefix() {
  const auto r = record(common::kDataFirstRecord);
  return r ? std::string(r->substr(0, 2)) : std::string();
}

std::int64_t ChannelReader::held() {
  if (held_) return *held_;
  held_ = 0;
  const int per = coding_.per_record;
  if (per <= 0 || records_ < common::kDataFirstRecord || header().empty()) return 0;
  const std::int64_t count = common::read_header(header()).count;
  const auto last = record(records_);
  if (!last) return 0;
  int in_last = per;
  if (coding_.text) {
    // Samples of the last record before its padding.
    in_last = 0;
    for (; in_last < per; ++in_last) {
      const auto at = static_cast<std::size_t>(coding_.field_first - 1 + in_last * coding_.field_width);
      if (at + static_cast<std::size_t>(coding_.field_width) > last->size()) break;
      if (is_padding(last->substr(at, static_cast<std::size_t>(coding_.field_width)))) break;
    }
  }
  held_ = std::min<std::int64_t>((records_ - common::kDataFirstRecord) * per + in_last, count);
  return *held_;
}

bool ChannelReader::decode(std::int64_t n) {
  if (n == decoded_) return true;
  if (!load(n)) return false;
  const std::string_view rec(record_, kFieldSize);
  const int per = coding_.per_record;
  if (!decode_record_fields(rec, coding_, values_)) {
    for (int j = 0; j < per; ++j) {
      const Sample s = decode_sample(rec, coding_, j);
      values_[static_cast<std::size_t>(j)] = s.value;
      markers_[static_cast<std::size_t>(j)] = s.marker;
    }
  } else {
    std::fill_n(markers_.begin(), per, false);
  }
  decoded_ = n;
  decoded_first_ = (n - common::kDataFirstRecord) * per;
  decoded_end_ = decoded_first_ + per;
  return true;
}

bool ChannelReader::decode_sample_record(std::int64_t j) {
  const int per = coding_.per_record;
  return j >= 0 && per > 0 && decode(common::record_of_sample(j, per));
}

std::int64_t ChannelReader::read(std::int64_t first, std::span<Sample> out) {
  std::int64_t n = 0;
  for (Sample& s : out) {
    const std::optional<Sample> got = at(first + n);
    if (!got) break;
    s = *got;
    ++n;
  }
  return n;
}

std::optional<std::uint16_t> ChannelReader::word(std::int64_t j) {
  const int per = coding_.per_record;
  if (j < 0 || per <= 0) return std::nullopt;
  const std::int64_t n = common::record_of_sample(j, per);
  if (!load(n)) return std::nullopt;
  const std::int64_t bytes = std::min<std::int64_t>(size_ - (n - 1) * kRecordSize, kFieldSize);
  const auto pos = static_cast<std::int64_t>(j % per);
  if (2 * pos + 1 >= bytes) return std::nullopt;
  const auto low = static_cast<unsigned char>(record_[2 * pos]);
  const auto high = static_cast<unsigned char>(record_[2 * pos + 1]);
  return static_cast<std::uint16_t>(low | (high << 8));
}

std::optional<std::string_view> ChannelReader::field(std::int64_t j) {
  const int per = coding_.per_record;
  if (j < 0 || per <= 0) return std::nullopt;
  if (!load(common::record_of_sample(j, per))) return std::nullopt;
  const auto at = static_cast<std::size_t>(coding_.field_first - 1 + (j % per) * coding_.field_width);
  return std::string_view(record_, kRecordSize).substr(at, static_cast<std::size_t>(coding_.field_width));
}

std::int64_t samples_held(const ChannelTable& table, int row) {
  if (row < 0 || row >= kMaxChannelRows || !table.rows[static_cast<std::size_t>(row)].present) return 0;
  ChannelReader reader;
  return reader.open(table, row) ? reader.held() : 0;
}

namespace {

// The row read for the chosen file: the row of that file; -1 for a file of the set that is
// no channel (the RR index).
int chosen_row(const LoadedRecording& r) {
  for (int i = 0; i < r.table.count; ++i)
    if (common::same_file(r.table.rows[static_cast<std::size_t>(i)].path, r.path)) return i;
  return -1;
}

}  // namespace

std::int64_t samples_held(const LoadedRecording& r) {
  const int row = chosen_row(r);
  // The RR file's words are beats and the index's entries beat numbers, not samples: both
  // carry the recording's count and hold its time as long as they hold a data record.
  if (row < 0 || (r.table.combined == nullptr && r.table.rows[static_cast<std::size_t>(row)].kind == common::kKindRR)) {
    ChannelReader file;
    return file.open(r.path, {}, true) && file.record_count() >= common::kDataFirstRecord ? r.sample_count : 0;
  }
  const std::int64_t held = samples_held(r.table, row);
  // The ECG waveform file runs five of its samples per sample of the header's count.
  return r.table.combined == nullptr && r.table.rows[static_cast<std::size_t>(row)].code == 'd' &&
                 is_ecg_wave_path(r.path)
             ? held / 5
             : held;
}

std::optional<std::string> read_header_record(const std::string& path) {
  ChannelReader reader;
  if (!reader.open(path, {}) || reader.record_count() < 1) return std::nullopt;
  return reader.header();
}

}  // namespace ambview

namespace ambview {

bool readable_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace ambview
