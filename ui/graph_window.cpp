// The graphics window: shell and application resources, widget tree and
// drawing widget, fonts from X resources, overlay visuals and colormaps,
// icons, cursors, the size lock, the message dialog and the resource-file
// writer.
#include "ui/graph_window.h"

#include <X11/Shell.h>
#include <X11/Xatom.h>
#include <X11/Xmu/StdCmap.h>
#include <X11/xpm.h>
#include <Xm/AtomMgr.h>
#include <Xm/CascadeB.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/MainW.h>
#include <Xm/MessageB.h>
#include <Xm/Protocols.h>
#include <Xm/RowColumn.h>
#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "GlxDraw/GlxMDraw.h"
#include "base/build.h"
#include "base/channel.h"
#include "base/text_codes.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "commands/messages.h"
#include "display/wrappers.h"
#include "kanji/kanji_window.h"
#include "kovagl/gl.h"
#include "ui/context.h"
#include "ui/icons.h"
#include "ui/resource_file.h"
#include "ui/menubar.h"
#include "ui/side_menu.h"
#include "ui/status_bar.h"
#include "ui/text_window.h"
#include "ui/tool_bar.h"

GraphResources graphres;
int splitlines = 3;
int margin_size = 3;
int system_cursor;

Widget graph_frame;
Widget graph_mainw;
Widget graph_menubar;
Widget graph_msg_form;
Widget graph_status_form;
Widget graph_work_form;
Widget graph_draw_form;
Widget graph_draw_frame;
XtTranslations graphicsTranslations;
int graph_max_width, graph_max_height;
int graph_win_wdt, graph_win_hgt, graph_win_depth;
XColor graph_bg_color, graph_fg_color;

Pixmap grIcon, textIcon;

XFontSet graph_font_set;
XFontSet text_font_set;
XFontStruct *graph_font;
XmFontList fontlist;
GC graph_gc;

int cur_dialog_type;


namespace {

// ---- application resources ---------------------------------------------------

#define GRAPH_RES(name, cls, type, field, deftype, defval)                                            \
  {const_cast<String>(name), const_cast<String>(cls), const_cast<String>(type),                        \
   sizeof(GraphResources::field), static_cast<Cardinal>(offsetof(GraphResources, field)),              \
   const_cast<String>(deftype), reinterpret_cast<XtPointer>(defval)}

XtResource graph_resource_table[] = {
    GRAPH_RES("commandLines", "CommandLines", XtRInt, command_lines, XtRImmediate, 3),
    GRAPH_RES("marginSize", "MarginSize", XtRInt, margin_size, XtRImmediate, 3),
    GRAPH_RES("scrollLines", "ScrollLines", XtRInt, scroll_lines, XtRImmediate, 16),
    GRAPH_RES("gamma", "Gamma", XtRFloat, gamma, XtRCallProc, gamma_default),
    GRAPH_RES("systemCursor", "SystemCursor", XtRBoolean, system_cursor, XtRImmediate, False),
    GRAPH_RES("useMenuBar", "UseMenuBar", XtRBoolean, use_menu_bar, XtRImmediate, True),
    GRAPH_RES("useStatusBar", "UseStatusBar", XtRBoolean, use_status_bar, XtRImmediate, True),
    GRAPH_RES("useToolBar", "UseToolBar", XtRBoolean, use_tool_bar, XtRImmediate, True),
    GRAPH_RES("useSideMenu", "UseSideMenu", XtRBoolean, use_side_menu, XtRImmediate, True),
    GRAPH_RES("useCommandArea", "UseCommandArea", XtRBoolean, use_command_area, XtRImmediate, True),
    GRAPH_RES("openInGraphMode", "OpenInGraphMode", XtRBoolean, open_in_graph_mode, XtRImmediate, False),
    GRAPH_RES("useVportBatch", "UseVportBatch", XtRBoolean, use_vport_batch, XtRImmediate, False),
    GRAPH_RES("useAlt", "UseAlt", XtRBoolean, use_alt, XtRImmediate, True),
};

#undef GRAPH_RES

// Every event of the drawing area reaches graph_handler (the action main
// registers).
const char graph_translation_table[] =
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

// The drawing widget's configuration: single-buffered RGB normal planes with
// the largest z-buffer, and a 2-bit overlay (pop-up planes in its place when
// the hardware has fewer than two overlay planes).
constexpr int kGlxZsize = 3;    // mode: bits of the z-buffer
constexpr int kGlxBufsize = 4;  // mode: bits of the layer's colour index
GLXconfig drawing_config[] = {
    {GLX_NORMAL, GLX_DOUBLE, 0},
    {GLX_NORMAL, GLX_RGB, 1},
    {GLX_NORMAL, kGlxZsize, 32767},
    {GLX_OVERLAY, kGlxBufsize, 2},
    {0, 0, 0},
};

void close_cb(Widget, XtPointer, XtPointer) { no_destroy(); }

// The shell iconified or unmapped, or shown again: the redraws that wait
// while the window is iconified look at Iconified.
void shell_map_state(Widget, XtPointer, XEvent *event, Boolean *) {
  if (event->type == UnmapNotify)
    Iconified = 1;
  else if (event->type == MapNotify)
    Iconified = 0;
}

// The child of parent that holds w (w itself when it is one), else nullptr.
Widget child_holding(Widget w, Widget parent) {
  while (w != nullptr && XtParent(w) != parent) w = XtParent(w);
  return w;
}

// ---- font caches -------------------------------------------------------------

// Font sets and font lists are loaded once per name and display and shared.
struct CachedFontSet {
  Display *dpy;
  char name[32];
  XFontSet set;
};
struct CachedFontList {
  Display *dpy;
  char name[32];
  XmFontList list;
};
CachedFontSet font_set_cache[8];
CachedFontList font_list_cache[8];

template <typename Entry>
Entry *cache_find(Entry (&cache)[8], Display *dpy, const char *name, bool make) {
  for (Entry &e : cache)
    if (e.dpy == dpy && std::strncmp(e.name, name, sizeof e.name) == 0) return &e;
  if (!make || std::strlen(name) >= sizeof cache[0].name) return nullptr;
  for (Entry &e : cache) {
    if (e.dpy == nullptr) {
      e.dpy = dpy;
      bounded_copy(e.name, name, sizeof e.name);
      return &e;
    }
  }
  return nullptr;
}

// The joined font names of resource "AutoCAD-<name>.fontList".
void graph_font_names(const char *name, Display *dpy, char *out, std::size_t cap) {
  char resource[96];
  char font_list[2048];
  out[0] = '\0';
  std::snprintf(resource, sizeof resource, "AutoCAD-%.60s.fontList", name);
  if (get_resource_text(dpy, resource, font_list, sizeof font_list)) join_font_entries(font_list, out, cap);
}

XFontSet create_font_set(Display *dpy, const char *names) {
  char **missing = nullptr;
  int missing_count = 0;
  char *def_string = nullptr;
  XFontSet set = XCreateFontSet(dpy, names, &missing, &missing_count, &def_string);
  if (missing != nullptr) XFreeStringList(missing);
  return set;
}

// ---- fixed font ----------------------------------------------------------------

// Width of a character of a single-row font; -1 when the font lacks it.
int char_width(const XFontStruct *f, unsigned ch) {
  if (f->min_byte1 != 0 || f->max_byte1 != 0) return -1;
  if (ch < f->min_char_or_byte2 || ch > f->max_char_or_byte2) return -1;
  if (f->per_char == nullptr) return f->max_bounds.width;
  const XCharStruct &c = f->per_char[ch - f->min_char_or_byte2];
  if (c.width == 0 && c.lbearing == 0 && c.rbearing == 0 && c.ascent == 0 && c.descent == 0) return -1;
  return c.width;
}

struct FixedFontProbe {
  Display *dpy;
  XFontStruct *font;  // the font accepted last
};

bool probe_fixed_font(const char *name, void *data) {
  auto *probe = static_cast<FixedFontProbe *>(data);
  XFontStruct *f = XLoadQueryFont(probe->dpy, name);
  if (f == nullptr) return false;
  int w = char_width(f, 'W');
  if (w < 0 || w != char_width(f, 'l')) {
    XFreeFont(probe->dpy, f);
    return false;
  }
  probe->font = f;
  return true;
}

// ---- overlay visuals -------------------------------------------------------------

inline constexpr int kOverlayVisualsMax = 256;

int read_overlay_visuals(Display *dpy, int scr, OverlayVisual *out, int max_out) {
  Atom property = XInternAtom(dpy, "SERVER_OVERLAY_VISUALS", True);
  if (property == None) return 0;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(dpy, RootWindow(dpy, scr), property, 0, 4L * max_out, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) != Success)
    return 0;
  int n = 0;
  if (data != nullptr && format == 32)
    n = parse_overlay_visuals(reinterpret_cast<const unsigned long *>(data), count, out, max_out);
  if (data != nullptr) XFree(data);
  return n;
}

// The overlay colormap: a visual of the layer above the default visual's with
// a transparent pixel, when the server has one.
void setup_overlay_colormap() {
  XLayerVisualInfo tmpl{};
  tmpl.vinfo.visualid = XVisualIDFromVisual(def_visual);
  tmpl.vinfo.screen = screen;
  int count = 0;
  XLayerVisualInfo *base = XGetLayerVisualInfo(display, VisualIDMask | VisualScreenMask, &tmpl, &count);
  long layer = count > 0 ? base[0].layer : 0;
  std::free(base);

  tmpl = XLayerVisualInfo{};
  tmpl.vinfo.screen = screen;
  tmpl.layer = layer + 1;
  tmpl.type = 1;
  XLayerVisualInfo *over =
      XGetLayerVisualInfo(display, VisualScreenMask | VisualLayerMask | VisualTransparentType, &tmpl, &count);
  if (count > 0) {
    ovr_cmap = XCreateColormap(display, RootWindow(display, screen), over[0].vinfo.visual, AllocNone);
    for (const char *name : {"MFLLightGray", "black", "white"}) {
      XColor shown{}, exact{};
      XAllocNamedColor(display, ovr_cmap, name, &shown, &exact);
    }
  }
  std::free(over);
}

// ---- message dialog ----------------------------------------------------------------

int dialog_result = -2;  // -2 while the box waits for its answer

// While the box waits, the packet pipe is looked at this often for a client
// that has gone away.
constexpr unsigned long kPipeWatchMs = 200;
XtIntervalId pipe_watch_id;

// The writing end of the packet pipe is closed (or the pipe failed): the
// client is gone and can never answer the box. Data still in the pipe does
// not count as an answer either.
bool packet_pipe_hung_up() {
  if (packet_client == nullptr || packet_client->in_fd < 0) return false;
  pollfd p{packet_client->in_fd, POLLRDHUP, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0;
}

void watch_packet_pipe(XtPointer, XtIntervalId *) {
  pipe_watch_id = 0;
  if (packet_pipe_hung_up()) {
    // End as the main loop ends on this pipe: reading on to its end gives
    // the same fatal message and status. What the client sent before it
    // went is read and dropped, never run.
    std::uint8_t byte = 0;
    for (;;) read_pkt(packet_client, &byte, 1);
  }
  pipe_watch_id = XtAppAddTimeOut(context, kPipeWatchMs, watch_packet_pipe, nullptr);
}

// ---- size lock ----------------------------------------------------------------------

int graph_win_locked;
bool size_hints_saved;  // the minimum size of the unlocked shell is kept
int saved_min_width, saved_min_height;

}  // namespace


// ---- fonts from X resources ------------------------------------------------------

bool get_resource_text(Display *dpy, const char *name, char *out, std::size_t cap) {
  if (cap == 0) return false;
  out[0] = '\0';
  XrmDatabase db = XtDatabase(dpy);
  if (db == nullptr) return false;
  char *type = nullptr;
  XrmValue value{};
  if (!XrmGetResource(db, name, name, &type, &value) || value.addr == nullptr) return false;
  std::size_t n = strnlen(value.addr, value.size);
  if (n >= cap) n = cap - 1;
  std::memcpy(out, value.addr, n);
  out[n] = '\0';
  return true;
}

XFontSet get_widget_graph_font(const char *name, Display *dpy) {
  CachedFontSet *cached = cache_find(font_set_cache, dpy, name, true);
  if (cached != nullptr && cached->set != nullptr) return cached->set;
  char names[2048];
  graph_font_names(name, dpy, names, sizeof names);
  XFontSet set = names[0] != '\0' ? create_font_set(dpy, names) : nullptr;
  if (set == nullptr) set = create_font_set(dpy, "fixed");
  if (set == nullptr) set = create_font_set(dpy, "-*-*-*-*-*-*-*-*-*-*-*-*-*-*");
  if (cached != nullptr) cached->set = set;
  return set;
}

XmFontList get_widget_text_font(const char *name, Display *dpy) {
  CachedFontList *cached = cache_find(font_list_cache, dpy, name, true);
  if (cached != nullptr && cached->list != nullptr) return cached->list;
  char names[2048];
  graph_font_names(name, dpy, names, sizeof names);
  char *tag = const_cast<char *>(XmFONTLIST_DEFAULT_TAG);
  char fixed[] = "fixed";
  XmFontListEntry entry = nullptr;
  if (names[0] != '\0') entry = XmFontListEntryLoad(dpy, names, XmFONT_IS_FONTSET, tag);
  if (entry == nullptr) entry = XmFontListEntryLoad(dpy, fixed, XmFONT_IS_FONTSET, tag);
  if (entry == nullptr) entry = XmFontListEntryLoad(dpy, fixed, XmFONT_IS_FONT, tag);
  XmFontList list = nullptr;
  if (entry != nullptr) {
    list = XmFontListAppendEntry(nullptr, entry);
    XmFontListEntryFree(&entry);
  }
  if (cached != nullptr) cached->list = list;
  return list;
}

XmString label_string(const char *text, bool lines) {
  char *t = const_cast<char *>(text != nullptr ? text : "");
  if constexpr (!kSecondBuild) {
    // Motif's "localized" strings take their code set from the environment
    // (a UTF-8 LANG beside LC_ALL=ja_JP.EUC), which the EUC font sets then
    // neither measure nor draw.
    char *tag = const_cast<char *>(_MOTIF_DEFAULT_LOCALE);
    return lines ? XmStringCreateLtoR(t, tag) : XmStringCreate(t, tag);
  } else {
    return lines ? XmStringCreateLtoR(t, const_cast<char *>(XmFONTLIST_DEFAULT_TAG)) : XmStringCreateLocalized(t);
  }
}

XFontStruct *get_widget_fixed_font(const char *name, Display *dpy) {
  char resource[96];
  char font_list[2048];
  std::snprintf(resource, sizeof resource, "AutoCAD-%.60s.fontlist", name);
  if (!get_resource_text(dpy, resource, font_list, sizeof font_list)) {
    std::snprintf(resource, sizeof resource, "AutoCAD-%.60s*XmText.fontList", name);
    get_resource_text(dpy, resource, font_list, sizeof font_list);
  }
  FixedFontProbe probe{dpy, nullptr};
  char chosen[kFontNameMax];
  choose_fixed_font(font_list, probe_fixed_font, &probe, chosen, sizeof chosen);
  if (probe.font == nullptr) probe.font = XLoadQueryFont(dpy, "fixed");
  return probe.font;
}

// ---- overlay visuals ---------------------------------------------------------------

XLayerVisualInfo *XGetLayerVisualInfo(Display *dpy, long mask, const XLayerVisualInfo *tmpl, int *count) {
  *count = 0;
  int n = 0;
  XVisualInfo *visuals = XGetVisualInfo(dpy, mask & VisualAllMask, const_cast<XVisualInfo *>(&tmpl->vinfo), &n);
  if (visuals == nullptr || n <= 0) {
    if (visuals != nullptr) XFree(visuals);
    return nullptr;
  }
  auto *out = static_cast<XLayerVisualInfo *>(std::calloc(static_cast<std::size_t>(n), sizeof(XLayerVisualInfo)));
  if (out == nullptr) {
    XFree(visuals);
    return nullptr;
  }
  // The property lives on each screen's root window: read it once a screen.
  static OverlayVisual entries[kOverlayVisualsMax];
  int entry_count = 0, entries_screen = -1;
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (visuals[i].screen != entries_screen) {
      entries_screen = visuals[i].screen;
      entry_count = read_overlay_visuals(dpy, entries_screen, entries, kOverlayVisualsMax);
    }
    XLayerVisualInfo info{};
    info.vinfo = visuals[i];
    bool has_entry = overlay_info_of(visuals[i].visualid, entries, entry_count, &info);
    if (layer_filters_match(info, has_entry, mask, *tmpl)) out[kept++] = info;
  }
  XFree(visuals);
  if (kept == 0) {
    std::free(out);
    return nullptr;
  }
  *count = kept;
  return out;
}

bool XMatchLayerVisualInfo(Display *dpy, int scr, int depth_wanted, int visual_class, long layer,
                           XLayerVisualInfo *out) {
  XLayerVisualInfo tmpl{};
  tmpl.vinfo.screen = scr;
  tmpl.vinfo.depth = depth_wanted;
  tmpl.vinfo.c_class = visual_class;
  tmpl.layer = layer;
  int count = 0;
  XLayerVisualInfo *list =
      XGetLayerVisualInfo(dpy, VisualScreenMask | VisualDepthMask | VisualClassMask | VisualLayerMask, &tmpl, &count);
  if (list == nullptr) return false;
  *out = list[0];
  std::free(list);
  return true;
}

// ---- visual and colormap --------------------------------------------------------------

Visual *find_visual(Display *dpy, int scr, int depth_wanted) {
  XVisualInfo tmpl{};
  tmpl.screen = scr;
  tmpl.depth = depth_wanted;
  tmpl.c_class = TrueColor;
  int n = 0;
  XVisualInfo *list = XGetVisualInfo(dpy, VisualScreenMask | VisualDepthMask | VisualClassMask, &tmpl, &n);
  Visual *visual = list != nullptr && n > 0 ? list[0].visual : nullptr;
  if (list != nullptr) XFree(list);
  return visual;
}

bool GetStdColormap(Display *dpy, int scr, Visual *visual, int depth_wanted, XStandardColormap *out) {
  VisualID id = XVisualIDFromVisual(visual);
  if (!XmuLookupStandardColormap(dpy, scr, id, static_cast<unsigned>(depth_wanted), XA_RGB_BEST_MAP, False, True))
    return false;
  XStandardColormap *maps = nullptr;
  int count = 0;
  bool found = false;
  if (XGetRGBColormaps(dpy, RootWindow(dpy, scr), &maps, &count, XA_RGB_BEST_MAP)) {
    for (int i = 0; i < count && !found; ++i) {
      if (maps[i].visualid == id) {
        *out = maps[i];
        found = true;
      }
    }
    XFree(maps);
  }
  return found;
}

void wm_colormap_windows() {
  if (graph_frame == nullptr || !XtIsRealized(graph_frame)) return;
  Window shell = XtWindow(graph_frame);
  // What the drawing widget announced (its alternate window) stays.
  Window list[16];
  int n = 0;
  Window *old = nullptr;
  int old_count = 0;
  if (XGetWMColormapWindows(display, shell, &old, &old_count)) {
    for (int i = 0; i < old_count && n < 12; ++i) list[n++] = old[i];
    XFree(old);
  }
  auto add = [&](Window w) {
    if (w == 0) return;
    for (int i = 0; i < n; ++i)
      if (list[i] == w) return;
    list[n++] = w;
  };
  if (ovr_cmap != 0) add(overlayWindow(graph_pw));
  add(graph_window);
  add(shell);
  XSetWMColormapWindows(display, shell, list, n);
}

// ---- the graphics window ----------------------------------------------------------

void read_graph_resources(Widget shell) {
  XtGetApplicationResources(shell, &graphres, graph_resource_table, XtNumber(graph_resource_table), nullptr,
                            0);
  splitlines = command_lines_from_resource(graphres.command_lines);
  margin_size = graphres.margin_size >= 0 && graphres.margin_size <= 100 ? graphres.margin_size : 3;
  if (std::isfinite(graphres.gamma) && graphres.gamma > 0.0f) Gamma = graphres.gamma;
  system_cursor = graphres.system_cursor ? 1 : 0;
  use_localmenu = graphres.use_menu_bar ? 1 : 0;
  use_localstatus = graphres.use_status_bar ? 1 : 0;
  use_toolbar = graphres.use_tool_bar ? 1 : 0;
  use_localsidemenu = graphres.use_side_menu ? 1 : 0;
  use_localtext = graphres.use_command_area ? 1 : 0;
  choose_alt_accel_chord(graphres.use_alt ? 1 : 0);
}

void create_graph_window(const char *title, const char *shell_name) {
  graph_max_width = WidthOfScreen(screen_struct);
  graph_max_height = HeightOfScreen(screen_struct);

  // 1. The shell and its application resources.
  graph_frame = XtVaAppCreateShell(shell_name, "Root", topLevelShellWidgetClass, display, XmNtitle, title,
                                   XmNiconName, title, XmNvisual, def_visual, XmNdepth, depth, XmNcolormap,
                                   def_cmap, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  read_graph_resources(graph_frame);

  // 2. The "Text" font; the second program has one fixed font for all.
  if constexpr (!kSecondBuild) {
    text_font_set = get_widget_graph_font("Text", display);
    fontlist = get_widget_text_font("Text", display);
  } else {
    graph_font = get_widget_fixed_font("Graph", display);
    if (graph_font != nullptr) {
      char *tag = const_cast<char *>(XmFONTLIST_DEFAULT_TAG);
      fontlist = XmFontListCreate(graph_font, tag);
    }
  }

  // 3. Closing the window through the window manager.
  Atom wm_delete = XmInternAtom(display, const_cast<char *>("WM_DELETE_WINDOW"), False);
  Atom wm_protocols = XmInternAtom(display, const_cast<char *>("WM_PROTOCOLS"), False);
  XmAddProtocolCallback(graph_frame, wm_protocols, wm_delete, close_cb, nullptr);
  XtAddEventHandler(graph_frame, StructureNotifyMask, False, shell_map_state, nullptr);

  // 4. The drawing area's events go to graph_handler.
  graphicsTranslations = XtParseTranslationTable(graph_translation_table);

  // 5. The main window.
  graph_mainw = XmCreateMainWindow(graph_frame, const_cast<char *>("MainWindow"), nullptr, 0);
  XtManageChild(graph_mainw);

  // 6. The menu bar, with its first menus until the client sends its own.
  // F10 belongs to the client's keys: it must not pull the keyboard into the
  // bar (the keys after it would never reach the drawing area). The bar is
  // reached from the keyboard with Ctrl Shift F10 instead.
  Arg bar_args[1];
  XtSetArg(bar_args[0], XmNmenuAccelerator, const_cast<char *>("Ctrl Shift<Key>F10"));
  graph_menubar = XmCreateMenuBar(graph_mainw, const_cast<char *>("MenuBar"), bar_args, 1);
  if (use_localmenu) {
    for (const char *label : {"File", "Edit", "Help"}) {
      Widget cascade = XtVaCreateManagedWidget(label, xmCascadeButtonWidgetClass, graph_menubar, nullptr);
      // In the font of the client's menus, so the bar keeps its height.
      if constexpr (!kSecondBuild) XtVaSetValues(cascade, XmNfontList, fontlist, nullptr);
    }
    XtManageChild(graph_menubar);
  }
  // The client's menus are built in it either way: the pop-up menu is there
  // without the bar too.
  new_mtf_bar(graph_menubar);

  // 7. The window colours; the message area with the status bar.
  get_widget_color(&graph_bg_color, graph_mainw, XmNbackground);
  get_widget_color(&graph_fg_color, graph_mainw, XmNforeground);
  graph_msg_form = XtVaCreateWidget("MessageForm", xmFormWidgetClass, graph_mainw, nullptr);
  graph_status_form = nullptr;
  if (use_localstatus) {
    graph_status_form = XtVaCreateWidget("StatusForm", xmFormWidgetClass, graph_msg_form, XmNleftAttachment,
                                         XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment,
                                         XmATTACH_FORM, nullptr);
    if (create_status_bar(graph_status_form) != nullptr)
      XtManageChild(graph_status_form);
    else
      graph_status_form = nullptr;
  }

  // 8. The work area: a frame, its form, the drawing area's form and frame.
  // Each level keeps the standard margin inside it, so the drawing area
  // stands apart from the tool bar, the side menu and the window's edge.
  Widget work_frame = XtVaCreateManagedWidget("WorkFrame", xmFrameWidgetClass, graph_mainw, XmNmarginWidth, 0,
                                              XmNmarginHeight, 0, nullptr);
  graph_work_form = XtVaCreateManagedWidget("WorkForm", xmFormWidgetClass, work_frame, XmNmarginWidth,
                                            margin_size, XmNmarginHeight, margin_size, nullptr);
  graph_draw_form = XtVaCreateManagedWidget("DrawForm", xmFormWidgetClass, graph_work_form, XmNmarginWidth,
                                            margin_size, XmNmarginHeight, margin_size, XmNtopAttachment,
                                            XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM,
                                            XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM,
                                            nullptr);
  graph_draw_frame = XtVaCreateManagedWidget("DrawFrame", xmFrameWidgetClass, graph_draw_form, XmNtopAttachment,
                                             XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM,
                                             XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                                             XmATTACH_FORM, nullptr);

  // 9. The drawing widget.
  use_pups = getgdesc(17) < 2 ? 1 : 0;
  drawing_config[3].buffer = use_pups ? GLX_POPUP : GLX_OVERLAY;
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], GlxNglxConfig, drawing_config), ++n;
  XtSetArg(args[n], GlxNprovideSingleBuffer, True), ++n;
  XtSetArg(args[n], use_pups ? GlxNusePopup : GlxNuseOverlay, True), ++n;
  XtSetArg(args[n], XmNtraversalOn, True), ++n;
  graph_pw = GlxCreateMDraw(graph_draw_frame, "Drawing", args, n);
  XtManageChild(graph_pw);
  attach_graph_callbacks(graph_pw);
  XtOverrideTranslations(graph_pw, graphicsTranslations);

  // 10. The side menu and the command area.
  if (use_localsidemenu) {
    create_sidemenu(graph_draw_form, fontlist);
    manage_sidemenu();
  }
  Widget command_area = nullptr;
  if (use_localtext) {
    command_area = create_text_area(graph_frame, "Graph", graph_msg_form, splitlines, graphres.scroll_lines,
                                    display);
    if (command_area != nullptr) {
      XtPointer info = nullptr;
      XtVaGetValues(command_area, XmNuserData, &info, nullptr);
      command_lines_info = static_cast<TextWindowInfo *>(info);
      Widget holder = child_holding(command_area, graph_msg_form);
      if (holder != nullptr) {
        XtVaSetValues(holder, XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM,
                      XmNrightAttachment, XmATTACH_FORM, nullptr);
        if (graph_status_form != nullptr)
          XtVaSetValues(holder, XmNbottomAttachment, XmATTACH_WIDGET, XmNbottomWidget, graph_status_form, nullptr);
        else
          XtVaSetValues(holder, XmNbottomAttachment, XmATTACH_FORM, nullptr);
      }
    }
  }

  // 11. The areas of the main window.
  bool message_area = graph_status_form != nullptr || command_area != nullptr;
  if (message_area) XtManageChild(graph_msg_form);
  XmMainWindowSetAreas(graph_mainw, use_localmenu ? graph_menubar : nullptr, nullptr, nullptr, nullptr,
                       work_frame);
  if (message_area) XtVaSetValues(graph_mainw, XmNmessageWindow, graph_msg_form, nullptr);

  // 12. Realize; the command area's GC, the tool bar.
  XtRealizeWidget(graph_frame);
  graph_window = XtWindow(graph_pw);
  get_graph_win_attrs(&graph_win_wdt, &graph_win_hgt, &graph_win_depth);
  if (command_area != nullptr) {
    tw_create_GC(command_area);
    tw_setup_attributes(command_area);
  }
  if (use_toolbar) {
    create_tool_bar(graph_work_form);
    manage_tool_bar();
  }

  // 13. Colormaps.
  setup_overlay_colormap();
  wm_colormap_windows();
}

// ---- icons ------------------------------------------------------------------------

Pixmap set_shell_icon(Widget shell, Display *, const char *const *xpm) {
  if (shell == nullptr || xpm == nullptr) return 0;
  Display *dpy = XtDisplay(shell);
  Screen *scr = XtScreen(shell);
  Visual *visual = nullptr;
  Cardinal shell_depth = 0;
  Colormap cmap = 0;
  XtVaGetValues(shell, XmNvisual, &visual, XmNdepth, &shell_depth, XmNcolormap, &cmap, nullptr);
  if (visual == nullptr) visual = DefaultVisualOfScreen(scr);
  if (shell_depth == 0) shell_depth = static_cast<Cardinal>(DefaultDepthOfScreen(scr));
  if (cmap == 0) cmap = DefaultColormapOfScreen(scr);

  XpmAttributes attrs{};
  attrs.valuemask = XpmVisual | XpmColormap | XpmDepth | XpmCloseness;
  attrs.visual = visual;
  attrs.colormap = cmap;
  attrs.depth = shell_depth;
  attrs.closeness = 40000;
  Pixmap picture = 0, mask = 0;
  int status = XpmCreatePixmapFromData(dpy, RootWindowOfScreen(scr), const_cast<char **>(xpm), &picture, &mask,
                                       &attrs);
  if (mask != 0) XFreePixmap(dpy, mask);
  if (status < XpmSuccess || picture == 0) return 0;
  unsigned width = attrs.width, height = attrs.height;
  XpmFreeAttributes(&attrs);
  XtVaSetValues(shell, XmNiconPixmap, picture, nullptr);

  // The icon window shows the same picture (a simple window made for it when
  // the shell has none, with the picture's visual).
  Window icon_window = 0;
  XtVaGetValues(shell, XmNiconWindow, &icon_window, nullptr);
  if (icon_window == 0) {
    XSetWindowAttributes a{};
    a.background_pixmap = picture;
    a.border_pixel = 0;
    a.colormap = cmap;
    icon_window = XCreateWindow(dpy, RootWindowOfScreen(scr), 0, 0, width, height, 0,
                                static_cast<int>(shell_depth), InputOutput, visual,
                                CWBackPixmap | CWBorderPixel | CWColormap, &a);
    XtVaSetValues(shell, XmNiconWindow, icon_window, nullptr);
  } else {
    XSetWindowBackgroundPixmap(dpy, icon_window, picture);
    XClearWindow(dpy, icon_window);
  }
  return picture;
}

void set_shell_icons() {
  grIcon = set_shell_icon(graph_frame, display, graph_icon_xpm);
  if (txtdisp != nullptr && text_frame != nullptr) textIcon = set_shell_icon(text_frame, txtdisp, text_icon_xpm);
  if constexpr (!kSecondBuild) {
    if (kanji_frame != nullptr) set_shell_icon(kanji_frame, display, text_icon_xpm);
  }
}

// ---- graphics context, font cell, geometry ---------------------------------------------

void create_graph_gc(Pixmap stipple) {
  if constexpr (!kSecondBuild) {
    graph_font_set = get_widget_graph_font("Graph", display);
    if (graph_font_set != nullptr) {
      XFontStruct **fonts = nullptr;
      char **names = nullptr;
      if (XFontsOfFontSet(graph_font_set, &fonts, &names) > 0) {
        // The set loads its fonts when it first draws: the GC needs one now.
        graph_font = fonts[0]->fid != 0 ? fonts[0] : XLoadQueryFont(display, names[0]);
      }
    }
  } else {
    if (graph_font == nullptr) graph_font = get_widget_fixed_font("Graph", display);
  }
  if (graph_window == 0) return;
  XGCValues v{};
  v.foreground = graph_fg_color.pixel;
  v.background = graph_bg_color.pixel;
  v.stipple = stipple;
  unsigned long mask = GCForeground | GCBackground | GCStipple;
  if (graph_font != nullptr) {
    v.font = graph_font->fid;
    mask |= GCFont;
  }
  if (graph_gc != nullptr) XFreeGC(display, graph_gc);
  graph_gc = XCreateGC(display, graph_window, mask, &v);
}

void dx_font_params(int *width, int *height, int *descender) {
  if constexpr (!kSecondBuild) {
    if (graph_font_set != nullptr) {
      const XFontSetExtents *ext = XExtentsOfFontSet(graph_font_set);
      int h = ext->max_logical_extent.height;
      // A cell holds one single-byte character: the widest single-row font
      // of the set, else half the widest character (a two-byte one).
      int w = 0;
      XFontStruct **fonts = nullptr;
      char **names = nullptr;
      int n = XFontsOfFontSet(graph_font_set, &fonts, &names);
      for (int i = 0; i < n; ++i)
        if (fonts[i]->min_byte1 == 0 && fonts[i]->max_byte1 == 0 && fonts[i]->max_bounds.width > w)
          w = fonts[i]->max_bounds.width;
      if (w <= 0) w = ext->max_logical_extent.width / 2;
      *width = w > 0 ? w : 8;
      *height = h > 0 ? h : 13;
      *descender = h + ext->max_logical_extent.y;
      return;
    }
  }
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

void get_graph_win_attrs(int *width, int *height, int *depth_out) {
  XWindowAttributes a;
  if (graph_window != 0 && XGetWindowAttributes(display, graph_window, &a)) {
    graph_win_wdt = a.width;
    graph_win_hgt = a.height;
    graph_win_depth = a.depth;
  }
  *width = graph_win_wdt;
  *height = graph_win_hgt;
  *depth_out = graph_win_depth;
}

void get_frame_geometry(Display *dpy, Window window, int *x, int *y) {
  // The outermost ancestor below the root is the window manager's frame; with
  // no window manager it is the window itself.
  Window w = window;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  while (w != 0 && XQueryTree(dpy, w, &root, &parent, &children, &n)) {
    if (children != nullptr) XFree(children);
    if (parent == root || parent == 0) break;
    w = parent;
  }
  Window geometry_root = 0;
  int gx = 0, gy = 0;
  unsigned gw = 0, gh = 0, border = 0, gdepth = 0;
  if (w != 0 && XGetGeometry(dpy, w, &geometry_root, &gx, &gy, &gw, &gh, &border, &gdepth)) {
    *x = gx;
    *y = gy;
  }
}

void get_frame_geometry(Widget shell, int *x, int *y) {
  if (shell == nullptr || !XtIsRealized(shell)) return;
  get_frame_geometry(XtDisplay(shell), XtWindow(shell), x, y);
}

bool get_win_size(Display *dpy, Window window, int *x, int *y, int *width, int *height) {
  XWindowAttributes a;
  if (dpy == nullptr || window == 0 || !XGetWindowAttributes(dpy, window, &a)) return false;
  *width = a.width;
  *height = a.height;
  *x = a.x;
  *y = a.y;
  get_frame_geometry(dpy, window, x, y);
  return true;
}

void disable_backing_store(Window w) {
  if (w == 0) return;
  XSetWindowAttributes a{};
  a.backing_store = NotUseful;
  XChangeWindowAttributes(display, w, CWBackingStore, &a);
}

// ---- cursors and the size lock ------------------------------------------------------------

void graph_cursor(int mode) {
  if (graph_window == 0) return;
  Cursor cursor = None;
  switch (mode) {
    case 1: cursor = graphmode_cursor; break;
    case 2: cursor = dialogmode_cursor; break;
    case 3: cursor = infomode_cursor; break;
    default: break;
  }
  XDefineCursor(display, graph_window, cursor);
}

void lock_graph_win(int lock) {
  if (graph_frame == nullptr || !XtIsRealized(graph_frame)) return;
  // The hints go through the shell's own resources: the shell writes the
  // window manager's size hints again whenever its geometry changes, and
  // must write the locked ones then.
  bool tools_button = use_toolbar && use_localstatus && st_tools != nullptr;
  if (lock) {
    if (graph_win_locked) return;
    graph_win_locked = 1;
    if (tools_button) XtSetSensitive(st_tools, False);
    if (!size_hints_saved) {
      XtVaGetValues(graph_frame, XmNminWidth, &saved_min_width, XmNminHeight, &saved_min_height, nullptr);
      size_hints_saved = true;
    }
    Dimension width = 0, height = 0;
    XtVaGetValues(graph_frame, XmNwidth, &width, XmNheight, &height, nullptr);
    XtVaSetValues(graph_frame, XmNminWidth, static_cast<int>(width), XmNmaxWidth, static_cast<int>(width),
                  XmNminHeight, static_cast<int>(height), XmNmaxHeight, static_cast<int>(height), nullptr);
  } else {
    if (!graph_win_locked) return;
    graph_win_locked = 0;
    if (size_hints_saved) {
      XtVaSetValues(graph_frame, XmNminWidth, saved_min_width, XmNminHeight, saved_min_height, XmNmaxWidth,
                    graph_max_width, XmNmaxHeight, graph_max_height, nullptr);
      size_hints_saved = false;
    }
    if (tools_button) XtSetSensitive(st_tools, True);
  }
}

// ---- message dialog ---------------------------------------------------------------------

void dialog_reply(Widget, XtPointer, XtPointer call_data) {
  const auto *cb = static_cast<const XmAnyCallbackStruct *>(call_data);
  dialog_result = dialog_answer(cb != nullptr ? cb->reason : 0, cur_dialog_type);
}

static_assert(kReasonHelp == static_cast<int>(XmCR_HELP) && kReasonOk == static_cast<int>(XmCR_OK) &&
              kReasonCancel == static_cast<int>(XmCR_CANCEL));

int dx_dialog(const char *text, int type) {
  if (text == nullptr) text = "";
  if (graph_frame == nullptr || !XtIsRealized(graph_frame)) return 1;
  // No box inside a box: the nested loop never reads packets, so this only
  // guards against a caller running from inside the loop.
  static bool showing = false;
  if (showing) return dialog_answer(0, type >= 0 && type <= 2 ? type : 0);
  showing = true;

  dialog_result = -2;
  XmFontList font_list = nullptr;
  if constexpr (!kSecondBuild) {
    if (fontlist == nullptr) fontlist = get_widget_text_font("Text", display);
    font_list = fontlist;
  }
  graph_cursor(3);

  // At most 25 lines, then converted for X.
  static char limited[4096];
  limit_message_lines(text, limited, sizeof limited);
  const std::string shown = sjis_text_to_euc(limited);

  cur_dialog_type = type >= 0 && type <= 2 ? type : 0;
  XmString message = label_string(shown.c_str(), true);
  XmString yes = label_string(cur_dialog_type == 0 ? "OK" : "Yes");
  XmString no = label_string("No");
  XmString cancel = label_string("Cancel");
  Arg args[14];
  Cardinal n = 0;
  XtSetArg(args[n], XmNmessageString, message), ++n;
  XtSetArg(args[n], XmNokLabelString, yes), ++n;
  XtSetArg(args[n], XmNcancelLabelString, no), ++n;
  XtSetArg(args[n], XmNhelpLabelString, cancel), ++n;
  XtSetArg(args[n], XmNdialogStyle, XmDIALOG_FULL_APPLICATION_MODAL), ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING), ++n;
  // The box is a top-level window of the screen's own visual: it takes that
  // visual's depth and colormap rather than the drawing area's.
  XtSetArg(args[n], XmNvisual, DefaultVisual(display, screen)), ++n;
  XtSetArg(args[n], XmNdepth, DefaultDepth(display, screen)), ++n;
  XtSetArg(args[n], XmNcolormap, DefaultColormap(display, screen)), ++n;
  if (font_list != nullptr) {
    XtSetArg(args[n], XmNlabelFontList, font_list), ++n;
    XtSetArg(args[n], XmNbuttonFontList, font_list), ++n;
  }
  Widget box = XmCreateWarningDialog(graph_frame, const_cast<char *>("Message"), args, n);
  // The resources' single fonts draw no Japanese: the text takes the font set.
  if (font_list != nullptr)
    XtVaSetValues(XmMessageBoxGetChild(box, XmDIALOG_MESSAGE_LABEL), XmNfontList, font_list, nullptr);
  if (cur_dialog_type == 0) XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON));
  if (cur_dialog_type != 2) XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON));
  XtAddCallback(box, XmNokCallback, dialog_reply, nullptr);
  XtAddCallback(box, XmNcancelCallback, dialog_reply, nullptr);
  XtAddCallback(box, XmNhelpCallback, dialog_reply, nullptr);
  Atom wm_delete = XmInternAtom(display, const_cast<char *>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(XtParent(box), wm_delete, dialog_reply, nullptr);

  // The box's own loop: X events and timers only. The packet pipe is not
  // read, so a packet that arrives meanwhile waits until the box is answered;
  // but a client that closes the pipe ends the driver. A menu still active
  // would keep the pointer and keyboard from the box.
  dx_popdown_menus();
  XtManageChild(box);
  watch_packet_pipe(nullptr, nullptr);
  while (dialog_result == -2) {
    XtAppProcessEvent(context, XtIMXEvent | XtIMTimer);
    XSync(display, False);
  }
  if (pipe_watch_id != 0) XtRemoveTimeOut(pipe_watch_id);
  pipe_watch_id = 0;

  XtUnmanageChild(box);
  XSync(display, False);
  dx_mole_cursor(1);
  XmUpdateDisplay(graph_frame);
  XtDestroyWidget(XtParent(box));
  XmStringFree(message);
  XmStringFree(yes);
  XmStringFree(no);
  XmStringFree(cancel);
  showing = false;
  return dialog_result;
}

// ---- resource-file writer ------------------------------------------------------------------

int dx_config(int) {
  ResourceEntry entries[kResourceEntryCount] = {};
  for (int i = 0; i < kResourceEntryCount; ++i) entries[i].name = resource_geometry_names[i];
  auto take = [&](int i, Display *dpy, Widget shell) {
    int x = 0, y = 0, w = 0, h = 0;
    if (dpy == nullptr || shell == nullptr || !XtIsRealized(shell)) return;
    if (!get_win_size(dpy, XtWindow(shell), &x, &y, &w, &h)) return;
    std::snprintf(entries[i].value, sizeof entries[i].value, "%dx%d+%d+%d", w, h, x, y);
    entries[i].present = true;
  };
  take(0, display, graph_frame);
  if (txtdisp != nullptr) take(1, txtdisp, text_frame);
  if constexpr (!kSecondBuild) take(2, display, kanji_frame);

  char path[PATH_MAX];
  bool named = resource_file_path(path, sizeof path);
  if (!named || !write_resource_file(path, entries, kResourceEntryCount)) {
    MyPrintf("Unable to write resource file: %s\n", path);
    return 0;
  }
  return 1;
}

// Visual, depth and colormap for a shell on dpy: the graphics window's on its
// own display, the screen's defaults on another.
void shell_visual_args(Display *dpy, Arg *args, Cardinal &n) {
  if (dpy == display) {
    XtSetArg(args[n], XmNvisual, def_visual), ++n;
    XtSetArg(args[n], XmNdepth, depth), ++n;
    XtSetArg(args[n], XmNcolormap, def_cmap), ++n;
  } else {
    int scr = DefaultScreen(dpy);
    XtSetArg(args[n], XmNvisual, DefaultVisual(dpy, scr)), ++n;
    XtSetArg(args[n], XmNdepth, DefaultDepth(dpy, scr)), ++n;
    XtSetArg(args[n], XmNcolormap, DefaultColormap(dpy, scr)), ++n;
  }
}
