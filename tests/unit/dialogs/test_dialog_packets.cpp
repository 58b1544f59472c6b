// The dialog packets and what the user does with the tiles, against the
// recording widget layer.
#include "dialog_fixture.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <algorithm>

namespace {

using Dialogs = DialogTest;

TEST_F(Dialogs, InitAnswersTheMetricsAndClosesOpenDialogs) {
  dialog("One");
  dialog("Two");
  rec.char_width = 0;  // counts as 1
  TestPacket init(300, 44);
  send(init);
  EXPECT_EQ(init.p.u16(20), 1);
  EXPECT_EQ(init.p.u16(22), 16);
  EXPECT_EQ(busy_with_dialog, 0);
  EXPECT_EQ(top_dialog(), nullptr);
  EXPECT_EQ(rec.log[rec.log.size() - 3], "destroy Two");
}

TEST_F(Dialogs, OperationsOfTheDialogActOnlyOnTheTopOne) {
  const std::uint32_t lower = dialog("Lower");
  const std::uint32_t upper = dialog("Upper");
  const std::uint32_t button = tile(4, upper);
  for (std::uint32_t wrong : {lower, button, upper + 0x2000u, 0u}) {
    for (int opcode : {302, 305, 309, 310, 311}) {
      TestPacket p = request(opcode, 0, wrong);
      p.i16(12, 9);
      send(p);
      EXPECT_EQ(p.p.i16(12), 9) << opcode << " " << wrong;
    }
  }
  EXPECT_EQ(busy_with_dialog, 2);
  EXPECT_FALSE(rec.at(top_dialog()->shell).managed);
}

TEST_F(Dialogs, FreeStalesTheTilesAndEndsOnlyAStartedDialog) {
  const std::uint32_t d = dialog();
  const std::uint32_t button = tile(4, d);
  free_dialog(d);
  EXPECT_EQ(dialog_complete, 0);
  EXPECT_EQ(find_tile(button), nullptr);
  EXPECT_EQ(rec.log.back(), "graphics focus");

  const std::uint32_t e = dialog();
  const std::uint32_t image = tile(5, e, kTileEnabled, "", 40, 40);
  start(e);
  TestPacket freed = free_dialog(e);
  EXPECT_EQ(static_cast<std::uint32_t>(dialog_complete), freed.p.u32(4));
  EXPECT_EQ(find_tile(image), nullptr);
  EXPECT_EQ(std::count(rec.log.begin(), rec.log.end(), "free pixmap 36865"), 1);
}

TEST_F(Dialogs, CreatesAndHandlesOfTheWrongKindDoNothing) {
  const std::uint32_t lower = dialog("Lower");
  const std::uint32_t upper = dialog("Upper");
  const std::uint32_t cluster = tile(1, upper, kTileEnabled | kTileRadio);
  const std::uint32_t toggle = tile(6, upper);
  EXPECT_NE(tile(7, cluster), 0u);  // the top dialog's clusters hold tiles
  const int live = pool_live(kTileClass);
  for (std::uint32_t parent : {lower, toggle, 0x7fffe000u, 0u}) EXPECT_EQ(create(4, parent, 0).p.i16(12), 0);
  EXPECT_EQ(pool_live(kTileClass), live);

  EXPECT_EQ(set(8, toggle, "1"), 0);  // a toggle is no list
  TestPacket free_toggle = request(311, 6, toggle);
  send(free_toggle);
  EXPECT_EQ(free_toggle.p.i16(12), 1);
  TestPacket again = request(311, 6, toggle);
  send(again);
  EXPECT_EQ(again.p.i16(12), 0);  // a double free is refused
  // The freed record serves the next tile under a new handle.
  const std::uint32_t next = tile(6, upper);
  EXPECT_NE(next, toggle);
  EXPECT_EQ(set(6, toggle, "1"), 0);
  EXPECT_FALSE(rec.at(widget_of(next)).state);
}

TEST_F(Dialogs, CreateRepliesNoteDefaultAndCancelAndTheSizes) {
  const std::uint32_t d = dialog();
  TestPacket ok = create(4, d, kTileEnabled | kTileDefault, "OK", 200, 5);
  EXPECT_EQ(ok.p.i16(20), 200);
  EXPECT_EQ(ok.p.i16(22), 20);  // the widget's height
  TestPacket cancel = create(4, d, kTileEnabled | kTileCancel, "Cancel");
  EXPECT_EQ(top_dialog()->default_tile, ok.p.u32(8));
  EXPECT_EQ(top_dialog()->cancel_tile, cancel.p.u32(8));
  TestPacket text = create(2, d, 0, "", 10, 90);  // four character widths high, half a width at 34
  EXPECT_EQ(text.p.i16(22), 32);
  EXPECT_EQ(text.p.i16(34), 4);
  EXPECT_EQ(text.p.u32(16), kTileExtraSecond);
  TestPacket h = create(11, d, kTileHorizontal, "", 150, 90);  // sliders are 25 pixels thick
  EXPECT_EQ(h.p.i16(22), 25);
  EXPECT_EQ(h.p.u32(16), kTileHorizontal | kTileExtraSecond);
  TestPacket v = create(11, d, 0, "", 150, 90);
  EXPECT_EQ(v.p.i16(20), 25);
  EXPECT_EQ(v.p.u32(16), kTileExtraFirst);
  EXPECT_EQ(create(1, d, 0, "A longer label", 10).p.i16(20), 14 * 8);  // a framed cluster's label fits
}

TEST_F(Dialogs, RealizeAlignsInTheCellAndRaisesItToTheNaturalSize) {
  const std::uint32_t d = dialog();
  struct Case {
    std::uint32_t flags;
    int x, y;
  } cases[] = {
      {0, 10 + 8, 20 + 32},
      {kTileRight, 10 + 8 + (100 - 36), 20 + 32},
      {kTileRight | kTileCentreH, 10 + 8 + (100 - 36) / 2, 20 + 32},
      {kTileBottom, 10 + 8, 20 + 32 + (50 - 20)},
      {kTileBottom | kTileCentreV, 10 + 8, 20 + 32 + (50 - 20) / 2},
  };
  for (const Case &c : cases) {
    const std::uint32_t b = tile(4, d, c.flags, "four");  // 36 x 20
    realize(4, b, 10, 20, 100, 50);
    const RecordedWidget &w = rec.at(widget_of(b));
    EXPECT_EQ(w.x, c.x) << c.flags;
    EXPECT_EQ(w.y, c.y) << c.flags;
    EXPECT_EQ(w.width, 100);
  }
  const std::uint32_t b = tile(4, d, 0, "four");
  realize(4, b, 0, 0, 0, -5);  // a small cell grows to the widget
  EXPECT_EQ(rec.at(widget_of(b)).width, 36);
  EXPECT_EQ(rec.at(widget_of(b)).height, 20);
  const std::uint32_t s = tile(11, d, kTileHorizontal);
  realize(11, s, 0, 0, 60, 10);  // a slider keeps its cell
  EXPECT_EQ(rec.at(widget_of(s)).height, 10);

  // A framed cluster: the frame below the label's drop; its tiles under it.
  const std::uint32_t c = tile(1, d, 0, "Group");
  TestPacket cr = request(302, 1, c);
  cr.i16(20, 4).i16(22, 6).i16(24, 120).i16(26, 90).i16(28, 10);
  send(cr);
  const ClusterExtra &e = cluster_extra(find_tile(c)->extra);
  EXPECT_EQ(rec.at(e.frame).y, 6 + 32 + 24);
  EXPECT_EQ(rec.at(e.frame_label).x, 4 + 8 + 5);
  EXPECT_TRUE(rec.at(e.frame_label).managed);
  EXPECT_TRUE(rec.at(widget_of(c)).fixed);
  const std::uint32_t inner = tile(6, c, 0, "in");
  realize(6, inner, 3, 30, 10, 10);
  EXPECT_EQ(rec.at(widget_of(inner)).x, 3);
  EXPECT_EQ(rec.at(widget_of(inner)).y, 30 - 24);
}

TEST_F(Dialogs, TextSetCutsToTheRealizedWidthAndKeepsTheCentre) {
  const std::uint32_t d = dialog();
  const std::uint32_t t = tile(2, d, kTileRight | kTileCentreH, "Hello");
  realize(2, t, 0, 0, 84, 20);  // ten characters wide
  const int x = rec.at(widget_of(t)).x;
  set(2, t, "0123456789abcdefghijklmnopqrstuvwxyzABCD");
  EXPECT_EQ(get(2, t), "<vwxyzABCD");
  set(2, t, "ab");  // a shorter text narrows the label
  EXPECT_EQ(rec.at(widget_of(t)).x, x + (84 - 20) / 2);
  set(2, t, "0123456789abc");  // still cut to the realized width
  EXPECT_EQ(get(2, t), "<456789abc");
  EXPECT_EQ(get(2, t, 31), "<4");  // the get fits its packet
}

TEST_F(Dialogs, TogglesAndRadioButtonsReportTheUsersChangesOnly) {
  const std::uint32_t d = dialog();
  const std::uint32_t toggle = tile(6, d);
  EXPECT_EQ(set(6, toggle, "7"), 1);
  EXPECT_EQ(get(6, toggle), "1");
  rec.press(widget_of(toggle));
  const std::uint32_t cluster = tile(1, d, kTileEnabled | kTileRadio);
  const std::uint32_t a = tile(7, cluster), b = tile(7, cluster);
  set(7, a, "1");  // the driver's own change: bookkeeping, no report
  EXPECT_EQ(find_tile(cluster)->radio_current, a);
  rec.press(widget_of(b));
  EXPECT_FALSE(rec.at(widget_of(a)).state);
  rec.press(widget_of(b));  // pressing the set one keeps it set
  EXPECT_TRUE(rec.at(widget_of(b)).state);
  set(7, a, "2");  // anything but 1 clears
  EXPECT_EQ(get(7, a), "0");
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(toggle), 1, 0, 0, "0"},
                                            {acad_of(b), 1, 0, 0, "1"},
                                            {acad_of(b), 1, 0, 0, "1"}}));
}

TEST_F(Dialogs, ListOperationsSelectionsAndTabStops) {
  const std::uint32_t d = dialog();
  const std::uint32_t ok = tile(4, d, kTileEnabled | kTileDefault, "OK");
  const std::uint32_t several = tile(8, d, kTileEnabled | kTileSeveral, "Items");
  const std::uint32_t single = tile(8, d, kTileEnabled | kTileActivatesDefault);
  EXPECT_EQ(find_tile(several)->kind, kKindLabeledList);
  const WidgetId list = list_extra(find_tile(several)->extra).list;
  list_op(8, several, 2, 0, {"a", "b", "c"});
  list_op(8, several, 2, 99, {"z"});  // past the end: appended
  list_op(8, several, 1, 1, {"B", "C", "Z", "new"});
  EXPECT_EQ(rec.at(list).items, (std::vector<std::string>{"a", "B", "C", "Z", "new"}));
  list_op(8, several, 1, 0, {"A"});  // the item after a replacement is selected
  EXPECT_EQ(rec.at(list).selected, (std::vector<int>{1}));
  EXPECT_EQ(rec.at(list).policy, ListPolicy::extended);
  list_op(8, several, 2, 0, {"x", "y"}, 9);  // nine asked, two held
  EXPECT_EQ(rec.at(list).items.size(), 7u);
  list_op(8, several, 3, 0, {"p", "q", "r", "s", "t", "u"});  // deletes everything first
  EXPECT_EQ(list_op(8, several, 7, 0, {"v"}), 1);            // other kinds only answer
  EXPECT_EQ(rec.at(list).items.size(), 6u);
  EXPECT_EQ(set(8, several, "5 junk 2 40 -1"), 1);
  EXPECT_EQ(get(8, several), "2 5");
  EXPECT_EQ(get(8, several, 31), "2");
  list_op(8, single, 2, 0, {"a", "b", "c"});
  set(8, single, "0 2");
  EXPECT_EQ(get(8, single), "2");

  // Tab stops in character columns; a count past the packet is cut.
  TestPacket stops = request(308, 8, single, 24);
  stops.i16(16, 100).i16(18, 32).i16(20, 80).i16(22, 88);
  send(stops);
  EXPECT_EQ(list_extra(find_tile(single)->extra).tab_stops, (std::vector<int>{4, 10, 11}));
  list_op(8, single, 1, 0, {"a\tb"});
  EXPECT_EQ(rec.at(list_extra(find_tile(single)->extra).list).items[0], "a   b");

  list_selected(several, false, true, 500);
  list_selected(several, false, true, 400);  // a release older than the last is passed over
  list_selected(several, true, false, 0);
  list_selected(single, true, false, 0);  // the default tile's activation instead
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(several), 1, 0, 0, "2 5"},
                                            {acad_of(several), 4, 0, 0, "2 5"},
                                            {acad_of(ok), 1, 0, 0, ""}}));
}

TEST_F(Dialogs, EditBoxesPasswordsFocusAndModes) {
  const std::uint32_t d = dialog();
  const std::uint32_t ok = tile(4, d, kTileEnabled | kTileDefault, "OK");
  TestPacket c = request(301, 9, d, kCreateLength);
  c.p.put_u32(4, 77);
  c.p.put_u32(16, kTileEnabled | kTileActivatesDefault);
  c.i16(40, 1);
  c.bytes[42] = '*';
  send(c);
  const std::uint32_t secret = c.p.u32(8);
  const EditExtra &e = edit_extra(find_tile(secret)->extra);
  rec.type_into(e.field, 0, 0, "pass");
  rec.type_into(e.field, 2, 2, "XY");  // paste in the middle
  rec.type_into(e.field, 0, 1, "");    // delete the first
  EXPECT_EQ(rec.at(e.field).text, "*****");
  EXPECT_EQ(get(9, secret), "aXYss");
  edit_activated(secret);
  EXPECT_EQ(results(), (std::vector<Result>{{77, 1, 0, 0, "aXYss"}, {acad_of(ok), 1, 0, 0, ""}}));
  set(9, secret, "new");
  EXPECT_EQ(rec.at(e.field).text, "***");
  EXPECT_EQ(get(9, secret), "new");

  // Leaving the field reports only in a started dialog with the pointer in it.
  const std::uint32_t name = tile(9, d, kTileEnabled, "Name:");
  set(9, name, "abc");
  edit_left(name);
  start(d);
  rec.pointer_in = false;
  edit_left(name);
  rec.pointer_in = true;
  edit_left(name);
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(name), 2, 0, 0, "abc"}}));

  // Modes 0 and 1 grey the field and keep the status; 3 focuses and selects.
  const WidgetId field = edit_extra(find_tile(name)->extra).field;
  EXPECT_EQ(mode(9, name, 1), 0);
  EXPECT_TRUE(rec.at(field).grey);
  EXPECT_FALSE(rec.at(widget_of(name)).sensitive);
  EXPECT_EQ(mode(9, name, 3), 1);
  EXPECT_EQ(rec.focused, field);
  EXPECT_EQ(top_dialog()->focus_tile, name);
  EXPECT_EQ(rec.log.back(), "select 0 255 of " + std::to_string(field));
}

TEST_F(Dialogs, PopupListsReplaceTheirEntriesAndReportTheChoice) {
  const std::uint32_t d = dialog();
  const std::uint32_t popup = tile(10, d, kTileEnabled, "Colour");
  const PopupExtra &e = popup_extra(find_tile(popup)->extra);
  set(10, popup, "1");
  std::vector<std::string> many;
  for (int i = 0; i < 31; ++i) many.push_back("item" + std::to_string(i));
  list_op(10, popup, 2, 5, many);
  ASSERT_EQ(e.buttons.size(), 31u);
  EXPECT_EQ(rec.at(e.buttons[0]).text, "item0");  // the start is not used: all entries anew
  EXPECT_EQ(rec.at(e.pulldown).columns, 3);
  EXPECT_EQ(rec.at(widget_of(popup)).choice, e.buttons[1]);
  list_op(10, popup, 1, 0, {"red", "green"});
  EXPECT_EQ(e.buttons.size(), 2u);
  list_op(10, popup, 1, 0, std::vector<std::string>(6000, ""));  // no menu too long to lay out
  EXPECT_EQ(e.buttons.size(), 4096u);
  // Fewer entries than the choice, then none: the menu never shows one destroyed.
  for (const std::vector<std::string> &items : {std::vector<std::string>{"only"}, std::vector<std::string>{}}) {
    list_op(10, popup, 1, 0, items);
    const WidgetId shown = rec.at(widget_of(popup)).choice;
    EXPECT_TRUE(items.empty() ? shown == 0 : rec.widgets.count(shown) == 1) << items.size();
  }
  popup_chosen(popup, 0);
  EXPECT_EQ(get(10, popup), "0");
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(popup), 1, 0, 0, "0"}}));
}

// Set turns the value over without kTileNotInverted, get with it: a set
// followed by a get gives maximum + minimum - value either way.
TEST_F(Dialogs, SlidersReportDragsAndChangesAndTurnTheirValueOver) {
  const std::uint32_t d = dialog();
  for (const std::uint32_t flags : {std::uint32_t{kTileEnabled}, std::uint32_t{kTileEnabled | kTileNotInverted}}) {
    const std::uint32_t s = tile(11, d, flags);
    SliderExtra &range = slider_extra(find_tile(s)->extra);
    EXPECT_LT(range.minimum, range.maximum);  // no range given: one is made
    range.minimum = 10;
    range.maximum = 100;
    slider_moved(s, 45, true);
    slider_moved(s, 46, false);
    EXPECT_EQ(get(11, s), flags & kTileNotInverted ? "64" : "46");
    EXPECT_EQ(results(), (std::vector<Result>{{acad_of(s), 3, 0, 0, "45"}, {acad_of(s), 1, 0, 0, "46"}}));
    set(11, s, "30");
    EXPECT_EQ(get(11, s), "80") << flags;
  }
}

TEST_F(Dialogs, ImagesDrawTheirFillRecordsAndImageButtonsTheirClicks) {
  const std::uint32_t d = dialog();
  const std::uint32_t image = tile(3, d);
  TestPacket fill = request(307, 3, image, 48);
  fill.i16(16, 2).i16(18, 1);
  fill.i16(20, 1).i16(22, 5).i16(26, 1).i16(28, 2).i16(30, 3).i16(32, 4);
  fill.i16(34, 0).i16(36, 5).i16(40, 0).i16(42, 0).i16(44, 9).i16(46, 9);
  send(fill);  // before realize: no pixmap yet
  rec.log.clear();
  realize(3, image, 0, 0, 0, 30);  // at least 1 x 1
  send(fill);
  send(fill);  // the colour is set only when it changes
  const std::string colour = "colour " + std::to_string(dx_mapcolor(5));
  EXPECT_EQ(rec.log, (std::vector<std::string>{"pixmap 36865 1x30", "clear 36865", "copy 36865 at 0 0 1x30", colour,
                                               "rect 36865 1 2 3 4", "line 36865 0 0 9 9", "copy 36865 at 0 0 1x30",
                                               "rect 36865 1 2 3 4", "line 36865 0 0 9 9",
                                               "copy 36865 at 0 0 1x30"}));

  const std::uint32_t ok = tile(4, d, kTileEnabled | kTileDefault, "OK");
  const std::uint32_t button = tile(5, d, kTileEnabled | kTileActivatesDefault, "", 48, 40);
  image_button_clicked(button, 10, 12, false, true);
  image_button_clicked(button, 0, 12, false, true);   // on the edge: outside
  image_button_clicked(button, 40, 12, false, true);
  image_button_clicked(button, 10, 12, false, false);  // insensitive now
  image_button_clicked(button, 10, 12, true, true);
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(button), 1, 10, 12, ""}, {acad_of(ok), 1, 0, 0, ""}}));
  EXPECT_EQ(mode(5, button, 4), 1);
  EXPECT_EQ(rec.focused, widget_of(button));
  EXPECT_EQ(mode(4, ok, 1), 1);
  EXPECT_FALSE(rec.at(widget_of(ok)).sensitive);
  EXPECT_EQ(mode(4, ok, 7), 0);

  // An image freed while its dialog stays open: its label, which lives on,
  // lets go of the pixmap that goes.
  const WidgetId label = widget_of(image);
  TestPacket free_image = request(311, 3, image);
  send(free_image);
  EXPECT_EQ(rec.at(label).pixmap, 0u);
}

TEST_F(Dialogs, EscapeAndControlCActivateTheCancelElseTheDefaultTile) {
  const std::uint32_t d = dialog();
  dialog_key(XK_Escape, 0);  // neither tile yet
  const std::uint32_t ok = tile(4, d, kTileEnabled | kTileDefault, "OK");
  dialog_key(XK_c, ControlMask | LockMask | Mod2Mask);
  const std::uint32_t cancel = tile(4, d, kTileEnabled | kTileCancel, "Cancel");
  dialog_key(XK_Escape, 0);
  dialog_key(XK_C, ControlMask | LockMask);
  dialog_key(XK_c, ControlMask | ShiftMask);  // not Ctrl+c alone
  dialog_key(XK_Return, 0);
  EXPECT_EQ(results(), (std::vector<Result>{{acad_of(ok), 1, 0, 0, ""},
                                            {acad_of(cancel), 1, 0, 0, ""},
                                            {acad_of(cancel), 1, 0, 0, ""}}));
}

TEST_F(Dialogs, StartFocusesTheNamedTileElseTheInitialElseTheDefault) {
  const std::uint32_t d = dialog();
  const std::uint32_t ok = tile(4, d, kTileEnabled | kTileDefault, "OK");
  const std::uint32_t edit = tile(9, d);
  start(d);
  EXPECT_EQ(rec.focused, widget_of(ok));
  start(d, edit);
  start(d);  // the initial focus is kept now
  EXPECT_EQ(rec.focused, edit_extra(find_tile(edit)->extra).field);
}

}  // namespace
