// The digitizer state machine: the two-step protocol, the routing of samples
// to the driver's tools (through the tools' state flags), the 4.2 packets with their held buttons, the
// tablet packets and the status line's zoom fields.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "adi/sample_routing.h"
#include "adi/session.h"
#include "base/packet.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "config/config_file.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/dview.h"
#include "render3d/tumble.h"
#include "support/test_packet.h"

namespace {


struct Sample {
  int code, x, y;
  bool operator==(const Sample &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Sample &s) {
  return os << "{" << s.code << ", " << s.x << ", " << s.y << "}";
}

// Sends a digitizer packet (opcode 37) and answers what comes back.
Sample send(int code, int x, int y) {
  TestPacket t(37, 8);
  t.p.put_i16(2, code);
  t.p.put_i16(4, x);
  t.p.put_i16(6, y);
  EXPECT_EQ(pdigtize(t.p), 1);
  return {t.p.i16(2), t.p.i16(4), t.p.i16(6)};
}

// One sample from the client, both steps: the routed answer.
Sample client_sample(int code, int x, int y) {
  EXPECT_EQ(send(code, x, y).code, kDigRoute);
  return send(kDigRoute, x, y);
}

// The driver's own poll, as the pointer polling makes it.
int poll(int x, int y, int pick_down, int other, int second, int pick_held) {
  digitizer |= 1;
  const int code = solicit_pdigtize(x, y, pick_down, other, second, pick_held);
  digitizer &= ~1;
  return code;
}

void no_tools() {
  tumble = dview = DviewState = bview = BirdseyeState = 0;
  commands = MFLicon = CommandState = 0;
  StatusLine = NewConfig = quit_warning = 0;
  no_echo = pushcount = 0;
}

class DigitizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_digitizer_state();
    no_tools();
    PdigitizeNeeded = 1;
    pdigitize = 1;
    IgnoreOne = 0;
    std::memset(CurrentPmark, 0, sizeof CurrentPmark);
  }
  void TearDown() override {
    reset_digitizer_state();
    no_tools();
  }
};

// ---- the two-step protocol -----------------------------------------------------

TEST_F(DigitizerTest, ASampleIsRememberedThenRoutedBackWithItsOwnCodeAndPlace) {
  EXPECT_EQ(send(kDigPick, 100, 200), (Sample{kDigRoute, 100, 200}));
  EXPECT_EQ(Original[1], kDigPick);
  EXPECT_NE(digitizer & 2, 0);
  // The repeat may carry anything in x and y: the remembered sample answers.
  EXPECT_EQ(send(kDigRoute, 0, 0), (Sample{kDigPick, 100, 200}));
  EXPECT_EQ(client_sample(kDigSecondButton, 7, 8), (Sample{kDigSecondButton, 7, 8}));
}

TEST_F(DigitizerTest, WhatIsNotASample) {
  // Before the first nonzero code, code 0 comes back unchanged.
  pdigitize = 0;
  EXPECT_EQ(send(0, 5, 6), (Sample{0, 5, 6}));
  EXPECT_EQ(pdigitize, 0);
  EXPECT_EQ(send(kDigPick, 5, 6).code, kDigRoute);
  EXPECT_EQ(pdigitize, 1);
  // Without a digitizer request pending, samples pass untouched.
  PdigitizeNeeded = 0;
  EXPECT_EQ(send(kDigPick, 1, 2), (Sample{kDigPick, 1, 2}));
  EXPECT_EQ(poll(3, 4, 1, 0, 0, 0), kDigPick);
  // A drag from the client is not a new sample; from the driver's poll it
  // is, unless a tablet is in use.
  PdigitizeNeeded = 1;
  EXPECT_EQ(send(kDigPickDrag, 11, 12), (Sample{kDigPickDrag, 11, 12}));
  EXPECT_EQ(Original[2], 5);
  EXPECT_EQ(poll(11, 12, 1, 0, 0, 1), kDigPickDrag);
  EXPECT_EQ(Original[2], 11);
  tablet_in_use = 1;
  poll(40, 41, 1, 0, 0, 1);
  EXPECT_EQ(Original[2], 11);
}

TEST_F(DigitizerTest, ThePollGivesEachButtonItsCode) {
  EXPECT_EQ(poll(1, 1, 1, 1, 1, 1), kDigPickDrag);
  EXPECT_EQ(poll(1, 1, 1, 1, 1, 0), kDigPick);
  EXPECT_EQ(poll(1, 1, 0, 1, 1, 0), kDigSecondButton);
  EXPECT_EQ(poll(1, 1, 0, 1, 0, 0), kDigOtherButton);
  EXPECT_EQ(poll(1, 1, 0, 0, 0, 0), kDigMove);
  // The poll leaves the client's state bit alone.
  EXPECT_EQ(digitizer & 2, 0);
}

// ---- routing to the tools -------------------------------------------------------

TEST_F(DigitizerTest, TheTumbleDemonstrationTakesEverySample) {
  tumble = 1;
  EXPECT_EQ(client_sample(kDigPick, 10, 20).code, kDigUsed);
  EXPECT_EQ(poll(10, 20, 0, 0, 0, 0), kDigUsed);
  EXPECT_EQ(CurrentPmark[kPmarkTaken], 0);
  // Once it runs on its own, a pick ends it and the driver keeps the mark.
  tumble = 2;
  client_sample(kDigMove, 10, 20);
  EXPECT_EQ(CurrentPmark[kPmarkTaken], 0);
  client_sample(kDigPick, 10, 20);
  EXPECT_EQ(CurrentPmark[kPmarkTaken], 1);
}

TEST_F(DigitizerTest, DviewStepsSeeTheSampleUnlessOneIsToBeIgnored) {
  dview = 1;
  DviewState = 6;
  IgnoreOne = 1;
  EXPECT_EQ(client_sample(kDigPick, 3, 4), (Sample{kDigPick, 3, 4}));
  EXPECT_EQ(IgnoreOne, 0);
  // The step's handler did not use it (it has no run to follow): the client gets it, and
  // the step asks for the next one to be ignored.
  EXPECT_EQ(client_sample(kDigMove, 5, 6), (Sample{kDigMove, 5, 6}));
  EXPECT_EQ(IgnoreOne, 1);
  EXPECT_EQ(dview, 1);
  // A state no step owns ends DVIEW.
  IgnoreOne = 0;
  DviewState = 2;
  EXPECT_EQ(client_sample(kDigMove, 5, 6), (Sample{kDigMove, 5, 6}));
  EXPECT_EQ(dview, 0);
  EXPECT_EQ(DviewState, 0);
}

TEST_F(DigitizerTest, ThePaletteLetsOtherButtonsThroughAndLaterToolsNeverSeeATakenSample) {
  commands = 1;
  CommandState = 10;
  IgnoreOne = 1;
  EXPECT_EQ(client_sample(kDigPick, 50, 60), (Sample{kDigPick, 50, 60}));
  EXPECT_EQ(IgnoreOne, 0);
  EXPECT_EQ(client_sample(kDigSecondButton, 51, 61), (Sample{kDigSecondButton, 51, 61}));
  // With the tumble demonstration first in line, the palette sees nothing.
  tumble = 1;
  IgnoreOne = 1;
  EXPECT_EQ(client_sample(kDigPick, 1, 2).code, kDigUsed);
  EXPECT_EQ(IgnoreOne, 1);
}

// ---- the status line's zoom fields -------------------------------------------------

class ZoomFields : public DigitizerTest {
 protected:
  static constexpr int W = 240, H = 120, CW = 8, CH = 13;
  KglContext *ctx = nullptr;
  StatusLineRecord saved_line = GL_Status_Line;
  int saved[5] = {xsize, ysize, ymax, PstringNeeded, ZoomRequest};
  float saved_white[4];
  Matrix saved_screen;

  void SetUp() override {
    DigitizerTest::SetUp();
    std::memcpy(saved_white, DisplayMap[7], sizeof saved_white);
    std::memcpy(saved_screen, ScreenMatrix, sizeof saved_screen);
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    xsize = W;
    ysize = H;
    ymax = H - CH - 3;
    StatusLine = 1;
    ortho2(0, W - 1, 0, H - 1);
    getmatrix(ScreenMatrix);
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
    GL_Status_Line.char_width = CW;
    GL_Status_Line.char_height = CH;
    GL_Status_Line.descender = 3;
    GL_Status_Line.y = H - CH - 1;
    GL_Status_Line.foreground = 7;
    GL_Status_Line.background = 0;
    DisplayMap[7][0] = DisplayMap[7][1] = DisplayMap[7][2] = 1.0f;
    // Where the indicator ":1 2 5 10 20 D:" puts its fields.
    const int widths[7] = {14, 12, 10, 8, 5, 2, 0};
    for (int k = 0; k < 7; ++k) GL_Status_Line.zoom_edges[k] = W - 1 - widths[k] * CW;
  }
  void TearDown() override {
    kgl_offscreen_destroy(ctx);
    GL_Status_Line = saved_line;
    int *v[] = {&xsize, &ysize, &ymax, &PstringNeeded, &ZoomRequest};
    for (int i = 0; i < 5; ++i) *v[i] = saved[i];
    std::memcpy(DisplayMap[7], saved_white, sizeof saved_white);
    std::memcpy(ScreenMatrix, saved_screen, sizeof saved_screen);
    CurrentMatrixNumber = -1;
    DigitizerTest::TearDown();
  }
  // x in the middle of zoom field k; y on the status line.
  static int field_x(int k) { return (GL_Status_Line.zoom_edges[k] + GL_Status_Line.zoom_edges[k + 1]) / 2; }
  static constexpr int kLineY = H - CH / 2;
};

TEST_F(ZoomFields, HoveringHighlightsTheFieldAndKeepsTheSample) {
  EXPECT_EQ(client_sample(kDigMove, field_x(2), kLineY).code, kDigUsed);
  // The field's box is filled in the text colour (below the label's
  // baseline and past its end), and ends before the next field.
  const int box_right = GL_Status_Line.zoom_edges[3] - CW;
  EXPECT_EQ(kgl_read_normal(box_right - 1, GL_Status_Line.y + 1) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(kgl_read_normal(box_right + 3, GL_Status_Line.y + 1) & 0xFFFFFFu, 0u);
  // Off the fields, or below the line, the sample goes to the client again.
  EXPECT_EQ(client_sample(kDigMove, 10, kLineY), (Sample{kDigMove, 10, kLineY}));
  EXPECT_EQ(client_sample(kDigMove, field_x(2), ymax - 1).code, kDigMove);
  // The fields rest while text is typed or boxes are pushed.
  no_echo = 1;
  EXPECT_EQ(client_sample(kDigMove, field_x(1), kLineY).code, kDigMove);
  no_echo = 0;
  pushcount = 1;
  EXPECT_EQ(client_sample(kDigMove, field_x(1), kLineY).code, kDigMove);
}

TEST_F(ZoomFields, AClickOnOneAsksForAZoomAndOthersOpenBirdseye) {
  const int before = PstringNeeded;
  ZoomRequest = 0;
  EXPECT_EQ(client_sample(kDigPick, field_x(0), kLineY).code, kDigUsed);
  EXPECT_EQ(PstringNeeded, before + 1);
  EXPECT_EQ(ZoomRequest, 1);
  EXPECT_EQ(bview, 0);
  EXPECT_EQ(client_sample(kDigPick, field_x(5), kLineY).code, kDigUsed);
  EXPECT_EQ(bview, 1);
  EXPECT_EQ(CurrentPmark[kPmarkTaken], 1);
  EXPECT_EQ(PstringNeeded, before + 1);
}

// ---- the 4.2 packets ----------------------------------------------------------------

// A 4.2 digitizer packet (opcode 105) with fields the driver only carries back.
TestPacket packet42(int event, int x, int y, int button = 0) {
  TestPacket t(105, kDig42Size);
  t.p.put_i16(2, event);
  t.p.put_i32(4, x);
  t.p.put_i32(8, y);
  t.p.put_i32(12, 0x01020304);
  t.p.put_i16(30, button);
  t.p.put_i32(32, -5);
  return t;
}

struct Answer42 {
  bool whole_packet_back;  // the client got its own event back, whole
  int code;                // the code of the reply
  int routed;              // the code the driver's sample was routed with
};

// A 4.2 event and its repeat with code 9.
Answer42 event42(int event, int x, int y, int button = 0) {
  TestPacket first = packet42(event, x, y, button);
  EXPECT_EQ(pdigtize_42(first.p), 1);
  EXPECT_EQ(first.p.i16(2), kDig42Route);
  TestPacket repeat = packet42(kDig42Route, 0, 0);
  EXPECT_EQ(pdigtize_42(repeat.p), 1);
  const TestPacket original = packet42(event, x, y, button);
  return {std::memcmp(repeat.bytes, original.bytes, sizeof repeat.bytes) == 0, repeat.p.i16(2), driver_sample().code};
}

TEST_F(DigitizerTest, Adi42PressMoveReleaseRouteAsPickDragAndMove) {
  Answer42 press = event42(kDig42Press, 30, 40);
  EXPECT_EQ(press.routed, kDigPick);
  EXPECT_TRUE(press.whole_packet_back);
  Answer42 drag = event42(kDig42Motion, 31, 41);
  EXPECT_EQ(drag.routed, kDigPickDrag);
  EXPECT_TRUE(drag.whole_packet_back);
  EXPECT_EQ(event42(kDig42Release, 31, 41).routed, kDigMove);
  EXPECT_EQ(event42(kDig42Motion, 32, 42).routed, kDigMove);
  EXPECT_EQ(driver_sample().x, 32);
  EXPECT_EQ(driver_sample().y, 42);
  // The second and other buttons stay held until their own release.
  EXPECT_EQ(event42(kDig42Button, 1, 1, 0).routed, kDigSecondButton);
  EXPECT_EQ(event42(kDig42Motion, 2, 2).routed, kDigSecondButton);
  EXPECT_EQ(event42(kDig42ButtonUp, 2, 2, 0).routed, kDigMove);
  EXPECT_EQ(event42(kDig42Button, 3, 3, 2).routed, kDigOtherButton);
  EXPECT_EQ(event42(kDig42Motion, 4, 4).routed, kDigOtherButton);
  EXPECT_EQ(event42(kDig42ButtonUp, 4, 4, 2).routed, kDigMove);
}

TEST_F(DigitizerTest, Adi42SampleUsedByAToolIsAnsweredTen) {
  tumble = 1;
  Answer42 a = event42(kDig42Press, 30, 40);
  EXPECT_EQ(a.code, kDig42Used);
  EXPECT_FALSE(a.whole_packet_back);
  // Before the first event, code 0 passes unchanged.
  pdigitize = 0;
  TestPacket zero = packet42(0, 9, 9);
  const auto before = zero.bytes;
  pdigtize_42(zero.p);
  EXPECT_EQ(zero.bytes, before);
}

// ---- pens and tablets -------------------------------------------------------------------

TEST_F(DigitizerTest, PenAndTabletPackets) {
  for (int opcode : {16, 107}) {
    TestPacket pen(opcode, 4);
    pen.p.put_i16(2, 99);
    EXPECT_EQ(opcode == 16 ? prpen(pen.p) : prpen_42(pen.p), 1);
    EXPECT_EQ(pen.p.i16(2), 0);
  }
  TestPacket tab(42, 4);
  EXPECT_EQ(ptabcfg(tab.p), 0);

  TestPacket named(106, 120);
  std::memcpy(named.bytes + 92, "Tablet", 7);
  EXPECT_EQ(ptabcfg_42(named.p), 0);
  EXPECT_EQ(tablet_in_use, 1);
  TestPacket unnamed(106, 120);
  ptabcfg_42(unnamed.p);
  EXPECT_EQ(tablet_in_use, 0);
  // A name beyond the packet's end is not read, whatever the buffer holds.
  TestPacket cut(106, 92);
  std::memcpy(cut.bytes + 92, "Tablet", 7);
  ptabcfg_42(cut.p);
  EXPECT_EQ(tablet_in_use, 0);
}

}  // namespace
