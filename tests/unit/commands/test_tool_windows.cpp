// The drawn tool windows: bevels and glyphs pixel by pixel, the command
// palette's file, placement and buttons, and the Birdseye window's
// placement, states and the screen it leaves behind.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <fstream>
#include <string>
#include <vector>

#include "commands/drawn_elements.h"
#include "support/picture.h"
#include "support/test_packet.h"
#include "tool_fixture.h"

namespace {

Picture overlay_picture(int w, int h) { return read_picture(w, h, kgl_read_overlay); }

void in_overlay() {
  MySetDrawmode(KGL_OVERDRAW);
  SelectScreenMatrix();
}

TEST_F(ToolTest, ABevelDrawnOverTheOtherLeavesNoTrace) {
  in_overlay();
  draw_button_outline(40, 40, 80, 60, 1);
  // Lit from the top left: light above, dark below, both half-tone.
  int light = 0, dark = 0;
  for (int x = 42; x < 78; ++x) light += kgl_read_overlay(x, 61) == static_cast<std::uint32_t>(UI_light);
  for (int x = 42; x < 78; ++x) dark += kgl_read_overlay(x, 40) == static_cast<std::uint32_t>(UI_dark);
  EXPECT_EQ(light, 18);
  EXPECT_EQ(dark, 18);
  draw_button_outline(40, 40, 80, 60, 0);
  const Picture both = overlay_picture(W, H);
  MyColor(0);
  clear();
  draw_button_outline(40, 40, 80, 60, 0);
  EXPECT_EQ(overlay_picture(W, H), both);
  MySetDrawmode(KGL_NORMALDRAW);
}

TEST_F(ToolTest, ShadowAndGlyphs) {
  in_overlay();
  const Picture clean = overlay_picture(W, H);
  DropShadow(40, 40, 100, 100, 1);
  EXPECT_NE(overlay_picture(W, H), clean);
  DropShadow(40, 40, 100, 100, 0);
  EXPECT_EQ(overlay_picture(W, H), clean);

  // CharHeight 13: a 2-pixel outline whose lines stand 5 and 8 pixels above y.
  draw_close_box(100, 100, UI_contrast);
  auto lit = [](int x, int y) { return kgl_read_overlay(x, y) != 0; };
  EXPECT_FALSE(lit(110, 104));
  EXPECT_TRUE(lit(110, 105) && lit(110, 106));
  EXPECT_FALSE(lit(110, 107)) << "an outline, not a fill";
  EXPECT_TRUE(lit(110, 108) && lit(110, 109));
  EXPECT_FALSE(lit(110, 110));
  MySetDrawmode(KGL_NORMALDRAW);
}

// ---- the command palette ----------------------------------------------------------------

class Palette : public ToolTest {
 protected:
  std::string dir;
  void SetUp() override {
    ToolTest::SetUp();
    char tmpl[] = "/tmp/kova-palette-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::remove((dir + "/pal.txt").c_str());
    rmdir(dir.c_str());
    ToolTest::TearDown();
  }
  void load(const std::string &text) {
    std::ofstream(dir + "/pal.txt") << text;
    LoadCommandPalette((dir + "/pal.txt").c_str());
  }
  // The centre of button (row, column) with the layout of words 115 to 118.
  static void button_centre(int row, int col, int *x, int *y) {
    const int x1 = cfr.word(kWordPaletteRect), y1 = cfr.word(kWordPaletteRect + 1);
    *x = x1 + 4 + col * (10 * CW + 10) + 5 * CW;
    *y = y1 + 4 + row * (CH + 10) + CH / 2;
  }
};

TEST_F(Palette, FileLinesBecomeLabelsAndCommands) {
  load("# a comment\n*My Tools\n[Zoom All]'.zoom a;\n[Cancel]^c^C^\nplain\n" + std::string(300, 'x') +
       "\nafter\n# the end is a comment\n");
  EXPECT_STREQ(palette_title, "My Tools");
  EXPECT_STREQ(palette_labels[4][0], "Zoom All  ");  // padded to 14, cut at the menu width
  EXPECT_STREQ(palette_commands[4][0], "'.zoom a\n");
  EXPECT_STREQ(palette_labels[4][1], "Cancel    ");
  EXPECT_STREQ(palette_commands[4][1], "\003\003");
  EXPECT_STREQ(palette_labels[4][2], "plain");
  EXPECT_STREQ(palette_commands[4][2], "plain\n");
  EXPECT_EQ(std::string(palette_commands[4][3]), std::string(254, 'x'));
  // The rest of the long line is not a button; the last line stands for
  // the buttons the file does not have.
  EXPECT_STREQ(palette_commands[3][0], "after\n");
  EXPECT_STREQ(palette_commands[0][3], "after\n");
  EXPECT_STREQ(comfile, (dir + "/pal.txt").c_str());
  EXPECT_STREQ(lastcom, "gl_com12.txt");

  // A file of comments only keeps the buttons there are.
  load("# nothing\n");
  EXPECT_STREQ(palette_commands[0][3], "after\n");
}

TEST_F(Palette, PlacementComesBackInsideTheDrawingArea) {
  int x1 = -1, y1 = 0, x2 = 0, y2 = 0;
  InitCommandBox(x1, y1, x2, y2);
  EXPECT_EQ(x2, xmax - 8);
  EXPECT_EQ(x1, xmax - 8 - 4 * 10 * CW - 42);
  EXPECT_EQ(y1, ymin + 8);
  EXPECT_EQ(y2, ymin + 8 + 6 * CH + 60);
  // Past the top: moved down whole; past the right: moved left whole.
  x1 = 100, y1 = ymax - 50, x2 = xmax + 20, y2 = ymax + 50;
  InitCommandBox(x1, y1, x2, y2);
  EXPECT_EQ(x2 - x1, xmax + 20 - 100);
  EXPECT_EQ(x2, xmax);
  EXPECT_EQ(y2, ymax);
  EXPECT_EQ(y1, ymax - 100);
}

// Rectangle words from a damaged configuration file, and a FIFO where the
// palette file should be.
TEST_F(Palette, HostileRectanglesAndFilesAreNoPlace) {
  const int rects[][4] = {{INT_MAX, 10, 10, 100}, {10, INT_MAX, 100, 50}, {0, 0, INT_MAX, INT_MAX}};
  for (const auto &r : rects) {
    for (int i = 0; i < 4; ++i) cfr.word(kWordPaletteRect + i) = r[i];
    DrawCommandBox(1);
    EXPECT_EQ(cfr.word(kWordPaletteRect + 2), xmax - 8) << r[0] << " " << r[1] << " " << r[2];
    EXPECT_EQ(cfr.word(kWordPaletteRect + 1), ymin + 8);
    DrawCommandBox(0);
  }
  const std::string fifo = dir + "/pal.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  LoadCommandPalette(fifo.c_str());  // must not wait for a writer
  EXPECT_STREQ(comfile, "");
  EXPECT_STREQ(palette_commands[4][0], "'rtbird\n");
}

TEST_F(Palette, AButtonClickTypesItsCommandAndTheOverlayIsLeftClear) {
  const Picture clean = overlay_picture(W, H);
  DrawCommandBox(1);
  EXPECT_EQ(commands, 1);
  EXPECT_EQ(CommandState, 10);
  EXPECT_EQ(PdigitizeNeeded, 1);
  EXPECT_NE(overlay_picture(W, H), clean);
  for (const ConfigRecord *r : {&newcfr, &tempcfr}) EXPECT_EQ(r->word(kWordPaletteRect + 2), xmax - 8);

  // Over "Pan   Up" (row 2, column 1), then a pick.
  int x, y;
  button_centre(2, 1, &x, &y);
  TestPacket p(37, 8, {1, 0, 0});
  sample(kDigMove, x, y);
  EXPECT_EQ(command_command(p.p), 1);
  EXPECT_EQ(p.p.i16(2), kDigUsed);
  sample(kDigPick, x, y);
  command_command(p.p);
  EXPECT_EQ(CommandButtonClicked, 1);
  EXPECT_EQ(CommandState, 21);
  EXPECT_EQ(PstringNeeded, 1);
  EXPECT_EQ(overlay_picture(W, H), clean);

  TestPacket request(47, 264, {1, 0});
  pstring(request.p);
  EXPECT_EQ(std::string(request.p.text(8)), "'panuh\n");
  EXPECT_EQ(request.p.u16(6), 0);
  EXPECT_EQ(CommandState, 20);

  // Outside the palette the sample goes back to the client.
  DrawCommandBox(1);
  sample(kDigPick, 2, ymin + 2);
  command_command(p.p);
  EXPECT_EQ(p.p.i16(2), kDigPick);
  DrawCommandBox(0);
  EXPECT_EQ(overlay_picture(W, H), clean);
}

TEST_F(Palette, ClearedPaletteComesBackAsItsStateSays) {
  DrawCommandBox(1);
  ClearCommandPalette(21);
  EXPECT_EQ(commands, 0);
  EXPECT_EQ(CommandState, 21);
  EXPECT_EQ(RestoreCommandPalette(), 1);
  EXPECT_EQ(commands, 1);
  // After a button's command, word 102 = 2 leaves the icon.
  cfr.word(kWordPaletteAfterUse) = 2;
  CommandState = 20, commands = 0;
  EXPECT_EQ(RestoreCommandPalette(), 1);
  EXPECT_EQ(MFLicon, 1);
  EXPECT_EQ(CommandState, 0);
  EXPECT_NE(kgl_read_overlay(xmax - 30, ymin + 30), 0u);
  // Nothing while a box is pushed.
  DrawIconBox(0);
  CommandState = 22, pushcount = 1;
  EXPECT_EQ(RestoreCommandPalette(), 0);
  pushcount = 0;
}

// ---- Birdseye -----------------------------------------------------------------------------

class Birdseye : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    int r[4] = {0, 0, 0, 0};
    InitBirdseye(r[0], r[1], r[2], r[3]);
    for (int i = 0; i < 4; ++i) cfr.word(kWordBirdseyeRect + i) = r[i];
  }
  void open(int mode) {
    BirdseyeMode = mode;
    bview = 1;
    DrawBirdseyeView(0);
  }
  int route(int code, int x, int y) {
    TestPacket p(37, 8, {1, x, y});
    sample(code, x, y);
    switch (BirdseyeState) {
      case 10: beye_command(p.p); break;
      case 11: z_pan(p.p); break;
      case 12: z_scale(p.p); break;
      case 30: beye_pan(p.p); break;
      case 31: beye_scale(p.p); break;
      default: break;
    }
    return p.p.i16(2);
  }
};

TEST_F(Birdseye, PlacementOfTheWindow) {
  // All zeros: the top right quarter of the drawing area.
  EXPECT_EQ(cfr.word(kWordBirdseyeRect + 2), xmax);
  EXPECT_EQ(cfr.word(kWordBirdseyeRect), xmax - xmax / 4);
  EXPECT_EQ(cfr.word(kWordBirdseyeRect + 3), ymax - CH - 8);
  EXPECT_EQ(cfr.word(kWordBirdseyeRect + 1), ymax - CH - 8 - graphy / 4);
  struct Case {
    int in[4], out[4];
  };
  const Case cases[] = {
      {{-20, 100, 80, 150}, {0, 100, 100, 150}},                   // moved right by what is missing
      {{-50, 50, 2 * xmax, 120}, {0, 50, xmax, 120}},              // shrunk to fit, then moved
      {{10, ymax - 10, 60, ymax + 30}, {10, ymax - 40, 60, ymax}},  // moved down
  };
  for (const Case &c : cases) {
    int r[4] = {c.in[0], c.in[1], c.in[2], c.in[3]};
    InitBirdseye(r[0], r[1], r[2], r[3]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r[i], c.out[i]) << c.in[0] << " " << i;
  }
  EXPECT_EQ(BirdseyeViewport, -1);
}

// Rectangle words read from a file after the window was placed, and a view
// window the client sent from far outside the range: the window opens inside
// the drawing area, right side out, and the box follows the pointer.
TEST_F(Birdseye, HostileRectanglesAndViewWindowsStayInside) {
  const int rects[][4] = {{INT_MIN, 0, INT_MAX, 100}, {10, ymax - 5, 100, ymax}, {INT_MAX - 10, 0, INT_MAX, 10}};
  vp_info[1].view_x1 = vp_info[1].view_y1 = INT_MIN;
  vp_info[1].view_x2 = vp_info[1].view_y2 = INT_MAX;
  for (int mode : {0, 1})
    for (const auto &rect : rects) {
      for (int i = 0; i < 4; ++i) cfr.word(kWordBirdseyeRect + i) = rect[i];
      BirdseyeViewport = -1;
      open(mode);
      const int x1 = cfr.word(kWordBirdseyeRect), y1 = cfr.word(kWordBirdseyeRect + 1);
      const int x2 = cfr.word(kWordBirdseyeRect + 2), y2 = cfr.word(kWordBirdseyeRect + 3);
      EXPECT_TRUE(xmin <= x1 && x1 < x2 && x2 <= xmax) << rect[0] << ": " << x1 << ".." << x2;
      EXPECT_TRUE(ymin <= y1 && y1 < y2 && y2 + CH + 8 <= ymax) << rect[1] << ": " << y1 << ".." << y2;
      route(kDigMove, xmax, ymin + 50);
      route(kDigMove, 32767, ymin + 60);
      EXPECT_LE(brx2, kRange - 1);
      cancel_birdseye();
    }
}

TEST_F(Birdseye, ClosingModeZeroPutsTheScreenBackExactly) {
  paint_window(W, H);
  const Picture before = read_picture(W, H, kgl_read_composited);
  open(0);
  EXPECT_EQ(BirdseyeState, 11);
  EXPECT_EQ(BirdseyeViewport, 1);
  EXPECT_NE(read_picture(W, H, kgl_read_composited), before);
  // Motion moves the box; the cancel button closes.
  EXPECT_EQ(route(kDigMove, 60, ymin + 60), kDigUsed);
  EXPECT_EQ(route(kDigOtherButton, 60, ymin + 60), kDigUsed);
  EXPECT_EQ(bview, 0);
  EXPECT_EQ(BirdseyeState, 0);
  EXPECT_EQ(read_picture(W, H, kgl_read_composited), before);
}

// 'RTON while a window of mode 0 is up: closing it still puts back what
// lay under it outside the viewport that mode 1 redraws.
TEST_F(Birdseye, AModeChangedWhileOpenStillPutsTheScreenBack) {
  vp_info[1].x2 = xmax / 2;
  paint_window(W, H);
  const Picture before = read_picture(W, H, kgl_read_composited);
  open(0);
  BirdseyeMode = 1;
  cancel_birdseye();
  const Picture after = read_picture(W, H, kgl_read_composited);
  for (int y = 0; y < H; ++y)
    for (int x = xmax / 2 + 1; x < W; ++x)
      ASSERT_EQ(after[static_cast<std::size_t>(y) * W + x], before[static_cast<std::size_t>(y) * W + x]) << x << "," << y;
}

// The driver's own pointer samples may take the window onto the title bar
// before the client's button arrives; the button still ends the window.
TEST_F(Birdseye, TheClientsButtonsEndTheWindowFromTheTitleBar) {
  paint_window(W, H);
  const Picture before = read_picture(W, H, kgl_read_composited);
  const struct {
    int code, state;
  } cases[] = {{kDigOtherButton, 0}, {kDigSecondButton, 32}};
  for (const auto &c : cases) {
    open(0);
    route(kDigMove, xmax / 2, ymax - 2);
    ASSERT_EQ(BirdseyeState, 10);
    EXPECT_EQ(route(c.code, 10, ymin + 10), kDigUsed);
    EXPECT_EQ(BirdseyeState, c.state) << c.code;
    EXPECT_EQ(bview, 0);
    EXPECT_EQ(read_picture(W, H, kgl_read_composited), before) << c.code;
  }
}

TEST_F(Birdseye, AHeldPickAcceptsAndAClickSwitchesToZooming) {
  open(1);
  EXPECT_EQ(BirdseyeState, 11);
  // A pick released at once (the next sample moves without it): zooming.
  route(kDigPick, 100, ymin + 100);
  route(kDigMove, 100, ymin + 100);
  EXPECT_EQ(BirdseyeState, 12);
  // Back to panning, then a pick held: not yet at 20 ticks, accepted after 30.
  route(kDigPick, 100, ymin + 100);
  route(kDigMove, 101, ymin + 100);
  EXPECT_EQ(BirdseyeState, 11);
  route(kDigPick, 100, ymin + 100);
  tool_clock = 20;
  route(kDigPickDrag, 100, ymin + 100);
  EXPECT_EQ(BirdseyeState, 11);
  tool_clock = 31;
  route(kDigPickDrag, 100, ymin + 100);
  EXPECT_EQ(BirdseyeState, 32);
  EXPECT_EQ(bview, 0);
  EXPECT_EQ(PstringNeeded, 1);
  // The overlay is clear again; the zoom waits for the string request.
  EXPECT_EQ(overlay_picture(W, H), Picture(static_cast<std::size_t>(W) * H, 0));
  cancel_birdseye();
  EXPECT_EQ(BirdseyeState, 32) << "a zoom on its way is not dropped";
}

TEST_F(Birdseye, TheBoxFollowsThePointerWithinTheRange) {
  open(0);
  const int box = brx2 - brx1;
  // The pointer far right: the box stops at the range's last unit.
  route(kDigMove, xmax, ymin + 50);
  EXPECT_EQ(brx2, kRange - 1);
  EXPECT_EQ(brx2 - brx1, box);
  route(kDigMove, 0, ymin);
  EXPECT_EQ(brx1, 1);
  EXPECT_EQ(bry1, 1);
  // The top band stands for the title bar.
  route(kDigMove, xmax / 2, ymax - 2);
  EXPECT_EQ(BirdseyeState, 10);
  route(kDigMove, xmax / 2, ymin + 50);
  EXPECT_EQ(BirdseyeState, 11);
  cancel_birdseye();
}

TEST_F(Birdseye, AViewOfTheWholeRangeOpensZooming) {
  vp_info[1].view_x1 = vp_info[1].view_y1 = 0;
  vp_info[1].view_x2 = vp_info[1].view_y2 = 0x7FFE;
  open(2);
  EXPECT_EQ(BirdseyeState, 12);
  // Zoom windows of a magnification keep to the range.
  int x1, y1, x2, y2;
  vp_info[1].view_x1 = vp_info[1].view_y1 = 10;
  vp_info[1].view_x2 = vp_info[1].view_y2 = 50;
  ZoomWindow(10, x1, y1, x2, y2);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(x2, 101);
  cancel_birdseye();
}

}  // namespace
