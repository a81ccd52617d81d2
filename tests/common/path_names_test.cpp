// The path rule both programs share: separators, the first "." of the name part, 7-byte base
// names of whole characters, and the CP932 slot that keeps its value for a name outside CP932.
#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/path_names.h"

using namespace common;

TEST(PathNames, SplitOnEitherSeparatorAndOnlyTheNamePartHasAnExtension) {
  const struct {
    const char* path;
    const char* directory;
    const char* stem;
    const char* extension;
  } cases[] = {
      {"C:\\data\\ABC.DAT", "C:\\data\\", "ABC", ".DAT"},
      {"/home/u/.local/x/run", "/home/u/.local/x/", "run", ""},  // folders with dots do not cut the name
      {"/d/run.v2/ABC.DAT", "/d/run.v2/", "ABC", ".DAT"},
      {"rel/name.tar.gz", "rel/", "name", ".tar.gz"},  // from the first "." of the name
      {"/x/.hidden", "/x/", ".hidden", ""},           // a leading "." is no extension
      {"/run", "/", "run", ""},
      {"run", "", "run", ""},
      {"/Messungen/Müller café/S______0", "/Messungen/Müller café/", "S______0", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(directory_part(c.path), c.directory);
    EXPECT_EQ(stem_part(c.path), c.stem);
    EXPECT_EQ(extension_part(c.path), c.extension);
    EXPECT_EQ(without_extension(c.path), std::string(c.directory) + c.stem);
  }
}

TEST(PathNames, BaseNamesAreSevenShiftJisBytesOfWholeCharactersAsOnDisk) {
  EXPECT_EQ(recording_base_name("C:\\data\\ABC.DAT"), "ABC____");
  EXPECT_EQ(recording_base_name("/r/SUBJECT01.DAT"), "SUBJECT");
  EXPECT_EQ(recording_base_name("/r/NAME.ac0"), "NAME");  // combined names are not cut or padded
  // Three full-width characters and a "_" where the fourth would be split.
  EXPECT_EQ(fit_base_name("測定データ長い名前"), "測定デ_");
  // A character CP932 cannot hold stays as it is and counts as the one byte it is written as:
  // two recordings never share a name.
  EXPECT_EQ(fit_base_name("é1"), "é1_____");
  EXPECT_NE(fit_base_name("é1"), fit_base_name("ñ1"));
}

TEST(PathNames, ASlotKeepsItsLastValueForANameOutsideCp932) {
  EXPECT_TRUE(holds_in_cp932("/data/測定データ/"));
  EXPECT_EQ(slot_value("/data/測定データ/", "old"), utf8_to_cp932("/data/測定データ/"));
  EXPECT_FALSE(holds_in_cp932("/Messungen/Müller café/"));
  EXPECT_EQ(slot_value("/Messungen/Müller café/", "old"), "old");
}
