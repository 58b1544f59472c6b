// KovaGL: the immediate-mode drawing calls of our software graphics library.
//
// Every call acts on the current context (the window set made current with
// GLXwinset, or an off-screen context) and its current layer. Calls made with
// no current context do nothing and inquiries answer 0 or their start value.
//
// Coordinates: vertices go through the current matrix (row vectors, v' = v M)
// and the viewport; pixel centres lie at integer window coordinates, y up from
// the bottom row. Pixel rectangles (rectread, lrectwrite, rectcopy, ...) are
// window coordinates x1, y1, x2, y2 inclusive, rows from the bottom.
#pragma once

#include <cstdint>

using Int16 = std::int16_t;
using Int32 = std::int32_t;
using Uint16 = std::uint16_t;
using Uint32 = std::uint32_t;
using Matrix = float[4][4];

// ---- layers, display modes and colour ------------------------------------

// Draw modes (layers).
enum : Int32 {
  KGL_NORMALDRAW = 16,
  KGL_PUPDRAW = 32,
  KGL_OVERDRAW = 64,
  KGL_UNDERDRAW = 128,  // accepted; the underlay has no planes of its own
};

// getdisplaymode answers.
enum : Int32 {
  KGL_DMRGB = 0,
  KGL_DMSINGLE = 1,
  KGL_DMDOUBLE = 2,
  KGL_DMRGBDOUBLE = 5,
};

void drawmode(Int32 mode);
Int32 getdrawmode();
void RGBmode();
void cmode();
void doublebuffer();
void singlebuffer();
void gconfig();           // applies RGBmode/cmode/doublebuffer/singlebuffer
Int32 getdisplaymode();
Int32 getcmmode();        // 1 one map, 0 multi-map

void color(Uint16 index);
Int32 getcolor();
void c3f(const float rgb[3]);        // 0..1 each
void cpack(Uint32 abgr);             // red in the low byte
void mapcolor(Uint16 index, Int16 r, Int16 g, Int16 b);  // 0..255 each
void getmcolor(Uint16 index, Int16 *r, Int16 *g, Int16 *b);
void onemap();
void multimap();
void setmap(Int16 map);
Int32 getmap();

// ---- primitives ------------------------------------------------------------

void bgnpoint();
void endpoint();
void bgnline();
void endline();
void bgnclosedline();
void endclosedline();
void bgnpolygon();
void endpolygon();
void v2i(const Int32 v[2]);
void v2s(const Int16 v[2]);
void v2f(const float v[2]);
void v3i(const Int32 v[3]);
void v3s(const Int16 v[3]);
void v3f(const float v[3]);
// One line from (x1, y1) to (x2, y2): what bgnline(); v2i(a); v2i(b);
// endline() draws, without their per-call set-up.
void kgl_line2i(Int32 x1, Int32 y1, Int32 x2, Int32 y2);
// c3f(rgb) and kgl_line2i of each of n lines in turn, line i from point
// ends[2i] to point ends[2i + 1], each point x << 16 | y (0..32767 each): the
// way they are drawn chosen once for all of them.
void kgl_lines2s(const float rgb[3], const Uint32 *ends, int n);
// The line through the n vertices (x, y) of xy, x0 y0 x1 y1 ...: what
// bgnline(), v2i of each and endline() draw.
void kgl_polyline2i(const Int32 *xy, int n);

void clear();                        // the viewport within the mask, current colour
void rectf(float x1, float y1, float x2, float y2);
void rectfi(Int32 x1, Int32 y1, Int32 x2, Int32 y2);
void rect(float x1, float y1, float x2, float y2);   // outline
void recti(Int32 x1, Int32 y1, Int32 x2, Int32 y2);
// Copies window pixels x1..x2, y1..y2 from the read source to (newx, newy).
void rectcopy(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Int32 newx, Int32 newy);

void cmov2i(Int32 x, Int32 y);
void cmov2(float x, float y);
void charstr(const char *text);

// ---- drawing state ---------------------------------------------------------

void linewidth(Int16 width);
Int32 getlwidth();
void deflinestyle(Int32 n, Uint16 pattern);   // style 0 is solid, fixed
void setlinestyle(Int32 n);
Int32 getlstyle();
void lsrepeat(Int32 factor);                   // 1..255
Int32 getlsrepeat();
void lsbackup(Int32 on);
Int32 getlsbackup();
// size 16: 16 rows of 16 bits, bottom row first; bit 15 of a row is its left
// pixel. Pattern 0 is solid, fixed.
void defpattern(Int32 n, Int32 size, const Uint16 *rows);
void setpattern(Int32 n);
Int32 getpattern();

// Logical operations: result = f(source, destination).
enum : Int32 {
  KGL_LO_ZERO = 0, KGL_LO_AND = 1, KGL_LO_ANDR = 2, KGL_LO_SRC = 3,
  KGL_LO_ANDI = 4, KGL_LO_DST = 5, KGL_LO_XOR = 6, KGL_LO_OR = 7,
  KGL_LO_NOR = 8, KGL_LO_XNOR = 9, KGL_LO_NDST = 10, KGL_LO_ORR = 11,
  KGL_LO_NSRC = 12, KGL_LO_ORI = 13, KGL_LO_NAND = 14, KGL_LO_ONE = 15,
};
void logicop(Int32 op);
Int32 getlogicop();
void writemask(Uint16 mask);     // bit planes written in index modes
void wmpack(Uint32 mask);        // bits written in RGB mode (red in the low byte)
Int32 getwritemask();

// Accepted and kept; they change nothing in the pictures this library draws.
void dither(Int32 on);
void subpixel(Int32 on);
void polymode(Int32 mode);
void glcompat(Int32 mode, Int32 value);
void concave(Int32 on);          // every polygon is filled by the even-odd rule anyway
void font(Int16 n);              // 0 is the hardware font, the only one
Int32 getfont();

// ---- matrices and viewport -------------------------------------------------

enum : Int32 { KGL_MSINGLE = 0, KGL_MPROJECTION = 1, KGL_MVIEWING = 2, KGL_MTEXTURE = 3 };
void mmode(Int16 mode);
Int32 getmmode();
void loadmatrix(const Matrix m);
void multmatrix(const Matrix m);
void getmatrix(Matrix m);
void pushmatrix();
void popmatrix();
void translate(float x, float y, float z);
void rot(float degrees, char axis);          // 'x', 'y' or 'z' (either case)
void rotate(Int32 tenths, char axis);
void scale(float x, float y, float z);
void ortho(float left, float right, float bottom, float top, float znear, float zfar);
void ortho2(float left, float right, float bottom, float top);
void perspective(Int32 fovy_tenths, float aspect, float znear, float zfar);
void viewport(Int32 left, Int32 right, Int32 bottom, Int32 top);  // also sets the mask
void getviewport(Int32 *left, Int32 *right, Int32 *bottom, Int32 *top);
Int32 scrmask(Int32 left, Int32 right, Int32 bottom, Int32 top);  // within the viewport
void getscrmask(Int32 *left, Int32 *right, Int32 *bottom, Int32 *top);
void getsize(Int32 *width, Int32 *height);
void getorigin(Int32 *x, Int32 *y);          // lower-left corner on the screen

// ---- buffers and pixels ----------------------------------------------------

void frontbuffer(Int32 on);
void backbuffer(Int32 on);
Int32 getbuffer();        // 1 back, 2 front, 3 both
void swapbuffers();
void gflush();
void finish();

// Read sources of rectread, lrectread and rectcopy.
enum : Int32 {
  KGL_SRC_AUTO = 0,       // the buffer being drawn (front when both)
  KGL_SRC_BACK = 1,
  KGL_SRC_FRONT = 2,
  KGL_SRC_ZBUFFER = 3,
};
void readsource(Int32 source);
// Pixel blocks: (x2-x1+1) x (y2-y1+1) values, bottom row first. Pixels outside
// the window read as 0 and are not written. The reads answer the number of
// values transferred (the whole block).
Int32 rectread(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Uint16 *buffer);
void rectwrite(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint16 *buffer);
Int32 lrectread(Int32 x1, Int32 y1, Int32 x2, Int32 y2, Uint32 *buffer);
void lrectwrite(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint32 *buffer);
// Colour-index pixels kept in an RGB context, with their index in the top
// byte (which the screen does not show), change colour with their map entry:
// every pixel of both normal buffers in the block x1..x2 by y1..y2 (cut to
// the window) that equals from[v >> 24] becomes to[v >> 24] (an entry equal
// in both tables changes nothing). Neither the screen mask nor the write
// mask applies. Answers how many pixels changed.
Int32 kgl_recolour_by_top_byte(Int32 x1, Int32 y1, Int32 x2, Int32 y2, const Uint32 from[256],
                               const Uint32 to[256]);

void zbuffer(Int32 on);   // depth testing (see "3D drawing" below)
Int32 getzbuffer();
void zclear();            // fills the z-buffer with getgdesc(5)
void zdraw(Int32 on);     // drawing and pixel writes go into the z-buffer
void zbsize(Int32 planes);

// ---- 3D drawing --------------------------------------------------------------
//
// Vertices: v3f, v3i and v3s keep z. In matrix mode 0 a vertex goes through
// the single matrix, in modes 1 and 2 through v . viewing . projection (row
// vectors; rot, translate, scale and multmatrix pre-multiply the matrix of
// the mode). Points, lines and polygons are clipped against the near and far
// planes in clip space (-w <= z <= w) and where w is not positive.
//
// Depth: a vertex's window z is zn + (z/w + 1)(zf - zn)/2 for lsetdepth(zn,
// zf); across a primitive it is interpolated linearly in window space and at
// each pixel centre rounded half up and clamped to zn..zf. Under zbuffer(1)
// a point, line or polygon pixel of the normal planes is drawn only where its
// z <= the stored z (compared as signed), and then writes its colour and its
// z. clear, rectf, zclear, text and the pixel writes are never tested, nor is
// drawing into the overlay, the pop-up planes or (zdraw) the z-buffer.
//
// Shading (RGB mode): shademodel(1) interpolates the vertices' colours
// linearly in window space, a float per channel, each pixel rounded as c3f
// rounds (value x 255, half up, clamped to 0..255); lines likewise along
// their length. shademodel(0) draws a line segment or a polygon in the colour
// of its last vertex. A vertex's colour is the current colour when it is
// given (or its lit colour). Smooth-shaded, z-tested or depth-cued polygons
// are filled as a fan of triangles from vertex 0 under the fill rule of
// every polygon (pixel centres, left and bottom edges in, right and top
// edges out), so that each pixel inside is drawn once; other polygons by the
// even-odd rule. In colour-map mode the current index is drawn flat.
//
// Culling: backface(1) drops polygons whose window-space vertices run
// clockwise (signed area < 0, y up), frontface(1) those running
// counter-clockwise (area > 0). Points, lines, rectf and clear are never
// culled.
//
// Depth cue: under depthcue(1) each pixel of a point, line or polygon takes
// the colour lRGBrange gives its own window z: the max colour at znear, the
// min colour at zfar, linear between, clamped outside, each channel rounded
// half up. In colour-map mode the depth cue gives nothing.
//
// Lighting (RGB mode): a vertex is lit only in matrix mode 2 while a material
// is bound; its colour is then, per channel, clamped to 0..1,
//   emission + ambient . model ambient
//   + sum over the bound lights of att . spot . (diffuse . colour . max(N.L, 0)
//       + specular . colour . max(N.H, 0)^shininess where N.L > 0)
// in eye space (the eye at the origin looking down -z): N is the current
// normal through the inverse transpose of the viewing matrix (normalised
// after nmode(1)), L the unit vector to the light, H the unit half vector of
// L and the direction to the eye ((0, 0, 1) for an infinite viewer); for a
// local light att = 1/(k0 + k1 d + k2 d^2) with d its distance, else 1; spot
// = (-L.S)^exponent within the cut-off angle of the spot direction S, 0
// outside it, 1 with a cut-off of 180 degrees. Without a model bound the
// model ambient is 0, attenuation 1, 0, 0 and the viewer infinite.
//
// lmdef(kind, index, count, list) defines a material (KGL_DEFMATERIAL), a
// light (KGL_DEFLIGHT) or a lighting model (KGL_DEFLMODEL) in three separate
// process-wide tables: the list holds property codes each followed by its
// values, ending at code 0 or after count floats (a property cut short by
// count is not taken). Each lmdef replaces the whole definition: properties
// left out take their defaults (material ambient 0.2, diffuse 0.8, specular
// 0, shininess 0, emission 0, alpha 1; light colour 1 at (0, 0, 1, 0), spot
// direction (0, 0, -1), exponent 0, cut-off 180; model ambient 0, infinite
// viewer, attenuation 1, 0, 0). Index 0 and unknown codes define nothing.
// lmbind(target, index) binds a definition in the current context (a copy is
// taken): index 0 unbinds, an undefined index is ignored. A light's position
// (w 0: a direction) and spot direction enter eye space through the viewing
// matrix current at binding. An lmdef of an index bound in the current
// context binds it again.

// Property codes of lmdef lists.
enum : Int32 {
  KGL_LMNULL = 0,          // ends a list
  KGL_AMBIENT = 2,         // material r g b; model r g b
  KGL_DIFFUSE = 3,         // material r g b
  KGL_SPECULAR = 4,        // material r g b
  KGL_SHININESS = 5,       // material exponent
  KGL_EMISSION = 6,        // material r g b
  KGL_ALPHA = 7,           // material alpha
  KGL_LCOLOR = 101,        // light r g b
  KGL_POSITION = 102,      // light x y z w
  KGL_SPOTDIRECTION = 103, // light x y z
  KGL_SPOTLIGHT = 104,     // light exponent, cut-off in degrees
  KGL_LOCALVIEWER = 201,   // model: nonzero for a local viewer
  KGL_ATTENUATION = 202,   // model k0 k1
  KGL_ATTENUATION2 = 203,  // model k2
};
// lmdef kinds and lmbind targets.
enum : Int32 {
  KGL_DEFMATERIAL = 0, KGL_DEFLIGHT = 100, KGL_DEFLMODEL = 200,
  KGL_MATERIAL = 1000, KGL_LIGHT0 = 1100, KGL_LMODEL = 1200,
};

void shademodel(Int32 model);    // 0 flat, 1 smooth
Int32 getsm();
void frontface(Int32 on);
void backface(Int32 on);
Int32 getbackface();
Int32 getfrontface();
void depthcue(Int32 on);
Int32 getdcm();
void lRGBrange(Int16 rmin, Int16 gmin, Int16 bmin, Int16 rmax, Int16 gmax, Int16 bmax,
               Int32 znear, Int32 zfar);
void lsetdepth(Int32 znear, Int32 zfar);
void n3f(const float normal[3]);
void nmode(Int32 mode);          // 0 normals as transformed, 1 normalised
void lmdef(Int32 kind, Int32 index, Int32 count, const float *properties);
void lmbind(Int32 target, Int32 index);   // KGL_MATERIAL, KGL_LIGHT0 + 0..7, KGL_LMODEL

// ---- cursors -----------------------------------------------------------------

enum : Int32 { KGL_C16X1 = 0, KGL_C16X2 = 1, KGL_C32X1 = 2, KGL_C32X2 = 3 };
void curstype(Int32 type);
// A 16 x 16 cursor is 16 rows of 16 bits, bottom row first, bit 15 the left
// pixel; the origin (hot spot) counts from the bottom-left corner. The two-plane
// types add a second plane after the first: the cursor shows where either plane
// has a bit, in white where the first plane has one, else in black. 32 x 32
// types take 32 rows of two words (left word first) a plane.
void defcursor(Int16 n, const Uint16 *bitmap);
void curorigin(Int16 n, Int16 xorigin, Int16 yorigin);
void setcursor(Int16 n, Uint16 color, Uint16 writemask);
void getcursor(Int16 *n, Uint16 *color, Uint16 *writemask, Int32 *visible);

// ---- inquiry -------------------------------------------------------------------

Int32 getgdesc(Int32 what);
// Writes the version string, at most 12 bytes with its NUL; answers 0.
Int32 gversion(char *version);
Int32 getheight();
Int32 getdescender();
Int32 strwidth(const char *text);
void getcpos(Int32 *x, Int32 *y);   // current character position, window pixels

// ---- display objects -----------------------------------------------------------
//
// Objects (ids >= 1) are shared by every context. Between makeobj and
// closeobj the calls that draw are recorded into the object instead of being
// carried out: bgn... and end... of every primitive, the vertices, c3f,
// cpack, color, n3f, lmbind, callobj, and the matrix calls loadmatrix,
// multmatrix, translate, rot, rotate, scale, pushmatrix and popmatrix; every
// other call acts at once. callobj carries the recorded calls out in order;
// a call of an object from one being carried out nests, at most 32 deep
// (deeper calls are ignored, as are unknown ids).

Int32 genobj();                  // the lowest id >= 1 that is not an object
void makeobj(Int32 object);      // starts (or starts again) recording into it
void closeobj();
void callobj(Int32 object);
Int32 isobj(Int32 object);
void delobj(Int32 object);       // deleting the object being recorded ends it

// ---- presenting ----------------------------------------------------------------

// Puts the dirty parts of every linked window on the screen. The driver calls
// it before its event loop blocks.
void kgl_present_pending();
// Returns when everything drawn so far is in the planes (worker threads may
// still be drawing lines when a call returns).
void kgl_wait_drawn();
