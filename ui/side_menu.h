// The side (screen) menu column of the graphics window: Motif push buttons
// the client labels through the screen-menu packets; a click is a pick.
#pragma once

#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

// Creates the column in parent (the drawing area's form) with one box and
// returns its frame.
Widget create_sidemenu(Widget parent, XmFontList font_list);
// Attaches the column at the right of the drawing area and shows it.
void manage_sidemenu();
// Makes the column hold count boxes (1 to 64, no more than fit).
void sm_create_boxes(int count);
// Sets the label of box index to the first length bytes of text
// (Shift-JIS).
void sm_set_box_label(int index, const char *text, int length);
// Highlights a box, and takes the highlight off again.
void sm_hilite_box(int index);
void sm_dehilite_box(int index);
// How many boxes fit the column.
int sm_get_nb_boxes();
