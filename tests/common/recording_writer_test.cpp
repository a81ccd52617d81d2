// Whole recording files from the writer: record counts, record contents, replacing a longer
// file, refusing a directory; and the case-blind file look-up the readers rely on.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "common/file_lookup.h"
#include "common/record_file.h"
#include "common/recording_writer.h"
#include "common/text.h"

using namespace common;
namespace fs = std::filesystem;

namespace {

class WriterFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "writer_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl + "/";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> records(const std::string& path) {
    RecordFile f;
    EXPECT_TRUE(f.open(path, RecordFile::Mode::ReadOnly));
    std::vector<std::string> out;
    for (std::int64_t n = 1; n <= f.record_count(); ++n) out.push_back(*f.read(n));
    return out;
  }
  std::string dir_;
};

}  // namespace

TEST_F(WriterFiles, TextChannelRecordsCarryPrefixAndFiftySamples) {
  std::vector<std::uint32_t> raw(101);
  for (std::uint32_t i = 0; i < raw.size(); ++i) raw[i] = i;
  const auto h = make_channel_header("ce", "2412081030", 101, 'F');
  ASSERT_EQ(write_text_channel_file(dir_ + "X______1", h, 'A', "X0", raw), "");
  const auto recs = records(dir_ + "X______1");
  ASSERT_EQ(recs.size(), 4u);  // header + 50 + 50 + 1
  EXPECT_EQ(fs::file_size(dir_ + "X______1"), 4u * 256u);
  EXPECT_EQ(mid(recs[1], 1, 10), "X000000001");
  EXPECT_EQ(mid(recs[2], 3, 4), "0032");  // sample 50
  EXPECT_EQ(mid(recs[3], 1, 7), "X00064 ");
  EXPECT_EQ(decode_channel_sample(recs[3], '1', 'A', 0), 200);
  // Tilt: one hex digit per sample, 240 a record.
  ASSERT_EQ(write_text_channel_file(dir_ + "X______4", h, '4', "#4", std::vector<std::uint32_t>(241, 0xF)), "");
  const auto tilt = records(dir_ + "X______4");
  ASSERT_EQ(tilt.size(), 3u);
  EXPECT_EQ(mid(tilt[1], 242, 1), "F");
  EXPECT_EQ(mid(tilt[2], 1, 4), "#4F ");
  EXPECT_NE(write_text_channel_file(dir_ + "X______6", h, '6', "#6", raw), "");  // RR is binary
}

TEST_F(WriterFiles, WordFilesHoldTwoBlocksPerRecord) {
  std::vector<std::uint16_t> words(181);
  for (std::uint16_t i = 0; i < words.size(); ++i) words[i] = static_cast<std::uint16_t>(0x0100 + i);
  ASSERT_EQ(write_word_file(dir_ + "W______a", make_channel_header("wA", "2412081030", 181, 'b'), words), "");
  const auto recs = records(dir_ + "W______a");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(recs[1][0]), 0x00);  // low byte first
  EXPECT_EQ(static_cast<unsigned char>(recs[1][1]), 0x01);
  EXPECT_EQ(binary_word(recs[1], 119), 0x0100 + 119);
  EXPECT_EQ(binary_word(recs[2], 60), 0x0100 + 180);
  EXPECT_EQ(mid(recs[0], 1, 2), "wA");
}

TEST_F(WriterFiles, RRIndexFileHeaderAndEntries) {
  std::vector<std::uint32_t> entries(61);
  for (std::uint32_t i = 0; i < entries.size(); ++i) entries[i] = 3 * i + 0x01000000;
  ASSERT_EQ(write_rr_index_file(dir_ + "R______i", make_channel_header("IX", "2412081030", 300, '0', 1), entries), "");
  const auto recs = records(dir_ + "R______i");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(mid(recs[0], 11, 4), "FFFF");
  EXPECT_EQ(mid(recs[0], 55, 8), "0000003C");  // the last entry's number, as the programs write it
  EXPECT_EQ(read_header(recs[0]).count, 300u);  // 113-120 keep the count
  EXPECT_EQ(rr_index_entry(recs[2], 0), entries[60]);
  EXPECT_EQ(recs[2][4], '\0');
}

TEST_F(WriterFiles, ReplacesALongerFileAndRefusesADirectory) {
  const auto h = make_channel_header("ce", "2412081030", 500, 'F');
  ASSERT_EQ(write_text_channel_file(dir_ + "Y______0", h, 'A', "#0", std::vector<std::uint32_t>(500, 1)), "");
  ASSERT_EQ(write_text_channel_file(dir_ + "Y______0", h, 'A', "#0", std::vector<std::uint32_t>(10, 1)), "");
  EXPECT_EQ(records(dir_ + "Y______0").size(), 2u);  // no stale records behind the new data
  fs::create_directory(dir_ + "Z______0");
  EXPECT_NE(write_text_channel_file(dir_ + "Z______0", h, 'A', "#0", std::vector<std::uint32_t>(1, 1)), "");
}

TEST_F(WriterFiles, ChannelFileNames) {
  EXPECT_EQ(channel_file_name("/d/", "ABC", '0', ".DAT"), "/d/ABC____0.DAT");
  EXPECT_EQ(channel_file_name("", "SUBJECT01", 'E'), "SUBJECTE");
}

TEST_F(WriterFiles, CaseBlindLookUp) {
  std::ofstream(dir_ + "REC____E").put('x');
  std::ofstream(dir_ + "Rec____f").put('x');
  std::ofstream(dir_ + "rec____f").put('x');
  fs::create_directory(dir_ + "REC____G");
  EXPECT_EQ(find_file_ignoring_case(dir_, "rec____e"), dir_ + "REC____E");
  EXPECT_EQ(find_file_ignoring_case(dir_, "rec____f"), dir_ + "rec____f");  // exact match first
  EXPECT_EQ(find_file_ignoring_case(dir_, "REC____F"), dir_ + "Rec____f");  // then smallest name
  EXPECT_EQ(find_file_ignoring_case(dir_, "rec____g"), std::nullopt);       // directories are not files
  EXPECT_EQ(find_file_ignoring_case(dir_, "rec____h"), std::nullopt);
  EXPECT_EQ(find_file_ignoring_case(dir_ + "nowhere/", "x"), std::nullopt);
  EXPECT_EQ(find_path_ignoring_case(dir_ + "ReC____e"), dir_ + "REC____E");
  std::string no_slash = dir_.substr(0, dir_.size() - 1);
  EXPECT_EQ(find_file_ignoring_case(no_slash, "REC____e"), dir_ + "REC____E");
}
