// The viewport table: slot allocation and reuse, the count, translation and
// its cache, and the viewport packets with their reply bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/display_list.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/test_packet.h"

namespace {

// A packet in a zero-filled scratch buffer, as the channel hands it over.

class ViewportTest : public ::testing::Test {
 protected:
  static constexpr int W = 160, H = 120;
  KglContext *ctx = nullptr;
  int saved[10] = {};
  std::uint16_t saved_level = 0;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    saved[0] = xmin, saved[1] = ymin, saved[2] = xmax, saved[3] = ymax;
    saved[4] = do_32bit_regen, saved[5] = cfr.word(kWordRefreshList), saved[6] = CurrentViewport;
    saved[7] = BirdseyeViewport, saved[8] = RenderedViewport, saved[9] = cfr.word(kWordColourGraphics);
    saved_level = Pkinit.field[kPkinitLevel];
    xmin = 0;
    ymin = 10;
    xmax = 639;
    ymax = 479;
    do_32bit_regen = 0;
    cfr.word(kWordRefreshList) = 0;
    Pkinit.field[kPkinitLevel] = 7;
    CurrentViewport = 0;
    BirdseyeViewport = -1;
    RenderedViewport = 0;
    reset_viewport_table();
  }
  void TearDown() override {
    xmin = saved[0], ymin = saved[1], xmax = saved[2], ymax = saved[3];
    do_32bit_regen = saved[4], cfr.word(kWordRefreshList) = saved[5], CurrentViewport = saved[6];
    BirdseyeViewport = saved[7], RenderedViewport = saved[8], cfr.word(kWordColourGraphics) = saved[9];
    Pkinit.field[kPkinitLevel] = saved_level;
    reset_viewport_table();  // frees saved pixel blocks the tests made
    kgl_offscreen_destroy(ctx);
  }

  // Number at 2 and a rectangle at 4..10, the head of most viewport packets.
  static void head(TestPacket &t, int number, int x1, int y1, int x2, int y2) {
    const int fields[5] = {number, x1, y1, x2, y2};
    for (int k = 0; k < 5; ++k) t.p.put_i16(2 + 2 * k, fields[k]);
  }
  static int open16(int number, int x1 = 0, int y1 = 0, int x2 = 99, int y2 = 79, int xrange = 32000,
                    int yrange = 24000) {
    TestPacket t(38, 16);
    head(t, number, x1, y1, x2, y2);
    t.p.put_u16(12, static_cast<std::uint16_t>(xrange));
    t.p.put_u16(14, static_cast<std::uint16_t>(yrange));
    return popenvp(t.p);
  }
  static int close(int number) {
    TestPacket t(39, 4);
    t.p.put_i16(2, number);
    return pclosevp(t.p);
  }
  static int reopen(int number, int x1 = 0, int y1 = 0, int x2 = 99, int y2 = 79) {
    TestPacket t(66, 12);
    head(t, number, x1, y1, x2, y2);
    return propenvp(t.p);
  }
  static int set_view(int number, int x1, int y1, int x2, int y2) {
    TestPacket t(40, 16);
    head(t, number, x1, y1, x2, y2);
    return pviewport(t.p);
  }
  static int open_slots() {
    int n = 0;
    for (int i = 1; i < kViewportCount; ++i) n += vp_info[i].number != -1;
    return n;
  }
  // The table invariants every operation keeps.
  static void expect_consistent() {
    for (int i = 0; i < kViewportCount; ++i) EXPECT_EQ(vtrans[i], vp_info[i].number) << "index " << i;
    EXPECT_EQ(vport_count, open_slots());
    EXPECT_EQ(vp_info[0].number, 0);
  }
};

// ---- table and translation -----------------------------------------------------

TEST_F(ViewportTest, StartStateHasTheGraphicsAreaInSlotZero) {
  const ViewportRecord &area = vp_info[0];
  EXPECT_EQ(area.y1, 10);
  EXPECT_EQ(area.y2, 479);
  EXPECT_EQ(area.width, 640);
  EXPECT_EQ(area.height, 470);
  EXPECT_EQ(area.xrange, 32767);
  EXPECT_EQ(area.view_x2, 32766);
  EXPECT_FLOAT_EQ(area.aspect, 470.0f / 640.0f);
  for (int i = 1; i < kViewportCount; ++i) EXPECT_EQ(vp_info[i].last_number, -1);
  EXPECT_EQ(layer_ptr[255], 1);
  EXPECT_EQ(ViewportTranslate(0), 0);
  expect_consistent();

  do_32bit_regen = 1;
  reset_viewport_table();
  EXPECT_EQ(vp_info[0].view_width, 0x800000);
  EXPECT_EQ(vp_info[0].view_y2, 0x7FFFFF);
}

TEST_F(ViewportTest, OpensUseSlotsInOrderUntilTheTableIsFull) {
  for (int number = 1; number <= 64; ++number) {
    EXPECT_EQ(open16(number), 1);
    EXPECT_EQ(vp_info[number].number, number);
  }
  EXPECT_EQ(vport_count, 64);

  // A 65th number finds no slot: echoed, nothing taken.
  EXPECT_EQ(open16(100), 1);
  EXPECT_EQ(ViewportTranslate(100), -1);
  EXPECT_EQ(vport_count, 64);
  expect_consistent();
  EXPECT_EQ(reopen(101), 0);
  EXPECT_EQ(ViewportTranslate(101), -1);
  expect_consistent();
}

TEST_F(ViewportTest, ClosedSlotsAreReusedByNumberThenFromTheTop) {
  for (int number = 1; number <= 10; ++number) open16(number);
  EXPECT_EQ(close(7), 0);
  EXPECT_EQ(vp_info[7].number, -1);
  EXPECT_EQ(vp_info[7].last_number, 7);
  EXPECT_EQ(vport_count, 9);

  open16(7);
  EXPECT_EQ(ViewportTranslate(7), 7);
  EXPECT_EQ(vport_count, 10);

  // Once the never-used slots are gone, the highest closed slot comes first.
  for (int number = 11; number <= 64; ++number) open16(number);
  close(20);
  close(30);
  open16(200);
  EXPECT_EQ(ViewportTranslate(200), 30);
  open16(201);
  EXPECT_EQ(ViewportTranslate(201), 20);
  EXPECT_EQ(vp_info[30].last_number, 200);
  expect_consistent();
}

TEST_F(ViewportTest, CountStaysTrueThroughRepeatedOpensAndCloses) {
  open16(7);
  open16(7);  // the same number again: same slot, counted once
  EXPECT_EQ(vport_count, 1);
  close(7);
  open16(7);  // back into its remembered slot
  close(7);
  close(7);   // closing a closed viewport does nothing
  EXPECT_EQ(vport_count, 0);
  reopen(7);
  reopen(7);
  EXPECT_EQ(vport_count, 1);
  close(7);
  EXPECT_EQ(vport_count, 0);
  expect_consistent();
}

TEST_F(ViewportTest, ZeroAndMinusOneNeverTakeOrFreeASlotOtherNegativeNumbersDo) {
  open16(3);
  close(3);  // slot 1 closed: its vtrans entry is -1 now
  for (int number : {0, -1}) {
    EXPECT_EQ(open16(number), 1);
    EXPECT_EQ(reopen(number), 0);
    EXPECT_EQ(close(number), 0);
  }
  EXPECT_EQ(ViewportTranslate(-1), -1);
  EXPECT_EQ(ViewportLookup(-1), -1);
  EXPECT_EQ(ViewportReopen(-1), -1);
  EXPECT_EQ(open_slots(), 0);
  expect_consistent();

  // Any other number names a viewport, negative or not.
  open16(-5);
  EXPECT_EQ(ViewportTranslate(-5), 2);
  close(-5);
  EXPECT_EQ(ViewportLookup(-5), -1);
  reopen(-5);
  EXPECT_EQ(ViewportTranslate(-5), 2);
  expect_consistent();
}

TEST_F(ViewportTest, TranslationCacheNeverOutlivesAChange) {
  open16(3);
  open16(5);
  EXPECT_EQ(ViewportTranslate(5), 2);
  EXPECT_EQ(last_vpn, 5);

  // Failed searches leave the cache as it was.
  EXPECT_EQ(ViewportTranslate(9), -1);
  EXPECT_EQ(ViewportTranslate(9), -1);
  EXPECT_EQ(last_vpn, 5);
  EXPECT_EQ(last_vp, 2);
  EXPECT_EQ(ViewportLookup(5), 2);

  // A closed viewport must not be found through a stale cache entry.
  close(5);
  EXPECT_EQ(ViewportLookup(5), -1);
  const int before = vp_info[2].view_x2;
  EXPECT_EQ(set_view(5, 0, 0, 4321, 4321), 1);
  EXPECT_EQ(vp_info[2].view_x2, before);
}

// ---- opening ---------------------------------------------------------------------

TEST_F(ViewportTest, OpenClampsRangesInPlaceAndSetsTheRectangle) {
  TestPacket t(38, 16);
  head(t, 4, 10, 20, 109, 69);
  t.p.put_u16(12, 40000);
  t.p.put_u16(14, 1000);
  EXPECT_EQ(popenvp(t.p), 1);
  EXPECT_EQ(t.p.u16(12), 32765);
  EXPECT_EQ(t.p.u16(14), 1000);
  EXPECT_EQ(t.p.i16(2), 4);

  const ViewportRecord &vp = vp_info[1];
  EXPECT_EQ(vp.y1, 30);  // y counts from ymin
  EXPECT_EQ(vp.y2, 79);
  EXPECT_EQ(vp.width, 100);
  EXPECT_EQ(vp.xrange, 32765);
  EXPECT_EQ(vp.yrange, 1000);
  EXPECT_FLOAT_EQ(vp.aspect, 0.5f);
  EXPECT_EQ(CurrentMatrixNumber, -1);

  // The full-range matrix maps -1 and the range to the ends of [-1, 1].
  EXPECT_NEAR(-1.0f * vp.full_matrix[0][0] + vp.full_matrix[3][0], -1.0f, 1e-5);
  EXPECT_NEAR(32765.0f * vp.full_matrix[0][0] + vp.full_matrix[3][0], 1.0f, 1e-5);
  EXPECT_NEAR(1000.0f * vp.full_matrix[1][1] + vp.full_matrix[3][1], 1.0f, 1e-5);

  // A reversed rectangle still has a size of at least one pixel.
  open16(5, 50, 0, 40, 0);
  EXPECT_EQ(vp_info[2].width, 1);
  EXPECT_EQ(vp_info[2].height, 1);

  // Opened again over another rectangle: the pixels kept for the old one
  // are no image of the new one (a repaint would read past them).
  vp_info[1].saved_pixels = static_cast<Uint32 *>(MyMalloc(64));
  open16(4, 0, 0, 600, 400);
  EXPECT_EQ(vp_info[1].saved_pixels, nullptr);
}

TEST_F(ViewportTest, BigOpenClampsThirtyTwoBitRanges) {
  TestPacket t(102, 20);
  t.p.put_i16(2, 9);
  t.p.put_i16(8, 99);
  t.p.put_i16(10, 99);
  t.p.put_i32(12, 9000000);
  t.p.put_i32(16, 5000);
  EXPECT_EQ(popenbvp(t.p), 1);
  EXPECT_EQ(t.p.i32(12), 8388606);
  EXPECT_EQ(t.p.i32(16), 5000);
  EXPECT_EQ(vp_info[1].xrange, 8388606);

  // Ranges below the largest come back as sent, 0 and negative ones too;
  // the view computations still divide by at least 1.
  TestPacket odd(102, 20);
  odd.p.put_i16(2, 10);
  odd.p.put_i32(16, -7);
  EXPECT_EQ(popenbvp(odd.p), 1);
  EXPECT_EQ(odd.p.i32(12), 0);
  EXPECT_EQ(odd.p.i32(16), -7);
  EXPECT_EQ(vp_info[2].xrange, 0);
  EXPECT_EQ(vp_info[2].yrange, -7);
  EXPECT_EQ(set_view(10, 0, 0, 0, 0), 1);
  EXPECT_EQ(vp_info[2].zoom, 2);
  EXPECT_TRUE(std::isfinite(vp_info[2].half_height));
  open16(11, 0, 0, 99, 79, 0, 65535);
  EXPECT_EQ(vp_info[3].xrange, 0);
  EXPECT_EQ(vp_info[3].yrange, 32765);
}

TEST_F(ViewportTest, ReopenTakesFullRangesAndDropsTheSavedImage) {
  EXPECT_EQ(reopen(4, 0, 0, 49, 19), 0);
  const ViewportRecord &vp = vp_info[1];
  EXPECT_EQ(vp.number, 4);
  EXPECT_EQ(vport_count, 1);
  EXPECT_EQ(vp.xrange, 32765);
  EXPECT_EQ(vp.view_y2, 32765);
  EXPECT_EQ(vp.height, 20);

  vp_info[1].saved_pixels = static_cast<Uint32 *>(MyMalloc(64));
  const int blocks = alloc_count;
  reopen(4);
  EXPECT_EQ(vp_info[1].saved_pixels, nullptr);
  EXPECT_EQ(alloc_count, blocks - 1);

  do_32bit_regen = 1;
  reopen(4);
  EXPECT_EQ(vp_info[1].yrange, 8388606);
  expect_consistent();
}

// ---- closing -----------------------------------------------------------------------

TEST_F(ViewportTest, CloseForgetsTheBirdseyeViewportAndFreesTheImage) {
  open16(5);
  BirdseyeViewport = 5;
  vp_info[1].saved_pixels = static_cast<Uint32 *>(MyMalloc(64));
  EXPECT_EQ(close(5), 0);
  EXPECT_EQ(BirdseyeViewport, -1);
  EXPECT_EQ(vp_info[1].saved_pixels, nullptr);
  EXPECT_EQ(vp_info[1].last_number, 5);

  // Viewport 0 cannot be closed.
  EXPECT_EQ(close(0), 0);
  EXPECT_EQ(ViewportTranslate(0), 0);
  expect_consistent();
}

// ---- view changes ------------------------------------------------------------------

TEST_F(ViewportTest, ViewportPacketsEchoTheNumberEvenWhenUnknown) {
  TestPacket t(40, 16);
  t.p.put_i16(2, 42);
  t.p.put_i16(14, 0x7777);
  EXPECT_EQ(pviewport(t.p), 1);
  EXPECT_EQ(t.p.i16(12), 42);
  EXPECT_EQ(t.p.i16(14), 0);

  TestPacket b(103, 24);
  b.p.put_i16(2, 43);
  b.p.put_u8(22, 0xFF);
  EXPECT_EQ(pbviewport(b.p), 1);
  EXPECT_EQ(b.p.i16(20), 43);
  EXPECT_EQ(b.p.u8(22), 0);
}

TEST_F(ViewportTest, NarrowViewWindowZoomsWithoutMargin) {
  open16(1, 0, 0, 199, 99, 32765, 32765);
  ViewportRecord &vp = vp_info[1];
  vp.flags = kVpListState | kVpExtentsKnown | kVpListDrawn | kVpShaded | kVpSavedImage | kVpVectorMark;
  vp.saved_pixels = static_cast<Uint32 *>(MyMalloc(64));
  vp.extents[0] = 0.0f;
  vp.extents[1] = 0.0f;
  vp.extents[3] = 32765.0f * 2.0f;
  vp.extents[4] = 32765.0f;

  EXPECT_EQ(set_view(1, 100, 100, 199, 149), 1);
  EXPECT_EQ(vp.view_width, 100);
  EXPECT_EQ(vp.view_height, 50);
  EXPECT_EQ(vp.zoom, 32765 / 100 + 1);
  EXPECT_EQ(vp.units_per_pixel, 32765 / 200);
  EXPECT_FLOAT_EQ(vp.half_width, 2.0f * 0.5f * 99.0f);
  EXPECT_FLOAT_EQ(vp.half_height, 0.5f * 49.0f);
  EXPECT_FLOAT_EQ(vp.view_height_units, 49.0f);

  // No margin: the view matrix is the projection of the window itself.
  Matrix expected;
  mmode(KGL_MSINGLE);
  ortho2(100, 199, 100, 149);
  getmatrix(expected);
  EXPECT_EQ(std::memcmp(vp.view_matrix, expected, sizeof expected), 0);

  // Only the view-dependent flags are forgotten, with the saved image.
  EXPECT_EQ(vp.flags, kVpExtentsKnown | kVpVectorMark);
  EXPECT_EQ(vp.saved_pixels, nullptr);
  EXPECT_EQ(CurrentMatrixNumber, -1);

  // A wider window than the pixels gets one pixel's worth of margin: 10
  // units a pixel each way here.
  vp.flags = 0;
  set_view(1, 0, 0, 1999, 999);
  ortho2(-10, 2009, -10, 1009);
  getmatrix(expected);
  EXPECT_EQ(std::memcmp(vp.view_matrix, expected, sizeof expected), 0);
  EXPECT_EQ(view_extents, kNoViewExtents);
}

TEST_F(ViewportTest, DegenerateAndExtremeViewWindowsStayFinite) {
  open16(1);
  set_view(1, 50, 50, 49, 49);  // no width: zoom 1, no division by zero
  EXPECT_EQ(vp_info[1].view_width, 0);
  EXPECT_EQ(vp_info[1].zoom, 1);

  TestPacket b(103, 24);
  b.p.put_i16(2, 1);
  b.p.put_i32(4, INT32_MIN);
  b.p.put_i32(8, INT32_MIN);
  b.p.put_i32(12, INT32_MAX);
  b.p.put_i32(16, INT32_MAX);
  EXPECT_EQ(pbviewport(b.p), 1);
  EXPECT_EQ(vp_info[1].view_width, INT32_MAX);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_TRUE(std::isfinite(vp_info[1].view_matrix[i][j]));
  EXPECT_TRUE(std::isfinite(vp_info[1].half_width));
}

// ---- extents, clearing and the small packets ----------------------------------------

TEST_F(ViewportTest, ExtentsFlagFollowsTheAdiLevel) {
  open16(2);
  ViewportRecord &vp = vp_info[1];
  auto extents = [](int perspective, int extra) {
    TestPacket t(44, 42);
    t.p.put_i16(2, 2);
    t.p.put_i16(6, perspective);
    t.f64(8, 1.5);
    t.f64(16, -2.0);
    t.f64(24, 10.5);
    t.f64(32, 6.0);
    t.p.put_i16(40, extra);
    return plopen(t.p);
  };

  Pkinit.field[kPkinitLevel] = 7;
  vp.flags = kVpExtentsKnown;
  EXPECT_EQ(extents(0, 0), 0);
  EXPECT_EQ(vp.flags & kVpExtentsKnown, 0);
  extents(1, 0);
  EXPECT_EQ(vp.flags & kVpExtentsKnown, kVpExtentsKnown);

  Pkinit.field[kPkinitLevel] = 8;
  extents(0, 321);
  EXPECT_EQ(vp.extents_extra, 321);
  EXPECT_EQ(vp.flags & kVpExtentsKnown, 0);

  for (int level : {6, 5}) {
    Pkinit.field[kPkinitLevel] = static_cast<std::uint16_t>(level);
    vp.flags = 0;
    extents(0, 0);
    EXPECT_EQ(vp.flags & kVpExtentsKnown, kVpExtentsKnown) << level;
  }

  EXPECT_FLOAT_EQ(vp.extents[0], 1.5f);
  EXPECT_FLOAT_EQ(vp.extents[1], -2.0f);
  EXPECT_FLOAT_EQ(vp.extents[3], 10.5f);
  EXPECT_FLOAT_EQ(vp.extents[4], 6.0f);
  EXPECT_FLOAT_EQ(vp.half_width, 4.5f);
  EXPECT_FLOAT_EQ(vp.half_height, 4.0f);
  EXPECT_FLOAT_EQ(vp.half_depth, 0.0f);
}

TEST_F(ViewportTest, ExtentsOutsideFloatRangeAreHeld) {
  open16(2);
  TestPacket t(44, 40);
  t.p.put_i16(2, 2);
  t.f64(8, std::nan(""));
  t.f64(16, -1e300);
  t.f64(24, 1e300);
  t.f64(32, 1e300);
  plopen(t.p);
  const ViewportRecord &vp = vp_info[1];
  EXPECT_EQ(vp.extents[0], 0.0f);
  EXPECT_EQ(vp.extents[1], -FLT_MAX);
  EXPECT_EQ(vp.extents[3], FLT_MAX);
  EXPECT_EQ(vp.half_height, FLT_MAX);

  // An unknown number changes nothing.
  t.p.put_i16(2, 3);
  t.f64(8, 5.0);
  EXPECT_EQ(plopen(t.p), 0);
  EXPECT_EQ(vp.extents[0], 0.0f);
}

TEST_F(ViewportTest, ClearFillsTheRectangleInTheBackground) {
  const float saved_colour[4] = {DisplayMap[3][0], DisplayMap[3][1], DisplayMap[3][2], DisplayMap[3][3]};
  const std::uint16_t saved6 = Pkinit.field[kPkinitWidth], saved7 = Pkinit.field[kPkinitHeight];
  ymin = 0;
  Pkinit.field[kPkinitWidth] = W - 1;
  Pkinit.field[kPkinitHeight] = H - 1;
  DisplayMap[3][0] = 1.0f;
  DisplayMap[3][1] = DisplayMap[3][2] = 0.0f;
  cfr.word(kWordColourGraphics) = 3;
  draw_mode = KGL_NORMALDRAW;
  // Viewport 0's matrix as the session start lays it out.
  mmode(KGL_MSINGLE);
  MyOrtho2(-1, W, -1, H);
  getmatrix(vp_info[0].view_matrix);

  TestPacket t(45, 10);
  t.p.put_i16(2, 20);
  t.p.put_i16(4, 15);
  t.p.put_i16(6, 10);
  t.p.put_i16(8, 5);
  EXPECT_EQ(pclvp(t.p), 0);
  EXPECT_EQ(CurrentMatrixNumber, 0);
  EXPECT_EQ(kgl_read_composited(10, 5), 0xFF0000u);
  EXPECT_EQ(kgl_read_composited(20, 15), 0xFF0000u);
  EXPECT_EQ(kgl_read_composited(21, 15), 0u);
  EXPECT_EQ(kgl_read_composited(10, 16), 0u);
  EXPECT_EQ(kgl_read_composited(9, 5), 0u);

  std::memcpy(DisplayMap[3], saved_colour, sizeof saved_colour);
  Pkinit.field[kPkinitWidth] = saved6;
  Pkinit.field[kPkinitHeight] = saved7;
}

TEST_F(ViewportTest, SmallPacketsReplyInPlace) {
  TestPacket m(67, 4);
  EXPECT_EQ(pmaxvp(m.p), 1);
  EXPECT_EQ(m.p.i16(2), 64);

  TestPacket r(46, 8);
  r.p.put_i16(2, 99);
  r.p.put_i16(4, -1234);
  EXPECT_EQ(prevec(r.p), 1);
  EXPECT_EQ(r.p.i16(6), -1234);
  EXPECT_EQ(r.p.i16(2), 0);
  EXPECT_EQ(r.p.i16(4), -1234);
}

}  // namespace
