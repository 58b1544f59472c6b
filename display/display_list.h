// Display-list pages and the refresh list of each viewport.
//
// Everything the 2D packets draw into a viewport is also kept in a chain of
// fixed-size pages, so that the driver can repaint without the client. A page
// is alloc_size bytes in the layout below (entities from byte 24); its links
// are real pointers, held in front of the used-bytes word so that 64-bit
// pointers fit, and every byte offset (fill offsets, page_limit) counts in
// the page's own layout.
//
// Entity = header word, tile-mask word, vertices:
//   header bit 31 always set, 30 line entity (polyline through all vertices),
//   28 filled polygon, 27 line with at least one erased segment, 16-23 colour
//   index, 0-15 vertex count.
//   16-bit vertices: one word, x in bits 16-30, y in bits 0-14.
//   32-bit vertices: two words, x, then y held in 31 bits (kept within
//   +-2^30, sign in bit 30).
//   The erased mark is bit 15 of a 16-bit vertex, bit 31 of a 32-bit y. On a
//   line vertex it says the segment ending there is erased; on the second
//   vertex of a polygon that the polygon is erased.
//
// The refresh list keeps what the client draws outside the display list
// proper (highlighting, temporary marks) in pages of the same size. Records
// are 32-bit words; the first holds the 16-bit header in its high half and
// the colour word (colour in the low byte, viewport index in the high byte)
// in its low half:
//   vector  0x2000 (+0x1000 colour -1, +0x800 highlighted, +0x400 shown plain)
//           + 5; then x1, y1, x2, y2: two int16 a word, or one int32 each
//   point   0x9003; then x, y as two int16 in one word
//   polygon 0x4000 (+0x800 highlighted) + vertex count; vertices as in an
//           entity
#pragma once

#include <cstdint>

struct DisplayListPage {
  DisplayListPage *next;  // word 0: the next page, nullptr for the last
  DisplayListPage *prev;  // word 1: the previous page, nullptr for the first
  std::uint32_t used;     // word 2: used bytes, set when the page stops being current
  std::uint32_t mask;     // word 3: OR of the tile masks of its entities
  std::uint32_t count;    // word 4: vectors and polygons stored (each segment counts)
  std::uint32_t erased;   // word 5: of them erased
  // The entity words from byte 24 of the page's layout follow.
};

inline constexpr int kPageHeaderBytes = 24;

// The word at byte offset (24 or more) of the page's layout.
inline std::uint32_t *page_word(DisplayListPage *page, int offset) {
  return reinterpret_cast<std::uint32_t *>(page + 1) + ((offset - kPageHeaderBytes) >> 2);
}
inline const std::uint32_t *page_word(const DisplayListPage *page, int offset) {
  return reinterpret_cast<const std::uint32_t *>(page + 1) + ((offset - kPageHeaderBytes) >> 2);
}

// Entity header bits.
enum : std::uint32_t {
  kEntityHeader = 0x80000000u,
  kEntityLine = 0x40000000u,
  kEntityPolygon = 0x10000000u,
  kEntityErasedSegments = 0x08000000u,
  kEntityCountMask = 0xFFFFu,
  kLineHeader = kEntityHeader | kEntityLine,        // 0xC0000000
  kPolygonHeader = kEntityHeader | kEntityPolygon,  // 0x90000000
  kErased16 = 0x8000u,                              // in a 16-bit vertex word
  kErased32 = 0x80000000u,                          // in a 32-bit y word
};
inline constexpr int kLineCountMax = 65535;

// Refresh record headers (the high half of a record's first word).
enum : std::uint32_t {
  kRefreshVector = 0x2000,
  kRefreshPolygon = 0x4000,
  kRefreshPoint = 0x9003,
  kRefreshXor = 0x1000,
  kRefreshHighlight = 0x800,
  kRefreshShown = 0x400,
  kRefreshPolygonCount = 0x3FF,
};

// A 32-bit y as stored, and back.
inline std::uint32_t encode_y32(std::int32_t y) {
  constexpr std::int32_t lo = -(1 << 30), hi = (1 << 30) - 1;
  return static_cast<std::uint32_t>(y < lo ? lo : y > hi ? hi : y) & 0x7FFFFFFFu;
}
inline std::int32_t decode_y32(std::uint32_t word) { return static_cast<std::int32_t>(word << 1) >> 1; }

// ---- state ----------------------------------------------------------------------

extern int alloc_size;      // page size in bytes (configuration word 100)
extern int page_limit;      // a page filled to this offset takes no further entity
extern int do_32bit_regen;  // the whole display list holds 32-bit coordinates (set by pinit)
extern int page_count;      // display-list pages allocated
extern int rpage_count;     // refresh pages allocated
extern int rentity_count;   // refresh records stored
extern int dlist_modified;  // incremented by every append
extern int erase;           // colour-0 counter of the erase search
extern int ecount;          // entities stored minus entities erased
extern int DuringRegen;     // a regeneration is being recorded
extern int dlist_pan;       // a display-list pan is under way

// Input of the appends, set by the drawing packets.
inline constexpr int kPolygonMax = 12;
struct PolygonBuffer {
  std::uint32_t vertex[kPolygonMax];  // x << 16 | y, each 0..32767
  std::int32_t count;
  std::int32_t colour;
};
struct PolygonBuffer32 {
  std::int32_t vertex[kPolygonMax][2];  // x, y
  std::int32_t count;
  std::int32_t colour;
};
extern std::int16_t dlcolor;     // colour of the entity (-1..255)
extern std::uint16_t dl1[2];     // start and end of a 16-bit vector (0..32767)
extern std::uint16_t dl2[2];
extern std::int32_t bl1[2];      // start and end of a 32-bit vector
extern std::int32_t bl2[2];
extern PolygonBuffer Polygon;
extern PolygonBuffer32 Polygon32;

// ---- display list -------------------------------------------------------------

// Starts an empty display list: sets the page size (1024 to 1048576 bytes;
// anything else gives 4096), frees the display-list and refresh pages of
// every viewport and resets the counts.
void init_display_list(int page_size);
// Links a new page to viewport index; 1 on success, 0 for an index of 65 or
// more or when no memory is left.
int GetMemory(int index);
// Puts the list's memory figure up on the status bar when pages were taken
// since it was last shown. Putting it up costs the window system round
// trips, so the loop calls this now and then, not every page (the drawn
// status line shows it at once).
void ShowListMemory();
// Store the vector in dl1/dl2 (bl1/bl2) in colour dlcolor, or the polygon in
// Polygon (Polygon32); nonzero, 0 when no page could be had. Entities are
// stored in the coordinate width in force: a 16-bit one is widened, a 32-bit
// one narrowed, or refused (0) when a coordinate lies outside 0..32767.
int AppendVector(int index);
int AppendBigVector(int index);
// AppendVector of n vectors (colours other than 0) in turn, as far as they
// take its plain way (a 16-bit list, room in the current page): vector i
// from point ends[2i] to point ends[2i + 1], each as a 16-bit list stores it
// (x << 16 | y, 0..32767 each), in colour colours[i] (as dlcolor). The count
// appended; the next one, if any, needs AppendVector of its own.
int AppendVectors(int index, const std::uint32_t *ends, const std::int16_t *colours, int n);
int AppendPolygon(int index);
int AppendBigPolygon(int index);
// Copy Polygon into Polygon32, or Polygon32 into Polygon; NarrowPolygon
// answers 0 and leaves Polygon alone when a vertex lies outside 0..32767.
void WidenPolygon();
int NarrowPolygon();
// Marks erased the line segment equal to the current vector (kind
// kEntityLine) or the polygon equal to the current polygon buffer (kind
// kEntityPolygon), searching pages and entities that meet mask. 1 when found.
int EraseEntity(int index, std::uint32_t kind, std::uint32_t mask);
// Drops a page whose entities are all erased (the first and the current page
// stay).
void FreeDisplayListPage(int index, DisplayListPage *page);
// Drop the display list (the refresh list) of viewport index; the display
// list keeps its first page, emptied.
void EraseDisplayList(int index);
void EraseRefreshDisplayList(int index);

// ---- refresh list ---------------------------------------------------------------

int NewRefreshPage(int index);
// Records whose coordinates the record cannot hold (int16 with 16-bit
// coordinates, and always for points) are not kept.
void AppendRefreshVector(int x1, int y1, int x2, int y2, int colour, int highlighted, int index);
// Always into viewport 0.
void AppendRefreshPoint(int x, int y);
// The polygon buffer of the coordinate width in force.
void AppendRefreshPolygon(int highlighted, int index);
// What a refresh record is, by its header.
enum RefreshKind : int { kNotRefreshRecord, kRefreshIsVector, kRefreshIsPolygon, kRefreshIsPoint };
inline RefreshKind refresh_kind(std::uint32_t header) {
  if (header & 0x8000) return kRefreshIsPoint;
  if (header & kRefreshPolygon) return kRefreshIsPolygon;
  if (header & kRefreshVector) return kRefreshIsVector;
  return kNotRefreshRecord;
}
// Bytes of a refresh record with the given header (the coordinate width in
// force); 0 for a header that is none of the records.
int RefreshRecordSize(std::uint32_t header);

// ---- statistics -----------------------------------------------------------------

// The entities of viewports 1 to 64, counted for the statistics report:
// pages and entities within view_extents, colour changes between entities,
// polygons, single vectors, polylines with their segments and the longest
// polyline's vertices. total is the vectors stored (vectors and segments).
struct ListStatistics {
  int page_hits, entity_hits, colour_changes, polygons, vectors, polylines, polyline_segments, longest;
  int total;
};
ListStatistics list_statistics();
// "%d pages of %s-bit Display List memory allocated (%dkB)", in a static buffer.
const char *dlist_kbytes();
