// The configuration menus drawn into an off-screen context and driven by
// digitizer samples: their layout, their pixels, what each menu changes, and
// that every screen they cover comes back pixel for pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/config_record.h"
#include "base/events.h"
#include "base/session.h"
#include "base/utilities.h"
#include "commands/prompt.h"
#include "config/config_file.h"
#include "config/config_menus.h"
#include "config/menu_drawing.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

#include "support/picture.h"
#include "support/test_packet.h"

namespace {

constexpr int kCw = 8, kCh = 13;

// Everything the menus read or write, put back after each test.
struct SavedState {
  ConfigRecord c = cfr, n = newcfr, t = tempcfr;
  InitPacket init = Pkinit;
  int *ints[15] = {&xsize,  &ysize,   &CharWidth,       &CharHeight,  &CharDescender,
                   &Initialized, &PromptArea, &ScreenMenu, &StatusLine, &EightBit,
                   &Color16, &PdigitizeNeeded, &OriginalNumberOfPromptLines, &text_echo, &quit_warning};
  int values[15];
  float map[kColourCount][4];
  SavedState() {
    for (int i = 0; i < 15; ++i) values[i] = *ints[i];
    std::memcpy(map, DisplayMap, sizeof map);
  }
  ~SavedState() {
    cfr = c, newcfr = n, tempcfr = t, Pkinit = init;
    for (int i = 0; i < 15; ++i) *ints[i] = values[i];
    std::memcpy(DisplayMap, map, sizeof map);
    WriteConfig = NoWriteConfig = NewConfig = restart_flags = ConfigState = ReloadPalette = 0;
    CurrentMatrixNumber = -1;
  }
};

class ConfigMenus : public ::testing::Test {
 protected:
  int W = 0, H = 0;
  KglContext *ctx = nullptr;
  SavedState saved;
  int allocs = 0;

  void SetUp() override { open(640, 480, 560, 440); }
  void TearDown() override {
    ResetConfigMenus();
    EXPECT_EQ(alloc_count, allocs);
    kgl_offscreen_destroy(ctx);
  }

  // A window w x h whose drawing area is xmax by graphy, the menus laid out.
  void open(int w, int h, int xmax, int graphy) {
    if (ctx != nullptr) kgl_offscreen_destroy(ctx);
    W = w, H = h;
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    xsize = W, ysize = H, CharWidth = kCw, CharHeight = kCh, CharDescender = 3;
    Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
    Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(graphy);
    Pkinit.field[kPkinitLevel] = 8;
    Pkinit.field[kPkinitFlags] = kInitFullSession;
    Initialized = 1;
    PromptArea = ScreenMenu = StatusLine = EightBit = Color16 = 0;
    OriginalNumberOfPromptLines = 3;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, static_cast<float>(W - 1), 0, static_cast<float>(H - 1));
    getmatrix(ScreenMatrix);
    CurrentMatrixNumber = -1;
    draw_mode = KGL_NORMALDRAW;
    for (int i = 0; i < kColourCount; ++i) {  // a colour of its own for every index
      DisplayMap[i][0] = static_cast<float>(i) / 255.0f;
      DisplayMap[i][1] = static_cast<float>((i * 7) & 0xFF) / 255.0f;
      DisplayMap[i][2] = static_cast<float>(255 - i) / 255.0f;
    }
    cfr = newcfr = tempcfr = DefaultConfig();
    ResetConfigMenus();
    InitializeConfigMenus();
    allocs = alloc_count;
  }

  static std::uint32_t rgb(int index) {
    const std::uint32_t c = get_rgb_color(index);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  }
  static std::uint32_t at(int x, int y) { return kgl_read_composited(x, y); }
  Picture picture() const { return read_picture(W, H, kgl_read_composited); }

  // The configuration command: the screen opens on the main menu.
  void configure() {
    NewConfig = 1;
    ConfigState = 1;
    InitializeConfigMenus();
    DoConfig();
  }
  // A routed sample as the digitizer packet hands it to what is open.
  void send(int code, int x, int y) {
    Original[1] = static_cast<std::int16_t>(code);
    Original[2] = static_cast<std::int16_t>(x);
    Original[3] = static_cast<std::int16_t>(y);
    TestPacket t(37, 8, {1, x, y});
    int (*const handlers[])(Packet &) = {ConfigMainMenu, ConfigWarningBox, ConfigOptionsMenu,
                                         ConfigPromptMenu, ConfigPageMenu, ConfigAUIMenu};
    const int state = NewConfig ? ConfigState : quit_warning ? 2 : 0;
    ASSERT_TRUE(state >= 1 && state <= 6) << "nothing open";
    EXPECT_EQ(handlers[state - 1](t.p), 1);
    EXPECT_EQ(t.p.i16(2), kDigUsed);
  }
  void pick(const MenuItem &it) { send(kDigPick, (it.x1 + it.x2) / 2, (it.y1 + it.y2) / 2); }
  void move_to(const MenuItem &it) { send(kDigMove, (it.x1 + it.x2) / 2, (it.y1 + it.y2) / 2); }
};

std::vector<int> rect(int x1, int y1, int x2, int y2) { return {x1, y1, x2, y2}; }
std::vector<int> rect(const MenuItem &it) { return rect(it.x1, it.y1, it.x2, it.y2); }
std::vector<int> rect(const ConfigMenu &m) { return rect(m.x1, m.y1, m.x2, m.y2); }

// ---- layout --------------------------------------------------------------------------

struct LayoutCase {
  int w, h, xmax, graphy;
  std::vector<int> main, main_row0, ok, cancel;
  int options_y1, prompt_y1, colours_y1, sub_y2;
  int chooser_cx1, chooser_y0, chooser_s, chooser_top;
  std::vector<int> page, track;  // x1, bottom, x2, top
  int pulldown_y1, sample_top;
};

TEST_F(ConfigMenus, EveryMenuIsLaidOutFromTheWindowAndTheCell) {
  const LayoutCase cases[] = {
      {640, 480, 560, 440, {8, 260, 416, 370}, {40, 328, 384, 341}, {101, 268, 165, 281}, {258, 268, 322, 281},
       178, 243, 74, 366, 469, 60, 19, 402, {140, 109, 513, 436}, {155, 190, 498, 200}, 336, 466},
      {1280, 1024, 1200, 990, {8, 696, 416, 806}, {40, 764, 384, 777}, {101, 704, 165, 717}, {258, 704, 322, 717},
       614, 679, 510, 802, 532, 128, 40, 848, {300, 323, 1100, 925}, {315, 404, 1085, 414}, 880, 1010},
  };
  for (const LayoutCase &c : cases) {
    SCOPED_TRACE(c.w);
    open(c.w, c.h, c.xmax, c.graphy);
    EXPECT_EQ(rect(MainMenu), c.main);
    EXPECT_EQ(MainMenu.rows, 4);
    EXPECT_EQ(rect(MainMenu.item[1]), c.main_row0);
    EXPECT_EQ(MainMenu.item[4].y1, c.main_row0[1] - 3 * kCh);
    EXPECT_EQ(rect(MainMenu.item[kMenuOk]), c.ok);
    EXPECT_EQ(rect(MainMenu.item[kMenuCancel]), c.cancel);
    EXPECT_EQ(MainMenu.item[kMenuTitle].x1, 100);
    const ConfigMenu *subs[3] = {&OptionsMenu, &PromptMenu, &ColorsMenu};
    const int y1s[3] = {c.options_y1, c.prompt_y1, c.colours_y1}, rows[3] = {10, 5, 18};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(rect(*subs[k]), rect(kCw + 4, y1s[k], kCw + 4 + 50 * kCw, c.sub_y2));
      EXPECT_EQ(subs[k]->rows, rows[k]);
      EXPECT_EQ(subs[k]->item[kMenuOk].y1, y1s[k] + 8);
    }
    EXPECT_EQ((std::vector<int>{ColorChooser.cx1, ColorChooser.y0, ColorChooser.s, ColorChooser.y2}),
              (std::vector<int>{c.chooser_cx1, c.chooser_y0, c.chooser_s, c.chooser_top}));
    const PageMenuLayout &g = PageLayout;
    EXPECT_EQ(rect(g.x1, g.bottom, g.x2, g.top), c.page);
    EXPECT_EQ(rect(g.track_x1, g.track_y1, g.track_x2, g.track_y2), c.track);
    EXPECT_EQ(PageMenu.item[kMenuOk].y1, c.page[1] + 8);
    EXPECT_EQ(ColorSamples[kSamplePulldown].y1, c.pulldown_y1);
    const ColorSampleArea &bar = ColorSamples[kSampleMenuBar];
    EXPECT_EQ(rect(bar.x1, bar.y1, bar.x2, bar.y2), rect(0, c.sample_top, c.w - 1, c.h - 1));
  }
}

// ---- drawing -----------------------------------------------------------------------------

TEST_F(ConfigMenus, PanelItemsAndTheHighlight) {
  SelectScreenMatrix();
  DrawMenuPanel(100, 100, 300, 200);
  EXPECT_EQ(at(100, 200), rgb(0));  // edge
  EXPECT_EQ(at(300, 150), rgb(0));
  EXPECT_EQ(at(102, 150), rgb(8));  // shade
  EXPECT_EQ(at(297, 103), rgb(8));
  EXPECT_EQ(at(200, 150), rgb(5));  // inside

  MenuItem items[2] = {{"WW", 120, 120, 160, 120 + kCh, 128, 0, 0}, {"WW", 120, 120, 160, 120 + kCh, 128, 0, 1}};
  auto label_pixels = [&](int colour) {
    int n = 0;
    for (int y = 121; y < 120 + kCh; ++y)
      for (int x = 121; x < 160; ++x) n += at(x, y) == rgb(colour);
    return n;
  };
  DrawMenuItem(0, 7, 5, items);
  EXPECT_GT(label_pixels(7), 0);
  EXPECT_EQ(at(120, 120), rgb(7));  // outline
  EXPECT_EQ(at(150, 121), rgb(5));  // background
  DrawMenuItem(1, 7, 5, items);     // blocked: a grey label
  EXPECT_EQ(label_pixels(7), 0);
  EXPECT_GT(label_pixels(kBlockedLabelColour), 0);
  DrawMenuButton(7, 5, items[1]);  // a button is never grey
  EXPECT_GT(label_pixels(7), 0);

  const Picture before = picture();
  HighlightMenuItem(items[0]);
  EXPECT_NE(at(150, 123), rgb(5));
  EXPECT_EQ(at(121, 121), rgb(5));  // two pixels inside the box only
  HighlightMenuItem(items[0]);
  EXPECT_EQ(picture(), before);
}

// ---- the driver options -------------------------------------------------------------------

TEST_F(ConfigMenus, EachOptionCyclesItsWordAndShowsTheNewValue) {
  struct Case {
    int row, word, from, to;
    const char *label;
  };
  const Case cases[] = {
      {0, kWordScreenMode, 0, 1, "Dual screen mode:          ON"},
      {0, kWordScreenMode, 1, 2, "Default screen mode:       ON"},
      {0, kWordScreenMode, 2, 0, "Single screen mode:        ON"},
      {1, kWordDoubleBuffer, 1, 0, "Single buffer mode:        ON"},
      {1, kWordDoubleBuffer, 0, 1, "Double buffer mode:        ON"},
      {2, kWordPaletteAfterUse, 0, 1, "Command Palette REMAINS   after use"},
      {2, kWordPaletteAfterUse, 1, 2, "Command Palette ICONIFIES after use"},
      {2, kWordPaletteAfterUse, 2, 0, "Command Palette CLOSES    after use"},
      {4, kWordNonStopRedraw, 1, 0, "Interruptable redraws:     ON"},
      {4, kWordNonStopRedraw, 0, 1, "Nonstop redraws:           ON"},
      {5, kWordDisplayList, 0, 1, "Display List:              ON"},
      {5, kWordDisplayList, 1, 2, "Display List:              RT Clean"},
      {5, kWordDisplayList, 2, 1, "Display List:              ON"},
      {6, kWordListDrag, 1, 0, "Display list dragging:     OFF"},
      {7, kWordBirdseyeAlways, 0, 1, "Always allow Birdseye:     ON"},
      {7, kWordBirdseyeAlways, 1, 0, "Birdseye when zoomable:    ON"},
      {8, kWord32BitList, 0, 1, "32-bit Display List:       ON"},
      {8, kWord32BitList, 1, 0, "16-bit Display List:       ON"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    cfr.word(c.word) = c.from;
    configure();
    pick(MainMenu.item[1]);
    pick(OptionsMenu.item[c.row + 1]);
    EXPECT_EQ(newcfr.word(c.word), c.to);
    EXPECT_EQ(cfr.word(c.word), c.from);
    EXPECT_STREQ(OptionsMenu.item[c.row + 1].label, c.label);
    // Cancel (or Escape, which the integration tests type) leaves the
    // options and keeps the change; in the main menu it drops it.
    pick(OptionsMenu.item[kMenuCancel]);
    EXPECT_EQ(ConfigState, 1);
    EXPECT_EQ(newcfr.word(c.word), c.to);
    pick(MainMenu.item[kMenuCancel]);
    EXPECT_EQ(newcfr.word(c.word), c.from);
    EXPECT_EQ(NoWriteConfig, 1);
  }
}

TEST_F(ConfigMenus, BlockedRowsNeverLightUpNorChange) {
  struct Case {
    int eight_bit, level;
    bool buffer_blocked, width_blocked;
  };
  for (const Case &c : {Case{0, 8, false, false}, Case{0, 7, false, true}, Case{1, 8, true, false}}) {
    SCOPED_TRACE(c.level * 10 + c.eight_bit);
    EightBit = c.eight_bit;
    Pkinit.field[kPkinitLevel] = static_cast<std::uint16_t>(c.level);
    cfr.word(kWord32BitList) = 1;
    newcfr = cfr;
    InitializeConfigMenus();
    EXPECT_EQ(OptionsMenu.item[2].blocked != 0, c.buffer_blocked);
    EXPECT_EQ(OptionsMenu.item[9].blocked != 0, c.width_blocked);
    EXPECT_TRUE(OptionsMenu.item[4].blocked && OptionsMenu.item[10].blocked);
    EXPECT_STREQ(OptionsMenu.item[9].label,
                 c.level >= 8 ? "32-bit Display List:       ON" : "16-bit Display List:       ON");
    if (c.eight_bit) {
      EXPECT_STREQ(OptionsMenu.item[2].label, "Single buffer mode:        ON");
      EXPECT_EQ(newcfr.word(kWordDoubleBuffer), 0);
    }
  }
  configure();
  pick(MainMenu.item[1]);
  const Picture before = picture();
  move_to(OptionsMenu.item[4]);  // the spy glass
  pick(OptionsMenu.item[4]);
  EXPECT_EQ(OptionsMenu.item[4].highlighted, 0);
  EXPECT_EQ(picture(), before);
  EXPECT_EQ(newcfr.word(kWordSpyGlass), cfr.word(kWordSpyGlass));
}

// ---- leaving: restart flags and the warning box -------------------------------------------

TEST_F(ConfigMenus, OkWritesAtOnceOrAfterTheWarningWhenARestartIsNeeded) {
  paint_window(W, H);
  const Picture painted = picture();
  configure();
  pick(MainMenu.item[2]);
  pick(PromptMenu.item[4]);
  EXPECT_EQ(newcfr.word(kWordPromptLines), 3);  // the submenu edits tempcfr
  pick(PromptMenu.item[kMenuOk]);
  EXPECT_EQ(restart_flags, kRestartPromptLines);
  pick(MainMenu.item[2]);
  pick(PromptMenu.item[3]);  // back to the count at start
  pick(PromptMenu.item[kMenuOk]);
  EXPECT_EQ(restart_flags, 0);

  pick(MainMenu.item[1]);
  pick(OptionsMenu.item[1]);  // screen mode 2 -> 0
  pick(OptionsMenu.item[1]);  // 0 -> 1
  pick(OptionsMenu.item[9]);  // the other display-list width
  pick(OptionsMenu.item[kMenuOk]);
  EXPECT_EQ(restart_flags, kRestart32BitList);
  move_to(MainMenu.item[kMenuOk]);
  pick(MainMenu.item[kMenuOk]);
  EXPECT_EQ(text_echo, 1);  // the edited mode has the text window
  EXPECT_EQ(ConfigState, 2);
  EXPECT_EQ(WriteConfig, 0);
  send(kDigPick, 1, 1);  // any pick dismisses the box
  EXPECT_EQ(WriteConfig, 1);
  EXPECT_EQ(NewConfig, 0);
  EXPECT_FALSE(ConfigScreenShown());
  EXPECT_EQ(picture(), painted);
}

TEST_F(ConfigMenus, TheCloseOrQuitWarningComesAndGoesOnItsOwn) {
  paint_window(W, H);
  const Picture painted = picture();
  DoWarningBox(2);
  EXPECT_EQ(quit_warning, 1);
  EXPECT_STREQ(WarningMenu.item[1].label, "You have selected the Close or Quit menu item.");
  EXPECT_STREQ(WarningMenu.item[kMenuOk].label, "   OK   ");
  DoWarningBox(1);  // a second box over the first keeps the first screen
  EXPECT_STREQ(WarningMenu.item[4].label, "to the operating system before resuming.");
  move_to(WarningMenu.item[kMenuOk]);
  EXPECT_EQ(WarningMenu.item[kMenuOk].highlighted, 1);
  send(kDigSecondButton, 5, 5);
  EXPECT_EQ(quit_warning, 0);
  EXPECT_EQ(WriteConfig, 0);
  EXPECT_EQ(picture(), painted);
}

// ---- the page size ----------------------------------------------------------------------

TEST_F(ConfigMenus, TheSliderRunsFromOneTo255KilobytesAndPlacesTheKnob) {
  const PageMenuLayout &g = PageLayout;
  const int width = g.track_x2 - g.track_x1 + 1;
  EXPECT_EQ(PageSizeAt(g.track_x1 - 50), 1024);
  EXPECT_EQ(PageSizeAt(g.track_x2), 255 * 1024);
  EXPECT_EQ(PageSizeAt(g.track_x2 + 50), 255 * 1024);
  EXPECT_EQ(PageKnobX(1024), g.track_x1);
  EXPECT_EQ(PageKnobX(255 * 1024), g.track_x1 + static_cast<int>(254.0f * (static_cast<float>(width) / 255.0f)));
  EXPECT_EQ(PageKnobX(1 << 20), PageKnobX(255 * 1024));

  configure();
  pick(MainMenu.item[3]);
  EXPECT_EQ(PageLayout.knob_shown, 0);
  send(kDigMove, g.x1 + 20, g.knob_y);  // the first sample in the slider shows the knob
  EXPECT_EQ(at(PageKnobX(tempcfr.word(kWordPageSize)), g.knob_y), rgb(7));
  send(kDigPickDrag, g.track_x2, g.knob_y);
  EXPECT_EQ(tempcfr.word(kWordPageSize), 255 * 1024);
  EXPECT_EQ(at(g.track_x2, g.knob_y), rgb(7));
  EXPECT_EQ(newcfr.word(kWordPageSize), cfr.word(kWordPageSize));
  pick(PageMenu.item[kMenuOk]);
  EXPECT_EQ(newcfr.word(kWordPageSize), 255 * 1024);

  open(40, 480, 40, 440);  // no room for a track
  EXPECT_EQ(PageSizeAt(10), 0);
}

// ---- the screen colours ---------------------------------------------------------------------

TEST_F(ConfigMenus, TheChooserScrollsWithinTheColoursAndMarksThePickedRowsColour) {
  for (const auto &[index, text] : {std::pair{7, "  7"}, {45, " 45"}, {100, "100"}}) {
    char s[4];
    FormatColorIndex(index, s);
    EXPECT_STREQ(s, text);
  }
  const ColorChooserLayout &c = ColorChooser;
  const int up = c.y0 + 16 * c.s;
  auto swatch = [&](int i) { send(kDigPick, c.cx1 + c.s / 2, c.y0 + i * c.s + c.s / 2); };
  auto marked = [&](int i) { return at(c.x1 + c.s / 2, c.y0 + i * c.s + c.s / 2) == rgb(0); };
  configure();
  pick(MainMenu.item[4]);
  pick(ColorsMenu.item[4]);  // text, colour 7
  EXPECT_TRUE(marked(7));
  swatch(12);
  EXPECT_EQ(tempcfr.word(kWordColourText), 12);
  EXPECT_STREQ(ColorsMenu.item[4].label, "Text                               :  12");
  EXPECT_TRUE(marked(12));
  EXPECT_FALSE(marked(7));

  EXPECT_EQ(at(c.cx1, up), rgb(8));  // the up box's outline
  for (int i = 0; i < 20; ++i) swatch(16);
  EXPECT_EQ(c.first, 240);
  EXPECT_EQ(at(c.cx1 + 1, c.y0 + 15 * c.s + 1), rgb(255));
  for (int i = 0; i < kSwatches; ++i) EXPECT_FALSE(marked(i));  // 12 is not shown
  for (int i = 0; i < 20; ++i) swatch(-1);
  EXPECT_EQ(c.first, 0);

  Color16 = 1;
  DrawColorChooser();
  EXPECT_EQ(at(c.cx1, up), rgb(5));  // no arrow boxes
  swatch(16);
  EXPECT_EQ(c.first, 0);  // and no scrolling
  pick(ColorsMenu.item[kMenuCancel]);  // leaving keeps the edit
  EXPECT_EQ(newcfr.word(kWordColourText), 12);
}

TEST_F(ConfigMenus, ARowPickReplacesTheSamplesAndEverythingComesBack) {
  paint_window(W, H);
  const Picture painted = picture();
  configure();
  pick(MainMenu.item[4]);
  const Picture menu = picture();
  const ColorSampleArea &bar = ColorSamples[kSampleMenuBar], &pull = ColorSamples[kSamplePulldown];
  const std::size_t pull_pixel = static_cast<std::size_t>(pull.y1 + 2) * W + pull.x1 + 2;
  pick(ColorsMenu.item[13]);  // pull-down foreground
  EXPECT_TRUE(bar.shown && pull.shown);
  EXPECT_EQ(at(pull.x1 + 2, pull.y1 + 2), rgb(EditedColor(kWordColourPulldown)));
  pick(ColorsMenu.item[10]);  // menu bar foreground
  EXPECT_TRUE(bar.shown && !pull.shown);
  EXPECT_EQ(at(pull.x1 + 2, pull.y1 + 2), menu[pull_pixel]);
  EXPECT_EQ(at(W - 1, bar.y1 + 2), rgb(EditedColor(kWordColourMenuBar + 2)));  // the window's right edge
  pick(ColorsMenu.item[1]);  // the exclusive-or grid on the background
  pick(ColorsMenu.item[kMenuOk]);
  pick(MainMenu.item[kMenuCancel]);
  EXPECT_EQ(picture(), painted);
}

// ---- repaints -------------------------------------------------------------------------------

TEST_F(ConfigMenus, ARepaintKeepsTheEditsAndWhatWasOpen) {
  paint_window(W, H);
  const Picture painted = picture();
  configure();
  pick(MainMenu.item[2]);
  pick(PromptMenu.item[5]);
  move_to(PromptMenu.item[kMenuCancel]);
  const Picture shown = picture();

  // The whole window, then a part of it, painted again as it was beneath.
  paint_window(W, H);
  RepaintConfigScreen(0, 0, W - 1, H - 1);
  EXPECT_EQ(picture(), shown);
  Picture part;
  for (int y = 250; y <= 400; ++y)
    for (int x = 50; x <= 200; ++x) part.push_back((x * 4) | (y * 5) << 8 | ((x + y) & 0xFF) << 16);
  lrectwrite(50, 250, 200, 400, part.data());  // as paint_window paints
  RepaintConfigScreen(50, 250, 200, 400);
  EXPECT_EQ(picture(), shown);
  EXPECT_EQ(tempcfr.word(kWordPromptLines), 5);

  pick(PromptMenu.item[kMenuOk]);
  EXPECT_EQ(newcfr.word(kWordPromptLines), 5);
  pick(MainMenu.item[kMenuCancel]);
  EXPECT_EQ(picture(), painted);
}

}  // namespace
