// What the drawing code asks of the X side of a context. For off-screen
// contexts (no X binding) these do nothing.
#pragma once

#include "context.h"

// Puts the dirty areas of c on its window; wait: also waits until the server
// has drawn them.
void kgl_present_context(KglContext *c, bool wait);
// The lower-left corner of the window on the screen, y up from the screen's
// bottom; 0, 0 off-screen.
void kgl_window_origin(const KglContext *c, Int32 *x, Int32 *y);
// Shows the cursor selected in c on its window.
void kgl_show_cursor(KglContext *c);

struct KglFont;
// The hardware font of a linked context (an X core font, read once), or null
// when the context has no X binding or the server has no such font.
const KglFont *kgl_x_hardware_font(const KglContext *c);

// The X display to ask about the screen and to read fonts from: that of c
// when it is linked, else that of any linked context; null when none is.
struct _XDisplay;
_XDisplay *kgl_display_of(const KglContext *c);
