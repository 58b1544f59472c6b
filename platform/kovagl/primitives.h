// The primitive being built between a bgn... and its end... call, and the
// rasterisers the vertices are handed to.
#pragma once

#include "matrix.h"

#include <cmath>
#include <cstdint>
#include <vector>

enum KglPrimKind : int {
  KGL_PRIM_NONE,
  KGL_PRIM_POINT,
  KGL_PRIM_LINE,
  KGL_PRIM_CLOSEDLINE,
  KGL_PRIM_POLYGON,
};

// A vertex the line fast path can take as it is: its pixel (window
// coordinates on the 1/1024 grid, rounded half up) within the guard band
// around the clip rectangle of the viewport and mask it was computed under
// (clip_serial then).
struct KglLineVertex {
  bool ok = false;
  std::int32_t x = 0, y = 0;
  unsigned serial = 0;
};

struct KglPrimitive {
  int kind = KGL_PRIM_NONE;
  int count = 0;                       // vertices so far
  KglClipVertex first{}, prev{};
  KglLineVertex prev_win;              // prev as the fast path sees it
  long long style_pos = 0;             // line-style pixels used so far
  std::vector<KglClipVertex> polygon;  // polygon vertices (capacity kept)
};

extern KglPrimitive kgl_prim;

// floor for |v| < 2^62, without a call into the maths library.
inline long long kgl_floor_ll(double v) {
  const long long t = static_cast<long long>(v);
  return static_cast<double>(t) > v ? t - 1 : t;
}

// A window coordinate on the 1/1024 grid (as kgl_snap) in integers, and the
// pixel it rounds to (half up).
inline long long kgl_snap_1024(double w) { return kgl_floor_ll(w * 1024.0 + 0.5); }
inline std::int32_t kgl_pixel_of_1024(long long s) { return static_cast<std::int32_t>((s + 512) >> 10); }

// The full transform of (x, y, 0) when the line map is valid: the same
// values, without the rows that give z and w; and its window coordinates.
inline KglClipVertex kgl_map_2d(const KglLineMap &m, double x, double y) {
  return {x * m.xx + y * m.xy + m.xc, x * m.yx + y * m.yy + m.yc, m.z, 1.0};
}
inline double kgl_window_x(const KglLineMap &m, const KglClipVertex &v) { return m.wx0 + (v.x + 1.0) * m.wxs; }
inline double kgl_window_y(const KglLineMap &m, const KglClipVertex &v) { return m.wy0 + (v.y + 1.0) * m.wys; }

// The state the fast path draws lines in: solid thin lines of the normal
// planes in RGB mode, source or exclusive-or, full write mask.
inline bool kgl_fast_line_state(const KglContext *c) {
  return c->layer == KGL_LAYER_NORMAL && c->rgb && !c->zdraw_on && c->rgbmask == 0xFFFFFFFFu && c->line_width == 1 &&
         (c->logic_op == KGL_LO_SRC || c->logic_op == KGL_LO_XOR) &&
         (c->line_style == 0 || kgl_linestyles[c->line_style] == 0xFFFF);
}

// The fast path's view of a vertex (ok false: only the general path can draw
// segments ending there). w exactly 1 (no perspective) makes the division by
// w change nothing; the near and far tests and the window mapping are
// kgl_draw_segment's and kgl_to_window's. kgl_line_vertex_at takes the window
// coordinates of such a vertex before snapping; whatever is not finite or
// lies beyond the guard band stays off the fast path.
inline KglLineVertex kgl_line_vertex_at(const KglContext *c, double wx, double wy) {
  KglLineVertex out;
  if (!(std::fabs(wx) < 1e12 && std::fabs(wy) < 1e12)) return out;
  const long long sx = kgl_snap_1024(wx), sy = kgl_snap_1024(wy);
  constexpr long long g = static_cast<long long>(KGL_GUARD) * 1024;
  const KglRect &k = c->clip;
  if (sx < k.x0 * 1024LL - g || sx > k.x1 * 1024LL + g || sy < k.y0 * 1024LL - g || sy > k.y1 * 1024LL + g)
    return out;
  out.x = kgl_pixel_of_1024(sx);
  out.y = kgl_pixel_of_1024(sy);
  out.serial = c->clip_serial;
  out.ok = true;
  return out;
}

inline KglLineVertex kgl_line_vertex(const KglContext *c, const KglClipVertex &v) {
  if (!(v.w == 1.0) || !std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) || v.w + v.z < 0 ||
      v.w - v.z < 0)
    return {};
  return kgl_line_vertex_at(c, kgl_window_x(c->line_map, v), kgl_window_y(c->line_map, v));
}

// Lines: one segment of a polyline. skip_first leaves out the pixel of the
// start vertex (drawn by the segment before), skip_last that of the end vertex.
void kgl_draw_segment(const KglClipVertex &a, const KglClipVertex &b, bool skip_first, bool skip_last);
void kgl_draw_point(const KglClipVertex &v);
// Draws the segment a - b as kgl_draw_segment would, when the state allows the
// fast path (solid thin lines of the normal planes in RGB mode, source or
// exclusive-or, full write mask) and both ends are fast vertices of the
// current viewport. False when it drew nothing and the general path must.
bool kgl_fast_segment(const KglLineVertex &a, const KglLineVertex &b, bool skip_first);
// Fills a polygon given in clip coordinates.
void kgl_fill_polygon(const KglClipVertex *v, int n);
// Fills window pixels x0..x1, y0..y1 (inclusive, clipped) with the current
// colour, logical operation, write mask and, when use_pattern, the pattern.
void kgl_fill_window_rect(int x0, int y0, int x1, int y1, bool use_pattern);
