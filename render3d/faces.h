// The face display list: the 3D points, lines, triangles and quadrilaterals
// of the 3D packets, kept in a chain of pages of fixed-size records so that
// the shaded redraw, DVIEW and TUMBLE can draw them again in any view, and
// Draw3d, which draws one record in one of the render modes.
#pragma once

#include <cstdint>

// Render modes (and the kinds the packets give their records, which serve as
// the mode when a record is drawn at once).
enum : std::uint32_t {
  kRenderFilled = 0x4000,          // filled polygons, face or vertex colours
  kRenderFilledTwoSided = 0x8000,  // as kRenderFilled, lit faces also from behind
  kRenderVertexFaces = 0x10000,    // as kRenderFilled (faces with vertex normals or colours)
  kRenderFlatTwoSided = 0x20000,   // as kRenderFlat, lit faces also from behind
  kRenderFlat = 0x40000,           // filled polygons in the face colour
  kRenderHidden = 0x80000,         // outlines, hidden lines removed
  kRenderOutline = 0x100000,       // outlines in face or vertex colours
  kRenderCuedOutline = 0x200000,   // depth-cued outlines
  kRenderLine = 0x400000,          // the line from vertex 0 to vertex 1
  kRenderPlainOutline = 0x800000,  // outlines in the record colour
  kRenderPoints = 0x1000000,       // a point at each vertex, face or vertex colours
  kRenderCuedPoints = 0x2000000,   // depth-cued points
  kRenderPoint = 0x4000000,        // a point at vertex 0
  kRenderPlainPoints = 0x8000000,  // a point at each vertex in the record colour
};

// Record flags (word 2).
enum : std::uint32_t {
  kFaceEdgeBits = 0x1E,          // 2 << i hides the edge from vertex i to the next
  kFaceLit = 0x1000,             // normals are sent instead of colours
  kFaceColoured = 0x2000,        // the packet gave the colour
  kFaceMaterial = 0x4000,        // the record's material is bound
  kFacePerVertex = 0x8000,       // a normal or colour per vertex
};

// One record: 38 words, 152 bytes.
struct FaceVertex {
  float extra[3];   // the vertex's normal or colour
  float pos[3];
};
struct FaceRecord {
  std::uint32_t kind;       // the kind code of the packet that made it
  std::int32_t count;       // vertices, 1 to 4
  std::uint32_t flags;
  std::int32_t material;    // bound with kFaceMaterial
  float colour[3];          // 0 to 1
  float centroid[3];
  float normal[3];          // of the face
  float plane;              // normal . vertex 0
  FaceVertex v[4];
};
static_assert(sizeof(FaceRecord) == 152);
inline constexpr int kFaceRecordBytes = 152;

// A page: a header, then records one after another. Byte offsets (used,
// size) count in the page's own layout, whose records start at byte 24; a
// page keeps the size it was made with.
struct FacePage {
  FacePage *next;
  FacePage *prev;
  std::uint32_t used;       // bytes used, from 24
  std::uint32_t size;       // the page's size in its layout
  std::uint32_t records;
  std::uint32_t spare;
  FaceRecord *record(int i) { return reinterpret_cast<FaceRecord *>(this + 1) + i; }
};
inline constexpr int kFacePageHeaderBytes = 24;

extern FacePage *FACE_ListHead;     // the first page
extern FacePage *FACE_CurrentPage;  // the last page
extern FaceRecord *FACE_PagePtr;    // where the next record goes
extern int dpage_count;             // pages, on the status line
extern int dentity_count;           // records, on the status line

// Appends a page of configuration word 100 bytes; false when it could not
// be allocated.
bool New_FACE_Page();
// Where the next record goes, a new page started when the current one has
// no room left; nullptr when no page could be had (the record is dropped).
FaceRecord *GetFACEListPtr();
// Counts the record just written at GetFACEListPtr.
void StoreFACEListPtr(int size);
void Free_FACE_List();

// Draws the next page of the list (a page at a time, through the state of
// redraw_list: 0 starts at the first page, 2 runs, 1 is finished).
void FACE_redraw(std::uint32_t mode);
void FACE_redraw_all(std::uint32_t mode);
void Draw3d(std::uint32_t mode, const FaceRecord *record);
