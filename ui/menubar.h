// The menu bar and pop-up menu built from the client's menu packets: Motif
// menus over the record tree of ui/menu_tree.h.
#pragma once

#include <X11/Intrinsic.h>

#include "ui/menu_tree.h"

extern char menu_file_pathname[256];
// Directory of the menu's icons (set by the menu-file packet) with the icon's
// name written at iconic_file_prefix.
extern char iconic_file_name[256];
extern char *iconic_file_prefix;

extern MtfBar menu_bar;
extern MtfMenu *pop0_menu;

// The menu record of the graphics window's menu bar widget. The cascades the
// bar holds now stand in until the client's menus take their place.
void new_mtf_bar(Widget bar);
// Accelerator prefixes: Alt with use_alt, else Ctrl Shift.
void choose_alt_accel_chord(int use_alt);

// Takes down whatever menu is active (a pull-down or the pop-up posted, the
// bar traversed from the keyboard), so that nothing holds the pointer and
// keyboard when a message box comes up or the menus are rebuilt.
void dx_popdown_menus();
// Starts a rebuild of every menu.
void dx_new_menubar();
// Starts pull-down menu number (1 to 16) or the pop-up menu (0); other
// numbers are refused, and so are the entries after them.
void dx_new_menu(const char *label, int number);
// Adds an entry to the current (sub)menu: an item, a submenu (submenu set),
// or a separator (empty label); icon: the label names a picture in the
// menu's icon directory; with has_accelerator, accelerator is its key;
// close_levels submenus end after it.
void dx_new_item(const char *label, int sensitivity, int mark, int submenu, int icon, int has_accelerator,
                 int accelerator, int close_levels);
// What dx_new_item makes: the first program calls it at once, the second
// records the call and makes the item when its menu first opens.
void make_new_item(const char *label, int sensitivity, int mark, int submenu, int icon, int has_accelerator,
                   int accelerator, int close_levels);
// Second program: the cascading callback of a menu's button (client data the
// menu); the first time, the menu's recorded items are made.
void menu_button_pressed(Widget widget, XtPointer client_data, XtPointer call_data);
void dx_done_menu();
void dx_done_menubar();
// Pops a menu up: 0 the pop-up at the last event, 1 to 16 a pull-down.
int dx_show_menu(int number);
void dx_set_menu_attrs(int number, int item, int sensitivity, int mark);
// An item's sensitivity and mark (0 for none); 0 and 0, and the answer 0,
// when there is no such item.
int dx_get_menu_attrs(int number, int item, int *sensitivity, int *mark);
// Batches widgets of one parent to be managed together; (nullptr, nullptr)
// manages the batch.
void cacheXtManageChild(Widget parent, Widget child);
