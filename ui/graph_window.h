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

// commandLines as used: 0 to 25 as given, anything else 3.
int command_lines_from_resource(int value);
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
extern Widget graph_pw;          // the drawing widget "Drawing"
extern XtTranslations graphicsTranslations;  // every event to graph_handler
extern int graph_max_width, graph_max_height;
extern int graph_win_wdt, graph_win_hgt, graph_win_depth;
extern XColor graph_bg_color, graph_fg_color;  // the main window's colours

extern Colormap ovr_cmap;  // the overlay colormap, 0 when none
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
extern const char *const graph_icon_xpm[];
extern const char *const text_icon_xpm[];

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

// Longest font name taken from a resource, and most entries of one list.
inline constexpr std::size_t kFontNameMax = 256;
inline constexpr int kFontEntriesMax = 16;

// The font names of a font-list resource: entries separated by ',', each
// without blanks and cut at its tag ('=') or font-set mark (':'). Empty and
// over-long entries are skipped. Returns the count.
int split_font_entries(const char *spec, char (*entries)[kFontNameMax], int max_entries);
// The entries joined again with ','; returns the length (cut to fit).
std::size_t join_font_entries(const char *spec, char *out, std::size_t cap);
// Whether a font name is usable as the fixed font (it loads, and its "W" and
// "l" have the same width).
using FontProbe = bool (*)(const char *name, void *data);
// The first entry the probe accepts, else "international15" when accepted,
// else "fixed". Copies the choice into out.
void choose_fixed_font(const char *spec, FontProbe probe, void *data, char *out, std::size_t cap);

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

// ---- overlay visuals ------------------------------------------------------------

// One entry of the root window's "SERVER_OVERLAY_VISUALS" property.
struct OverlayVisual {
  unsigned long visualid;
  long type;  // 0 none, 1 transparent pixel, 2 transparent mask
  unsigned long value;
  long layer;
};
// Entries of the property's 32-bit words (four a visual; a partial entry at
// the end is ignored). Returns the count stored.
int parse_overlay_visuals(const unsigned long *words, unsigned long count, OverlayVisual *out, int max_out);

struct XLayerVisualInfo {
  XVisualInfo vinfo;
  long layer;
  long type;
  unsigned long value;
};
inline constexpr long VisualLayerMask = 0x200;
inline constexpr long VisualTransparentType = 0x400;
inline constexpr long VisualTransparentValue = 0x800;

// Layer, transparent type and value of a visual from the property's entries:
// layer 0, type 0, value 0 when it has none. False when it has none.
bool overlay_info_of(unsigned long visualid, const OverlayVisual *entries, int count, XLayerVisualInfo *info);
// Whether a visual passes the layer filters of the mask; a visual without a
// property entry never passes a transparent-value filter.
bool layer_filters_match(const XLayerVisualInfo &info, bool has_entry, long mask, const XLayerVisualInfo &tmpl);
// XGetVisualInfo extended by the overlay properties; the list is freed with
// std::free. nullptr and *count 0 when none matches.
XLayerVisualInfo *XGetLayerVisualInfo(Display *dpy, long mask, const XLayerVisualInfo *tmpl, int *count);
// A visual of the screen, depth, class and layer.
bool XMatchLayerVisualInfo(Display *dpy, int scr, int depth, int visual_class, long layer, XLayerVisualInfo *out);

// ---- message dialog -------------------------------------------------------------------

// Message lines shown at most; what follows is replaced by a note.
inline constexpr int kDialogLinesMax = 25;
inline constexpr char kDialogLimitNote[] = "[Height limit exceeded: additional lines not shown.]";
// Copies the text into out (capacity cap, NUL-terminated), cutting it after
// its 25th line end and adding the note in place of the rest.
std::size_t limit_message_lines(const char *text, char *out, std::size_t cap);

extern int cur_dialog_type;  // 0 OK, 1 Yes/No, 2 Yes/No/Cancel
// The answer of a callback reason: 1 (the third button) -1, 31 (OK) 1,
// 32 (Cancel) 0, anything else by the dialog type (0: 1, 1: 0, 2: -1).
int dialog_answer(int reason, int type);
void dialog_reply(Widget widget, XtPointer result, XtPointer call_data);
// The modal message box; returns 1, 0 or -1. Packets wait while it is up; a
// client that closes the packet pipe meanwhile ends the driver as the main
// loop would (fatal message, status 1).
int dx_dialog(const char *text, int type);

// ---- resource-file writer -----------------------------------------------------------

// One saved window geometry: resource name and "WxH+X+Y"; only entries of
// windows that exist are written.
struct ResourceEntry {
  const char *name;
  char value[64];
  bool present;
};
inline constexpr int kResourceEntryCount = 3;
extern const char *const resource_geometry_names[kResourceEntryCount];

// The new file text: each line beginning with a present entry's name (then
// blanks and ':') becomes "name:\t\t\tvalue\n"; every other line is kept
// whole; present entries the text lacks are appended.
std::string rewrite_resource_text(std::string_view old_text, const ResourceEntry *entries, int count);
// The file a name stands for: symbolic links followed, a relative one from
// the link's own directory, up to a name that is no link (which need not
// exist). False on a loop of links or a link that cannot be read.
bool follow_links(const char *path, std::string &target);
// Rewrites the file (created when missing) through a temporary file beside it
// renamed over it: a failed write keeps the old file. Through a symbolic link
// the file it names is written and the link kept. False on failure.
bool write_resource_file(const char *path, const ResourceEntry *entries, int count);
// HOME, else the password entry of the login name or of the user id; "" when
// none.
const char *get_home_dir();
// ACADRESFILE, else "<home>/.Xdefaults"; false when neither can be made.
bool resource_file_path(char *out, std::size_t cap);
// Ends the text at its first ':'; returns its former length.
std::size_t cut_at_colon(char *text);
// Writes the geometries of the windows into the resource file; returns 1 when
// written, 0 when not.
int dx_config(int request);
