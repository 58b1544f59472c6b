// The graphics window: its shell, application resources, widget tree and
// drawing widget, fonts, overlay visuals and colormaps, cursors, icons, size
// lock, the message dialog and the resource-file writer.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "base/session.h"
#include "base/x_session.h"
#include "ui/window_logic.h"

// ---- application resources ---------------------------------------------------

// The graphics shell's application resources, in the order they are read.
struct GraphResources {
  int command_lines;         // commandLines: prompt lines of the command area
  int margin_size;           // marginSize
  int scroll_lines;          // scrollLines: scroll-back of the command area
  float gamma;               // gamma (default: the current Gamma)
  Boolean system_cursor;     // systemCursor
  Boolean use_menu_bar;      // useMenuBar
  Boolean use_status_bar;    // useStatusBar
  Boolean use_tool_bar;      // useToolBar
  Boolean use_side_menu;     // useSideMenu
  Boolean use_command_area;  // useCommandArea
  Boolean open_in_graph_mode;  // openInGraphMode
  Boolean use_vport_batch;     // useVportBatch
  Boolean use_alt;             // useAlt: Alt accelerators, else Ctrl Shift
};
extern GraphResources graphres;

extern int splitlines;   // prompt lines of the command area (0 to 25)
extern int margin_size;  // margins of the work area's frames and forms
extern int system_cursor;

// Reads the application resources of the graphics shell into graphres and
// takes them into the globals above (and Gamma).
void read_graph_resources(Widget shell);

// ---- widgets, windows and X resources ----------------------------------------

extern Widget graph_frame;       // graphics shell
extern Widget graph_mainw;       // its main window
extern Widget graph_menubar;     // "MenuBar" (managed only with the menu bar)
extern Widget graph_msg_form;    // message area: command area and status bar
extern Widget graph_status_form; // holds the status bar
extern Widget graph_work_form;   // work area's form: tool bar and graph_draw_form
extern Widget graph_draw_form;   // side menu and graph_draw_frame
extern Widget graph_draw_frame;  // the drawing area's container
// The drawing widget itself (graph_pw) and the overlay colormap (ovr_cmap)
// are the floor's (base/x_session.h): the drawing layer makes them current.
extern XtTranslations graphicsTranslations;  // every event to graph_handler
extern int graph_max_width, graph_max_height;
extern int graph_win_wdt, graph_win_hgt, graph_win_depth;
extern XColor graph_bg_color, graph_fg_color;  // the main window's colours

extern Pixmap grIcon, textIcon;

// Fonts. In the first program the text GC's font is the first font of
// graph_font_set; in the second graph_font is the single "Graph" font.
extern XFontSet graph_font_set;  // "Graph" font set (first program)
extern XFontSet text_font_set;   // "Text" font set (first program)
extern XFontStruct *graph_font;
extern XmFontList fontlist;      // the "Text" widget font list the widgets share
extern GC graph_gc;              // text GC of the graphics window

// A TrueColor visual of the given depth, or nullptr.
Visual *find_visual(Display *dpy, int scr, int depth);
// Appends the visual, depth and colormap of a shell on dpy to args: the
// graphics window's on its own display, the screen's defaults on another.
void shell_visual_args(Display *dpy, Arg *args, Cardinal &n);
// The best standard RGB colormap of the visual; false when there is none.
bool GetStdColormap(Display *dpy, int scr, Visual *visual, int depth, XStandardColormap *out);
void create_graph_window(const char *title, const char *shell_name);
// Announces the windows with their own colormaps to the window manager.
void wm_colormap_windows();

// Icons of the shells: the graphics icon for graph_frame, the text icon for the
// text and Kanji shells.
void set_shell_icons();
// Gives a shell the icon picture (made on the shell's own display, dpy) as icon
// pixmap and as the background of its icon window; returns the pixmap (0 when
// the picture cannot be made).
Pixmap set_shell_icon(Widget shell, Display *dpy, const char *const *xpm);

void create_graph_gc(Pixmap stipple);
// Cell width, height and descender of the graphics font.
void dx_font_params(int *width, int *height, int *descender);
void get_graph_win_attrs(int *width, int *height, int *depth);
// Position of the window manager's frame around a top-level window (the
// window itself without a window manager).
void get_frame_geometry(Widget shell, int *x, int *y);
void get_frame_geometry(Display *dpy, Window window, int *x, int *y);
// Size of a top-level window and the position of its frame; false when the
// window is gone.
bool get_win_size(Display *dpy, Window window, int *x, int *y, int *width, int *height);
void disable_backing_store(Window w);

// 0 the parent's cursor, 1 graphics mode, 2 dialog mode, 3 information mode.
void graph_cursor(int mode);
// Locks (1) or unlocks (0) the graphics window's size.
void lock_graph_win(int lock);

// ---- fonts from X resources --------------------------------------------------


// Reads an X resource of the display's database (name used as class too).
bool get_resource_text(Display *dpy, const char *name, char *out, std::size_t cap);
// The font set of resource "AutoCAD-<name>.fontList" (falling back to
// "fixed"); shared, never to be freed.
XFontSet get_widget_graph_font(const char *name, Display *dpy);
// The same entries as a one-entry Motif font list; shared, never to be freed.
XmFontList get_widget_text_font(const char *name, Display *dpy);
// The fixed-width font of resource "AutoCAD-<name>.fontlist", else
// "AutoCAD-<name>*XmText.fontList" (see choose_fixed_font).
XFontStruct *get_widget_fixed_font(const char *name, Display *dpy);
// Every label of the interface's widgets (menus, bars, side menu, message
// box, dialogs), freed by the caller with XmStringFree. The first program's
// text is in the locale's code (EUC-JP) and is tagged with the locale itself,
// so the font sets above measure and draw it whatever LANG says; the second
// program's bytes go as they are. With lines, each '\n' starts a new line.
XmString label_string(const char *text, bool lines = false);

// ---- overlay visuals ------------------------------------------------------------

// XGetVisualInfo extended by the overlay properties; the list is freed with
// std::free. nullptr and *count 0 when none matches.
XLayerVisualInfo *XGetLayerVisualInfo(Display *dpy, long mask, const XLayerVisualInfo *tmpl, int *count);
// A visual of the screen, depth, class and layer.
bool XMatchLayerVisualInfo(Display *dpy, int scr, int depth, int visual_class, long layer, XLayerVisualInfo *out);

// ---- message dialog -------------------------------------------------------------------


extern int cur_dialog_type;  // 0 OK, 1 Yes/No, 2 Yes/No/Cancel
void dialog_reply(Widget widget, XtPointer result, XtPointer call_data);
// The modal message box; returns 1, 0 or -1. Packets wait while it is up; a
// client that closes the packet pipe meanwhile ends the driver as the main
// loop would (fatal message, status 1).
int dx_dialog(const char *text, int type);

// ---- resource-file writer -----------------------------------------------------------

// Writes the geometries of the windows into the resource file; returns 1 when
// written, 0 when not.
int dx_config(int request);
