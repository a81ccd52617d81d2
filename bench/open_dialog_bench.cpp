// Opening a week-long recording up to the drawn overview of the processing-conditions
// dialog, against the floor of reading every file of the recording once.
//
//   open_dialog_bench [--benchmark_...]   (MOVILOG_BENCH_DAYS, default 7; interval 1 s)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <unistd.h>

#include "common/record_file.h"
#include "sim/recording_generator.h"
#include "ui/platform.h"
#include "ui/testing/fake_clock.h"
#include "ui/testing/scripted_dialogs.h"
#include "ui/testing/scripted_pump.h"
#include "ui/testing/test_form.h"
#include "view/windows/conditions_dialog.h"
#include "view/windows/viewer_shell.h"

namespace fs = std::filesystem;

namespace {

struct Recording {
  fs::path dir;
  std::string chosen;     // the file a user picks
  fs::path rr_index;      // built by the first opening
  std::vector<fs::path> files;
  std::uintmax_t bytes = 0;
};

Recording& recording() {
  static Recording r;
  return r;
}

void make_recording() {
  Recording& r = recording();
  r.dir = fs::temp_directory_path() / ("open_bench_" + std::to_string(::getpid()));
  fs::create_directories(r.dir);
  const char* days_env = std::getenv("MOVILOG_BENCH_DAYS");
  const int days = days_env ? std::max(1, std::atoi(days_env)) : 7;
  ambsim::RecordingOptions o;
  o.path = (r.dir / "WEEK").string();
  o.family = ambsim::Family::PerChannel;
  o.signal.mode = 'P';  // acceleration, X/Y/Z, tilt, RR (with heart rate derived)
  o.signal.samples = static_cast<std::int64_t>(days) * 86400;
  o.signal.interval_s = 1.0;
  o.signal.seed = 5;
  const auto result = ambsim::write_recording(o);
  if (!result.error.empty()) {
    std::cerr << "cannot write the recording: " << result.error << "\n";
    std::exit(1);
  }
  r.chosen = result.files.front();
  for (const auto& e : fs::directory_iterator(r.dir)) {
    const std::string name = e.path().filename().string();
    if (name == "WEEK___i" || name == "WEEK___I") {
      fs::remove(e.path());  // the viewer builds its own on the first showing
      continue;
    }
    r.files.push_back(e.path());
    r.bytes += fs::file_size(e.path());
  }
  r.rr_index = r.dir / "WEEK___i";
  std::cerr << "recording: " << days << " days, " << r.files.size() << " files, " << r.bytes / 1024 << " KiB\n";
}

// One OPEN_DATA up to the drawn overview; the user closes the dialog at once.
void open_once() {
  ui::testing::TestFormFactory forms;
  ui::testing::ScriptedDialogs dialogs;
  ui::testing::ScriptedPump pump;
  ui::testing::FakeClock clock;
  ui::Platform platform{forms, dialogs, pump, clock};
  ambview::ViewerState state;
  state.conditions = ambview::default_conditions(recording().dir.string() + "/");
  pump.then([&] { forms.form("FORM2").user_close(); });
  ambview::OPEN_DATA(state, platform, recording().chosen, ambview::code::kOpen);
  benchmark::DoNotOptimize(forms.form("FORM2").recording().primitives().size());
}

void BM_ReadFilesOnce(benchmark::State& st) {
  for (auto _ : st) {
    std::size_t sum = 0;
    for (const fs::path& p : recording().files) {
      common::RecordFile f;
      if (!f.open(p.string(), common::RecordFile::Mode::ReadOnly)) continue;
      const std::int64_t n = f.record_count();
      for (std::int64_t i = 1; i <= n; ++i) {
        auto rec = f.read(i);
        if (rec) sum += static_cast<unsigned char>((*rec)[0]);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(recording().bytes));
}

// The usual opening: the RR index exists.
void BM_OpenToOverview(benchmark::State& st) {
  open_once();  // builds the index if it is not there yet
  for (auto _ : st) open_once();
}

// The first opening: the RR index is built while the overview is drawn.
void BM_OpenFirstTime(benchmark::State& st) {
  for (auto _ : st) {
    st.PauseTiming();
    std::error_code ec;
    fs::remove(recording().rr_index, ec);
    st.ResumeTiming();
    open_once();
  }
}

BENCHMARK(BM_ReadFilesOnce)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenToOverview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFirstTime)->Unit(benchmark::kMillisecond);

// Keeps the real time per iteration of each benchmark for the ratio lines.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        ms_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double floor = ms_["BM_ReadFilesOnce"];
    if (floor <= 0) return;
    for (const char* name : {"BM_OpenToOverview", "BM_OpenFirstTime"})
      if (ms_.count(name)) std::cout << "ratio " << name << " / BM_ReadFilesOnce = " << ms_[name] / floor << "\n";
  }

 private:
  std::map<std::string, double> ms_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  make_recording();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(recording().dir, ec);
  return 0;
}
