// What the library tells about the hardware it stands for: the getgdesc
// table (the driver picks its 24-bit, overlay and logical-operation paths
// from these answers) and the version string.
#include "context.h"
#include "xbind.h"

#include <X11/Xlib.h>

#include <cstring>

namespace {

// Screen of an off-screen context, in pixels and millimetres (about 90 dpi).
constexpr Int32 OFFSCREEN_W = 1280, OFFSCREEN_H = 1024;
constexpr Int32 OFFSCREEN_W_MM = 361, OFFSCREEN_H_MM = 289;

struct Answer {
  Int32 what;
  Int32 value;
};

// Fixed answers; 0 to 3 (the screen) are asked of the display.
const Answer answers[] = {
    {4, 0},          // smallest depth value
    {5, 0x7FFFFF},   // largest depth value: zclear fills with it
    {6, 8},          // bits of red, green, blue in RGB mode
    {7, 8},
    {8, 8},
    {9, 8},          // bits of red, green, blue double buffered: not an 8-bit display
    {10, 8},
    {11, 8},
    {12, 12},        // colour-index bits, single and double buffered
    {13, 12},
    {14, 8},         // bits of alpha
    {15, 32},        // z-buffer bits
    {16, 1},         // a z-buffer exists
    {17, 2},         // overlay planes
    {18, 2},         // pop-up planes
    {19, 0},         // underlay planes
    {20, 1},         // windows may be double buffered
    {21, 16},        // colour maps in multi-map mode
    {22, 4096},      // colour-map entries
    {23, 16},        // line-style bits
    {24, 1},         // line-style repeat
    {25, 16},        // pattern size
    {26, 1},         // polygon fill of concave polygons
    {27, 1},         // write masks
    {28, 0},         // no dithering to switch off
    {29, 1},         // logical operations in colour-map mode
    {30, 0},
    {31, 0},
    {32, 1},         // z-buffer usable as a pixel store
    {33, 1},         // logical operations in every framebuffer
    {51, 0},         // no sub-pixel vertex positioning
    {53, 0},
    {77, 1},         // polymode is supported
};

}  // namespace

Int32 getgdesc(Int32 what) {
  if (what >= 0 && what <= 3) {
    Display *dpy = kgl_display_of(kgl_ctx);
    if (!dpy) {
      const Int32 offscreen[4] = {OFFSCREEN_W, OFFSCREEN_H, OFFSCREEN_W_MM, OFFSCREEN_H_MM};
      return offscreen[what];
    }
    const int scr = DefaultScreen(dpy);
    switch (what) {
      case 0: return DisplayWidth(dpy, scr);
      case 1: return DisplayHeight(dpy, scr);
      case 2: return DisplayWidthMM(dpy, scr);
      default: return DisplayHeightMM(dpy, scr);
    }
  }
  for (const Answer &a : answers)
    if (a.what == what) return a.value;
  return 0;
}

Int32 gversion(char *version) {
  static const char name[] = "KovaGL-SW-1";
  static_assert(sizeof name <= 12, "the version fits the caller's 12 bytes");
  if (version) std::memcpy(version, name, sizeof name);
  return 0;
}
