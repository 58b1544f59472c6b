// Saved boxes through the real programs: the screen under a box comes back
// when the box is popped, read back from the drawing window.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdint>
#include <filesystem>

#include "driver_session.h"

using adiclient::Packet;

namespace {

struct Blits : ::testing::TestWithParam<Program> {
  std::string cfg;  // the configuration file goes here, not into the working directory
  std::unique_ptr<Session> s;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow area = 0;
  int xs = 0, ys = 0, cx = 0, cy = 0;

  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
    char tmpl[] = "/tmp/kova-blits-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    cfg = tmpl;
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = {"ACADTEXTDISPLAY=.", "ACADCFG=" + cfg, "USER=tester", "ACAD=" + cfg};
    s->start();
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit()));
    Packet r = s->reply();
    ASSERT_EQ(r.i16(2), 1);
    xs = r.i16(36);
    ys = r.i16(38);
    // The boxes go round a quarter of the window, away from the cursor drawn
    // at its centre.
    ASSERT_GT(xs, 400);
    ASSERT_GT(ys, 400);
    cx = xs / 4;
    cy = ys / 4;
    std::string err;
    x = adiclient::open_display(err);
    ASSERT_NE(x, nullptr) << err;
    adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
  }
  void TearDown() override {
    if (x) adiclient::close_display(x);
    s.reset();
    if (!cfg.empty()) std::filesystem::remove_all(cfg);
  }

  // Sends a packet without a reply, then a pnop, whose reply says it is done.
  void send(const Packet &p) {
    ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
    s->reply();
  }
  void boxclr(int x1, int y1, int x2, int y2, int colour) {
    Packet p(27, 12);
    p.set_i16(2, x1), p.set_i16(4, y1), p.set_i16(6, x2), p.set_i16(8, y2), p.set_i16(10, colour);
    send(p);
  }
  // Draws a mark beside the boxes and waits for it: everything sent before
  // is on the screen then.
  void settle() {
    boxclr(cx + 100, cy + 100, cx + 104, cy + 104, 4);
    ASSERT_EQ(wait_pixel(cx + 102, cy + 102, 0x00FFFF), 0x00FFFFu);
    boxclr(cx + 100, cy + 100, cx + 104, cy + 104, 0);
  }
  // Waits for the window to show rgb at (px, py); answers what it showed last.
  std::uint32_t wait_pixel(int px, int py, std::uint32_t rgb) {
    std::uint32_t got = 0;
    for (int tries = 0; tries < 50; ++tries) {
      EXPECT_TRUE(adiclient::read_pixel(x, area, px, py, got));
      if (got == rgb) break;
      adiclient::pump_driver(s->driver, 100);
    }
    return got;
  }
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

TEST_P(Blits, APoppedBoxGivesBackTheScreenUnderIt) {
  boxclr(cx - 80, cy - 80, cx + 80, cy + 80, 1);
  ASSERT_EQ(wait_pixel(cx, cy, kRed), kRed);

  Packet push(29, 16);
  push.set_i16(4, cx - 40), push.set_i16(6, cy - 30), push.set_i16(8, cx + 40), push.set_i16(10, cy + 30);
  ASSERT_TRUE(adiclient::send_packet(s->driver, push));
  Packet reply = s->reply();
  EXPECT_EQ(reply.i16(2), 61);
  const std::uint32_t handle = reply.u32(12);
  EXPECT_NE(handle, 0u);

  boxclr(cx - 40, cy - 30, cx + 40, cy + 30, 3);
  EXPECT_EQ(wait_pixel(cx, cy, kGreen), kGreen);
  EXPECT_EQ(wait_pixel(cx + 38, cy + 28, kGreen), kGreen);

  Packet pop(30, 16);
  pop.set_u32(12, handle);
  send(pop);
  EXPECT_EQ(wait_pixel(cx, cy, kRed), kRed);
  EXPECT_EQ(wait_pixel(cx - 38, cy - 28, kRed), kRed);
  EXPECT_EQ(wait_pixel(cx + 38, cy + 28, kRed), kRed);

  // Popped once: the handle no longer restores anything.
  boxclr(cx - 10, cy - 10, cx + 10, cy + 10, 5);
  send(pop);
  settle();
  std::uint32_t rgb = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, cx, cy, rgb));
  EXPECT_EQ(rgb, kBlue);
}

INSTANTIATE_TEST_SUITE_P(Both, Blits, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
