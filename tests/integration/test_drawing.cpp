// Drawing through the pipe: vectors and fills reach the window where they
// belong, pclear clears, and the driver repaints from its display list after
// the window was cleared behind its back (redraw packet) and on an exposure,
// whatever coordinate widths the packets mix, and nothing of a session before.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <random>
#include <vector>

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
  adiclient::XWindow top = 0, area = 0;
  std::unique_ptr<Session> s;
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    start_drawing();
  }
  // A driver with its session, window and viewport 1.
  void start_drawing() {
    s = start();
    open_session();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
    open_viewport();
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  // The session's flags: 0x8007 keeps the display list in 16-bit coordinates.
  virtual int init_flags() const { return 0x8007; }
  void open_session() {
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(init_flags(), 8, "drawing")));
    Packet r = s->reply();
    ASSERT_EQ(r.i16(2), 1);
    xmax = r.i16(12);
    graphy = r.i16(14);
    ysize = r.i16(38);
    ymin = ysize - 1 - r.i16(48);
  }
  // Viewport 1 over the whole graphics area.
  void open_viewport() {
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::popenvp(1, 0, 0, xmax, graphy)));
    EXPECT_EQ(s->reply().opcode(), 38);
    Packet view(40, 16);
    view.set_i16(2, 1);
    view.set_i16(8, (xmax + 1) * kScale - 1);
    view.set_i16(10, (graphy + 1) * kScale - 1);
    ASSERT_TRUE(adiclient::send_packet(s->driver, view));
    EXPECT_EQ(s->reply().opcode(), 40);
  }

  std::unique_ptr<Session> start() {
    auto session = std::make_unique<Session>(GetParam());
    session->options.set_env = isolated_env(cfg.path);
    session->start();
    return session;
  }

  static Packet vec(int x1, int y1, int x2, int y2, int colour, int viewport = 1, int flags = 0) {
    Packet p(5, 16);
    p.set_i16(2, x1);
    p.set_i16(4, y1);
    p.set_i16(6, x2);
    p.set_i16(8, y2);
    p.set_i16(10, colour);
    p.set_i16(12, flags);
    p.set_i16(14, viewport);
    return p;
  }
  // A horizontal line of viewport 1 across pixels 20..300 at height y, as a
  // 32-bit vector.
  static Packet bigvec(int y, int colour) {
    Packet p(96, 26);
    p.set_i16(4, colour);
    p.set_i32(8, unit(20));
    p.set_i32(12, unit(y));
    p.set_i32(16, unit(300));
    p.set_i32(20, unit(y));
    p.set_i16(24, 1);
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
    return await_pixel(s->driver, x, area, px, ysize - 1 - (py + ymin), hoped_for);
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
  void blacken_behind_the_drivers_back() { adiclient::blacken_tree(x, area, false); }
  void expose() { adiclient::expose_tree(x, area); }
  // The packets of both coordinate widths, one after another into viewport
  // 1: lines across at heights 30 to 80, a green 32-bit square over
  // 100..200 and a red 16-bit one over 220..300.
  struct Spot {
    int x, y;
    std::uint32_t colour;
  };
  static constexpr Spot kEveryWidth[] = {{150, 30, kRed},  {150, 40, kGreen}, {150, 50, kRed},    {150, 60, kRed},
                                         {150, 70, kGreen}, {150, 80, kGreen}, {150, 150, kGreen}, {260, 150, kRed}};
  void draw_every_width() {
    Packet batch(97, 8 + 2 * 24);
    batch.set_i16(4, 2);
    for (int k = 0; k < 2; ++k) {
      const Packet line = bigvec(60 + 10 * k, 1 + 2 * k);
      const std::size_t r = 8 + 24 * static_cast<std::size_t>(k);
      batch.set_i16(r, 1 + 2 * k);
      for (int w = 0; w < 4; ++w) batch.set_i32(r + 4 + 4 * w, line.i32(8 + 4 * w));
      batch.set_i16(r + 20, 1);
    }
    const int square[] = {100, 100, 200, 100, 200, 200, 100, 200, 90, 150};
    Packet bfill(101, 106);
    bfill.set_i16(2, 3);
    bfill.set_i16(6, 5);
    for (int k = 0; k < 10; ++k) bfill.set_i32(8 + 4 * k, unit(square[k]));
    bfill.set_i16(104, 1);
    Packet fill(6, 58);
    fill.set_i16(2, 1);
    fill.set_i16(6, 5);
    for (int k = 0; k < 10; ++k) fill.set_i16(8 + 2 * k, unit(square[k] + (k % 2 ? 0 : 120)));
    fill.set_i16(56, 1);
    const Packet run[] = {vec(unit(20), unit(30), unit(300), unit(30), 1), bigvec(40, 3),
                          vec(unit(20), unit(50), unit(300), unit(50), 1), batch,
                          bfill, fill, vec(unit(20), unit(80), unit(300), unit(80), 3)};
    ASSERT_TRUE(adiclient::send_message(s->driver, run));
    sync();
  }
  // Draws them, clears the viewport and redraws it: everything comes back.
  void every_width_comes_back() {
    draw_every_width();
    for (const Spot &p : kEveryWidth) ASSERT_EQ(pixel(p.x, p.y, p.colour), p.colour) << p.x << "," << p.y;
    clear_viewport();
    for (const Spot &p : kEveryWidth) ASSERT_EQ(pixel(p.x, p.y, kBlack), kBlack) << p.x << "," << p.y;
    EXPECT_EQ(predraw(2), 1);
    for (const Spot &p : kEveryWidth) EXPECT_EQ(pixel(p.x, p.y, p.colour), p.colour) << p.x << "," << p.y;
  }
  void clear_viewport() {
    Packet clear(3, 6);
    clear.set_i16(4, 1);
    ASSERT_TRUE(adiclient::send_packet(s->driver, clear));
    Packet r = s->reply();
    EXPECT_EQ(r.opcode(), 3);
    EXPECT_EQ(r.u16(2), 0);
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
  clear_viewport();
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

TEST_P(Drawing, ARedrawInTimeSlicesWaitsWhileTheWindowIsIconified) {
  draw_picture();
  ASSERT_EQ(pixel(150, 50, kRed), kRed);
  // Unmapped, as iconifying does: each slice of a redraw in time slices
  // (flag 4, none started whole before) is answered "not done, send again".
  XUnmapWindow(x, top);
  XSync(x, False);
  EXPECT_EQ(predraw(4), 2);
  EXPECT_EQ(predraw(4), 2);
  XMapWindow(x, top);
  XSync(x, False);
  EXPECT_TRUE(wait_until(s->driver, [&] { return predraw(4) == 1; }));
  EXPECT_EQ(pixel(150, 50, kRed), kRed);
}

TEST_P(Drawing, ASixteenBitListKeepsThirtyTwoBitPacketsToo) { every_width_comes_back(); }

TEST_P(Drawing, AMarkedVectorOfTheGraphicsAreaHoldsOffExposuresOnlyUntilTheNextRedraw) {
  draw_picture();
  ASSERT_TRUE(adiclient::send_packet(s->driver, vec(10, 300, 60, 300, 3, 0, 0x4000)));
  sync();
  ASSERT_EQ(pixel(35, 300, kGreen), kGreen);
  ASSERT_EQ(pixel(150, 150, kGreen), kGreen);
  // Blackened first, so that the picture coming back shows the redraw has
  // reached the screen before the window is blackened again under it.
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 150, kBlack), kBlack);
  EXPECT_EQ(predraw(2), 1);
  ASSERT_EQ(pixel(150, 150, kGreen), kGreen);
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 150, kBlack), kBlack);
  expose();
  EXPECT_EQ(pixel(150, 150, kGreen), kGreen);
  EXPECT_EQ(pixel(150, 50, kRed), kRed);
}

TEST_P(Drawing, ANewSessionRepaintsNothingOfTheSessionBefore) {
  draw_picture();
  ASSERT_EQ(pixel(150, 150, kGreen), kGreen);
  // The session ends with its viewport open and a new one begins.
  Packet term(2, 4);
  ASSERT_TRUE(adiclient::send_packet(s->driver, term));
  EXPECT_EQ(s->reply().opcode(), 2);
  open_session();
  open_viewport();
  ASSERT_TRUE(adiclient::send_packet(s->driver, vec(unit(20), unit(250), unit(300), unit(250), 3)));
  // Once what the driver drew after the redraw (or the exposure) shows, the
  // picture before it is there too: nothing of the old drawing.
  auto expect_only_the_new_drawing = [&] {
    ASSERT_EQ(pixel(150, 250, kGreen), kGreen);
    EXPECT_EQ(pixel(150, 150, kBlack), kBlack);
    EXPECT_EQ(pixel(150, 50, kBlack), kBlack);
  };
  // Each repaint comes onto a window blackened first, so what shows is its own.
  sync();
  ASSERT_EQ(pixel(150, 250, kGreen), kGreen);
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 250, kBlack), kBlack);
  EXPECT_EQ(predraw(2), 1);
  expect_only_the_new_drawing();
  blacken_behind_the_drivers_back();
  ASSERT_EQ(pixel(150, 250, kBlack), kBlack);
  expose();
  expect_only_the_new_drawing();
}

// A message of many vectors, which the driver runs together, draws and keeps
// (the picture after a redraw) what the vectors one to a message do.
TEST_P(Drawing, AMessageOfVectorsDrawsAndKeepsWhatTheVectorsOneByOneDo) {
  std::mt19937 rng(17);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<Packet> message;
  int x1 = unit(100), y1 = unit(100);
  for (int i = 0; i < 300; ++i) {
    // Polylines in a few colours; now and then a highlighted or colour-0
    // vector, one of viewport 0, or a new start.
    const int x2 = std::clamp(x1 + pick(-2000, 2000), 0, unit(xmax));
    const int y2 = std::clamp(y1 + pick(-2000, 2000), 0, unit(graphy));
    const int kind = pick(0, 19);
    message.push_back(kind == 0   ? vec(x1, y1, x2, y2, 2, 1, 1)
                      : kind == 1 ? vec(x1, y1, x2, y2, 0)
                      : kind == 2 ? vec(x1 / kScale, y1 / kScale, x2 / kScale, y2 / kScale, 3, 0)
                                  : vec(x1, y1, x2, y2, 1 + i / 40 % 3));
    x1 = kind == 3 ? unit(pick(0, xmax)) : x2;
    y1 = kind == 3 ? unit(pick(0, graphy)) : y2;
  }
  // Last, in a colour of its own: once it shows, everything before it does.
  message.push_back(vec(unit(5), unit(5), unit(5), unit(9), 4));
  auto picture = [&] {
    EXPECT_EQ(pixel(5, 7, 0x00FFFF), 0x00FFFFu);
    adiclient::Image image;
    EXPECT_TRUE(adiclient::grab_window(x, area, image));
    return image.rgb;
  };
  auto redrawn = [&] {
    clear_viewport();
    EXPECT_EQ(pixel(5, 7, kBlack), kBlack);
    EXPECT_EQ(predraw(2), 1);
    return picture();
  };
  ASSERT_TRUE(adiclient::send_message(s->driver, message));
  const auto together = picture(), together_redrawn = redrawn();
  s.reset();
  start_drawing();
  for (const Packet &p : message) ASSERT_TRUE(adiclient::send_packet(s->driver, p));
  EXPECT_TRUE(picture() == together);
  EXPECT_TRUE(redrawn() == together_redrawn);
}

INSTANTIATE_TEST_SUITE_P(Both, Drawing, ::testing::ValuesIn(kPrograms), program_name);

// A session whose display list holds 32-bit coordinates.
struct Drawing32 : Drawing {
  int init_flags() const override { return 0x8087; }
};

TEST_P(Drawing32, AThirtyTwoBitListKeepsSixteenBitPacketsToo) { every_width_comes_back(); }

INSTANTIATE_TEST_SUITE_P(Both, Drawing32, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
