// The Kanji entry window.
#include "kanji/kanji_window.h"

#include <X11/Shell.h>
#include <X11/keysym.h>
#include <Xm/Protocols.h>
#include <Xm/Text.h>
#include <Xm/Xm.h>

#include <string>

#include "base/events.h"
#include "base/text_codes.h"
#include "base/x_session.h"
#include "ui/context.h"
#include "ui/graph_window.h"

Widget kanji_frame;

namespace {

Widget kanji_text;               // the field "KanjiWindow"
XmFontList kanji_font_list;      // the field's fonts
XFontSet kanji_font_set;         // the same fonts, for their metrics

void kanji_close_cb(Widget, XtPointer, XtPointer) { no_destroy(); }

}  // namespace

void kanji_font_params(int *ascent, int *descent, int *width) {
  if (kanji_font_set == nullptr) {
    *ascent = 11;
    *descent = 2;
    *width = 8;
    return;
  }
  const XRectangle &r = XExtentsOfFontSet(kanji_font_set)->max_logical_extent;
  *ascent = -r.y;
  *descent = r.height + r.y;
  *width = r.width;
}

void create_kanji_window(const char *name, const char *class_name) {
  kanji_font_list = get_widget_text_font("Text", display);
  kanji_font_set = get_widget_graph_font("Text", display);
  int ascent = 0, descent = 0, width = 0;
  kanji_font_params(&ascent, &descent, &width);
  const int height = ascent + descent + 20;

  Arg args[12];
  Cardinal n = 0;
  XtSetArg(args[n], XmNx, 1), ++n;
  XtSetArg(args[n], XmNy, 800), ++n;
  XtSetArg(args[n], XmNwidth, 300), ++n;
  XtSetArg(args[n], XmNheight, height), ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING), ++n;
  XtSetArg(args[n], XmNdepth, depth), ++n;
  XtSetArg(args[n], XmNvisual, def_visual), ++n;
  XtSetArg(args[n], XmNcolormap, def_cmap), ++n;
  if (kanji_font_list != nullptr) XtSetArg(args[n], XmNtextFontList, kanji_font_list), ++n;
  kanji_frame = XtAppCreateShell(name, class_name, applicationShellWidgetClass, display, args, n);

  // Closing the window through the window manager does what closing the
  // graphics window does; the window itself stays.
  Atom wm_delete = XmInternAtom(display, const_cast<char *>("WM_DELETE_WINDOW"), False);
  Atom wm_protocols = XmInternAtom(display, const_cast<char *>("WM_PROTOCOLS"), False);
  XmAddProtocolCallback(kanji_frame, wm_protocols, wm_delete, kanji_close_cb, nullptr);

  n = 0;
  XtSetArg(args[n], XmNcolumns, 20), ++n;
  XtSetArg(args[n], XmNheight, height + 5), ++n;
  XtSetArg(args[n], XmNeditMode, XmSINGLE_LINE_EDIT), ++n;
  XtSetArg(args[n], XmNmarginHeight, 3), ++n;
  if (kanji_font_list != nullptr) XtSetArg(args[n], XmNfontList, kanji_font_list), ++n;
  kanji_text = XmCreateText(kanji_frame, const_cast<char *>("KanjiWindow"), args, n);
  XtManageChild(kanji_text);
  XtAddEventHandler(kanji_text, KeyPressMask, False, Verify_Text_CB, nullptr);
  XtAddCallback(kanji_text, XmNactivateCallback, ActiveCB, nullptr);
  XtRealizeWidget(kanji_frame);
}

// The field holds EUC-JP; the client takes Shift-JIS, one key a byte, and a
// line feed after the text. A character Shift-JIS lacks goes as '?'.
void ActiveCB(Widget field, XtPointer, XtPointer) {
  char *text = XmTextGetString(field);
  const std::string sjis = euc_text_to_sjis(text != nullptr ? text : "");
  if (text != nullptr) XtFree(text);
  for (std::size_t i = 0; i < sjis.size();) {
    const int c = static_cast<unsigned char>(sjis[i]);
    const int pair = i + 1 < sjis.size() ? c << 8 | static_cast<unsigned char>(sjis[i + 1]) : 0;
    if (pair != 0 && is2bcode(pair)) {
      queue_key(pair);
      i += 2;
    } else {
      queue_key(c);
      ++i;
    }
  }
  if (!sjis.empty()) queue_key('\n');
  XmTextSetString(field, const_cast<char *>(""));
  Graph_Focus_In();
}

// F11 in the field goes back to the graphics window; every key goes on to the
// field as well.
void Verify_Text_CB(Widget, XtPointer, XEvent *event, Boolean *) {
  if (event->type != KeyPress) return;
  char buffer[512];
  KeySym sym = NoSymbol;
  XLookupString(&event->xkey, buffer, sizeof buffer, &sym, nullptr);
  if (sym == XK_F11) Graph_Focus_In();
}

void Graph_Focus_In() {
  if (graph_frame != nullptr && XtIsRealized(graph_frame)) {
    XWindowAttributes a;
    Window w = XtWindow(graph_frame);
    if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable)
      XSetInputFocus(display, w, RevertToNone, CurrentTime);
  }
  XFlush(display);
}

void raise_kanji_window() {
  if (kanji_frame == nullptr || !XtIsRealized(kanji_frame)) return;
  XWindowAttributes a;
  Window w = XtWindow(kanji_frame);
  if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) {
    XRaiseWindow(display, w);
    XSetInputFocus(display, w, RevertToParent, CurrentTime);
  }
}
