// The menus built from the client's menu packets as a tree of records: the
// numbering of the items, the nesting of submenus, the lookup by menu and item
// number, the marks and sensitivity, and the accelerator texts. The widgets
// are only held here; the menu-bar code makes them.
#pragma once

#include <X11/Intrinsic.h>

#include <cstdint>
#include <string>

struct MtfMenu;
struct MenuItemCall;

struct MtfItem {
  std::string label;           // EUC-JP
  std::int16_t number;         // unique within its top-level menu
  std::uint16_t sensitivity;
  std::uint16_t submenu_flag;
  unsigned char mark;          // 0: none
  MtfMenu *submenu;            // the menu a cascade item opens
  MtfItem *next, *prev;
  MtfMenu *owner;
  Widget widget;
};

struct MtfMenu {
  std::string label;     // EUC-JP
  std::uint16_t number;  // 1 to 16 pull-downs, 0 the pop-up; submenus carry their top menu's
  MtfItem *first, *last;
  MtfMenu *prev, *next;
  Widget menu_widget;    // its pane
  Widget cascade;        // the button that opens it
  // Second program: the item definitions kept until the menu first opens,
  // and whether its items were made.
  MenuItemCall *calls;
  bool items_made;
};

struct MtfBar {
  MtfMenu *first, *last;  // the top-level pull-downs
  Widget building;        // the bar widget being built
  Widget shown;           // the bar widget shown before it
};

// Menu numbers: 0 the pop-up, 1 to 16 the pull-downs.
inline constexpr int kMenuNumberMax = 16;
// Deepest nesting of submenus (levels 0 to 31).
inline constexpr int kMenuDepthMax = 32;

MtfMenu *new_mtf_menu(const std::string &label, int number);
MtfItem *new_mtf_item(const std::string &label, int count, int sensitivity, int submenu, int mark);
void add_mtf_menu_to_bar(MtfBar &bar, MtfMenu *menu);
void add_mtf_item_to_menu(MtfMenu *menu, MtfItem *item);
// Frees a menu with its items and submenus (widgets are the caller's).
void free_mtf_menu(MtfMenu *menu);
// Frees every menu of the bar.
void free_mtf_menus(MtfBar &bar);

// The state of one top-level menu being built.
struct MenuBuild {
  MtfMenu *top = nullptr;  // none: entries are refused
  int item_count = 0;      // entries so far, separators included
  int level = 0;           // the (sub)menu entries go to
  MtfMenu *stack[kMenuDepthMax] = {};
};

// Starts building a top-level menu.
void menu_build_start(MenuBuild &build, MtfMenu *top);

enum class MenuEntryKind { none, item, submenu, separator };
struct MenuEntry {
  MenuEntryKind kind = MenuEntryKind::none;
  MtfMenu *parent = nullptr;  // the menu whose pane takes the entry
  MtfItem *item = nullptr;    // items and submenus
  MtfMenu *submenu = nullptr;
};
// One entry: a submenu (while nesting allows, else a plain item), an item
// with a label, or a separator. Item numbers are the running count + 1.
MenuEntry menu_add_entry(MenuBuild &build, const std::string &label, int sensitivity, int mark, bool submenu);
// Ends an entry: close_levels submenus closed, and the running count grows.
void menu_end_entry(MenuBuild &build, int close_levels);

// The menu of a number, from the table of pull-downs and the pop-up; null for
// a number outside 0 .. 16.
MtfMenu *menu_by_number(MtfMenu *const *table, MtfMenu *popup, int number);
// The item of a number, depth first through the submenus.
MtfItem *find_mtf_item(MtfMenu *menu, int number);
// The text an item shows: its mark (a blank for none) and its label.
std::string mtf_item_text(const MtfItem &item);
// Takes a new mark and sensitivity; says which of them changed.
void set_mtf_item_attrs(MtfItem &item, int sensitivity, int mark, bool &mark_changed, bool &sensitivity_changed);

// Accelerator prefixes: the translation's and the one shown.
struct AccelChord {
  const char *translation;  // "Alt<Key> " or "Ctrl Shift<Key> "
  const char *shown;        // "Alt- " or "Ctrl Shift- "
};
AccelChord accel_chord(bool use_alt);
// Each prefix with its last character (the blank) replaced by c; the shown
// one in capitals.
std::string accel_translation(const AccelChord &chord, int c);
std::string accel_text(const AccelChord &chord, int c);
