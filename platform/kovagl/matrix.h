// Matrix stacks, viewport and screen mask of a context, and the transform of
// vertices to window coordinates.
#pragma once

#include "context.h"

#include <cmath>

// Homogeneous clip coordinates of a vertex (after the current matrix).
struct KglClipVertex {
  double x, y, z, w;
};

// Window coordinates (pixel centres at integers, y up) of a vertex.
struct KglWinVertex {
  double x, y;
};

// Identity matrices, the whole window as viewport and mask, and the pixel
// mapping ortho2(-0.5, width - 0.5, -0.5, height - 0.5) as the single matrix.
void kgl_matrix_reset(KglContext *c);
// Recomputes the product that vertices go through.
void kgl_update_xform(KglContext *c);
// Recomputes the 2D short cut from the matrix and the viewport.
void kgl_update_line_map(KglContext *c);

inline KglClipVertex kgl_transform(const KglContext *c, double x, double y, double z) {
  const auto &m = c->xform.m;
  return {x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0], x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1],
          x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2], x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3]};
}

// Window coordinates are kept on a grid of 1/1024 pixel, so that the rounding
// of single-precision matrices does not move a vertex meant to lie on a pixel
// centre or edge off it.
// (Scaling by a power of two, a product by 1/1024 is the quotient by 1024
// exactly, and takes a fraction of its time.)
inline double kgl_snap(double v) {
  return std::fabs(v) < 1e12 ? std::floor(v * 1024.0 + 0.5) * (1.0 / 1024.0) : v;
}

// The quotient of a clip coordinate by w; w is 1 under every parallel
// projection, and the quotient by 1 is the coordinate itself.
inline double kgl_by_w(double a, double w) { return w == 1.0 ? a : a / w; }

// Divides by w and applies the viewport. The vertex must have w > 0.
inline KglWinVertex kgl_to_window(const KglContext *c, const KglClipVertex &v) {
  const double nx = kgl_by_w(v.x, v.w), ny = kgl_by_w(v.y, v.w);
  return {kgl_snap(c->vp_l - 0.5 + (nx + 1.0) * 0.5 * (c->vp_r - c->vp_l + 1)),
          kgl_snap(c->vp_b - 0.5 + (ny + 1.0) * 0.5 * (c->vp_t - c->vp_b + 1))};
}

// The smallest w a vertex may have to be drawn (near the eye plane).
constexpr double KGL_MIN_W = 1e-6;
