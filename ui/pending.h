// Declarations the window code needs from subsystems whose headers do not
// carry them yet. Each entry moves to its subsystem's header when that lands.
#pragma once

struct TextWindowInfo;

// Text areas: one character of the driver's own output.
void text_out_use_local(TextWindowInfo *info, int character);
