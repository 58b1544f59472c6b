#include "base/x_session.h"

#include "GlxDraw/GlxMDraw.h"
#include "base/session.h"

XtAppContext context;
Display *display;
int screen;
Screen *screen_struct;
int depth;
Visual *def_visual;
Colormap def_cmap;
XStandardColormap best_rgb;
int graph_cmap_size;
Display *txtdisp;
Display *toolbox_display;
FILE *input_fd;
FILE *output_fd;
WindowInfo gfx_window, txt_window;
Cursor graphmode_cursor, dialogmode_cursor, infomode_cursor;
GC cursor_gc;
int char_wdt, char_hgt, char_bot;
Window graph_window;
Widget graph_pw;
Colormap ovr_cmap;
std::uint16_t s_bord, t_bord;
int cursor_in_window;
int modify_keys;
XEvent last_event;
int graph_win_resized;
PointerSample pointer_sample;

Window shown_drawing_window() {
  if (graph_pw == nullptr) return 0;
  Window window = 0;
  XtVaGetValues(graph_pw, GlxNmainWindow, &window, nullptr);
  return window != 0 ? window : XtWindow(graph_pw);
}

Window overlayWindow(Widget widget) {
  Window window = 0;
  if (widget != nullptr) XtVaGetValues(widget, use_pups ? GlxNpopupWindow : GlxNoverlayWindow, &window, nullptr);
  return window;
}

void show_single_buffer(Boolean single) {
  if (graph_pw != nullptr) XtVaSetValues(graph_pw, GlxNsingleBuffer, single, nullptr);
}
