// Screen blits and saved boxes.
//
// Bitmaps (pbitblt) are expanded into a pixel block and written in one go.
// Pixel blocks saved by pbigblit live in 100 slots; the client holds a handle
// per block. Boxes pushed by pboxpush are a stack of records, each knowing its
// rectangle and where each part of its pixels is kept: rows at the bottom of
// the box in a band of the z-buffer (used as a pixel store when the rendering
// code leaves it free), the rest in a memory block. A pop restores its record
// from both stores, so boxes nest and mix freely.
#include "display/blits.h"

#include <algorithm>
#include <vector>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/hooks.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int MemoryStorage;
std::uint32_t *MemoryPtr;
std::size_t MemoryBytes;
int ZbufferInstalled;
int ZbufferFull;

namespace {

// ---- handles ----------------------------------------------------------------------
//
// A handle is a table tag, a serial number and the slot: 0xTSSSSSxx with the
// slot in the low byte. The serial changes with every record made, so a handle
// of a record that is gone no longer matches its slot.

constexpr std::uint32_t kBlitTag = 0x10000000u;
constexpr std::uint32_t kBoxTag = 0x20000000u;
constexpr std::uint32_t kTagMask = 0xF0000000u;

std::uint32_t make_handle(std::uint32_t tag, std::uint32_t &serial, int slot) {
  serial = (serial + 1) & 0xFFFFFu;
  if (serial == 0) serial = 1;
  return tag | serial << 8 | static_cast<std::uint32_t>(slot);
}

// The slot a handle names, or -1 when it carries another tag or no slot.
int handle_slot(std::uint32_t handle, std::uint32_t tag, int slots) {
  if ((handle & kTagMask) != tag) return -1;
  const int slot = static_cast<int>(handle & 0xFFu);
  return slot < slots ? slot : -1;
}

// ---- shared steps -----------------------------------------------------------------

// A rectangle of the packet (x, y from the window's top) as window pixels.
struct PixelRect {
  int x1, y1, x2, y2;  // y up from the bottom row
};

// width x height at (x, y), y counting from the window's top, lies inside the
// window: 0 <= x, x + width <= xsize, and likewise y, with sizes of at least 1.
bool inside_window(long long x, long long y, long long width, long long height) {
  return width >= 1 && height >= 1 && x >= 0 && y >= 0 && x + width <= xsize && y + height <= ysize;
}

PixelRect packet_rect(int x, int y, int width, int height) {
  return {x, ysize - y - height, x + width - 1, ysize - y - 1};
}

std::uint32_t *alloc_pixels(long long width, long long height) {
  return static_cast<std::uint32_t *>(MyMalloc(static_cast<std::size_t>(width * height) * sizeof(std::uint32_t)));
}

// ---- blit slots -------------------------------------------------------------------

struct BlitSlot {
  std::int32_t in_use;
  std::int32_t width, height;
  std::uint32_t *pixels;
  std::uint32_t handle;
};

BlitSlot blit_slot[kBlitSlots];
std::uint32_t blit_serial;

int find_blit(std::uint32_t handle) {
  const int slot = handle_slot(handle, kBlitTag, kBlitSlots);
  if (slot < 0 || !blit_slot[slot].in_use || blit_slot[slot].handle != handle) return -1;
  return slot;
}

void save_blit(Packet &p, int x, int y, int width, int height) {
  p.put_u32(12, 0);
  if (!inside_window(x, y, width, height)) return;
  int slot = 0;
  while (slot < kBlitSlots && blit_slot[slot].in_use) ++slot;
  if (slot == kBlitSlots) return;
  std::uint32_t *pixels = alloc_pixels(width, height);
  if (pixels == nullptr) return;
  const PixelRect r = packet_rect(x, y, width, height);
  MyBitBLT(r.x1, r.y1, r.x2, r.y2, 1, pixels);
  BlitSlot &s = blit_slot[slot];
  s.in_use = 1;
  s.width = width;
  s.height = height;
  s.pixels = pixels;
  s.handle = make_handle(kBlitTag, blit_serial, slot);
  p.put_u32(12, s.handle);
}

// Writes the block at (x, y) in its own size, never the packet's.
void restore_blit(int slot, int x, int y) {
  const BlitSlot &s = blit_slot[slot];
  if (!inside_window(x, y, s.width, s.height)) return;
  const PixelRect r = packet_rect(x, y, s.width, s.height);
  SelectScreenMatrix();
  dither_off();
  MyBitBLT(r.x1, r.y1, r.x2, r.y2, 0, s.pixels);
  dither_on();
}

// ---- bitmaps ----------------------------------------------------------------------

constexpr int kBitmapRows = 18;  // offset of the first bitmap row

std::vector<std::uint32_t> bitmap_pixels;  // kept between calls
std::vector<std::uint16_t> bitmap_indices;

// Expands the bitmap rows (first row on top, most significant bit first) into
// block, bottom row first: set bits take fg; clear bits bg, or keep what the
// block holds when transparent.
template <typename T>
void expand_bitmap(const Packet &p, int bytes_per_row, int width, int height, T fg, T bg, bool transparent,
                   T *block) {
  for (int r = 0; r < height; ++r) {
    const std::size_t row = kBitmapRows + static_cast<std::size_t>(r) * bytes_per_row;
    T *out = block + static_cast<std::size_t>(height - r - 1) * width;
    for (int col = 0; col < width; ++col) {
      const bool set = p.u8(row + (col >> 3)) & (0x80 >> (col & 7));
      if (set)
        out[col] = fg;
      else if (!transparent)
        out[col] = bg;
    }
  }
}

// ---- saved boxes ------------------------------------------------------------------

struct SavedBox {
  std::uint32_t handle;
  bool has_pixels;         // the box met the window
  int x1, y1, x2, y2;      // the box inside the window, y up
  int zrow, zrows;         // band of the z-buffer holding the bottom rows
  std::uint32_t *block;    // the rows above them (all rows when zrows is 0)
  int aui_mark;            // AUI_pushcount after its push record, 0 none
  int storage;             // what it added to MemoryStorage
};

SavedBox saved_box[kSavedBoxLimit];
int box_count;         // records on the stack
int zbuffer_rows;      // rows of the z-buffer in use, from row 0 up
std::uint32_t box_serial;

void drop_box(SavedBox &b) {
  MyFree(b.block);
  b = SavedBox{};
}

int find_box(std::uint32_t handle) {
  const int slot = handle_slot(handle, kBoxTag, kSavedBoxLimit);
  if (slot < 0 || slot >= box_count || saved_box[slot].handle != handle) return -1;
  return slot;
}

// Keeps the screen under b: as many bottom rows as the free z-buffer rows
// hold when the z-buffer may keep pixels, the rest in a memory block.
void save_box_pixels(SavedBox &b) {
  const int rows = b.y2 - b.y1 + 1, columns = b.x2 - b.x1 + 1;
  const bool zbuffer_room = ZbufferInstalled && !ZbufferFull && zbuffer_rows < ysize && columns <= xsize;
  b.zrow = zbuffer_rows;
  if (zbuffer_room) {
    b.zrows = std::min(rows, ysize - zbuffer_rows);
    logicop(KGL_LO_SRC);
    readsource(KGL_SRC_AUTO);
    zdraw(1);
    rectcopy(b.x1, b.y1, b.x2, b.y1 + b.zrows - 1, 0, b.zrow);
    zdraw(0);
    zbuffer_rows += b.zrows;
    if (b.zrows == rows) return;
  }
  const int top_rows = rows - b.zrows;
  b.block = alloc_pixels(columns, top_rows);
  if (b.block != nullptr) {
    MyBitBLT(b.x1, b.y1 + b.zrows, b.x2, b.y2, 1, b.block);
    MemoryPtr = b.block;
    MemoryBytes = static_cast<std::size_t>(columns) * top_rows * sizeof(std::uint32_t);
  }
  b.storage = b.zrows > 0 ? 1 : (MemoryStorage == 0 ? 2 : 1);
  MemoryStorage += b.storage;
}

void restore_box_pixels(const SavedBox &b) {
  if (b.block != nullptr) MyBitBLT(b.x1, b.y1 + b.zrows, b.x2, b.y2, 0, b.block);
  if (b.zrows > 0) {
    readsource(KGL_SRC_ZBUFFER);
    rectcopy(0, b.zrow, b.x2 - b.x1, b.zrow + b.zrows - 1, b.x1, b.y1);
    readsource(KGL_SRC_AUTO);
  }
}

// Takes the top record off the stack, giving back its z-buffer rows and its
// share of MemoryStorage.
void pop_box_record() {
  SavedBox &b = saved_box[--box_count];
  zbuffer_rows = b.zrow;
  MemoryStorage = std::max(0, MemoryStorage - b.storage);
  drop_box(b);
}

}  // namespace

// ---- blits ------------------------------------------------------------------------

int free_blit(int slot) {
  if (slot < 0 || slot >= kBlitSlots || !blit_slot[slot].in_use) return 1;
  MyFree(blit_slot[slot].pixels);
  blit_slot[slot] = BlitSlot{};
  return 0;
}

int blit_slots_in_use() {
  int n = 0;
  for (const BlitSlot &s : blit_slot) n += s.in_use ? 1 : 0;
  return n;
}

int pbigblit(Packet &p) {
  const int x = p.i16(2), y = p.i16(4), width = p.i16(6), height = p.i16(8), flags = p.i16(10);
  const std::uint32_t handle = p.u32(12);
  if (flags & 1) {
    save_blit(p, x, y, width, height);
  } else if (flags & 2) {
    const int slot = find_blit(handle);
    if (slot >= 0) {
      restore_blit(slot, x, y);
      if (flags & 4) free_blit(slot);
    }
  } else if (flags == 4) {
    const int slot = find_blit(handle);
    if (slot >= 0) free_blit(slot);
  }
  p.put_u16(16, 0);
  return 1;
}

int pbitblt(Packet &p) {
  const int bytes_per_row = p.i16(2), x = p.i16(4), y = p.i16(6), width = p.i16(8), height = p.i16(10);
  const int flags = p.i16(12), fg_colour = p.i16(14), bg_colour = p.i16(16);
  // Each row gives at most 8 pixels a byte, the rows lie inside the packet and
  // the bitmap is no larger than the window.
  if (width < 1 || height < 1 || bytes_per_row < 1) return 0;
  if (width > 8LL * bytes_per_row || width > xsize || height > ysize) return 0;
  if (kBitmapRows + static_cast<long long>(bytes_per_row) * height > static_cast<long long>(p.size())) return 0;

  SelectScreenMatrix();
  const PixelRect r = packet_rect(x, y, width, height);
  const std::size_t n = static_cast<std::size_t>(width) * height;
  const bool exclusive_or = flags < 0;
  const bool transparent = flags == 4;
  const int fg = DrawingColorIndex(fg_colour), bg = DrawingColorIndex(bg_colour);
  if (exclusive_or) {
    BeginXorDrawing();
  }
  if (cfr.word(kWordRgbPixels) == 0) {
    bitmap_indices.assign(n, 0);
    if (transparent) rectread(r.x1, r.y1, r.x2, r.y2, bitmap_indices.data());
    expand_bitmap<std::uint16_t>(p, bytes_per_row, width, height, static_cast<std::uint16_t>(fg),
                                 static_cast<std::uint16_t>(bg), transparent, bitmap_indices.data());
    rectwrite(r.x1, r.y1, r.x2, r.y2, bitmap_indices.data());
  } else {
    bitmap_pixels.assign(n, 0);
    if (transparent) MyBitBLT(r.x1, r.y1, r.x2, r.y2, 1, bitmap_pixels.data());
    expand_bitmap<std::uint32_t>(p, bytes_per_row, width, height, get_rgb_color(fg), get_rgb_color(bg), transparent,
                                 bitmap_pixels.data());
    MyBitBLT(r.x1, r.y1, r.x2, r.y2, 0, bitmap_pixels.data());
  }
  if (exclusive_or) {
    EndXorDrawing();
  }
  return 0;
}

// ---- box clear ----------------------------------------------------------------------

void draw_box_clear(int x1, int y1, int x2, int y2, int colour) {
  SelectScreenMatrix();
  const int c = MapPacketColor(colour);
  if (c == -1)
    FilledBox(x1, ysize - y2 - 1, x2, ysize - y1 - 1, ConfigColor(kWordColourXor), -1);
  else
    FilledBox(x1, ysize - y2 - 1, x2, ysize - y1 - 1, DrawingColorIndex(c), 0);
}

int pboxclr(Packet &p) {
  const int x1 = p.i16(2), y1 = p.i16(4), x2 = p.i16(6), y2 = p.i16(8), colour = p.i16(10);
  if (cfr.word(kWordRefreshList) && pushcount > 0) {
    if (AUIRecord *r = GetAUIListPtr()) {
      r->type = kAUIBoxClear;
      r->x1 = x1, r->y1 = y1, r->x2 = x2, r->y2 = y2;
      r->colour = colour;
      StoreAUIListPtr(kAUIRecordBytes);
    }
  }
  draw_box_clear(x1, y1, x2, y2, colour);
  return 0;
}

// ---- saved boxes ----------------------------------------------------------------------

int saved_box_count() { return box_count; }
int zbuffer_rows_in_use() { return zbuffer_rows; }

void discard_saved_boxes() {
  while (box_count > 0) pop_box_record();
  zbuffer_rows = 0;
}

int pboxpush(Packet &p) {
  int x1 = p.i16(4), y1 = p.i16(6), x2 = p.i16(8), y2 = p.i16(10);
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const int rows = y2 - y1 + 1;
  // No box open means the records left belong to a session that ended.
  if (pushcount == 0) discard_saved_boxes();
  if (box_count == kSavedBoxLimit) {
    p.put_i16(2, 0);
    p.put_u32(12, 0);
    return 1;
  }

  notify(display_hooks.screen_claimed, 22);
  SelectScreenMatrix();
  ++pushcount;
  const int slot = box_count++;
  SavedBox &b = saved_box[slot];
  b = SavedBox{};
  b.handle = make_handle(kBoxTag, box_serial, slot);
  b.zrow = zbuffer_rows;

  if (cfr.word(kWordRefreshList) && NewAUIPage()) {
    if (AUIRecord *r = GetAUIListPtr()) {
      r->type = kAUIBoxPush;
      r->x1 = x1, r->y1 = y1, r->x2 = x2, r->y2 = y2;
      StoreAUIListPtr(kAUIRecordBytes);
      b.aui_mark = ++AUI_pushcount;
    }
  }

  // The box in window pixels, cut to the window.
  b.x1 = std::max(x1, 0);
  b.x2 = std::min(x2, xsize - 1);
  b.y1 = std::max(ysize - y2 - 1, 0);
  b.y2 = std::min(ysize - y1 - 1, ysize - 1);
  b.has_pixels = b.x1 <= b.x2 && b.y1 <= b.y2;
  if (b.has_pixels) save_box_pixels(b);

  p.put_i16(2, rows);
  p.put_u32(12, b.handle);
  return 1;
}

int pboxpop(Packet &p) {
  if (pushcount == 0) discard_saved_boxes();
  const int slot = find_box(p.u32(12));
  if (slot < 0) return 0;

  // Drawing since the push leaves the record list.
  const int mark = saved_box[slot].aui_mark;
  if (cfr.word(kWordRefreshList) && mark > 0 && mark <= AUI_pushcount) {
    AUI_pushcount = mark;
    FindBoxpush();
    AUI_pushcount = mark - 1;
  }
  // Boxes pushed after this one and never popped are given up.
  while (box_count > slot + 1) {
    pop_box_record();
    pushcount = std::max(0, pushcount - 1);
  }
  pushcount = std::max(0, pushcount - 1);

  HideCursor();
  SelectScreenMatrix();
  dither_off();
  logicop(KGL_LO_SRC);
  if (saved_box[slot].has_pixels) restore_box_pixels(saved_box[slot]);
  pop_box_record();
  dither_on();
  release_screen();
  return 0;
}

// ---- screen areas of the driver's menus -------------------------------------------------

bool save_screen_area(ScreenArea &area, int x1, int y1, int x2, int y2) {
  free_screen_area(area);
  arb_corner(&x1, &y1, &x2, &y2);
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, xsize - 1);
  y2 = std::min(y2, ysize - 1);
  if (x1 > x2 || y1 > y2) return false;
  std::uint32_t *pixels = alloc_pixels(x2 - x1 + 1, y2 - y1 + 1);
  if (pixels == nullptr) return false;
  SelectScreenMatrix();
  MyBitBLT(x1, y1, x2, y2, 1, pixels);
  area = ScreenArea{x1, y1, x2, y2, pixels};
  return true;
}

void retake_screen_area(ScreenArea &area, int x1, int y1, int x2, int y2) {
  if (area.pixels == nullptr) return;
  arb_corner(&x1, &y1, &x2, &y2);
  x1 = std::max(x1, area.x1);
  y1 = std::max(y1, area.y1);
  x2 = std::min(x2, area.x2);
  y2 = std::min(y2, area.y2);
  if (x1 > x2 || y1 > y2) return;
  const long long width = area.x2 - area.x1 + 1;
  finish();
  for (int y = y1; y <= y2; ++y) lrectread(x1, y, x2, y, area.pixels + (y - area.y1) * width + (x1 - area.x1));
}

void restore_screen_area(const ScreenArea &area) {
  if (area.pixels == nullptr) return;
  SelectScreenMatrix();
  dither_off();
  logicop(KGL_LO_SRC);
  MyBitBLT(area.x1, area.y1, area.x2, area.y2, 0, area.pixels);
  dither_on();
}

void free_screen_area(ScreenArea &area) {
  MyFree(area.pixels);
  area = ScreenArea{};
}
