// Inner pixel loops, one instance per logical operation and plane type, and
// the choice of draw targets for the current layer.
#include "raster.h"

#include "line_queue.h"

#include <algorithm>

namespace {

template <int OP, typename P>
void span_loop(void *rowp, int x0, int x1, Uint32 src, Uint32 mask, Uint16 pat) {
  P *row = static_cast<P *>(rowp);
  if (pat == 0xFFFF) {
    if constexpr (OP == KGL_LO_SRC) {
      if (mask == 0xFFFFFFFFu || (sizeof(P) == 1 && (mask & KGL_LAYER_PLANES) == KGL_LAYER_PLANES)) {
        const P v = static_cast<P>(src);
        for (int x = x0; x <= x1; ++x) row[x] = v;
        return;
      }
    }
    for (int x = x0; x <= x1; ++x) {
      const Uint32 d = row[x];
      row[x] = static_cast<P>((d & ~mask) | (kgl_logic<OP>(src, d) & mask));
    }
    return;
  }
  for (int x = x0; x <= x1; ++x) {
    if (!((pat >> (15 - (x & 15))) & 1)) continue;
    const Uint32 d = row[x];
    row[x] = static_cast<P>((d & ~mask) | (kgl_logic<OP>(src, d) & mask));
  }
}

template <int OP, typename P>
void plot_loop(void *planep, const std::uint32_t *off, int n, Uint32 src, Uint32 mask) {
  P *plane = static_cast<P *>(planep);
  for (int i = 0; i < n; ++i) {
    P &p = plane[off[i]];
    const Uint32 d = p;
    p = static_cast<P>((d & ~mask) | (kgl_logic<OP>(src, d) & mask));
  }
}

template <int OP, typename P>
void row_loop(void *rowp, int x0, int n, const Uint32 *values, Uint32 mask) {
  P *row = static_cast<P *>(rowp) + x0;
  for (int i = 0; i < n; ++i) {
    const Uint32 d = row[i];
    row[i] = static_cast<P>((d & ~mask) | (kgl_logic<OP>(values[i], d) & mask));
  }
}

}  // namespace

#define KGL_OPS(fn, P)                                                                          \
  {                                                                                             \
    fn<0, P>, fn<1, P>, fn<2, P>, fn<3, P>, fn<4, P>, fn<5, P>, fn<6, P>, fn<7, P>, fn<8, P>,  \
        fn<9, P>, fn<10, P>, fn<11, P>, fn<12, P>, fn<13, P>, fn<14, P>, fn<15, P>              \
  }

const KglSpanFn kgl_span_fns[2][16] = {KGL_OPS(span_loop, Uint32), KGL_OPS(span_loop, std::uint8_t)};
const KglPlotFn kgl_plot_fns[2][16] = {KGL_OPS(plot_loop, Uint32), KGL_OPS(plot_loop, std::uint8_t)};
const KglRowFn kgl_row_fns[2][16] = {KGL_OPS(row_loop, Uint32), KGL_OPS(row_loop, std::uint8_t)};

#undef KGL_OPS

int kgl_normal_targets_mirrored(KglContext *c, int x0, int y0, int x1, int y1, Uint32 *plane[2], bool &visible) {
  x0 = std::max(x0, c->clip.x0);
  y0 = std::max(y0, c->clip.y0);
  x1 = std::min(x1, c->clip.x1);
  y1 = std::min(y1, c->clip.y1);
  const bool front = !c->dbl || c->draw_front;
  bool back = c->dbl && c->draw_back;
  if (c->nmirrored) {
    if (front && back) {
      // Mirrored tiles stay mirrored whichever way: where some tile of the
      // area is not, both buffers are written, the stale back of the others
      // included.
      if (kgl_back_mirrored(c, x0, y0, x1, y1)) back = false;
    } else if (front || back) {
      kgl_materialise_back(c, x0, y0, x1, y1);
    }
  }
  int n = 0;
  if (front) plane[n++] = c->normal[c->front_index].data();
  if (back) plane[n++] = c->normal[1 - c->front_index].data();
  visible = front;
  return n;
}

void kgl_draw_targets(KglTargets &t, int x0, int y0, int x1, int y1) {
  t.n = 0;
  KglContext *c = kgl_ctx;
  if (!c || c->clip.x1 < c->clip.x0 || c->clip.y1 < c->clip.y0) return;
  switch (c->layer) {
    case KGL_LAYER_NORMAL:
      // Queued drawing writes only normal planes and the z-buffer, inside
      // the queued area: it must be in place first where the writes here may
      // meet it.
      kgl_sync_pixels_in(std::max(x0, c->clip.x0), std::max(y0, c->clip.y0), std::min(x1, c->clip.x1),
                         std::min(y1, c->clip.y1));
      t.kind = 0;
      t.src = c->rgb ? c->rgba : c->index[KGL_LAYER_NORMAL];
      t.mask = c->rgb ? c->rgbmask : c->wmask[KGL_LAYER_NORMAL];
      if (c->zdraw_on) {
        t.plane[t.n++] = c->zbuf.data();
        t.visible = false;
        break;
      }
      {
        Uint32 *planes[2];
        t.n = kgl_normal_targets(c, x0, y0, x1, y1, planes, t.visible);
        for (int i = 0; i < t.n; ++i) t.plane[i] = planes[i];
      }
      break;
    case KGL_LAYER_POPUP:
    case KGL_LAYER_OVERLAY:
      t.kind = 1;
      t.src = c->index[c->layer] & KGL_LAYER_PLANES;
      t.mask = c->wmask[c->layer] & KGL_LAYER_PLANES;
      t.plane[t.n++] = c->layer == KGL_LAYER_POPUP ? c->popup.data() : c->overlay.data();
      t.visible = true;
      break;
    default:
      return;
  }
  const int op = c->logic_op & 15;
  t.span = kgl_span_fns[t.kind][op];
  t.plot = kgl_plot_fns[t.kind][op];
  t.row = kgl_row_fns[t.kind][op];
}
