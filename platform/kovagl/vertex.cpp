// Vertices: each goes through the current matrix and on to the primitive
// being built (points and lines are drawn as their vertices arrive).
#include "line_queue.h"
#include "primitives.h"
#include "raster.h"
#include "vertex3d.h"

KglPrimitive kgl_prim;

namespace {

// The next vertex of a line: the segment from the one before is drawn by the
// fast path when both ends allow it, else by the general one.
inline void line_vertex(const KglClipVertex &v, const KglLineVertex &w) {
  KglPrimitive &p = kgl_prim;
  if (p.count == 0)
    p.first = v;
  else if (!kgl_fast_segment(p.prev_win, w, p.count > 1))
    kgl_draw_segment(p.prev, v, p.count > 1, false);
  p.prev = v;
  p.prev_win = w;
  ++p.count;
}

// Every vertex but those of 2D lines the matrix allows a short cut for.
[[gnu::noinline]] void vertex_general(KglContext *c, double x, double y, double z) {
  const KglClipVertex v = kgl_transform(c, x, y, z);
  KglPrimitive &p = kgl_prim;
  switch (p.kind) {
    case KGL_PRIM_POINT:
      kgl_draw_point(v);
      break;
    case KGL_PRIM_LINE:
    case KGL_PRIM_CLOSEDLINE:
      line_vertex(v, kgl_line_vertex(c, v));
      return;
    case KGL_PRIM_POLYGON:
      p.polygon.push_back(v);
      break;
    default:
      return;
  }
  ++p.count;
}

inline KglLineVertex line_vertex_2d(const KglContext *c, const KglClipVertex &v) {
  return kgl_line_vertex_at(c, kgl_window_x(c->line_map, v), kgl_window_y(c->line_map, v));
}

inline void vertex(double x, double y, double z) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->s3d.path3d) {
    kgl_vertex_3d(c, x, y, z);
    return;
  }
  const int kind = kgl_prim.kind;
  if ((kind == KGL_PRIM_LINE || kind == KGL_PRIM_CLOSEDLINE) && z == 0.0 && c->line_map.ok) {
    const KglClipVertex v = kgl_map_2d(c->line_map, x, y);
    line_vertex(v, line_vertex_2d(c, v));
    return;
  }
  vertex_general(c, x, y, z);
}

}  // namespace

void v2i(const Int32 v[2]) { vertex(v[0], v[1], 0.0); }
void v2s(const Int16 v[2]) { vertex(v[0], v[1], 0.0); }
void v2f(const float v[2]) { vertex(v[0], v[1], 0.0); }
void v3i(const Int32 v[3]) { vertex(v[0], v[1], v[2]); }
void v3s(const Int16 v[3]) { vertex(v[0], v[1], v[2]); }
void v3f(const float v[3]) { vertex(v[0], v[1], v[2]); }
void kgl_vertex(double x, double y, double z) { vertex(x, y, z); }

namespace {

// kgl_line2i's other ways: the per-vertex fast path, else the general one.
[[gnu::noinline]] void line2i_vertices(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  if (c && kgl_prim.kind == KGL_PRIM_NONE && c->line_map.ok) {
    const KglLineMap &m = c->line_map;
    if (kgl_fast_segment(line_vertex_2d(c, kgl_map_2d(m, x1, y1)), line_vertex_2d(c, kgl_map_2d(m, x2, y2)), false))
      return;
  }
  const Int32 a[2] = {x1, y1}, b[2] = {x2, y2};
  bgnline();
  v2i(a);
  v2i(b);
  endline();
}

}  // namespace

namespace {

// -bound <= v <= bound in one comparison.
inline bool within(std::int64_t v, std::int64_t bound) {
  return static_cast<std::uint64_t>(v + bound) <= 2 * static_cast<std::uint64_t>(bound);
}

// Outside the 3D path and any primitive, with a line map, the front alone
// drawn in the fast state: segments whose ends lie surely inside the guard
// band (within the map's raw bound) go to the workers to map.
inline bool maps_lines(const KglContext *c) {
  return !c->s3d.path3d && kgl_prim.kind == KGL_PRIM_NONE && c->line_map.ok && kgl_fast_line_state(c) &&
         kgl_front_alone(c);
}

}  // namespace

void kgl_line2i(Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  KglContext *c = kgl_ctx;
  if (c && c->s3d.path3d) return kgl_line2i_3d(x1, y1, x2, y2);
  if (c && maps_lines(c)) {
    const std::int64_t bound = c->line_map.raw_bound;
    if (within(x1, bound) && within(y1, bound) && within(x2, bound) && within(y2, bound)) {
      kgl_queue_mapped_line(c, x1, y1, x2, y2);
      return;
    }
  }
  line2i_vertices(c, x1, y1, x2, y2);
}

void kgl_lines2s(const float rgb[3], const Uint32 *ends, int n) {
  KglContext *c = kgl_ctx;
  // kgl_line2i's test, once for all of them: every point lies within the bound.
  if (c && maps_lines(c) && c->line_map.raw_bound >= 0x7FFF) {
    c3f(rgb);
    kgl_queue_mapped_lines(c, ends, n);
    return;
  }
  for (int i = 0; i < n; ++i) {
    c3f(rgb);
    kgl_line2i(static_cast<Int32>(ends[2 * i] >> 16), static_cast<Int32>(ends[2 * i] & 0xFFFF),
               static_cast<Int32>(ends[2 * i + 1] >> 16), static_cast<Int32>(ends[2 * i + 1] & 0xFFFF));
  }
}

void kgl_polyline2i(const Int32 *xy, int n) {
  KglContext *c = kgl_ctx;
  // As kgl_line2i: the segments go to the workers to map, each after the
  // first without its first pixel, which the segment before drew.
  if (c && !kgl_recording() && maps_lines(c)) {
    const std::int64_t bound = c->line_map.raw_bound;
    bool inside = true;
    for (int i = 0; i < 2 * n; ++i) inside &= within(xy[i], bound);
    if (inside) {
      for (int i = 1; i < n; ++i)
        kgl_queue_mapped_line(c, xy[2 * i - 2], xy[2 * i - 1], xy[2 * i], xy[2 * i + 1], i > 1);
      return;
    }
  }
  bgnline();
  for (int i = 0; i < n; ++i) v2i(xy + 2 * i);
  endline();
}
