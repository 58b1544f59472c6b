// The text window and the command area.
#pragma once

#include <X11/Intrinsic.h>

struct TextWindowInfo;

extern Widget text_frame;
extern TextWindowInfo *text_window_info;
extern TextWindowInfo *command_lines_info;

void create_text_window(const char *title, const char *shell_name);
void text_resize(Widget w, int columns, int rows);
void tw_text_out(TextWindowInfo *info, int ch);
