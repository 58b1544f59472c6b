// Drag vector lists: recording into pages, exclusive-or drawing at offsets a
// page at a time, erasing, and sub-operations in any order.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/drag.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

#include "support/picture.h"
#include "support/saved_config.h"

namespace {

int fake_ticks;
void fake_reset() {}
int fake_read() { return fake_ticks; }

constexpr int kNoReply = -1;

class DragTest : public ::testing::Test {
 protected:
  static constexpr int W = 64, H = 48;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[8][4];
  int saved_layout[4] = {};
  std::uint16_t saved_fields[2] = {};
  int allocs = 0;
  Picture original;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    saved_layout[0] = xmin, saved_layout[1] = ymin, saved_layout[2] = xmax, saved_layout[3] = ymax;
    saved_fields[0] = Pkinit.field[kPkinitWidth], saved_fields[1] = Pkinit.field[kPkinitHeight];
    for (int i = 0; i < kViewportCount; ++i) empty_vlist(i, 1);
    xmin = ymin = 0, xmax = W - 1, ymax = H - 1;
    Pkinit.field[kPkinitWidth] = W - 1;
    Pkinit.field[kPkinitHeight] = H - 1;
    reset_viewport_table();
    // Viewport 0's matrix as the session start lays it out: units are pixels.
    mmode(KGL_MSINGLE);
    MyOrtho2(-1, W, -1, H);
    getmatrix(vp_info[0].view_matrix);
    // Viewport 1: pixels 10..49 by 8..39 showing the view window 0..39 by
    // 0..31, so a unit is a pixel offset by (10, 8).
    ViewportRecord &vp = vp_info[1];
    vp.number = vp.last_number = vtrans[1] = 1;
    vp.x1 = 10, vp.x2 = 49, vp.y1 = 8, vp.y2 = 39;
    vp.view_x1 = 0, vp.view_x2 = 39, vp.view_y1 = 0, vp.view_y2 = 31;
    MyOrtho2(-1, 40, -1, 32);
    getmatrix(vp.view_matrix);
    CurrentMatrixNumber = -1;
    draw_mode = KGL_NORMALDRAW;
    const float red[3] = {1, 0, 0}, green[3] = {0, 1, 0}, white[3] = {1, 1, 1};
    std::memcpy(DisplayMap[1], red, sizeof red);
    std::memcpy(DisplayMap[2], green, sizeof green);
    std::memcpy(DisplayMap[7], white, sizeof white);
    cfr.word(kWordColourXor) = 7;
    cfr.word(kWordPageSize) = 4096;
    cfr.word(kWordListDrag) = 1;
    cfr.word(kWordTimeSlice) = 5;
    drag_reset_timer = fake_reset;
    drag_read_timer = fake_read;
    fake_ticks = 0;
    allocs = alloc_count;
    original = paint();
  }
  void TearDown() override {
    for (int i = 0; i < kViewportCount; ++i) empty_vlist(i, 1);
    EXPECT_EQ(vlist_page_count(), 0);
    EXPECT_EQ(alloc_count, allocs);
    drag_reset_timer = ResetTimer;
    drag_read_timer = ReadTimer;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    xmin = saved_layout[0], ymin = saved_layout[1], xmax = saved_layout[2], ymax = saved_layout[3];
    Pkinit.field[kPkinitWidth] = saved_fields[0], Pkinit.field[kPkinitHeight] = saved_fields[1];
    reset_viewport_table();
    CurrentMatrixNumber = -1;
    kgl_offscreen_destroy(ctx);
  }

  static Picture picture() { return read_picture(W, H, kgl_read_normal); }
  static Picture paint() {
    paint_window(W, H);
    return picture();
  }
  bool changed(int x, int y) const { return kgl_read_normal(x, y) != original[y * W + x]; }

  // pdrag: the reply's sub-operation field, or kNoReply.
  static int drag(int op, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0, int colour = 1, int vp = 0) {
    std::uint8_t scratch[64] = {};
    Packet p(scratch, sizeof scratch, 16);
    const int fields[7] = {x1, y1, x2, y2, colour, op, vp};
    for (int k = 0; k < 7; ++k) p.put_i16(2 + 2 * k, fields[k]);
    return pdrag(p) ? p.u16(12) : kNoReply;
  }
  // pbdrag, with 32-bit coordinates.
  static int bdrag(int op, int x1, int y1, int x2 = 0, int y2 = 0, int vp = 0) {
    std::uint8_t scratch[64] = {};
    Packet p(scratch, sizeof scratch, 26);
    const int fields[4] = {x1, y1, x2, y2};
    for (int k = 0; k < 4; ++k) p.put_i32(4 + 4 * k, fields[k]);
    p.put_i16(20, 1), p.put_u16(22, op), p.put_i16(24, vp);
    return pbdrag(p) ? p.u16(22) : kNoReply;
  }
};

TEST_F(DragTest, AVectorContinuesTheRunOnlyFromItsEndInItsColour) {
  drag(1);
  const ViewportRecord &vp = vp_info[0];
  const int steps[5][5] = {
      {10, 10, 20, 10, 1},  // a run: 20 bytes
      {20, 10, 20, 20, 1},  // from its end in its colour: 8 more
      {20, 20, 30, 30, 2},  // another colour: a new run
      {0, 0, 5, 5, 2},      // elsewhere: a new run
      {5, 5, 6, 6, -1},     // the exclusive-or colour, 7: a new run
  };
  const int fill[5] = {44, 52, 72, 92, 112};
  for (int i = 0; i < 5; ++i) {
    drag(0, steps[i][0], steps[i][1], steps[i][2], steps[i][3], steps[i][4]);
    EXPECT_EQ(vp.vlist_fill, fill[i]) << i;
  }
  const std::int32_t *w = vp.vlist_first->data();  // from byte 24
  EXPECT_EQ(static_cast<std::uint32_t>(w[0]), 0xC0000000u | 1u << 16 | 3u);  // three points
  EXPECT_EQ(w[5], 20);
  EXPECT_EQ(w[6], 20);
  EXPECT_EQ(static_cast<std::uint32_t>(w[7]), 0xC0000000u | 2u << 16 | 2u);
  EXPECT_EQ(static_cast<std::uint32_t>(w[17]), 0xC0000000u | 7u << 16 | 2u);
  EXPECT_EQ(w[22], -1);  // after the last point
}

TEST_F(DragTest, EraseTakesOffWhatWasDrawnAndOnlyOnce) {
  drag(1);
  drag(0, 5, 5, 40, 5);
  drag(0, 40, 5, 40, 30);
  drag(0, 40, 30, 5, 5, 2);
  EXPECT_TRUE(changed(20, 5));
  EXPECT_TRUE(changed(40, 20));
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  EXPECT_EQ(drag(3), 1);  // a second erase draws nothing back
  EXPECT_EQ(picture(), original);

  // At an offset, with either packet.
  EXPECT_EQ(drag(4, 7, 9), 2);
  EXPECT_TRUE(changed(20, 14));   // (13, 5) moved by (7, 9)
  EXPECT_FALSE(changed(13, 5));
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  EXPECT_EQ(bdrag(4, -3, 2), 2);
  EXPECT_TRUE(changed(10, 7));
  EXPECT_EQ(bdrag(3, 0, 0), 1);
  EXPECT_EQ(picture(), original);
}

TEST_F(DragTest, ALongListIsDrawnPageByPageWithinTheTimeSlice) {
  cfr.word(kWordPageSize) = 256;  // 11 runs a page
  drag(1);
  for (int i = 0; i < 40; ++i) drag(0, i, 2 + i % 7, i, 30 + i % 9, 1 + i % 2);
  EXPECT_EQ(vlist_page_count(), 4);
  drag(3);

  fake_ticks = 1000;  // every slice is spent after one page
  for (int page = 0; page < 3; ++page) EXPECT_EQ(drag(4, 3, 4), 1);
  EXPECT_EQ(drag(4, 3, 4), 2);
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  // Erased half way: only the pages drawn come off.
  EXPECT_EQ(drag(4, 1, 1), 1);
  EXPECT_EQ(drag(4, 1, 1), 1);
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  // A slice long enough draws everything at once.
  fake_ticks = 0;
  EXPECT_EQ(drag(4, 2, 2), 2);
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  // A new drag keeps one empty page.
  drag(2);
  EXPECT_EQ(vlist_page_count(), 1);
  EXPECT_EQ(vp_info[0].vlist_fill, 24);
}

TEST_F(DragTest, WithRecordingOffVectorsAreOnlyDrawn) {
  cfr.word(kWordListDrag) = 0;
  drag(1);
  drag(0, 3, 3, 30, 20);
  EXPECT_NE(picture(), original);
  EXPECT_EQ(vlist_page_count(), 0);
  EXPECT_EQ(drag(4, 1, 1), 0);
  drag(0, 3, 3, 30, 20);
  EXPECT_EQ(picture(), original);
}

TEST_F(DragTest, SubOperationsOutOfOrderDoNoHarm) {
  // Before any start: nothing to erase or draw. A vector is recorded all the
  // same, so an erase takes it off.
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(drag(4, 5, 5), 2);
  EXPECT_EQ(picture(), original);
  drag(0, 2, 2, 20, 2);
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  // After the list was given up (a viewport closed) or emptied while drawn.
  drag(1);
  drag(0, 2, 2, 20, 2);
  drag(3);
  empty_vlist(0, 1);
  EXPECT_EQ(drag(4, 1, 1), 2);
  EXPECT_EQ(drag(3), 1);
  EXPECT_EQ(picture(), original);
  drag(1);
  drag(0, 2, 2, 20, 2);
  empty_vlist(0, 0);
  EXPECT_EQ(drag(3), 1);
  original = paint();
  // An unknown viewport: nothing drawn, and the answers end the exchange.
  EXPECT_EQ(drag(1, 0, 0, 0, 0, 1, 9), kNoReply);
  EXPECT_EQ(drag(0, 2, 2, 20, 2, 1, 9), kNoReply);
  EXPECT_EQ(drag(3, 0, 0, 0, 0, 1, 9), 1);
  EXPECT_EQ(drag(4, 0, 0, 0, 0, 1, 9), 2);
  // Sub-operations beyond 4 get no reply and do nothing.
  EXPECT_EQ(drag(5, 2, 2, 20, 2), kNoReply);
  EXPECT_EQ(drag(0xFFFF, 2, 2, 20, 2), kNoReply);
  EXPECT_EQ(picture(), original);
  empty_vlist(-1, 1);
  empty_vlist(kViewportCount, 0);
}

TEST_F(DragTest, ModeTwoClipsToTheViewWindowWithoutOverflow) {
  bdrag(2, 0, 0, 0, 0, 1);
  // Across the whole 32-bit range at unit y 10: pixel row 18 from column 10
  // to 49, nothing outside the viewport.
  bdrag(0, -2000000000, 10, 2000000000, 10, 1);
  EXPECT_TRUE(changed(10, 18));
  EXPECT_TRUE(changed(49, 18));
  EXPECT_FALSE(changed(9, 18));
  EXPECT_FALSE(changed(50, 18));
  const Picture one_line = picture();
  bdrag(0, 100, 100, 200, 150, 1);  // wholly outside the view window
  bdrag(0, -5, -5, -5, 40, 1);
  EXPECT_EQ(picture(), one_line);
  EXPECT_EQ(bdrag(3, 0, 0, 0, 0, 1), 1);
  EXPECT_EQ(picture(), original);
  // Offsets far out and back.
  EXPECT_EQ(bdrag(4, INT_MAX, INT_MIN, 0, 0, 1), 2);
  EXPECT_EQ(bdrag(3, 0, 0, 0, 0, 1), 1);
  EXPECT_EQ(bdrag(4, 0, -3, 0, 0, 1), 2);
  EXPECT_TRUE(changed(30, 15));
  EXPECT_EQ(bdrag(3, 0, 0, 0, 0, 1), 1);
  EXPECT_EQ(picture(), original);
}

TEST_F(DragTest, EmptyingKeepsOrGivesUpTheFirstPage) {
  cfr.word(kWordPageSize) = 256;
  drag(1, 0, 0, 0, 0, 1, 1);
  for (int i = 0; i < 30; ++i) drag(0, i, 0, i, 5, 1, 1);
  EXPECT_EQ(vlist_page_count(), 3);
  empty_vlist(1, 0);
  EXPECT_EQ(vlist_page_count(), 1);
  EXPECT_EQ(vp_info[1].vlist_first->next, nullptr);
  drag(0, 29, 5, 29, 9, 1, 1);  // a new run in the kept page
  EXPECT_EQ(vp_info[1].vlist_fill, 44);
  empty_vlist(1, 1);
  EXPECT_EQ(vlist_page_count(), 0);
  EXPECT_EQ(vp_info[1].vlist_drawn, nullptr);
}

}  // namespace
