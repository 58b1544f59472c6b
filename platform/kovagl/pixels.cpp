// Buffers and pixel blocks: front and back buffers, swapping, read source,
// rectread/rectwrite (16-bit values), lrectread/lrectwrite (32-bit values),
// rectcopy, and the recolouring of colour-index pixels kept in RGB planes.
// Blocks are x1..x2 by y1..y2 inclusive, bottom row first.
#include "line_queue.h"
#include "raster.h"
#include "xbind.h"

#include <algorithm>
#include <vector>

namespace {

// Scratch for rows and copied blocks, kept between calls.
std::vector<Uint32> scratch;

struct Source {
  const Uint32 *wide = nullptr;          // 32-bit plane
  const std::uint8_t *narrow = nullptr;  // 8-bit layer plane
};

// The plane reads come from; reading the back of the area x0..y1 first
// copies the mirrored tiles there into it.
Source read_source(KglContext *c, int x0, int y0, int x1, int y1) {
  kgl_sync_pixels();
  Source s;
  if (c->readsrc == KGL_SRC_AUTO && (c->layer == KGL_LAYER_POPUP || c->layer == KGL_LAYER_OVERLAY)) {
    s.narrow = c->layer == KGL_LAYER_POPUP ? c->popup.data() : c->overlay.data();
    return s;
  }
  const bool reads_back =
      c->dbl && (c->readsrc == KGL_SRC_BACK || (c->readsrc != KGL_SRC_ZBUFFER && c->readsrc != KGL_SRC_FRONT &&
                                                 !c->draw_front));
  if (reads_back) kgl_materialise_back(c, x0, y0, x1, y1);
  switch (c->readsrc) {
    case KGL_SRC_BACK:
      s.wide = c->normal[c->dbl ? 1 - c->front_index : c->front_index].data();
      break;
    case KGL_SRC_ZBUFFER:
      s.wide = c->zbuf.data();
      break;
    case KGL_SRC_FRONT:
      s.wide = c->normal[c->front_index].data();
      break;
    default:
      s.wide = c->normal[(!c->dbl || c->draw_front) ? c->front_index : 1 - c->front_index].data();
      break;
  }
  return s;
}

inline Uint32 source_value(const KglContext *c, const Source &s, int x, int y) {
  const std::size_t i = static_cast<std::size_t>(y) * c->width + x;
  return s.wide ? s.wide[i] : s.narrow[i];
}

// Reads a block; pixels outside the window read as 0. Answers the count.
template <typename T>
Int32 read_block(Int32 x1, Int32 y1, Int32 x2, Int32 y2, T *buffer) {
  KglContext *c = kgl_ctx;
  if (!c || !buffer || x2 < x1 || y2 < y1) return 0;
  const Source s = read_source(c, static_cast<int>(std::clamp<Int32>(x1, -1, c->width)),
                               static_cast<int>(std::clamp<Int32>(y1, -1, c->height)),
                               static_cast<int>(std::clamp<Int32>(x2, -1, c->width)),
                               static_cast<int>(std::clamp<Int32>(y2, -1, c->height)));
  const long long w = static_cast<long long>(x2) - x1 + 1, h = static_cast<long long>(y2) - y1 + 1;
  for (long long row = 0; row < h; ++row) {
    const long long y = y1 + row;
    T *out = buffer + row * w;
    for (long long col = 0; col < w; ++col) {
      const long long x = x1 + col;
      out[col] = (x >= 0 && x < c->width && y >= 0 && y < c->height)
                     ? static_cast<T>(source_value(c, s, static_cast<int>(x), static_cast<int>(y)))
                     : T(0);
    }
  }
  return static_cast<Int32>(std::min<long long>(w * h, 0x7FFFFFFF));
}

// Writes the block of rows rows (each w values apart, bottom first) at
// (x1, y1), clipped to the screen mask and the window.
template <typename T>
void write_block(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const T *buffer) {
  KglContext *c = kgl_ctx;
  if (!c || !buffer || x2 < x1 || y2 < y1) return;
  const long long w = static_cast<long long>(x2) - x1 + 1;
  const long long cx0 = std::max<long long>(x1, c->clip.x0), cx1 = std::min<long long>(x2, c->clip.x1);
  const long long cy0 = std::max<long long>(y1, c->clip.y0), cy1 = std::min<long long>(y2, c->clip.y1);
  if (cx1 < cx0 || cy1 < cy0) return;
  KglTargets t;
  kgl_draw_targets(t, static_cast<int>(cx0), static_cast<int>(cy0), static_cast<int>(cx1), static_cast<int>(cy1));
  if (!t.n) return;
  const int n = static_cast<int>(cx1 - cx0 + 1);
  if constexpr (sizeof(T) != sizeof(Uint32)) scratch.resize(n);
  for (long long y = cy0; y <= cy1; ++y) {
    const T *in = buffer + (y - y1) * w + (cx0 - x1);
    const Uint32 *values;
    if constexpr (sizeof(T) == sizeof(Uint32)) {
      values = in;
    } else {
      for (int i = 0; i < n; ++i) scratch[i] = in[i];
      values = scratch.data();
    }
    for (int i = 0; i < t.n; ++i) {
      void *row = t.kind == 0 ? static_cast<void *>(static_cast<Uint32 *>(t.plane[i]) + y * c->width)
                              : static_cast<void *>(static_cast<std::uint8_t *>(t.plane[i]) + y * c->width);
      t.row(row, static_cast<int>(cx0), n, values, t.mask);
    }
  }
  if (t.visible)
    kgl_mark_dirty(c, static_cast<int>(cx0), static_cast<int>(cy0), static_cast<int>(cx1), static_cast<int>(cy1));
}

}  // namespace

// ---- buffers ------------------------------------------------------------------------

void frontbuffer(Int32 on) {
  if (kgl_ctx) kgl_ctx->draw_front = on != 0;
}
void backbuffer(Int32 on) {
  if (kgl_ctx) kgl_ctx->draw_back = on != 0;
}

Int32 getbuffer() {
  const KglContext *c = kgl_ctx;
  if (!c) return 0;
  if (!c->dbl) return 2;
  return (c->draw_back ? 1 : 0) | (c->draw_front ? 2 : 0);
}

void swapbuffers() {
  KglContext *c = kgl_ctx;
  if (!c || !c->dbl) return;
  // The new front must hold its own pixels.
  kgl_materialise_all_back(c);
  c->front_index = 1 - c->front_index;
  kgl_mark_all_dirty(c);
  kgl_present_context(c, false);
}

void gflush() {
  if (kgl_ctx) kgl_present_context(kgl_ctx, false);
}

void finish() {
  if (kgl_ctx) kgl_present_context(kgl_ctx, true);
}

void readsource(Int32 source) {
  if (kgl_ctx && source >= KGL_SRC_AUTO && source <= KGL_SRC_ZBUFFER) kgl_ctx->readsrc = source;
}

// ---- pixel blocks -----------------------------------------------------------------------

Int32 rectread(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Uint16 *buffer) {
  return read_block<Uint16>(x1, y1, x2, y2, buffer);
}
void rectwrite(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint16 *buffer) {
  write_block<Uint16>(x1, y1, x2, y2, buffer);
}
Int32 lrectread(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Uint32 *buffer) {
  return read_block<Uint32>(x1, y1, x2, y2, buffer);
}
void lrectwrite(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint32 *buffer) {
  write_block<Uint32>(x1, y1, x2, y2, buffer);
}

// The part of the source block inside the window is copied; the destination
// is clipped like any drawing. Overlapping blocks copy correctly.
void rectcopy(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Int32 newx, Int32 newy) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  long long sx0 = std::max<long long>(x1, 0), sy0 = std::max<long long>(y1, 0);
  long long sx1 = std::min<long long>(x2, c->width - 1), sy1 = std::min<long long>(y2, c->height - 1);
  if (sx1 < sx0 || sy1 < sy0) return;
  const long long dx = static_cast<long long>(newx) - x1, dy = static_cast<long long>(newy) - y1;
  const int w = static_cast<int>(sx1 - sx0 + 1), h = static_cast<int>(sy1 - sy0 + 1);
  const Source s = read_source(c, static_cast<int>(sx0), static_cast<int>(sy0), static_cast<int>(sx1),
                               static_cast<int>(sy1));
  // 32-bit writes take their rows straight from the block.
  std::vector<Uint32> &block = scratch;
  block.resize(static_cast<std::size_t>(w) * h);
  for (int r = 0; r < h; ++r)
    for (int col = 0; col < w; ++col)
      block[static_cast<std::size_t>(r) * w + col] =
          source_value(c, s, static_cast<int>(sx0) + col, static_cast<int>(sy0) + r);
  const long long tx = sx0 + dx, ty = sy0 + dy;
  if (tx >= INT32_MIN && ty >= INT32_MIN && tx + w - 1 <= INT32_MAX && ty + h - 1 <= INT32_MAX)
    write_block<Uint32>(static_cast<Int32>(tx), static_cast<Int32>(ty), static_cast<Int32>(tx + w - 1),
                        static_cast<Int32>(ty + h - 1), block.data());
}

// ---- colour-index pixels in RGB planes ------------------------------------------------

// One pass over each buffer, front first; the tiles whose back mirrors the
// front are left out of the back (they follow the front).
Int32 kgl_recolour_by_top_byte(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint32 from[256],
                               const Uint32 to[256]) {
  KglContext *c = kgl_ctx;
  if (!c) return 0;
  const int x0 = static_cast<int>(std::max<Int32>(x1, 0)), xe = static_cast<int>(std::min<Int32>(x2, c->width - 1));
  const int y0 = static_cast<int>(std::max<Int32>(y1, 0)), ye = static_cast<int>(std::min<Int32>(y2, c->height - 1));
  if (xe < x0 || ye < y0) return 0;
  // A top byte that changes nothing looks for a value no pixel of it holds.
  Uint32 match[256];
  bool any = false;
  for (Uint32 t = 0; t < 256; ++t) {
    const bool changes = from[t] != to[t] && from[t] >> 24 == t;
    match[t] = changes ? from[t] : ((t + 1) & 0xFFu) << 24;
    any = any || changes;
  }
  if (!any) return 0;
  kgl_sync_pixels_in(x0, y0, xe, ye);
  const auto run = [&](Uint32 *row, int a, int b, int &lo, int &hi) {
    Int32 n = 0;
    for (int x = a; x <= b; ++x) {
      const Uint32 v = row[x], t = v >> 24;
      if (v != match[t]) continue;
      row[x] = to[t];
      lo = std::min(lo, x);
      hi = std::max(hi, x);
      ++n;
    }
    return n;
  };
  Int32 changed = 0;
  int x_lo = xe + 1, x_hi = -1, y_lo = ye + 1, y_hi = -1;
  Uint32 *front = c->normal[c->front_index].data();
  for (int y = y0; y <= ye; ++y) {
    const Int32 n = run(front + static_cast<std::size_t>(y) * c->width, x0, xe, x_lo, x_hi);
    if (n == 0) continue;
    changed += n;
    y_lo = std::min(y_lo, y);
    y_hi = y;
  }
  if (changed > 0) kgl_mark_dirty(c, x_lo, y_lo, x_hi, y_hi);
  if (c->dbl) {
    Uint32 *back = c->normal[1 - c->front_index].data();
    int lo = 0, hi = 0;
    for (int y = y0; y <= ye; ++y)
      for (int tx = x0 >> KGL_TILE_SHIFT; tx <= xe >> KGL_TILE_SHIFT; ++tx) {
        if (c->back_mirrored[static_cast<std::size_t>(y >> KGL_TILE_SHIFT) * c->tiles_x + tx]) continue;
        changed += run(back + static_cast<std::size_t>(y) * c->width, std::max(x0, tx << KGL_TILE_SHIFT),
                       std::min(xe, ((tx + 1) << KGL_TILE_SHIFT) - 1), lo, hi);
      }
  }
  return changed;
}
