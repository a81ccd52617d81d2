// An EDF+ file read back with edflib's own reader, for the tests of the writer and the export.
#pragma once

#include <edflib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace edf_test {

// A header field as edflib's reader gives it, without the blanks that pad it.
inline std::string trimmed(const char* field) {
  std::string s(field);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// A file opened with edflib's reader, closed at the end of the test.
struct ReadBack {
  explicit ReadBack(const std::string& p) : hdr(std::make_unique<edf_hdr_struct>()) {
    ok = edfopen_file_readonly(p.c_str(), hdr.get(), EDFLIB_READ_ALL_ANNOTATIONS) == 0;
  }
  ~ReadBack() {
    if (ok) edfclose_file(hdr->handle);
  }
  std::vector<double> physical(int signal) const {
    std::vector<double> v(static_cast<std::size_t>(hdr->signalparam[signal].smp_in_file));
    const int n = edfread_physical_samples(hdr->handle, signal, static_cast<int>(v.size()), v.data());
    v.resize(static_cast<std::size_t>(std::max(n, 0)));
    return v;
  }
  double rate(int signal) const {
    return static_cast<double>(hdr->signalparam[signal].smp_in_datarecord) * EDFLIB_TIME_DIMENSION /
           static_cast<double>(hdr->datarecord_duration);
  }
  std::vector<std::pair<std::int64_t, std::string>> annotations() const {  // onset in µs, text
    std::vector<std::pair<std::int64_t, std::string>> out;
    for (long long i = 0; i < hdr->annotations_in_file; ++i) {
      edf_annotation_struct a{};
      edf_get_annotation(hdr->handle, static_cast<int>(i), &a);
      out.emplace_back(a.onset / 10, a.annotation);
    }
    return out;
  }
  std::unique_ptr<edf_hdr_struct> hdr;
  bool ok = false;
};

}  // namespace edf_test
