// The shared settings record: field positions, cutting, and both read-back flavours.
#include <gtest/gtest.h>

#include "common/settings_record.h"
#include "common/text.h"

using namespace common;

namespace {
SettingsSlots sample_slots() {
  SettingsSlots s;
  s[1] = "/home/user/data/";
  s[2] = "SUBJECT";
  s[3] = "0";
  s[4] = "1";
  s[5] = "0";
  s[6] = "10";
  s[7] = "800000";
  s[13] = "0.5";
  s[16] = ".ac0";
  s[17] = "8";
  s[18] = "2";
  s[19] = " ";
  s[20] = "65.5";
  s[21] = "1";
  s[22] = "0.021";
  s[23] = "0.0215599";
  s[27] = "3";
  s[28] = " 100";
  return s;
}
}  // namespace

TEST(SettingsRecord, FieldsLandAtTheirPositions) {
  std::string rec = pack_settings(sample_slots(), SettingsFlavour::Viewer);
  ASSERT_EQ(rec.size(), 256u);
  EXPECT_EQ(static_cast<unsigned char>(rec[0]), 16);
  EXPECT_EQ(mid(rec, 2, 16), "/home/user/data/");
  EXPECT_EQ(mid(rec, 81, 8), "SUBJECT ");
  EXPECT_EQ(mid(rec, 111, 3), "010");
  EXPECT_EQ(mid(rec, 114, 6), "10    ");
  EXPECT_EQ(mid(rec, 188, 4), ".ac0");
  EXPECT_EQ(mid(rec, 196, 3), "  2");
  EXPECT_EQ(mid(rec, 199, 3), "  0");   // a blank age is stored as its number
  EXPECT_EQ(mid(rec, 202, 3), "65.");   // a longer text keeps its leftmost characters
  EXPECT_EQ(mid(rec, 211, 6), " 0.021");
  EXPECT_EQ(mid(rec, 217, 6), "0.0215");
  EXPECT_EQ(mid(rec, 241, 1), "3");
  EXPECT_EQ(mid(rec, 242, 4), " 100");
}

TEST(SettingsRecord, ViewerReadBack) {
  SettingsSlots s = unpack_settings(pack_settings(sample_slots(), SettingsFlavour::Viewer),
                                    SettingsFlavour::Viewer);
  EXPECT_EQ(s[1], "/home/user/data/");
  EXPECT_EQ(s[2], "SUBJECT");
  EXPECT_EQ(s[6], "10");
  EXPECT_EQ(s[7], "800000  ");  // colours come back with their trailing blanks
  EXPECT_EQ(s[16], ".ac0");
  EXPECT_EQ(s[18], " 2");
  EXPECT_EQ(s[19], " 0");
  EXPECT_EQ(s[20], " 65");
  EXPECT_EQ(s[22], " 0.021");  // stored as text, read with its leading blank
}

TEST(SettingsRecord, LinkReadsWeightWithoutLeadingBlank) {
  SettingsSlots s = unpack_settings(pack_settings(sample_slots(), SettingsFlavour::Link),
                                    SettingsFlavour::Link);
  EXPECT_EQ(s[20], "65");
  EXPECT_EQ(s[18], " 2");
  EXPECT_EQ(s[28], " 100");
}

TEST(SettingsRecord, LongDirectoryIsCutButItsLengthKept) {
  SettingsSlots in = sample_slots();
  in[1] = std::string(79, 'd');
  SettingsSlots out = unpack_settings(pack_settings(in, SettingsFlavour::Viewer), SettingsFlavour::Viewer);
  EXPECT_EQ(out[1], in[1]);
  in[1] = std::string(90, 'e');
  std::string rec = pack_settings(in, SettingsFlavour::Viewer);
  EXPECT_EQ(static_cast<unsigned char>(rec[0]), 90);
  out = unpack_settings(rec, SettingsFlavour::Viewer);
  EXPECT_EQ(out[1], std::string(79, 'e'));
  EXPECT_EQ(static_cast<unsigned char>(out[0][0]), 90);
}

TEST(SettingsRecord, ShortOrEmptyRecordDoesNotCrash) {
  SettingsSlots s = unpack_settings("", SettingsFlavour::Viewer);
  EXPECT_EQ(s[1], "");
  EXPECT_EQ(s[2], "");
  EXPECT_EQ(s[18], " 0");
}
