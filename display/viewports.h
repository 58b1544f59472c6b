// The viewport table: one record per ADI viewport, the translation of ADI
// viewport numbers to table indices, and the viewport packets.
#pragma once

class Packet;

#include <cstdint>

#include "kovagl/gl.h"

inline constexpr int kViewportCount = 65;  // indices 0 (the graphics area) to 64
inline constexpr int kViewportLast = kViewportCount - 1;

// Largest coordinate ranges of 16-bit and 32-bit viewports.
inline constexpr int kViewportRange16 = 32765;
inline constexpr int kViewportRange32 = 8388606;

// view_extents and word 25 when no extents are known.
inline constexpr std::int32_t kNoViewExtents = 0x7FFFFFFF;

// Bits of ViewportRecord::flags.
enum : std::int32_t {
  kVpListState = 1,     // display-list state
  kVpExtentsKnown = 2,  // drawing extents known (plopen)
  kVpListDrawn = 4,     // the display list has been drawn in full
  kVpShaded = 8,        // a shaded 3D image is shown
  kVpSavedImage = 16,   // the saved pixel block is shown
  kVpVectorMark = 32,   // set by the vector packets, read by the repaint
  kVpVectorMark2 = 64,  // likewise; on viewport 0 it holds off every repaint
  // What a change of view forgets.
  kVpViewDependent = kVpListState | kVpListDrawn | kVpShaded | kVpSavedImage,
};

struct DisplayListPage;
struct VectorListPage;

// One viewport. The comments give the word of the record each field stands
// for; pointers are real pointers, so the record is not a wire layout.
struct ViewportRecord {
  std::int32_t flags;        // 0
  std::int32_t number;       // 1 ADI number; -1 = closed
  std::int32_t last_number;  // 2 number carried last; -1 = never used
  std::int32_t line_colour;  // 3 open polyline entity: colour, -1 none
  std::int32_t line_count;   // 4 and its vertex count
  std::int32_t x1, y1, x2, y2;  // 5-8 screen rectangle, window pixels
  std::int32_t width, height;   // 9, 10 at least 1
  std::int32_t xrange, yrange;  // 11, 12 largest viewport coordinates
  std::int32_t view_x1, view_y1, view_x2, view_y2;  // 13-16 view window
  std::int32_t view_width, view_height;             // 17, 18
  std::int32_t zoom;             // 19 xrange / view_width + 1
  std::int32_t units_per_pixel;  // 20 xrange / width
  std::int32_t viewmode;         // 21 VIEWMODE (bit 0 perspective)
  std::int32_t word22;
  std::int32_t extents_extra;    // 23 extents packet value at ADI level 8
  std::int32_t fill_offset;      // 24 of the current page; 0 = no page yet
  std::int32_t extents_mask;     // 25 encoded view extents, kNoViewExtents none
  std::uint32_t *line_mask;      // 26 tile-mask word of the open line entity
  std::int32_t last_point;       // 27 last point of the open line entity
  std::int32_t last_y;           // 28 its y with 32-bit coordinates
  Matrix view_matrix;            // 29-44 the view window (matrix number = index)
  Matrix full_matrix;            // 45-60 the whole range (matrix number 66)
  std::uint32_t *line_header;    // 61 header word of the open line entity
  DisplayListPage *first_page;   // 62
  DisplayListPage *current_page; // 63 the page being filled
  DisplayListPage *regen_page;   // 64 first page not drawn yet in a regeneration
  DisplayListPage *erase_page;   // 65 where the last erase search succeeded
  std::int32_t word66, word67;
  std::int32_t drag_mode;          // 68
  std::int32_t drag_x, drag_y;     // 69, 70 offset of the last drawing
  std::int32_t vlist_fill;         // 71 fill offset of the vector-list page
  std::int32_t vlist_reached;      // 72 offset reached by the paged drawing
  std::int32_t vlist_drawing;      // 73 a paged drawing is under way
  std::int32_t vlist_shown;        // 74 anything was drawn
  std::int32_t vlist_colour;       // 75 colour of the open run, -1 none
  std::int32_t word76;
  std::int32_t vlist_end_x, vlist_end_y;  // 77, 78 end of the open run
  VectorListPage *vlist_first;     // 79
  VectorListPage *vlist_last;      // 80
  VectorListPage *vlist_filling;   // 81
  VectorListPage *vlist_drawn;     // 82 page being drawn
  std::int32_t word83, word84;
  std::int32_t refresh_flag;       // 85 set by pclear and pcommand
  std::int32_t refresh_redrawn;    // 86
  std::int32_t refresh_fill;       // 87 fill offset of the refresh page, 0 none
  DisplayListPage *refresh_first;  // 88
  DisplayListPage *refresh_current;// 89
  Uint32 *saved_pixels;            // 90 owned (MyMalloc), freed on view change
  float extents[6];                // 91-96 x1, y1, z1, x2, y2, z2 drawing units
  float half_width, half_height;   // 97, 98
  float half_depth;                // 99 always 0
  float view_height_units;         // 100
  float back_z, front_z;           // 101, 102 BACKZ, FRONTZ
  float ext_min[3], ext_max[3];    // 103-108 EXTMIN, EXTMAX
  float ext_centre[3];             // 109-111
  float camera[3];                 // 112-114 camera point
  float camera_distance;           // 115
  float lens_length;               // 116
  float target[3];                 // 117-119
  float ucs_origin[3];             // 120-122
  float ucs_xdir[3];               // 123-125
  float ucs_ydir[3];               // 126-128
  float word129_131[3];
  float view_centre[3];            // 132-134
  float view_dir[3];               // 135-137
  float vs_min[3], vs_max[3];      // 138-143
  float view_size, view_twist;     // 144, 145
  float fovy;                      // 146 degrees
  float persp_aspect;              // 147
  float persp_near, persp_far;     // 148, 149
  float ortho_left, ortho_right, ortho_top, ortho_bottom;  // 150-153
  float ortho_near, ortho_far;     // 154, 155
  float aspect;                    // 156 height / width
};

extern ViewportRecord vp_info[kViewportCount];
extern std::int32_t vtrans[kViewportCount];  // ADI number of each index, -1 none
extern int vport_count;       // viewports open besides the graphics area
extern int last_vpn, last_vp; // the translation cache: number and its index
extern int CurrentViewport;   // index of the current viewport
extern int BirdseyeViewport;  // ADI number shown by Birdseye, -1 none
extern int RenderedViewport;  // index holding the 3D model
extern std::int32_t view_extents;  // extents of the viewport whose view was set last
extern unsigned char layer[256];
extern unsigned char *layer_ptr;

// Once per process (later calls do nothing).
void init_viewports();
// Sets the table to its start state: every slot never used, slot 0 the
// graphics area from the current layout. init_viewports does this once.
void reset_viewport_table();

// The index carrying ADI number, else -1; remembers a hit in the cache.
int ViewportTranslate(int number);
// As ViewportTranslate, answered from the cache when it names number.
inline int ViewportLookup(int number) { return number == last_vpn ? last_vp : ViewportTranslate(number); }
// A free index (never used first, then the highest closed one), else -1.
int ViewportAllocate();
// The index that carried number last, else -1.
int ViewportReopen(int number);
// Marks open slot index (1 to 64) closed; it keeps the number it carried
// last, so a later open of that number returns to it.
void ViewportUnused(int index);

// Frees the saved pixel block of viewport index.
void free_saved_pixels(int index);
// Recomputes what follows from the view window of viewport index.
void UpdateViewportView(int index);

int popenvp(Packet &p);
int pclosevp(Packet &p);
int pviewport(Packet &p);
int plopen(Packet &p);
int pclvp(Packet &p);
int prevec(Packet &p);
int propenvp(Packet &p);
int pmaxvp(Packet &p);
int popenbvp(Packet &p);
int pbviewport(Packet &p);
