// Lines, polygons and their clipping, read back pixel by pixel.
#include "kgl_fixture.h"

#include <cmath>
#include <limits>
#include <set>
#include <vector>

namespace {

using Lines = KglTest;
using Polygons = KglTest;
using Clipping = KglTest;

std::set<std::pair<int, int>> set_pixels() {
  std::set<std::pair<int, int>> s;
  for (int y = 0; y < KglTest::H; ++y)
    for (int x = 0; x < KglTest::W; ++x)
      if (kgl_read_normal(x, y)) s.insert({x, y});
  return s;
}

TEST_F(Lines, EndsIncludedAndMinorAxisRoundsHalfUp) {
  cpack(RED);
  line(2, 5, 10, 5);
  EXPECT_EQ(count_set(), 9);
  EXPECT_EQ(kgl_read_normal(2, 5), RED);
  EXPECT_EQ(kgl_read_normal(10, 5), RED);
  EXPECT_EQ(kgl_read_normal(11, 5), 0u);

  cpack(0);
  clear();
  cpack(RED);
  line(0, 0, 4, 2);
  const std::set<std::pair<int, int>> want = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}};
  EXPECT_EQ(set_pixels(), want);
}

TEST_F(Lines, SamePixelsInEitherDirection) {
  const int ends[][4] = {{0, 0, 4, 2}, {3, 1, 20, 40}, {30, 2, 1, 9}, {5, 5, 5, 30}, {50, 40, 7, 3}};
  for (const auto &e : ends) {
    cpack(0);
    clear();
    cpack(RED);
    line(e[0], e[1], e[2], e[3]);
    const auto forward = set_pixels();
    cpack(0);
    clear();
    cpack(RED);
    line(e[2], e[3], e[0], e[1]);
    EXPECT_EQ(set_pixels(), forward) << e[0] << "," << e[1] << " - " << e[2] << "," << e[3];
  }
}

TEST_F(Lines, ExclusiveOrLineTwiceLeavesThePicture) {
  cpack(0x00405060);
  clear();
  std::vector<Uint32> before(W * H);
  lrectread(0, 0, W - 1, H - 1, before.data());
  logicop(KGL_LO_XOR);
  cpack(0x00FFFFFF);
  for (int pass = 0; pass < 2; ++pass) {
    line(3, 4, 57, 33);
    line(57, 33, 3, 4);
  }
  logicop(KGL_LO_SRC);
  std::vector<Uint32> after(W * H);
  lrectread(0, 0, W - 1, H - 1, after.data());
  EXPECT_EQ(after, before);
}

// Shared vertices are drawn once, so one exclusive-or pass sets every pixel of
// the path and a second pass clears them all again.
TEST_F(Lines, ExclusiveOrPolylineDrawsSharedVerticesOnce) {
  logicop(KGL_LO_XOR);
  cpack(RED);
  polyline({{2, 2}, {10, 2}, {10, 8}, {2, 8}});
  EXPECT_EQ(count_set(), 9 + 6 + 8);
  EXPECT_EQ(kgl_read_normal(10, 2), RED);
  EXPECT_EQ(kgl_read_normal(10, 8), RED);
  polyline({{2, 2}, {10, 2}, {10, 8}, {2, 8}});
  EXPECT_TRUE(all_zero());

  // The driver repeats the end point of an exclusive-or vector.
  polyline({{4, 20}, {30, 25}, {30, 25}});
  line(4, 20, 30, 25);
  EXPECT_TRUE(all_zero());
  logicop(KGL_LO_SRC);
}

TEST_F(Lines, ClosedLineDrawsEveryCornerOnce) {
  logicop(KGL_LO_XOR);
  cpack(RED);
  bgnclosedline();
  for (auto [x, y] : {std::pair{2, 2}, {10, 2}, {10, 8}, {2, 8}}) vertex(x, y);
  endclosedline();
  EXPECT_EQ(count_set(), 2 * (9 + 7) - 4);
  EXPECT_EQ(kgl_read_normal(2, 2), RED);
  recti(2, 2, 10, 8);   // the same outline
  EXPECT_TRUE(all_zero());
  logicop(KGL_LO_SRC);
}

TEST_F(Lines, StylesFollowThePatternFromTheFirstVertex) {
  deflinestyle(1, 0x00FF);
  setlinestyle(1);
  EXPECT_EQ(getlstyle(), 1);
  cpack(RED);
  line(0, 10, 31, 10);
  for (int x = 0; x < 32; ++x) EXPECT_EQ(kgl_read_normal(x, 10) != 0, (x % 16) < 8) << x;

  lsrepeat(2);
  line(31, 20, 0, 20);   // drawn from the right: the pattern starts at x = 31
  for (int x = 0; x < 32; ++x) EXPECT_EQ(kgl_read_normal(31 - x, 20) != 0, (x % 32) < 16) << x;

  // The pattern carries on across the vertices of a polyline.
  lsrepeat(1);
  polyline({{0, 30}, {5, 30}, {20, 30}});
  for (int x = 0; x <= 20; ++x) EXPECT_EQ(kgl_read_normal(x, 30) != 0, (x % 16) < 8) << x;
  setlinestyle(0);
}

TEST_F(Lines, WideLinesAndPoints) {
  cpack(RED);
  linewidth(3);
  line(5, 10, 20, 10);
  linewidth(1);
  for (int y = 8; y <= 12; ++y) EXPECT_EQ(kgl_read_normal(12, y) != 0, y >= 9 && y <= 11) << y;

  bgnpoint();
  vertex(40, 40);
  vertex(41, 42);
  endpoint();
  EXPECT_EQ(kgl_read_normal(40, 40), RED);
  EXPECT_EQ(kgl_read_normal(41, 42), RED);
  EXPECT_EQ(count_set(), 16 * 3 + 2);
}

TEST_F(Polygons, LeftAndBottomEdgesInRightAndTopOut) {
  cpack(RED);
  polygon({{2, 2}, {6, 2}, {6, 5}, {2, 5}});
  EXPECT_EQ(count_set(), 4 * 3);
  EXPECT_EQ(kgl_read_normal(2, 2), RED);
  EXPECT_EQ(kgl_read_normal(5, 4), RED);
  EXPECT_EQ(kgl_read_normal(6, 4), 0u);
  EXPECT_EQ(kgl_read_normal(5, 5), 0u);
}

// Two triangles sharing a diagonal cover the square exactly once: filled in
// exclusive-or they give the same picture as the square.
TEST_F(Polygons, SharedEdgesAreNeitherDoubledNorMissed) {
  logicop(KGL_LO_XOR);
  cpack(RED);
  polygon({{0, 0}, {37, 0}, {37, 23}});
  polygon({{0, 0}, {37, 23}, {0, 23}});
  logicop(KGL_LO_SRC);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) ASSERT_EQ(kgl_read_normal(x, y), (x < 37 && y < 23) ? RED : 0u) << x << "," << y;
}

TEST_F(Polygons, ConcaveAndBoxes) {
  cpack(RED);
  concave(1);
  // An L: the notch at the upper right stays empty.
  polygon({{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}});
  EXPECT_EQ(kgl_read_normal(5, 15), RED);
  EXPECT_EQ(kgl_read_normal(15, 5), RED);
  EXPECT_EQ(kgl_read_normal(15, 15), 0u);
  EXPECT_EQ(count_set(), 20 * 10 + 10 * 10);

  // rectfi includes both corners, in either order.
  cpack(0);
  clear();
  cpack(RED);
  rectfi(30, 30, 27, 27);
  EXPECT_EQ(count_set(), 16);
  EXPECT_EQ(kgl_read_normal(27, 27), RED);
  EXPECT_EQ(kgl_read_normal(30, 30), RED);
}

TEST_F(Polygons, FillPatternIsAnchoredToTheWindow) {
  Uint16 checker[16];
  for (int i = 0; i < 16; ++i) checker[i] = (i % 2) ? 0x5555 : 0xAAAA;
  defpattern(1, 16, checker);
  setpattern(1);
  cpack(RED);
  rectfi(0, 0, 31, 31);
  setpattern(0);
  EXPECT_EQ(kgl_read_normal(0, 0), RED);   // bit 15 of the bottom row is x = 0
  EXPECT_EQ(kgl_read_normal(1, 0), 0u);
  EXPECT_EQ(kgl_read_normal(0, 1), 0u);
  EXPECT_EQ(kgl_read_normal(17, 1), RED);
  EXPECT_EQ(count_set(), 32 * 32 / 2);
}

TEST_F(Clipping, ScreenMaskAndWindowBoundEveryPrimitive) {
  scrmask(5, 10, 6, 12);
  cpack(RED);
  line(0, 8, 63, 8);
  polygon({{-10, -10}, {100, -10}, {100, 100}});
  rectfi(0, 0, 63, 47);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_EQ(kgl_read_normal(x, y) != 0, x >= 5 && x <= 10 && y >= 6 && y <= 12) << x << "," << y;

  // clear fills the mask only.
  viewport(0, W - 1, 0, H - 1);
  cpack(0);
  clear();
  scrmask(20, 22, 30, 31);
  cpack(RED);
  clear();
  EXPECT_EQ(count_set(), 3 * 2);
  EXPECT_EQ(kgl_read_normal(20, 30), RED);
}

TEST_F(Clipping, LinesLeavingTheWindowKeepTheirPath) {
  cpack(RED);
  line(-100, -100, 200, 200);
  EXPECT_EQ(count_set(), H);
  for (int y = 0; y < H; ++y) EXPECT_EQ(kgl_read_normal(y, y), RED);

  // Far beyond the window, infinite or undefined: nothing breaks.
  const float huge[2] = {1e30f, -1e30f}, nan[2] = {std::numeric_limits<float>::quiet_NaN(), 3.0f};
  const float inside[2] = {10.0f, 10.0f};
  bgnline();
  v2f(inside);
  v2f(huge);
  v2f(nan);
  endline();
  polygon({{0, 0}, {2000000000, 5}, {-2000000000, 40}});
  bgnpolygon();
  v2f(inside);
  v2f(huge);
  v2f(nan);
  endpolygon();
  rectf(-1e30f, -1e30f, 1e30f, 1e30f);
  EXPECT_EQ(kgl_read_normal(10, 10), RED);
}

TEST_F(Clipping, ViewportAndOrtho2PlaceUnitsOnPixelCentres) {
  viewport(10, 41, 20, 35);
  ortho2(-0.5f, 31.5f, -0.5f, 15.5f);
  cpack(RED);
  bgnpoint();
  vertex(0, 0);
  vertex(31, 15);
  vertex(5, 7);
  vertex(32, 7);   // outside the viewport
  endpoint();
  EXPECT_EQ(kgl_read_normal(10, 20), RED);
  EXPECT_EQ(kgl_read_normal(41, 35), RED);
  EXPECT_EQ(kgl_read_normal(15, 27), RED);
  EXPECT_EQ(count_set(), 3);

  // A doubled scale: world unit 1 is two pixels.
  cpack(0);
  clear();
  cpack(RED);
  ortho2(-0.25f, 15.75f, -0.25f, 7.75f);
  line(0, 0, 10, 0);
  EXPECT_EQ(kgl_read_normal(10, 20), RED);
  EXPECT_EQ(kgl_read_normal(30, 20), RED);
  EXPECT_EQ(kgl_read_normal(31, 20), 0u);
}

}  // namespace
