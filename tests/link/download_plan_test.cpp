// The channel plan of every model and mode: which files, their kinds, headings, prefixes and
// first requests; block sizes; the heart-rate block rewrite; names without extension.
#include "link/download_plan.h"
#include "link/download_file.h"

#include <gtest/gtest.h>

#include "common/conditions_record.h"
#include "sim/recorder.h"

namespace {

using ambcomm::plan_download;
using ambcomm::PlannedFile;

// The record as the condition request leaves it for a simulated recorder of these options.
common::ConditionsRecord conditions(std::string model, char mode, std::int64_t samples, int ecg = 0, char speed = 'A') {
  ambsim::RecorderConfig c;
  c.model = std::move(model);
  c.mode = mode;
  c.samples = samples;
  c.ecg = ecg;
  c.speed = speed;
  ambsim::Recorder r(c);
  common::ConditionsRecord rec;
  common::decode_conditions(r.conditions_line(), rec);
  return rec;
}

std::vector<std::string> rows(const std::vector<PlannedFile>& plan) {
  std::vector<std::string> out;
  for (const auto& f : plan) out.push_back(f.row);
  return out;
}

const PlannedFile& row(const std::vector<PlannedFile>& plan, const std::string& r) {
  for (const auto& f : plan)
    if (f.row == r) return f;
  static PlannedFile none;
  ADD_FAILURE() << "no row " << r;
  return none;
}

using Rows = std::vector<std::string>;

TEST(DownloadPlan, RowsByModelAndMode) {
  EXPECT_EQ(rows(plan_download(conditions("LA", '0', 100), "d/REC")), (Rows{"5", "6", "7", "8"}));
  EXPECT_EQ(rows(plan_download(conditions("LA", '1', 100), "d/REC")), (Rows{"5"}));
  EXPECT_EQ(rows(plan_download(conditions("La", '2', 100), "d/REC")), (Rows{"5", "6'"}));
  EXPECT_EQ(rows(plan_download(conditions("CE", '4', 100), "d/REC")), (Rows{"5", "6'", "7'", "8'"}));
  // Model CE in mode "@": channels 0-3, tilt, heart rate and the ECG blocks there are.
  EXPECT_EQ(rows(plan_download(conditions("CE", '@', 100, 2), "d/REC")), (Rows{"5", "6", "7", "8", "9", "10", "12", "13"}));
  EXPECT_EQ(rows(plan_download(conditions("ce", 'T', 100, 4), "d/REC")),
            (Rows{"5", "6'", "7'", "8'", "9", "11", "12", "13", "14", "15"}));
  // Waveform modes end after their waveform rows.
  EXPECT_EQ(rows(plan_download(conditions("La", '7', 100), "d/REC")), (Rows{"2"}));
  EXPECT_EQ(rows(plan_download(conditions("LA", '8', 100), "d/REC")), (Rows{"1", "2", "3"}));
  EXPECT_EQ(rows(plan_download(conditions("LA", '9', 100), "d/REC")), (Rows{"1", "2", "3", "4"}));
  // The RR recorder: only row 11 has data; rows 5 and 9 print their line with count 0.
  auto cf = plan_download(conditions("CF", 'P', 100), "d/REC");
  EXPECT_EQ(rows(cf), (Rows{"5", "9", "11"}));
  EXPECT_EQ(row(cf, "5").count, 0);
  EXPECT_GT(row(cf, "11").count, 0);
  // A recorder without a mode downloads nothing; the old recorder only its combined file.
  EXPECT_TRUE(plan_download(conditions("CD", '0', 100), "d/REC").empty());
  EXPECT_EQ(rows(plan_download(conditions("Aa", '5', 100), "d/REC")), (Rows{"A"}));
  EXPECT_TRUE(plan_download(conditions("Aa", '3', 100), "d/REC").empty());
}

TEST(DownloadPlan, NamesKindsHeadingsAndPrefixes) {
  auto la = plan_download(conditions("La", '2', 100), "/data/run.v2/SUBJECT01");
  EXPECT_EQ(row(la, "5").path, "/data/run.v2/SUBJECT0");
  EXPECT_EQ(row(la, "6'").path, "/data/run.v2/SUBJECT1");
  EXPECT_EQ(row(la, "5").kind, "ce");
  EXPECT_EQ(row(la, "5").heading, "A0");
  EXPECT_EQ(row(la, "5").prefix, "A0");
  EXPECT_EQ(row(la, "6'").heading, "A1");
  EXPECT_EQ(row(la, "6'").prefix, "#1");
  EXPECT_EQ(row(la, "6'").code, "q1");

  auto axes = plan_download(conditions("LA", 'P', 100), "AB");
  EXPECT_EQ(row(axes, "6").heading, "AX");
  EXPECT_EQ(row(axes, "6").prefix, "X0");
  EXPECT_EQ(row(axes, "8").prefix, "Z0");
  EXPECT_EQ(row(axes, "6").path, "AB_____1");
  EXPECT_EQ(row(axes, "11").kind, "RR");
  EXPECT_EQ(row(axes, "11").code, "r5");
  EXPECT_TRUE(row(axes, "11").words);

  auto ce = plan_download(conditions("CE", '@', 100, 1), "REC");
  EXPECT_EQ(row(ce, "5").kind, "CE");
  EXPECT_EQ(row(ce, "5").heading, "#0");
  EXPECT_EQ(row(ce, "6").heading, "X0");
  EXPECT_EQ(row(ce, "9").code, "R4");
  EXPECT_EQ(row(ce, "12").kind, "E1");
  EXPECT_EQ(row(ce, "12").path, "REC____E");

  auto aa = plan_download(conditions("Aa", '2', 100), "dir/Long name");
  EXPECT_EQ(aa[0].path, "dir/Long name.ac2");
  EXPECT_EQ(aa[0].kind, "*2");
  EXPECT_EQ(aa[0].items, 15);
  EXPECT_EQ(aa[0].item_size, 4);
}

TEST(DownloadPlan, FirstRequests) {
  auto ce = plan_download(conditions("CE", '@', 100, 1), "REC");
  EXPECT_EQ(row(ce, "5").first_request, "R00000,0064");
  EXPECT_EQ(row(ce, "10").first_request, "R500000000,00000064");
  EXPECT_EQ(row(ce, "12").first_request, "RE0000,3A98");
  // Tilt count 481 leaves remainder 1: 480 are asked for and written.
  auto tilt = plan_download(conditions("ce", 'A', 481), "REC");
  EXPECT_EQ(row(tilt, "9").count, 480);
  EXPECT_EQ(row(tilt, "9").first_request, "r40000,01E0");
  EXPECT_EQ(row(plan_download(conditions("ce", 'A', 482), "REC"), "9").count, 482);
  // From 65535 on, addresses and counts take 8 digits (and the retries too).
  auto big = plan_download(conditions("LA", '1', 70000), "REC");
  EXPECT_EQ(row(big, "5").first_request, "q000000000,00011170");
  EXPECT_TRUE(row(big, "5").wide_address);
  EXPECT_FALSE(row(plan_download(conditions("LA", '1', 100), "REC"), "5").wide_address);
  // RR count as received.
  auto cf = plan_download(conditions("CF", 'P', 100), "REC");
  const auto& rr = row(cf, "11");
  EXPECT_EQ(rr.first_request.substr(0, 12), "r500000000,0");
  EXPECT_EQ(rr.first_request.size(), 19u);
  EXPECT_EQ(plan_download(conditions("Aa", '0', 100), "REC")[0].first_request, "r*0000");
  // Waveforms: the ECG waveform row counts the RR amount (five values per acceleration value).
  auto wave = plan_download(conditions("LA", '9', 100), "REC");
  EXPECT_EQ(row(wave, "1").first_request, "qA0000,0064");
  EXPECT_EQ(row(wave, "4").first_request, "qD0000,000001F4");
  EXPECT_EQ(row(wave, "4").count, 500);
}

TEST(DownloadPlan, ProgressLines) {
  auto la = plan_download(conditions("LA", '9', 100), "REC");
  EXPECT_EQ(row(la, "1").progress_line, "波形 A : ﾌｧｲﾙ名は REC____a          / 100");
  EXPECT_EQ(row(la, "4").progress_line, "ECG波形: ﾌｧｲﾙ名は REC____d          / 500");
  auto ce = plan_download(conditions("CE", 'A', 100, 1), "REC");
  EXPECT_EQ(row(ce, "9").progress_line, "傾斜   : ﾌｧｲﾙ名は REC____4          / 100");
  EXPECT_EQ(row(ce, "10").progress_line, "心拍数 : ﾌｧｲﾙ名は REC____5          / 100");
  EXPECT_EQ(row(ce, "12").progress_line, "心電図 : ﾌｧｲﾙ名は REC____E          / 15000");
  EXPECT_EQ(plan_download(conditions("Aa", '1', 100), "x/REC")[0].progress_line,
            "加速度 : ﾌｧｲﾙ名は REC.ac1          / 100");
}

TEST(DownloadPlan, BlockSizes) {
  auto s = ambcomm::GET_END_SIZ(100, 50, 4);
  EXPECT_EQ(s.blocks, 2);
  EXPECT_EQ(s.last_items, 50);
  EXPECT_EQ(s.last_length, 203);
  s = ambcomm::GET_END_SIZ(101, 50, 4);
  EXPECT_EQ(s.blocks, 3);
  EXPECT_EQ(s.last_items, 1);
  EXPECT_EQ(s.last_length, 7);
  EXPECT_EQ(ambcomm::GET_END_SIZ(0, 50, 4).blocks, 0);
}

TEST(DownloadPlan, HeartRateBlockRewrite) {
  // Packed 34h 12h 56h: values 234h and 156h.
  EXPECT_EQ(ambcomm::rewrite_heart_rate_block("#5341256\r", 2), "#502340156");
  // An odd item count still takes the whole last pair; an "X" after it is kept as five.
  EXPECT_EQ(ambcomm::rewrite_heart_rate_block("#5341256AB00CDX", 3), "#50234015600AB00CDXXXXX");
  EXPECT_EQ(ambcomm::prefix_for("A3"), "#3");
  EXPECT_EQ(ambcomm::prefix_for("AY"), "Y0");
  EXPECT_EQ(ambcomm::prefix_for("A0"), "A0");
}

}  // namespace
