// The driver's process entry: builds the X/Motif world, opens the ADI channel
// and runs the Xt loop for ever. The process ends only through exit: 0 after
// the kill packet, 1 on a fatal error.
#include <X11/Xlocale.h>
#include <X11/cursorfont.h>
#include <Xm/Xm.h>
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "adi/hooks.h"
#include "adi/main_loop.h"
#include "base/build.h"
#include "base/channel.h"
#include "build2/diagnostics.h"
#include "dialogs/dialog_packets.h"
#include "display/colour_tables.h"
#include "kanji/kanji_window.h"
#include "kovagl/gl.h"
#include "ui/graph_window.h"
#include "ui/text_window.h"
#include "ui/window_caches.h"

namespace {

// A key press goes to an open dialog first, whichever loop reads it: the main
// loop, the packet callback draining window events before a message, or a
// message box's nested loop.
XtEventDispatchProc default_key_dispatcher;

Boolean key_dispatcher(XEvent *event) {
  if (busy_with_dialog) dialog_event(event);
  return default_key_dispatcher(event);
}

Display *open_other_display(const char *name) {
  int argc = 0;
  Display *d = XtOpenDisplay(context, name, nullptr, "AutoCAD", nullptr, 0, &argc, nullptr);
  return d != nullptr ? d : display;
}

// Japanese locale and input method, with a working fallback where the named
// ones do not exist on this system.
void set_locale_and_input_method() {
  if constexpr (!kSecondBuild) {
    if (setlocale(LC_ALL, "ja_JP.EUC") == nullptr || !XSupportsLocale()) setlocale(LC_ALL, "C");
  }
}

// The toolkit sets the locale again when it opens a display. The first
// program keeps "ja_JP.EUC", which the Kanji window and every converted text
// need, whatever the environment says; without it, the environment's locale,
// else "C".
String keep_japanese_locale(Display *, String xnl, XtPointer) {
  if (setlocale(LC_ALL, "ja_JP.EUC") == nullptr || !XSupportsLocale())
    if (setlocale(LC_ALL, xnl) == nullptr || !XSupportsLocale()) setlocale(LC_ALL, "C");
  return setlocale(LC_ALL, nullptr);
}

void choose_input_method() {
  if constexpr (!kSecondBuild) {
    if (XSetLocaleModifiers("@im=_XWNMO") != nullptr) {
      XIM im = XOpenIM(display, nullptr, nullptr, nullptr);
      if (im != nullptr) {
        XCloseIM(im);
        return;
      }
    }
    XSetLocaleModifiers("@im=none");
  }
}

void make_cursors() {
  static const char blank[32] = {};
  Pixmap pmblank = XCreateBitmapFromData(display, graph_window, blank, 16, 16);
  Pixmap pmmask = XCreateBitmapFromData(display, graph_window, blank, 16, 16);
  // Invisible: the drawing area shows the driver's own crosshair.
  XColor fg{}, bg{};
  fg.pixel = white;
  bg.pixel = black;
  XQueryColor(display, def_cmap, &fg);
  XQueryColor(display, def_cmap, &bg);
  graphmode_cursor = XCreatePixmapCursor(display, pmblank, pmmask, &fg, &bg, 8, 8);
  XFreePixmap(display, pmblank);
  XFreePixmap(display, pmmask);
  dialogmode_cursor = XCreateFontCursor(display, XC_watch);
  infomode_cursor = XCreateFontCursor(display, XC_pirate);
}

void make_grey_gc() {
  char grey[16 / 8 * 32];
  for (int row = 0; row < 32; ++row) {
    char bits = (row & 1) ? 0x55 : static_cast<char>(0xaa);
    grey[row * 2] = grey[row * 2 + 1] = bits;
  }
  Pixmap pmgrey = XCreateBitmapFromData(display, graph_window, grey, 16, 32);
  build_clrtbl(display, screen);
  XGCValues v{};
  v.function = GXxor;
  cursor_gc = XCreateGC(display, graph_window, GCFunction, &v);
  create_graph_gc(pmgrey);
  XFreePixmap(display, pmgrey);
  dx_font_params(&char_wdt, &char_hgt, &char_bot);
}

}  // namespace

int main(int argc, char **argv) {
  InstallHooks();
  if constexpr (kSecondBuild) {
    init_diagnostics(argc > 0 ? argv[0] : "rcKovaGL2");
  } else {
    set_locale_and_input_method();
  }
  XtToolkitInitialize();
  context = XtCreateApplicationContext();
  if constexpr (kSecondBuild) {
    debug_value("context", reinterpret_cast<std::uintptr_t>(context));
    // The locale is only asked: no Japanese locale, no language procedure.
    setlocale(LC_ALL, nullptr);
  } else {
    XtSetLanguageProc(context, keep_japanese_locale, nullptr);
  }
  XtAppSetFallbackResources(context, const_cast<String *>(fallback_resources));

  if (std::getenv("DISPLAY") == nullptr) {
    std::fputs("DISPLAY environment variable is not set, using default.\n", stdout);
    std::fflush(stdout);
  }
  display = XtOpenDisplay(context, nullptr, "AutoCAD", "AutoCAD", nullptr, 0, &argc, argv);
  if (display == nullptr) {
    std::fprintf(stderr, "FATAL ERROR: %s: cannot open the X display.\n", argc > 0 ? argv[0] : "rcKovaGL");
    std::fflush(stderr);
    return 1;
  }
  if constexpr (kSecondBuild) debug_value("display", reinterpret_cast<std::uintptr_t>(display));
  XtAppSetWarningHandler(context, x_warning_handler);
  release_window_caches_on_destroy(display);
  choose_input_method();

  const char *text_device = std::getenv("ACADTEXTDISPLAY");
  if (text_device == nullptr) {
    txtdisp = display;
  } else if (text_device[0] == '.') {
    input_fd = stdin;
    output_fd = stdout;
    txtdisp = nullptr;
  } else if (text_device[0] == '/') {
    input_fd = std::fopen(text_device, "r");
    if (input_fd == nullptr) {
      std::perror("Invalid text device:");
      return 1;
    }
    output_fd = stdout;
    txtdisp = nullptr;
  } else {
    txtdisp = open_other_display(text_device);
  }
  const char *tool_device = std::getenv("ACADTOOLDISPLAY");
  toolbox_display = tool_device != nullptr ? open_other_display(tool_device) : display;

  screen = DefaultScreen(display);
  screen_struct = ScreenOfDisplay(display, screen);
  if constexpr (kSecondBuild) {
    debug_value("screen       ", static_cast<std::uintptr_t>(screen));
    debug_value("screen_struct", reinterpret_cast<std::uintptr_t>(screen_struct));
  }
  if constexpr (kSecondBuild) debug_line("Trying 24-bit TrueColor");
  depth = 24;
  def_visual = find_visual(display, screen, 24);
  if (def_visual == nullptr) {
    if constexpr (kSecondBuild) debug_line("Trying 8-bit TrueColor");
    depth = 8;
    def_visual = find_visual(display, screen, 8);
  }
  if (def_visual == nullptr) {
    if constexpr (kSecondBuild) debug_line("Default visual chosen.");
    depth = DefaultDepth(display, screen);
    def_visual = DefaultVisual(display, screen);
  }
  const bool best = GetStdColormap(display, screen, def_visual, depth, &best_rgb);
  def_cmap = best ? best_rgb.colormap : DefaultColormap(display, screen);
  graph_cmap_size = def_visual->map_entries;
  if constexpr (kSecondBuild) {
    debug_line(best ? "Best_RGB colormap chosen." : "Default colormap chosen.");
    if (debug_x()) {
      XSynchronize(display, True);
      XSetErrorHandler(x_error_handler);
    }
  }

  if constexpr (kSecondBuild) gfx_window.kind = 1;
  std::snprintf(gfx_window.title, sizeof gfx_window.title, "%s", "AutoCAD: KovaGL Graphics");
  // Every event of the drawing area goes to graph_handler through the
  // translations the window installs.
  static XtActionsRec graph_actions[] = {{const_cast<String>("graph_handler"), graph_handler}};
  XtAppAddActions(context, graph_actions, XtNumber(graph_actions));
  create_graph_window(gfx_window.title, "AutoCAD-Graph");
  default_key_dispatcher = XtSetEventDispatcher(display, KeyPress, key_dispatcher);
  get_graph_win_attrs(&gfx_window.width, &gfx_window.height, &gfx_window.depth);
  note_graph_window_size(gfx_window.width, gfx_window.height);
  std::snprintf(txt_window.title, sizeof txt_window.title, "%s", "AutoCAD: Text");
  create_text_window(txt_window.title, "AutoCAD-Text");
  if constexpr (!kSecondBuild) create_kanji_window("AutoCAD: Kanji", "AutoCAD-Kanji");
  set_shell_icons();

  make_grey_gc();
  make_cursors();

  signal(SIGHUP, SIG_IGN);
  signal(SIGTERM, SIG_DFL);
  signal(SIGINT, SIG_IGN);
  signal(SIGQUIT, SIG_IGN);
  signal(SIGALRM, SIG_IGN);
  // A closed pipe ends the driver through its own fatal message and status 1.
  signal(SIGPIPE, SIG_IGN);

  pkti = adi_initialize(argc, argv);
  packet_input_fd = pkti->in_fd;
  add_packet_input();
  if (input_fd != nullptr)
    stdin_input = XtAppAddInput(context, fileno(input_fd), reinterpret_cast<XtPointer>(XtInputReadMask),
                                stdinCB, nullptr);

  acad_listening = 1;
  graph_cursor(0);
  disable_backing_store(graph_window);
  if (DoesSaveUnders(screen_struct)) {
    XSetWindowAttributes a{};
    a.save_under = False;
    XChangeWindowAttributes(display, graph_window, CWSaveUnder, &a);
  }
  if (txtdisp != nullptr) text_resize(text_frame, 0, 0);

  for (;;) {
    XEvent event;
    request_present();
    XtAppNextEvent(context, &event);
    XtDispatchEvent(&event);
  }
}
