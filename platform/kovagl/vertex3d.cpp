// The 3D path of vertices: colours (lit or current) kept per vertex, points
// and lines drawn as their vertices arrive, polygons clipped, culled and
// filled at endpolygon. Whatever needs no depth test, no depth cue and only
// one colour is handed to the 2D rasterisers in that colour, so that both
// paths give the same pixels.
#include "vertex3d.h"

#include "zraster.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The line being drawn and the polygon being built (capacity kept).
KglVertex3 first3, prev3;
std::vector<KglVertex3> poly3, clip_a, clip_b;
std::vector<KglWin3> win3;
// The eye frames of the polygon's vertices that wait for their colour; the
// last one is kept for the next polygon, which mostly comes under it too.
std::vector<KglEyeFrame> frames;
// The context whose bindings light the polygon's vertices that wait for
// their colour (null: none waits).
KglContext *pending_ctx = nullptr;

float unit(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }   // NaN gives 0

// The current colour as floats: what c3f gave when it is still in force,
// else the bytes of the packed colour.
void current_rgb(const KglContext *c, float rgb[3]) {
  if (c->rgba == c->c3f_out) {
    for (int i = 0; i < 3; ++i) rgb[i] = unit(c->c3f_in[i]);
    return;
  }
  for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>((c->rgba >> (8 * i)) & 0xFFu) / 255.0f;
}

KglVertex3 make_vertex(KglContext *c, double x, double y, double z) {
  KglVertex3 v;
  v.clip = kgl_transform(c, x, y, z);
  if (kgl_lighting_on(c)) {
    kgl_light_vertex(c, x, y, z, v.rgb);
    v.packed = kgl_pack_rgb(v.rgb);
  } else {
    current_rgb(c, v.rgb);
    v.packed = c->rgba;
  }
  return v;
}

// A vertex of a polygon: lit only once the polygon is known to be drawn
// (a face turned away and culled never is), from what lighting takes of it
// now.
void add_polygon_vertex(KglContext *c, double x, double y, double z) {
  if (!kgl_lighting_on(c)) {
    poly3.push_back(make_vertex(c, x, y, z));
    return;
  }
  if (pending_ctx && pending_ctx != c) kgl_light_pending();
  // Filled in place of being cleared first: this is done for every vertex.
  if (frames.empty() || !kgl_eye_frame_holds(c, frames.back())) {
    KglEyeFrame f;
    kgl_eye_frame(c, f);
    frames.push_back(f);
  }
  KglVertex3 v;
  v.clip = kgl_transform(c, x, y, z);
  v.shaded = false;
  v.frame = static_cast<int>(frames.size()) - 1;
  v.position[0] = x, v.position[1] = y, v.position[2] = z;
  const float *n = c->s3d.normal;
  v.normal[0] = n[0], v.normal[1] = n[1], v.normal[2] = n[2];
  poly3.push_back(v);
  pending_ctx = c;
}

// The paint of a primitive with these vertices (the last one's colour is
// the flat colour); false when the 2D rasterisers draw it.
bool paint_for(const KglContext *c, const KglVertex3 *v, int n, KglPaint3 &p) {
  const bool normal = c->layer == KGL_LAYER_NORMAL && !c->zdraw_on;
  p.ztest = normal && c->zbuffer_on;
  p.colour = KGL_COLOUR_FLAT;
  if (normal && c->rgb) {
    if (c->depth_cue) {
      p.colour = KGL_COLOUR_CUE;
    } else if (c->shade_model) {
      for (int i = 0; i < n - 1; ++i)
        if (v[i].packed != v[n - 1].packed) p.colour = KGL_COLOUR_SMOOTH;
    }
  }
  p.flat = c->rgb ? v[n - 1].packed : c->index[KGL_LAYER_NORMAL];
  p.zlo = std::min(c->depth_near, c->depth_far);
  p.zhi = std::max(c->depth_near, c->depth_far);
  return p.ztest || p.colour != KGL_COLOUR_FLAT;
}

// Draws with the 2D rasterisers in the colour packed (RGB mode).
template <typename Draw>
void draw_2d(KglContext *c, Uint32 packed, Draw draw) {
  const Uint32 saved = c->rgba;
  if (c->rgb) c->rgba = packed;
  draw();
  c->rgba = saved;
}

void segment(KglContext *c, const KglVertex3 &a, const KglVertex3 &b, bool skip_first, bool skip_last) {
  const KglVertex3 ends[2] = {a, b};
  KglPaint3 paint;
  if (paint_for(c, ends, 2, paint))
    kgl_draw_line_3d(paint, a, b, skip_first, skip_last);
  else
    draw_2d(c, b.packed, [&] { kgl_draw_segment(a.clip, b.clip, skip_first, skip_last); });
}

void point(KglContext *c, const KglVertex3 &v) {
  KglPaint3 paint;
  if (paint_for(c, &v, 1, paint))
    kgl_draw_point_3d(paint, v);
  else
    draw_2d(c, v.packed, [&] { kgl_draw_point(v.clip); });
}

KglVertex3 lerp(const KglVertex3 &a, const KglVertex3 &b, double t) {
  KglVertex3 r;
  r.clip = {a.clip.x + (b.clip.x - a.clip.x) * t, a.clip.y + (b.clip.y - a.clip.y) * t,
            a.clip.z + (b.clip.z - a.clip.z) * t, a.clip.w + (b.clip.w - a.clip.w) * t};
  for (int i = 0; i < 3; ++i) r.rgb[i] = static_cast<float>(a.rgb[i] + (b.rgb[i] - a.rgb[i]) * t);
  r.packed = a.packed;
  return r;
}

// Sutherland-Hodgman against p(v) >= 0 in clip space, as the 2D fill clips.
template <typename Plane>
void clip_plane(const std::vector<KglVertex3> &in, std::vector<KglVertex3> &out, Plane p) {
  out.clear();
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    const KglVertex3 &a = in[i], &b = in[(i + 1) % n];
    const double pa = p(a.clip), pb = p(b.clip);
    if (pa >= 0) out.push_back(a);
    if ((pa >= 0) != (pb >= 0)) out.push_back(lerp(a, b, pa / (pa - pb)));
  }
}

void fill_polygon(KglContext *c) {
  const int n = static_cast<int>(poly3.size());
  if (n < 3) return;
  for (const KglVertex3 &v : poly3)
    if (!std::isfinite(v.clip.x) || !std::isfinite(v.clip.y) || !std::isfinite(v.clip.z) || !std::isfinite(v.clip.w))
      return;

  const std::vector<KglVertex3> *pv = &poly3;
  bool cut = false;
  for (const KglVertex3 &v : poly3) cut = cut || v.clip.w < KGL_MIN_W || v.clip.z > v.clip.w || v.clip.z < -v.clip.w;
  if (cut) {
    // The colours of the cut vertices come from their neighbours'.
    kgl_light_pending();
    clip_plane(poly3, clip_b, [](const KglClipVertex &q) { return q.w - KGL_MIN_W; });
    clip_plane(clip_b, clip_a, [](const KglClipVertex &q) { return q.w + q.z; });
    clip_plane(clip_a, clip_b, [](const KglClipVertex &q) { return q.w - q.z; });
    if (clip_b.size() < 3) return;
    pv = &clip_b;
  }
  const int m = static_cast<int>(pv->size());
  win3.resize(m);
  double area2 = 0;
  for (int i = 0; i < m; ++i) {
    const KglWinVertex w = kgl_to_window(c, (*pv)[i].clip);
    win3[i].x = w.x;
    win3[i].y = w.y;
  }
  for (int i = 0; i < m; ++i) {
    const KglWin3 &a = win3[i], &b = win3[i + 1 < m ? i + 1 : 0];
    area2 += a.x * b.y - b.x * a.y;
  }
  if ((c->back_face && area2 < 0) || (c->front_face && area2 > 0)) return;

  kgl_light_pending();
  for (int i = 0; i < m; ++i) {
    const KglVertex3 &v = (*pv)[i];
    win3[i].z = kgl_window_z(c, v.clip);
    for (int k = 0; k < 3; ++k) win3[i].rgb[k] = static_cast<double>(v.rgb[k] * 255.0f);
  }
  KglPaint3 paint;
  const bool three_d = paint_for(c, poly3.data(), n, paint);
  if (three_d) {
    kgl_fill_fan_3d(paint, win3.data(), m);
    return;
  }
  // The 2D fill clips again itself: hand it the polygon as given.
  std::vector<KglClipVertex> &flat = kgl_prim.polygon;
  flat.clear();
  for (const KglVertex3 &v : poly3) flat.push_back(v.clip);
  draw_2d(c, paint.flat, [&] { kgl_fill_polygon(flat.data(), n); });
  flat.clear();
}

}  // namespace

void kgl_light_pending() {
  KglContext *c = pending_ctx;
  if (!c) return;
  pending_ctx = nullptr;
  for (KglVertex3 &v : poly3) {
    if (v.shaded) continue;
    KglEyeVertex e;
    kgl_eye_vertex(frames[static_cast<std::size_t>(v.frame)], v.position[0], v.position[1], v.position[2], v.normal, e);
    kgl_shade_vertex(c, e, v.rgb);
    v.packed = kgl_pack_rgb(v.rgb);
    v.shaded = true;
  }
}

void kgl_forget_eye_frames() {
  kgl_light_pending();
  frames.clear();
}

void kgl_update_path3d(KglContext *c) {
  if (!c) return;
  c->s3d.path3d = c->zbuffer_on || c->depth_cue || c->shade_model != 0 || c->front_face || c->back_face ||
                  c->s3d.material_index != 0 || c->open_object != 0;
}

void kgl_vertex_3d(KglContext *c, double x, double y, double z) {
  if (c->open_object) {
    kgl_record_xyz(KGL_OBJ_VERTEX, x, y, z);
    return;
  }
  KglPrimitive &p = kgl_prim;
  switch (p.kind) {
    case KGL_PRIM_POINT:
      point(c, make_vertex(c, x, y, z));
      break;
    case KGL_PRIM_LINE:
    case KGL_PRIM_CLOSEDLINE: {
      const KglVertex3 v = make_vertex(c, x, y, z);
      if (p.count == 0)
        first3 = v;
      else
        segment(c, prev3, v, p.count > 1, false);
      prev3 = v;
      break;
    }
    case KGL_PRIM_POLYGON:
      if (p.count == 0) {
        poly3.clear();
        if (frames.size() > 1) frames.erase(frames.begin(), frames.end() - 1);
        pending_ctx = nullptr;
      }
      add_polygon_vertex(c, x, y, z);
      break;
    default:
      return;
  }
  ++p.count;
}

bool kgl_end_3d(KglContext *c, int kind) {
  if (c->open_object) {
    kgl_record_primitive(kind, false);
    return true;
  }
  KglPrimitive &p = kgl_prim;
  if (p.kind == kind) {
    // The closing segment leaves out both its end pixels, drawn already.
    if (kind == KGL_PRIM_CLOSEDLINE && p.count >= 3) segment(c, prev3, first3, true, true);
    if (kind == KGL_PRIM_POLYGON && p.count >= 3) fill_polygon(c);
  }
  poly3.clear();
  pending_ctx = nullptr;
  p.kind = KGL_PRIM_NONE;
  p.polygon.clear();
  return true;
}

void kgl_line2i_3d(Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  const Int32 a[2] = {x1, y1}, b[2] = {x2, y2};
  bgnline();
  v2i(a);
  v2i(b);
  endline();
}
