// Rendering-context switching, the drawing widget's driver callbacks, window
// titles and the close handler.
// GoogleTest first: X headers define names (None, Bool) it uses.
#include <gtest/gtest.h>

#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <Xm/Xm.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "GlxDraw/GlxMDraw.h"
#include "adi/main_loop.h"
#include "adi/session.h"
#include "base/channel.h"
#include "base/events.h"
#include "dialogs/dialog_packets.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/glx.h"
#include "ui/context.h"
#include "ui/graph_window.h"
#include "ui/text_window.h"
#include "x_session.h"

namespace {

TEST(ExposeSeriesTest, RepaintsTheUnionOnceOnTheLastEvent) {
  ExposeSeries series{};
  ExposeRect area{-1, -1, -1, -1};
  EXPECT_FALSE(expose_series_add(&series, {10, 10, 5, 5}, 2, &area));
  EXPECT_FALSE(expose_series_add(&series, {40, 30, 10, 20}, 1, &area));
  EXPECT_EQ(area.x, -1);  // nothing given before the end
  ASSERT_TRUE(expose_series_add(&series, {20, 60, 5, 5}, 0, &area));
  EXPECT_EQ(area.x, 10);
  EXPECT_EQ(area.y, 10);
  EXPECT_EQ(area.width, 40);
  EXPECT_EQ(area.height, 55);

  // The next series starts afresh; a lone event is its own series.
  ASSERT_TRUE(expose_series_add(&series, {3, 4, 7, 8}, 0, &area));
  EXPECT_EQ(area.x, 3);
  EXPECT_EQ(area.y, 4);
  EXPECT_EQ(area.width, 7);
  EXPECT_EQ(area.height, 8);
}

TEST(ExposeSeriesTest, EmptyRectanglesAddNothingAndEdgesDoNotOverflow) {
  ExposeSeries series{};
  ExposeRect area{};
  EXPECT_FALSE(expose_series_add(&series, {0, 0, 0, 0}, 1, &area));
  ASSERT_TRUE(expose_series_add(&series, {5, 6, 1, 1}, 0, &area));
  EXPECT_EQ(area.x, 5);
  EXPECT_EQ(area.width, 1);

  ASSERT_TRUE(expose_series_add(&series, {0, 0, 0, 5}, 0, &area));
  EXPECT_EQ(area.width, 0);
  EXPECT_EQ(area.height, 0);

  ASSERT_TRUE(expose_series_add(&series, {INT_MAX - 1, 0, INT_MAX, 1}, 0, &area));
  EXPECT_EQ(area.x, INT_MAX - 1);
  EXPECT_EQ(area.width, 1);
}

// The driver's graphics window, reduced to a shell and the drawing widget
// with the driver's callbacks attached.
class GraphWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = x_session();
    if (session == nullptr) GTEST_SKIP() << "no X display";
    display = session->dpy;
    txtdisp = nullptr;
    use_pups = 0;
    ovr_cmap = 0;
    std::strcpy(gfx_window.title, "AutoCAD: KovaGL Graphics");
    graph_frame = make_test_shell("AutoCAD-Graph");
    static GLXconfig conf[] = {
        {GLX_NORMAL, GLX_RGB, 1}, {GLX_NORMAL, GLX_DOUBLE, 1}, {GLX_OVERLAY, 4, 2}, {0, 0, 0}};
    Arg args[3];
    Cardinal n = 0;
    XtSetArg(args[n], GlxNglxConfig, conf), ++n;
    XtSetArg(args[n], GlxNuseOverlay, True), ++n;
    XtSetArg(args[n], GlxNprovideSingleBuffer, True), ++n;
    graph_pw = GlxCreateMDraw(graph_frame, "Drawing", args, n);
    graph_mainw = graph_pw;
    XtManageChild(graph_pw);
    attach_graph_callbacks(graph_pw);
  }
  void TearDown() override {
    if (graph_frame != nullptr) {
      XtDestroyWidget(graph_frame);
      pump_events();
    }
    graph_frame = graph_pw = graph_mainw = nullptr;
    graph_window = 0;
    system_cursor = 0;
    init_called = 0;
    graph_win_resized = 0;
    busy_with_dialog = 0;
  }

  void realize() {
    XtRealizeWidget(graph_frame);
    ASSERT_TRUE(pump_until([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(display, XtWindow(graph_pw), &a) && a.map_state == IsViewable;
    }));
  }

  XSession *session = nullptr;
};

TEST_F(GraphWindowTest, DrawingWidgetTakesNoOwnInput) {
  realize();
  // The widget's own translations are gone: a key that reaches the widget
  // reaches no inputCallback.
  int inputs = 0, keys = 0;
  XtAddCallback(
      graph_pw, GlxNinputCallback, [](Widget, XtPointer n, XtPointer) { ++*static_cast<int *>(n); }, &inputs);
  XtAddEventHandler(
      graph_pw, KeyPressMask, False, [](Widget, XtPointer n, XEvent *, Boolean *) { ++*static_cast<int *>(n); },
      &keys);
  XEvent key{};
  key.xkey.type = KeyPress;
  key.xkey.display = display;
  key.xkey.window = XtWindow(graph_pw);
  key.xkey.keycode = XKeysymToKeycode(display, XK_a);
  key.xkey.same_screen = True;
  XSendEvent(display, XtWindow(graph_pw), False, KeyPressMask, &key);
  ASSERT_TRUE(pump_until([&] { return keys == 1; }));
  EXPECT_EQ(inputs, 0);
}

TEST_F(GraphWindowTest, TheModeCursorIsTheGraphicsCursorUnlessTheSystemCursorIsAsked) {
  realize();
  int event_base = 0, error_base = 0;
  if (!XFixesQueryExtension(display, &event_base, &error_base)) GTEST_SKIP() << "no XFIXES";
  // Named cursors, so that the one shown under the pointer can be told apart.
  auto named = [&](unsigned shape, const char *name) {
    Cursor c = XCreateFontCursor(display, shape);
    XFixesSetCursorName(display, c, name);
    return c;
  };
  const Cursor saved_graph = graphmode_cursor, saved_info = infomode_cursor;
  graphmode_cursor = named(XC_crosshair, "graphics");
  infomode_cursor = named(XC_pirate, "information");
  const Cursor parent = named(XC_left_ptr, "parent");
  XDefineCursor(display, XtWindow(graph_frame), parent);
  graph_window = XtWindow(graph_pw);
  XWarpPointer(display, None, graph_window, 0, 0, 0, 0, 50, 50);
  auto shown = [&] {
    XSync(display, False);
    XFixesCursorImage *image = XFixesGetCursorImage(display);
    std::string name = image != nullptr && image->name != nullptr ? image->name : "";
    if (image != nullptr) XFree(image);
    return name;
  };

  // Whatever mode the client names.
  for (int system : {0, 1}) {
    system_cursor = system;
    for (int mole : {1, 0}) {
      graph_cursor(3);
      ASSERT_EQ(shown(), "information");
      dx_mole_cursor(mole);
      EXPECT_EQ(shown(), system ? "parent" : "graphics") << "system " << system << ", mole " << mole;
    }
  }

  for (Cursor c : {graphmode_cursor, infomode_cursor, parent}) XFreeCursor(display, c);
  graphmode_cursor = saved_graph;
  infomode_cursor = saved_info;
}

TEST_F(GraphWindowTest, TargetsFollowTheShownWindows) {
  realize();
  // ginit left the normal planes of the drawing window current.
  EXPECT_EQ(getdrawmode(), KGL_NORMALDRAW);
  EXPECT_EQ(CurrentMatrixNumber, -1);

  CurrentMatrixNumber = 5;
  set_ovr_window();
  EXPECT_EQ(getdrawmode(), KGL_OVERDRAW);
  EXPECT_EQ(CurrentMatrixNumber, -1);
  Window overlay = 0;
  XtVaGetValues(graph_pw, GlxNoverlayWindow, &overlay, nullptr);
  EXPECT_EQ(overlayWindow(graph_pw), overlay);

  // Single buffering: drawing goes to the single-buffered window, shown.
  CurrentMatrixNumber = 5;
  GLX_singlebuffer();
  EXPECT_EQ(CurrentMatrixNumber, -1);
  set_gfx_window();
  EXPECT_EQ(getdrawmode(), KGL_NORMALDRAW);
  EXPECT_EQ(getbuffer(), 2);  // a single-buffered context draws the front
  viewport(0, 99, 0, 99);
  mmode(KGL_MSINGLE);
  ortho2(-0.5f, 99.5f, -0.5f, 99.5f);
  cpack(0x00FF0000);  // blue
  clear();
  gflush();
  EXPECT_EQ(window_pixel(XtWindow(graph_pw), 50, 50), 0x0000FFul);

  GLX_doublebuffer();
  set_gfx_window();
  EXPECT_EQ(getbuffer() & 1, 1);  // the double-buffered window again
}

TEST_F(GraphWindowTest, OverlayExposeClearsTheWholeOverlay) {
  realize();
  Window overlay = overlayWindow(graph_pw);
  GlxDrawCallbackStruct cb{GlxCR_EXPOSE, nullptr, overlay, GLX_OVERLAY, 0, 0};
  overlay_expose_cb(graph_pw, nullptr, &cb);
  Int32 left = -1, right = -1, bottom = -1, top = -1;
  getviewport(&left, &right, &bottom, &top);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, 99);
  EXPECT_EQ(bottom, 0);
  EXPECT_EQ(top, 99);
  EXPECT_EQ(CurrentMatrixNumber, -1);
}

TEST_F(GraphWindowTest, ExposeAfterResizeDropsKeptPictures) {
  realize();
  XEvent ev{};
  ev.xexpose.type = Expose;
  ev.xexpose.width = ev.xexpose.height = 10;
  GlxDrawCallbackStruct cb{GlxCR_EXPOSE, &ev, XtWindow(graph_pw), GLX_NORMAL, 100, 100};

  // Before initialisation only the flag goes.
  graph_win_resized = 1;
  init_called = 0;
  graph_resize_cb(graph_pw, nullptr, &cb);
  EXPECT_EQ(graph_win_resized, 0);

  // After it, the Birdseye viewport is forgotten with the lists.
  vp_info[3].number = 5;
  BirdseyeViewport = 5;
  graph_win_resized = 1;
  init_called = 1;
  graph_resize_cb(graph_pw, nullptr, &cb);
  EXPECT_EQ(graph_win_resized, 0);
  EXPECT_EQ(BirdseyeViewport, -1);
  vp_info[3].number = -1;

  // A plain series is held until its last event.
  ev.xexpose.count = 1;
  graph_resize_cb(graph_pw, nullptr, &cb);
  EXPECT_TRUE(graph_expose_series.open);
  ev.xexpose.count = 0;
  graph_resize_cb(graph_pw, nullptr, &cb);
  EXPECT_FALSE(graph_expose_series.open);
}

TEST_F(GraphWindowTest, DxNameSetsTitlesAndIconNames) {
  realize();
  auto title_and_icon = [&] {
    char *title = nullptr, *icon = nullptr;
    XtVaGetValues(graph_frame, XmNtitle, &title, XmNiconName, &icon, nullptr);
    return std::make_pair(std::string(title ? title : ""), std::string(icon ? icon : ""));
  };
  dx_name("/a/b/drw");
  auto [title, icon] = title_and_icon();
  EXPECT_EQ(title, "AutoCAD: KovaGL Graphics -- /a/b/drw");
  EXPECT_EQ(icon, "drw");
  pump_events();
  char *wm_name = nullptr;
  ASSERT_TRUE(XFetchName(display, XtWindow(graph_frame), &wm_name));
  EXPECT_STREQ(wm_name, "AutoCAD: KovaGL Graphics -- /a/b/drw");
  XFree(wm_name);
  char *wm_icon = nullptr;
  ASSERT_TRUE(XGetIconName(display, XtWindow(graph_frame), &wm_icon));
  EXPECT_STREQ(wm_icon, "drw");
  XFree(wm_icon);

  dx_name("plain");
  std::tie(title, icon) = title_and_icon();
  EXPECT_EQ(title, "AutoCAD: KovaGL Graphics -- plain");
  EXPECT_EQ(icon, "plain");
  dx_name("");
  std::tie(title, icon) = title_and_icon();
  EXPECT_EQ(title, "AutoCAD: KovaGL Graphics");
}

TEST_F(GraphWindowTest, WidgetColoursComeFromTheirResources) {
  XColor red{};
  XColor exact{};
  Colormap cmap = DefaultColormapOfScreen(XtScreen(graph_frame));
  ASSERT_TRUE(XAllocNamedColor(display, cmap, "red", &red, &exact));
  XtVaSetValues(graph_pw, XmNbackground, red.pixel, XmNforeground, red.pixel, nullptr);
  XColor got{};
  get_dwg_bgcolor(&got);
  EXPECT_EQ(got.red, 0xFFFF);
  EXPECT_EQ(got.green, 0);
  get_window_fgcolor(&got);  // graph_mainw is the drawing widget here
  EXPECT_EQ(got.red, 0xFFFF);
}

TEST_F(GraphWindowTest, CloseSendsQuitOnlyWithoutADialog) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  PacketClient *saved = event_client;
  event_client = init_pkt(-1, fds[1], -1, -1, -1);
  ASSERT_NE(event_client, nullptr);
  auto drain = [&] {
    std::string bytes;
    XSync(display, False);
    char buffer[4096];
    for (;;) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(fds[0], &set);
      timeval zero{0, 0};
      if (select(fds[0] + 1, &set, nullptr, nullptr, &zero) <= 0) break;
      ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
  };

  queue_key('a');
  const std::size_t one_event = drain().size();
  ASSERT_GT(one_event, 0u);

  init_called = 1;
  busy_with_dialog = 1;
  no_destroy();
  EXPECT_EQ(drain().size(), 0u);

  busy_with_dialog = 0;
  init_called = 0;
  no_destroy();
  EXPECT_EQ(drain().size(), 0u);

  // Three Ctrl-C and "_QUIT " with its prefix key: ten events.
  init_called = 1;
  no_destroy();
  EXPECT_EQ(drain().size(), 10 * one_event);

  close(fds[0]);
  close(fds[1]);
  delete event_client;
  event_client = saved;
}

}  // namespace
