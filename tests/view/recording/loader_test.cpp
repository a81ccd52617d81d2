// The recording loader on real files made by the writer: path parts, channel tables of both
// families, header items, time base, the three data errors, and damaged or hostile inputs.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include <gtest/gtest.h>

#include "common/record_file.h"
#include "common/recording_writer.h"
#include "common/text.h"
#include "view/recording/calendar.h"
#include "view/recording/channel_reader.h"
#include "view/recording/loader.h"

using namespace ambview;
namespace fs = std::filesystem;

namespace {

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "loader_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }

  common::RecordingHeader header(std::uint32_t count, char code = 'F', std::uint32_t seconds = 0) {
    auto h = common::make_channel_header("ce", "2412081030", count, code, seconds, "SUBJECT A");
    h.thresholds = {50, 100, 150};
    return h;
  }

  std::string text_file(const std::string& name, const common::RecordingHeader& h, char kind,
                        std::string_view prefix, std::vector<std::uint32_t> raw) {
    const std::string path = dir_ + name;
    EXPECT_EQ(common::write_text_channel_file(path, h, kind, prefix, raw), "");
    return path;
  }
  std::string word_file(const std::string& name, const common::RecordingHeader& h, std::vector<std::uint16_t> words) {
    const std::string path = dir_ + name;
    EXPECT_EQ(common::write_word_file(path, h, words), "");
    return path;
  }

  static std::string channels(const ChannelTable& t) {
    std::string s;
    for (int i = 0; i < t.count; ++i) {
      const auto& r = t.rows[static_cast<std::size_t>(i)];
      if (!r.present) continue;
      if (!s.empty()) s += ' ';
      s += std::string{r.code, '/', r.kind};
    }
    return s;
  }

  std::string dir_;
};

}  // namespace

TEST(LoaderPaths, TheSharedPathRuleKeepsCombinedNamesWhole) {
  EXPECT_EQ(GET_PASS("C:\\data\\ABC.DAT"), "C:\\data\\");
  EXPECT_EQ(GET_FN("C:\\data\\ABC.DAT"), "ABC____");
  EXPECT_EQ(GET_FN("/r/NAME.ac0"), "NAME");  // combined names are not cut or padded
  EXPECT_EQ(GET_EXP("/r/NAME.ac0"), ".ac0");
}

TEST(LoaderPaths, EcgWavePathRule) {
  EXPECT_TRUE(is_ecg_wave_path("/r/ABC____d"));
  EXPECT_TRUE(is_ecg_wave_path("/r/ABC____d,1"));
  EXPECT_TRUE(is_ecg_wave_path("/r/ABC____d.DAT"));  // a set with an extension
  EXPECT_FALSE(is_ecg_wave_path("/r/ABC____0"));
  EXPECT_FALSE(is_ecg_wave_path("/r/ad.dat"));  // not a channel file name
  EXPECT_FALSE(is_ecg_wave_path("/r/HEAD____d.ac0"));
}

TEST(LoaderScales, FullScalesAndGuardedHeights) {
  EXPECT_EQ(GET_YSIZ(0), 4000);
  EXPECT_EQ(GET_YSIZ(3), 300);
  EXPECT_EQ(GET_YSIZ(5), 60);
  EXPECT_EQ(GET_YSIZ(6), 0);
  EXPECT_EQ(GET_YSIZ(-1), 0);
  EXPECT_EQ(GET_HRYSIZ(0), 300);
  EXPECT_EQ(GET_HRYSIZ(1), 180);
  EXPECT_EQ(GET_HRYSIZ(2), 0);

  ChannelTable t;
  t.count = 5;
  t.rows[0] = {true, '0', 'A', ""};
  t.rows[1] = {true, '1', 'L', ""};
  t.rows[2] = {true, '4', '4', ""};
  t.rows[3] = {true, '5', '5', ""};
  t.rows[4] = {true, 'd', 'w', ""};
  const std::string rec = "#0" "01F4" "000A";  // 500 -> 1000 mG; 10
  EXPECT_EQ(GET_Y(rec, t, 0, 0, 100, 4000, 300, 1), 25);
  EXPECT_EQ(GET_Y(rec, t, 0, 0, 100, 0, 300, 1), 0);  // full scale 0: no division
  EXPECT_EQ(GET_Y(rec, t, 1, 1, 100, 4000, 300, 0.5), 200);
  EXPECT_EQ(GET_Y(rec, t, 1, 1, 100, 4000, 300, 0), 0);  // interval 0: no division
  EXPECT_EQ(GET_Y("#4" "5", t, 2, 0, 100, 4000, 300, 1), 50);
  EXPECT_EQ(GET_Y(rec, t, 3, 1, 300, 4000, 0, 1), 0);
  EXPECT_EQ(GET_Y(rec, t, 3, 1, 300, 4000, 300, 1), 10);
  EXPECT_EQ(GET_Y(rec, t, 99, 0, 100, 4000, 300, 1), 0);  // no such row
}

TEST_F(LoaderTest, PerChannelSetFoundInCodeOrder) {
  const auto h = header(100);
  text_file("ABC____0.DAT", h, 'A', "#0", std::vector<std::uint32_t>(100, 1));
  text_file("ABC____4.DAT", h, '4', "#4", std::vector<std::uint32_t>(100, 2));
  word_file("ABC____a.DAT", h, std::vector<std::uint16_t>(100, 2048));
  fs::copy_file(dir_ + "ABC____0.DAT", dir_ + "ABC.DAT");
  const LoadResult r = load_recording(dir_ + "ABC.DAT");  // ABC.DAT is read as ABC____0.DAT, ...
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(channels(r.recording.table), "0/A 4/4 a/w");
  EXPECT_EQ(NO_EXF(r.recording.table), 3);
  EXPECT_EQ(GET_BLKSIZ(r.recording.table, 0), 50);
  EXPECT_EQ(GET_BLKSIZ(r.recording.table, 1), 240);
  EXPECT_EQ(GET_BLKSIZ(r.recording.table, 2), 120);
  EXPECT_EQ(r.recording.table.rows[2].path, dir_ + "ABC____a.DAT");
}

TEST_F(LoaderTest, LongNameCutToSevenAndFilesMatchedWithoutCase) {
  const auto h = header(100);
  text_file("SUBJECT0.DAT", h, 'A', "#0", std::vector<std::uint32_t>(100, 1));
  text_file("subject4.dat", h, '4', "#4", std::vector<std::uint32_t>(100, 1));
  text_file("SUBJECT1.DAT", h, 'L', "#1", std::vector<std::uint32_t>(100, 1));
  text_file("SUBJECT2.DAT", h, 'A', "Y0", std::vector<std::uint32_t>(100, 1));
  EXPECT_EQ(load_recording(dir_ + "SUBJECT01.DAT").error, LoadError::NotProcessable);  // chosen file absent
  fs::copy_file(dir_ + "SUBJECT0.DAT", dir_ + "SUBJECT01.DAT");
  const LoadResult r2 = load_recording(dir_ + "SUBJECT01.DAT");
  ASSERT_TRUE(r2.ok());
  EXPECT_EQ(r2.recording.base_name, "SUBJECT");
  EXPECT_EQ(channels(r2.recording.table), "0/A 1/L 2/A 4/4");  // "#" marks level data
  EXPECT_EQ(r2.recording.table.rows[3].path, dir_ + "subject4.dat");
}

TEST_F(LoaderTest, HeaderItemsAndTimeBase) {
  auto h = header(7201);
  h.ecg_blocks = 2;
  const std::string path = text_file("REC____0", h, 'A', "#0", std::vector<std::uint32_t>(7201, 1));
  const LoadResult r = load_recording(path);
  ASSERT_TRUE(r.ok());
  const auto& item = r.recording.info.item;
  EXPECT_EQ(item[RecordingInfo::kStartTime], "2412081030");
  EXPECT_EQ(common::trim_right(item[RecordingInfo::kComment]), "SUBJECT A");
  EXPECT_EQ(item[RecordingInfo::kCount], "7201");
  EXPECT_EQ(item[RecordingInfo::kInterval], "0.04");
  EXPECT_EQ(item[8], "0.1");
  EXPECT_EQ(item[9], "0.2");
  EXPECT_EQ(item[10], "0.3");
  EXPECT_EQ(item[RecordingInfo::kEcgBlocks], "2");
  EXPECT_EQ(item[RecordingInfo::kStartOffset], "0");
  EXPECT_EQ(r.recording.time.duration, 288);
  EXPECT_EQ(r.recording.time.display_start, 0);
  EXPECT_EQ(r.recording.time.display_span, 300);
  EXPECT_EQ(r.recording.time.recording_start, YMDHM_SEC("2412081030"));
}

TEST_F(LoaderTest, LongCountFieldAndSpanRoundedToWholeMinutes) {
  const std::string big = text_file("BIG____0", header(123456), 'A', "#0", {1, 2, 3});
  common::RecordFile f;
  ASSERT_TRUE(f.open(big, common::RecordFile::Mode::ReadOnly));
  EXPECT_EQ(common::mid(*f.read(1), 11, 4), "FFFF");
  const LoadResult r = load_recording(big);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.recording.sample_count, 123456);

  const LoadResult s = load_recording(text_file("SEC____0", header(3599, '0', 1), 'A', "#0", {1}));
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s.recording.time.duration, 3599);
  EXPECT_EQ(s.recording.time.display_span, 3600);
}

TEST_F(LoaderTest, EcgWaveFileCountIsDividedByFive) {
  const auto h = header(1000);
  text_file("ECG____0", h, 'A', "#0", {1});
  const std::string d = word_file("ECG____d", h, std::vector<std::uint16_t>(1000, 2048));
  const LoadResult r = load_recording(d);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.recording.sample_count, 200);
  EXPECT_EQ(channels(r.recording.table), "0/A d/w");
  const LoadResult r0 = load_recording(dir_ + "ECG____0");
  EXPECT_EQ(r0.recording.sample_count, 1000);
}

TEST_F(LoaderTest, CombinedFileFixedRowsAndStartOffset) {
  common::RecordingHeader h;
  h.old_layout = true;
  h.kind = "*2";
  h.start_time = "2412081030";
  h.count = 30;
  h.interval_seconds = 2;
  const auto& ac2 = *common::combined_layout(".ac2");
  std::vector<std::string> frames{common::make_marker_frame(ac2, 90)};
  for (int i = 0; i < 30; ++i) frames.push_back(common::make_combined_frame(ac2, {.tilt_t = 6 * (i % 31), .acc = {2 * i, 4, 0, 0}}));
  const std::string path = dir_ + "WALK.ac2";
  ASSERT_EQ(common::write_combined_file(path, h, ac2, "*2", frames), "");
  const LoadResult r = load_recording(path);
  ASSERT_TRUE(r.ok());
  const auto& t = r.recording.table;
  EXPECT_EQ(channels(t), "0/A 1/L t/T u/T");
  for (int row = 0; row < 4; ++row) EXPECT_EQ(GET_BLKSIZ(t, row), 15);
  EXPECT_EQ(r.recording.start_offset, 90);
  EXPECT_EQ(r.recording.info.item[RecordingInfo::kStartOffset], "90");
  EXPECT_EQ(r.recording.time.recording_start, YMDHM_SEC("2412081030") + 90 * 60);
  EXPECT_EQ(r.recording.time.duration, 60);

  common::RecordFile f;
  ASSERT_TRUE(f.open(path, common::RecordFile::Mode::ReadOnly));
  const std::string rec2 = *f.read(2);
  EXPECT_EQ(GET_D(rec2, t, 0, 0), 100000 + 90);  // the marker, on every row
  EXPECT_EQ(GET_D(rec2, t, 2, 0), 100000 + 90);
  EXPECT_EQ(GET_D(rec2, t, 0, 5), 8);
  EXPECT_EQ(GET_D(rec2, t, 1, 5), 4);
  EXPECT_EQ(GET_D(rec2, t, 2, 5), 24);
}

TEST_F(LoaderTest, WriterToLoaderRoundTripOfEveryPerChannelKind) {
  const std::uint32_t n = 301;
  std::mt19937 rng(11);
  std::vector<std::uint32_t> acc(n), level(n), tilt(n), hr(n);
  std::vector<std::uint16_t> rr(n), wave(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    acc[i] = rng() % 0x1000;
    level[i] = rng() % 0x10000;
    tilt[i] = rng() % 16;
    hr[i] = 40 + rng() % 160;
    rr[i] = static_cast<std::uint16_t>(300 + rng() % 1500);
    wave[i] = static_cast<std::uint16_t>(rng() % 4096);
  }
  const auto h = header(n);
  text_file("RT_____0", h, 'A', "#0", acc);
  text_file("RT_____1", h, 'L', "#1", level);
  text_file("RT_____4", h, '4', "#4", tilt);
  text_file("RT_____5", h, '5', "#5", hr);
  word_file("RT_____6", h, rr);
  word_file("RT_____b", h, wave);
  const LoadResult r = load_recording(dir_ + "RT_____0");
  ASSERT_TRUE(r.ok());
  const auto& t = r.recording.table;
  ASSERT_EQ(channels(t), "0/A 1/L 4/4 5/5 6/6 b/w");
  for (int row = 0; row < t.count; ++row) {
    ChannelReader reader;
    ASSERT_TRUE(reader.open(t, row));
    EXPECT_EQ(reader.held(), n);
    for (std::uint32_t s = 0; s < n; ++s) {
      const auto sample = reader.at(s);
      ASSERT_TRUE(sample);
      const std::int32_t v = sample->value;
      std::int32_t want = 0;
      switch (t.rows[static_cast<std::size_t>(row)].code) {
        case '0': want = static_cast<std::int32_t>(acc[s] * 2); break;
        case '1': want = static_cast<std::int32_t>(level[s]); break;
        case '4': want = static_cast<std::int32_t>(tilt[s]); break;
        case '5': want = static_cast<std::int32_t>(hr[s]); break;
        case '6': want = common::rr_heart_rate(rr[s]); break;
        case 'b': want = wave[s] - 2048; break;
      }
      ASSERT_EQ(v, want) << "row " << row << " sample " << s;
    }
  }
}

TEST_F(LoaderTest, DataErrors) {
  // Missing file, empty file, a directory named like a recording.
  EXPECT_EQ(load_recording(dir_ + "NONE___0").error, LoadError::NotProcessable);
  std::ofstream(dir_ + "EMPTY__0").close();
  EXPECT_EQ(load_recording(dir_ + "EMPTY__0").error, LoadError::NotProcessable);
  fs::create_directory(dir_ + "DIR____0");
  EXPECT_EQ(load_recording(dir_ + "DIR____0").error, LoadError::NotProcessable);
  EXPECT_EQ(load_recording(dir_ + "DIR.DAT").error, LoadError::NotProcessable);

  // A file that exists but has no channel files beside it.
  const std::string lone = dir_ + "LONE.DAT";
  ASSERT_EQ(common::write_records(lone, std::vector<std::string>{common::make_header_record(header(10))}), "");
  EXPECT_EQ(load_recording(lone).error, LoadError::NoChannels);
  // A directory in place of a channel file is not a channel.
  fs::create_directory(dir_ + "LONE___0.DAT");
  EXPECT_EQ(load_recording(lone).error, LoadError::NoChannels);

  // Durations below one second; an unknown interval code sets no interval.
  EXPECT_TRUE(load_recording(text_file("ONE____0", header(20), 'A', "#0", {1})).ok());  // 0.8 s rounds to 1
  EXPECT_EQ(load_recording(text_file("TINY___0", header(10), 'A', "#0", {1})).error, LoadError::TooShort);
  EXPECT_EQ(load_recording(text_file("CODE___0", header(1000, 'x'), 'A', "#0", {1})).error, LoadError::TooShort);
  EXPECT_EQ(load_recording(text_file("ZERO___0", header(0), 'A', "#0", {})).error, LoadError::TooShort);

  EXPECT_STREQ(message_for(LoadError::NotProcessable).text, "処理できるデーターではありません");
  EXPECT_STREQ(message_for(LoadError::NoChannels).caption, "データーエラー");
  EXPECT_STREQ(message_for(LoadError::TooShort).caption, "データーエラー(A)");
}

TEST_F(LoaderTest, AbsurdCountsLoadWithoutReadingOrAreRefused) {
  // FFFF with FFFFFFFF at 113-120: at 0.5 s the duration does not fit the 32-bit time base.
  auto h = header(0xFFFFFFFFu, 'f');
  EXPECT_EQ(load_recording(text_file("HUGE___0", h, 'A', "#0", {1, 2})).error, LoadError::NotProcessable);
  // At 0.004 s it fits: the recording opens, and the file itself says how much there is.
  h = header(0xFFFFFFFFu, 'c');
  const LoadResult r = load_recording(text_file("MANY___0", h, 'A', "#0", {1, 2}));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.recording.sample_count, 0xFFFFFFFFll);
  EXPECT_EQ(samples_held(r.recording.table, 0), 2);
}

TEST_F(LoaderTest, TruncatedAndGarbageFilesNeverCrash) {
  // A header cut to 30 bytes: what is there is read; the rest reads as nothing.
  {
    std::ofstream out(dir_ + "CUT____0", std::ios::binary);
    out << common::make_header_record(header(500)).substr(0, 14);
  }
  const LoadResult cut = load_recording(dir_ + "CUT____0");
  EXPECT_EQ(cut.error, LoadError::TooShort);  // the interval code lies beyond the cut
  EXPECT_EQ(cut.recording.sample_count, 500);

  std::mt19937 rng(3);
  for (int trial = 0; trial < 200; ++trial) {
    std::string bytes(static_cast<std::size_t>(rng() % 900), '\0');
    for (auto& c : bytes) c = static_cast<char>(rng());
    if (trial % 3 == 0 && bytes.size() > 20) bytes[0] = '*';
    {
      std::ofstream out(dir_ + "GARB___0", std::ios::binary | std::ios::trunc);
      out << bytes;
    }
    const LoadResult r = load_recording(dir_ + "GARB___0");
    if (!r.ok()) continue;
    const auto& t = r.recording.table;
    ChannelReader f;
    ASSERT_TRUE(f.open(t, 0));
    for (std::int64_t n = 2; n <= f.record_count(); ++n) {
      const std::string rec(*f.record(n));
      for (int j = 0; j < GET_BLKSIZ(t, 0); ++j) (void)GET_Y(rec, t, 0, j, 100, 4000, 300, 0.5);
    }
    EXPECT_GE(r.recording.time.display_span, 60);
  }
}

TEST_F(LoaderTest, LoadingLeavesFilesUntouched) {
  const std::string path = text_file("RO_____0", header(100), 'A', "#0", std::vector<std::uint32_t>(100, 7));
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);  // read-only files open as well
  const auto before = fs::last_write_time(path);
  const auto size = fs::file_size(path);
  EXPECT_TRUE(load_recording(path).ok());
  EXPECT_EQ(fs::last_write_time(path), before);
  EXPECT_EQ(fs::file_size(path), size);
}

// ChannelReader, the one reader of recording records: one test per rule it keeps.
namespace {

TEST_F(LoaderTest, ReaderRefusesWhatIsNoRegularFileWithoutBlocking) {
  fs::create_directory(dir_ + "DIR____0");
  ASSERT_EQ(::mkfifo((dir_ + "FIFO___0").c_str(), 0600), 0);  // opening a FIFO would wait for a writer
  ChannelReader reader;
  for (const char* name : {"DIR____0", "FIFO___0", "NONE___0"}) EXPECT_FALSE(reader.open(dir_ + name, {})) << name;
  EXPECT_TRUE(reader.open(text_file("ok_____0", header(1), 'A', "#0", {1}), {}));
}

TEST_F(LoaderTest, ReaderReportsMarkersAsMarkersAndReadsRanges) {
  const auto& layout = *common::combined_layout(".ac1");
  common::CombinedValues v;
  v.acc[0] = 2000;
  const std::vector<std::string> frames{common::make_marker_frame(layout, 90), common::make_combined_frame(layout, v)};
  auto h = common::make_channel_header("*1", "2601010000", 2, '0', 1);
  h.old_layout = true;
  ASSERT_EQ(common::write_combined_file(dir_ + "C.ac1", h, layout, "*1", frames), "");
  const LoadResult r = load_recording(dir_ + "C.ac1");
  ASSERT_TRUE(r.ok());
  ChannelReader reader;
  ASSERT_TRUE(reader.open(r.recording.table, 0));
  std::array<Sample, 30> got{};
  // The whole record decodes; past the last record nothing does.
  EXPECT_EQ(reader.read(0, got), 20);
  EXPECT_TRUE(got[0].marker);
  EXPECT_EQ(got[0].value, 90);
  EXPECT_EQ(got[0].coded(), 100090);
  EXPECT_FALSE(got[1].marker);
  EXPECT_EQ(got[1].value, 2000);
  EXPECT_EQ(reader.held(), 2);
}

// The reader decodes a record of text fields or waveform words in one loop of its own: it must
// give what the sample rule gives for any bytes (blanks, tabs, lower case, stray characters,
// NUL), fields cut at byte 255 included, reading on through large blocks and back again.
TEST_F(LoaderTest, ReaderDecodesTextRecordsAsTheSampleRule) {
  constexpr int kRecords = 300;
  std::string alphabet = "0123456789abcdefABCDEF  \t\tGz-";
  alphabet += '\0';
  std::mt19937 random(11);
  std::string bytes(256 * (kRecords + 1), ' ');
  for (char& b : bytes) b = alphabet[random() % alphabet.size()];
  const std::string path = dir_ + "MIXED__0";
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  struct Case {
    char code;
    char kind;
    int per_record;
    int width;
  };
  using namespace common;
  for (const Case c : {Case{'0', kKindAcceleration, 63, 4}, Case{'0', kKindAcceleration, 64, 4},
                       Case{'1', kKindLevel, 63, 4}, Case{'5', kKindHeartRate, 63, 4}, Case{'4', kKindTilt, 240, 1},
                       Case{'a', kKindWave, 120, 2}, Case{'b', kKindWave, 128, 2}}) {
    ChannelReader reader;
    ASSERT_TRUE(reader.open(path, {c.code, c.kind, nullptr, c.per_record, c.width == 2 ? 1 : 3, c.width, c.width != 2}));
    const std::int64_t samples = static_cast<std::int64_t>(kRecords) * c.per_record;
    const auto expected = [&](std::int64_t j) {
      const std::string_view record(bytes.data() + 256 * (1 + j / c.per_record), 256);
      return common::decode_channel_sample(record, c.code, c.kind, static_cast<int>(j % c.per_record));
    };
    for (std::int64_t j = 0; j < samples; ++j) {
      const std::optional<Sample> got = reader.at(j);
      ASSERT_TRUE(got) << c.kind << " " << j;
      ASSERT_EQ(got->value, expected(j)) << c.kind << " per " << c.per_record << " sample " << j;
      ASSERT_FALSE(got->marker);
    }
    EXPECT_FALSE(reader.at(samples));
    for (std::int64_t j = samples - 1; j >= 0; j -= 97) ASSERT_EQ(reader.at(j)->value, expected(j)) << j;
  }
}

TEST_F(LoaderTest, ReaderHoldsWhatTheFileHolds) {
  // 130 words, the last record cut after 20 bytes: 10 words there, and the header says 130.
  const std::string path = word_file("CUT____a", header(130), std::vector<std::uint16_t>(130, 2048));
  fs::resize_file(path, 2 * 256 + 20);
  ChannelReader reader;
  ASSERT_TRUE(reader.open(path, word_coding('a')));
  EXPECT_TRUE(reader.word(129 - 10));
  EXPECT_FALSE(reader.word(120 + 10));    // its bytes are not in the file
  EXPECT_TRUE(reader.field(120 + 10));    // a short record reads as NUL-filled...
  EXPECT_FALSE(reader.field(240));        // ...but not past the last record
  EXPECT_FALSE(reader.at(-1));
  // Text records: the padding after the last sample is not counted, nor samples past the
  // header's count.
  const ChannelCoding acc{'0', 'A', nullptr, 50, 3, 4, true};
  ChannelReader text;
  ASSERT_TRUE(text.open(text_file("TXT____0", header(60), 'A', "#0", std::vector<std::uint32_t>(55, 7)), acc));
  EXPECT_EQ(text.held(), 55);
  ASSERT_TRUE(text.open(text_file("TXU____0", header(52), 'A', "#0", std::vector<std::uint32_t>(55, 7)), acc));
  EXPECT_EQ(text.held(), 52);
}

}  // namespace
