// The z-buffer: 32 bits a pixel, cleared to the largest depth value. It also
// serves as a pixel store: with zdraw(1) drawing and pixel writes go into it,
// and readsource(KGL_SRC_ZBUFFER) reads from it.
#include "context.h"
#include "line_queue.h"
#include "vertex3d.h"

#include <algorithm>

constexpr Uint32 KGL_ZMAX = 0x7FFFFF;

void zbuffer(Int32 on) {
  if (kgl_ctx) kgl_ctx->zbuffer_on = on != 0;
  kgl_update_path3d(kgl_ctx);
}

Int32 getzbuffer() { return kgl_ctx && kgl_ctx->zbuffer_on ? 1 : 0; }

// Clears the viewport's part of the z-buffer inside the screen mask.
void zclear() {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const int x0 = std::max(c->vp_l, c->clip.x0), x1 = std::min(c->vp_r, c->clip.x1);
  const int y0 = std::max(c->vp_b, c->clip.y0), y1 = std::min(c->vp_t, c->clip.y1);
  if (x1 < x0 || y1 < y0) return;
  kgl_sync_pixels();
  for (int y = y0; y <= y1; ++y) {
    Uint32 *row = c->zbuf.data() + static_cast<std::size_t>(y) * c->width;
    std::fill(row + x0, row + x1 + 1, KGL_ZMAX);
  }
}

void zdraw(Int32 on) {
  if (kgl_ctx) kgl_ctx->zdraw_on = on != 0;
}

// The z-buffer is always 32 bits deep; the number asked for is remembered.
void zbsize(Int32 planes) {
  if (kgl_ctx && planes >= 0 && planes <= 32) kgl_ctx->zbits = planes;
}
