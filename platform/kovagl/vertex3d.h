// The 3D path of vertices: taken while z-buffering, depth cue, smooth
// shading, culling, a bound material or an object being compiled ask for
// more than the 2D rasterisers give. A vertex keeps its clip coordinates and
// its colour; points and lines are drawn as their vertices arrive, polygons
// at endpolygon. What needs no z, no depth cue and one colour goes on to the
// 2D rasterisers.
#pragma once

#include "objects.h"
#include "primitives.h"

// A vertex in clip space with its colour (RGB mode: 0..1 each) and the
// value a flat pixel of that colour gets (the current packed colour, or the
// lit colour packed).
// A polygon's vertex may wait for its lit colour (shaded false) until the
// polygon is known to be drawn: it keeps what lighting takes from it, its
// position and normal as given and the frame (of the polygon's frames) they
// are taken to eye space in.
struct KglVertex3 {
  KglClipVertex clip;
  float rgb[3];
  Uint32 packed;
  bool shaded = true;
  int frame = 0;
  double position[3];
  float normal[3];
};

// What takes a vertex and its normal to eye space: the viewing matrix, the
// inverse transpose of its upper 3 x 3, and nmode, of a context.
struct KglEyeFrame {
  const KglContext *ctx;
  unsigned serial;   // the context's clip_serial when taken
  KglMatrix viewing;
  double normal_matrix[3][3];
  Int32 normal_mode;
};
struct KglEyeVertex {
  double v[3];   // position in eye space
  double n[3];   // normal in eye space (normalised under nmode 1)
};

// A vertex in window space: pixel position (on the 1/1024 grid), window z
// (not rounded) and colour x 255.
struct KglWin3 {
  double x, y, z;
  double rgb[3];
};

// How the pixels of a primitive of the normal planes are written.
enum : int { KGL_COLOUR_FLAT = 0, KGL_COLOUR_SMOOTH = 1, KGL_COLOUR_CUE = 2 };
struct KglPaint3 {
  bool ztest = false;
  int colour = KGL_COLOUR_FLAT;
  Uint32 flat = 0;      // the value written where colour is flat
  Int32 zlo = 0, zhi = 0;   // the lsetdepth range, ordered
};

// Recomputes s3d.path3d after a change of what it depends on.
void kgl_update_path3d(KglContext *c);

// The bgn... and end... calls ask first: true when the call is done (it was
// recorded into an object, or the 3D path ended the primitive).
bool kgl_end_3d(KglContext *c, int kind);
inline bool kgl_hook_bgn(int kind) {
  if (!kgl_recording()) return false;
  kgl_record_primitive(kind, true);
  return true;
}
inline bool kgl_hook_end(int kind) {
  KglContext *c = kgl_ctx;
  return c && (c->open_object || c->s3d.path3d) && kgl_end_3d(c, kind);
}

// vertex.cpp hands every vertex here while s3d.path3d is set.
void kgl_vertex_3d(KglContext *c, double x, double y, double z);
// kgl_line2i while s3d.path3d is set: a line of two v2i vertices.
void kgl_line2i_3d(Int32 x1, Int32 y1, Int32 x2, Int32 y2);
// Every vertex, as the v... calls give it (vertex.cpp).
void kgl_vertex(double x, double y, double z);

// Lighting (lighting.cpp): whether vertices are lit now, and a vertex's lit
// colour.
bool kgl_lighting_on(const KglContext *c);
void kgl_light_vertex(KglContext *c, double x, double y, double z, float rgb[3]);
// The same in steps: the context's eye frame now (and whether a frame is
// still the context's), the vertex and a normal in eye space, and then the
// colour under the material, lights and model bound now.
void kgl_eye_frame(KglContext *c, KglEyeFrame &f);
bool kgl_eye_frame_changed(const KglContext *c, const KglEyeFrame &f);
// Every change of the viewing matrix moves the clip serial on: while that
// stays, so does the matrix.
inline bool kgl_eye_frame_holds(const KglContext *c, const KglEyeFrame &f) {
  return f.ctx == c && f.normal_mode == c->s3d.normal_mode &&
         (f.serial == c->clip_serial || !kgl_eye_frame_changed(c, f));
}
void kgl_eye_vertex(const KglEyeFrame &f, double x, double y, double z, const float normal[3], KglEyeVertex &e);
void kgl_shade_vertex(const KglContext *c, const KglEyeVertex &e, float rgb[3]);
// Lights the vertices of the polygon being built that wait for their
// colour: called before the bindings they would be lit by change.
void kgl_light_pending();
// The same, and forgets every eye frame: called before a context goes.
void kgl_forget_eye_frames();

// The c3f rounding of a 0..1 value, and a colour packed red in the low byte.
Uint32 kgl_channel_byte(float v);
inline Uint32 kgl_pack_rgb(const float rgb[3]) {
  return 0xFF000000u | kgl_channel_byte(rgb[0]) | (kgl_channel_byte(rgb[1]) << 8) | (kgl_channel_byte(rgb[2]) << 16);
}
// The window z of a clip-space vertex (w > 0) under lsetdepth.
inline double kgl_window_z(const KglContext *c, const KglClipVertex &v) {
  return c->depth_near + (kgl_by_w(v.z, v.w) + 1.0) * (static_cast<double>(c->depth_far) - c->depth_near) * 0.5;
}
// Rasterisers (zpolygons.cpp, zlines.cpp). The fan's vertices are in window
// space, clipped; the line's and point's in clip space.
void kgl_fill_fan_3d(const KglPaint3 &paint, const KglWin3 *v, int n);
void kgl_draw_line_3d(const KglPaint3 &paint, const KglVertex3 &a, const KglVertex3 &b, bool skip_first,
                      bool skip_last);
void kgl_draw_point_3d(const KglPaint3 &paint, const KglVertex3 &v);
