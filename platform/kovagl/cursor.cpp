// Cursors: definitions (type, bitmap, origin) and the selection of one.
#include "cursor.h"

#include "context.h"
#include "xbind.h"

#include <algorithm>

KglCursorDef kgl_cursors[KGL_CURSORS];

namespace {
Int32 cursor_type = KGL_C16X1;   // type of the next definition
unsigned generations = 0;
}  // namespace

void curstype(Int32 type) {
  if (type >= KGL_C16X1 && type <= KGL_C32X2) cursor_type = type;
}

// Cursor 0 is the window system's own and cannot be redefined.
void defcursor(Int16 n, const Uint16 *bitmap) {
  if (n <= 0 || n >= KGL_CURSORS || !bitmap) return;
  KglCursorDef &d = kgl_cursors[n];
  d.defined = true;
  d.type = cursor_type;
  std::fill(std::begin(d.bits), std::end(d.bits), Uint16(0));
  std::copy(bitmap, bitmap + kgl_cursor_planes(cursor_type) * kgl_cursor_plane_words(cursor_type), d.bits);
  d.generation = ++generations;
  if (kgl_ctx && kgl_ctx->cursor == n) kgl_show_cursor(kgl_ctx);
}

void curorigin(Int16 n, Int16 xorigin, Int16 yorigin) {
  if (n <= 0 || n >= KGL_CURSORS) return;
  KglCursorDef &d = kgl_cursors[n];
  d.xorigin = xorigin;
  d.yorigin = yorigin;
  d.generation = ++generations;
  if (kgl_ctx && kgl_ctx->cursor == n) kgl_show_cursor(kgl_ctx);
}

void setcursor(Int16 n, Uint16 color, Uint16 writemask) {
  KglContext *c = kgl_ctx;
  if (!c || n < 0 || n >= KGL_CURSORS || (n > 0 && !kgl_cursors[n].defined)) return;
  c->cursor = n;
  c->cursor_color = color;
  c->cursor_wtm = writemask;
  kgl_show_cursor(c);
}

void getcursor(Int16 *n, Uint16 *color, Uint16 *writemask, Int32 *visible) {
  const KglContext *c = kgl_ctx;
  if (n) *n = c ? c->cursor : 0;
  if (color) *color = c ? c->cursor_color : 0;
  if (writemask) *writemask = c ? c->cursor_wtm : 0;
  if (visible) *visible = 1;
}
