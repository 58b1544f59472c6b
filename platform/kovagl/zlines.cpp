// Depth-tested, smooth-shaded and depth-cued points and lines: the pixels of
// the 2D rasteriser (the same clipping, rounding of the ends, Bresenham
// minor steps, widths and styles), each with the depth and colour
// interpolated along the line between its ends in window space.
#include "zraster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// A line end in window space.
struct End {
  double x, y, z, rgb[3];
};

End end_at(const KglContext *c, const KglVertex3 &a, const KglVertex3 &b, double t) {
  const KglClipVertex v = t == 0.0 ? a.clip
                          : t == 1.0 ? b.clip
                                     : KglClipVertex{a.clip.x + (b.clip.x - a.clip.x) * t,
                                                     a.clip.y + (b.clip.y - a.clip.y) * t,
                                                     a.clip.z + (b.clip.z - a.clip.z) * t,
                                                     a.clip.w + (b.clip.w - a.clip.w) * t};
  const KglWinVertex w = kgl_to_window(c, v);
  End e{w.x, w.y, kgl_window_z(c, v), {}};
  for (int i = 0; i < 3; ++i) {
    const float ch = static_cast<float>(a.rgb[i] + (b.rgb[i] - a.rgb[i]) * t);
    e.rgb[i] = static_cast<double>(ch * 255.0f);
  }
  return e;
}

End lerp(const End &a, const End &b, double t) {
  End e{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t, {}};
  for (int i = 0; i < 3; ++i) e.rgb[i] = a.rgb[i] + (b.rgb[i] - a.rgb[i]) * t;
  return e;
}

}  // namespace

void kgl_draw_point_3d(const KglPaint3 &paint, const KglVertex3 &v) {
  KglContext *c = kgl_ctx;
  const KglClipVertex &q = v.clip;
  if (!c || !kgl_finite(q) || q.w < KGL_MIN_W || q.z > q.w || q.z < -q.w) return;
  const KglWinVertex w = kgl_to_window(c, q);
  if (!(std::fabs(w.x) < KGL_GUARD && std::fabs(w.y) < KGL_GUARD)) return;
  const long long x = kgl_round_pixel(w.x), y = kgl_round_pixel(w.y);
  if (x < c->clip.x0 || x > c->clip.x1 || y < c->clip.y0 || y > c->clip.y1) return;
  const int px = static_cast<int>(x), py = static_cast<int>(y);
  KglPixelOut out;
  kgl_pixel_out(c, paint, px, py, px, py, out);
  if (!out.n) return;
  const Int32 z = kgl_pixel_z(paint, kgl_window_z(c, q));
  Uint32 src = paint.flat;
  if (paint.colour == KGL_COLOUR_CUE) src = kgl_cue(c).pixel(z);
  // One vertex has one colour: smooth is its own.
  if (paint.colour == KGL_COLOUR_SMOOTH) src = v.packed;
  out.put(static_cast<std::size_t>(py) * c->width + px, src, z);
  if (out.visible) kgl_mark_dirty(c, px, py, px, py);
}

void kgl_draw_line_3d(const KglPaint3 &paint, const KglVertex3 &a, const KglVertex3 &b, bool skip_first,
                      bool skip_last) {
  KglContext *c = kgl_ctx;
  if (!c || !kgl_finite(a.clip) || !kgl_finite(b.clip)) return;
  double t0 = 0.0, t1 = 1.0;
  if (!kgl_clip_param(a.clip.w - KGL_MIN_W, b.clip.w - KGL_MIN_W, t0, t1) ||
      !kgl_clip_param(a.clip.w + a.clip.z, b.clip.w + b.clip.z, t0, t1) ||
      !kgl_clip_param(a.clip.w - a.clip.z, b.clip.w - b.clip.z, t0, t1))
    return;
  End ea = end_at(c, a, b, t0), eb = end_at(c, a, b, t1);
  if (t0 > 0.0) skip_first = false;
  if (t1 < 1.0) skip_last = false;

  // Far outside the window: cut to the guard band, as the 2D lines are.
  double g0 = 0.0, g1 = 1.0;
  const double gx0 = c->clip.x0 - KGL_GUARD, gx1 = c->clip.x1 + KGL_GUARD;
  const double gy0 = c->clip.y0 - KGL_GUARD, gy1 = c->clip.y1 + KGL_GUARD;
  if (!kgl_clip_param(ea.x - gx0, eb.x - gx0, g0, g1) || !kgl_clip_param(gx1 - ea.x, gx1 - eb.x, g0, g1) ||
      !kgl_clip_param(ea.y - gy0, eb.y - gy0, g0, g1) || !kgl_clip_param(gy1 - ea.y, gy1 - eb.y, g0, g1))
    return;
  if (g0 > 0.0 || g1 < 1.0) {
    const End ca = lerp(ea, eb, g0), cb = lerp(ea, eb, g1);
    if (g0 > 0.0) skip_first = false;
    if (g1 < 1.0) skip_last = false;
    ea = ca;
    eb = cb;
  }

  const long long x0 = kgl_round_pixel(ea.x), y0 = kgl_round_pixel(ea.y);
  const long long x1 = kgl_round_pixel(eb.x), y1 = kgl_round_pixel(eb.y);
  const long long dx = x1 - x0, dy = y1 - y0;
  const long long n = std::max(std::llabs(dx), std::llabs(dy));
  const long long first = skip_first ? 1 : 0;
  const long long last = skip_last ? n - 1 : n;
  const long long base = kgl_prim.style_pos;
  kgl_prim.style_pos += last >= first ? last - first + 1 : 0;
  if (last < first) return;

  // (major, minor) coordinates, as the 2D rasteriser walks them.
  const bool xmajor = std::llabs(dx) >= std::llabs(dy);
  const long long ma0 = xmajor ? x0 : y0, mi0 = xmajor ? y0 : x0;
  const long long dma = xmajor ? dx : dy, dmi = xmajor ? dy : dx;
  const long long step = dma >= 0 ? 1 : -1;
  const KglRect &k = c->clip;
  const long long lo_major = xmajor ? k.x0 : k.y0, hi_major = xmajor ? k.x1 : k.y1;
  const long long lo_minor = xmajor ? k.y0 : k.x0, hi_minor = xmajor ? k.y1 : k.x1;
  long long i_lo = first, i_hi = std::min(last, n);
  if (step > 0) {
    i_lo = std::max(i_lo, lo_major - ma0);
    i_hi = std::min(i_hi, hi_major - ma0);
  } else {
    i_lo = std::max(i_lo, ma0 - hi_major);
    i_hi = std::min(i_hi, ma0 - lo_major);
  }
  if (i_lo > i_hi) return;

  const int wdt = c->line_width;
  const int off_lo = -((wdt - 1) / 2), off_hi = wdt / 2;
  const Uint16 bits = kgl_linestyles[c->line_style];
  const bool solid = c->line_style == 0 || bits == 0xFFFF;
  const long long repeat = c->ls_repeat;

  // The box of the pixels: the ends' box widened by the width.
  const long long half = wdt / 2 + 1;
  const int bx0 = static_cast<int>(std::clamp<long long>(std::min(x0, x1) - half, k.x0, k.x1));
  const int by0 = static_cast<int>(std::clamp<long long>(std::min(y0, y1) - half, k.y0, k.y1));
  const int bx1 = static_cast<int>(std::clamp<long long>(std::max(x0, x1) + half, k.x0, k.x1));
  const int by1 = static_cast<int>(std::clamp<long long>(std::max(y0, y1) + half, k.y0, k.y1));
  KglPixelOut out;
  kgl_pixel_out(c, paint, bx0, by0, bx1, by1, out);
  if (!out.n) return;
  const KglCue cue = paint.colour == KGL_COLOUR_CUE ? kgl_cue(c) : KglCue{};

  const long long den = 2 * std::max(n, 1LL);
  int minx = 1 << 30, maxx = -(1 << 30), miny = 1 << 30, maxy = -(1 << 30);
  for (long long i = i_lo; i <= i_hi; ++i) {
    const long long s = base + i - first;
    if (!solid && !((bits >> ((s / repeat) & 15)) & 1)) continue;
    const double t = n > 0 ? static_cast<double>(i) / static_cast<double>(n) : 0.0;
    const Int32 z = kgl_pixel_z(paint, ea.z + (eb.z - ea.z) * t);
    Uint32 src = paint.flat;
    if (paint.colour == KGL_COLOUR_CUE) {
      src = cue.pixel(z);
    } else if (paint.colour == KGL_COLOUR_SMOOTH) {
      double rgb[3];
      for (int j = 0; j < 3; ++j) rgb[j] = ea.rgb[j] + (eb.rgb[j] - ea.rgb[j]) * t;
      src = kgl_pixel_rgb(rgb);
    }
    const long long q = n > 0 ? kgl_floor_div(2 * i * dmi + n, den) : 0;
    const long long ma = ma0 + step * i;
    for (int o = off_lo; o <= off_hi; ++o) {
      const long long mi = mi0 + q + o;
      if (mi < lo_minor || mi > hi_minor) continue;
      const int px = static_cast<int>(xmajor ? ma : mi), py = static_cast<int>(xmajor ? mi : ma);
      out.put(static_cast<std::size_t>(py) * c->width + px, src, z);
      minx = std::min(minx, px), maxx = std::max(maxx, px);
      miny = std::min(miny, py), maxy = std::max(maxy, py);
    }
  }
  if (out.visible && maxx >= minx) kgl_mark_dirty(c, minx, miny, maxx, maxy);
}
