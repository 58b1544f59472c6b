// An off-screen window of kRW x kRH pixels set up as the rendering packets
// find it: the graphics state initialised, a rendering client at ADI level 8,
// colours 1 to 3 red, green and blue, the rendering state empty; all of it put
// back after the test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "base/config_record.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/rendering.h"
#include "support/saved_config.h"
#include "support/test_packet.h"

constexpr int kRW = 64, kRH = 48;
// As the screen shows them.
constexpr std::uint32_t kShownRed = 0xFF0000, kShownGreen = 0x00FF00, kShownBlue = 0x0000FF;

class RenderTest : public ::testing::Test {
 protected:
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[kColourCount][4];
  InitPacket saved_pkinit = Pkinit;
  ViewportRecord saved_vp[2] = {vp_info[0], vp_info[1]};
  int saved[6] = {xsize, ysize, Initialized, afterpinit, CurrentViewport, FirstTimeInACAD};
  int allocs = 0;

  void SetUp() override {
    ctx = kgl_offscreen_create(kRW, kRH);
    kgl_offscreen_make_current(ctx);
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    xsize = kRW, ysize = kRH;
    Initialized = 1;
    afterpinit = 1;
    FirstTimeInACAD = 0;
    draw_mode = KGL_NORMALDRAW;
    mmode(KGL_MSINGLE);
    MyOrtho2(0, kRW - 1, 0, kRH - 1);
    getmatrix(ScreenMatrix);
    InitializeRenderingMode();
    std::memset(DisplayMap, 0, sizeof DisplayMap);
    DisplayMap[1][0] = DisplayMap[2][1] = DisplayMap[3][2] = 1.0f;
    Pkinit.field[kPkinitFlags] = kInitShadeClient;
    Pkinit.field[kPkinitLevel] = 8;
    cfr.word(kWordColourGraphics) = 0;
    cfr.word(kWordRenderDepth) = 24;
    cfr.word(kWordRgbPixels) = 1;
    CurrentViewport = 0;
    vp_info[0].x1 = 0, vp_info[0].y1 = 0, vp_info[0].x2 = kRW - 1, vp_info[0].y2 = kRH - 1;
    in_rendering = new_image = is_redraw_needed = is_single_screen = rstretch = 0;
    allocs = alloc_count;
  }
  void TearDown() override {
    for (int i = 0; i < 2; ++i) {
      free_saved_pixels(i);
      vp_info[i] = saved_vp[i];
    }
    FreeRenderedImage();
    EXPECT_EQ(alloc_count, allocs);
    in_rendering = new_image = is_redraw_needed = is_single_screen = rstretch = 0;
    Pkinit = saved_pkinit;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    xsize = saved[0], ysize = saved[1], Initialized = saved[2], afterpinit = saved[3];
    CurrentViewport = saved[4], FirstTimeInACAD = saved[5];
    CurrentMatrixNumber = -1;
    kgl_offscreen_destroy(ctx);
  }

  // What the screen shows at (x, y), y up.
  static std::uint32_t shown(int x, int y) { return kgl_read_composited(x, y); }
  static void fill_black() {
    SelectScreenMatrix();
    const float black[3] = {0, 0, 0};
    c3f(black);
    clear();
  }
};
