// The graphics window's services on a real X server: the application
// resources, the size lock, the fixed font read from the resources, window
// geometry and the overlay-visual property. Skipped without a display.
#include <gtest/gtest.h>

#include <X11/Shell.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>

#include "adi/main_loop.h"
#include "ui/context.h"
#include "ui/graph_window.h"

namespace {

char home[] = "/tmp/kova_uitest_XXXXXX";  // an empty home directory

class GraphShell : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char *name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return;
    // Only the resources the cases put in: none from the user's files.
    if (mkdtemp(home) != nullptr) setenv("HOME", home, 1);
    unsetenv("XENVIRONMENT");
    XtToolkitInitialize();
    context = XtCreateApplicationContext();
    int argc = 0;
    display = XtOpenDisplay(context, nullptr, "uitest", "UiTest", nullptr, 0, &argc, nullptr);
  }

  static void TearDownTestSuite() {
    if (home[0] != '\0') rmdir(home);
  }

  void SetUp() override {
    if (display == nullptr) GTEST_SKIP() << "no X display";
    screen = DefaultScreen(display);
    graph_max_width = 1000;
    graph_max_height = 900;
    graph_frame = XtVaAppCreateShell("AutoCAD-Graph", "Root", topLevelShellWidgetClass, display, XmNwidth, 300,
                                     XmNheight, 200, XmNminWidth, 120, XmNminHeight, 80, XmNmappedWhenManaged,
                                     False, nullptr);
    XtRealizeWidget(graph_frame);
    XSync(display, False);
  }
  void TearDown() override {
    if (graph_frame == nullptr) return;
    lock_graph_win(0);
    XtDestroyWidget(graph_frame);
    graph_frame = nullptr;
    XSync(display, False);
  }

  XSizeHints hints() {
    XSizeHints h{};
    long supplied = 0;
    EXPECT_TRUE(XGetWMNormalHints(display, XtWindow(graph_frame), &h, &supplied));
    return h;
  }
};

TEST_F(GraphShell, TheLockHoldsThePresentSizeAndTheUnlockGivesTheOldHintsBack) {
  XSizeHints before = hints();
  ASSERT_TRUE(before.flags & PMinSize);
  EXPECT_EQ(before.min_width, 120);

  lock_graph_win(1);
  XSizeHints locked = hints();
  EXPECT_TRUE((locked.flags & (PMinSize | PMaxSize)) == (PMinSize | PMaxSize));
  EXPECT_EQ(locked.min_width, 300);
  EXPECT_EQ(locked.max_width, 300);
  EXPECT_EQ(locked.min_height, 200);
  EXPECT_EQ(locked.max_height, 200);

  // A second lock in a row neither saves the locked hints nor changes them.
  XtVaSetValues(graph_frame, XmNwidth, 310, nullptr);
  XSync(display, False);
  lock_graph_win(1);
  EXPECT_EQ(hints().max_width, locked.max_width);

  lock_graph_win(0);
  XSizeHints after = hints();
  EXPECT_EQ(after.min_width, 120);
  EXPECT_EQ(after.min_height, 80);
  EXPECT_TRUE(after.flags & PMaxSize);
  EXPECT_EQ(after.max_width, 1000);
  EXPECT_EQ(after.max_height, 900);
  // A second unlock in a row changes nothing either.
  lock_graph_win(0);
  EXPECT_EQ(hints().min_width, 120);
}

TEST_F(GraphShell, GammaIsTheCurrentGammaUnlessAResourceGivesIt) {
  const float saved = Gamma;
  Gamma = 0.45f;
  read_graph_resources(graph_frame);
  EXPECT_EQ(graphres.gamma, 0.45f);
  EXPECT_EQ(Gamma, 0.45f);

  XrmDatabase db = XtDatabase(display);
  XrmPutLineResource(&db, "AutoCAD-Graph.gamma: 2.5");
  read_graph_resources(graph_frame);
  EXPECT_EQ(Gamma, 2.5f);
  Gamma = saved;
}

TEST_F(GraphShell, TheFixedFontIsTheFirstEntryWithEqualWAndL) {
  XrmDatabase db = XtDatabase(display);
  // "variable" is proportional, the first name does not exist.
  XrmPutLineResource(&db, "AutoCAD-Probe.fontlist: no-such-font=a, variable, 9x15=b");
  XFontStruct *font = get_widget_fixed_font("Probe", display);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->max_bounds.width, 9);
  EXPECT_EQ(font->ascent + font->descent, 15);

  // Without "fontlist" the text widgets' font list is read.
  XrmPutLineResource(&db, "AutoCAD-Other*fontList: 10x20");
  font = get_widget_fixed_font("Other", display);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->max_bounds.width, 10);

  // Nothing usable: "fixed" at the end.
  XrmPutLineResource(&db, "AutoCAD-None.fontlist: variable");
  font = get_widget_fixed_font("None", display);
  ASSERT_NE(font, nullptr);
  XFontStruct *fixed = XLoadQueryFont(display, "fixed");
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(font->max_bounds.width, fixed->max_bounds.width);
  XFreeFont(display, fixed);
}

TEST_F(GraphShell, TheWindowSizeAndFramePositionOfATopLevelWindow) {
  XtVaSetValues(graph_frame, XmNmappedWhenManaged, True, nullptr);
  XMoveWindow(display, XtWindow(graph_frame), 40, 30);
  XSync(display, False);
  int x = -1, y = -1, w = 0, h = 0;
  ASSERT_TRUE(get_win_size(display, XtWindow(graph_frame), &x, &y, &w, &h));
  EXPECT_EQ(w, 300);
  EXPECT_EQ(h, 200);
  EXPECT_EQ(x, 40);
  EXPECT_EQ(y, 30);
  EXPECT_FALSE(get_win_size(display, 0, &x, &y, &w, &h));
}

TEST_F(GraphShell, LayerVisualsComeFromTheServerOverlayProperty) {
  Window root = RootWindow(display, screen);
  Atom property = XInternAtom(display, "SERVER_OVERLAY_VISUALS", False);
  XVisualInfo tmpl{};
  tmpl.screen = screen;
  int n = 0;
  XVisualInfo *all = XGetVisualInfo(display, VisualScreenMask, &tmpl, &n);
  ASSERT_NE(all, nullptr);
  ASSERT_GE(n, 2);
  VisualID overlay = all[1].visualid;
  XFree(all);

  // One overlay visual with a transparent pixel 0 in layer 1.
  long words[4] = {static_cast<long>(overlay), 1, 0, 1};
  XChangeProperty(display, root, property, property, 32, PropModeReplace, reinterpret_cast<unsigned char *>(words),
                  4);
  XSync(display, False);

  XLayerVisualInfo want{};
  want.vinfo.screen = screen;
  want.layer = 1;
  want.type = 1;
  int count = 0;
  XLayerVisualInfo *list =
      XGetLayerVisualInfo(display, VisualScreenMask | VisualLayerMask | VisualTransparentType, &want, &count);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(list[0].vinfo.visualid, overlay);
  EXPECT_EQ(list[0].value, 0u);
  std::free(list);

  // Every other visual is in layer 0.
  want.layer = 0;
  list = XGetLayerVisualInfo(display, VisualScreenMask | VisualLayerMask, &want, &count);
  EXPECT_EQ(count, n - 1);
  for (int i = 0; i < count; ++i) EXPECT_NE(list[i].vinfo.visualid, overlay);
  std::free(list);

  XDeleteProperty(display, root, property);
  XSync(display, False);
  want.layer = 1;
  EXPECT_EQ(XGetLayerVisualInfo(display, VisualScreenMask | VisualLayerMask, &want, &count), nullptr);
  EXPECT_EQ(count, 0);
}

}  // namespace
