// The second program's drawing layer: the operations it adds to the drawing
// wrappers, and the gfx names under which it calls the wrappers it shares with
// the first program.
#pragma once

#include "display/cursor.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "render3d/rendering.h"

// Its planes and buffers (gfxSetDrawMode, gfxGetDrawMode, gfxSelectBuffer)
// are the drawing wrappers' own (display/wrappers.h): the wrappers go through
// them.
// The window cleared to colour, undithered.
void gfxClearScreen(int colour);
// -1 exclusive or, 1 and, 2 or, any other value the plain source.
void gfxSetLogicop(int mode);
// The style's 16-bit value, unless it is the one set last.
void gfxSetLineStyle(int style);

inline void gfxGetMatrix(Matrix m) { getmatrix(m); }
inline void gfxSetRenderMode(int mode) { MySetRenderMode(mode); }
inline void gfxSetDepthMap(int znear, int zfar) { lsetdepth(znear, zfar); }

inline int gfxSetColor(int index) { return MyColor(index); }
inline void gfxSetZbuffer(int on) { MyZbuffer(on); }
inline void gfxClearZbuffer() { MyClearZbuffer(); }
inline void gfxSetClipRectangle(int x1, int x2, int y1, int y2, int matrix_number) {
  SetClippingRectangle(x1, x2, y1, y2, matrix_number);
}
// Buffer rows bottom first: 32-bit pixels with configuration word 106 set,
// 16-bit colour indices without it.
inline void gfxBitBLT(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer) {
  MyBitBLT(x1, y1, x2, y2, direction, buffer);
}
inline void gfxInitCursor() { InitCursor(); }
inline void gfxMoveCursor(int x, int y) { MoveCursor(x, y); }
inline void gfxHideCursor() { HideCursor(); }
inline void gfxSetCursor(int cursor) { MySetcursor(cursor); }
