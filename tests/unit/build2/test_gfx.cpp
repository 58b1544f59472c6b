// The second program's drawing layer on an off-screen context: buffers only
// with double buffering, the line-style cache, the logical operations, the
// planes kept current, and blocks of 16-bit colour indices.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/config_record.h"
#include "build2/gfx.h"
#include "commands/commands.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"

namespace {

class Gfx : public ::testing::Test {
 protected:
  static constexpr int W = 32, H = 16;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    gfxSetDrawMode(0);
  }
  void TearDown() override {
    kgl_offscreen_destroy(ctx);
    CurrentMatrixNumber = -1;
    draw_mode = KGL_NORMALDRAW;
  }
};

TEST_F(Gfx, BuffersAreSelectedOnlyWithDoubleBuffering) {
  cfr.word(kWordDoubleBuffer) = 0;
  BufferState = 7;
  const Int32 before = getbuffer();
  for (int mode : {0, 1, 2, 3}) {
    gfxSelectBuffer(mode);
    EXPECT_EQ(getbuffer(), before) << mode;
    EXPECT_EQ(BufferState, 7) << mode;
  }

  doublebuffer();
  gconfig();
  cfr.word(kWordDoubleBuffer) = 1;
  const struct {
    int mode;
    Int32 buffers;  // 1 back, 2 front, 3 both
    int state;
  } cases[] = {{1, 2, 1}, {2, 1, 2}, {3, 3, 3}, {9, 3, 3}};
  for (const auto &c : cases) {
    gfxSelectBuffer(c.mode);
    EXPECT_EQ(getbuffer(), c.buffers) << c.mode;
    EXPECT_EQ(BufferState, c.state) << c.mode;
  }
  // 0 shows what was drawn into the back buffer.
  gfxSelectBuffer(2);
  const std::uint32_t front = kgl_read_normal(5, 5);
  const float red[3] = {1, 0, 0};
  c3f(red);
  clear();
  EXPECT_EQ(kgl_read_normal(5, 5), front);
  gfxSelectBuffer(0);
  EXPECT_NE(kgl_read_normal(5, 5), front);
  EXPECT_EQ(kgl_read_normal(5, 5), kgl_read_normal(20, 10));
}

TEST_F(Gfx, AStyleSetAgainIsNotSetAgain) {
  deflinestyle(5, 0xF0F0);
  deflinestyle(6, 0x00FF);
  gfxSetLineStyle(6);
  gfxSetLineStyle(5);
  EXPECT_EQ(getlstyle(), 5);
  // Changed behind the layer's back: the layer still takes 5 as set.
  setlinestyle(6);
  gfxSetLineStyle(5);
  gfxSetLineStyle(0x10005);  // the same 16-bit value
  EXPECT_EQ(getlstyle(), 6);
  gfxSetLineStyle(0);
  EXPECT_EQ(getlstyle(), 0);
}

TEST_F(Gfx, LogicalOperationsByTheLayersNumbers) {
  const struct {
    int mode;
    Int32 op;
  } cases[] = {{-1, KGL_LO_XOR}, {1, KGL_LO_AND}, {2, KGL_LO_OR}, {0, KGL_LO_SRC}, {5, KGL_LO_SRC}, {-2, KGL_LO_SRC}};
  for (const auto &c : cases) {
    logicop(KGL_LO_ZERO);
    gfxSetLogicop(c.mode);
    EXPECT_EQ(getlogicop(), c.op) << c.mode;
  }
}

TEST_F(Gfx, ThePlanesAreMadeCurrentOnlyWhenTheyChange) {
  gfxSetDrawMode(3);
  EXPECT_EQ(getdrawmode(), KGL_OVERDRAW);
  EXPECT_EQ(draw_mode, KGL_OVERDRAW);
  EXPECT_EQ(CurrentMatrixNumber, -1);
  // Again, also by the first program's number: nothing is made current.
  CurrentMatrixNumber = 5;
  gfxSetDrawMode(3);
  MySetDrawmode(KGL_PUPDRAW);
  EXPECT_EQ(CurrentMatrixNumber, 5);
  EXPECT_EQ(gfxGetDrawMode().mode, 3);
  // The planes switched behind the layer's back are switched back.
  drawmode(KGL_NORMALDRAW);
  gfxSetDrawMode(3);
  EXPECT_EQ(getdrawmode(), KGL_OVERDRAW);
  EXPECT_EQ(CurrentMatrixNumber, -1);
  MySetDrawmode(KGL_NORMALDRAW);
  EXPECT_EQ(getdrawmode(), KGL_NORMALDRAW);
  EXPECT_EQ(gfxGetDrawMode().mode, 0);
  EXPECT_EQ(gfxGetDrawMode().planes, KGL_NORMALDRAW);
}

TEST_F(Gfx, BlocksOfColourIndicesWithoutRgbPixels) {
  cmode();
  gconfig();
  cfr.word(kWordRgbPixels) = 0;
  // 3 x 2 indices, packed, bottom row first; the corners in any order.
  const std::uint16_t indices[6] = {1, 2, 3, 4, 5, 6};
  std::vector<Uint32> block(6, 0xDEADBEEF);
  std::memcpy(block.data(), indices, sizeof indices);
  gfxBitBLT(12, 8, 10, 7, 0, block.data());
  Uint16 row[3] = {};
  rectread(10, 8, 12, 8, row);
  EXPECT_EQ(row[0], 4);
  EXPECT_EQ(row[2], 6);

  std::vector<Uint32> back(6, 0xDEADBEEF);
  gfxBitBLT(10, 7, 12, 8, 1, back.data());
  EXPECT_EQ(std::memcmp(back.data(), indices, sizeof indices), 0);
  EXPECT_EQ(back[3], 0xDEADBEEFu) << "only 16 bits a pixel are written";
}

}  // namespace
