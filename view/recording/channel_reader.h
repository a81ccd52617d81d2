// ChannelReader: the one way the analysis program reads the samples of a recording file. It
// knows how each file family stores a channel (per-channel text and word files, combined
// frames), refuses what is not a regular file, checks every index against what the file holds,
// decodes a record once for all its samples and reports a combined file's marker frames as
// markers. Views, exports, re-saves, calorie and the RR index read through it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/recording_format.h"
#include "view/recording/loader.h"

namespace ambview {

// How a file's data records hold one channel's samples.
struct ChannelCoding {
  char code = ' ';
  char kind = ' ';
  const common::CombinedLayout* combined = nullptr;  // a combined file: its frame layout
  int per_record = 0;   // samples of one data record
  int field_first = 0;  // 1-based position of sample 0 in a record
  int field_width = 0;  // bytes one sample takes (binary words: 2)
  bool text = false;    // text fields, whose padding after the last sample is not counted
};

// The coding of row `row` of a channel table (GET_BLKSIZ samples per record); per_record 0
// for an unknown kind or row.
ChannelCoding coding_of(const ChannelTable& table, int row);
// 120 binary words a record: ECG block files ("e".."h") and raw word access.
ChannelCoding word_coding(char code);

// One decoded sample. A marker frame of a combined file carries no sample: `marker` is set
// and `value` is its M (minutes).
struct Sample {
  std::int32_t value = 0;
  bool marker = false;
  // The number GET_D gives for it: markers read as 100000 + M.
  std::int32_t coded() const { return marker ? common::kMarkerBase + value : value; }
};

// Decodes sample j of one data record by its coding (GET_D's rules).
Sample decode_sample(std::string_view record, const ChannelCoding& coding, int j);

class ChannelReader {
 public:
  static constexpr int kMaxPerRecord = 240;

  ChannelReader() = default;
  ~ChannelReader();
  ChannelReader(ChannelReader&& other) noexcept;
  ChannelReader& operator=(ChannelReader&& other) noexcept;
  ChannelReader(const ChannelReader&) = delete;
  ChannelReader& operator=(const ChannelReader&) = delete;

  // The file of row `row` of the table. False when it is missing, not a regular file or
  // cannot be opened for reading; the file is never changed.
  bool open(const ChannelTable& table, int row);
  // The file at `path` read with `coding`: the name as it is on disk, found without regard
  // to letter case, unless `exact` (a path the user chose is taken as given).
  bool open(const std::string& path, const ChannelCoding& coding, bool exact = false);
  void close();
  bool is_open() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  const ChannelCoding& coding() const { return coding_; }

  // Records of the file (its size / 256, rounded up), the header included.
  std::int64_t record_count() const { return records_; }
  // Record n (1-based) as its 256 bytes, a short last record filled with NUL bytes; nothing
  // past the end or on a read error. Valid until the next read.
  std::optional<std::string_view> record(std::int64_t n);
  // The header record (record 1, its first 255 bytes); empty when the file has none.
  const std::string& header();
  // The first two characters of record 2 (the record prefix); empty when there is none.
  std::string record_prefix();

  // Samples the file holds: its own header's count, within what its records hold (the
  // padding after the last sample of a text record not counted).
  std::int64_t held();

  // Decoded sample j; nothing when its record lies past the end of the file. A sample of the
  // record decoded last is answered here, without a call: views read every sample in turn.
  std::optional<Sample> at(std::int64_t j) {
    // One way in for both cases, so that the compiler keeps the answer in registers.
    if ((j < decoded_first_ || j >= decoded_end_) && !decode_sample_record(j)) return std::nullopt;
    const auto pos = static_cast<std::size_t>(j - decoded_first_);
    return Sample{values_[pos], markers_[pos]};
  }
  // Decoded samples first, first + 1, ... into `out`, until `out` is full or the file ends;
  // answers how many were read.
  std::int64_t read(std::int64_t first, std::span<Sample> out);
  // The stored 16-bit word j (low byte first); nothing unless both its bytes are in the file.
  std::optional<std::uint16_t> word(std::int64_t j);
  // The stored bytes of sample j's field, as re-saving copies them; nothing past the end.
  std::optional<std::string_view> field(std::int64_t j);

 private:
  bool load(std::int64_t n);
  bool decode(std::int64_t n);
  // Decodes the record of sample j; false when it lies past the end of the file.
  bool decode_sample_record(std::int64_t j);

  int fd_ = -1;
  std::string path_;
  ChannelCoding coding_;
  std::int64_t size_ = 0;
  std::int64_t records_ = 0;
  // Records are read a block at a time; forward reading needs one read per block.
  std::vector<char> block_;
  std::int64_t block_first_ = 0;  // record number of the block's first record (0: none)
  std::int64_t block_count_ = 0;
  std::int64_t current_ = 0;      // record `record_` points into
  const char* record_ = nullptr;
  std::int64_t decoded_ = 0;      // record the decoded samples come from
  std::int64_t decoded_first_ = 0;  // its samples: decoded_first_ .. decoded_end_ - 1
  std::int64_t decoded_end_ = 0;
  std::array<std::int32_t, kMaxPerRecord> values_{};
  std::array<bool, kMaxPerRecord> markers_{};
  std::optional<std::string> header_;
  std::optional<std::int64_t> held_;
};

// Samples the file of row `row` holds (ChannelReader::held); 0 when it cannot be read.
std::int64_t samples_held(const ChannelTable& table, int row);
// Samples the chosen file of a loaded recording holds, in the units of its header's count:
// an RR file or RR index holds the recording's time as long as it holds a data record.
std::int64_t samples_held(const LoadedRecording& recording);

// True when the file at `path` can be opened for reading.
bool readable_file(const std::string& path);

// The header record of the file at `path` (matched without regard to case); nothing when
// it cannot be read.
std::optional<std::string> read_header_record(const std::string& path);

}  // namespace ambview
