// Keys, buttons and resizes of the graphics window reaching the client.
#include <gtest/gtest.h>

#include <chrono>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Event;
using adiclient::Packet;

namespace {

struct Input : ::testing::TestWithParam<Program> {
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0;
  std::unique_ptr<Session> s;
  TempDir cfg;

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    s = std::make_unique<Session>(GetParam());
    // Text on stdout: no text window, whose size report would come first.
    s->options.set_env = isolated_env(cfg.path);
    s->start();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  // The next event, skipping pointer motion reports unless asked for.
  Event next(bool skip_coords = true, int timeout = 10000) {
    for (;;) {
      Packet p;
      Event e;
      if (adiclient::read_event(s->driver, timeout, p) != adiclient::Got::packet) {
        ADD_FAILURE() << "no event";
        return Event{-1};
      }
      EXPECT_TRUE(adiclient::decode_event(p.bytes, e));
      if (skip_coords && (e.type == adiclient::ev_coord || e.type == adiclient::ev_leave)) continue;
      return e;
    }
  }

  // Reads position reports until one at (px, py) comes.
  void coord_at(int px, int py) {
    Event e = next(false);
    while (e.type == adiclient::ev_coord && (e.x != px || e.y != py)) e = next(false);
    EXPECT_EQ(e.type, adiclient::ev_coord);
  }

  void key(const char *sym, bool control = false) {
    std::string err;
    ASSERT_TRUE(adiclient::type_key(x, top, sym, false, control, err)) << err;
  }
};

TEST_P(Input, KeysArriveAsKeyEvents) {
  ASSERT_TRUE(adiclient::move_pointer(x, area, 50, 50));
  key("a");
  Event e = next();
  EXPECT_EQ(e.type, adiclient::ev_key);
  EXPECT_EQ(e.key, unsigned{'a'});
  key("F1");
  EXPECT_EQ(next().key, 0x1001u);
  key("Up");  // remembered, not sent
  key("F10"); // sends nothing
  key("Delete");
  EXPECT_EQ(next().key, 0x100bu);
}

TEST_P(Input, CtrlSPausesPacketsUntilTheNextKey) {
  s->open_session();
  ASSERT_TRUE(adiclient::move_pointer(x, area, 40, 40));
  key("s", true);
  // The driver handles window events in order: once the move after the
  // Ctrl-S is reported, the pause has taken hold.
  ASSERT_TRUE(adiclient::move_pointer(x, area, 45, 47));
  coord_at(45, 47);
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  EXPECT_TRUE(adiclient::no_reply_within(s->driver, 400));
  key("b");  // resumes and is not sent
  EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
  key("c");
  Event e = next();
  EXPECT_EQ(e.type, adiclient::ev_key);
  EXPECT_EQ(e.key, unsigned{'c'});
}

TEST_P(Input, PointerMovesAndPicksOnceASessionIsOpen) {
  s->open_session();
  ASSERT_TRUE(adiclient::move_pointer(x, area, 60, 70));
  coord_at(60, 70);
  ASSERT_TRUE(adiclient::click(x, area, 60, 70, 1));
  Event e = next();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 0u);
  EXPECT_EQ(e.x, 60);
  EXPECT_EQ(e.y, 70);
  ASSERT_TRUE(adiclient::click(x, area, 61, 71, 3));
  e = next();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 2u);
}

TEST_P(Input, TheFirstResizeOfASessionIsAnInterruptThenTheSize) {
  s->open_session();
  int before = adiclient::sigint_count();
  auto *dpy = reinterpret_cast<Display *>(x);
  XResizeWindow(dpy, top, 700, 500);
  XSync(dpy, False);
  Event e = next();
  EXPECT_EQ(e.type, adiclient::ev_interrupt);
  e = next();
  EXPECT_EQ(e.type, adiclient::ev_resize);
  int w = 0, h = 0;
  ASSERT_TRUE(adiclient::window_size(x, area, w, h));
  EXPECT_EQ(e.x, w);
  EXPECT_EQ(e.y, h);
  EXPECT_EQ(adiclient::sigint_count(), before + 1);
  // Later resizes are the driver's own business. Once the server shows the
  // drawing area at its new size, the driver has its configure event queued
  // ahead of the key typed next: nothing comes before the key.
  XResizeWindow(dpy, top, 720, 520);
  XSync(dpy, False);
  int w2 = w, h2 = h;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (adiclient::window_size(x, area, w2, h2) && w2 == w && h2 == h && std::chrono::steady_clock::now() < until)
    adiclient::pump_driver(s->driver, 20);
  ASSERT_TRUE(w2 != w || h2 != h);
  key("a");
  e = next();
  EXPECT_EQ(e.type, adiclient::ev_key);
  EXPECT_EQ(e.key, unsigned{'a'});
}

INSTANTIATE_TEST_SUITE_P(Both, Input, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
