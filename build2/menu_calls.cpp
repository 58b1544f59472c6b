// Recorded menu items and the list of posted menu panes.
#include "build2/menu_calls.h"

#include <cstdint>

#include "ui/menubar.h"

namespace {

MappedPopupNode *mapped_head;

}  // namespace

void record_menu_call(MtfMenu *menu, const char *label, int sensitive, int mark, int flag8, int flag32, int flag64,
                      int id, int value) {
  if (menu == nullptr) return;
  auto *call = new MenuItemCall{label != nullptr ? label : "",
                                static_cast<std::uint32_t>(sensitive),
                                static_cast<std::uint32_t>(flag8),
                                static_cast<std::uint32_t>(flag32),
                                static_cast<std::uint32_t>(flag64),
                                static_cast<std::uint32_t>(value),
                                static_cast<std::uint8_t>(mark),
                                static_cast<std::uint8_t>(id),
                                nullptr};
  MenuItemCall **tail = &menu->calls;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = call;
}

MenuItemCall *find_menu_call(MtfMenu *menu, int item) {
  if (menu == nullptr) return nullptr;
  // Every entry takes the next number; separators have no item. Nesting is
  // followed as the menu bar follows it, since a submenu too deep comes in
  // as a plain entry.
  int number = 1, level = 0;
  for (MenuItemCall *call = menu->calls; call != nullptr; call = call->next, ++number) {
    bool is_item = false;
    if (call->flag8 && level + 1 < kMenuDepthMax) {
      is_item = true;
      ++level;
    } else if (!call->label.empty()) {
      is_item = true;
    }
    if (number == item) return is_item ? call : nullptr;
    for (int i = 0; i < static_cast<int>(call->value) && level > 0; ++i) --level;
  }
  return nullptr;
}

void free_menu_calls(MtfMenu *menu) {
  if (menu == nullptr) return;
  MenuItemCall *call = menu->calls;
  menu->calls = nullptr;
  while (call != nullptr) {
    MenuItemCall *next = call->next;
    delete call;
    call = next;
  }
}

void playback_menu_calls(MtfMenu *menu, MakeItemProc make) {
  if (menu == nullptr) return;
  MenuItemCall *call = menu->calls;
  menu->calls = nullptr;
  while (call != nullptr) {
    MenuItemCall *next = call->next;
    make(call->label.c_str(), static_cast<int>(call->sensitive), call->mark, static_cast<int>(call->flag8),
         static_cast<int>(call->flag32), static_cast<int>(call->flag64), call->id, static_cast<int>(call->value));
    delete call;
    call = next;
  }
  cacheXtManageChild(nullptr, nullptr);
}

const MappedPopupNode *mapped_list() { return mapped_head; }

void add_to_mapped_list(Widget widget) { mapped_head = new MappedPopupNode{widget, mapped_head}; }

void delete_from_mapped_list(Widget widget) {
  for (MappedPopupNode **link = &mapped_head; *link != nullptr; link = &(*link)->next) {
    if ((*link)->widget == widget) {
      MappedPopupNode *node = *link;
      *link = node->next;
      delete node;
      return;
    }
  }
}

void unmap_mapped_list(PopdownProc popdown) {
  MappedPopupNode *node = mapped_head;
  mapped_head = nullptr;
  while (node != nullptr) {
    MappedPopupNode *next = node->next;
    popdown(node->widget);
    delete node;
    node = next;
  }
}

void mapped_popup_cb(Widget widget, XtPointer client_data, XtPointer) {
  if (reinterpret_cast<std::intptr_t>(client_data) == kPaneMapped)
    add_to_mapped_list(widget);
  else
    delete_from_mapped_list(widget);
}
