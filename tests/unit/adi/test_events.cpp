// Events to the client, byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "adi/main_loop.h"
#include "adi/session.h"
#include "channel_fixture.h"
#include "config/config_record.h"
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

}  // namespace
