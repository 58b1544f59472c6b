// Lines of the fast path drawn by worker threads. kgl_fast_segment does the
// bookkeeping (clipping, draw targets, dirty areas, line-style position) at
// once and queues what is left: walking the pixels. kgl_line2i queues 2D
// lines whose mapping to the window the workers do as well. Each worker owns
// a band of rows and draws the part of every queued line inside it, in queue
// order, so every pixel sees the same writes in the same order as when drawn
// at once; a batch of lines all of one colour, none exclusive-or, is shared
// out by lines instead, since every pixel then gets one value whoever draws
// it.
//
// Whatever else reads or writes pixel memory calls kgl_sync_pixels first.
#pragma once

#include "context.h"

#include <cstddef>
#include <cstdint>

// A line as the workers draw it: the pixels of the integer line
// (x0, y0) - (x1, y1), its first one left out with KGL_CMD_SKIP_FIRST, inside
// the clip rectangle of its state, written into one plane or two (the second
// at the state's offset from the first). 32 bytes: the drawing thread writes
// them where the workers read them.
enum : std::uint8_t {
  KGL_CMD_XOR = 1,
  KGL_CMD_TWO_PLANES = 2,
  KGL_CMD_SKIP_FIRST = 4,
  KGL_CMD_MAPPED = 8,   // x0..y1 are 2D coordinates for the line map of its batch
};
struct KglLineCmd {
  Uint32 *plane;
  std::int32_t x0, y0, x1, y1;
  Uint32 colour;
  std::uint16_t state;   // filled in when queued
  std::uint8_t flags;
};

// What lines of a batch share: the clip rectangle and the second plane.
struct KglLineState {
  KglRect clip;
  std::ptrdiff_t other;   // second plane minus the first
};

// The part of a line to draw: pixels i_lo..i_hi (index 0 at (x0, y0)) in
// columns col_lo..col_hi and rows row_lo..row_hi, the clip rectangle cut to
// the box of the line's ends. False when no pixel is left (lines.cpp).
struct KglLineSpan {
  std::int32_t i_lo, i_hi, col_lo, col_hi, row_lo, row_hi;
};
bool kgl_line_span(const KglLineCmd &cmd, const KglRect &clip, KglLineSpan &span);

// The window line of a mapped command: false when no pixel of it lies in the
// clip rectangle or rows row0..row1 (lines.cpp).
bool kgl_map_line_cmd(const KglLineCmd &in, const KglLineMap &m, const KglRect &clip, int row0, int row1,
                      KglLineCmd &out);
// Queues the 2D line (x1, y1) - (x2, y2) of the context's line map and clip
// rectangle as they are now, for the workers to map, when the fast path
// draws it into the front alone and its ends lie within the map's raw
// bound; marks where it draws dirty.
void kgl_queue_mapped_line(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2);

// Draws the parts in rows row0..row1 of commands from..to-1, those mapped
// (one plane each) mapped by map first (lines.cpp).
void kgl_draw_cmds(const KglLineCmd *cmds, int from, int to, const KglLineState *states, const KglLineMap &map,
                   std::ptrdiff_t width, int row0, int row1);
// Draws the part of the line in rows row0..row1 of planes width values wide
// (lines.cpp).
void kgl_draw_line_cmd(const KglLineCmd &cmd, const KglLineState &state, std::ptrdiff_t width, int row0, int row1);

// Draws the line now when there are no worker threads, else queues it for
// the planes of a width x height context; pixels is about how many it has.
void kgl_submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width, int height);

// Lines queued and maybe not drawn yet.
extern bool kgl_lines_queued;
// Waits until every queued line is drawn.
void kgl_drain_lines();
inline void kgl_sync_pixels() {
  if (kgl_lines_queued) kgl_drain_lines();
}

// Worker threads drawing lines: 0 draws each line at once. The count comes
// from KGL_THREADS when first needed (else one per further hardware thread,
// at most 2); this sets it instead, after drawing what is queued.
void kgl_set_line_threads(int n);
