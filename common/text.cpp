// Fixed-position text helpers.
#include "common/text.h"

namespace common {

std::string mid(std::string_view s, int pos, int len) {
  if (pos < 1 || len <= 0) {
    if (pos < 1 && len > 0) {
      len += pos - 1;
      pos = 1;
      if (len <= 0) return {};
    } else {
      return {};
    }
  }
  auto start = static_cast<std::size_t>(pos - 1);
  if (start >= s.size()) return {};
  return std::string(s.substr(start, static_cast<std::size_t>(len)));
}

std::string mid_from(std::string_view s, int pos) {
  if (pos < 1) pos = 1;
  auto start = static_cast<std::size_t>(pos - 1);
  if (start >= s.size()) return {};
  return std::string(s.substr(start));
}

void set_mid(std::string& s, int pos, std::string_view text) {
  if (pos < 1) return;
  auto start = static_cast<std::size_t>(pos - 1);
  if (s.size() < start + text.size()) s.resize(start + text.size(), ' ');
  s.replace(start, text.size(), text);
}

std::string pad_right(std::string_view s, int width, char fill) {
  if (width <= 0) return {};
  std::string out(s.substr(0, static_cast<std::size_t>(width)));
  out.resize(static_cast<std::size_t>(width), fill);
  return out;
}

std::string pad_left(std::string_view s, int width, char fill) {
  if (width <= 0) return {};
  auto w = static_cast<std::size_t>(width);
  if (s.size() >= w) return std::string(s.substr(0, w));
  return std::string(w - s.size(), fill) + std::string(s);
}

std::string right(std::string_view s, int n) {
  if (n <= 0) return {};
  auto w = static_cast<std::size_t>(n);
  if (s.size() <= w) return std::string(s);
  return std::string(s.substr(s.size() - w));
}

std::string trim_right(std::string_view s) {
  auto end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

std::string trim_left(std::string_view s) {
  auto start = s.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : std::string(s.substr(start));
}

}  // namespace common
