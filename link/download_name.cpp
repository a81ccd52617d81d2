// Download names over the shared path rule (see download_name.h).
#include "link/download_name.h"

#include "common/path_names.h"

namespace ambcomm {

std::string GET_PASS(std::string_view path) { return common::directory_part(path); }
std::string GET_FN(std::string_view path) { return common::fit_base_name(common::stem_part(path)); }
std::string GET_EXP(std::string_view path) { return common::extension_part(path); }

std::string cut_download_name(std::string_view path) {
  const std::size_t dot = path.find('.', common::name_start(path));
  // Position 3 or later, counted from 1.
  if (dot != std::string_view::npos && dot >= 2) return std::string(path.substr(0, dot));
  return std::string(path);
}

std::string strip_extension(std::string_view path) { return common::without_extension(path); }

}  // namespace ambcomm
