// Random-access files of fixed 256-byte records, numbered from 1: the container of every
// recording file and of both settings files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace common {

class RecordFile {
 public:
  static constexpr int kRecordSize = 256;
  // Only the first 255 bytes of a record are ever read by the programs.
  static constexpr int kFieldSize = 255;

  enum class Mode {
    ReadOnly,         // fails when the file is absent; never changes the file
    ReadWriteCreate,  // creates the file when absent
  };

  RecordFile() = default;
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  RecordFile(RecordFile&& other) noexcept;
  RecordFile& operator=(RecordFile&& other) noexcept;

  // Opens `path`; false (with errno kept) when it cannot be opened or is not a regular file.
  bool open(const std::string& path, Mode mode);
  void close();
  bool is_open() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  // Number of records: file size / 256, rounded up.
  std::int64_t record_count() const;

  // Record n (1-based) as its 256 bytes; a short last record is filled with NUL bytes.
  // Empty when n lies beyond the end of the file or the read fails.
  std::optional<std::string> read(std::int64_t n) const;
  // Writes `data` as record n, filled with NUL bytes (or cut) to 256 bytes. Writing past
  // the end extends the file. False on a write error.
  bool write(std::int64_t n, const std::string& data);
  bool flush();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace common
