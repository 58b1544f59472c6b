// The X world the driver runs in, as main sets it up: the displays, visual
// and colormap, the top-level windows' records, the cursors, the drawing
// widget and its windows, and the pointer state of its last event. Xlib, Xt
// and the drawing widget's resources only.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>

// One of the driver's top-level windows.
struct WindowInfo {
  int kind;   // 1 for the second program's graphics window, else 0; nothing reads it
  char title[64];
  int width, height, depth;
};

extern XtAppContext context;
extern Display *display;
extern int screen;
extern Screen *screen_struct;
extern int depth;
extern Visual *def_visual;
extern Colormap def_cmap;
extern XStandardColormap best_rgb;
extern int graph_cmap_size;

extern Display *txtdisp;          // text window's display, or nullptr
extern Display *toolbox_display;  // tool windows' display
extern FILE *input_fd;            // text device when it is not an X window
extern FILE *output_fd;

extern WindowInfo gfx_window, txt_window;
extern Cursor graphmode_cursor, dialogmode_cursor, infomode_cursor;
extern GC cursor_gc;
extern int char_wdt, char_hgt, char_bot;

extern Window graph_window;  // the drawing widget's X window
extern Widget graph_pw;      // the drawing widget "Drawing"
extern Colormap ovr_cmap;    // the overlay colormap, 0 when none

// The drawing widget's windows as it shows them now: the normal-plane window
// (the single-buffered one while that is shown; 0 without a widget), and the
// window of the overlay planes (pop-up planes with use_pups) of a drawing
// widget.
Window shown_drawing_window();
Window overlayWindow(Widget widget);
// Shows the single-buffered (True) or the double-buffered window of the
// drawing widget; nothing without one.
void show_single_buffer(Boolean single);

extern std::uint16_t s_bord, t_bord;  // window-manager border and title height
extern int cursor_in_window;          // 2 inside the drawing window, 0 outside
extern int modify_keys;               // 1 Shift, 2 Control of the pointer event
extern XEvent last_event;
extern int graph_win_resized;

// The pointer sample graph_handler hands to poll_pointer.
struct PointerSample {
  std::int16_t x, y;
  std::int16_t left, middle, right;  // 1 pressed, 0 released
};
extern PointerSample pointer_sample;
