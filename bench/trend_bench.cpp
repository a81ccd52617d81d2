// Trend view cost: TREND drawn on the Qt canvas for a week of mode "@" at 2 s and two hours
// of waveform mode "9" (with its ECG), against the floor of reading the same files once; and
// the peak memory of a day against a week, which must not grow with the recording's length.
#include <benchmark/benchmark.h>

#include "bench/peak_memory.h"

#include "bench/bench_timing.h"
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "sim/recording_generator.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "view/commands/render_command.h"
#include "view/draw/trend_view.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "movilog_trend_bench";

struct Workload {
  const char* name;
  char mode;
  double interval_s;
  std::int64_t samples;
  const char* chosen;  // the file opened, relative to kDir
};

const Workload kWeek{"week_@_2s", '@', 2.0, 7 * 43200, "week"};
const Workload kDay{"day_@_2s", '@', 2.0, 43200, "day"};
const Workload kWave{"wave_9_2h", '9', 0.02, 2 * 3600 * 50, "wave"};

// Generates the recording once; later runs reuse the files.
std::string ensure_recording(const Workload& w) {
  fs::create_directories(kDir);
  const std::string base = (kDir / w.chosen).string();
  const std::string first = common::pad_right(base, static_cast<int>(kDir.string().size()) + 1 + 7, '_') + (w.mode == '9' ? "a" : "0");
  const fs::path stamp = kDir / (std::string(w.chosen) + ".done");
  if (!fs::exists(stamp)) {
    ambsim::RecordingOptions o;
    o.path = base;
    o.signal.mode = w.mode;
    o.signal.interval_s = w.interval_s;
    o.signal.samples = w.samples;
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    if (!r.error.empty()) {
      std::fprintf(stderr, "trend_bench: %s\n", r.error.c_str());
      std::exit(1);
    }
    std::FILE* f = std::fopen(stamp.c_str(), "w");
    if (f) std::fclose(f);
  }
  return first;
}

struct Loaded {
  ambview::RenderSetup setup;
  std::vector<std::string> files;  // what the bands read
};

Loaded load(const Workload& w) {
  const std::string chosen = ensure_recording(w);
  const ambview::LoadResult result = ambview::load_recording(chosen);
  if (!result.ok()) {
    std::fprintf(stderr, "trend_bench: cannot load %s\n", chosen.c_str());
    std::exit(1);
  }
  std::string error;
  Loaded l{*ambview::render_setup(result.recording, ambview::parse_args({}, {}), error), {}};
  for (int r = 0; r < l.setup.channels.count; ++r) {
    const ambview::ChannelRow& row = l.setup.channels.rows[static_cast<std::size_t>(r)];
    if (row.present) l.files.push_back(row.path);
  }
  return l;
}

// The floor: every byte of the band files read once, in large blocks.
std::uint64_t read_all(const std::vector<std::string>& files) {
  std::vector<unsigned char> buffer(1 << 16);
  std::uint64_t sum = 0;
  for (const std::string& path : files) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) continue;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
      for (std::size_t i = 0; i < got; ++i) sum += buffer[i];
    }
    std::fclose(f);
  }
  return sum;
}

using bench::Seconds;
using bench::seconds_of;

void trend_benchmark(benchmark::State& state, const Workload& w) {
  ui::qt::ensure_application();
  const Loaded l = load(w);
  Seconds floor{1e9, 1e9};
  for (int i = 0; i < 5; ++i) {
    const Seconds t = seconds_of([&] { benchmark::DoNotOptimize(read_all(l.files)); });
    floor.wall = std::min(floor.wall, t.wall);
    floor.cpu = std::min(floor.cpu, t.cpu);
  }
  ui::qt::QtCanvas canvas(ambview::kRenderDefaultWidth, ambview::kRenderDefaultHeight);
  Seconds total;
  for (auto _ : state) {
    const Seconds t = seconds_of([&] {
      ambview::TREND(canvas, l.setup.conditions, l.setup.channels, l.setup.recording.info);
    });
    total.wall += t.wall;
    total.cpu += t.cpu;
  }
  std::uintmax_t bytes = 0;
  for (const auto& f : l.files) bytes += fs::file_size(f);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  const auto runs = static_cast<double>(state.iterations());
  state.counters["floor_ms"] = floor.wall * 1e3;
  state.counters["ratio"] = total.wall / runs / floor.wall;
  state.counters["cpu_ratio"] = total.cpu / runs / floor.cpu;
}

void BM_TrendWeek(benchmark::State& state) { trend_benchmark(state, kWeek); }
void BM_TrendWave2h(benchmark::State& state) { trend_benchmark(state, kWave); }
BENCHMARK(BM_TrendWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrendWave2h)->Unit(benchmark::kMillisecond);

void floor_benchmark(benchmark::State& state, const Workload& w) {
  const Loaded l = load(w);
  for (auto _ : state) benchmark::DoNotOptimize(read_all(l.files));
}
void BM_ReadFloorWeek(benchmark::State& state) { floor_benchmark(state, kWeek); }
void BM_ReadFloorWave2h(benchmark::State& state) { floor_benchmark(state, kWave); }
BENCHMARK(BM_ReadFloorWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFloorWave2h)->Unit(benchmark::kMillisecond);

// Peak resident memory (kB) of a fresh process that loads the recording and draws it once.
long peak_kb_of_render(const Workload& w) {
  return peak_kb_in_child([&] {
    ui::qt::ensure_application();
    const Loaded l = load(w);
    ui::qt::QtCanvas canvas(ambview::kRenderDefaultWidth, ambview::kRenderDefaultHeight);
    ambview::TREND(canvas, l.setup.conditions, l.setup.channels, l.setup.recording.info);
  });
}

}  // namespace

int main(int argc, char** argv) {
  // Recordings first (outside any timing), then the memory comparison in fresh processes.
  ensure_recording(kDay);
  ensure_recording(kWeek);
  ensure_recording(kWave);
  const long day = peak_kb_of_render(kDay);
  const long week = peak_kb_of_render(kWeek);
  std::printf("peak memory (maxrss) of one trend render: day %ld kB, week %ld kB, growth %ld kB\n", day, week,
              week - day);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
