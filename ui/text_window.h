// The text window and the command area: text areas drawn by the driver, each
// a scroll-back of lines with scroll bars, a caret, and a PRIMARY selection
// that pastes into the client as typed keys.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include "ui/text_ring.h"

// One text area; the drawing area's user data points at it.
struct TextWindowInfo {
  Display *display;
  Window window;          // set when the GC is made
  GC gc;                  // copy, foreground, background, font
  XFontSet font_set;      // the first program draws with the font set
  XFontStruct *font;      // the second with one font
  unsigned short cell_width, cell_height;
  int ascent;             // baseline below a cell's top
  unsigned short width, height;
  Widget area;            // the drawing area
  Widget vertical_bar, horizontal_bar;
  bool text_window;       // the separate text window (reports its size)
  TextRing ring;          // lines, rows, columns, scroll state
  int cursor_shown;       // the area has the focus: the caret is drawn
  bool caret_drawn;
  Pixel foreground, background;
  // Selection: anchors as (running line number, column); active while one is
  // shown, owned while the area holds PRIMARY.
  bool selection_active, selection_drawn, selection_owned;
  GC selection_gc;        // exclusive-or of foreground and background
  long long anchor_line[2];
  int anchor_column[2];
  Time selection_time;
  XtIntervalId expose_timer;  // pending repaint after graphics exposures
};

// The text window's resources.
struct TextResources {
  int scroll_lines;            // scrollLines (default 512)
  Boolean open_in_text_mode;   // openInTextMode
};
extern TextResources textres;
extern int open_in_text_mode;
extern int is_text_iconic;  // the text window is iconified (kept while in graphics mode)

extern Widget text_frame;    // the text window's shell
extern Widget text_window;   // its drawing area
extern Widget text_mainw;    // the scrolled window of the area made last
extern TextWindowInfo *text_window_info;
extern TextWindowInfo *command_lines_info;

// The separate text window on txtdisp (nothing without one).
void create_text_window(const char *title, const char *shell_name);
// The drawing area's resize callback; the text window's shell stands for its
// area. The text window tells the client its new size.
void text_resize(Widget w, XtPointer client_data, XtPointer call_data);
// One character of the client's output (16 bits; a lead byte waits for its
// trail byte).
void tw_text_out(TextWindowInfo *info, int ch);
// One character of the driver's own output: escape is shown, and a code whose
// high byte is a Shift-JIS lead byte is one two-byte character.
void text_out_use_local(TextWindowInfo *info, int character);

// A text area in parent showing lines rows (none given when negative) with a
// scroll-back of capacity lines, in the font set (or font) of the resource
// "AutoCAD-<font_name>.fontList"; returns its drawing area, whose user data is
// the area's TextWindowInfo.
Widget create_text_area(Widget shell, const char *font_name, Widget parent, int lines, int capacity,
                        Display *dpy);
// The area's text GC and its window attributes, once it is realized.
void tw_create_GC(Widget area);
void tw_setup_attributes(Widget area);

// Actions of the areas' translations.
void tw_start_selection(Widget w, XEvent *event, String *params, Cardinal *num_params);
void tw_extend_selection(Widget w, XEvent *event, String *params, Cardinal *num_params);
void tw_end_selection(Widget w, XEvent *event, String *params, Cardinal *num_params);
void tw_paste_selection(Widget w, XEvent *event, String *params, Cardinal *num_params);
void tw_expose_callback(Widget w, XEvent *event, String *params, Cardinal *num_params);
