// The one CP932 codec, on glibc iconv("CP932"): unlike "SHIFT_JIS" it keeps 0x5C as the
// backslash and knows the NEC and IBM rows that Windows programs write.
#include "common/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace common {

namespace {

// One converter per direction; iconv descriptors are not thread-safe, so guard them.
struct Converter {
  iconv_t cd;
  std::mutex mutex;
  Converter(const char* to, const char* from) : cd(iconv_open(to, from)) {}
  ~Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

std::string convert(Converter& conv, std::string_view in, std::string_view replacement) {
  std::string out;
  if (conv.cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::lock_guard<std::mutex> lock(conv.mutex);
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  std::size_t src_left = in.size();
  char buf[1024];
  while (src_left > 0) {
    char* dst = buf;
    std::size_t dst_left = sizeof buf;
    std::size_t r = iconv(conv.cd, &src, &src_left, &dst, &dst_left);
    out.append(buf, static_cast<std::size_t>(dst - buf));
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence): replace one byte and go on.
      out.append(replacement);
      if (src_left == 0) break;
      // Skip a whole UTF-8 sequence when encoding, one byte when decoding.
      std::size_t skip = 1;
      if (replacement == "?") {
        auto c = static_cast<unsigned char>(*src);
        if (c >= 0xF0) skip = 4;
        else if (c >= 0xE0) skip = 3;
        else if (c >= 0xC0) skip = 2;
        if (skip > src_left) skip = src_left;
      }
      src += skip;
      src_left -= skip;
      iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buf;
  std::size_t dst_left = sizeof buf;
  iconv(conv.cd, nullptr, nullptr, &dst, &dst_left);
  out.append(buf, static_cast<std::size_t>(dst - buf));
  return out;
}

}  // namespace

std::string cp932_to_utf8(std::string_view cp932) {
  static Converter conv("UTF-8", "CP932");
  return convert(conv, cp932, "\xEF\xBF\xBD");
}

std::string cp932_fit(std::string_view utf8, int bytes, char pad) {
  std::string out;
  int used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    // One whole UTF-8 character.
    std::size_t next = i + 1;
    while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) ++next;
    const std::string_view ch = utf8.substr(i, next - i);
    const int width = static_cast<int>(utf8_to_cp932(ch).size());
    if (used + width > bytes) break;
    out.append(ch);
    used += width;
    i = next;
  }
  out.append(static_cast<std::size_t>(bytes - used), pad);
  return out;
}

std::string utf8_to_cp932(std::string_view utf8) {
  static Converter conv("CP932", "UTF-8");
  return convert(conv, utf8, "?");
}

}  // namespace common
