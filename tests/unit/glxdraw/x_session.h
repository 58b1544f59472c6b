// One Xt application context and display shared by the tests of this folder.
#pragma once

#include <X11/Intrinsic.h>
#include <X11/Xlib.h>

#include <functional>

struct XSession {
  XtAppContext app;
  Display *dpy;
};

// The session, opened at first use; null when there is no X server.
XSession *x_session();

// Handles X events until done() holds or the server has nothing more to send.
bool pump_until(const std::function<bool()> &done);
void pump_events();

// A top-level shell for one test (destroy it with XtDestroyWidget).
Widget make_test_shell(const char *name);

// The pixel at (x, y) of a window, as 0xRRGGBB (24-bit TrueColor).
unsigned long window_pixel(Window window, int x, int y);
