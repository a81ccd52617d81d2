// Finding recording files without regard to ASCII letter case: the recorder's files were
// named on a case-blind file system (the ECG files "E".."H" are opened as "e".."h"), and on
// Linux that needs a directory look-up, kept here in one place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace common {

// The path of the existing regular file in `directory` whose name equals `name` ignoring
// ASCII case. An exact match wins; among several case variants the smallest name (byte
// order) is taken so that the answer does not depend on directory order. `directory`
// empty means the current directory; it may end in "/" or not.
std::optional<std::string> find_file_ignoring_case(std::string_view directory, std::string_view name);

// The same for a full path: the directory part must exist as written, the name part is
// matched ignoring case.
std::optional<std::string> find_path_ignoring_case(std::string_view path);

}  // namespace common
