// Filled polygons and rectangles, and clear: pixel centres inside the
// polygon are set, with left and bottom edges in and right and top edges out,
// concave and self-crossing polygons by the even-odd rule.
#include "primitives.h"
#include "raster.h"
#include "vertex3d.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Edge {
  double ylo, yhi;   // ylo < yhi
  double x_at_lo, dxdy;
};

// Scratch kept between calls so filling allocates only when a polygon is
// larger than any before.
std::vector<KglClipVertex> clip_a, clip_b;
std::vector<KglWinVertex> win;
std::vector<Edge> edges;
std::vector<double> xs;

// Sutherland-Hodgman against one plane p(v) = a w + b z + bias >= 0 in clip space.
template <typename Plane>
void clip_plane(const std::vector<KglClipVertex> &in, std::vector<KglClipVertex> &out, Plane p) {
  out.clear();
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    const KglClipVertex &a = in[i], &b = in[(i + 1) % n];
    const double pa = p(a), pb = p(b);
    if (pa >= 0) out.push_back(a);
    if ((pa >= 0) != (pb >= 0)) {
      const double t = pa / (pa - pb);
      out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
                     a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t});
    }
  }
}

bool needs_clip(const KglClipVertex *v, int n) {
  for (int i = 0; i < n; ++i)
    if (v[i].w < KGL_MIN_W || v[i].z > v[i].w || v[i].z < -v[i].w) return true;
  return false;
}

// Writes the spans of one scan line of the even-odd crossings in xs.
void fill_row(KglContext *c, const KglTargets &t, int y, std::vector<double> &row_xs, Uint16 pat, int &minx,
              int &maxx) {
  std::sort(row_xs.begin(), row_xs.end());
  const double lo = c->clip.x0, hi = c->clip.x1 + 1.0;
  for (std::size_t i = 0; i + 1 < row_xs.size(); i += 2) {
    // Pixels x with xa <= x < xb.
    const double xa = std::clamp(std::ceil(row_xs[i]), lo, hi);
    const double xb = std::clamp(std::ceil(row_xs[i + 1]), lo, hi);
    const int x0 = static_cast<int>(xa), x1 = static_cast<int>(xb) - 1;
    if (x1 < x0) continue;
    kgl_put_span(c, t, y, x0, x1, pat);
    minx = std::min(minx, x0);
    maxx = std::max(maxx, x1);
  }
}

}  // namespace

void kgl_fill_polygon(const KglClipVertex *v, int n) {
  KglContext *c = kgl_ctx;
  if (!c || n < 3) return;
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z) || !std::isfinite(v[i].w))
      return;
  if (c->clip.x1 < c->clip.x0 || c->clip.y1 < c->clip.y0) return;

  const KglClipVertex *pv = v;
  int pn = n;
  if (needs_clip(v, n)) {
    clip_a.assign(v, v + n);
    clip_plane(clip_a, clip_b, [](const KglClipVertex &q) { return q.w - KGL_MIN_W; });
    clip_plane(clip_b, clip_a, [](const KglClipVertex &q) { return q.w + q.z; });
    clip_plane(clip_a, clip_b, [](const KglClipVertex &q) { return q.w - q.z; });
    if (clip_b.size() < 3) return;
    pv = clip_b.data();
    pn = static_cast<int>(clip_b.size());
  }

  win.resize(pn);
  double ymin = 1e300, ymax = -1e300, xmin = 1e300, xmax = -1e300;
  for (int i = 0; i < pn; ++i) {
    win[i] = kgl_to_window(c, pv[i]);
    ymin = std::min(ymin, win[i].y);
    ymax = std::max(ymax, win[i].y);
    xmin = std::min(xmin, win[i].x);
    xmax = std::max(xmax, win[i].x);
  }
  edges.clear();
  for (int i = 0; i < pn; ++i) {
    const KglWinVertex &a = win[i], &b = win[(i + 1) % pn];
    if (a.y == b.y) continue;
    const KglWinVertex &lo = a.y < b.y ? a : b, &hi = a.y < b.y ? b : a;
    edges.push_back({lo.y, hi.y, lo.x, (hi.x - lo.x) / (hi.y - lo.y)});
  }
  // Rows y with ymin <= y < ymax.
  const double row_lo = std::max(std::ceil(ymin), static_cast<double>(c->clip.y0));
  const double row_hi = std::min(std::ceil(ymax) - 1.0, static_cast<double>(c->clip.y1));
  if (row_hi < row_lo) return;
  const int y0 = static_cast<int>(row_lo), y1 = static_cast<int>(row_hi);
  // Spans lie between the vertices' x (NaN-safe: the whole clip otherwise).
  const double cx0 = c->clip.x0, cx1 = c->clip.x1;
  const double ax0 = xmin - 1.0 >= cx0 ? std::min(std::floor(xmin - 1.0), cx1) : cx0;
  const double ax1 = xmax + 1.0 <= cx1 ? std::max(std::ceil(xmax + 1.0), cx0) : cx1;
  KglTargets t;
  kgl_draw_targets(t, static_cast<int>(ax0), y0, static_cast<int>(ax1), y1);
  if (!t.n) return;
  const Uint16 *pattern = kgl_patterns[c->pattern];
  const bool patterned = c->pattern != 0;
  int minx = 1 << 30, maxx = -(1 << 30);
  for (int y = y0; y <= y1; ++y) {
    xs.clear();
    for (const Edge &e : edges)
      if (e.ylo <= y && y < e.yhi) xs.push_back(e.x_at_lo + (y - e.ylo) * e.dxdy);
    if (xs.size() < 2) continue;
    fill_row(c, t, y, xs, patterned ? pattern[y & 15] : 0xFFFF, minx, maxx);
  }
  if (t.visible && maxx >= minx) kgl_mark_dirty(c, minx, y0, maxx, y1);
}

void kgl_fill_window_rect(int x0, int y0, int x1, int y1, bool use_pattern) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  x0 = std::max(x0, c->clip.x0);
  y0 = std::max(y0, c->clip.y0);
  x1 = std::min(x1, c->clip.x1);
  y1 = std::min(y1, c->clip.y1);
  if (x1 < x0 || y1 < y0) return;
  KglTargets t;
  kgl_draw_targets(t, x0, y0, x1, y1);
  if (!t.n) return;
  const bool patterned = use_pattern && c->pattern != 0;
  const Uint16 *pattern = kgl_patterns[c->pattern];
  for (int y = y0; y <= y1; ++y) kgl_put_span(c, t, y, x0, x1, patterned ? pattern[y & 15] : 0xFFFF);
  if (t.visible) kgl_mark_dirty(c, x0, y0, x1, y1);
}

// ---- calls -------------------------------------------------------------------------

void bgnpolygon() {
  if (kgl_hook_bgn(KGL_PRIM_POLYGON)) return;
  kgl_prim.kind = KGL_PRIM_POLYGON;
  kgl_prim.count = 0;
  kgl_prim.polygon.clear();
}

void endpolygon() {
  if (kgl_hook_end(KGL_PRIM_POLYGON)) return;
  if (kgl_prim.kind == KGL_PRIM_POLYGON)
    kgl_fill_polygon(kgl_prim.polygon.data(), static_cast<int>(kgl_prim.polygon.size()));
  kgl_prim.kind = KGL_PRIM_NONE;
  kgl_prim.polygon.clear();
}

// A rectangle that stays upright on the screen fills every pixel from one
// corner to the other, both included; a turned one is filled as a polygon.
void rectf(float x1, float y1, float x2, float y2) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const KglClipVertex q[4] = {kgl_transform(c, x1, y1, 0), kgl_transform(c, x2, y1, 0), kgl_transform(c, x2, y2, 0),
                              kgl_transform(c, x1, y2, 0)};
  const auto &m = c->xform.m;
  const bool upright = m[0][1] == 0 && m[1][0] == 0 && m[0][3] == 0 && m[1][3] == 0 && !needs_clip(q, 4);
  if (upright) {
    const KglWinVertex a = kgl_to_window(c, q[0]), b = kgl_to_window(c, q[2]);
    const double lx = std::floor(std::min(a.x, b.x) + 0.5), hx = std::floor(std::max(a.x, b.x) + 0.5);
    const double ly = std::floor(std::min(a.y, b.y) + 0.5), hy = std::floor(std::max(a.y, b.y) + 0.5);
    if (!(lx <= hx && ly <= hy)) return;   // NaN
    const double bx0 = c->clip.x0 - 1.0, bx1 = c->clip.x1 + 1.0, by0 = c->clip.y0 - 1.0, by1 = c->clip.y1 + 1.0;
    kgl_fill_window_rect(static_cast<int>(std::clamp(lx, bx0, bx1)), static_cast<int>(std::clamp(ly, by0, by1)),
                         static_cast<int>(std::clamp(hx, bx0, bx1)), static_cast<int>(std::clamp(hy, by0, by1)),
                         true);
    return;
  }
  kgl_fill_polygon(q, 4);
}

void rectfi(Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  rectf(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2));
}

// Fills the viewport, within the screen mask and the window, with the current
// colour under the write mask; neither the logical operation nor the pattern
// applies.
void clear() {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const Int32 op = c->logic_op;
  c->logic_op = KGL_LO_SRC;
  const bool full_mask = c->rgb ? c->rgbmask == 0xFFFFFFFFu : c->wmask[KGL_LAYER_NORMAL] == 0xFFFFFFFFu;
  if (c->lazy_back && c->layer == KGL_LAYER_NORMAL && !c->zdraw_on && c->dbl && c->draw_front && c->draw_back &&
      full_mask) {
    // Both buffers get the same pixels: the tiles wholly cleared are cleared
    // in the front alone and marked mirrored; tile by tile the targets then
    // leave out the back where it is mirrored.
    const int x0 = std::max(c->vp_l, c->clip.x0), x1 = std::min(c->vp_r, c->clip.x1);
    const int y0 = std::max(c->vp_b, c->clip.y0), y1 = std::min(c->vp_t, c->clip.y1);
    if (x1 >= x0 && y1 >= y0) {
      kgl_mirror_back(c, x0, y0, x1, y1);
      for (int ty = y0 & ~(KGL_TILE - 1); ty <= y1; ty += KGL_TILE)
        for (int tx = x0 & ~(KGL_TILE - 1); tx <= x1; tx += KGL_TILE)
          kgl_fill_window_rect(std::max(tx, x0), std::max(ty, y0), std::min(tx + KGL_TILE - 1, x1),
                               std::min(ty + KGL_TILE - 1, y1), false);
    }
  } else {
    kgl_fill_window_rect(c->vp_l, c->vp_b, c->vp_r, c->vp_t, false);
  }
  c->logic_op = op;
}
