// Cursor definitions, shared by every context; each context selects one and
// its linked window shows it as an X cursor.
#pragma once

#include "gl.h"

constexpr int KGL_CURSORS = 256;

struct KglCursorDef {
  bool defined = false;
  Int32 type = KGL_C16X1;
  Uint16 bits[128] = {};    // plane 0, then plane 1; rows bottom first
  Int16 xorigin = 0, yorigin = 0;
  unsigned generation = 0;  // changes with every definition
};

extern KglCursorDef kgl_cursors[KGL_CURSORS];

inline int kgl_cursor_size(Int32 type) { return type == KGL_C32X1 || type == KGL_C32X2 ? 32 : 16; }
inline int kgl_cursor_planes(Int32 type) { return type == KGL_C16X2 || type == KGL_C32X2 ? 2 : 1; }
// Words of one plane.
inline int kgl_cursor_plane_words(Int32 type) { return kgl_cursor_size(type) == 32 ? 64 : 16; }
// Whether pixel (x, y) of plane p is set; y counts from the bottom row.
inline bool kgl_cursor_bit(const KglCursorDef &d, int plane, int x, int y) {
  const int size = kgl_cursor_size(d.type);
  const int words_per_row = size / 16;
  const Uint16 w = d.bits[plane * kgl_cursor_plane_words(d.type) + y * words_per_row + x / 16];
  return (w >> (15 - (x & 15))) & 1;
}
