// The viewer's decoded-series cache: a trend drawn from it is pixel for pixel the trend drawn
// from the files, through window moves and after a file changes, and a move reads no file again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sim/recording_generator.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "view/commands/render_command.h"
#include "view/draw/trend_view.h"
#include "view/windows/trend_navigation.h"

namespace ambview {
namespace {

namespace fs = std::filesystem;

struct SetCase {
  const char* name;
  char mode;
  const char* model;
  std::int64_t samples;
  double interval;
  int markers;  // combined files: marker frames inside
};

ambsim::RecordingOptions options(const fs::path& dir, const SetCase& c, std::int64_t samples, std::uint32_t seed) {
  ambsim::RecordingOptions o;
  o.path = (dir / "CACHE").string();
  o.family = std::string(c.model) == "Aa" ? ambsim::Family::Combined : ambsim::Family::PerChannel;
  o.signal.mode = c.mode;
  o.signal.model = c.model;
  o.signal.samples = samples;
  o.signal.interval_s = c.interval;
  o.signal.seed = seed;
  o.event_markers = c.markers;
  return o;
}

ui::Image draw(const RenderSetup& s, TimeWindow w, Averaging averaging, SeriesCache* cache) {
  ProcessingConditions cond = s.conditions;
  cond.display_start = w.start;
  cond.display_span = w.span;
  cond.averaging = averaging;
  cond.average_n = averaging == Averaging::Moving ? 7 : 3;
  ui::qt::QtCanvas canvas(kRenderDefaultWidth, kRenderDefaultHeight);
  TREND(canvas, cond, s.channels, s.recording.info, {}, cache);
  return canvas.snapshot();
}

// Equal pictures, or how many pixels differ (not the pixels themselves).
::testing::AssertionResult same(const ui::Image& a, const ui::Image& b) {
  if (a.width != b.width || a.height != b.height) return ::testing::AssertionFailure() << "sizes differ";
  std::size_t differ = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) differ += a.pixels[i] != b.pixels[i];
  if (differ == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differ << " pixels differ";
}

RenderSetup setup_of(const std::string& chosen) {
  const LoadResult loaded = load_recording(chosen);
  EXPECT_TRUE(loaded.ok()) << chosen;
  std::string error;
  return *render_setup(loaded.recording, parse_args({}, {}), error);
}

TEST(TrendCache, CachedRedrawsEqualDrawsFromTheFiles) {
  ui::qt::ensure_application();
  const std::vector<SetCase> sets = {
      {"per-channel with RR", 'P', "CE", 3 * 3600, 1, 0},
      {"combined with markers", '0', "Aa", 3600, 1, 3},
      {"waveform with ECG", '9', "CE", 6000, 0.02, 0},
  };
  const std::vector<TrendMove> moves = {TrendMove::ZoomIn, TrendMove::Forward, TrendMove::PageForward,
                                        TrendMove::ZoomIn, TrendMove::Last, TrendMove::ZoomOut};
  for (const SetCase& c : sets) {
    SCOPED_TRACE(c.name);
    const fs::path dir = fs::temp_directory_path() / ("trend_cache_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ambsim::RecordingResult r = ambsim::write_recording(options(dir, c, c.samples, 5));
    ASSERT_EQ(r.error, "");
    RenderSetup s = setup_of(r.files.front());
    SeriesCache cache;
    auto length = static_cast<std::int32_t>(s.conditions.duration);
    TimeWindow w{0, static_cast<std::int32_t>(s.conditions.display_span)};
    // The first draw reads each file once; the moves read none again.
    ASSERT_TRUE(same(draw(s, w, Averaging::Block, &cache), draw(s, w, Averaging::Block, nullptr)));
    const std::int64_t reads = cache.reads();
    EXPECT_GT(reads, 0);
    for (std::size_t i = 0; i < moves.size(); ++i) {
      w = move_window(w, length, moves[i]);
      const Averaging a = i % 2 == 0 ? Averaging::Moving : Averaging::Block;
      EXPECT_TRUE(same(draw(s, w, a, &cache), draw(s, w, a, nullptr))) << "move " << i;
    }
    EXPECT_EQ(cache.reads(), reads);

    // The recording written again, longer and with other data: what was kept is not used.
    r = ambsim::write_recording(options(dir, c, c.samples + c.samples / 3, 9));
    ASSERT_EQ(r.error, "");
    s = setup_of(r.files.front());
    length = static_cast<std::int32_t>(s.conditions.duration);
    w = move_window(w, length, TrendMove::Last);
    EXPECT_TRUE(same(draw(s, w, Averaging::Block, &cache), draw(s, w, Averaging::Block, nullptr)));
    EXPECT_GT(cache.reads(), reads);

    // A cache too small for any file leaves every band to reading on demand; one that holds
    // half the files keeps them and reads the rest on demand, not every file on every draw.
    SeriesCache tiny(1024);
    EXPECT_TRUE(same(draw(s, w, Averaging::Moving, &tiny), draw(s, w, Averaging::Moving, nullptr)));
    EXPECT_EQ(tiny.bytes(), 0);
    SeriesCache half(cache.bytes() / 2);
    EXPECT_TRUE(same(draw(s, w, Averaging::Block, &half), draw(s, w, Averaging::Block, nullptr)));
    const std::int64_t kept = half.reads();
    EXPECT_GT(kept, 0);
    w = move_window(w, length, TrendMove::First);
    EXPECT_TRUE(same(draw(s, w, Averaging::Block, &half), draw(s, w, Averaging::Block, nullptr)));
    EXPECT_EQ(half.reads(), kept);
    EXPECT_LE(half.bytes(), half.limit());
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace ambview
