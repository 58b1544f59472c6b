// Points and lines: homogeneous clipping, integer lines that set every pixel
// once, line styles and widths.
#include "line_queue.h"
#include "primitives.h"
#include "raster.h"
#include "vertex3d.h"
#include "zraster.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace {

KglClipVertex lerp(const KglClipVertex &a, const KglClipVertex &b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
          a.z + (b.z - a.z) * t, a.w + (b.w - a.w) * t};
}

int clamp_to_clip(long long v, int lo, int hi) { return static_cast<int>(std::clamp<long long>(v, lo, hi)); }

struct Style {
  Uint16 bits = 0xFFFF;
  int repeat = 1;
  bool solid = true;
  bool on(long long s) const { return solid || ((bits >> ((s / repeat) & 15)) & 1); }
};

Style current_style(const KglContext *c) {
  Style s;
  s.bits = kgl_linestyles[c->line_style];
  s.repeat = c->ls_repeat;
  s.solid = c->line_style == 0 || s.bits == 0xFFFF;
  return s;
}

// Pixels of the integer line (x0, y0) - (x1, y1) with drawing indices
// first..last (index 0 at the start vertex), each once; the minor coordinate
// is the exact line's rounded half up. Wide lines repeat the path shifted
// along the minor axis.
void raster_line(KglContext *c, const KglTargets &t, long long x0, long long y0,
                 long long x1, long long y1, long long first, long long last, long long style_base) {
  const long long dx = x1 - x0, dy = y1 - y0;
  const bool xmajor = std::llabs(dx) >= std::llabs(dy);
  // Work in (major, minor) coordinates.
  const long long ma0 = xmajor ? x0 : y0, mi0 = xmajor ? y0 : x0;
  const long long dma = xmajor ? dx : dy, dmi = xmajor ? dy : dx;
  const long long n = std::llabs(dma);
  const long long step = dma >= 0 ? 1 : -1;
  const long long lo_major = xmajor ? c->clip.x0 : c->clip.y0, hi_major = xmajor ? c->clip.x1 : c->clip.y1;
  const long long lo_minor = xmajor ? c->clip.y0 : c->clip.x0, hi_minor = xmajor ? c->clip.y1 : c->clip.x1;

  // Indices whose major coordinate lies inside the clip rectangle.
  long long i_lo = first, i_hi = std::min(last, n);
  if (step > 0) {
    i_lo = std::max(i_lo, lo_major - ma0);
    i_hi = std::min(i_hi, hi_major - ma0);
  } else {
    i_lo = std::max(i_lo, ma0 - hi_major);
    i_hi = std::min(i_hi, ma0 - lo_major);
  }
  if (i_lo > i_hi) return;

  const Style style = current_style(c);
  const int w = c->line_width;
  const int off_lo = -((w - 1) / 2), off_hi = w / 2;

  // minor(i) = mi0 + floor((2 i dmi + n) / 2n); n == 0 is a single pixel.
  const long long den = 2 * std::max(n, 1LL);
  long long num = 2 * i_lo * dmi + (n > 0 ? n : 0);
  long long q = n > 0 ? kgl_floor_div(num, den) : 0;
  long long r = n > 0 ? num - q * den : 0;
  KglPointBatch batch;
  const long long q_start = q, q_end = n > 0 ? kgl_floor_div(2 * i_hi * dmi + n, den) : 0;

  for (long long i = i_lo; i <= i_hi; ++i) {
    if (style.on(style_base + i - first)) {
      const long long ma = ma0 + step * i;
      for (int o = off_lo; o <= off_hi; ++o) {
        const long long mi = mi0 + q + o;
        if (mi < lo_minor || mi > hi_minor) continue;
        if (xmajor)
          batch.add(c, t, static_cast<int>(ma), static_cast<int>(mi));
        else
          batch.add(c, t, static_cast<int>(mi), static_cast<int>(ma));
      }
    }
    if (n > 0) {
      r += 2 * dmi;
      if (r >= den) {
        r -= den;
        ++q;
      } else if (r < 0) {
        r += den;
        --q;
      }
    }
  }

  // The pixels lie within the box of the drawn stretch (clipped on marking).
  const long long ma_a = ma0 + step * i_lo, ma_b = ma0 + step * i_hi;
  const long long mlo = std::max(lo_major, std::min(ma_a, ma_b)), mhi = std::min(hi_major, std::max(ma_a, ma_b));
  const long long nlo = std::max(lo_minor, mi0 + std::min(q_start, q_end) + off_lo);
  const long long nhi = std::min(hi_minor, mi0 + std::max(q_start, q_end) + off_hi);
  if (xmajor)
    batch.finish(c, t, static_cast<int>(mlo), static_cast<int>(nlo), static_cast<int>(mhi), static_cast<int>(nhi));
  else
    batch.finish(c, t, static_cast<int>(nlo), static_cast<int>(mlo), static_cast<int>(nhi), static_cast<int>(mhi));
}

}  // namespace

void kgl_draw_segment(const KglClipVertex &a, const KglClipVertex &b, bool skip_first, bool skip_last) {
  KglContext *c = kgl_ctx;
  if (!c || !kgl_finite(a) || !kgl_finite(b)) return;
  // Near the eye plane, and between the near and far planes.
  double t0 = 0.0, t1 = 1.0;
  if (!kgl_clip_param(a.w - KGL_MIN_W, b.w - KGL_MIN_W, t0, t1) || !kgl_clip_param(a.w + a.z, b.w + b.z, t0, t1) ||
      !kgl_clip_param(a.w - a.z, b.w - b.z, t0, t1))
    return;
  KglWinVertex wa = kgl_to_window(c, t0 > 0.0 ? lerp(a, b, t0) : a);
  KglWinVertex wb = kgl_to_window(c, t1 < 1.0 ? lerp(a, b, t1) : b);
  if (t0 > 0.0) skip_first = false;
  if (t1 < 1.0) skip_last = false;

  // Far outside the window: cut to the guard band so the integers stay small.
  double g0 = 0.0, g1 = 1.0;
  const double gx0 = c->clip.x0 - KGL_GUARD, gx1 = c->clip.x1 + KGL_GUARD;
  const double gy0 = c->clip.y0 - KGL_GUARD, gy1 = c->clip.y1 + KGL_GUARD;
  if (!kgl_clip_param(wa.x - gx0, wb.x - gx0, g0, g1) || !kgl_clip_param(gx1 - wa.x, gx1 - wb.x, g0, g1) ||
      !kgl_clip_param(wa.y - gy0, wb.y - gy0, g0, g1) || !kgl_clip_param(gy1 - wa.y, gy1 - wb.y, g0, g1))
    return;
  if (g0 > 0.0 || g1 < 1.0) {
    const KglWinVertex ca = {wa.x + (wb.x - wa.x) * g0, wa.y + (wb.y - wa.y) * g0};
    const KglWinVertex cb = {wa.x + (wb.x - wa.x) * g1, wa.y + (wb.y - wa.y) * g1};
    if (g0 > 0.0) skip_first = false;
    if (g1 < 1.0) skip_last = false;
    wa = ca;
    wb = cb;
  }

  const long long x0 = kgl_round_pixel(wa.x), y0 = kgl_round_pixel(wa.y);
  const long long x1 = kgl_round_pixel(wb.x), y1 = kgl_round_pixel(wb.y);
  const long long n = std::max(std::llabs(x1 - x0), std::llabs(y1 - y0));
  const long long first = skip_first ? 1 : 0;
  const long long last = skip_last ? n - 1 : n;
  const long long base = kgl_prim.style_pos;
  kgl_prim.style_pos += last >= first ? last - first + 1 : 0;
  if (last < first) return;

  // Wide lines spread up to half their width along the minor axis.
  const long long half = c->line_width / 2 + 1;
  KglTargets t;
  kgl_draw_targets(t, clamp_to_clip(std::min(x0, x1) - half, c->clip.x0, c->clip.x1),
                   clamp_to_clip(std::min(y0, y1) - half, c->clip.y0, c->clip.y1),
                   clamp_to_clip(std::max(x0, x1) + half, c->clip.x0, c->clip.x1),
                   clamp_to_clip(std::max(y0, y1) + half, c->clip.y0, c->clip.y1));
  if (!t.n) return;
  raster_line(c, t, x0, y0, x1, y1, first, last, base);
}

void kgl_draw_point(const KglClipVertex &v) {
  KglContext *c = kgl_ctx;
  if (!c || !kgl_finite(v) || v.w < KGL_MIN_W || v.z > v.w || v.z < -v.w) return;
  const KglWinVertex w = kgl_to_window(c, v);
  if (!(std::fabs(w.x) < KGL_GUARD && std::fabs(w.y) < KGL_GUARD)) return;
  const long long x = kgl_round_pixel(w.x), y = kgl_round_pixel(w.y);
  if (x < c->clip.x0 || x > c->clip.x1 || y < c->clip.y0 || y > c->clip.y1) return;
  KglTargets t;
  kgl_draw_targets(t, static_cast<int>(x), static_cast<int>(y), static_cast<int>(x), static_cast<int>(y));
  if (!t.n) return;
  KglPointBatch batch;
  batch.add(c, t, static_cast<int>(x), static_cast<int>(y));
  batch.finish(c, t, static_cast<int>(x), static_cast<int>(y), static_cast<int>(x), static_cast<int>(y));
}

// ---- the fast path: solid thin lines of the normal planes ----------------------------
//
// The same pixels as kgl_draw_segment and raster_line for the common state,
// without their per-segment set-up: the window coordinates of each vertex are
// computed once, the clipping is done on the integer end points and the
// pixels are written by a Bresenham loop that steps a pointer, specialised
// per logical operation and number of buffers. The bookkeeping is done here;
// the walk is queued for the worker threads (line_queue.h).

namespace {

// Quotients rounded down and up, for denominators of either sign.
inline long long floor_quot(long long a, long long b) {
  long long q = a / b;
  if ((a % b) != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}
inline long long ceil_quot(long long a, long long b) { return -floor_quot(-a, b); }

// The integer line in (major, minor) coordinates: pixel i (0..n) lies at
// major ma0 + step i, minor mi0 + floor((2 i dmi + n) / 2n).
struct IntLine {
  bool xmajor;
  long long ma0, mi0, n, dmi, step;
};

inline IntLine int_line(long long x0, long long y0, long long x1, long long y1) {
  const long long dx = x1 - x0, dy = y1 - y0;
  const bool xmajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
  const long long dma = xmajor ? dx : dy;
  return {xmajor, xmajor ? x0 : y0, xmajor ? y0 : x0, dma < 0 ? -dma : dma, xmajor ? dy : dx, dma >= 0 ? 1 : -1};
}

// Narrows i_lo..i_hi to the pixels inside x_lo..x_hi, y_lo..y_hi; false when
// none is left.
bool clip_indices(const IntLine &l, long long x_lo, long long y_lo, long long x_hi, long long y_hi, long long &i_lo,
                  long long &i_hi) {
  const long long lo_major = l.xmajor ? x_lo : y_lo, hi_major = l.xmajor ? x_hi : y_hi;
  const long long lo_minor = l.xmajor ? y_lo : x_lo, hi_minor = l.xmajor ? y_hi : x_hi;
  if (l.step > 0) {
    i_lo = std::max(i_lo, lo_major - l.ma0);
    i_hi = std::min(i_hi, hi_major - l.ma0);
  } else {
    i_lo = std::max(i_lo, l.ma0 - hi_major);
    i_hi = std::min(i_hi, l.ma0 - lo_major);
  }
  // The indices whose minor coordinate lies in [lo_minor, hi_minor].
  const long long n = l.n, dmi = l.dmi, lo = lo_minor - l.mi0, hi = hi_minor - l.mi0;
  if (n == 0 || dmi == 0) {
    if (lo > 0 || hi < 0) return false;
  } else if (dmi > 0) {
    i_lo = std::max(i_lo, ceil_quot(2 * n * lo - n, 2 * dmi));
    i_hi = std::min(i_hi, ceil_quot(2 * n * (hi + 1) - n, 2 * dmi) - 1);
  } else {
    i_hi = std::min(i_hi, floor_quot(2 * n * lo - n, 2 * dmi));
    i_lo = std::max(i_lo, floor_quot(2 * n * (hi + 1) - n, 2 * dmi) + 1);
  }
  return i_lo <= i_hi;
}

// The minor offset of pixel i; the pixels next to the ends need no division
// (|dmi| <= n, and pixel n lies dmi off).
inline long long minor_offset(const IntLine &l, long long i) {
  if (i == 0 || l.n == 0) return 0;
  if (i == l.n) return l.dmi;
  if (i == 1) {
    const long long num = 2 * l.dmi + l.n;   // in [-n, 3n]
    return num >= 2 * l.n ? 1 : num < 0 ? -1 : 0;
  }
  return floor_quot(2 * i * l.dmi + l.n, 2 * l.n);
}

// A pixel of a line. Stores are relaxed atomics (plain moves): workers given
// lines of one colour each may write the same pixel.
template <int OP, int NPLANES>
inline void put_pixel(Uint32 *p, std::ptrdiff_t other, Uint32 src) {
  if constexpr (OP == KGL_LO_XOR) {
    *p ^= src;
    if constexpr (NPLANES == 2) p[other] ^= src;
  } else {
    std::atomic_ref<Uint32>(*p).store(src, std::memory_order_relaxed);
    if constexpr (NPLANES == 2) std::atomic_ref<Uint32>(p[other]).store(src, std::memory_order_relaxed);
  }
}

// The step from one pixel to the next.
inline void step(Uint32 *&p, long long &e, std::ptrdiff_t major_step, std::ptrdiff_t diagonal, long long a,
                 long long a_minor) {
#if defined(__x86_64__)
  // Compilers branch here; the conditional moves are what is meant.
  long long slanted = e + a_minor;
  Uint32 *across = p + diagonal;
  asm("add %[a], %[e]\n\t"
      "lea (%[p],%[major],4), %[p]\n\t"
      "cmovns %[slanted], %[e]\n\t"
      "cmovns %[across], %[p]"
      : [e] "+&r"(e), [p] "+&r"(p)
      : [a] "r"(a), [major] "r"(major_step), [slanted] "r"(slanted), [across] "r"(across)
      : "cc");
#else
  const long long straight = e + a, slanted = e + a_minor;
  const bool minor = straight >= 0;
  e = minor ? slanted : straight;
  p += minor ? diagonal : major_step;
#endif
}

// count pixels from p on: a major step each, and a minor one as well whenever
// the error term e (kept in [-den, 0)) reaches 0. Both next terms are formed
// at once and one chosen without a branch (the lines' slopes are too random
// to predict one), so a pixel waits on two operations of the one before.
template <int OP, int NPLANES>
void walk(Uint32 *p, std::ptrdiff_t other, std::ptrdiff_t major_step, std::ptrdiff_t minor_step, long long count,
          long long e, long long a, long long den, Uint32 src) {
  const std::ptrdiff_t diagonal = major_step + minor_step;
  const long long a_minor = a - den;
  // Two pixels a turn, and the odd one.
  for (long long pairs = count >> 1; pairs > 0; --pairs) {
    put_pixel<OP, NPLANES>(p, other, src);
    step(p, e, major_step, diagonal, a, a_minor);
    put_pixel<OP, NPLANES>(p, other, src);
    step(p, e, major_step, diagonal, a, a_minor);
  }
  if (count & 1) put_pixel<OP, NPLANES>(p, other, src);
}

using WalkFn = void (*)(Uint32 *, std::ptrdiff_t, std::ptrdiff_t, std::ptrdiff_t, long long, long long, long long,
                        long long, Uint32);

// Indexed [exclusive-or][two planes].
const WalkFn walk_fns[2][2] = {
    {walk<KGL_LO_SRC, 1>, walk<KGL_LO_SRC, 2>},
    {walk<KGL_LO_XOR, 1>, walk<KGL_LO_XOR, 2>},
};

}  // namespace

bool kgl_line_span(const KglLineCmd &cmd, const KglRect &clip, KglLineSpan &span) {
  // Inside the guard band every coordinate and index fits 32 bits.
  const std::int32_t n = std::max(std::abs(cmd.x1 - cmd.x0), std::abs(cmd.y1 - cmd.y0));
  span.i_lo = cmd.flags & KGL_CMD_SKIP_FIRST ? 1 : 0;
  span.i_hi = n;
  span.col_lo = std::max(std::min(cmd.x0, cmd.x1), clip.x0);
  span.col_hi = std::min(std::max(cmd.x0, cmd.x1), clip.x1);
  span.row_lo = std::max(std::min(cmd.y0, cmd.y1), clip.y0);
  span.row_hi = std::min(std::max(cmd.y0, cmd.y1), clip.y1);
  return n >= span.i_lo && span.col_lo <= span.col_hi && span.row_lo <= span.row_hi;
}

void kgl_draw_line_cmd(const KglLineCmd &cmd, const KglLineState &state, std::ptrdiff_t width, int row0, int row1) {
  KglLineSpan s;
  if (!kgl_line_span(cmd, state.clip, s)) return;
  row0 = std::max(row0, s.row_lo);
  row1 = std::min(row1, s.row_hi);
  if (row0 > row1) return;
  const IntLine l = int_line(cmd.x0, cmd.y0, cmd.x1, cmd.y1);
  long long i_lo = s.i_lo, i_hi = s.i_hi;
  // A line whose ends lie in the rectangle needs no cutting.
  const bool inside = std::min(cmd.x0, cmd.x1) >= s.col_lo && std::max(cmd.x0, cmd.x1) <= s.col_hi &&
                      std::min(cmd.y0, cmd.y1) >= row0 && std::max(cmd.y0, cmd.y1) <= row1;
  if (!inside && !clip_indices(l, s.col_lo, row0, s.col_hi, row1, i_lo, i_hi)) return;

  // The error term at i_lo, r = 2 i dmi + n - q den in [0, den), as the walk
  // keeps it: r - den where the minor coordinate grows, -1 - r where it
  // shrinks; either way the minor step falls where it reaches 0.
  const long long den = 2 * std::max(l.n, 1LL);
  const long long q = minor_offset(l, i_lo);
  const long long r = 2 * i_lo * l.dmi + l.n - q * den;
  const bool up = l.dmi >= 0;
  const long long ma = l.ma0 + l.step * i_lo, mi = l.mi0 + q;
  const long long px = l.xmajor ? ma : mi, py = l.xmajor ? mi : ma;
  const std::ptrdiff_t major_step = l.xmajor ? l.step : l.step * width;
  const std::ptrdiff_t minor_step = (l.xmajor ? width : 1) * (up ? 1 : -1);
  const bool two = cmd.flags & KGL_CMD_TWO_PLANES;
  walk_fns[(cmd.flags & KGL_CMD_XOR) != 0][two](cmd.plane + py * width + px, two ? state.other : 0, major_step,
                                                 minor_step, i_hi - i_lo + 1, up ? r - den : -1 - r,
                                                 2 * (up ? l.dmi : -l.dmi), den, cmd.colour);
}

bool kgl_fast_segment(const KglLineVertex &a, const KglLineVertex &b, bool skip_first) {
  KglContext *c = kgl_ctx;
  if (!c || !a.ok || !b.ok || a.serial != c->clip_serial || b.serial != c->clip_serial || !kgl_fast_line_state(c))
    return false;
  KglLineCmd cmd;
  cmd.x0 = a.x, cmd.y0 = a.y, cmd.x1 = b.x, cmd.y1 = b.y;
  cmd.flags = skip_first ? KGL_CMD_SKIP_FIRST : 0;
  KglLineSpan s;
  const bool drawn = kgl_line_span(cmd, c->clip, s);
  if (s.i_hi >= s.i_lo) kgl_prim.style_pos += s.i_hi - s.i_lo + 1;
  if (!drawn) return true;
  Uint32 *plane[2];
  bool visible;
  const int nplanes = kgl_normal_targets(c, s.col_lo, s.row_lo, s.col_hi, s.row_hi, plane, visible);
  if (!nplanes) return true;
  if (visible) kgl_mark_dirty(c, s.col_lo, s.row_lo, s.col_hi, s.row_hi);
  cmd.plane = plane[0];
  cmd.colour = c->rgba;
  if (c->logic_op == KGL_LO_XOR) cmd.flags |= KGL_CMD_XOR;
  if (nplanes == 2) cmd.flags |= KGL_CMD_TWO_PLANES;
  kgl_submit_line(cmd, {c->clip, nplanes == 2 ? plane[1] - plane[0] : 0}, s.i_hi - s.i_lo + 1, c->width, c->height);
  return true;
}

namespace {

// The window pixels of the ends of mapped commands, exactly as kgl_map_2d,
// kgl_window_x/y, kgl_snap_1024 and kgl_pixel_of_1024 give them: the
// operations are the same, in the same order, one end's x and y at a time.
// The map's raw bound keeps every value well inside the guard band. Made once
// for all the commands of a map.
class EndMapper {
 public:
#if defined(__SSE2__)
  explicit EndMapper(const KglLineMap &m)
      : along_x_(_mm_set_pd(m.yx, m.xx)), along_y_(_mm_set_pd(m.yy, m.xy)), shift_(_mm_set_pd(m.yc, m.xc)),
        origin_(_mm_set_pd(m.wy0, m.wx0)), scale_(_mm_set_pd(m.wys, m.wxs)), along_(_mm_set_pd(m.yy, m.xx)),
        separable_(m.xy == 0 && m.yx == 0) {}

  // The pixels x0, y0, x1, y1 of the command's ends into out.
  void ends(const KglLineCmd &in, std::int32_t out[4]) const {
    static_assert(offsetof(KglLineCmd, y0) == offsetof(KglLineCmd, x0) + 4 &&
                  offsetof(KglLineCmd, x1) == offsetof(KglLineCmd, x0) + 8 &&
                  offsetof(KglLineCmd, y1) == offsetof(KglLineCmd, x0) + 12);
    __m128i a, b;
    if (separable_) {
      // Without rotation (xy and yx 0) the products left out are zeros:
      // adding one changes at most the sign of a zero, which adding the
      // shift and then 1 takes away. Both coordinates of an end at once.
      const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i *>(&in.x0));
      a = pixel(_mm_mul_pd(_mm_cvtepi32_pd(ends), along_));
      b = pixel(_mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(ends, ends)), along_));
    } else {
      a = pixel(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(in.x0), along_x_), _mm_mul_pd(_mm_set1_pd(in.y0), along_y_)));
      b = pixel(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(in.x1), along_x_), _mm_mul_pd(_mm_set1_pd(in.y1), along_y_)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi64(a, b));
  }

 private:
  // Both lanes of a constant, read where it is used.
  static __m128d both(const double (&v)[2]) { return _mm_load_pd(v); }
  // The pixel of an end from x x_x + y x_y and x y_x + y y_y.
  __m128i pixel(__m128d along) const {
    const __m128d clip = _mm_add_pd(along, shift_);
    const __m128d window = _mm_add_pd(origin_, _mm_mul_pd(_mm_add_pd(clip, both(kOne)), scale_));
    const __m128d snapped = floor_pd(_mm_add_pd(_mm_mul_pd(window, both(kGrid)), both(kHalf)));
    // (s + 512) >> 10, exact in doubles: s is an integer below 2^53.
    return _mm_cvttpd_epi32(floor_pd(_mm_mul_pd(_mm_add_pd(snapped, both(kHalfPixel)), both(kPerGrid))));
  }
  // floor of each lane, for |v| < 2^51: rounded to an integer by adding and
  // taking away 1.5 2^52, then one less where that rounded up.
  static __m128d floor_pd(__m128d v) {
    const __m128d r = _mm_sub_pd(_mm_add_pd(v, both(kMagic)), both(kMagic));
    return _mm_sub_pd(r, _mm_and_pd(_mm_cmpgt_pd(r, v), both(kOne)));
  }
  __m128d along_x_, along_y_, shift_, origin_, scale_, along_;
  bool separable_;
  alignas(16) static constexpr double kOne[2] = {1.0, 1.0}, kGrid[2] = {1024.0, 1024.0}, kHalf[2] = {0.5, 0.5};
  alignas(16) static constexpr double kHalfPixel[2] = {512.0, 512.0}, kPerGrid[2] = {1.0 / 1024, 1.0 / 1024};
  alignas(16) static constexpr double kMagic[2] = {6755399441055744.0, 6755399441055744.0};
#else
  explicit EndMapper(const KglLineMap &m) : m_(m) {}

  void ends(const KglLineCmd &in, std::int32_t out[4]) const {
    out[0] = column(in.x0, in.y0), out[1] = row(in.x0, in.y0), out[2] = column(in.x1, in.y1), out[3] = row(in.x1, in.y1);
  }

 private:
  std::int32_t column(double x, double y) const {
    return kgl_pixel_of_1024(kgl_snap_1024(kgl_window_x(m_, kgl_map_2d(m_, x, y))));
  }
  std::int32_t row(double x, double y) const {
    return kgl_pixel_of_1024(kgl_snap_1024(kgl_window_y(m_, kgl_map_2d(m_, x, y))));
  }
  KglLineMap m_;
#endif
};

// The mapped command with its ends at the pixels ends[0..3] (x0, y0, x1, y1).
inline KglLineCmd with_pixel_ends(const KglLineCmd &in, const std::int32_t *ends) {
  KglLineCmd out = in;
  out.x0 = ends[0], out.y0 = ends[1], out.x1 = ends[2], out.y1 = ends[3];
  out.flags = static_cast<std::uint8_t>(in.flags & ~KGL_CMD_MAPPED);
  return out;
}

}  // namespace

bool kgl_map_line_cmd(const KglLineCmd &in, const KglLineMap &m, const KglRect &clip, int row0, int row1,
                      KglLineCmd &out) {
  std::int32_t w[4];
  EndMapper(m).ends(in, w);
  if (std::max(w[1], w[3]) < std::max(row0, clip.y0) || std::min(w[1], w[3]) > std::min(row1, clip.y1)) return false;
  out = with_pixel_ends(in, w);
  return true;
}

namespace {

// Draws the part in rows row0..row1 of a mapped command whose ends are the
// pixels ends[0..3] (x0, y0, x1, y1).
inline void draw_mapped(const KglLineCmd &in, const std::int32_t *ends, const KglLineState &state,
                        std::ptrdiff_t width, int row0, int row1) {
  const std::int32_t x0 = ends[0], y0 = ends[1], x1 = ends[2], y1 = ends[3];
  const KglRect &k = state.clip;
  const int bottom = std::max(row0, k.y0), top = std::min(row1, k.y1);
  const std::int32_t ylo = std::min(y0, y1), yhi = std::max(y0, y1);
  if (yhi < bottom || ylo > top) return;
  // A further segment of a polyline leaves its first pixel out: the general
  // walk does, as it cuts what lies outside.
  if ((in.flags & KGL_CMD_SKIP_FIRST) || std::min(x0, x1) < k.x0 || std::max(x0, x1) > k.x1 || ylo < bottom ||
      yhi > top) {
    kgl_draw_line_cmd(with_pixel_ends(in, ends), state, width, row0, row1);
    return;
  }
  // The whole line is inside: kgl_draw_line_cmd's walk from its first pixel,
  // without the clipping. Mapped lines go to one plane.
  const std::int32_t dx = x1 - x0, dy = y1 - y0, adx = std::abs(dx), ady = std::abs(dy);
  const bool xmajor = adx >= ady;
  const long long n = xmajor ? adx : ady, dmi = xmajor ? dy : dx;
  const std::ptrdiff_t step = (xmajor ? dx : dy) >= 0 ? 1 : -1;
  const long long den = 2 * std::max(n, 1LL);
  const bool up = dmi >= 0;
  Uint32 *start = in.plane + static_cast<std::ptrdiff_t>(y0) * width + x0;
  const std::ptrdiff_t major_step = xmajor ? step : step * width;
  const std::ptrdiff_t minor_step = (xmajor ? width : 1) * (up ? 1 : -1);
  const long long e = up ? n - den : -1 - n, a = 2 * (up ? dmi : -dmi);
  if (in.flags & KGL_CMD_XOR)
    walk<KGL_LO_XOR, 1>(start, 0, major_step, minor_step, n + 1, e, a, den, in.colour);
  else
    walk<KGL_LO_SRC, 1>(start, 0, major_step, minor_step, n + 1, e, a, den, in.colour);
}

}  // namespace

void kgl_draw_cmds(const KglLineCmd *cmds, int from, int to, const KglLineState *states, const KglLineMap &map,
                   const KglFans &fans, std::ptrdiff_t width, int row0, int row1) {
  const EndMapper mapper(map);
  // The mapped commands of a group are mapped first, in a loop that calls
  // nothing, so that the map's constants stay in registers.
  constexpr int kGroup = 64;
  alignas(16) std::int32_t ends[kGroup][4];
  for (int first = from; first < to; first += kGroup) {
    const int last = std::min(to, first + kGroup);
    for (int i = first; i < last; ++i)
      if (cmds[i].flags & KGL_CMD_MAPPED) mapper.ends(cmds[i], ends[i - first]);
    for (int i = first; i < last; ++i) {
      const KglLineCmd &c = cmds[i];
      if (c.flags & KGL_CMD_FAN) {
        if (c.y1 >= row0 && c.y0 <= row1)
          kgl_draw_fan(fans.state[c.state], c.colour, fans.vertex + c.x1, c.x0, row0, row1);
        continue;
      }
      const KglLineState &st = states[c.state];
      if (c.flags & KGL_CMD_MAPPED)
        draw_mapped(c, ends[i - first], st, width, row0, row1);
      else if (std::max(c.y0, c.y1) >= row0 && std::min(c.y0, c.y1) <= row1)
        kgl_draw_line_cmd(c, st, width, row0, row1);
    }
  }
}

// ---- polylines ---------------------------------------------------------------------

void bgnpoint() {
  if (kgl_hook_bgn(KGL_PRIM_POINT)) return;
  kgl_prim.kind = KGL_PRIM_POINT;
  kgl_prim.count = 0;
}
void endpoint() {
  if (kgl_hook_end(KGL_PRIM_POINT)) return;
  kgl_prim.kind = KGL_PRIM_NONE;
}

void bgnline() {
  if (kgl_hook_bgn(KGL_PRIM_LINE)) return;
  kgl_prim.kind = KGL_PRIM_LINE;
  kgl_prim.count = 0;
  kgl_prim.style_pos = 0;
}
void endline() {
  if (kgl_hook_end(KGL_PRIM_LINE)) return;
  kgl_prim.kind = KGL_PRIM_NONE;
}

void bgnclosedline() {
  if (kgl_hook_bgn(KGL_PRIM_CLOSEDLINE)) return;
  kgl_prim.kind = KGL_PRIM_CLOSEDLINE;
  kgl_prim.count = 0;
  kgl_prim.style_pos = 0;
}

// The closing segment leaves out both of its end pixels, which the first and
// the last segments drew. Two vertices make one line, not a line drawn twice.
void endclosedline() {
  if (kgl_hook_end(KGL_PRIM_CLOSEDLINE)) return;
  if (kgl_prim.kind == KGL_PRIM_CLOSEDLINE && kgl_prim.count >= 3)
    kgl_draw_segment(kgl_prim.prev, kgl_prim.first, true, true);
  kgl_prim.kind = KGL_PRIM_NONE;
}

void recti(Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  rect(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2));
}

void rect(float x1, float y1, float x2, float y2) {
  if (!kgl_ctx) return;
  bgnclosedline();
  const float corners[4][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
  for (const auto &p : corners) v2f(p);
  endclosedline();
}
