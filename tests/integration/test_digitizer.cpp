// Digitizer requests over the pipe, pointer input while the client waits for
// digitizer input, and the software cursor on the screen.
#include <gtest/gtest.h>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Event;
using adiclient::Packet;

namespace {

// A session with the digitizer flag, then the request that makes the driver
// answer digitizer input (pxpcomd).
constexpr int kFlags = 0x8017;

Packet digitizer_packet(int code, int x, int y) {
  Packet p(37, 8);
  p.set_i16(2, code);
  p.set_i16(4, x);
  p.set_i16(6, y);
  return p;
}

struct Digitizer : ::testing::TestWithParam<Program> {
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0;
  std::unique_ptr<Session> s;

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    s = std::make_unique<Session>(GetParam());
    s->start();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(kFlags, 8, "digitizer")));
    ASSERT_EQ(s->reply().i16(2), 1);
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  void wait_for_digitizer_input() {
    ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(26, 4)));
    EXPECT_EQ(s->reply().i16(2), 1);
  }

  Packet ask(const Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    return s->reply();
  }

  // The next event that is not a pointer motion report.
  Event next_button(int timeout = 5000) {
    for (;;) {
      Packet p;
      if (adiclient::read_event(s->driver, timeout, p) != adiclient::Got::packet) {
        ADD_FAILURE() << "no event";
        return Event{-1};
      }
      Event e;
      EXPECT_TRUE(adiclient::decode_event(p.bytes, e));
      if (e.type == adiclient::ev_coord || e.type == adiclient::ev_leave) continue;
      return e;
    }
  }

  // The pixel at (px, py) once it is `want`, else its last value. The
  // pointer moves in a corner of the drawing area meanwhile: the driver puts
  // its drawing on the screen when it has handled X events.
  std::uint32_t pixel_becomes(int px, int py, std::uint32_t want) {
    std::uint32_t rgb = 0;
    for (int tries = 0; tries < 50; ++tries) {
      adiclient::move_pointer(x, area, 2 + tries % 2, 2);
      adiclient::pump_driver(s->driver, 50);
      if (!adiclient::read_pixel(x, area, px, py, rgb)) return 0xFF000000u;
      if (rgb == want) break;
    }
    return rgb;
  }
};

TEST_P(Digitizer, ASampleIsAnsweredOneThenRoutedBack) {
  wait_for_digitizer_input();
  Packet first = ask(digitizer_packet(3, 120, 80));
  ASSERT_EQ(first.size(), 8u);
  EXPECT_EQ(first.i16(2), 1);
  Packet routed = ask(digitizer_packet(1, 0, 0));
  EXPECT_EQ(routed.i16(2), 3);
  EXPECT_EQ(routed.i16(4), 120);
  EXPECT_EQ(routed.i16(6), 80);
  // A drag sample from the client is not a new sample: it comes back as sent.
  Packet drag = ask(digitizer_packet(0, 5, 6));
  EXPECT_EQ(drag.bytes, digitizer_packet(0, 5, 6).bytes);
}

TEST_P(Digitizer, Adi42SamplesAreAnsweredNineThenTheWholePacket) {
  wait_for_digitizer_input();
  Packet press(105, 36);
  press.set_i16(2, 3);
  press.set_i32(4, 64);
  press.set_i32(8, 48);
  press.set_i32(20, 12345);
  Packet first = ask(press);
  EXPECT_EQ(first.i16(2), 9);
  Packet routed = ask(first);
  EXPECT_EQ(routed.bytes, press.bytes);
}

TEST_P(Digitizer, PointerInputReachesTheClientWhileItWaitsForDigitizerInput) {
  wait_for_digitizer_input();
  ASSERT_TRUE(adiclient::move_pointer(x, area, 70, 90));
  Packet p;
  Event e{-1};
  for (int i = 0; i < 50; ++i) {
    if (adiclient::read_event(s->driver, 5000, p) != adiclient::Got::packet) break;
    ASSERT_TRUE(adiclient::decode_event(p.bytes, e));
    if (e.type == adiclient::ev_coord && e.x == 70 && e.y == 90) break;
  }
  EXPECT_EQ(e.type, adiclient::ev_coord);
  EXPECT_EQ(e.x, 70);
  EXPECT_EQ(e.y, 90);

  // A pick: the digitizer logic makes one press of button 0.
  ASSERT_TRUE(adiclient::click(x, area, 70, 90, 1));
  e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 0u);
  EXPECT_EQ(e.x, 70);
  EXPECT_EQ(e.y, 90);
  // The second button is button 2.
  ASSERT_TRUE(adiclient::click(x, area, 72, 91, 3));
  e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 2u);
}

TEST_P(Digitizer, TheSoftwareCursorIsDrawnAndTakenAway) {
  const int cx = 200, cy = 150;
  // The arrow's fill, below and right of its tip.
  const int fx = cx + 1, fy = cy + 2;
  std::uint32_t before = pixel_becomes(fx, fy, 0);
  Packet cursor(33, 76);
  cursor.set_i16(2, cx);
  cursor.set_i16(4, cy);
  ASSERT_TRUE(adiclient::send_packet(s->driver, cursor));
  EXPECT_EQ(pixel_becomes(fx, fy, 0xFFFFFF), 0xFFFFFFu);
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(34, 4)));
  EXPECT_EQ(pixel_becomes(fx, fy, before), before);
  // Neither packet is answered.
  Packet came;
  EXPECT_TRUE(adiclient::no_reply_within(s->driver, 200, &came)) << adiclient::format_packet(came);
}

INSTANTIATE_TEST_SUITE_P(Both, Digitizer, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
