// Display-list pages and the refresh list: appending, erasing single entities
// drawn over in colour 0, freeing, and the statistics.
#include "display/display_list.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>

#include "base/config_record.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/hooks.h"
#include "display/redraw.h"
#include "display/screen_tiles.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int alloc_size = 4096;
int page_limit = 4096 - 40;
int do_32bit_regen;
int page_count;
int rpage_count;
int rentity_count;
int dlist_modified;
int erase;
int ecount;
int DuringRegen;
int dlist_pan;

std::int16_t dlcolor;
std::uint16_t dl1[2];
std::uint16_t dl2[2];
std::int32_t bl1[2];
std::int32_t bl2[2];
PolygonBuffer Polygon;
PolygonBuffer32 Polygon32;

namespace {

inline bool valid_index(int index) { return index >= 0 && index < kViewportCount; }

// ---- page memory -------------------------------------------------------------------
//
// A growing drawing needs memory the process never wrote before, and the
// first write to each 4 KiB of it costs a page fault: microseconds each on a
// virtual machine, a tenth of the time of storing a fresh drawing. So a
// helper thread keeps a few pages of the current size taken from the heap and
// written once, and the drawing thread takes them ready. The helper has no
// part in the display list: a page it hands over is the drawing thread's
// alone, and when none is ready (or there is no helper) a page comes from the
// heap as it always did.

// Pages taken since the status bar last showed the memory figure.
bool list_memory_changed = false;

constexpr std::uint32_t kReadyPages = 32;

struct ReadyPages {
  // A ring: the helper fills slot put % kReadyPages, then moves put on; the
  // drawing thread takes slot taken % kReadyPages while put is past it, then
  // moves taken on. put and taken carry the hand-over (release, acquire).
  // The helper fills the ring and sleeps until half of it is taken: one
  // wake-up for many pages.
  void *page[kReadyPages];
  std::size_t bytes[kReadyPages];   // the size each was taken for
  alignas(64) std::atomic<std::uint32_t> put{0};
  alignas(64) std::atomic<std::uint32_t> taken{0};
  std::atomic<std::size_t> wanted{0};   // the size to prepare
};
ReadyPages ready;

[[noreturn]] void prepare_pages() {
  for (;;) {
    const std::uint32_t put = ready.put.load(std::memory_order_relaxed);
    const std::uint32_t taken = ready.taken.load(std::memory_order_acquire);
    const std::size_t bytes = ready.wanted.load(std::memory_order_relaxed);
    void *page = put - taken < kReadyPages && bytes > 0 ? std::malloc(bytes) : nullptr;
    if (page == nullptr) {
      ready.taken.wait(taken, std::memory_order_acquire);   // until half the ring is taken
      continue;
    }
    auto *bytes_of = static_cast<volatile char *>(page);
    for (std::size_t at = 0; at < bytes; at += 4096) bytes_of[at] = 0;
    bytes_of[bytes - 1] = 0;
    ready.page[put % kReadyPages] = page;
    ready.bytes[put % kReadyPages] = bytes;
    ready.put.store(put + 1, std::memory_order_release);
  }
}

// The helper, started with the first page; it takes none of the program's
// signals.
void start_helper() {
  static bool started = false;
  if (started) return;
  started = true;
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  try {
    std::thread(prepare_pages).detach();
  } catch (const std::system_error &) {
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// A block of bytes for a page, counted as MyMalloc counts it.
void *page_memory(std::size_t bytes) {
  if (ready.wanted.load(std::memory_order_relaxed) != bytes) ready.wanted.store(bytes, std::memory_order_relaxed);
  start_helper();
  for (;;) {
    const std::uint32_t taken = ready.taken.load(std::memory_order_relaxed);
    const std::uint32_t put = ready.put.load(std::memory_order_acquire);
    if (put == taken) return MyMalloc(bytes);
    void *page = ready.page[taken % kReadyPages];
    const bool fits = ready.bytes[taken % kReadyPages] == bytes;
    ready.taken.store(taken + 1, std::memory_order_release);
    // Only a sleeping helper needs waking, and it sleeps with the ring full.
    if (put - (taken + 1) == kReadyPages / 2) ready.taken.notify_one();
    if (fits) {
      ++alloc_count;
      return page;
    }
    std::free(page);   // prepared for the page size before
  }
}

DisplayListPage *new_page() {
  auto *page = static_cast<DisplayListPage *>(page_memory(sizeof(DisplayListPage) + alloc_size - kPageHeaderBytes));
  if (page != nullptr) {
    page->next = page->prev = nullptr;
    page->used = page->mask = page->count = page->erased = 0;
  }
  return page;
}

// No vector continues the open line entity any more.
void close_line(ViewportRecord &vp) {
  vp.line_colour = -1;
  vp.line_header = nullptr;
  vp.line_mask = nullptr;
  vp.last_point = -1;
  vp.last_y = -1;
}

// Frees every page of viewport index, the first one too.
void free_all_pages(int index) {
  ViewportRecord &vp = vp_info[index];
  for (DisplayListPage *page = vp.first_page; page != nullptr;) {
    DisplayListPage *next = page->next;
    MyFree(page);
    page = next;
  }
  vp.first_page = vp.current_page = vp.regen_page = vp.erase_page = nullptr;
  vp.fill_offset = 0;
  close_line(vp);
  forget_replay(index);
}

// Bytes of the entity with this header, or 0 when the header is not one.
inline int entity_bytes(std::uint32_t header) {
  if (!(header & kEntityHeader)) return 0;
  const int count = static_cast<int>(header & kEntityCountMask);
  return 8 + (do_32bit_regen ? 8 : 4) * count;
}

// ---- colour-0 erasing -----------------------------------------------------------

// The erase of the current vector: the stored segment (either way round) is
// marked, and the vector is drawn once in the background colour.
template <bool Big>
void erase_vector(int index, std::uint32_t mask) {
  if (!EraseEntity(index, kEntityLine, mask)) {
    if constexpr (Big) {
      std::swap(bl1, bl2);
    } else {
      std::swap(dl1, dl2);
    }
    EraseEntity(index, kEntityLine, mask);
  }
  --ecount;
  SelectViewportArea(index);
  set_line_style(0);
  SetDrawingColour(0);
  bgnline();
  if constexpr (Big) {
    v2i(bl1);
    v2i(bl2);
  } else {
    const Int16 a[2] = {static_cast<Int16>(dl1[0]), static_cast<Int16>(dl1[1])};
    const Int16 b[2] = {static_cast<Int16>(dl2[0]), static_cast<Int16>(dl2[1])};
    v2s(a);
    v2s(b);
  }
  endline();
}

// Applies the colour-0 rule to an entity of colour 0 about to be stored:
// true when it erases instead (mode 2 after the first colour-0 entity).
bool colour0_erases() {
  const int old = erase++;
  if (old == 0) return false;
  if (cfr.word(kWordDisplayList) == 2) return true;
  ++erase;
  return false;
}

// ---- the erase search -------------------------------------------------------------

// The reference the search compares with: the current vector's ends, or the
// current polygon, as stored words.
struct EraseReference {
  std::uint32_t start[2], end[2];  // 16-bit: [0] only
  int words;                       // words a vertex
};

// Looks for a line segment start->end in the line entity at e (count
// vertices); marks its end vertex and the entity.
bool match_line(std::uint32_t *e, int count, const EraseReference &ref) {
  std::uint32_t *v = e + 2;
  if (ref.words == 1) {
    for (int i = 1; i < count; ++i) {
      const std::uint32_t b = v[i];
      if (!(b & kErased16) && (v[i - 1] & ~kErased16) == ref.start[0] && b == ref.end[0]) {
        v[i] |= kErased16;
        e[0] |= kEntityErasedSegments;
        return true;
      }
    }
  } else {
    for (int i = 1; i < count; ++i) {
      const std::uint32_t *a = v + 2 * (i - 1), *b = v + 2 * i;
      if (!(b[1] & kErased32) && a[0] == ref.start[0] && (a[1] & ~kErased32) == ref.start[1] && b[0] == ref.end[0] &&
          b[1] == ref.end[1]) {
        v[2 * i + 1] |= kErased32;
        e[0] |= kEntityErasedSegments;
        return true;
      }
    }
  }
  return false;
}

// Compares the polygon entity at e with the polygon buffer; marks it erased.
bool match_polygon(std::uint32_t *e, int count) {
  std::uint32_t *v = e + 2;
  if (!do_32bit_regen) {
    if (count != Polygon.count || count < 2 || (v[1] & kErased16)) return false;
    for (int i = 0; i < count; ++i)
      if (v[i] != Polygon.vertex[i]) return false;
    v[1] |= kErased16;
  } else {
    if (count != Polygon32.count || count < 2 || (v[3] & kErased32)) return false;
    for (int i = 0; i < count; ++i)
      if (v[2 * i] != static_cast<std::uint32_t>(Polygon32.vertex[i][0]) ||
          v[2 * i + 1] != encode_y32(Polygon32.vertex[i][1]))
        return false;
    v[3] |= kErased32;
  }
  return true;
}

// Searches one page. Entities are walked by their vertex counts, so no
// coordinate is ever taken for a header.
bool search_page(const ViewportRecord &vp, DisplayListPage *page, std::uint32_t kind, std::uint32_t mask,
                 const EraseReference &ref) {
  if (!(page->mask & mask)) return false;
  const int end = page == vp.current_page ? vp.fill_offset : static_cast<int>(page->used);
  for (int off = kPageHeaderBytes; off < end;) {
    std::uint32_t *e = page_word(page, off);
    const int bytes = entity_bytes(e[0]);
    if (bytes == 0 || off + bytes > end) break;
    off += bytes;
    if (!(e[1] & mask)) continue;
    const int count = static_cast<int>(e[0] & kEntityCountMask);
    if (kind == kEntityLine) {
      if ((e[0] & kEntityLine) && match_line(e, count, ref)) return true;
    } else if ((e[0] & (kEntityLine | kEntityPolygon)) == kEntityPolygon) {
      if (match_polygon(e, count)) return true;
    }
  }
  return false;
}

// ---- refresh records ----------------------------------------------------------------

// Room for a record of bytes in the refresh list of index: a page is taken
// when there is none or the current one is full. nullptr when no page can be
// had.
std::uint32_t *refresh_room(int index, int bytes, bool write_sentinel) {
  ViewportRecord &vp = vp_info[index];
  if (vp.refresh_fill == 0) {
    if (!NewRefreshPage(index)) return nullptr;
  } else if (write_sentinel ? vp.refresh_fill >= page_limit : vp.refresh_fill + bytes >= page_limit) {
    if (write_sentinel) *page_word(vp.refresh_current, vp.refresh_fill) = 0xFFFFFFFFu;
    if (!NewRefreshPage(index)) return nullptr;
  }
  std::uint32_t *record = page_word(vp.refresh_current, vp.refresh_fill);
  vp.refresh_fill += bytes;
  ++rentity_count;
  return record;
}

inline std::uint32_t pack16(int x, int y) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) << 16 | static_cast<std::uint16_t>(y);
}

// Refresh records with 16-bit coordinates hold int16 values.
inline bool fits_int16(int v) { return v >= INT16_MIN && v <= INT16_MAX; }

// A coordinate of the 16-bit display list: bit 15 of a vertex is the erased
// mark, so 0..32767.
inline bool fits_list16(std::int32_t v) { return v >= 0 && v <= 0x7FFF; }

}  // namespace

// ---- pages ------------------------------------------------------------------------------

void init_display_list(int page_size) {
  if (page_size < 1024 || page_size > (1 << 20)) page_size = 4096;
  page_size &= ~3;
  // A new list: every page goes, so that nothing of a session before is
  // replayed in this one and the counts below stay true.
  for (int index = 0; index < kViewportCount; ++index) {
    free_all_pages(index);
    EraseRefreshDisplayList(index);
  }
  alloc_size = page_size;
  page_limit = alloc_size - (do_32bit_regen ? 48 : 40);
  page_count = rpage_count = rentity_count = 0;
}

int GetMemory(int index) {
  if (!valid_index(index)) return 0;
  DisplayListPage *page = new_page();
  if (page == nullptr) return 0;
  ++page_count;
  ViewportRecord &vp = vp_info[index];
  const bool first = vp.first_page == nullptr;
  if (!first) {
    vp.current_page->next = page;
    page->prev = vp.current_page;
    vp.current_page->used = static_cast<std::uint32_t>(vp.fill_offset);
    vp.current_page = page;
  } else {
    vp.first_page = vp.current_page = vp.regen_page = page;
    vp.flags &= ~kVpListDrawn;
  }
  vp.erase_page = page;
  vp.fill_offset = kPageHeaderBytes;
  close_line(vp);
  if (!first && DuringRegen) RegenRedraw(index);
  if (use_localstatus)
    list_memory_changed = true;
  else
    notify(display_hooks.list_memory_changed, 0);
  return 1;
}

void ShowListMemory() {
  if (!list_memory_changed) return;
  list_memory_changed = false;
  // The status bar alone: safe from a loop run inside a packet.
  if (use_localstatus) notify(display_hooks.list_memory_changed, 0);
}

namespace {

// Where the next entity of viewport index goes: a page is taken when there
// is none, or when the current one is full (then closed with -1). Returns
// false when no page could be had.
inline bool vector_room(ViewportRecord &vp, int index) {
  if (vp.fill_offset == 0) return GetMemory(index) != 0;
  if (vp.fill_offset >= page_limit) {
    *page_word(vp.current_page, vp.fill_offset) = 0xFFFFFFFFu;
    return GetMemory(index) != 0;
  }
  return true;
}

// The current page of a viewport and its open line entity, held in locals
// while vectors are stored one after another, and put back into the record
// at the end: the page words the vectors write cannot then be taken to alias
// the record's fields. While an entity is open its header holds the record's
// vertex count and its mask word follows it.
template <bool Big>
struct ListCursor {
  ViewportRecord &vp;
  DisplayListPage *page;
  std::uint32_t *at;       // where the next entity or vertex goes
  std::uint32_t *header;   // of the open line entity; null: none
  std::int32_t colour, last, last_y;
  std::uint32_t page_mask = 0, stored = 0;

  explicit ListCursor(ViewportRecord &v)
      : vp(v), page(v.current_page), at(page_word(v.current_page, v.fill_offset)), header(v.line_header),
        colour(v.line_colour), last(v.last_point), last_y(v.last_y) {}

  // Stores a vector of colour c in the page, which has room for it: it
  // continues the open line entity when it starts at its last point in its
  // colour, else starts a new one. start and end are the points as stored
  // (16-bit: x << 16 | y; 32-bit: x, with y1 and y2 beside them).
  void put(std::uint32_t mask, std::int16_t c, std::uint32_t start, std::uint32_t end, std::int32_t y1,
           std::int32_t y2) {
    ++stored;
    page_mask |= mask;
    if (header != nullptr && c == colour && static_cast<std::uint32_t>(last) == start && (!Big || last_y == y1)) {
      // Continue the open line entity.
      header[1] |= mask;
      *at++ = end;
      if constexpr (Big) {
        *at++ = encode_y32(y2);
        last_y = y2;
      }
      last = static_cast<std::int32_t>(end);
      const std::uint32_t count = (*header & kEntityCountMask) + 1;
      *header = (*header & ~kEntityCountMask) | count;
      if (count >= kLineCountMax) {
        // close_line's state: no vector continues it.
        vp.line_count = static_cast<std::int32_t>(count);
        colour = -1;
        header = nullptr;
        last = last_y = -1;
      }
      return;
    }
    // A new line entity of two vertices.
    colour = c;
    header = at;
    at[0] = kLineHeader | (static_cast<std::uint32_t>(c) & 0xFF) << 16 | 2;
    at[1] = mask;
    at[2] = start;
    if constexpr (Big) {
      at[3] = encode_y32(y1);
      at[4] = end;
      at[5] = encode_y32(y2);
      last_y = y2;
      at += 6;
    } else {
      at[3] = end;
      at += 4;
    }
    last = static_cast<std::int32_t>(end);
  }

  // What the vectors stored change in the record, the page and the counts.
  ~ListCursor() {
    ecount += static_cast<int>(stored);
    page->mask |= page_mask;
    page->count += stored;
    vp.fill_offset = kPageHeaderBytes + 4 * static_cast<int>(at - page_word(page, kPageHeaderBytes));
    vp.line_header = header;
    vp.line_mask = header ? header + 1 : nullptr;
    if (header) vp.line_count = static_cast<std::int32_t>(*header & kEntityCountMask);
    vp.line_colour = colour;
    vp.last_point = last;
    vp.last_y = last_y;
  }
};

template <bool Big>
int append_vector(int index) {
  if (!valid_index(index)) return 0;
  ViewportRecord &vp = vp_info[index];
  ++dlist_modified;
  const std::uint32_t mask = Big ? BigVectorTileMask(bl1[0], bl1[1], bl2[0], bl2[1])
                                 : VectorTileMask(dl1[0], dl1[1], dl2[0], dl2[1]);
  if (dlcolor == 0 && colour0_erases()) {
    erase_vector<Big>(index, mask);
    return 1;
  }
  const bool room = vector_room(vp, index);
  if (!room) return 0;
  if constexpr (Big)
    ListCursor<true>(vp).put(mask, dlcolor, static_cast<std::uint32_t>(bl1[0]), static_cast<std::uint32_t>(bl2[0]),
                             bl1[1], bl2[1]);
  else
    ListCursor<false>(vp).put(mask, dlcolor, static_cast<std::uint32_t>(dl1[0]) << 16 | dl1[1],
                              static_cast<std::uint32_t>(dl2[0]) << 16 | dl2[1], 0, 0);
  return 1;
}

template <bool Big>
auto &polygon_buffer() {
  if constexpr (Big)
    return Polygon32;
  else
    return Polygon;
}

template <bool Big>
int append_polygon(int index) {
  if (!valid_index(index)) return 0;
  ViewportRecord &vp = vp_info[index];
  ++dlist_modified;
  auto &buffer = polygon_buffer<Big>();
  const int count = buffer.count;
  if (count < 1 || count > kPolygonMax) return 0;
  const std::uint32_t mask = Big ? BigPolygonTileMask() : PolygonTileMask();
  if (buffer.colour == 0 && colour0_erases()) {
    EraseEntity(index, kEntityPolygon, mask);
    --ecount;
    SelectViewportArea(index);
    buffer.colour = ConfigColor(kWordColourGraphics);
    if constexpr (Big)
      polyfill32(0);
    else
      polyfill(0);
    return 1;
  }
  const int need = (Big ? 8 : 4) * count + 8;
  if (vp.fill_offset == 0 || vp.fill_offset + need >= page_limit) {
    if (!GetMemory(index)) return 0;
  }
  ++ecount;
  DisplayListPage *page = vp.current_page;
  std::uint32_t *at = page_word(page, vp.fill_offset);
  ++page->count;
  page->mask |= mask;
  at[0] = kPolygonHeader | (static_cast<std::uint32_t>(buffer.colour) & 0xFF) << 16 | static_cast<std::uint32_t>(count);
  at[1] = mask;
  for (int i = 0; i < count; ++i) {
    if constexpr (Big) {
      at[2 + 2 * i] = static_cast<std::uint32_t>(buffer.vertex[i][0]);
      at[3 + 2 * i] = encode_y32(buffer.vertex[i][1]);
    } else {
      at[2 + i] = buffer.vertex[i];
    }
  }
  vp.fill_offset += need;
  close_line(vp);
  vp.line_colour = buffer.colour;
  vp.last_point = Big ? -1 : static_cast<std::int32_t>(0xFFFEFFFFu);
  return 1;
}

}  // namespace

// Every page holds the coordinate width of the session (do_32bit_regen), as
// the replays read it: an entity of the other width is stored in that one, or
// refused when its coordinates do not fit the 16-bit form.

int AppendVector(int index) {
  if (!do_32bit_regen) return append_vector<false>(index);
  bl1[0] = dl1[0];
  bl1[1] = dl1[1];
  bl2[0] = dl2[0];
  bl2[1] = dl2[1];
  return append_vector<true>(index);
}

int AppendVectors(int index, const std::uint32_t *ends, const std::int16_t *colours, int n) {
  if (do_32bit_regen || !valid_index(index)) return 0;
  ViewportRecord &vp = vp_info[index];
  int i = 0;
  // AppendVector's way for each while its page has room: a vector takes 16
  // bytes at most, so as many as that leaves room for are stored at once.
  while (i < n && vp.fill_offset != 0 && vp.fill_offset < page_limit) {
    std::uint32_t masks[64];
    const int fit = std::min({n - i, (page_limit - vp.fill_offset + 15) / 16, 64});
    PackedVectorTileMasks(ends + 2 * i, masks, fit);
    dlist_modified += fit;
    ListCursor<false> cursor(vp);
    for (int k = 0; k < fit; ++k, ++i) cursor.put(masks[k], colours[i], ends[2 * i], ends[2 * i + 1], 0, 0);
  }
  return i;
}

int AppendBigVector(int index) {
  if (do_32bit_regen) return append_vector<true>(index);
  if (!fits_list16(bl1[0]) || !fits_list16(bl1[1]) || !fits_list16(bl2[0]) || !fits_list16(bl2[1])) return 0;
  dl1[0] = static_cast<std::uint16_t>(bl1[0]);
  dl1[1] = static_cast<std::uint16_t>(bl1[1]);
  dl2[0] = static_cast<std::uint16_t>(bl2[0]);
  dl2[1] = static_cast<std::uint16_t>(bl2[1]);
  return append_vector<false>(index);
}

int AppendPolygon(int index) {
  if (!do_32bit_regen) return append_polygon<false>(index);
  WidenPolygon();
  return append_polygon<true>(index);
}

int AppendBigPolygon(int index) {
  if (do_32bit_regen) return append_polygon<true>(index);
  return NarrowPolygon() ? append_polygon<false>(index) : 0;
}

void WidenPolygon() {
  const int count = std::clamp(Polygon.count, 0, kPolygonMax);
  for (int i = 0; i < count; ++i) {
    Polygon32.vertex[i][0] = static_cast<std::int32_t>(Polygon.vertex[i] >> 16 & 0x7FFF);
    Polygon32.vertex[i][1] = static_cast<std::int32_t>(Polygon.vertex[i] & 0x7FFF);
  }
  Polygon32.count = Polygon.count;
  Polygon32.colour = Polygon.colour;
}

int NarrowPolygon() {
  const int count = std::clamp(Polygon32.count, 0, kPolygonMax);
  for (int i = 0; i < count; ++i)
    if (!fits_list16(Polygon32.vertex[i][0]) || !fits_list16(Polygon32.vertex[i][1])) return 0;
  for (int i = 0; i < count; ++i)
    Polygon.vertex[i] = static_cast<std::uint32_t>(Polygon32.vertex[i][0]) << 16 |
                        static_cast<std::uint32_t>(Polygon32.vertex[i][1]);
  Polygon.count = Polygon32.count;
  Polygon.colour = Polygon32.colour;
  return 1;
}

int EraseEntity(int index, std::uint32_t kind, std::uint32_t mask) {
  if (!valid_index(index)) return 0;
  ViewportRecord &vp = vp_info[index];
  if (vp.first_page == nullptr) return 0;

  EraseReference ref{};
  if (!do_32bit_regen) {
    ref.words = 1;
    ref.start[0] = static_cast<std::uint32_t>(dl1[0]) << 16 | dl1[1];
    ref.end[0] = static_cast<std::uint32_t>(dl2[0]) << 16 | dl2[1];
  } else {
    ref.words = 2;
    ref.start[0] = static_cast<std::uint32_t>(bl1[0]);
    ref.start[1] = encode_y32(bl1[1]);
    ref.end[0] = static_cast<std::uint32_t>(bl2[0]);
    ref.end[1] = encode_y32(bl2[1]);
  }

  // From the cursor to the last page, then back from the page before it.
  DisplayListPage *cursor = vp.erase_page != nullptr ? vp.erase_page : vp.first_page;
  DisplayListPage *found = nullptr;
  for (DisplayListPage *page = cursor; page != nullptr && !found; page = page->next)
    if (search_page(vp, page, kind, mask, ref)) found = page;
  for (DisplayListPage *page = cursor->prev; page != nullptr && !found; page = page->prev)
    if (search_page(vp, page, kind, mask, ref)) found = page;
  if (!found) {
    vp.erase_page = vp.first_page;
    return 0;
  }
  ++found->erased;
  if (found->erased >= found->count)
    FreeDisplayListPage(index, found);
  else
    vp.erase_page = found;
  return 1;
}

void FreeDisplayListPage(int index, DisplayListPage *page) {
  if (!valid_index(index) || page == nullptr) return;
  ViewportRecord &vp = vp_info[index];
  if (page == vp.first_page) {
    DisplayListPage *next = page->next;
    if (next == nullptr) {
      vp.erase_page = vp.first_page;
      return;
    }
    next->prev = nullptr;
    vp.first_page = next;
    vp.erase_page = next;
    if (vp.current_page == page) vp.current_page = next;
    if (vp.regen_page == page) vp.regen_page = next;
  } else if (page == vp.current_page) {
    vp.erase_page = page->prev;
    return;
  } else {
    page->prev->next = page->next;
    if (page->next != nullptr) page->next->prev = page->prev;
    vp.erase_page = page->next != nullptr ? page->next : vp.first_page;
    if (vp.regen_page == page) vp.regen_page = page->next;
  }
  forget_replay(index);
  MyFree(page);
  if (page_count > 0) --page_count;
  notify(display_hooks.list_memory_changed, 1);
}

void EraseDisplayList(int index) {
  if (!valid_index(index)) return;
  ViewportRecord &vp = vp_info[index];
  if (vp.fill_offset == 0 || vp.first_page == nullptr) return;
  DisplayListPage *first = vp.first_page;
  for (DisplayListPage *page = first->next; page != nullptr;) {
    DisplayListPage *next = page->next;
    MyFree(page);
    if (page_count > 0) --page_count;
    page = next;
  }
  first->next = first->prev = nullptr;
  first->used = first->mask = first->count = first->erased = 0;
  vp.current_page = vp.regen_page = vp.erase_page = first;
  vp.flags &= ~kVpListDrawn;
  vp.fill_offset = kPageHeaderBytes;
  close_line(vp);
  forget_replay(index);
  erase = 0;
  if (vp.number != -1 && vp.number == BirdseyeViewport) notify(display_hooks.picture_stale);
}

// ---- refresh list ------------------------------------------------------------------

int NewRefreshPage(int index) {
  if (!valid_index(index)) return 0;
  DisplayListPage *page = new_page();
  if (page == nullptr) return 0;
  ++rpage_count;
  ViewportRecord &vp = vp_info[index];
  if (vp.refresh_first != nullptr) {
    vp.refresh_current->next = page;
    page->prev = vp.refresh_current;
    vp.refresh_current->used = static_cast<std::uint32_t>(vp.refresh_fill);
  } else {
    vp.refresh_first = page;
  }
  vp.refresh_current = page;
  vp.refresh_fill = kPageHeaderBytes;
  return 1;
}

int RefreshRecordSize(std::uint32_t header) {
  const int coordinate = do_32bit_regen ? 8 : 4;
  switch (refresh_kind(header)) {
    case kRefreshIsPoint:
      return 8;
    case kRefreshIsVector:
      return 4 + 2 * coordinate;
    case kRefreshIsPolygon: {
      const int count = static_cast<int>(header & kRefreshPolygonCount);
      return count >= 1 && count <= kPolygonMax ? 4 + coordinate * count : 0;
    }
    default:
      return 0;
  }
}

void AppendRefreshVector(int x1, int y1, int x2, int y2, int colour, int highlighted, int index) {
  if (!valid_index(index)) return;
  // A record that would come back as another line is not kept.
  if (!do_32bit_regen && !(fits_int16(x1) && fits_int16(y1) && fits_int16(x2) && fits_int16(y2))) return;
  std::uint32_t header = kRefreshVector + 5;
  if (colour == -1) header |= kRefreshXor;
  if (highlighted) header |= kRefreshHighlight;
  std::uint32_t *r = refresh_room(index, RefreshRecordSize(header), true);
  if (r == nullptr) return;
  r[0] = header << 16 | static_cast<std::uint32_t>(index) << 8 | (static_cast<std::uint32_t>(colour) & 0xFF);
  if (do_32bit_regen) {
    r[1] = static_cast<std::uint32_t>(x1);
    r[2] = static_cast<std::uint32_t>(y1);
    r[3] = static_cast<std::uint32_t>(x2);
    r[4] = static_cast<std::uint32_t>(y2);
  } else {
    r[1] = pack16(x1, y1);
    r[2] = pack16(x2, y2);
  }
}

void AppendRefreshPoint(int x, int y) {
  if (!fits_int16(x) || !fits_int16(y)) return;
  std::uint32_t *r = refresh_room(0, 8, true);
  if (r == nullptr) return;
  r[0] = kRefreshPoint << 16 | static_cast<std::uint32_t>(ConfigColor(kWordColourXor));
  r[1] = pack16(x, y);
}

void AppendRefreshPolygon(int highlighted, int index) {
  if (!valid_index(index)) return;
  const int count = do_32bit_regen ? Polygon32.count : Polygon.count;
  if (count < 1 || count > kPolygonMax) return;
  std::uint32_t header = kRefreshPolygon + static_cast<std::uint32_t>(count);
  if (highlighted) header |= kRefreshHighlight;
  std::uint32_t *r = refresh_room(index, RefreshRecordSize(header), false);
  if (r == nullptr) return;
  const int colour = do_32bit_regen ? Polygon32.colour : Polygon.colour;
  r[0] = header << 16 | static_cast<std::uint32_t>(index) << 8 | (static_cast<std::uint32_t>(colour) & 0xFF);
  for (int i = 0; i < count; ++i) {
    if (do_32bit_regen) {
      r[1 + 2 * i] = static_cast<std::uint32_t>(Polygon32.vertex[i][0]);
      r[2 + 2 * i] = encode_y32(Polygon32.vertex[i][1]);
    } else {
      r[1 + i] = Polygon.vertex[i];
    }
  }
}

void EraseRefreshDisplayList(int index) {
  if (!valid_index(index)) return;
  ViewportRecord &vp = vp_info[index];
  for (DisplayListPage *page = vp.refresh_first; page != nullptr;) {
    DisplayListPage *next = page->next;
    MyFree(page);
    if (rpage_count > 0) --rpage_count;
    page = next;
  }
  vp.refresh_fill = 0;
  vp.refresh_first = vp.refresh_current = nullptr;
  rentity_count = 0;
}

// ---- statistics ----------------------------------------------------------------------

const char *dlist_kbytes() {
  static char text[128];
  std::snprintf(text, sizeof text, "%d pages of %s-bit Display List memory allocated (%dkB)", page_count,
                do_32bit_regen ? "32" : "16", static_cast<int>((static_cast<std::int64_t>(page_count) * alloc_size) >> 10));
  return text;
}

ListStatistics list_statistics() {
  ListStatistics st{};
  int &page_hits = st.page_hits, &entity_hits = st.entity_hits, &colour_changes = st.colour_changes;
  int &polygons = st.polygons, &vectors = st.vectors, &polylines = st.polylines;
  int &polyline_segments = st.polyline_segments, &longest = st.longest;
  std::uint32_t last_colour = 0xFFFFFFFFu;
  for (int index = 1; index < kViewportCount; ++index) {
    const ViewportRecord &vp = vp_info[index];
    for (const DisplayListPage *page = vp.first_page; page != nullptr; page = page->next) {
      if (page->mask & static_cast<std::uint32_t>(view_extents)) ++page_hits;
      const int end = page == vp.current_page ? vp.fill_offset : static_cast<int>(page->used);
      for (int off = kPageHeaderBytes; off < end;) {
        const std::uint32_t *e = page_word(page, off);
        const int bytes = entity_bytes(e[0]);
        if (bytes == 0 || off + bytes > end) break;
        off += bytes;
        if (e[1] & static_cast<std::uint32_t>(view_extents)) ++entity_hits;
        const std::uint32_t colour = e[0] >> 16 & 0xFF;
        if (colour != last_colour) ++colour_changes;
        last_colour = colour;
        const int count = static_cast<int>(e[0] & kEntityCountMask);
        if (e[0] & kEntityPolygon) {
          ++polygons;
        } else if (e[0] & kEntityLine) {
          if (count == 2) {
            ++vectors;
          } else {
            ++polylines;
            polyline_segments += count - 1;
            if (count > longest) longest = count;
          }
        }
      }
    }
  }
  st.total = vectors + polyline_segments;
  return st;
}
