// Off-screen contexts and the plane readers tests use.
#include "offscreen.h"

#include "context.h"
#include "line_queue.h"

KglContext *kgl_offscreen_create(int width, int height) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  return kgl_context_new(width, height);
}

void kgl_offscreen_make_current(KglContext *ctx) { kgl_ctx = ctx; }

void kgl_offscreen_destroy(KglContext *ctx) {
  if (ctx && !ctx->x) kgl_context_free(ctx);
}

KglContext *kgl_current_context() { return kgl_ctx; }

void kgl_offscreen_set_lazy_back(KglContext *ctx, bool on) {
  if (!ctx) return;
  if (!on) kgl_materialise_all_back(ctx);
  ctx->lazy_back = on;
}

namespace {
// Inside the window, with every queued line drawn.
bool readable(const KglContext *c, int x, int y) {
  kgl_sync_pixels();
  return c && x >= 0 && y >= 0 && x < c->width && y < c->height;
}
std::size_t at(const KglContext *c, int x, int y) { return static_cast<std::size_t>(y) * c->width + x; }
}  // namespace

std::uint32_t kgl_read_normal(int x, int y) {
  const KglContext *c = kgl_ctx;
  return readable(c, x, y) ? c->normal[c->front_index][at(c, x, y)] : 0;
}

std::uint32_t kgl_read_back(int x, int y) {
  const KglContext *c = kgl_ctx;
  if (!readable(c, x, y)) return 0;
  // A mirrored tile's back is what its front holds.
  const bool mirrored =
      c->nmirrored && c->back_mirrored[static_cast<std::size_t>(y >> KGL_TILE_SHIFT) * c->tiles_x + (x >> KGL_TILE_SHIFT)];
  return c->normal[mirrored ? c->front_index : 1 - c->front_index][at(c, x, y)];
}

std::uint32_t kgl_read_overlay(int x, int y) {
  const KglContext *c = kgl_ctx;
  return readable(c, x, y) ? c->overlay[at(c, x, y)] : 0;
}

std::uint32_t kgl_read_popup(int x, int y) {
  const KglContext *c = kgl_ctx;
  return readable(c, x, y) ? c->popup[at(c, x, y)] : 0;
}

std::uint32_t kgl_read_zbuffer(int x, int y) {
  const KglContext *c = kgl_ctx;
  return readable(c, x, y) ? c->zbuf[at(c, x, y)] : 0;
}

std::uint32_t kgl_read_composited(int x, int y) {
  const KglContext *c = kgl_ctx;
  return readable(c, x, y) ? kgl_composite_pixel(c, x, y) : 0;
}
