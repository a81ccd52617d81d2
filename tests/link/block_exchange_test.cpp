// Block reception against the in-process simulated recorder: byte and text frames of each
// kind arrive intact and unpack to the values the recorder holds; a recorder that stays
// silent is waited for without burning the CPU.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "common/numbers.h"
#include "download_expect.h"
#include "link/serial_link.h"
#include "sim/inprocess_port.h"
#include "ui/clock.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/scripted_pump.h"

namespace {

struct Exchange {
  explicit Exchange(const ambsim::RecorderConfig& c, ui::Clock* real = nullptr)
      : config(c), port(c), link{port, real ? *real : clock, pump, state} {
    int s = -1;
    ambcomm::RX_OPEN(link, s, "AC");
    EXPECT_EQ(s, 0);
  }
  ambsim::RecorderMemory memory() const { return dltest::expected_memory(config); }
  ambsim::RecorderConfig config;
  ambsim::InProcessPort port;
  ui::testing::FakeClock clock;
  ui::testing::ScriptedPump pump;
  ambcomm::LinkState state;
  ambcomm::Link link;
};

using dltest::config;

std::string words(const std::vector<std::uint16_t>& v, std::size_t from, std::size_t n) {
  std::string out;
  for (std::size_t i = from; i < from + n; ++i) {
    out += static_cast<char>(v[i] & 255);
    out += static_cast<char>((v[i] >> 8) & 15);
  }
  return out;
}

TEST(BlockExchange, PackedAccelerationOfLa) {
  Exchange x(config("LA", '0', 100));
  auto mem = x.memory();
  std::string block;
  int status = -1;
  ambcomm::B_DATA_REQ(x.link, "A0", "q00000,0064", 0, block, status);
  ASSERT_EQ(status, 0);
  std::string expected = "A0";
  for (int i = 0; i < 50; ++i) expected += "0" + common::hex_field(mem.acc[static_cast<std::size_t>(i)] & 0xFFF, 3);
  EXPECT_EQ(block, expected);
  ambcomm::B_DATA_REQ(x.link, "A0", "q0", 0, block, status);  // the bare code: next block
  ASSERT_EQ(status, 0);
  EXPECT_EQ(block.substr(2, 4), "0" + common::hex_field(mem.acc[50] & 0xFFF, 3));
}

TEST(BlockExchange, HexBytesAndTextFramesCarryTheSameText) {
  Exchange b(config("ce", '@', 100));
  Exchange t(config("CE", '@', 100));
  std::string bb, tb;
  int bs = -1, ts = -1;
  ambcomm::B_DATA_REQ(b.link, "#4", "r40000,0064", 0, bb, bs);
  ambcomm::A_DATA_REQ(t.link, "#4", "R40000,0064", 100 + 3, tb, ts);
  EXPECT_EQ(bs, 0);
  EXPECT_EQ(ts, 0);
  EXPECT_EQ(bb, tb.substr(0, tb.size() - 1));  // the text frame keeps its CR
  auto mem = b.memory();
  EXPECT_EQ(bb[2], common::hex_field(mem.tilt[0], 1)[0]);

  ambcomm::B_DATA_REQ(b.link, "X0", "r10000,0064", 0, bb, bs);
  EXPECT_EQ(bs, 0);
  EXPECT_EQ(bb.substr(0, 6), "X0" + common::hex_field(mem.axis[0][0], 4));
}

TEST(BlockExchange, WordChannelsUnpackInBothFrames) {
  Exchange b(config("ce", 'A', 100, 1));
  Exchange t(config("CE", 'A', 100, 1));
  auto mem = b.memory();
  std::string bb, tb;
  int bs = -1, ts = -1;
  ambcomm::B_DATA_REQ(b.link, "E1", "rE0000,3A98", 0, bb, bs);
  ambcomm::A_DATA_REQ(t.link, "E1", "RE0000,3A98", 60 * 3 + 3, tb, ts);
  ASSERT_EQ(bs, 0);
  ASSERT_EQ(ts, 0);
  EXPECT_EQ(bb, "E1" + words(mem.ecg_block[0], 0, 60));
  EXPECT_EQ(tb, bb);
}

TEST(BlockExchange, RrOfTheRrRecorder) {
  Exchange x(config("CF", 'P', 600));
  auto mem = x.memory();
  ASSERT_GE(mem.rr.size(), 60u);
  std::string block;
  int status = -1;
  ambcomm::B_DATA_REQ(x.link, "#6", "r500000000," + common::hex_field(mem.rr.size(), 8), 0, block, status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(block, "#6" + words(mem.rr, 0, 60));
}

TEST(BlockExchange, WaitingForASilentRecorderSleeps) {
  ambsim::RecorderConfig c = config("CE", '0', 10);
  ui::SystemClock real;
  Exchange x(c, &real);
  rusage before{}, after{};
  getrusage(RUSAGE_THREAD, &before);
  auto start = std::chrono::steady_clock::now();
  std::string block;
  int status = -1;
  x.port.set_speed(19200);  // the recorder listens at 9600: nothing comes back
  ambcomm::A_DATA_REQ(x.link, "#0", "R0", 203, block, status);
  getrusage(RUSAGE_THREAD, &after);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  double cpu = secs(after.ru_utime) - secs(before.ru_utime) + secs(after.ru_stime) - secs(before.ru_stime);
  EXPECT_EQ(status, ambcomm::kStatusTimeout);
  EXPECT_LT(cpu, 0.1 * wall) << "cpu " << cpu << " s of " << wall << " s";
}

}  // namespace
