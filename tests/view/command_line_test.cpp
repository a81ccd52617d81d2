// ambview's command line without a process: dispatch, option parsing, and the info lines.
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/recording_writer.h"
#include "view/commands/command_line.h"

using namespace ambview;
namespace fs = std::filesystem;

TEST(CommandLine, DispatchAndUsageErrors) {
  std::ostringstream out, err;
  EXPECT_TRUE(is_subcommand("info"));
  EXPECT_FALSE(is_subcommand("--info"));
  EXPECT_EQ(run_command_line({"nonsense"}, out, err), kExitUsage);
  EXPECT_NE(err.str().find("unknown command"), std::string::npos);
  err.str("");
  EXPECT_EQ(run_command_line({"info"}, out, err), kExitUsage);
  EXPECT_EQ(run_command_line({"info", "a", "b"}, out, err), kExitUsage);
  EXPECT_EQ(run_command_line({"info", "--start", "5", "a"}, out, err), kExitUsage);
  EXPECT_NE(err.str().find("unknown option --start"), std::string::npos);
  EXPECT_EQ(out.str(), "");
}

TEST(CommandLine, OptionParsing) {
  ParsedArgs p = parse_args({"FILE", "--start", "10", "--yes", "--span", "-5"}, {"start", "span"}, {"yes"});
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.positional, std::vector<std::string>{"FILE"});
  EXPECT_EQ(p.options.at("start"), "10");
  EXPECT_EQ(p.options.at("span"), "-5");  // a value may start with "-"
  EXPECT_TRUE(p.has("yes"));
  EXPECT_EQ(parse_args({"--start"}, {"start"}).error, "option --start needs a value");
  EXPECT_EQ(parse_args({"--start", "1", "--start", "2"}, {"start"}).error, "option --start given twice");
  EXPECT_EQ(parse_args({"--bogus"}, {"start"}).error, "unknown option --bogus");
}

TEST(CommandLine, InfoPrintsKeyValueLinesWithUtf8Comment) {
  std::string dir = (fs::temp_directory_path() / "cmdline_test_XXXXXX").string();
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  auto h = common::make_channel_header("ce", "2402291155", 7201, 'F', 0, common::utf8_to_cp932("被験者ｱ"));
  h.thresholds = {10, 25, 2000};
  h.ecg_blocks = 1;
  ASSERT_EQ(common::write_text_channel_file(dir + "/INFO___0", h, 'A', "#0", std::vector<std::uint32_t>(7201, 3)), "");
  ASSERT_EQ(common::write_text_channel_file(dir + "/INFO___5", h, '5', "#5", std::vector<std::uint32_t>(7201, 60)), "");

  std::ostringstream out, err;
  EXPECT_EQ(run_command_line({"info", dir + "/INFO___0"}, out, err), kExitOk);
  EXPECT_EQ(out.str(),
            "start: 2402291155\n"
            "comment: 被験者ｱ\n"
            "samples: 7201\n"
            "interval: 0.04\n"
            "duration: 288\n"
            "offset: 0\n"
            "ecg_blocks: 1\n"
            "thresholds: 0.02 0.05 4\n"
            "channels: 0/A 5/5\n");
  EXPECT_EQ(err.str(), "");

  std::ostringstream out2, err2;
  EXPECT_EQ(run_command_line({"info", dir}, out2, err2), kExitDataError);
  EXPECT_NE(err2.str().find("処理できるデーターではありません"), std::string::npos);
  EXPECT_NE(err2.str().find("directory"), std::string::npos);
  EXPECT_EQ(out2.str(), "");
  fs::remove_all(dir);
}
