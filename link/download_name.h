// The names of a download: the save-as answer cut as the link program cuts it, and the
// folder, base name and extension that "ACC.PRM" keeps of it. One path rule for both
// programs (common/path_names) underneath: "/" and "\" separate folders, and the first "."
// is looked for in the name part only, so a folder such as "run.v2" cuts nothing.
#pragma once

#include <string>
#include <string_view>

namespace ambcomm {

// GET_PASS: the folder part with its separator ("" when there is none).
std::string GET_PASS(std::string_view path);
// GET_FN: the name part up to its first ".", followed by "_" and cut to 7 characters.
std::string GET_FN(std::string_view path);
// GET_EXP: from the first "." of the name part to the end; empty when the path starts with it.
std::string GET_EXP(std::string_view path);

// A save-as answer with the name cut before the first "." of its name part, when that "."
// stands at position 3 or later of the whole path.
std::string cut_download_name(std::string_view path);

// The path the files of a download are named from: the extension (from the first "." of the
// name part) removed.
std::string strip_extension(std::string_view path);

}  // namespace ambcomm
