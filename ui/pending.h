// Declarations the window code needs from subsystems whose headers do not
// carry them yet. Each entry moves to its subsystem's header when that lands.
#pragma once

struct TextWindowInfo;

// Drawing wrappers: sets the colour of a colour index; returns the index.
int MyColor(int index);

// Colour tables: the interface colours of the overlay planes must be loaded
// again (set by Clear_UI and the graphics window's initialisation).
extern int ChangeUIcolors;
void map_ui_colors();

// Viewport table: the ADI number of the viewport shown in the Birdseye window
// (-1 none) and the index of the viewport that holds the 3D model.
extern int BirdseyeViewport;
extern int RenderedViewport;
// Frees the saved pixel block of viewport index.
void free_saved_pixels(int index);

// Text areas: one character of the driver's own output.
void text_out_use_local(TextWindowInfo *info, int character);
