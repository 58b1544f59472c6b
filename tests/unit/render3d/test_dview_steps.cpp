// The DVIEW steps: for given pointers the read-out shown and the command
// prepared, and the view each builds, against the vector library.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dview_fixture.h"
#include "render3d/trackball.h"

namespace {

class DviewSteps : public DviewTest {
 protected:
  ViewportRecord wide{};   // 1000 x 1000 pixels from (0, 0)
  void SetUp() override {
    DviewTest::SetUp();
    wide = vp_info[1];
    wide.x1 = 0, wide.x2 = 999, wide.y1 = 0, wide.y2 = 999;
    ReadViewData(wide);   // camera 200 above (50, 50, 50)
  }
  void move(const DviewStep &step, int x, int y) {
    DviewPointer[0] = x, DviewPointer[1] = y;
    float ux, uy;
    PointerToUnit(x, y, wide, &ux, &uy);
    step.moved(wide, ux, uy);
  }
};

TEST_F(DviewSteps, ReadoutsAndCommandsFollowThePointer) {
  struct Case {
    const DviewStep *step;
    int projection, x, y;
    const char *readout, *command;
  };
  const Case cases[] = {
      // The last pixel at the right: 0.998 of the way, 179.6 degrees.
      {&kCameraStep, 1, 999, 500, "<XY:+0.0 <X:+179.6", "(command \"_DVIEW\" \"\" \"_CA\" \"0\" \"179.6\" \"\")"},
      // Near the top: 89.8 shown (the view uses 88.5).
      {&kCameraStep, 1, 500, 999, "<XY:+89.8 <X:+0.0", "(command \"_DVIEW\" \"\" \"_CA\" \"89.8\" \"0\" \"\")"},
      {&kTargetStep, 1, 250, 250, "<XY:-45.0 <X:-90.0", "(command \"_DVIEW\" \"\" \"_TA\" \"-45\" \"-90\" \"\")"},
      // Distance 200 at the centre, 1/16 of it at the left edge.
      {&kDistanceStep, 1, 500, 500, "Dist:200.000000", "(command \"_DVIEW\" \"\" \"_D\" \"200\" \"\")"},
      {&kDistanceStep, 1, 0, 500, "Dist:12.500000", "(command \"_DVIEW\" \"\" \"_D\" \"12.5\" \"\")"},
      {&kZoomStep, 1, 500, 500, "Zoom:1.00X", "(command \"_DVIEW\" \"\" \"_Z\" \"1\" \"\")"},
      {&kZoomStep, 1, 999, 500, "Zoom:15.91X", "(command \"_DVIEW\" \"\" \"_Z\" \"15.9115\" \"\")"},
      {&kZoomStep, 2, 0, 500, "Lens:3.12mm", "(command \"_DVIEW\" \"\" \"_Z\" \"3.125\" \"\")"},
      // On the vertical centre line: straight up or down.
      {&kTwistStep, 1, 500, 999, "Twist: 90.0", "(command \"_DVIEW\" \"\" \"_TW\" \"90\" \"\")"},
      {&kTwistStep, 1, 500, 0, "Twist:-90.0", "(command \"_DVIEW\" \"\" \"_TW\" \"-90\" \"\")"},
      // No drag: the view direction as it starts.
      {&kVpointStep, 1, 0, 0, "X:+0.00 Y:+0.00 Z:+1.00", "(setq pt1 '(0 0 1))(command \"_VPOINT\" pt1)"},
  };
  for (const Case &c : cases) {
    Projection = c.projection;
    move(*c.step, c.x, c.y);
    EXPECT_EQ(readout(), c.readout);
    EXPECT_EQ(DviewReadout[3], std::string(c.readout).size()) << c.readout;
    EXPECT_STREQ(DviewCommand, c.command) << c.readout;
  }
  // A read-out longer than the 25 characters shown is cut there.
  wide.camera_distance = 1e30f;
  move(kDistanceStep, 500, 500);
  EXPECT_EQ(readout().size(), 25u);
  EXPECT_EQ(DviewReadout[3], 25);
}

TEST_F(DviewSteps, ViewsAgainstTheVectorLibrary) {
  const Vector target = {50, 50, 50}, camera = {50, 50, 250};
  Matrix expected;
  const auto from = [](float azimuth, float elevation, float distance) {
    Vector dir;
    DirectionFromAngles(azimuth, elevation, dir);
    vscale(dir, distance);
    return dir;
  };

  // Camera near the top: the view stops at 88.5 degrees.
  move(kCameraStep, 999, 999);
  kCameraStep.view(wide);
  Vector dir = from(1796, 885, 200);
  view_of(dir, Vector{target.x + dir.x, target.y + dir.y, target.z + dir.z}, expected);
  expect_matrix(expected, "camera");

  // Target: the camera stays, the line of sight turns round.
  move(kTargetStep, 250, 250);
  kTargetStep.view(wide);
  view_of(from(900, 450, 200), camera, expected);
  expect_matrix(expected, "target");

  // Twist by 90 degrees about the line of sight.
  move(kTwistStep, 500, 999);
  kTwistStep.view(wide);
  Matrix t, u, r, ur;
  mucs2wcs(u, Vector{0, 0, 200});
  mrotate_z(90, r);
  vmultmatrix(u, r, ur);
  mtranslate(-camera.x, -camera.y, -camera.z, t);
  vmultmatrix(t, ur, expected);
  expect_matrix(expected, "twist");

  // VPOINT: a drag turns the direction; the eye stays at the distance.
  DviewLastPointer[0] = 500, DviewLastPointer[1] = 500;
  move(kVpointStep, 700, 500);
  kVpointStep.view(wide);
  build_rotmatrix(r, DviewTotalQuat);
  vtransform(Vector{0, 0, 1}, r, dir);
  EXPECT_LT(dir.z, 0.99f);
  EXPECT_EQ(DviewLastPointer[0], 700);
  view_of(dir, Vector{target.x + dir.x * 200, target.y + dir.y * 200, target.z + dir.z * 200}, expected);
  expect_matrix(expected, "vpoint");

  // Orthographic zoom: the viewport's own view scaled, never compounded.
  mtranslate(0, 0, -10, ViewingMatrix);
  move(kZoomStep, 999, 500);
  kZoomStep.view(wide);
  kZoomStep.view(wide);
  mscale(15.9115f, 15.9115f, 15.9115f, u);
  vmultmatrix(u, ViewingMatrix, expected);
  expect_matrix(expected, "zoom", 1e-2f);

  // Distance 1/16 of 200 with perspective: the camera inside the model's
  // reach of 86.6, so near is raised to far / 10000.
  wide.viewmode = 1;
  ReadViewData(wide);
  move(kDistanceStep, 0, 500);
  kDistanceStep.view(wide);
  EXPECT_FLOAT_EQ(DviewFar, 12.5f + std::sqrt(3.0f) * 50);
  EXPECT_FLOAT_EQ(DviewNear, DviewFar / 10000);
  view_of(Vector{0, 0, 12.5f}, Vector{50, 50, 62.5f}, expected);
  expect_matrix(expected, "distance");
}

}  // namespace
