// Text export cost: TEXT_SAVE over every channel of a two-day recording of mode "@" at 1 s
// and of half an hour of waveform mode "9" (with its ECG), in values written per second,
// against the floor of reading the same input files once and writing as many bytes as the
// export wrote; the ratio is reported both for wall and CPU time.
#include <benchmark/benchmark.h>

#include "bench/bench_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sim/recording_generator.h"
#include "view/commands/command_line.h"
#include "view/commands/render_command.h"
#include "view/output/text_export.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "movilog_export_bench";

struct Workload {
  const char* name;
  char mode;
  double interval_s;
  std::int64_t samples;
  const char* first;  // the file opened
};

const Workload kTwoDays{"days", '@', 1.0, 2 * 86400, "days___0"};
const Workload kWave{"wave", '9', 0.02, 30 * 60 * 50, "wave___a"};

// Generates the recording once; later runs reuse the files.
void ensure_recording(const Workload& w) {
  fs::create_directories(kDir);
  const fs::path stamp = kDir / (std::string(w.name) + ".done");
  if (fs::exists(stamp)) return;
  ambsim::RecordingOptions o;
  o.path = (kDir / w.name).string();
  o.signal.mode = w.mode;
  o.signal.interval_s = w.interval_s;
  o.signal.samples = w.samples;
  const ambsim::RecordingResult r = ambsim::write_recording(o);
  if (!r.error.empty()) {
    std::fprintf(stderr, "export_bench: %s\n", r.error.c_str());
    std::exit(1);
  }
  std::FILE* f = std::fopen(stamp.c_str(), "w");
  if (f) std::fclose(f);
}

struct Loaded {
  ambview::TextExportJob job;
  std::vector<std::string> inputs;
  std::int64_t values = 0;  // values one export writes
};

Loaded load(const Workload& w) {
  const ambview::LoadResult result = ambview::load_recording((kDir / w.first).string());
  if (!result.ok()) {
    std::fprintf(stderr, "export_bench: %s does not load\n", w.first);
    std::exit(1);
  }
  std::string error;
  const auto setup = ambview::render_setup(result.recording, ambview::parse_args({}, {}), error);
  const fs::path out = kDir / (std::string(w.name) + "_out");
  fs::create_directories(out);
  Loaded l;
  l.job = ambview::make_text_export_job(setup->conditions, result.recording.table, result.recording.info,
                                        result.recording.sample_count, out.string() + "/");
  for (int r = 0; r < l.job.channels.count; ++r) {
    const ambview::ChannelRow& row = l.job.channels.rows[static_cast<std::size_t>(r)];
    if (!row.present) continue;
    l.inputs.push_back(row.path);
    l.values += row.kind == '6' ? l.job.rr_count : row.code == 'd' ? 5 * l.job.range.count : l.job.range.count;
  }
  return l;
}

std::uintmax_t export_once(const Loaded& l) {
  std::uintmax_t bytes = 0;
  for (const auto& r : ambview::text_export_all(l.job, {})) {
    if (!r.written) {
      std::fprintf(stderr, "export_bench: %s not written\n", r.path.c_str());
      std::exit(1);
    }
    bytes += fs::file_size(r.path);
  }
  return bytes;
}

// The floor: every input byte read once in large blocks, and `out_bytes` written once.
std::uint64_t floor_once(const Loaded& l, std::uintmax_t out_bytes) {
  std::vector<unsigned char> buffer(1 << 16);
  std::uint64_t sum = 0;
  for (const std::string& path : l.inputs) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) continue;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
      for (std::size_t i = 0; i < got; ++i) sum += buffer[i];
    std::fclose(f);
  }
  const fs::path sink = kDir / "floor.out";
  std::FILE* f = std::fopen(sink.c_str(), "wb");
  for (std::uintmax_t left = out_bytes; f && left > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(left, buffer.size()));
    if (std::fwrite(buffer.data(), 1, n, f) != n) break;
    left -= n;
  }
  if (f) std::fclose(f);
  return sum;
}

using bench::Seconds;
using bench::seconds_of;

void export_benchmark(benchmark::State& state, const Workload& w) {
  const Loaded l = load(w);
  const std::uintmax_t out_bytes = export_once(l);  // also warms the page cache
  Seconds floor{1e9, 1e9};
  for (int i = 0; i < 3; ++i) {
    const Seconds t = seconds_of([&] { benchmark::DoNotOptimize(floor_once(l, out_bytes)); });
    floor.wall = std::min(floor.wall, t.wall);
    floor.cpu = std::min(floor.cpu, t.cpu);
  }
  Seconds total;
  for (auto _ : state) {
    const Seconds t = seconds_of([&] { benchmark::DoNotOptimize(export_once(l)); });
    total.wall += t.wall;
    total.cpu += t.cpu;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<std::int64_t>(runs) * l.values);
  state.counters["values"] = static_cast<double>(l.values);
  state.counters["out_MB"] = static_cast<double>(out_bytes) / 1e6;
  state.counters["values_per_s"] = static_cast<double>(l.values) * runs / total.wall;
  state.counters["floor_ms"] = floor.wall * 1e3;
  state.counters["ratio"] = total.wall / runs / floor.wall;
  state.counters["cpu_ratio"] = total.cpu / runs / floor.cpu;
}

void BM_TextExportTwoDays(benchmark::State& state) { export_benchmark(state, kTwoDays); }
void BM_TextExportWave30min(benchmark::State& state) { export_benchmark(state, kWave); }
BENCHMARK(BM_TextExportTwoDays)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TextExportWave30min)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ensure_recording(kTwoDays);
  ensure_recording(kWave);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
