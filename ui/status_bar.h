// The Motif status bar of the graphics window.
#pragma once

#include <X11/Intrinsic.h>

// The "Tools" button (0 without the tool bar).
extern Widget st_tools;

// Builds the bar in parent and returns its "StatusBar" form (nullptr when
// there is none).
Widget create_status_bar(Widget parent);
// The status bar's first state: an empty coordinate line (pinit).
void st_init();
// The mode-line text of the client (length bytes of text) with its colour box
// colour and mode flags.
void st_modeline(int colour, int length, const char *text, int flags);
// The coordinate read-out (length bytes of text).
void st_coordline(int length, const char *text);
