// The screen layout of pinit, and the session packets that need no window.
#include <gtest/gtest.h>
#include <unistd.h>

#include "adi/handlers.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/utilities.h"
#include "display/viewports.h"
#include "ui/graph_window.h"

namespace {

constexpr LayoutOptions kDrawn{false, false, false, false};

TEST(ScreenLayout, PromptAreaScreenMenuAndStatusLineAreDrawnWhenAskedFor) {
  // 800 x 600, an 8 x 13 cell, three prompt lines, a 10-character menu.
  ScreenLayout l = ComputeScreenLayout(800, 600, 8, 13, 0x8007, 3, 10, kDrawn);
  EXPECT_TRUE(l.PromptArea);
  EXPECT_TRUE(l.ScreenMenu);
  EXPECT_TRUE(l.StatusLine);
  EXPECT_EQ(l.ymin, 40);          // 3 * 13 + 1, raised to even
  EXPECT_EQ(l.xmax, 800 - 80 - 7);
  EXPECT_EQ(l.ymax, 585);         // 600 - 13 - 1 = 586, even, lowered
  EXPECT_EQ(l.graphy, 599 - 40 - 13);
  EXPECT_EQ(l.maxboxes, 42);      // 546 / 13
  EXPECT_EQ(l.text_columns, 713 / 8);
}

TEST(ScreenLayout, WidgetsTakeOverTheDrawnAreas) {
  ScreenLayout l = ComputeScreenLayout(800, 600, 8, 13, 0x8007, 3, 10, {true, true, true, true});
  EXPECT_FALSE(l.PromptArea);
  EXPECT_FALSE(l.ScreenMenu);
  EXPECT_FALSE(l.StatusLine);
  EXPECT_EQ(l.ymin, 0);
  EXPECT_EQ(l.xmax, 799);
  EXPECT_EQ(l.ymax, 599);  // the menu bar is on: no top line is kept
  EXPECT_EQ(l.graphy, 599);
}

TEST(ScreenLayout, BoxesAreCappedAndColumnsHaveAFloor) {
  ScreenLayout tall = ComputeScreenLayout(300, 2000, 8, 13, 0, 3, 10, kDrawn);
  EXPECT_EQ(tall.maxboxes, 64);
  ScreenLayout narrow = ComputeScreenLayout(120, 200, 8, 13, 0x2, 3, 10, kDrawn);
  EXPECT_EQ(narrow.text_columns, 37);
  // A window too small for the areas has no boxes rather than a negative count.
  ScreenLayout empty = ComputeScreenLayout(10, 5, 8, 13, 0x7, 5, 10, kDrawn);
  EXPECT_EQ(empty.maxboxes, 0);
  // A menu column of any width from the file leaves the area a right edge on
  // the screen (and no overflow on the way).
  for (int chars : {200, 0x7FFFFFFF}) {
    ScreenLayout wide = ComputeScreenLayout(800, 600, 8, 13, 0x2, 3, chars, kDrawn);
    EXPECT_EQ(wide.xmax, 1) << chars;
  }
}

TEST(SessionPackets, ZoomWindowShrinksNeverInvertsAndTheEleventhAnswersTwo) {
  std::uint8_t buf[32] = {};
  pkzoom_xl = 10, pkzoom_yl = 10, pkzoom_xh = 13, pkzoom_yh = 12;
  int statuses[12];
  for (int i = 0; i < 12; ++i) {
    Packet p(buf, sizeof buf, 16);
    p.put_i16(0, 65);
    p.put_i16(2, 1);
    EXPECT_EQ(pkzoom(p), 1);
    statuses[i] = p.i16(4);
    EXPECT_LE(p.i16(6), p.i16(10));
    EXPECT_LE(p.i16(8), p.i16(12));
  }
  EXPECT_EQ(statuses[0], 0);
  EXPECT_EQ(statuses[10], 2);
  EXPECT_LE(pkzoom_xl, pkzoom_xh);
  EXPECT_LE(pkzoom_yl, pkzoom_yh);
  Packet refused(buf, sizeof buf, 16);
  refused.put_i16(2, 4);
  pkzoom(refused);
  EXPECT_EQ(refused.i16(4), 1);
  EXPECT_EQ(pkzoom_ok, 0);
}

TEST(SessionPackets, PwhoRecordsTheCallerAndAnswersTheDriversProcessId) {
  std::uint8_t buf[1200] = {};
  Packet p(buf, sizeof buf, 1192);
  p.put_i16(0, 72);
  p.put_i16(4, 2);   // AutoShade
  p.put_i16(14, 1);  // main application
  p.put_text(88, "shade");
  EXPECT_EQ(pwho(p), 1);
  EXPECT_EQ(WhoIsCalling, &MainApp);
  EXPECT_TRUE(IsAutoShade());
  EXPECT_STREQ(MainApp.text88, "shade");
  EXPECT_EQ(p.u32(1188), static_cast<std::uint32_t>(getpid()));
  // A secondary client gets the other record; a caller kind of no known
  // meaning then fills the record in use, that one, and is answered alike.
  std::uint8_t buf2[1200] = {};
  Packet secondary(buf2, sizeof buf2, 1192);
  secondary.put_i16(4, 5);  // AME
  secondary.put_i16(14, 3);
  EXPECT_EQ(pwho(secondary), 1);
  EXPECT_EQ(WhoIsCalling, &SecondaryApp);
  EXPECT_TRUE(IsAME());
  std::uint8_t buf3[1200] = {};
  Packet odd(buf3, sizeof buf3, 1192);
  odd.put_i16(4, 6);  // Surf
  odd.put_i16(14, 77);
  odd.put_text(24, "odd");
  EXPECT_EQ(pwho(odd), 1);
  EXPECT_EQ(WhoIsCalling, &SecondaryApp);
  EXPECT_EQ(SecondaryApp.caller_kind, 77);
  EXPECT_STREQ(SecondaryApp.text24, "odd");
  EXPECT_TRUE(IsSurf());
  EXPECT_TRUE(IsAutoShade());  // the main record is left as it was
  EXPECT_EQ(odd.u32(1188), static_cast<std::uint32_t>(getpid()));
  MainApp = SecondaryApp = ClientRecord{};
  WhoIsCalling = &MainApp;
}

TEST(SessionPackets, PlangKeepsTheLanguageOptions) {
  std::uint8_t buf[8] = {0, 68, 0, 0x41, 0, 3, 0, 0x7f};
  Packet p(buf, sizeof buf, 8);
  EXPECT_EQ(plang(p), 0);
  EXPECT_EQ(font8bit, 1);
  EXPECT_EQ(sysmenubar, 1);
  EXPECT_EQ(cmchar, 0x41);
  EXPECT_EQ(maxchar, 0x7f);
}

TEST(SessionPackets, CapabilityWords) {
  int menu = use_localmenu;
  use_localmenu = 0;
  cfr.word(kWord32BitList) = 0;
  EXPECT_EQ(CapabilityWord(), 204447u);
  cfr.word(kWord32BitList) = 1;
  EXPECT_EQ(CapabilityWord(), 204447u | 0x40040u);
  use_localmenu = 1;
  cfr.word(kWord32BitList) = 0;
  EXPECT_EQ(CapabilityWord(), 237215u);
  cfr.word(kWordRenderDepth) = 8;
  EXPECT_EQ(ColourCapabilityWord(), 241988u);
  cfr.word(kWordRenderDepth) = 24;
  EXPECT_EQ(ColourCapabilityWord(), 242152u);
  cfr.word(kWordRenderDepth) = 16;
  EXPECT_EQ(ColourCapabilityWord(), 242160u);
  cfr = DefaultConfig();
  use_localmenu = menu;
}

}  // namespace
