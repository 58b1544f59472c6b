// The status bar: its widgets and layout, the mode line and mode macro, the
// coordinate read-out drawn by the driver, the colour swatch, the
// display-list fill, and the keys and commands its clicks send.
#include "ui/status_bar.h"

#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/build.h"
#include "base/events.h"
#include "base/session.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "ui/graph_window.h"
#include "ui/status_logic.h"
#include "ui/tool_bar.h"

Widget st_tools;

namespace {

// The toggles of the modes row, in order.
enum Toggle { kOrtho, kSnap, kTablet, kPaper, kBirdseye, kRtBird, kZoomD, kLocal, kClean, kHelp, kToggles };
constexpr const char *kToggleNames[kToggles] = {"O", "S", "T", "P", "B", "R", "D", "L", "C", "?"};

Widget status_form;
Widget color_button, mmacro_button, layers_button, layer_frame, layer_field, ostp_frame, ostp_row;
Widget gapfill_frame, coord_button, dl_frame, dl_label;
Widget toggles[kToggles];
// The layer area: what a mode macro covers.
Widget layer_area[4];

int current_colour = -1;
int shown_ortho = -1, shown_snap = -1, shown_paper = -1, shown_tablet = -1;
char layer_name[kLayerNameMax + 1];  // Shift-JIS
bool macro_shown;
std::string macro_text;
int coord_chars = -1;  // the coordinate button's width in characters
std::string coord_text;
bool dl_set;
std::string dl_text;
bool coord_first = true, macro_first = true;

XFontSet bar_font_set;  // the first program's "Graph" font set

// One of the two buttons the bar draws text on.
struct DrawnButton {
  GC gc;
  Pixel foreground, background, arm;
  int x, y;  // text origin
};
DrawnButton coord_drawn, macro_drawn;

// ---- helpers ---------------------------------------------------------------------

bool callbacks_live() { return init_called && busy_with_dialog == 0; }

void focus_back() {
  if (graph_pw != nullptr) XmProcessTraversal(graph_pw, XmTRAVERSE_CURRENT);
}

void set_toggle(Toggle t, bool on) {
  if (toggles[t] != nullptr) XmToggleButtonSetState(toggles[t], on ? True : False, False);
}

bool managed(Widget w) { return w != nullptr && XtIsManaged(w); }

void set_label(Widget w, const char *text) {
  XmString s = label_string(text);
  XtVaSetValues(w, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

// Shift-JIS to EUC-JP with room for every byte to double.
std::string to_euc(const std::string &sjis) {
  std::vector<char> euc(sjis.size() * 2 + 1);
  sjis_text_to_euc(euc.data(), sjis.c_str(), euc.size());
  return euc.data();
}

void load_bar_font() {
  if constexpr (!kSecondBuild) {
    if (bar_font_set == nullptr) bar_font_set = get_widget_graph_font("Graph", display);
  }
}

// The button's colours and a GC of them with the bar's first font.
void make_button_gc(Widget button, DrawnButton &d) {
  XtVaGetValues(button, XmNforeground, &d.foreground, XmNbackground, &d.background, XmNarmColor, &d.arm, nullptr);
  XGCValues v{};
  v.foreground = d.foreground;
  v.background = d.background;
  unsigned long mask = GCForeground | GCBackground;
  XFontStruct *font = nullptr;
  if constexpr (!kSecondBuild) {
    XFontStruct **fonts = nullptr;
    char **names = nullptr;
    if (bar_font_set != nullptr && XFontsOfFontSet(bar_font_set, &fonts, &names) > 0 && fonts[0]->fid != 0)
      font = fonts[0];
  } else {
    font = graph_font;
  }
  if (font != nullptr) {
    v.font = font->fid;
    mask |= GCFont;
  }
  // A drawable of the button's depth: its window, else its shell's.
  Widget shell = button;
  while (!XtIsShell(shell)) shell = XtParent(shell);
  Drawable where = XtIsRealized(button)  ? XtWindow(button)
                   : XtIsRealized(shell) ? XtWindow(shell)
                                         : RootWindow(display, screen);
  if (d.gc != nullptr) XFreeGC(display, d.gc);
  d.gc = XCreateGC(display, where, mask, &v);
}

// The text at the button's text origin; the rest of its line, up to the
// shadow, is cleared in the text's background, so a shorter text leaves
// nothing of a longer one behind.
void draw_text(Widget button, const DrawnButton &d, const std::string &text) {
  if (button == nullptr || d.gc == nullptr || !XtIsRealized(button)) return;
  int end = d.x, top = 0, height = 0;
  if constexpr (!kSecondBuild) {
    if (bar_font_set == nullptr) return;
    std::string euc = to_euc(text);
    int length = static_cast<int>(euc.size());
    XmbDrawImageString(display, XtWindow(button), bar_font_set, d.gc, d.x, d.y, euc.c_str(), length);
    const XRectangle &l = XExtentsOfFontSet(bar_font_set)->max_logical_extent;
    end += XmbTextEscapement(bar_font_set, euc.c_str(), length);
    top = d.y + l.y;
    height = l.height;
  } else {
    int length = static_cast<int>(text.size());
    XDrawImageString(display, XtWindow(button), d.gc, d.x, d.y, text.c_str(), length);
    if (graph_font == nullptr) return;
    end += XTextWidth(graph_font, text.c_str(), length);
    top = d.y - graph_font->ascent;
    height = graph_font->ascent + graph_font->descent;
  }
  Dimension width = 0, shadow = 0, highlight = 0;
  XtVaGetValues(button, XmNwidth, &width, XmNshadowThickness, &shadow, XmNhighlightThickness, &highlight, nullptr);
  const int right = static_cast<int>(width) - shadow - highlight;
  if (end >= right || height <= 0) return;
  XGCValues v{};
  XGetGCValues(display, d.gc, GCForeground | GCBackground, &v);
  XSetForeground(display, d.gc, v.background);
  XFillRectangle(display, XtWindow(button), d.gc, end, top, static_cast<unsigned>(right - end),
                 static_cast<unsigned>(height));
  XSetForeground(display, d.gc, v.foreground);
}

// The text origin in a button of the bar's font.
void text_origin(Widget button, DrawnButton &d) {
  Dimension height = 0;
  if constexpr (!kSecondBuild) {
    XtVaGetValues(button, XmNheight, &height, nullptr);
    if (bar_font_set == nullptr) return;
    const XRectangle &l = XExtentsOfFontSet(bar_font_set)->max_logical_extent;
    d.x = l.width / 2;
    d.y = l.height + (static_cast<int>(height) - (l.height + l.height + l.y)) / 2;
  } else {
    Dimension margin = 0, shadow = 0;
    XtVaGetValues(button, XmNheight, &height, XmNmarginWidth, &margin, XmNshadowThickness, &shadow, nullptr);
    d.x = margin + shadow;
    int ascent = graph_font != nullptr ? graph_font->ascent : 0;
    int descent = graph_font != nullptr ? graph_font->descent : 0;
    int room = static_cast<int>(height) - ascent - descent;
    d.y = ascent + (room >= 0 ? room / 2 : -((1 - room) / 2));
  }
}

// The colour the swatch shows, and whether the colour table was built when
// it was made (the bar is made before the table).
int swatch_shown;
bool swatch_from_table;

bool colour_table_built() {
  for (const XColor &c : acad_clrtbl)
    if (c.pixel != 0 || c.red != 0 || c.green != 0 || c.blue != 0) return true;
  return false;
}

// The colour swatch: a 16 x 16 square of the colour's pixel.
void show_swatch(int colour) {
  if (color_button == nullptr || !swatch_colour(colour)) return;
  swatch_shown = colour;
  swatch_from_table = colour_table_built();
  static const unsigned char ones[32] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                         0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                                         0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
  Pixel background = 0;
  Pixmap old = XmUNSPECIFIED_PIXMAP;
  Cardinal button_depth = 0;
  XtVaGetValues(color_button, XmNbackground, &background, XmNlabelPixmap, &old, XmNdepth, &button_depth, nullptr);
  Pixmap swatch = XCreatePixmapFromBitmapData(display, RootWindow(display, screen),
                                              reinterpret_cast<char *>(const_cast<unsigned char *>(ones)), 16, 16,
                                              acad_clrtbl[kClrtblFixed + colour].pixel, background, button_depth);
  XtVaSetValues(color_button, XmNlabelType, XmPIXMAP, XmNlabelPixmap, swatch, nullptr);
  if (old != XmUNSPECIFIED_PIXMAP && old != 0) XFreePixmap(display, old);
}

// "GapFill" takes the room right of the modes: up to "Tools", "Coordline"
// or the "DL" frame, whichever comes first.
void attach_gapfill() {
  Widget right = dl_frame;
  if (use_toolbar && st_tools != nullptr)
    right = st_tools;
  else if (!coord_first)
    right = coord_button;
  XtVaSetValues(gapfill_frame, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, right, nullptr);
}

// The right part of the bar once coordinates come.
void manage_right_part() {
  XtUnmanageChild(gapfill_frame);
  attach_gapfill();
  if (use_toolbar && st_tools != nullptr) XtManageChild(st_tools);
  XtManageChild(ostp_row);
  XtManageChild(dl_label);
  XtManageChild(coord_button);
  XtManageChild(gapfill_frame);
}

void hide_macro() {
  if (!macro_shown) return;
  macro_shown = false;
  macro_text.clear();
  XtUnmanageChild(mmacro_button);
  for (Widget w : layer_area) {
    if (w == nullptr) continue;
    if (XtIsRealized(w)) XtMapWidget(w);
    XtManageChild(w);
  }
}

// Strings to the client: transparent ones unframed, the others framed.
void send_transparent(const char *text) { queue_string(text, 0, 1); }
void send_framed(const char *text) { queue_string(text, 1, 1); }

}  // namespace

// ---- construction ------------------------------------------------------------------------

Widget create_status_bar(Widget parent) {
  if constexpr (!kSecondBuild) {
    if (fontlist == nullptr) fontlist = get_widget_text_font("Text", display);
  }
  load_bar_font();
  status_form = XtVaCreateWidget("StatusBar", xmFormWidgetClass, parent, XmNtopAttachment, XmATTACH_FORM,
                                 XmNbottomAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM,
                                 XmNrightAttachment, XmATTACH_FORM, nullptr);
  auto side = [](Widget w) {
    XtVaSetValues(w, XmNtopAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  };

  color_button = XtVaCreateManagedWidget("Color", xmPushButtonWidgetClass, status_form, XmNlabelType, XmPIXMAP,
                                         XmNleftAttachment, XmATTACH_FORM, nullptr);
  mmacro_button = XtVaCreateWidget("ModeMacro", xmPushButtonWidgetClass, status_form, XmNalignment,
                                   XmALIGNMENT_BEGINNING, XmNrecomputeSize, False, nullptr);
  set_label(mmacro_button, " ");
  layers_button = XtVaCreateManagedWidget("Layers", xmPushButtonWidgetClass, status_form, XmNleftAttachment,
                                          XmATTACH_WIDGET, XmNleftWidget, color_button, nullptr);
  layer_frame = XtVaCreateManagedWidget("Layer", xmFrameWidgetClass, status_form, XmNleftAttachment,
                                        XmATTACH_WIDGET, XmNleftWidget, layers_button, nullptr);
  Widget layer_form = XtVaCreateManagedWidget("Layer", xmFormWidgetClass, layer_frame, nullptr);
  // The field shows a dozen characters of the name and scrolls through the
  // rest: the whole bar then fits a window of 800 pixels.
  layer_field = XtVaCreateManagedWidget("Layer", xmTextFieldWidgetClass, layer_form, XmNcolumns, 12, XmNmaxLength,
                                        kLayerNameMax * 2,
                                        XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
                                        nullptr);
  Dimension field_height = 0;
  XtVaGetValues(layer_field, XmNheight, &field_height, nullptr);
  XtVaSetValues(layer_field, XmNtopAttachment, XmATTACH_POSITION, XmNtopPosition, 50, XmNtopOffset,
                -static_cast<int>(field_height) / 2, nullptr);

  ostp_frame = XtVaCreateManagedWidget("OSTP", xmFrameWidgetClass, status_form, XmNleftAttachment,
                                       XmATTACH_WIDGET, XmNleftWidget, layer_frame, nullptr);
  Widget ostp_inner = XtVaCreateManagedWidget("OSTP", xmFrameWidgetClass, ostp_frame, nullptr);
  ostp_row = XtVaCreateManagedWidget("OSTP", xmRowColumnWidgetClass, ostp_inner, XmNorientation, XmHORIZONTAL,
                                     nullptr);
  XtCallbackProc toggle_cbs[kToggles] = {st_ortho_callback,    st_snap_callback,   st_tablet_callback,
                                         st_pspace_callback,   st_birdseye_callback, st_rtbird_callback,
                                         st_zoomd_callback,    st_local_callback,  st_clean_callback,
                                         st_help_callback};
  for (int t = 0; t < kToggles; ++t) {
    toggles[t] = XtVaCreateWidget(kToggleNames[t], xmToggleButtonWidgetClass, ostp_row, XmNindicatorOn, False,
                                  XmNfillOnSelect, True, nullptr);
    XtAddCallback(toggles[t], XmNvalueChangedCallback, toggle_cbs[t], nullptr);
    // The tablet toggle shows once a tablet is reported.
    if (t != kTablet) XtManageChild(toggles[t]);
  }

  gapfill_frame = XtVaCreateManagedWidget("GapFill", xmFrameWidgetClass, status_form, XmNleftAttachment,
                                          XmATTACH_WIDGET, XmNleftWidget, ostp_frame, nullptr);
  if (use_toolbar) {
    st_tools = XtVaCreateWidget("Tools", xmPushButtonWidgetClass, status_form, XmNmultiClick, XmMULTICLICK_KEEP,
                                nullptr);
    XtAddCallback(st_tools, XmNactivateCallback, st_tools_callback, nullptr);
    side(st_tools);
  } else {
    st_tools = nullptr;
  }
  coord_button = XtVaCreateWidget("Coordline", xmPushButtonWidgetClass, status_form, XmNalignment,
                                  XmALIGNMENT_BEGINNING, XmNrecomputeSize, False, nullptr);
  if (fontlist != nullptr) XtVaSetValues(coord_button, XmNfontList, fontlist, nullptr);
  set_label(coord_button, "*************************");
  dl_frame = XtVaCreateManagedWidget("DL", xmFrameWidgetClass, status_form, XmNrightAttachment, XmATTACH_FORM,
                                     nullptr);
  dl_label = XtVaCreateManagedWidget("DL", xmLabelWidgetClass, dl_frame, nullptr);
  if (fontlist != nullptr) XtVaSetValues(dl_label, XmNfontList, fontlist, nullptr);
  set_label(dl_label, "DL:  0%");

  // Attachments that name widgets made after them.
  XtVaSetValues(coord_button, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, dl_frame, nullptr);
  if (st_tools != nullptr)
    XtVaSetValues(st_tools, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, coord_button, nullptr);
  XtVaSetValues(gapfill_frame, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, dl_frame, nullptr);
  XtVaSetValues(mmacro_button, XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, color_button,
                XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, coord_button, nullptr);
  for (Widget w : {color_button, mmacro_button, layers_button, layer_frame, ostp_frame, gapfill_frame,
                   coord_button, dl_frame})
    side(w);
  layer_area[0] = layers_button;
  layer_area[1] = layer_frame;
  layer_area[2] = gapfill_frame;
  layer_area[3] = ostp_frame;

  XtAddCallback(color_button, XmNactivateCallback, st_color_callback, nullptr);
  XtAddCallback(layers_button, XmNactivateCallback, st_layerb_callback, nullptr);
  XtAddCallback(layer_field, XmNactivateCallback, st_layere_callback, nullptr);
  XtAddCallback(layer_field, XmNlosingFocusCallback, st_layere_callback, nullptr);
  for (const char *reason : {XmNactivateCallback, XmNarmCallback, XmNdisarmCallback}) {
    XtAddCallback(mmacro_button, reason, st_mmacro_callback, nullptr);
    XtAddCallback(coord_button, reason, st_coord_callback, nullptr);
  }
  XtAddEventHandler(coord_button, StructureNotifyMask, False, st_coordline_resize_callback, nullptr);
  XtAddEventHandler(coord_button, ExposureMask, False, st_coordline_expose_callback, nullptr);
  XtAddEventHandler(mmacro_button, StructureNotifyMask, False, st_mmacro_resize_callback, nullptr);
  XtAddEventHandler(mmacro_button, ExposureMask, False, st_mmacro_expose_callback, nullptr);

  XtManageChild(status_form);
  show_swatch(7);
  return status_form;
}

// ---- packets' entries -------------------------------------------------------------------

void st_init() {
  if (!swatch_from_table) show_swatch(swatch_shown);
  st_coordline(0, nullptr);
}

void st_mem(const char *text) {
  if (dl_label == nullptr || text == nullptr) return;
  if (dl_set && dl_text == text) return;
  dl_set = true;
  dl_text = text;
  set_label(dl_label, text);
}

void st_modeline(int colour, int length, const char *text, int flags) {
  if (status_form == nullptr) return;
  if (!swatch_from_table) show_swatch(swatch_shown);
  if (flags & 2) {
    XtUnmanageChild(color_button);
    current_colour = -1;
  } else if (colour > 0 && colour != current_colour && swatch_colour(colour)) {
    show_swatch(colour);
    if (current_colour < 0) XtManageChild(color_button);
    current_colour = colour;
  }
  if (text == nullptr || length <= 0) return;
  std::string line(text, strnlen(text, static_cast<std::size_t>(length)));
  if (line.empty()) return;
  ModeLine modes;
  if ((flags & 1) || !parse_mode_line(line.c_str(), modes, isfirstkanji)) {
    st_modemacro(line.c_str());
    return;
  }
  if (std::strcmp(modes.layer.c_str(), layer_name) != 0) {
    bounded_copy(layer_name, modes.layer.c_str(), sizeof layer_name);
    XmTextFieldSetString(layer_field, const_cast<char *>(to_euc(layer_name).c_str()));
  }
  auto follow = [](int &shown, bool on, Toggle t) {
    if (shown == (on ? 1 : 0)) return;
    shown = on ? 1 : 0;
    set_toggle(t, on);
  };
  follow(shown_ortho, modes.ortho, kOrtho);
  follow(shown_snap, modes.snap, kSnap);
  follow(shown_paper, modes.paper, kPaper);
  bool tablet_was = shown_tablet == 1;
  follow(shown_tablet, modes.tablet, kTablet);
  if (modes.tablet && !tablet_was && !XtIsManaged(toggles[kTablet])) {
    XtManageChild(toggles[kTablet]);
    XtUnmanageChild(gapfill_frame);
    XtManageChild(ostp_frame);
    XtManageChild(gapfill_frame);
  }
  for (Toggle t : {kBirdseye, kRtBird, kZoomD, kClean, kLocal}) set_toggle(t, false);
  hide_macro();
}

void st_modemacro(const char *text) {
  if (mmacro_button == nullptr) return;
  if (macro_first) {
    macro_first = false;
    load_bar_font();
    make_button_gc(mmacro_button, macro_drawn);
    text_origin(mmacro_button, macro_drawn);
  }
  if (text == nullptr) {
    if (macro_shown) draw_text(mmacro_button, macro_drawn, macro_text);
    return;
  }
  if (macro_shown && macro_text == text) return;
  bool same_length = macro_shown && macro_text.size() == std::strlen(text);
  for (Widget w : layer_area)
    if (w != nullptr && XtIsRealized(w)) XtUnmapWidget(w);
  if (managed(color_button))
    XtVaSetValues(mmacro_button, XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, color_button, nullptr);
  else
    XtVaSetValues(mmacro_button, XmNleftAttachment, XmATTACH_FORM, nullptr);
  Widget right = dl_frame;
  if (use_toolbar && managed(st_tools))
    right = st_tools;
  else if (managed(coord_button))
    right = coord_button;
  XtVaSetValues(mmacro_button, XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, right, nullptr);
  XtManageChild(mmacro_button);
  macro_shown = true;
  macro_text = text;
  if (!XtIsRealized(mmacro_button)) return;
  if (same_length)
    draw_text(mmacro_button, macro_drawn, macro_text);
  else
    XClearArea(display, XtWindow(mmacro_button), 0, 0, 0, 0, True);
}

void st_coordline(int length, const char *text) {
  if (coord_button == nullptr) return;
  if (text == nullptr) {
    text = coord_str;
    length = static_cast<int>(std::strlen(coord_str));
  }
  std::string line(text, strnlen(text, static_cast<std::size_t>(std::max(length, 0))));
  bool first_call = false;
  if (coord_first) {
    // Everything right of the modes waits for the first coordinates.
    if (line.empty()) return;
    coord_first = false;
    first_call = true;
    manage_right_part();
    load_bar_font();
    make_button_gc(coord_button, coord_drawn);
    text_origin(coord_button, coord_drawn);
  }
  int chars = coord_button_chars(coord_chars, static_cast<int>(line.size()));
  if (chars > coord_chars) {
    // Wider, never narrower: the label of blanks sets the width.
    XtUnmanageChild(gapfill_frame);
    XtVaSetValues(coord_button, XmNrecomputeSize, True, nullptr);
    set_label(coord_button, std::string(static_cast<std::size_t>(chars), ' ').c_str());
    manage_right_part();
    XtVaSetValues(coord_button, XmNrecomputeSize, False, nullptr);
    coord_chars = chars;
  }
  coord_text = line;
  if (!first_call) draw_text(coord_button, coord_drawn, coord_text);
}

// ---- event handlers ---------------------------------------------------------------------

void st_coordline_resize_callback(Widget w, XtPointer, XEvent *event, Boolean *) {
  if (event->type == ConfigureNotify || event->type == MapNotify) text_origin(w, coord_drawn);
}

void st_coordline_expose_callback(Widget w, XtPointer, XEvent *event, Boolean *) {
  if (event->type == Expose && event->xexpose.count == 0) draw_text(w, coord_drawn, coord_text);
}

void st_mmacro_resize_callback(Widget w, XtPointer, XEvent *event, Boolean *) {
  if (event->type == ConfigureNotify || event->type == MapNotify) text_origin(w, macro_drawn);
}

void st_mmacro_expose_callback(Widget w, XtPointer, XEvent *event, Boolean *) {
  if (event->type == Expose && event->xexpose.count == 0 && macro_shown) draw_text(w, macro_drawn, macro_text);
}

// ---- callbacks ---------------------------------------------------------------------------

void st_color_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) send_transparent("'_ddemodes ");
  focus_back();
}

void st_layerb_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) send_transparent("'_ddlmodes ");
  focus_back();
}

void st_layere_callback(Widget w, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmAnyCallbackStruct *>(call_data);
  bool losing_focus = cb != nullptr && cb->reason == XmCR_LOSING_FOCUS;
  if (callbacks_live()) {
    if (!losing_focus) {
      char *typed = XmTextFieldGetString(w);
      if (typed != nullptr && typed[0] != '\0') {
        // The field holds EUC-JP; the client takes Shift-JIS.
        std::vector<char> sjis(std::strlen(typed) + 1);
        euc_text_to_sjis(sjis.data(), typed, sjis.size());
        std::string command = std::string("'_clayer ") + sjis.data() + " ";
        send_transparent(command.c_str());
      }
      XtFree(typed);
    }
    XmTextFieldSetString(w, const_cast<char *>(to_euc(layer_name).c_str()));
  }
  // Moving the focus while it is being lost is left to the toolkit.
  if (!losing_focus) focus_back();
}

void st_ortho_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) queue_key(15);
  focus_back();
}

void st_snap_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) queue_key(2);
  focus_back();
}

void st_tablet_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) queue_key(20);
  focus_back();
}

void st_pspace_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) {
    send_transparent(shown_paper == 1 ? "_MSPACE " : "_PSPACE ");
    set_toggle(kPaper, shown_paper == 1);
  }
  focus_back();
}

namespace {

// A toggle that runs a command once and goes off again.
void one_shot(Toggle t, const char *command, int key) {
  if (callbacks_live()) {
    if (command != nullptr)
      send_framed(command);
    else
      queue_key(key);
    set_toggle(t, false);
  }
  focus_back();
}

}  // namespace

void st_birdseye_callback(Widget, XtPointer, XtPointer) { one_shot(kBirdseye, "'BIRDSEYE ", 0); }
void st_rtbird_callback(Widget, XtPointer, XtPointer) { one_shot(kRtBird, "'RTBIRD ", 0); }
void st_zoomd_callback(Widget, XtPointer, XtPointer) { one_shot(kZoomD, "'MFL_ZOOMD ", 0); }
void st_local_callback(Widget, XtPointer, XtPointer) { one_shot(kLocal, nullptr, 12); }
void st_clean_callback(Widget, XtPointer, XtPointer) { one_shot(kClean, "'CLEAN ", 0); }

void st_help_callback(Widget, XtPointer, XtPointer) {
  if (callbacks_live()) {
    queue_key(kKeyCtrlC);
    queue_key(kKeyCtrlC);
    send_framed("_FILEDIA 0 _SCRIPT mfl_help ");
    set_toggle(kHelp, false);
  }
  focus_back();
}

namespace {

// Arm shows the text as the button's label on the arm colour; disarm puts a
// blank label and the normal background back.
void arm_drawn_button(Widget w, DrawnButton &d, const std::string &text, int reason) {
  bool arm = reason == XmCR_ARM;
  set_label(w, arm ? to_euc(text).c_str() : " ");
  if (d.gc != nullptr) XSetBackground(display, d.gc, arm ? d.arm : d.background);
  draw_text(w, d, text);
}

}  // namespace

void st_mmacro_callback(Widget w, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmAnyCallbackStruct *>(call_data);
  if (callbacks_live() && cb != nullptr) {
    if (cb->reason == XmCR_ACTIVATE)
      send_transparent("'_modemacro ");
    else if (macro_shown)
      arm_drawn_button(w, macro_drawn, macro_text, cb->reason);
  }
  focus_back();
}

void st_coord_callback(Widget w, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmAnyCallbackStruct *>(call_data);
  if (callbacks_live() && cb != nullptr) {
    if (cb->reason == XmCR_ACTIVATE)
      queue_key(4);
    else
      arm_drawn_button(w, coord_drawn, coord_text, cb->reason);
  }
  focus_back();
}

void st_tools_callback(Widget w, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmPushButtonCallbackStruct *>(call_data);
  if (callbacks_live() && cb != nullptr) {
    // A double click, or a click released with Shift or Control, shows or
    // hides the bar; a plain click opens its configuration.
    if (tool_second_action(w, cb->event)) {
      if (is_tool_bar_managed())
        unmanage_tool_bar();
      else
        manage_tool_bar();
    } else {
      tool_bar_config();
    }
  }
  focus_back();
}
