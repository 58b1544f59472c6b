// The rendering context record: framebuffers of one linked window set (or of
// an off-screen context) and the drawing state that goes with them.
#pragma once

#include "context3d.h"
#include "gl.h"

#include <cstdint>
#include <vector>

struct KglXBinding;   // X side of a linked context (glx.cpp)

enum KglLayer : int {
  KGL_LAYER_NORMAL = 0,
  KGL_LAYER_POPUP = 1,
  KGL_LAYER_OVERLAY = 2,
  KGL_LAYER_UNDERLAY = 3,   // no planes: drawing into it changes nothing
  KGL_LAYER_COUNT = 4,
};

constexpr int KGL_NORMAL_MAP_SIZE = 4096;
constexpr int KGL_STACK_DEPTH = 32;
constexpr int KGL_LINESTYLES = 256;
constexpr int KGL_PATTERNS = 256;
constexpr Uint32 KGL_LAYER_PLANES = 0x3;   // overlay and pop-up: 2 bits
constexpr int KGL_MAX_DIRTY = 16;

struct KglRect {
  int x0, y0, x1, y1;   // inclusive
};

struct KglMatrix {
  float m[4][4];
};

// Beyond this distance from the clip rectangle a line is cut geometrically
// (the general path); inside it the pixel path is exact.
constexpr double KGL_GUARD = 268435456.0;   // 2^28

// The short cut for 2D vertices (z = 0), kept with the matrix and viewport:
// valid when the matrix leaves w at exactly 1 and z between the near and far
// planes. It gives bit for bit what the full transform gives.
struct KglLineMap {
  bool ok = false;
  double xx = 0, xy = 0, xc = 0, yx = 0, yy = 0, yc = 0;   // clip x = (x xx + y xy) + xc, y likewise
  double z = 0;                                           // clip z
  double wx0 = 0, wxs = 0, wy0 = 0, wys = 0;              // window x = wx0 + (clip x + 1) wxs
  std::int64_t raw_bound = 0;   // |x|, |y| up to this map well inside the guard band
  double pixels_per_unit = 0;   // at most, along either axis
};

struct KglContext {
  int width = 0, height = 0;

  // Planes, bottom row first, width values a row.
  std::vector<Uint32> normal[2];   // normal[front_index] is shown
  int front_index = 0;
  std::vector<std::uint8_t> popup, overlay;
  std::vector<Uint32> zbuf;

  // Display mode in effect and the one asked for until gconfig.
  bool rgb = true, dbl = false;
  bool req_rgb = true, req_dbl = false;
  bool draw_front = true, draw_back = false;
  Int32 readsrc = KGL_SRC_AUTO;
  bool zdraw_on = false, zbuffer_on = false;
  Int32 zbits = 32;

  // Layer being drawn and its colour state.
  int layer = KGL_LAYER_NORMAL;
  Uint32 index[KGL_LAYER_COUNT] = {};        // colour index of each layer
  Uint32 wmask[KGL_LAYER_COUNT] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  Uint32 rgba = 0xFF000000u;                 // RGB colour, red in the low byte
  float c3f_in[3] = {0, 0, 0};               // the last c3f colour and what it gave
  Uint32 c3f_out = 0xFF000000u;
  Uint32 rgbmask = 0xFFFFFFFFu;
  Uint32 normal_map[KGL_NORMAL_MAP_SIZE];    // 0xRRGGBB
  Uint32 popup_map[4], overlay_map[4];
  bool one_map = true;
  Int32 cur_map = 0;

  // Attributes.
  Int32 logic_op = KGL_LO_SRC;
  Int32 line_width = 1;
  Int32 line_style = 0, ls_repeat = 1, ls_backup = 0;
  Int32 pattern = 0;
  Int32 dither_on = 1, subpixel_on = 0, poly_mode = 0, concave_on = 0;
  Int32 compat_mode = 0, compat_value = 0;
  Int32 shade_model = 0, front_face = 0, back_face = 0;
  Int32 depth_cue = 0;
  Int16 rgb_range[6] = {0, 0, 0, 255, 255, 255};
  Int32 range_near = 0, range_far = 0x7FFFFF;
  Int32 depth_near = 0, depth_far = 0x7FFFFF;
  Int32 font_number = 0;

  // Matrices: the single-matrix stack, the viewing stack, the projection and
  // texture matrices; the product used for vertices is kept up to date.
  Int32 matrix_mode = KGL_MSINGLE;
  KglMatrix single[KGL_STACK_DEPTH];
  int single_top = 0;
  KglMatrix viewing[KGL_STACK_DEPTH];
  int viewing_top = 0;
  KglMatrix projection, texture;
  KglMatrix xform;
  KglLineMap line_map;   // follows xform and the viewport

  // Viewport and screen mask (window pixels, inclusive) and the clip
  // rectangle derived from mask and window.
  int vp_l = 0, vp_r = 0, vp_b = 0, vp_t = 0;
  int sm_l = 0, sm_r = 0, sm_b = 0, sm_t = 0;
  KglRect clip = {0, 0, -1, -1};
  unsigned clip_serial = 0;   // counts changes of viewport, mask, clip and matrix

  // Current character position (window pixels).
  int cpos_x = 0, cpos_y = 0;

  // Cursor selection.
  Int16 cursor = 0;
  Uint16 cursor_color = 1, cursor_wtm = 0xFFFF;

  // Screen areas changed since the last presentation (the latest merged last).
  KglRect dirty[KGL_MAX_DIRTY];
  int ndirty = 0;

  // Display object being compiled (0 none); objects themselves are global.
  Int32 open_object = 0;

  // The back buffer mirrored lazily, per tile of KGL_TILE x KGL_TILE pixels
  // (row-major, bottom row of tiles first): a set flag says the back holds
  // what the front holds although its memory is stale. Drawing into both
  // buffers then writes the front alone; whatever touches the back alone
  // copies the tile first (kgl_materialise_back). lazy_back off writes both
  // buffers every time.
  std::vector<std::uint8_t> back_mirrored;
  int tiles_x = 0, tiles_y = 0;
  int nmirrored = 0;   // tiles whose flag is set
  bool lazy_back = true;

  KglXBinding *x = nullptr;   // null for off-screen contexts

  KglState3D s3d;             // 3D drawing (context3d.h)
};

constexpr int KGL_TILE_SHIFT = 6;
constexpr int KGL_TILE = 1 << KGL_TILE_SHIFT;

// The current context (null: no calls have an effect).
extern KglContext *kgl_ctx;

// Process-wide definitions shared by every context.
extern Uint16 kgl_linestyles[KGL_LINESTYLES];
extern bool kgl_linestyle_defined[KGL_LINESTYLES];
extern Uint16 kgl_patterns[KGL_PATTERNS][16];
extern bool kgl_pattern_defined[KGL_PATTERNS];

KglContext *kgl_context_new(int width, int height);
void kgl_context_free(KglContext *ctx);
// Reallocates the planes at a new size keeping the pixels that overlap, the
// top-left corners kept in place (as the window's are on the screen).
void kgl_context_resize(KglContext *ctx, int width, int height);
// Copies the mirrored tiles that meet the rectangle (window pixels,
// inclusive, clamped here) from the front into the back and clears their
// flags: called before the back alone is read or changed.
void kgl_materialise_back(KglContext *ctx, int x0, int y0, int x1, int y1);
void kgl_materialise_all_back(KglContext *ctx);
// Sets the flags of the tiles lying wholly inside the rectangle: the caller
// has written the front alone there as if into both buffers.
void kgl_mirror_back(KglContext *ctx, int x0, int y0, int x1, int y1);
// True when every tile meeting the rectangle (inside the window) is mirrored.
bool kgl_back_mirrored(const KglContext *ctx, int x0, int y0, int x1, int y1);
// Recomputes the clip rectangle from the screen mask and the window.
void kgl_update_clip(KglContext *ctx);

// Dirty areas: a rectangle that shows on the screen was changed.
// The last rectangle of the list is the one that grew last: an area inside it
// (the common case while drawing) costs one test.
void kgl_mark_dirty_area(KglContext *ctx, int x0, int y0, int x1, int y1);
inline void kgl_mark_dirty(KglContext *ctx, int x0, int y0, int x1, int y1) {
  if (ctx->ndirty > 0) {
    const KglRect &d = ctx->dirty[ctx->ndirty - 1];
    if (x0 >= d.x0 && x1 <= d.x1 && y0 >= d.y0 && y1 <= d.y1) return;
  }
  kgl_mark_dirty_area(ctx, x0, y0, x1, y1);
}
void kgl_mark_all_dirty(KglContext *ctx);

// The shown colour of the composited picture at (x, y), 0xRRGGBB.
Uint32 kgl_composite_pixel(const KglContext *ctx, int x, int y);

// Normal-plane colour-map entry an index resolves to.
inline int kgl_map_entry(const KglContext *c, Uint32 index) {
  if (c->one_map) return static_cast<int>(index & (KGL_NORMAL_MAP_SIZE - 1));
  return static_cast<int>(((static_cast<Uint32>(c->cur_map) & 15u) << 8) | (index & 0xFFu));
}

inline Uint32 kgl_abgr_to_rgb(Uint32 abgr) {
  return ((abgr & 0xFFu) << 16) | (abgr & 0xFF00u) | ((abgr >> 16) & 0xFFu);
}
inline Uint32 kgl_rgb_to_abgr(Uint32 rgb) {
  return 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}
