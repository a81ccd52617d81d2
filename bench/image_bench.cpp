// Saving a rendered view: the plain PNG writer against Qt's PNG writer (how views were saved
// before) and against the BMP writer, the floor (one pass over the pixels, no compression).
// The pictures are drawn by `ambview render` to BMP first, so only the encoding is timed.
//
//   image_bench [benchmark flags]     ambview is taken from MOVILOG_BIN_DIR (default: ..)
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "sim/recording_generator.h"
#include "ui/bmp_file.h"
#include "ui/png_file.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "movilog_image_bench";

struct Picture {
  const char* name;
  char mode;
  const char* view;
  ui::Image image;
};

// A week at 2 s drawn as `view`, through the command line (kept between runs).
ui::Image draw(const std::string& bin, const Picture& p) {
  fs::create_directories(kDir);
  const std::string base = (kDir / (std::string("week") + p.mode)).string();
  const std::string first = base + std::string(7 - 5, '_') + "0";
  if (!fs::exists(first)) {
    ambsim::RecordingOptions o;
    o.path = base;
    o.signal.mode = p.mode;
    o.signal.interval_s = 2.0;
    o.signal.samples = 7 * 43200;
    if (const auto r = ambsim::write_recording(o); !r.error.empty()) {
      std::fprintf(stderr, "image_bench: %s\n", r.error.c_str());
      std::exit(1);
    }
  }
  const std::string out = (kDir / (std::string(p.name) + ".bmp")).string();
  const std::string command =
      "'" + bin + "/ambview' render '" + first + "' --view " + p.view + " --out '" + out + "' >/dev/null";
  std::string error;
  const auto image = std::system(command.c_str()) == 0 ? ui::read_bmp(out, &error) : std::nullopt;
  if (!image) {
    std::fprintf(stderr, "image_bench: cannot draw %s with %s/ambview %s\n", p.name, bin.c_str(), error.c_str());
    std::exit(1);
  }
  return *image;
}

std::size_t qt_png(const ui::Image& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ui::qt::to_qimage(image).save(&buffer, "PNG");
  return static_cast<std::size_t>(bytes.size());
}

std::size_t plain_png(const ui::Image& image) { return ui::encode_png(image).size(); }
std::size_t bmp(const ui::Image& image) { return ui::encode_bmp(image).size(); }

void encode_benchmark(benchmark::State& state, const ui::Image& image, std::size_t (*encode)(const ui::Image&)) {
  bench::Seconds floor{1e9, 1e9};
  for (int i = 0; i < 5; ++i) {
    const bench::Seconds t = bench::seconds_of([&] { benchmark::DoNotOptimize(bmp(image)); });
    floor.wall = std::min(floor.wall, t.wall);
    floor.cpu = std::min(floor.cpu, t.cpu);
  }
  bench::Seconds total;
  std::size_t size = 0;
  for (auto _ : state) {
    const bench::Seconds t = bench::seconds_of([&] { size = encode(image); });
    total.wall += t.wall;
    total.cpu += t.cpu;
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["kB"] = static_cast<double>(size) / 1e3;
  state.counters["ratio"] = total.wall / runs / floor.wall;
  state.counters["cpu_ratio"] = total.cpu / runs / floor.cpu;
}

}  // namespace

int main(int argc, char** argv) {
  const char* from_env = std::getenv("MOVILOG_BIN_DIR");
  const std::string bin = from_env ? from_env : fs::absolute(argv[0]).parent_path().parent_path().string();
  // Mode "0" has four acceleration bands and at most 256 colours (a palette image); mode "@"
  // adds tilt and heart rate and more colours (RGB); the overview is the small picture.
  static std::vector<Picture> pictures{{"trend_mode0", '0', "trend", {}},
                                       {"trend_mode@", '@', "trend", {}},
                                       {"overview_mode@", '@', "overview", {}}};
  for (Picture& p : pictures) p.image = draw(bin, p);
  ui::qt::ensure_application();
  for (const Picture& p : pictures) {
    const std::string size = std::to_string(p.image.width) + "x" + std::to_string(p.image.height);
    benchmark::RegisterBenchmark(("BM_PngQt/" + std::string(p.name) + "/" + size).c_str(), encode_benchmark, p.image, qt_png)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Png/" + std::string(p.name) + "/" + size).c_str(), encode_benchmark, p.image, plain_png)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Bmp/" + std::string(p.name) + "/" + size).c_str(), encode_benchmark, p.image, bmp)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
