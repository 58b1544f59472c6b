// Screen blits, saved boxes and the drawing-record list, drawn into an
// off-screen context and read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "display/aui_records.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

#include "support/picture.h"
#include "support/saved_config.h"
#include "support/test_packet.h"

namespace {


// As the screen shows them.
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

class BlitTest : public ::testing::Test {
 protected:
  static constexpr int W = 64, H = 48;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[8][4];
  int saved_size[2] = {}, allocs = 0;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    saved_size[0] = xsize, saved_size[1] = ysize;
    xsize = W, ysize = H;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, W - 1, 0, H - 1);  // units are pixels
    getmatrix(ScreenMatrix);
    CurrentMatrixNumber = -1;
    draw_mode = KGL_NORMALDRAW;
    const float rgb[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
    for (int i = 0; i < 4; ++i) std::memcpy(DisplayMap[i == 3 ? 7 : i + 1], rgb[i], sizeof rgb[i]);
    cfr.word(kWordColourXor) = 7;   // exclusive-or colour
    cfr.word(kWordColourGraphics) = 0;   // background
    cfr.word(kWordPageSize) = 4096;
    cfr.word(kWordRefreshList) = 1;  // refresh and record lists on
    cfr.word(kWordRgbPixels) = 1;  // RGB
    discard_saved_boxes();
    Free_AUI_List();
    pushcount = MemoryStorage = ZbufferInstalled = ZbufferFull = 0;
    allocs = alloc_count;
  }
  void TearDown() override {
    discard_saved_boxes();
    Free_AUI_List();
    for (int s = 0; s < kBlitSlots; ++s) free_blit(s);
    EXPECT_EQ(alloc_count, allocs);
    pushcount = MemoryStorage = ZbufferInstalled = ZbufferFull = 0;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    xsize = saved_size[0], ysize = saved_size[1];
    CurrentMatrixNumber = -1;
    kgl_offscreen_destroy(ctx);
  }

  // The pixel at column x, row y counted from the window's top, as packets do.
  static std::uint32_t at(int x, int y) { return kgl_read_composited(x, H - 1 - y); }
  static Picture picture() { return read_picture(W, H, kgl_read_composited); }
  // A different value in nearly every pixel.
  static Picture paint() {
    paint_window(W, H);
    return picture();
  }
  static void boxclr(int x1, int y1, int x2, int y2, int colour) {
    TestPacket t(27, 12, {x1, y1, x2, y2, colour});
    EXPECT_EQ(pboxclr(t.p), 0);
  }
  // Pushes a box: the handle of the reply (its rows in *rows).
  static std::uint32_t push(int x1, int y1, int x2, int y2, int *rows = nullptr) {
    TestPacket t(29, 16, {0, x1, y1, x2, y2});
    EXPECT_EQ(pboxpush(t.p), 1);
    if (rows) *rows = t.p.i16(2);
    return t.p.u32(12);
  }
  static void pop(std::uint32_t handle) {
    TestPacket t(30, 16);
    t.p.put_u32(12, handle);
    EXPECT_EQ(pboxpop(t.p), 0);
  }
  static std::uint32_t bigblit(int flags, int x, int y, int w, int h, std::uint32_t handle = 0) {
    TestPacket t(74, 18, {x, y, w, h, flags});
    t.p.put_u32(12, handle);
    t.p.put_u16(16, 0xBEEF);
    EXPECT_EQ(pbigblit(t.p), 1);
    EXPECT_EQ(t.p.u16(16), 0);
    return t.p.u32(12);
  }
  static std::vector<std::int32_t> record_types() {
    std::vector<std::int32_t> types;
    for (AUIPage *page = AUI_ListHead; page; page = page->next)
      for (int i = 0; i < page->count; ++i) types.push_back(page->records()[i].type);
    return types;
  }
};

// ---- bitmaps ---------------------------------------------------------------------------

TEST_F(BlitTest, BitmapsOpaqueTransparentAndExclusiveOr) {
  // Width 10 from 2 bytes a row: 8 pixels from the first byte, 2 from the
  // second. Row 0 (on top) 0xFF 0xFF, row 1 0x81 0x40.
  TestPacket t(69, 22, {2, 5, 7, 10, 2, 0, 1, 3});
  const std::uint8_t rows[4] = {0xFF, 0xFF, 0x81, 0x40};
  for (int i = 0; i < 4; ++i) t.p.put_u8(18 + i, rows[i]);
  pbitblt(t.p);
  for (int x = 5; x < 15; ++x) EXPECT_EQ(at(x, 7), kRed) << x;
  EXPECT_EQ(at(15, 7), 0u);  // the second byte's low bits are no pixels
  const std::uint32_t row1[10] = {kRed, kBlue, kBlue, kBlue, kBlue, kBlue, kBlue, kRed, kBlue, kRed};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(at(5 + x, 8), row1[x]) << x;

  // Transparent (flags 4): clear bits keep the picture.
  const Picture before = paint();
  TestPacket tr(69, 22, {1, 3, 4, 8, 4, 4, 7, 3});
  for (int r = 0; r < 4; ++r) tr.p.put_u8(18 + r, 0xA5);
  pbitblt(tr.p);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 8; ++c)
      EXPECT_EQ(at(3 + c, 4 + r), (0xA5 & (0x80 >> c)) ? kWhite : before[(H - 5 - r) * W + 3 + c]);
  // Negative flags: exclusive-or, so the same bitmap twice restores all.
  paint();
  tr.p.put_i16(12, -1);
  pbitblt(tr.p);
  EXPECT_NE(picture(), before);
  pbitblt(tr.p);
  EXPECT_EQ(picture(), before);
}

TEST_F(BlitTest, BitmapsThatDoNotFitTheirPacketOrRowsAreRefused) {
  const Picture blank = picture();
  auto try_blit = [](int bytes_per_row, int w, int h, std::size_t length) {
    TestPacket t(69, length, {bytes_per_row, 0, 0, w, h, 0, 1, 1});
    for (std::size_t i = 18; i < length; ++i) t.p.put_u8(i, 0xFF);
    pbitblt(t.p);
  };
  try_blit(1, 9, 2, 20);       // 9 pixels from 1 byte a row
  try_blit(2, 16, 4, 24);      // 4 rows of 2 bytes need 26 bytes
  try_blit(1, 0, 2, 20);       // no width
  try_blit(1, 8, -3, 20);      // negative height
  try_blit(100, 800, 1, 118);  // wider than the window
  EXPECT_EQ(picture(), blank);
}

// ---- saved blocks ----------------------------------------------------------------------

TEST_F(BlitTest, ASavedBlockComesBackInItsOwnSize) {
  const Picture before = paint();
  EXPECT_EQ(bigblit(1, W - 3, 0, 4, 4), 0u);  // not inside the window
  EXPECT_EQ(bigblit(1, 0, -1, 4, 4), 0u);
  EXPECT_EQ(bigblit(1, 0, 0, 0, 4), 0u);
  const std::uint32_t h = bigblit(1, 10, 12, 6, 5);
  ASSERT_NE(h, 0u);
  boxclr(0, 0, W - 1, H - 1, 2);
  // The restore asks for a larger rectangle: only the block's 6 x 5 is written.
  bigblit(2, 10, 12, 40, 30, h);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool inside = x >= 10 && x < 16 && y >= 12 && y < 17;
      ASSERT_EQ(at(x, y), inside ? before[(H - 1 - y) * W + x] : kGreen) << x << "," << y;
    }
  // Where it would not fit, nothing; elsewhere the same block; with flag 4
  // it is freed, and its handle restores nothing more.
  bigblit(2, W - 4, 0, 6, 5, h);
  EXPECT_EQ(at(W - 1, 0), kGreen);
  bigblit(6, 30, 2, 6, 5, h);
  EXPECT_EQ(at(30, 2), at(10, 12));
  boxclr(0, 0, W - 1, H - 1, 3);
  bigblit(2, 30, 2, 6, 5, h);
  EXPECT_EQ(at(30, 2), kBlue);
  EXPECT_EQ(blit_slots_in_use(), 0);
}

TEST_F(BlitTest, The101stBlockIsRefusedAndStaleHandlesNameNothing) {
  std::vector<std::uint32_t> handles;
  for (int i = 0; i < kBlitSlots; ++i) handles.push_back(bigblit(1, i % 60, 0, 2, 2));
  EXPECT_EQ(std::count(handles.begin(), handles.end(), 0u), 0);
  EXPECT_EQ(bigblit(1, 0, 0, 2, 2), 0u);
  for (std::uint32_t bad : {0u, 1u, handles[5] + 1, handles[5] ^ 0x100u, handles[5] & 0xFFu, 0xFFFFFFFFu})
    bigblit(4, 0, 0, 0, 0, bad);
  EXPECT_EQ(blit_slots_in_use(), kBlitSlots);
  bigblit(4, 0, 0, 0, 0, handles[37]);
  const std::uint32_t again = bigblit(1, 0, 0, 2, 2);
  EXPECT_NE(again, 0u);
  // The slot was reused; the old handle does not name the new block.
  bigblit(4, 0, 0, 0, 0, handles[37]);
  EXPECT_EQ(blit_slots_in_use(), kBlitSlots);
  // A box handle is no block handle either.
  bigblit(4, 0, 0, 0, 0, push(0, 0, 3, 3));
  EXPECT_EQ(blit_slots_in_use(), kBlitSlots);
  EXPECT_EQ(free_blit(0), 0);
  EXPECT_EQ(free_blit(0), 1);
  EXPECT_EQ(free_blit(kBlitSlots), 1);
}

// ---- boxes -------------------------------------------------------------------------------

TEST_F(BlitTest, BoxClearInColourAndInExclusiveOr) {
  boxclr(5, 4, 2, 3, 1);  // corners in any order
  EXPECT_EQ(at(2, 3), kRed);
  EXPECT_EQ(at(5, 4), kRed);
  EXPECT_EQ(at(6, 4), 0u);
  EXPECT_EQ(at(5, 5), 0u);
  const Picture before = paint();
  boxclr(1, 1, 20, 20, -1);
  EXPECT_NE(picture(), before);
  boxclr(1, 1, 20, 20, -1);
  EXPECT_EQ(picture(), before);
}

TEST_F(BlitTest, NestedBoxesComeOffInTurnWithTheirRecords) {
  const Picture original = paint();
  int rows = 0;
  const std::uint32_t outer = push(2, 2, 40, 30, &rows);
  EXPECT_EQ(rows, 29);
  EXPECT_EQ(MemoryStorage, 2);
  boxclr(2, 2, 40, 30, 1);
  const Picture with_outer = picture();
  const std::uint32_t inner = push(20, 20, 60, 44);  // overlaps the outer box
  boxclr(20, 20, 60, 44, 2);
  boxclr(30, 30, 31, 31, 3);
  EXPECT_EQ(pushcount, 2);
  EXPECT_EQ(record_types(), (std::vector<std::int32_t>{kAUIBoxPush, kAUIBoxClear, kAUIBoxPush, kAUIBoxClear,
                                                       kAUIBoxClear}));
  pop(inner);
  EXPECT_EQ(picture(), with_outer);
  EXPECT_EQ(record_types(), (std::vector<std::int32_t>{kAUIBoxPush, kAUIBoxClear}));
  pop(inner);  // stale now
  EXPECT_EQ(picture(), with_outer);
  EXPECT_EQ(pushcount, 1);
  pop(outer);
  EXPECT_EQ(picture(), original);
  EXPECT_EQ(AUI_ListHead, nullptr);
  EXPECT_EQ(pushcount, 0);
  EXPECT_EQ(MemoryStorage, 0);
}

TEST_F(BlitTest, PoppingAnOuterBoxGivesUpTheBoxesInsideIt) {
  const Picture original = paint();
  const std::uint32_t outer = push(0, 0, 30, 30);
  boxclr(0, 0, 30, 30, 1);
  push(5, 5, 10, 10);
  boxclr(5, 5, 10, 10, 2);
  for (std::uint32_t bad : {0u, outer + 1, outer ^ 0x100u, 0xFFFFFFFFu}) pop(bad);
  EXPECT_EQ(saved_box_count(), 2);
  pop(outer);
  EXPECT_EQ(picture(), original);
  EXPECT_EQ(pushcount, 0);
  EXPECT_EQ(saved_box_count(), 0);
}

TEST_F(BlitTest, BoxesSplitBetweenTheZbufferAndMemoryRestoreFromBoth) {
  ZbufferInstalled = 1;
  MemoryStorage = 1;  // as the rendering set-up leaves it
  const Picture original = paint();
  // 30 rows into the z-buffer; then 18 of 25 rows, the rest in memory; then
  // a box wholly in memory.
  const std::uint32_t a = push(0, 10, 20, 39);
  EXPECT_EQ(zbuffer_rows_in_use(), 30);
  EXPECT_EQ(MemoryStorage, 1);
  boxclr(0, 10, 20, 39, 1);
  const Picture red = picture();
  const std::uint32_t b = push(10, 5, 50, 29);
  EXPECT_EQ(zbuffer_rows_in_use(), H);
  EXPECT_EQ(MemoryStorage, 2);
  boxclr(10, 5, 50, 29, 2);
  const Picture green = picture();
  const std::uint32_t c = push(30, 20, 63, 47);
  EXPECT_EQ(MemoryStorage, 3);
  boxclr(30, 20, 63, 47, 3);
  pop(c);
  EXPECT_EQ(picture(), green);
  pop(b);
  EXPECT_EQ(picture(), red);
  EXPECT_EQ(MemoryStorage, 1);
  pop(a);
  EXPECT_EQ(picture(), original);
  EXPECT_EQ(zbuffer_rows_in_use(), 0);
  // A z-buffer that holds a rendered image keeps no box.
  ZbufferFull = 1;
  const std::uint32_t d = push(0, 0, 9, 9);
  EXPECT_EQ(zbuffer_rows_in_use(), 0);
  boxclr(0, 0, 9, 9, 2);
  pop(d);
  EXPECT_EQ(picture(), original);
}

TEST_F(BlitTest, BoxesOutsideTheWindowTooManyBoxesAndANewSession) {
  const Picture original = paint();
  int rows = 0;
  const std::uint32_t h = push(-10, -5, 70, 60, &rows);
  EXPECT_EQ(rows, 66);
  boxclr(0, 0, W - 1, H - 1, 1);
  pop(h);
  EXPECT_EQ(picture(), original);
  pop(push(200, 200, 220, 220));  // nothing kept, still closed by its pop
  EXPECT_EQ(pushcount, 0);

  for (int i = 0; i < kSavedBoxLimit; ++i) push(i, 0, i, 0);
  EXPECT_EQ(push(0, 0, 5, 5, &rows), 0u);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(pushcount, kSavedBoxLimit);
  // A new session forgets the open boxes; the next push drops their records.
  pushcount = 0;
  Free_AUI_List();
  push(0, 0, 3, 3);
  EXPECT_EQ(saved_box_count(), 1);
}

// ---- the record list ---------------------------------------------------------------------

TEST_F(BlitTest, RecordsSpanPagesAndAreReplayedOverARepaint) {
  cfr.word(kWordPageSize) = kAUIPageHeaderBytes + 2 * kAUIRecordBytes;  // two records a page
  const std::uint32_t a = push(0, 0, 30, 30);
  boxclr(2, 2, 6, 6, 1);
  boxclr(4, 4, 8, 8, 2);
  const Picture drawn = picture();
  const std::uint32_t b = push(0, 0, 9, 9);
  for (int i = 0; i < 3; ++i) boxclr(0, 0, 1, 1, 3);
  // A text record owns its text: the list frees it.
  AUIRecord *r = GetAUIListPtr();
  r->type = kAUIText;
  r->text = static_cast<char *>(MyMalloc(6));
  StoreAUIListPtr();
  int pages = 0;
  for (AUIPage *p = AUI_ListHead; p; p = p->next) ++pages;
  EXPECT_EQ(pages, 5);
  pop(b);
  EXPECT_EQ(record_types(), (std::vector<std::int32_t>{kAUIBoxPush, kAUIBoxClear, kAUIBoxClear}));
  EXPECT_EQ(AUI_CurrentPage->next, nullptr);

  // The window cleared behind the driver's back, then repainted.
  const Picture black(W * H, 0);
  lrectwrite(0, 0, W - 1, H - 1, black.data());
  AUI_redraw();
  EXPECT_EQ(picture(), drawn);
  pop(a);
  EXPECT_EQ(AUI_ListHead, nullptr);
  // With the refresh list off nothing is recorded.
  cfr.word(kWordRefreshList) = 0;
  pop(push(0, 0, 9, 9));
  EXPECT_EQ(AUI_ListHead, nullptr);
}

}  // namespace
