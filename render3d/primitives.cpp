// The 3D primitive packets: faces of one to four vertices (plain, with vertex
// normals, with vertex colours), 3D vectors and batches of faces become face
// records, stored in the face list or drawn at once; p3d brackets a 3D
// drawing and draws the list at its end.
#include "render3d/primitives.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/build.h"
#include "base/packet.h"
#include "base/utilities.h"
#include "display/hooks.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/faces.h"
#include "render3d/lights.h"
#include "render3d/model_vectors.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"
#include "render3d/segments.h"
#include "render3d/vecmath.h"

int Rendering;
std::uint32_t RenderMode = 0x8000;
int BackfaceReject;
float ModelCtr[3];
float ModelDiag;

namespace {

// What a face packet carries besides its positions.
enum FacePacket { kPlainFace, kNormalFace, kColourFace };

// Packet flags.
enum : std::uint32_t { kColourGiven = 0x20, kDrawNow = 0x40, kVectorColourGiven = 4 };
// The record flags a packet cannot set for itself.
constexpr std::uint32_t kRecordOwnFlags = kFaceLit | kFaceColoured | kFaceMaterial | kFacePerVertex;

// Three doubles at off as floats; false when one is not finite as a float.
bool read_triple(const Packet &p, std::size_t off, float out[3]) {
  for (int i = 0; i < 3; ++i) {
    out[i] = static_cast<float>(p.f64(off + 8 * static_cast<std::size_t>(i)));
    if (!std::isfinite(out[i])) return false;
  }
  return true;
}

bool same(const float a[3], const float b[3]) { return vcompare({a[0], a[1], a[2]}, {b[0], b[1], b[2]}); }

// Removes vertex i, its normal or colour with it.
void remove_vertex(FaceRecord &r, int i) {
  for (int k = i; k + 1 < r.count; ++k) r.v[k] = r.v[k + 1];
  --r.count;
}

void normal_of(const FaceRecord &r, float n[3]) {
  float a[3], b[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = r.v[1].pos[i] - r.v[0].pos[i];
    b[i] = r.v[2].pos[i] - r.v[1].pos[i];
  }
  double cross[3];
  CrossToDouble(a, b, cross);
  NormalizeToFloat(cross, n);
}

float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The vertex normals of a face with normal n: zero ones take the normalised
// sum of all (n when that is zero), all are turned to n's side, and each
// ends normalised, or n where it is too short.
void settle_vertex_normals(FaceRecord &r, const float n[3]) {
  double sum[3] = {0, 0, 0};
  for (int i = 0; i < r.count; ++i)
    for (int k = 0; k < 3; ++k) sum[k] += r.v[i].extra[k];
  float s[3];
  if (!NormalizeToFloat(sum, s)) std::memcpy(s, n, sizeof s);
  const float zero[3] = {0, 0, 0};
  for (int i = 0; i < r.count; ++i)
    if (same(r.v[i].extra, zero)) std::memcpy(r.v[i].extra, s, sizeof s);
  if (dot(s, n) < 0) {
    for (int i = 0; i < r.count; ++i) {
      const double negated[3] = {-r.v[i].extra[0], -r.v[i].extra[1], -r.v[i].extra[2]};
      NormalizeToFloat(negated, r.v[i].extra);
    }
  }
  for (int i = 0; i < r.count; ++i) {
    const double e[3] = {r.v[i].extra[0], r.v[i].extra[1], r.v[i].extra[2]};
    if (!NormalizeToFloat(e, r.v[i].extra)) std::memcpy(r.v[i].extra, n, 3 * sizeof(float));
  }
}

// The viewport rectangle of the 3D drawing and the projection matrices.
void select_rendered_viewport() {
  const int index = RenderedViewport >= 0 && RenderedViewport < kViewportCount ? RenderedViewport : 0;
  const ViewportRecord &vp = vp_info[index];
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
}

// Stores the record in the face list (dropped when no page can be had) or
// draws it now in the mode of its kind.
void store(const FaceRecord &r) {
  if (FaceRecord *slot = GetFACEListPtr()) {
    *slot = r;
    StoreFACEListPtr(kFaceRecordBytes);
  }
}

void draw_now(const FaceRecord &r) {
  select_rendered_viewport();
  Draw3d(r.kind, &r);
}

// Second program: a face into the open segment's object, with the face's
// normal (the vertex normals of pnpoly3) and no colours.
void compile_face(const FaceRecord &r, FacePacket what) {
  if (what != kNormalFace) n3f(r.normal);
  bgnpolygon();
  for (int i = 0; i < r.count; ++i) {
    if (what == kNormalFace) n3f(r.v[i].extra);
    v3f(r.v[i].pos);
  }
  endpolygon();
}

// ppoly3, pnpoly3 and pcpoly3.
int face_packet(Packet &p, FacePacket what) {
  const std::uint32_t flags = p.u32(4);
  int count = p.i16(8);
  if (count < 1) return 0;
  if (count > 4) count = 4;
  const bool given = flags & kColourGiven;

  // Refused: too short for what it carries, or a coordinate not finite.
  const std::size_t n = static_cast<std::size_t>(count);
  std::size_t need = 40 + 24 * n;
  if (what == kNormalFace) need = std::max(need, 136 + 24 * n);
  if (what == kColourFace && given) need = std::max(need, 144 + 32 * n - 8);
  if (given && what != kColourFace) need = std::max<std::size_t>(need, what == kPlainFace ? 168 : 264);
  if (p.size() < need) return 0;
  FaceRecord r;
  std::memset(&r, 0, sizeof r);
  r.count = count;
  for (int i = 0; i < count; ++i) {
    const std::size_t k = static_cast<std::size_t>(i);
    if (!read_triple(p, 40 + 24 * k, r.v[i].pos)) return 0;
    if (what == kNormalFace && !read_triple(p, 136 + 24 * k, r.v[i].extra)) return 0;
    if (what == kColourFace && given && !read_triple(p, 144 + 32 * k, r.v[i].extra)) return 0;
  }
  if (given && what != kColourFace && !read_triple(p, what == kPlainFace ? 144 : 240, r.colour)) return 0;

  const std::uint32_t own = flags & ~kRecordOwnFlags;
  if (what == kColourFace) {
    std::fputs(given ? "PCPOLY3: Colors" : "PCPOLY3: Not Colors", stdout);
    std::fflush(stdout);
    if (given) {
      r.flags = own | kFaceColoured;
      std::memcpy(r.colour, r.v[0].extra, sizeof r.colour);
    } else {
      // The vertices have no colours of their own: they take the face's.
      r.flags = own | kFaceMaterial;
      r.material = MatlIndex;
      std::memcpy(r.colour, cur_color, sizeof r.colour);
      for (int i = 0; i < count; ++i) std::memcpy(r.v[i].extra, cur_color, sizeof r.colour);
    }
  } else if (given) {
    r.flags = own | kFaceColoured;
  } else {
    r.flags = own | kFaceLit | kFaceMaterial;
    r.material = MatlIndex;
    std::memcpy(r.colour, cur_color, sizeof r.colour);
  }

  for (int i = 0; i < count; ++i) WidenModelBounds(r.v[i].pos);
  for (int i = 1; i < r.count;)
    if (same(r.v[i].pos, r.v[i - 1].pos))
      remove_vertex(r, i);
    else
      ++i;
  if (r.count > 1 && same(r.v[r.count - 1].pos, r.v[0].pos)) remove_vertex(r, r.count - 1);

  if (r.count >= 3) {
    for (int i = 0; i < r.count; ++i)
      for (int k = 0; k < 3; ++k) r.centroid[k] += r.v[i].pos[k];
    for (int k = 0; k < 3; ++k) r.centroid[k] /= static_cast<float>(r.count);
    normal_of(r, r.normal);
    r.plane = dot(r.normal, r.v[0].pos);
    // Vertex normals light a face; with a colour given they are not used.
    if (what == kNormalFace && (r.flags & kFaceLit)) {
      settle_vertex_normals(r, r.normal);
      r.flags |= kFacePerVertex;
    }
  }
  r.kind = r.count == 1 ? kRenderPlainPoints : r.count == 2 ? kRenderPlainOutline : kRenderFlat;
  if (what != kPlainFace && r.count >= 3) r.kind = kRenderVertexFaces;
  if (what == kColourFace && r.count >= 2) r.flags |= kFacePerVertex;

  if (flags & kDrawNow) {
    draw_now(r);
    return 0;
  }
  if constexpr (kSecondBuild) {
    if (seg_is_open && r.count >= 3) {
      compile_face(r, what);
      return 0;
    }
  }
  store(r);
  return 0;
}

int rendered_viewport_index() {
  return RenderedViewport >= 0 && RenderedViewport < kViewportCount ? RenderedViewport : 0;
}

// The end of a 3D drawing: the centre and size of what was drawn, and the
// viewport marked shaded.
void end_model() {
  // An empty drawing has no extent: its centre and diagonal are 0.
  const bool empty = ModelMin[0] > ModelMax[0] || ModelMin[1] > ModelMax[1] || ModelMin[2] > ModelMax[2];
  const Vector extent = {ModelMax[0] - ModelMin[0], ModelMax[1] - ModelMin[1], ModelMax[2] - ModelMin[2]};
  ModelDiag = empty ? 0.0f : vlength(extent);
  for (int i = 0; i < 3; ++i) ModelCtr[i] = empty ? 0.0f : (ModelMax[i] + ModelMin[i]) * 0.5f;
  ViewportRecord &vp = vp_info[rendered_viewport_index()];
  vp.flags = (vp.flags | kVpShaded) & ~kVpSavedImage;
  ComputeAdjoint(ViewingMatrix);
}

// The stored faces drawn in the rendered viewport, z-buffered, culled as the
// render mode asks.
void redraw_faces() {
  select_rendered_viewport();
  shademodel(1);
  const bool cull = RenderMode == kRenderFilledTwoSided || RenderMode == kRenderFlatTwoSided;
  frontface(0);
  backface(cull ? 1 : 0);
  MyZbuffer(1);
  MyClearZbuffer();
  RebindLights();
  FACE_redraw_all(RenderMode);
}

// The second program's bracket. A direct client (application id 0) keeps
// its faces and z-buffering, draws into the back buffer and swaps at the
// end; any other client has its face list drawn at the end. Lights,
// materials and the bounds are not reset here: freeing the face list resets
// the bounds.
int second_p3d(Packet &p) {
  // The body exists in the second program only: the first has no drawing layer.
  if constexpr (kSecondBuild) {
    const std::uint32_t flags = p.u32(8);
    const bool direct = WhoIsCalling->app_id == 0;
    if (flags & 2) {
      SelectScreenMatrix();
      MyZbuffer(1);
      MyClearZbuffer();
      MyZbuffer(0);
    }
    BackfaceReject = (flags & 8) ? 1 : 0;
    if (flags & 1) {
      notify(display_hooks.screen_claimed, 21);
      Rendering = 1;
      CurrentMatrixNumber = -1;
      redraw_list.state = kReplayStart;
      if (direct) {
        MyZbuffer(1);
      } else {
        notify(display_hooks.model_dropped);
        Free_FACE_List();   // whatever DVIEW left
        New_FACE_Page();
      }
      RenderMode = RenderModeOfStyle(p.i16(4));
      shademodel(1);
      // A direct client's frame is drawn out of sight and shown whole by the
      // swap that ends it: drawn into the front buffer, the swap would hide it.
      if (direct) gfxSelectBuffer(2);
    }
    if (flags & 4) {
      // The drawing ends on the screen: a segment still open would take the
      // redraw of the face list into its object instead.
      if (seg_is_open) close_segment();
      end_model();
      if (direct) {
        gfxSelectBuffer(0);
        gfxSelectBuffer(3);   // what follows is drawn in both, as after any other bracket
      } else {
        redraw_faces();
        shademodel(0);
        frontface(0);
        backface(0);
        MyZbuffer(0);
        gfxSelectBuffer(3);
      }
      Rendering = 0;
      CurrentMatrixNumber = -1;
      release_screen();
    }
  }
  return 0;
}

}  // namespace

std::uint32_t RenderModeOfStyle(int style) {
  switch (style) {
    case 1: return kRenderHidden;
    case 2: return kRenderFlatTwoSided;
    case 5: return kRenderPlainOutline;
    default: return kRenderFilledTwoSided;
  }
}

int ppoly3(Packet &p) { return face_packet(p, kPlainFace); }
int pnpoly3(Packet &p) { return face_packet(p, kNormalFace); }
int pcpoly3(Packet &p) { return face_packet(p, kColourFace); }

int pvec3(Packet &p) {
  const std::uint32_t flags = p.u32(4);
  if (p.size() < 88) return 0;
  FaceRecord r;
  std::memset(&r, 0, sizeof r);
  r.kind = kRenderPlainOutline;
  r.count = 2;
  const bool given = flags & kVectorColourGiven;
  if (!read_triple(p, 40, r.v[0].pos) || !read_triple(p, 64, r.v[1].pos)) return 0;
  if (given) {
    if (!read_triple(p, 16, r.colour)) return 0;
  } else {
    r.flags = kFaceMaterial;
    r.material = MatlIndex;
    std::memcpy(r.colour, cur_color, sizeof r.colour);
  }
  WidenModelBounds(r.v[0].pos);
  WidenModelBounds(r.v[1].pos);
  // A vector of its own colour is drawn now and also kept for redraws; one
  // to be drawn now only is not kept.
  if (flags & kDrawNow) {
    draw_now(r);
    return 0;
  }
  if (given) {
    draw_now(r);
  } else if constexpr (kSecondBuild) {
    // Into the open segment's object, in whatever viewport is selected.
    if (seg_is_open) {
      Draw3d(kRenderPlainOutline, &r);
      return 0;
    }
  }
  store(r);
  return 0;
}

int pbpoly3(Packet &p) {
  const int count = p.i16(4);
  std::size_t off = p.u32(8);
  for (int i = 0; i < count; ++i) {
    // Only whole packets inside this one, each at least its own header.
    if (off > p.size() || p.size() - off < 4) break;
    const int length = p.i16(off + 2);
    if (length < 4 || static_cast<std::size_t>(length) > p.size() - off) break;
    const std::size_t len = static_cast<std::size_t>(length);
    Packet enclosed(const_cast<std::uint8_t *>(p.bytes()) + off, len, len);
    switch (p.i16(off)) {
      case 85: ppoly3(enclosed); break;
      case 86: pnpoly3(enclosed); break;
      case 87: pcpoly3(enclosed); break;
      default: break;
    }
    off += len;
  }
  return 0;
}

int prib(Packet &) { return 0; }

int p3d(Packet &p) {
  if constexpr (kSecondBuild) return second_p3d(p);
  const std::uint32_t flags = p.u32(8);
  if (flags & 1) {
    Rendering = 1;
    ViewSet = ProjSet = 0;
    CurrentMatrixNumber = -1;
    redraw_list.state = kReplayStart;
    notify(display_hooks.model_dropped);
    Free_FACE_List();   // whatever DVIEW left
    New_FACE_Page();
    for (int i = 0; i < 3; ++i) {
      ModelMin[i] = 1e38f;
      ModelMax[i] = -1e38f;
    }
    RenderMode = RenderModeOfStyle(p.i16(4));
    shademodel(1);
    ResetLights();
    ResetMaterials();
    notify(display_hooks.screen_claimed, 21);
  }
  if (flags & 2) {
    MyZbuffer(1);
    MyClearZbuffer();
    MyZbuffer(0);
  }
  BackfaceReject = (flags & 8) ? 1 : 0;
  frontface(0);
  backface(BackfaceReject);
  if (flags & 4) {
    end_model();
    redraw_faces();
    frontface(0);
    backface(0);
    shademodel(0);
    MyZbuffer(0);
    CurrentMatrixNumber = -1;
    Rendering = 0;
    release_screen();
  }
  return 0;
}
