// The rendering client's polygons and scan lines called directly, drawn into
// an off-screen window and read back pixel by pixel: shades stretched over
// the shade range, polygons gathered across packets, outlines and edges, and
// scan lines written, kept in the viewport's block and read back at every
// depth.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "render_fixture.h"

namespace {

using Scanlines = RenderTest;

struct XY {
  int x, y;
};

// An rdpoly packet: flags, fill and edge colours, the polygon's count and
// this packet's vertices.
TestPacket flat(int flags, int fill, int edge, int count, const std::vector<XY> &v) {
  TestPacket t(2010, 56);
  t.i16(8, flags).i16(10, fill).i16(12, edge).i16(14, count);
  for (std::size_t j = 0; j < v.size(); ++j) t.i16(16 + 2 * j, v[j].x).i16(36 + 2 * j, v[j].y);
  return t;
}

// The rectangle 10..40 by 10..30 (fill covers 10..39 by 10..29).
const std::vector<XY> kRect = {{10, 10}, {40, 10}, {40, 30}, {10, 30}};

// An rdwsline packet of the bytes at (x, y).
TestPacket scan_line(int mode, int x, int y, const std::vector<int> &bytes, int repeat = 1) {
  TestPacket t(2014, 18 + bytes.size());
  t.i16(8, mode).i16(10, x).i16(12, y).i16(14, repeat).i16(16, static_cast<int>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) t.bytes[18 + i] = static_cast<std::uint8_t>(bytes[i]);
  return t;
}

std::vector<int> read_back(int x, int y, int length, int flags = 2) {
  TestPacket t(2015, 18 + static_cast<std::size_t>(length));
  t.i16(8, flags).i16(10, x).i16(12, y).i16(16, length);
  EXPECT_EQ(rdrsline(t.p), 1);
  EXPECT_EQ(t.p.u16(14), 1);
  return std::vector<int>(t.bytes + 18, t.bytes + 18 + length);
}

TEST_F(Scanlines, ShadesStretchOverTheShadeRange) {
  TestPacket range(2012, 56);
  range.f64(8, 0.2).f64(16, 0.7).i16(24, 1);
  rdcrange(range.p);
  EXPECT_FLOAT_EQ(shadespan, 0.5f);
  EXPECT_EQ(StretchShade(0.1), 0.0f);
  EXPECT_EQ(StretchShade(0.9), 1.0f);
  EXPECT_NEAR(StretchShade(0.45), 0.5f, 1e-6);
  EXPECT_EQ(StretchShade(std::numeric_limits<double>::quiet_NaN()), 0.0f);

  // Points of magenta in those shades.
  fill_black();
  for (const double shade : {0.1, 0.9}) {
    TestPacket point(2013, 200);
    point.f64(16, 1).f64(24, 0).f64(32, 1).f64(64, shade).i16(72, 1).i16(74, shade < 0.5 ? 5 : 6).i16(94, 5);
    rdcpoly(point.p);
  }
  EXPECT_EQ(shown(5, 5), 0u);
  EXPECT_EQ(shown(6, 5), 0xFF00FFu);

  range.f64(16, 0.2);   // no span at all counts as 1
  rdcrange(range.p);
  EXPECT_EQ(shadespan, 1.0f);
  range.i16(24, 0);     // not stretched: as given, held to 0..1
  rdcrange(range.p);
  EXPECT_FLOAT_EQ(StretchShade(0.3), 0.3f);
  EXPECT_EQ(StretchShade(1.5), 1.0f);
}

TEST_F(Scanlines, PolygonsGatherAcrossPacketsAndRefuseTheExcess) {
  auto run = [](int first, int n) {
    std::vector<XY> v;
    for (int j = 0; j < n; ++j) v.push_back({first + j, 2 * (first + j)});
    return v;
  };
  // 13 vertices: 10 with edges 0, 2, 4, 6, 8 visible, then 3 with 10 and 12.
  TestPacket a = flat(1 | 0x155 << 6, 1, 2, 13, run(0, 10));
  rdpoly(a.p);
  EXPECT_EQ(rd_polygon.gathered, 10);
  TestPacket b = flat(2 | 0x5 << 6, 1, 2, 13, run(10, 3));
  rdpoly(b.p);
  EXPECT_EQ(rd_polygon.gathered, 0);
  for (int k = 0; k < 13; ++k) {
    EXPECT_EQ(rd_polygon.xy[k][0], k);
    EXPECT_EQ(rd_polygon.xy[k][1], 2 * k);
    EXPECT_EQ(rd_polygon.edge[k], k % 2 == 0 ? 1 : 0) << k;
  }

  // Three packets of 10: vertices past 16 are refused.
  rdpoly(a.p);
  TestPacket more = flat(1, 1, 2, 23, run(100, 10));
  rdpoly(more.p);
  TestPacket last = flat(2, 1, 2, 23, run(200, 3));
  rdpoly(last.p);
  EXPECT_EQ(rd_polygon.xy[15][0], 105);
  EXPECT_EQ(rd_polygon.gathered, 0);

  // A count below what was gathered, or below 1, draws nothing; a single
  // packet starts a polygon of its own.
  fill_black();
  std::vector<XY> rect = kRect;
  rect.push_back({10, 30});
  TestPacket five = flat(1, 1, 1, 5, rect);
  rdpoly(five.p);
  TestPacket end = flat(2, 1, 1, 5, {});
  rdpoly(end.p);
  for (int count : {0, -3}) {
    TestPacket none = flat(0, 1, 1, count, kRect);
    rdpoly(none.p);
  }
  EXPECT_EQ(shown(20, 20), 0u);
  rdpoly(five.p);
  TestPacket whole = flat(0, 1, 1, 4, kRect);
  rdpoly(whole.p);
  EXPECT_EQ(shown(20, 20), kShownRed);
  EXPECT_EQ(rd_polygon.gathered, 0);
}

TEST_F(Scanlines, EqualColoursCloseTheOutlineOtherwiseVisibleEdgesButTheLast) {
  const struct {
    int fill, edge, bits;
    std::uint32_t left, right, top;   // at (10, 20), (40, 20), (25, 30)
  } cases[] = {
      {1, 1, 0, kShownRed, kShownRed, kShownRed},          // closed whatever the bits
      {2, 1, 0x3FF, kShownGreen, kShownRed, kShownRed},    // no closing edge
      {2, 1, 0x3FD, kShownGreen, 0, kShownRed},            // edge 1 hidden
  };
  for (const auto &c : cases) {
    fill_black();
    TestPacket t = flat(c.bits << 6, c.fill, c.edge, 4, kRect);
    rdpoly(t.p);
    EXPECT_EQ(shown(20, 20), c.fill == 1 ? kShownRed : kShownGreen);
    EXPECT_EQ(shown(10, 20), c.left) << c.bits;
    EXPECT_EQ(shown(40, 20), c.right) << c.bits;
    EXPECT_EQ(shown(25, 30), c.top) << c.bits;
  }
  // Two vertices are a line and one a point, in the edge colour.
  fill_black();
  TestPacket line = flat(0, 2, 3, 2, {{5, 40}, {9, 40}});
  rdpoly(line.p);
  TestPacket point = flat(0, 2, 1, 1, {{12, 40}});
  rdpoly(point.p);
  EXPECT_EQ(shown(7, 40), kShownBlue);
  EXPECT_EQ(shown(12, 40), kShownRed);
  EXPECT_EQ(new_image, 1);
}

TEST_F(Scanlines, ScanLinesRoundTripAtEachDepth) {
  DisplayMap[4][0] = 1.0f;   // a second red
  const struct {
    int depth;
    std::vector<int> written, read;
    std::uint32_t shown0, stored0;   // the first pixel as shown and as stored
  } cases[] = {
      {24, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, 0x302010, 0xFF102030},
      {32, {0x10, 0x20, 0x30, 0x44, 0x40, 0x50, 0x60, 0x55}, {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0xFF},
       0x302010, 0x44102030},
      {8, {1, 3, 4}, {1, 3, 4}, kShownRed, 0x020000FF},   // index 1 kept in the top byte
  };
  for (const auto &c : cases) {
    cfr.word(kWordRenderDepth) = c.depth;
    fill_black();
    TestPacket t = scan_line(2, 5, 7, c.written);
    rdwsline(t.p);
    EXPECT_EQ(shown(5, 7), c.shown0) << c.depth;
    EXPECT_EQ(kgl_read_normal(5, 7), c.stored0) << c.depth;
    EXPECT_EQ(read_back(5, 7, static_cast<int>(c.read.size())), c.read) << c.depth;
  }
  // A colour no index is drawn in reads as 0.
  cfr.word(kWordRenderDepth) = 24;
  TestPacket odd = scan_line(2, 8, 7, {1, 2, 3});
  rdwsline(odd.p);
  cfr.word(kWordRenderDepth) = 8;
  EXPECT_EQ(read_back(7, 7, 2, 4), (std::vector<int>{4, 0}));

  // Repeated side by side up to the window's edge.
  cfr.word(kWordRenderDepth) = 24;
  TestPacket repeated = scan_line(2, 50, 30, {0, 0, 0xFF}, 60000);
  rdwsline(repeated.p);
  EXPECT_EQ(shown(50, 30), kShownRed);
  EXPECT_EQ(shown(63, 30), kShownRed);
}

TEST_F(Scanlines, ReadsStayInsideTheirPacket) {
  const struct {
    int asked;
    std::size_t packet;
    int used;
  } cases[] = {
      {2000, 18 + 1536 + 40, 1536},
      {300, 18 + 99, 99},
      {0, 20, 0},
  };
  for (const auto &c : cases) {
    TestPacket t(2015, c.packet, {}, 0xEE);
    t.i16(8, 2).i16(16, c.asked);
    rdrsline(t.p);
    EXPECT_EQ(t.p.u16(16), c.used);
    EXPECT_EQ(t.bytes[c.packet], 0xEE);
  }
  TestPacket neither(2015, 24);
  neither.i16(8, 8).i16(16, 3);
  rdrsline(neither.p);
  EXPECT_EQ(neither.p.u16(8), 9);
}

TEST_F(Scanlines, StoredLinesGoToTheViewportBlockWhereTheyFitIt) {
  Pkinit.field[kPkinitLevel] = 7;   // always kept and drawn once
  ViewportRecord &vp = vp_info[1];
  vp.x1 = 10, vp.y1 = 5, vp.x2 = 29, vp.y2 = 20;
  vp.saved_pixels = nullptr;
  vp.flags = 0;
  CurrentViewport = 1;
  const std::vector<int> red_green = {0, 0, 0xFF, 0, 0xFF, 0};
  auto block = [&](int x, int y) { return vp.saved_pixels[(y - vp.y1) * (vp.x2 - vp.x1 + 1) + (x - vp.x1)]; };

  TestPacket inside = scan_line(2, 12, 8, red_green);
  rdwsline(inside.p);
  ASSERT_NE(vp.saved_pixels, nullptr);
  EXPECT_TRUE(vp.flags & kVpSavedImage);
  EXPECT_EQ(block(12, 8), 0xFF0000FFu);
  EXPECT_EQ(block(13, 8), 0xFF00FF00u);
  EXPECT_EQ(block(14, 8), 0u);
  EXPECT_EQ(shown(13, 8), kShownGreen);

  TestPacket corner = scan_line(4, 10, 5, red_green);   // the block's first pixel
  rdwsline(corner.p);
  EXPECT_EQ(block(10, 5), 0xFF0000FFu);
  EXPECT_EQ(shown(10, 5), kShownRed);

  TestPacket across = scan_line(4, 29, 9, red_green);   // past the right edge
  rdwsline(across.p);
  EXPECT_EQ(block(29, 9), 0u);
  EXPECT_EQ(shown(30, 9), kShownGreen);

  // Opened again wider: the block is made anew at the new size.
  vp.x2 = 49;
  TestPacket wider = scan_line(4, 40, 6, red_green);
  rdwsline(wider.p);
  EXPECT_EQ(block(41, 6), 0xFF00FF00u);
  EXPECT_EQ(block(12, 8), 0u);

  // A full session outside a rendering puts its lines 3 rows lower; an
  // 8-bit line is kept as the pixels it draws, their indices with them.
  Pkinit.field[kPkinitFlags] = kInitFullSession;
  cfr.word(kWordRenderDepth) = 8;
  TestPacket lowered = scan_line(4, 20, 13, {2, 3});
  rdwsline(lowered.p);
  EXPECT_EQ(block(20, 10), 0x0300FF00u);
  EXPECT_EQ(block(21, 10), 0x04FF0000u);
  EXPECT_EQ(shown(21, 10), kShownBlue);
  EXPECT_EQ(read_back(20, 13, 2), (std::vector<int>{2, 3}));
}

// At 8 bits the client draws colour indices: most of the fixture's map is
// black, and yet every index comes back as itself, from scan lines, polygons
// and the clear; a map loaded after the drawing recolours what was drawn in
// its indices, on the screen, in the viewport's block and in the stored
// image, and leaves the rest.
TEST_F(Scanlines, AtEightBitsEveryIndexComesBackAndFollowsTheMap) {
  cfr.word(kWordRenderDepth) = 8;
  cfr.word(kWordColourGraphics) = 9;
  is_redraw_needed = 1;
  TestPacket start(2002, 8), clear(2006, 8), end(2003, 8);
  rdstart(start.p);
  rdclear(clear.p);
  EXPECT_EQ(read_back(0, 0, 2), (std::vector<int>{9, 9}));
  std::vector<int> rows[4];
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; i < kRW; ++i) rows[r].push_back(r * kRW + i);
    TestPacket t = scan_line(r == 0 ? 4 : 2, 0, r, rows[r]);   // the first row kept in the block too
    rdwsline(t.p);
    EXPECT_EQ(read_back(0, r, kRW), rows[r]) << r;
  }
  TestPacket square = flat(0x3FF << 6, 200, 201, 4, kRect);
  rdpoly(square.p);
  TestPacket point = flat(0, 0, 254, 1, {{50, 5}});
  rdpoly(point.p);
  EXPECT_EQ(read_back(20, 20, 1), std::vector<int>{200});
  EXPECT_EQ(read_back(40, 20, 1), std::vector<int>{201});   // its edge
  EXPECT_EQ(read_back(50, 5, 1), std::vector<int>{254});
  // Drawn over by something else, a pixel is the lowest index of its colour.
  SelectScreenMatrix();
  MyColor(2);
  MyPoint(21, 20);
  EXPECT_EQ(read_back(21, 20, 1), std::vector<int>{2});
  // Every other pixel carries index 254's top byte: one of its colour is
  // recoloured with it only where 254 was drawn.
  MyColor(0);
  MyPoint(60, 40);

  // The image is kept as it ends; then the map changes.
  rdend(end.p);
  ASSERT_NE(RenderLocation, nullptr);
  std::memset(DisplayMap, 0, sizeof DisplayMap);
  rdstart(start.p);   // the image comes back
  const auto load = [](int index, int r, int g, int b) {
    TestPacket t(2008, 16);
    t.i16(8, index).i16(10, r).i16(12, g).i16(14, b);
    rdcmap(t.p);
  };
  load(5, 255, 255, 0);
  load(200, 0, 0, 255);
  load(254, 255, 0, 0);
  RecolourIndexPixels();
  EXPECT_EQ(shown(50, 5), kShownRed);
  EXPECT_EQ(shown(60, 40), 0u);
  EXPECT_EQ(read_back(50, 5, 1), std::vector<int>{254});
  EXPECT_EQ(read_back(60, 40, 1), std::vector<int>{0});
  EXPECT_EQ(shown(5, 0), 0xFFFF00u);
  EXPECT_EQ(shown(6, 0), 0u);
  EXPECT_EQ(shown(20, 20), kShownBlue);
  EXPECT_EQ(shown(21, 20), kShownGreen) << "drawn over: not index 200's";
  EXPECT_EQ(shown(40, 20), 0u);
  EXPECT_EQ(vp_info[0].saved_pixels[5], 0x0600FFFFu);
  EXPECT_EQ(RenderLocation[5], 0x0600FFFFu);
  for (int r = 0; r < 4; ++r) EXPECT_EQ(read_back(0, r, kRW), rows[r]) << r;
  EXPECT_EQ(read_back(20, 20, 1), std::vector<int>{200});
  // Loaded again as it was, and once more: each load is seen.
  load(5, 0, 0, 0);
  load(5, 0, 255, 0);
  RecolourIndexPixels();
  EXPECT_EQ(shown(5, 0), kShownGreen);
  EXPECT_EQ(read_back(5, 0, 1), std::vector<int>{5});
}

}  // namespace
