// Screen switching, the text-screen packets and the screen-menu highlight,
// against an off-screen context.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "adi/main_loop.h"
#include "adi/screen_mode.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/events.h"
#include "channel_fixture.h"
#include "commands/prompt.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"
#include "support/test_packet.h"
#include "ui/graph_window.h"

namespace {


class ScreenModeTest : public ::testing::Test {
 protected:
  static constexpr int W = 200, H = 150, XMAX = 120, CH = 13, CD = 3;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  int saved[6] = {xsize, ysize, CharHeight, CharDescender, maxboxes, static_cast<int>(Pkinit.field[kPkinitWidth])};

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    xsize = W, ysize = H, CharHeight = CH, CharDescender = CD, maxboxes = 8, pboxno = 2, tcursy = 100;
    Pkinit.field[kPkinitWidth] = XMAX;
    use_localsidemenu = PromptArea = Initialized = 0;
    cfr.word(kWordScreenMode) = 0, cfr.word(kWordColourXor) = 9, cfr.word(kWordDoubleBuffer) = 0, cfr.word(kWordRefreshList) = 1;
    const float magenta[3] = {1, 0, 1}, grey[3] = {0.5f, 0.5f, 0.5f};
    std::memcpy(DisplayMap[9], magenta, sizeof magenta);
    std::memcpy(DisplayMap[10], grey, sizeof grey);
    draw_mode = KGL_NORMALDRAW;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, W - 1, 0, H - 1);
    getmatrix(ScreenMatrix);
    CurrentMatrixNumber = -1;
    MenuItemOn = menubar = 0;
    reset_blank_highlight();
  }
  void TearDown() override {
    if (output_fd) std::fclose(output_fd), output_fd = nullptr;
    kgl_offscreen_destroy(ctx);
    xsize = saved[0], ysize = saved[1], CharHeight = saved[2], CharDescender = saved[3], maxboxes = saved[4];
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(saved[5]);
    use_localsidemenu = textmode = pboxno = tcursy = 0;
    CurrentMatrixNumber = -1;
    char_pkt = {};
  }

  static std::vector<std::uint32_t> screen() {
    std::vector<std::uint32_t> out;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) out.push_back(kgl_read_composited(x, y));
    return out;
  }
  // A picture the highlight must give back exactly.
  static std::vector<std::uint32_t> draw_picture() {
    SetClippingRectangle(0, W - 1, 0, H - 1, kMatrixScreen);
    FilledBox(0, 0, W - 1, H - 1, 10, 0);
    FilledBox(130, 90, 170, 120, 9, 0);
    FilledBox(100, 95, 140, 99, 0, 0);
    return screen();
  }
};

TEST_F(ScreenModeTest, OnlyScreenModeTwoRaisesAWindow) {
  for (int mode : {0, 1, 2, 3}) {
    cfr.word(kWordScreenMode) = mode;
    EXPECT_EQ(GetScreenMode(), mode == 1 || mode == 3);
    SetClippingRectangle(0, W - 1, 0, H - 1, kMatrixScreen);
    SetScreenMode(0);
    EXPECT_EQ(textmode, 1);
    SetScreenMode(1);
    EXPECT_EQ(textmode, 0);
    // Making the graphics window current forgets the loaded matrix.
    EXPECT_EQ(CurrentMatrixNumber, mode == 2 ? -1 : kMatrixScreen) << mode;
  }
}

TEST_F(ScreenModeTest, TheHighlightTakenOffLeavesTheScreenAsBefore) {
  const std::vector<std::uint32_t> before = draw_picture();
  TestPacket on(11, 8), off(12, 8);
  on.p.put_i16(2, 77);
  EXPECT_EQ(phlite(on.p), 1);
  EXPECT_EQ(on.p.i16(2), 0);
  EXPECT_EQ(MenuItemOn, 1);
  EXPECT_EQ(refresh_tcursy, tcursy);
  EXPECT_EQ(menubar, 1);
  // Only the row of the menu column changed: from xmax + 2 to the right edge.
  const std::vector<std::uint32_t> lit = screen();
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const bool inside = x >= XMAX + 2 && y >= tcursy - CD && y <= tcursy + CH - CD - 1;
      ASSERT_EQ(lit[y * W + x] != before[y * W + x], inside) << x << "," << y;
    }
  EXPECT_EQ(pdhlite(off.p), 1);
  EXPECT_EQ(MenuItemOn, 0);
  EXPECT_EQ(screen(), before);

  // The repaint draws the kept item at its own row, wherever the cursor is.
  phlite(on.p);
  tcursy = 40;
  TurnOnMenuItem();
  EXPECT_EQ(screen(), before);
  // No highlight for boxes outside the menu.
  for (int box : {8, -1}) {
    pboxno = box;
    phlite(on.p);
    EXPECT_EQ(screen(), before) << box;
  }
}

TEST_F(ScreenModeTest, BlankBoxesRepeatTheArrowKeyUntilTheFirstOneComesRound) {
  ChannelFixture f;
  use_localsidemenu = 1;
  auto highlight = [](int box, const char *label, std::size_t length = 0) {
    char_pkt = {13, static_cast<std::int16_t>(box), 10};
    TestPacket p(11, length ? length : 7 + std::strlen(label));
    p.p.put_i16(4, length ? 200 : static_cast<int>(std::strlen(label)));
    std::memcpy(p.bytes + 6, label, std::strlen(label));
    phlite(p.p);
  };
  // No arrow key seen yet: nothing is made up (a key 0 would reach the client).
  highlight(3, "   ");
  EXPECT_TRUE(f.event_frames().empty());

  // queue_key keeps Up and Down to itself; a key it passes on shows each
  // repeat on the event pipe.
  reset_blank_highlight();
  last_arrow_key = kKeyLeft;
  highlight(3, "   ");
  highlight(3, "");
  highlight(4, " ");
  highlight(5, " ");
  EXPECT_EQ(f.event_frames().size(), 3u);
  // A menu of blank boxes only: the highlight stops where the run began.
  highlight(3, " ");
  EXPECT_TRUE(f.event_frames().empty());
  highlight(4, "LINE");  // a labelled box ends the run
  highlight(4, "  ");
  EXPECT_EQ(f.event_frames().size(), 1u);
  // A length of 200 is cut to the packet: the six blanks in it, not the text after.
  highlight(5, "      LINE", 12);
  EXPECT_EQ(f.event_frames().size(), 1u);
}

TEST_F(ScreenModeTest, TextScreenPacketsAnswerAsDocumented) {
  output_fd = std::tmpfile();
  TestPacket textu(18, 4), show(54, 4), chr(49, 4), clr(50, 2), text(17, 4), graph(19, 4);
  EXPECT_EQ(pgotextu(textu.p), 1);
  EXPECT_EQ(textmode, 1);
  for (int arg : {0, 1, 2}) {
    show.p.put_i16(2, arg);
    EXPECT_EQ(ptxtshow(show.p), 1);
    EXPECT_EQ(textmode, arg == 2);
  }
  // On the text screen a character is echoed, its high byte dropped.
  keyboard_pressed = 1;
  chr.p.put_i16(2, 0x1251);
  EXPECT_EQ(ptxtchar(chr.p), 0);
  EXPECT_EQ(keyboard_pressed, 0);
  EXPECT_EQ(ptxtclr(clr.p), 0);
  // Without a text display, going to the text screen prints 25 line feeds.
  textmode = 0;
  EXPECT_EQ(pgotext(text.p), 1);
  EXPECT_EQ(textmode, 1);
  std::fflush(output_fd);
  std::rewind(output_fd);
  char got[64] = {};
  EXPECT_EQ(std::fread(got, 1, sizeof got, output_fd), 51u);
  EXPECT_EQ(std::string(got), "Q" + std::string(50, '\n'));

  // Back to graphics: 4 in the reply, and the session's start is over.
  afterpinit = aftershell = 1;
  EXPECT_EQ(pgograph(graph.p), 1);
  EXPECT_EQ(graph.p.i16(2), 4);
  EXPECT_EQ(textmode, 0);
  EXPECT_EQ(afterpinit + aftershell, 0);
  aftershell = 1;  // later switches leave a SHELL's flag alone
  pgograph(graph.p);
  EXPECT_EQ(aftershell, 1);
  aftershell = 0;
}

}  // namespace
