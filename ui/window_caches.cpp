// The per-window text-drawing records of the toolkit, given back when the
// widgets whose windows they belong to are destroyed.
#include "ui/window_caches.h"

#include <X11/IntrinsicP.h>
#include <X11/StringDefs.h>
#include <Xm/Xm.h>
#include <dlfcn.h>

#include <cstring>

namespace {

// The toolkit's own entry points for the records: the first finds (or makes)
// the record of a window, the second takes it out of the toolkit's table and
// frees it. Looked up at run time: a toolkit built without them keeps nothing
// to give back.
using FindRecord = void *(*)(Display *, Window);
using FreeRecord = void (*)(Display *, Window, void *);
FindRecord find_record;
FreeRecord free_record;

void release_tree(Widget w) {
  if (w == nullptr) return;
  if (XtIsWidget(w)) {
    if (XtIsRealized(w)) {
      Display *d = XtDisplay(w);
      Window window = XtWindow(w);
      free_record(d, window, find_record(d, window));
    }
    for (Cardinal i = 0; i < w->core.num_popups; ++i) release_tree(w->core.popup_list[i]);
  }
  if (XtIsComposite(w)) {
    WidgetList children = nullptr;
    Cardinal count = 0;
    XtVaGetValues(w, XtNchildren, &children, XtNnumChildren, &count, nullptr);
    for (Cardinal i = 0; i < count; ++i) release_tree(children[i]);
  }
}

// Runs when XtDestroyWidget is called, while every window of the tree still
// exists.
void destroy_hook(Widget, XtPointer, XtPointer call_data) {
  const auto *data = static_cast<const XtDestroyHookDataRec *>(call_data);
  if (data != nullptr && data->type != nullptr && std::strcmp(data->type, XtHdestroy) == 0) release_tree(data->widget);
}

}  // namespace

void release_window_caches_on_destroy(Display *display) {
  if (display == nullptr) return;
  if (find_record == nullptr || free_record == nullptr) {
    find_record = reinterpret_cast<FindRecord>(dlsym(RTLD_DEFAULT, "_XmXftDrawCreate"));
    free_record = reinterpret_cast<FreeRecord>(dlsym(RTLD_DEFAULT, "_XmXftDrawDestroy"));
    if (find_record == nullptr || free_record == nullptr) return;
  }
  XtAddCallback(XtHooksOfDisplay(display), XtNdestroyHook, destroy_hook, nullptr);
}

void free_label_pixmap(Screen *screen, Pixmap pixmap) {
  if (screen == nullptr || pixmap == 0) return;
  // The toolkit forgets the pixmap (there is nothing to forget when no label
  // showed it); it frees only pixmaps it made itself, so the pixmap is
  // freed here.
  XmDestroyPixmap(screen, pixmap);
  XFreePixmap(DisplayOfScreen(screen), pixmap);
}
