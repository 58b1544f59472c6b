#include "x_session.h"

#include <X11/Shell.h>
#include <X11/Xutil.h>

#include <cstdlib>

XSession *x_session() {
  static XSession session{};
  static bool tried = false;
  if (!tried) {
    tried = true;
    const char *name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return nullptr;
    XtToolkitInitialize();
    session.app = XtCreateApplicationContext();
    int argc = 0;
    session.dpy = XtOpenDisplay(session.app, nullptr, "glxtest", "GlxTest", nullptr, 0, &argc, nullptr);
  }
  return session.dpy != nullptr ? &session : nullptr;
}

void pump_events() {
  XSession *s = x_session();
  XSync(s->dpy, False);
  while (XtAppPending(s->app) & XtIMXEvent) XtAppProcessEvent(s->app, XtIMXEvent);
}

bool pump_until(const std::function<bool()> &done) {
  XSession *s = x_session();
  // Every round trip lets the server answer what was asked before; a few
  // rounds without the condition mean it will not come.
  for (int round = 0; round < 50; ++round) {
    if (done()) return true;
    XSync(s->dpy, False);
    while (XtAppPending(s->app) & XtIMXEvent) XtAppProcessEvent(s->app, XtIMXEvent);
  }
  return done();
}

Widget make_test_shell(const char *name) {
  XSession *s = x_session();
  return XtVaAppCreateShell(name, "GlxTest", topLevelShellWidgetClass, s->dpy, nullptr);
}

unsigned long window_pixel(Window window, int x, int y) {
  XSession *s = x_session();
  XSync(s->dpy, False);
  XImage *image = XGetImage(s->dpy, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return ~0ul;
  unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}
