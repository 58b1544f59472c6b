// The GlxMDraw widget on a real X server: realization, layer windows, drawing
// through the library into the window, callbacks and the buffer switch.
// GoogleTest first: X headers define names (None, Bool) it uses.
#include <gtest/gtest.h>

#include <X11/IntrinsicP.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/shape.h>
#include <Xm/Xm.h>

#include <vector>

#include "GlxDraw/GlxMDraw.h"
#include "base/x_session.h"
#include "kovagl/gl.h"
#include "kovagl/glx.h"
#include "ui/context.h"
#include "x_session.h"

namespace {

struct Recorded {
  int reason;
  Window window;
  int buffer;
  int width, height;
  int event_type;
  int x, y, event_width, event_height, count;
};

void record_cb(Widget, XtPointer client, XtPointer call) {
  auto *log = static_cast<std::vector<Recorded> *>(client);
  const auto *cb = static_cast<const GlxDrawCallbackStruct *>(call);
  Recorded r{cb->reason, cb->window, cb->buffer, cb->width, cb->height, 0, 0, 0, 0, 0, 0};
  if (cb->event != nullptr) {
    r.event_type = cb->event->type;
    if (cb->event->type == Expose) {
      r.x = cb->event->xexpose.x;
      r.y = cb->event->xexpose.y;
      r.event_width = cb->event->xexpose.width;
      r.event_height = cb->event->xexpose.height;
      r.count = cb->event->xexpose.count;
    }
  }
  log->push_back(r);
}

GLXconfig double_rgb_overlay[] = {
    {GLX_NORMAL, GLX_RGB, 1},
    {GLX_NORMAL, GLX_DOUBLE, 1},
    {GLX_OVERLAY, 4, 2},
    {0, 0, 0},
};

GLXconfig single_rgb[] = {
    {GLX_NORMAL, GLX_RGB, 1},
    {GLX_NORMAL, GLX_DOUBLE, 0},
    {0, 0, 0},
};

unsigned long find_arg(const GLXconfig *conf, int buffer, int mode, unsigned long missing) {
  for (; conf != nullptr && conf->buffer != 0; ++conf)
    if (conf->buffer == buffer && conf->mode == mode) return conf->arg;
  return missing;
}

class GlxMDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = x_session();
    if (session == nullptr) GTEST_SKIP() << "no X display";
    dpy = session->dpy;
    shell = make_test_shell("glxdraw");
  }
  void TearDown() override {
    if (shell != nullptr) {
      XtDestroyWidget(shell);
      pump_events();
    }
  }

  // A widget of size 0 with the given configuration; callbacks recorded.
  Widget make_drawing(GLXconfig *conf, bool overlay, bool provide_single) {
    Arg args[4];
    Cardinal n = 0;
    XtSetArg(args[n], GlxNglxConfig, conf), ++n;
    XtSetArg(args[n], GlxNuseOverlay, overlay), ++n;
    XtSetArg(args[n], GlxNprovideSingleBuffer, provide_single), ++n;
    Widget w = GlxCreateMDraw(shell, "Drawing", args, n);
    XtAddCallback(w, GlxNginitCallback, record_cb, &log);
    XtAddCallback(w, GlxNresizeCallback, record_cb, &log);
    XtAddCallback(w, GlxNexposeCallback, record_cb, &log);
    XtAddCallback(w, GlxNinputCallback, record_cb, &log);
    XtManageChild(w);
    return w;
  }

  void realize(Widget w) {
    XtRealizeWidget(shell);
    ASSERT_TRUE(pump_until([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(dpy, XtWindow(w), &a) && a.map_state == IsViewable;
    }));
  }

  Window shown_window(Widget w) {
    Window win = 0;
    XtVaGetValues(w, GlxNmainWindow, &win, nullptr);
    return win;
  }

  int count_reason(int reason) const {
    int n = 0;
    for (const Recorded &r : log) n += r.reason == reason;
    return n;
  }

  XSession *session = nullptr;
  Display *dpy = nullptr;
  Widget shell = nullptr;
  std::vector<Recorded> log;
};

// Pixel coordinates for drawing: (0, 0) the bottom-left pixel.
void pixel_space(int width, int height) {
  viewport(0, width - 1, 0, height - 1);
  mmode(KGL_MSINGLE);
  ortho2(-0.5f, width - 0.5f, -0.5f, height - 0.5f);
}

void draw_test_picture() {
  cpack(0x000000FF);  // red
  clear();
  cpack(0x0000FF00);  // green
  bgnline();
  const Int32 a[2] = {10, 10}, b[2] = {80, 10};
  v2i(a);
  v2i(b);
  endline();
}

TEST_F(GlxMDrawTest, RealizesWithDefaultSizeVisualAndBothConfigurations) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);

  Window main = XtWindow(w);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy, main, &a));
  EXPECT_EQ(a.width, 100);
  EXPECT_EQ(a.height, 100);
  EXPECT_EQ(shown_window(w), main);

  XVisualInfo *vi = nullptr;
  XtVaGetValues(w, GlxNvisualInfo, &vi, nullptr);
  ASSERT_NE(vi, nullptr);
  EXPECT_EQ(XVisualIDFromVisual(a.visual), vi->visualid);
  EXPECT_EQ(a.depth, vi->depth);

  // The list asked for double buffering: the main configuration keeps it,
  // the alternate one is single-buffered, and the single window is not shown.
  GLXconfig *conf = nullptr;
  Boolean single = True;
  XtVaGetValues(w, GlxNglxConfig, &conf, GlxNsingleBuffer, &single, nullptr);
  EXPECT_EQ(find_arg(conf, GLX_NORMAL, GLX_DOUBLE, 99), 1u);
  EXPECT_NE(find_arg(conf, GLX_NORMAL, GLX_WINDOW, 0), 0u);
  EXPECT_EQ(find_arg(GlxMDrawAlternateConfig(w), GLX_NORMAL, GLX_DOUBLE, 99), 0u);
  EXPECT_FALSE(single);

  // ginit came once with the realized size.
  ASSERT_EQ(count_reason(GlxCR_GINIT), 1);
  EXPECT_EQ(log[0].width, 100);
  EXPECT_EQ(log[0].height, 100);
  EXPECT_EQ(log[0].window, main);
  EXPECT_EQ(log[0].buffer, GLX_NORMAL);
}

TEST_F(GlxMDrawTest, SingleBufferedListGetsADoubleBufferedAlternate) {
  Widget w = make_drawing(single_rgb, false, true);
  Boolean single = False;
  XtVaGetValues(w, GlxNsingleBuffer, &single, nullptr);
  EXPECT_TRUE(single);
  EXPECT_EQ(find_arg(GlxMDrawAlternateConfig(w), GLX_NORMAL, GLX_DOUBLE, 99), 1u);

  // Without provideSingleBuffer there is nothing to switch to.
  Widget plain = make_drawing(single_rgb, false, false);
  EXPECT_EQ(GlxMDrawAlternateConfig(plain), nullptr);
  realize(plain);
  Window before = shown_window(plain);
  XtVaSetValues(plain, GlxNsingleBuffer, False, nullptr);
  EXPECT_EQ(shown_window(plain), before);
}

TEST_F(GlxMDrawTest, OverlayChildHasEmptyShapeAndIsLinked) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);

  Window overlay = 0;
  int depth = 0;
  XtVaGetValues(w, GlxNoverlayWindow, &overlay, GlxNoverlayDepth, &depth, nullptr);
  ASSERT_NE(overlay, 0u);

  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  ASSERT_TRUE(XQueryTree(dpy, overlay, &root, &parent, &children, &n));
  if (children) XFree(children);
  EXPECT_EQ(parent, XtWindow(w));

  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy, overlay, &a));
  EXPECT_EQ(a.width, 100);
  EXPECT_EQ(a.height, 100);
  EXPECT_EQ(a.map_state, IsViewable);
  EXPECT_EQ(depth, a.depth);  // the resource names the layer window's depth

  // Neither seen nor in the way of input.
  for (int kind : {ShapeBounding, ShapeInput}) {
    int count = -1, ordering = 0;
    XRectangle *rects = XShapeGetRectangles(dpy, overlay, kind, &count, &ordering);
    EXPECT_EQ(count, 0) << "shape kind " << kind;
    if (rects) XFree(rects);
  }

  // The library knows the child as the overlay layer of the main window.
  EXPECT_EQ(GLXwinset(dpy, overlay), GLWS_NOERROR);
  EXPECT_EQ(overlayWindow(w), overlay);
}

TEST_F(GlxMDrawTest, LibraryDrawingReachesTheWindow) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  Window main = XtWindow(w);

  ASSERT_EQ(GLXwinset(dpy, main), GLWS_NOERROR);
  pixel_space(100, 100);
  draw_test_picture();
  swapbuffers();
  gflush();

  EXPECT_EQ(window_pixel(main, 5, 5), 0xFF0000ul);
  EXPECT_EQ(window_pixel(main, 95, 50), 0xFF0000ul);
  // y 10 from the bottom is row 89 from the top.
  EXPECT_EQ(window_pixel(main, 10, 89), 0x00FF00ul);
  EXPECT_EQ(window_pixel(main, 80, 89), 0x00FF00ul);
  EXPECT_EQ(window_pixel(main, 81, 89), 0xFF0000ul);
  EXPECT_EQ(window_pixel(main, 40, 88), 0xFF0000ul);

  // An exposure puts the picture back without anything drawn again.
  GC gc = XCreateGC(dpy, main, 0, nullptr);
  XSetForeground(dpy, gc, 0);
  XFillRectangle(dpy, main, gc, 0, 0, 50, 50);
  XFreeGC(dpy, gc);
  ASSERT_EQ(window_pixel(main, 5, 5), 0ul);
  XClearArea(dpy, main, 0, 0, 50, 50, True);
  pump_until([&] { return count_reason(GlxCR_EXPOSE) > 0; });
  kgl_present_pending();
  EXPECT_EQ(window_pixel(main, 5, 5), 0xFF0000ul);
}

TEST_F(GlxMDrawTest, CallbacksArriveWithTheirReasons) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  Window main = XtWindow(w);
  log.clear();

  // Resize: every window follows, the library learns the size.
  XtResizeWidget(w, 150, 120, 0);
  ASSERT_EQ(count_reason(GlxCR_RESIZE), 1);
  const Recorded &resized = log.back();
  EXPECT_EQ(resized.width, 150);
  EXPECT_EQ(resized.height, 120);
  EXPECT_EQ(resized.buffer, GLX_NORMAL);
  EXPECT_EQ(resized.event_type, 0);
  Window overlay = 0;
  XtVaGetValues(w, GlxNoverlayWindow, &overlay, nullptr);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy, overlay, &a));
  EXPECT_EQ(a.width, 150);
  EXPECT_EQ(a.height, 120);
  ASSERT_EQ(GLXwinset(dpy, main), GLWS_NOERROR);
  Int32 width = 0, height = 0;
  getsize(&width, &height);
  EXPECT_EQ(width, 150);
  EXPECT_EQ(height, 120);

  // Expose of the main window: reason 38, its window, the normal buffer.
  log.clear();
  XClearArea(dpy, main, 10, 20, 30, 40, True);
  ASSERT_TRUE(pump_until([&] { return count_reason(GlxCR_EXPOSE) > 0; }));
  EXPECT_EQ(log.back().window, main);
  EXPECT_EQ(log.back().buffer, GLX_NORMAL);
  EXPECT_EQ(log.back().event_type, Expose);
  EXPECT_EQ(log.back().x, 10);
  EXPECT_EQ(log.back().event_width, 30);

  // A key through the default translations: reason 40.
  log.clear();
  XEvent key{};
  key.xkey.type = KeyPress;
  key.xkey.display = dpy;
  key.xkey.window = main;
  key.xkey.root = DefaultRootWindow(dpy);
  key.xkey.keycode = XKeysymToKeycode(dpy, XK_a);
  key.xkey.same_screen = True;
  XSendEvent(dpy, main, False, KeyPressMask, &key);
  ASSERT_TRUE(pump_until([&] { return count_reason(GlxCR_INPUT) > 0; }));
  EXPECT_EQ(log.back().event_type, KeyPress);
  EXPECT_EQ(log.back().window, main);
  EXPECT_EQ(log.back().buffer, GLX_NORMAL);
}

TEST_F(GlxMDrawTest, ExposeSeriesRepaintsOnceWithTheUnion) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  Window main = XtWindow(w);
  pump_events();

  int repaints = 0;
  ExposeRect repainted{};
  ExposeSeries series{};
  auto repaint_cb = [](Widget, XtPointer client, XtPointer call) {
    auto *state = static_cast<std::pair<ExposeSeries *, std::pair<int *, ExposeRect *>> *>(client);
    const XExposeEvent &e = static_cast<GlxDrawCallbackStruct *>(call)->event->xexpose;
    ExposeRect area{};
    if (expose_series_add(state->first, ExposeRect{e.x, e.y, e.width, e.height}, e.count, &area)) {
      ++*state->second.first;
      *state->second.second = area;
    }
  };
  auto state = std::make_pair(&series, std::make_pair(&repaints, &repainted));
  XtAddCallback(w, GlxNexposeCallback, repaint_cb, &state);

  const int rects[3][4] = {{10, 10, 5, 5}, {40, 30, 10, 20}, {20, 60, 5, 5}};
  for (int i = 0; i < 3; ++i) {
    XEvent ev{};
    ev.xexpose.type = Expose;
    ev.xexpose.display = dpy;
    ev.xexpose.window = main;
    ev.xexpose.x = rects[i][0];
    ev.xexpose.y = rects[i][1];
    ev.xexpose.width = rects[i][2];
    ev.xexpose.height = rects[i][3];
    ev.xexpose.count = 2 - i;
    XSendEvent(dpy, main, False, ExposureMask, &ev);
  }
  ASSERT_TRUE(pump_until([&] { return repaints > 0; }));
  pump_events();
  EXPECT_EQ(repaints, 1);
  EXPECT_EQ(repainted.x, 10);
  EXPECT_EQ(repainted.y, 10);
  EXPECT_EQ(repainted.width, 40);   // 10 .. 50
  EXPECT_EQ(repainted.height, 55);  // 10 .. 65
}

TEST_F(GlxMDrawTest, SingleBufferSwitchCarriesStateAndPassesInput) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  Window main = XtWindow(w);

  ASSERT_EQ(GLXwinset(dpy, main), GLWS_NOERROR);
  mmode(KGL_MSINGLE);
  const Matrix m = {{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 1, 0}, {5, 7, 0, 1}};
  loadmatrix(m);
  lsrepeat(3);
  shademodel(1);

  // The pointer rests in the window while the single-buffered one is shown:
  // the drawing window must not see the pointer leave.
  int leaves = 0;
  XtAddEventHandler(
      w, LeaveWindowMask, False, [](Widget, XtPointer n, XEvent *, Boolean *) { ++*static_cast<int *>(n); },
      &leaves);
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  const bool xtest = XTestQueryExtension(dpy, &event_base, &error_base, &major, &minor);
  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(dpy, main, DefaultRootWindow(dpy), 50, 50, &rx, &ry, &child);
  if (xtest) XTestFakeMotionEvent(dpy, DefaultScreen(dpy), rx, ry, 0);
  pump_events();
  leaves = 0;

  XtVaSetValues(w, GlxNsingleBuffer, True, nullptr);
  pump_events();
  EXPECT_EQ(leaves, 0);
  Window alt = shown_window(w);
  ASSERT_NE(alt, main);
  Window overlay = 0;
  XtVaGetValues(w, GlxNoverlayWindow, &overlay, nullptr);
  EXPECT_NE(overlay, 0u);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  ASSERT_TRUE(XQueryTree(dpy, alt, &root, &parent, &children, &n));
  if (children) XFree(children);
  EXPECT_EQ(parent, main);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy, alt, &a));
  EXPECT_EQ(a.map_state, IsViewable);
  EXPECT_EQ(a.width, 100);

  // The state came along to the single-buffered window, which is current.
  Matrix got{};
  getmatrix(got);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(got[r][c], m[r][c]);
  EXPECT_EQ(getlsrepeat(), 3);
  EXPECT_EQ(getsm(), 1);
  EXPECT_EQ(getdisplaymode(), KGL_DMRGB);

  // Single-buffered drawing shows at once.
  pixel_space(100, 100);
  draw_test_picture();
  gflush();
  EXPECT_EQ(window_pixel(main, 5, 5), 0xFF0000ul);
  EXPECT_EQ(window_pixel(main, 30, 89), 0x00FF00ul);

  // Its exposures come to the expose callbacks, naming it.
  log.clear();
  XClearArea(dpy, alt, 0, 0, 10, 10, True);
  ASSERT_TRUE(pump_until([&] { return count_reason(GlxCR_EXPOSE) > 0; }));
  EXPECT_EQ(log.back().window, alt);
  EXPECT_EQ(log.back().buffer, GLX_NORMAL);

  // Pointer input over the shown alternate window reaches the widget.
  if (xtest) {
    log.clear();
    XTestFakeButtonEvent(dpy, 1, True, 0);
    XTestFakeButtonEvent(dpy, 1, False, 0);
    ASSERT_TRUE(pump_until([&] { return count_reason(GlxCR_INPUT) >= 2; }));
    EXPECT_EQ(log.back().event_type, ButtonRelease);
  }

  // Back to double buffering: the alternate window goes away, the matrix
  // comes along again.
  Matrix before{};
  getmatrix(before);
  XtVaSetValues(w, GlxNsingleBuffer, False, nullptr);
  EXPECT_EQ(shown_window(w), main);
  ASSERT_TRUE(XGetWindowAttributes(dpy, alt, &a));
  EXPECT_EQ(a.map_state, IsUnmapped);
  getmatrix(got);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(got[r][c], before[r][c]);
}

TEST_F(GlxMDrawTest, TheSwitchCarriesTheMatrixOfEachModeAndTheMode) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  ASSERT_EQ(GLXwinset(dpy, XtWindow(w)), GLWS_NOERROR);
  // A matrix of its own in each of projection, viewing and texture mode,
  // the texture mode left current.
  const Int16 modes[] = {KGL_MPROJECTION, KGL_MVIEWING, KGL_MTEXTURE};
  for (Int16 mode : modes) {
    mmode(mode);
    const Matrix m = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {float(mode), float(2 * mode), 0, 1}};
    loadmatrix(m);
  }

  XtVaSetValues(w, GlxNsingleBuffer, True, nullptr);
  ASSERT_NE(shown_window(w), XtWindow(w));
  EXPECT_EQ(getmmode(), KGL_MTEXTURE);
  for (Int16 mode : modes) {
    mmode(mode);
    Matrix got{};
    getmatrix(got);
    EXPECT_EQ(got[3][0], float(mode)) << "mode " << mode;
    EXPECT_EQ(got[3][1], float(2 * mode)) << "mode " << mode;
  }
}

TEST_F(GlxMDrawTest, KeepsTraversalSoItCanTakeTheFocus) {
  Widget w = make_drawing(double_rgb_overlay, true, true);
  realize(w);
  Boolean traversal = False;
  Dimension highlight = 9, shadow = 9;
  XtVaGetValues(w, XmNtraversalOn, &traversal, XmNhighlightThickness, &highlight, XmNshadowThickness, &shadow,
                nullptr);
  EXPECT_TRUE(traversal);
  EXPECT_EQ(highlight, 0);
  EXPECT_EQ(shadow, 0);
  EXPECT_TRUE(XmProcessTraversal(w, XmTRAVERSE_CURRENT));
  EXPECT_EQ(XmGetFocusWidget(w), w);
}

}  // namespace
