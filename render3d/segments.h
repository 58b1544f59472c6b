// The 3D segment packets: open, close, delete and draw a segment. The first
// program keeps only the open or closed state and the render mode pdrawseg
// chooses; no graphics object is compiled, so a segment draws nothing. The
// second keeps each segment as a display object of the graphics library: the
// 3D output between open and close is compiled into it, and pdrawseg calls
// it.
#pragma once

#include <cstdint>

class Packet;

// Segment ids are the client's unsigned 32-bit numbers; the sentinel and the
// first program's one entry carry kNoSegment.
struct SegmentRecord {
  std::uint32_t id;
  std::uint32_t open;    // 1 while its object is being compiled
  std::uint32_t object;  // the graphics-library object
  std::uint32_t calls;   // second program: objects one draw of it calls, its own included
  SegmentRecord *next;
  SegmentRecord *prev;
};

inline constexpr std::uint32_t kNoSegment = 0xFFFFFFFFu;

extern SegmentRecord SegmentList;       // the sentinel at the head of the list
extern int seg_is_open;                 // a segment is open
extern std::uint32_t open_segment_id;   // the open segment's id; kNoSegment while none is

// Second program: an id opened again starts afresh (its old object is
// deleted); deleting or drawing the open segment ends its compilation.
void open_segment(std::uint32_t id);
void close_segment();
// Id 0 is never deleted.
void delete_segment(std::uint32_t id);
// Calls the segment's object (second program); an unknown id draws nothing.
// Drawn while another segment is open, the call is compiled into that one,
// unless one draw of it would then call more than kSegmentCallMax objects.
void draw_segment(std::uint32_t id);
inline constexpr std::uint32_t kSegmentCallMax = 1u << 20;

int poseg(Packet &p);
int pcseg(Packet &p);
int pdseg(Packet &p);
// Draws with back faces culled when the flags ask for it; the culling is
// put back as it was once the segment is drawn, so that the 2D drawing and
// the rendering polygons after it are never culled.
int pdrawseg(Packet &p);
