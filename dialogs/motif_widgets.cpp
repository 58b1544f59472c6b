// The dialogs' widget layer on Motif, the keys of an open dialog and the
// widgets' callbacks, which report to the tile handlers by handle.
#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/BulletinB.h>
#include <Xm/DialogS.h>
#include <Xm/DrawnB.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/LabelG.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/PushBG.h>
#include <Xm/RowColumn.h>
#include <Xm/Scale.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include <Xm/ToggleBG.h>
#include <Xm/Xm.h>

#include <cstring>
#include <vector>

#include "base/build.h"
#include "base/x_session.h"
#include "dialogs/dialog_box.h"
#include "dialogs/dialog_packets.h"
#include "dialogs/tile_handlers.h"
#include "dialogs/tile_widgets.h"
#include "ui/graph_window.h"
#include "ui/window_caches.h"

XFontSet mb_font;

namespace {

// The cursor the dialog shells show (font cursor 2).
constexpr unsigned kDialogShellCursor = 2;

Widget W(WidgetId id) { return reinterpret_cast<Widget>(id); }
WidgetId id_of(Widget w) { return reinterpret_cast<WidgetId>(w); }

// A callback's client data: the tile's handle, and for a popup entry its
// position above it.
static_assert(sizeof(XtPointer) >= 8);
XtPointer handle_data(std::uint32_t handle, std::uint32_t position = 0) {
  return reinterpret_cast<XtPointer>(static_cast<std::uintptr_t>(position) << 32 | handle);
}
std::uint32_t handle_of(XtPointer data) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data)); }
std::uint32_t position_of(XtPointer data) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(data) >> 32);
}

GC dialog_gc;
Cursor shell_cursor;
XtTranslations return_activates;
Pixel grey_pixel;
bool grey_known;

struct Args {
  Arg a[24];
  Cardinal n = 0;
  void add(const char *name, XtArgVal value) {
    XtSetArg(a[n], const_cast<char *>(name), value);
    ++n;
  }
};

XtArgVal value(unsigned long v) { return static_cast<XtArgVal>(v); }

void add_fonts(Args &a) {
  if (fontlist == nullptr) return;
  a.add(XmNbuttonFontList, reinterpret_cast<XtArgVal>(fontlist));
  a.add(XmNlabelFontList, reinterpret_cast<XtArgVal>(fontlist));
  a.add(XmNtextFontList, reinterpret_cast<XtArgVal>(fontlist));
}

// What every tile widget is made with.
void add_look(Args &a, const TileLook &look, bool font = true) {
  if (font && fontlist != nullptr) a.add(XmNfontList, reinterpret_cast<XtArgVal>(fontlist));
  a.add(XmNforeground, value(look.foreground));
  a.add(XmNbackground, value(look.background));
  a.add(XmNsensitive, look.sensitive);
  a.add(XmNtraversalOn, look.traversal);
  a.add(XmNuserData, reinterpret_cast<XtArgVal>(handle_data(look.handle)));
}

// An XmString of a text for as long as it lives.
struct Text {
  XmString s;
  explicit Text(const std::string &text) : s(label_string(text.c_str())) {}
  ~Text() { XmStringFree(s); }
  Text(const Text &) = delete;
  Text &operator=(const Text &) = delete;
  XtArgVal arg() const { return reinterpret_cast<XtArgVal>(s); }
};

bool empty_option_menu(Widget w) {
  if (!XmIsRowColumn(w)) return false;
  unsigned char type = 0;
  Widget menu = nullptr;
  XtVaGetValues(w, XmNrowColumnType, &type, nullptr);
  if (type != XmMENU_OPTION) return false;
  XtVaGetValues(w, XmNsubMenuId, &menu, nullptr);
  Cardinal entries = 0;
  if (menu != nullptr) XtVaGetValues(menu, XmNnumChildren, &entries, nullptr);
  return entries == 0;
}

Widget managed(Widget w) {
  XtManageChild(w);
  return w;
}

// ---- callbacks ----------------------------------------------------------------------

void place_cb(Widget shell, XtPointer, XtPointer) { dialog_place(id_of(shell)); }

void button_cb(Widget, XtPointer data, XtPointer) { button_activated(handle_of(data)); }

void toggle_cb(Widget, XtPointer data, XtPointer call) {
  toggle_changed(handle_of(data), static_cast<XmToggleButtonCallbackStruct *>(call)->set != 0);
}

void radio_cb(Widget, XtPointer data, XtPointer call) {
  radio_changed(handle_of(data), static_cast<XmToggleButtonCallbackStruct *>(call)->set != 0);
}

void list_cb(Widget, XtPointer data, XtPointer call) {
  const auto *cbs = static_cast<XmListCallbackStruct *>(call);
  const bool release = cbs->event != nullptr && cbs->event->type == ButtonRelease;
  list_selected(handle_of(data), cbs->reason == XmCR_DEFAULT_ACTION, release,
                release ? cbs->event->xbutton.time : 0);
}

void edit_activate_cb(Widget, XtPointer data, XtPointer) { edit_activated(handle_of(data)); }
void edit_focus_cb(Widget, XtPointer data, XtPointer) { edit_left(handle_of(data)); }

// The key a text field would insert.
KeySym keysym_of(XEvent *event) {
  char text[8];
  KeySym keysym = NoSymbol;
  XLookupString(&event->xkey, text, sizeof text, &keysym, nullptr);
  return keysym;
}

// Ctrl+c cancels the dialog (dialog_event): in a field it types nothing.
void edit_key_cb(Widget, XtPointer, XtPointer call) {
  auto *cbs = static_cast<XmTextVerifyCallbackStruct *>(call);
  if (cbs->event != nullptr && cbs->event->type == KeyPress &&
      dialog_cancel_key(keysym_of(cbs->event), cbs->event->xkey.state))
    cbs->doit = False;
}

void edit_verify_cb(Widget, XtPointer data, XtPointer call) {
  auto *cbs = static_cast<XmTextVerifyCallbackStruct *>(call);
  if (!cbs->doit) return;
  const bool text = cbs->text != nullptr && cbs->text->ptr != nullptr && cbs->text->length > 0;
  std::string_view inserted = text ? std::string_view(cbs->text->ptr, static_cast<std::size_t>(cbs->text->length))
                                   : std::string_view();
  std::string shown;
  if (!edit_modified(handle_of(data), cbs->startPos, cbs->endPos, inserted, shown) || !text) return;
  // One password character for each character taken: never more bytes
  // than came.
  std::memcpy(cbs->text->ptr, shown.data(), shown.size());
  cbs->text->length = static_cast<int>(shown.size());
}

void popup_cb(Widget, XtPointer data, XtPointer) {
  popup_chosen(handle_of(data), static_cast<int>(position_of(data)));
}

void scale_cb(Widget, XtPointer data, XtPointer call) {
  const auto *cbs = static_cast<XmScaleCallbackStruct *>(call);
  slider_moved(handle_of(data), cbs->value, cbs->reason == XmCR_DRAG);
}

void image_button_cb(Widget w, XtPointer data, XtPointer call) {
  const auto *cbs = static_cast<XmDrawnButtonCallbackStruct *>(call);
  int x = -1, y = -1;
  if (cbs->event != nullptr && (cbs->event->type == ButtonPress || cbs->event->type == ButtonRelease)) {
    // The image lies inside the button's shadow.
    x = cbs->event->xbutton.x - 4;
    y = cbs->event->xbutton.y - 4;
  }
  image_button_clicked(handle_of(data), x, y, cbs->click_count > 1, XtIsSensitive(w));
}

void image_expose_cb(Widget, XtPointer data, XtPointer) { image_button_exposed(handle_of(data)); }

// ---- the layer ------------------------------------------------------------------------

class MotifDialogWidgets final : public DialogWidgets {
 public:
  bool available() override { return display != nullptr && graph_frame != nullptr && XtIsRealized(graph_frame); }

  void open_environment(DialogEnvironment &env) override {
    env.display = display;
    env.screen = screen;
    env.depth = depth;
    env.frame_window = available() ? XtWindow(graph_frame) : 0;
    env.screen_width = screen_struct != nullptr ? WidthOfScreen(screen_struct) : 1280;
    env.screen_height = screen_struct != nullptr ? HeightOfScreen(screen_struct) : 1024;
    env.char_width = 8;
    env.char_height = 13;
    env.descent = 3;
    if (display == nullptr) return;
    if constexpr (!kSecondBuild) {
      mb_font = get_widget_graph_font("Graph", display);
      if (mb_font != nullptr) {
        const XFontSetExtents *ext = XExtentsOfFontSet(mb_font);
        env.char_width = ext->max_logical_extent.width / 2;
        env.char_height = ext->max_logical_extent.height;
        env.descent = env.char_height + ext->max_logical_extent.y;
      }
      fontlist = get_widget_text_font("Text", display);
    } else if (graph_font != nullptr) {
      env.char_width = graph_font->max_bounds.width;
      env.char_height = graph_font->ascent + graph_font->descent;
      env.descent = graph_font->descent;
    }
  }

  void read_colours(DialogEnvironment &env) override {
    env.background = graph_bg_color.pixel;
    env.foreground = graph_fg_color.pixel;
    if (!available()) return;
    if (dialog_gc != nullptr) XFreeGC(display, dialog_gc);
    XGCValues v{};
    v.function = GXcopy;
    dialog_gc = XCreateGC(display, XtWindow(graph_frame), GCFunction, &v);
  }

  WidgetId create_dialog(const std::string &title, const DialogEnvironment &env, WidgetId &board) override {
    Args a;
    a.add(XmNtitle, reinterpret_cast<XtArgVal>(title.c_str()));
    a.add(XmNdeleteResponse, XmDO_NOTHING);
    a.add(XmNvisual, reinterpret_cast<XtArgVal>(def_visual));
    a.add(XmNdepth, depth);
    a.add(XmNcolormap, value(def_cmap));
    a.add(XmNbackground, value(env.background));
    // A shell is never realized at no size.
    a.add(XmNwidth, 1);
    a.add(XmNheight, 1);
    add_fonts(a);
    Widget shell = XmCreateDialogShell(graph_frame, const_cast<char *>("RazovurDialog"), a.a, a.n);
    XtAddCallback(shell, XmNpopupCallback, place_cb, nullptr);

    Args b;
    b.add(XmNmarginWidth, 2 * env.char_width);
    b.add(XmNmarginHeight, 2 * env.char_height);
    b.add(XmNforeground, value(env.foreground));
    b.add(XmNbackground, value(env.background));
    b.add(XmNdefaultPosition, False);
    b.add(XmNautoUnmanage, False);
    b.add(XmNwidth, 1);
    b.add(XmNheight, 1);
    add_fonts(b);
    Widget bb = XmCreateBulletinBoard(shell, const_cast<char *>("RazovurTopBulletinBoard"), b.a, b.n);
    XtRealizeWidget(shell);
    XtRealizeWidget(bb);
    Window own = XtWindow(shell);
    XSetWMColormapWindows(display, own, &own, 1);
    board = id_of(bb);
    return id_of(shell);
  }

  void set_title(WidgetId shell, const std::string &title) override {
    XtVaSetValues(W(shell), XmNtitle, title.c_str(), nullptr);
  }

  void show_dialog(WidgetId shell, WidgetId board) override {
    XtManageChild(W(board));  // a dialog shell's child shows it
    XtPopup(W(shell), XtGrabNone);
  }

  void dialog_cursor(WidgetId shell) override {
    graph_cursor(2);
    if (shell_cursor == 0) shell_cursor = XCreateFontCursor(display, kDialogShellCursor);
    if (XtIsRealized(W(shell))) XDefineCursor(display, XtWindow(W(shell)), shell_cursor);
    XFlush(display);
  }

  void place_shell(WidgetId shell, WidgetId board, bool move, int x, int y, int width, int height) override {
    if (move) XtVaSetValues(W(shell), XmNx, x, XmNy, y, nullptr);
    XtVaSetValues(W(shell), XmNmappedWhenManaged, True, XmNwidth, width, XmNheight, height, XmNminWidth, width,
                  XmNmaxWidth, width, XmNminHeight, height, XmNmaxHeight, height, nullptr);
    XtVaSetValues(W(board), XmNmappedWhenManaged, True, XmNwidth, width, XmNheight, height, nullptr);
  }

  void frame_geometry(int &x, int &y, int &width, int &height) override {
    widget_geometry(id_of(graph_frame), x, y, width, height);
  }

  void widget_geometry(WidgetId widget, int &x, int &y, int &width, int &height) override {
    Position px = 0, py = 0;
    Dimension w = 0, h = 0;
    if (widget != 0) XtVaGetValues(W(widget), XmNx, &px, XmNy, &py, XmNwidth, &w, XmNheight, &h, nullptr);
    x = px;
    y = py;
    width = w;
    height = h;
  }

  void destroy_dialog(WidgetId shell, WidgetId board) override {
    XtUnmanageChild(W(board));
    XtPopdown(W(shell));
    XtDestroyWidget(W(shell));
    graph_cursor(system_cursor ? 0 : 1);
  }

  void graphics_focus() override {
    if (graph_mainw != nullptr && graph_pw != nullptr) XtSetKeyboardFocus(graph_mainw, graph_pw);
  }

  bool pointer_inside(WidgetId shell) override {
    if (!XtIsRealized(W(shell))) return false;
    Window root, child;
    int rx, ry, wx, wy;
    unsigned mask;
    if (!XQueryPointer(display, XtWindow(W(shell)), &root, &child, &rx, &ry, &wx, &wy, &mask)) return false;
    int x, y, width, height;
    widget_geometry(shell, x, y, width, height);
    return wx >= 0 && wy >= 0 && wx < width && wy < height;
  }

  void focus(WidgetId widget) override {
    XmProcessTraversal(W(widget), XmTRAVERSE_CURRENT);
    XmProcessTraversal(W(widget), XmTRAVERSE_CURRENT);
  }

  WidgetId create_cluster(WidgetId parent, const std::string &label, bool radio, bool framed, const TileLook &look,
                          ClusterExtra &extra) override {
    Widget holder = W(parent);
    if (framed) {
      Args f;
      add_look(f, look, false);
      Widget frame = managed(XmCreateFrame(holder, const_cast<char *>("RazovurFrame"), f.a, f.n));
      Text text(label);
      Args l;
      add_look(l, look);
      l.add(XmNlabelString, text.arg());
      Widget frame_label = XmCreateLabelGadget(holder, const_cast<char *>("RazovurFrameLabel"), l.a, l.n);
      Dimension w = 0, h = 0;
      XtVaGetValues(frame_label, XmNwidth, &w, XmNheight, &h, nullptr);
      extra.frame = id_of(frame);
      extra.frame_label = id_of(frame_label);
      extra.label_width = w;
      extra.label_height = h;
      holder = frame;
    }
    Args b;
    add_look(b, look, false);
    add_fonts(b);
    b.add(XmNmarginWidth, 0);
    b.add(XmNmarginHeight, 0);
    if (radio) {
      // The tile handlers keep one button of the cluster set themselves.
      b.add(XmNradioBehavior, False);
      b.add(XmNpacking, XmPACK_NONE);
    }
    const char *name = radio ? (framed ? "RazovurFramedRadioBox" : "RazovurRadioBox")
                             : (framed ? "RazovurFramedBulletinBoard" : "RazovurBulletinBoard");
    Widget board = radio ? XmCreateRadioBox(holder, const_cast<char *>(name), b.a, b.n)
                         : XmCreateBulletinBoard(holder, const_cast<char *>(name), b.a, b.n);
    return id_of(managed(board));
  }

  WidgetId create_label(WidgetId parent, const std::string &text, const TileLook &look) override {
    Text s(text);
    Args a;
    add_look(a, look);
    a.add(XmNlabelString, s.arg());
    return id_of(managed(XmCreateLabelGadget(W(parent), const_cast<char *>("RazovurLabel"), a.a, a.n)));
  }

  WidgetId create_button(WidgetId parent, const std::string &label, const TileLook &look) override {
    Text s(label);
    Args a;
    add_look(a, look);
    a.add(XmNlabelString, s.arg());
    // A widget, not a gadget: Return on it activates it.
    Widget b = XmCreatePushButton(W(parent), const_cast<char *>("RazovurButton"), a.a, a.n);
    if (return_activates == nullptr)
      return_activates = XtParseTranslationTable("<Key>Return:ArmAndActivate()");
    XtOverrideTranslations(b, return_activates);
    XtAddCallback(b, XmNactivateCallback, button_cb, handle_data(look.handle));
    return id_of(managed(b));
  }

  WidgetId create_toggle(WidgetId parent, const std::string &label, bool radio, const TileLook &look) override {
    Text s(label);
    Args a;
    add_look(a, look);
    a.add(XmNlabelString, s.arg());
    if (radio) a.add(XmNindicatorType, XmONE_OF_MANY);
    const char *name = radio ? "RazovurRadioButton" : "RazovurToggle";
    Widget t = XmCreateToggleButtonGadget(W(parent), const_cast<char *>(name), a.a, a.n);
    XtAddCallback(t, XmNvalueChangedCallback, radio ? radio_cb : toggle_cb, handle_data(look.handle));
    return id_of(managed(t));
  }

  WidgetId create_list(WidgetId parent, const std::string &label, bool several, const TileLook &look,
                       WidgetId &list) override {
    Widget holder = W(parent), form = nullptr, title = nullptr;
    if (!label.empty()) {
      Args f;
      add_look(f, look, false);
      add_fonts(f);  // given, the toolkit converts no font list from the resources for it
      form = XmCreateForm(holder, const_cast<char *>("RazovurLabeledListBoxParent"), f.a, f.n);
      Text s(label);
      Args l;
      add_look(l, look);
      l.add(XmNlabelString, s.arg());
      l.add(XmNtopAttachment, XmATTACH_FORM);
      l.add(XmNleftAttachment, XmATTACH_FORM);
      title = managed(XmCreateLabelGadget(form, const_cast<char *>("RazovurLabeledListBox"), l.a, l.n));
      holder = form;
    }
    Args a;
    add_look(a, look);
    a.add(XmNselectionPolicy, several ? XmEXTENDED_SELECT : XmBROWSE_SELECT);
    a.add(XmNlistSizePolicy, XmCONSTANT);
    a.add(XmNscrollBarDisplayPolicy, XmSTATIC);
    Widget l = XmCreateScrolledList(holder, const_cast<char *>("RazovurListBox"), a.a, a.n);
    for (const char *cb : {XmNbrowseSelectionCallback, XmNsingleSelectionCallback, XmNmultipleSelectionCallback,
                           XmNextendedSelectionCallback, XmNdefaultActionCallback})
      XtAddCallback(l, cb, list_cb, handle_data(look.handle));
    XtManageChild(l);
    Widget scrolled = XtParent(l);
    if (form != nullptr)
      XtVaSetValues(scrolled, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, title, XmNleftAttachment,
                    XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
    XtManageChild(scrolled);
    list = id_of(l);
    return id_of(form != nullptr ? managed(form) : scrolled);
  }

  WidgetId create_edit(WidgetId parent, const std::string &label, int columns, int max_length, bool password,
                       const TileLook &look, WidgetId &field) override {
    Args b;
    add_look(b, look, false);
    add_fonts(b);
    b.add(XmNmarginWidth, 0);
    b.add(XmNmarginHeight, 0);
    Widget bb = XmCreateBulletinBoard(W(parent), const_cast<char *>("RazovurTextFieldParent"), b.a, b.n);
    Text s(label);
    Args l;
    add_look(l, look);
    l.add(XmNlabelString, s.arg());
    Widget title = managed(XmCreateLabelGadget(bb, const_cast<char *>("RazovurTextFieldLabel"), l.a, l.n));
    Dimension label_width = 0;
    XtVaGetValues(title, XmNwidth, &label_width, nullptr);
    Args t;
    add_look(t, look);
    t.add(XmNcolumns, columns);
    t.add(XmNmaxLength, max_length);
    t.add(XmNx, label_width);
    Widget tf = XmCreateTextField(bb, const_cast<char *>("RazovurTextFieldEditBox"), t.a, t.n);
    XtAddCallback(tf, XmNactivateCallback, edit_activate_cb, handle_data(look.handle));
    XtAddCallback(tf, XmNlosingFocusCallback, edit_focus_cb, handle_data(look.handle));
    XtAddCallback(tf, XmNmodifyVerifyCallback, edit_key_cb, nullptr);
    if (password) XtAddCallback(tf, XmNmodifyVerifyCallback, edit_verify_cb, handle_data(look.handle));
    field = id_of(managed(tf));
    return id_of(managed(bb));
  }

  WidgetId create_popup(WidgetId parent, const std::string &label, const TileLook &look, WidgetId &pulldown) override {
    Args m;
    m.add(XmNvisual, reinterpret_cast<XtArgVal>(def_visual));
    m.add(XmNdepth, depth);
    m.add(XmNcolormap, value(def_cmap));
    m.add(XmNforeground, value(look.foreground));
    m.add(XmNbackground, value(look.background));
    m.add(XmNpacking, XmPACK_COLUMN);
    add_fonts(m);  // for its menu shell too
    Widget pd = XmCreatePulldownMenu(W(parent), const_cast<char *>("RazovurPopupMenu"), m.a, m.n);
    Text s(label);
    Args a;
    add_look(a, look, false);
    a.add(XmNsubMenuId, reinterpret_cast<XtArgVal>(pd));
    a.add(XmNlabelString, s.arg());
    Widget option = XmCreateOptionMenu(W(parent), const_cast<char *>("RazovurPopupMenuParent"), a.a, a.n);
    pulldown = id_of(pd);
    return id_of(managed(option));
  }

  WidgetId create_slider(WidgetId parent, int minimum, int maximum, bool horizontal, const TileLook &look) override {
    Args a;
    add_look(a, look);
    a.add(XmNminimum, minimum);
    a.add(XmNmaximum, maximum);
    a.add(XmNvalue, minimum);
    a.add(XmNorientation, horizontal ? XmHORIZONTAL : XmVERTICAL);
    a.add(horizontal ? XmNscaleHeight : XmNscaleWidth, 25);
    Widget s = XmCreateScale(W(parent), const_cast<char *>("RazovurScale"), a.a, a.n);
    XtAddCallback(s, XmNvalueChangedCallback, scale_cb, handle_data(look.handle));
    XtAddCallback(s, XmNdragCallback, scale_cb, handle_data(look.handle));
    return id_of(managed(s));
  }

  WidgetId create_image_button(WidgetId parent, int width, int height, const TileLook &look) override {
    Args a;
    add_look(a, look, false);
    a.add(XmNwidth, width);
    a.add(XmNheight, height);
    a.add(XmNrecomputeSize, False);
    a.add(XmNmultiClick, XmMULTICLICK_KEEP);
    Widget b = XmCreateDrawnButton(W(parent), const_cast<char *>("RazovurImageButton"), a.a, a.n);
    XtAddCallback(b, XmNactivateCallback, image_button_cb, handle_data(look.handle));
    XtAddCallback(b, XmNexposeCallback, image_expose_cb, handle_data(look.handle));
    return id_of(managed(b));
  }

  WidgetId create_image_label(WidgetId parent, WidgetId pixmap, const TileLook &look) override {
    Args a;
    add_look(a, look, false);
    a.add(XmNlabelType, XmPIXMAP);
    a.add(XmNlabelPixmap, value(pixmap));
    for (const char *margin : {XmNmarginWidth, XmNmarginHeight, XmNmarginLeft, XmNmarginRight, XmNmarginTop,
                               XmNmarginBottom, XmNhighlightThickness, XmNshadowThickness})
      a.add(margin, 0);
    return id_of(managed(XmCreateLabel(W(parent), const_cast<char *>("RazovurImageLabel"), a.a, a.n)));
  }

  void natural_size(WidgetId widget, int &width, int &height) override {
    int x, y;
    widget_geometry(widget, x, y, width, height);
  }

  void set_geometry(WidgetId widget, int x, int y, int width, int height) override {
    Args a;
    a.add(XmNx, x);
    a.add(XmNy, y);
    // An option menu without entries has no size to change (Motif fails on it).
    if (!empty_option_menu(W(widget))) {
      if (width >= 0) a.add(XmNwidth, width);
      if (height >= 0) a.add(XmNheight, height);
    }
    XtSetValues(W(widget), a.a, a.n);
  }

  void fix_board(WidgetId board, int width, int height) override {
    Widget b = W(board);
    if (XmIsRowColumn(b))
      XtVaSetValues(b, XmNwidth, width, XmNheight, height, XmNresizeWidth, False, XmNresizeHeight, False, nullptr);
    else
      XtVaSetValues(b, XmNwidth, width, XmNheight, height, XmNnoResize, True, XmNresizePolicy, XmRESIZE_NONE, nullptr);
  }

  void manage(WidgetId widget) override { XtManageChild(W(widget)); }
  void destroy(WidgetId widget) override { XtDestroyWidget(W(widget)); }
  void set_sensitive(WidgetId widget, bool sensitive) override { XtSetSensitive(W(widget), sensitive); }
  bool sensitive(WidgetId widget) override { return XtIsSensitive(W(widget)); }

  std::string label_text(WidgetId widget) override {
    XmString s = nullptr;
    XtVaGetValues(W(widget), XmNlabelString, &s, nullptr);
    if (s == nullptr) return {};
    char *text = static_cast<char *>(
        XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmMULTIBYTE_TEXT, nullptr, 0, XmOUTPUT_ALL));
    XmStringFree(s);
    std::string out = text != nullptr ? text : "";
    XtFree(text);
    return out;
  }

  void set_label_text(WidgetId widget, const std::string &text) override {
    Text s(text);
    XtVaSetValues(W(widget), XmNlabelString, s.s, nullptr);
  }

  bool toggle_state(WidgetId widget) override { return XmToggleButtonGetState(W(widget)); }
  void set_toggle_state(WidgetId widget, bool set, bool notify) override {
    XmToggleButtonSetState(W(widget), set, notify);
  }

  int list_count(WidgetId list) override {
    int count = 0;
    XtVaGetValues(W(list), XmNitemCount, &count, nullptr);
    return count;
  }
  void list_insert(WidgetId list, int position, const std::string &text) override {
    Text s(text);
    XmListAddItemUnselected(W(list), s.s, position + 1);
  }
  void list_replace(WidgetId list, int position, const std::string &text) override {
    Text s(text);
    XmListReplaceItemsPos(W(list), &s.s, 1, position + 1);
  }
  void list_clear(WidgetId list) override { XmListDeleteAllItems(W(list)); }
  std::vector<int> list_selection(WidgetId list) override {
    int *positions = nullptr, count = 0;
    std::vector<int> out;
    if (XmListGetSelectedPos(W(list), &positions, &count)) {
      for (int i = 0; i < count; ++i) out.push_back(positions[i] - 1);
      XtFree(reinterpret_cast<char *>(positions));
    }
    return out;
  }
  void list_select(WidgetId list, int position) override { XmListSelectPos(W(list), position + 1, False); }
  void list_deselect_all(WidgetId list) override { XmListDeselectAllItems(W(list)); }
  ListPolicy list_policy(WidgetId list) override {
    unsigned char policy = XmBROWSE_SELECT;
    XtVaGetValues(W(list), XmNselectionPolicy, &policy, nullptr);
    switch (policy) {
      case XmSINGLE_SELECT: return ListPolicy::single;
      case XmMULTIPLE_SELECT: return ListPolicy::multiple;
      case XmEXTENDED_SELECT: return ListPolicy::extended;
      default: return ListPolicy::browse;
    }
  }
  void set_list_policy(WidgetId list, ListPolicy policy) override {
    unsigned char p = XmBROWSE_SELECT;
    switch (policy) {
      case ListPolicy::single: p = XmSINGLE_SELECT; break;
      case ListPolicy::multiple: p = XmMULTIPLE_SELECT; break;
      case ListPolicy::extended: p = XmEXTENDED_SELECT; break;
      case ListPolicy::browse: break;
    }
    XtVaSetValues(W(list), XmNselectionPolicy, p, nullptr);
  }

  std::string field_text(WidgetId field) override {
    char *text = XmTextFieldGetString(W(field));
    std::string out = text != nullptr ? text : "";
    XtFree(text);
    return out;
  }
  void set_field_text(WidgetId field, const std::string &text) override {
    XmTextFieldSetString(W(field), const_cast<char *>(text.c_str()));
  }
  void set_field_grey(WidgetId field, bool grey) override {
    if (grey && !grey_known) {
      XColor shown, exact;
      grey_known = XAllocNamedColor(display, def_cmap, "grey", &shown, &exact) != 0;
      grey_pixel = shown.pixel;
    }
    XtVaSetValues(W(field), XmNforeground, grey && grey_known ? grey_pixel : dialog_env.foreground, nullptr);
  }
  void select_field(WidgetId field, int from, int to) override {
    const XmTextPosition last = XmTextFieldGetLastPosition(W(field));
    XmTextFieldSetSelection(W(field), from, to < last ? to : last, CurrentTime);
  }

  WidgetId add_popup_button(WidgetId pulldown, int position, const std::string &text, const TileLook &look) override {
    Args a;
    add_look(a, look);
    Text s(text);
    if (!text.empty()) a.add(XmNlabelString, s.arg());
    Widget b = XmCreatePushButtonGadget(W(pulldown), const_cast<char *>("button"), a.a, a.n);
    XtAddCallback(b, XmNactivateCallback, popup_cb, handle_data(look.handle, static_cast<std::uint32_t>(position)));
    return id_of(b);
  }
  void set_popup_choice(WidgetId option_menu, WidgetId button) override {
    XtVaSetValues(W(option_menu), XmNmenuHistory, button != 0 ? W(button) : nullptr, nullptr);
  }
  void set_popup_columns(WidgetId pulldown, int columns) override {
    XtVaSetValues(W(pulldown), XmNpacking, XmPACK_COLUMN, XmNnumColumns, columns, nullptr);
    // The new entries all at once: one by one the menu is laid out anew for
    // each of them.
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(W(pulldown), XmNchildren, &children, XmNnumChildren, &count, nullptr);
    std::vector<Widget> fresh;
    for (Cardinal i = 0; i < count; ++i)
      if (!XtIsManaged(children[i])) fresh.push_back(children[i]);
    if (!fresh.empty()) XtManageChildren(fresh.data(), static_cast<Cardinal>(fresh.size()));
  }

  void set_scale_value(WidgetId scale, int v) override { XmScaleSetValue(W(scale), v); }

  WidgetId create_pixmap(int width, int height) override {
    if (!available()) return 0;
    return static_cast<WidgetId>(XCreatePixmap(display, XtWindow(graph_frame), static_cast<unsigned>(width),
                                               static_cast<unsigned>(height), static_cast<unsigned>(depth)));
  }
  void free_pixmap(WidgetId pixmap) override {
    if (pixmap != 0) free_label_pixmap(screen_struct, static_cast<Pixmap>(pixmap));
  }
  void clear_pixmap(WidgetId pixmap, int width, int height) override {
    if (pixmap == 0 || dialog_gc == nullptr) return;
    XSetForeground(display, dialog_gc, dialog_env.background);
    XFillRectangle(display, static_cast<Pixmap>(pixmap), dialog_gc, 0, 0, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
  }
  void set_draw_colour(unsigned long pixel) override {
    if (dialog_gc != nullptr) XSetForeground(display, dialog_gc, pixel);
  }
  void draw_line(WidgetId pixmap, int x1, int y1, int x2, int y2) override {
    if (pixmap != 0 && dialog_gc != nullptr) XDrawLine(display, static_cast<Pixmap>(pixmap), dialog_gc, x1, y1, x2, y2);
  }
  void fill_rectangle(WidgetId pixmap, int x, int y, int width, int height) override {
    if (pixmap != 0 && dialog_gc != nullptr)
      XFillRectangle(display, static_cast<Pixmap>(pixmap), dialog_gc, x, y, static_cast<unsigned>(width),
                     static_cast<unsigned>(height));
  }
  void copy_pixmap(WidgetId pixmap, WidgetId widget, int x, int y, int width, int height) override {
    if (pixmap == 0 || dialog_gc == nullptr || !XtIsRealized(W(widget))) return;
    XCopyArea(display, static_cast<Pixmap>(pixmap), XtWindow(W(widget)), dialog_gc, 0, 0,
              static_cast<unsigned>(width), static_cast<unsigned>(height), x, y);
  }
  void set_label_pixmap(WidgetId label, WidgetId pixmap) override {
    // None would be drawn from; Motif's own "no pixmap" draws nothing.
    XtVaSetValues(W(label), XmNlabelPixmap, pixmap != 0 ? static_cast<Pixmap>(pixmap) : XmUNSPECIFIED_PIXMAP,
                  nullptr);
  }
};

MotifDialogWidgets motif_widgets;

}  // namespace

DialogWidgets *dialog_widgets = &motif_widgets;

void dialog_event(XEvent *event) {
  if (event == nullptr || event->type != KeyPress) return;
  dialog_key(keysym_of(event), event->xkey.state);
}

Widget sync_dialog_info() {
  const DialogStackEntry *top = top_dialog();
  return top != nullptr ? W(top->shell) : nullptr;
}
