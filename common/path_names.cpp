// Path parts, base names and the CP932 rule of the settings slots.
#include "common/path_names.h"

#include "common/cp932.h"
#include "common/recording_format.h"

namespace common {

std::size_t name_start(std::string_view path) {
  const auto sep = path.find_last_of("/\\");
  return sep == std::string_view::npos ? 0 : sep + 1;
}

std::size_t extension_start(std::string_view path) {
  const std::size_t start = name_start(path);
  const auto dot = path.find('.', start);
  if (dot == std::string_view::npos || dot == start) return std::string_view::npos;
  return dot;
}

std::string directory_part(std::string_view path) { return std::string(path.substr(0, name_start(path))); }

std::string name_part(std::string_view path) { return std::string(path.substr(name_start(path))); }

std::string stem_part(std::string_view path) {
  const std::size_t start = name_start(path);
  const std::size_t dot = extension_start(path);
  return std::string(path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
}

std::string extension_part(std::string_view path) {
  const std::size_t dot = extension_start(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string without_extension(std::string_view path) {
  const std::size_t dot = extension_start(path);
  return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

std::string fit_base_name(std::string_view name) { return cp932_fit(name, kBaseNameBytes, '_'); }

std::string recording_base_name(std::string_view path) {
  const std::string stem = stem_part(path);
  return is_combined_extension(extension_part(path)) ? stem : fit_base_name(stem);
}

bool holds_in_cp932(std::string_view utf8) { return cp932_to_utf8(utf8_to_cp932(utf8)) == utf8; }

std::string slot_value(std::string_view utf8, std::string_view previous) {
  return holds_in_cp932(utf8) ? utf8_to_cp932(utf8) : std::string(previous);
}

}  // namespace common
