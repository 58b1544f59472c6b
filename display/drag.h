// Drag vector lists: the outline the client drags, recorded per viewport in
// pages of its own and drawn in exclusive-or at the offsets the client sends.
#pragma once

class Packet;

#include <cstdint>

// A vector-list page. Offsets into a page count bytes from its start with the
// data from byte 24 (24 = empty); the data words follow the header in the
// same block.
struct VectorListPage {
  VectorListPage *next;  // word 0: next page, null for the last
  std::int32_t used;     // word 2: bytes used once the page is closed
  std::int32_t size;     // bytes of the page, data included
  std::int32_t *data() { return reinterpret_cast<std::int32_t *>(this + 1); }
};

inline constexpr std::int32_t kVlistEmpty = 24;  // offset of the first data word
// A run header: bits 31 and 30 set, colour index in bits 16-23, point count in
// the low 16 bits.
inline constexpr std::uint32_t kVlistRunHeader = 0xC0000000u;

// The clock of the paged drawing, in ticks of 1/60 s (ResetTimer/ReadTimer by
// default; tests put their own).
extern void (*drag_reset_timer)();
extern int (*drag_read_timer)();

// Empties the vector list of viewport index; release nonzero also gives up
// its first page.
void empty_vlist(int index, int release);
// Vector-list pages held by all viewports.
int vlist_page_count();

int pdrag(Packet &p);
int pbdrag(Packet &p);
