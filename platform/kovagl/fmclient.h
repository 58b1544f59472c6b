// The font manager: named fonts at chosen sizes, drawn like the hardware font
// at the current character position. Fonts come from the X core fonts of the
// server of a linked window; without one only the built-in font is found
// (as "fixed" or "8x13").
#pragma once

#include "gl.h"

struct KglFmFont;
using fmfonthandle = KglFmFont *;

// Font information. The layout is fixed: callers read the descender (yorig,
// the fifteenth word) and the height (the eighteenth word) by position.
struct fmfontinfo {
  Int32 version;           // 1
  Int32 fixed_width;       // 1 when every character has the same advance
  Int32 pixel_size;        // size the font was found at
  Int32 ascent;            // rows above the baseline row
  Int32 descent;           // rows below the baseline row
  Int32 max_advance;
  Int32 min_advance;
  Int32 first_char;
  Int32 last_char;
  Int32 nglyphs;
  Int32 avg_advance;
  Int32 underline_position;
  Int32 underline_thickness;
  Int32 xorig;             // leftmost ink column, from the origin
  Int32 yorig;             // descent + 1: rows from the box bottom to the baseline row
  Int32 xsize;             // widest glyph bitmap
  Int32 ysize;             // tallest glyph bitmap
  Int32 height;            // ascent + descent: the line height
  Int32 resolution;        // dots per inch the font was made for
  char name[128];          // the font it resolved to
};

void fminit();
// A font family ("Helvetica", "Times-Bold", "Courier-Oblique", ...) or an X
// font name or alias; null when none is found.
fmfonthandle fmfindfont(const char *face);
// The font at size pixels (the size found nearest among the server's).
fmfonthandle fmscalefont(fmfonthandle font, double size);
void fmsetfont(fmfonthandle font);
// Answers 0, or -1 when the font cannot be read.
Int32 fmgetfontinfo(fmfonthandle font, fmfontinfo *info);
// Draws text in the font of fmsetfont; answers the width drawn.
Int32 fmprstr(const char *text);
Int32 fmgetstrwidth(fmfonthandle font, const char *text);
