// HRV summary cost: `ambview hrv` (load, the RR file streamed through the statistics, the
// CSV made) on a week of RR intervals (mode L at 1 s, about 700 000 beats) and on a day,
// against the floor of reading the RR file once in large blocks; ratios for wall and CPU
// time. Before timing, the peak memory of a day and of a week, each in a fresh process:
// they must be equal, as the summary streams.
#include <benchmark/benchmark.h>

#include "bench/peak_memory.h"
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "sim/recording_generator.h"
#include "view/commands/command_line.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "movilog_hrv_bench";

struct Workload {
  const char* name;
  std::int64_t samples;  // seconds at 1 s a sample
};
const Workload kDay{"hday", 86400};
const Workload kWeek{"hweek", 7 * 86400};

fs::path rr_file(const Workload& w) { return kDir / (std::string(w.name) + std::string(7 - std::string(w.name).size(), '_') + "6"); }

void ensure_recording(const Workload& w) {
  fs::create_directories(kDir);
  const fs::path stamp = kDir / (std::string(w.name) + ".done");
  if (fs::exists(stamp)) return;
  ambsim::RecordingOptions o;
  o.path = (kDir / w.name).string();
  o.signal.mode = 'L';
  o.signal.model = "CF";
  o.signal.interval_s = 1;
  o.signal.samples = w.samples;
  const ambsim::RecordingResult r = ambsim::write_recording(o);
  if (!r.error.empty() || !fs::exists(rr_file(w))) {
    std::fprintf(stderr, "hrv_bench: %s\n", r.error.empty() ? "no RR file written" : r.error.c_str());
    std::exit(1);
  }
  std::printf("%s: %lld RR words, %ju bytes\n", w.name, static_cast<long long>(r.rr_count),
              static_cast<std::uintmax_t>(fs::file_size(rr_file(w))));
  std::FILE* f = std::fopen(stamp.c_str(), "w");
  if (f) std::fclose(f);
}

std::size_t hrv_once(const Workload& w) {
  std::ostringstream out, err;
  if (ambview::run_command_line({"hrv", rr_file(w).string()}, out, err) != 0) {
    std::fprintf(stderr, "hrv_bench: %s", err.str().c_str());
    std::exit(1);
  }
  return out.str().size();
}

// The floor: the RR file read once in large blocks, every byte touched.
std::uint64_t floor_once(const Workload& w) {
  std::vector<unsigned char> buffer(1 << 16);
  std::uint64_t sum = 0;
  std::FILE* f = std::fopen(rr_file(w).c_str(), "rb");
  if (!f) return 0;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
    for (std::size_t i = 0; i < got; ++i) sum += buffer[i];
  std::fclose(f);
  return sum;
}

void hrv_benchmark(benchmark::State& state, const Workload& w) {
  hrv_once(w);  // warms the page cache
  bench::Seconds floor{1e9, 1e9};
  for (int i = 0; i < 5; ++i) {
    const bench::Seconds t = bench::seconds_of([&] { benchmark::DoNotOptimize(floor_once(w)); });
    floor.wall = std::min(floor.wall, t.wall);
    floor.cpu = std::min(floor.cpu, t.cpu);
  }
  bench::Seconds total;
  for (auto _ : state) {
    const bench::Seconds t = bench::seconds_of([&] { benchmark::DoNotOptimize(hrv_once(w)); });
    total.wall += t.wall;
    total.cpu += t.cpu;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["floor_ms"] = floor.wall * 1e3;
  state.counters["ratio"] = total.wall / runs / floor.wall;
  state.counters["cpu_ratio"] = total.cpu / runs / floor.cpu;
}

void BM_HrvDay(benchmark::State& state) { hrv_benchmark(state, kDay); }
void BM_HrvWeek(benchmark::State& state) { hrv_benchmark(state, kWeek); }
BENCHMARK(BM_HrvDay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HrvWeek)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak resident memory (kB) of a fresh process that runs the summary once.
long peak_kb_of_hrv(const Workload& w) {
  return peak_kb_in_child([&] {
    hrv_once(w);
  });
}

}  // namespace

int main(int argc, char** argv) {
  ensure_recording(kDay);
  ensure_recording(kWeek);
  const long day = peak_kb_of_hrv(kDay);
  const long week = peak_kb_of_hrv(kWeek);
  std::printf("peak memory (maxrss) of one hrv summary: day %ld kB, week %ld kB, growth %ld kB\n", day, week,
              week - day);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
