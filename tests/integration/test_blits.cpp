// Saved boxes, saved blocks and bitmaps through the real programs: the screen
// under a box comes back when the box is popped, a block saved by handle comes
// back where it is restored, and bitmaps land where they are sent; all read
// back from the drawing window.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "driver_session.h"

using adiclient::Packet;

namespace {

struct Blits : DriverWindowTest {
  int xs = 0, ys = 0, cx = 0, cy = 0;

  void SetUp() override {
    Packet r;
    open_window_session(adiclient::pinit(), r);
    if (HasFatalFailure() || IsSkipped()) return;
    xs = r.i16(36);
    ys = r.i16(38);
    // The boxes go round a quarter of the window, away from the cursor drawn
    // at its centre.
    ASSERT_GT(xs, 400);
    ASSERT_GT(ys, 400);
    cx = xs / 4;
    cy = ys / 4;
  }

  void boxclr(int x1, int y1, int x2, int y2, int colour) {
    Packet p(27, 12);
    p.set_i16(2, x1), p.set_i16(4, y1), p.set_i16(6, x2), p.set_i16(8, y2), p.set_i16(10, colour);
    sync(p);
  }
  // Draws a mark beside the boxes and waits for it: everything sent before
  // is on the screen then.
  void settle() {
    boxclr(cx + 100, cy + 100, cx + 104, cy + 104, 4);
    ASSERT_EQ(wait_pixel(cx + 102, cy + 102, 0x00FFFF), 0x00FFFFu);
    boxclr(cx + 100, cy + 100, cx + 104, cy + 104, 0);
  }
  // pbigblit: x, y (from the window's top), width, height, flags, handle.
  Packet bigblit(int bx, int by, int width, int height, int flags, std::uint32_t handle = 0) {
    Packet p(74, 18);
    p.set_i16(2, bx), p.set_i16(4, by), p.set_i16(6, width), p.set_i16(8, height), p.set_i16(10, flags);
    p.set_u32(12, handle);
    p.set_u16(16, 0xBEEF);  // the status the driver must overwrite
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    Packet r = s->reply();
    EXPECT_EQ(r.opcode(), 74);
    EXPECT_EQ(r.u16(16), 0u);
    return r;
  }
  std::uint32_t save_block(int bx, int by, int width, int height) { return bigblit(bx, by, width, height, 1).u32(12); }

  // Waits for the window to show rgb at (px, py); answers what it showed last.
  std::uint32_t wait_pixel(int px, int py, std::uint32_t rgb) {
    std::uint32_t got = 0;
    wait_until(s->driver, [&] { return !adiclient::read_pixel(x, area, px, py, got) || got == rgb; });
    return got;
  }
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;
constexpr std::uint32_t kMagenta = 0xFF00FF, kCyan = 0x00FFFF;

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
  sync(pop);
  EXPECT_EQ(wait_pixel(cx, cy, kRed), kRed);
  EXPECT_EQ(wait_pixel(cx - 38, cy - 28, kRed), kRed);
  EXPECT_EQ(wait_pixel(cx + 38, cy + 28, kRed), kRed);

  // Popped once: the handle no longer restores anything.
  boxclr(cx - 10, cy - 10, cx + 10, cy + 10, 5);
  sync(pop);
  settle();
  std::uint32_t rgb = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, cx, cy, rgb));
  EXPECT_EQ(rgb, kBlue);
}

// A block with a different colour in each corner, so that a block put back
// upside down or shifted shows.
struct Block {
  int x, y, w, h;
};

TEST_P(Blits, ASavedBlockComesBackWhereItIsRestoredInItsOwnSize) {
  const Block b{cx - 60, cy - 40, 121, 81};
  boxclr(b.x, b.y, b.x + b.w - 1, b.y + b.h - 1, 1);
  boxclr(b.x, b.y, b.x + 59, b.y + 39, 3);                        // top left green
  boxclr(b.x + b.w - 31, b.y + b.h - 21, b.x + b.w - 1, b.y + b.h - 1, 5);  // bottom right blue
  ASSERT_EQ(wait_pixel(b.x + 2, b.y + 2, kGreen), kGreen);
  settle();

  const std::uint32_t handle = save_block(b.x, b.y, b.w, b.h);
  ASSERT_NE(handle, 0u);

  auto expect_block_at = [&](int bx, int by) {
    EXPECT_EQ(wait_pixel(bx + 1, by + 1, kGreen), kGreen);
    EXPECT_EQ(wait_pixel(bx + b.w - 2, by + 1, kRed), kRed);
    EXPECT_EQ(wait_pixel(bx + 1, by + b.h - 2, kRed), kRed);
    EXPECT_EQ(wait_pixel(bx + b.w - 2, by + b.h - 2, kBlue), kBlue);
    // Not a pixel further: the white around it stays.
    EXPECT_EQ(wait_pixel(bx + b.w, by + b.h / 2, kWhite), kWhite);
    EXPECT_EQ(wait_pixel(bx + b.w / 2, by + b.h, kWhite), kWhite);
    EXPECT_EQ(wait_pixel(bx - 1, by + b.h / 2, kWhite), kWhite);
    EXPECT_EQ(wait_pixel(bx + b.w / 2, by - 1, kWhite), kWhite);
  };

  // Painted over, then restored; the restore packet's own size is ignored.
  boxclr(b.x - 10, b.y - 10, b.x + b.w + 9, b.y + b.h + 9, 7);
  ASSERT_EQ(wait_pixel(b.x + 1, b.y + 1, kWhite), kWhite);
  bigblit(b.x, b.y, 3, 3, 2, handle);
  expect_block_at(b.x, b.y);

  // Restored again elsewhere: the block is kept until it is freed.
  const int ox = b.x + 180, oy = b.y + 30;
  boxclr(ox - 10, oy - 10, ox + b.w + 9, oy + b.h + 9, 7);
  bigblit(ox, oy, 0, 0, 2, handle);
  expect_block_at(ox, oy);

  // Restore and free in one: it comes back once more, then never again.
  boxclr(b.x - 10, b.y - 10, b.x + b.w + 9, b.y + b.h + 9, 7);
  bigblit(b.x, b.y, b.w, b.h, 6, handle);
  expect_block_at(b.x, b.y);
  boxclr(b.x - 10, b.y - 10, b.x + b.w + 9, b.y + b.h + 9, 7);
  bigblit(b.x, b.y, b.w, b.h, 2, handle);
  settle();
  std::uint32_t rgb = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, b.x + 1, b.y + 1, rgb));
  EXPECT_EQ(rgb, kWhite);
}

TEST_P(Blits, UnknownStaleAndMisplacedBlocksAreRefusedHarmlessly) {
  boxclr(cx - 40, cy - 40, cx + 40, cy + 40, 3);
  ASSERT_EQ(wait_pixel(cx, cy, kGreen), kGreen);
  const std::uint32_t green = save_block(cx - 20, cy - 20, 40, 40);
  ASSERT_NE(green, 0u);
  bigblit(0, 0, 0, 0, 4, green);  // freed
  boxclr(cx - 40, cy - 40, cx + 40, cy + 40, 1);
  ASSERT_EQ(wait_pixel(cx, cy, kRed), kRed);
  const std::uint32_t red = save_block(cx - 20, cy - 20, 40, 40);
  ASSERT_NE(red, 0u);
  // The freed slot is taken again, but the old handle does not name it.
  EXPECT_NE(red, green);

  boxclr(cx - 40, cy - 40, cx + 40, cy + 40, 7);
  ASSERT_EQ(wait_pixel(cx, cy, kWhite), kWhite);
  const std::uint32_t unknown[] = {green, 0u, 0xFFFFFFFFu, red ^ 0x100u, red + 1u, (red & ~0xFFu) | 0x63u,
                                   (red & ~0xFFu) | 0xFFu, (red & 0x0FFFFFFFu) | 0x20000000u};
  for (std::uint32_t h : unknown) {
    bigblit(cx - 20, cy - 20, 40, 40, 2, h);
    bigblit(cx - 20, cy - 20, 40, 40, 6, h);
    bigblit(cx - 20, cy - 20, 40, 40, 4, h);
  }
  // A restore where the block does not fit inside the window draws nothing
  // and keeps the block.
  bigblit(xs - 39, cy - 20, 40, 40, 2, red);
  bigblit(cx - 20, ys - 39, 40, 40, 2, red);
  bigblit(-1, cy - 20, 40, 40, 2, red);
  bigblit(cx - 20, -1, 40, 40, 2, red);
  settle();
  std::uint32_t rgb = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, cx, cy, rgb));
  EXPECT_EQ(rgb, kWhite);
  ASSERT_TRUE(adiclient::read_pixel(x, area, xs - 20, cy, rgb));
  EXPECT_NE(rgb, kRed);
  bigblit(cx - 20, cy - 20, 40, 40, 2, red);
  EXPECT_EQ(wait_pixel(cx, cy, kRed), kRed);

  // Blocks reaching outside the window, or of no size, are not saved.
  EXPECT_EQ(save_block(-1, 10, 20, 20), 0u);
  EXPECT_EQ(save_block(10, -1, 20, 20), 0u);
  EXPECT_EQ(save_block(xs - 19, 10, 20, 20), 0u);
  EXPECT_EQ(save_block(10, ys - 19, 20, 20), 0u);
  EXPECT_EQ(save_block(10, 10, 0, 20), 0u);
  EXPECT_EQ(save_block(10, 10, 20, -5), 0u);
  EXPECT_EQ(save_block(32767, 32767, 32767, 32767), 0u);
  EXPECT_NE(save_block(xs - 20, ys - 20, 20, 20), 0u);  // the last pixels fit

  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
}

TEST_P(Blits, AHundredBlocksFillTheTableAndAFreedOneMakesRoom) {
  std::vector<std::uint32_t> handles;
  for (int i = 0; i < 100; ++i) {
    handles.push_back(save_block(10 + i, 10, 2, 2));
    ASSERT_NE(handles.back(), 0u) << "block " << i;
  }
  EXPECT_EQ(save_block(10, 10, 2, 2), 0u);
  bigblit(0, 0, 0, 0, 4, handles[57]);
  const std::uint32_t again = save_block(10, 10, 2, 2);
  EXPECT_NE(again, 0u);
  EXPECT_NE(again, handles[57]);
  EXPECT_EQ(save_block(10, 10, 2, 2), 0u);
  // Every handle is its own.
  handles[57] = again;
  std::sort(handles.begin(), handles.end());
  EXPECT_EQ(std::adjacent_find(handles.begin(), handles.end()), handles.end());
}

// pbitblt: bytes per row, x, y, width, height, flags, foreground, background,
// then the rows. 10 pixels wide in 2 bytes a row: the last byte gives only
// two pixels, whatever else it has set.
Packet bitmap(int bx, int by, int flags) {
  const std::uint8_t rows[5][2] = {{0xFF, 0xC0}, {0x80, 0x7F}, {0x80, 0x40}, {0x80, 0x40}, {0x00, 0x00}};
  Packet p(69, 18 + sizeof rows);
  p.set_i16(2, 2), p.set_i16(4, bx), p.set_i16(6, by), p.set_i16(8, 10), p.set_i16(10, 5), p.set_i16(12, flags);
  p.set_i16(14, 1), p.set_i16(16, 3);
  for (int r = 0; r < 5; ++r) p.set_u8(18 + 2 * r, rows[r][0]), p.set_u8(19 + 2 * r, rows[r][1]);
  return p;
}

TEST_P(Blits, BitmapsLandOpaqueTransparentOrInExclusiveOr) {
  boxclr(cx - 60, cy - 30, cx + 60, cy + 30, 5);
  ASSERT_EQ(wait_pixel(cx, cy, kBlue), kBlue);
  // set: the foreground; clear: the background, the blue kept, or each
  // exclusive-or the blue.
  struct Case {
    int flags;
    std::uint32_t set, clear;
  };
  const Case cases[] = {{0, kRed, kGreen}, {4, kRed, kBlue}, {-1, kMagenta, kCyan}};
  int bx = cx - 50;
  const int by = cy - 10;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.flags);
    sync(bitmap(bx, by, c.flags));
    EXPECT_EQ(wait_pixel(bx + 5, by, c.set), c.set);  // the top row is the first row
    EXPECT_EQ(wait_pixel(bx, by + 2, c.set), c.set);
    EXPECT_EQ(wait_pixel(bx + 9, by + 1, c.set), c.set);
    EXPECT_EQ(wait_pixel(bx + 5, by + 2, c.clear), c.clear);
    EXPECT_EQ(wait_pixel(bx + 5, by + 4, c.clear), c.clear);
    EXPECT_EQ(wait_pixel(bx + 10, by + 1, kBlue), kBlue);  // past the width
    EXPECT_EQ(wait_pixel(bx + 5, by + 5, kBlue), kBlue);   // below the last row
    EXPECT_EQ(wait_pixel(bx - 1, by, kBlue), kBlue);
    EXPECT_EQ(wait_pixel(bx + 5, by - 1, kBlue), kBlue);
    bx += 30;
  }
  // Exclusive-or twice gives back what was there.
  sync(bitmap(bx - 30, by, -1));
  EXPECT_EQ(wait_pixel(bx - 25, by, kBlue), kBlue);
  EXPECT_EQ(wait_pixel(bx - 25, by + 2, kBlue), kBlue);

  // Bitmaps whose rows run past the packet, or wider than their rows, draw
  // nothing; the driver goes on answering.
  Packet short_rows = bitmap(bx, by, 0);
  short_rows.set_length(25);
  Packet too_wide = bitmap(bx, by, 0);
  too_wide.set_i16(8, 17);
  Packet no_rows = bitmap(bx, by, 0);
  no_rows.set_i16(2, 0);
  Packet huge = bitmap(bx, by, 0);
  huge.set_i16(10, 30000);
  for (const Packet &p : {short_rows, too_wide, no_rows, huge}) sync(p);
  settle();
  std::uint32_t rgb = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, bx + 5, by, rgb));
  EXPECT_EQ(rgb, kBlue);
}

TEST_P(Blits, BitmapsPartlyOutsideTheWindowAreCutAtItsEdges) {
  // Over the left edge, opaque: columns 5 to 9 of the bitmap show.
  boxclr(0, cy + 40, 30, cy + 60, 5);
  ASSERT_EQ(wait_pixel(10, cy + 50, kBlue), kBlue);
  sync(bitmap(-5, cy + 45, 0));
  EXPECT_EQ(wait_pixel(0, cy + 45, kRed), kRed);
  EXPECT_EQ(wait_pixel(4, cy + 45, kRed), kRed);
  EXPECT_EQ(wait_pixel(4, cy + 47, kRed), kRed);
  EXPECT_EQ(wait_pixel(1, cy + 47, kGreen), kGreen);
  EXPECT_EQ(wait_pixel(5, cy + 47, kBlue), kBlue);

  // Over the top right corner, transparent: rows 2 to 4 and columns 0 to 4
  // show, and what the clear bits cover is kept.
  std::uint32_t corner = 0, beside = 0;
  settle();
  ASSERT_TRUE(adiclient::read_pixel(x, area, xs - 4, 0, corner));
  ASSERT_TRUE(adiclient::read_pixel(x, area, xs - 6, 0, beside));
  sync(bitmap(xs - 5, -2, 4));
  EXPECT_EQ(wait_pixel(xs - 5, 0, kRed), kRed);
  EXPECT_EQ(wait_pixel(xs - 4, 0, corner), corner);
  EXPECT_EQ(wait_pixel(xs - 6, 0, beside), beside);
  // Over the other corners and wholly outside, in every mode: nothing breaks.
  sync(bitmap(xs - 5, ys - 3, -1));
  sync(bitmap(-9, -4, -1));
  sync(bitmap(xs, ys, 0));
  sync(bitmap(-10, -5, 4));
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
}

INSTANTIATE_TEST_SUITE_P(Both, Blits, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
