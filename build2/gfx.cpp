// The operations the second program's drawing layer adds to the wrappers.
#include "build2/gfx.h"

namespace {

// No style before the first call: every 16-bit value differs from it.
int last_line_style = -1;

}  // namespace

void gfxClearScreen(int colour) {
  dither_off();
  MyColor(colour);
  clear();
  dither_on();
}

void gfxSetLogicop(int mode) {
  switch (mode) {
    case -1: logicop(KGL_LO_XOR); break;
    case 1: logicop(KGL_LO_AND); break;
    case 2: logicop(KGL_LO_OR); break;
    default: logicop(KGL_LO_SRC); break;
  }
}

void gfxSetLineStyle(int style) {
  style &= 0xFFFF;
  if (style == last_line_style) return;
  last_line_style = style;
  setlinestyle(style);
}
