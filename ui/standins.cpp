// What the rest of the driver calls in the parts of the window not built yet:
// the status bar, the tool bar, the side menu, the text window and command
// area, and the menu bar. This file goes when they land.
#include "ui/menubar.h"
#include "ui/side_menu.h"
#include "ui/status_bar.h"
#include "ui/text_window.h"
#include "ui/tool_bar.h"

// Status bar.
Widget st_tools;
Widget create_status_bar(Widget) { return nullptr; }
void st_init() {}
void st_modeline(int, int, const char *, int) {}
void st_coordline(int, const char *) {}

// Tool bar.
Widget create_tool_bar(Widget) { return nullptr; }
void manage_tool_bar() {}

// Side menu.
Widget create_sidemenu(Widget, XmFontList) { return nullptr; }
void manage_sidemenu() {}
void sm_create_boxes(int) {}
void sm_set_box_label(int, const char *, int) {}
void sm_hilite_box(int) {}
void sm_dehilite_box(int) {}

// Text window and command area.
Widget text_frame;
TextWindowInfo *text_window_info;
TextWindowInfo *command_lines_info;
void create_text_window(const char *, const char *) {}
void text_resize(Widget, int, int) {}
void tw_text_out(TextWindowInfo *, int) {}
void text_out_use_local(TextWindowInfo *, int) {}
Widget create_text_area(Widget, const char *, Widget, int, int, Display *) { return nullptr; }
void tw_create_GC(Widget) {}
void tw_setup_attributes(Widget) {}

// Menu bar and pop-up menu.
char menu_file_pathname[256];
char iconic_file_name[256];
char *iconic_file_prefix = iconic_file_name;
void new_mtf_bar(Widget) {}
void choose_alt_accel_chord(int) {}
void dx_new_menubar() {}
void dx_new_menu(const char *, int) {}
void dx_new_item(const char *, int, int, int, int, int, int, int) {}
void dx_done_menu() {}
void dx_done_menubar() {}
int dx_show_menu(int) { return 0; }
void dx_set_menu_attrs(int, int, int, int) {}
int dx_get_menu_attrs(int, int, int *, int *) { return 0; }
