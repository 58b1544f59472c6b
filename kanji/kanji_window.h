// The Kanji entry window: a shell of its own holding one text field, where
// Japanese text is typed through the X input method; Return sends the text to
// the client as keys, as if typed on the graphics window.
#pragma once

#include <X11/Intrinsic.h>

extern Widget kanji_frame;  // the entry window's shell

// Builds and shows the window (once, after the graphics window exists).
void create_kanji_window(const char *name, const char *class_name);
// F11 in the graphics window: raises the entry window and gives it the focus
// when it is viewable.
void raise_kanji_window();
// Gives the keyboard focus back to the graphics window when it is viewable.
void Graph_Focus_In();
// The text font set's largest logical extent: its ascent above the baseline,
// descent below it, and width.
void kanji_font_params(int *ascent, int *descent, int *width);

// The field's activate callback (Return) and its KeyPress handler (F11).
void ActiveCB(Widget field, XtPointer client_data, XtPointer call_data);
void Verify_Text_CB(Widget field, XtPointer client_data, XEvent *event, Boolean *go_on);
