// Depth-tested, smooth-shaded and depth-cued polygons: a fan of triangles
// from vertex 0, each filled by the rule of every polygon (pixel centres,
// left and bottom edges in, right and top edges out). An edge's crossing of
// a row depends on the edge alone, so the triangles of a fan meet without
// gaps or pixels drawn twice. Depth and colours are planes over each
// triangle in window space, stepped in fixed point along the rows.
//
// Faces land anywhere in the window and are small, so their rows are seldom
// in the cache: the rows are asked for before they are drawn.
//
// A fan is queued with what it needs of the context (line_queue.h) and
// filled by the workers, each in its band of rows; every pixel gets what
// filling the whole fan at once gives it, since each span starts from values
// worked out for its row alone, or carried from the rows before it (walked
// without drawing).
#include "line_queue.h"
#include "zraster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

template <int OP>
Uint32 logic_fn(Uint32 s, Uint32 d) {
  return kgl_logic<OP>(s, d);
}

}  // namespace

const KglLogicFn kgl_logic_fns[16] = {logic_fn<0>,  logic_fn<1>,  logic_fn<2>,  logic_fn<3>,
                                      logic_fn<4>,  logic_fn<5>,  logic_fn<6>,  logic_fn<7>,
                                      logic_fn<8>,  logic_fn<9>,  logic_fn<10>, logic_fn<11>,
                                      logic_fn<12>, logic_fn<13>, logic_fn<14>, logic_fn<15>};

KglCue kgl_cue(const KglContext *c) {
  KglCue q;
  q.znear = c->range_near;
  q.zspan = static_cast<double>(c->range_far) - c->range_near;
  for (int i = 0; i < 3; ++i) {
    q.max[i] = c->rgb_range[3 + i];
    q.diff[i] = static_cast<double>(c->rgb_range[i]) - c->rgb_range[3 + i];
  }
  return q;
}

namespace {

// kgl_pixel_out without waiting for queued drawing: for a fan that is
// queued behind it.
void pixel_targets(KglContext *c, const KglPaint3 &paint, int x0, int y0, int x1, int y1, KglPixelOut &out) {
  Uint32 *planes[2];
  out.n = kgl_normal_targets(c, x0, y0, x1, y1, planes, out.visible);
  for (int i = 0; i < out.n; ++i) out.plane[i] = planes[i];
  out.zbuf = paint.ztest ? c->zbuf.data() : nullptr;
  out.mask = c->rgb ? c->rgbmask : c->wmask[KGL_LAYER_NORMAL];
  out.logic = kgl_logic_fns[c->logic_op & 15];
}

}  // namespace

void kgl_pixel_out(KglContext *c, const KglPaint3 &paint, int x0, int y0, int x1, int y1, KglPixelOut &out) {
  kgl_sync_pixels_in(x0, y0, x1, y1);
  pixel_targets(c, paint, x0, y0, x1, y1, out);
}

namespace {

constexpr int ZSHIFT = 20;         // fraction bits of depth along a span
constexpr int CSHIFT = 16;         // and of colour channels (x 255)
constexpr double ZONE = 1 << ZSHIFT, CONE = 1 << CSHIFT;

// floor and ceil of |v| < 2^62 as integers, without a call into the maths
// library or a branch (the data gives branches nothing to predict).
inline std::int64_t floor_int(double v) {
  const std::int64_t t = static_cast<std::int64_t>(v);
  return t - static_cast<std::int64_t>(static_cast<double>(t) > v);
}
inline std::int64_t ceil_int(double v) { return -floor_int(-v); }
// v held to lo..hi; NaN gives lo.
inline double hold(double v, double lo, double hi) { return std::min(std::max(lo, v), hi); }
inline std::int64_t fixed(double v, double one) { return floor_int(v * one + 0.5); }

// One span: rows of the targets, depth and colours in fixed point with the
// half for rounding already added, and their steps.
struct Span {
  Uint32 *row[2];
  Uint32 *zrow;
  std::int64_t z, dz;
  std::int32_t c[3], dc[3];
};
// What every span of a fan shares.
struct SpanShared {
  Uint32 flat;
  const KglCue *cue;
  const KglPixelOut *out;
};
using SpanFn = void (*)(const Span &s, const SpanShared &k, int x0, int x1);

template <int COL>
inline Uint32 span_colour(const SpanShared &k, std::int32_t r, std::int32_t g, std::int32_t b, Int32 z) {
  if constexpr (COL == KGL_COLOUR_SMOOTH)
    return 0xFF000000u | static_cast<Uint32>(r >> CSHIFT) | static_cast<Uint32>(g >> CSHIFT) << 8 |
           static_cast<Uint32>(b >> CSHIFT) << 16;
  else if constexpr (COL == KGL_COLOUR_CUE)
    return k.cue->pixel(z);
  else
    return k.flat;
}

// The source value written as it is into one or two buffers, every bit.
// The running values are locals: the pixel stores cannot change them.
template <bool ZTEST, int COL, int NPLANES>
void span_plain(const Span &s, const SpanShared &k, int x0, int x1) {
  Uint32 *const r0 = s.row[0], *const r1 = s.row[1], *const zr = s.zrow;
  std::int64_t z = s.z;
  const std::int64_t dz = s.dz;
  std::int32_t r = s.c[0], g = s.c[1], b = s.c[2];
  const std::int32_t dr = s.dc[0], dg = s.dc[1], db = s.dc[2];
  for (int x = x0; x <= x1; ++x) {
    const Int32 zi = static_cast<Int32>(z >> ZSHIFT);
    z += dz;
    const std::int32_t cr = r, cg = g, cb = b;
    if constexpr (COL == KGL_COLOUR_SMOOTH) r += dr, g += dg, b += db;
    const Uint32 v = span_colour<COL>(k, cr, cg, cb, zi);
    if constexpr (ZTEST) {
      // Selects rather than a branch: whether a face is in front changes
      // from pixel to pixel past prediction.
      const Uint32 old_z = zr[x];
      const bool in_front = zi <= static_cast<Int32>(old_z);
      zr[x] = in_front ? static_cast<Uint32>(zi) : old_z;
      r0[x] = in_front ? v : r0[x];
      if constexpr (NPLANES == 2) r1[x] = in_front ? v : r1[x];
    } else {
      r0[x] = v;
      if constexpr (NPLANES == 2) r1[x] = v;
    }
  }
}

// Any logical operation and write mask.
template <bool ZTEST, int COL>
void span_general(const Span &s, const SpanShared &k, int x0, int x1) {
  const KglPixelOut &o = *k.out;
  std::int64_t z = s.z;
  std::int32_t r = s.c[0], g = s.c[1], b = s.c[2];
  for (int x = x0; x <= x1; ++x) {
    const Int32 zi = static_cast<Int32>(z >> ZSHIFT);
    z += s.dz;
    const std::int32_t cr = r, cg = g, cb = b;
    if constexpr (COL == KGL_COLOUR_SMOOTH) r += s.dc[0], g += s.dc[1], b += s.dc[2];
    if constexpr (ZTEST) {
      if (zi > static_cast<Int32>(s.zrow[x])) continue;
      s.zrow[x] = static_cast<Uint32>(zi);
    }
    const Uint32 v = span_colour<COL>(k, cr, cg, cb, zi);
    for (int i = 0; i < o.n; ++i) {
      Uint32 &d = s.row[i][x];
      d = (d & ~o.mask) | (o.logic(v, d) & o.mask);
    }
  }
}

template <bool ZTEST, int COL>
SpanFn choose_for(const KglPixelOut &o, bool plain) {
  if (!plain) return span_general<ZTEST, COL>;
  return o.n == 2 ? span_plain<ZTEST, COL, 2> : span_plain<ZTEST, COL, 1>;
}

template <bool ZTEST>
SpanFn choose_colour(int colour, const KglPixelOut &o, bool plain) {
  switch (colour) {
    case KGL_COLOUR_SMOOTH: return choose_for<ZTEST, KGL_COLOUR_SMOOTH>(o, plain);
    case KGL_COLOUR_CUE: return choose_for<ZTEST, KGL_COLOUR_CUE>(o, plain);
    default: return choose_for<ZTEST, KGL_COLOUR_FLAT>(o, plain);
  }
}

// One attribute (depth or a colour channel) over a triangle: the plane
// q(x, y) = base + gx x + gy y through the vertices' values, its range, and
// the fixed-point value at the start of the last span, carried from row to
// row by the fixed-point gradients.
struct Attr {
  double base = 0, gx = 0, gy = 0;
  double lo = 0, hi = 0, one = 1;
  std::int64_t step_x = 0, step_y = 0;   // fixed-point gradients
  std::int64_t band_lo = 0, band_hi = 0; // where a span's values may go: a quarter unit beyond the range
  bool stepped = false;                  // gradients fit to be stepped by
  bool have = false;                     // cur holds the value at (cx, cy)
  std::int64_t cur = 0;
  int cx = 0, cy = 0;

  double at(double x, double y) const { return base + gx * x + gy * y; }
  bool in_band(std::int64_t v) const {
    return static_cast<std::uint64_t>(v - band_lo) <= static_cast<std::uint64_t>(band_hi - band_lo);
  }

  void set(const KglWin3 &a, const KglWin3 &b, const KglWin3 &c, double qa, double qb, double qc, double inv_area2,
           double range_lo, double range_hi, double fixed_one) {
    gx = ((qb - qa) * (c.y - a.y) - (qc - qa) * (b.y - a.y)) * inv_area2;
    gy = ((qc - qa) * (b.x - a.x) - (qb - qa) * (c.x - a.x)) * inv_area2;
    base = qa - gx * a.x - gy * a.y;
    lo = range_lo, hi = range_hi, one = fixed_one;
    band_lo = fixed(lo, one) - static_cast<std::int64_t>(one / 4);
    band_hi = fixed(hi, one) + static_cast<std::int64_t>(one / 4);
    stepped = std::fabs(gx) < 1e6 && std::fabs(gy) < 1e6;   // NaN is not
    step_x = stepped ? fixed(gx, one) : 0;
    step_y = stepped ? fixed(gy, one) : 0;
    have = false;
  }

  // The fixed-point value at pixel x0 of row y and its step along the row:
  // carried from the last span, unless the span would then stray from the
  // band (a thin triangle's gradients are not to be trusted), when the
  // values at both ends are worked out afresh.
  void span(int x0, int x1, int y, std::int64_t &start, std::int64_t &step) {
    if (stepped && have) {
      cur += step_y * (y - cy) + step_x * (x0 - cx);
      cx = x0, cy = y;
      const std::int64_t end = cur + step_x * (x1 - x0);
      if (in_band(cur) && in_band(end)) {
        start = cur;
        step = step_x;
        return;
      }
    }
    exact(x0, x1, y, start, step);
  }
  [[gnu::noinline]] void exact(int x0, int x1, int y, std::int64_t &start, std::int64_t &step) {
    const double qa = hold(at(x0, y), lo, hi);
    start = fixed(qa, one);
    step = stepped ? step_x : 0;
    if (!stepped || !in_band(start + step * (x1 - x0)))
      step = x1 > x0 ? fixed((hold(at(x1, y), lo, hi) - qa) / static_cast<double>(x1 - x0), one) : 0;
    cur = start, cx = x0, cy = y, have = true;
  }
};

// A fan being filled in rows row0..row1 (a worker's band, or all rows).
struct Fan {
  const KglFanState *st;
  SpanFn fn;
  SpanShared shared;
  int row0, row1;
};

// The spans of rows y0..y1 between the edge from a with slope dxdy_long and
// the edge from e with slope dxdy_short, each edge's crossing computed from
// its lower end as the 2D fill computes it. Rows below the fan's band are
// walked without drawing: the values a span starts from are carried from
// the spans before it.
template <bool DEPTH, bool SMOOTH>
void rows(Fan &f, Attr &za, Attr *ca, const KglWin3 &a, double dxdy_long, const KglWin3 &e, double dxdy_short,
          int y0, int y1, bool small) {
  const KglRect &clip = f.st->clip;
  const double lo = clip.x0, hi = clip.x1 + 1.0;
  const std::size_t width = static_cast<std::size_t>(f.st->width);
  const KglPixelOut &o = *f.shared.out;
  Uint32 *const zbuf = f.st->zplane;
  Span s;
  s.z = s.dz = 0;
  s.c[0] = s.c[1] = s.c[2] = s.dc[0] = s.dc[1] = s.dc[2] = 0;
  y1 = std::min(y1, f.row1);
  for (int y = y0; y <= y1; ++y) {
    const double long_x = a.x + (y - a.y) * dxdy_long;
    const double short_x = e.x + (y - e.y) * dxdy_short;
    double left = std::min(long_x, short_x), right = std::max(long_x, short_x);
    if (!small) left = hold(left, lo - 1.0, hi), right = hold(right, lo - 1.0, hi);
    const int x0 = std::max(static_cast<int>(ceil_int(left)), clip.x0);
    const int x1 = std::min(static_cast<int>(ceil_int(right)), clip.x1 + 1) - 1;
    if (x1 < x0) continue;
    if constexpr (DEPTH) {
      za.span(x0, x1, y, s.z, s.dz);
      s.z += std::int64_t{1} << (ZSHIFT - 1);
    }
    if constexpr (SMOOTH) {
      for (int i = 0; i < 3; ++i) {
        std::int64_t start, step;
        ca[i].span(x0, x1, y, start, step);
        s.c[i] = static_cast<std::int32_t>(start + (1 << (CSHIFT - 1)));
        s.dc[i] = static_cast<std::int32_t>(step);
      }
    }
    if (y < f.row0) continue;
    const std::size_t at = static_cast<std::size_t>(y) * width;
    // The rows further up are wanted next: ask for them now, since faces
    // land anywhere and their rows are seldom in the cache.
    if (y + 2 <= y1) {
      const std::size_t ahead = at + 2 * width;
      __builtin_prefetch(o.plane[0] + ahead + x0, 1);
      __builtin_prefetch(o.plane[0] + ahead + x1, 1);
      if constexpr (DEPTH) {
        __builtin_prefetch(zbuf + ahead + x0, 1);
        __builtin_prefetch(zbuf + ahead + x1, 1);
      }
    }
    s.row[0] = o.plane[0] + at;
    s.row[1] = o.n == 2 ? o.plane[1] + at : nullptr;
    s.zrow = zbuf + at;
    f.fn(s, f.shared, x0, x1);
  }
}

// ---- triangles near the window: exact edges, attributes checked once ------------
//
// Vertices within 2^19 pixels of the origin lie on the 1/1024 grid, so an
// edge's crossing of each row is a fraction of integers: its ceiling (the
// first pixel at or right of it) is stepped exactly from row to row. Each
// attribute is a fixed-point plane from a pixel near the first vertex;
// when the plane gives the three vertices their own values, every pixel
// inside gets one within their range, and no span needs checking.

constexpr double kGridLimit = 524288.0;   // 2^19

struct ExactEdge {
  std::int64_t q, r;     // ceil of the crossing, and the remainder over den
  std::int64_t dq, dr, den;
  void step() {
    q += dq;
    r += dr;
    const bool carry = r >= den;
    q += carry;
    r -= carry ? den : 0;
  }
};

// a / b rounded down (b > 0, |a| < 2^62), through a double quotient put right.
inline std::int64_t floor_quotient(std::int64_t a, std::int64_t b, std::int64_t &rest) {
  std::int64_t q = floor_int(static_cast<double>(a) / static_cast<double>(b));
  std::int64_t r = a - q * b;
  if (r < 0) --q, r += b;
  if (r >= b) ++q, r -= b;
  rest = r;
  return q;
}

// The edge from lo to hi (grid units, lo below hi) at pixel row y.
ExactEdge exact_edge(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, int y) {
  const std::int64_t dy = y1 - y0, dx = x1 - x0;
  ExactEdge e;
  e.den = 1024 * dy;
  // The crossing is (x0 dy + (1024 y - y0) dx) / den pixels.
  e.q = floor_quotient(x0 * dy + (1024 * static_cast<std::int64_t>(y) - y0) * dx + e.den - 1, e.den, e.r);
  e.dq = floor_quotient(1024 * dx, e.den, e.dr);
  return e;
}

// A fixed-point plane from pixel (px, py).
struct FixedPlane {
  std::int64_t at0 = 0, sx = 0, sy = 0;
  int px = 0, py = 0;
  std::int64_t at(int x, int y) const { return at0 + sx * (x - px) + sy * (y - py); }
};

// False when the plane is too steep or does not give the vertices their own
// values within an eighth of a unit.
bool fixed_plane(const Attr &p, const KglWin3 *const v[3], const double q[3], int px, int py, FixedPlane &out) {
  if (!p.stepped) return false;
  out.px = px, out.py = py;
  out.at0 = fixed(p.at(px, py), p.one);
  out.sx = p.step_x, out.sy = p.step_y;
  const double tolerance = p.one / 8;
  for (int i = 0; i < 3; ++i) {
    const double got = static_cast<double>(out.at0) + static_cast<double>(out.sx) * (v[i]->x - px) +
                       static_cast<double>(out.sy) * (v[i]->y - py);
    const double want = std::min(std::max(q[i], p.lo), p.hi) * p.one;
    if (!(std::fabs(got - want) <= tolerance)) return false;
  }
  return true;
}

template <bool DEPTH, bool SMOOTH>
void exact_rows(Fan &f, const FixedPlane &zp, const FixedPlane *cp, ExactEdge &left, ExactEdge &right, int y0,
                int y1) {
  const KglRect &clip = f.st->clip;
  const std::size_t width = static_cast<std::size_t>(f.st->width);
  const KglPixelOut &o = *f.shared.out;
  Uint32 *const zbuf = f.st->zplane;
  Span s;
  s.z = s.dz = 0;
  s.c[0] = s.c[1] = s.c[2] = s.dc[0] = s.dc[1] = s.dc[2] = 0;
  if constexpr (DEPTH) s.dz = zp.sx;
  if constexpr (SMOOTH)
    for (int i = 0; i < 3; ++i) s.dc[i] = static_cast<std::int32_t>(cp[i].sx);
  for (int y = y0; y <= y1; ++y, left.step(), right.step()) {
    const int x0 = static_cast<int>(std::max<std::int64_t>(left.q, clip.x0));
    const int x1 = static_cast<int>(std::min<std::int64_t>(right.q - 1, clip.x1));
    if (x1 < x0) continue;
    if constexpr (DEPTH) s.z = zp.at(x0, y) + (std::int64_t{1} << (ZSHIFT - 1));
    if constexpr (SMOOTH)
      for (int i = 0; i < 3; ++i) s.c[i] = static_cast<std::int32_t>(cp[i].at(x0, y) + (1 << (CSHIFT - 1)));
    const std::size_t at = static_cast<std::size_t>(y) * width;
    s.row[0] = o.plane[0] + at;
    s.row[1] = o.n == 2 ? o.plane[1] + at : nullptr;
    s.zrow = zbuf + at;
    f.fn(s, f.shared, x0, x1);
  }
}

// The triangle's rows y0..y1 of those from `top` on by exact edges (each
// worked out at any row as stepping gives it there); false when it is to be
// drawn the general way.
template <bool DEPTH, bool SMOOTH>
bool exact_triangle(Fan &f, const KglWin3 *a, const KglWin3 *b, const KglWin3 *c, Attr &za, Attr *ca, int top,
                    int y0, int y1, int yb) {
  const KglWin3 *const v[3] = {a, b, c};
  for (const KglWin3 *p : v)
    if (!(std::fabs(p->x) < kGridLimit && std::fabs(p->y) < kGridLimit)) return false;
  const int px = static_cast<int>(floor_int(a->x)), py = top;
  FixedPlane zp, cp[3];
  if constexpr (DEPTH) {
    const double q[3] = {a->z, b->z, c->z};
    if (!fixed_plane(za, v, q, px, py, zp)) return false;
  }
  if constexpr (SMOOTH)
    for (int i = 0; i < 3; ++i) {
      const double q[3] = {a->rgb[i], b->rgb[i], c->rgb[i]};
      if (!fixed_plane(ca[i], v, q, px, py, cp[i])) return false;
    }
  // Grid units: exact, as the vertices are on the grid.
  const std::int64_t ax = static_cast<std::int64_t>(a->x * 1024), ay = static_cast<std::int64_t>(a->y * 1024);
  const std::int64_t bx = static_cast<std::int64_t>(b->x * 1024), by = static_cast<std::int64_t>(b->y * 1024);
  const std::int64_t cx = static_cast<std::int64_t>(c->x * 1024), cy = static_cast<std::int64_t>(c->y * 1024);
  const std::int64_t side = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  if (side == 0) return true;   // no area: no pixel
  // b right of the long edge ac: ac is the left edge.
  const bool long_left = side > 0;
  ExactEdge ac = exact_edge(ax, ay, cx, cy, y0);
  if (y0 < yb) {
    ExactEdge ab = exact_edge(ax, ay, bx, by, y0);
    const int last = std::min(yb - 1, y1);
    exact_rows<DEPTH, SMOOTH>(f, zp, cp, long_left ? ac : ab, long_left ? ab : ac, y0, last);
  }
  if (yb <= y1) {
    const int first = std::max(yb, y0);
    ExactEdge bc = exact_edge(bx, by, cx, cy, first);
    if (first != y0) ac = exact_edge(ax, ay, cx, cy, first);
    exact_rows<DEPTH, SMOOTH>(f, zp, cp, long_left ? ac : bc, long_left ? bc : ac, first, y1);
  }
  return true;
}

template <bool DEPTH, bool SMOOTH>
void triangle(Fan &f, const KglWin3 &p0, const KglWin3 &p1, const KglWin3 &p2) {
  const double area2 = (p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y);
  if (!(area2 != 0) || !std::isfinite(area2)) return;
  const KglWin3 *a = &p0, *b = &p1, *c = &p2;
  if (b->y < a->y) std::swap(a, b);
  if (c->y < b->y) std::swap(b, c);
  if (b->y < a->y) std::swap(a, b);

  const KglRect &clip = f.st->clip;
  // Rows y with a.y <= y < c.y; those below b.y meet edge ab, the others bc.
  const auto first_row = [&clip](double v) {
    return static_cast<int>(ceil_int(hold(v, clip.y0 - 1.0, clip.y1 + 2.0)));
  };
  const int y0 = std::max(first_row(a->y), clip.y0), y1 = std::min(first_row(c->y) - 1, clip.y1);
  // The rows of the band.
  const int r0 = std::max(y0, f.row0), r1 = std::min(y1, f.row1);
  if (r1 < r0) return;
  const int yb = first_row(b->y);

  // The first two rows, asked for while the planes are worked out.
  const std::size_t width = static_cast<std::size_t>(f.st->width);
  const KglPixelOut &o = *f.shared.out;
  {
    const std::size_t first = static_cast<std::size_t>(r0) * width +
                              static_cast<std::size_t>(hold(a->x, clip.x0, clip.x1));
    for (std::size_t r = 0; r < 2 && r0 + static_cast<int>(r) <= r1; ++r) {
      __builtin_prefetch(o.plane[0] + first + r * width, 1);
      if constexpr (DEPTH) __builtin_prefetch(f.st->zplane + first + r * width, 1);
    }
  }

  const KglPaint3 &paint = f.st->paint;
  // The planes' determinant in the order the vertices now have.
  const double inv = 1.0 / ((b->x - a->x) * (c->y - a->y) - (c->x - a->x) * (b->y - a->y));
  Attr za, ca[3];
  if constexpr (DEPTH) za.set(*a, *b, *c, a->z, b->z, c->z, inv, paint.zlo, paint.zhi, ZONE);
  if constexpr (SMOOTH)
    for (int i = 0; i < 3; ++i) ca[i].set(*a, *b, *c, a->rgb[i], b->rgb[i], c->rgb[i], inv, 0.0, 255.0, CONE);

  if (exact_triangle<DEPTH, SMOOTH>(f, a, b, c, za, ca, y0, r0, r1, yb)) return;

  // Within 2^30 of the origin no crossing needs holding to the window.
  constexpr double kSmall = 1073741824.0;
  const bool small = std::fabs(a->x) < kSmall && std::fabs(b->x) < kSmall && std::fabs(c->x) < kSmall &&
                     std::fabs(a->y) < kSmall && std::fabs(c->y) < kSmall;
  const double dxdy_ac = (c->x - a->x) / (c->y - a->y);
  if (y0 < yb) {
    const double dxdy_ab = (b->x - a->x) / (b->y - a->y);
    rows<DEPTH, SMOOTH>(f, za, ca, *a, dxdy_ac, *a, dxdy_ab, y0, std::min(yb - 1, y1), small);
  }
  if (yb <= y1) {
    const double dxdy_bc = (c->x - b->x) / (c->y - b->y);
    rows<DEPTH, SMOOTH>(f, za, ca, *a, dxdy_ac, *b, dxdy_bc, std::max(yb, y0), y1, small);
  }
}

using TriangleFn = void (*)(Fan &, const KglWin3 &, const KglWin3 &, const KglWin3 &);

}  // namespace

void kgl_draw_fan(const KglFanState &st, Uint32 flat, const KglWin3 *v, int n, int row0, int row1) {
  double ymin = v[0].y, ymax = v[0].y, xmin = v[0].x, xmax = v[0].x;
  for (int i = 1; i < n; ++i) {
    xmin = std::min(xmin, v[i].x), xmax = std::max(xmax, v[i].x);
    ymin = std::min(ymin, v[i].y), ymax = std::max(ymax, v[i].y);
  }
  const KglRect &k = st.clip;
  const int by0 = std::max(static_cast<int>(floor_int(hold(ymin, k.y0, k.y1))), row0);
  const int by1 = std::min(static_cast<int>(ceil_int(hold(ymax, k.y0, k.y1))), row1);
  if (by1 < by0) return;
  const KglPaint3 &paint = st.paint;
  const bool depth = paint.ztest || paint.colour == KGL_COLOUR_CUE;
  // Small faces land anywhere: ask for all their rows at once, so that the
  // memory works on them together while the triangles are set up.
  if (by1 - by0 < 64) {
    const int bx0 = static_cast<int>(floor_int(hold(xmin, k.x0, k.x1)));
    const int bx1 = static_cast<int>(ceil_int(hold(xmax, k.x0, k.x1)));
    const std::size_t w = static_cast<std::size_t>(st.width);
    for (int y = by0; y <= by1; ++y) {
      const std::size_t at = static_cast<std::size_t>(y) * w;
      for (int x = bx0; x <= bx1 + 15; x += 16) {
        __builtin_prefetch(st.out.plane[0] + at + std::min(x, bx1), 1);
        if (depth) __builtin_prefetch(st.zplane + at + std::min(x, bx1), 1);
      }
    }
  }
  Fan f{&st, nullptr, {flat, &st.cue, &st.out}, row0, row1};
  const bool plain = st.out.logic == kgl_logic_fns[KGL_LO_SRC] && st.out.mask == 0xFFFFFFFFu;
  f.fn = paint.ztest ? choose_colour<true>(paint.colour, st.out, plain)
                     : choose_colour<false>(paint.colour, st.out, plain);
  const bool smooth = paint.colour == KGL_COLOUR_SMOOTH;
  const TriangleFn tri = depth ? (smooth ? triangle<true, true> : triangle<true, false>)
                               : (smooth ? triangle<false, true> : triangle<false, false>);
  for (int i = 1; i + 1 < n; ++i) tri(f, v[0], v[i], v[i + 1]);
}

void kgl_fill_fan_3d(const KglPaint3 &paint, const KglWin3 *v, int n) {
  KglContext *c = kgl_ctx;
  if (!c || n < 3 || c->clip.x1 < c->clip.x0 || c->clip.y1 < c->clip.y0) return;
  double xmin = v[0].x, xmax = v[0].x, ymin = v[0].y, ymax = v[0].y;
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z)) return;
    xmin = std::min(xmin, v[i].x), xmax = std::max(xmax, v[i].x);
    ymin = std::min(ymin, v[i].y), ymax = std::max(ymax, v[i].y);
  }
  const KglRect &k = c->clip;
  const int bx0 = static_cast<int>(floor_int(hold(xmin, k.x0, k.x1)));
  const int bx1 = static_cast<int>(ceil_int(hold(xmax, k.x0, k.x1)));
  const int by0 = static_cast<int>(floor_int(hold(ymin, k.y0, k.y1)));
  const int by1 = static_cast<int>(ceil_int(hold(ymax, k.y0, k.y1)));

  KglFanState st;
  // No waiting for queued drawing here: the fan is filled after it in turn.
  pixel_targets(c, paint, bx0, by0, bx1, by1, st.out);
  if (!st.out.n) return;
  st.paint = paint;
  if (paint.colour == KGL_COLOUR_CUE) st.cue = kgl_cue(c);
  st.clip = c->clip;
  st.zplane = c->zbuf.data();
  st.width = c->width;
  // Every pixel of the fan lies in its box.
  if (st.out.visible) kgl_mark_dirty(c, bx0, by0, bx1, by1);
  kgl_submit_fan(st, paint.flat, v, n, bx0, by0, bx1, by1, c->height);
}
