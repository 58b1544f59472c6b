// The tool bar and tool box of the graphics window and their configuration
// dialog; the tools come from "toolbar.cfg" (ui/toolbar_config.h).
#pragma once

#include <X11/Intrinsic.h>

#include "ui/toolbar_config.h"

// The tools, their place and the tool box's columns as read last.
extern ToolConfig tb_config;

// Reads the tool-bar file and builds the bar in parent (the work area's
// form): nullptr when it is disabled or empty.
Widget create_tool_bar(Widget parent);
// Shows the bar at its place (the tool box as its own window); nothing when
// there is none.
void manage_tool_bar();
// Hides it; the drawing area takes the whole work area.
void unmanage_tool_bar();
// The bar exists and is shown.
int is_tool_bar_managed();
// Opens the configuration dialog (made on first use).
void tool_bar_config();
// Whether the activation of a tool button, or of the status bar's "Tools"
// button, by event asks for the button's second action: a click released
// with Shift or Control held, or a double click, that is the second
// activation of the same button within the display's multi-click time (the
// toolkit's own click count starts again whenever the focus goes back to the
// drawing area, which every click does). A third click starts a new pair.
bool tool_second_action(Widget button, const XEvent *event);
// tb_config from and to "toolbar.cfg" (tool_config_path()).
int tb_read_config();
int tb_write_config();
