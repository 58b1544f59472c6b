// Drawing state of the current context: layer, display mode, colours and
// colour maps, line styles, patterns, logical operation, write masks and the
// settings that are only kept.
#include "context.h"
#include "vertex3d.h"

#include <algorithm>
#include <cmath>

namespace {

int layer_of_drawmode(Int32 mode) {
  switch (mode) {
    case KGL_NORMALDRAW: return KGL_LAYER_NORMAL;
    case KGL_PUPDRAW: return KGL_LAYER_POPUP;
    case KGL_OVERDRAW: return KGL_LAYER_OVERLAY;
    case KGL_UNDERDRAW: return KGL_LAYER_UNDERLAY;
    default: return -1;
  }
}

Uint32 *layer_map(KglContext *c, Uint16 index, bool &ok) {
  ok = true;
  switch (c->layer) {
    case KGL_LAYER_NORMAL: return &c->normal_map[kgl_map_entry(c, index)];
    case KGL_LAYER_POPUP:
      if (index < 4) return &c->popup_map[index];
      break;
    case KGL_LAYER_OVERLAY:
      if (index < 4) return &c->overlay_map[index];
      break;
    default:
      break;
  }
  ok = false;
  return nullptr;
}

Uint32 channel_byte(float v) {
  if (!(v > 0.0f)) return 0;   // also NaN
  if (v >= 1.0f) return 255;
  // lround without the call: s + 0.5 is exact in double.
  const float s = v * 255.0f;
  return static_cast<Uint32>(static_cast<double>(s) + 0.5);
}

Int16 clamp_byte(Int16 v) { return static_cast<Int16>(std::clamp<int>(v, 0, 255)); }

}  // namespace

// ---- layers and display modes ------------------------------------------------

void drawmode(Int32 mode) {
  KglContext *c = kgl_ctx;
  const int layer = layer_of_drawmode(mode);
  if (!c || layer < 0) return;
  c->layer = layer;
}

Int32 getdrawmode() {
  if (!kgl_ctx) return KGL_NORMALDRAW;
  static const Int32 modes[KGL_LAYER_COUNT] = {KGL_NORMALDRAW, KGL_PUPDRAW, KGL_OVERDRAW, KGL_UNDERDRAW};
  return modes[kgl_ctx->layer];
}

void RGBmode() {
  if (kgl_ctx) kgl_ctx->req_rgb = true;
}
void cmode() {
  if (kgl_ctx) kgl_ctx->req_rgb = false;
}
void doublebuffer() {
  if (kgl_ctx) kgl_ctx->req_dbl = true;
}
void singlebuffer() {
  if (kgl_ctx) kgl_ctx->req_dbl = false;
}

void gconfig() {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const bool was_dbl = c->dbl;
  // Single buffered, the back is out of reach: give it its own pixels.
  kgl_materialise_all_back(c);
  c->rgb = c->req_rgb;
  c->dbl = c->req_dbl;
  if (c->dbl && !was_dbl) {
    c->draw_front = false;
    c->draw_back = true;
  } else if (!c->dbl) {
    c->draw_front = true;
    c->draw_back = false;
  }
  kgl_mark_all_dirty(c);
}

Int32 getdisplaymode() {
  const KglContext *c = kgl_ctx;
  if (!c) return KGL_DMRGB;
  if (c->rgb) return c->dbl ? KGL_DMRGBDOUBLE : KGL_DMRGB;
  return c->dbl ? KGL_DMDOUBLE : KGL_DMSINGLE;
}

Int32 getcmmode() { return kgl_ctx && !kgl_ctx->one_map ? 0 : 1; }

// ---- colour ------------------------------------------------------------------

void color(Uint16 index) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record(KGL_OBJ_COLOR, index);
  c->index[c->layer] = index;
  if (c->layer == KGL_LAYER_NORMAL && c->rgb) c->rgba = kgl_rgb_to_abgr(c->normal_map[kgl_map_entry(c, index)]);
}

Int32 getcolor() { return kgl_ctx ? static_cast<Int32>(kgl_ctx->index[kgl_ctx->layer]) : 0; }

void c3f(const float rgb[3]) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  if (c->open_object) return kgl_record_xyz(KGL_OBJ_C3F, rgb[0], rgb[1], rgb[2]);
  // Drawing code sets the same few colours over and over.
  if (rgb[0] != c->c3f_in[0] || rgb[1] != c->c3f_in[1] || rgb[2] != c->c3f_in[2]) {
    c->c3f_in[0] = rgb[0], c->c3f_in[1] = rgb[1], c->c3f_in[2] = rgb[2];
    c->c3f_out = 0xFF000000u | channel_byte(rgb[0]) | (channel_byte(rgb[1]) << 8) | (channel_byte(rgb[2]) << 16);
  }
  c->rgba = c->c3f_out;
}

void cpack(Uint32 abgr) {
  if (kgl_recording()) return kgl_record(KGL_OBJ_CPACK, static_cast<Int32>(abgr));
  if (kgl_ctx) kgl_ctx->rgba = abgr;
}

Uint32 kgl_channel_byte(float v) { return channel_byte(v); }

void mapcolor(Uint16 index, Int16 r, Int16 g, Int16 b) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  bool ok;
  Uint32 *e = layer_map(c, index, ok);
  if (!ok) return;
  const Uint32 v = (static_cast<Uint32>(clamp_byte(r)) << 16) | (static_cast<Uint32>(clamp_byte(g)) << 8) |
                   static_cast<Uint32>(clamp_byte(b));
  if (*e == v) return;
  *e = v;
  // Pixels showing this entry change colour: present them again.
  if (c->layer != KGL_LAYER_NORMAL || !c->rgb) kgl_mark_all_dirty(c);
}

void getmcolor(Uint16 index, Int16 *r, Int16 *g, Int16 *b) {
  *r = *g = *b = 0;
  KglContext *c = kgl_ctx;
  if (!c) return;
  bool ok;
  const Uint32 *e = layer_map(c, index, ok);
  if (!ok) return;
  *r = static_cast<Int16>((*e >> 16) & 0xFF);
  *g = static_cast<Int16>((*e >> 8) & 0xFF);
  *b = static_cast<Int16>(*e & 0xFF);
}

void onemap() {
  if (!kgl_ctx) return;
  kgl_ctx->one_map = true;
  kgl_mark_all_dirty(kgl_ctx);
}

void multimap() {
  if (!kgl_ctx) return;
  kgl_ctx->one_map = false;
  kgl_mark_all_dirty(kgl_ctx);
}

void setmap(Int16 map) {
  if (!kgl_ctx || map < 0 || map > 15) return;
  kgl_ctx->cur_map = map;
  if (!kgl_ctx->one_map) kgl_mark_all_dirty(kgl_ctx);
}

Int32 getmap() { return kgl_ctx ? kgl_ctx->cur_map : 0; }

// ---- line styles and patterns ----------------------------------------------------

void linewidth(Int16 width) {
  if (kgl_ctx) kgl_ctx->line_width = std::clamp<int>(width, 1, 64);
}
Int32 getlwidth() { return kgl_ctx ? kgl_ctx->line_width : 1; }

void deflinestyle(Int32 n, Uint16 pattern) {
  if (n <= 0 || n >= KGL_LINESTYLES) return;
  kgl_linestyles[n] = pattern;
  kgl_linestyle_defined[n] = true;
}

void setlinestyle(Int32 n) {
  if (!kgl_ctx || n < 0 || n >= KGL_LINESTYLES || !kgl_linestyle_defined[n]) return;
  kgl_ctx->line_style = n;
}
Int32 getlstyle() { return kgl_ctx ? kgl_ctx->line_style : 0; }

void lsrepeat(Int32 factor) {
  if (kgl_ctx && factor >= 1 && factor <= 255) kgl_ctx->ls_repeat = factor;
}
Int32 getlsrepeat() { return kgl_ctx ? kgl_ctx->ls_repeat : 1; }

void lsbackup(Int32 on) {
  if (kgl_ctx) kgl_ctx->ls_backup = on ? 1 : 0;
}
Int32 getlsbackup() { return kgl_ctx ? kgl_ctx->ls_backup : 0; }

void defpattern(Int32 n, Int32 size, const Uint16 *rows) {
  if (n <= 0 || n >= KGL_PATTERNS || size != 16 || !rows) return;
  std::copy(rows, rows + 16, kgl_patterns[n]);
  kgl_pattern_defined[n] = true;
}

void setpattern(Int32 n) {
  if (!kgl_ctx || n < 0 || n >= KGL_PATTERNS || !kgl_pattern_defined[n]) return;
  kgl_ctx->pattern = n;
}
Int32 getpattern() { return kgl_ctx ? kgl_ctx->pattern : 0; }

// ---- logical operation and write masks --------------------------------------------

void logicop(Int32 op) {
  if (kgl_ctx && op >= 0 && op <= 15) kgl_ctx->logic_op = op;
}
Int32 getlogicop() { return kgl_ctx ? kgl_ctx->logic_op : KGL_LO_SRC; }

void writemask(Uint16 mask) {
  if (kgl_ctx) kgl_ctx->wmask[kgl_ctx->layer] = mask;
}

void wmpack(Uint32 mask) {
  if (!kgl_ctx) return;
  if (kgl_ctx->layer == KGL_LAYER_NORMAL && kgl_ctx->rgb)
    kgl_ctx->rgbmask = mask;
  else
    kgl_ctx->wmask[kgl_ctx->layer] = mask;
}

Int32 getwritemask() {
  const KglContext *c = kgl_ctx;
  if (!c) return 0;
  if (c->layer == KGL_LAYER_NORMAL && c->rgb) return static_cast<Int32>(c->rgbmask);
  return static_cast<Int32>(c->wmask[c->layer] & 0xFFFF);
}

// ---- settings that are kept ---------------------------------------------------------

void dither(Int32 on) {
  if (kgl_ctx) kgl_ctx->dither_on = on;
}
void subpixel(Int32 on) {
  if (kgl_ctx) kgl_ctx->subpixel_on = on;
}
void polymode(Int32 mode) {
  if (kgl_ctx) kgl_ctx->poly_mode = mode;
}
void glcompat(Int32 mode, Int32 value) {
  if (!kgl_ctx) return;
  kgl_ctx->compat_mode = mode;
  kgl_ctx->compat_value = value;
}
void concave(Int32 on) {
  if (kgl_ctx) kgl_ctx->concave_on = on;
}
void shademodel(Int32 model) {
  if (kgl_ctx) kgl_ctx->shade_model = model;
  kgl_update_path3d(kgl_ctx);
}
Int32 getsm() { return kgl_ctx ? kgl_ctx->shade_model : 0; }
void frontface(Int32 on) {
  if (kgl_ctx) kgl_ctx->front_face = on;
  kgl_update_path3d(kgl_ctx);
}
void backface(Int32 on) {
  if (kgl_ctx) kgl_ctx->back_face = on;
  kgl_update_path3d(kgl_ctx);
}
Int32 getbackface() { return kgl_ctx ? kgl_ctx->back_face : 0; }
Int32 getfrontface() { return kgl_ctx ? kgl_ctx->front_face : 0; }
void depthcue(Int32 on) {
  if (kgl_ctx) kgl_ctx->depth_cue = on;
  kgl_update_path3d(kgl_ctx);
}
Int32 getdcm() { return kgl_ctx ? kgl_ctx->depth_cue : 0; }

void lRGBrange(Int16 rmin, Int16 gmin, Int16 bmin, Int16 rmax, Int16 gmax, Int16 bmax, Int32 znear, Int32 zfar) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const Int16 v[6] = {rmin, gmin, bmin, rmax, gmax, bmax};
  for (int i = 0; i < 6; ++i) c->rgb_range[i] = clamp_byte(v[i]);
  c->range_near = znear;
  c->range_far = zfar;
}

void lsetdepth(Int32 znear, Int32 zfar) {
  if (!kgl_ctx) return;
  kgl_ctx->depth_near = znear;
  kgl_ctx->depth_far = zfar;
}

void font(Int16 n) {
  if (kgl_ctx && n == 0) kgl_ctx->font_number = 0;
}
Int32 getfont() { return kgl_ctx ? kgl_ctx->font_number : 0; }
