// Events against replies: a client that leaves its event pipe unread still
// gets its packets answered and later every event in order; a window event
// that waits is handled before the next message.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "driver_session.h"

using adiclient::Event;
using adiclient::Packet;

namespace {

// Bytes a full event pipe holds: 24-byte frames written into a pipe of the
// same kind until it takes no more.
int full_event_pipe_bytes() {
  int ends[2];
  if (pipe2(ends, O_NONBLOCK) != 0) return -1;
  const char frame[24] = {};
  int bytes = 0;
  while (write(ends[1], frame, sizeof frame) == static_cast<ssize_t>(sizeof frame)) bytes += 24;
  close(ends[0]);
  close(ends[1]);
  return bytes;
}

int bytes_in_pipe(int fd) {
  int n = 0;
  return ioctl(fd, FIONREAD, &n) == 0 ? n : -1;
}

// Typed text: one key event a character.
std::string letters(char first, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text.push_back(static_cast<char>(first + i % 26));
  return text;
}

struct EventPipe : ::testing::TestWithParam<Program> {
  TempDir cfg;
  std::unique_ptr<Session> s;

  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);  // the text device is the standard input
    s->options.stdin_mode = adiclient::Stream::pipe;
    s->start();
  }

  // Types the text on the text device and waits until the driver has filled
  // the event pipe that nobody reads. The text comes in one read (it is at
  // most a pipe's atomic write), so all of it has been taken by then.
  void type_until_the_event_pipe_is_full(const std::string &text) {
    ASSERT_LE(text.size(), 4096u);
    s->driver.events_held = true;
    const int full = full_event_pipe_bytes();
    ASSERT_GT(full, 0);
    ASSERT_GT(static_cast<int>(text.size()) * 24, full);  // more than fits
    ASSERT_TRUE(adiclient::write_stdin(s->driver, text));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (bytes_in_pipe(s->driver.event.fd) < full && std::chrono::steady_clock::now() < until)
      adiclient::pump_driver(s->driver, 5);
    ASSERT_EQ(bytes_in_pipe(s->driver.event.fd), full);
  }

  void expect_answered(const Packet &p) {
    ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    Packet r;
    ASSERT_EQ(adiclient::read_reply(s->driver, 20000, r), adiclient::Got::packet);
    EXPECT_EQ(r.bytes, p.bytes);
  }

  // Takes the events that have come and checks they are the text's keys.
  void expect_keys(const std::string &text) {
    Packet p;
    for (std::size_t i = 0; i < text.size(); ++i) {
      ASSERT_EQ(adiclient::read_event(s->driver, 20000, p), adiclient::Got::packet) << i;
      Event e;
      ASSERT_TRUE(adiclient::decode_event(p.bytes, e));
      ASSERT_EQ(e.type, adiclient::ev_key) << i;
      ASSERT_EQ(e.key, static_cast<unsigned char>(text[i])) << i;
    }
  }
};

TEST_P(EventPipe, PacketsAreAnsweredWhileTheClientLeavesItsEventsUnreadAndNoneIsLost) {
  const std::string first = letters('a', 4000);
  ASSERT_NO_FATAL_FAILURE(type_until_the_event_pipe_is_full(first));
  for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(expect_answered(Packet(41, 6 + 2 * i)));
  // The client reads at last: everything, in the order it was typed.
  s->driver.events_held = false;
  expect_keys(first);

  // Events still waiting when the client ends the driver are delivered first.
  const std::string second = letters('A', 4000);
  ASSERT_NO_FATAL_FAILURE(type_until_the_event_pipe_is_full(second));
  ASSERT_NO_FATAL_FAILURE(expect_answered(adiclient::pkill()));
  s->driver.events_held = false;
  EXPECT_EQ(adiclient::wait_exit(s->driver, 20000).code, 0);
  expect_keys(second);
  Packet extra;
  EXPECT_EQ(adiclient::take_event(s->driver, extra), adiclient::Got::closed);
}

// A key typed while messages wait in the driver is reported before the
// messages that follow the one running: here the driver is held inside a run
// of messages by a reply pipe the client has not read yet.
TEST_P(EventPipe, AWindowEventThatCameDuringARunIsHandledBeforeTheNextMessage) {
  std::string err;
  adiclient::XDisplay *x = adiclient::open_display(err);
  ASSERT_NE(x, nullptr) << err;
  const adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
  const adiclient::XWindow area = adiclient::find_drawing_area(x, top);
  ASSERT_NE(area, 0u);
  ASSERT_TRUE(adiclient::move_pointer(x, area, 50, 50));

  // More echoed bytes than the reply pipe holds, then a packet that asks the
  // X server something (the window configuration is written), then a marker.
  const int reply_room = fcntl(s->driver.reply.fd, F_GETPIPE_SZ);
  ASSERT_GT(reply_room, 0);
  std::vector<std::uint8_t> stream;
  auto add = [&](const Packet &p) {
    const auto m = adiclient::frame_message(std::vector<Packet>{p});
    stream.insert(stream.end(), m.begin(), m.end());
  };
  const Packet big(41, 8000);
  const int held = reply_room / 8004 + 2;
  for (int i = 0; i < held; ++i) add(big);
  const Packet wincfg(110, 4), marker(41, 6);
  add(wincfg);
  add(marker);
  ASSERT_TRUE(adiclient::send_raw(s->driver, stream));

  std::string why;
  ASSERT_TRUE(adiclient::type_key(x, top, "a", false, false, why)) << why;
  Packet r;
  for (int i = 0; i < held; ++i) {
    ASSERT_EQ(adiclient::read_reply(s->driver, 20000, r), adiclient::Got::packet);
    ASSERT_EQ(r.size(), big.size());
  }
  ASSERT_EQ(adiclient::read_reply(s->driver, 20000, r), adiclient::Got::packet);
  EXPECT_EQ(r.opcode(), 110);
  ASSERT_EQ(adiclient::read_reply(s->driver, 20000, r), adiclient::Got::packet);
  EXPECT_EQ(r.bytes, marker.bytes);
  // The key went out before the marker's reply: it is on the event pipe now.
  adiclient::pump_driver(s->driver, 0);
  Packet p;
  ASSERT_EQ(adiclient::take_event(s->driver, p), adiclient::Got::packet);
  Event e;
  ASSERT_TRUE(adiclient::decode_event(p.bytes, e));
  EXPECT_EQ(e.type, adiclient::ev_key);
  EXPECT_EQ(e.key, unsigned{'a'});
  adiclient::close_display(x);
}

INSTANTIATE_TEST_SUITE_P(Both, EventPipe, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
