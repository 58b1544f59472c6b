// The 3D segment packets: open, close, delete and draw a segment. The first
// program keeps only the open or closed state and the render mode pdrawseg
// chooses; no graphics object is compiled, so a segment draws nothing. The
// second keeps each segment as a display object of the graphics library: the
// 3D output between open and close is compiled into it, and pdrawseg calls
// it.
#pragma once

#include <cstdint>

class Packet;

struct SegmentRecord {
  std::int32_t id;       // -1 for an entry without one
  std::uint32_t open;    // 1 while its object is being compiled
  std::uint32_t object;  // the graphics-library object
  std::uint32_t calls;   // second program: objects one draw of it calls, its own included
  SegmentRecord *next;
  SegmentRecord *prev;
};

extern SegmentRecord SegmentList;  // the sentinel at the head of the list
extern int seg_is_open;            // a segment is open
extern int open_segment_id;        // the open segment's id, -1 none

// Second program: an id opened again starts afresh (its old object is
// deleted); deleting or drawing the open segment ends its compilation.
void open_segment(int id);
void close_segment();
void delete_segment(int id);
// Calls the segment's object (second program); an unknown id draws nothing.
// Drawn while another segment is open, the call is compiled into that one,
// unless one draw of it would then call more than kSegmentCallMax objects.
void draw_segment(int id);
inline constexpr std::uint32_t kSegmentCallMax = 1u << 20;

int poseg(Packet &p);
int pcseg(Packet &p);
int pdseg(Packet &p);
int pdrawseg(Packet &p);
