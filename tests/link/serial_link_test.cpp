// The serial link's waits, frames and checks on a scripted port and a fake clock: time-outs
// in whole clock seconds (midnight included), checksums, headings, unpacking, open retries.
#include "link/serial_link.h"

#include <gtest/gtest.h>

#include <random>

#include "step_port.h"
#include "ui/testing/scripted_pump.h"

namespace {

using linktest::byte_frame;
using linktest::StepPort;

struct LinkFixture : ::testing::Test {
  ui::testing::FakeClock clock;
  StepPort port{clock};
  ui::testing::ScriptedPump pump;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};
  std::vector<std::string> status_lines;

  void SetUp() override {
    state.show_status = [this](const std::string& s) { status_lines.push_back(s); };
    clock.set_seconds_of_day(3600);
    int s = 0;
    ambcomm::RX_OPEN(link, s, "AC");
    ASSERT_EQ(s, 0);
  }
};

TEST_F(LinkFixture, TextAnswerEndsAtCrAndIncludesIt) {
  port.arrive_after(1, "CE12");
  port.arrive_after(1, "34\rXX");
  std::string flag, line;
  EXPECT_EQ(ambcomm::RX_STATUS(link, flag, line), 0);
  EXPECT_EQ(flag, "");
  EXPECT_EQ(line, "CE1234\r");
}

TEST_F(LinkFixture, TextAnswerTimesOutAfterTheNextWholeSecond) {
  // Bytes arriving within the second after the call are still taken...
  port.arrive_after(1, "CE");
  std::string flag, line;
  ambcomm::RX_STATUS(link, flag, line);
  EXPECT_EQ(flag, "O");
  EXPECT_EQ(line, "CE");  // ...and an answer without CR ends by time-out with what came
  EXPECT_EQ(clock.seconds_of_day(), 3600 + 2);

  // At midnight T1 wraps to 0.
  clock.set_seconds_of_day(86399);
  port.arrive_after(1, "Aa\r");
  ambcomm::RX_STATUS(link, flag, line);
  EXPECT_EQ(flag, "");
  EXPECT_EQ(line, "Aa\r");
}

TEST_F(LinkFixture, ByteFrameAcceptsTheLowByteOfTheSum) {
  // Heading "#0" (0x53) and data (17 x 0xFF + 0xF2) sum to 0x1234: the checksum byte is 0x34.
  std::string data = std::string(17, '\xFF') + "\xF2";
  unsigned sum = 0;
  for (unsigned char c : std::string("#0") + data) sum += c;
  ASSERT_EQ(sum, 0x1234u);
  std::string f = byte_frame("#0", data);
  ASSERT_EQ(static_cast<unsigned char>(f.back()), 0x34);
  port.reply(0, f);
  std::string block;
  int status = -1;
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(block, "#0" + std::string(34, 'F') + "F2");
  EXPECT_EQ(port.written(), "\x01r0\r");

  port.reply(0, byte_frame("#0", data, 1));
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, 7);
}

TEST_F(LinkFixture, ByteFrameHeadingCheck) {
  std::string block;
  int status = -1;
  port.reply(0, byte_frame("lA", "\x01\x02\x03"));
  ambcomm::B_DATA_REQ(link, "LA", "q0", 0, block, status);
  EXPECT_EQ(status, 0);  // "lA" reads as "LA"
  port.reply(0, byte_frame("#1", "\x01\x02\x03"));
  ambcomm::B_DATA_REQ(link, "A1", "q1", 0, block, status);
  EXPECT_EQ(status, 3);
}

TEST_F(LinkFixture, BlockStartedAtMidnightDoesNotTimeOut) {
  clock.set_seconds_of_day(86399);
  std::string f = byte_frame("#0", std::string(100, 'x'));
  port.arrive_after(1, f.substr(0, 3));   // second 0
  port.arrive_after(2, f.substr(3));      // second 1
  std::string block;
  int status = -1;
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, 0);

  // Started at 23:59:58 the window is 86398, 86399 and 0: midnight itself is not a time-out.
  clock.set_seconds_of_day(86398);
  port.arrive_after(1, f.substr(0, 3));   // second 86399
  port.arrive_after(2, f.substr(3));      // second 0
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, 0);

  // One second later than T2 is a time-out.
  clock.set_seconds_of_day(86399);
  port.arrive_after(1, f.substr(0, 3));
  port.arrive_after(4, f.substr(3));      // second 3
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, 5);
}

TEST(FrameConversion, PackedValuesAndHex) {
  const std::string b("\x34\x12\x56", 3);
  EXPECT_EQ(ambcomm::convert_byte_frame("#6", b), std::string("\x34\x02\x56\x01", 4));
  EXPECT_EQ(ambcomm::convert_byte_frame("E1", b + "\x01\x02"), std::string("\x34\x02\x56\x01", 4));  // partial triple dropped
  EXPECT_EQ(ambcomm::convert_byte_frame("wA", b), std::string("\x34\x02\x56\x01", 4));
  EXPECT_EQ(ambcomm::convert_byte_frame("A0", b), "02340156");
  EXPECT_EQ(ambcomm::convert_byte_frame("#0", "\x0A\xFF"), "0AFF");
  EXPECT_EQ(ambcomm::convert_text_words("341256"), std::string("\x34\x02\x56\x01", 4));
}

TEST_F(LinkFixture, TextFrameChecks) {
  std::string block;
  int status = -1;
  port.reply(0, "#0" + std::string(200, '1') + "\r");
  ambcomm::A_DATA_REQ(link, "#0", "R0", 203, block, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(block.size(), 203u);
  EXPECT_EQ(block.back(), '\r');

  port.reply(0, "#0" + std::string(199, '1') + "\n");
  ambcomm::A_DATA_REQ(link, "#0", "R0", 203, block, status);
  EXPECT_EQ(status, 2);

  port.reply(0, "X0" + std::string(200, '1') + "\r");
  ambcomm::A_DATA_REQ(link, "#0", "R0", 203, block, status);
  EXPECT_EQ(status, 3);

  port.reply(0, "#0\r");
  ambcomm::A_DATA_REQ(link, "#0", "R0", 203, block, status);
  EXPECT_EQ(status, 1);

  port.reply(0, "E1341256\r");
  ambcomm::A_DATA_REQ(link, "E1", "RE", 9, block, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(block, std::string("E1\x34\x02\x56\x01", 6));

  port.reply(0, "#0123");
  ambcomm::A_DATA_REQ(link, "#0", "R0", 203, block, status);
  EXPECT_EQ(status, 5);
}

TEST_F(LinkFixture, VanishedDeviceEndsTheExchangeAtOnce) {
  port.vanish_on_wait = true;
  std::string flag, line, block;
  EXPECT_EQ(ambcomm::RX_STATUS(link, flag, line), ambcomm::kStatusDeviceError);
  EXPECT_LE(port.waits(), 1);
  int status = 0;
  ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
  EXPECT_EQ(status, ambcomm::kStatusDeviceError);
}

TEST(DelayT, TimerValuesBelowTenCountAsTen) {
  EXPECT_EQ(ambcomm::delay_interval_ms(0), 1);
  EXPECT_EQ(ambcomm::delay_interval_ms(5), 1);
  EXPECT_EQ(ambcomm::delay_interval_ms(100), 10);
  EXPECT_EQ(ambcomm::delay_interval_ms(105), 10);  // halves to even
  EXPECT_EQ(ambcomm::delay_interval_ms(115), 12);
}

TEST_F(LinkFixture, DelayKeepsThePendingEventCode) {
  state.event_code = ambcomm::EventCode::Download;
  ambcomm::DELAY_T(link, 5);
  EXPECT_EQ(state.event_code, ambcomm::EventCode::Download);
  EXPECT_EQ(pump.ticks(), 1);
  EXPECT_EQ(pump.virtual_ms(), 1);
  EXPECT_FALSE(pump.timer_running());
}

TEST_F(LinkFixture, OpenStatuses) {
  int s = -1;
  ambcomm::RX_OPEN(link, s, "AC");  // already open from SetUp
  EXPECT_EQ(s, ambcomm::kStatusAlreadyOpen);

  port.close();
  port.open_result = {ui::OpenOutcome::NoCts, 0};
  ambcomm::RX_OPEN(link, s, "AC");
  EXPECT_EQ(s, 4);

  port.open_result = {ui::OpenOutcome::OtherError, 13};
  ambcomm::RX_OPEN(link, s, "AC");
  EXPECT_EQ(s, 1013);
  EXPECT_EQ(ambcomm::status_message(s, 1), "エラーコード＝1/13");

  // A device that cannot be opened is retried, showing each attempt, at most 20 times.
  port.open_result = {ui::OpenOutcome::CannotOpen, 0};
  status_lines.clear();
  ambcomm::RX_OPEN(link, s, "AC");
  EXPECT_EQ(s, 7);
  ASSERT_EQ(status_lines.size(), 20u);
  EXPECT_EQ(status_lines.front(), "Open: 1");
  EXPECT_EQ(status_lines.back(), "Open: 20");
}

TEST_F(LinkFixture, OpenRetriesEndAfterThreeSeconds) {
  port.close();
  port.open_result = {ui::OpenOutcome::CannotOpen, 0};
  clock.set_auto_advance(1);  // every reading one second later
  int s = -1;
  status_lines.clear();
  ambcomm::RX_OPEN(link, s, "AC");
  EXPECT_EQ(s, 7);
  EXPECT_LT(status_lines.size(), 5u);
}

}  // namespace

namespace {

// Garbage on the line ends every receiver with a status, never a hang or a crash.
TEST(LineGarbage, ReceiversEndWithAStatus) {
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    ui::testing::FakeClock clock;
    clock.set_seconds_of_day(86398 + round % 3);
    linktest::StepPort port(clock);
    ui::testing::ScriptedPump pump;
    ambcomm::LinkState state;
    ambcomm::Link link{port, clock, pump, state};
    int s = -1;
    ambcomm::RX_OPEN(link, s, "AC");
    std::string junk;
    const int n = static_cast<int>(rng() % 400);
    for (int i = 0; i < n; ++i) junk += static_cast<char>(rng() & 255);
    std::string block, flag, line;
    int status = -1;
    port.reply(static_cast<int>(rng() % 3), junk);
    ambcomm::B_DATA_REQ(link, "#0", "r0", 0, block, status);
    EXPECT_TRUE(status == 0 || status == 3 || status == 5 || status == 7) << status;
    port.reply(static_cast<int>(rng() % 3), junk);
    ambcomm::A_DATA_REQ(link, "E1", "RE", 183, block, status);
    EXPECT_TRUE(status >= 0 && status <= 5) << status;
    port.arrive_after(1, junk);
    EXPECT_EQ(ambcomm::RX_STATUS(link, flag, line), 0);
    EXPECT_LE(line.size(), 3 * junk.size());  // what the block receivers left in the queue, and the junk
  }
}

// A recorder that floods the line without ever sending CR still times out.
TEST(LineGarbage, FloodWithoutTerminatorTimesOut) {
  ui::testing::FakeClock clock;
  clock.set_auto_advance(1);
  linktest::StepPort port(clock);
  ui::testing::ScriptedPump pump;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};
  int s = -1;
  ambcomm::RX_OPEN(link, s, "AC");
  port.arrive_after(0, std::string(100000, 'x'));
  std::string flag, line;
  EXPECT_EQ(ambcomm::RX_STATUS(link, flag, line), 0);
  EXPECT_EQ(flag, "O");
  EXPECT_LT(line.size(), 100000u);
}

}  // namespace
