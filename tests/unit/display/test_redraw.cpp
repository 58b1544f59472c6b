// The redraw engines against an off-screen context: a replay draws the
// pixels of the first drawing, time slices with a fake clock, pages freed
// while a sliced redraw is paused, the tile tests, the redraw packet's
// replies, the replay during a regeneration, the two-colour and budgeted
// replays, the refresh list and the repaint of exposures.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/user_text.h"
#include "base/utilities.h"
#include "display/aui_records.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/hooks.h"
#include "display/redraw.h"
#include "display/screen_tiles.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"
#include "support/test_packet.h"
#include "ui/context.h"
#include "ui/graph_window.h"

namespace {


constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00;
constexpr int kW = 160, kH = 120;
inline int unit(int pixel) { return 100 * pixel + 50; }

// A clock that moves one tick each time it is read.
int fake_ticks;
int clock_reads;
void fake_reset() { fake_ticks = 0; }
int fake_read() {
  ++clock_reads;
  return fake_ticks++;
}

class Redraw : public ::testing::Test {
 protected:
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[256][4];
  InitPacket saved_init{};
  int saved_called = 0;

  void SetUp() override {
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    saved_init = Pkinit;
    saved_called = init_called;
    ctx = kgl_offscreen_create(kW, kH);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    xsize = kW, ysize = kH, xmin = 0, ymin = 0, xmax = kW - 1, ymax = kH - 1, graphy = kH - 1;
    Pkinit.field[kPkinitFlags] = 0x0007;  // no borders
    Pkinit.field[kPkinitLevel] = 8;
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
    Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(graphy);
    do_32bit_regen = 0;
    init_display_list(8192);
    init_display_list(4096);
    reset_viewport_table();
    init_redraw(1);
    redraw_list = RedrawList{nullptr, 0, kReplayStart};
    redraw_reset_timer = fake_reset;
    redraw_read_timer = fake_read;
    clock_reads = 0;

    std::memset(DisplayMap, 0, sizeof DisplayMap);
    DisplayMap[1][0] = 1;                    // red
    DisplayMap[3][1] = 1;                    // green
    DisplayMap[7][0] = DisplayMap[7][1] = DisplayMap[7][2] = 1;
    cfr.word(kWordColourXor) = 7;
    cfr.word(kWordColourGraphics) = 0;
    cfr.word(kWordDisplayList) = 1;
    cfr.word(kWordDoubleBuffer) = 0;
    cfr.word(kWordRefreshList) = 1;
    cfr.word(kWordNonStopRedraw) = 1;
    cfr.word(kWordTimeSlice) = 5;
    cfr.word(kWordPolygonOutline) = 1;
    InitPatterns();
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
    current_style = 0;
    setlinestyle(0);
    pushcount = 0;
    std::memset(CurrentPmark, 0, sizeof CurrentPmark);
    RefreshHilight = 0;
    DuringRegen = 0;
    erase = 0;
    init_called = 1;
    Iconified = 0;

    mmode(KGL_MSINGLE);
    MyOrtho2(static_cast<float>(xmin - 1), static_cast<float>(xmax + 1), -1.0f, static_cast<float>(graphy + 1));
    getmatrix(vp_info[0].view_matrix);
    ortho2(0, kW - 1, 0, kH - 1);
    getmatrix(ScreenMatrix);
    wipe();
    open(1, 0, 0, kW - 1, kH - 1, 0, 0);
  }
  void TearDown() override {
    init_display_list(8192);
    init_display_list(4096);
    redraw_reset_timer = ResetTimer;
    redraw_read_timer = ReadTimer;
    redraw_list = RedrawList{nullptr, 0, kReplayStart};
    redraw_rect_given = 0;
    DuringRegen = 0;
    Iconified = 0;
    CleanDisplayList = 0;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    Pkinit = saved_init;
    init_called = saved_called;
    // Leave the table as a fresh process has it (its pages are gone above).
    reset_viewport_table();
    std::memset(static_cast<void *>(vp_info), 0, sizeof vp_info);
    reset_viewport_table();
    kgl_offscreen_destroy(ctx);
  }

  // Opens viewport number over a rectangle (pixels) with its view window
  // starting at (vx, vy), 100 units a pixel.
  static void open(int number, int x1, int y1, int x2, int y2, int vx, int vy) {
    TestPacket o(38, 16);
    o.i16(2, number).i16(4, x1).i16(6, y1).i16(8, x2).i16(10, y2).i16(12, 32765).i16(14, 32765);
    popenvp(o.p);
    TestPacket v(40, 16);
    v.i16(2, number).i16(4, vx).i16(6, vy).i16(8, vx + (x2 - x1 + 1) * 100 - 1).i16(10, vy + (y2 - y1 + 1) * 100 - 1);
    pviewport(v.p);
  }
  static void wipe() {
    SetClippingRectangle(0, kW - 1, 0, kH - 1, kMatrixScreen);
    MyColor(0);
    clear();
  }
  static std::vector<std::uint32_t> picture() {
    std::vector<std::uint32_t> v;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) v.push_back(kgl_read_composited(x, y));
    return v;
  }
  static int lit() {
    int n = 0;
    for (std::uint32_t c : picture()) n += c != kBlack;
    return n;
  }
  static void vec(int x1, int y1, int x2, int y2, int colour, int flags = 0, int viewport = 1) {
    TestPacket t(5, 16);
    t.i16(2, x1).i16(4, y1).i16(6, x2).i16(8, y2).i16(10, colour).i16(12, flags).i16(14, viewport);
    pvec(t.p);
  }
  // A drawing of many short vectors, some connected, over several pages.
  static void scribble(int count) {
    for (int i = 0; i < count; ++i) {
      const int x = (i * 37) % 150, y = (i * 53) % 110;
      vec(unit(x), unit(y), unit(x + 5), unit(y + (i % 3)), 1 + 2 * (i % 2));
      if (i % 4 == 0) vec(unit(x + 5), unit(y + (i % 3)), unit(x + 9), unit(y + 4), 1 + 2 * (i % 2));
    }
  }
  static int predraw_packet(int flags, int viewport = 1, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0) {
    TestPacket t(24, 16);
    t.i16(4, flags).i16(6, viewport).i16(8, x1).i16(10, y1).i16(12, x2).i16(14, y2);
    EXPECT_EQ(predraw(t.p), 1);
    return t.p.i16(2);
  }
  static int pages(int index) {
    int n = 0;
    for (const DisplayListPage *p = vp_info[index].first_page; p != nullptr; p = p->next) ++n;
    return n;
  }
};

TEST_F(Redraw, AReplayDrawsThePixelsOfTheFirstDrawing) {
  scribble(60);
  TestPacket f(6, 58);
  const int xy[] = {20, 20, 70, 25, 80, 60, 40, 90, 10, 50};
  f.i16(2, 3).i16(6, 5).i16(56, 1);
  for (int k = 0; k < 10; ++k) f.i16(8 + 2 * k, unit(xy[k]));
  pfill(f.p);
  vec(unit(100), unit(100), unit(140), unit(100), 0);  // background colour
  const std::vector<std::uint32_t> first = picture();
  ASSERT_GT(lit(), 200);

  wipe();
  EXPECT_EQ(predraw_packet(2), 1);  // word 108: at one go
  EXPECT_EQ(picture(), first);
  EXPECT_TRUE(vp_info[1].flags & kVpListDrawn);
  EXPECT_EQ(vp_info[1].refresh_redrawn, 1);

  // The old-style packet (no flags) redraws everything too.
  wipe();
  EXPECT_EQ(predraw_packet(0, 0), 1);
  EXPECT_EQ(picture(), first);
}

TEST_F(Redraw, ASlicedRedrawAnswersTwoUntilItsLastPageIsDrawn) {
  init_display_list(1024);
  scribble(300);
  const std::vector<std::uint32_t> first = picture();
  ASSERT_GE(pages(1), 5);
  cfr.word(kWordNonStopRedraw) = 0;
  cfr.word(kWordTimeSlice) = 2;  // two pages a slice with the fake clock

  wipe();
  int replies = 0, status = predraw_packet(2);
  while (status == 2 && replies < 100) {
    ++replies;
    EXPECT_NE(picture(), first);
    status = predraw_packet(4);
  }
  EXPECT_EQ(status, 1);
  EXPECT_GE(replies, pages(1) / 2 - 1);
  EXPECT_EQ(picture(), first);
  EXPECT_GT(clock_reads, 0);
  // A continue after the end finishes at once.
  EXPECT_EQ(predraw_packet(4), 1);

  // All viewports, sliced: the same answers through viewport number 0.
  open(2, 0, 0, 79, 59, 0, 0);
  wipe();
  replies = 0;
  status = predraw_packet(2, 0);
  while (status == 2 && replies < 100) ++replies, status = predraw_packet(4, 0);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(picture(), first);
}

TEST_F(Redraw, AbandoningASlicedRedrawStartsTheNextOneFromTheFirstPage) {
  init_display_list(1024);
  scribble(300);
  const std::vector<std::uint32_t> first = picture();
  cfr.word(kWordNonStopRedraw) = 0;
  cfr.word(kWordTimeSlice) = 2;
  wipe();
  ASSERT_EQ(predraw_packet(2), 2);
  EXPECT_EQ(predraw_packet(8), 1);
  wipe();
  int status = predraw_packet(4), replies = 0;
  while (status == 2 && replies < 100) ++replies, status = predraw_packet(4);
  EXPECT_EQ(picture(), first);
}

TEST_F(Redraw, PagesFreedOrErasedWhileASlicedRedrawIsPausedAreNeverReplayed) {
  init_display_list(1024);
  scribble(300);
  cfr.word(kWordNonStopRedraw) = 0;
  cfr.word(kWordTimeSlice) = 2;
  wipe();
  ASSERT_EQ(predraw_packet(2), 2);
  ASSERT_NE(redraw_list.page, nullptr);
  // The client erases the list (the pages behind the paused replay go).
  EXPECT_EQ(predraw_packet(1), 1);
  EXPECT_EQ(pages(1), 1);
  wipe();
  EXPECT_EQ(predraw_packet(4), 1);
  EXPECT_EQ(lit(), 0);

  // A page freed by colour-0 erasing while paused: the replay starts over.
  cfr.word(kWordDisplayList) = 2;
  for (int i = 0; i < 200; ++i) vec(unit(i % 150), unit(10), unit(i % 150), unit(20 + i / 150), 1);
  ASSERT_GE(pages(1), 3);
  cfr.word(kWordDisplayList) = 1;
  ASSERT_EQ(predraw_packet(2), 2);
  DisplayListPage *paused_at = redraw_list.page;
  ASSERT_NE(paused_at, nullptr);
  cfr.word(kWordDisplayList) = 2;
  vec(1, 1, 2, 2, 0);  // the first colour-0 vector is stored
  const int before = page_count;
  for (int i = 0; i < 200 && page_count == before; ++i)
    vec(unit(i % 150), unit(10), unit(i % 150), unit(20 + i / 150), 0);
  ASSERT_EQ(page_count, before - 1);
  EXPECT_EQ(redraw_list.state, kReplayStart);
  int status = predraw_packet(4), replies = 0;
  while (status == 2 && replies < 100) ++replies, status = predraw_packet(4);
  EXPECT_EQ(status, 1);
}

TEST_F(Redraw, IndicesPastTheTableAnswerOne) {
  EXPECT_EQ(redraw_viewports(65), 1);
  EXPECT_EQ(redraw_viewports(1000), 1);
  EXPECT_EQ(redraw_viewports(-1), 1);
  redraw_next_vp = 65;
  redraw_whole = 0;
  EXPECT_EQ(redraw_viewports(0), 1);
  redraw_whole = 1;
  EXPECT_EQ(redraw_viewports(0), 1);
  // An unknown viewport number answers 1 too.
  EXPECT_EQ(predraw_packet(2, 33), 1);
}

TEST_F(Redraw, TheRepliesOfTheRedrawPacket) {
  vec(unit(10), unit(10), unit(50), unit(10), 1);
  cfr.word(kWordDisplayList) = 0;
  EXPECT_EQ(predraw_packet(2), 0);
  cfr.word(kWordDisplayList) = 1;

  // Level 6: flags erase and ask the client to regenerate; none redraws.
  Pkinit.field[kPkinitLevel] = 6;
  wipe();
  EXPECT_EQ(predraw_packet(0), 1);
  EXPECT_GT(lit(), 0);
  EXPECT_EQ(predraw_packet(3), 0);
  EXPECT_EQ(vp_info[1].fill_offset, 24);

  // A clean request erases every list and answers 0 with viewport 0.
  Pkinit.field[kPkinitLevel] = 8;
  vec(unit(10), unit(10), unit(50), unit(10), 1);
  CleanDisplayList = 1;
  TestPacket t(24, 16);
  t.i16(4, 2).i16(6, 1);
  predraw(t.p);
  EXPECT_EQ(t.p.i16(2), 0);
  EXPECT_EQ(t.p.i16(6), 0);
  EXPECT_EQ(CleanDisplayList, 0);
  EXPECT_EQ(vp_info[1].fill_offset, 24);
}

TEST_F(Redraw, EntitiesAndPagesOutsideTheViewExtentsAreSkipped) {
  vec(unit(10), unit(10), unit(20), unit(10), 1);  // cell (0, 0)
  vp_info[1].extents_mask = static_cast<std::int32_t>(tile_mask_table[7 + 8 * 7]);
  wipe();
  EXPECT_EQ(predraw_packet(2), 1);
  EXPECT_EQ(lit(), 0);
  cfr.word(kWordNonStopRedraw) = 0;
  EXPECT_EQ(predraw_packet(2), 1);
  EXPECT_EQ(lit(), 0);
}

TEST_F(Redraw, ARedrawRectangleCountsFromTheViewWindowsOrigin) {
  // The view window starts in cell column 4 of the coordinate space.
  open(1, 0, 0, kW - 1, kH - 1, 16384, 0);
  TestPacket lo(44, 42);
  lo.i16(2, 1).i16(6, 1);  // perspective flag: extents known at level 8
  plopen(lo.p);
  UpdateViewportView(1);
  ASSERT_TRUE(vp_info[1].flags & kVpExtentsKnown);
  vec(16384 + unit(2), unit(5), 16384 + unit(12), unit(5), 1);
  wipe();
  // The rectangle over that vector's pixels.
  EXPECT_EQ(predraw_packet(2 | 16, 1, 0, 0, 20, 20), 1);
  EXPECT_EQ(kgl_read_composited(7, 5), kRed);
  // A rectangle elsewhere leaves it alone, and the screen mask is undone.
  wipe();
  EXPECT_EQ(predraw_packet(2 | 16, 1, 100, 60, 150, 110), 1);
  EXPECT_EQ(lit(), 0);
  EXPECT_EQ(CurrentMatrixNumber, -1);
  EXPECT_EQ(view_extents, vp_info[1].extents_mask);
}

TEST_F(Redraw, RegenerationDrawsEachPageAsItFillsAndTheRestAtTheEnd) {
  init_display_list(1024);
  DuringRegen = 1;
  for (int i = 0; i < 100; ++i) vec(unit(i), unit(10), unit(i), unit(30), 1);
  ASSERT_EQ(pages(1), 2);
  // The first page was drawn when it filled; the second not yet.
  EXPECT_EQ(kgl_read_composited(5, 20), kRed);
  EXPECT_EQ(kgl_read_composited(95, 20), kBlack);
  EXPECT_FALSE(vp_info[1].flags & kVpListDrawn);
  RegenRedraw(1);
  EXPECT_EQ(kgl_read_composited(95, 20), kRed);
  EXPECT_TRUE(vp_info[1].flags & kVpListDrawn);
  // Iconified: nothing.
  Iconified = 1;
  wipe();
  RegenRedraw(1);
  EXPECT_EQ(lit(), 0);
}

TEST_F(Redraw, TheRegenerationReplayTestsOnlyThePagesTileMask) {
  DuringRegen = 1;
  vec(unit(10), unit(10), unit(20), unit(10), 1);  // cell (0, 0)
  vec(unit(10), unit(50), unit(20), unit(50), 3);
  // The view meets the page through another entity's cell only, and colour
  // 1's layer is off: the replays of a redraw would skip both.
  vp_info[1].extents_mask = static_cast<std::int32_t>(tile_mask_table[2 + 8 * 2]);
  vec(9000, 9000, 9100, 9100, 3);
  layer_ptr[1] = 0;
  RegenRedraw(1);
  layer_ptr[1] = 1;
  EXPECT_EQ(kgl_read_composited(15, 10), kRed);
  EXPECT_EQ(kgl_read_composited(15, 50), kGreen);
}

TEST_F(Redraw, WhileIconifiedASlicedRedrawStaysWhereItWas) {
  init_display_list(1024);
  scribble(300);
  const std::vector<std::uint32_t> first = picture();
  cfr.word(kWordNonStopRedraw) = 0;
  cfr.word(kWordTimeSlice) = 2;
  wipe();
  ASSERT_EQ(predraw_packet(2), 2);
  const RedrawList paused = redraw_list;
  Iconified = 1;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(predraw_packet(4), 2);
  EXPECT_EQ(redraw_list.page, paused.page);
  EXPECT_EQ(redraw_list.state, paused.state);
  Iconified = 0;
  int status = predraw_packet(4), replies = 0;
  while (status == 2 && replies < 100) ++replies, status = predraw_packet(4);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(picture(), first);
}

TEST_F(Redraw, TheTwoColourReplayGoesIntoTheOverlay) {
  vec(unit(10), unit(10), unit(50), unit(10), 1);
  vec(unit(10), unit(20), unit(50), unit(20), 0);
  SelectViewportArea(1);
  rt_redraw(1);
  EXPECT_EQ(static_cast<int>(kgl_read_overlay(30, 10)), UI_light);
  EXPECT_EQ(static_cast<int>(kgl_read_overlay(30, 20)), UI_dark);
  EXPECT_EQ(static_cast<int>(kgl_read_overlay(30, 60)), UI_dark);
  EXPECT_EQ(draw_mode, KGL_NORMALDRAW);
  MySetDrawmode(KGL_OVERDRAW);
  color(0);
  clear();
  MySetDrawmode(KGL_NORMALDRAW);
}

TEST_F(Redraw, TheConfigurationReplayKeepsToItsBudget) {
  for (int i = 0; i < 20; ++i) vec(unit(5 * i), unit(10), unit(5 * i), unit(30), 1);
  tempcfr.word(kWordPageSize) = 24 + 16 * 5;  // room for five entities
  wipe();
  SelectViewportArea(1);
  config_redraw(1);
  EXPECT_EQ(kgl_read_composited(5 * 4, 20), kRed);
  EXPECT_EQ(kgl_read_composited(5 * 6, 20), kBlack);
  tempcfr = cfr;
}

TEST_F(Redraw, AHighlightedRefreshVectorShownWithoutHighlightingIsDrawnInTheBackground) {
  AppendRefreshVector(unit(10), unit(50), unit(90), unit(50), 1, 8, 1);
  AppendRefreshVector(unit(10), unit(60), unit(90), unit(60), 3, 0, 1);
  SelectViewportArea(1);
  // Something under the highlighted one, which the repaint covers.
  vec(unit(10), unit(50), unit(90), unit(50), 1, 0x220);
  RefreshHilight = 0;
  RefreshRedraw(1);
  EXPECT_EQ(kgl_read_composited(50, 50), kBlack);
  EXPECT_EQ(kgl_read_composited(50, 60), kGreen);
  const std::uint32_t *r = page_word(vp_info[1].refresh_first, 24);
  EXPECT_TRUE(r[0] >> 16 & kRefreshShown);
  EXPECT_FALSE(r[3] >> 16 & kRefreshShown);
  // Once shown plain, the next repaint draws it in the background again.
  vec(unit(10), unit(50), unit(90), unit(50), 1, 0x220);
  RefreshHilight = 1;
  RefreshRedraw(1);
  EXPECT_EQ(kgl_read_composited(50, 50), kBlack);
}

TEST_F(Redraw, AnExposureBeforeTheSessionOnlyClearsToTheBackground) {
  vec(unit(10), unit(10), unit(150), unit(10), 1);
  init_called = 0;
  cfr.word(kWordColourGraphics) = 3;
  const RefreshArea area{0, 0, kW, kH};
  adi_refresh(&area);
  EXPECT_EQ(kgl_read_composited(80, 10), kGreen);
  EXPECT_EQ(kgl_read_composited(80, 60), kGreen);
  adi_refresh(nullptr);
}

TEST_F(Redraw, AnExposureRepaintsTheListsInsideItsRectangle) {
  vec(unit(10), unit(10), unit(150), unit(10), 1);
  vec(unit(10), unit(100), unit(150), unit(100), 3);
  vec(5, 50, 150, 50, 1, 1, 0);  // a refresh vector of viewport 0
  const std::vector<std::uint32_t> first = picture();
  wipe();
  // The lower half of the window (y from the top).
  const RefreshArea area{0, static_cast<std::int16_t>(kH / 2 - 5), kW, kH / 2 + 5};
  adi_refresh(&area);
  EXPECT_EQ(kgl_read_composited(80, 10), kRed);
  EXPECT_EQ(kgl_read_composited(80, 50), first[50 * kW + 80]);
  EXPECT_EQ(kgl_read_composited(80, 100), kBlack);
  // The whole window: the first picture again.
  const RefreshArea all{0, 0, kW, kH};
  adi_refresh(&all);
  EXPECT_EQ(picture(), first);
  // Without the refresh list the client is asked to redraw and nothing is drawn.
  cfr.word(kWordRefreshList) = 0;
  wipe();
  adi_refresh(&all);
  EXPECT_EQ(lit(), 0);
}

TEST_F(Redraw, WithItsHooksEmptyTheDrawingLayerRunsAlone) {
  const DisplayHooks filled = display_hooks;
  void (*const writer)(const char *, std::size_t) = user_text_writer;
  display_hooks = DisplayHooks{};
  user_text_writer = nullptr;
  // Pages taken, a box pushed and popped, a redraw asked, a shaded viewport
  // and the rest of the window exposed, a viewport closed, a palette line
  // refused: nothing above is told, and the drawing layer draws all the same.
  scribble(300);
  ASSERT_GT(pages(1), 1);
  const std::vector<std::uint32_t> first = picture();
  TestPacket push(26, 16);
  push.i16(4, 10).i16(6, 10).i16(8, 20).i16(10, 20);
  pboxpush(push.p);
  TestPacket pop(27, 16);
  pop.p.put_u32(12, push.p.u32(12));
  pboxpop(pop.p);
  wipe();
  EXPECT_EQ(predraw_packet(2), 1);
  EXPECT_EQ(picture(), first);
  open(2, 0, 0, 9, 9, 0, 0);
  vp_info[2].flags |= kVpShaded;
  RenderedViewport = 2;
  BirdseyeViewport = 2;
  const int initialized = Initialized;
  Initialized = 1;
  const RefreshArea all{0, 0, kW, kH};
  adi_refresh(&all);
  Initialized = initialized;
  TestPacket close(39, 4);
  close.i16(2, 2);
  pclosevp(close.p);
  EXPECT_EQ(vp_info[2].number, -1);
  EXPECT_EQ(ParsePaletteLine("300,0,0,1"), 0);
  RenderedViewport = 0;
  user_text_writer = writer;
  display_hooks = filled;
}

TEST_F(Redraw, WithoutTheDisplayListTheEnginesDoNothing) {
  vec(unit(10), unit(10), unit(50), unit(10), 1);
  init_redraw(0);
  wipe();
  cfr.word(kWordNonStopRedraw) = 0;
  EXPECT_EQ(predraw_packet(2), 1);
  EXPECT_EQ(lit(), 0);
}

}  // namespace
