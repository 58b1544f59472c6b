// What Motif keeps for each window it has drawn text in: a drawing record
// that the toolkit makes on first use and never gives back when the widget
// goes. Widgets destroyed and made again (menu bars rebuilt, dialogs opened
// and closed) would pile them up for as long as the driver runs.
#pragma once

#include <X11/Intrinsic.h>

// From now on every widget destroyed on the display takes the records of its
// windows (its own and those of every widget and pop-up below it) with it.
void release_window_caches_on_destroy(Display *display);

// Frees a pixmap that a label may have shown, with the record the toolkit
// made of it then (which outlives the label and the pixmap otherwise).
void free_label_pixmap(Screen *screen, Pixmap pixmap);
