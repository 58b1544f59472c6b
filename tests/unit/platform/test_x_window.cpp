// The X binding on a real window: configuration, linking, presentation by
// shared memory and by XPutImage, exposure, resizing and X fonts. Skipped
// when no X display can be opened.
#include <gtest/gtest.h>

#include "kovagl/fmclient.h"
#include "kovagl/gl.h"
#include "kovagl/glx.h"
#include "kovagl/offscreen.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

constexpr int W = 64, H = 48;
constexpr int WIN_Y = 40;

class XWindow : public ::testing::Test {
 protected:
  Display *dpy = nullptr;
  Window win = 0;
  GLXconfig *conf = nullptr;

  void SetUp() override {
    const char *name = std::getenv("DISPLAY");
    if (!name || !*name) GTEST_SKIP() << "DISPLAY is not set";
    // A server that resets when its last client leaves refuses connections
    // for a moment; each test case may run in a process of its own.
    for (int attempt = 0; attempt < 40 && !dpy; ++attempt) {
      dpy = XOpenDisplay(nullptr);
      if (!dpy) usleep(50000);
    }
    if (!dpy) GTEST_SKIP() << "cannot open the X display";
  }
  void TearDown() override {
    if (!dpy) return;
    if (win) {
      GLXunlink(dpy, win);
      XDestroyWindow(dpy, win);
    }
    std::free(conf);
    XCloseDisplay(dpy);
  }

  // A window of the configured visual, mapped, linked and made current. Each
  // test case has its own place on the screen, so that cases running at the
  // same time do not cover each other's windows.
  int win_x = 0;
  void open_window(int slot, bool shm) {
    win_x = 30 + slot * 150;
    if (shm)
      unsetenv("KGL_NO_SHM");
    else
      setenv("KGL_NO_SHM", "1", 1);
    GLXconfig ask[] = {{GLX_NORMAL, GLX_RGB, 1}, {GLX_NORMAL, GLX_DOUBLE, 0}, {GLX_NORMAL, GLX_VISUAL, 0},
                       {GLX_NORMAL, GLX_COLORMAP, 0}, {GLX_NORMAL, GLX_WINDOW, 0}, {0, 0, 0}};
    conf = GLXgetconfig(dpy, DefaultScreen(dpy), ask);
    ASSERT_NE(conf, nullptr);
    VisualID vid = 0;
    Colormap cmap = 0;
    for (GLXconfig *c = conf; c->buffer; ++c) {
      if (c->mode == GLX_VISUAL) vid = c->arg;
      if (c->mode == GLX_COLORMAP) cmap = c->arg;
    }
    XVisualInfo tmpl{};
    tmpl.visualid = vid;
    int n = 0;
    XVisualInfo *vi = XGetVisualInfo(dpy, VisualIDMask, &tmpl, &n);
    ASSERT_NE(vi, nullptr);
    XSetWindowAttributes wa{};
    wa.colormap = cmap;
    wa.border_pixel = 0;
    wa.background_pixel = 0;
    wa.override_redirect = True;
    wa.event_mask = StructureNotifyMask;
    win = XCreateWindow(dpy, DefaultRootWindow(dpy), win_x, WIN_Y, W, H, 0, vi->depth, InputOutput, vi->visual,
                        CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect | CWEventMask, &wa);
    XFree(vi);
    XMapWindow(dpy, win);
    XEvent ev;
    do XWindowEvent(dpy, win, StructureNotifyMask, &ev);
    while (ev.type != MapNotify);
    for (GLXconfig *c = conf; c->buffer; ++c)
      if (c->mode == GLX_WINDOW) c->arg = win;
    ASSERT_EQ(GLXlink(dpy, conf), GLWS_NOERROR);
    ASSERT_EQ(GLXwinset(dpy, win), GLWS_NOERROR);
  }

  // The window's pixel at (x, y), y up from the bottom, as 0xRRGGBB.
  unsigned long shown(int x, int y) {
    XImage *img = XGetImage(dpy, win, x, H - 1 - y, 1, 1, AllPlanes, ZPixmap);
    if (!img) return 0xDEADBEEF;
    const unsigned long p = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return p & 0xFFFFFF;
  }

  void draw_and_check() {
    cpack(0x00FF0000);   // blue
    clear();
    cpack(0x000000FF);   // red
    rectfi(10, 10, 19, 14);
    drawmode(KGL_OVERDRAW);
    mapcolor(3, 0, 255, 0);
    color(3);
    rectfi(15, 12, 30, 20);
    // A pop-up pixel alone at the end of a row, and one overlay pixel in the
    // middle of another: the rest of those rows shows the normal planes.
    drawmode(KGL_PUPDRAW);
    mapcolor(1, 255, 255, 0);
    color(1);
    rectfi(W - 1, 30, W - 1, 30);
    drawmode(KGL_OVERDRAW);
    rectfi(37, 33, 37, 33);
    drawmode(KGL_NORMALDRAW);
    finish();
    EXPECT_EQ(shown(W - 1, 30), 0xFFFF00u);
    EXPECT_EQ(shown(W - 2, 30), 0x0000FFu);
    EXPECT_EQ(shown(37, 33), 0x00FF00u);
    EXPECT_EQ(shown(36, 33), 0x0000FFu);
    EXPECT_EQ(shown(38, 33), 0x0000FFu);
    EXPECT_EQ(shown(0, 0), 0x0000FFu);
    EXPECT_EQ(shown(10, 10), 0xFF0000u);
    EXPECT_EQ(shown(19, 11), 0xFF0000u);
    EXPECT_EQ(shown(20, 11), 0x0000FFu);
    EXPECT_EQ(shown(16, 13), 0x00FF00u);
    EXPECT_EQ(shown(30, 20), 0x00FF00u);
    // Only the picture composed in memory reaches the window.
    EXPECT_EQ(shown(16, 13), kgl_read_composited(16, 13));
  }
};

TEST_F(XWindow, SharedMemoryAndPutImageShowTheSamePicture) {
  open_window(0, false);
  EXPECT_FALSE(kgl_window_uses_shm(dpy, win));
  draw_and_check();
  GLXunlink(dpy, win);
  XDestroyWindow(dpy, win);
  win = 0;
  std::free(conf);
  conf = nullptr;

  open_window(0, true);
  int major, minor;
  Bool pixmaps;
  if (XShmQueryVersion(dpy, &major, &minor, &pixmaps) && DisplayString(dpy)[0] == ':') {
    EXPECT_TRUE(kgl_window_uses_shm(dpy, win));
  }
  draw_and_check();
  unsetenv("KGL_NO_SHM");
}

TEST_F(XWindow, ExposedAndResizedWindowsShowThePicture) {
  open_window(1, true);
  cpack(0x000000FF);
  clear();
  cpack(0x00FFFFFF);
  rectfi(0, H - 1, 0, H - 1);   // the top-left pixel
  gflush();
  finish();
  EXPECT_EQ(shown(1, 1), 0xFF0000u);

  // The server forgets the contents; an exposure brings them back.
  XClearWindow(dpy, win);
  XSync(dpy, False);
  EXPECT_EQ(shown(1, 1), 0u);
  kgl_window_exposed(dpy, win, 0, 0, W, H);
  kgl_present_pending();
  XSync(dpy, False);
  EXPECT_EQ(shown(1, 1), 0xFF0000u);

  // A larger window keeps its old pixels under its top-left corner.
  XResizeWindow(dpy, win, W + 16, H + 8);
  XSync(dpy, False);
  kgl_window_resized(dpy, win, W + 16, H + 8);
  Int32 w, h;
  getsize(&w, &h);
  EXPECT_EQ(w, W + 16);
  EXPECT_EQ(h, H + 8);
  finish();
  XImage *img = XGetImage(dpy, win, 0, 0, W + 16, H + 8, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(XGetPixel(img, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(XGetPixel(img, 1, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(XGetPixel(img, W + 4, 1) & 0xFFFFFF, 0u);
  EXPECT_EQ(XGetPixel(img, 1, H + 4) & 0xFFFFFF, 0u);
  XDestroyImage(img);

  Int32 ox, oy;
  getorigin(&ox, &oy);
  EXPECT_EQ(ox, win_x);
  EXPECT_EQ(oy, DisplayHeight(dpy, DefaultScreen(dpy)) - (WIN_Y + H + 8));
}

TEST_F(XWindow, BindingErrors) {
  GLXconfig none[] = {{0, 0, 0}};
  EXPECT_EQ(GLXlink(nullptr, none), GLWS_NODISPLAY);
  EXPECT_EQ(GLXlink(dpy, none), GLWS_NOWINDOW);
  GLXconfig bad[] = {{GLX_NORMAL, GLX_WINDOW, 0x7FFFFFF0}, {0, 0, 0}};
  EXPECT_EQ(GLXlink(dpy, bad), GLWS_BADWINDOW);
  EXPECT_EQ(GLXwinset(dpy, 0x7FFFFFF0), GLWS_NOWINDOW);
  EXPECT_EQ(GLXwinset(nullptr, 1), GLWS_NODISPLAY);

  open_window(2, true);
  EXPECT_EQ(GLXunlink(dpy, win), GLWS_NOERROR);
  EXPECT_EQ(GLXwinset(dpy, win), GLWS_NOWINDOW);
  EXPECT_EQ(kgl_current_context(), nullptr);
}

TEST_F(XWindow, FontsComeFromTheServer) {
  open_window(3, true);
  // The hardware font is the server's 8x13, drawn as the built-in one is.
  EXPECT_EQ(strwidth("abc"), 24);
  EXPECT_EQ(getheight(), 13);
  cpack(0x00FFFFFF);
  cmov2i(2, 20);
  charstr("Kg#");
  std::vector<Uint32> on_window(W * H);
  lrectread(0, 0, W - 1, H - 1, on_window.data());

  KglContext *off = kgl_offscreen_create(W, H);
  KglContext *linked = kgl_current_context();
  kgl_offscreen_make_current(off);
  cpack(0x00FFFFFF);
  cmov2i(2, 20);
  charstr("Kg#");
  std::vector<Uint32> built_in(W * H);
  lrectread(0, 0, W - 1, H - 1, built_in.data());
  kgl_offscreen_destroy(off);
  kgl_offscreen_make_current(linked);
  EXPECT_EQ(on_window, built_in);

  fmfonthandle f = fmfindfont("Helvetica");
  if (!f) GTEST_SKIP() << "no Helvetica on this server";
  fmfonthandle s = fmscalefont(f, 14);
  fmfontinfo info;
  ASSERT_EQ(fmgetfontinfo(s, &info), 0);
  EXPECT_GE(info.height, 10);
  EXPECT_LE(info.height, 20);
  EXPECT_GT(fmgetstrwidth(s, "Wide text"), fmgetstrwidth(s, "iii"));
  fmsetfont(s);
  cmov2i(1, 1);
  EXPECT_EQ(fmprstr("Wide text"), fmgetstrwidth(s, "Wide text"));
}

TEST_F(XWindow, CursorsBecomeXCursors) {
  open_window(4, true);
  const Uint16 empty[16] = {};
  curstype(KGL_C16X1);
  defcursor(1, empty);
  curorigin(1, 2, 14);
  setcursor(1, 0, 0);
  Uint16 arrow[32] = {};
  for (int i = 0; i < 16; ++i) arrow[i] = static_cast<Uint16>(0xFFFF << i);
  curstype(KGL_C16X2);
  defcursor(4, arrow);
  setcursor(4, 0, 0);
  Int16 n;
  Uint16 col, wtm;
  Int32 visible;
  getcursor(&n, &col, &wtm, &visible);
  EXPECT_EQ(n, 4);
  setcursor(0, 0, 0);
  XSync(dpy, False);   // an X error would have ended the test program
}

}  // namespace
