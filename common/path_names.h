// One rule for the parts of a path, used by both programs: "/" and "\" separate folders, the
// first "." is looked for in the name part only (a folder such as ~/.local or run.v2 never
// cuts a name), and base names are 7 Shift-JIS bytes of whole characters. Names stay as they
// are on disk (UTF-8); only the settings slots that store them are CP932.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

inline constexpr int kBaseNameBytes = 7;

// Position of the name part: just after the last separator (0 when there is none).
std::size_t name_start(std::string_view path);
// Position of the first "." of the name part; npos when there is none or when the name
// starts with it (a hidden file, not an extension).
std::size_t extension_start(std::string_view path);

// The folder part with its trailing separator ("" when there is none).
std::string directory_part(std::string_view path);
// The name part.
std::string name_part(std::string_view path);
// The name part up to its first ".".
std::string stem_part(std::string_view path);
// From the first "." of the name part to the end ("" when there is none).
std::string extension_part(std::string_view path);
// The path without the extension of its name part.
std::string without_extension(std::string_view path);

// A base name cut or padded with "_" to 7 Shift-JIS bytes; a character that would be split
// is left out, and a character CP932 cannot hold counts as the one byte it is written as.
std::string fit_base_name(std::string_view name);

// The base name of a recording path as both programs name its files: the stem as it is
// for a combined file, else the stem fitted to 7 bytes.
std::string recording_base_name(std::string_view path);

// True when `utf8` survives the trip through CP932 unchanged.
bool holds_in_cp932(std::string_view utf8);
// The CP932 text a settings slot stores for `utf8`; a text CP932 cannot hold keeps the slot's
// `previous` value, so that a folder named outside CP932 never turns into a wrong one.
std::string slot_value(std::string_view utf8, std::string_view previous);

}  // namespace common
