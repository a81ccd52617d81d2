// The simulated recorder's engine: its answers byte for byte, speeds, settings, memory
// clear, block frames with their counts and checksums, the waveform stream and the faults.
#include "sim/recorder.h"

#include <gtest/gtest.h>

#include "common/conditions_record.h"
#include "common/text.h"

namespace {

using ambsim::Recorder;
using ambsim::RecorderConfig;

RecorderConfig config(std::string model, char mode = '0', std::int64_t samples = 120) {
  RecorderConfig c;
  c.model = std::move(model);
  c.mode = mode;
  c.samples = samples;
  return c;
}

std::string command(std::string_view text) { return "\x01" + std::string(text) + "\r"; }

std::string output(Recorder& r) {
  std::string s;
  for (auto& c : r.take_output()) s += c.bytes;
  return s;
}

// Splits a byte frame and checks its length and checksum; returns heading + data.
std::string checked_frame(const std::string& f) {
  EXPECT_GE(f.size(), 4u);
  if (f.size() < 4) return {};
  unsigned length = static_cast<unsigned char>(f[0]);
  EXPECT_EQ(length + 2u, f.size());
  unsigned sum = 0;
  for (std::size_t i = 1; i + 1 < f.size(); ++i) sum += static_cast<unsigned char>(f[i]);
  EXPECT_EQ(sum & 255u, static_cast<unsigned char>(f.back()));
  return f.substr(1, f.size() - 2);
}

TEST(RecorderEngine, ConditionsLineByLayout) {
  Recorder la(config("LA", '9', 70000));
  la.receive(command("CRa"), 9600);
  std::string line = output(la);
  ASSERT_EQ(line.size(), 121u);
  common::ConditionsRecord rec;
  common::decode_conditions(line, rec);
  EXPECT_EQ(rec.model_code, "LA");
  EXPECT_EQ(rec.mode, "9");
  EXPECT_EQ(rec.acc_count, "70000");
  EXPECT_EQ(common::mid(line, 11, 4), "FFFF");

  Recorder aa(config("Aa", '1'));
  aa.receive(command("CRa"), 9600);
  line = output(aa);
  ASSERT_EQ(line.size(), 59u);
  EXPECT_EQ(line.substr(0, 2), "Aa");
  common::decode_conditions(line, rec);
  EXPECT_EQ(rec.mode, "1");
  EXPECT_EQ(rec.acc_count, "120");
}

TEST(RecorderEngine, SilentAtAnotherSpeedAndSpeedCommands) {
  auto c = config("ce");
  c.line_baud = 19200;
  Recorder r(c);
  r.receive(command("CRa"), 9600);
  EXPECT_EQ(output(r), "");
  r.receive("\x01" "B2\r\n", 19200);
  EXPECT_EQ(r.line_baud(), 9600);
  r.receive(command("CRa"), 9600);
  EXPECT_EQ(output(r).substr(0, 2), "ce");
  r.receive("B3\r\n", 9600);  // "B3" comes without SOH
  EXPECT_EQ(r.line_baud(), 19200);
}

TEST(RecorderEngine, SettingLinesOnlyFromTheRightCommand) {
  Recorder r(config("LA"));
  std::string line = r.conditions_line();
  common::set_mid(line, 19, common::pad_right("NEW NAME", 20));
  std::string cc = line, cc_line = line;
  common::set_mid(cc, 1, "CC");
  r.receive("\x01" + cc, 9600);  // the wrong command for this model
  EXPECT_EQ(common::mid(r.conditions_line(), 19, 8), "SIMULATE");
  common::set_mid(cc_line, 1, "Cc");
  r.receive("\x01" + cc_line, 9600);
  EXPECT_EQ(common::mid(r.conditions_line(), 19, 8), "NEW NAME");
  EXPECT_EQ(common::mid(r.conditions_line(), 1, 2), "LA");
  EXPECT_EQ(output(r), "");  // settings get no answer
  r.receive(command("SM1"), 9600);
  EXPECT_TRUE(r.switch_start());
}

TEST(RecorderEngine, MemoryClearAnswersAfterItsDelay) {
  auto c = config("LA");
  c.clear_seconds = 1.5;
  Recorder r(c);
  r.receive("\x01" + std::string("MC\0", 3) + "\r\r\n", 9600);
  auto out = r.take_output();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_DOUBLE_EQ(out[0].delay_s, 1.5);
  EXPECT_EQ(out[0].bytes.back(), '\r');
  EXPECT_EQ(r.memory_clears(), 1);
  EXPECT_EQ(common::mid(r.conditions_line(), 113, 8), "00000000");
}

TEST(RecorderEngine, ByteFrameBlocksFollowTheFirstRequest) {
  Recorder r(config("LA", '0', 120));
  r.receive(command("q00000,0078"), 9600);  // 120 values, 50 a block
  std::string b1 = checked_frame(output(r));
  EXPECT_EQ(b1.substr(0, 2), "A0");
  EXPECT_EQ(b1.size(), 2u + 75u);  // 50 values packed in 75 bytes
  r.receive(command("q0"), 9600);
  std::string b2 = checked_frame(output(r));
  r.receive(command("q0"), 9600);
  std::string b3 = checked_frame(output(r));
  EXPECT_EQ(b3.size(), 2u + 30u);  // the last 20 values
  EXPECT_NE(b1, b2);
  // A retry names its start address and gets the same block again.
  r.receive(command("q000000032"), 9600);
  EXPECT_EQ(checked_frame(output(r)), b2);
}

TEST(RecorderEngine, HeadingsByModelAndMode) {
  struct Case {
    const char* model;
    char mode;
    const char* request;
    const char* heading;
  };
  for (const Case& c : {Case{"LA", '0', "q10000,0032", "AX"}, Case{"LA", '2', "q10000,0032", "A1"},
                        Case{"ce", '@', "r10000,0032", "X0"}, Case{"ce", 'D', "r30000,0032", "#3"},
                        Case{"ce", '@', "r50000,0032", "#5"}, Case{"ce", 'P', "r500000000,00000032", "#6"},
                        Case{"CF", 'P', "r500000000,00000032", "#6"}, Case{"LA", '9', "qD00000000,00000032", "wD"},
                        Case{"LA", 'A', "rG0000,3A98", "E3"}, Case{"Aa", '2', "r*0000", "*2"}}) {
    Recorder r(config(c.model, c.mode));
    r.receive(command(c.request), 9600);
    EXPECT_EQ(checked_frame(output(r)).substr(0, 2), c.heading) << c.model << " " << c.request;
  }
}

TEST(RecorderEngine, TextFramesForOtherModels) {
  Recorder r(config("CE", '@', 60));
  r.receive(command("R00000,003C"), 9600);
  std::string block = output(r);
  EXPECT_EQ(block.substr(0, 2), "#0");
  EXPECT_EQ(block.size(), 50u * 4u + 3u);
  EXPECT_EQ(block.back(), '\r');
  r.receive(command("R4"), 9600);  // tilt: one hex digit a value, from the recorder's count
  block = output(r);
  EXPECT_EQ(block.substr(0, 2), "#4");
  EXPECT_EQ(block.size(), 60u + 3u);
}

TEST(RecorderEngine, ForeignHeadingStreamsWaveformFrames) {
  Recorder r(config("PW"));
  EXPECT_TRUE(r.streams_waveform());
  r.receive(command("CRa"), 9600);
  EXPECT_EQ(output(r), "");
  std::string frames = r.waveform_frames(20);
  ASSERT_EQ(frames.size(), 200u);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    auto b = static_cast<unsigned char>(frames[i]);
    if (i % 10 == 0) EXPECT_GE(b, 192u) << i;
    else EXPECT_LT(b, 64u) << i;
  }
}

TEST(RecorderEngine, FaultsAreRepeatableAndVisible) {
  ambsim::FaultRates rates;
  rates.checksum = 0.5;
  rates.heading = 0.3;
  auto run = [&](std::uint32_t seed) {
    Recorder r(config("ce", '0', 5000), ambsim::FaultInjector(rates, seed));
    std::string all;
    r.receive(command("r00000,1388"), 9600);
    for (int i = 0; i < 40; ++i) {
      all += output(r);
      r.receive(command("r0"), 9600);
    }
    return all;
  };
  EXPECT_EQ(run(7), run(7));
  EXPECT_NE(run(7), run(8));
  EXPECT_NE(run(7).find("??"), std::string::npos);

  ambsim::FaultRates gone;
  gone.disconnect = 2;
  Recorder r(config("CE"), ambsim::FaultInjector(gone, 1));
  r.receive(command("CRa"), 9600);
  EXPECT_FALSE(r.vanished());
  r.receive(command("CRa"), 9600);
  EXPECT_TRUE(r.vanished());
}

TEST(FaultList, Parsing) {
  ambsim::FaultRates f;
  std::string error;
  ASSERT_TRUE(ambsim::parse_faults("checksum=0.05,heading=0.02,drop=0.01,stall=0.01,disconnect=40", f, error));
  EXPECT_DOUBLE_EQ(f.checksum, 0.05);
  EXPECT_EQ(f.disconnect, 40);
  ASSERT_TRUE(ambsim::parse_faults("silent", f, error));
  EXPECT_TRUE(f.silent);
  EXPECT_FALSE(ambsim::parse_faults("checksum=2", f, error));
  EXPECT_FALSE(ambsim::parse_faults("lightning=0.1", f, error));
  EXPECT_NE(error.find("unknown fault"), std::string::npos);
}

}  // namespace
