// CP932 (Shift-JIS as Windows writes it) <-> UTF-8. Recorder text, recording files and
// settings files are CP932 bytes; the user interface shows UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace common {

// Bytes that do not decode become U+FFFD (one per bad byte); nothing is dropped silently.
std::string cp932_to_utf8(std::string_view cp932);
// Characters that CP932 cannot hold become "?".
std::string utf8_to_cp932(std::string_view utf8);

// UTF-8 text cut or padded with `pad` so that its CP932 form is exactly `bytes` long, as the
// recording base names are (7 bytes of Shift-JIS). A character that would be split is left out
// and padded instead, so the result is always whole characters.
std::string cp932_fit(std::string_view utf8, int bytes, char pad = '_');

}  // namespace common
