// The Motif status bar of the graphics window: colour swatch, layer, modes,
// mode macro, coordinate read-out and display-list fill, each turning clicks
// into keys and commands for the client.
#pragma once

#include <X11/Intrinsic.h>

// The "Tools" button (0 without the tool bar).
extern Widget st_tools;

// Builds the bar in parent and returns its "StatusBar" form.
Widget create_status_bar(Widget parent);
// The status bar's state at pinit: the coordinate line without a new text.
void st_init();
// The mode-line text of the client (length bytes of text) with its colour
// and mode flags (1: the text is a mode macro; 2: no colour).
void st_modeline(int colour, int length, const char *text, int flags);
// Shows text as the mode macro over the layer area; null only redraws it.
void st_modemacro(const char *text);
// The coordinate read-out (length bytes of text); null text: coord_str.
void st_coordline(int length, const char *text);
// The display-list fill text.
void st_mem(const char *text);

// Event handlers of the two buttons the bar draws itself.
void st_coordline_resize_callback(Widget w, XtPointer client_data, XEvent *event, Boolean *go_on);
void st_coordline_expose_callback(Widget w, XtPointer client_data, XEvent *event, Boolean *go_on);
void st_mmacro_resize_callback(Widget w, XtPointer client_data, XEvent *event, Boolean *go_on);
void st_mmacro_expose_callback(Widget w, XtPointer client_data, XEvent *event, Boolean *go_on);

// Callbacks of the bar's widgets.
void st_color_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_layerb_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_layere_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_ortho_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_snap_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_tablet_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_pspace_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_birdseye_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_rtbird_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_zoomd_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_local_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_clean_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_help_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_mmacro_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_coord_callback(Widget w, XtPointer client_data, XtPointer call_data);
void st_tools_callback(Widget w, XtPointer client_data, XtPointer call_data);
