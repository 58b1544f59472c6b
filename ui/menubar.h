// The menu bar and pop-up menu built from the client's menu packets.
#pragma once

#include <X11/Intrinsic.h>

extern char menu_file_pathname[256];
extern char iconic_file_name[256];
extern char *iconic_file_prefix;

void dx_new_menubar();
void dx_new_menu(const char *label, int id);
void dx_new_item(const char *label, int sensitive, int mark, int flag8, int flag32, int flag64,
                 int id, int value);
void dx_done_menu();
void dx_done_menubar();
int dx_show_menu(int menu);
void dx_set_menu_attrs(int menu, int item, int sensitive, int mark);
// Reads an item's state: returns 0 when unknown.
int dx_get_menu_attrs(int menu, int item, int *sensitive, int *mark);

// The menu record of the graphics window's menu bar widget.
void new_mtf_bar(Widget bar);
// Accelerator prefixes: Alt with use_alt, else Ctrl Shift.
void choose_alt_accel_chord(int use_alt);
