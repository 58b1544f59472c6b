// Drag vector lists.
//
// The outline vectors of a drag are recorded per viewport in a chain of pages
// (words 68 to 82 of the viewport record hold the state) and drawn in
// exclusive-or: once as they arrive, then again and again at the offsets the
// client sends, a page at a time within the time slice. Drawing twice at the
// same offset takes an outline off again. Every vector is drawn as its own
// segment, the same way when it arrives and when a page is drawn, so that an
// erase hits exactly the pixels the drawing did.
#include "display/drag.h"

#include <algorithm>
#include <climits>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

void (*drag_reset_timer)() = ResetTimer;
int (*drag_read_timer)() = ReadTimer;

namespace {

int page_count;
// Offset of the header of the open run in the page being filled, per viewport.
std::int32_t run_header[kViewportCount];

// Bytes a run header with its first segment takes, and a further point.
constexpr int kRunBytes = 20;
constexpr int kPointBytes = 8;
// Room kept free at a page's end.
constexpr int kPageMargin = 8;

bool recording() { return cfr.word(kWordListDrag) != 0; }

// Pages are the display-list page size, held to sane bounds; each page keeps
// its own size, so a change of the setting never misreads a page.
int page_bytes() {
  // At most 1 << 19 bytes, so that a run's point count fits its 16 bits.
  const int bytes = std::clamp(cfr.word(kWordPageSize), 256, 1 << 19);
  return bytes & ~3;
}

VectorListPage *new_page() {
  const int bytes = page_bytes();
  auto *page = static_cast<VectorListPage *>(MyMalloc(sizeof(VectorListPage) + bytes - kVlistEmpty));
  if (page == nullptr) return nullptr;
  page->next = nullptr;
  page->used = 0;
  page->size = bytes;
  ++page_count;
  return page;
}

void free_page(VectorListPage *page) {
  MyFree(page);
  --page_count;
}

std::int32_t *word_at(VectorListPage *page, int offset) { return page->data() + (offset - kVlistEmpty) / 4; }

// Where a page's data ends: the fill offset for the page being filled.
int page_end(const ViewportRecord &vp, const VectorListPage *page) {
  const int end = page == vp.vlist_filling ? vp.vlist_fill : page->used;
  return std::clamp(end, kVlistEmpty, page->size);
}

// The colour index a packet colour draws with: -1 the exclusive-or colour,
// the interface colours by their configuration words.
int drag_colour(int colour) {
  const int c = MapPacketColor(colour);
  return c == -1 ? ConfigColor(kWordColourXor) : c;
}

// ---- drawing ------------------------------------------------------------------------

// Mode 2 draws in the viewport's own matrix, clipped to its view window;
// anything else in viewport 0's.
void select_drag_matrix(int index, const ViewportRecord &vp) {
  if (vp.drag_mode == 2 && index != 0) {
    if (CurrentMatrixNumber != index) SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, index);
  } else if (CurrentMatrixNumber != 0) {
    SetClippingRectangle(xmin, Pkinit.field[kPkinitWidth], ymin, ymin + Pkinit.field[kPkinitHeight], 0);
  }
}

void begin_xor(int index, const ViewportRecord &vp) {
  select_drag_matrix(index, vp);
  BeginXorDrawing();
}

void end_xor() {
  EndXorDrawing();
}

struct ClipWindow {
  long long x1, y1, x2, y2;
};

int outcode(long long x, long long y, const ClipWindow &w) {
  return (x < w.x1 ? 1 : 0) | (x > w.x2 ? 2 : 0) | (y < w.y1 ? 4 : 0) | (y > w.y2 ? 8 : 0);
}

// Cohen-Sutherland: false when the segment lies wholly outside (or the
// window is empty).
bool clip_segment(long long &x1, long long &y1, long long &x2, long long &y2, const ClipWindow &w) {
  if (w.x2 < w.x1 || w.y2 < w.y1) return false;
  int c1 = outcode(x1, y1, w), c2 = outcode(x2, y2, w);
  while (c1 | c2) {
    if (c1 & c2) return false;
    const int c = c1 ? c1 : c2;
    const double dx = static_cast<double>(x2 - x1), dy = static_cast<double>(y2 - y1);
    long long x, y;
    if (c & 8) {
      y = w.y2;
      x = x1 + static_cast<long long>(dx * static_cast<double>(w.y2 - y1) / dy);
    } else if (c & 4) {
      y = w.y1;
      x = x1 + static_cast<long long>(dx * static_cast<double>(w.y1 - y1) / dy);
    } else if (c & 2) {
      x = w.x2;
      y = y1 + static_cast<long long>(dy * static_cast<double>(w.x2 - x1) / dx);
    } else {
      x = w.x1;
      y = y1 + static_cast<long long>(dy * static_cast<double>(w.x1 - x1) / dx);
    }
    if (c == c1) {
      x1 = x, y1 = y, c1 = outcode(x, y, w);
    } else {
      x2 = x, y2 = y, c2 = outcode(x, y, w);
    }
  }
  return true;
}

Int32 saturate(long long v) { return static_cast<Int32>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// One segment at an offset in the current colour and logical operation.
void draw_segment(const ViewportRecord &vp, long long x1, long long y1, long long x2, long long y2) {
  if (vp.drag_mode == 2) {
    const ClipWindow w{vp.view_x1, vp.view_y1, vp.view_x2, vp.view_y2};
    if (!clip_segment(x1, y1, x2, y2, w)) return;
  }
  const Int32 a[2] = {saturate(x1), saturate(y1)}, b[2] = {saturate(x2), saturate(y2)};
  bgnline();
  v2i(a);
  v2i(b);
  endline();
}

// The runs of a page up to its end, each as segments through its points plus
// the offset, switching colour where a run's colour differs.
void draw_page(const ViewportRecord &vp, VectorListPage *page, long long dx, long long dy, int &colour) {
  const int end = page_end(vp, page);
  int offset = kVlistEmpty;
  while (offset + kRunBytes <= end) {
    const std::uint32_t header = static_cast<std::uint32_t>(*word_at(page, offset));
    if ((header & kVlistRunHeader) != kVlistRunHeader) break;
    int points = static_cast<int>(header & 0xFFFF);
    points = std::min(points, (end - offset - 4) / kPointBytes);
    const int c = static_cast<int>(header >> 16 & 0xFF);
    if (c != colour) MyXcolor(colour = c);
    const std::int32_t *w = word_at(page, offset + 4);
    for (int i = 1; i < points; ++i)
      draw_segment(vp, w[2 * i - 2] + dx, w[2 * i - 1] + dy, w[2 * i] + dx, w[2 * i + 1] + dy);
    offset += 4 + points * kPointBytes;
  }
}

// ---- recording ------------------------------------------------------------------------

void reset_open_run(ViewportRecord &vp) { vp.vlist_colour = vp.vlist_end_x = vp.vlist_end_y = -1; }

// A first page for a list that has none; false when none could be had.
bool begin_list(ViewportRecord &vp) {
  VectorListPage *page = new_page();
  if (page == nullptr) return false;
  vp.vlist_first = vp.vlist_last = vp.vlist_filling = vp.vlist_drawn = page;
  vp.drag_x = vp.drag_y = 0;  // the vectors are drawn where they are
  vp.vlist_fill = vp.vlist_reached = kVlistEmpty;
  vp.vlist_drawing = vp.vlist_shown = 0;
  reset_open_run(vp);
  return true;
}

// Adds a vector to the list: continues the open run when it starts where
// the run ends in the same colour, else starts a run.
void record_vector(int index, ViewportRecord &vp, int x1, int y1, int x2, int y2, int colour) {
  if (vp.vlist_filling == nullptr && !begin_list(vp)) return;
  VectorListPage *page = vp.vlist_filling;
  if (page->size - kPageMargin < vp.vlist_fill + kRunBytes) {
    VectorListPage *next = new_page();
    if (next == nullptr) return;
    page->used = vp.vlist_fill;
    page->next = next;
    vp.vlist_last = vp.vlist_filling = page = next;
    vp.vlist_fill = kVlistEmpty;
    reset_open_run(vp);
  }
  if (colour == vp.vlist_colour && x1 == vp.vlist_end_x && y1 == vp.vlist_end_y) {
    std::int32_t *w = word_at(page, vp.vlist_fill);
    w[0] = x2;
    w[1] = y2;
    ++*word_at(page, run_header[index]);
    vp.vlist_fill += kPointBytes;
  } else {
    std::int32_t *w = word_at(page, vp.vlist_fill);
    w[0] = static_cast<std::int32_t>(kVlistRunHeader | static_cast<std::uint32_t>(colour) << 16 | 2u);
    w[1] = x1;
    w[2] = y1;
    w[3] = x2;
    w[4] = y2;
    run_header[index] = vp.vlist_fill;
    vp.vlist_fill += kRunBytes;
  }
  *word_at(page, vp.vlist_fill) = -1;
  page->used = vp.vlist_fill;
  vp.vlist_colour = colour;
  vp.vlist_end_x = x2;
  vp.vlist_end_y = y2;
}

// ---- sub-operations -------------------------------------------------------------------

void start_drag(int index, ViewportRecord &vp, int mode) {
  vp.drag_mode = mode;
  vp.drag_x = vp.drag_y = 0;
  if (!recording()) return;
  if (vp.vlist_first != nullptr)
    empty_vlist(index, 0);
  else
    begin_list(vp);
  reset_open_run(vp);
  vp.vlist_fill = vp.vlist_reached = kVlistEmpty;
}

void record_and_draw(int index, ViewportRecord &vp, int x1, int y1, int x2, int y2, int colour) {
  const int c = drag_colour(colour);
  if (recording()) {
    record_vector(index, vp, x1, y1, x2, y2, c);
    vp.vlist_shown = 1;
    vp.vlist_drawing = 0;
  }
  begin_xor(index, vp);
  MyXcolor(c);
  draw_segment(vp, x1, y1, x2, y2);
  end_xor();
}

// Takes off what was drawn last: every page the drawing reached, at the
// offset it was drawn at. Drawn nothing (or erased already): only the reset.
int erase_drawing(int index, ViewportRecord &vp) {
  if (vp.vlist_first != nullptr && vp.vlist_shown) {
    begin_xor(index, vp);
    int colour = -1;
    const VectorListPage *stop = vp.vlist_drawing ? vp.vlist_drawn : nullptr;
    for (VectorListPage *page = vp.vlist_first; page != nullptr && page != stop; page = page->next) {
      draw_page(vp, page, vp.drag_x, vp.drag_y, colour);
      if (page == vp.vlist_filling) break;
    }
    end_xor();
    dx_sync();
  }
  vp.vlist_drawn = vp.vlist_first;
  vp.vlist_reached = vp.vlist_drawing = 0;
  vp.vlist_shown = 0;
  return 1;
}

// Draws the list at (dx, dy) page by page while the time slice lasts (at
// least one page a call): 2 when the whole list is drawn, 1 when pages remain.
int draw_at_offset(int index, ViewportRecord &vp, int dx, int dy) {
  if (!recording()) return 0;
  vp.drag_x = dx;
  vp.drag_y = dy;
  if (vp.vlist_first == nullptr) return 2;
  if (vp.vlist_drawn == nullptr) vp.vlist_drawn = vp.vlist_first;
  begin_xor(index, vp);
  int colour = -1, result;
  drag_reset_timer();
  do {
    vp.vlist_shown = 1;
    draw_page(vp, vp.vlist_drawn, dx, dy, colour);
    dx_sync();
    VectorListPage *next = vp.vlist_drawn == vp.vlist_filling ? nullptr : vp.vlist_drawn->next;
    if (next != nullptr && page_end(vp, next) > kVlistEmpty) {
      vp.vlist_drawn = next;
      vp.vlist_reached = kVlistEmpty;
      vp.vlist_drawing = 1;
      result = 1;
    } else {
      vp.vlist_drawn = vp.vlist_first;
      vp.vlist_drawing = 0;
      result = 2;
    }
  } while (result != 2 && drag_read_timer() < cfr.word(kWordTimeSlice));
  end_xor();
  return result;
}

// The drag packets share everything but their field places. Sub-operations 3
// and 4 answer in the sub-operation field; for an unknown viewport they answer
// that there is nothing (more) to do.
int drag_packet(Packet &p, int x1, int y1, int x2, int y2, int colour, int op, int number, std::size_t reply) {
  const int index = ViewportLookup(number);
  if (index < 0 || index >= kViewportCount) {
    if (op == 3) p.put_u16(reply, 1);
    if (op == 4) p.put_u16(reply, 2);
    return op == 3 || op == 4;
  }
  ViewportRecord &vp = vp_info[index];
  switch (op) {
    case 0:
      record_and_draw(index, vp, x1, y1, x2, y2, colour);
      return 0;
    case 1:
    case 2:
      start_drag(index, vp, op);
      return 0;
    case 3:
      p.put_u16(reply, static_cast<std::uint16_t>(erase_drawing(index, vp)));
      return 1;
    case 4:
      p.put_u16(reply, static_cast<std::uint16_t>(draw_at_offset(index, vp, x1, y1)));
      return 1;
    default:
      return 0;
  }
}

}  // namespace

void empty_vlist(int index, int release) {
  if (index < 0 || index >= kViewportCount) return;
  ViewportRecord &vp = vp_info[index];
  // Pages go whatever the recording setting is now, so none is ever lost.
  if (VectorListPage *first = vp.vlist_first) {
    for (VectorListPage *page = first->next; page != nullptr;) {
      VectorListPage *next = page->next;
      free_page(page);
      page = next;
    }
    first->next = nullptr;
    first->used = 0;
    if (release) {
      free_page(first);
      first = nullptr;
      vp.vlist_first = nullptr;
    }
    vp.vlist_last = vp.vlist_filling = vp.vlist_drawn = first;
  }
  vp.vlist_fill = vp.vlist_reached = kVlistEmpty;
  vp.vlist_drawing = vp.vlist_shown = 0;
  reset_open_run(vp);
}

int vlist_page_count() { return page_count; }

int pdrag(Packet &p) {
  return drag_packet(p, p.i16(2), p.i16(4), p.i16(6), p.i16(8), p.i16(10), p.u16(12), p.i16(14), 12);
}

int pbdrag(Packet &p) {
  return drag_packet(p, p.i32(4), p.i32(8), p.i32(12), p.i32(16), p.i16(20), p.u16(22), p.i16(24), 22);
}
