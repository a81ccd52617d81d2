// Drawing on the QImage canvas: pixels as the views rely on them (exclusive-or frames that
// erase themselves, both line ends drawn, boxes inclusive) and the Japanese gothic font.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "ui/qt/qt_app.h"
#include "ui/qt/qt_canvas.h"

namespace ui::qt {
namespace {

class QtCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override { ensure_application(); }
};

// A busy background, so that a restore is checked against every kind of pixel.
void paint_noise(QtCanvas& c) {
  c.clear(palette(15));
  for (int i = 0; i < 16; ++i) {
    c.set_fill(palette(i));
    c.fill_box(i * 7, 0, i * 7 + 6, 59);
    c.set_pen(palette(15 - i));
    c.line(0, i * 4, 119, 59 - i * 3);
  }
}

TEST_F(QtCanvasTest, XorFramesAndLinesDrawnTwiceRestoreTheImage) {
  QtCanvas c(120, 60);
  paint_noise(c);
  const Image before = c.snapshot();
  const std::vector<std::array<int, 4>> shapes = {
      {10, 5, 50, 40}, {50, 40, 10, 5}, {3, 3, 3, 30}, {5, 7, 90, 7}, {8, 8, 8, 8}, {0, 0, 119, 59}, {-5, -5, 200, 30}};
  for (const auto& s : shapes) {
    c.xor_box(s[0], s[1], s[2], s[3], palette(14));
    EXPECT_NE(c.snapshot().pixels, before.pixels) << "box " << s[0] << "," << s[1];
    c.xor_box(s[0], s[1], s[2], s[3], palette(14));
    EXPECT_EQ(c.snapshot().pixels, before.pixels) << "box " << s[0] << "," << s[1];
    c.xor_line(s[0], s[1], s[2], s[3], palette(12));
    c.xor_line(s[0], s[1], s[2], s[3], palette(12));
    EXPECT_EQ(c.snapshot().pixels, before.pixels) << "line " << s[0] << "," << s[1];
  }
}

// The views draw a band's columns and bars in one call each: the pixels must be those of one
// call per line and per box, points, reversed ends and parts off the surface included.
TEST_F(QtCanvasTest, BatchedLinesAndBoxesDrawTheSamePixelsAsSingleCalls) {
  const std::vector<Segment> segments = {
      {{3, 3}, {3, 3}},   {{0, 0}, {119, 59}}, {{119, 0}, {0, 59}}, {{10, 50}, {10, 5}}, {{5, 7}, {90, 7}},
      {{40, 20}, {41, 58}}, {{-20, 30}, {150, 31}}, {{60, -9}, {60, 70}}, {{200, 10}, {210, 20}}, {{7, 44}, {6, 44}}};
  QtCanvas single(120, 60), batched(120, 60);
  for (QtCanvas* c : {&single, &batched}) {
    paint_noise(*c);
    c->set_pen(palette(9));
    c->set_fill(palette(12));
  }
  const Image noise = single.snapshot();
  for (const Segment& s : segments) single.line(s.from.x, s.from.y, s.to.x, s.to.y);
  batched.lines(segments);
  EXPECT_EQ(batched.snapshot().pixels, single.snapshot().pixels);
  EXPECT_NE(batched.snapshot().pixels, noise.pixels);
  for (const Segment& s : segments) single.fill_box(s.from.x, s.from.y, s.to.x, s.to.y);
  batched.fill_boxes(segments);
  EXPECT_EQ(batched.snapshot().pixels, single.snapshot().pixels);
}

TEST_F(QtCanvasTest, XorBoxOutlineCoversItsCornersOnceAndLeavesTheInside) {
  QtCanvas c(40, 40);
  c.clear(0);
  c.xor_box(5, 6, 20, 30, rgb(255, 255, 0));
  const Image img = c.snapshot();
  const std::uint32_t yellow = 0xFFFF00;
  for (auto [x, y] : std::vector<std::pair<int, int>>{{5, 6}, {20, 6}, {5, 30}, {20, 30}, {12, 6}, {5, 18}})
    EXPECT_EQ(img.at(x, y), yellow) << x << "," << y;
  EXPECT_EQ(img.at(12, 18), 0u);
  EXPECT_EQ(img.at(21, 18), 0u);
  EXPECT_EQ(img.at(12, 31), 0u);
}

TEST_F(QtCanvasTest, LinesIncludeBothEndsAndBoxesBothCorners) {
  QtCanvas c(30, 30);
  c.clear(palette(15));
  c.set_pen(palette(0));
  c.line(2, 3, 12, 9);
  c.line(20, 20, 20, 20);
  c.set_fill(palette(4));
  c.fill_box(25, 25, 22, 22);
  const Image img = c.snapshot();
  EXPECT_EQ(img.at(2, 3), 0u);
  EXPECT_EQ(img.at(12, 9), 0u);
  EXPECT_EQ(img.at(20, 20), 0u);
  EXPECT_EQ(img.at(22, 22), 0x800000u);
  EXPECT_EQ(img.at(25, 25), 0x800000u);
  EXPECT_EQ(img.at(26, 25), 0xFFFFFFu);
}

TEST_F(QtCanvasTest, GothicFontResolvesToIpaGothicAndJapaneseTextDraws) {
  EXPECT_EQ(resolved_gothic_family(), "IPAGothic");
  QtCanvas c(200, 40);
  c.clear(palette(15));
  c.set_pen(palette(0));
  c.text(2, 2, "心電図 ﾄﾚﾝﾄﾞ", 16);
  const Image img = c.snapshot();
  int ink = 0, below = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (img.at(x, y) != 0xFFFFFFu) (y < 20 ? ink : below)++;
  EXPECT_GT(ink, 60);  // seven glyphs, a few dozen pixels each
  EXPECT_EQ(below, 0); // text hangs from its top-left corner at the given size
}

TEST_F(QtCanvasTest, HalfWidthCharactersAreHalfAsWideAsFullWidth) {
  const QFontMetrics fm(gothic_font(16));
  EXPECT_EQ(fm.horizontalAdvance(QString::fromUtf8("ﾃﾞｰﾀｰ")) * 2, fm.horizontalAdvance(QString::fromUtf8("データーー")));
  EXPECT_EQ(fm.horizontalAdvance(QStringLiteral("ab")), fm.horizontalAdvance(QString::fromUtf8("測")));
}

TEST_F(QtCanvasTest, ResizeKeepsTheDrawingAndSnapshotCutsToTheVisibleSize) {
  QtCanvas c(50, 50);
  c.clear(palette(0));
  c.set_fill(palette(12));
  c.fill_box(40, 40, 49, 49);
  c.resize(30, 30);
  EXPECT_EQ(c.snapshot().width, 30);
  c.resize(80, 60);
  const Image img = c.snapshot();
  EXPECT_EQ(img.width, 80);
  EXPECT_EQ(img.height, 60);
  EXPECT_EQ(img.at(45, 45), 0xFF0000u);  // kept across the shrink
  EXPECT_EQ(img.at(70, 55), 0u);          // new part in the background
}

}  // namespace
}  // namespace ui::qt
