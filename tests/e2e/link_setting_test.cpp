// `ambcomm --port LINK set` and `clear --yes` against `ambsim` on a real pty: the simulated
// recorder takes the conditions, the re-read list shows them, and the memory clear empties it.
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::slurp;

namespace {

class LinkSettingE2E : public e2e::SimFixture {
 protected:
  LinkSettingE2E() : SimFixture("link_set_e2e") {}
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(LinkSettingE2E, SetChangesTheRecorderAndTheReReadShowsIt) {
  start_sim({"--model", "LA", "--mode", "8", "--samples", "900", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "set", "comment=E2E RUN", "interval=5", "level_threshold_1=0.1", "mode=9",
                          "switch_start=1"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(has(r.out, "名前､ｺﾒﾝﾄ       E2E RUN             ")) << r.out;
  EXPECT_TRUE(has(r.out, "測定間隔(秒)      5   ")) << r.out;
  EXPECT_TRUE(has(r.out, "基準加速度１(G)  0.1     ")) << r.out;
  EXPECT_TRUE(has(r.out, "9 = 加速度波形+心電図波形")) << r.out;
  EXPECT_TRUE(has(r.out, "測定条件を受信")) << r.out;

  // The recorder keeps what it took: a fresh request shows it too.
  ProgramRun again = conditions();
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_TRUE(has(again.out, "E2E RUN")) << again.out;
  EXPECT_TRUE(has(again.out, "加速度ﾃﾞｰﾀｰ量    900     ")) << again.out;
  EXPECT_EQ(stop_sim(), 0);
  const std::string log = slurp(dir_ + "/sim.err");
  EXPECT_TRUE(has(log, "ambsim: < Cc")) << log;
  EXPECT_TRUE(has(log, "ambsim: < SM1")) << log;
}

TEST_F(LinkSettingE2E, TooLongValueIsRefusedAndNothingIsSent) {
  start_sim({"--model", "LA", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "set", "comment=ABCDEFGHIJKLMNOPQRSTUVWXYZ"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "comment")) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(stop_sim(), 0);
  EXPECT_FALSE(has(slurp(dir_ + "/sim.err"), "ambsim: <"));
}

TEST_F(LinkSettingE2E, ClearEmptiesTheRecorder) {
  start_sim({"--model", "LA", "--samples", "700", "--clear-seconds", "0.3"});
  ProgramRun before = conditions();
  EXPECT_TRUE(has(before.out, "加速度ﾃﾞｰﾀｰ量    700     ")) << before.out;
  ProgramRun r = ambcomm({"--port", link_, "clear", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ﾒﾓﾘｰｸﾘｱｰを終了\n");
  ProgramRun after = conditions();
  EXPECT_TRUE(has(after.out, "加速度ﾃﾞｰﾀｰ量    0     ")) << after.out;
}

TEST_F(LinkSettingE2E, ClearWithoutYesTouchesNothing) {
  start_sim({"--model", "LA", "--log"});
  ProgramRun r = ambcomm({"--port", link_, "clear"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "--yes")) << r.err;
  EXPECT_EQ(stop_sim(), 0);
  EXPECT_FALSE(has(slurp(dir_ + "/sim.err"), "ambsim: <"));
}

}  // namespace
