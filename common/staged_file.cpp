// Staged writes: temporary name beside the final one, rename when whole.
#include "common/staged_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace common {

namespace {
std::string temp_name_for(const std::string& final_path) {
  const fs::path target(final_path);
  return (target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".part"))
      .string();
}
}  // namespace

StagedFile::StagedFile(std::string final_path) : final_(std::move(final_path)), temp_(temp_name_for(final_)) {}

StagedFile::~StagedFile() {
  if (!committed_) abandon();
}

void StagedFile::prepare() {
  std::error_code ec;
  fs::remove(temp_, ec);
}

bool StagedFile::commit() {
  std::error_code ec;
  if (fs::is_directory(final_, ec)) {
    error_ = EISDIR;
  } else {
    fs::rename(temp_, final_, ec);
    error_ = ec ? ec.value() : 0;
  }
  if (error_ != 0) {
    abandon();
    return false;
  }
  committed_ = true;
  return true;
}

void StagedFile::abandon() {
  std::error_code ec;
  fs::remove(temp_, ec);
}

int write_whole_file(const std::string& path, const void* data, std::size_t size) {
  StagedFile staged(path);
  staged.prepare();
  std::FILE* f = std::fopen(staged.temp_path().c_str(), "wb");
  if (!f) return errno != 0 ? errno : EIO;
  int error = 0;
  if (std::fwrite(data, 1, size, f) != size) error = errno != 0 ? errno : EIO;
  if (error == 0 && std::fflush(f) != 0) error = errno != 0 ? errno : EIO;
  // Some file systems report a full disk only here.
  if (error == 0 && ::fsync(::fileno(f)) != 0 && errno != EINVAL) error = errno;
  if (std::fclose(f) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  if (error == 0 && !staged.commit()) error = staged.error();
  return error;
}

}  // namespace common
