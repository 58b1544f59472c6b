// The drawing-record list: what is drawn while screen boxes are pushed, kept
// so that a repaint can draw it again over the restored picture.
//
// Only with the refresh list on (configuration word 105). The records live in
// a chain of pages; every box push starts a page, and a box pop drops the page
// of its push and everything after it, so the list holds exactly what was
// drawn inside the boxes still open.
#pragma once

#include <cstdint>

extern int pushcount;       // screen boxes pushed and not yet popped (never below 0)
extern int AUI_pushcount;   // box-push records in the list

// Record types.
enum : std::int32_t {
  kAUIEnd = 0,        // ends a page early
  kAUIVector = 5,     // a vector of pvec
  kAUIBoxClear = 27,  // a box clear of pboxclr
  kAUIBoxPush = 29,   // a box push (replays as nothing)
  kAUIText = 31,      // a text of ptext
  kAUILine = 32,      // a line of pline
};

// One drawing record. Word numbers of the record's layout in the comments;
// what words 5 to 8 hold depends on the type.
struct AUIRecord {
  std::int32_t type;            // 0
  std::int32_t x1, y1, x2, y2;  // 1-4 (a text: x, y in x1, y1)
  std::int32_t viewport;        // 5 vector: viewport index
  std::int32_t colour;          // 6 vector, box clear, text: colour
  std::int32_t background;      // 7 text: background colour
  std::int32_t flags;           // 8 vector: highlight; text: flags
  char *text;                   // 9 text: a MyMalloc copy, freed with the list; else null
};

// Each record counts this many bytes of a page's budget: a page of
// configuration word 100 bytes holds (bytes - 24) / 40 records.
inline constexpr int kAUIRecordBytes = 40;
inline constexpr int kAUIPageHeaderBytes = 24;

// A page of records. The records follow the header in the same block.
struct AUIPage {
  AUIPage *next;         // 0 next page, null for the last
  AUIPage *prev;         // 1 previous page, null for the head
  std::int32_t used;     // 2 bytes used: 24 + 40 per record
  std::int32_t count;    // 4 records stored
  std::int32_t capacity; // records the page can hold
  AUIRecord *records() { return reinterpret_cast<AUIRecord *>(this + 1); }
};

extern AUIPage *AUI_ListHead;     // first page, null when the list is empty
extern AUIPage *AUI_CurrentPage;  // last page, the one being filled
extern AUIRecord *AUI_WritePtr;   // next free record of AUI_CurrentPage

// A zeroed record slot to fill (a new page when the current one is full or
// there is none); null when no page could be had. StoreAUIListPtr commits it:
// bytes is the record's size, kAUIRecordBytes.
AUIRecord *GetAUIListPtr();
void StoreAUIListPtr(int bytes = kAUIRecordBytes);
// Starts a new page (every box push does); false when none could be had.
bool NewAUIPage();
// Frees every page and text copy (refresh list on).
void Free_AUI_List();
// Drops what was drawn since the AUI_pushcount-th box push: the page that
// holds its record and every later page. In the head page: the whole list.
void FindBoxpush();

// Replays the records in order (refresh list on); called by the repaint while
// boxes are pushed.
void AUI_redraw();
// Replays of the record types.
void AUI_pboxclr(const AUIRecord *record);
void AUI_pboxpush(const AUIRecord *record);
void AUI_pvec(const AUIRecord *record);   // with the vector packets
void AUI_pline(const AUIRecord *record);  // with the vector packets
void AUI_ptext(const AUIRecord *record);  // with the text output
