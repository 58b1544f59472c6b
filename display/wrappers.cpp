// The drawing wrappers: the one layer between the driver and the graphics
// library for planes, matrices by number, buffers, colours and text.
#include "display/wrappers.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "base/build.h"
#include "base/config_record.h"
#include "base/session.h"
#include "base/x_session.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/hooks.h"
#include "display/viewports.h"
#include "kovagl/glx.h"

int draw_mode = 16;
int CurrentMatrixNumber = -1;
int CurrentCursor;
int Iconified;
int BufferState;

Matrix ScreenMatrix;
Matrix RenderingMatrix;
Matrix ProjectionMatrix;
Matrix ViewingMatrix;
Matrix IdentityMatrix;
Int32 gd_zmin, gd_zmax;

int DefaultFontNumber;
fmfonthandle fsized;
fmfontinfo finfo;

std::int32_t capability_table[8];

namespace {

// The drawing window SetClippingRectangle last made current.
Window last_window;

// The second program's planes as gfxSetDrawMode set them last.
constexpr int kNoDrawMode = -12345;
constexpr int kOverlayMode = 3;
int last_draw_mode = kNoDrawMode;

// Colours outside the table wrap into it rather than reading past its end.
const float *display_map_entry(int index) { return DisplayMap[static_cast<unsigned>(index) & 0xFFu]; }

// One colour channel (0..1) as a byte; out-of-range and NaN values are held
// to the byte's range instead of being converted undefined.
std::uint32_t channel_byte(float value) {
  float scaled = value * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<std::uint32_t>(scaled);
}

// 1 << bits, 0 for no bits, held to the largest int32 for absurd counts.
std::int32_t colour_count(int bits) {
  if (bits <= 0) return 0;
  if (bits >= 31) return 0x7FFFFFFF;
  return static_cast<std::int32_t>(1u << bits);
}

// The 16-bit colour indices of a block, (x2-x1+1)*(y2-y1+1) of them packed
// at the start of buffer, rows bottom first.
void index_blit(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer) {
  static std::vector<Uint16> indices;
  const std::size_t n = static_cast<std::size_t>(x2 - x1 + 1) * static_cast<std::size_t>(y2 - y1 + 1);
  indices.resize(n);
  if (direction == 0) {
    std::memcpy(indices.data(), buffer, n * sizeof(Uint16));
    rectwrite(x1, y1, x2, y2, indices.data());
  } else if (direction == 1) {
    finish();
    rectread(x1, y1, x2, y2, indices.data());
    std::memcpy(buffer, indices.data(), n * sizeof(Uint16));
  }
}

}  // namespace

void dither_off() {
  if (getgdesc(28) > 0) dither(0);
}

void dither_on() {
  if (getgdesc(28) > 0) dither(1);
}

void BeginXorDrawing() {
  dither_off();
  logicop(KGL_LO_XOR);
}

void EndXorDrawing() {
  logicop(KGL_LO_SRC);
  dither_on();
}

void SelectScreenMatrix() {
  if (CurrentMatrixNumber != kMatrixScreen) SetClippingRectangle(0, xsize - 1, 0, ysize - 1, kMatrixScreen);
}

// ---- matrices, viewports and masks -----------------------------------------

void MyViewport(int x1, int x2, int y1, int y2) {
  viewport(x1 - 1, x2 + 1, y1 - 1, y2 + 1);
  // The mask keeps to even-to-odd row pairs inside the area.
  if (y1 & 1) ++y1;
  if (!(y2 & 1)) --y2;
  scrmask(x1, x2, y1, y2);
}

void MyOrtho2(float left, float right, float bottom, float top) {
  ortho2(static_cast<float>(static_cast<double>(left) - 0.5), static_cast<float>(static_cast<double>(right) + 0.5),
         static_cast<float>(static_cast<double>(bottom) - 0.5), static_cast<float>(static_cast<double>(top) + 0.5));
}

void SetClippingRectangle(int x1, int x2, int y1, int y2, int matrix_number) {
  // -1 leaves everything as it is; numbers no caller uses would index past the
  // viewport table and are refused the same way.
  if (matrix_number < 0 || matrix_number > kMatrixProjection) return;

  // The second program leaves making the window current to its callers.
  if constexpr (!kSecondBuild) {
    if (graph_window != last_window) {
      set_gfx_window();
      last_window = graph_window;
    }
  }

  switch (matrix_number) {
    case kMatrixScreen:
      mmode(KGL_MSINGLE);
      loadmatrix(ScreenMatrix);
      viewport(x1, x2, y1, y2);
      break;
    case kMatrixViewport3D: {
      int index = CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0;
      mmode(KGL_MSINGLE);
      loadmatrix(vp_info[index].full_matrix);
      MyViewport(x1, x2, y1, y2);
      break;
    }
    case kMatrixRendering:
      mmode(KGL_MSINGLE);
      loadmatrix(RenderingMatrix);
      MyViewport(0, xsize - 1, 0, ysize - 1);
      break;
    case kMatrixProjection:
      mmode(KGL_MPROJECTION);
      loadmatrix(ProjectionMatrix);
      mmode(KGL_MVIEWING);
      loadmatrix(ViewingMatrix);
      MyViewport(x1, x2, y1, y2);
      lsetdepth(gd_zmin, gd_zmax);
      break;
    default:
      mmode(KGL_MSINGLE);
      loadmatrix(vp_info[matrix_number].view_matrix);
      MyViewport(x1, x2, y1, y2);
      break;
  }
  CurrentMatrixNumber = matrix_number;
}

int SetScreenMask(int x1, int x2, int y1, int y2) {
  int result = scrmask(x1, x2, y1, y2);
  CurrentMatrixNumber = -1;
  return result;
}

void RenderingArea() {
  if (CurrentMatrixNumber != kMatrixRendering) SetClippingRectangle(0, xsize - 1, 0, ysize - 1, kMatrixRendering);
}

int set_underscan(int *width, int *height, int *xorigin, int *yorigin) {
  if (!Iconified) {
    getsize(width, height);
    if constexpr (kSecondBuild) {
      *xorigin = 0;
      *yorigin = 0;
    } else {
      getorigin(xorigin, yorigin);
    }
  }
  CurrentMatrixNumber = -1;
  SetClippingRectangle(0, xsize - 1, 0, ysize - 1, kMatrixScreen);
  return 0;
}

int set_overscan(int *width, int *height, int *xorigin, int *yorigin) {
  if (!Iconified) getsize(width, height);
  *xorigin = 0;
  *yorigin = 0;
  CurrentMatrixNumber = -1;
  RenderingArea();
  return 0;
}

// ---- interface state ---------------------------------------------------------

void MySetcursor(int cursor) { CurrentCursor = cursor; }

void Clear_UI(int palette_mode) {
  if (!Initialized) return;
  HideCursor();
  notify(display_hooks.interface_cleared, palette_mode);
  ChangeUIcolors = 1;
}

void Restore_UI() {
  if (!Initialized) return;
  map_ui_colors();
  release_screen();
}

// ---- the window drawn into ------------------------------------------------------

void set_gfx_window() {
  Window window = shown_drawing_window();
  if (window != 0) GLXwinset(display, window);
  drawmode(KGL_NORMALDRAW);
  CurrentMatrixNumber = -1;
}

void set_ovr_window() {
  Window window = overlayWindow(graph_pw);
  if (window != 0) GLXwinset(display, window);
  // Installed once: the cursor switches planes on every move.
  static Colormap installed;
  if (ovr_cmap != 0 && ovr_cmap != installed) {
    XInstallColormap(display, ovr_cmap);
    installed = ovr_cmap;
  }
  drawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  CurrentMatrixNumber = -1;
}

void GLX_singlebuffer() {
  if (graph_pw == nullptr) return;
  show_single_buffer(True);
  // The widget set the viewport of the window it switched to.
  CurrentMatrixNumber = -1;
}

void GLX_doublebuffer() {
  if (graph_pw == nullptr) return;
  show_single_buffer(False);
  CurrentMatrixNumber = -1;
}

// ---- planes, set-up and buffers ----------------------------------------------

void MySetDrawmode(int mode) {
  if constexpr (kSecondBuild) return gfxSetDrawMode(mode == KGL_NORMALDRAW ? 0 : 3);
  if (mode == KGL_NORMALDRAW)
    set_gfx_window();
  else
    set_ovr_window();
  draw_mode = mode;
}

void MyGinit() {
  if (Initialized) return;
  Initialized = 1;
  zbsize(0);
  MySetDrawmode(KGL_NORMALDRAW);
  glcompat(0, 0);
  concave(1);
  shademodel(0);
  frontface(0);
  backface(0);
  mmode(KGL_MSINGLE);
  if (getgdesc(77) > 0) polymode(1);
  std::memset(IdentityMatrix, 0, sizeof IdentityMatrix);
  for (int i = 0; i < 4; ++i) IdentityMatrix[i][i] = 1.0f;
}

void MyGexit() {
  CurrentCursor = 0;
  if (Initialized) {
    Clear_UI();
    Initialized = 0;
  }
}

void MySetBufferMode(int mode) {
  if (mode == 2)
    GLX_doublebuffer();
  else
    GLX_singlebuffer();
}

void SetConfiguredBufferMode() {
  if (cfr.word(kWordDoubleBuffer) == 0) {
    cfr.word(kWordBufferMode) = 1;
    MySetBufferMode(1);
  } else {
    cfr.word(kWordBufferMode) = 2;
    MySetBufferMode(2);
    SelectBothBuffers();
  }
}

void MySwapbuffers() {
  if constexpr (kSecondBuild) return gfxSelectBuffer(0);
  if (cfr.word(kWordDoubleBuffer)) swapbuffers();
}

void SelectBackBuffer() {
  if constexpr (kSecondBuild) return gfxSelectBuffer(2);
  if (!cfr.word(kWordDoubleBuffer)) return;
  frontbuffer(0);
  backbuffer(1);
}

void SelectFrontBuffer() {
  if (cfr.word(kWordDoubleBuffer)) backbuffer(0);
  frontbuffer(1);
}

void SelectBothBuffers() {
  if constexpr (kSecondBuild) return gfxSelectBuffer(3);
  if (cfr.word(kWordDoubleBuffer)) backbuffer(1);
  frontbuffer(1);
}

void MySetRenderMode(int) {}

void dx_sync() { gflush(); }

// ---- the second program's planes and buffers --------------------------------------

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

// ---- primitives, pixel blocks and boxes ----------------------------------------

void MyPoint(int x, int y) {
  const Int32 v[2] = {x, y};
  bgnpoint();
  v2i(v);
  endpoint();
}

void MyLine(int x1, int y1, int x2, int y2) { kgl_line2i(x1, y1, x2, y2); }

void arb_corner(int *x1, int *y1, int *x2, int *y2) {
  if (*x2 < *x1) {
    int t = *x1;
    *x1 = *x2;
    *x2 = t;
  }
  if (*y2 < *y1) {
    int t = *y1;
    *y1 = *y2;
    *y2 = t;
  }
}

void MyBitBLT(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer) {
  arb_corner(&x1, &y1, &x2, &y2);
  if (buffer == nullptr) return;
  if constexpr (kSecondBuild) {
    // Colour-index pixels: 16 bits each, packed into the caller's buffer.
    if (!cfr.word(kWordRgbPixels)) return index_blit(x1, y1, x2, y2, direction, buffer);
  }
  if (direction == 0) {
    lrectwrite(x1, y1, x2, y2, buffer);
  } else if (direction == 1) {
    finish();
    lrectread(x1, y1, x2, y2, buffer);
  }
}

void FilledBox(int x1, int y1, int x2, int y2, int colour, int mode) {
  arb_corner(&x1, &y1, &x2, &y2);
  ++x2;
  ++y2;
  bool exclusive_or = mode == -1;
  if (exclusive_or) {
    BeginXorDrawing();
    MyXcolor(colour);
  } else {
    MyColor(colour);
  }
  const Int32 a[2] = {x1, y1}, b[2] = {x2, y1}, c[2] = {x2, y2}, d[2] = {x1, y2};
  bgnpolygon();
  v2i(a);
  v2i(b);
  v2i(c);
  v2i(d);
  endpolygon();
  if (exclusive_or) EndXorDrawing();
}

// ---- colours ---------------------------------------------------------------------

int MyColor(int index) {
  if (draw_mode == KGL_NORMALDRAW)
    c3f(display_map_entry(index));
  else
    color(static_cast<Uint16>(index));
  return index;
}

int MyXcolor(int index) { return MyColor(index); }

std::uint32_t get_rgb_color(int index) {
  const float *rgb = display_map_entry(index);
  return channel_byte(rgb[0]) | channel_byte(rgb[1]) << 8 | channel_byte(rgb[2]) << 16;
}

// ---- text ------------------------------------------------------------------------

int MyGetfont() { return DefaultFontNumber; }

void MyFont() {}

void MyCharstr(const char *text) {
  if (DefaultFontNumber)
    fmprstr(text);
  else
    charstr(text);
}

int MyStrwidth(const char *text) { return DefaultFontNumber ? fmgetstrwidth(fsized, text) : strwidth(text); }

int MyGetheight() { return DefaultFontNumber ? finfo.height : getheight(); }

int MyGetdescender() { return DefaultFontNumber ? finfo.yorig - 1 : getdescender(); }

// ---- capabilities ------------------------------------------------------------------

int init_capabilities() {
  const int index_bits = getgdesc(12), overlay_bits = getgdesc(13);
  const bool shifted = getgdesc(30) >= 1, pairs = getgdesc(31) >= 1;
  const bool rgb = getgdesc(6) != 0, full = getgdesc(9) != 0;

  capability_table[0] = colour_count(index_bits);
  capability_table[1] = colour_count(shifted ? index_bits >> 4 : 0);
  capability_table[2] = colour_count(rgb ? 8 : 0);
  capability_table[3] = colour_count(pairs && rgb ? 8 : 0);
  capability_table[4] = colour_count(overlay_bits);
  int high = shifted ? overlay_bits >> 4 : 0;
  capability_table[5] = colour_count(high < 4 ? 0 : high);
  capability_table[6] = colour_count(full ? 8 : 0);
  capability_table[7] = colour_count(pairs && full ? 8 : 0);

  return getgdesc(7) + getgdesc(6) + getgdesc(8) < 24 ? 1 : 0;
}

int num_colors(int mode, int second, int third) {
  return capability_table[(mode == 2 ? 4 : 0) + (second ? 2 : 0) + (third ? 1 : 0)];
}
