// The overview of the processing-conditions dialog: band geometry, the RR index built on the
// first showing and read on the next (the same overview both times), waveform bands kept in
// their place, and the exclusive-or frame on a real image.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/numbers.h"
#include "common/record_file.h"
#include "common/recording_format.h"
#include "common/text.h"
#include "shell_fixture.h"
#include "ui/colour.h"
#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"
#include "view/windows/conditions_dialog.h"
#include "view/draw/overview.h"
#include "view/recording/rr_index.h"

namespace ambview::testing {
namespace {

using ui::testing::Primitive;
using ui::testing::PrimitiveKind;

// The primitives drawn since the dialog last cleared its surface, as comparable text.
std::vector<std::string> since_clear(const ui::testing::RecordingCanvas& canvas) {
  const auto& prims = canvas.primitives();
  auto it = std::find_if(prims.rbegin(), prims.rend(), [](const Primitive& p) { return p.kind == PrimitiveKind::Clear; });
  std::vector<std::string> out;
  for (auto p = it.base() - (it == prims.rend() ? 0 : 1); p != prims.end(); ++p) {
    std::ostringstream s;
    s << static_cast<int>(p->kind) << ' ' << p->colour << ' ' << p->text << ' ' << p->font_size;
    for (const auto& pt : p->points) s << " (" << pt.x << ',' << pt.y << ')';
    out.push_back(s.str());
  }
  return out;
}

std::vector<Primitive> overview_points(const ui::testing::RecordingCanvas& canvas) {
  std::vector<Primitive> out;
  for (const Primitive& p : canvas.primitives())
    if ((p.kind == PrimitiveKind::FillBox || p.kind == PrimitiveKind::Line) && p.colour == ui::palette(5))
      out.push_back(p);
  return out;
}

TEST_F(ViewerTest, OverviewBandsSitInTheirPlaces) {
  const std::string path = make_recording("WALK", '@', 3600, 2.0);
  script_open(path);
  script([this] {
    auto& canvas = form2().recording();
    const auto texts = canvas.of_kind(PrimitiveKind::Text);
    ASSERT_GE(texts.size(), 7u);
    const char* names[] = {"WALK___0", "WALK___1", "WALK___2", "WALK___3", "WALK___4", "WALK___5"};
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(texts[static_cast<std::size_t>(k)].text, names[k]);
      EXPECT_EQ(texts[static_cast<std::size_t>(k)].points[0], (ui::Point{25, 50 * k}));
      // The check boxes stand beside the names.
      const auto& check = form2().test_control("CHECK" + std::to_string(k + 1));
      EXPECT_TRUE(check.visible());
      EXPECT_EQ(check.y(), 50 * k);
    }
    EXPECT_FALSE(form2().test_control("CHECK7").visible());
    EXPECT_EQ(texts[6].text, "SCALE=  4G");
    const int b = 34;
    const auto points = overview_points(canvas);
    // 3600 samples, every 12th: 300 points per band.
    ASSERT_EQ(points.size(), 6u * 300u);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const int k = static_cast<int>(i / 300);
      const int yb = 50 * (k + 1);
      const Primitive& p = points[i];
      EXPECT_EQ(p.kind, k < 4 ? PrimitiveKind::FillBox : PrimitiveKind::Line) << i;
      for (const ui::Point& pt : p.points) {
        EXPECT_GE(pt.x, 25);
        EXPECT_LE(pt.x, 325);
        EXPECT_GE(pt.y, yb - b) << i;
        EXPECT_LE(pt.y, yb) << i;
      }
    }
    // Each band starts at the overview's left edge; the last point reaches its right edge.
    EXPECT_EQ(points[0].points[0], (ui::Point{25, 50}));
    EXPECT_EQ(points[4 * 300].points[0], (ui::Point{25, 250}));
    EXPECT_GE(points[299].points[1].x, 324);  // sample 3588 of 3600
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
}

// Waveforms are drawn about their band's middle and the ECG waveform "d", five samples per
// interval, spans the same width as the others.
TEST_F(ViewerTest, WaveformBandsStayInsideTheOverview) {
  const std::string path = make_recording("WAVE", '9', 3000, 0.02);
  script_open(path);
  script([this] {
    const auto points = overview_points(form2().recording());
    ASSERT_FALSE(points.empty());
    const int b = 300 / 4 - 16;
    int last_x = 0;
    for (const Primitive& p : points) {
      for (const ui::Point& pt : p.points) {
        EXPECT_GE(pt.x, 25);
        EXPECT_LE(pt.x, 325);
        EXPECT_GE(pt.y, 16);
        EXPECT_LE(pt.y, 4 * (b + 16));
        last_x = pt.x;
      }
    }
    EXPECT_GE(last_x, 320);  // the "d" band ends at the right edge, not five widths further
    EXPECT_EQ(form2().recording().xor_shown().size(), 4u);
    form2().click("BUTTON1");
  });
  script_close_main();
  run();
  EXPECT_EQ(state.channels.rows[3].code, 'd');
}

class RrIndexTest : public ViewerTest {
 protected:
  void SetUp() override {
    ViewerTest::SetUp();
    path_ = make_recording("BEAT", 'P', 1800, 2.0);
    for (const auto& e : fs::directory_iterator(root_ / "data")) {
      const std::string name = e.path().filename().string();
      if (name == "BEAT___i" || name == "BEAT___I") fs::remove(e.path());
      if (name == "BEAT___6") rr_ = e.path();
    }
    index_ = root_ / "data" / "BEAT___i";
    ASSERT_FALSE(rr_.empty());
  }
  std::string path_;
  fs::path rr_;
  fs::path index_;
};

TEST_F(RrIndexTest, BuiltOnTheFirstShowingAndReadOnTheNext) {
  std::vector<std::string> first, second;
  std::string index_bytes;
  script_open(path_);
  script([&, this] {
    ASSERT_TRUE(fs::exists(index_));
    for (const auto& e : fs::directory_iterator(index_.parent_path()))
      EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
    first = since_clear(form2().recording());
    index_bytes = read_bytes(index_);
    form2().click("BUTTON1");
  });
  script_open(path_);
  script([&, this] {
    second = since_clear(form2().recording());
    form2().user_close();
  });
  script_close_main();
  run();

  EXPECT_EQ(read_bytes(index_), index_bytes);  // read, not written again
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, second);
  // The RR band has its points.
  const long rr_points = std::count_if(first.begin(), first.end(), [](const std::string& s) {
    return s.rfind(std::to_string(static_cast<int>(PrimitiveKind::Line)) + " " + std::to_string(ui::palette(5)), 0) == 0;
  });
  EXPECT_GT(rr_points, 2 * 250);  // tilt and RR bands, 300 points each
}

// An index file that is there but cannot be read belongs to the recording: it stays as it is,
// and the band is drawn from an index made in memory.
TEST_F(RrIndexTest, AnUnreadableIndexFileIsNeverWrittenOver) {
  std::ofstream(index_).close();
  std::string said;
  set_rr_index_notice([&said](std::string_view line) { said += line; });
  const auto index = ensure_rr_index(rr_.string(), "");
  set_rr_index_notice({});
  ASSERT_TRUE(index);
  EXPECT_GT(index->entries(), 1700);
  EXPECT_EQ(fs::file_size(index_), 0u);
  EXPECT_NE(said.find("cannot be read"), std::string::npos) << said;
}

// Entry k is the number of beats begun at or before the end of trend sample k, as the link
// program derives it; the header states the last entry and the recording's count.
TEST_F(RrIndexTest, EntriesCountTheBeatsBegunByTheEndOfEachSample) {
  common::RecordFile rr;
  ASSERT_TRUE(rr.open(rr_.string(), common::RecordFile::Mode::ReadOnly));
  const std::string rr_header = *rr.read(1);
  const std::uint64_t total = common::hex_value(common::mid(rr_header, 55, 8));
  std::vector<std::int64_t> ends;  // time at the end of each beat, ms
  std::int64_t t = 0;
  for (std::uint64_t i = 0; i < total; ++i) {
    const auto rec = rr.read(2 + static_cast<std::int64_t>(i / 120));
    ASSERT_TRUE(rec);
    const std::int32_t w = common::binary_word(*rec, static_cast<int>(i % 120));
    t += w == 0 ? 4096 : w;
    ends.push_back(t);
  }

  const LoadResult loaded = load_recording(path_);
  ASSERT_TRUE(loaded.ok());
  ui::testing::RecordingCanvas canvas(560, 420);
  OverviewBand band;
  band.canvas = &canvas;
  band.table = &loaded.recording.table;
  const ChannelTable& table = loaded.recording.table;
  band.k = static_cast<int>(std::find_if(table.rows.begin(), table.rows.end(),
                                         [](const ChannelRow& r) { return r.kind == '6'; }) -
                            table.rows.begin());
  ASSERT_LT(band.k, table.count);
  band.band = overview_band_height(table.count);
  band.sample_count = loaded.recording.sample_count;
  band.q = overview_step(band.sample_count);
  band.interval = loaded.recording.interval;
  ASSERT_EQ(band.kind(), '6');
  MK_PLOT(band);

  common::RecordFile index;
  ASSERT_TRUE(index.open(index_.string(), common::RecordFile::Mode::ReadOnly));
  const std::string header = *index.read(1);
  EXPECT_EQ(header.substr(0, 2), "IX");
  EXPECT_EQ(header.substr(2, 8), rr_header.substr(2, 8));  // start time carried
  EXPECT_EQ(common::mid(header, 11, 4), "FFFF");
  EXPECT_EQ(common::read_header(header).count, 1800u);
  const std::uint64_t last = common::hex_value(common::mid(header, 55, 8));
  for (std::uint64_t k = 0; k <= last; ++k) {
    const auto rec = index.read(2 + static_cast<std::int64_t>(k / 60));
    ASSERT_TRUE(rec) << k;
    const std::uint32_t entry = common::rr_index_entry(*rec, static_cast<int>(k % 60));
    const std::int64_t end_ms = static_cast<std::int64_t>(k + 1) * 2000;
    const auto begun = std::upper_bound(ends.begin(), ends.end(), end_ms) - ends.begin() + 1;
    ASSERT_EQ(entry, static_cast<std::uint32_t>(begun)) << "entry " << k;
  }
  // One entry per sample end that the beats pass, no further than the recording.
  std::uint64_t reached = 0;
  while (reached < 1800 && static_cast<std::int64_t>(reached + 1) * 2000 < ends.back()) ++reached;
  EXPECT_GT(reached, 1700u);
  EXPECT_EQ(last + 1, reached);
}

// The frame drawn twice on a real image leaves the overview exactly as it was.
TEST_F(ViewerTest, ExclusiveOrFrameRestoresTheOverviewPixelForPixel) {
  ui::qt::ensure_application();
  const std::string path = make_recording("WALK", '@', 3600, 2.0);
  const LoadResult loaded = load_recording(path);
  ASSERT_TRUE(loaded.ok());
  const ChannelTable& table = loaded.recording.table;
  ui::qt::QtCanvas canvas(560, 420);
  canvas.clear(ui::palette(15));
  const int b = overview_band_height(table.count);
  for (int k = 0; k < table.count; ++k) {
    OverviewBand band;
    band.canvas = &canvas;
    band.table = &table;
    band.k = k;
    band.band = b;
    band.sample_count = loaded.recording.sample_count;
    band.q = overview_step(band.sample_count);
    band.interval = loaded.recording.interval;
    F_PLOT(band);
  }
  PRT_SCALE(canvas, 0, 185, 0);
  const ui::Image before = canvas.snapshot();
  const auto frame = selection_frame(table, b, 1500, 4000, 300, 7200, 1800, 1200);
  ASSERT_EQ(frame.size(), 6u);
  DRW_SCL(canvas, frame);
  const ui::Image framed = canvas.snapshot();
  EXPECT_NE(framed.pixels, before.pixels);
  // The frame's top edge over white background: white XOR light yellow is blue.
  const int x = frame[0].x1 + 5;
  const int y = frame[0].y1;
  EXPECT_EQ(frame[0].y1, 50 - 13);  // 34 x 1500 / 4000
  ASSERT_EQ(before.at(x, y), 0xFFFFFFu);
  EXPECT_EQ(framed.at(x, y), 0x0000FFu);
  CLR_SCL(canvas, frame);
  EXPECT_EQ(canvas.snapshot().pixels, before.pixels);
}

}  // namespace
}  // namespace ambview::testing
