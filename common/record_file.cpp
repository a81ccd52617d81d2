// Random-access 256-byte record files on stdio.
#include "common/record_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace common {

RecordFile::~RecordFile() { close(); }

RecordFile::RecordFile(RecordFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
  }
  return *this;
}

bool RecordFile::open(const std::string& path, Mode mode) {
  close();
  struct stat st {};
  bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (mode == Mode::ReadOnly) {
    file_ = std::fopen(path.c_str(), "rb");
  } else {
    file_ = std::fopen(path.c_str(), exists ? "r+b" : "w+b");
  }
  if (file_ == nullptr) return false;
  path_ = path;
  return true;
}

void RecordFile::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

std::int64_t RecordFile::record_count() const {
  if (file_ == nullptr) return 0;
  struct stat st {};
  std::fflush(file_);
  if (::fstat(fileno(file_), &st) != 0) return 0;
  return (static_cast<std::int64_t>(st.st_size) + kRecordSize - 1) / kRecordSize;
}

std::optional<std::string> RecordFile::read(std::int64_t n) const {
  if (file_ == nullptr || n < 1) return std::nullopt;
  if (n > record_count()) return std::nullopt;
  if (std::fseek(file_, static_cast<long>((n - 1) * kRecordSize), SEEK_SET) != 0) return std::nullopt;
  std::string buf(kRecordSize, '\0');
  std::size_t got = std::fread(buf.data(), 1, kRecordSize, file_);
  if (got == 0) return std::nullopt;
  return buf;
}

bool RecordFile::write(std::int64_t n, const std::string& data) {
  if (file_ == nullptr || n < 1) return false;
  std::string buf = data.substr(0, kRecordSize);
  buf.resize(kRecordSize, '\0');
  if (std::fseek(file_, static_cast<long>((n - 1) * kRecordSize), SEEK_SET) != 0) return false;
  return std::fwrite(buf.data(), 1, kRecordSize, file_) == kRecordSize;
}

bool RecordFile::flush() { return file_ != nullptr && std::fflush(file_) == 0; }

}  // namespace common
