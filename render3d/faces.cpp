// The face display list: pages of face records, the page-by-page redraw and
// Draw3d.
#include "render3d/faces.h"

#include <algorithm>
#include <cstring>

#include "base/build.h"
#include "base/config_record.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/hooks.h"
#include "display/redraw.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "render3d/model_vectors.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"

FacePage *FACE_ListHead;
FacePage *FACE_CurrentPage;
FaceRecord *FACE_PagePtr;
int dpage_count;
int dentity_count;

namespace {

// The next page of a redraw that is under way. The redraw's state is the
// shared one of redraw_list; the page is kept here, since redraw_list holds
// pages of the 2D lists.
FacePage *face_redraw_page;

// The material Draw3d bound last (0 none).
int bound_material;

// Bytes of a new page: configuration word 100, but room for one record at
// least and no more than a megabyte.
std::uint32_t new_page_size() {
  const std::int64_t size = cfr.word(kWordPageSize);
  return static_cast<std::uint32_t>(
      std::clamp<std::int64_t>(size, kFacePageHeaderBytes + kFaceRecordBytes, std::int64_t{1} << 20));
}

void forget_material() {
  if (bound_material == 0) return;
  bound_material = 0;
  lmbind(KGL_MATERIAL, 0);
}

void set_state(int state) {
  redraw_list.state = state;
  redraw_list.page = nullptr;   // not a 2D page to go on from
}

// ---- drawing one record -----------------------------------------------------------

bool lit(const FaceRecord *r) { return r->flags & kFaceLit; }
bool per_vertex(const FaceRecord *r) { return r->flags & kFacePerVertex; }

// The face colour: c3f of the record colour; a lit record then sends its
// normal, so that what is drawn unlit has the record's own colour.
void face_colour(const FaceRecord *r, float sign = 1) {
  c3f(r->colour);
  if (!lit(r)) return;
  const float n[3] = {sign * r->normal[0], sign * r->normal[1], sign * r->normal[2]};
  n3f(n);
}

// A vertex colour: the vertex's normal when lit, else its colour.
void vertex_colour(const FaceRecord *r, int i, float sign = 1) {
  const float *e = r->v[i].extra;
  const float c[3] = {sign * e[0], sign * e[1], sign * e[2]};
  if (lit(r))
    n3f(c);
  else
    c3f(c);
}

// A filled polygon; vertex colours before each vertex when asked, in
// reverse order with negated normals for the back of a lit face.
void polygon(const FaceRecord *r, int n, bool vertex_colours, bool back = false) {
  if (vertex_colours && lit(r)) c3f(r->colour);
  bgnpolygon();
  for (int k = 0; k < n; ++k) {
    const int i = back ? n - 1 - k : k;
    if (vertex_colours) vertex_colour(r, i, back ? -1.0f : 1.0f);
    v3f(r->v[i].pos);
  }
  endpolygon();
}

void line(const FaceRecord *r, int a, int b) {
  bgnline();
  v3f(r->v[a].pos);
  v3f(r->v[b].pos);
  endline();
}

void points(const FaceRecord *r, int n, bool vertex_colours) {
  if (vertex_colours && lit(r)) c3f(r->colour);
  bgnpoint();
  for (int i = 0; i < n; ++i) {
    if (vertex_colours) vertex_colour(r, i);
    v3f(r->v[i].pos);
  }
  endpoint();
}

// One closed line through the vertices, or each edge i (vertex i to vertex
// i + 1, the last back to vertex 0) whose hide bit 2 << i is clear.
void outline(const FaceRecord *r, int n, bool vertex_colours) {
  if (vertex_colours && lit(r)) c3f(r->colour);
  if (!(r->flags & kFaceEdgeBits)) {
    bgnclosedline();
    for (int i = 0; i < n; ++i) {
      if (vertex_colours) vertex_colour(r, i);
      v3f(r->v[i].pos);
    }
    endclosedline();
    return;
  }
  for (int i = 0; i < n; ++i) {
    if (r->flags & (2u << i)) continue;
    if (vertex_colours) vertex_colour(r, i);
    line(r, i, (i + 1) % n);
  }
}

void cue_range(const FaceRecord *r) {
  const auto level = [](float c) { return static_cast<Int16>(std::clamp(c, 0.0f, 1.0f) * 255.0f); };
  lRGBrange(0, 0, 0, level(r->colour[0]), level(r->colour[1]), level(r->colour[2]), gd_zmin, gd_zmax);
}

// The modes that send the face's normals: only they light a record.
bool lighting_mode(std::uint32_t mode) {
  switch (mode) {
    case kRenderFilled: case kRenderFilledTwoSided: case kRenderVertexFaces: case kRenderFlatTwoSided:
    case kRenderFlat: case kRenderOutline: case kRenderPoints:
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---- pages --------------------------------------------------------------------------

bool New_FACE_Page() {
  const std::uint32_t size = new_page_size();
  auto *page = static_cast<FacePage *>(MyMalloc(sizeof(FacePage) + size - kFacePageHeaderBytes));
  if (page == nullptr) return false;
  std::memset(page, 0, sizeof(FacePage) + size - kFacePageHeaderBytes);
  if (FACE_ListHead == nullptr) {
    FACE_ListHead = page;
  } else {
    page->prev = FACE_CurrentPage;
    FACE_CurrentPage->next = page;
  }
  FACE_CurrentPage = page;
  page->next = nullptr;
  page->used = kFacePageHeaderBytes;
  page->size = size;
  page->records = 0;
  FACE_PagePtr = page->record(0);
  ++dpage_count;
  notify(display_hooks.list_memory_changed, 1);
  return true;
}

FaceRecord *GetFACEListPtr() {
  const FacePage *page = FACE_CurrentPage;
  if (page == nullptr || page->size - page->used < static_cast<std::uint32_t>(kFaceRecordBytes)) {
    if (!New_FACE_Page()) return nullptr;
  }
  return FACE_PagePtr;
}

void StoreFACEListPtr(int size) {
  if (FACE_CurrentPage == nullptr) return;
  FACE_CurrentPage->used += static_cast<std::uint32_t>(size);
  ++FACE_CurrentPage->records;
  ++FACE_PagePtr;
  ++dentity_count;
}

void Free_FACE_List() {
  if (FACE_ListHead == nullptr) return;
  FacePage *page = FACE_ListHead;
  while (page != nullptr) {
    FacePage *next = page->next;
    const bool last = page == FACE_CurrentPage;
    MyFree(page);
    if (dpage_count > 0) --dpage_count;
    notify(display_hooks.list_memory_changed, 1);
    if (last) break;
    page = next;
  }
  FACE_ListHead = FACE_CurrentPage = nullptr;
  FACE_PagePtr = nullptr;
  dentity_count = 0;
  face_redraw_page = nullptr;
  if constexpr (kSecondBuild) {
    // The second program's next 3D drawing starts from here: no view, no
    // projection, and bounds that the first point sets.
    ViewSet = ProjSet = 0;
    for (int i = 0; i < 3; ++i) {
      ModelMin[i] = 1e38f;
      ModelMax[i] = -1e38f;
    }
  }
}

// ---- redraw ---------------------------------------------------------------------------

void FACE_redraw(std::uint32_t mode) {
  if (redraw_list.state == kReplayFinished) {
    forget_material();
    return;
  }
  FacePage *page = redraw_list.state == kReplayStart ? FACE_ListHead : face_redraw_page;
  if (page == nullptr) {
    forget_material();
    set_state(kReplayFinished);
    return;
  }
  if (page->next != nullptr) {
    set_state(kReplayRunning);
    face_redraw_page = page->next;
  } else {
    set_state(kReplayFinished);
    face_redraw_page = nullptr;
  }

  shademodel(1);
  switch (mode) {
    case kRenderOutline:
      depthcue(0);
      MyZbuffer(0);
      break;
    case kRenderCuedOutline:
    case kRenderCuedPoints:
      depthcue(1);
      lsetdepth(gd_zmin, gd_zmax);
      MyZbuffer(0);
      break;
    case kRenderLine:
    case kRenderPlainOutline:
    case kRenderPoints:
    case kRenderPoint:
    case kRenderPlainPoints:
      depthcue(0);
      MyZbuffer(0);
      break;
    default:
      depthcue(0);
      lsetdepth(gd_zmin, gd_zmax);
      MyZbuffer(1);
      break;
  }
  const int n = static_cast<int>((page->used - kFacePageHeaderBytes) / kFaceRecordBytes);
  for (int i = 0; i < n; ++i) Draw3d(mode, page->record(i));
}

void FACE_redraw_all(std::uint32_t mode) {
  set_state(kReplayStart);
  while (redraw_list.state != kReplayFinished) FACE_redraw(mode);
  // Nothing drawn later is lit or depth-cued by what the list left bound.
  forget_material();
  depthcue(0);
}

void Draw3d(std::uint32_t mode, const FaceRecord *r) {
  const int n = std::min(r->count, 4);
  if (n <= 0) return;
  // Points and lines are never lit: a material left bound would light them
  // with whatever normal was sent last.
  if (n < 3) {
    forget_material();
    c3f(r->colour);
    if (n == 1) {
      bgnpoint();
      v3f(r->v[0].pos);
      endpoint();
    } else if (!(r->flags & 2u)) {
      line(r, 0, 1);
    }
    return;
  }

  // A record is lit by its own material in the modes that send its normals.
  if ((r->flags & kFaceMaterial) && lit(r) && lighting_mode(mode)) {
    if (r->material != bound_material) {
      bound_material = r->material;
      lmbind(KGL_MATERIAL, r->material);
    }
  } else {
    forget_material();
  }

  const bool vc = per_vertex(r);
  switch (mode) {
    case kRenderFilled:
    case kRenderVertexFaces:
    case kRenderFilledTwoSided:
      if (!vc) face_colour(r);
      polygon(r, n, vc);
      if (mode == kRenderFilledTwoSided && lit(r)) {
        if (!vc) face_colour(r, -1);
        polygon(r, n, vc, true);
      }
      break;
    case kRenderFlat:
    case kRenderFlatTwoSided:
      face_colour(r);
      polygon(r, n, false);
      if (mode == kRenderFlatTwoSided && lit(r)) {
        face_colour(r, -1);
        polygon(r, n, false, true);
      }
      break;
    case kRenderHidden: {
      // The face in the background colour, pushed back, then its outline.
      const int background = std::clamp(cfr.word(kWordColourGraphics), 0, kColourCount - 1);
      lsetdepth(gd_zmin + 65535, gd_zmax);
      c3f(DisplayMap[background]);
      polygon(r, n, false);
      lsetdepth(gd_zmin, gd_zmax);
      c3f(r->colour);
      outline(r, n, false);
      break;
    }
    case kRenderOutline:
      if (!vc) face_colour(r);
      outline(r, n, vc);
      break;
    case kRenderCuedOutline:
      cue_range(r);
      outline(r, n, false);
      break;
    case kRenderLine:
      c3f(r->colour);
      line(r, 0, 1);
      break;
    case kRenderPlainOutline:
      c3f(r->colour);
      outline(r, n, false);
      break;
    case kRenderPoints:
      if (!vc) face_colour(r);
      points(r, n, vc);
      break;
    case kRenderCuedPoints:
      cue_range(r);
      points(r, n, false);
      break;
    case kRenderPoint:
      c3f(r->colour);
      points(r, 1, false);
      break;
    case kRenderPlainPoints:
      c3f(r->colour);
      points(r, n, false);
      break;
    default:
      break;
  }
}
