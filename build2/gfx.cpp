// The operations the second program's drawing layer adds to the wrappers.
#include "build2/gfx.h"

#include "base/config_record.h"
#include "base/session.h"
#include "commands/commands.h"
#include "ui/context.h"

namespace {

constexpr int kNoDrawMode = -12345;
constexpr int kOverlayMode = 3;
int last_draw_mode = kNoDrawMode;

// No style before the first call: every 16-bit value differs from it.
int last_line_style = -1;

}  // namespace

void gfxSetDrawMode(int mode) {
  const int planes = mode == kOverlayMode ? (use_pups ? KGL_PUPDRAW : KGL_OVERDRAW) : KGL_NORMALDRAW;
  // Whoever made a window current behind this layer's back (the window's own
  // events do) also changed the planes: then the mode is set again.
  if (mode == last_draw_mode && getdrawmode() == planes) return;
  last_draw_mode = mode;
  if (mode == kOverlayMode)
    set_ovr_window();
  else
    set_gfx_window();
  draw_mode = planes;
}

GfxDrawMode gfxGetDrawMode() { return {last_draw_mode, draw_mode}; }

void gfxSelectBuffer(int mode) {
  if (!cfr.word(kWordDoubleBuffer)) return;
  switch (mode) {
    case 0:
      swapbuffers();
      break;
    case 1:
      BufferState = 1;
      backbuffer(0);
      frontbuffer(1);
      break;
    case 2:
      BufferState = 2;
      frontbuffer(0);
      backbuffer(1);
      break;
    default:
      BufferState = 3;
      frontbuffer(1);
      backbuffer(1);
      break;
  }
}

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
