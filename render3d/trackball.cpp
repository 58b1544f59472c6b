// The virtual trackball: pointer drags as rotations of a ball under the
// window, kept as unit quaternions.
#include "render3d/trackball.h"

#include <cmath>

#include "render3d/vecmath.h"

int quat_add_count;

float SphereProjection(float r, float x, float y) {
  const float d = std::sqrt(x * x + y * y);
  if (d < r * 0.7071067811865476f) return std::sqrt(r * r - d * d);
  const float t = r / 1.414213562373095f;
  return t * t / d;
}

void axis_to_quat(float axis[3], float phi, float q[4]) {
  Vector a = {axis[0], axis[1], axis[2]};
  const float length = vlength(a);
  // Points so close that their cross product vanishes turn nothing; a NaN
  // axis must not reach the view.
  if (!(length > 0) || !std::isfinite(length)) {
    q[0] = q[1] = q[2] = 0;
    q[3] = 1;
    return;
  }
  vnormal(a);
  axis[0] = a.x, axis[1] = a.y, axis[2] = a.z;
  const float s = std::sin(phi / 2);
  q[0] = a.x * s, q[1] = a.y * s, q[2] = a.z * s;
  q[3] = std::cos(phi / 2);
}

void trackball(float q[4], float p1x, float p1y, float p2x, float p2y) {
  if (p1x == p2x && p1y == p2y) {
    q[0] = q[1] = q[2] = 0;
    q[3] = 1;
    return;
  }
  const Vector p1 = {p1x, p1y, SphereProjection(kTrackballSize, p1x, p1y)};
  const Vector p2 = {p2x, p2y, SphereProjection(kTrackballSize, p2x, p2y)};
  Vector a, d;
  vcross(p2, p1, a);
  vsub(p1, p2, d);
  float t = vlength(d) / (2.0f * kTrackballSize);
  if (t > 1.0f) t = 1.0f;
  if (t < -1.0f) t = -1.0f;
  float axis[3] = {a.x, a.y, a.z};
  axis_to_quat(axis, 2.0f * std::asin(t), q);
}

void NormaliseQuaternion(float q[4]) {
  const float mag = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
  if (!(mag > 0)) return;
  for (int i = 0; i < 4; ++i) q[i] /= mag;
}

void add_quats(const float q1[4], const float q2[4], float dest[4]) {
  const Vector v1 = {q1[0], q1[1], q1[2]}, v2 = {q2[0], q2[1], q2[2]};
  Vector t3;
  vcross(v2, v1, t3);
  float sum[4];
  sum[0] = v1.x * q2[3] + v2.x * q1[3] + t3.x;
  sum[1] = v1.y * q2[3] + v2.y * q1[3] + t3.y;
  sum[2] = v1.z * q2[3] + v2.z * q1[3] + t3.z;
  sum[3] = q1[3] * q2[3] - vdot(v1, v2);
  for (int i = 0; i < 4; ++i) dest[i] = sum[i];
  if (++quat_add_count > 97) {
    quat_add_count = 0;
    NormaliseQuaternion(dest);
  }
}

void build_rotmatrix(Matrix m, const float q[4]) {
  const float x = q[0], y = q[1], z = q[2], w = q[3];
  m[0][0] = 1 - 2 * (y * y + z * z);
  m[0][1] = 2 * (x * y - z * w);
  m[0][2] = 2 * (z * x + y * w);
  m[0][3] = 0;
  m[1][0] = 2 * (x * y + z * w);
  m[1][1] = 1 - 2 * (z * z + x * x);
  m[1][2] = 2 * (y * z - x * w);
  m[1][3] = 0;
  m[2][0] = 2 * (z * x - y * w);
  m[2][1] = 2 * (y * z + x * w);
  m[2][2] = 1 - 2 * (y * y + x * x);
  m[2][3] = 0;
  m[3][0] = m[3][1] = m[3][2] = 0;
  m[3][3] = 1;
}
