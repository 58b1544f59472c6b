// The Kanji entry window.
#pragma once

#include <X11/Intrinsic.h>

extern Widget kanji_frame;

void create_kanji_window(const char *title, const char *shell_name);
// F11: raises the entry window and gives it the focus when it is viewable.
void raise_kanji_window();
