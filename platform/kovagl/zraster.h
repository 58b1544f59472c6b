// Writing single pixels of the 3D rasterisers into the normal planes: the
// depth test, the logical operation and the write mask, into one buffer or
// two.
#pragma once

#include "raster.h"
#include "vertex3d.h"

#include <algorithm>
#include <cmath>

// ---- line clipping and pixel arithmetic, shared by the 2D and 3D lines ----

// Cuts the parameter range [t0, t1] of a -> b to where pa + t (pb - pa)
// stays non-negative. False when nothing is left.
inline bool kgl_clip_param(double pa, double pb, double &t0, double &t1) {
  if (pa < 0 && pb < 0) return false;
  if (pa >= 0 && pb >= 0) return true;
  const double t = pa / (pa - pb);
  if (pa < 0)
    t0 = std::max(t0, t);
  else
    t1 = std::min(t1, t);
  return t0 <= t1;
}

inline bool kgl_finite(const KglClipVertex &v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// a / b rounded down, for b > 0.
inline long long kgl_floor_div(long long a, long long b) {
  long long q = a / b;
  if ((a % b) != 0 && a < 0) --q;
  return q;
}

// The pixel of a window coordinate, halves rounded up.
inline long long kgl_round_pixel(double v) { return static_cast<long long>(std::floor(v + 0.5)); }

using KglLogicFn = Uint32 (*)(Uint32 src, Uint32 dst);
extern const KglLogicFn kgl_logic_fns[16];

struct KglPixelOut {
  Uint32 *plane[2] = {nullptr, nullptr};
  int n = 0;
  bool visible = false;
  Uint32 *zbuf = nullptr;   // set when pixels are depth-tested
  Uint32 mask = 0;
  KglLogicFn logic = nullptr;

  // Writes src at offset off where z passes the test.
  void put(std::size_t off, Uint32 src, Int32 z) const {
    if (zbuf) {
      if (z > static_cast<Int32>(zbuf[off])) return;
      zbuf[off] = static_cast<Uint32>(z);
    }
    for (int i = 0; i < n; ++i) {
      Uint32 &d = plane[i][off];
      d = (d & ~mask) | (logic(src, d) & mask);
    }
  }
};

// The normal-plane targets of the area x0..y1 (window pixels, inclusive, in
// the clip rectangle) for the paint; n is 0 when nothing can be drawn.
void kgl_pixel_out(KglContext *c, const KglPaint3 &paint, int x0, int y0, int x1, int y1, KglPixelOut &out);

// The depth-cue colours of lRGBrange: the max colour at znear, the min at
// zfar, linear between and clamped outside; each channel rounded half up.
struct KglCue {
  double znear = 0, zspan = 0;
  double max[3] = {}, diff[3] = {};   // diff: min - max
  Uint32 pixel(Int32 z) const {
    double t = zspan != 0 ? (z - znear) / zspan : (z > znear ? 1.0 : 0.0);
    t = t > 0 ? (t < 1 ? t : 1) : 0;
    Uint32 v = 0xFF000000u;
    for (int i = 0; i < 3; ++i) v |= static_cast<Uint32>(max[i] + diff[i] * t + 0.5) << (8 * i);
    return v;
  }
};
KglCue kgl_cue(const KglContext *c);

// What a fan of the 3D rasteriser needs besides its vertices and flat value,
// taken from the context when it is queued: the workers that fill it read
// nothing of the context itself.
struct KglFanState {
  KglPaint3 paint;
  KglCue cue;          // where paint.colour is KGL_COLOUR_CUE
  KglPixelOut out;
  KglRect clip;
  Uint32 *zplane;      // the z-buffer, tested or not
  int width;
};
// Fills the rows row0..row1 of the fan of window-space vertices v (n >= 3)
// with flat as the flat value: every pixel as filling all rows gives it
// (zpolygons.cpp).
void kgl_draw_fan(const KglFanState &st, Uint32 flat, const KglWin3 *v, int n, int row0, int row1);

// A window z as the pixel gets it: rounded half up, clamped to the range.
inline Int32 kgl_pixel_z(const KglPaint3 &paint, double z) {
  if (!(z > paint.zlo)) return paint.zlo;   // also NaN
  if (z >= paint.zhi) return paint.zhi;
  return static_cast<Int32>(std::floor(z + 0.5));
}

// A colour channel x 255 as the pixel gets it (the c3f rounding).
inline Uint32 kgl_pixel_channel(double v) {
  if (!(v > 0)) return 0;
  if (v >= 255) return 255;
  return static_cast<Uint32>(v + 0.5);
}
inline Uint32 kgl_pixel_rgb(const double rgb[3]) {
  return 0xFF000000u | kgl_pixel_channel(rgb[0]) | (kgl_pixel_channel(rgb[1]) << 8) |
         (kgl_pixel_channel(rgb[2]) << 16);
}
