// `ambview hrv` on hand-made sets: the whole CSV of a range against hand-computed values,
// the bad inputs that write nothing, and the same bytes under a decimal-comma locale.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <locale>
#include <sstream>
#include <vector>

#include "common/recording_writer.h"
#include "shell_fixture.h"
#include "view/commands/command_line.h"

namespace ambview::testing {
namespace {

// 800 850 | 250 artefact | 900 960 end at 0.8 1.65 1.9 2.8 3.76 s; three zero words and 904
// make one interval of 13192 ms ending at 16.952 s (an artefact), then 1000 ends at 17.952 s.
const std::vector<std::uint16_t> kWords{800, 850, 250, 900, 960, 0, 0, 0, 904, 1000};

class HrvCommandTest : public ViewerTest {
 protected:
  // A set of 20 one-second samples starting 2026-12-31 23:58: channel 0 and the RR channel
  // with `words`. Answers the path of channel 0.
  std::string make_set(const std::vector<std::uint16_t>& words) {
    fs::create_directories(root_ / "set");
    const std::string dir = (root_ / "set").string() + "/";
    const std::string first = common::channel_file_name(dir, "H", '0');
    EXPECT_EQ(common::write_text_channel_file(first, common::make_channel_header("ce", "2612312358", 20, '0', 1), 'A',
                                              "#0", std::vector<std::uint32_t>(20, 100)),
              "");
    EXPECT_EQ(common::write_word_file(common::channel_file_name(dir, "H", '6'),
                                      common::make_channel_header("RR", "2612312358", 20, '0', 1), words),
              "");
    return first;
  }
  int hrv(std::vector<std::string> args) {
    args.insert(args.begin(), "hrv");
    out_.str("");
    err_.str("");
    return run_command_line(args, out_, err_);
  }
  std::ostringstream out_, err_;
};

TEST_F(HrvCommandTest, RangesGiveTheHandComputedCsv) {
  const std::string file = make_set(kWords);
  struct Case {
    std::vector<std::string> options;
    std::string csv;
  };
  const std::string header = "start,beats,excluded,mean_rr_ms,sdnn_ms,rmssd_ms,pnn50_pct,mean_hr_bpm\n";
  const Case cases[] = {
      // The whole recording: the artefacts break the differences 850-900 and 13192-1000;
      // empty windows keep their row with empty values; "all" differences span windows.
      {{"--window", "5"},
       header + "2026-12-31 23:58:00,4,1,877.500,68.496,55.227,50.000,68.376\n"
                "2026-12-31 23:58:05,0,0,,,,,\n"
                "2026-12-31 23:58:10,0,0,,,,,\n"
                "2026-12-31 23:58:15,1,1,1000.000,,,,60.000\n"
                "all,5,2,902.000,80.747,55.227,50.000,66.519\n"},
      // From 2 s for 13 s: the beat at 1.9 s is outside, the last window [12, 15) is short.
      {{"--start", "2", "--span", "13", "--window", "5"},
       header + "2026-12-31 23:58:02,2,0,930.000,42.426,60.000,100.000,64.516\n"
                "2026-12-31 23:58:07,0,0,,,,,\n"
                "2026-12-31 23:58:12,0,0,,,,,\n"
                "all,2,0,930.000,42.426,60.000,100.000,64.516\n"},
      // One-second windows: one kept beat each (no SDNN, no difference), the artefact at
      // 1.9 s in [1, 2) with 850; over the range only 900-960 is a difference.
      {{"--start", "1", "--span", "3", "--window", "1"},
       header + "2026-12-31 23:58:01,1,1,850.000,,,,70.588\n"
                "2026-12-31 23:58:02,1,0,900.000,,,,66.667\n"
                "2026-12-31 23:58:03,1,0,960.000,,,,62.500\n"
                "all,3,1,903.333,55.076,60.000,100.000,66.421\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{file};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(hrv(args), 0) << err_.str();
    EXPECT_EQ(out_.str(), c.csv) << c.options[1];
  }
  // --out writes the same bytes and names the file.
  const std::string csv_path = (root_ / "set" / "h.csv").string();
  ASSERT_EQ(hrv({file, "--window", "5", "--out", csv_path}), 0) << err_.str();
  EXPECT_EQ(out_.str(), csv_path + "\n");
  EXPECT_EQ(read_bytes(csv_path), cases[0].csv);
}

TEST_F(HrvCommandTest, BadInputSaysWhyAndWritesNothing) {
  const std::string file = make_set(kWords);
  const std::string rr = (root_ / "set" / "H______6").string();
  const std::string rr_bytes = read_bytes(rr);
  std::vector<std::uint16_t> damaged = kWords;
  damaged[3] = 0x2345;  // no 12-bit RR value
  const std::string broken = [&] {
    fs::create_directories(root_ / "bad");
    const std::string dir = (root_ / "bad").string() + "/";
    EXPECT_EQ(common::write_text_channel_file(common::channel_file_name(dir, "B", '0'),
                                              common::make_channel_header("ce", "2612312358", 20, '0', 1), 'A', "#0",
                                              std::vector<std::uint32_t>(20, 100)),
              "");
    EXPECT_EQ(common::write_word_file(common::channel_file_name(dir, "B", '6'),
                                      common::make_channel_header("RR", "2612312358", 20, '0', 1), damaged),
              "");
    return common::channel_file_name(dir, "B", '0');
  }();
  const std::string out_csv = (root_ / "set" / "x.csv").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {{broken, "--out", out_csv}, 1, "damaged"},
      {{file, "--start", "18", "--span", "2", "--out", out_csv}, 1, "holds no RR interval"},
      {{file, "--start", "20", "--out", out_csv}, 1, "the range is empty"},
      {{file, "--window", "0", "--out", out_csv}, 2, "--window needs a whole number"},
      {{file, "--span", "1.5", "--out", out_csv}, 2, "--span needs a whole number"},
      {{file, "--out", (root_ / "none" / "x.csv").string()}, 2, "no directory"},
      {{file, "--out", rr}, 1, "it is not written over"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hrv(c.args), c.status) << c.says;
    EXPECT_NE(err_.str().find(c.says), std::string::npos) << err_.str();
    EXPECT_EQ(out_.str(), "") << c.says;
  }
  EXPECT_FALSE(fs::exists(out_csv));
  EXPECT_EQ(read_bytes(rr), rr_bytes);
  // A set without an RR channel.
  fs::remove(rr);
  EXPECT_EQ(hrv({file}), 1);
  EXPECT_NE(err_.str().find("no RR channel"), std::string::npos) << err_.str();
  EXPECT_EQ(out_.str(), "");
}

TEST_F(HrvCommandTest, DecimalPointsWhateverTheLocale) {
  const std::string file = make_set(kWords);
  ASSERT_EQ(hrv({file, "--window", "5"}), 0);
  const std::string in_c = out_.str();
  const std::locale old = std::locale::global(std::locale::classic());
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not available";
  std::locale::global(std::locale("de_DE.UTF-8"));
  std::ostringstream out, err;
  const int status = run_command_line({"hrv", file, "--window", "5"}, out, err);
  std::setlocale(LC_ALL, "C");
  std::locale::global(old);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.str(), in_c);
}

}  // namespace
}  // namespace ambview::testing
