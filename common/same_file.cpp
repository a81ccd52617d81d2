// Same-file test: by normalised absolute name, then by device and inode.
#include "common/same_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace common {

namespace {
fs::path normal(const std::string& p) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(p, ec);
  return (ec ? fs::path(p) : absolute).lexically_normal();
}
}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (normal(a) == normal(b)) return true;
  struct stat sa{}, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string input_named_by(const std::string& output, const std::vector<std::string>& inputs) {
  for (const std::string& in : inputs)
    if (same_file(output, in)) return in;
  return {};
}

}  // namespace common
