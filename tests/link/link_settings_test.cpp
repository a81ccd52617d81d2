// "ACC.PRM" through the link program's codec: a record read and written back is the same
// record byte for byte, with every slot the link program uses typed and the others carried.
#include "link/link_settings.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/settings_record.h"
#include "common/text.h"

namespace {

TEST(LinkSettings, ARecordComesBackByteForByteWithItsFieldsTyped) {
  // A file as a user's earlier runs leave it: a Japanese folder, a download name, the colours
  // and display settings of the analysis program, the calorie settings, port and timer.
  std::string rec(256, ' ');
  const std::string folder = common::utf8_to_cp932("/home/u/測定/");
  rec[0] = static_cast<char>(folder.size());
  common::set_mid(rec, 2, folder);
  common::set_mid(rec, 81, "run____");
  common::set_mid(rec, 111, "0101     FF      E0E0    800080  0       0       0       0   FFFFFF  0       .ac08   ");
  common::set_mid(rec, 196, "  2 35 60     4 0.021 0.078 3.08368.074    14");
  common::set_mid(rec, 241, "3 250");

  const ambcomm::LinkSettings s =
      ambcomm::parse_link_settings(common::unpack_settings(rec, common::SettingsFlavour::Link));
  EXPECT_EQ(s.data_directory, folder);
  EXPECT_EQ(s.file_name, "run____");
  EXPECT_EQ(s.extension, ".ac0");
  EXPECT_EQ(s.calorie.rq_row, " 2");
  EXPECT_EQ(s.calorie.weight, "60");
  EXPECT_EQ(s.calorie.c, " 3.083");
  EXPECT_EQ(s.calorie.floor, "    14");
  EXPECT_EQ(s.port_index, 3);
  EXPECT_EQ(s.timer, 250);
  EXPECT_EQ(common::pack_settings(ambcomm::format_link_settings(s), common::SettingsFlavour::Link), rec);
}

}  // namespace
