// The rendering set-up called directly: the rdinit reply at every depth, the
// colour map loaded and read back, the z-buffer switch, and the stored image
// put back and polygons drawn after the window changed size.
#include <array>
#include <string>

#include "base/build.h"
#include "base/string_tables.h"
#include "display/blits.h"
#include "adi/handlers.h"
#include "render_fixture.h"
#include "support/scoped_env.h"

namespace {

using Rendering = RenderTest;

TEST_F(Rendering, RdinitAnswersTheSameEveryTimeAtEachDepth) {
  const std::string id = GetString(212);
  const struct {
    int depth, flags, colours;
  } cases[] = {
      {8, 0x4802 | 0x10 | 0x2200 | 2, 256},
      {24, 0x4802 | 0x10 | 0x380 | 2, 0},
      {32, 0x4802 | 0x10 | 0x480 | 2, 0},
      {16, 0x4802 | 0x10 | 0x2200 | 2, 256},   // any other depth counts as 8
  };
  Pkinit.field[kPkinitFlags] = kInitFullSession;
  first_rdinit = 1;
  for (const auto &c : cases) {
    cfr.word(kWordRenderDepth) = c.depth;
    for (int time = 0; time < 2; ++time) {
      TestPacket t(2001, 24 + id.size() + 1);
      t.i16(8, 0x28 | 2);   // the bits the reply clears, and redraw needed
      ASSERT_EQ(rdinit(t.p), 1);
      EXPECT_EQ(t.p.u16(8), c.flags) << c.depth;
      EXPECT_EQ(t.p.u16(10), kRW);
      EXPECT_EQ(t.p.u16(12), kRH);
      EXPECT_EQ(t.p.u16(14), 1);
      EXPECT_EQ(t.p.u16(16), 1);
      EXPECT_EQ(t.p.u16(18), c.colours);
      EXPECT_EQ(t.p.u16(20), 255);
      EXPECT_EQ(t.p.u16(22), 256);
      EXPECT_EQ(t.p.text(24), id);
      EXPECT_EQ(RenderColors, c.colours);
    }
  }
  // A full drawing session stores no image; the set-up ran once.
  EXPECT_EQ(is_redraw_needed, 0);
  EXPECT_EQ(first_rdinit, 0);
  // The identification is cut to the packet, its NUL inside it.
  TestPacket short_one(2001, 30, {}, 0xEE);
  rdinit(short_one.p);
  EXPECT_EQ(short_one.p.text(24), id.substr(0, 5));
  EXPECT_EQ(short_one.bytes[29], 0);
  EXPECT_EQ(short_one.bytes[30], 0xEE);
}

TEST_F(Rendering, ColourMapLoadsAreCountedAndReadBack) {
  auto load = [](int index, int r, int g, int b) {
    TestPacket t(2008, 16, {0, 0, 0, index, r, g, b});
    rdcmap(t.p);
  };
  auto read = [](int index, int bits) {
    TestPacket t(2016, 18, {0, 0, 0, index});
    t.i16(16, bits);
    EXPECT_EQ(rdrcmap(t.p), 1);
    return std::array<int, 3>{t.p.u16(10), t.p.u16(12), t.p.u16(14)};
  };
  using RGB = std::array<int, 3>;
  TestPacket begin(2007, 8);
  rdcmapb(begin.p);
  load(0, 10, 20, 30);
  load(1, 40, 50, 300);    // held to 255
  load(256, 1, 1, 1);      // refused, not counted
  load(-1, 1, 1, 1);
  EXPECT_EQ(read(-1, 1), (RGB{2, 2, 2}));
  EXPECT_EQ(read(1, 1), (RGB{40, 50, 255}));
  EXPECT_EQ(read(2, 1), (RGB{0, 0, 0}));      // not below the count
  EXPECT_EQ(read(300, 1), (RGB{0, 0, 0}));
  EXPECT_EQ(read(1, 2), (RGB{40, 50, 255}));  // the colour drawn
  EXPECT_EQ(read(-1, 2), (RGB{256, 256, 256}));
  EXPECT_EQ(read(256, 2), (RGB{0, 0, 0}));
  // The widgets' table takes the colour and keeps its pixel.
  unsigned long pixel_before = 0, pixel = 0;
  int r, g, b;
  get_graph_clrtbl(0, &pixel_before, &r, &g, &b);
  read(0, 2);
  get_graph_clrtbl(0, &pixel, &r, &g, &b);
  EXPECT_EQ(pixel, pixel_before);
  EXPECT_EQ((RGB{r, g, b}), (RGB{10, 20, 30}));

  // Values of 0 to 63 for the modelling client.
  Pkinit.field[kPkinitFlags] = kInitModelClient;
  rdcmapb(begin.p);
  load(0, 63, 1, 100);
  EXPECT_EQ(read(0, 1), (RGB{63, 1, 63}));
  EXPECT_EQ(read(0, 2), (RGB{63, 1, 63}));
  EXPECT_EQ(read(-1, 1), (RGB{0, 0, 0}));   // one load, a quarter of it
  EXPECT_FLOAT_EQ(RenderMap[0][0], 252.0f);
  EXPECT_FLOAT_EQ(RenderMap[0][2], 255.0f);
}

TEST_F(Rendering, AnyAdiZbufferKeepsTheZbufferOff) {
  for (const char *value : {static_cast<const char *>(nullptr), "0", "1", "yes"}) {
    ScopedEnv env("ADI_ZBUFFER", value);
    init_zbuffer();
    EXPECT_EQ(ZbufferInstalled, value == nullptr ? 1 : 0) << (value ? value : "unset");
    EXPECT_EQ(gd_zmin, 15);
    EXPECT_EQ(gd_zmax, 0x7FFFFF);
    MyZbuffer(1);
    EXPECT_EQ(getzbuffer(), value == nullptr ? 1 : 0);
    MyZbuffer(0);
  }
}

// Set up for the first time, the second program also chooses its buffers.
TEST_F(Rendering, TheFirstSetUpChoosesTheBuffersInTheSecondProgram) {
  for (const int doubled : {1, 0}) {
    cfr.word(kWordDoubleBuffer) = doubled;
    cfr.word(kWordBufferMode) = 7;
    Initialized = 0;
    InitializeRenderingMode();
    EXPECT_EQ(Initialized, 1);
    EXPECT_EQ(cfr.word(kWordBufferMode), kSecondBuild ? 1 + doubled : 7);
    EXPECT_EQ(CurrentMatrixNumber, -1);
  }
}

TEST_F(Rendering, TheStoredImageComesBackWhereItMeetsTheWindow) {
  is_redraw_needed = 1;
  TestPacket none(2002, 8);
  rdstart(none.p);
  TestPacket range(2012, 56);
  range.f64(32, 0).f64(40, 0).f64(48, 1);   // blue background
  rdcrange(range.p);
  rdclear(none.p);
  // A red column at x 60..63 and a green row at y 44..47.
  TestPacket poly(2010, 56, {0, 0, 0, 0, 1, 1, 4});
  for (int k = 0; k < 4; ++k) poly.i16(16 + 2 * k, k == 0 || k == 3 ? 60 : 64).i16(36 + 2 * k, k < 2 ? 0 : 48);
  rdpoly(poly.p);
  poly.i16(10, 2).i16(12, 2);
  for (int k = 0; k < 4; ++k) poly.i16(16 + 2 * k, k == 0 || k == 3 ? 0 : 64).i16(36 + 2 * k, k < 2 ? 44 : 48);
  rdpoly(poly.p);
  ASSERT_EQ(shown(61, 10), kShownRed);
  ASSERT_EQ(shown(10, 45), kShownGreen);
  rdend(none.p);
  ASSERT_EQ(StorageOfRenderedImage, 2);
  EXPECT_EQ(MemoryStorage, 1);
  EXPECT_EQ(new_image, 0);

  // The window grows taller and narrower.
  KglContext *other = kgl_offscreen_create(40, 60);
  kgl_offscreen_make_current(other);
  rdstart(none.p);
  EXPECT_EQ(xsize, 40);
  EXPECT_EQ(shown(10, 10), kShownBlue);
  EXPECT_EQ(shown(10, 45), kShownGreen);
  EXPECT_EQ(shown(39, 45), kShownGreen);
  EXPECT_EQ(shown(10, 50), 0u);      // above the image
  // Nothing new drawn: the image stays as it was.
  rdend(none.p);
  EXPECT_EQ(RenderedWidth, kRW);
  EXPECT_EQ(RenderedHeight, kRH);
  // Polygons take the new size as the scan lines do: one unit a pixel up to
  // the window's top right corner.
  rdstart(none.p);
  poly.i16(10, 1).i16(12, 1);   // red, also in the palette the end loaded
  for (int k = 0; k < 4; ++k) poly.i16(16 + 2 * k, k == 0 || k == 3 ? 30 : 40).i16(36 + 2 * k, k < 2 ? 50 : 60);
  rdpoly(poly.p);
  EXPECT_EQ(shown(30, 50), kShownRed);
  EXPECT_EQ(shown(39, 59), kShownRed);
  rdend(none.p);
  kgl_offscreen_make_current(ctx);
  kgl_offscreen_destroy(other);
  xsize = kRW, ysize = kRH;
  // A rendering that keeps no image also leaves flat shading behind.
  is_redraw_needed = 0;
  rdstart(none.p);
  ASSERT_EQ(getsm(), 1);
  rdend(none.p);
  EXPECT_EQ(getsm(), 0);
  rdterm(none.p);
  EXPECT_EQ(StorageOfRenderedImage, 0);
  EXPECT_EQ(RenderLocation, nullptr);
  EXPECT_EQ(MemoryStorage, 0);
  Initialized = 1;
}

}  // namespace
