// Raising the windows, window titles, the callbacks of the drawing widget and
// the window-manager close handler.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

// The window drawn into (set_gfx_window, set_ovr_window) and the buffers
// shown are the drawing layer's (display/wrappers.h).
void pop_gfx_window();
void pop_txt_window();
void dx_name(const char *name);
// The graphics-mode cursor (the parent's with the system cursor); the mode
// the client names does not change it.
void dx_mole_cursor(int mole);
void error_message(const char *text);
void no_destroy();

// Text drawing goes through Xt: nothing to make current.
void set_txt_window();

// Colours of the interface: a widget's pixel resource as an X colour.
void get_widget_color(XColor *color, Widget widget, const char *resource);
void get_window_bgcolor(XColor *color);
void get_window_fgcolor(XColor *color);
void get_dwg_bgcolor(XColor *color);
void get_dwg_fgcolor(XColor *color);

// The "gamma" application resource's default: the current Gamma.
extern float Gamma;
void gamma_default(Widget widget, int offset, XrmValue *value);

struct RefreshArea;
// Repaints an exposed rectangle of the graphics window (nothing for null):
// the text areas and what the drawing layer keeps (repaint_exposed) with the
// refresh list on, else an event asks the client to draw everything again;
// the configuration screen comes back over it.
void adi_refresh(const RefreshArea *area);

// Callbacks of the drawing widget.
void graph_ginit_cb(Widget widget, XtPointer client_data, XtPointer call_data);
void graph_resize_cb(Widget widget, XtPointer client_data, XtPointer call_data);
void graph_expose_cb(Widget widget, XtPointer client_data, XtPointer call_data);
void overlay_expose_cb(Widget widget, XtPointer client_data, XtPointer call_data);
// Adds the callbacks above to the drawing widget and removes its own input
// translations (input reaches graph_handler through the window's translations).
void attach_graph_callbacks(Widget drawing);

// A series of exposures (events with counts n, ..., 1, 0) is repainted once,
// on its last event, as the union of all its rectangles.
struct ExposeRect {
  int x, y, width, height;
};
struct ExposeSeries {
  bool open;           // rectangles of an unfinished series are held
  bool empty;          // no rectangle with an area yet
  int x1, y1, x2, y2;  // union so far, x2 and y2 exclusive
};
extern ExposeSeries graph_expose_series;

// Adds one exposed rectangle; on the series' last event (count 0) puts the
// union into area, starts a new series and answers true.
bool expose_series_add(ExposeSeries *series, const ExposeRect &rect, int count, ExposeRect *area);
