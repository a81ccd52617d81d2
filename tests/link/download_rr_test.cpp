// Byte words, the heart rate and RR index derived from RR intervals, the finished RR headers,
// the waveform headers and the live waveform display of a streaming recorder.
#include "link/rr_download.h"
#include "link/waveform_display.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/recording_format.h"
#include "common/text.h"
#include "download_expect.h"
#include "sim/inprocess_port.h"
#include "ui/testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

std::string words_of(const std::vector<unsigned>& values) {
  std::string out;
  for (unsigned v : values) {
    out += static_cast<char>(v & 255);
    out += static_cast<char>(v >> 8);
  }
  return out;
}

class RrFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "rr_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    line_ = "CE12010930" + std::string(110, '0') + "\r";
    ASSERT_TRUE(ambcomm::open_rr_companions(rr_, dir_ + "/R5", dir_ + "/Ri", line_));
    ASSERT_TRUE(rr_file_.open(dir_ + "/R6", common::RecordFile::Mode::ReadWriteCreate));
    std::string header = line_;
    common::set_mid(header, 1, "RR");
    rr_file_.write(1, header);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Feeds the values block by block (60 a block), as the download does, and finishes.
  void feed(const std::vector<unsigned>& values, std::string_view interval = "1", std::string_view mode = "P") {
    std::string record;
    const std::size_t blocks = (values.size() + 59) / 60;
    for (std::size_t b = 0; b < blocks; ++b) {
      const std::size_t n = std::min<std::size_t>(60, values.size() - 60 * b);
      std::vector<unsigned> part(values.begin() + static_cast<long>(60 * b), values.begin() + static_cast<long>(60 * b + n));
      ambcomm::CHG_RR("RR", rr_, words_of(part), static_cast<int>(n), static_cast<int>(b % 2), record, b == 0,
                      b + 1 == blocks, interval);
      if (b % 2 == 1 || b + 1 == blocks) rr_file_.write(static_cast<std::int64_t>(2 + b / 2), record);
    }
    ambcomm::END_RR_REQ("RR", rr_, rr_file_, mode, static_cast<std::int64_t>(values.size()));
    rr_file_.close();
  }
  std::vector<std::string> hr() { return dltest::records(dir_ + "/R5"); }
  std::vector<std::string> index() { return dltest::records(dir_ + "/Ri"); }

  std::string dir_;
  std::string line_;
  ambcomm::RrDerivation rr_;
  common::RecordFile rr_file_;
};

TEST(ByteWords, PackedTripleUnpacksLowByteFirst) {
  const std::string words = ambcomm::convert_byte_frame("#6", "\x34\x12\x56");
  EXPECT_EQ(words, std::string("\x34\x02\x56\x01", 4));
  EXPECT_EQ(common::binary_word(words, 0), 0x234);
  EXPECT_EQ(common::binary_word(words, 1), 0x156);
  // The text frame carries the same three bytes as six hex characters.
  EXPECT_EQ(ambcomm::convert_text_words("341256"), words);
}

TEST_F(RrFiles, EightHundredsCloseOneIntervalEach) {
  feed({800, 800, 800});
  auto h = hr();
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].substr(0, 2), "CE");
  EXPECT_EQ(h[1].substr(0, 10), "#5004B004B");
  auto ix = index();
  ASSERT_EQ(ix.size(), 2u);
  EXPECT_EQ(common::rr_index_entry(ix[1], 0), 2u);
  EXPECT_EQ(common::rr_index_entry(ix[1], 1), 3u);
  // The partial index record is filled with NUL bytes.
  EXPECT_EQ(ix[1].substr(8), std::string(247, '\0'));
  EXPECT_EQ(common::mid(ix[0], 1, 2), "IX");
  EXPECT_EQ(common::mid(ix[0], 11, 4), "FFFF");
  EXPECT_EQ(common::mid(ix[0], 55, 8), "00000001");
  // The RR file keeps its words; its header is only finished for the RR recorder.
  auto rrf = dltest::records(dir_ + "/R6");
  EXPECT_EQ(common::binary_word(rrf[1], 2), 800);
  EXPECT_EQ(common::mid(rrf[0], 11, 4), "0000");
}

TEST_F(RrFiles, AZeroValueCountsAs4096AndIsCarried) {
  // 0 (4096 ms) closes intervals 1-4 with 60000 / 4096; 1000 then closes the fifth with the
  // carried sum: 60000 x 1 / 5096.
  feed({0, 1000});
  auto h = hr();
  ASSERT_EQ(h.size(), 2u);
  const int first = static_cast<int>(common::round_half_even(60000.0 / 4096));
  const int carried = static_cast<int>(common::round_half_even(60000.0 / 5096));
  std::string want = "#5";
  for (int k = 0; k < 4; ++k) want += common::hex_field(static_cast<std::uint64_t>(first), 4);
  want += common::hex_field(static_cast<std::uint64_t>(carried), 4);
  EXPECT_EQ(h[1].substr(0, want.size()), want);
  EXPECT_EQ(common::mid(index()[0], 55, 8), "00000004");
}

TEST_F(RrFiles, SixtyOneValuesMakeAFullAndAOneValueRecord) {
  // 62 beats of 1000 ms at 1 s: beat k + 2 closes interval k, 61 values in all.
  feed(std::vector<unsigned>(62, 1000));
  auto h = hr();
  auto ix = index();
  ASSERT_EQ(h.size(), 3u);
  ASSERT_EQ(ix.size(), 3u);
  EXPECT_EQ(h[1].size(), 255u);
  EXPECT_EQ(h[1].substr(0, 242), "#5" + std::string() + [] {
    std::string s;
    for (int k = 0; k < 60; ++k) s += "003C";
    return s;
  }());
  EXPECT_EQ(h[2].substr(0, 6), "#5003C");
  EXPECT_EQ(h[2][6], '\0');
  // A full index record is filled with blanks, the last one with NUL bytes.
  EXPECT_EQ(ix[1].substr(240), std::string(15, ' '));
  EXPECT_EQ(common::rr_index_entry(ix[1], 59), 61u);
  EXPECT_EQ(common::rr_index_entry(ix[2], 0), 62u);
  EXPECT_EQ(ix[2].substr(4), std::string(251, '\0'));
  EXPECT_EQ(common::mid(ix[0], 55, 8), "0000003C");
}

TEST_F(RrFiles, HundredValuesWriteSixtyThreeAndTheRrRecorderFinishesEveryHeader) {
  feed(std::vector<unsigned>(101, 1000), "1", "L");
  EXPECT_EQ(rr_.total, 100);
  // Each header says what its file holds: the index and the RR file the recording's count
  // (the line's 113-120 is empty here: the 101 intervals the RR data runs into), the
  // heart-rate file its 100 values; at 55-62 the last entry's number, the RR file's 101 words.
  const struct {
    const char* file;
    const char* at55;
    std::uint32_t count;
  } want[] = {{"/Ri", "00000063", 101}, {"/R5", "00000063", 100}, {"/R6", "00000065", 101}};
  for (const auto& w : want) {
    SCOPED_TRACE(w.file);
    auto h = dltest::records(dir_ + w.file)[0];
    EXPECT_EQ(common::mid(h, 11, 4), "FFFF");
    EXPECT_EQ(common::mid(h, 55, 8), w.at55);
    EXPECT_EQ(common::mid(h, 63, 1), "0");
    EXPECT_EQ(common::read_header(h).count, w.count);
  }
}

TEST_F(RrFiles, HeartRateAndIndexHeadersCountWhatTheRrDataCovers) {
  // Mode "P" of a recording of 0x0E10 = 3600 samples whose RR data covers 5 seconds: the
  // heart-rate file holds 5 values and says so; the index keeps the recording's count.
  line_.replace(10, 4, "0E10");
  rr_file_.write(1, "RR" + line_.substr(2, 118));
  feed(std::vector<unsigned>(6, 1000));
  EXPECT_EQ(common::read_header(hr()[0]).count, 5u);
  EXPECT_EQ(common::read_header(index()[0]).count, 3600u);
  EXPECT_EQ(common::mid(index()[0], 55, 8), "00000004");
  EXPECT_EQ(common::read_header(dltest::records(dir_ + "/R6")[0]).count, 3600u);
}

TEST(WaveformHeader, IntervalAndTheEcgWaveCount) {
  const std::string line = "LA12010930" + std::string(110, '0');
  std::string h = ambcomm::waveform_header(line, "wA", 100);
  EXPECT_EQ(common::mid(h, 15, 4), "b001");
  EXPECT_EQ(common::mid(h, 11, 4), "0000");
  h = ambcomm::waveform_header(line, "wD", 100);
  EXPECT_EQ(common::mid(h, 11, 4), "01F4");
  EXPECT_EQ(common::mid(h, 113, 8), "000001F4");
  h = ambcomm::waveform_header(line, "wD", 13108);  // 65540 values
  EXPECT_EQ(common::mid(h, 11, 4), "FFFF");
  EXPECT_EQ(common::mid(h, 113, 8), "00010004");
}

TEST(LiveWaveform, PlotsTheStreamUntilTheWindowCloses) {
  ambsim::RecorderConfig c;
  c.model = "PW";  // a heading the link does not know: the recorder streams
  ambsim::InProcessPort port(c);
  ui::testing::TestPlatform tp;
  ambcomm::LinkState state;
  ambcomm::Link link{port, tp.clock, tp.pump, state};
  tp.pump.play_on_pending(true);
  for (int i = 0; i < 120; ++i) tp.pump.then([] {});
  std::string caption;
  std::vector<ui::testing::Primitive> lines;
  tp.pump.then(
      [&] {
        auto& form = tp.forms.form("FORM3");
        caption = form.caption();
        lines = form.recording().of_kind(ui::testing::PrimitiveKind::Line);
        form.user_close();
      },
      "user closes the display");
  ambcomm::PW_WAVE(link, tp.forms);
  EXPECT_FALSE(port.is_open());
  EXPECT_EQ(port.stop_bits(), 1);
  EXPECT_FALSE(tp.forms.has_form("FORM3"));
  EXPECT_EQ(caption, "PW-4 波形表示");
  ASSERT_FALSE(lines.empty());
  // Segments in colour 0 advance one point at a time from x = 21, around the base line 120.
  std::vector<int> xs;
  for (const auto& l : lines)
    if (l.colour == ui::palette(0)) xs.push_back(l.points[1].x);
  ASSERT_GE(xs.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(xs[i], 21 + static_cast<int>(i));
  EXPECT_EQ(ambcomm::wave_y(2048), 120);
  EXPECT_EQ(ambcomm::wave_y(ambcomm::wave_value(0x3F | 0xC0, 0x3F)), 120 + 205);
}

}  // namespace
