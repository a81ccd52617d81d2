// Simulated recordings on disk read back through the shared recording reader: the files a
// download writes, their headers, and every sample equal to what the generator made.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "sim/recording_generator.h"

namespace ambsim {
namespace {

namespace fs = std::filesystem;

class GeneratorRecording : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("movilog_gen_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  static std::vector<std::string> records(const std::string& p) {
    common::RecordFile f;
    std::vector<std::string> out;
    if (!f.open(p, common::RecordFile::Mode::ReadOnly)) return out;
    for (std::int64_t n = 1; n <= f.record_count(); ++n) out.push_back(f.read(n).value_or(""));
    return out;
  }

  // Every sample of a per-channel file, decoded by the shared reader.
  static std::vector<std::int32_t> samples(const std::string& p, char code, char kind, std::int64_t count) {
    auto recs = records(p);
    std::vector<std::int32_t> out;
    const int per = common::samples_per_record(kind);
    for (std::int64_t n = 0; n < count; ++n) {
      auto r = static_cast<std::size_t>(common::record_of_sample(n, per) - 1);
      if (r >= recs.size()) break;
      out.push_back(common::decode_channel_sample(recs[r], code, kind, static_cast<int>(n % per)));
    }
    return out;
  }

  fs::path dir_;
};

template <class T>
std::vector<std::int32_t> widen(const std::vector<T>& v, int factor = 1, int offset = 0) {
  std::vector<std::int32_t> out;
  for (auto x : v) out.push_back(static_cast<std::int32_t>(x) * factor + offset);
  return out;
}

TEST_F(GeneratorRecording, RRModeWritesEveryFileOfTheDownload) {
  RecordingOptions o;
  o.path = path("subject01.dat");
  o.signal.mode = 'P';
  o.signal.samples = 1234;
  o.signal.ecg_blocks = 2;
  o.signal.seed = 3;
  o.start_time = "2611302230";
  o.chunk = 500;  // chunks that do not line up with records
  RecordingResult r = write_recording(o);
  ASSERT_EQ(r.error, "");
  std::vector<std::string> names;
  for (const auto& f : r.files) names.push_back(fs::path(f).filename().string());
  EXPECT_EQ(names, (std::vector<std::string>{"subject0", "subject1", "subject2", "subject3", "subject4",
                                             "subject6", "subject5", "subjecti", "subjectE", "subjectF"}));

  // The generator's memory for the same signal (the start hour comes from the start time).
  SignalOptions s = o.signal;
  s.start_hour = 22.5;
  RecorderMemory m = generate_memory(s);

  common::RecordingHeader h0 = common::read_header(records(path("subject0"))[0]);
  EXPECT_EQ(h0.kind, "CE");
  EXPECT_EQ(h0.start_time, "2611302230");
  EXPECT_EQ(h0.count, 1234u);
  EXPECT_EQ(h0.interval_code, '0');
  EXPECT_EQ(h0.interval_seconds, 1u);
  EXPECT_EQ(h0.mode, 'P');
  EXPECT_EQ(h0.rr_count, m.rr.size());
  EXPECT_EQ(h0.ecg_blocks, 2);
  EXPECT_EQ(h0.ecg_positions[0], ecg_block_position(s, 0));
  EXPECT_EQ(h0.ecg_positions[1], ecg_block_position(s, 1));
  EXPECT_EQ(common::trim_right(h0.comment), "SIMULATED");

  EXPECT_EQ(samples(path("subject0"), '0', 'A', 1234), widen(m.acc, 2));
  EXPECT_EQ(records(path("subject1"))[1].substr(0, 2), "X0");
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(samples(path(std::string("subject") + char('1' + k)), char('1' + k), 'A', 1234), widen(m.axis[k], 2));
  // 1234 mod 240 is not 1: the tilt file has every sample.
  EXPECT_EQ(samples(path("subject4"), '4', '4', 1234), widen(m.tilt));

  auto rr_recs = records(path("subject6"));
  EXPECT_EQ(common::read_header(rr_recs[0]).kind, "RR");
  std::vector<std::int32_t> words;
  for (std::size_t n = 0; n < m.rr.size(); ++n)
    words.push_back(common::binary_word(rr_recs[1 + n / 120], static_cast<int>(n % 120)));
  EXPECT_EQ(words, widen(m.rr));
  EXPECT_EQ(rr_recs.size(), 1 + (m.rr.size() + 119) / 120);

  // Heart rate and RR index derived from the RR words, as the link program does.
  RrDerived d = derive_heart_rate(m.rr, 1.0);
  EXPECT_EQ(r.hr_values, static_cast<std::int64_t>(d.hr.size()));
  EXPECT_EQ(common::read_header(records(path("subject5"))[0]).kind, "CE");
  EXPECT_EQ(samples(path("subject5"), '5', '5', static_cast<std::int64_t>(d.hr.size())), widen(d.hr));
  auto ix = records(path("subjecti"));
  common::RecordingHeader hi = common::read_header(ix[0]);
  EXPECT_EQ(hi.kind, "IX");
  EXPECT_EQ(common::mid(ix[0], 11, 4), "FFFF");
  EXPECT_EQ(hi.rr_count, d.hr.size() - 1);
  for (std::size_t n = 0; n < d.beat_index.size(); ++n)
    ASSERT_EQ(common::rr_index_entry(ix[1 + n / 60], static_cast<int>(n % 60)), d.beat_index[n]);
  if (d.hr.size() % 60 != 0) {
    EXPECT_EQ(ix.back()[254], '\0');  // a partial index record ends in NUL
  }

  for (int k = 0; k < 2; ++k) {
    auto e = records(path(std::string("subject") + char('E' + k)));
    EXPECT_EQ(e[0].substr(0, 2), std::string("E") + char('1' + k));
    ASSERT_EQ(e.size(), 126u);
    std::vector<std::uint16_t> block = ecg_block(s, k);
    for (int n = 0; n < 15000; n += 37)
      ASSERT_EQ(common::binary_word(e[1 + n / 120], n % 120), block[static_cast<std::size_t>(n)]);
  }
}

TEST_F(GeneratorRecording, HeartRateDerivationFollowsTheLinkRules) {
  // 800 ms beats at 1 s: the second beat closes the first interval with 75 BPM.
  RrDerived d = derive_heart_rate({800, 800, 800}, 1.0);
  EXPECT_EQ(d.hr, (std::vector<std::uint16_t>{75, 75}));
  EXPECT_EQ(d.beat_index, (std::vector<std::uint32_t>{2, 3}));
  // A lost interval counts as 4096 ms and is carried into the next value.
  RrDerived g = derive_heart_rate({1000, 0, 1000}, 1.0);
  ASSERT_GE(g.hr.size(), 5u);
  EXPECT_EQ(g.hr[1], common::round_half_even(60000.0 / 4096));
  EXPECT_EQ(g.hr.back(), common::round_half_even(60000.0 / 5096));
  // A zero interval never hangs the derivation.
  EXPECT_EQ(derive_heart_rate({800, 800}, 0.0).hr.size(), 1u);
}

TEST_F(GeneratorRecording, LevelModeAndLongCount) {
  RecordingOptions o;
  o.path = path("lv");
  o.signal.mode = 'D';
  o.signal.model = "LA";
  o.signal.interval_s = 0.5;
  o.signal.samples = 70001;  // past the 4-digit count
  RecordingResult r = write_recording(o);
  ASSERT_EQ(r.error, "");
  auto h = records(path("lv_____0"));
  EXPECT_EQ(common::mid(h[0], 11, 8), "FFFFf000");
  EXPECT_EQ(common::read_header(h[0]).count, 70001u);
  EXPECT_EQ(common::read_header(h[0]).kind, "ce");
  EXPECT_EQ(h[1].substr(0, 2), "A0");
  EXPECT_EQ(records(path("lv_____1"))[1].substr(0, 2), "#1");
  EXPECT_EQ(records(path("lv_____3"))[1].substr(0, 2), "#3");
  // 70001 mod 240 = 161: every tilt sample; heart rate recorded by the recorder itself.
  SignalOptions s = o.signal;
  RecorderMemory m = generate_memory(s);
  EXPECT_EQ(samples(path("lv_____2"), '2', 'L', 70001), widen(m.level[1]));
  EXPECT_EQ(samples(path("lv_____5"), '5', '5', 70001), widen(m.hr));
  EXPECT_FALSE(fs::exists(path("lv_____6")));
  EXPECT_FALSE(fs::exists(path("lv_____E")));
}

TEST_F(GeneratorRecording, TiltCountLeavingOneOverDropsIt) {
  RecordingOptions o;
  o.path = path("t");
  o.signal.mode = 'A';
  o.signal.samples = 481;
  ASSERT_EQ(write_recording(o).error, "");
  auto t = records(path("t______4"));
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(common::trim_right(t[2].substr(0, 255)).size(), 2u + 240u);  // 480 samples written
}

TEST_F(GeneratorRecording, WaveformModeFiles) {
  RecordingOptions o;
  o.path = path("w.x");
  o.signal.mode = '9';
  o.signal.model = "La";
  o.signal.samples = 14000;  // 70000 ECG samples: the d count needs the long field
  RecordingResult r = write_recording(o);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.files.size(), 4u);
  SignalOptions s = o.signal;
  RecorderMemory m = generate_memory(s);
  const char* kinds[] = {"wA", "wB", "wC", "wD"};
  for (int k = 0; k < 4; ++k) {
    auto recs = records(path(std::string("w______") + char('a' + k)));
    common::RecordingHeader h = common::read_header(recs[0]);
    EXPECT_EQ(h.kind, kinds[k]);
    EXPECT_EQ(common::mid(recs[0], 15, 4), "b001");
    const auto& src = k < 3 ? m.wave[k] : m.ecg_wave;
    EXPECT_EQ(h.count, src.size());
    std::vector<std::int32_t> got;
    for (std::size_t n = 0; n < src.size(); ++n)
      got.push_back(common::decode_channel_sample(recs[1 + n / 120], char('a' + k), 'w', static_cast<int>(n % 120)));
    EXPECT_EQ(got, widen(src, 1, -2048));
  }
  EXPECT_EQ(common::mid(records(path("w______d"))[0], 11, 4), "FFFF");
}

TEST_F(GeneratorRecording, CombinedFileWithMarkers) {
  RecordingOptions o;
  o.path = path("day.ac9");  // the extension comes from the mode
  o.family = Family::Combined;
  o.signal.mode = '5';
  o.signal.interval_s = 2;
  o.signal.samples = 500;
  o.start_offset_min = 12;
  o.event_markers = 2;
  RecordingResult r = write_recording(o);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.files.size(), 1u);
  EXPECT_EQ(fs::path(r.files[0]).filename(), "day.ac5");
  EXPECT_EQ(r.frames, 503);

  auto recs = records(r.files[0]);
  common::RecordingHeader h = common::read_header(recs[0]);
  EXPECT_TRUE(h.old_layout);
  EXPECT_EQ(h.kind, "*5");
  EXPECT_EQ(h.count, 503u);
  EXPECT_EQ(h.interval_seconds, 2u);
  EXPECT_EQ(common::mid(recs[0], 43, 16), "0021007848250060");  // calorie settings
  const common::CombinedLayout* L = common::combined_layout(".ac5");
  ASSERT_NE(L, nullptr);
  EXPECT_EQ(common::combined_start_offset(recs[1], *L), 12);
  EXPECT_EQ(recs[1].substr(0, 2), "*5");

  SignalOptions s = o.signal;
  s.model = "Aa";
  s.start_hour = 9.0;
  RecorderMemory m = generate_memory(s);
  std::vector<std::int32_t> t, acc, x, steps, markers;
  for (int n = 0; n < 503; ++n) {
    const std::string& rec = recs[static_cast<std::size_t>(1 + n / L->frames_per_record)];
    int j = n % L->frames_per_record;
    std::int32_t v = common::decode_combined_sample(rec, *L, 't', j);
    if (common::is_marker_value(v)) {
      markers.push_back(v);
      EXPECT_EQ(common::decode_combined_sample(rec, *L, 's', j), v);  // every channel of a marker
      continue;
    }
    t.push_back(v);
    acc.push_back(common::decode_combined_sample(rec, *L, '0', j));
    x.push_back(common::decode_combined_sample(rec, *L, '1', j));
    steps.push_back(common::decode_combined_sample(rec, *L, 's', j));
  }
  EXPECT_EQ(markers, (std::vector<std::int32_t>{100012, 100001, 100002}));
  EXPECT_EQ(t, widen(m.angle_t));
  EXPECT_EQ(acc, widen(m.acc, 2));
  EXPECT_EQ(x, widen(m.axis[0], 2));
  EXPECT_EQ(steps, widen(m.steps));
}

TEST_F(GeneratorRecording, LevelCombinedFile) {
  RecordingOptions o;
  o.path = path("lv");
  o.family = Family::Combined;
  o.signal.mode = '4';
  o.signal.samples = 100;
  ASSERT_EQ(write_recording(o).error, "");
  auto recs = records(path("lv.ac4"));
  const common::CombinedLayout* L = common::combined_layout(".ac4");
  EXPECT_EQ(common::combined_start_offset(recs[1], *L), 0);
  SignalOptions s = o.signal;
  s.model = "Aa";
  RecorderMemory m = generate_memory(s);
  for (int n = 0; n < 100; ++n) {
    const std::string& rec = recs[static_cast<std::size_t>(1 + n / 8)];
    ASSERT_EQ(common::decode_combined_sample(rec, *L, '3', n % 8), m.level[2][static_cast<std::size_t>(n)] * 2);
    ASSERT_EQ(common::decode_combined_sample(rec, *L, 'u', n % 8), m.angle_u[static_cast<std::size_t>(n)]);
  }
}

TEST_F(GeneratorRecording, RRRecorderHeaders) {
  RecordingOptions o;
  o.path = path("pw");
  o.signal.mode = 'L';
  o.signal.model = "CF";
  o.signal.samples = 600;
  o.signal.ecg_blocks = 2;  // the RR recorder has none
  RecordingResult r = write_recording(o);
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.files.size(), 3u);
  // Each header says what its file holds: the RR file and the index the recording's 600
  // intervals, the heart-rate file its values; 55-62 the RR words and the last entry.
  const auto hex8 = [](std::int64_t v) { return common::hex_field(static_cast<std::uint64_t>(v), 8); };
  const struct {
    const char* file;
    std::int64_t count;
    std::string at55;
  } want[] = {{"pw_____6", 600, hex8(r.rr_count)}, {"pw_____5", r.hr_values, hex8(r.hr_values - 1)},
              {"pw_____i", 600, hex8(r.hr_values - 1)}};
  for (const auto& w : want) {
    auto h = records(path(w.file))[0];
    EXPECT_EQ(common::mid(h, 11, 4), "FFFF") << w.file;
    EXPECT_EQ(common::mid(h, 55, 8), w.at55) << w.file;
    EXPECT_EQ(common::mid(h, 63, 1), "0") << w.file;
    EXPECT_EQ(common::read_header(h).count, static_cast<std::uint32_t>(w.count)) << w.file;
  }
}

TEST_F(GeneratorRecording, BadOptionsWriteNothing) {
  RecordingOptions o;
  o.path = path("bad");
  o.signal.mode = '9';
  o.family = Family::Combined;
  EXPECT_NE(write_recording(o).error, "");
  o.family = Family::PerChannel;
  o.signal.mode = '@';
  o.signal.interval_s = 0.3;
  EXPECT_NE(write_recording(o).error, "");
  o.signal.interval_s = 1;
  o.start_time = "26120109";
  EXPECT_NE(write_recording(o).error, "");
  o.start_time = "2612010900";
  o.family = Family::Combined;
  o.signal.mode = '1';
  o.signal.samples = 70000;  // more frames than the old header counts
  EXPECT_NE(write_recording(o).error, "");
  o.signal.samples = 100;
  o.extension = ".ac4";  // the layout of another mode
  EXPECT_NE(write_recording(o).error, "");
  o.extension.clear();
  o.path = path("") + "/";  // a folder without a file name
  EXPECT_NE(write_recording(o).error, "");
  EXPECT_TRUE(fs::is_empty(dir_));

  // A directory where the tilt file should go is reported, and the channel files made
  // before it are taken away again.
  fs::create_directories(path("dir____4"));
  o.family = Family::PerChannel;
  o.signal.mode = '@';
  o.signal.samples = 10;
  o.path = path("dir");
  EXPECT_NE(write_recording(o).error.find("dir____4"), std::string::npos);
  EXPECT_FALSE(fs::exists(path("dir____0")));
  EXPECT_FALSE(fs::exists(path("dir____3")));
}

}  // namespace
}  // namespace ambsim
