// Events to the client, byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "adi/main_loop.h"
#include "adi/pointer.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "channel_fixture.h"
#include "dialogs/dialog_packets.h"
#include "display/digitizer.h"

namespace {

struct Ev {
  int type, x, y, key;
  std::uint32_t extra;
  bool operator==(const Ev &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Ev &e) {
  return os << "{" << e.type << "," << e.x << "," << e.y << "," << e.key << "," << e.extra << "}";
}

std::vector<Ev> events(const ChannelFixture &f) {
  std::vector<Ev> out;
  for (const Bytes &b : f.event_frames()) {
    EXPECT_EQ(b.size(), 20u);
    EXPECT_EQ(b[0] << 8 | b[1], 63);
    out.push_back({b[2] << 8 | b[3], static_cast<int>(get32(&b[4])), static_cast<int>(get32(&b[8])),
                   b[12] << 8 | b[13], get32(&b[16])});
  }
  return out;
}

volatile sig_atomic_t sigints;
void count_sigint(int) { sigints = sigints + 1; }

struct Events : ::testing::Test {
  ChannelFixture f;
  void SetUp() override {
    init_called = 1;
    busy_with_dialog = 0;
    PdigitizeNeeded = 0;
    cursor_in_window = 2;
    xsize = 640;
    ysize = 480;
    digitizer = 0;
    modify_keys = 0;
    pointer_sample = {};
  }
  void TearDown() override { init_called = 0; }
};

TEST_F(Events, EncodesTheTwentyBytes) {
  std::uint8_t out[20];
  encode_event({2, -3, 70000, 507, 3}, out);
  const std::uint8_t want[20] = {0, 63, 0, 2, 0xFF, 0xFF, 0xFF, 0xFD, 0, 1, 0x11, 0x70, 1, 0xFB, 0, 0, 0, 0, 0, 3};
  EXPECT_EQ(0, std::memcmp(out, want, 20));
}

TEST_F(Events, KeysStringsAndMenus) {
  queue_string("AB", 1, 0);
  queue_string("x", 0, 1);
  queue_menu(0, 5);
  queue_menu(3, 5);
  queue_key(0x1004);  // up and down arrows are only remembered
  queue_key(0x1005);
  EXPECT_EQ(last_arrow_key, 0x1005);
  std::vector<Ev> want = {{3, 0, 0, 141, 0}, {3, 0, 0, 65, 0},  {3, 0, 0, 66, 0},   {3, 0, 0, 143, 0},
                          {3, 0, 0, 142, 0}, {3, 0, 0, 120, 0}, {2, 0, 0, 507, 0},  {2, 0, 0, 3007, 0}};
  EXPECT_EQ(events(f), want);
}

TEST_F(Events, CtrlCInterruptsTheParentUnlessADialogIsUp) {
  struct sigaction sa {}, old{};
  sa.sa_handler = count_sigint;
  sigaction(SIGINT, &sa, &old);
  acad_pid = getpid();
  sigints = 0;
  queue_key(3);
  EXPECT_EQ(sigints, 1);
  busy_with_dialog = 1;
  queue_key(3);
  EXPECT_EQ(sigints, 1);
  sigaction(SIGINT, &old, nullptr);
  acad_pid = 0;
  EXPECT_EQ(events(f), (std::vector<Ev>{{0, 0, 0, 0, 0}}));
}

TEST_F(Events, OnlyTheFirstResizeOfASessionIsSentWithAnInterruptFirst) {
  queue_resize(800, 600);
  queue_resize(900, 700);
  EXPECT_EQ(events(f), (std::vector<Ev>{{0, 0, 0, 0, 0}, {6, 800, 600, 0, 0}}));
  EXPECT_EQ(init_called, 0);
}

TEST_F(Events, CoordinatesAreSentOnceAndLeavingOnce) {
  queue_coord(10, 20, 1, 0);
  queue_coord(10, 20, 1, 0);
  queue_coord(0, 0, 0, 0);
  queue_coord(0, 0, 0, 0);
  queue_coord(10, 20, 1, 2);
  EXPECT_EQ(events(f), (std::vector<Ev>{{1, 10, 20, 0, 0}, {10, 0, 0, 0, 0}, {1, 10, 20, 0, 2}}));
}

TEST_F(Events, SideMenuPickIsAKeyThenPressAndReleaseRightOfTheDrawing) {
  CharHeight = 15;
  StatusLine = 1;
  gfx_window.width = 700;
  queue_sidemenu_pick(2);
  // (2 + 1) * 15 + 7
  EXPECT_EQ(events(f), (std::vector<Ev>{{3, 0, 0, 23, 0}, {2, 702, 52, 0, 0}, {9, 702, 52, 0, 0}}));
}

TEST_F(Events, PointerMotionIsClampedIntoTheWindow) {
  pointer_sample.x = 900;
  pointer_sample.y = -4;
  poll_pointer(266, 900);
  EXPECT_EQ(events(f), (std::vector<Ev>{{1, 639, 0, 0, 0}}));
}

TEST_F(Events, APickIsOnePressAndTheReleaseOnlyAPosition) {
  pointer_sample = {30, 40, 1, 0, 0};
  modify_keys = 1;
  poll_pointer(103, 1);
  poll_pointer(103, 0);
  pointer_sample = {31, 41, 0, 0, 1};
  poll_pointer(101, 1);
  EXPECT_EQ(events(f), (std::vector<Ev>{{2, 30, 40, 0, 1}, {1, 30, 40, 0, 1}, {2, 31, 41, 2, 1}}));
}

TEST_F(Events, WhileADialogIsUpButtonsGoStraightThroughWithReleases) {
  busy_with_dialog = 1;
  pointer_sample = {7, 8, 1, 0, 0};
  poll_pointer(103, 1);
  poll_pointer(103, 0);
  poll_pointer(266, 7);
  EXPECT_EQ(events(f), (std::vector<Ev>{{2, 7, 8, 0, 0}, {9, 7, 8, 0, 0}, {1, 7, 8, 0, 0}}));
}

TEST_F(Events, NothingBeforeASessionAndPointerLeftOutsideWithoutDigitizer) {
  init_called = 0;
  poll_pointer(266, 1);
  EXPECT_TRUE(events(f).empty());
  init_called = 1;
  pointer_sample = {3, 4, 0, 0, 0};
  poll_pointer(266, 3);
  cursor_in_window = 0;
  poll_pointer(266, 3);
  EXPECT_EQ(events(f), (std::vector<Ev>{{1, 3, 4, 0, 0}, {10, 0, 0, 0, 0}}));
}

TEST_F(Events, WhatAFullPipeCannotTakeWaitsInOrderAndNothingIsLost) {
  // More events than the pipe holds: sending never blocks, the rest waits.
  const int n = fcntl(f.events[0], F_GETPIPE_SZ) / 24 + 500;
  for (int i = 0; i < n; ++i) send_event(kEventKey, i, 0, 'a' + i % 26, 0);
  EXPECT_GE(events_waiting(), 500u * 24);
  EXPECT_FALSE(flush_events());
  // The client reads; an event sent now goes behind those that wait.
  Bytes raw = ChannelFixture::drain(f.events[0]);
  send_event(kEventKey, n, 0, '!', 0);
  for (int round = 0; round < 10 && !flush_events(); ++round) {
    const Bytes more = ChannelFixture::drain(f.events[0]);
    raw.insert(raw.end(), more.begin(), more.end());
  }
  EXPECT_EQ(events_waiting(), 0u);
  const Bytes rest = ChannelFixture::drain(f.events[0]);
  raw.insert(raw.end(), rest.begin(), rest.end());
  ASSERT_EQ(raw.size(), (n + 1) * 24u);
  for (int i = 0; i <= n; ++i) {
    const std::uint8_t *e = &raw[static_cast<std::size_t>(i) * 24];
    ASSERT_EQ(get32(e), 20u) << i;
    ASSERT_EQ(static_cast<int>(get32(e + 8)), i);
    ASSERT_EQ(e[17], i < n ? 'a' + i % 26 : '!') << i;
  }
}

TEST_F(Events, AtTheEndWaitingEventsStopQuietlyAtAClosedPipe) {
  const int n = fcntl(f.events[0], F_GETPIPE_SZ) / 24 + 10;
  for (int i = 0; i < n; ++i) send_event(kEventKey, 0, 0, 'k', 0);
  ASSERT_GT(events_waiting(), 0u);
  auto *old = signal(SIGPIPE, SIG_IGN);
  close(f.events[0]);
  f.events[0] = -1;
  deliver_waiting_events();  // returns, and the process goes on to its own exit
  signal(SIGPIPE, old);
  EXPECT_GT(events_waiting(), 0u);
}

}  // namespace
