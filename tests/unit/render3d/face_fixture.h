// An off-screen context set up as a 3D drawing in pixel units: x, y in
// window pixels, eye z from 0 (near) to -2 (far), the 3D viewport leaving a
// frame of one pixel (and the mask a row more); the face list emptied after.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <initializer_list>

#include "base/config_record.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/faces.h"
#include "render3d/rendering.h"
#include "support/saved_config.h"

constexpr int kW = 64, kH = 48;
constexpr std::uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

class FaceTest : public ::testing::Test {
 protected:
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  ViewportRecord saved_vp = vp_info[0];
  int saved_rendered = RenderedViewport;

  void SetUp() override {
    ctx = kgl_offscreen_create(kW, kH);
    kgl_offscreen_make_current(ctx);
    cfr.word(kWordPageSize) = 4096;
    cfr.word(kWordColourGraphics) = 0;
    init_zbuffer();   // the z-buffer is there to be used
    gd_zmin = 15;
    gd_zmax = 0x7FFFFF;
    mmode(KGL_MPROJECTION);
    ortho(-0.5f, kW - 0.5f, -0.5f, kH - 0.5f, 0, 2);
    getmatrix(ProjectionMatrix);
    mmode(KGL_MVIEWING);
    std::memset(ViewingMatrix, 0, sizeof ViewingMatrix);
    for (int i = 0; i < 4; ++i) ViewingMatrix[i][i] = 1;
    RenderedViewport = 0;
    vp_info[0].x1 = 1, vp_info[0].x2 = kW - 2, vp_info[0].y1 = 1, vp_info[0].y2 = kH - 2;
    CurrentMatrixNumber = -1;
    SetClippingRectangle(1, kW - 2, 1, kH - 2, kMatrixProjection);
  }
  void TearDown() override {
    Free_FACE_List();
    FACE_redraw_all(0);   // forgets the material bound
    kgl_offscreen_destroy(ctx);
    vp_info[0] = saved_vp;
    RenderedViewport = saved_rendered;
    CurrentMatrixNumber = -1;
  }

  static FaceRecord face(std::initializer_list<std::array<float, 2>> xy, float z = -1) {
    FaceRecord r;
    std::memset(&r, 0, sizeof r);
    for (const auto &p : xy) {
      r.v[r.count].pos[0] = p[0], r.v[r.count].pos[1] = p[1], r.v[r.count].pos[2] = z;
      ++r.count;
    }
    r.colour[0] = 1, r.colour[1] = 1, r.colour[2] = 1;
    r.kind = r.count >= 3 ? kRenderFlat : kRenderPlainOutline;
    return r;
  }
  static void store(const FaceRecord &r) {
    FaceRecord *slot = GetFACEListPtr();
    ASSERT_NE(slot, nullptr);
    *slot = r;
    StoreFACEListPtr(kFaceRecordBytes);
  }
  static void clear_black() {
    const float black[3] = {0, 0, 0};
    c3f(black);
    clear();
  }
};
