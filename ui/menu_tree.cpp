// The records of the menus and their building, lookup and attributes.
#include "ui/menu_tree.h"

#include <cctype>

MtfMenu *new_mtf_menu(const std::string &label, int number) {
  auto *menu = new MtfMenu{};
  menu->label = label;
  menu->number = static_cast<std::uint16_t>(number);
  return menu;
}

MtfItem *new_mtf_item(const std::string &label, int count, int sensitivity, int submenu, int mark) {
  auto *item = new MtfItem{};
  item->label = label;
  item->number = static_cast<std::int16_t>(count + 1);
  item->sensitivity = static_cast<std::uint16_t>(sensitivity);
  item->submenu_flag = static_cast<std::uint16_t>(submenu);
  item->mark = static_cast<unsigned char>(mark);
  return item;
}

void add_mtf_menu_to_bar(MtfBar &bar, MtfMenu *menu) {
  menu->prev = bar.last;
  menu->next = nullptr;
  if (bar.last != nullptr)
    bar.last->next = menu;
  else
    bar.first = menu;
  bar.last = menu;
}

void add_mtf_item_to_menu(MtfMenu *menu, MtfItem *item) {
  item->owner = menu;
  item->prev = menu->last;
  item->next = nullptr;
  if (menu->last != nullptr)
    menu->last->next = item;
  else
    menu->first = item;
  menu->last = item;
}

void free_mtf_menu(MtfMenu *menu) {
  if (menu == nullptr) return;
  for (MtfItem *item = menu->first; item != nullptr;) {
    MtfItem *next = item->next;
    free_mtf_menu(item->submenu);
    delete item;
    item = next;
  }
  delete menu;
}

void free_mtf_menus(MtfBar &bar) {
  for (MtfMenu *menu = bar.first; menu != nullptr;) {
    MtfMenu *next = menu->next;
    free_mtf_menu(menu);
    menu = next;
  }
  bar.first = bar.last = nullptr;
}

void menu_build_start(MenuBuild &build, MtfMenu *top) {
  build = MenuBuild{};
  build.top = top;
  build.stack[0] = top;
}

MenuEntry menu_add_entry(MenuBuild &build, const std::string &label, int sensitivity, int mark, bool submenu) {
  MenuEntry entry;
  if (build.top == nullptr) return entry;
  entry.parent = build.stack[build.level];
  if (submenu && build.level + 1 < kMenuDepthMax) {
    entry.kind = MenuEntryKind::submenu;
    entry.item = new_mtf_item(label, build.item_count, sensitivity, 1, mark);
    entry.submenu = new_mtf_menu(label, build.top->number);
    entry.item->submenu = entry.submenu;
    add_mtf_item_to_menu(entry.parent, entry.item);
    build.stack[++build.level] = entry.submenu;
  } else if (!label.empty()) {
    // A submenu nested too deep comes in as a plain item.
    entry.kind = MenuEntryKind::item;
    entry.item = new_mtf_item(label, build.item_count, sensitivity, 0, mark);
    add_mtf_item_to_menu(entry.parent, entry.item);
  } else {
    entry.kind = MenuEntryKind::separator;
  }
  return entry;
}

void menu_end_entry(MenuBuild &build, int close_levels) {
  if (build.top == nullptr) return;
  for (int i = 0; i < close_levels && build.level > 0; ++i) build.stack[build.level--] = nullptr;
  ++build.item_count;
}

MtfMenu *menu_by_number(MtfMenu *const *table, MtfMenu *popup, int number) {
  if (number < 0 || number > kMenuNumberMax) return nullptr;
  return number == 0 ? popup : table[number];
}

MtfItem *find_mtf_item(MtfMenu *menu, int number) {
  if (menu == nullptr) return nullptr;
  for (MtfItem *item = menu->first; item != nullptr; item = item->next) {
    if (item->number == number) return item;
    if (MtfItem *found = find_mtf_item(item->submenu, number)) return found;
  }
  return nullptr;
}

std::string mtf_item_text(const MtfItem &item) {
  std::string text(1, item.mark != 0 ? static_cast<char>(item.mark) : ' ');
  return text + item.label;
}

void set_mtf_item_attrs(MtfItem &item, int sensitivity, int mark, bool &mark_changed, bool &sensitivity_changed) {
  auto new_mark = static_cast<unsigned char>(mark);
  auto new_sensitivity = static_cast<std::uint16_t>(sensitivity);
  mark_changed = new_mark != item.mark;
  sensitivity_changed = new_sensitivity != item.sensitivity;
  item.mark = new_mark;
  item.sensitivity = new_sensitivity;
}

AccelChord accel_chord(bool use_alt) {
  return use_alt ? AccelChord{"Alt<Key> ", "Alt- "} : AccelChord{"Ctrl Shift<Key> ", "Ctrl Shift- "};
}

namespace {

std::string with_last(const char *prefix, int c) {
  std::string s(prefix);
  if (!s.empty()) s.back() = static_cast<char>(c);
  return s;
}

}  // namespace

std::string accel_translation(const AccelChord &chord, int c) { return with_last(chord.translation, c); }

std::string accel_text(const AccelChord &chord, int c) {
  c &= 0xFF;
  return with_last(chord.shown, c < 128 && std::isalpha(c) ? std::toupper(c) : c);
}
