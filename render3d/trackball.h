// The virtual trackball of the VPOINT step: a drag of the pointer turns a
// ball lying under the window. Rotations are unit quaternions x, y, z (the
// vector part) then w; pointer positions run -1 to 1 across the window.
#pragma once

#include "kovagl/gl.h"

// The ball's radius in those coordinates.
inline constexpr float kTrackballSize = 0.8f;

// Additions since the quaternion sum was last renormalised: every 98th
// add_quats renormalises. Runs on for the life of the process.
extern int quat_add_count;

// The rotation that carries the ball point under (p1x, p1y) to the one under
// (p2x, p2y); exactly (0, 0, 0, 1) for a drag of no length.
void trackball(float q[4], float p1x, float p1y, float p2x, float p2y);
// The rotation by phi radians about axis (normalised in place first); the
// zero rotation when the axis has no direction.
void axis_to_quat(float axis[3], float phi, float q[4]);
// dest = the rotation q1 followed by q2; dest may be q1 or q2.
void add_quats(const float q1[4], const float q2[4], float dest[4]);
void build_rotmatrix(Matrix m, const float q[4]);
// The height of the ball's surface over (x, y): the sphere of radius r near
// the centre, the hyperbolic sheet that continues it further out.
float SphereProjection(float r, float x, float y);
// Pulls a quaternion that drifted a little from unit length back to it.
void NormaliseQuaternion(float q[4]);
