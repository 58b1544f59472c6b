// The second program's start-up diagnostics, chosen by ADI_DEBUG_LEVEL: with
// bit value 1 the start-up steps are told on stdout; with bit value 2 or 4 X
// runs synchronously, an X error stops the program under the user's eyes and
// toolkit warnings are printed.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>

extern int adi_debug_level;
extern std::string driver_name;  // argv[0], the prefix of every line

// Reads ADI_DEBUG_LEVEL (0 when unset) and keeps the program's name.
void init_diagnostics(const char *argv0);
// Bit value 1: the diagnostic lines are written.
bool debug_lines();
// Bit values 2 or 4: synchronous X, the error handler and printed warnings.
bool debug_x();

// "<driver_name>: <text>\n" on stdout, flushed, when the lines are on.
void debug_line(const char *text);
// "<driver_name>: <what> = <value in hex>\n" likewise: pointers and ids.
void debug_value(const char *what, std::uintptr_t value);

// Xt warnings: printed with debug_x, else ignored.
void print_xt_warning(String message);
// Prints the error's text, waits for return and ends the program with 1.
int x_error_handler(Display *dpy, XErrorEvent *event);
