// The second program makes a pull-down's items the first time the user opens
// it: until then each item definition is kept as a recorded call on its menu.
// It also keeps the menu panes that are posted, so that a rebuild of the menu
// bar can take them all down first.
#pragma once

#include <X11/Intrinsic.h>

#include <cstdint>
#include <string>

#include "ui/menu_tree.h"

// One recorded dx_new_item call.
struct MenuItemCall {
  std::string label;
  std::uint32_t sensitive;
  std::uint32_t flag8, flag32, flag64;  // submenu, icon, accelerator
  std::uint32_t value;                  // submenus closed after it
  std::uint8_t mark;
  std::uint8_t id;                      // the accelerator key, as an unsigned byte
  MenuItemCall *next;
};

// Appends a call to the menu's list, in definition order.
void record_menu_call(MtfMenu *menu, const char *label, int sensitive, int mark, int flag8, int flag32, int flag64,
                      int id, int value);
// The recorded call that will make item number item of the menu (numbers as
// the items will get them); nullptr for a separator or no such entry.
MenuItemCall *find_menu_call(MtfMenu *menu, int item);
// Frees the calls still recorded.
void free_menu_calls(MtfMenu *menu);

// What a recorded call is played back through: the item creation of the
// menu bar, with its arguments in dx_new_item's order.
using MakeItemProc = void (*)(const char *label, int sensitivity, int mark, int submenu, int icon,
                              int has_accelerator, int accelerator, int close_levels);
// Makes every recorded item of the menu in order, freeing the calls, then
// manages the new widgets together. The menu must be the current one.
void playback_menu_calls(MtfMenu *menu, MakeItemProc make);

struct MappedPopupNode {
  Widget widget;
  MappedPopupNode *next;
};
// The posted panes, newest first.
const MappedPopupNode *mapped_list();
void add_to_mapped_list(Widget widget);
// Unlinks and frees the first node of the widget; nothing when there is none.
void delete_from_mapped_list(Widget widget);
// Pops every posted pane down through popdown and empties the list. The list
// is taken off first, so the pop-down callbacks it sets off find nothing to
// free.
using PopdownProc = void (*)(Widget pane);
void unmap_mapped_list(PopdownProc popdown);
// The panes' map and unmap callbacks: client data kPaneMapped adds the pane,
// any other value removes it.
inline constexpr int kPaneMapped = 44;
void mapped_popup_cb(Widget widget, XtPointer client_data, XtPointer call_data);
