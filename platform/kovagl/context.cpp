// Rendering contexts: creation, planes, clipping rectangle, dirty areas and
// the composition of the layers into the shown picture.
#include "context.h"

#include "line_queue.h"
#include "matrix.h"
#include "vertex3d.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

KglContext *kgl_ctx = nullptr;

Uint16 kgl_linestyles[KGL_LINESTYLES] = {0xFFFF};
bool kgl_linestyle_defined[KGL_LINESTYLES] = {true};
Uint16 kgl_patterns[KGL_PATTERNS][16] = {{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF,
                                          0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}};
bool kgl_pattern_defined[KGL_PATTERNS] = {true};

namespace {

// Normal colour map at start: the eight primaries, then black.
const Uint32 default_normal_colors[8] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00,
                                         0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
// Layer colour maps at start: transparent, light grey, black, white (the
// interface colours of the driver's overlay).
const Uint32 default_layer_colors[4] = {0x000000, 0xAAAAAA, 0x000000, 0xFFFFFF};

void allocate_planes(KglContext *c, int w, int h) {
  const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  c->normal[0].assign(n, 0);
  c->normal[1].assign(n, 0);
  c->popup.assign(n, 0);
  c->overlay.assign(n, 0);
  c->zbuf.assign(n, 0x7FFFFF);
  c->tiles_x = (w + KGL_TILE - 1) >> KGL_TILE_SHIFT;
  c->tiles_y = (h + KGL_TILE - 1) >> KGL_TILE_SHIFT;
  c->back_mirrored.assign(static_cast<std::size_t>(c->tiles_x) * c->tiles_y, 0);
  c->nmirrored = 0;
}

// Cuts the rectangle to the window; false when nothing is left.
bool clamp_to_window(const KglContext *c, int &x0, int &y0, int &x1, int &y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, c->width - 1);
  y1 = std::min(y1, c->height - 1);
  return x0 <= x1 && y0 <= y1;
}

// The tiles meeting a rectangle, clamped to the window; false when empty.
bool tile_range(const KglContext *c, int x0, int y0, int x1, int y1, int &tx0, int &ty0, int &tx1, int &ty1) {
  if (!clamp_to_window(c, x0, y0, x1, y1)) return false;
  tx0 = x0 >> KGL_TILE_SHIFT;
  ty0 = y0 >> KGL_TILE_SHIFT;
  tx1 = x1 >> KGL_TILE_SHIFT;
  ty1 = y1 >> KGL_TILE_SHIFT;
  return true;
}

template <typename T>
void resize_plane(std::vector<T> &plane, int ow, int oh, int nw, int nh, T fill) {
  std::vector<T> fresh(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh), fill);
  const int cw = std::min(ow, nw);
  // Rows keep their distance from the top of the window.
  for (int ny = 0; ny < nh; ++ny) {
    const int oy = ny + (oh - nh);
    if (oy < 0 || oy >= oh) continue;
    std::memcpy(&fresh[static_cast<std::size_t>(ny) * nw], &plane[static_cast<std::size_t>(oy) * ow],
                static_cast<std::size_t>(cw) * sizeof(T));
  }
  plane.swap(fresh);
}

}  // namespace

KglContext *kgl_context_new(int width, int height) {
  KglContext *c = new KglContext;
  c->width = std::max(1, width);
  c->height = std::max(1, height);
  allocate_planes(c, c->width, c->height);
  for (int i = 0; i < KGL_NORMAL_MAP_SIZE; ++i) c->normal_map[i] = i < 8 ? default_normal_colors[i] : 0;
  for (int i = 0; i < 4; ++i) c->popup_map[i] = c->overlay_map[i] = default_layer_colors[i];
  kgl_matrix_reset(c);
  const char *eager = std::getenv("KGL_EAGER_BACK");
  c->lazy_back = !(eager && *eager && *eager != '0');
  return c;
}

void kgl_context_free(KglContext *c) {
  if (!c) return;
  kgl_sync_pixels();   // queued lines may be bound for its planes
  kgl_forget_eye_frames();   // a polygon's vertices may wait for its lights
  if (kgl_ctx == c) kgl_ctx = nullptr;
  delete c;
}

void kgl_context_resize(KglContext *c, int width, int height) {
  width = std::max(1, width);
  height = std::max(1, height);
  if (width == c->width && height == c->height) return;
  const int ow = c->width, oh = c->height;
  kgl_sync_pixels();   // the planes move
  kgl_materialise_all_back(c);
  resize_plane<Uint32>(c->normal[0], ow, oh, width, height, 0);
  resize_plane<Uint32>(c->normal[1], ow, oh, width, height, 0);
  resize_plane<std::uint8_t>(c->popup, ow, oh, width, height, 0);
  resize_plane<std::uint8_t>(c->overlay, ow, oh, width, height, 0);
  resize_plane<Uint32>(c->zbuf, ow, oh, width, height, 0x7FFFFF);
  c->width = width;
  c->height = height;
  c->tiles_x = (width + KGL_TILE - 1) >> KGL_TILE_SHIFT;
  c->tiles_y = (height + KGL_TILE - 1) >> KGL_TILE_SHIFT;
  c->back_mirrored.assign(static_cast<std::size_t>(c->tiles_x) * c->tiles_y, 0);
  // The character position keeps its place relative to the top as well.
  c->cpos_y += height - oh;
  kgl_update_clip(c);
  c->ndirty = 0;
  kgl_mark_all_dirty(c);
}

void kgl_materialise_back(KglContext *c, int x0, int y0, int x1, int y1) {
  int tx0, ty0, tx1, ty1;
  if (!c->nmirrored || !tile_range(c, x0, y0, x1, y1, tx0, ty0, tx1, ty1)) return;
  const Uint32 *front = c->normal[c->front_index].data();
  Uint32 *back = c->normal[1 - c->front_index].data();
  for (int ty = ty0; ty <= ty1; ++ty)
    for (int tx = tx0; tx <= tx1; ++tx) {
      std::uint8_t &flag = c->back_mirrored[static_cast<std::size_t>(ty) * c->tiles_x + tx];
      if (!flag) continue;
      kgl_sync_pixels();
      flag = 0;
      --c->nmirrored;
      const int px = tx << KGL_TILE_SHIFT, py0 = ty << KGL_TILE_SHIFT;
      const int n = std::min(KGL_TILE, c->width - px), py1 = std::min(py0 + KGL_TILE, c->height);
      for (int y = py0; y < py1; ++y) {
        const std::size_t at = static_cast<std::size_t>(y) * c->width + px;
        std::memcpy(back + at, front + at, static_cast<std::size_t>(n) * sizeof(Uint32));
      }
    }
}

void kgl_materialise_all_back(KglContext *c) { kgl_materialise_back(c, 0, 0, c->width - 1, c->height - 1); }

void kgl_mirror_back(KglContext *c, int x0, int y0, int x1, int y1) {
  if (!clamp_to_window(c, x0, y0, x1, y1)) return;
  // Tiles wholly covered; those cut by the window's edge count as whole.
  const int tx0 = (x0 + KGL_TILE - 1) >> KGL_TILE_SHIFT, ty0 = (y0 + KGL_TILE - 1) >> KGL_TILE_SHIFT;
  const int tx1 = x1 == c->width - 1 ? c->tiles_x - 1 : ((x1 + 1) >> KGL_TILE_SHIFT) - 1;
  const int ty1 = y1 == c->height - 1 ? c->tiles_y - 1 : ((y1 + 1) >> KGL_TILE_SHIFT) - 1;
  for (int ty = ty0; ty <= ty1; ++ty)
    for (int tx = tx0; tx <= tx1; ++tx) {
      std::uint8_t &flag = c->back_mirrored[static_cast<std::size_t>(ty) * c->tiles_x + tx];
      if (flag) continue;
      flag = 1;
      ++c->nmirrored;
    }
}

bool kgl_back_mirrored(const KglContext *c, int x0, int y0, int x1, int y1) {
  int tx0, ty0, tx1, ty1;
  if (!c->nmirrored || !tile_range(c, x0, y0, x1, y1, tx0, ty0, tx1, ty1)) return false;
  if (c->nmirrored == c->tiles_x * c->tiles_y) return true;   // as after a clear of both buffers
  for (int ty = ty0; ty <= ty1; ++ty) {
    const std::uint8_t *row = c->back_mirrored.data() + static_cast<std::size_t>(ty) * c->tiles_x;
    for (int tx = tx0; tx <= tx1; ++tx)
      if (!row[tx]) return false;
  }
  return true;
}

void kgl_update_clip(KglContext *c) {
  c->clip.x0 = std::max(c->sm_l, 0);
  c->clip.x1 = std::min(c->sm_r, c->width - 1);
  c->clip.y0 = std::max(c->sm_b, 0);
  c->clip.y1 = std::min(c->sm_t, c->height - 1);
  ++c->clip_serial;
}

void kgl_mark_dirty_area(KglContext *c, int x0, int y0, int x1, int y1) {
  if (!clamp_to_window(c, x0, y0, x1, y1)) return;
  KglRect r = {x0, y0, x1, y1};
  // Merge with every rectangle it touches; the merged one may touch others.
  bool merged = true;
  while (merged) {
    merged = false;
    for (int i = 0; i < c->ndirty; ++i) {
      KglRect &d = c->dirty[i];
      if (r.x0 <= d.x1 + 1 && d.x0 <= r.x1 + 1 && r.y0 <= d.y1 + 1 && d.y0 <= r.y1 + 1) {
        r = {std::min(r.x0, d.x0), std::min(r.y0, d.y0), std::max(r.x1, d.x1), std::max(r.y1, d.y1)};
        c->dirty[i] = c->dirty[--c->ndirty];
        merged = true;
        break;
      }
    }
  }
  if (c->ndirty == KGL_MAX_DIRTY) {
    // Full: fold the new area into the rectangle that grows least.
    int best = 0;
    long long best_growth = -1;
    for (int i = 0; i < c->ndirty; ++i) {
      const KglRect &d = c->dirty[i];
      const long long before = static_cast<long long>(d.x1 - d.x0 + 1) * (d.y1 - d.y0 + 1);
      const long long after = static_cast<long long>(std::max(r.x1, d.x1) - std::min(r.x0, d.x0) + 1) *
                              (std::max(r.y1, d.y1) - std::min(r.y0, d.y0) + 1);
      if (best_growth < 0 || after - before < best_growth) {
        best_growth = after - before;
        best = i;
      }
    }
    KglRect d = c->dirty[best];
    c->dirty[best] = c->dirty[--c->ndirty];
    kgl_mark_dirty(c, std::min(r.x0, d.x0), std::min(r.y0, d.y0), std::max(r.x1, d.x1), std::max(r.y1, d.y1));
    return;
  }
  c->dirty[c->ndirty++] = r;
}

void kgl_mark_all_dirty(KglContext *c) {
  c->ndirty = 1;
  c->dirty[0] = {0, 0, c->width - 1, c->height - 1};
}

Uint32 kgl_composite_pixel(const KglContext *c, int x, int y) {
  kgl_sync_pixels();
  const std::size_t i = static_cast<std::size_t>(y) * c->width + x;
  if (const unsigned o = c->overlay[i] & KGL_LAYER_PLANES) return c->overlay_map[o];
  if (const unsigned p = c->popup[i] & KGL_LAYER_PLANES) return c->popup_map[p];
  const Uint32 v = c->normal[c->front_index][i];
  return c->rgb ? kgl_abgr_to_rgb(v) : c->normal_map[kgl_map_entry(c, v)];
}
