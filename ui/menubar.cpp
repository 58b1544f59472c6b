// The menu bar and pop-up menu: two bar widgets that take turns, so a rebuild
// never shows half a bar; the panes, cascades, items and separators of each
// menu; accelerators and icons; a chosen item as a menu pick for the client.
#include "ui/menubar.h"

#include <X11/xpm.h>
#include <Xm/CascadeB.h>
#include <Xm/MainW.h>
#include <Xm/MenuShell.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/build.h"
#include "base/events.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "build2/menu_calls.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/window_caches.h"

char menu_file_pathname[256];
char iconic_file_name[256];
char *iconic_file_prefix = iconic_file_name;

MtfBar menu_bar;
MtfMenu *pop0_menu;

namespace {

MtfMenu *menu_table[kMenuNumberMax + 1];  // entry 0 stays empty: the pop-up is pop0_menu
MenuBuild build;
XmFontList menu_fonts;
XColor bgcolor, fgcolor;
Pixel bg, fg;
AccelChord chord = accel_chord(true);
// The cascades the bar was made with, until the client's menus take it.
std::vector<Widget> stand_in_cascades;

constexpr unsigned int kXpmCloseness = 4000;
// Pictures of the menus' entries: those of the menus before the last rebuild
// are freed at the next one, when no widget shows them any more.
std::vector<Pixmap> icon_pixmaps, old_icon_pixmaps;

// The batch of widgets waiting to be managed.
constexpr int kBatchMax = 256;
Widget batch_parent;
Widget batch[kBatchMax];
Cardinal batch_count;

std::string to_euc(const char *sjis) {
  std::size_t n = std::strlen(sjis);
  std::vector<char> euc(n * 2 + 1);
  sjis_text_to_euc(euc.data(), sjis, euc.size());
  return euc.data();
}

void item_cb(Widget, XtPointer client_data, XtPointer) {
  // A pick counts only in a session and while no dialog is up.
  if (init_called && busy_with_dialog == 0) {
    auto code = reinterpret_cast<std::uintptr_t>(client_data);
    queue_menu(static_cast<int>(code >> 16), static_cast<int>(code & 0xFFFF) - 1);
  }
  if (graph_pw != nullptr) XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
}

void drop_stand_in_cascades() {
  for (Widget w : stand_in_cascades) XtDestroyWidget(w);
  stand_in_cascades.clear();
}

// Args every menu pane takes: the window's depth, visual and colormap, and
// the font list.
Cardinal pane_args(Arg *args) {
  Cardinal n = 0;
  XtSetArg(args[n], XmNdepth, depth), ++n;
  XtSetArg(args[n], XmNvisual, def_visual), ++n;
  XtSetArg(args[n], XmNcolormap, def_cmap), ++n;
  if (menu_fonts != nullptr) {
    XtSetArg(args[n], XmNlabelFontList, menu_fonts), ++n;
    XtSetArg(args[n], XmNbuttonFontList, menu_fonts), ++n;
  }
  return n;
}

// The picture of an icon entry, from the menu's icon directory; 0 when
// there is none (and the user is told).
Pixmap icon_pixmap(const char *label) {
  std::size_t room = sizeof iconic_file_name - static_cast<std::size_t>(iconic_file_prefix - iconic_file_name);
  Pixmap picture = 0;
  if (std::strlen(label) < room) {
    std::memcpy(iconic_file_prefix, label, std::strlen(label) + 1);
    XpmAttributes attrs{};
    attrs.valuemask = XpmVisual | XpmColormap | XpmDepth | XpmCloseness;
    attrs.visual = def_visual;
    attrs.colormap = def_cmap;
    attrs.depth = static_cast<unsigned>(depth);
    attrs.closeness = kXpmCloseness;
    Pixmap mask = 0;
    if (XpmReadFileToPixmap(display, RootWindow(display, screen), iconic_file_name, &picture, &mask, &attrs) !=
        XpmSuccess)
      picture = 0;
    else
      XpmFreeAttributes(&attrs);
    if (mask != 0) XFreePixmap(display, mask);
  }
  if (picture != 0) icon_pixmaps.push_back(picture);
  if (picture == 0) {
    std::string message = std::string(label) + " Can't find bitmap for icon.\n\r";
    error_message(message.c_str());
  }
  return picture;
}

// The bar of the cascade lets go of what it holds: a pull-down posted from
// it and its submenus, or the keyboard while the bar is traversed (after a
// click on it, say), with the grabs that come with them. Nothing when the
// bar holds nothing.
void cleanup_menu_bar(Widget cascade) {
  if (cascade == nullptr || !XtIsRealized(cascade)) return;
  XEvent event{};
  event.xbutton.type = ButtonPress;
  event.xbutton.display = display;
  event.xbutton.window = XtWindow(cascade);
  event.xbutton.time = XtLastTimestampProcessed(display);
  XtCallActionProc(cascade, const_cast<String>("CleanupMenuBar"), &event, nullptr, 0);
}

void destroy_menu_widgets(MtfMenu *menu) {
  if (menu == nullptr) return;
  // The bar lets go of a menu it still holds posted before the menu goes:
  // otherwise the bar would keep pointing at the destroyed pane, and the next
  // menu it posts would be laid over freed widgets.
  cleanup_menu_bar(menu->cascade);
  if constexpr (kSecondBuild) free_menu_calls(menu);
  if (menu->cascade != nullptr) XtDestroyWidget(menu->cascade);
  // The pane's menu shell may hold other panes: the toolkit takes it away
  // with its last pane.
  if (menu->menu_widget != nullptr) XtDestroyWidget(menu->menu_widget);
}

// Every menu of the bar goes, widgets and records.
void clear_mtf_bar() {
  for (MtfMenu *menu = menu_bar.first; menu != nullptr; menu = menu->next) destroy_menu_widgets(menu);
  free_mtf_menus(menu_bar);
  for (MtfMenu *&entry : menu_table) entry = nullptr;
  for (Pixmap p : old_icon_pixmaps) free_label_pixmap(screen_struct, p);
  old_icon_pixmaps.swap(icon_pixmaps);
  icon_pixmaps.clear();
}

void drop_popup() {
  if (pop0_menu == nullptr) return;
  destroy_menu_widgets(pop0_menu);
  free_mtf_menu(pop0_menu);
  pop0_menu = nullptr;
}

Widget shown_bar() {
  Widget shown = nullptr;
  if (graph_mainw != nullptr) XtVaGetValues(graph_mainw, XmNmenuBar, &shown, nullptr);
  return shown;
}

void show_bar(Widget bar, Widget hide) {
  XtManageChild(bar);
  XtVaSetValues(graph_mainw, XmNmenuBar, bar, nullptr);
  if (hide != nullptr) XtUnmanageChild(hide);
}

// The pull-down or pop-up menu of the pane is posted now.
bool posted(Widget pane) {
  if (pane == nullptr) return false;
  Widget shell = XtParent(pane);
  if (shell == nullptr || !XmIsMenuShell(shell) || !XtIsRealized(shell)) return false;
  XWindowAttributes a;
  return XGetWindowAttributes(XtDisplay(shell), XtWindow(shell), &a) && a.map_state != IsUnmapped;
}

// Takes a posted pop-up menu, or a submenu posted from it, down through the
// toolkit's own pop-down, so that the menu lets go of its grabs: a shell
// only popped down would keep them.
void pop_down_popup(Widget pane) {
  Widget shell = XtParent(pane);
  XEvent event{};
  event.xbutton.type = ButtonRelease;
  event.xbutton.display = XtDisplay(shell);
  event.xbutton.window = XtWindow(shell);
  event.xbutton.root = RootWindowOfScreen(XtScreen(shell));
  event.xbutton.same_screen = True;
  event.xbutton.time = XtLastTimestampProcessed(XtDisplay(shell));
  XtCallActionProc(shell, const_cast<String>("MenuShellPopdownDone"), &event, nullptr, 0);
  XtPopdown(shell);
}

// Second program: takes a posted menu pane down before a rebuild; nothing
// when it is not posted.
[[maybe_unused]] void pop_down_menu_pane(Widget pane) {
  if (!posted(pane)) return;
  // A pull-down of the bar, and a submenu posted from one, is left to the
  // bar's clean-up, which runs on its cascade before the menu goes: popped
  // down here too while a submenu of it is posted, it leaves the menu shell
  // the bar's pull-downs share in a state that brings the toolkit down when
  // the bar drops its next pull-down.
  Widget above = XtParent(pane);
  while (above != nullptr && XmIsMenuShell(above)) above = XtParent(above);
  unsigned char type = 0;
  if (above != nullptr && XmIsRowColumn(above)) XtVaGetValues(above, XmNrowColumnType, &type, nullptr);
  if (type == XmMENU_BAR) return;
  pop_down_popup(pane);
}

// Second program: the pane is on the list of posted panes while it shows. A
// pane destroyed while posted leaves the list too, so that no later rebuild
// pops down a widget that is gone.
[[maybe_unused]] void watch_pane(Widget pane) {
  if constexpr (kSecondBuild) {
    XtAddCallback(pane, XmNmapCallback, mapped_popup_cb, reinterpret_cast<XtPointer>(kPaneMapped));
    XtAddCallback(pane, XmNunmapCallback, mapped_popup_cb, nullptr);
    XtAddCallback(pane, XmNdestroyCallback, mapped_popup_cb, nullptr);
  }
}

}  // namespace

void dx_popdown_menus() {
  if constexpr (kSecondBuild) unmap_mapped_list(pop_down_menu_pane);
  // The pop-up counts as posted from the moment it is managed: posted while
  // the window is not shown, it holds the pointer and keyboard unmapped.
  // Unmanaged, it shows again when it is next managed.
  if (pop0_menu != nullptr && pop0_menu->menu_widget != nullptr &&
      (XtIsManaged(pop0_menu->menu_widget) || posted(pop0_menu->menu_widget))) {
    pop_down_popup(pop0_menu->menu_widget);
    XtUnmanageChild(pop0_menu->menu_widget);
  }
  // The bar shown: the client's, or the empty one standing in for it.
  if (Widget bar = shown_bar()) {
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(bar, XmNchildren, &children, XmNnumChildren, &count, nullptr);
    for (Cardinal i = 0; i < count; ++i) {
      if (XmIsCascadeButton(children[i]) && XtIsManaged(children[i]) && XtIsRealized(children[i])) {
        cleanup_menu_bar(children[i]);
        break;
      }
    }
  }
  // The toolkit keeps one record of the pointer and keyboard grabs of the
  // display, naming the menu that took them; a menu destroyed while named
  // there would be used at the next click. Only menus grab them, and none is
  // posted now.
  if (graph_pw != nullptr && XtIsRealized(graph_pw)) {
    XtUngrabPointer(graph_pw, CurrentTime);
    XtUngrabKeyboard(graph_pw, CurrentTime);
  }
}

void new_mtf_bar(Widget bar) {
  menu_bar = MtfBar{};
  menu_bar.building = bar;
  stand_in_cascades.clear();
  if (bar == nullptr) return;
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(bar, XmNchildren, &children, XmNnumChildren, &count, nullptr);
  for (Cardinal i = 0; i < count; ++i)
    if (XtIsSubclass(children[i], xmCascadeButtonWidgetClass)) stand_in_cascades.push_back(children[i]);
}

void choose_alt_accel_chord(int use_alt) { chord = accel_chord(use_alt != 0); }

void cacheXtManageChild(Widget parent, Widget child) {
  if (child == nullptr || parent != batch_parent || batch_count == kBatchMax) {
    if (batch_count > 0) XtManageChildren(batch, batch_count);
    batch_count = 0;
    batch_parent = parent;
  }
  if (child != nullptr) batch[batch_count++] = child;
}

void menu_button_pressed(Widget, XtPointer client_data, XtPointer) {
  if constexpr (kSecondBuild) {
    auto *menu = static_cast<MtfMenu *>(client_data);
    if (menu == nullptr || menu->items_made) return;
    menu->items_made = true;
    // A definition under way is taken up again afterwards.
    MenuBuild defining = build;
    menu_build_start(build, menu);
    playback_menu_calls(menu, make_new_item);
    build = defining;
  }
}

void dx_new_menubar() {
  dx_popdown_menus();
  cacheXtManageChild(nullptr, nullptr);  // nothing waits on widgets about to go
  build = MenuBuild{};
  lock_graph_win(1);
  if (use_localmenu && menu_bar.building != nullptr && graph_mainw != nullptr) {
    // While the bar is built again an empty one stands in for it.
    if (menu_bar.shown == nullptr) {
      // F10 stays the client's key on this bar too. Empty, it would be
      // lower than the bar it stands in for, and the drawing area would
      // change size twice over a rebuild. It takes no input: a click on a
      // bar without cascades would leave it holding the pointer and
      // keyboard with nothing to let go of them.
      Arg args[3];
      XtSetArg(args[0], XmNmenuAccelerator, const_cast<char *>("Ctrl Shift<Key>F10"));
      XtSetArg(args[1], XmNresizeHeight, False);
      XtSetArg(args[2], XmNsensitive, False);
      menu_bar.shown = XmCreateMenuBar(graph_mainw, const_cast<char *>("MenuBar"), args, 3);
    }
    if (shown_bar() == menu_bar.building) {
      Dimension height = 0;
      XtVaGetValues(menu_bar.building, XmNheight, &height, nullptr);
      XtVaSetValues(menu_bar.shown, XmNheight, height, nullptr);
      show_bar(menu_bar.shown, menu_bar.building);
    }
  }
  // The cascades the window was made with give way to the client's menus.
  drop_stand_in_cascades();
  if (graph_pw != nullptr) XtUninstallTranslations(graph_pw);
  drop_popup();
  clear_mtf_bar();
  if (menu_bar.building != nullptr) {
    XtVaGetValues(menu_bar.building, XmNbackground, &bg, XmNforeground, &fg, nullptr);
    get_widget_color(&bgcolor, menu_bar.building, XmNbackground);
    get_widget_color(&fgcolor, menu_bar.building, XmNforeground);
  }
}

void dx_new_menu(const char *label, int number) {
  build = MenuBuild{};
  if (label == nullptr || number < 0 || number > kMenuNumberMax || menu_bar.building == nullptr) return;
  if (number == 0 && graph_pw == nullptr) return;
  if constexpr (!kSecondBuild)
    menu_fonts = get_widget_text_font("Text", display);
  else
    menu_fonts = fontlist;
  std::string text = to_euc(label);
  XmString s = label_string(text.c_str());
  Arg args[10];
  Cardinal n = pane_args(args);
  MtfMenu *menu = new_mtf_menu(text, number);
  if (number != 0) {
    add_mtf_menu_to_bar(menu_bar, menu);
    menu->menu_widget = XmCreatePulldownMenu(menu_bar.building, const_cast<char *>("pane"), args, n);
    // The second program's cascades are all "pop0"; their items are made when
    // the pane first drops (the toolkit calls no activation of a cascade
    // that has a pane).
    menu->cascade = XtVaCreateWidget(kSecondBuild ? "pop0" : text.c_str(), xmCascadeButtonWidgetClass,
                                     menu_bar.building, XmNsubMenuId, menu->menu_widget, XmNlabelString, s, nullptr);
    if constexpr (!kSecondBuild) XtVaSetValues(menu->cascade, XmNfontList, menu_fonts, nullptr);
    if constexpr (kSecondBuild)
      XtAddCallback(menu->cascade, XmNcascadingCallback, menu_button_pressed, reinterpret_cast<XtPointer>(menu));
  } else {
    dx_popdown_menus();
    drop_popup();
    pop0_menu = menu;
    XtSetArg(args[n], XmNbackground, bg), ++n;
    XtSetArg(args[n], XmNforeground, fg), ++n;
    XtSetArg(args[n], XmNmenuAccelerator, const_cast<char *>("Shift<Key>F11")), ++n;
    menu->menu_widget = XmCreatePopupMenu(graph_pw, const_cast<char *>("popupMenu"), args, n);
  }
  if constexpr (kSecondBuild) watch_pane(menu->menu_widget);
  XmStringFree(s);
  menu_build_start(build, menu);
}

void dx_new_item(const char *label, int sensitivity, int mark, int submenu, int icon, int has_accelerator,
                 int accelerator, int close_levels) {
  if constexpr (kSecondBuild) {
    // A pull-down's items are kept until it first drops; the pop-up menu,
    // which no cascade drops, has them at once.
    if (build.top != nullptr && build.top->number != 0) {
      if (label != nullptr)
        record_menu_call(build.top, label, sensitivity, mark, submenu, icon, has_accelerator, accelerator,
                         close_levels);
      return;
    }
  }
  make_new_item(label, sensitivity, mark, submenu, icon, has_accelerator, accelerator, close_levels);
}

void make_new_item(const char *label, int sensitivity, int mark, int submenu, int icon, int has_accelerator,
                   int accelerator, int close_levels) {
  if (build.top == nullptr || label == nullptr) return;
  std::string text = to_euc(label);
  MenuEntry entry = menu_add_entry(build, text, sensitivity, mark & 0xFF, submenu != 0);
  Widget pane = entry.parent->menu_widget;
  Widget widget = nullptr;
  if (entry.kind == MenuEntryKind::separator) {
    widget = XtVaCreateWidget("sep", xmSeparatorWidgetClass, pane, nullptr);
  } else {
    Arg args[12];
    Cardinal n = 0;
    XmString shown = nullptr;
    Pixmap picture = icon ? icon_pixmap(label) : 0;
    if (picture != 0) {
      XtSetArg(args[n], XmNlabelType, XmPIXMAP), ++n;
      XtSetArg(args[n], XmNlabelPixmap, picture), ++n;
    } else if (!icon) {
      shown = label_string(mtf_item_text(*entry.item).c_str());
      XtSetArg(args[n], XmNlabelString, shown), ++n;
    }
    // The resources' menu fonts are single fonts, which draw no Japanese.
    if (!kSecondBuild && menu_fonts != nullptr) XtSetArg(args[n], XmNfontList, menu_fonts), ++n;
    // An icon without its picture shows its widget name: the label alone.
    std::string translation, accel_shown;
    XmString accel_string = nullptr;
    if (has_accelerator) {
      int c = accelerator & 0xFF;
      translation = accel_translation(chord, c);
      accel_shown = accel_text(chord, c);
      accel_string = label_string(accel_shown.c_str());
      XtSetArg(args[n], XmNmnemonic, static_cast<KeySym>(c)), ++n;
      if (entry.kind == MenuEntryKind::item) {
        XtSetArg(args[n], XmNaccelerator, const_cast<char *>(translation.c_str())), ++n;
        XtSetArg(args[n], XmNacceleratorText, accel_string), ++n;
      }
    }
    if (entry.kind == MenuEntryKind::submenu) {
      Arg pargs[8];
      Cardinal pn = pane_args(pargs);
      entry.submenu->menu_widget = XmCreatePulldownMenu(pane, const_cast<char *>("pane"), pargs, pn);
      if constexpr (kSecondBuild) watch_pane(entry.submenu->menu_widget);
      XtSetArg(args[n], XmNsubMenuId, entry.submenu->menu_widget), ++n;
      widget = XtCreateWidget(text.c_str(), xmCascadeButtonWidgetClass, pane, args, n);
      entry.submenu->cascade = widget;
    } else {
      widget = XtCreateWidget(text.c_str(), xmPushButtonWidgetClass, pane, args, n);
      std::uintptr_t code = (static_cast<std::uintptr_t>(entry.item->owner->number) << 16) |
                            static_cast<std::uint16_t>(entry.item->number);
      XtAddCallback(widget, XmNactivateCallback, item_cb, reinterpret_cast<XtPointer>(code));
    }
    if (!sensitivity) XtSetSensitive(widget, False);
    entry.item->widget = widget;
    if (shown != nullptr) XmStringFree(shown);
    if (accel_string != nullptr) XmStringFree(accel_string);
  }
  cacheXtManageChild(pane, widget);
  menu_end_entry(build, close_levels);
}

void dx_done_menu() {
  if (build.top != nullptr) {
    if (build.top->number != 0)
      menu_table[build.top->number] = build.top;
    else
      pop0_menu = build.top;
  }
  cacheXtManageChild(nullptr, nullptr);
  build = MenuBuild{};
}

void dx_done_menubar() {
  cacheXtManageChild(nullptr, nullptr);
  // The client's menus, finished without a rebuild begun, still take the
  // stand-ins' place; the bar, shown meanwhile, keeps its height through the
  // exchange. Without menus of the client's the stand-ins stay.
  const bool hold_height = !stand_in_cascades.empty() && menu_bar.first != nullptr && menu_bar.building != nullptr &&
                     XtIsManaged(menu_bar.building);
  if (hold_height) XtVaSetValues(menu_bar.building, XmNresizeHeight, False, nullptr);
  if (menu_bar.first != nullptr) drop_stand_in_cascades();
  for (MtfMenu *menu = menu_bar.first; menu != nullptr; menu = menu->next)
    if (menu->cascade != nullptr) XtManageChild(menu->cascade);
  if (hold_height) XtVaSetValues(menu_bar.building, XmNresizeHeight, True, nullptr);
  if (graph_pw != nullptr) XtOverrideTranslations(graph_pw, graphicsTranslations);
  if (use_localmenu && menu_bar.building != nullptr && graph_mainw != nullptr) {
    Widget shown = shown_bar();
    Cardinal children = 0;
    XtVaGetValues(menu_bar.building, XmNnumChildren, &children, nullptr);
    if (shown != menu_bar.building && children > 0) {
      if (shown != nullptr) menu_bar.shown = shown;
      show_bar(menu_bar.building, shown);
    }
  }
  lock_graph_win(0);
}

int dx_show_menu(int number) {
  MtfMenu *menu = menu_by_number(menu_table, pop0_menu, number);
  if (menu == nullptr || menu->menu_widget == nullptr) return 0;
  // One menu at a time: what is posted goes first.
  dx_popdown_menus();
  if (number == 0) {
    XmMenuPosition(menu->menu_widget, &last_event.xbutton);
    XtManageChild(menu->menu_widget);
    return 1;
  }
  // A pull-down drops only from a bar that is shown.
  if (menu->cascade == nullptr || graph_window == 0 || !XtIsRealized(menu->cascade) ||
      !XtIsManaged(XtParent(menu->cascade)))
    return 0;
  // A made-up press on the graphics window drops the pull-down.
  // The press lies on the cascade button, where the toolkit looks for it.
  XEvent press{};
  Window inside = 0;
  Dimension width = 0, height = 0;
  XtVaGetValues(menu->cascade, XmNwidth, &width, XmNheight, &height, nullptr);
  press.xbutton.type = ButtonPress;
  press.xbutton.display = display;
  press.xbutton.window = graph_window;
  press.xbutton.root = RootWindow(display, screen);
  press.xbutton.same_screen = True;
  press.xbutton.time = XtLastTimestampProcessed(display);
  press.xbutton.button = Button1;
  press.xbutton.x = width / 2;
  press.xbutton.y = height / 2;
  XTranslateCoordinates(display, XtWindow(menu->cascade), press.xbutton.root, width / 2, height / 2,
                        &press.xbutton.x_root, &press.xbutton.y_root, &inside);
  XtCallActionProc(menu->cascade, const_cast<String>("MenuBarSelect"), &press, nullptr, 0);
  XtCallActionProc(menu->cascade, const_cast<String>("DoSelect"), &press, nullptr, 0);
  return 1;
}

void dx_set_menu_attrs(int number, int item, int sensitivity, int mark) {
  MtfMenu *menu = menu_by_number(menu_table, pop0_menu, number);
  MtfItem *entry = find_mtf_item(menu, item);
  if constexpr (kSecondBuild) {
    // An item not made yet takes the change into its recorded call.
    if (MenuItemCall *call = entry == nullptr ? find_menu_call(menu, item) : nullptr) {
      call->sensitive = static_cast<std::uint32_t>(sensitivity);
      call->mark = static_cast<std::uint8_t>(mark);
    }
  }
  if (entry == nullptr) return;
  bool mark_changed = false, sensitivity_changed = false;
  set_mtf_item_attrs(*entry, sensitivity, mark & 0xFF, mark_changed, sensitivity_changed);
  if (entry->widget == nullptr || (!mark_changed && !sensitivity_changed)) return;
  Arg args[2];
  Cardinal n = 0;
  XmString shown = nullptr;
  if (mark_changed) {
    shown = label_string(mtf_item_text(*entry).c_str());
    XtSetArg(args[n], XmNlabelString, shown), ++n;
  }
  if (sensitivity_changed) XtSetArg(args[n], XmNsensitive, sensitivity ? True : False), ++n;
  XtSetValues(entry->widget, args, n);
  if (shown != nullptr) XmStringFree(shown);
}

int dx_get_menu_attrs(int number, int item, int *sensitivity, int *mark) {
  MtfMenu *menu = menu_by_number(menu_table, pop0_menu, number);
  MtfItem *entry = find_mtf_item(menu, item);
  if constexpr (kSecondBuild) {
    if (MenuItemCall *call = entry == nullptr ? find_menu_call(menu, item) : nullptr) {
      *sensitivity = call->sensitive != 0 ? 1 : 0;
      *mark = call->mark;
      return 1;
    }
  }
  *sensitivity = entry != nullptr ? entry->sensitivity : 0;
  *mark = entry != nullptr ? entry->mark : 0;
  return entry != nullptr ? 1 : 0;
}
