// Drawing through the pipe: vectors and fills reach the window where they
// belong, pclear clears, and the driver repaints from its display list after
// the window was cleared behind its back (redraw packet) and on an exposure.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00;
// View units a pixel of viewport 1.
constexpr int kScale = 40;
inline int unit(int pixel) { return kScale * pixel + kScale / 2; }

struct Drawing : ::testing::TestWithParam<Program> {
  TempDir cfg;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow area = 0;
  std::unique_ptr<Session> s;
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    s = start();
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(0x8007, 8, "drawing")));
    Packet r = s->reply();
    ASSERT_EQ(r.i16(2), 1);
    xmax = r.i16(12);
    graphy = r.i16(14);
    ysize = r.i16(38);
    ymin = ysize - 1 - r.i16(48);
    adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);

    // Viewport 1 over the whole graphics area.
    Packet open(38, 16);
    open.set_i16(2, 1);
    open.set_i16(8, xmax);
    open.set_i16(10, graphy);
    open.set_i16(12, 32765);
    open.set_i16(14, 32765);
    ASSERT_TRUE(adiclient::send_packet(s->driver, open));
    EXPECT_EQ(s->reply().opcode(), 38);
    Packet view(40, 16);
    view.set_i16(2, 1);
    view.set_i16(8, (xmax + 1) * kScale - 1);
    view.set_i16(10, (graphy + 1) * kScale - 1);
    ASSERT_TRUE(adiclient::send_packet(s->driver, view));
    EXPECT_EQ(s->reply().opcode(), 40);
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  std::unique_ptr<Session> start() {
    auto session = std::make_unique<Session>(GetParam());
    session->options.set_env = isolated_env(cfg.path);
    session->start();
    return session;
  }

  static Packet vec(int x1, int y1, int x2, int y2, int colour, int viewport = 1) {
    Packet p(5, 16);
    p.set_i16(2, x1);
    p.set_i16(4, y1);
    p.set_i16(6, x2);
    p.set_i16(8, y2);
    p.set_i16(10, colour);
    p.set_i16(14, viewport);
    return p;
  }
  // Waits for the packets before it to be done (the reply of a no-op).
  void sync() {
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
    EXPECT_EQ(s->reply().opcode(), adiclient::pnop().opcode());
  }
  // The colour the window shows at pixel (px, py) of the graphics area (y up
  // from its lower edge), waiting a little for the picture to arrive.
  std::uint32_t pixel(int px, int py, std::uint32_t hoped_for) {
    std::uint32_t rgb = 0xDEADBEEF;
    for (int tries = 0; tries < 30; ++tries) {
      if (!adiclient::read_pixel(x, area, px, ysize - 1 - (py + ymin), rgb)) return 0xDEADBEEF;
      if (rgb == hoped_for) break;
      adiclient::pump_driver(s->driver, 50);
    }
    return rgb;
  }
  void draw_picture() {
    // A red line across, and a green filled square (pfill, 4 vertices).
    Packet fill(6, 58);
    fill.set_i16(2, 3);
    fill.set_i16(6, 5);
    const int xy[] = {100, 100, 200, 100, 200, 200, 100, 200, 90, 150};
    for (int k = 0; k < 10; ++k) fill.set_i16(8 + 2 * k, unit(xy[k]));
    fill.set_i16(56, 1);
    const Packet run[] = {vec(unit(20), unit(50), unit(300), unit(50), 1), fill};
    ASSERT_TRUE(adiclient::send_message(s->driver, run));
    sync();
  }
  // The drawing area and the windows inside it (the widget's other buffer
  // and layers): what the screen shows comes from one of them.
  std::vector<Window> area_windows() {
    ::Display *d = reinterpret_cast<::Display *>(x);
    std::vector<Window> all{area};
    for (std::size_t i = 0; i < all.size(); ++i) {
      Window root = 0, parent = 0, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(d, all[i], &root, &parent, &children, &n)) continue;
      all.insert(all.end(), children, children + n);
      if (children) XFree(children);
    }
    return all;
  }
  void blacken_behind_the_drivers_back() {
    ::Display *d = reinterpret_cast<::Display *>(x);
    GC gc = XCreateGC(d, area, 0, nullptr);
    XSetForeground(d, gc, BlackPixel(d, DefaultScreen(d)));
    for (Window w : area_windows())
      XFillRectangle(d, w, gc, 0, 0, static_cast<unsigned>(xmax + 1), static_cast<unsigned>(ysize));
    XFreeGC(d, gc);
    XSync(d, False);
  }
  void expose() {
    ::Display *d = reinterpret_cast<::Display *>(x);
    for (Window w : area_windows()) XClearArea(d, w, 0, 0, 0, 0, True);
    XSync(d, False);
  }
  int predraw(int flags) {
    Packet p(24, 16);
    p.set_i16(4, flags);
    p.set_i16(6, 1);
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    Packet r = s->reply();
    EXPECT_EQ(r.opcode(), 24);
    return r.i16(2);
  }
};

TEST_P(Drawing, VectorsAndFillsAppearWhereTheyBelong) {
  draw_picture();
  EXPECT_EQ(pixel(150, 50, kRed), kRed);
  EXPECT_EQ(pixel(150, 52, kBlack), kBlack);
  EXPECT_EQ(pixel(150, 150, kGreen), kGreen);
  EXPECT_EQ(pixel(250, 150, kBlack), kBlack);
  // Viewport 0 is in pixels of the graphics area.
  ASSERT_TRUE(adiclient::send_packet(s->driver, vec(10, 300, 60, 300, 3, 0)));
  sync();
  EXPECT_EQ(pixel(30, 300, kGreen), kGreen);
}

TEST_P(Drawing, ClearEmptiesTheViewport) {
  draw_picture();
  ASSERT_EQ(pixel(150, 150, kGreen), kGreen);
  Packet clear(3, 6);
  clear.set_i16(4, 1);
  ASSERT_TRUE(adiclient::send_packet(s->driver, clear));
  Packet r = s->reply();
  EXPECT_EQ(r.opcode(), 3);
  EXPECT_EQ(r.u16(2), 0);
  EXPECT_EQ(pixel(150, 150, kBlack), kBlack);
  EXPECT_EQ(pixel(150, 50, kBlack), kBlack);
  // The display list is kept: a redraw brings the picture back.
  EXPECT_EQ(predraw(2), 1);
  EXPECT_EQ(pixel(150, 150, kGreen), kGreen);
}

TEST_P(Drawing, TheRedrawPacketRepaintsAWindowClearedBehindTheDriversBack) {
  draw_picture();
  ASSERT_EQ(pixel(150, 50, kRed), kRed);
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 50, kBlack), kBlack);
  EXPECT_EQ(predraw(2), 1);
  EXPECT_EQ(pixel(150, 50, kRed), kRed);
  EXPECT_EQ(pixel(150, 150, kGreen), kGreen);
}

TEST_P(Drawing, AnExposureRepaints) {
  draw_picture();
  ASSERT_EQ(pixel(150, 150, kGreen), kGreen);
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 150, kBlack), kBlack);
  expose();
  EXPECT_EQ(pixel(150, 150, kGreen), kGreen);
  EXPECT_EQ(pixel(150, 50, kRed), kRed);
}

INSTANTIATE_TEST_SUITE_P(Both, Drawing, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
