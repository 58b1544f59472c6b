// The graphics window: its shell, main window and drawing area.
#include "ui/graph_window.h"

#include <X11/Shell.h>
#include <X11/Xatom.h>
#include <X11/Xmu/StdCmap.h>
#include <X11/Xutil.h>
#include <Xm/DrawingA.h>
#include <Xm/MainW.h>
#include <Xm/Protocols.h>
#include <Xm/Xm.h>

#include "GlxDraw/GlxMDraw.h"
#include "adi/main_loop.h"
#include "ui/context.h"

Widget toplevel;
Widget graph_frame;
Widget graph_mainw;
Widget graph_pw;
Window graph_window;
int graph_max_width, graph_max_height;
int use_localtext, use_localmenu, use_localsidemenu, use_localstatus;
int use_pups;
Colormap ovr_cmap;
int system_cursor;

namespace {

XFontStruct *graph_font;

// Every event of the drawing area reaches graph_handler.
const char graph_translations[] =
    "<MotionNotify>: graph_handler()\n"
    "<ButtonPress>: graph_handler()\n"
    "<ButtonRelease>: graph_handler()\n"
    "<KeyPress>: graph_handler()\n"
    "<EnterNotify>: graph_handler()\n"
    "<LeaveNotify>: graph_handler()\n"
    "<FocusOut>: graph_handler()\n"
    "<MapNotify>: graph_handler()\n"
    "<UnmapNotify>: graph_handler()\n"
    "<PropertyNotify>: graph_handler()\n"
    "<ConfigureNotify>: graph_handler()";

XtActionsRec graph_actions[] = {{const_cast<String>("graph_handler"), graph_handler}};

void close_cb(Widget, XtPointer, XtPointer) { no_destroy(); }

}  // namespace

Visual *find_visual(Display *dpy, int scr, int depth) {
  XVisualInfo info;
  if (XMatchVisualInfo(dpy, scr, depth, TrueColor, &info)) return info.visual;
  return nullptr;
}

bool GetStdColormap(Display *dpy, int scr, Visual *visual, int depth, XStandardColormap *out) {
  XVisualInfo tmpl{};
  tmpl.visualid = XVisualIDFromVisual(visual);
  if (!XmuLookupStandardColormap(dpy, scr, tmpl.visualid, static_cast<unsigned>(depth), XA_RGB_BEST_MAP, False,
                                 True))
    return false;
  XStandardColormap *maps = nullptr;
  int count = 0;
  bool found = false;
  if (XGetRGBColormaps(dpy, RootWindow(dpy, scr), &maps, &count, XA_RGB_BEST_MAP)) {
    for (int i = 0; i < count && !found; ++i) {
      if (maps[i].visualid == tmpl.visualid) {
        *out = maps[i];
        found = true;
      }
    }
    XFree(maps);
  }
  return found;
}

void create_graph_window(const char *title, const char *shell_name) {
  graph_max_width = WidthOfScreen(screen_struct);
  graph_max_height = HeightOfScreen(screen_struct);
  graph_frame = XtVaAppCreateShell(shell_name, "AutoCAD", topLevelShellWidgetClass, display, XmNtitle, title,
                                   XmNiconName, title, XmNvisual, def_visual, XmNdepth, depth, XmNcolormap,
                                   def_cmap, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom wm_delete = XmInternAtom(display, const_cast<char *>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(graph_frame, wm_delete, close_cb, nullptr);

  XtAppAddActions(context, graph_actions, XtNumber(graph_actions));
  XtTranslations translations = XtParseTranslationTable(graph_translations);

  graph_mainw = XmCreateMainWindow(graph_frame, const_cast<char *>("MainWindow"), nullptr, 0);
  XtManageChild(graph_mainw);
  // The drawing widget: RGB normal planes, double buffered with a
  // single-buffered window to switch to, and 2-bit overlay planes (pop-up
  // planes in their place with use_pups). Mode 4 is the layer's plane count.
  GLXconfig drawing_config[] = {
      {GLX_NORMAL, GLX_RGB, 1},
      {GLX_NORMAL, GLX_DOUBLE, 1},
      {use_pups ? GLX_POPUP : GLX_OVERLAY, 4, 2},
      {0, 0, 0},
  };
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], GlxNglxConfig, drawing_config), ++n;
  XtSetArg(args[n], GlxNprovideSingleBuffer, True), ++n;
  XtSetArg(args[n], use_pups ? GlxNusePopup : GlxNuseOverlay, True), ++n;
  XtSetArg(args[n], XmNtraversalOn, True), ++n;
  graph_pw = GlxCreateMDraw(graph_mainw, "Drawing", args, n);
  XtManageChild(graph_pw);
  // The widget's own input translations go; every event of the drawing
  // window reaches graph_handler instead.
  attach_graph_callbacks(graph_pw);
  XtOverrideTranslations(graph_pw, translations);
  XmMainWindowSetAreas(graph_mainw, nullptr, nullptr, nullptr, nullptr, graph_pw);
  XtRealizeWidget(graph_frame);
  graph_window = XtWindow(graph_pw);

  graph_font = XLoadQueryFont(display, "fixed");
}

void get_graph_win_attrs(int *width, int *height, int *depth_out) {
  XWindowAttributes a;
  if (graph_window != 0 && XGetWindowAttributes(display, graph_window, &a)) {
    *width = a.width;
    *height = a.height;
    *depth_out = a.depth;
  }
}

void get_frame_geometry(Widget shell, int *x, int *y) {
  // The outermost ancestor below the root is the window manager's frame; with
  // no window manager it is the shell itself.
  Window w = XtWindow(shell);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  while (w != 0 && XQueryTree(display, w, &root, &parent, &children, &n)) {
    if (children) XFree(children);
    if (parent == root || parent == 0) break;
    w = parent;
  }
  Window child;
  XTranslateCoordinates(display, w, root, 0, 0, x, y, &child);
}

void disable_backing_store(Window w) {
  XSetWindowAttributes a{};
  a.backing_store = NotUseful;
  XChangeWindowAttributes(display, w, CWBackingStore, &a);
}

void dx_font_params(int *width, int *height, int *descender) {
  if (graph_font == nullptr) {
    *width = 8;
    *height = 13;
    *descender = 2;
    return;
  }
  *width = graph_font->max_bounds.width;
  *height = graph_font->ascent + graph_font->descent;
  *descender = graph_font->descent;
}
