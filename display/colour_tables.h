// Colour tables and palettes.
#pragma once

#include <X11/Xlib.h>

void build_clrtbl(Display *dpy, int scr);
