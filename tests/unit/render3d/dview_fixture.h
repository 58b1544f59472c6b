// A DVIEW session over the tool fixture's window: viewport 1 rendered, a
// model of extents 0..100 seen from 200 units above its centre, an
// orthographic projection, and the clock of the steps held by the test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "render3d/dview.h"
#include "render3d/dview_steps.h"
#include "render3d/faces.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/vecmath.h"
#include "support/test_packet.h"
#include "unit/commands/tool_fixture.h"

inline int dview_clock;
inline void dview_clock_reset() {}
inline int dview_clock_read() { return dview_clock; }

class DviewTest : public ToolTest {
 protected:
  int saved_rendered = RenderedViewport, saved_projection = Projection;

  void SetUp() override {
    ToolTest::SetUp();
    RenderedViewport = 1, Projection = 1, BackfaceReject = 0;
    gd_zmin = 15, gd_zmax = 0x7FFFFF;
    ViewportRecord &vp = vp_info[1];
    for (int i = 0; i < 3; ++i) {
      vp.ext_min[i] = 0, vp.ext_max[i] = 100, vp.target[i] = 50;
      vp.view_dir[i] = i == 2 ? 200 : 0, vp.view_centre[i] = 0;
    }
    vp.viewmode = 0, vp.lens_length = 50, vp.view_size = 100;
    vp.fovy = 40, vp.persp_aspect = 0, vp.persp_near = 1, vp.persp_far = 1000;
    vp.ortho_left = vp.ortho_bottom = -100, vp.ortho_right = vp.ortho_top = 100;
    vp.ortho_near = 0, vp.ortho_far = 400;
    mmode(KGL_MPROJECTION);
    ortho(-100, 100, -100, 100, 0, 400);
    getmatrix(ProjectionMatrix);
    mmode(KGL_MVIEWING);
    midentity(ViewingMatrix);
    dview_reset_timer = dview_clock_reset, dview_read_timer = dview_clock_read;
    dview_clock = 1000;   // a page a slice
    reset_dview();
    New_FACE_Page();
    DviewCommand[0] = '\0';
    acadvar_req = switch_state = 0;
    DviewLastPointer[0] = DviewLastPointer[1] = 0;
    DviewTotalQuat[0] = DviewTotalQuat[1] = DviewTotalQuat[2] = 0, DviewTotalQuat[3] = 1;
  }
  void TearDown() override {
    acadvar_req = 0;
    reset_dview();
    dview_reset_timer = ResetTimer, dview_read_timer = ReadTimer;
    RenderedViewport = saved_rendered, Projection = saved_projection;
    ToolTest::TearDown();
  }

  // A routed digitizer request of the sample (code, x, y) to a step.
  static int request(int (*step)(Packet &), int code, int x, int y) {
    sample(code, x, y);
    TestPacket t(37, 8, {1, x, y});
    return step(t.p);
  }
  // Starts a step and lets the view variables arrive: the next request is
  // the first with the data.
  static void start(int state, int (*step)(Packet &), int x = 100, int y = 100) {
    DviewState = state, dview = 1;
    ASSERT_EQ(request(step, 2, x, y), 0);
    ASSERT_EQ(acadvar_req, 1);
    acadvar_req = PstringNeeded = 0;
  }
  static void add_faces(int n) {
    for (int i = 0; i < n; ++i) {
      FaceRecord *r = GetFACEListPtr();
      ASSERT_NE(r, nullptr);
      std::memset(r, 0, sizeof *r);
      r->kind = kRenderFlat, r->count = 3;
      for (int k = 0; k < 3; ++k) r->v[k].pos[0] = 10.0f + 40 * k, r->v[k].pos[1] = 10.0f + 40 * (k % 2);
      StoreFACEListPtr(kFaceRecordBytes);
    }
  }
  static std::string readout() { return reinterpret_cast<const char *>(DviewReadout) + 4; }
  static void expect_matrix(const Matrix expected, const char *what, float tolerance = 1e-3f) {
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) EXPECT_NEAR(DviewMatrix[i][j], expected[i][j], tolerance) << what << " " << i << j;
  }
  // The view from eye looking along -dir: translate, then turn.
  static void view_of(const Vector &dir, const Vector &eye, Matrix out) {
    Matrix t, u;
    mtranslate(-eye.x, -eye.y, -eye.z, t);
    mucs2wcs(u, dir);
    vmultmatrix(t, u, out);
  }
};
