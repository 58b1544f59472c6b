// The software cursor, the marks and the outlined box against an off-screen
// context: the save-under restores the overlay exactly (also at the window's
// edges and corners), exclusive-or marks disappear when drawn again, and the
// cursor and read-out packets keep to the bytes their packet holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "commands/prompt.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/cursor.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"
#include "support/test_packet.h"
#include "ui/graph_window.h"

namespace {

constexpr int W = 64, H = 48;
using Plane = std::vector<std::uint32_t>;

// A packet of the given length over a zeroed scratch buffer of 256 bytes.

template <typename Read>
Plane plane(Read read) {
  Plane v;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) v.push_back(read(x, y));
  return v;
}
Plane overlay() { return plane(kgl_read_overlay); }
Plane normal() { return plane(kgl_read_normal); }

// Pixels of a and b that differ where `where(x, y)` holds.
template <typename Where>
int differences(const Plane &a, const Plane &b, Where where) {
  int n = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) n += where(x, y) && a[y * W + x] != b[y * W + x];
  return n;
}

class CursorTest : public ::testing::Test {
 protected:
  KglContext *ctx = nullptr;
  // Everything the tests change, put back afterwards.
  int saved_ints[8] = {};
  int *const globals[8] = {&xsize, &ysize, &xmin, &ymin, &xmax, &ymax, &use_pups, &use_localstatus};
  SavedConfig saved_config;
  InitPacket saved_init = Pkinit;
  float saved_map[256][4];
  Matrix saved_screen, saved_area;

  void SetUp() override {
    for (int i = 0; i < 8; ++i) saved_ints[i] = *globals[i];
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    std::memcpy(saved_screen, ScreenMatrix, sizeof saved_screen);
    std::memcpy(saved_area, vp_info[0].view_matrix, sizeof saved_area);
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    xsize = W;
    ysize = H;
    use_pups = use_localstatus = 0;
    // The screen matrix as the session sets it up; white as colour 7.
    ortho2(0, W - 1, 0, H - 1);
    getmatrix(ScreenMatrix);
    cfr.word(kWordColourXor) = 7;
    DisplayMap[7][0] = DisplayMap[7][1] = DisplayMap[7][2] = 1.0f;
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
    CurrentCursor = 1;
    cursor_up = 0;
    std::memset(CurrentPmark, 0, sizeof CurrentPmark);
  }
  void TearDown() override {
    cursor_up = 0;
    kgl_offscreen_destroy(ctx);
    for (int i = 0; i < 8; ++i) *globals[i] = saved_ints[i];
    Pkinit = saved_init;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    std::memcpy(ScreenMatrix, saved_screen, sizeof saved_screen);
    std::memcpy(vp_info[0].view_matrix, saved_area, sizeof saved_area);
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
    CurrentCursor = 0;
  }

  // Overlay indices that differ from pixel to pixel, so that a block put back
  // in the wrong place shows.
  static void fill_overlay_pattern() {
    std::vector<Uint32> pattern(static_cast<std::size_t>(W) * H);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) pattern[static_cast<std::size_t>(y) * W + x] = (x * 7 + y * 3 + x / 5) % 4;
    drawmode(KGL_OVERDRAW);
    lrectwrite(0, 0, W - 1, H - 1, pattern.data());
    drawmode(KGL_NORMALDRAW);
  }
  static void fill_normal_grey() {
    std::vector<Uint32> grey(static_cast<std::size_t>(W) * H, 0x00505050u);
    lrectwrite(0, 0, W - 1, H - 1, grey.data());
  }
};

// ---- the software cursor --------------------------------------------------------

TEST_F(CursorTest, EachShapeIsDrawnInItsBlockOverWhatWasThere) {
  fill_overlay_pattern();
  fill_normal_grey();
  const Plane before = overlay(), normal_before = normal();
  Plane shapes[3];
  for (int shape = 1; shape <= 3; ++shape) {
    CurrentCursor = shape;
    MoveCursor(20, 30);
    shapes[shape - 1] = overlay();
    // Nothing beyond the block x - 2 .. x + 13, y - 14 .. y + 1 changes.
    EXPECT_EQ(differences(shapes[shape - 1], before, [](int x, int y) { return x < 18 || x > 33 || y < 16 || y > 31; }),
              0);
  }
  EXPECT_NE(shapes[0], shapes[1]);
  EXPECT_NE(shapes[1], shapes[2]);
  // The arrow's tip (outline) is on the hot spot, its fill below and right;
  // the block's corners outside the arrow keep what was there.
  EXPECT_EQ(shapes[0][30 * W + 20], 2u);
  EXPECT_EQ(shapes[0][28 * W + 21], 3u);
  EXPECT_EQ(shapes[0][31 * W + 18], before[31 * W + 18]);
  EXPECT_EQ(shapes[0][17 * W + 33], before[17 * W + 33]);
  // The client's own shape is drawn as the arrow; the normal planes are not touched.
  CurrentCursor = 4;
  MoveCursor(20, 30);
  EXPECT_EQ(overlay(), shapes[0]);
  EXPECT_EQ(normal(), normal_before);
  EXPECT_EQ(draw_mode, KGL_NORMALDRAW);
  EXPECT_EQ(getlogicop(), KGL_LO_SRC);
}

TEST_F(CursorTest, MovedTwiceThenHiddenRestoresTheOverlayExactly) {
  fill_overlay_pattern();
  const Plane before = overlay();
  // Overlapping moves, the same place twice, and every edge and corner, also
  // with the block partly or wholly outside the window.
  const int moves[][4] = {{20, 20, 25, 23}, {30, 30, 30, 30},        {0, 0, 1, 1},          {W - 1, H - 1, W - 2, H - 1},
                          {0, H - 1, 2, H - 3}, {W - 1, 0, W - 3, 2}, {-5, -7, W + 4, H + 20}, {W + 30, 10, 10, -30}};
  for (const auto &m : moves) {
    MoveCursor(m[0], m[1]);
    MoveCursor(m[2], m[3]);
    HideCursor();
    ASSERT_EQ(overlay(), before) << m[0] << "," << m[1] << " then " << m[2] << "," << m[3];
    EXPECT_EQ(cursor_up, 0);
  }
  // A second HideCursor puts nothing back.
  drawmode(KGL_OVERDRAW);
  color(1);
  clear();
  drawmode(KGL_NORMALDRAW);
  HideCursor();
  EXPECT_EQ(kgl_read_overlay(20, 20), 1u);
}

TEST_F(CursorTest, TheSaveUnderStaysInsideTheWindowItWasGiven) {
  // The layout's window is narrower and lower than the planes: columns and
  // rows beyond it belong to nobody's cursor.
  fill_overlay_pattern();
  const Plane before = overlay();
  xsize = W - 8;
  ysize = H - 6;
  MoveCursor(xsize - 3, ysize - 1);
  const Plane during = overlay();
  EXPECT_EQ(differences(during, before, [](int x, int y) { return x >= xsize || y >= ysize; }), 0);
  EXPECT_NE(during, before);
  // The window shrinks further while the cursor is up: only what is still
  // inside is put back, and what is inside is right.
  xsize = W - 12;
  HideCursor();
  const Plane after = overlay();
  EXPECT_EQ(differences(after, before, [](int x, int y) { return x < xsize && y < ysize; }), 0);
  EXPECT_EQ(differences(after, before, [](int x, int) { return x >= W - 8; }), 0);
}

TEST_F(CursorTest, CursorPacketsMoveAndHideTheCursor) {
  fill_overlay_pattern();
  const Plane before = overlay();
  Pkinit.field[kPkinitFlags] = 0x8000;
  ymin = 5;
  TestPacket move(33, 6);
  move.p.put_i16(2, 12);
  move.p.put_i16(4, 9);
  CurrentPmark[kPmarkState] = 7;
  CurrentPmark[kPmarkDrawn] = 3;
  EXPECT_EQ(pdcurs(move.p), 0);
  // The client counts rows from the top.
  EXPECT_EQ(cursor_x, 12);
  EXPECT_EQ(cursor_y, H - 9 - 1);
  EXPECT_EQ(CurrentPmark[kPmarkState], 0);
  EXPECT_EQ(CurrentPmark[kPmarkDrawn], 0);
  // Without the full-session flags the y is taken below the prompt area.
  Pkinit.field[kPkinitFlags] = 0;
  pdcurs(move.p);
  EXPECT_EQ(cursor_y, ymin - 9);

  TestPacket hide(34, 2);
  CurrentPmark[kPmarkState] = 7;
  EXPECT_EQ(pccurs(hide.p), 0);
  EXPECT_EQ(cursor_up, 0);
  EXPECT_EQ(CurrentPmark[kPmarkState], 0);
  EXPECT_EQ(overlay(), before);
}

// ---- the client's cursor shape ------------------------------------------------------

// A level-8 cursor packet with a new shape: hot spot (3, 4), rows made of k.
TestPacket shape_packet(std::uint16_t k, std::size_t length = 76) {
  TestPacket t(33, length);
  t.p.put_i16(2, 20);
  t.p.put_i16(4, 20);
  t.p.put_i16(6, 3);
  t.p.put_i16(8, 4);
  for (std::size_t i = 0; i < 16; ++i) {
    t.p.put_u16(10 + 2 * i, static_cast<std::uint16_t>(0xF0F0 ^ k));
    t.p.put_u16(42 + 2 * i, static_cast<std::uint16_t>(0x0F00 + k + i));
  }
  t.p.put_u16(74, 1);
  return t;
}

TEST_F(CursorTest, TheClientsShapeIsDefinedOnceAndOnlyFromThePacket) {
  Pkinit.field[kPkinitLevel] = 8;
  Pkinit.field[kPkinitFlags] = 0x2000;  // the client's shape is kept
  TestPacket a = shape_packet(1);
  pdcurs(a.p);
  EXPECT_EQ(CurrentCursor, 4);
  const KglCursorDef &def = kgl_cursors[4];
  const unsigned first = def.generation;
  EXPECT_EQ(def.type, KGL_C16X2);
  EXPECT_EQ(def.xorigin, 3);
  EXPECT_EQ(def.yorigin, 15 - 4);
  // Rows reversed: the library's row 0 is the last image row, row 16 the
  // last mask row inverted.
  EXPECT_EQ(def.bits[0], 0x0F00 + 1 + 15);
  EXPECT_EQ(def.bits[16], static_cast<std::uint16_t>(~(0xF0F0 ^ 1)));

  pdcurs(a.p);
  EXPECT_EQ(def.generation, first);

  // Another shape whose words add up to the same sum (each mask row one
  // less, each image row one more) is a new shape all the same.
  TestPacket b = shape_packet(2);
  pdcurs(b.p);
  EXPECT_NE(def.generation, first);
  EXPECT_EQ(def.bits[0], 0x0F00 + 2 + 15);

  // Rows and flag in the buffer but not in the packet: no shape is taken.
  const unsigned second = def.generation;
  TestPacket cut = shape_packet(7, 74);
  CurrentCursor = 1;
  pdcurs(cut.p);
  EXPECT_EQ(def.generation, second);
  EXPECT_EQ(CurrentCursor, 1);
  // Full sessions and older levels keep the arrow.
  TestPacket c = shape_packet(9);
  Pkinit.field[kPkinitFlags] = 0x8000;
  pdcurs(c.p);
  Pkinit.field[kPkinitFlags] = 0x2000;
  Pkinit.field[kPkinitLevel] = 7;
  pdcurs(c.p);
  EXPECT_EQ(def.generation, second);

  // On 8-bit displays the image shows through the mask plane as well.
  std::uint16_t mask[16] = {0xFF00}, image[16] = {0x0100}, bitmap[32];
  BuildClientCursor(mask, image, 1, bitmap);
  EXPECT_EQ(bitmap[15], 0x0100);
  EXPECT_EQ(bitmap[31], 0x01FF);
}

// ---- the coordinate read-out ------------------------------------------------------------

TEST_F(CursorTest, TheReadOutKeepsAtMost25CharactersOfThePacket) {
  TestPacket p(22, 4 + 40);
  p.p.put_u16(2, 0x0300 | 40);
  std::memcpy(p.bytes + 4, "1234567890abcdefghijklmnopqrstuvwxyz1234", 40);
  pcoordline(p.p);
  EXPECT_STREQ(coord_str, "1234567890abcdefghijklmno");
  EXPECT_EQ(mode_flags, 3);
  // A length beyond the packet takes only the bytes the packet holds.
  TestPacket shorter(22, 4 + 6);
  shorter.p.put_u16(2, 20);
  std::memcpy(shorter.bytes + 4, "X=1.00SECRET", 12);
  pcoordline(shorter.p);
  EXPECT_STREQ(coord_str, "X=1.00");
  // A zero inside the text ends it.
  TestPacket nul(22, 12);
  nul.p.put_u16(2, 8);
  std::memcpy(nul.bytes + 4, "ab\0cdefg", 8);
  pcoordline(nul.p);
  EXPECT_STREQ(coord_str, "ab");
}

// ---- marks and boxes --------------------------------------------------------------------

class MarkTest : public CursorTest {
 protected:
  int saved_viewport = CurrentViewport;
  void SetUp() override {
    CursorTest::SetUp();
    // A graphics area above a prompt area, viewport 0 in pixels from its
    // lower-left corner, as the session sets them up.
    xmin = 0;
    ymin = 6;
    xmax = W - 1;
    ymax = H - 1;
    Pkinit.field[kPkinitLevel] = 8;
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
    Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(ymax - ymin);
    reset_viewport_table();
    mmode(KGL_MSINGLE);
    MyOrtho2(static_cast<float>(xmin - 1), static_cast<float>(xmax + 1), -1.0f, static_cast<float>(ymax - ymin + 1));
    getmatrix(vp_info[0].view_matrix);
    fill_normal_grey();
    CurrentMatrixNumber = -1;
  }
  void TearDown() override {
    CurrentViewport = saved_viewport;
    reset_viewport_table();
    CursorTest::TearDown();
  }
  // A 16-bit mark packet (opcode 7 or 8).
  static TestPacket mark(int opcode, int x, int y, int type = 0, int viewport = 0) {
    TestPacket t(opcode, 14);
    t.p.put_i16(4, x);
    t.p.put_i16(6, y);
    t.p.put_i16(8, type);
    t.p.put_i16(10, viewport);
    return t;
  }
};

TEST_F(MarkTest, ACrosshairMarkDrawnTwiceLeavesThePictureAsBefore) {
  const Plane before = normal();
  TestPacket p = mark(7, 20, 15);
  EXPECT_EQ(pmark(p.p), 1);
  EXPECT_EQ(p.p.i16(2), 1);
  const Plane drawn = normal();
  EXPECT_NE(drawn, before);
  EXPECT_EQ(CurrentPmark[kPmarkX], 20);
  EXPECT_EQ(CurrentPmark[kPmarkY], 15);
  EXPECT_EQ(CurrentPmark[kPmarkState], 7);
  EXPECT_EQ(CurrentPmark[kPmarkDrawn], 1);
  // The repaint draws the same crosshair again: it goes away, and comes back.
  DrawCursor();
  EXPECT_EQ(normal(), before);
  DrawCursor();
  EXPECT_EQ(normal(), drawn);
  TestPacket again = mark(7, 20, 15);
  pmark(again.p);
  EXPECT_EQ(normal(), before);
}

TEST_F(MarkTest, AHeldMarkIsDrawnAtTheRememberedPlace) {
  const Plane before = normal();
  TestPacket p = mark(7, 30, 25);
  pmark(p.p);
  TestPacket held = mark(8, 3, 4);
  EXPECT_EQ(pcmark(held.p), 1);
  EXPECT_EQ(held.p.i16(2), 1);
  EXPECT_EQ(held.p.i16(4), 30);
  EXPECT_EQ(held.p.i16(6), 25);
  EXPECT_EQ(CurrentPmark[kPmarkState], 8);
  EXPECT_EQ(CurrentPmark[kPmarkHeld], 1);
  EXPECT_EQ(normal(), before);

  // The 32-bit marks read their wider fields.
  TestPacket big(98, 18);
  big.p.put_i32(4, 40);
  big.p.put_i32(8, 12);
  big.p.put_i16(12, 3);
  EXPECT_EQ(pbmark(big.p), 1);
  EXPECT_EQ(big.p.i16(2), 1);
  EXPECT_EQ(CurrentPmark[kPmarkX], 40);
  EXPECT_EQ(CurrentPmark[kPmarkType], 3);
  TestPacket big_held(99, 18);
  pcbmark(big_held.p);
  EXPECT_EQ(big_held.p.i32(4), 40);
  EXPECT_EQ(big_held.p.i32(8), 12);
  EXPECT_EQ(normal(), before);
}

TEST_F(MarkTest, MarksThatAreNotDrawn) {
  const Plane before = normal();
  // At the origin: answered 0 and not drawn, but recorded.
  TestPacket origin = mark(7, 0, 0);
  pmark(origin.p);
  EXPECT_EQ(origin.p.i16(2), 0);
  EXPECT_EQ(CurrentPmark[kPmarkState], 7);
  // Not a crosshair type: the client draws it.
  TestPacket box = mark(7, 10, 10, 1);
  pmark(box.p);
  EXPECT_EQ(box.p.i16(2), 0);
  // An unknown viewport: answered 1, the record untouched.
  std::memset(CurrentPmark, 0, sizeof CurrentPmark);
  TestPacket unknown = mark(7, 10, 10, 0, 33);
  pmark(unknown.p);
  EXPECT_EQ(unknown.p.i16(2), 1);
  EXPECT_EQ(CurrentPmark[kPmarkState], 0);
  EXPECT_EQ(normal(), before);
}

TEST_F(CursorTest, AnOutlinedBoxIsItsFourEdges) {
  SetClippingRectangle(0, W - 1, 0, H - 1, kMatrixScreen);
  OutlinedBox(30, 20, 10, 5, 7, 0);  // corners in any order
  const std::uint32_t white = kgl_read_normal(10, 5);
  EXPECT_NE(white, 0u);
  const Plane box = normal();
  EXPECT_EQ(differences(box, Plane(W * H, white), [](int x, int y) {
              return (x >= 10 && x <= 30 && (y == 5 || y == 20)) || (y >= 5 && y <= 20 && (x == 10 || x == 30));
            }),
            0);
  EXPECT_EQ(std::count(box.begin(), box.end(), white), 2 * 21 + 2 * 14);

  // In exclusive-or, drawn twice, it disappears (also one pixel wide).
  fill_normal_grey();
  const Plane before = normal();
  OutlinedBox(5, 5, 40, 30, 7, -1);
  EXPECT_NE(normal(), before);
  EXPECT_EQ(getlogicop(), KGL_LO_SRC);
  OutlinedBox(40, 30, 5, 5, 7, -1);
  OutlinedBox(8, 8, 8, 20, 7, -1);
  OutlinedBox(8, 8, 8, 20, 7, -1);
  EXPECT_EQ(normal(), before);
}

}  // namespace
