// The status bar's and the side menu's rules that need no X: mode lines, the
// coordinate button's width, the swatch colours, box counts and labels.
#include <gtest/gtest.h>

#include <string>

#include "ui/side_menu_rules.h"
#include "ui/status_logic.h"

namespace {

int lead_81(int byte) { return byte == 0x81; }

TEST(ModeLine, LayerAndModesInBothFormsElseAMacro) {
  struct Case {
    const char *text;
    bool parsed;
    const char *layer;
    bool ortho, snap, tablet, paper;
  } cases[] = {
      {"L:0 OSP", true, "0", true, true, false, true},
      {"Layer 0 Ortho Snap", true, "0", true, true, false, false},
      {"Layer WALLS Tablet P", true, "WALLS", false, false, true, true},
      {"  L:DOORS   T  ", true, "DOORS", false, false, true, false},
      {"L:", true, "", false, false, false, false},
      {"Layer", false, "", false, false, false, false},
      {"Elev 0.0 Thick 0", false, "", false, false, false, false},
      {"", false, "", false, false, false, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    ModeLine m;
    ASSERT_EQ(parse_mode_line(c.text, m), c.parsed);
    EXPECT_EQ(m.layer, c.layer);
    EXPECT_EQ(m.ortho, c.ortho);
    EXPECT_EQ(m.snap, c.snap);
    EXPECT_EQ(m.tablet, c.tablet);
    EXPECT_EQ(m.paper, c.paper);
  }
}

TEST(ModeLine, TheLayerNameKeeps31BytesWithoutCuttingAPair) {
  ModeLine m;
  ASSERT_TRUE(parse_mode_line(("L:" + std::string(40, 'A')).c_str(), m));
  EXPECT_EQ(m.layer, std::string(31, 'A'));
  std::string name = std::string(30, 'B') + "\x81\x40" + "C";
  ASSERT_TRUE(parse_mode_line(("Layer " + name).c_str(), m, lead_81));
  EXPECT_EQ(m.layer, std::string(30, 'B'));
}

TEST(StatusBar, TheCoordinateButtonWidensTo19To28CharactersAndNeverNarrows) {
  int chars = -1;
  const int lengths[] = {5, 22, 40, 10};
  const int want[] = {19, 22, 28, 28};
  for (int i = 0; i < 4; ++i) {
    chars = coord_button_chars(chars, lengths[i]);
    EXPECT_EQ(chars, want[i]) << "length " << lengths[i];
  }
}

TEST(StatusBar, TheSwatchShowsColours1To255) {
  EXPECT_FALSE(swatch_colour(0));
  EXPECT_TRUE(swatch_colour(1));
  EXPECT_TRUE(swatch_colour(255));
  EXPECT_FALSE(swatch_colour(256));
  EXPECT_FALSE(swatch_colour(-7));
}

TEST(SideMenu, BoxCountsLimitsAndFit) {
  EXPECT_EQ(sidemenu_box_count(30, 24), 24);
  EXPECT_EQ(sidemenu_box_count(30, 0), 30);
  EXPECT_EQ(sidemenu_box_count(0, 0), 1);
  EXPECT_EQ(sidemenu_box_count(-5, 24), 1);
  EXPECT_EQ(sidemenu_box_count(100, 0), 64);
  EXPECT_EQ(sidemenu_label_limit(5, 0), 5);
  EXPECT_EQ(sidemenu_label_limit(5, 3), 3);
  EXPECT_EQ(sidemenu_label_limit(5, 9), 5);
  EXPECT_EQ(sidemenu_boxes_fit(false, 400, 20), 0);
  EXPECT_EQ(sidemenu_boxes_fit(true, 400, 0), 64);
  EXPECT_EQ(sidemenu_boxes_fit(true, 419, 20), 20);
}

TEST(SideMenu, BlankLabelsAndTheFirstWordATabletTypes) {
  EXPECT_TRUE(sidemenu_blank_label("   ", 3));
  EXPECT_TRUE(sidemenu_blank_label("", 0));
  EXPECT_TRUE(sidemenu_blank_label("  X", 2));
  EXPECT_FALSE(sidemenu_blank_label(" LINE", 5));
  EXPECT_EQ(sidemenu_first_word("   LINE  x"), "LINE");
  EXPECT_EQ(sidemenu_first_word("\t\x01" "ARC:"), "ARC:");
  EXPECT_EQ(sidemenu_first_word("    "), "");
}

}  // namespace
