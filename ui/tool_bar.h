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
// tb_config from and to "toolbar.cfg" (tool_config_path()).
int tb_read_config();
int tb_write_config();
