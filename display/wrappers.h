// The drawing wrappers every subsystem draws through: planes, matrices by
// number, buffers, colours, pixel blocks and text.
#pragma once

#include <cstdint>

#include "kovagl/fmclient.h"
#include "kovagl/gl.h"

// Planes being drawn into: 16 normal planes, 32 pop-up planes, 64 overlay.
extern int draw_mode;
// The matrix number last loaded by SetClippingRectangle; -1 = unknown, so the
// next use reloads. Code that loads a matrix, viewport or screen mask by any
// other means sets it to -1.
extern int CurrentMatrixNumber;
// The cursor shape chosen with MySetcursor (0 none).
extern int CurrentCursor;
// Set while the graphics window is iconified: size inquiries and repaints wait.
extern int Iconified;

// Matrix numbers of SetClippingRectangle besides the viewport indices 0..64.
enum : int {
  kMatrixNone = -1,
  kMatrixScreen = 65,     // the whole window in pixels
  kMatrixViewport3D = 66, // the 3D matrix of CurrentViewport
  kMatrixRendering = 67,  // rendering, over the whole window
  kMatrixProjection = 68, // projection and viewing matrices
};

extern Matrix ScreenMatrix;
extern Matrix RenderingMatrix;
extern Matrix ProjectionMatrix;
extern Matrix ViewingMatrix;
extern Matrix IdentityMatrix;
extern Int32 gd_zmin, gd_zmax;  // depth range of the 3D matrices

// Font state: DefaultFontNumber is nonzero while a font-manager font is in use;
// fsized is that font scaled, finfo its information record.
extern int DefaultFontNumber;
extern fmfonthandle fsized;
extern fmfontinfo finfo;

// Colour counts by display mode (see init_capabilities and num_colors).
extern std::int32_t capability_table[8];

// Matrices, viewports and masks.
void MyViewport(int x1, int x2, int y1, int y2);
void MyOrtho2(float left, float right, float bottom, float top);
// Note the argument order: both x, then both y.
void SetClippingRectangle(int x1, int x2, int y1, int y2, int matrix_number);
// The whole window in pixels (matrix kMatrixScreen), unless it is loaded.
void SelectScreenMatrix();
int SetScreenMask(int x1, int x2, int y1, int y2);
void RenderingArea();
int set_underscan(int *width, int *height, int *xorigin, int *yorigin);
int set_overscan(int *width, int *height, int *xorigin, int *yorigin);

// Interface state around giving the screen away and taking it back.
void MySetcursor(int cursor);
// palette_mode goes to ClearCommandPalette (22: hide it until restored).
void Clear_UI(int palette_mode = 22);
void Restore_UI();

// The window drawn into: the drawing widget's normal-plane window (the
// single-buffered one while that is shown), or its overlay planes (pop-up
// planes with use_pups). Either forgets the matrix loaded.
void set_gfx_window();
void set_ovr_window();
// Shows the single-buffered or the double-buffered window of the drawing widget.
void GLX_singlebuffer();
void GLX_doublebuffer();

// Planes, set-up and buffers.
void MySetDrawmode(int mode);
void MyGinit();
void MyGexit();
void MySetBufferMode(int mode);
// The buffers the configuration asks for: mode 1 without double buffering
// (word 99), else mode 2 with both buffers drawn; word 104 says which.
void SetConfiguredBufferMode();
void MySwapbuffers();
void SelectBackBuffer();
void SelectFrontBuffer();
void SelectBothBuffers();
void MySetRenderMode(int mode);
void dx_sync();

// The second program's planes and buffers, which its wrappers above go
// through (the first program never calls these).
// Planes by the second program's numbers: 0 the normal planes, 3 the overlay
// (or pop-up) planes. The mode set last is kept; setting it again does
// nothing while the library still draws into those planes.
void gfxSetDrawMode(int mode);
// The mode set last (-12345 before the first) and the planes drawn into
// (16, 32 or 64).
struct GfxDrawMode {
  int mode;
  int planes;
};
GfxDrawMode gfxGetDrawMode();
// Buffers, with double buffering configured only: 0 shows the back buffer
// (swap), 1 draws into the front buffer, 2 into the back buffer, any other
// value into both. BufferState takes the mode (3 for both).
void gfxSelectBuffer(int mode);
extern int BufferState;  // 0 both buffers, 1 back buffer, 2 swapped

// Exclusive-or drawing: logical operation 6, undithered where the hardware
// dithers; EndXorDrawing goes back to 3 and dithering. Pixel writes go
// undithered between dither_off and dither_on.
void BeginXorDrawing();
void EndXorDrawing();
void dither_off();
void dither_on();

// Primitives, pixel blocks and boxes.
void MyPoint(int x, int y);
void MyLine(int x1, int y1, int x2, int y2);
// direction 0 writes buffer to the screen, 1 reads the screen into buffer:
// (x2-x1+1)*(y2-y1+1) 32-bit pixels, rows bottom first; corners in any order.
void MyBitBLT(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer);
// Orders two corners so that (x1, y1) is the lower left one.
void arb_corner(int *x1, int *y1, int *x2, int *y2);
// The box with corners (x1, y1) and (x2, y2), both included, in any order;
// mode -1 draws it in exclusive-or.
void FilledBox(int x1, int y1, int x2, int y2, int colour, int mode);

// Colours: an index of the normal planes is drawn in its DisplayMap colour,
// in the overlay and pop-up planes as an index. Both return the index.
int MyColor(int index);
int MyXcolor(int index);
// The DisplayMap colour of index packed red in bits 0-7, green 8-15, blue 16-23.
std::uint32_t get_rgb_color(int index);

// Text in the hardware font, or the font-manager font when one is in use.
int MyGetfont();
void MyFont();
void MyCharstr(const char *text);
int MyStrwidth(const char *text);
int MyGetheight();
int MyGetdescender();

// Fills capability_table; answers 1 when the colour depth is below 24 bits.
int init_capabilities();
int num_colors(int mode, int second, int third);
