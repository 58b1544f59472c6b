// Bitmap fonts as the library draws them: glyph bitmaps read once (from an X
// core font, or the built-in font of off-screen contexts) and drawn in the
// current colour at the current character position, which they advance.
#pragma once

#include "context.h"

#include <cstdint>
#include <string>
#include <vector>

struct KglGlyph {
  std::int16_t advance = 0;
  std::int16_t left = 0;     // first bitmap column, from the origin
  std::int16_t top = 0;      // bitmap rows at and above the baseline row
  std::int16_t w = 0, h = 0;
  std::uint32_t bits = 0;    // offset of the first row in KglFont::bits
  bool present = false;
};

struct KglFont {
  std::string key;           // what the font was loaded as
  int ascent = 0, descent = 0;
  int max_advance = 0;
  bool fixed_width = true;
  int first = 0, last = 0;   // characters present lie in first..last
  KglGlyph glyphs[256];
  int fallback = -1;         // glyph drawn for a character the font lacks
  std::vector<std::uint8_t> bits;   // rows of (w + 7) / 8 bytes, bit 7 left
};

// The fixed-width font compiled in (8 x 13, ascent 11, descent 2).
const KglFont *kgl_builtin_font();
// The hardware font of a context: an X core font on a linked window, the
// built-in font off-screen.
const KglFont *kgl_hardware_font(const KglContext *c);

inline const KglGlyph *kgl_glyph(const KglFont *f, unsigned char ch) {
  const KglGlyph *g = &f->glyphs[ch];
  if (g->present) return g;
  return f->fallback >= 0 ? &f->glyphs[f->fallback] : nullptr;
}

// Draws text with font f at the current character position and advances it.
void kgl_draw_text(const KglFont *f, const char *text);
int kgl_text_width(const KglFont *f, const char *text);
