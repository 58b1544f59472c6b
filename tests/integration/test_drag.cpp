// Dragging through the real programs: an outline sent once is drawn in
// exclusive-or, moved to the offsets the client sends and taken off again,
// leaving the picture under it as it was. Read back from the drawing window.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "driver_session.h"

using adiclient::Packet;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kYellow = 0xFFFF00;
constexpr int kRedColour = 1, kGreenColour = 3;

// Sub-operations of the drag packets.
enum { kVector = 0, kStartOwnMatrix = 1, kStartViewMatrix = 2, kErase = 3, kDrawAt = 4 };

// View units a pixel of the 32-bit viewport: its coordinates need more than
// 16 bits.
constexpr int kBigScale = 1000;
int big_unit(int pixel) { return kBigScale * pixel + kBigScale / 2; }

Packet pdrag(int op, int x1 = 0, int y1 = 0, int x2 = 0, int y2 = 0, int colour = kRedColour, int viewport = 1) {
  Packet p(43, 16);
  p.set_i16(2, x1), p.set_i16(4, y1), p.set_i16(6, x2), p.set_i16(8, y2);
  p.set_i16(10, colour);
  p.set_u16(12, static_cast<unsigned>(op));
  p.set_i16(14, viewport);
  return p;
}

Packet pbdrag(int op, std::int32_t x1 = 0, std::int32_t y1 = 0, std::int32_t x2 = 0, std::int32_t y2 = 0,
              int colour = kRedColour, int viewport = 2) {
  Packet p(100, 26);
  p.set_i32(4, x1), p.set_i32(8, y1), p.set_i32(12, x2), p.set_i32(16, y2);
  p.set_i16(20, colour);
  p.set_u16(22, static_cast<unsigned>(op));
  p.set_i16(24, viewport);
  return p;
}

struct Drag : DriverWindowTest {
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void SetUp() override {
    Packet r;
    open_window_session(adiclient::pinit(0x8007, 8, "drag"), r);
    if (HasFatalFailure() || IsSkipped()) return;
    xmax = r.i16(12);
    graphy = r.i16(14);
    ysize = r.i16(38);
    ymin = ysize - 1 - r.i16(48);
    ASSERT_GT(xmax, 470);
    ASSERT_GT(graphy, 350);

    // Viewport 1 over the whole graphics area: drags need an open viewport.
    EXPECT_EQ(ask(adiclient::popenvp(1, 0, 0, xmax, graphy)).opcode(), 38);
  }
  // Packets without a reply, then a pnop whose reply says they are done.
  void send(std::initializer_list<Packet> packets) {
    std::vector<Packet> run(packets);
    run.push_back(adiclient::pnop());
    ASSERT_TRUE(adiclient::send_message(s->driver, run));
    EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
  }
  // A long run, cut into messages the driver takes (at most 8188 bytes).
  void send_all(const std::vector<Packet> &run) {
    constexpr std::size_t kPerMessage = 200;
    for (std::size_t i = 0; i < run.size(); i += kPerMessage) {
      const std::size_t n = std::min(kPerMessage, run.size() - i);
      ASSERT_TRUE(adiclient::send_message(s->driver, std::span<const Packet>(run.data() + i, n)));
    }
    send({});
  }

  // Draws the outline at an offset until the driver says all of it is drawn
  // (it draws a page at a time while its time slice lasts).
  void draw_at(const Packet &base, std::size_t reply_field, int dx, int dy, bool wide) {
    Packet p = base;
    if (wide)
      p.set_i32(4, dx), p.set_i32(8, dy);
    else
      p.set_i16(2, dx), p.set_i16(4, dy);
    int result = 0;
    for (int calls = 0; calls < 1000 && result != 2; ++calls) {
      Packet r = ask(p);
      ASSERT_EQ(r.opcode(), base.opcode());
      result = r.u16(reply_field);
      ASSERT_TRUE(result == 1 || result == 2) << result;
    }
    EXPECT_EQ(result, 2);
  }

  // The window row of graphics-area row py (y up from the area's lower edge).
  int row(int py) const { return ysize - 1 - (py + ymin); }

  // The colour at pixel (px, py) of the graphics area once it is `want`,
  // else what it showed last.
  std::uint32_t pixel(int px, int py, std::uint32_t want) {
    return await_pixel(s->driver, x, area, px, row(py), want);
  }

  // The pixels of graphics-area columns x1..x2 and rows y1..y2.
  std::vector<std::uint8_t> region(int x1, int y1, int x2, int y2) {
    adiclient::Image image;
    std::vector<std::uint8_t> out;
    if (!adiclient::grab_window(x, area, image)) return out;
    for (int r = row(y2); r <= row(y1); ++r)
      for (int c = x1; c <= x2; ++c)
        for (int k = 0; k < 3; ++k) out.push_back(image.rgb[static_cast<std::size_t>(3 * (r * image.width + c) + k)]);
    return out;
  }
  // Waits for the region to show `want` again; answers how many pixels
  // still differ then, and where the first one is.
  std::string region_differs(int x1, int y1, int x2, int y2, const std::vector<std::uint8_t> &want) {
    std::vector<std::uint8_t> got;
    if (wait_until(s->driver, [&] { return (got = region(x1, y1, x2, y2)) == want; })) return "";
    if (got.size() != want.size()) return "the window could not be read";
    const int width = x2 - x1 + 1;
    int n = 0, first = -1;
    for (std::size_t i = 0; i < got.size(); i += 3)
      if (got[i] != want[i] || got[i + 1] != want[i + 1] || got[i + 2] != want[i + 2]) {
        if (first < 0) first = static_cast<int>(i / 3);
        ++n;
      }
    return std::to_string(n) + " pixels differ, the first at (" + std::to_string(x1 + first % width) + ", " +
           std::to_string(y2 - first / width) + ")";
  }

  // Draws a mark outside the regions compared and waits for it: everything
  // drawn before is on the screen then.
  void settle() {
    static int colour = 4;
    colour = colour == 4 ? 6 : 4;
    Packet p(27, 12);
    p.set_i16(2, xmax - 10), p.set_i16(4, row(graphy - 5)), p.set_i16(6, xmax - 5), p.set_i16(8, row(graphy - 10));
    p.set_i16(10, colour);
    send({p});
    const std::uint32_t want = colour == 4 ? 0x00FFFF : 0xFF00FF;
    ASSERT_EQ(pixel(xmax - 7, graphy - 7, want), want);
  }

  void green_box(int x1, int y1, int x2, int y2) {
    // pboxclr counts y from the window's top.
    Packet p(27, 12);
    p.set_i16(2, x1), p.set_i16(4, row(y2)), p.set_i16(6, x2), p.set_i16(8, row(y1)), p.set_i16(10, kGreenColour);
    send({p});
  }
};

// The outline: a horizontal line through a green box and a vertical one
// beside it, in graphics-area pixels (viewport 0's matrix).
TEST_P(Drag, TheOutlineMovesWithTheOffsetAndErasingLeavesThePictureAsItWas) {
  green_box(180, 190, 220, 210);
  ASSERT_EQ(pixel(200, 200, kGreen), kGreen);
  settle();
  const auto before = region(90, 150, 320, 300);
  ASSERT_FALSE(before.empty());

  send({pdrag(kStartOwnMatrix), pdrag(kVector, 100, 200, 260, 200), pdrag(kVector, 260, 200, 260, 240)});
  // Drawn in exclusive-or as it arrives: red on black, yellow over green.
  EXPECT_EQ(pixel(130, 200, kRed), kRed);
  EXPECT_EQ(pixel(200, 200, kYellow), kYellow);
  EXPECT_EQ(pixel(260, 220, kRed), kRed);

  // Erase, then draw 40 right and 30 up.
  Packet erased = ask(pdrag(kErase));
  EXPECT_EQ(erased.opcode(), 43);
  EXPECT_EQ(erased.u16(12), 1);
  EXPECT_EQ("", region_differs(90, 150, 320, 300, before));
  draw_at(pdrag(kDrawAt), 12, 40, 30, false);
  EXPECT_EQ(pixel(170, 230, kRed), kRed);
  EXPECT_EQ(pixel(300, 250, kRed), kRed);
  EXPECT_EQ(pixel(130, 200, kBlack), kBlack);
  EXPECT_EQ(pixel(200, 200, kGreen), kGreen);

  // Taken off where it was drawn last: the picture is as before, to the pixel.
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  EXPECT_EQ("", region_differs(90, 150, 320, 300, before));

  // A second erase has nothing to take off and must not draw it back.
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  send({});
  EXPECT_EQ("", region_differs(90, 150, 320, 300, before));
  EXPECT_EQ(pixel(170, 230, kBlack), kBlack);
}

// A 32-bit viewport whose view window needs more than 16 bits, the outline in
// its own matrix (start mode 2), long enough to fill several list pages.
TEST_P(Drag, ALongOutlineIn32BitCoordinatesIsDrawnAndTakenOffWhole) {
  Packet open(102, 20);
  open.set_i16(2, 2);
  open.set_i16(8, xmax);
  open.set_i16(10, graphy);
  open.set_i32(12, 8388606);
  open.set_i32(16, 8388606);
  EXPECT_EQ(ask(open).opcode(), 102);
  Packet view(103, 24);
  view.set_i16(2, 2);
  view.set_i32(12, (xmax + 1) * kBigScale - 1);
  view.set_i32(16, (graphy + 1) * kBigScale - 1);
  EXPECT_EQ(ask(view).opcode(), 103);

  green_box(100, 100, 140, 140);
  settle();
  const auto before = region(40, 40, 460, 340);
  ASSERT_FALSE(before.empty());

  // 1600 short strokes, each a run of its own (they do not join): far more
  // than one page of the list holds. Every third column from 50, every
  // other row from 50.
  std::vector<Packet> run{pbdrag(kStartViewMatrix)};
  for (int i = 0; i < 1600; ++i) {
    const int px = 50 + 3 * (i % 100), py = 50 + 2 * (i / 100);
    run.push_back(pbdrag(kVector, big_unit(px), big_unit(py), big_unit(px + 1), big_unit(py)));
  }
  // And one long stroke through the green box.
  run.push_back(pbdrag(kVector, big_unit(60), big_unit(120), big_unit(200), big_unit(120)));
  send_all(run);
  EXPECT_EQ(pixel(120, 120, kYellow), kYellow);
  EXPECT_EQ(pixel(70, 120, kRed), kRed);
  EXPECT_EQ(pixel(50, 50, kRed), kRed);
  EXPECT_EQ(pixel(347, 80, kRed), kRed);
  EXPECT_EQ(pixel(51, 51, kBlack), kBlack);

  EXPECT_EQ(ask(pbdrag(kErase)).u16(22), 1);
  EXPECT_EQ("", region_differs(40, 40, 460, 340, before));

  // 100 pixels right and 150 up; the offset is in view units too.
  draw_at(pbdrag(kDrawAt), 22, 100 * kBigScale, 150 * kBigScale, true);
  EXPECT_EQ(pixel(150, 200, kRed), kRed);
  EXPECT_EQ(pixel(447, 230, kRed), kRed);
  EXPECT_EQ(pixel(220, 270, kRed), kRed);
  EXPECT_EQ(pixel(120, 120, kGreen), kGreen);
  EXPECT_EQ(pixel(50, 50, kBlack), kBlack);

  EXPECT_EQ(ask(pbdrag(kErase)).u16(22), 1);
  EXPECT_EQ("", region_differs(40, 40, 460, 340, before));
}

TEST_P(Drag, SubOperationsOutOfOrderOrForUnknownViewportsAreHarmless) {
  settle();
  const auto before = region(40, 40, 460, 340);
  ASSERT_FALSE(before.empty());
  // Nothing started: erase has nothing to take off, drawing has nothing to draw.
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  EXPECT_EQ(ask(pdrag(kDrawAt, 10, 10)).u16(12), 2);
  EXPECT_EQ(ask(pbdrag(kErase, 0, 0, 0, 0, 1, 1)).u16(22), 1);
  EXPECT_EQ(ask(pbdrag(kDrawAt, 5, 5, 0, 0, 1, 1)).u16(22), 2);
  // Viewports that are not open answer that there is nothing (more) to do.
  EXPECT_EQ(ask(pdrag(kErase, 0, 0, 0, 0, 1, 9)).u16(12), 1);
  EXPECT_EQ(ask(pdrag(kDrawAt, 0, 0, 0, 0, 1, 9)).u16(12), 2);
  EXPECT_EQ(ask(pbdrag(kDrawAt, 0, 0, 0, 0, 1, -3)).u16(22), 2);
  // Unknown sub-operations have no reply: the pnop's is the next one.
  send({pdrag(7), pdrag(0xFFFF), pbdrag(5), pdrag(kVector, 0, 0, 10, 10, 1, 9)});
  EXPECT_EQ("", region_differs(40, 40, 460, 340, before));

  // A vector sent without a start is still recorded and taken off by an erase.
  send({pdrag(kVector, 100, 100, 200, 100)});
  EXPECT_EQ(pixel(150, 100, kRed), kRed);
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  EXPECT_EQ("", region_differs(40, 40, 460, 340, before));

  // Offsets far outside the window draw nothing and hurt nothing.
  send({pbdrag(kStartOwnMatrix, 0, 0, 0, 0, 1, 1), pbdrag(kVector, 100, 100, 200, 100, 1, 1)});
  EXPECT_EQ(ask(pbdrag(kErase, 0, 0, 0, 0, 1, 1)).u16(22), 1);
  draw_at(pbdrag(kDrawAt, 0, 0, 0, 0, 1, 1), 22, INT32_MAX, INT32_MIN, true);
  EXPECT_EQ(ask(pbdrag(kErase, 0, 0, 0, 0, 1, 1)).u16(22), 1);

  // Closing the viewport drops its list; a late erase or draw is answered.
  send({pdrag(kStartOwnMatrix), pdrag(kVector, 100, 100, 200, 100)});
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  Packet close(39, 4);
  close.set_i16(2, 1);
  send({close});
  EXPECT_EQ(ask(pdrag(kDrawAt, 5, 5)).u16(12), 2);
  EXPECT_EQ(ask(pdrag(kErase)).u16(12), 1);
  EXPECT_EQ("", region_differs(40, 40, 460, 340, before));
}

INSTANTIATE_TEST_SUITE_P(Both, Drag, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
