// The graphics window: shell, main window, drawing widget, fonts, cursors and
// the message dialog.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

extern Widget toplevel;     // the application's hidden root shell
extern Widget graph_frame;  // graphics shell
extern Widget graph_mainw;  // its main window
extern Widget graph_pw;     // the drawing widget
extern Window graph_window; // the drawing widget's X window
extern int graph_max_width, graph_max_height;
extern int use_localtext, use_localmenu, use_localsidemenu, use_localstatus;
extern int use_pups;        // pop-up planes take the overlay's place
extern Colormap ovr_cmap;
extern int system_cursor;

// A TrueColor visual of the given depth, or nullptr.
Visual *find_visual(Display *dpy, int scr, int depth);
// The best standard RGB colormap of the visual; false when there is none.
bool GetStdColormap(Display *dpy, int scr, Visual *visual, int depth, XStandardColormap *out);
void create_graph_window(const char *title, const char *shell_name);
void set_shell_icons();
void create_graph_gc(Pixmap stipple);
// Cell width, height and descender of the graphics font.
void dx_font_params(int *width, int *height, int *descender);
void get_graph_win_attrs(int *width, int *height, int *depth);
// Position of the window manager's frame around a shell window.
void get_frame_geometry(Widget shell, int *x, int *y);
void disable_backing_store(Window w);
void graph_cursor(int which);

// The modal message box; returns the button chosen.
int dx_dialog(const char *text, int kind);
// Applies a window-configuration request; returns its answer.
int dx_config(int request);
void lock_graph_win(int lock);
