// Writes the kept corpus of fuzz_recording: valid recording file sets made by the writer,
// in the input layout of recording_input.h. Usage: make_recording_corpus DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/record_file.h"
#include "common/recording_writer.h"
#include "tests/fuzz/recording_input.h"

namespace fs = std::filesystem;

namespace {

// The bytes of a file the writer makes (written to a scratch path, read back whole).
template <typename WriteFn>
std::string file_bytes(const std::string& scratch, WriteFn write) {
  if (!write(scratch).empty()) std::exit(1);
  std::ifstream in(scratch, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void save(const std::string& dir, const std::string& name, const fuzzing::FileSet& set) {
  std::ofstream(dir + "/" + name, std::ios::binary) << fuzzing::encode(set);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make_recording_corpus DIR\n", stderr);
    return 2;
  }
  const std::string dir = argv[1];
  fs::create_directories(dir);
  const std::string scratch = (fs::temp_directory_path() / "make_recording_corpus.tmp").string();

  // Per-channel set: acceleration, tilt, waveform a and ECG waveform d, no extension.
  {
    auto h = common::make_channel_header("ce", "2412081030", 120, 'F', 0, "CORPUS");
    h.thresholds = {50, 100, 150};
    h.ecg_blocks = 1;
    fuzzing::FileSet set;
    set.variant = 0;
    set.mask = 0b0000'0000'0001'0001 | (1u << 7) | (1u << 10);  // 0, 4, a, d
    std::vector<std::uint32_t> acc(120), tilt(120);
    std::vector<std::uint16_t> wave(120);
    for (std::uint32_t i = 0; i < 120; ++i) {
      acc[i] = 500 + i;
      tilt[i] = i % 16;
      wave[i] = static_cast<std::uint16_t>(2048 + i);
    }
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_text_channel_file(p, h, 'A', "#0", acc); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_text_channel_file(p, h, '4', "#4", tilt); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_word_file(p, h, wave); }));
    auto hd = h;
    hd.count = 600;
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_word_file(p, hd, std::vector<std::uint16_t>(600, 2048)); }));
    set.chosen = 3;  // the "d" file: count / 5
    save(dir, "per_channel_0_4_a_d", set);
  }
  // Per-channel set with extension: levels, heart rate, RR and its index; count in 113-120.
  {
    auto h = common::make_channel_header("ce", "2402291155", 70000, '0', 1, "LONG");
    fuzzing::FileSet set;
    set.variant = 1;
    set.mask = (1u << 0) | (1u << 1) | (1u << 5) | (1u << 6) | (1u << 11);
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_text_channel_file(p, h, 'A', "A0", std::vector<std::uint32_t>(60, 7)); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_text_channel_file(p, h, 'L', "#1", std::vector<std::uint32_t>(60, 3)); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_text_channel_file(p, h, '5', "#5", std::vector<std::uint32_t>(60, 72)); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_word_file(p, h, std::vector<std::uint16_t>{800, 0, 1200, 650}); }));
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_rr_index_file(p, h, std::vector<std::uint32_t>{1, 2, 4}); }));
    save(dir, "per_channel_ext_levels_rr", set);
  }
  // Combined files of every layout, the first frame a start-offset marker.
  for (std::size_t v = 2; v <= 6; ++v) {
    const std::string ext(fuzzing::kExtensions[v]);
    const auto& layout = *common::combined_layout(ext);
    common::RecordingHeader h;
    h.old_layout = true;
    h.kind = "*" + ext.substr(3, 1);
    h.start_time = "9603010000";
    h.count = 40;
    h.interval_seconds = 1;
    std::vector<std::string> frames{common::make_marker_frame(layout, 30)};
    for (int i = 0; i < 40; ++i)
      frames.push_back(common::make_combined_frame(layout, {.tilt_t = 6 * (i % 31), .tilt_u = 12, .acc = {2 * i, 8, 16, 32}, .steps = i}));
    fuzzing::FileSet set;
    set.variant = static_cast<std::uint8_t>(v);
    set.mask = 1;
    set.contents.push_back(file_bytes(scratch, [&](const std::string& p) { return common::write_combined_file(p, h, layout, h.kind, frames); }));
    save(dir, "combined_" + ext.substr(1), set);
  }
  fs::remove(scratch);
  return 0;
}
