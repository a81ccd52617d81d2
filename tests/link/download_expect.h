// What a download from the simulated recorder must have written: every channel file read back
// through the shared recording reader and compared with the generator's memory for the same
// options. Shared by the in-process download tests and the end-to-end tests over a pty.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/recording_writer.h"
#include "common/text.h"
#include "sim/recorder.h"
#include "sim/signal_generator.h"

namespace dltest {

// A simulated recorder of this model, mode and size.
inline ambsim::RecorderConfig config(std::string model, char mode, std::int64_t samples, int ecg = 0) {
  ambsim::RecorderConfig c;
  c.model = std::move(model);
  c.mode = mode;
  c.samples = samples;
  c.ecg = ecg;
  return c;
}

// The memory the simulated recorder serves for `c` (the options its engine uses).
inline ambsim::RecorderMemory expected_memory(const ambsim::RecorderConfig& c) {
  ambsim::SignalOptions o;
  o.seed = c.seed;
  o.interval_s = std::max(0.004, common::val(c.interval));
  o.samples = std::max<std::int64_t>(1, c.samples);
  o.ecg_blocks = std::clamp(c.ecg, 0, 4);
  o.mode = c.model == "CF" ? 'P' : c.mode;
  o.model = c.model == "Aa" ? "Aa" : "CE";
  return ambsim::generate_memory(o);
}

inline std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> records(const std::string& path) {
  std::vector<std::string> out;
  common::RecordFile f;
  if (!f.open(path, common::RecordFile::Mode::ReadOnly)) return out;
  for (std::int64_t n = 1; n <= f.record_count(); ++n) out.push_back(f.read(n)->substr(0, 255));
  return out;
}

// Samples of a per-channel file decoded by the shared reader, `count` of them.
inline std::vector<std::int32_t> decoded(const std::string& path, char code, char kind, std::int64_t count,
                                         bool raw_words = false) {
  const auto recs = records(path);
  const int per = common::samples_per_record(kind);
  std::vector<std::int32_t> out;
  for (std::int64_t n = 0; n < count; ++n) {
    const auto r = static_cast<std::size_t>(common::record_of_sample(n, per)) - 1;
    if (r >= recs.size()) break;
    const int j = static_cast<int>(n % per);
    out.push_back(raw_words ? common::binary_word(recs[r], j) : common::decode_channel_sample(recs[r], code, kind, j));
  }
  return out;
}

template <typename T>
std::vector<std::int32_t> scaled(const std::vector<T>& v, std::int64_t count, int mul, int add, unsigned mask = 0xFFFFu) {
  std::vector<std::int32_t> out;
  for (std::int64_t n = 0; n < count && n < static_cast<std::int64_t>(v.size()); ++n)
    out.push_back(static_cast<std::int32_t>(v[static_cast<std::size_t>(n)] & mask) * mul + add);
  return out;
}

// Mismatch descriptions; empty when every file of the download holds what the recorder holds.
// `base` is the per-channel base path (directory + 7 characters), or the combined path stem.
inline std::vector<std::string> check_download(const std::string& base, const ambsim::RecorderConfig& c) {
  std::vector<std::string> bad;
  const auto mem = expected_memory(c);
  const bool packed = c.model == "La" || c.model == "LA" || c.model == "lA";
  const unsigned acc_mask = packed ? 0xFFFu : 0xFFFFu;
  const std::int64_t n = c.samples;
  auto expect = [&](const std::string& what, const std::vector<std::int32_t>& got, const std::vector<std::int32_t>& want) {
    if (got != want) {
      std::size_t i = 0;
      while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
      bad.push_back(what + ": " + std::to_string(got.size()) + " samples, expected " + std::to_string(want.size()) +
                    ", first difference at " + std::to_string(i));
    }
  };
  auto header_kind = [&](const std::string& path, const std::string& kind) {
    const auto recs = records(path);
    if (recs.empty()) bad.push_back(path + ": missing");
    else if (recs[0].substr(0, 2) != kind) bad.push_back(path + ": kind " + recs[0].substr(0, 2) + ", expected " + kind);
  };

  if (c.model == "Aa") {
    const std::string ext = std::string(".ac") + c.mode;
    const auto* layout = common::combined_layout(ext);
    const std::string path = base + ext;
    header_kind(path, std::string("*") + c.mode);
    const auto recs = records(path);
    std::string frames;
    for (std::size_t r = 1; r < recs.size(); ++r)
      frames += recs[r].substr(2, static_cast<std::size_t>(layout->frames_per_record * layout->frame_width));
    std::string want;
    for (std::int64_t k = 0; k < n; ++k) {
      common::CombinedValues cv;
      auto i = static_cast<std::size_t>(k);
      auto pick = [&](const std::vector<std::uint16_t>& src) { return src.empty() ? 0 : 2 * src[i % src.size()]; };
      cv.acc = {pick(mem.acc), pick(mem.axis[0]), pick(mem.axis[1]), pick(mem.axis[2])};
      cv.tilt_t = mem.angle_t.empty() ? 90 : mem.angle_t[i % mem.angle_t.size()];
      cv.tilt_u = mem.angle_u.empty() ? 90 : mem.angle_u[i % mem.angle_u.size()];
      cv.steps = mem.steps.empty() ? 0 : mem.steps[i % mem.steps.size()];
      want += common::make_combined_frame(*layout, cv);
    }
    if (frames.substr(0, want.size()) != want) bad.push_back(path + ": frames differ");
    // And through the reader: channel 0 of every frame.
    std::vector<std::int32_t> got0;
    for (std::int64_t k = 0; k < n; ++k) {
      const auto r = static_cast<std::size_t>(common::record_of_sample(k, layout->frames_per_record)) - 1;
      if (r >= recs.size()) break;
      got0.push_back(common::decode_combined_sample(recs[r], *layout, '0', static_cast<int>(k % layout->frames_per_record)));
    }
    std::vector<std::int32_t> want0;
    for (std::int64_t k = 0; k < n; ++k) want0.push_back(2 * (mem.acc[static_cast<std::size_t>(k)] & 0x7FF));
    expect(path + " channel 0", got0, want0);
    return bad;
  }

  const char mode = c.model == "CF" ? 'L' : c.mode;
  const ambsim::ChannelSet ch = ambsim::channels_of(c.model == "CF" ? 'L' : mode, c.model == "Aa" ? "Aa" : "CE");
  const std::string kind05 = (c.model == "ce" || packed) ? "ce" : "CE";
  if (ch.acc) {
    header_kind(base + "0", kind05);
    expect(base + "0", decoded(base + "0", '0', 'A', n), scaled(mem.acc, n, 2, 0, acc_mask));
  }
  for (int k = 0; k < 3; ++k) {
    const std::string p = base + static_cast<char>('1' + k);
    if (ch.axes) expect(p, decoded(p, static_cast<char>('1' + k), 'A', n), scaled(mem.axis[k], n, 2, 0, acc_mask));
    else if (k < ch.levels) expect(p, decoded(p, static_cast<char>('1' + k), 'L', n), scaled(mem.level[k], n, 1, 0, acc_mask));
    if (ch.axes || k < ch.levels) {
      const auto recs = records(p);
      const char want = ch.axes ? "XYZ"[k] : '#';
      if (recs.size() < 2 || recs[1][0] != want) bad.push_back(p + ": wrong record prefix");
    }
  }
  if (ch.tilt) {
    const std::int64_t t = n % 240 == 1 ? n - 1 : n;
    expect(base + "4", decoded(base + "4", '4', '4', n), scaled(mem.tilt, t, 1, 0, 15u));
  }
  if (ch.hr) expect(base + "5", decoded(base + "5", '5', '5', n), scaled(mem.hr, n, 1, 0, 0xFFFu));
  if (ch.rr) {
    const auto count = static_cast<std::int64_t>(mem.rr.size());
    header_kind(base + "6", "RR");
    expect(base + "6", decoded(base + "6", '6', '6', count, true), scaled(mem.rr, count, 1, 0, 0xFFFu));
    // Heart rate and index: every emitted value is the rate of the beat that closed its interval.
    header_kind(base + "5", "CE");
    header_kind(base + "i", "IX");
    const auto ix = records(base + "i");
    const auto hr = records(base + "5");
    if (ix.empty()) return bad;
    const auto entries = static_cast<std::int64_t>(common::hex_value(common::mid(ix[0], 55, 8))) + 1;
    if (entries < 2) bad.push_back(base + "i: no entries");
    for (std::int64_t k = 0; k < entries; ++k) {
      const auto r = static_cast<std::size_t>(2 + k / 60) - 1;
      if (r >= ix.size() || r >= hr.size()) {
        bad.push_back(base + "i: entry " + std::to_string(k) + " missing");
        break;
      }
      const std::uint32_t beat = common::rr_index_entry(ix[r], static_cast<int>(k % 60));
      const int rate = common::decode_channel_sample(hr[r], '5', '5', static_cast<int>(k % 60));
      if (beat < 1 || beat > mem.rr.size()) {
        bad.push_back(base + "i: beat out of range");
        break;
      }
      const unsigned w = mem.rr[beat - 1] & 0xFFFu;
      const unsigned prev = beat >= 2 ? mem.rr[beat - 2] & 0xFFFu : 1u;
      if (w > 0 && prev > 0 && rate != common::round_half_even(60000.0 / w)) {
        bad.push_back(base + "5: value " + std::to_string(k) + " is " + std::to_string(rate));
        break;
      }
    }
  }
  for (int k = 0; k < 3; ++k) {
    if (!ch.wave[k]) continue;
    const std::string p = base + static_cast<char>('a' + k);
    header_kind(p, std::string("w") + static_cast<char>('A' + k));
    expect(p, decoded(p, static_cast<char>('a' + k), 'w', n), scaled(mem.wave[k], n, 1, -2048, 0xFFFu));
  }
  if (ch.ecg_wave) {
    header_kind(base + "d", "wD");
    expect(base + "d", decoded(base + "d", 'd', 'w', 5 * n), scaled(mem.ecg_wave, 5 * n, 1, -2048, 0xFFFu));
  }
  if (mode >= '@' && mode != 'L') {
    for (int k = 0; k < std::clamp(c.ecg, 0, 4); ++k) {
      const std::string p = base + static_cast<char>('E' + k);
      header_kind(p, std::string("E") + static_cast<char>('1' + k));
      expect(p, decoded(p, 'E', '6', ambsim::kEcgBlockSamples, true),
             scaled(mem.ecg_block[k], ambsim::kEcgBlockSamples, 1, 0, 0xFFFu));
    }
  }
  return bad;
}

// Every file under `dir` with its bytes, for comparing two downloads.
inline std::vector<std::pair<std::string, std::string>> tree(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.is_regular_file() && !e.is_symlink()) out.emplace_back(e.path().filename().string(), slurp(e.path().string()));
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace dltest
