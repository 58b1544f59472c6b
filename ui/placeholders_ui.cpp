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

// Redraw engines: the library puts the exposed picture back by itself.
void adi_refresh(const RefreshArea *) {}

// Display lists, drag lists, Birdseye, configuration menus, borders.
void EraseDisplayList(int) {}
void EraseRefreshDisplayList(int) {}
void empty_vlist(int, int) {}
void FreeCachedBirdseye() {}
void RedrawTextAreas() {}
void DrawBorders() {}

// Drawing wrappers and colour tables.
int MyColor(int index) {
  color(static_cast<Uint16>(index));
  return index;
}
int ChangeUIcolors = 1;
void map_ui_colors() { ChangeUIcolors = 0; }

// Viewport table.
int BirdseyeViewport = -1;
int RenderedViewport;
void free_saved_pixels(int) {}

// Text areas.
void text_out_use_local(TextWindowInfo *, int) {}
