// The second program's recorded menu items, found by the numbers the items
// will get and played back in order, and its list of posted menu panes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build2/menu_calls.h"

namespace {

struct Made {
  std::string label;
  int sensitivity, mark, submenu, icon, has_accelerator, accelerator, close_levels;
  bool operator==(const Made &) const = default;
};
std::vector<Made> made;

void make(const char *label, int sensitivity, int mark, int submenu, int icon, int has_accelerator, int accelerator,
          int close_levels) {
  made.push_back({label, sensitivity, mark, submenu, icon, has_accelerator, accelerator, close_levels});
}

TEST(MenuCalls, ItemsAreFoundByTheirComingNumbersAndMadeInOrder) {
  MtfMenu *menu = new_mtf_menu("Draw", 1);
  record_menu_call(menu, "Line", 1, 0, 0, 0, 0, 0, 0);
  record_menu_call(menu, "", 1, 0, 0, 0, 0, 0, 0);          // separator
  record_menu_call(menu, "More", 1, 0, 8, 0, 0, 0, 0);      // submenu
  record_menu_call(menu, "Circle", 0, '*', 0, 32, 64, 200, 1);
  record_menu_call(menu, "Text", 1, 0, 0, 0, 0, 0, 0);

  const char *const labels[] = {nullptr, "Line", nullptr, "More", "Circle", "Text", nullptr};
  for (int item = 0; item <= 6; ++item) {
    MenuItemCall *call = find_menu_call(menu, item);
    EXPECT_EQ(call != nullptr ? call->label : "(none)", labels[item] != nullptr ? labels[item] : "(none)") << item;
  }
  // A change before the menu opens goes into the call.
  find_menu_call(menu, 4)->sensitive = 1;

  made.clear();
  playback_menu_calls(menu, make);
  const std::vector<Made> want = {{"Line", 1, 0, 0, 0, 0, 0, 0},
                                  {"", 1, 0, 0, 0, 0, 0, 0},
                                  {"More", 1, 0, 8, 0, 0, 0, 0},
                                  {"Circle", 1, '*', 0, 32, 64, 200, 1},
                                  {"Text", 1, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(made, want);
  EXPECT_EQ(menu->calls, nullptr);
  EXPECT_EQ(find_menu_call(menu, 1), nullptr);

  record_menu_call(menu, "Left", 1, 0, 0, 0, 0, 0, 0);
  free_menu_calls(menu);
  EXPECT_EQ(menu->calls, nullptr);
  free_mtf_menu(menu);
}

std::vector<Widget> popped;
void pop_down(Widget pane) {
  popped.push_back(pane);
  // The pane's unmap callback runs while the list is being emptied.
  mapped_popup_cb(pane, nullptr, nullptr);
}

TEST(MappedPanes, PostedPanesArePoppedDownNewestFirst) {
  Widget a = reinterpret_cast<Widget>(0x10), b = reinterpret_cast<Widget>(0x20), c = reinterpret_cast<Widget>(0x30);
  const auto listed = [] {
    std::vector<Widget> v;
    for (const MappedPopupNode *n = mapped_list(); n != nullptr; n = n->next) v.push_back(n->widget);
    return v;
  };
  for (Widget w : {a, b, c}) mapped_popup_cb(w, reinterpret_cast<XtPointer>(kPaneMapped), nullptr);
  mapped_popup_cb(b, nullptr, nullptr);
  delete_from_mapped_list(reinterpret_cast<Widget>(0x40));
  EXPECT_EQ(listed(), (std::vector<Widget>{c, a}));

  popped.clear();
  unmap_mapped_list(pop_down);
  EXPECT_EQ(popped, (std::vector<Widget>{c, a}));
  EXPECT_EQ(mapped_list(), nullptr);
}

}  // namespace
