// The 2D vector and polygon packets against an off-screen context: where each
// primitive goes (display list, refresh list, drawing records, the screen
// only), the x = 0 and x = 1 corrections, the colour mapping, the polygons
// kept as vectors, exclusive-or drawing, and the bounds of counts.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"
#include "support/test_packet.h"
#include "ui/graph_window.h"

namespace {


constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;
constexpr std::uint32_t kYellow = 0xFFFF00, kGrey = 0x808080;

// Viewport 1 covers the window; 100 view units a pixel, so that unit
// 100 k + 50 lands on pixel k.
constexpr int kW = 160, kH = 120;
inline int unit(int pixel) { return 100 * pixel + 50; }

class Vectors : public ::testing::Test {
 protected:
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[256][4];
  int saved_layout[8] = {};
  InitPacket saved_init{};

  void SetUp() override {
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    saved_init = Pkinit;
    const int layout[8] = {xsize, ysize, xmin, ymin, xmax, ymax, graphy, PromptArea};
    std::memcpy(saved_layout, layout, sizeof layout);
    ctx = kgl_offscreen_create(kW, kH);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);

    xsize = kW, ysize = kH, xmin = 0, ymin = 0, xmax = kW - 1, ymax = kH - 1, graphy = kH - 1;
    PromptArea = 0;
    Pkinit.field[kPkinitFlags] = 0x8007;
    Pkinit.field[kPkinitLevel] = 8;
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
    Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(graphy);
    do_32bit_regen = 0;
    init_display_list(8192);  // drops what earlier tests left
    init_display_list(4096);
    reset_viewport_table();
    init_redraw(1);

    std::memset(DisplayMap, 0, sizeof DisplayMap);
    set_colour(1, 1, 0, 0);
    set_colour(2, 1, 1, 0);
    set_colour(3, 0, 1, 0);
    set_colour(7, 1, 1, 1);
    set_colour(8, 128.0f / 255, 128.0f / 255, 128.0f / 255);
    cfr.word(kWordColourXor) = 7;   // exclusive-or colour
    cfr.word(kWordColourGraphics) = 0;   // graphics background
    cfr.word(kWordColourBorder) = 3;
    cfr.word(kWordDisplayList) = 1;   // display list
    cfr.word(kWordDoubleBuffer) = 0;   // single buffered
    cfr.word(kWordRefreshList) = 1;  // refresh list
    cfr.word(kWordNonStopRedraw) = 1;
    cfr.word(kWordTimeSlice) = 5;
    cfr.word(kWordPolygonOutline) = 0;  // no polygon outlines
    InitPatterns();
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
    current_style = 0;
    setlinestyle(0);
    logicop(KGL_LO_SRC);
    pushcount = 0;
    std::memset(CurrentPmark, 0, sizeof CurrentPmark);
    RefreshHilight = 0;
    xor_line_started = 1;
    DuringRegen = 0;
    erase = 0;

    mmode(KGL_MSINGLE);
    MyOrtho2(static_cast<float>(xmin - 1), static_cast<float>(xmax + 1), -1.0f, static_cast<float>(graphy + 1));
    getmatrix(vp_info[0].view_matrix);
    ortho2(0, kW - 1, 0, kH - 1);
    getmatrix(ScreenMatrix);
    SetClippingRectangle(0, kW - 1, 0, kH - 1, kMatrixScreen);
    MyColor(0);
    clear();

    TestPacket open(38, 16);
    open.i16(2, 1).i16(4, 0).i16(6, 0).i16(8, kW - 1).i16(10, kH - 1).i16(12, 32765).i16(14, 32765);
    popenvp(open.p);
    TestPacket view(40, 16);
    view.i16(2, 1).i16(4, 0).i16(6, 0).i16(8, kW * 100 - 1).i16(10, kH * 100 - 1);
    pviewport(view.p);
  }
  void TearDown() override {
    init_display_list(8192);
    init_display_list(4096);
    Free_AUI_List();
    pushcount = 0;
    std::memset(CurrentPmark, 0, sizeof CurrentPmark);
    DuringRegen = 0;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    Pkinit = saved_init;
    xsize = saved_layout[0], ysize = saved_layout[1], xmin = saved_layout[2], ymin = saved_layout[3];
    xmax = saved_layout[4], ymax = saved_layout[5], graphy = saved_layout[6], PromptArea = saved_layout[7];
    // Leave the table as a fresh process has it (its pages are gone above).
    reset_viewport_table();
    std::memset(static_cast<void *>(vp_info), 0, sizeof vp_info);
    reset_viewport_table();
    kgl_offscreen_destroy(ctx);
  }

  static void set_colour(int i, float r, float g, float b) {
    DisplayMap[i][0] = r;
    DisplayMap[i][1] = g;
    DisplayMap[i][2] = b;
  }
  static std::uint32_t at(int x, int y) { return kgl_read_composited(x, y); }
  static std::vector<std::uint32_t> picture() {
    std::vector<std::uint32_t> v;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) v.push_back(at(x, y));
    return v;
  }
  static int lit(std::uint32_t colour) {
    int n = 0;
    for (std::uint32_t c : picture()) n += c == colour;
    return n;
  }

  static void vec(int x1, int y1, int x2, int y2, int colour, int flags = 0, int viewport = 1) {
    TestPacket t(5, 16);
    t.i16(2, x1).i16(4, y1).i16(6, x2).i16(8, y2).i16(10, colour).i16(12, flags).i16(14, viewport);
    pvec(t.p);
  }
  // pfill with n vertices (pairs of pixel positions of viewport 1).
  static void fill(std::initializer_list<int> xy, int colour, int flags = 0, int viewport = 1, int count = -1) {
    TestPacket t(6, 58);
    const int n = count >= 0 ? count : static_cast<int>(xy.size() / 2);
    t.i16(2, colour).i16(4, flags).i16(6, n).i16(56, viewport);
    int k = 0;
    for (int v : xy) t.i16(8 + 2 * k++, viewport == 0 ? v : unit(v));
    pfill(t.p);
  }

  static ViewportRecord &vp1() { return vp_info[1]; }
  // The entity headers of viewport 1's current page.
  static std::vector<std::uint32_t> headers(int index = 1) {
    std::vector<std::uint32_t> h;
    const ViewportRecord &vp = vp_info[index];
    if (vp.current_page == nullptr) return h;
    for (int off = 24; off < vp.fill_offset;) {
      const std::uint32_t w = *page_word(vp.current_page, off);
      h.push_back(w);
      off += 8 + 4 * static_cast<int>(w & 0xFFFF) * (do_32bit_regen ? 2 : 1);
    }
    return h;
  }
  static int refresh_bytes(int index) { return vp_info[index].refresh_fill == 0 ? 0 : vp_info[index].refresh_fill - 24; }
};

TEST_F(Vectors, AVectorToViewportZeroIsDrawnAndKeptNowhere) {
  vec(10, 20, 50, 20, 1, 0, 0);
  EXPECT_EQ(at(30, 20), kRed);
  EXPECT_EQ(vp_info[0].fill_offset, 0);
  EXPECT_EQ(refresh_bytes(0), 0);
}

TEST_F(Vectors, AListedVectorIsStoredAndDrawn) {
  vec(unit(10), unit(30), unit(90), unit(30), 1);
  EXPECT_EQ(at(50, 30), kRed);
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0010002u}));
  EXPECT_TRUE(vp1().flags & kVpListDrawn);
  EXPECT_EQ(refresh_bytes(1), 0);
  // Bit 15 of a coordinate is not part of it.
  vec(unit(90) | 0x8000, unit(30), unit(90), unit(60), 1);
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0010003u}));
}

TEST_F(Vectors, VerticalVectorsAtXZeroAndOneMoveRight) {
  vec(0, unit(5), 0, unit(50), 3);
  EXPECT_EQ(dl1[0], 1);
  EXPECT_EQ(dl2[0], 1);
  vec(1, unit(5), 1, unit(50), 3);
  EXPECT_EQ(dl1[0], 2);
  // Only when both ends lie there.
  vec(0, unit(5), 7, unit(50), 3);
  EXPECT_EQ(dl1[0], 0);
  const std::uint32_t *w = page_word(vp1().current_page, 24);
  EXPECT_EQ(w[2] >> 16, 1u);
  EXPECT_EQ(w[6] >> 16, 2u);
  // Lines of viewport 0 (pixels) too.
  vec(0, 60, 0, 80, 1, 0, 0);
  EXPECT_EQ(at(0, 70), kBlack);
  EXPECT_EQ(at(1, 70), kRed);
}

TEST_F(Vectors, PacketColoursAreMappedOnceAndStayInTheTables) {
  vec(unit(10), unit(10), unit(20), unit(10), -5);    // configuration word 83
  vec(unit(10), unit(20), unit(20), unit(20), -20);   // colour 7
  vec(unit(10), unit(30), unit(20), unit(30), 300);   // colour 7
  vec(unit(10), unit(40), unit(20), unit(40), 0);     // the background
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0030002u, 0xC0070002u, 0xC0070002u, 0xC0000002u}));
  EXPECT_EQ(at(15, 10), kGreen);
  EXPECT_EQ(at(15, 20), kWhite);
  EXPECT_EQ(at(15, 30), kWhite);
  cfr.word(kWordColourBorder) = 5000;  // not a colour: 7
  vec(unit(10), unit(50), unit(20), unit(50), -5);
  EXPECT_EQ(at(15, 50), kWhite);
}

TEST_F(Vectors, FlaggedVectorsGoToTheRefreshListAndMarkTheirViewport) {
  vec(unit(10), unit(10), unit(90), unit(10), 1, 8);  // highlighted, line style 1
  EXPECT_TRUE(headers().empty());
  ASSERT_EQ(refresh_bytes(1), 12);
  const std::uint32_t *r = page_word(vp1().refresh_first, 24);
  EXPECT_EQ(r[0] >> 16, 0x2000u + 0x800 + 5);
  EXPECT_EQ(RefreshHilight, 1);
  EXPECT_GT(lit(kRed), 0);
  EXPECT_LT(lit(kRed), 80);  // dashed

  vec(unit(10), unit(20), unit(90), unit(20), 1, 0x220 | 8);
  EXPECT_EQ(refresh_bytes(1), 12);
  vec(unit(10), unit(30), unit(90), unit(30), 1, 0x800);
  EXPECT_TRUE(vp1().flags & kVpVectorMark);
  vec(unit(10), unit(30), unit(90), unit(30), 1, 0x4000);
  EXPECT_TRUE(vp1().flags & kVpVectorMark2);
  EXPECT_EQ(refresh_bytes(1), 36);
  // With the mark held by a tool, only highlighted ones are kept.
  CurrentPmark[kPmarkTaken] = 1;
  vec(unit(10), unit(40), unit(90), unit(40), 1, 0x4000);
  EXPECT_EQ(refresh_bytes(1), 36);
  vec(unit(10), unit(40), unit(90), unit(40), 1, 1);
  EXPECT_EQ(refresh_bytes(1), 48);
  // ... and viewport 0 gets nothing at all, not even the drawing.
  vec(10, 60, 90, 60, 2, 1, 0);
  EXPECT_EQ(refresh_bytes(0), 0);
  EXPECT_EQ(at(50, 60), kBlack);
  // Without the refresh list nothing is kept.
  CurrentPmark[kPmarkTaken] = 0;
  cfr.word(kWordRefreshList) = 0;
  vec(unit(10), unit(50), unit(90), unit(50), 1, 1);
  EXPECT_EQ(refresh_bytes(1), 48);
}

TEST_F(Vectors, WhileABoxIsPushedFlaggedVectorsBecomeDrawingRecords) {
  pushcount = 1;
  vec(unit(10), unit(10), unit(90), unit(10), 2, 1);
  EXPECT_EQ(refresh_bytes(1), 0);
  ASSERT_NE(AUI_ListHead, nullptr);
  const AUIRecord &r = AUI_ListHead->records()[0];
  EXPECT_EQ(r.type, 5);
  EXPECT_EQ(r.x1, unit(10));
  EXPECT_EQ(r.y2, unit(10));
  EXPECT_EQ(r.viewport, 1);
  EXPECT_EQ(r.colour, 2);
  EXPECT_EQ(r.flags, 1);
  // Lines through pline are records too (y from the top), unless highlighted.
  TestPacket line(32, 14);
  line.i16(2, 5).i16(4, 5).i16(6, 40).i16(8, 5).i16(10, 3).i16(12, 0);
  pline(line.p);
  TestPacket lit_line(32, 14);
  lit_line.i16(2, 5).i16(4, 8).i16(6, 40).i16(8, 8).i16(10, 3).i16(12, 1);
  pline(lit_line.p);
  EXPECT_EQ(AUI_ListHead->count, 2);
  EXPECT_EQ(AUI_ListHead->records()[1].type, 32);
  EXPECT_EQ(at(20, kH - 6), kGreen);

  // The replays draw them again.
  SetClippingRectangle(0, kW - 1, 0, kH - 1, kMatrixScreen);
  MyColor(0);
  clear();
  AUI_pvec(&AUI_ListHead->records()[0]);
  AUI_pline(&AUI_ListHead->records()[1]);
  EXPECT_EQ(at(20, kH - 6), kGreen);
  EXPECT_EQ(at(50, 10), kYellow);
}

TEST_F(Vectors, DuringARegenerationVectorsAreStoredButNotDrawn) {
  DuringRegen = 1;
  vec(unit(10), unit(30), unit(90), unit(30), 1);
  EXPECT_EQ(headers().size(), 1u);
  EXPECT_EQ(lit(kRed), 0);
  EXPECT_FALSE(vp1().flags & kVpListDrawn);
}

TEST_F(Vectors, ExclusiveOrLinesDrawnTwiceLeaveThePictureAsItWas) {
  vec(unit(5), unit(5), unit(150), unit(100), 1);
  fill({20, 20, 60, 20, 60, 60, 20, 60, 10, 40}, 3);
  const std::vector<std::uint32_t> before = picture();
  for (int pass = 0; pass < 2; ++pass) {
    vec(unit(0), unit(50), unit(159), unit(60), -1, 0x220);
    vec(unit(40), unit(0), unit(45), unit(119), -1, 0x220);
    TestPacket line(32, 14);
    line.i16(2, 3).i16(4, 100).i16(6, 150).i16(8, 7).i16(10, -1).i16(12, 0);
    pline(line.p);
    if (pass == 0) {
      EXPECT_NE(picture(), before);
    }
  }
  EXPECT_EQ(picture(), before);
  EXPECT_EQ(getlogicop(), KGL_LO_SRC);
}

TEST_F(Vectors, SmallPolygonsOfAListedViewportAreStoredAsVectors) {
  // A triangle whose first two vertices are within a pixel: vertex 0 to 2.
  TestPacket t(6, 58);
  t.i16(2, 2).i16(6, 3).i16(8, 1000).i16(10, 1000).i16(12, 1001).i16(14, 1001).i16(16, 5000).i16(18, 3000).i16(56, 1);
  pfill(t.p);
  ASSERT_EQ(headers(), (std::vector<std::uint32_t>{0xC0020002u}));
  const std::uint32_t *w = page_word(vp1().current_page, 24);
  EXPECT_EQ(w[2], 1000u << 16 | 1000u);
  EXPECT_EQ(w[3], 5000u << 16 | 3000u);

  fill({10, 10}, 1);                          // one vertex: a vector to itself
  fill({10, 20, 50, 20}, 1);                  // two: vertex 0 to 1
  fill({10, 30, 50, 30, 50, 70, 10, 70}, 1);  // a real square
  fill({}, 1);                                // nothing
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0020002u, 0xC0010002u, 0xC0010002u, 0x90010004u}));
  EXPECT_EQ(at(30, 50), kRed);

  // Four vertices whose pairs (0, 3) and (1, 2) are small: vertex 0 to 1.
  TestPacket q(6, 58);
  q.i16(2, 3).i16(6, 4).i16(8, 100).i16(10, 100).i16(12, 9000).i16(14, 100).i16(16, 9001).i16(18, 101).i16(20, 101).i16(22, 101).i16(56, 1);
  pfill(q.p);
  EXPECT_EQ(headers().back(), 0xC0030002u);

  // Not listed (viewport 0, draw only): a filled triangle however small.
  const std::size_t entities = headers().size();
  fill({100, 100, 100, 100, 130, 110}, 3, 2);
  EXPECT_EQ(headers().size(), entities);
}

TEST_F(Vectors, PolygonCountsBeyondTwelveOrThePacketAreRefused) {
  fill({10, 10, 50, 10, 50, 50, 10, 50, 5, 30}, 1, 0, 1, 13);
  TestPacket shorter(6, 24);  // 5 vertices claimed, 4 present
  shorter.i16(2, 1).i16(6, 5).i16(8, 1000).i16(10, 1000).i16(12, 5000).i16(14, 1000).i16(16, 5000).i16(18, 5000);
  pfill(shorter.p);
  TestPacket big(101, 106);
  big.i16(2, 1).i16(6, 40).i16(104, 1);
  pbfill(big.p);
  EXPECT_TRUE(headers().empty());
  EXPECT_EQ(lit(kRed), 0);
  EXPECT_EQ(refresh_bytes(1), 0);
}

TEST_F(Vectors, PolygonsGoToTheListTheRefreshListOrTheScreen) {
  // Listed: in the display list and, the refresh list being on, its record.
  fill({10, 10, 50, 10, 50, 50, 10, 50, 5, 30}, 1);
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0x90010005u}));
  EXPECT_EQ(refresh_bytes(1), 4 + 4 * 5);
  EXPECT_EQ(at(30, 30), kRed);
  // Highlighted: kept in the refresh list only, filled and patterned over.
  fill({60, 10, 100, 10, 100, 50, 60, 50, 55, 30}, 2, 1);
  EXPECT_EQ(headers().size(), 1u);
  EXPECT_EQ(refresh_bytes(1), 2 * (4 + 4 * 5));
  EXPECT_EQ(RefreshHilight, 1);
  // Draw only: not listed.
  fill({110, 10, 150, 10, 150, 50, 110, 50, 105, 30}, 3, 2);
  EXPECT_EQ(headers().size(), 1u);
  EXPECT_EQ(at(130, 30), kGreen);
  // Viewport 0: drawn in pixels and kept in its refresh list.
  fill({10, 80, 40, 80, 40, 110, 10, 110, 5, 95}, 3, 0, 0);
  EXPECT_EQ(at(25, 95), kGreen);
  EXPECT_EQ(refresh_bytes(0), 4 + 4 * 5);
}

TEST_F(Vectors, BatchedVectorsAreBoundedByThePacketAndSkipUnknownViewports) {
  do_32bit_regen = 1;
  init_display_list(4096);
  TestPacket t(97, 8 + 24 * 2);
  t.i16(4, 3);  // three claimed, two present
  t.i16(8, 1).i32(12, unit(10)).i32(16, unit(10)).i32(20, unit(90)).i32(24, unit(10)).i16(28, 1);
  t.i16(32, 2).i32(36, unit(10)).i32(40, unit(20)).i32(44, unit(90)).i32(48, unit(20)).i16(52, 9);
  t.i16(56, 3).i32(60, unit(10)).i32(64, unit(30)).i32(68, unit(90)).i32(72, unit(30)).i16(76, 1);
  pbatchvec(t.p);
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0010002u}));
  EXPECT_EQ(at(50, 10), kRed);
  EXPECT_EQ(at(50, 20), kBlack);
  EXPECT_EQ(at(50, 30), kBlack);
  TestPacket negative(97, 8);
  negative.i16(4, -4);
  pbatchvec(negative.p);
  EXPECT_EQ(headers().size(), 1u);
  // Viewport 0 keeps its vectors too.
  TestPacket whole(97, 8 + 24);
  whole.i16(4, 1).i16(8, 3).i32(12, 5).i32(16, 60).i32(20, 50).i32(24, 60).i16(28, 0);
  pbatchvec(whole.p);
  EXPECT_EQ(headers(0), (std::vector<std::uint32_t>{0xC0030002u}));
  EXPECT_EQ(at(30, 60), kGreen);
}

TEST_F(Vectors, BigFlaggedVectorsGoToViewportZeroInPixels) {
  do_32bit_regen = 1;
  init_display_list(4096);
  TestPacket t(96, 26);
  t.i16(4, 1).i16(6, 1).i32(8, unit(10)).i32(12, unit(20)).i32(16, unit(50)).i32(20, unit(20)).i16(24, 1);
  pbigvec(t.p);
  EXPECT_TRUE(headers().empty());
  ASSERT_EQ(refresh_bytes(0), 20);
  const std::uint32_t *r = page_word(vp_info[0].refresh_first, 24);
  EXPECT_EQ(static_cast<std::int32_t>(r[1]), 10);
  EXPECT_EQ(static_cast<std::int32_t>(r[2]), 20);
  EXPECT_EQ(static_cast<std::int32_t>(r[3]), 50);
  // Unflagged: the display list, drawn.
  TestPacket plain(96, 26);
  plain.i16(4, 3).i32(8, unit(10)).i32(12, unit(40)).i32(16, unit(50)).i32(20, unit(40)).i16(24, 1);
  pbigvec(plain.p);
  EXPECT_EQ(headers(), (std::vector<std::uint32_t>{0xC0030002u}));
  EXPECT_EQ(at(30, 40), kGreen);
}

TEST_F(Vectors, RowsOfDotsStepIn64Bits) {
  TestPacket t(73, 32);
  // A 16.16 step of a quarter of 2^32: the fifth dot would land on the first
  // again if the step product wrapped in 32 bits (and the two would cancel).
  t.i32(4, 5).i32(8, 7).i32(12, 0x40000000).i32(16, 0).i32(20, 5).i16(24, 0).i32(28, 1);
  prow(t.p);
  EXPECT_EQ(at(5, 7), kWhite);
  // Only the dots the 16-bit point record can hold are kept: the fifth would
  // come back over the first.
  EXPECT_EQ(refresh_bytes(0), 2 * 8);
  // Start and step in 16.16.
  TestPacket q(73, 32);
  q.i32(4, 20 << 16).i32(8, 30 << 16).i32(12, 1 << 16).i32(16, 1 << 15).i32(20, 4).i16(24, 0).i32(28, 3);
  prow(q.p);
  EXPECT_EQ(at(20, 30), kWhite);
  EXPECT_EQ(at(22, 31), kWhite);
  EXPECT_EQ(at(23, 31), kWhite);
  // A huge count is bounded.
  TestPacket many(73, 32);
  many.i32(4, -100).i32(8, -100).i32(20, 0x7FFFFFFF).i16(24, 0);
  cfr.word(kWordRefreshList) = 0;
  prow(many.p);
}

TEST_F(Vectors, ClearEmptiesTheScreenAndTheRefreshListButKeepsTheDisplayList) {
  vec(unit(10), unit(30), unit(90), unit(30), 1);
  vec(unit(10), unit(40), unit(90), unit(40), 1, 1);
  vec(10, 10, 30, 10, 2, 1, 0);   // inside viewport 1's rectangle
  TestPacket t(3, 6);
  t.i16(2, 77).i16(4, 1);
  EXPECT_EQ(pclear(t.p), 1);
  EXPECT_EQ(t.p.u16(2), 0);
  EXPECT_EQ(lit(kRed), 0);
  EXPECT_EQ(headers().size(), 1u);
  EXPECT_EQ(refresh_bytes(1), 0);
  EXPECT_EQ(vp1().refresh_flag, 1);
  // The viewport-0 record lies inside viewport 1: shown plain, not replayed.
  EXPECT_TRUE(page_word(vp_info[0].refresh_first, 24)[0] >> 16 & kRefreshShown);

  TestPacket unknown(3, 6);
  unknown.i16(2, 5).i16(4, 42);
  EXPECT_EQ(pclear(unknown.p), 1);
  EXPECT_EQ(unknown.p.u16(2), 0);
}

TEST_F(Vectors, ThePageFlipAnswersWhetherThereAreTwoBuffers) {
  TestPacket t(76, 8);
  t.i16(2, 1).i16(4, 1);
  EXPECT_EQ(pvpage(t.p), 1);
  EXPECT_EQ(t.p.u16(6), 65535);
  cfr.word(kWordDoubleBuffer) = 1;
  TestPacket d(76, 8);
  d.i16(2, 0).i16(4, 0);
  EXPECT_EQ(pvpage(d.p), 1);
  EXPECT_EQ(d.p.u16(6), 0);
}

TEST_F(Vectors, BordersAreDrawnOnlyForAFullSession) {
  PromptArea = 1;
  ymin = 10;
  StatusLine = 1;
  DrawBorders();
  EXPECT_EQ(at(50, 9), kGreen);  // configuration word 83
  SetClippingRectangle(0, kW - 1, 0, kH - 1, kMatrixScreen);
  MyColor(0);
  clear();
  Pkinit.field[kPkinitFlags] = 0x0007;
  DrawBorders();
  EXPECT_EQ(at(50, 9), kBlack);
  StatusLine = 0;
}

// What vector packets leave behind: both lists of every viewport word by word
// (their links and the open entity as places in the chain), the records'
// list state, the counts since `since`, the globals the packets set and the
// picture.
std::vector<std::int64_t> vector_state(const std::int64_t (&since)[2]) {
  std::vector<std::int64_t> s;
  auto chain = [&s](const DisplayListPage *first, const DisplayListPage *current, int fill, const std::uint32_t *mark) {
    std::int64_t place = -1;
    int k = 0;
    for (const DisplayListPage *p = first; p != nullptr; p = p->next, ++k) {
      const int end = p == current ? fill : static_cast<int>(p->used);
      s.insert(s.end(), {k, p->used, p->mask, p->count, p->erased, end});
      for (int off = kPageHeaderBytes; off < end; off += 4) {
        const std::uint32_t *w = page_word(p, off);
        s.push_back(*w);
        if (w == mark) place = std::int64_t{k} << 32 | off;
      }
    }
    s.push_back(place);
  };
  for (const ViewportRecord &vp : vp_info) {
    chain(vp.first_page, vp.current_page, vp.fill_offset, vp.line_header);
    chain(vp.first_page, vp.current_page, vp.fill_offset, vp.line_mask);
    chain(vp.refresh_first, vp.refresh_current, vp.refresh_fill, nullptr);
    s.insert(s.end(), {vp.flags, vp.line_colour, vp.line_count, vp.last_point, vp.last_y, vp.fill_offset,
                       vp.refresh_fill, vp.refresh_flag});
  }
  s.insert(s.end(), {ecount - since[0], dlist_modified - since[1], erase, page_count, rpage_count, rentity_count,
                     dlcolor, dl1[0], dl1[1], dl2[0], dl2[1], dlvpnum, RefreshHilight, current_style,
                     CurrentMatrixNumber, xor_line_started});
  finish();
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) s.push_back(kgl_read_composited(x, y));
  return s;
}

TEST_F(Vectors, ARunOfVectorPacketsLeavesWhatThePacketsOneByOneLeave) {
  // Vectors as a client sends them: mostly plain ones of two viewports, many
  // continuing the one before, among them colour 0, exclusive-or and
  // interface colours, flags, viewport 0 and an unknown viewport, vertical
  // lines at x = 0 and 1, coordinates with bit 15 set; enough to fill pages.
  std::mt19937 rng(11);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<std::array<int, 7>> packets;
  int x = 0, y = 0;
  for (int i = 0; i < 4000; ++i) {
    std::array<int, 7> v = {pick(0, kW * 100 - 1), pick(0, kH * 100 - 1), 0, 0, 1 + pick(0, 2), 0, 1};
    const int kind = pick(0, 99);
    if (kind < 40) v[0] = x, v[1] = y;                        // continues the last one
    if (kind >= 40 && kind < 45) v[4] = 0;                    // erases in list mode 2
    if (kind >= 45 && kind < 48) v[4] = -1;                   // exclusive-or
    if (kind >= 48 && kind < 50) v[4] = pick(-20, -2);        // interface colours
    if (kind >= 50 && kind < 55) v[5] = std::array{1, 8, 0x800, 0x4000, 0x220 | 1}[pick(0, 4)];
    if (kind >= 55 && kind < 58) v[6] = 0;                    // pixels
    if (kind >= 58 && kind < 60) v[6] = 9;                    // no such viewport
    if (kind >= 60 && kind < 70) v[6] = 2;
    if (kind >= 70 && kind < 72) v[0] = pick(0, 1);           // vertical at x = 0 or 1
    if (kind >= 72 && kind < 74) v[0] |= 0x8000;
    v[2] = kind == 70 || kind == 71 ? v[0] : pick(0, kW * 100 - 1);
    v[3] = pick(0, kH * 100 - 1);
    if (kind >= 74 && kind < 80 && !packets.empty()) v = packets.back();   // the same again
    x = v[2], y = v[3];
    packets.push_back(v);
  }
  // The run as a message holds it: a length word before each packet.
  std::vector<std::uint8_t> run;
  for (const auto &v : packets) {
    TestPacket t(5, 16);
    for (int k = 0; k < 7; ++k) t.i16(2 + 2 * k, v[k]);
    run.insert(run.end(), {0, 0, 0, 16});
    run.insert(run.end(), t.bytes, t.bytes + 16);
  }
  for (int list_mode : {1, 2}) {
    std::vector<std::int64_t> state[2];
    for (int one_by_one = 0; one_by_one < 2; ++one_by_one) {
      TearDown();
      SetUp();
      // Viewport 2 over the window's left half, 50 view units a pixel.
      TestPacket open(38, 16);
      open.i16(2, 2).i16(8, kW / 2 - 1).i16(10, kH - 1).i16(12, 32765).i16(14, 32765);
      popenvp(open.p);
      TestPacket view(40, 16);
      view.i16(2, 2).i16(8, kW * 50 - 1).i16(10, kH * 100 - 1);
      pviewport(view.p);
      cfr.word(kWordDisplayList) = list_mode;
      const std::int64_t since[2] = {ecount, dlist_modified};
      if (one_by_one) {
        for (const auto &v : packets) vec(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
      } else {
        pvecs(run.data() + 4, 20, static_cast<int>(packets.size()));
      }
      state[one_by_one] = vector_state(since);
    }
    EXPECT_GT(page_count, 8) << "pages filled";
    EXPECT_TRUE(state[0] == state[1]) << "display list mode " << list_mode;
  }
}

TEST_F(Vectors, ViewportToScreenGuardsEmptyViews) {
  int x1 = unit(10), y1 = unit(20), x2 = unit(30), y2 = unit(40);
  ViewportToScreen(&x1, &y1, &x2, &y2, 1);
  EXPECT_EQ(x1, 10);
  EXPECT_EQ(y1, 20);
  EXPECT_EQ(x2, 30);
  vp1().view_width = 0;
  vp1().view_height = -5;
  x1 = y1 = 1000;
  ViewportToScreen(&x1, &y1, &x2, &y2, 1);
  ViewportToScreen(&x1, &y1, &x2, &y2, 99);
  EXPECT_EQ(IsSmallSpan(0, 1, 5, 6), 1);
  EXPECT_EQ(IsSmallSpan(0, 2, 5, 6), 0);
}

TEST_F(Vectors, ViewOutcodeIsWhatBothEndsShareOutsideTheViewWindow) {
  // The view window is 1000..1999 in x and y.
  TestPacket view(40, 16);
  view.i16(2, 1).i16(4, 1000).i16(6, 1000).i16(8, 1999).i16(10, 1999);
  pviewport(view.p);
  EXPECT_EQ(ViewOutcode(0, 0, 500, 500, 1), 0) << "no view extents known";
  vp1().flags |= kVpExtentsKnown;
  UpdateViewportView(1);
  const struct {
    int x1, y1, x2, y2, code;
  } cases[] = {{0, 1500, 999, 1500, 1}, {2000, 1500, 3000, 1200, 2}, {1500, 0, 1200, 999, 4},
               {0, 2500, 500, 3000, 9}, {1000, 1000, 1999, 1999, 0}, {0, 0, 3000, 3000, 0}};
  for (const auto &c : cases) EXPECT_EQ(ViewOutcode(c.x1, c.y1, c.x2, c.y2, 1), c.code) << c.x1 << "," << c.y1;
  EXPECT_EQ(ViewOutcode(0, 0, 1, 1, 65), 0);
}

}  // namespace
