// The primitive being built between a bgn... and its end... call, and the
// rasterisers the vertices are handed to.
#pragma once

#include "matrix.h"

#include <vector>

enum KglPrimKind : int {
  KGL_PRIM_NONE,
  KGL_PRIM_POINT,
  KGL_PRIM_LINE,
  KGL_PRIM_CLOSEDLINE,
  KGL_PRIM_POLYGON,
};

struct KglPrimitive {
  int kind = KGL_PRIM_NONE;
  int count = 0;                       // vertices so far
  KglClipVertex first{}, prev{};
  long long style_pos = 0;             // line-style pixels used so far
  std::vector<KglClipVertex> polygon;  // polygon vertices (capacity kept)
};

extern KglPrimitive kgl_prim;

// Lines: one segment of a polyline. skip_first leaves out the pixel of the
// start vertex (drawn by the segment before), skip_last that of the end vertex.
void kgl_draw_segment(const KglClipVertex &a, const KglClipVertex &b, bool skip_first, bool skip_last);
void kgl_draw_point(const KglClipVertex &v);
// Fills a polygon given in clip coordinates.
void kgl_fill_polygon(const KglClipVertex *v, int n);
// Fills window pixels x0..x1, y0..y1 (inclusive, clipped) with the current
// colour, logical operation, write mask and, when use_pattern, the pattern.
void kgl_fill_window_rect(int x0, int y0, int x1, int y1, bool use_pattern);
