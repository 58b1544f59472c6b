// Digitizer requests over the pipe, pointer input while the client waits for
// digitizer input (also with no X event: the digitize timer answers), picks on
// the text screen, and the software cursor on the screen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Event;
using adiclient::Packet;

namespace {

// A session with the digitizer flag, then the request that makes the driver
// answer digitizer input (pxpcomd). With the status line (0x4), which the
// driver draws and watches itself, it answers digitizer input from the start.
constexpr int kFlags = 0x8017;
// Prompt area, screen menu and digitizer, but no status line: nothing is
// waited for until pxpcomd.
constexpr int kFlagsNoStatusLine = 0x8013;

Packet digitizer_packet(int code, int x, int y) {
  Packet p(37, 8);
  p.set_i16(2, code);
  p.set_i16(4, x);
  p.set_i16(6, y);
  return p;
}

struct Digitizer : ::testing::TestWithParam<Program> {
  int flags = kFlags;
  TempDir cfg;  // the files the driver writes go here
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0;
  std::unique_ptr<Session> s;
  int xs = 0;  // the drawing window's width

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    ASSERT_FALSE(cfg.path.empty());
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->start();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(flags, 8, "digitizer")));
    Packet r = s->reply();
    ASSERT_EQ(r.i16(2), 1);
    xs = r.i16(36);
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

  // The next event of any kind.
  Event next_event(int timeout = 10000) {
    Packet p;
    if (adiclient::read_event(s->driver, timeout, p) != adiclient::Got::packet) {
      ADD_FAILURE() << "no event";
      return Event{-1};
    }
    Event e{-1};
    EXPECT_TRUE(adiclient::decode_event(p.bytes, e));
    return e;
  }
  // Reads position reports until one at (px, py) comes.
  Event coord_at(int px, int py) {
    Event e{-1};
    for (int i = 0; i < 50; ++i) {
      e = next_event();
      if (e.type != adiclient::ev_coord || (e.x == px && e.y == py)) break;
    }
    return e;
  }
  // True when no event comes within ms.
  bool quiet_for(int ms, Event *came) {
    Packet p;
    if (adiclient::read_event(s->driver, ms, p) != adiclient::Got::packet) return true;
    adiclient::decode_event(p.bytes, *came);
    return false;
  }

  // The next event that is not a pointer motion report.
  Event next_button(int timeout = 10000) {
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

  // The pixel at (px, py) once it is `want` (waited for up to ten seconds),
  // else its last value. The pointer moves in a corner of the drawing area
  // meanwhile: the driver puts its drawing on the screen when it has handled
  // X events.
  std::uint32_t pixel_becomes(int px, int py, std::uint32_t want) {
    std::uint32_t rgb = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int tries = 0;; ++tries) {
      adiclient::move_pointer(x, area, 2 + tries % 2, 2);
      adiclient::pump_driver(s->driver, 50);
      if (!adiclient::read_pixel(x, area, px, py, rgb)) return 0xFF000000u;
      if (rgb == want || std::chrono::steady_clock::now() >= until) break;
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
    if (adiclient::read_event(s->driver, 10000, p) != adiclient::Got::packet) break;
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
  // Neither packet is answered: the next reply is the next packet's.
  EXPECT_EQ(ask(adiclient::pnop()).bytes, adiclient::pnop().bytes);
}

TEST_P(Digitizer, APickOnTheTextScreenFlipsBackToGraphicsFirst) {
  // pgotext is echoed; the next pick announces the screen flip before itself.
  Packet text = ask(Packet(17, 4));
  EXPECT_EQ(text.bytes, Packet(17, 4).bytes);
  ASSERT_TRUE(adiclient::click(x, area, 80, 90, 1));
  Event e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_key);
  EXPECT_EQ(e.key, 0x1001u);
  e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 0u);
  EXPECT_EQ(e.x, 80);
  EXPECT_EQ(e.y, 90);

  // Back on the graphics screen (the first switch of the session answers 4,
  // the second program 0): a pick is only the press.
  const bool first = std::string(GetParam().name) == "rcKovaGL";
  Packet graph = ask(Packet(19, 4));
  EXPECT_EQ(graph.opcode(), 19);
  EXPECT_EQ(graph.i16(2), first ? 4 : 0);
  ASSERT_TRUE(adiclient::click(x, area, 84, 92, 1));
  e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 0u);
  EXPECT_EQ(e.x, 84);
  EXPECT_EQ(e.y, 92);
}

INSTANTIATE_TEST_SUITE_P(Both, Digitizer, ::testing::ValuesIn(kPrograms), program_name);

// The digitize timer: while the client waits for digitizer input the driver
// polls the pointer every few milliseconds by itself.
struct DigitizeTimer : Digitizer {
  DigitizeTimer() { flags = kFlagsNoStatusLine; }
};

TEST_P(DigitizeTimer, WhileTheClientWaitsThePointerIsReportedWithoutAnyPointerEvent) {
  int w = 0, h = 0;
  ASSERT_TRUE(adiclient::window_size(x, area, w, h));
  ASSERT_TRUE(adiclient::move_pointer(x, area, 60, 70));
  Event e = coord_at(60, 70);
  ASSERT_EQ(e.type, adiclient::ev_coord);
  // Out to the right of the drawing area: the client learns the pointer left.
  ASSERT_TRUE(adiclient::move_pointer(x, area, w + 40, 70));
  e = next_event();
  while (e.type == adiclient::ev_coord) e = next_event();
  EXPECT_EQ(e.type, adiclient::ev_leave);
  // Nobody waits for digitizer input: nothing more is said.
  Event came;
  EXPECT_TRUE(quiet_for(300, &came)) << adiclient::format_event(came);

  // The client asks for digitizer input. No X event comes to the drawing
  // area, yet the timer finds the pointer where it left, held to the window.
  wait_for_digitizer_input();
  e = next_event();
  EXPECT_EQ(e.type, adiclient::ev_coord);
  EXPECT_EQ(e.x, xs - 1);
  EXPECT_EQ(e.y, 70);
  // An unchanged position is reported once, however often the timer looks.
  EXPECT_TRUE(quiet_for(300, &came)) << adiclient::format_event(came);

  // Back inside, a held pick is one press: the timer's polls while it is
  // held repeat nothing, and the release is not sent.
  ASSERT_TRUE(adiclient::move_pointer(x, area, 100, 120));
  EXPECT_EQ(coord_at(100, 120).type, adiclient::ev_coord);
  ASSERT_TRUE(adiclient::press_button(x, 1, true));
  e = next_button();
  EXPECT_EQ(e.type, adiclient::ev_press);
  EXPECT_EQ(e.key, 0u);
  EXPECT_EQ(e.x, 100);
  EXPECT_EQ(e.y, 120);
  EXPECT_TRUE(quiet_for(300, &came)) << adiclient::format_event(came);
  ASSERT_TRUE(adiclient::press_button(x, 1, false));
  EXPECT_TRUE(quiet_for(300, &came)) << adiclient::format_event(came);
  // And the pointer keeps being followed.
  ASSERT_TRUE(adiclient::move_pointer(x, area, 130, 140));
  EXPECT_EQ(coord_at(130, 140).type, adiclient::ev_coord);
}

INSTANTIATE_TEST_SUITE_P(Both, DigitizeTimer, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
