// The tool bar and tool box of the graphics window.
#pragma once

#include <X11/Intrinsic.h>

// Reads the tool-bar file and builds the bar in parent (the work area's
// form); nullptr when it is disabled or empty.
Widget create_tool_bar(Widget parent);
// Shows the bar at its place; nothing when there is none.
void manage_tool_bar();
