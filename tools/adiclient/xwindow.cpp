// Window search, pixel reads and XTest input.
#include "adiclient/xwindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>

namespace adiclient {
namespace {

int last_x_error = 0;

int note_x_error(Display *, XErrorEvent *event) {
  last_x_error = event->error_code;
  return 0;
}

std::vector<Window> children_of(Display *d, Window w) {
  Window root, parent, *kids = nullptr;
  unsigned count = 0;
  std::vector<Window> out;
  if (XQueryTree(d, w, &root, &parent, &kids, &count)) out.assign(kids, kids + count);
  if (kids) XFree(kids);
  return out;
}

bool title_starts_with(Display *d, Window w, std::string_view prefix) {
  XTextProperty prop{};
  if (!XGetWMName(d, w, &prop) || !prop.value) return false;
  bool match = prop.format == 8 && prop.nitems >= prefix.size() &&
               std::memcmp(prop.value, prefix.data(), prefix.size()) == 0;
  XFree(prop.value);
  return match;
}

bool viewable(Display *d, Window w, XWindowAttributes &a) {
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// Turns pixel values of a window's visual into 8-bit R, G, B.
struct PixelColours {
  bool masks = false;
  unsigned long mask[3] = {0, 0, 0};
  std::vector<uint32_t> table;  // colour-map visuals: pixel -> 0xRRGGBB

  bool init(Display *d, const XWindowAttributes &a) {
    Visual *v = a.visual;
    if (v->c_class == TrueColor || v->c_class == DirectColor) {
      masks = true;
      mask[0] = v->red_mask;
      mask[1] = v->green_mask;
      mask[2] = v->blue_mask;
      return true;
    }
    int n = v->map_entries;
    if (n <= 0 || n > 65536 || !a.colormap) return false;
    std::vector<XColor> colours(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) colours[i].pixel = static_cast<unsigned long>(i);
    XQueryColors(d, a.colormap, colours.data(), n);
    table.resize(colours.size());
    for (size_t i = 0; i < colours.size(); ++i)
      table[i] = static_cast<uint32_t>((colours[i].red >> 8) << 16 | (colours[i].green >> 8) << 8 |
                                       (colours[i].blue >> 8));
    return true;
  }

  static unsigned component(unsigned long pixel, unsigned long m) {
    if (!m) return 0;
    int shift = std::countr_zero(m);
    int bits = std::popcount(m);
    unsigned long v = (pixel & m) >> shift;
    if (bits >= 8) return static_cast<unsigned>(v >> (bits - 8));
    return static_cast<unsigned>(v * 255 / ((1ul << bits) - 1));
  }

  uint32_t rgb(unsigned long pixel) const {
    if (masks)
      return component(pixel, mask[0]) << 16 | component(pixel, mask[1]) << 8 | component(pixel, mask[2]);
    return pixel < table.size() ? table[pixel] : 0;
  }
};

struct ImageDeleter {
  void operator()(XImage *image) const { XDestroyImage(image); }
};

bool get_pixels(Display *d, Window w, int x, int y, int width, int height, Image &out) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > a.width || y + height > a.height) return false;
  PixelColours colours;
  if (!colours.init(d, a)) return false;
  std::unique_ptr<XImage, ImageDeleter> image(XGetImage(d, w, x, y, static_cast<unsigned>(width),
                                                        static_cast<unsigned>(height), AllPlanes, ZPixmap));
  if (!image) return false;
  out.width = width;
  out.height = height;
  out.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  uint8_t *p = out.rgb.data();
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      uint32_t c = colours.rgb(XGetPixel(image.get(), col, row));
      *p++ = static_cast<uint8_t>(c >> 16);
      *p++ = static_cast<uint8_t>(c >> 8);
      *p++ = static_cast<uint8_t>(c);
    }
  }
  return true;
}

bool inside(Display *d, Window w, Window top) {
  for (int depth = 0; w && w != PointerRoot && depth < 64; ++depth) {
    if (w == top) return true;
    Window root, parent, *kids = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &kids, &count)) return false;
    if (kids) XFree(kids);
    if (w == root) return false;
    w = parent;
  }
  return false;
}

}  // namespace

XDisplay *open_display(std::string &error) {
  Display *d = XOpenDisplay(nullptr);
  if (!d) {
    const char *name = std::getenv("DISPLAY");
    error = std::string("cannot open display ") + (name ? name : "(DISPLAY is not set)");
    return nullptr;
  }
  int event_base, error_base, major, minor;
  if (!XTestQueryExtension(d, &event_base, &error_base, &major, &minor)) {
    error = "the X server has no XTest extension";
    XCloseDisplay(d);
    return nullptr;
  }
  XSetErrorHandler(note_x_error);
  return d;
}

void close_display(XDisplay *d) {
  if (d) XCloseDisplay(d);
}

XWindow find_top_window(XDisplay *d, std::string_view prefix, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::deque<Window> queue{DefaultRootWindow(d)};
    while (!queue.empty()) {
      Window w = queue.front();
      queue.pop_front();
      XWindowAttributes a;
      if (title_starts_with(d, w, prefix) && viewable(d, w, a)) return w;
      for (Window c : children_of(d, w)) queue.push_back(c);
    }
    if (std::chrono::steady_clock::now() >= deadline) return 0;
    poll(nullptr, 0, 50);
  }
}

bool children_shown(XDisplay *d, XWindow w) {
  XWindowAttributes a;
  if (!viewable(d, w, a)) return false;
  const std::vector<Window> kids = children_of(d, w);
  for (Window c : kids)
    if (!viewable(d, c, a)) return false;
  return !kids.empty();
}

XWindow find_drawing_area(XDisplay *d, XWindow top) {
  // Breadth first, so of two windows of one size the outer one wins: the
  // drawing window rather than its layer windows.
  Window best = 0;
  long best_area = 0;
  std::deque<Window> queue;
  for (Window c : children_of(d, top)) queue.push_back(c);
  while (!queue.empty()) {
    Window w = queue.front();
    queue.pop_front();
    XWindowAttributes a;
    if (!viewable(d, w, a) || a.c_class == InputOnly) continue;
    bool leaf = true;
    for (Window c : children_of(d, w)) {
      XWindowAttributes ca;
      if (!viewable(d, c, ca)) continue;
      if (ca.x != 0 || ca.y != 0 || ca.width != a.width || ca.height != a.height) leaf = false;
      queue.push_back(c);
    }
    long area = static_cast<long>(a.width) * a.height;
    if (leaf && area > best_area) {
      best = w;
      best_area = area;
    }
  }
  return best;
}

bool window_size(XDisplay *d, XWindow w, int &width, int &height) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  width = a.width;
  height = a.height;
  return true;
}

bool window_geometry(XDisplay *d, XWindow w, int &x, int &y, int &width, int &height) {
  XWindowAttributes a;
  Window child;
  if (!XGetWindowAttributes(d, w, &a) || !XTranslateCoordinates(d, w, a.root, 0, 0, &x, &y, &child)) return false;
  width = a.width;
  height = a.height;
  return true;
}

bool grab_window(XDisplay *d, XWindow w, Image &image) {
  int width, height;
  return window_size(d, w, width, height) && get_pixels(d, w, 0, 0, width, height, image);
}

bool read_pixel(XDisplay *d, XWindow w, int x, int y, uint32_t &rgb) {
  Image one;
  if (!get_pixels(d, w, x, y, 1, 1, one)) return false;
  rgb = static_cast<uint32_t>(one.rgb[0]) << 16 | one.rgb[1] << 8 | one.rgb[2];
  return true;
}

namespace {

std::vector<Window> window_tree(Display *d, Window top) {
  std::vector<Window> all{top};
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::vector<Window> kids = children_of(d, all[i]);
    all.insert(all.end(), kids.begin(), kids.end());
  }
  return all;
}

}  // namespace

void blacken_tree(XDisplay *d, XWindow w, bool expose) {
  const std::vector<Window> all = window_tree(d, w);
  GC gc = XCreateGC(d, w, 0, nullptr);
  XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
  for (Window each : all) XFillRectangle(d, each, gc, 0, 0, 32767, 32767);
  XFreeGC(d, gc);
  XSync(d, False);
  if (expose) expose_tree(d, w);
}

void expose_tree(XDisplay *d, XWindow w) {
  for (Window each : window_tree(d, w)) XClearArea(d, each, 0, 0, 0, 0, True);
  XSync(d, False);
}

bool write_ppm(const Image &image, const std::string &path, std::string &error) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::fprintf(f, "P6\n%d %d\n255\n", image.width, image.height);
  size_t n = std::fwrite(image.rgb.data(), 1, image.rgb.size(), f);
  bool ok = n == image.rgb.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) error = path + ": write failed";
  return ok;
}

bool snapshot_ppm(XDisplay *d, XWindow w, const std::string &path, std::string &error) {
  Image image;
  if (!grab_window(d, w, image)) {
    error = "cannot read the window's pixels";
    return false;
  }
  return write_ppm(image, path, error);
}

bool move_pointer(XDisplay *d, XWindow w, int x, int y) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  int rx, ry;
  Window child;
  if (!XTranslateCoordinates(d, w, a.root, x, y, &rx, &ry, &child)) return false;
  XTestFakeMotionEvent(d, XScreenNumberOfScreen(a.screen), rx, ry, CurrentTime);
  XSync(d, False);
  return true;
}

bool press_button(XDisplay *d, unsigned button, bool down) {
  if (button < 1 || button > 5) return false;
  XTestFakeButtonEvent(d, button, down ? True : False, CurrentTime);
  XSync(d, False);
  return true;
}

bool click(XDisplay *d, XWindow w, int x, int y, unsigned button) {
  return move_pointer(d, w, x, y) && press_button(d, button, true) && press_button(d, button, false);
}

namespace {

// The modifier bit Num Lock sets, 0 when no modifier holds it.
unsigned numlock_mask(Display *d) {
  const KeyCode code = XKeysymToKeycode(d, XK_Num_Lock);
  XModifierKeymap *map = XGetModifierMapping(d);
  unsigned mask = 0;
  for (int m = 0; code != 0 && map != nullptr && m < 8; ++m)
    for (int k = 0; k < map->max_keypermod; ++k)
      if (map->modifiermap[m * map->max_keypermod + k] == code) mask = 1u << m;
  if (map != nullptr) XFreeModifiermap(map);
  return mask;
}

void tap(Display *d, KeyCode code) {
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
}

}  // namespace

bool numlock_on(XDisplay *d) {
  Window root, child;
  int rx, ry, wx, wy;
  unsigned state = 0;
  XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &state);
  const unsigned mask = numlock_mask(d);
  return mask != 0 && (state & mask) != 0;
}

bool type_key(XDisplay *d, XWindow top, std::string_view keysym, bool shift, bool control, std::string &error,
              bool numlock) {
  std::string name(keysym);
  KeySym sym = XStringToKeysym(name.c_str());
  if (sym == NoSymbol) {
    error = "unknown keysym " + name;
    return false;
  }
  KeyCode code = XKeysymToKeycode(d, sym);
  KeyCode shift_code = XKeysymToKeycode(d, XK_Shift_L);
  KeyCode control_code = XKeysymToKeycode(d, XK_Control_L);
  if (!code || (shift && !shift_code) || (control && !control_code)) {
    error = "no key on the keyboard gives " + name;
    return false;
  }
  const KeyCode numlock_code = XKeysymToKeycode(d, XK_Num_Lock);
  if (numlock && (!numlock_code || numlock_mask(d) == 0)) {
    error = "the keyboard has no Num Lock modifier";
    return false;
  }
  const bool toggle_numlock = numlock && !numlock_on(d);
  Window focus;
  int revert;
  XGetInputFocus(d, &focus, &revert);
  if (!inside(d, focus, top)) XSetInputFocus(d, top, RevertToParent, CurrentTime);
  if (toggle_numlock) tap(d, numlock_code);
  if (shift) XTestFakeKeyEvent(d, shift_code, True, CurrentTime);
  if (control) XTestFakeKeyEvent(d, control_code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  if (control) XTestFakeKeyEvent(d, control_code, False, CurrentTime);
  if (shift) XTestFakeKeyEvent(d, shift_code, False, CurrentTime);
  if (toggle_numlock) tap(d, numlock_code);
  XSync(d, False);
  return true;
}

}  // namespace adiclient
