// `ambcomm --port LINK conditions` against `ambsim` on a real pty: every model code, a
// recorder left at four-times speed, silence, short and foreign answers, a missing device,
// a recorder that vanishes mid-exchange, and the CPU a waiting ambcomm uses.
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;
using e2e::ProgramRun;
using e2e::slurp;

namespace {

class LinkE2E : public e2e::SimFixture {
 protected:
  LinkE2E() : SimFixture("link_e2e") {}
};

TEST_F(LinkE2E, EveryModelCodeAnswers) {
  for (const char* model : {"CE", "ce", "CF", "La", "LA", "lA", "Aa", "CD"}) {
    start_sim({"--model", model, "--mode", model == std::string("Aa") ? "1" : "@", "--samples", "777"});
    ProgramRun r = conditions();
    EXPECT_EQ(r.status, 0) << model << r.err;
    EXPECT_NE(r.out.find("測定開始時刻  26年12月01日09時30分"), std::string::npos) << model;
    EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos) << model;
    if (model != std::string("CF") && model != std::string("CD")) {
      EXPECT_NE(r.out.find("加速度ﾃﾞｰﾀｰ量    777"), std::string::npos) << model << r.out;
    }
    EXPECT_EQ(stop_sim(), 0) << model;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link_))) << "ambsim left its LINK behind";
  }
}

TEST_F(LinkE2E, RecorderLeftAtFourTimesSpeedIsRecovered) {
  start_sim({"--model", "LA", "--line-speed", "19200", "--log"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos);
  // Recovered for good: the next request needs no second recovery.
  r = conditions();
  EXPECT_EQ(r.status, 0);
  stop_sim();
  // The recorder heard "B2" once, and only the requests made at its own speed.
  EXPECT_EQ(slurp(dir_ + "/sim.err").substr(slurp(dir_ + "/sim.err").find('\n') + 1),
            "ambsim: < B2\nambsim: < CRa\nambsim: < CRa\n");
}

TEST_F(LinkE2E, SilentRecorderAndWaitingCostsNoCpu) {
  start_sim({"--model", "CE", "--faults", "silent=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("受信できません (受信キャラクター無し)"), std::string::npos) << r.err;
  // Status 1 decodes the empty answer: the list shows empty start fields.
  EXPECT_NE(r.out.find("測定開始時刻  年月日時分\n"), std::string::npos) << r.out;
  // Two time-outs of one to two seconds each, spent blocked on the port, not spinning.
  EXPECT_LT(r.cpu_s, 0.1 * r.wall_s) << "cpu " << r.cpu_s << " s of " << r.wall_s << " s";
}

TEST_F(LinkE2E, ShortAndForeignAnswers) {
  start_sim({"--model", "CE", "--faults", "short=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("受信できません (受信データー不足)"), std::string::npos) << r.err;
  stop_sim();

  start_sim({"--model", "PW"});
  r = conditions();
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("受信データーが違います (ヘディング不良)"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("streams its waveform"), std::string::npos);
  EXPECT_EQ(r.out, "");
}

TEST_F(LinkE2E, MissingDeviceIsAClearError) {
  ProgramRun r = ambcomm({"--port", dir_ + "/no-such-device", "--timer", "500", "conditions"});
  EXPECT_EQ(r.status, 7);
  EXPECT_NE(r.err.find("RS-232Cをｵｰﾌﾟﾝできません"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("no-such-device"), std::string::npos) << r.err;
  // The device and the reason, not only the status.
  EXPECT_NE(r.err.find("cannot open " + dir_ + "/no-such-device: no such device"), std::string::npos) << r.err;

  r = ambcomm({"conditions"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("needs --port"), std::string::npos);
}

TEST_F(LinkE2E, RecorderVanishingMidExchange) {
  start_sim({"--model", "CE", "--faults", "disconnect=1"});
  ProgramRun r = conditions();
  EXPECT_EQ(r.status, 27);  // the serial device error, not a hang and not success
  EXPECT_NE(r.err.find("受信できません (Err=27)"), std::string::npos) << r.err;
}

TEST_F(LinkE2E, SimulatedRecorderInProcess) {
  ProgramRun r = ambcomm({"--simulate", "--timer", "5", "conditions"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("測定条件を受信"), std::string::npos);
}

}  // namespace
