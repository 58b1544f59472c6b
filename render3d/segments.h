// The 3D segment packets: open, close, delete and draw a segment. The first
// build keeps only the open or closed state and the render mode pdrawseg
// chooses; no graphics object is compiled, so a segment draws nothing.
#pragma once

#include <cstdint>

class Packet;

struct SegmentRecord {
  std::int32_t id;       // -1 for an entry without one
  std::uint32_t open;    // 1 while its object is being compiled
  std::uint32_t object;  // the graphics-library object
  SegmentRecord *next;
  SegmentRecord *prev;
};

extern SegmentRecord SegmentList;  // the sentinel at the head of the list
extern int seg_is_open;            // a segment is open
extern int open_segment_id;        // the open segment's id, -1 none

void open_segment(int id);
void close_segment();
void delete_segment(int id);

int poseg(Packet &p);
int pcseg(Packet &p);
int pdseg(Packet &p);
int pdrawseg(Packet &p);
