// One move of the trend's window on a week-long recording, as the main window makes it (keys,
// wheel, drag) and as the processing-conditions dialog makes it (a step button), in CPU time:
// the first draw (the files read and decoded), a step with the viewer's decoded-series cache
// warm, and the same step without the cache (every file read again), against the floor of
// reading the files once.
//
//   trend_step_bench [--benchmark_...]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "common/text.h"
#include "sim/recording_generator.h"
#include "ui/platform.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"
#include "ui/testing/test_form.h"
#include "view/commands/render_command.h"
#include "view/draw/trend_view.h"
#include "view/windows/conditions_dialog.h"
#include "view/windows/trend_navigation.h"
#include "view/windows/viewer_shell.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "movilog_step_bench";

struct Workload {
  const char* name;
  char mode;
  double interval_s;
  std::int64_t samples;
};

// Mode @ at 2 s: acceleration, X/Y/Z, tilt, heart rate (6 files, 7.8 MB); mode P at 1 s:
// acceleration, X/Y/Z, tilt, RR and the derived heart rate (7 files, 16.7 MB).
const Workload kWeekAt{"stepat", '@', 2.0, 7 * 43200};
const Workload kWeekP{"steppp", 'P', 1.0, 7 * 86400};

struct Loaded {
  ambview::RenderSetup setup;
  std::vector<std::string> files;  // what the bands read
  std::string chosen;
};

// Generates the recording once (kept between runs) and loads it as `render` would.
Loaded load(const Workload& w) {
  fs::create_directories(kDir);
  const std::string base = (kDir / w.name).string();
  const fs::path stamp = kDir / (std::string(w.name) + ".done");
  std::string chosen;
  if (!fs::exists(stamp)) {
    ambsim::RecordingOptions o;
    o.path = base;
    o.family = ambsim::Family::PerChannel;
    o.signal.mode = w.mode;
    o.signal.interval_s = w.interval_s;
    o.signal.samples = w.samples;
    o.signal.seed = 5;
    const ambsim::RecordingResult r = ambsim::write_recording(o);
    if (!r.error.empty() || r.files.empty()) {
      std::fprintf(stderr, "trend_step_bench: %s\n", r.error.c_str());
      std::exit(1);
    }
    std::FILE* f = std::fopen(stamp.c_str(), "w");
    if (f) {
      std::fputs(r.files.front().c_str(), f);
      std::fclose(f);
    }
    chosen = r.files.front();
  } else {
    char line[4096] = {};
    std::FILE* f = std::fopen(stamp.c_str(), "r");
    if (f) {
      if (std::fgets(line, sizeof line, f) == nullptr) line[0] = '\0';
      std::fclose(f);
    }
    chosen = line;
  }
  const ambview::LoadResult result = ambview::load_recording(chosen);
  if (!result.ok()) {
    std::fprintf(stderr, "trend_step_bench: cannot load %s\n", chosen.c_str());
    std::exit(1);
  }
  std::string error;
  Loaded l{*ambview::render_setup(result.recording, ambview::parse_args({}, {}), error), {}, chosen};
  for (const auto& e : fs::directory_iterator(kDir))
    if (e.path().filename().string().rfind(w.name, 0) == 0 && e.path().extension() != ".done")
      l.files.push_back(e.path().string());
  return l;
}

Loaded& loaded(const Workload& w) {
  static Loaded at = load(kWeekAt);
  static Loaded p = load(kWeekP);
  return w.mode == '@' ? at : p;
}

// The floor: every byte of the recording's files read once, in large blocks.
std::uint64_t read_all(const std::vector<std::string>& files) {
  std::vector<unsigned char> buffer(1 << 16);
  std::uint64_t sum = 0;
  for (const std::string& path : files) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) continue;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0)
      for (std::size_t i = 0; i < got; ++i) sum += buffer[i];
    std::fclose(f);
  }
  return sum;
}

// The moves a user makes: with the whole week shown, +/− (half a week, the week); with a day
// shown, → and PgDn through the week and Home at its end.
ambview::TimeWindow next_window(ambview::TimeWindow w, std::int32_t length, std::int32_t span, int i) {
  using ambview::TrendMove;
  if (span >= length) return ambview::move_window(w, length, i % 2 == 0 ? TrendMove::ZoomIn : TrendMove::ZoomOut);
  if (w.start + w.span >= length) return ambview::move_window(w, length, TrendMove::First);
  return ambview::move_window(w, length, i % 3 == 0 ? TrendMove::PageForward : TrendMove::Forward);
}

enum class Cache { None, Cold, Warm };

// CPU time of TREND at each next window: without the cache, with a fresh one, or with one
// filled by the draws before.
void step_benchmark(benchmark::State& state, const Workload& w, Cache kind) {
  ui::qt::ensure_application();
  Loaded& l = loaded(w);
  ambview::ProcessingConditions cond = l.setup.conditions;
  const auto length = static_cast<std::int32_t>(cond.duration);
  const auto span = static_cast<std::int32_t>(std::min<std::int64_t>(state.range(0), length));
  ambview::TimeWindow window{0, span};
  ui::qt::QtCanvas canvas(ambview::kRenderDefaultWidth, ambview::kRenderDefaultHeight);
  ambview::SeriesCache cache;
  const auto draw = [&](ambview::SeriesCache* c) {
    cond.display_start = window.start;
    cond.display_span = window.span;
    ambview::TREND(canvas, cond, l.setup.channels, l.setup.recording.info, {}, c);
  };
  if (kind == Cache::Warm) draw(&cache);
  double cpu = 0;
  int i = 0;
  for (auto _ : state) {
    window = next_window(window, length, span, i++);
    if (kind == Cache::Cold) cache.clear();
    const bench::Seconds t = bench::seconds_of([&] { draw(kind == Cache::None ? nullptr : &cache); });
    cpu += t.cpu;
    state.SetIterationTime(t.cpu);
  }
  state.counters["cpu_ms"] = cpu / static_cast<double>(state.iterations()) * 1e3;
  state.counters["cache_MB"] = static_cast<double>(cache.bytes()) / 1e6;
}

void floor_benchmark(benchmark::State& state, const Workload& w) {
  const Loaded& l = loaded(w);
  std::uintmax_t bytes = 0;
  for (const auto& f : l.files) bytes += fs::file_size(f);
  for (auto _ : state) {
    const bench::Seconds t = bench::seconds_of([&] { benchmark::DoNotOptimize(read_all(l.files)); });
    state.SetIterationTime(t.cpu);
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// A step button of the processing-conditions dialog pressed `steps` times on the week of
// mode P (start mode: the frame moves by an hour), then the dialog closed: the CPU time from
// the first press to the last, per press. The overview is drawn once, when the dialog opens.
void BM_DialogStep(benchmark::State& state) {
  Loaded& l = loaded(kWeekP);
  constexpr int kSteps = 50;
  for (auto _ : state) {
    ui::testing::TestFormFactory forms;
    ui::testing::ScriptedDialogs dialogs;
    ui::testing::ScriptedPump pump;
    ui::testing::FakeClock clock;
    ui::Platform platform{forms, dialogs, pump, clock};
    ambview::ViewerState viewer;
    viewer.conditions = ambview::default_conditions(kDir.string() + "/");
    double first = 0;
    double last = 0;
    for (int k = 0; k < kSteps; ++k)
      pump.then([&, k] {
        if (k == 0) first = bench::cpu_now();
        forms.form("FORM2").click(k % 2 == 0 ? "BMPBUTTON6" : "BMPBUTTON3");
      });
    pump.then([&] {
      last = bench::cpu_now();
      forms.form("FORM2").user_close();
    });
    ambview::OPEN_DATA(viewer, platform, l.chosen, ambview::code::kOpen);
    state.SetIterationTime((last - first) / kSteps);
  }
}

constexpr std::int64_t kWeek = 7 * 86400;
constexpr std::int64_t kDay = 86400;

void BM_Floor_WeekAt(benchmark::State& s) { floor_benchmark(s, kWeekAt); }
void BM_Uncached_WeekAt(benchmark::State& s) { step_benchmark(s, kWeekAt, Cache::None); }
void BM_Cold_WeekAt(benchmark::State& s) { step_benchmark(s, kWeekAt, Cache::Cold); }
void BM_Step_WeekAt(benchmark::State& s) { step_benchmark(s, kWeekAt, Cache::Warm); }
void BM_Floor_WeekP(benchmark::State& s) { floor_benchmark(s, kWeekP); }
void BM_Uncached_WeekP(benchmark::State& s) { step_benchmark(s, kWeekP, Cache::None); }
void BM_Cold_WeekP(benchmark::State& s) { step_benchmark(s, kWeekP, Cache::Cold); }
void BM_Step_WeekP(benchmark::State& s) { step_benchmark(s, kWeekP, Cache::Warm); }

// Times are CPU seconds (manual time): the machine is shared, wall time waits for a CPU.
BENCHMARK(BM_Floor_WeekAt)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Uncached_WeekAt)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cold_WeekAt)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_WeekAt)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_WeekP)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Uncached_WeekP)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cold_WeekP)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step_WeekP)->Arg(kWeek)->Arg(kDay)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DialogStep)->Iterations(8)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
