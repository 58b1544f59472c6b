// Rendering set-up and ending, the rendering client's colour map, its shade
// range and background, its configuration packets, the z-buffer switches and
// the finished image stored so that the next rendering starts from it.
//
// The stored image is kept in memory even where a z-buffer could hold it: the
// 3D drawing clears and rewrites the z planes between renderings.
#include "render3d/rendering.h"

#include <algorithm>
#include <cstdlib>

#include "base/build.h"
#include "base/config_record.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/projection.h"

int in_rendering;
int new_image;
int is_single_screen;
int is_redraw_needed;
int StorageOfRenderedImage;
Uint32 *RenderLocation;
int RenderedWidth, RenderedHeight;
int RenderColors;
int rstretch;
float minshade, maxshade, shadespan = 1.0f;
float bkg_color[3];
float RenderMap[256][4];
std::uint16_t Rd_init[8];
int first_rdinit = 1;
int cmap_loads;
int zbuffer_state;

namespace {

int xorg, yorg;         // the window's origin as the rendering area has it
// The window size RenderingMatrix was made for; none yet.
int matrix_width = -1, matrix_height = -1;

// The rendering matrix for the window's present size: one unit a pixel, y up.
void make_rendering_matrix() {
  mmode(KGL_MSINGLE);
  MyOrtho2(-1.0f, static_cast<float>(xsize), -1.0f, static_cast<float>(ysize));
  getmatrix(RenderingMatrix);
  matrix_width = xsize;
  matrix_height = ysize;
  CurrentMatrixNumber = -1;
}

// A loaded colour value as a byte.
int colour_byte(long value) { return static_cast<int>(std::clamp<long>(value, 0, 255)); }

bool full_colour() {
  const int depth = RenderDepth();
  return depth == 24 || depth == 32;
}

// Keeps what the window shows, at its present size.
void store_rendered_image() {
  MemoryStorage = 1;
  FreeRenderedImage();
  if (xsize < 1 || ysize < 1) return;
  const std::size_t bytes = static_cast<std::size_t>(xsize) * static_cast<std::size_t>(ysize) * sizeof(Uint32);
  auto *pixels = static_cast<Uint32 *>(MyMalloc(bytes));
  if (pixels == nullptr) return;   // no memory: nothing is stored
  MemoryPtr = pixels;
  MemoryBytes = bytes;
  SelectRenderingArea();
  RenderBlit(0, 0, xsize - 1, ysize - 1, 1, pixels);
  RenderLocation = pixels;
  RenderedWidth = xsize;
  RenderedHeight = ysize;
  StorageOfRenderedImage = 2;
}

}  // namespace

void FreeRenderedImage() {
  if (RenderLocation != nullptr) {
    if (MemoryPtr == RenderLocation) MemoryPtr = nullptr;
    MyFree(RenderLocation);
    RenderLocation = nullptr;
  }
  StorageOfRenderedImage = 0;
}

int RenderDepth() {
  const int depth = cfr.word(kWordRenderDepth);
  return depth == 24 || depth == 32 ? depth : 8;
}

void RenderBlit(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer) {
  if (direction == 0)
    lrectwrite(x1, y1, x2, y2, buffer);
  else
    lrectread(x1, y1, x2, y2, buffer);
}

// The window may have changed size since the matrix was made (a full session
// whose first rdinit skips the set-up has none at all): it is made again, so
// polygons land on the pixels the scan lines do.
void SelectRenderingArea() {
  if (in_rendering) {
    if (xsize != matrix_width || ysize != matrix_height) make_rendering_matrix();
    RenderingArea();
  } else {
    SelectScreenMatrix();
  }
}

// ---- z-buffer -------------------------------------------------------------------

// ADI_ZBUFFER set to anything keeps the z-buffer off, as the 3D flags of the
// information replies say.
void init_zbuffer() {
  const int installed = std::getenv("ADI_ZBUFFER") == nullptr && getgdesc(16) > 0;
  glcompat(1, 0);
  gd_zmin = 15;
  gd_zmax = getgdesc(5);
  ZbufferInstalled = installed;
  ZbufferFull = 1;
  MemoryStorage = 1;
}

void MyZbuffer(int on) {
  zbuffer_state = ZbufferInstalled && on ? on : 0;
  zbuffer(zbuffer_state != 0);
}

void MyClearZbuffer() {
  if (ZbufferInstalled && zbuffer_state) zclear();
}

int SaveToZbuffer() { return 0; }
void ReadFromZbuffer() {}

void InitializeRenderingMode() {
  if (!Initialized) {
    MyGinit();
    const char *planes = std::getenv("ADI_BITPLANES");
    if (planes == nullptr)
      EightBit = getgdesc(9) < 1;
    else if (planes[0] == '8')
      EightBit = 1;
    // The second program sets its buffers up here, and its cursor once the
    // character sizes are known.
    if constexpr (kSecondBuild) {
      SetConfiguredBufferMode();   // both buffers drawn, where there are two
    } else {
      InitCursor();
    }
    set_overscan(&xsize, &ysize, &xorg, &yorg);
    init_zbuffer();
    CharHeight = MyGetheight();
    CharWidth = MyStrwidth("M");
    CharDescender = MyGetdescender() + 1;
    if constexpr (kSecondBuild) InitCursor();
  }
  make_rendering_matrix();
  MyZbuffer(0);
}

// ---- set-up and ending ---------------------------------------------------------------


// The stored image goes back at its own size where it meets the window.
int rdstart(Packet &) {
  in_rendering = 1;
  clear_cursor = 1;
  HideCursor();
  if (GetScreenMode() || is_single_screen) SetScreenMode(1);
  set_overscan(&xsize, &ysize, &xorg, &yorg);
  if (full_colour()) {
    MySetRenderMode(1);
    shademodel(1);
  }
  if (is_redraw_needed && StorageOfRenderedImage == 2 && RenderLocation != nullptr) {
    RecolourIndexPixels();
    SelectRenderingArea();
    RenderBlit(0, 0, RenderedWidth - 1, RenderedHeight - 1, 0, RenderLocation);
  }
  return 0;
}

// The driver's own drawing after a rendering is flat shaded again: a
// smooth-shaded polygon is filled as a fan, which a concave fill of a full
// session's drawing would not survive.
int rdend(Packet &) {
  if (is_redraw_needed && new_image) {
    RecolourIndexPixels();
    store_rendered_image();
    new_image = 0;
  }
  shademodel(0);
  if (is_redraw_needed) {
    if (full_colour() && !cfr.word(kWordRgbPixels)) MySetRenderMode(0);
    MyColor(cfr.word(kWordColourGraphics));
    clear();
    ChangePalette(1);
    set_underscan(&xsize, &ysize, &xorg, &yorg);
  } else if (GetScreenMode()) {
    SetScreenMode(0);
  }
  in_rendering = 0;
  return 0;
}

int rdterm(Packet &) {
  FreeRenderedImage();
  in_rendering = new_image = MemoryStorage = 0;
  MyGexit();
  return 0;
}

int rdclear(Packet &) {
  SelectRenderingArea();
  if (full_colour())
    c3f(bkg_color);
  else
    RenderIndexColour(cfr.word(kWordColourGraphics));
  clear();
  new_image = 1;
  return 0;
}

// ---- colour map -------------------------------------------------------------------------

int rdcmapb(Packet &) {
  cmap_loads = 0;
  return 0;
}

int rdcmap(Packet &p) {
  const int index = p.i16(8);
  if (index < 0 || index > 255) return 0;
  ++cmap_loads;
  const long scale = (Pkinit.field[kPkinitFlags] & kInitModelClient) ? 4 : 1;
  const int r = colour_byte(p.u16(10) * scale), g = colour_byte(p.u16(12) * scale),
            b = colour_byte(p.u16(14) * scale);
  RenderMap[index][0] = static_cast<float>(r);
  RenderMap[index][1] = static_cast<float>(g);
  RenderMap[index][2] = static_cast<float>(b);
  MyMapcolor(index, static_cast<std::int16_t>(r), static_cast<std::int16_t>(g), static_cast<std::int16_t>(b));
  return 0;
}

int rdcmape(Packet &) { return 0; }

// Bit 0 reads what the client loaded, bit 1 the colour the index is drawn
// in. Reading the drawn colour also brings the widgets' table up to date; the
// table keeps its X pixel and its 0..255 channels.
int rdrcmap(Packet &p) {
  const int index = p.i16(8), what = p.u16(16);
  const int limit = Color16 ? 16 : 256;
  int rgb[3] = {0, 0, 0};
  if (what & 1) {
    if (index == -1) {
      rgb[0] = rgb[1] = rgb[2] = cmap_loads & 0xFFFF;
    } else if (index >= 0 && index < 256 && index < cmap_loads) {
      for (int i = 0; i < 3; ++i) rgb[i] = static_cast<int>(RenderMap[index][i]);
    }
  } else if (what & 2) {
    if (index == -1) {
      rgb[0] = rgb[1] = rgb[2] = limit;
    } else if (index >= 0 && index < limit) {
      std::int16_t r, g, b;
      MyGetmcolor(index, &r, &g, &b);
      rgb[0] = r, rgb[1] = g, rgb[2] = b;
      unsigned long pixel = 0;
      int old_r, old_g, old_b;
      get_graph_clrtbl(index, &pixel, &old_r, &old_g, &old_b);
      set_graph_clrtbl(index, pixel, r, g, b);
    }
  }
  if (Pkinit.field[kPkinitFlags] & kInitModelClient)
    for (int &c : rgb) c >>= 2;
  p.put_u16(10, static_cast<std::uint16_t>(rgb[0]));
  p.put_u16(12, static_cast<std::uint16_t>(rgb[1]));
  p.put_u16(14, static_cast<std::uint16_t>(rgb[2]));
  return 1;
}

int rdcrange(Packet &p) {
  for (int i = 0; i < 3; ++i) bkg_color[i] = static_cast<float>(p.f64(32 + 8 * static_cast<std::size_t>(i)));
  rstretch = p.i16(24);
  if (rstretch) {
    minshade = static_cast<float>(p.f64(8));
    maxshade = static_cast<float>(p.f64(16));
    shadespan = maxshade - minshade;
    // Also a span that is not a number.
    if (!(shadespan >= 0.00392156862745098f)) shadespan = 1.0f;
  }
  shademodel(full_colour() ? 1 : 0);
  MyZbuffer(0);
  frontface(0);
  backface(0);
  return 0;
}

// ---- information and configuration --------------------------------------------------

int rdfname(Packet &p) {
  p.put_u16(8, 0);
  return 1;
}

int rd_info(Packet &p) {
  NormalCorrection = (p.u32(8) & 0x20) ? 1 : 0;
  p.put_u32(12, 0x581);
  p.put_u32(16, 0);
  p.put_u32(20, static_cast<std::uint32_t>(Set3dflags()));
  p.put_f64(24, getgdesc(2));
  p.put_f64(32, getgdesc(3));
  p.put_u16(40, 2);
  for (std::size_t off = 42; off <= 48; off += 2) p.put_u16(off, 1);
  p.put_u16(50, 24);
  p.put_u16(52, 0);
  p.put_u16(54, cfr.word(kWordDoubleBuffer) ? 2 : 1);
  p.put_u16(56, 8);
  return 1;
}

int ppal(Packet &p) {
  const int operation = p.i16(2);
  if (operation == 0 || operation == 1 || operation == 3) p.put_u32(4, 0);
  p.put_u16(8, operation >= 0 && operation <= 3 ? 0 : 65535);
  if (operation == 2 || operation == 3) ChangePalette(1);
  return 1;
}
