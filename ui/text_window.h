// The text window and the command area.
#pragma once

#include <X11/Intrinsic.h>

struct TextWindowInfo;

extern Widget text_frame;
extern TextWindowInfo *text_window_info;
extern TextWindowInfo *command_lines_info;

void create_text_window(const char *title, const char *shell_name);
void text_resize(Widget w, int columns, int rows);
void tw_text_out(TextWindowInfo *info, int ch);
// One character of the driver's own output into an area.
void text_out_use_local(TextWindowInfo *info, int character);

// The command area of the graphics window (and the text window's area): a
// text area in parent showing lines rows (none when negative) with a
// scroll-back of capacity lines; returns its drawing area, whose user data is
// the area's TextWindowInfo.
Widget create_text_area(Widget shell, const char *font_name, Widget parent, int lines, int capacity,
                        Display *dpy);
// The area's text GC and its window attributes, once it is realized.
void tw_create_GC(Widget area);
void tw_setup_attributes(Widget area);
