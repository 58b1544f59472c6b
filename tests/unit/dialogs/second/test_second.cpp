// What the second program's dialogs do differently.
#include "../dialog_fixture.h"

namespace {

using SecondDialogs = DialogTest;

TEST_F(SecondDialogs, CharacterHeightIsAtMostTwiceTheWidthLessOne) {
  rec.char_width = 8;
  rec.char_height = 30;
  TestPacket init(300, 44);
  send(init);
  EXPECT_EQ(init.p.u16(20), 8);
  EXPECT_EQ(init.p.u16(22), 15);
  rec.char_height = 12;
  send(init);
  EXPECT_EQ(init.p.u16(22), 12);
}

TEST_F(SecondDialogs, TitlesStandAsTheyCame) {
  const std::string long_title(300, 't');
  create(0, 0, 0, long_title.c_str());
  EXPECT_EQ(rec.at(top_dialog()->shell).text, long_title);
}

TEST_F(SecondDialogs, ListReplacementSelectsNothing) {
  const std::uint32_t d = dialog();
  const std::uint32_t list = tile(8, d, kTileEnabled | kTileSeveral);
  list_op(8, list, 2, 0, {"a", "b", "c"});
  list_op(8, list, 1, 0, {"A"});
  const RecordedWidget &w = rec.at(list_extra(find_tile(list)->extra).list);
  EXPECT_EQ(w.items, (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_TRUE(w.selected.empty());
  EXPECT_EQ(w.policy, ListPolicy::extended);
}

TEST_F(SecondDialogs, PopupListsKeepTheirButtonsAndGrowToEveryPositionNamed) {
  const std::uint32_t d = dialog();
  const std::uint32_t popup = tile(10, d, kTileEnabled, "Pick");
  const PopupExtra &e = popup_extra(find_tile(popup)->extra);
  list_op(10, popup, 2, 0, {"a", "b", "c"});
  ASSERT_EQ(e.buttons.size(), 3u);
  const WidgetId first = e.buttons[0];
  list_op(10, popup, 1, 1, {"B"});
  ASSERT_EQ(e.buttons.size(), 3u);
  EXPECT_EQ(e.buttons[0], first);
  EXPECT_EQ(rec.at(e.buttons[1]).text, "B");
  EXPECT_EQ(rec.at(e.buttons[2]).text, "c");
  // A relabel past the table makes the buttons it names.
  list_op(10, popup, 1, 4, {"e", "f"});
  ASSERT_EQ(e.buttons.size(), 6u);
  EXPECT_EQ(rec.at(e.buttons[3]).text, "");
  EXPECT_EQ(rec.at(e.buttons[5]).text, "f");
  EXPECT_EQ(rec.at(e.buttons[5]).position, 5);
  // A position far out makes no menu too long to lay out.
  list_op(10, popup, 1, 32767, {"far"});
  EXPECT_EQ(e.buttons.size(), 4096u);
}

}  // namespace
