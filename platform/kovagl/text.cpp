// The hardware font: character position, charstr and the font inquiries.
#include "text.h"

#include "matrix.h"
#include "raster.h"
#include "xbind.h"

#include <algorithm>
#include <climits>
#include <cmath>

const KglFont *kgl_hardware_font(const KglContext *c) {
  if (c && c->x)
    if (const KglFont *f = kgl_x_hardware_font(c)) return f;
  return kgl_builtin_font();
}

int kgl_text_width(const KglFont *f, const char *text) {
  if (!f || !text) return 0;
  long long w = 0;
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p)
    if (const KglGlyph *g = kgl_glyph(f, *p)) w += g->advance;
  return static_cast<int>(std::clamp<long long>(w, -(1LL << 30), 1LL << 30));
}

void kgl_draw_text(const KglFont *f, const char *text) {
  KglContext *c = kgl_ctx;
  if (!c || !f || !text) return;
  // The box the glyphs cover decides where their pixels go.
  long long bx0 = LLONG_MAX, bx1 = LLONG_MIN, by0 = LLONG_MAX, by1 = LLONG_MIN;
  {
    long long gx = c->cpos_x;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
      const KglGlyph *g = kgl_glyph(f, *p);
      if (!g) continue;
      if (g->w > 0 && g->h > 0) {
        bx0 = std::min(bx0, gx + g->left);
        bx1 = std::max(bx1, gx + g->left + g->w - 1);
        by0 = std::min<long long>(by0, static_cast<long long>(c->cpos_y) + g->top - g->h);
        by1 = std::max<long long>(by1, static_cast<long long>(c->cpos_y) + g->top - 1);
      }
      gx += g->advance;
    }
  }
  KglTargets t;
  if (bx0 <= bx1 && by0 <= by1)
    kgl_draw_targets(t, static_cast<int>(std::clamp<long long>(bx0, INT_MIN, INT_MAX)),
                     static_cast<int>(std::clamp<long long>(by0, INT_MIN, INT_MAX)),
                     static_cast<int>(std::clamp<long long>(bx1, INT_MIN, INT_MAX)),
                     static_cast<int>(std::clamp<long long>(by1, INT_MIN, INT_MAX)));
  const KglRect clip = c->clip;
  long long x = c->cpos_x;
  const long long y = c->cpos_y;
  int minx = 1 << 30, maxx = -(1 << 30), miny = 1 << 30, maxy = -(1 << 30);
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
    const KglGlyph *g = kgl_glyph(f, *p);
    if (!g) continue;
    if (t.n && g->w > 0) {
      const int stride = (g->w + 7) / 8;
      const std::uint8_t *rows = f->bits.data() + g->bits;
      const long long gx = x + g->left;
      for (int r = 0; r < g->h; ++r) {
        const long long py = y + g->top - 1 - r;
        if (py < clip.y0 || py > clip.y1) continue;
        const std::uint8_t *row = rows + r * stride;
        // Runs of set bits become spans.
        int col = 0;
        while (col < g->w) {
          while (col < g->w && !((row[col >> 3] >> (7 - (col & 7))) & 1)) ++col;
          const int start = col;
          while (col < g->w && ((row[col >> 3] >> (7 - (col & 7))) & 1)) ++col;
          if (col == start) break;
          const long long sx0 = std::max<long long>(gx + start, clip.x0);
          const long long sx1 = std::min<long long>(gx + col - 1, clip.x1);
          if (sx1 < sx0) continue;
          kgl_put_span(c, t, static_cast<int>(py), static_cast<int>(sx0), static_cast<int>(sx1), 0xFFFF);
          minx = std::min(minx, static_cast<int>(sx0));
          maxx = std::max(maxx, static_cast<int>(sx1));
          miny = std::min(miny, static_cast<int>(py));
          maxy = std::max(maxy, static_cast<int>(py));
        }
      }
    }
    x += g->advance;
  }
  c->cpos_x = static_cast<int>(std::clamp<long long>(x, -(1LL << 30), 1LL << 30));
  if (t.n && t.visible && maxx >= minx) kgl_mark_dirty(c, minx, miny, maxx, maxy);
}

// ---- calls ---------------------------------------------------------------------------

void cmov2(float x, float y) {
  KglContext *c = kgl_ctx;
  if (!c) return;
  const KglClipVertex v = kgl_transform(c, x, y, 0.0f);
  if (!(v.w >= KGL_MIN_W)) return;
  const KglWinVertex w = kgl_to_window(c, v);
  if (!std::isfinite(w.x) || !std::isfinite(w.y)) return;
  c->cpos_x = static_cast<int>(std::clamp(std::floor(w.x + 0.5), -1073741824.0, 1073741824.0));
  c->cpos_y = static_cast<int>(std::clamp(std::floor(w.y + 0.5), -1073741824.0, 1073741824.0));
}

void cmov2i(Int32 x, Int32 y) { cmov2(static_cast<float>(x), static_cast<float>(y)); }

void getcpos(Int32 *x, Int32 *y) {
  *x = kgl_ctx ? kgl_ctx->cpos_x : 0;
  *y = kgl_ctx ? kgl_ctx->cpos_y : 0;
}

void charstr(const char *text) {
  if (kgl_ctx) kgl_draw_text(kgl_hardware_font(kgl_ctx), text);
}

Int32 strwidth(const char *text) { return kgl_text_width(kgl_hardware_font(kgl_ctx), text); }

Int32 getheight() {
  const KglFont *f = kgl_hardware_font(kgl_ctx);
  return f->ascent + f->descent;
}

Int32 getdescender() { return kgl_hardware_font(kgl_ctx)->descent; }
