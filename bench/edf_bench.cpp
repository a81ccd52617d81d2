// EDF+ export cost: a synthetic week of every channel of mode "@" at 2 s (acceleration, X/Y/Z,
// tilt, heart rate), and a week of mode "P" at 1 s with its ~700 000 RR beats as annotations,
// written through the EDF+ writer; against the floor of writing as many bytes with fwrite. Before
// timing it prints the peak memory of writing a day and a week, each in a fresh process (they must
// be equal), and what edflib's own annotation writer would cost for the week of beats.
#include <benchmark/benchmark.h>

#include "bench/peak_memory.h"
#include <edflib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "sim/recording_generator.h"
#include "sim/signal_generator.h"
#include "view/output/edf_mapping.h"
#include "view/output/edf_writer.h"

namespace {

namespace fs = std::filesystem;
using ambview::edf::Request;

const fs::path kDir = fs::temp_directory_path() / "movilog_edf_bench";
constexpr std::int64_t kMicro = 1'000'000;

struct Workload {
  const char* name;
  char mode;
  double interval_s;
  bool beats;  // the RR channel's beats as annotations
};
const Workload kModeAt{"mode @, 2 s", '@', 2.0, false};
const Workload kModeRR{"mode P, 1 s, RR beats", 'P', 1.0, true};

// One generated day, in the values the recording's reader delivers; a week repeats it, so that
// the memory the bench itself holds is the same for a day and a week.
struct Day {
  std::int64_t samples = 0;
  std::int64_t interval_us = 0;
  std::vector<std::pair<char, char>> rows;  // code, kind
  std::vector<std::vector<std::int32_t>> values;
  std::vector<std::int64_t> beat_us;  // beat times within the day
};

Day make_day(const Workload& w) {
  ambsim::SignalOptions o;
  o.mode = w.mode;
  o.interval_s = w.interval_s;
  o.samples = static_cast<std::int64_t>(86400 / w.interval_s);
  const ambsim::RecorderMemory m = ambsim::generate_memory(o);
  Day d;
  d.samples = o.samples;
  d.interval_us = static_cast<std::int64_t>(w.interval_s * kMicro);
  const auto add = [&](char code, char kind, const auto& raw, int scale) {
    d.rows.emplace_back(code, kind);
    std::vector<std::int32_t> v(static_cast<std::size_t>(d.samples));
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::int32_t>(raw[i % raw.size()]) * scale;
    d.values.push_back(std::move(v));
  };
  add('0', 'A', m.acc, 2);
  for (int a = 0; a < 3; ++a) add(static_cast<char>('1' + a), 'A', m.axis[a], 2);
  add('4', '4', m.tilt, 1);
  if (w.beats) {
    add('5', '5', ambsim::derive_heart_rate(m.rr, w.interval_s).hr, 1);
    std::int64_t t = 0;
    for (const std::uint16_t rr : m.rr) {
      t += (rr == 0 ? 4096 : rr) * 1000;
      if (t >= d.samples * d.interval_us) break;
      d.beat_us.push_back(t);
    }
  } else {
    add('5', '5', m.hr, 1);
  }
  return d;
}

Request request_of(const Day& d, int days, const std::string& path) {
  Request q;
  q.path = path;
  q.start = *ambview::edf::start_time_of("2612010900", 0);
  q.recording = "SIMULATED";
  q.duration_us = days * d.samples * d.interval_us;
  for (std::size_t c = 0; c < d.rows.size(); ++c) {
    const std::vector<std::int32_t>* values = &d.values[c];
    auto at = std::make_shared<std::size_t>(0);
    q.signals.push_back({*ambview::edf::channel_signal(d.rows[c].first, d.rows[c].second, d.interval_us),
                         [values, at](std::span<std::int32_t> out, std::string&) {
                           for (std::int32_t& v : out) v = (*values)[(*at)++ % values->size()];
                           return true;
                         }});
  }
  if (!d.beat_us.empty()) {
    q.beat_count = days * static_cast<std::int64_t>(d.beat_us.size());
    auto next = std::make_shared<std::int64_t>(0);
    const std::int64_t day_us = d.samples * d.interval_us;
    q.next_beat = [&d, next, day_us](std::int64_t& t, std::string&) {
      const std::int64_t n = (*next)++;
      const auto per_day = static_cast<std::int64_t>(d.beat_us.size());
      t = n / per_day * day_us + d.beat_us[static_cast<std::size_t>(n % per_day)];
      return true;
    };
  }
  return q;
}

std::uintmax_t write_once(const Day& d, int days, const std::string& path) {
  const ambview::edf::Result r = ambview::edf::write_edf(request_of(d, days, path));
  if (!r.ok) {
    std::fprintf(stderr, "edf_bench: %s\n", r.message.c_str());
    std::exit(1);
  }
  return fs::file_size(path);
}

// The floor: as many bytes written with fwrite in large blocks, flushed to the disk as the
// writer flushes its file.
void floor_once(std::uintmax_t bytes) {
  const std::vector<char> block(1 << 16, 'x');
  const fs::path sink = kDir / "floor.out";
  std::FILE* f = std::fopen(sink.c_str(), "wb");
  for (std::uintmax_t left = bytes; f && left > 0;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size()));
    if (std::fwrite(block.data(), 1, n, f) != n) break;
    left -= n;
  }
  if (f) {
    std::fflush(f);
    fsync(fileno(f));
    std::fclose(f);
  }
}

void edf_week(benchmark::State& state, const Workload& w) {
  const Day d = make_day(w);
  const std::string out = (kDir / "week.edf").string();
  const std::uintmax_t bytes = write_once(d, 7, out);  // also warms up
  bench::Seconds floor{1e9, 1e9};
  for (int i = 0; i < 3; ++i) {
    const bench::Seconds t = bench::seconds_of([&] { floor_once(bytes); });
    floor.wall = std::min(floor.wall, t.wall);
    floor.cpu = std::min(floor.cpu, t.cpu);
  }
  bench::Seconds total;
  for (auto _ : state) {
    const bench::Seconds t = bench::seconds_of([&] { write_once(d, 7, out); });
    total.wall += t.wall;
    total.cpu += t.cpu;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["samples"] = static_cast<double>(7 * d.samples * static_cast<std::int64_t>(d.rows.size()));
  state.counters["beats"] = static_cast<double>(7 * d.beat_us.size());
  state.counters["out_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["floor_ms"] = floor.wall * 1e3;
  state.counters["ratio"] = total.wall / runs / floor.wall;
  state.counters["cpu_ratio"] = total.cpu / runs / floor.cpu;
}

void BM_EdfWeekModeAt(benchmark::State& state) { edf_week(state, kModeAt); }
void BM_EdfWeekRRBeats(benchmark::State& state) { edf_week(state, kModeRR); }
BENCHMARK(BM_EdfWeekModeAt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EdfWeekRRBeats)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs `job` in a fresh process and answers its peak resident memory in kB (-1 on failure).
template <typename Job>
long peak_kb_of(Job job) {
  return peak_kb_in_child([&] {
    job();
  });
}

void print_memory(const Workload& w) {
  const Day d = make_day(w);
  const std::string out = (kDir / "memory.edf").string();
  const long day = peak_kb_of([&] { write_once(d, 1, out); });
  const long week = peak_kb_of([&] { write_once(d, 7, out); });
  std::printf("peak memory (maxrss) writing %s: day %ld kB, week %ld kB, growth %ld kB\n", w.name, day, week,
              week - day);
}

// The same week of beats handed to edflib's own annotation writer (edfwrite_annotation_utf8),
// with as many annotation signals as it needs, for comparison: memory, time, size, and how many
// annotations its reader finds again.
void print_edflib_annotations() {
  const Day d = make_day(kModeRR);
  const std::string out = (kDir / "edflib_own.edf").string();
  const std::int64_t samples = 7 * d.samples;
  const auto beats = static_cast<std::int64_t>(7 * d.beat_us.size());
  constexpr int kRecordSeconds = 10;
  const std::int64_t records = samples / kRecordSeconds;
  const int signals = static_cast<int>(std::min<std::int64_t>(64, (beats + records - 1) / records));
  double seconds = 0;
  const long kb = peak_kb_of([&] {
    const bench::Seconds t = bench::seconds_of([&] {
      const int h = edfopen_file_writeonly(out.c_str(), EDFLIB_FILETYPE_EDFPLUS, static_cast<int>(d.rows.size()));
      for (int s = 0; s < static_cast<int>(d.rows.size()); ++s) {
        edf_set_samplefrequency(h, s, kRecordSeconds);
        edf_set_physical_maximum(h, s, 65535);
        edf_set_physical_minimum(h, s, 0);
        edf_set_digital_maximum(h, s, 32767);
        edf_set_digital_minimum(h, s, -32768);
      }
      edf_set_datarecord_duration(h, kRecordSeconds * 100000);
      edf_set_number_of_annotation_signals(h, signals);
      std::vector<short> block(d.rows.size() * kRecordSeconds, 0);
      for (std::int64_t r = 0; r < records; ++r) edf_blockwrite_digital_short_samples(h, block.data());
      for (std::int64_t b = 0; b < beats; ++b) {
        const auto per_day = static_cast<std::int64_t>(d.beat_us.size());
        const std::int64_t t_us = b / per_day * d.samples * d.interval_us + d.beat_us[static_cast<std::size_t>(b % per_day)];
        edfwrite_annotation_utf8(h, t_us / 100, -1, "RR");
      }
      edfclose_file(h);
    });
    std::FILE* f = std::fopen((kDir / "edflib_own.time").c_str(), "w");
    if (f) {
      std::fprintf(f, "%f", t.wall);
      std::fclose(f);
    }
  });
  if (std::FILE* f = std::fopen((kDir / "edflib_own.time").c_str(), "r")) {
    if (std::fscanf(f, "%lf", &seconds) != 1) seconds = 0;
    std::fclose(f);
  }
  edf_hdr_struct* hdr = new edf_hdr_struct;
  long long found = -1;
  if (edfopen_file_readonly(out.c_str(), hdr, EDFLIB_READ_ALL_ANNOTATIONS) == 0) {
    found = hdr->annotations_in_file;
    edfclose_file(hdr->handle);
  }
  delete hdr;
  std::printf("edflib's own annotation writer, week of %lld beats (%d annotation signals, %d s records): "
              "peak memory %ld kB, %.0f ms, %.1f MB, annotations read back %lld\n",
              static_cast<long long>(beats), signals, kRecordSeconds, kb, seconds * 1e3,
              static_cast<double>(fs::file_size(out)) / 1e6, found);
  fs::remove(out);
}

}  // namespace

int main(int argc, char** argv) {
  fs::create_directories(kDir);
  print_memory(kModeAt);
  print_memory(kModeRR);
  print_edflib_annotations();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(kDir);
  return 0;
}
