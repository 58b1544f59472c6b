// The virtual trackball: the drags that need care and the renormalisation
// rhythm of the sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "render3d/trackball.h"
#include "render3d/vecmath.h"

namespace {

TEST(Trackball, DragsGiveTheirRotations) {
  struct Case {
    float p1x, p1y, p2x, p2y;
    float axis[3];
    double degrees;
  };
  const Case cases[] = {
      // From the centre onto the hyperbolic sheet: heights 0.8 and 0.4.
      {0, 0, 0.8f, 0, {0, -1, 0}, 67.98},
      // Longer than the diameter: clamped to half a turn.
      {-1, -1, 1, 1, {0.70710678f, -0.70710678f, 0}, 180.0},
  };
  for (const Case &c : cases) {
    float q[4];
    trackball(q, c.p1x, c.p1y, c.p2x, c.p2y);
    const double half = std::acos(std::clamp(static_cast<double>(q[3]), -1.0, 1.0));
    EXPECT_NEAR(half * 360 / 3.141592653589793, c.degrees, 0.01) << c.p2x;
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(q[i] / std::sin(half), c.axis[i], 1e-4) << c.p2x << " " << i;
  }
  // No drag, or an axis with no direction: exactly no rotation, never NaN.
  float q[4] = {9, 9, 9, 9}, none[3] = {0, 0, 0};
  trackball(q, 0.3f, -0.2f, 0.3f, -0.2f);
  EXPECT_TRUE(q[0] == 0 && q[1] == 0 && q[2] == 0 && q[3] == 1);
  axis_to_quat(none, 1.0f, q);
  EXPECT_EQ(q[3], 1.0f);
}

TEST(Trackball, EveryNinetyEighthSumIsRenormalised) {
  const float none[4] = {0, 0, 0, 1};
  quat_add_count = 0;
  float q[4] = {0, 0, 0, 1.01f};
  for (int i = 0; i < 97; ++i) add_quats(q, none, q);
  EXPECT_FLOAT_EQ(q[3], 1.01f);
  add_quats(q, none, q);   // divided by the squared length
  EXPECT_FLOAT_EQ(q[3], 1.0f / 1.01f);
  EXPECT_EQ(quat_add_count, 0);
  // Two quarter turns about z make a half turn that sends x to -x.
  float axis[3] = {0, 0, 2}, quarter[4];
  axis_to_quat(axis, 3.14159265f / 2, quarter);
  add_quats(quarter, quarter, q);
  Matrix m;
  build_rotmatrix(m, q);
  Vector out;
  vtransform(Vector{1, 0, 0}, m, out);
  EXPECT_NEAR(out.x, -1, 1e-6);
  EXPECT_NEAR(out.y, 0, 1e-6);
}

}  // namespace
