// Lines of the fast path drawn by worker threads. kgl_fast_segment does the
// bookkeeping (clipping, draw targets, dirty areas, line-style position) at
// once and queues what is left: walking the pixels. kgl_line2i queues 2D
// lines whose mapping to the window the workers do as well. Each worker owns
// a band of rows and draws the part of every queued line inside it, in queue
// order, so every pixel sees the same writes in the same order as when drawn
// at once; a batch of lines all of one colour, none exclusive-or, is shared
// out by lines instead, since every pixel then gets one value whoever draws
// it. The fans of the 3D rasteriser (zpolygons.cpp) go the same way, always
// by bands, since the order of their writes to a pixel matters. Who may
// write what is set out at the top of line_queue.cpp.
//
// Whatever else reads or writes pixel memory (the z-buffer included) calls
// kgl_sync_pixels first.
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
  // Not a line: a fan of the 3D rasteriser, its x0 vertices from vertex x1 of
  // its batch, in rows y0..y1 at most, colour its flat value, state its fan
  // state.
  KGL_CMD_FAN = 16,
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
// bound; marks where it draws dirty. skip_first leaves out its first pixel,
// as a further segment of a polyline.
void kgl_queue_mapped_line(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2, bool skip_first = false);
// kgl_queue_mapped_line of n lines in turn, line i from point ends[2i] to
// point ends[2i + 1], each x << 16 | y (0..32767 each); those that go on in
// the batch's map are written without a call each.
void kgl_queue_mapped_lines(KglContext *c, const std::uint32_t *ends, int n);

struct KglFanState;
struct KglWin3;
// The fans of a batch: their states and vertices.
struct KglFans {
  const KglFanState *state;
  const KglWin3 *vertex;
};

// Draws the parts in rows row0..row1 of commands from..to-1, those mapped
// (one plane each) mapped by map first (lines.cpp).
void kgl_draw_cmds(const KglLineCmd *cmds, int from, int to, const KglLineState *states, const KglLineMap &map,
                   const KglFans &fans, std::ptrdiff_t width, int row0, int row1);
// Draws the part of the line in rows row0..row1 of planes width values wide
// (lines.cpp).
void kgl_draw_line_cmd(const KglLineCmd &cmd, const KglLineState &state, std::ptrdiff_t width, int row0, int row1);

// Draws the line now when there are no worker threads, else queues it for
// the planes of a width x height context; pixels is about how many it has.
void kgl_submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width, int height);
// The same for the fan of n window-space vertices v in the box x0..x1,
// y0..y1 of a context height rows high (zpolygons.cpp fills it).
void kgl_submit_fan(const KglFanState &st, Uint32 flat, const KglWin3 *v, int n, int x0, int y0, int x1, int y1,
                    int height);

// Lines queued and maybe not drawn yet, and a box (window pixels, inclusive)
// that every one of them lies in: the clip rectangles they were queued with.
extern bool kgl_lines_queued;
extern KglRect kgl_queued_area;
// Waits until every queued line is drawn.
void kgl_drain_lines();
inline void kgl_sync_pixels() {
  if (kgl_lines_queued) kgl_drain_lines();
}
// kgl_sync_pixels before reading or writing normal planes in the box x0..x1,
// y0..y1 alone: lines queued elsewhere (a graphics area being filled with
// vectors while a status line or a menu is drawn beside it) may stay queued,
// as they write no pixel of the box.
inline void kgl_sync_pixels_in(int x0, int y0, int x1, int y1) {
  const KglRect &q = kgl_queued_area;
  if (kgl_lines_queued && x0 <= q.x1 && x1 >= q.x0 && y0 <= q.y1 && y1 >= q.y0) kgl_drain_lines();
}

// Worker threads drawing lines: 0 draws each line at once. The count comes
// from KGL_THREADS when first needed (else the hardware threads but two, at
// least 1 where there are two, at most 5); this sets it instead, after
// drawing what is queued.
void kgl_set_line_threads(int n);
