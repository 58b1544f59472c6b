// Vertices: each goes through the current matrix and on to the primitive
// being built (points and lines are drawn as their vertices arrive).
#include "primitives.h"

KglPrimitive kgl_prim;

namespace {

void vertex(double x, double y, double z) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const KglClipVertex v = kgl_transform(c, x, y, z);
  KglPrimitive &p = kgl_prim;
  switch (p.kind) {
    case KGL_PRIM_POINT:
      kgl_draw_point(v);
      break;
    case KGL_PRIM_LINE:
    case KGL_PRIM_CLOSEDLINE: {
      const KglLineVertex w = kgl_line_vertex(c, v);
      if (p.count == 0)
        p.first = v;
      else if (!kgl_fast_segment(p.prev_win, w, p.count > 1))
        kgl_draw_segment(p.prev, v, p.count > 1, false);
      p.prev = v;
      p.prev_win = w;
      break;
    }
    case KGL_PRIM_POLYGON:
      p.polygon.push_back(v);
      break;
    default:
      return;
  }
  ++p.count;
}

}  // namespace

void v2i(const Int32 v[2]) { vertex(v[0], v[1], 0.0); }
void v2s(const Int16 v[2]) { vertex(v[0], v[1], 0.0); }
void v2f(const float v[2]) { vertex(v[0], v[1], 0.0); }
void v3i(const Int32 v[3]) { vertex(v[0], v[1], v[2]); }
void v3s(const Int16 v[3]) { vertex(v[0], v[1], v[2]); }
void v3f(const float v[3]) { vertex(v[0], v[1], v[2]); }
