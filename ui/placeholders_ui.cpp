// What the window code calls in subsystems that are not built yet. Each entry
// leaves this file when its subsystem lands.
#include "commands/birdseye.h"
#include "config/config_menus.h"
#include "display/display_list.h"
#include "display/drag.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "kovagl/gl.h"
#include "ui/pending.h"

// Display lists, drag lists, Birdseye, configuration menus, borders.
void FreeCachedBirdseye() {}
void RedrawTextAreas() {}

// Text areas.
void text_out_use_local(TextWindowInfo *, int) {}
