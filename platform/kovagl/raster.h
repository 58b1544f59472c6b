// Pixel writing: where a primitive's pixels go (the draw targets of the
// current layer and buffers) and the inner loops that combine a source value
// with the planes under a logical operation and a write mask. The loops are
// instantiated per logical operation and plane type; callers pick them from
// handler tables once per primitive.
#pragma once

#include "context.h"

#include <cstdint>

template <int OP>
inline Uint32 kgl_logic(Uint32 s, Uint32 d) {
  if constexpr (OP == 0) return 0;
  else if constexpr (OP == 1) return s & d;
  else if constexpr (OP == 2) return s & ~d;
  else if constexpr (OP == 3) return s;
  else if constexpr (OP == 4) return ~s & d;
  else if constexpr (OP == 5) return d;
  else if constexpr (OP == 6) return s ^ d;
  else if constexpr (OP == 7) return s | d;
  else if constexpr (OP == 8) return ~(s | d);
  else if constexpr (OP == 9) return ~(s ^ d);
  else if constexpr (OP == 10) return ~d;
  else if constexpr (OP == 11) return s | ~d;
  else if constexpr (OP == 12) return ~s;
  else if constexpr (OP == 13) return ~s | d;
  else if constexpr (OP == 14) return ~(s & d);
  else return 0xFFFFFFFFu;
}

// A horizontal run x0..x1 of one row. pat: the 16-bit fill pattern row (bit 15
// the pixel at x = 0 mod 16); 0xFFFF is solid.
using KglSpanFn = void (*)(void *row, int x0, int x1, Uint32 src, Uint32 mask, Uint16 pat);
// Single pixels at offsets into a plane.
using KglPlotFn = void (*)(void *plane, const std::uint32_t *offsets, int n, Uint32 src, Uint32 mask);
// A run of values (pixel writes): row[x0 + i] combined with values[i].
using KglRowFn = void (*)(void *row, int x0, int n, const Uint32 *values, Uint32 mask);

// Indexed [plane kind][logical operation]; plane kind 0 is 32-bit, 1 is 8-bit.
extern const KglSpanFn kgl_span_fns[2][16];
extern const KglPlotFn kgl_plot_fns[2][16];
extern const KglRowFn kgl_row_fns[2][16];

// Where drawing goes now: up to two planes of one kind, the source value and
// write mask to use, and whether the result shows on the screen.
struct KglTargets {
  int n = 0;
  void *plane[2] = {nullptr, nullptr};
  int kind = 0;          // 0: 32-bit planes, 1: 8-bit layer planes
  Uint32 src = 0;
  Uint32 mask = 0;
  bool visible = false;
  KglSpanFn span = nullptr;
  KglPlotFn plot = nullptr;
  KglRowFn row = nullptr;
};

// Fills t for drawing in the current context into the area x0..y1 (window
// pixels, inclusive: a box around every pixel the caller may write); t.n is
// 0 when nothing can be drawn (no context, the underlay, an empty clip
// rectangle).
void kgl_draw_targets(KglTargets &t, int x0, int y0, int x1, int y1);

// The normal buffers a write into the area goes to, shown one first: the
// front and the back as selected, but the front alone where every tile of
// the area has its back mirrored. A write into one buffer alone first copies
// the mirrored tiles of the area into the back, which keeps its own pixels.
// Answers the count; visible tells whether the front is among them.
int kgl_normal_targets_mirrored(KglContext *c, int x0, int y0, int x1, int y1, Uint32 *plane[2], bool &visible);
// The front alone, with no mirror flag to look at or to keep: a single
// buffer, the front of two with no tile mirrored, or both with every tile
// mirrored (as after a clear of both).
inline bool kgl_front_alone(const KglContext *c) {
  const bool back = c->dbl && c->draw_back, front = !c->dbl || c->draw_front;
  return front && c->nmirrored == (back ? c->tiles_x * c->tiles_y : 0);
}
inline int kgl_normal_targets(KglContext *c, int x0, int y0, int x1, int y1, Uint32 *plane[2], bool &visible) {
  if (kgl_front_alone(c)) {
    plane[0] = c->normal[c->front_index].data();
    visible = true;
    return 1;
  }
  return kgl_normal_targets_mirrored(c, x0, y0, x1, y1, plane, visible);
}

inline void kgl_put_span(const KglContext *c, const KglTargets &t, int y, int x0, int x1, Uint16 pat) {
  for (int i = 0; i < t.n; ++i) {
    if (t.kind == 0)
      t.span(static_cast<Uint32 *>(t.plane[i]) + static_cast<std::size_t>(y) * c->width, x0, x1, t.src,
             t.mask, pat);
    else
      t.span(static_cast<std::uint8_t *>(t.plane[i]) + static_cast<std::size_t>(y) * c->width, x0, x1,
             t.src, t.mask, pat);
  }
}

// Collects single pixels and writes them in batches through the plot loops.
struct KglPointBatch {
  static constexpr int CAP = 512;
  std::uint32_t off[CAP];
  int n = 0;

  void flush(const KglTargets &t) {
    for (int i = 0; i < t.n; ++i) t.plot(t.plane[i], off, n, t.src, t.mask);
    n = 0;
  }
  void add(const KglContext *c, const KglTargets &t, int x, int y) {
    off[n++] = static_cast<std::uint32_t>(y) * static_cast<std::uint32_t>(c->width) + static_cast<std::uint32_t>(x);
    if (n == CAP) flush(t);
  }
  // Writes what is left and marks the area the pixels lie in dirty.
  void finish(KglContext *c, const KglTargets &t, int x0, int y0, int x1, int y1) {
    if (n) flush(t);
    if (t.visible) kgl_mark_dirty(c, x0, y0, x1, y1);
  }
};
