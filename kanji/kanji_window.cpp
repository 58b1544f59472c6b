// The Kanji entry window.
#include "kanji/kanji_window.h"

#include <X11/Shell.h>
#include <Xm/Xm.h>

#include "base/x_session.h"

Widget kanji_frame;

// The entry window's shell; its contents come with the Japanese text entry.
void create_kanji_window(const char *title, const char *shell_name) {
  kanji_frame = XtVaAppCreateShell(shell_name, "AutoCAD", topLevelShellWidgetClass, display, XmNtitle, title,
                                   XmNmappedWhenManaged, False, nullptr);
}

void raise_kanji_window() {
  if (kanji_frame == nullptr || !XtIsRealized(kanji_frame)) return;
  XWindowAttributes a;
  Window w = XtWindow(kanji_frame);
  if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) {
    XRaiseWindow(display, w);
    XSetInputFocus(display, w, RevertToParent, CurrentTime);
  }
}
