// HRV definitions on hand-computed cases: zero-word runs, artefacts breaking differences,
// window edges, a short last window, empty windows.
#include "view/compute/hrv_stats.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambview {
namespace {

struct HrvRun {
  std::vector<HrvStats> windows;
  HrvStats all;
};

HrvRun run(std::int64_t start_ms, std::int64_t span_ms, std::int64_t window_ms, const std::vector<std::uint16_t>& words) {
  HrvRun r;
  HrvComputer c(start_ms, span_ms, window_ms, [&](const HrvStats& s) { r.windows.push_back(s); });
  for (auto w : words) c.add_word(w);
  r.all = c.finish();
  return r;
}

TEST(HrvStatsTest, ArtefactsAreExcludedAndBreakTheSuccessiveDifferences) {
  // Kept 800 850 900 960; 250 is an artefact, so 900-850 is no difference.
  const HrvRun r = run(0, 60'000, 60'000, {800, 850, 250, 900, 960});
  ASSERT_EQ(r.windows.size(), 1u);
  const HrvStats& s = r.windows[0];
  EXPECT_EQ(s.beats, 4);
  EXPECT_EQ(s.excluded, 1);
  EXPECT_NEAR(*s.mean_rr_ms, 877.5, 1e-9);
  EXPECT_NEAR(*s.sdnn_ms, 68.4957, 1e-4);          // sqrt(14075 / 3)
  EXPECT_NEAR(*s.rmssd_ms, 55.2268, 1e-4);         // differences 50 and 60
  EXPECT_NEAR(*s.pnn50_pct, 50.0, 1e-9);           // 50 is not above 50
  EXPECT_NEAR(*s.mean_hr_bpm, 60000.0 / 877.5, 1e-9);
  EXPECT_EQ(r.all.beats, 4);
  EXPECT_NEAR(*r.all.rmssd_ms, *s.rmssd_ms, 1e-9);
  // An interval of 2001 ms is an artefact; 2000 and 300 are kept.
  const HrvRun edges = run(0, 60'000, 60'000, {300, 2000, 2001, 299});
  EXPECT_EQ(edges.all.beats, 2);
  EXPECT_EQ(edges.all.excluded, 2);
}

TEST(HrvStatsTest, ZeroRunsLengthenTheIntervalThatEndsAtTheNextBeat) {
  // 1000 | 0 0 0 904 = 3 * 4096 + 904 = 13192 ms, ending at 14192 ms | 1000 ending at 15192.
  const HrvRun r = run(0, 20'000, 5'000, {1000, 0, 0, 0, 904, 1000});
  ASSERT_EQ(r.windows.size(), 4u);
  EXPECT_EQ(r.windows[0].beats, 1);
  EXPECT_EQ(r.windows[1].beats + r.windows[1].excluded, 0);  // an empty window
  EXPECT_FALSE(r.windows[1].mean_rr_ms);
  EXPECT_FALSE(r.windows[1].mean_hr_bpm);
  EXPECT_EQ(r.windows[2].excluded, 1);  // the long interval, placed at its end
  EXPECT_EQ(r.windows[3].beats, 1);     // the next beat: 15.192 s
  EXPECT_EQ(r.windows[3].offset_ms, 15'000);
  // A zero run at the end closes no interval.
  const HrvRun open = run(0, 20'000, 20'000, {1000, 0, 0});
  EXPECT_EQ(open.all.beats + open.all.excluded, 1);
}

TEST(HrvStatsTest, WindowMembershipAtTheEdgesAndAShortLastWindow) {
  // Beats end at 1, 2, 3, 4, 5 s; start 1 s, span 4 s, windows of 2 s: [1,3) [3,5).
  const HrvRun r = run(1'000, 4'000, 2'000, {1000, 1000, 1000, 1000, 1000});
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_EQ(r.windows[0].offset_ms, 1'000);
  EXPECT_EQ(r.windows[0].beats, 2);  // 1 s (at a) and 2 s; 3 s belongs to the next
  EXPECT_EQ(r.windows[1].beats, 2);  // 3 s and 4 s; 5 s is past the range
  EXPECT_EQ(r.all.beats, 4);
  // One interval: mean only; no SDNN, no difference.
  EXPECT_TRUE(r.windows[0].sdnn_ms);
  const HrvRun one = run(0, 3'000, 3'000, {1000});
  EXPECT_TRUE(one.all.mean_rr_ms);
  EXPECT_FALSE(one.all.sdnn_ms);
  EXPECT_FALSE(one.all.rmssd_ms);
  EXPECT_FALSE(one.all.pnn50_pct);
  // A span of 5 s in windows of 2 s ends with a window of 1 s.
  const HrvRun shortlast = run(0, 5'000, 2'000, {900, 900, 900, 900, 900});
  ASSERT_EQ(shortlast.windows.size(), 3u);
  EXPECT_EQ(shortlast.windows[2].offset_ms, 4'000);
  EXPECT_EQ(shortlast.windows[2].beats, 1);  // the beat at 4.5 s
}

TEST(HrvStatsTest, DifferencesStayInsideAWindowButSpanWindowsInTheWholeRange) {
  // 800 | 900 across the window edge at 1 s: no difference in either window, one overall.
  const HrvRun r = run(0, 2'000, 1'000, {800, 900});
  ASSERT_EQ(r.windows.size(), 2u);
  EXPECT_FALSE(r.windows[0].rmssd_ms);
  EXPECT_FALSE(r.windows[1].rmssd_ms);
  EXPECT_NEAR(*r.all.rmssd_ms, 100.0, 1e-9);
  EXPECT_NEAR(*r.all.pnn50_pct, 100.0, 1e-9);
}

}  // namespace
}  // namespace ambview

namespace ambview {
namespace {

TEST(HrvCsvTest, RowsKeepEmptyFieldsAndCalendarTimes) {
  HrvStats s;
  s.beats = 1;
  s.mean_rr_ms = 800;
  s.mean_hr_bpm = 75;
  EXPECT_EQ(hrv_csv_row("all", s), "all,1,0,800.000,,,,75.000\n");
  // Across a leap day and a year end, with the offset in milliseconds cut to the second.
  EXPECT_EQ(civil_time_text("2402282330", 3'600'999), "2024-02-29 00:30:00");
  EXPECT_EQ(civil_time_text("9912312359", 60'000), "2000-01-01 00:00:00");
}

}  // namespace
}  // namespace ambview
