// Glyph bitmaps read from X core fonts, once per server and font name.
#pragma once

#include "text.h"

#include <X11/Xlib.h>

// The font of that name (an X font name, pattern or alias) on dpy's server,
// or null when the server has none. Fonts stay cached for the process.
const KglFont *kgl_x_load_font(Display *dpy, const char *name);
