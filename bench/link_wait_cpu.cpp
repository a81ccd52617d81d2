// CPU spent while the link waits for a recorder that does not answer: the text answer's
// time-out (one to two clock seconds) and a block's (two to three), against the in-process
// recorder. Real time shows the wait; CPU time shows that the wait sleeps on the port.
#include <benchmark/benchmark.h>

#include "link/serial_link.h"
#include "sim/inprocess_port.h"
#include "ui/clock.h"
#include "ui/sleep_pump.h"

namespace {

struct SilentLink {
  SilentLink() : port(config()) {
    int s = -1;
    ambcomm::RX_OPEN(link, s, "AC");
  }
  static ambsim::RecorderConfig config() {
    ambsim::RecorderConfig c;
    c.model = "CE";
    c.samples = 10;
    return c;
  }
  ambsim::InProcessPort port;
  ui::SystemClock clock;
  ui::SleepPump pump;
  ambcomm::LinkState state;
  ambcomm::Link link{port, clock, pump, state};
};

void BM_TextAnswerTimeOut(benchmark::State& st) {
  SilentLink x;
  x.port.set_speed(19200);  // the recorder listens at 9600 and stays silent
  for (auto _ : st) {
    std::string flag, line;
    ambcomm::RX_STATUS(x.link, flag, line);
    benchmark::DoNotOptimize(flag);
  }
}
BENCHMARK(BM_TextAnswerTimeOut)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BlockTimeOut(benchmark::State& st) {
  SilentLink x;
  x.port.set_speed(19200);
  for (auto _ : st) {
    std::string block;
    int status = 0;
    ambcomm::A_DATA_REQ(x.link, "#0", "R0", 203, block, status);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_BlockTimeOut)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
