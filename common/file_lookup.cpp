// Case-blind file look-up in one directory.
#include "common/file_lookup.h"

#include <filesystem>
#include <system_error>

namespace common {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool is_regular(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::optional<std::string> find_file_ignoring_case(std::string_view directory, std::string_view name) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  std::string dir(directory);
  std::string joined = dir.empty() ? std::string(name)
                                   : (dir.back() == '/' ? dir : dir + "/") + std::string(name);
  if (is_regular(joined)) return joined;

  std::error_code ec;
  std::filesystem::directory_iterator it(dir.empty() ? std::filesystem::path(".") : std::filesystem::path(dir), ec);
  if (ec) return std::nullopt;
  std::optional<std::string> best;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string candidate = it->path().filename().string();
    if (!equal_ignoring_case(candidate, name)) continue;
    if (!is_regular(it->path())) continue;
    if (!best || candidate < *best) best = candidate;
  }
  if (!best) return std::nullopt;
  return dir.empty() ? *best : (dir.back() == '/' ? dir : dir + "/") + *best;
}

std::optional<std::string> find_path_ignoring_case(std::string_view path) {
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return find_file_ignoring_case({}, path);
  return find_file_ignoring_case(path.substr(0, slash + 1), path.substr(slash + 1));
}

}  // namespace common
