// The side (screen) menu column of the graphics window.
#pragma once

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

// Creates the column in parent (the drawing area's form) and returns its
// frame (nullptr when there is none).
Widget create_sidemenu(Widget parent, XmFontList font_list);
// Attaches the column at the right of the drawing area and shows it.
void manage_sidemenu();
// Sets the label of box index to the first length bytes of text.
void sm_set_box_label(int index, const char *text, int length);
// Highlights a box, and takes the highlight off again.
void sm_hilite_box(int index);
void sm_dehilite_box(int index);
// Makes the column's boxes for the menu cursor packet's box count.
void sm_create_boxes(int count);
