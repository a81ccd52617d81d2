// CP932 codec pins and the 256-byte record file.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/record_file.h"

using namespace common;

TEST(Cp932, PinsControlCodesBackslashAndNecRows) {
  EXPECT_EQ(cp932_to_utf8("\x1a\x7f\x5c"), "\x1a\x7f\\");
  EXPECT_EQ(cp932_to_utf8("\x87\x40"), "①");
  EXPECT_EQ(cp932_to_utf8("\xb1"), "ｱ");  // half-width katakana
  EXPECT_EQ(utf8_to_cp932("ﾃﾞｰﾀｰ"), "\xc3\xde\xb0\xc0\xb0");
  EXPECT_EQ(utf8_to_cp932("無題"), "\x96\xb3\x91\xe8");
  EXPECT_EQ(cp932_to_utf8(utf8_to_cp932("測定条件受信-表示")), "測定条件受信-表示");
}

TEST(Cp932, BadBytesAreMarkedNotDropped) {
  EXPECT_EQ(cp932_to_utf8("A\x81"), "A\xEF\xBF\xBD");
  EXPECT_EQ(utf8_to_cp932("A😀B"), "A?B");
}

TEST(RecordFile, CountsReadsAndWritesRecords) {
  auto dir = std::filesystem::temp_directory_path() / "record_file_test";
  std::filesystem::create_directories(dir);
  auto path = (dir / "rec").string();
  std::filesystem::remove(path);

  RecordFile f;
  ASSERT_FALSE(f.open(path, RecordFile::Mode::ReadOnly));
  ASSERT_TRUE(f.open(path, RecordFile::Mode::ReadWriteCreate));
  EXPECT_EQ(f.record_count(), 0);
  ASSERT_TRUE(f.write(2, "second"));
  EXPECT_EQ(f.record_count(), 2);
  auto r2 = f.read(2);
  ASSERT_TRUE(r2);
  EXPECT_EQ(r2->size(), 256u);
  EXPECT_EQ(r2->substr(0, 6), "second");
  EXPECT_FALSE(f.read(3));
  f.close();

  // A size that is not a multiple of 256 rounds the count up; the short record is NUL-filled.
  { std::ofstream(path, std::ios::app | std::ios::binary) << "xyz"; }
  ASSERT_TRUE(f.open(path, RecordFile::Mode::ReadOnly));
  EXPECT_EQ(f.record_count(), 3);
  auto r3 = f.read(3);
  ASSERT_TRUE(r3);
  EXPECT_EQ(r3->substr(0, 4), std::string("xyz\0", 4));

  // A directory is not a record file.
  RecordFile d;
  EXPECT_FALSE(d.open(dir.string(), RecordFile::Mode::ReadOnly));
  std::filesystem::remove_all(dir);
}

TEST(Cp932, BaseNamesFitSevenShiftJisBytesWithoutSplittingACharacter) {
  EXPECT_EQ(cp932_fit("ABC", 7), "ABC____");
  EXPECT_EQ(cp932_fit("abcdefghij", 7), "abcdefg");
  // Full-width characters take two bytes: three fit, the fourth would split, so "_" fills.
  EXPECT_EQ(cp932_fit("測定データ", 7), "測定デ_");
  EXPECT_EQ(utf8_to_cp932(cp932_fit("測定データ", 7)).size(), 7u);
  // Half-width katakana take one byte each.
  EXPECT_EQ(cp932_fit("ﾃﾞｰﾀｰ", 7), "ﾃﾞｰﾀｰ__");
}
