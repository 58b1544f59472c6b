// The X binding: visuals and colormaps for drawing windows, contexts linked to
// window sets, and presentation. The layers live in memory; what the screen
// shows is composed from them and put into the normal window, only where
// something changed, with XShmPutImage when the server shares memory with us
// and XPutImage otherwise.
#include "glx.h"

#include "context.h"
#include "cursor.h"
#include "gl.h"
#include "line_queue.h"
#include "xbind.h"
#include "xfont.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

struct KglXBinding {
  Display *dpy = nullptr;
  Window normal = 0;
  Window child[KGL_LAYER_COUNT] = {};   // indexed by layer; [KGL_LAYER_NORMAL] unused
  Visual *visual = nullptr;
  int depth = 0;
  Window root = 0;
  int screen_height = 0;
  GC gc = nullptr;

  XImage *image = nullptr;
  bool image_shm = false;
  XShmSegmentInfo shminfo{};
  bool shm_allowed = false;
  bool shm_busy = false;   // the server may still be reading the image

  int rshift = 16, gshift = 8, bshift = 0;
  bool native_pixels = false;   // 32-bit pixels in our byte order

  std::vector<std::pair<unsigned, Cursor>> cursors;   // per cursor: generation, X cursor
  const KglFont *hw_font = nullptr;
  bool hw_font_tried = false;
};

namespace {

std::vector<KglContext *> linked;

// ---- X errors of requests that may fail ----------------------------------------------

int trapped_error = 0;
int trap_errors(Display *, XErrorEvent *e) {
  trapped_error = e->error_code;
  return 0;
}

struct ErrorTrap {
  Display *dpy;
  XErrorHandler old;
  explicit ErrorTrap(Display *d) : dpy(d) {
    XSync(dpy, False);
    trapped_error = 0;
    old = XSetErrorHandler(trap_errors);
  }
  // Waits for the requests made meanwhile; true when none failed.
  bool ok() {
    XSync(dpy, False);
    XSetErrorHandler(old);
    old = nullptr;
    return trapped_error == 0;
  }
  ~ErrorTrap() {
    if (old) ok();
  }
};

// ---- visuals --------------------------------------------------------------------------

bool byte_channel(unsigned long mask, int &shift) {
  for (shift = 0; shift < 32; ++shift)
    if (mask == (0xFFul << shift)) return true;
  return false;
}

// A TrueColor visual with 8 bits a channel is one we can present to.
bool presentable(const Visual *v, int depth) {
  int s;
  return v && v->c_class == TrueColor && (depth == 24 || depth == 32) && byte_channel(v->red_mask, s) &&
         byte_channel(v->green_mask, s) && byte_channel(v->blue_mask, s);
}

// The default visual when we can present to it, else a 24-bit TrueColor
// visual with a colormap of its own (nothing is cached: a cached id would
// outlive a closed connection).
bool choose_visual(Display *dpy, int screen, Visual *&visual, Colormap &cmap) {
  Visual *dv = DefaultVisual(dpy, screen);
  if (presentable(dv, DefaultDepth(dpy, screen))) {
    visual = dv;
    cmap = DefaultColormap(dpy, screen);
    return true;
  }
  XVisualInfo vi;
  if (!XMatchVisualInfo(dpy, screen, 24, TrueColor, &vi) || !presentable(vi.visual, vi.depth)) return false;
  visual = vi.visual;
  cmap = XCreateColormap(dpy, RootWindow(dpy, screen), visual, AllocNone);
  return true;
}

int layer_of_buffer(int buffer) {
  switch (buffer) {
    case GLX_NORMAL: return KGL_LAYER_NORMAL;
    case GLX_OVERLAY: return KGL_LAYER_OVERLAY;
    case GLX_POPUP: return KGL_LAYER_POPUP;
    case GLX_UNDERLAY: return KGL_LAYER_UNDERLAY;
    default: return -1;
  }
}

// Configuration lists end with a buffer of 0; longer ones are refused.
constexpr int MAX_TRIPLES = 1024;

int list_length(const GLXconfig *conf) {
  int n = 0;
  while (n < MAX_TRIPLES && conf[n].buffer != 0) ++n;
  return n < MAX_TRIPLES ? n : -1;
}

// ---- contexts of windows --------------------------------------------------------------------

KglContext *find_context(Display *dpy, Window win, int *layer) {
  if (!win) return nullptr;
  for (KglContext *c : linked) {
    if (c->x->dpy != dpy) continue;
    if (c->x->normal == win) {
      if (layer) *layer = KGL_LAYER_NORMAL;
      return c;
    }
    for (int l = 1; l < KGL_LAYER_COUNT; ++l)
      if (c->x->child[l] == win) {
        if (layer) *layer = l;
        return c;
      }
  }
  return nullptr;
}

void free_image(KglXBinding *x) {
  if (!x->image) return;
  if (x->image_shm) {
    if (x->shm_busy) XSync(x->dpy, False);
    XShmDetach(x->dpy, &x->shminfo);
    XSync(x->dpy, False);
    x->image->data = nullptr;
    XDestroyImage(x->image);
    shmdt(x->shminfo.shmaddr);
  } else {
    XDestroyImage(x->image);
  }
  x->image = nullptr;
  x->image_shm = false;
  x->shm_busy = false;
}

XImage *create_shm_image(KglXBinding *x, int w, int h) {
  XImage *img = XShmCreateImage(x->dpy, x->visual, x->depth, ZPixmap, nullptr, &x->shminfo, w, h);
  if (!img) return nullptr;
  x->shminfo.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(img->bytes_per_line) * h, IPC_CREAT | 0600);
  if (x->shminfo.shmid < 0) {
    XDestroyImage(img);
    return nullptr;
  }
  x->shminfo.shmaddr = static_cast<char *>(shmat(x->shminfo.shmid, nullptr, 0));
  if (x->shminfo.shmaddr == reinterpret_cast<char *>(-1)) {
    shmctl(x->shminfo.shmid, IPC_RMID, nullptr);
    XDestroyImage(img);
    return nullptr;
  }
  img->data = x->shminfo.shmaddr;
  x->shminfo.readOnly = False;
  ErrorTrap trap(x->dpy);
  const Status attached = XShmAttach(x->dpy, &x->shminfo);
  const bool ok = trap.ok() && attached;
  // The segment goes away once both sides have detached.
  shmctl(x->shminfo.shmid, IPC_RMID, nullptr);
  if (!ok) {
    img->data = nullptr;
    XDestroyImage(img);
    shmdt(x->shminfo.shmaddr);
    return nullptr;
  }
  return img;
}

bool ensure_image(KglContext *c) {
  KglXBinding *x = c->x;
  if (x->image && x->image->width == c->width && x->image->height == c->height) return true;
  free_image(x);
  if (x->shm_allowed) {
    x->image = create_shm_image(x, c->width, c->height);
    if (x->image)
      x->image_shm = true;
    else
      x->shm_allowed = false;   // do not try again on this window
  }
  if (!x->image) {
    XImage *img = XCreateImage(x->dpy, x->visual, x->depth, ZPixmap, 0, nullptr, c->width, c->height, 32, 0);
    if (!img) return false;
    img->data = static_cast<char *>(std::malloc(static_cast<std::size_t>(img->bytes_per_line) * c->height));
    if (!img->data) {
      XDestroyImage(img);
      return false;
    }
    x->image = img;
  }
  const int host_order = [] {
    const unsigned one = 1;
    return *reinterpret_cast<const unsigned char *>(&one) == 1 ? LSBFirst : MSBFirst;
  }();
  x->native_pixels = x->image->bits_per_pixel == 32 && x->image->byte_order == host_order;
  return true;
}

// Composes the rows y0..y1, columns x0..x1 (window coordinates, y up) into
// the image.
// The colour shown at pixel i: the overlay where it is set, else the pop-up
// where that is, else the normal planes.
inline Uint32 shown_rgb(const KglContext *c, const Uint32 *front, std::size_t i) {
  if (const unsigned o = c->overlay[i] & KGL_LAYER_PLANES) return c->overlay_map[o];
  if (const unsigned p = c->popup[i] & KGL_LAYER_PLANES) return c->popup_map[p];
  return c->rgb ? kgl_abgr_to_rgb(front[i]) : c->normal_map[kgl_map_entry(c, front[i])];
}

// Whether any of the n layer bytes from l on has a plane set.
inline bool layer_set(const std::uint8_t *l, int n) {
  std::uint64_t any = 0;
  int k = 0;
  for (; k + 8 <= n; k += 8) {
    std::uint64_t v;
    std::memcpy(&v, l + k, 8);
    any |= v;
  }
  for (; k < n; ++k) any |= l[k];
  return (any & 0x0303030303030303u) != 0;
}

void compose(const KglContext *c, int x0, int y0, int x1, int y1) {
  const KglXBinding *x = c->x;
  XImage *img = x->image;
  const bool plain = x->rshift == 16 && x->gshift == 8 && x->bshift == 0;
  const Uint32 *front = c->normal[c->front_index].data();
  const int n = x1 - x0 + 1;
  for (int y = y0; y <= y1; ++y) {
    const int iy = c->height - 1 - y;
    const std::size_t base = static_cast<std::size_t>(y) * c->width;
    Uint32 *out = x->native_pixels ? reinterpret_cast<Uint32 *>(img->data + static_cast<std::size_t>(iy) * img->bytes_per_line)
                                   : nullptr;
    // The usual row: RGB planes shown as they are, nothing over them.
    if (out && plain && c->rgb && !layer_set(&c->overlay[base + x0], n) && !layer_set(&c->popup[base + x0], n)) {
      const Uint32 *in = front + base + x0;
      Uint32 *to = out + x0;
      for (int k = 0; k < n; ++k) to[k] = kgl_abgr_to_rgb(in[k]);
      continue;
    }
    for (int px = x0; px <= x1; ++px) {
      const Uint32 rgb = shown_rgb(c, front, base + px);
      const Uint32 pixel = plain ? rgb
                                 : (((rgb >> 16) & 0xFF) << x->rshift) | (((rgb >> 8) & 0xFF) << x->gshift) |
                                       ((rgb & 0xFF) << x->bshift);
      if (out)
        out[px] = pixel;
      else
        XPutPixel(img, px, iy, pixel);
    }
  }
}

void unlink_context(KglContext *c) {
  linked.erase(std::remove(linked.begin(), linked.end(), c), linked.end());
  KglXBinding *x = c->x;
  free_image(x);
  for (auto &cur : x->cursors)
    if (cur.second) XFreeCursor(x->dpy, cur.second);
  if (x->gc) XFreeGC(x->dpy, x->gc);
  delete x;
  c->x = nullptr;
  kgl_context_free(c);
}

Cursor make_cursor(KglXBinding *x, const KglCursorDef &d) {
  const int size = kgl_cursor_size(d.type);
  const int two = kgl_cursor_planes(d.type) == 2;
  // X bitmaps: rows top first, bit 0 of a byte the left pixel.
  const int stride = size / 8;
  std::vector<char> src(static_cast<std::size_t>(stride) * size, 0), mask(src.size(), 0);
  for (int row = 0; row < size; ++row) {
    const int y = size - 1 - row;
    for (int col = 0; col < size; ++col) {
      const bool p0 = kgl_cursor_bit(d, 0, col, y);
      const bool p1 = two && kgl_cursor_bit(d, 1, col, y);
      const std::size_t at = static_cast<std::size_t>(row) * stride + col / 8;
      if (p0) src[at] = static_cast<char>(src[at] | (1 << (col & 7)));
      if (p0 || p1) mask[at] = static_cast<char>(mask[at] | (1 << (col & 7)));
    }
  }
  const Pixmap ps = XCreateBitmapFromData(x->dpy, x->normal, src.data(), size, size);
  const Pixmap pm = XCreateBitmapFromData(x->dpy, x->normal, mask.data(), size, size);
  XColor fg{}, bg{};
  fg.red = fg.green = fg.blue = 0xFFFF;
  fg.flags = bg.flags = DoRed | DoGreen | DoBlue;
  const unsigned hx = static_cast<unsigned>(std::clamp<int>(d.xorigin, 0, size - 1));
  const unsigned hy = static_cast<unsigned>(std::clamp<int>(size - 1 - d.yorigin, 0, size - 1));
  const Cursor cur = XCreatePixmapCursor(x->dpy, ps, pm, &fg, &bg, hx, hy);
  XFreePixmap(x->dpy, ps);
  XFreePixmap(x->dpy, pm);
  return cur;
}

}  // namespace

// ---- the binding calls --------------------------------------------------------------------

GLXconfig *GLXgetconfig(Display *dpy, int screen, GLXconfig *desc) {
  if (!dpy || !desc || screen < 0 || screen >= ScreenCount(dpy)) return nullptr;
  const int n = list_length(desc);
  if (n < 0) return nullptr;
  Visual *visual;
  Colormap cmap;
  if (!choose_visual(dpy, screen, visual, cmap)) return nullptr;

  // Room for a visual and a colormap triple of each layer, and the end.
  GLXconfig *out = static_cast<GLXconfig *>(std::malloc(sizeof(GLXconfig) * (n + 2 * KGL_LAYER_COUNT + 1)));
  if (!out) return nullptr;
  std::memcpy(out, desc, sizeof(GLXconfig) * n);
  int m = n;
  bool has_visual[KGL_LAYER_COUNT] = {}, has_cmap[KGL_LAYER_COUNT] = {}, named[KGL_LAYER_COUNT] = {};
  int layer_buffer[KGL_LAYER_COUNT] = {};
  for (int i = 0; i < n; ++i) {
    const int l = layer_of_buffer(out[i].buffer);
    if (l < 0) continue;
    named[l] = true;
    layer_buffer[l] = out[i].buffer;
    if (out[i].mode == GLX_VISUAL) {
      out[i].arg = XVisualIDFromVisual(visual);
      has_visual[l] = true;
    } else if (out[i].mode == GLX_COLORMAP) {
      out[i].arg = cmap;
      has_cmap[l] = true;
    }
  }
  for (int l = 0; l < KGL_LAYER_COUNT; ++l) {
    if (!named[l]) continue;
    if (!has_visual[l]) out[m++] = {layer_buffer[l], GLX_VISUAL, XVisualIDFromVisual(visual)};
    if (!has_cmap[l]) out[m++] = {layer_buffer[l], GLX_COLORMAP, cmap};
  }
  out[m] = {0, 0, 0};
  return out;
}

int GLXlink(Display *dpy, GLXconfig *conf) {
  if (!dpy) return GLWS_NODISPLAY;
  if (!conf) return GLWS_NOWINDOW;
  const int n = list_length(conf);
  if (n < 0) return GLWS_NOWINDOW;
  Window win[KGL_LAYER_COUNT] = {};
  bool rgb = true, dbl = false;
  for (int i = 0; i < n; ++i) {
    const int l = layer_of_buffer(conf[i].buffer);
    if (l < 0) continue;
    if (conf[i].mode == GLX_WINDOW) win[l] = static_cast<Window>(conf[i].arg);
    if (l == KGL_LAYER_NORMAL && conf[i].mode == GLX_RGB) rgb = conf[i].arg != 0;
    if (l == KGL_LAYER_NORMAL && conf[i].mode == GLX_DOUBLE) dbl = conf[i].arg != 0;
  }
  if (!win[KGL_LAYER_NORMAL]) return GLWS_NOWINDOW;

  XWindowAttributes attrs;
  {
    ErrorTrap trap(dpy);
    const Status st = XGetWindowAttributes(dpy, win[KGL_LAYER_NORMAL], &attrs);
    if (!trap.ok() || !st) return GLWS_BADWINDOW;
  }
  if (!presentable(attrs.visual, attrs.depth)) return GLWS_NOVISUAL;

  // Linking a window again starts it afresh.
  bool was_current = false;
  if (KglContext *old = find_context(dpy, win[KGL_LAYER_NORMAL], nullptr)) {
    was_current = kgl_ctx == old;
    unlink_context(old);
  }

  KglContext *c = kgl_context_new(attrs.width, attrs.height);
  KglXBinding *x = new KglXBinding;
  c->x = x;
  x->dpy = dpy;
  x->normal = win[KGL_LAYER_NORMAL];
  for (int l = 1; l < KGL_LAYER_COUNT; ++l) x->child[l] = win[l];
  x->visual = attrs.visual;
  x->depth = attrs.depth;
  x->root = attrs.root;
  x->screen_height = HeightOfScreen(attrs.screen);
  byte_channel(attrs.visual->red_mask, x->rshift);
  byte_channel(attrs.visual->green_mask, x->gshift);
  byte_channel(attrs.visual->blue_mask, x->bshift);
  x->gc = XCreateGC(dpy, x->normal, 0, nullptr);
  const char *no_shm = std::getenv("KGL_NO_SHM");
  const char *name = DisplayString(dpy);
  int major, minor;
  Bool pixmaps;
  x->shm_allowed = !(no_shm && *no_shm && std::strcmp(no_shm, "0") != 0) && name &&
                   (name[0] == ':' || std::strncmp(name, "unix:", 5) == 0) &&
                   XShmQueryVersion(dpy, &major, &minor, &pixmaps);
  x->cursors.assign(KGL_CURSORS, {0u, 0});

  c->rgb = c->req_rgb = rgb;
  c->dbl = c->req_dbl = dbl;
  c->draw_front = !dbl;
  c->draw_back = dbl;
  kgl_mark_all_dirty(c);
  linked.push_back(c);
  if (was_current) kgl_ctx = c;
  return GLWS_NOERROR;
}

int GLXwinset(Display *dpy, Window win) {
  if (!dpy) return GLWS_NODISPLAY;
  int layer = 0;
  KglContext *c = find_context(dpy, win, &layer);
  if (!c) return GLWS_NOWINDOW;
  kgl_ctx = c;
  c->layer = layer;
  return GLWS_NOERROR;
}

int GLXunlink(Display *dpy, Window win) {
  if (!dpy) return GLWS_NODISPLAY;
  int layer = 0;
  KglContext *c = find_context(dpy, win, &layer);
  if (!c) return GLWS_NOWINDOW;
  if (layer == KGL_LAYER_NORMAL) {
    unlink_context(c);
  } else {
    c->x->child[layer] = 0;
    if (kgl_ctx == c && c->layer == layer) c->layer = KGL_LAYER_NORMAL;
  }
  return GLWS_NOERROR;
}

// ---- presentation -----------------------------------------------------------------------------

void kgl_present_context(KglContext *c, bool wait) {
  if (!c) return;
  // What is presented, and what finish() promises, is every line drawn.
  kgl_sync_pixels();
  KglXBinding *x = c->x;
  if (!x) {
    c->ndirty = 0;
    return;
  }
  if (c->ndirty > 0 && ensure_image(c)) {
    if (x->shm_busy) {
      XSync(x->dpy, False);   // the server must be done with the image first
      x->shm_busy = false;
    }
    for (int i = 0; i < c->ndirty; ++i) {
      const KglRect r = c->dirty[i];
      const int x0 = std::max(r.x0, 0), x1 = std::min(r.x1, c->width - 1);
      const int y0 = std::max(r.y0, 0), y1 = std::min(r.y1, c->height - 1);
      if (x1 < x0 || y1 < y0) continue;
      compose(c, x0, y0, x1, y1);
      const int top = c->height - 1 - y1;
      const unsigned w = static_cast<unsigned>(x1 - x0 + 1), h = static_cast<unsigned>(y1 - y0 + 1);
      if (x->image_shm)
        XShmPutImage(x->dpy, x->normal, x->gc, x->image, x0, top, x0, top, w, h, False);
      else
        XPutImage(x->dpy, x->normal, x->gc, x->image, x0, top, x0, top, w, h);
    }
    x->shm_busy = x->image_shm;
    c->ndirty = 0;
    XFlush(x->dpy);
  }
  if (wait) {
    XSync(x->dpy, False);
    x->shm_busy = false;
  }
}

void kgl_present_pending() {
  for (KglContext *c : linked)
    if (c->ndirty) kgl_present_context(c, false);
}

void kgl_window_resized(Display *dpy, Window win, int width, int height) {
  KglContext *c = find_context(dpy, win, nullptr);
  if (!c || width <= 0 || height <= 0 || width > 32767 || height > 32767) return;
  kgl_context_resize(c, width, height);
}

void kgl_window_exposed(Display *dpy, Window win, int x, int y, int width, int height) {
  KglContext *c = find_context(dpy, win, nullptr);
  if (!c || width <= 0 || height <= 0) return;
  // X counts rows from the top.
  kgl_mark_dirty(c, x, c->height - (y + height), x + width - 1, c->height - 1 - y);
}

bool kgl_window_uses_shm(Display *dpy, Window win) {
  KglContext *c = find_context(dpy, win, nullptr);
  if (!c) return false;
  if (!c->x->image) ensure_image(c);
  return c->x->image_shm;
}

// ---- what the drawing code asks of X ----------------------------------------------------------

void kgl_window_origin(const KglContext *c, Int32 *ox, Int32 *oy) {
  *ox = *oy = 0;
  if (!c || !c->x) return;
  const KglXBinding *x = c->x;
  int rx = 0, ry = 0;
  Window child;
  if (!XTranslateCoordinates(x->dpy, x->normal, x->root, 0, c->height, &rx, &ry, &child)) return;
  *ox = rx;
  *oy = x->screen_height - ry;
}

void getorigin(Int32 *x, Int32 *y) { kgl_window_origin(kgl_ctx, x, y); }

void kgl_show_cursor(KglContext *c) {
  if (!c || !c->x) return;
  KglXBinding *x = c->x;
  const int n = c->cursor;
  if (n <= 0 || n >= KGL_CURSORS || !kgl_cursors[n].defined) {
    XUndefineCursor(x->dpy, x->normal);
    return;
  }
  auto &slot = x->cursors[n];
  if (!slot.second || slot.first != kgl_cursors[n].generation) {
    if (slot.second) XFreeCursor(x->dpy, slot.second);
    slot.second = make_cursor(x, kgl_cursors[n]);
    slot.first = kgl_cursors[n].generation;
  }
  XDefineCursor(x->dpy, x->normal, slot.second);
}

const KglFont *kgl_x_hardware_font(const KglContext *c) {
  if (!c || !c->x) return nullptr;
  KglXBinding *x = c->x;
  if (!x->hw_font_tried) {
    x->hw_font_tried = true;
    x->hw_font = kgl_x_load_font(x->dpy, "8x13");
    if (!x->hw_font) x->hw_font = kgl_x_load_font(x->dpy, "fixed");
  }
  return x->hw_font;
}

_XDisplay *kgl_display_of(const KglContext *c) {
  if (c && c->x) return c->x->dpy;
  return linked.empty() ? nullptr : linked.front()->x->dpy;
}
