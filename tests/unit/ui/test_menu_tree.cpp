// The menu records built from the client's menu packets: item numbers across
// separators and submenus, closing levels, the nesting limit, lookup,
// attributes, menu numbers out of range and accelerator texts.
#include <gtest/gtest.h>

#include <string>

#include "ui/menu_tree.h"

namespace {

struct Built {
  MtfMenu *menu;
  MenuBuild build;
  explicit Built(int number) : menu(new_mtf_menu("Draw", number)) { menu_build_start(build, menu); }
  ~Built() { free_mtf_menu(menu); }
  // One entry: a submenu when sub, then close_levels levels closed.
  MenuEntry add(const std::string &label, bool sub = false, int close_levels = 0, int mark = 0) {
    MenuEntry e = menu_add_entry(build, label, 1, mark, sub);
    menu_end_entry(build, close_levels);
    return e;
  }
};

TEST(MenuTree, ItemsAreNumberedAcrossSeparatorsAndSubmenus) {
  Built b(3);
  EXPECT_EQ(b.add("Line").kind, MenuEntryKind::item);
  EXPECT_EQ(b.add("").kind, MenuEntryKind::separator);
  MenuEntry arc = b.add("Arc");
  MenuEntry sub = b.add("Circle", true);
  ASSERT_EQ(sub.kind, MenuEntryKind::submenu);
  EXPECT_EQ(sub.submenu->number, 3) << "a submenu carries its top menu's number";
  MenuEntry c1 = b.add("Center");
  MenuEntry c2 = b.add("3 Points", false, 1);
  MenuEntry text = b.add("Text");

  EXPECT_EQ(arc.item->number, 3);
  EXPECT_EQ(c1.item->number, 5);
  EXPECT_EQ(c1.parent, sub.submenu);
  EXPECT_EQ(c2.item->number, 6);
  EXPECT_EQ(text.parent, b.menu) << "closing the level goes back to the top menu";
  EXPECT_EQ(text.item->number, 7);

  EXPECT_EQ(find_mtf_item(b.menu, 6), c2.item);
  EXPECT_EQ(find_mtf_item(b.menu, 7), text.item);
  EXPECT_EQ(find_mtf_item(b.menu, 2), nullptr) << "a separator has no record";
  EXPECT_EQ(find_mtf_item(b.menu, 99), nullptr);
}

TEST(MenuTree, NestingStopsAt32LevelsAndClosingStopsAtTheTop) {
  Built b(1);
  MenuEntry deepest{};
  for (int i = 0; i < 40; ++i) {
    MenuEntry e = b.add("level " + std::to_string(i), true);
    if (e.kind == MenuEntryKind::submenu) deepest = e;
    if (i == 31) {
      EXPECT_EQ(e.kind, MenuEntryKind::item) << "too deep: a plain item";
    }
  }
  EXPECT_EQ(b.build.level, kMenuDepthMax - 1);
  MenuEntry last = b.add("leaf", false, 100);
  EXPECT_EQ(last.parent, deepest.submenu);
  EXPECT_EQ(b.add("top").parent, b.menu);
  // Many submenus one after the other are no deeper than one.
  Built wide(2);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(wide.add("sub", true, 1).kind, MenuEntryKind::submenu) << i;
}

TEST(MenuTree, MenuNumbersOutsideTheTableFindNothing) {
  MtfMenu *table[kMenuNumberMax + 1] = {};
  MtfMenu popup{}, five{};
  table[5] = &five;
  EXPECT_EQ(menu_by_number(table, &popup, 0), &popup);
  EXPECT_EQ(menu_by_number(table, &popup, 5), &five);
  EXPECT_EQ(menu_by_number(table, &popup, 17), nullptr);
  EXPECT_EQ(menu_by_number(table, &popup, 20), nullptr);
  EXPECT_EQ(menu_by_number(table, &popup, -1), nullptr);
  MenuBuild none;
  EXPECT_EQ(menu_add_entry(none, "x", 1, 0, false).kind, MenuEntryKind::none);
}

TEST(MenuTree, MarksAndSensitivityChangeOnlyWhenNew) {
  Built b(1);
  MtfItem *item = b.add("Grid", false, 0, 0).item;
  EXPECT_EQ(mtf_item_text(*item), " Grid");
  bool mark_changed = false, sens_changed = false;
  set_mtf_item_attrs(*item, 1, 0, mark_changed, sens_changed);
  EXPECT_FALSE(mark_changed);
  EXPECT_FALSE(sens_changed);
  set_mtf_item_attrs(*item, 0, '*', mark_changed, sens_changed);
  EXPECT_TRUE(mark_changed);
  EXPECT_TRUE(sens_changed);
  EXPECT_EQ(mtf_item_text(*item), "*Grid");
  EXPECT_EQ(item->mark, '*');
  EXPECT_EQ(item->sensitivity, 0);
}

TEST(MenuTree, AcceleratorPrefixesTakeTheKey) {
  AccelChord ctrl = accel_chord(false), alt = accel_chord(true);
  EXPECT_EQ(accel_translation(ctrl, 'q'), "Ctrl Shift<Key>q");
  EXPECT_EQ(accel_text(ctrl, 'q'), "Ctrl Shift-Q");
  EXPECT_EQ(accel_translation(alt, '1'), "Alt<Key>1");
  EXPECT_EQ(accel_text(alt, '1'), "Alt-1");
}

}  // namespace
