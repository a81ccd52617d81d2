// Staged writes: temporary name beside the final one, rename when whole.
#include "common/staged_file.h"

#include <unistd.h>

#include <cerrno>
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

}  // namespace common
