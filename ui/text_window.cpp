// The text window and the command area: the widgets of a text area, drawing
// its lines, the caret and the selection highlight, scrolling, repainting,
// and the PRIMARY selection with its paste into the client.
#include "ui/text_window.h"

#include <X11/Shell.h>
#include <X11/Xatom.h>
#include <X11/Xmu/Atoms.h>
#include <X11/Xmu/StdSel.h>
#include <Xm/AtomMgr.h>
#include <Xm/DrawingA.h>
#include <Xm/Frame.h>
#include <Xm/Protocols.h>
#include <Xm/ScrollBar.h>
#include <Xm/ScrolledW.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/build.h"
#include "base/channel.h"
#include "base/events.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "ui/context.h"
#include "ui/graph_window.h"

TextResources textres;
int open_in_text_mode;
int is_text_iconic;

Widget text_frame;
Widget text_window;
Widget text_mainw;
TextWindowInfo *text_window_info;
TextWindowInfo *command_lines_info;

namespace {

#define TEXT_RES(name, cls, type, field, defval)                                                             \
  {const_cast<String>(name), const_cast<String>(cls), const_cast<String>(type), sizeof(TextResources::field), \
   static_cast<Cardinal>(offsetof(TextResources, field)), const_cast<String>(XtRImmediate),                  \
   reinterpret_cast<XtPointer>(defval)}

XtResource text_resource_table[] = {
    TEXT_RES("scrollLines", "ScrollLines", XtRInt, scroll_lines, 512),
    TEXT_RES("openInTextMode", "OpenInTextMode", XtRBoolean, open_in_text_mode, False),
};

#undef TEXT_RES

XtActionsRec tw_actions[] = {
    {const_cast<String>("tw_start_selection"), tw_start_selection},
    {const_cast<String>("tw_extend_selection"), tw_extend_selection},
    {const_cast<String>("tw_end_selection"), tw_end_selection},
    {const_cast<String>("tw_paste_selection"), tw_paste_selection},
    {const_cast<String>("tw_expose_callback"), tw_expose_callback},
};

const char tw_translations[] =
    "~Shift<Btn1Down>:\ttw_start_selection()\n\t\tShift<Btn1Down>:\ttw_extend_selection()\n\t\t<Btn1Motion>:\t\t"
    "tw_extend_selection()\n\t\t<Btn1Up>:\t\ttw_end_selection()\n\t\t<Btn2Down>:\t\ttw_paste_selection()\n\t\t"
    "<Expose>:\t\ttw_expose_callback()\n\t\t<GraphicsExpose>:\ttw_expose_callback()";

// A burst of graphics exposures is repainted whole once it has been quiet this
// long.
constexpr unsigned long kExposeDelayMs = 250;

TextWindowInfo *info_of(Widget w) {
  XtPointer data = nullptr;
  if (w != nullptr) XtVaGetValues(w, XmNuserData, &data, nullptr);
  return static_cast<TextWindowInfo *>(data);
}

bool drawable(const TextWindowInfo *info) { return info != nullptr && info->window != 0 && info->gc != nullptr; }

// ---- drawing -----------------------------------------------------------------

int cell_x(const TextWindowInfo *info, int column) {
  return (column - info->ring.first_column) * info->cell_width;
}

void clear_rows(TextWindowInfo *info, int first_row, int count) {
  if (count <= 0) return;
  XClearArea(info->display, info->window, 0, first_row * info->cell_height, 0,
             static_cast<unsigned>(count * info->cell_height), False);
}

// Draws line index (from the oldest) in window row from byte column on,
// after clearing the row from there.
void draw_line(TextWindowInfo *info, int row, int index, int column) {
  const TextRing &ring = info->ring;
  int x = std::max(cell_x(info, column), 0);
  XClearArea(info->display, info->window, x, row * info->cell_height, 0, info->cell_height, False);
  if (index < 0 || index >= ring.line_count) return;
  const TextLine &line = text_line(ring, index);
  int end = text_drawable_length(ring, line, index == ring.line_count - 1);
  int from = text_pair_start(ring, line, std::max(column, ring.first_column));
  if (from >= end) return;
  const char *bytes = text_line_bytes(ring, line) + from;
  int count = end - from;
  int y = row * info->cell_height + info->ascent;
  if constexpr (!kSecondBuild) {
    // Half-width kana grow to two bytes in EUC-JP: room for every byte to.
    std::string source(bytes, static_cast<std::size_t>(count));
    std::vector<char> euc(static_cast<std::size_t>(count) * 2 + 1);
    sjis_text_to_euc(euc.data(), source.c_str(), euc.size());
    if (info->font_set != nullptr)
      XmbDrawString(info->display, info->window, info->font_set, info->gc, cell_x(info, from), y, euc.data(),
                    static_cast<int>(std::strlen(euc.data())));
  } else {
    XDrawString(info->display, info->window, info->gc, cell_x(info, from), y, bytes, count);
  }
}

// Rows first .. last of the window drawn again from window column on.
void repaint_rows(TextWindowInfo *info, int first, int last, int column) {
  first = std::max(first, 0);
  last = std::min(last, info->ring.rows - 1);
  for (int row = first; row <= last; ++row) {
    int index = info->ring.top_line + row;
    if (index >= info->ring.line_count) {
      clear_rows(info, row, last - row + 1);
      break;
    }
    draw_line(info, row, index, column + info->ring.first_column);
  }
}

void repaint_all(TextWindowInfo *info) {
  XClearArea(info->display, info->window, 0, 0, 0, 0, False);
  repaint_rows(info, 0, info->ring.rows - 1, 0);
}

// The caret: an upward V one cell wide, each stroke two pixels wide, from the
// cell's bottom to a pixel above the baseline, starting 2 pixels left of the
// column.
void draw_caret(TextWindowInfo *info, bool on) {
  const TextRing &ring = info->ring;
  int row = text_cursor_row(ring);
  if (row < 0 || row >= ring.rows) return;
  const TextLine &line = text_line(ring, ring.line_count - 1);
  int column = text_drawable_length(ring, line, true);
  int x0 = cell_x(info, column) - 2;
  int bottom = (row + 1) * info->cell_height - 1;
  int apex = row * info->cell_height + info->ascent - 1;
  XSetForeground(info->display, info->gc, on ? info->foreground : info->background);
  for (int dx = 0; dx < 2; ++dx) {
    XPoint v[3] = {{static_cast<short>(x0 + dx), static_cast<short>(bottom)},
                   {static_cast<short>(x0 + dx + info->cell_width / 2), static_cast<short>(apex)},
                   {static_cast<short>(x0 + dx + info->cell_width), static_cast<short>(bottom)}};
    XDrawLines(info->display, info->window, info->gc, v, 3, CoordModeOrigin);
  }
  XSetForeground(info->display, info->gc, info->foreground);
  info->caret_drawn = on;
}

// The highlight of the selected cells, drawn or taken off by exclusive-or.
void xor_selection(TextWindowInfo *info) {
  const TextRing &ring = info->ring;
  long long s0 = info->anchor_line[0], s1 = info->anchor_line[1];
  int c0 = info->anchor_column[0], c1 = info->anchor_column[1];
  if (s1 < s0 || (s1 == s0 && c1 < c0)) {
    std::swap(s0, s1);
    std::swap(c0, c1);
  }
  for (long long s = s0; s <= s1; ++s) {
    long long row = text_row_of(ring, s);
    int index = text_line_index(ring, s);
    if (row < 0 || row >= ring.rows || index < 0) continue;
    int length = text_line(ring, index).length;
    int from = s == s0 ? std::min(c0, length) : 0;
    int to = s == s1 ? std::min(c1, length) : length;
    if (to <= from) continue;
    XFillRectangle(info->display, info->window, info->selection_gc, cell_x(info, from),
                   static_cast<int>(row) * info->cell_height, static_cast<unsigned>((to - from) * info->cell_width),
                   info->cell_height);
  }
}

// The caret and the highlight come off before the area changes and go back
// on after.
void hide_marks(TextWindowInfo *info) {
  if (info->caret_drawn) draw_caret(info, false);
  if (info->selection_drawn) {
    xor_selection(info);
    info->selection_drawn = false;
  }
}

void show_marks(TextWindowInfo *info) {
  if (info->selection_active && info->selection_gc != nullptr) {
    xor_selection(info);
    info->selection_drawn = true;
  }
  if (info->cursor_shown) draw_caret(info, true);
}

// ---- scroll bars ----------------------------------------------------------------

void set_bar(Widget bar, const ScrollValues &v) {
  if (bar == nullptr) return;
  XtVaSetValues(bar, XmNminimum, 0, XmNmaximum, v.maximum, XmNsliderSize, v.slider, XmNvalue, v.value,
                XmNincrement, v.increment, XmNpageIncrement, v.page, nullptr);
}

void set_vertical_bar(TextWindowInfo *info) { set_bar(info->vertical_bar, text_vbar(info->ring)); }
void set_horizontal_bar(TextWindowInfo *info) { set_bar(info->horizontal_bar, text_hbar(info->ring)); }

// The window's contents follow the first shown line, which moved down by
// shift lines.
void shift_rows(TextWindowInfo *info, long long shift) {
  const int rows = info->ring.rows;
  if (shift == 0) return;
  if (shift >= rows || shift <= -rows) {
    repaint_all(info);
    return;
  }
  int n = static_cast<int>(shift < 0 ? -shift : shift);
  int h = info->cell_height;
  unsigned width = info->width;
  if (shift > 0) {
    XCopyArea(info->display, info->window, info->window, info->gc, 0, n * h, width,
              static_cast<unsigned>((rows - n) * h), 0, 0);
    XClearArea(info->display, info->window, 0, (rows - n) * h, 0, 0, False);
    repaint_rows(info, rows - n, rows - 1, 0);
  } else {
    XCopyArea(info->display, info->window, info->window, info->gc, 0, 0, width,
              static_cast<unsigned>((rows - n) * h), 0, n * h);
    clear_rows(info, 0, n);
    repaint_rows(info, 0, n - 1, 0);
  }
}

void apply_damage(TextWindowInfo *info, const TextDamage &d) {
  if (d.bell) XBell(info->display, 0);
  if (d.vbar) set_vertical_bar(info);
  if (d.hbar) set_horizontal_bar(info);
  if (!drawable(info)) return;
  if (d.all) {
    repaint_all(info);
    return;
  }
  shift_rows(info, d.shift);
  for (int i = 0; i < d.spans; ++i) {
    long long row = text_row_of(info->ring, d.span[i].serial);
    int index = text_line_index(info->ring, d.span[i].serial);
    if (row >= 0 && row < info->ring.rows) draw_line(info, static_cast<int>(row), index, d.span[i].column);
  }
}

void put_character(TextWindowInfo *info, int ch, bool local) {
  if (info == nullptr) return;
  bool visible = drawable(info);
  if (visible) hide_marks(info);
  TextDamage damage;
  text_ring_put(info->ring, ch, local, damage);
  apply_damage(info, damage);
  if (visible) show_marks(info);
}

// ---- scrolling by the user ----------------------------------------------------------

void vertical_scroll_cb(Widget bar, XtPointer client_data, XtPointer call_data) {
  auto *info = static_cast<TextWindowInfo *>(client_data);
  const auto *cb = static_cast<const XmScrollBarCallbackStruct *>(call_data);
  if (info == nullptr || cb == nullptr) return;
  ScrollMove move = ScrollMove::value;
  switch (cb->reason) {
    case XmCR_INCREMENT: move = ScrollMove::increment; break;
    case XmCR_DECREMENT: move = ScrollMove::decrement; break;
    case XmCR_PAGE_INCREMENT: move = ScrollMove::page_increment; break;
    case XmCR_PAGE_DECREMENT: move = ScrollMove::page_decrement; break;
    case XmCR_DRAG: move = ScrollMove::drag; break;
    default: break;
  }
  int slider = 1;
  XtVaGetValues(bar, XmNsliderSize, &slider, nullptr);
  bool visible = drawable(info);
  if (visible) hide_marks(info);
  long long before = info->ring.top_line;
  int maximum = text_vscroll(info->ring, cb->value, slider, move);
  XtVaSetValues(bar, XmNmaximum, maximum, nullptr);
  if (visible) {
    shift_rows(info, info->ring.top_line - before);
    show_marks(info);
  }
}

void horizontal_scroll_cb(Widget, XtPointer client_data, XtPointer call_data) {
  auto *info = static_cast<TextWindowInfo *>(client_data);
  const auto *cb = static_cast<const XmScrollBarCallbackStruct *>(call_data);
  if (info == nullptr || cb == nullptr || cb->value == info->ring.first_column) return;
  bool visible = drawable(info);
  if (visible) hide_marks(info);
  info->ring.first_column = std::max(cb->value, 0);
  if (visible) {
    repaint_all(info);
    show_marks(info);
  }
}

void add_scroll_callbacks(Widget bar, XtCallbackProc proc, TextWindowInfo *info) {
  for (const char *name : {XmNvalueChangedCallback, XmNincrementCallback, XmNdecrementCallback,
                           XmNpageIncrementCallback, XmNpageDecrementCallback, XmNdragCallback,
                           XmNtoTopCallback, XmNtoBottomCallback})
    XtAddCallback(bar, name, proc, info);
}

// ---- focus, keys, the text window's state -----------------------------------------------

void focus_handler(Widget, XtPointer client_data, XEvent *event, Boolean *) {
  auto *info = static_cast<TextWindowInfo *>(client_data);
  if (info == nullptr) return;
  if (event->type == FocusIn) {
    info->cursor_shown = 1;
    if (drawable(info) && !info->caret_drawn) draw_caret(info, true);
  } else if (event->type == FocusOut) {
    if (drawable(info) && info->caret_drawn) draw_caret(info, false);
    info->cursor_shown = 0;
  }
}

// Key presses in an area are typed into the client as in the drawing area:
// through the action the main loop registers for its events.
void input_cb(Widget w, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmDrawingAreaCallbackStruct *>(call_data);
  if (cb == nullptr || cb->event == nullptr || cb->event->type != KeyPress) return;
  XtCallActionProc(w, const_cast<String>("graph_handler"), cb->event, nullptr, 0);
}

void text_structure_handler(Widget, XtPointer, XEvent *event, Boolean *) {
  if (textmode) return;
  if (event->type == UnmapNotify) is_text_iconic = 1;
  if (event->type == MapNotify) is_text_iconic = 0;
}

void close_text_cb(Widget, XtPointer, XtPointer) { no_destroy(); }

void expose_timeout(XtPointer client_data, XtIntervalId *) {
  auto *info = static_cast<TextWindowInfo *>(client_data);
  info->expose_timer = 0;
  if (info->window == 0) return;
  XEvent ev{};
  ev.xexpose.type = Expose;
  ev.xexpose.display = info->display;
  ev.xexpose.window = info->window;
  ev.xexpose.width = info->width;
  ev.xexpose.height = info->height;
  XSendEvent(info->display, info->window, False, ExposureMask, &ev);
}

// ---- the selection -------------------------------------------------------------------------

// The cell under a pointer position: a line of the area and the column
// boundary nearest the pointer.
void cell_at(const TextWindowInfo *info, int x, int y, long long &line, int &column) {
  const TextRing &ring = info->ring;
  int row = std::clamp(y / std::max<int>(info->cell_height, 1), 0, ring.rows - 1);
  int index = std::clamp(ring.top_line + row, 0, ring.line_count - 1);
  line = text_line_serial(ring, index);
  int cw = std::max<int>(info->cell_width, 1);
  column = std::max((std::max(x, 0) + cw / 2) / cw + ring.first_column, 0);
}

bool pointer_of(const XEvent *event, int &x, int &y, Time &time) {
  if (event == nullptr) return false;
  if (event->type == ButtonPress || event->type == ButtonRelease) {
    x = event->xbutton.x;
    y = event->xbutton.y;
    time = event->xbutton.time;
    return true;
  }
  if (event->type == MotionNotify) {
    x = event->xmotion.x;
    y = event->xmotion.y;
    time = event->xmotion.time;
    return true;
  }
  return false;
}

std::string selected_text(const TextWindowInfo *info) {
  return text_selection(info->ring, info->anchor_line[0], info->anchor_column[0], info->anchor_line[1],
                        info->anchor_column[1]);
}

// Loses the highlight and repaints the area (the selection went to another
// owner, or an exposure gave it up).
void drop_selection(TextWindowInfo *info) {
  bool had = info->selection_active;
  info->selection_active = false;
  info->selection_drawn = false;
  info->selection_owned = false;
  if (had && drawable(info)) {
    info->caret_drawn = false;
    repaint_all(info);
    if (info->cursor_shown) draw_caret(info, true);
  }
}

Boolean convert_selection(Widget w, Atom *selection, Atom *target, Atom *type, XtPointer *value,
                          unsigned long *length, int *format) {
  TextWindowInfo *info = info_of(w);
  if (info == nullptr || !info->selection_owned) return False;
  Display *dpy = XtDisplay(w);
  if (*target == XA_TARGETS(dpy)) {
    Atom *standard = nullptr;
    unsigned long standard_count = 0;
    Atom standard_type = 0;
    int standard_format = 0;
    XmuConvertStandardSelection(w, info->selection_time, selection, target, &standard_type,
                                reinterpret_cast<XPointer *>(&standard), &standard_count, &standard_format);
    auto *targets = reinterpret_cast<Atom *>(XtMalloc(static_cast<Cardinal>((standard_count + 2) * sizeof(Atom))));
    unsigned long n = 0;
    targets[n++] = XA_TARGETS(dpy);
    targets[n++] = XA_STRING;
    for (unsigned long i = 0; i < standard_count; ++i)
      if (standard[i] != XA_TARGETS(dpy) && standard[i] != XA_STRING) targets[n++] = standard[i];
    if (standard != nullptr) XtFree(reinterpret_cast<char *>(standard));
    *value = targets;
    *length = n;
    *type = XA_ATOM;
    *format = 32;
    return True;
  }
  if (*target == XA_STRING) {
    std::string text = selected_text(info);
    char *copy = XtMalloc(static_cast<Cardinal>(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    *value = copy;
    *length = text.size();
    *type = XA_STRING;
    *format = 8;
    return True;
  }
  return XmuConvertStandardSelection(w, info->selection_time, selection, target, type,
                                     reinterpret_cast<XPointer *>(value), length, format);
}

void lose_selection(Widget w, Atom *) {
  TextWindowInfo *info = info_of(w);
  if (info != nullptr) drop_selection(info);
}

void paste_received(Widget, XtPointer, Atom *, Atom *type, XtPointer value, unsigned long *length, int *format) {
  if (value == nullptr) return;
  if (*type == XA_STRING && *format == 8) {
    const auto *bytes = static_cast<const unsigned char *>(value);
    for (unsigned long i = 0; i < *length; ++i) queue_key(bytes[i]);
  }
  XtFree(static_cast<char *>(value));
}

// ---- the area's font -------------------------------------------------------------------------

// The cell of a font set: half the widest glyph when the set holds a
// two-byte font (its characters take two cells), else the widest glyph.
void font_set_cell(XFontSet set, TextWindowInfo *info) {
  const XFontSetExtents *ext = XExtentsOfFontSet(set);
  int width = ext->max_logical_extent.width;
  XFontStruct **fonts = nullptr;
  char **names = nullptr;
  int n = XFontsOfFontSet(set, &fonts, &names);
  for (int i = 0; i < n; ++i) {
    if (fonts[i]->min_byte1 != 0 || fonts[i]->max_byte1 != 0) {
      width /= 2;
      break;
    }
  }
  info->cell_width = static_cast<unsigned short>(std::max(width, 1));
  info->cell_height = static_cast<unsigned short>(std::max<int>(ext->max_logical_extent.height, 1));
  info->ascent = -ext->max_logical_extent.y;
}

void load_area_font(TextWindowInfo *info, const char *font_name, Display *dpy) {
  if constexpr (!kSecondBuild) {
    info->font_set = get_widget_graph_font(font_name, dpy);
    if (info->font_set != nullptr) {
      font_set_cell(info->font_set, info);
      return;
    }
  }
  info->font = get_widget_fixed_font(font_name, dpy);
  if (info->font != nullptr) {
    info->cell_width = static_cast<unsigned short>(std::max<int>(info->font->max_bounds.width, 1));
    info->cell_height = static_cast<unsigned short>(std::max(info->font->ascent + info->font->descent, 1));
    info->ascent = info->font->ascent;
  } else {
    info->cell_width = 8;
    info->cell_height = 13;
    info->ascent = 10;
  }
}

}  // namespace

// ---- output -------------------------------------------------------------------------------

void tw_text_out(TextWindowInfo *info, int ch) { put_character(info, ch, false); }

void text_out_use_local(TextWindowInfo *info, int character) { put_character(info, character, true); }

// ---- construction ---------------------------------------------------------------------------

Widget create_text_area(Widget shell, const char *font_name, Widget parent, int lines, int capacity,
                        Display *dpy) {
  static bool actions_added = false;
  if (!actions_added) {
    XtAppAddActions(XtWidgetToApplicationContext(parent), tw_actions, XtNumber(tw_actions));
    actions_added = true;
  }
  auto *info = new TextWindowInfo{};
  info->display = dpy;
  load_area_font(info, font_name, dpy);
  text_ring_init(info->ring, capacity, 1, 1);
  if constexpr (!kSecondBuild) info->ring.lead_byte = isfirstkanji;

  Widget outer = XtVaCreateManagedWidget("MainWindow", xmFrameWidgetClass, parent, XmNmarginWidth, margin_size,
                                         XmNmarginHeight, margin_size, nullptr);
  if (lines < 0) XtVaSetValues(outer, XmNheight, 300, nullptr);
  text_mainw = XtVaCreateManagedWidget("MainWindow", xmScrolledWindowWidgetClass, outer, XmNscrollingPolicy,
                                       XmAPPLICATION_DEFINED, XmNspacing, margin_size, nullptr);
  info->vertical_bar =
      XtVaCreateManagedWidget("VerticalScrollbar", xmScrollBarWidgetClass, text_mainw, XmNorientation, XmVERTICAL,
                              XmNminimum, 0, XmNmaximum, 1, XmNvalue, 0, XmNsliderSize, 1, nullptr);
  info->horizontal_bar = XtVaCreateManagedWidget("HorizontalScrollbar", xmScrollBarWidgetClass, text_mainw,
                                                 XmNorientation, XmHORIZONTAL, XmNminimum, 0, XmNmaximum, 1,
                                                 XmNvalue, 0, XmNsliderSize, 1, nullptr);
  add_scroll_callbacks(info->vertical_bar, vertical_scroll_cb, info);
  add_scroll_callbacks(info->horizontal_bar, horizontal_scroll_cb, info);

  Widget frame = XtVaCreateManagedWidget("Text", xmFrameWidgetClass, text_mainw, XmNmarginWidth, 3,
                                         XmNmarginHeight, 3, nullptr);
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNuserData, info), ++n;
  if (lines >= 0) {
    // One row at least: a window cannot be empty.
    int height = std::max(lines * info->cell_height, 1);
    XtSetArg(args[n], XmNheight, height), ++n;
    XtVaSetValues(frame, XmNheight, height + 12, nullptr);
  }
  Widget area = XmCreateDrawingArea(frame, const_cast<char *>("Text"), args, n);
  XtManageChild(area);
  info->area = area;
  XmScrolledWindowSetAreas(text_mainw, info->horizontal_bar, info->vertical_bar, frame);

  XtAddCallback(area, XmNresizeCallback, text_resize, nullptr);
  XtAddCallback(area, XmNinputCallback, input_cb, nullptr);
  XtOverrideTranslations(area, XtParseTranslationTable(tw_translations));
  XtAddEventHandler(shell, FocusChangeMask, False, focus_handler, info);
  return area;
}

void tw_create_GC(Widget area) {
  TextWindowInfo *info = info_of(area);
  if (info == nullptr || !XtIsRealized(area)) return;
  info->window = XtWindow(area);
  XtVaGetValues(area, XmNforeground, &info->foreground, XmNbackground, &info->background, nullptr);
  XGCValues v{};
  v.function = GXcopy;
  v.foreground = info->foreground;
  v.background = info->background;
  unsigned long mask = GCFunction | GCForeground | GCBackground;
  XFontStruct *font = info->font;
  if (font == nullptr && info->font_set != nullptr) {
    XFontStruct **fonts = nullptr;
    char **names = nullptr;
    if (XFontsOfFontSet(info->font_set, &fonts, &names) > 0 && fonts[0]->fid != 0) font = fonts[0];
  }
  if (font != nullptr) {
    v.font = font->fid;
    mask |= GCFont;
  }
  if (info->gc != nullptr) XFreeGC(info->display, info->gc);
  info->gc = XCreateGC(info->display, info->window, mask, &v);
  XGCValues s{};
  s.function = GXxor;
  s.foreground = info->foreground ^ info->background;
  if (info->selection_gc != nullptr) XFreeGC(info->display, info->selection_gc);
  info->selection_gc = XCreateGC(info->display, info->window, GCFunction | GCForeground, &s);
  text_resize(area, nullptr, nullptr);
}

void tw_setup_attributes(Widget area) {
  if (area == nullptr || !XtIsRealized(area)) return;
  XSetWindowAttributes a{};
  a.bit_gravity = ForgetGravity;
  a.backing_store = NotUseful;
  XChangeWindowAttributes(XtDisplay(area), XtWindow(area), CWBitGravity | CWBackingStore, &a);
}

void create_text_window(const char *title, const char *shell_name) {
  if (txtdisp == nullptr) return;
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNtitle, title), ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING), ++n;
  shell_visual_args(txtdisp, args, n);
  text_frame = XtAppCreateShell(shell_name, "Root", applicationShellWidgetClass, txtdisp, args, n);
  XtGetApplicationResources(text_frame, &textres, text_resource_table, XtNumber(text_resource_table), nullptr, 0);
  open_in_text_mode = textres.open_in_text_mode ? 1 : 0;
  Atom wm_delete = XmInternAtom(txtdisp, const_cast<char *>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(text_frame, wm_delete, close_text_cb, nullptr);

  text_window = create_text_area(text_frame, "Text", text_frame, -1, textres.scroll_lines, txtdisp);
  text_window_info = info_of(text_window);
  if (text_window_info != nullptr) text_window_info->text_window = true;
  XtAddEventHandler(text_frame, StructureNotifyMask, False, text_structure_handler, nullptr);
  XtRealizeWidget(text_frame);
  Boolean iconic = False;
  XtVaGetValues(text_frame, XmNiconic, &iconic, nullptr);
  is_text_iconic = iconic ? 1 : 0;
  tw_create_GC(text_window);
  tw_setup_attributes(text_window);
}

// ---- resize -------------------------------------------------------------------------------

void text_resize(Widget w, XtPointer, XtPointer) {
  if (w != nullptr && w == text_frame) w = text_window;
  TextWindowInfo *info = info_of(w);
  if (info == nullptr) return;
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  info->width = width;
  info->height = height;
  bool visible = drawable(info);
  if (visible) hide_marks(info);
  text_ring_resize(info->ring, width / std::max<int>(info->cell_width, 1),
                   height / std::max<int>(info->cell_height, 1));
  // The client hears of the text window's size once it listens.
  if (info->text_window && packet_client != nullptr) queue_text_resize(info->ring.columns, info->ring.rows);
  set_horizontal_bar(info);
  set_vertical_bar(info);
  if (visible) {
    repaint_all(info);
    show_marks(info);
  }
}

// ---- actions ------------------------------------------------------------------------------

void tw_start_selection(Widget w, XEvent *event, String *, Cardinal *) {
  TextWindowInfo *info = info_of(w);
  int x = 0, y = 0;
  Time time = 0;
  if (info == nullptr || !pointer_of(event, x, y, time)) return;
  if (drawable(info)) hide_marks(info);
  // A new selection begins: the old one is given up.
  if (info->selection_owned) XtDisownSelection(w, XA_PRIMARY, info->selection_time);
  info->selection_owned = false;
  cell_at(info, x, y, info->anchor_line[0], info->anchor_column[0]);
  info->anchor_line[1] = info->anchor_line[0];
  info->anchor_column[1] = info->anchor_column[0];
  info->selection_active = true;
  if (drawable(info)) show_marks(info);
}

void tw_extend_selection(Widget w, XEvent *event, String *, Cardinal *) {
  TextWindowInfo *info = info_of(w);
  int x = 0, y = 0;
  Time time = 0;
  if (info == nullptr || !pointer_of(event, x, y, time)) return;
  if (drawable(info)) hide_marks(info);
  if (!info->selection_active) {
    cell_at(info, x, y, info->anchor_line[0], info->anchor_column[0]);
    info->selection_active = true;
  }
  cell_at(info, x, y, info->anchor_line[1], info->anchor_column[1]);
  if (drawable(info)) show_marks(info);
}

void tw_end_selection(Widget w, XEvent *event, String *, Cardinal *) {
  TextWindowInfo *info = info_of(w);
  int x = 0, y = 0;
  Time time = 0;
  if (info == nullptr || !info->selection_active || !pointer_of(event, x, y, time)) return;
  if (selected_text(info).empty()) {
    // A click without a drag selects nothing.
    if (drawable(info)) hide_marks(info);
    info->selection_active = false;
    if (drawable(info)) show_marks(info);
    return;
  }
  info->selection_time = time;
  info->selection_owned = XtOwnSelection(w, XA_PRIMARY, time, convert_selection, lose_selection, nullptr) != 0;
}

void tw_paste_selection(Widget w, XEvent *event, String *, Cardinal *) {
  if (!init_called || busy_with_dialog != 0) return;
  int x = 0, y = 0;
  Time time = CurrentTime;
  pointer_of(event, x, y, time);
  XtGetSelectionValue(w, XA_PRIMARY, XA_STRING, paste_received, nullptr, time);
}

void tw_expose_callback(Widget w, XEvent *event, String *, Cardinal *) {
  TextWindowInfo *info = info_of(w);
  if (!drawable(info) || event == nullptr) return;
  if (info->selection_active) {
    // An exposure gives the selection up; the lose procedure is not called
    // for that, so the highlight goes here.
    if (info->selection_owned) XtDisownSelection(w, XA_PRIMARY, info->selection_time);
    drop_selection(info);
    return;
  }
  int x = 0, y = 0, width = 0, height = 0;
  bool graphics = event->type == GraphicsExpose;
  if (event->type == Expose) {
    x = event->xexpose.x;
    y = event->xexpose.y;
    width = event->xexpose.width;
    height = event->xexpose.height;
  } else if (graphics) {
    x = event->xgraphicsexpose.x;
    y = event->xgraphicsexpose.y;
    width = event->xgraphicsexpose.width;
    height = event->xgraphicsexpose.height;
    // A burst of them ends in one whole repaint when it has settled.
    if (info->expose_timer != 0) {
      XtRemoveTimeOut(info->expose_timer);
      info->expose_timer = XtAppAddTimeOut(XtWidgetToApplicationContext(w), kExposeDelayMs, expose_timeout, info);
      return;
    }
    info->expose_timer = XtAppAddTimeOut(XtWidgetToApplicationContext(w), kExposeDelayMs, expose_timeout, info);
  } else {
    return;
  }
  if (width <= 0 || height <= 0) return;
  int ch = std::max<int>(info->cell_height, 1);
  int cw = std::max<int>(info->cell_width, 1);
  // The repaint may have cleared the caret: it is drawn again over it.
  info->caret_drawn = false;
  repaint_rows(info, y / ch, (y + height - 1) / ch, x / cw);
  if (info->cursor_shown) draw_caret(info, true);
}
