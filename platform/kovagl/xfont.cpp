// Reading X core fonts: every glyph of a single-byte font is drawn into one
// 1-bit pixmap, the pixmap is read back with one XGetImage and cut into
// glyph bitmaps. The server's font is freed again; only the bitmaps stay.
#include "xfont.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct CachedFont {
  std::string key;
  std::unique_ptr<KglFont> font;   // null: the server has no such font
};

std::vector<CachedFont> cache;

bool char_exists(const XCharStruct &m) {
  return m.width != 0 || m.lbearing != 0 || m.rbearing != 0 || m.ascent != 0 || m.descent != 0;
}

std::unique_ptr<KglFont> read_font(Display *dpy, const char *name) {
  XFontStruct *fs = XLoadQueryFont(dpy, name);
  if (!fs) return nullptr;
  // Single-byte fonts only (or the first row of a two-byte one).
  const int first = std::max<int>(fs->min_char_or_byte2, 0);
  const int last = std::min<int>(fs->max_char_or_byte2, 255);
  const bool one_row = fs->min_byte1 == 0 && fs->max_byte1 == 0;
  const int cw = std::max(1, fs->max_bounds.rbearing - std::min<int>(fs->min_bounds.lbearing, 0));
  const int ch = std::max(1, fs->max_bounds.ascent + fs->max_bounds.descent);
  const int origin_x = -std::min<int>(fs->min_bounds.lbearing, 0);
  if (!one_row || last < first || cw > 1024 || ch > 1024) {
    XFreeFont(dpy, fs);
    return nullptr;
  }

  auto f = std::make_unique<KglFont>();
  f->key = name;
  f->ascent = fs->ascent;
  f->descent = fs->descent;
  f->max_advance = fs->max_bounds.width;
  f->fixed_width = fs->min_bounds.width == fs->max_bounds.width;
  f->first = first;
  f->last = last;

  const Window root = DefaultRootWindow(dpy);
  const Pixmap pm = XCreatePixmap(dpy, root, 16 * cw, 16 * ch, 1);
  XGCValues gv;
  gv.foreground = 0;
  gv.background = 0;
  gv.font = fs->fid;
  const GC gc = XCreateGC(dpy, pm, GCForeground | GCBackground | GCFont, &gv);
  XFillRectangle(dpy, pm, gc, 0, 0, 16 * cw, 16 * ch);
  XSetForeground(dpy, gc, 1);
  for (int c = first; c <= last; ++c) {
    const char byte = static_cast<char>(c);
    XDrawString(dpy, pm, gc, (c % 16) * cw + origin_x, (c / 16) * ch + fs->max_bounds.ascent, &byte, 1);
  }
  XImage *img = XGetImage(dpy, pm, 0, 0, 16 * cw, 16 * ch, 1, ZPixmap);
  for (int c = first; c <= last; ++c) {
    const XCharStruct &m = fs->per_char ? fs->per_char[c - fs->min_char_or_byte2] : fs->max_bounds;
    if (!char_exists(m)) continue;
    KglGlyph &g = f->glyphs[c];
    g.present = true;
    g.advance = m.width;
    g.left = m.lbearing;
    g.top = m.ascent;
    g.w = static_cast<std::int16_t>(std::max(0, m.rbearing - m.lbearing));
    g.h = static_cast<std::int16_t>(std::max(0, m.ascent + m.descent));
    g.bits = static_cast<std::uint32_t>(f->bits.size());
    const int stride = (g.w + 7) / 8;
    f->bits.resize(f->bits.size() + static_cast<std::size_t>(stride) * g.h, 0);
    if (!img) continue;
    const int bx = (c % 16) * cw + origin_x + m.lbearing;
    const int by = (c / 16) * ch + fs->max_bounds.ascent - m.ascent;
    for (int r = 0; r < g.h; ++r)
      for (int col = 0; col < g.w; ++col) {
        const int px = bx + col, py = by + r;
        if (px < 0 || py < 0 || px >= 16 * cw || py >= 16 * ch) continue;
        if (XGetPixel(img, px, py)) f->bits[g.bits + r * stride + col / 8] |= static_cast<std::uint8_t>(0x80 >> (col & 7));
      }
  }
  if (img) XDestroyImage(img);
  XFreeGC(dpy, gc);
  XFreePixmap(dpy, pm);
  const int dc = static_cast<int>(fs->default_char);
  if (dc >= 0 && dc <= 255 && f->glyphs[dc].present)
    f->fallback = dc;
  else if (f->glyphs[' '].present)
    f->fallback = ' ';
  XFreeFont(dpy, fs);
  return f;
}

}  // namespace

const KglFont *kgl_x_load_font(Display *dpy, const char *name) {
  if (!dpy || !name || !*name) return nullptr;
  std::string key = DisplayString(dpy);
  key += '\n';
  key += name;
  for (const CachedFont &cf : cache)
    if (cf.key == key) return cf.font.get();
  cache.push_back({key, read_font(dpy, name)});
  return cache.back().font.get();
}
