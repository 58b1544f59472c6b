// Pixel blocks, buffers and the z-buffer as a pixel store.
#include "kgl_fixture.h"

#include <numeric>
#include <vector>

namespace {

using Pixels = KglTest;
using Buffers = KglTest;

TEST_F(Pixels, LrectRowsFromTheBottomRedInTheLowByte) {
  const Uint32 block[6] = {0x00332211, 2, 3, 4, 5, 6};   // 3 wide, 2 rows
  lrectwrite(10, 10, 12, 11, block);
  EXPECT_EQ(kgl_read_normal(10, 10), 0x00332211u);
  EXPECT_EQ(kgl_read_normal(12, 10), 3u);
  EXPECT_EQ(kgl_read_normal(10, 11), 4u);
  EXPECT_EQ(kgl_read_composited(10, 10), 0x112233u);

  Uint32 back[6] = {};
  EXPECT_EQ(lrectread(10, 10, 12, 11, back), 6);
  EXPECT_EQ(std::vector<Uint32>(back, back + 6), std::vector<Uint32>(block, block + 6));

  // Outside the window reads as 0 and writes nothing.
  Uint32 edge[4] = {9, 9, 9, 9};
  lrectread(-1, -1, 0, 0, edge);
  EXPECT_EQ(edge[0], 0u);
  EXPECT_EQ(edge[3], kgl_read_normal(0, 0));
  const Uint32 ones[4] = {1, 1, 1, 1};
  lrectwrite(W - 1, H - 1, W, H, ones);
  EXPECT_EQ(kgl_read_normal(W - 1, H - 1), 1u);
  EXPECT_EQ(count_set(), 7);
}

TEST_F(Pixels, WritesObeyMaskLogicOpAndWritemask) {
  std::vector<Uint32> block(5 * 5, 0x00FFFFFF);
  scrmask(11, 12, 0, H - 1);
  lrectwrite(10, 10, 14, 14, block.data());
  EXPECT_EQ(count_set(), 2 * 5);
  viewport(0, W - 1, 0, H - 1);

  logicop(KGL_LO_XOR);
  lrectwrite(10, 10, 14, 14, block.data());
  logicop(KGL_LO_SRC);
  EXPECT_EQ(count_set(), 3 * 5);
  EXPECT_EQ(kgl_read_normal(11, 12), 0u);

  wmpack(0x000000FF);   // red only
  cpack(0x00FFFFFF);
  clear();
  wmpack(0xFFFFFFFF);
  EXPECT_EQ(kgl_read_normal(11, 12), 0x000000FFu);
  EXPECT_EQ(kgl_read_normal(10, 12), 0x00FFFFFFu);
}

TEST_F(Pixels, RectcopyHandlesOverlap) {
  std::vector<Uint32> ramp(10);
  std::iota(ramp.begin(), ramp.end(), 1u);
  lrectwrite(0, 0, 9, 0, ramp.data());
  rectcopy(0, 0, 9, 0, 3, 0);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(kgl_read_normal(x, 0), static_cast<Uint32>(x + 1));
  for (int x = 3; x < 13; ++x) EXPECT_EQ(kgl_read_normal(x, 0), static_cast<Uint32>(x - 2)) << x;
  // A source partly outside the window copies its inside part only.
  rectcopy(-2, 0, 1, 0, 20, 5);
  EXPECT_EQ(kgl_read_normal(20, 5), 0u);
  EXPECT_EQ(kgl_read_normal(22, 5), 1u);
  EXPECT_EQ(kgl_read_normal(23, 5), 2u);
}

TEST_F(Pixels, RectreadGivesLayerIndices) {
  drawmode(KGL_OVERDRAW);
  const Uint16 idx[4] = {1, 2, 3, 7};
  rectwrite(5, 5, 8, 5, idx);
  Uint16 back[4] = {};
  rectread(5, 5, 8, 5, back);
  EXPECT_EQ(back[0], 1);
  EXPECT_EQ(back[2], 3);
  EXPECT_EQ(back[3], 3);   // two planes
  drawmode(KGL_NORMALDRAW);
  EXPECT_EQ(kgl_read_normal(5, 5), 0u);
}

TEST_F(Buffers, BackBufferShowsAfterSwap) {
  doublebuffer();
  gconfig();
  EXPECT_EQ(getdisplaymode(), KGL_DMRGBDOUBLE);
  cpack(RED);
  clear();
  EXPECT_EQ(kgl_read_normal(3, 3), 0u);
  EXPECT_EQ(kgl_read_back(3, 3), RED);
  EXPECT_EQ(kgl_read_composited(3, 3), 0u);
  swapbuffers();
  EXPECT_EQ(kgl_read_composited(3, 3), 0xFF0000u);

  // Both buffers at once, then a read of the back buffer.
  frontbuffer(1);
  backbuffer(1);
  cpack(0x0000FF00);
  rectfi(0, 0, 1, 1);
  EXPECT_EQ(kgl_read_normal(0, 0), 0x0000FF00u);
  EXPECT_EQ(kgl_read_back(0, 0), 0x0000FF00u);
  readsource(KGL_SRC_BACK);
  Uint32 v = 0;
  lrectread(5, 5, 5, 5, &v);
  EXPECT_EQ(v, 0u);   // the old front buffer, now the back
  readsource(KGL_SRC_AUTO);
}

// Pixels of both buffers change with the entry of their top byte: the back
// where it holds its own pixels, and where it mirrors the front.
TEST_F(Buffers, RecolouringByTheTopByteReachesBothBuffers) {
  constexpr int kW = 2 * W;   // two tiles across
  KglContext *wide = kgl_offscreen_create(kW, H);
  kgl_offscreen_make_current(wide);
  doublebuffer();
  gconfig();
  frontbuffer(1);
  backbuffer(1);
  cpack(0x05000011);
  clear();   // both buffers: the back mirrors the front
  backbuffer(0);
  cpack(0x06000011);
  rectfi(0, 0, 1, 1);   // the front alone: the left tile's back holds its own pixels
  Uint32 from[256], to[256];
  for (Uint32 t = 0; t < 256; ++t) from[t] = to[t] = t << 24;
  from[5] = 0x05000011, to[5] = 0x05002200;
  EXPECT_EQ(kgl_recolour_by_top_byte(0, 0, kW - 1, 0, from, to), kW - 2 + W);   // one row
  EXPECT_EQ(kgl_recolour_by_top_byte(-9, -9, kW + 9, H + 9, from, to), kW * (H - 1) - 2 + W * (H - 1));
  EXPECT_EQ(kgl_read_normal(0, 0), 0x06000011u);
  for (int x : {0, kW - 1}) {
    EXPECT_EQ(kgl_read_normal(x, H - 1), 0x05002200u);
    EXPECT_EQ(kgl_read_back(x, 0), 0x05002200u);
  }
  EXPECT_EQ(kgl_read_composited(kW - 1, H - 1), 0x002200u);
  EXPECT_EQ(kgl_recolour_by_top_byte(0, 0, kW - 1, H - 1, from, to), 0);
  EXPECT_EQ(kgl_recolour_by_top_byte(0, 0, kW - 1, H - 1, to, to), 0);
  kgl_offscreen_make_current(ctx);
  kgl_offscreen_destroy(wide);
}

TEST_F(Buffers, ZbufferClearsToTheLargestDepthAndStoresPixels) {
  cpack(0);
  EXPECT_EQ(getgdesc(5), 0x7FFFFF);
  zdraw(1);
  clear();
  zdraw(0);
  EXPECT_EQ(kgl_read_zbuffer(2, 2), 0u);
  zclear();
  EXPECT_EQ(kgl_read_zbuffer(2, 2), 0x7FFFFFu);

  // The stored-image round trip: screen into the z-buffer, then back.
  cpack(RED);
  rectfi(4, 4, 9, 9);
  readsource(KGL_SRC_AUTO);
  zdraw(1);
  rectcopy(0, 0, W - 1, H - 1, 0, 0);
  zdraw(0);
  EXPECT_EQ(kgl_read_zbuffer(5, 5), RED);
  cpack(0);
  clear();
  readsource(KGL_SRC_ZBUFFER);
  rectcopy(0, 0, W - 1, H - 1, 0, 0);
  readsource(KGL_SRC_AUTO);
  EXPECT_EQ(kgl_read_normal(5, 5), RED);
  EXPECT_EQ(count_set(), 36);
}

}  // namespace
