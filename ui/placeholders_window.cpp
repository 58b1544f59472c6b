// What the graphics window construction calls in the parts of the window that
// are not built yet: the status bar, side menu, tool bar, command area and
// menu bar. Each entry leaves this file when its part lands.
#include "ui/menubar.h"
#include "ui/side_menu.h"
#include "ui/status_bar.h"
#include "ui/text_window.h"
#include "ui/tool_bar.h"

// Status bar.
Widget st_tools;
Widget create_status_bar(Widget) { return nullptr; }

// Side menu.
Widget create_sidemenu(Widget, XmFontList) { return nullptr; }
void manage_sidemenu() {}

// Tool bar.
Widget create_tool_bar(Widget) { return nullptr; }
void manage_tool_bar() {}

// Command area.
Widget create_text_area(Widget, const char *, Widget, int, int, Display *) { return nullptr; }
void tw_create_GC(Widget) {}
void tw_setup_attributes(Widget) {}

// Menu bar.
void new_mtf_bar(Widget) {}
void choose_alt_accel_chord(int) {}
