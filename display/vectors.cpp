// 2D vector and polygon packets: vectors (16-bit, 32-bit, batched), screen
// lines, filled polygons, dots, rows of dots, the clear packet and the page
// flip, with the line and fill routines the replays share.
#include "display/vectors.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "base/build.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/x_session.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int dlvpnum;
int current_style;
int RefreshHilight;
int xor_line_started = 1;

namespace {

// Vector flags.
enum : int {
  kFlagHighlight = 9,      // bit 0 plain then dashed in the background, bit 3 line style 1
  kFlagNoRecord = 0x220,   // keeps the vector out of the refresh and record lists
  kFlagMark32 = 0x800,     // record flag 32 on the viewport
  kFlagMark64 = 0x4000,    // record flag 64 on the viewport
};
// Polygon flags.
enum : int { kFillHighlight = 1, kFillDrawOnly = 2 };

// Most dots a row packet draws (a row across the largest window many times).
constexpr std::int64_t kRowMax = 1 << 16;

inline bool valid_index(int index) { return index >= 0 && index < kViewportCount; }

// The whole window in pixels, unless loaded.
void select_screen() {
  SelectScreenMatrix();
}

inline int clamp_int(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// A 16-bit packet coordinate: bit 15 is not part of it.
inline int coord16(const Packet &p, std::size_t off) { return p.u16(off) & 0x7FFF; }

// A viewport point of index as a pixel of the graphics area. View sizes of 0
// or less count as 1.
void point_to_screen(const ViewportRecord &vp, int *x, int *y) {
  const double vw = vp.view_width > 0 ? vp.view_width : 1, vh = vp.view_height > 0 ? vp.view_height : 1;
  const double sx = (static_cast<double>(*x) - vp.view_x1) * vp.width / vw + vp.x1;
  const double sy = (static_cast<double>(*y) - vp.view_y1) * vp.height / vh + vp.y1 - ymin;
  *x = static_cast<int>(std::clamp(sx, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
  *y = static_cast<int>(std::clamp(sy, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// A drawing record of type 5 or 32 for the pushed screen box.
void store_record(int type, int x1, int y1, int x2, int y2, int index, int colour, int highlight) {
  AUIRecord *record = GetAUIListPtr();
  if (record == nullptr) return;
  record->type = type;
  record->x1 = x1;
  record->y1 = y1;
  record->x2 = x2;
  record->y2 = y2;
  record->viewport = index;
  record->colour = colour;
  record->flags = highlight;
  StoreAUIListPtr(kAUIRecordBytes);
}

// The refresh and record lists of a vector packet. Returns true when the
// vector goes to the refresh list (a candidate without a drawing record).
bool note_vector(int index, int flags, int colour, int highlight, int x1, int y1, int x2, int y2) {
  if (flags == 0 || !cfr.word(kWordRefreshList) || (flags & kFlagNoRecord)) return false;
  if (flags & kFlagMark32) {
    const int target = index == 0 ? CurrentViewport : index;
    if (valid_index(target)) vp_info[target].flags |= kVpVectorMark;
  } else if ((flags & kFlagMark64) && valid_index(index)) {
    vp_info[index].flags |= kVpVectorMark2;
  }
  if (pushcount == 0) {
    if (highlight && colour != -1) RefreshHilight = 1;
    return true;
  }
  if (CurrentPmark[kPmarkState] == 0) {
    store_record(kAUIVector, x1, y1, x2, y2, index, colour, highlight);
    return false;
  }
  return true;
}

// The vertices of a polygon, 16-bit (packed words) or 32-bit (x, y pairs).
void polygon_vertices(const std::uint32_t *v, int count) {
  for (int i = 0; i < count; ++i) {
    const Int16 p[2] = {static_cast<Int16>(v[i] >> 16 & 0x7FFF), static_cast<Int16>(v[i] & 0x7FFF)};
    v2s(p);
  }
}
void polygon_vertices(const std::int32_t (*v)[2], int count) {
  for (int i = 0; i < count; ++i) v2i(v[i]);
}

template <typename V>
void fill_and_outline(const V &v, int count) {
  bgnpolygon();
  polygon_vertices(v, count);
  endpolygon();
  if (cfr.word(kWordPolygonOutline)) {
    bgnline();
    polygon_vertices(v, count);
    polygon_vertices(v, 1);
    endline();
  }
}

template <typename V>
void fill_polygon(const V &v, int count, int colour, int highlight) {
  if (count < 1) return;
  SetDrawingColour(colour);
  set_line_style(0);
  fill_and_outline(v, count);
  if (highlight) {
    setpattern(1);
    SetDrawingColour(0);
    bgnpolygon();
    polygon_vertices(v, count);
    endpolygon();
    setpattern(0);
    if (cfr.word(kWordPolygonOutline)) {
      set_line_style(1);
      bgnline();
      polygon_vertices(v, count);
      polygon_vertices(v, 1);
      endline();
      set_line_style(0);
    }
  }
}

}  // namespace

// ---- shared routines --------------------------------------------------------------------

void set_line_style(int style) {
  if (current_style == style) return;
  current_style = style;
  setlinestyle(style);
}

void SetDrawingColour(int colour) { c3f(DisplayMap[DrawingColorIndex(colour)]); }

void SelectViewportArea(int index) {
  if (CurrentMatrixNumber == index) return;
  if (index == 0) {
    SetClippingRectangle(xmin, Pkinit.field[kPkinitWidth], ymin, ymin + Pkinit.field[kPkinitHeight], 0);
  } else if (valid_index(index)) {
    const ViewportRecord &vp = vp_info[index];
    SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, index);
  }
}

void ndl_line(int x1, int y1, int x2, int y2, int colour, int highlight) {
  if (x1 == 1 && x2 == 1) {
    x1 = x2 = 2;
  } else if (x1 == 0 && x2 == 0) {
    x1 = x2 = 1;
  }
  if (colour >= 1) {
    SetDrawingColour(colour);
    if (highlight == 0) {
      set_line_style(0);
      MyLine(x1, y1, x2, y2);
    } else if (highlight & 1) {
      set_line_style(0);
      MyLine(x1, y1, x2, y2);
      set_line_style(2);
      SetDrawingColour(0);
      MyLine(x1, y1, x2, y2);
    } else {
      set_line_style(1);
      MyLine(x1, y1, x2, y2);
    }
  } else if (colour < 0) {
    BeginXorDrawing();
    MyXcolor(ConfigColor(kWordColourXor));
    set_line_style(highlight ? 2 : 0);
    const Int32 a[2] = {x1, y1}, b[2] = {x2, y2};
    bgnline();
    v2i(a);
    v2i(b);
    if (xor_line_started)
      v2i(b);
    else
      xor_line_started = 1;
    endline();
    EndXorDrawing();
  } else {
    SetDrawingColour(0);
    set_line_style(0);
    MyLine(x1, y1, x2, y2);
  }
}

void dl_line() {
  if (dl1[0] == 1 && dl2[0] == 1) {
    dl1[0] = dl2[0] = 2;
  } else if (dl1[0] == 0 && dl2[0] == 0) {
    dl1[0] = dl2[0] = 1;
  }
  const int index = dlvpnum;
  if (!valid_index(index)) return;
  if (cfr.word(kWordDisplayList)) {
    AppendVector(index);
    if (DuringRegen) return;
    vp_info[index].flags |= kVpListDrawn;
  }
  SelectViewportArea(index);
  set_line_style(0);
  SetDrawingColour(dlcolor);
  MyLine(dl1[0], dl1[1], dl2[0], dl2[1]);
}

void polyfill(int highlight) {
  fill_polygon(Polygon.vertex, std::clamp(Polygon.count, 0, kPolygonMax), Polygon.colour, highlight);
}

void polyfill32(int highlight) {
  fill_polygon(Polygon32.vertex, std::clamp(Polygon32.count, 0, kPolygonMax), Polygon32.colour, highlight);
}

void AUI_pvec(const AUIRecord *record) {
  const int index = record->viewport;
  if (!valid_index(index)) return;
  SelectViewportArea(index);
  ndl_line(record->x1, record->y1, record->x2, record->y2, MapPacketColor(record->colour), record->flags);
}

void AUI_pline(const AUIRecord *record) {
  xor_line_started = 0;
  select_screen();
  ndl_line(record->x1, ysize - record->y1 - 1, record->x2, ysize - record->y2 - 1, MapPacketColor(record->colour),
           record->flags);
}

void DrawBorders() {
  if (!(Pkinit.field[kPkinitFlags] & 0xA000)) return;
  select_screen();
  if (PromptArea) {
    MyColor(ConfigColor(kWordColourBorder));
    MyLine(0, ymin - 1, xsize - 1, ymin - 1);
  }
  if (ScreenMenu) {
    const int c = cfr.word(kWordBorderColour);
    MyColor(c >= 0 && c < kColourCount ? c : 7);
    const int x = Pkinit.field[kPkinitWidth] + 1;
    MyLine(x, ymax, x, ymin);
  }
  if (!use_localmenu && !StatusLine) FilledBox(xmin, ymax + 1, xsize - 1, ysize - 1, ConfigColor(kWordColourBorder), 0);
}

void ViewportToScreen(int *x1, int *y1, int *x2, int *y2, int index) {
  if (!valid_index(index)) return;
  point_to_screen(vp_info[index], x1, y1);
  point_to_screen(vp_info[index], x2, y2);
}

int ViewOutcode(int x1, int y1, int x2, int y2, int index) {
  if (!valid_index(index)) return 0;
  const ViewportRecord &vp = vp_info[index];
  if (vp.extents_mask == kNoViewExtents) return 0;
  auto outcode = [&](int x, int y) {
    return (x < vp.view_x1 ? 1 : 0) | (x > vp.view_x2 ? 2 : 0) | (y < vp.view_y1 ? 4 : 0) | (y > vp.view_y2 ? 8 : 0);
  };
  return outcode(x1, y1) & outcode(x2, y2);
}

int IsSmallSpan(int x1, int x2, int y1, int y2) {
  const std::int64_t limit = do_32bit_regen ? 10 : 2;
  return std::llabs(static_cast<std::int64_t>(x1) - x2) < limit && std::llabs(static_cast<std::int64_t>(y1) - y2) < limit;
}

void MarkRefreshInside(int index) {
  if (!valid_index(index)) return;
  const ViewportRecord &area = vp_info[index];
  const int x1 = area.x1, x2 = area.x2, y1 = area.y1 - ymin, y2 = area.y2 - ymin;
  auto inside = [&](int x, int y) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; };
  const ViewportRecord &whole = vp_info[0];
  for (DisplayListPage *page = whole.refresh_first; page != nullptr; page = page->next) {
    const int end = page == whole.refresh_current ? whole.refresh_fill : static_cast<int>(page->used);
    for (int off = kPageHeaderBytes; off < end;) {
      std::uint32_t *r = page_word(page, off);
      const std::uint32_t header = r[0] >> 16;
      const int size = RefreshRecordSize(header);
      if (size == 0 || off + size > end) break;
      off += size;
      if (header & kRefreshShown) continue;
      bool in = true;
      switch (refresh_kind(header)) {
        case kRefreshIsVector:
          if (do_32bit_regen)
            in = inside(static_cast<std::int32_t>(r[1]), static_cast<std::int32_t>(r[2])) &&
                 inside(static_cast<std::int32_t>(r[3]), static_cast<std::int32_t>(r[4]));
          else
            in = inside(static_cast<std::int16_t>(r[1] >> 16), static_cast<std::int16_t>(r[1])) &&
                 inside(static_cast<std::int16_t>(r[2] >> 16), static_cast<std::int16_t>(r[2]));
          break;
        case kRefreshIsPoint:
          in = inside(static_cast<std::int16_t>(r[1] >> 16), static_cast<std::int16_t>(r[1]));
          break;
        default:
          for (int i = 0; i < static_cast<int>(header & kRefreshPolygonCount) && in; ++i)
            in = do_32bit_regen ? inside(static_cast<std::int32_t>(r[1 + 2 * i]), decode_y32(r[2 + 2 * i]))
                                : inside(static_cast<int>(r[1 + i] >> 16 & 0x7FFF), static_cast<int>(r[1 + i] & 0x7FFF));
          break;
      }
      if (in) r[0] |= kRefreshShown << 16;
    }
  }
}

// ---- packets ---------------------------------------------------------------------------

// A vector for viewport 0 or an unknown viewport: drawn in the whole
// graphics area (and kept in the refresh list) unless the mark forbids it.
static void draw_in_whole_area(int x1, int y1, int x2, int y2, int colour, int highlight, bool refresh) {
  if (CurrentPmark[kPmarkTaken] != 0) return;
  if (refresh) AppendRefreshVector(x1, y1, x2, y2, colour, highlight, 0);
  SelectViewportArea(0);
  ndl_line(x1, y1, x2, y2, colour, highlight);
}

// pvec's other cases: highlighted, refreshed or special vectors, and those
// outside any viewport.
[[gnu::noinline]] static int other_vector(int index, int flags, int colour, int x1, int y1, int x2, int y2) {
  const int highlight = flags & kFlagHighlight;
  const bool refresh = note_vector(index, flags, colour, highlight, x1, y1, x2, y2);
  if (index >= 1) {
    if (refresh && (CurrentPmark[kPmarkTaken] == 0 || highlight)) AppendRefreshVector(x1, y1, x2, y2, colour, highlight, index);
    SelectViewportArea(index);
    ndl_line(x1, y1, x2, y2, colour, highlight);
    return 0;
  }
  draw_in_whole_area(x1, y1, x2, y2, colour, highlight, refresh);
  return 0;
}

namespace {

// The fields of a vector packet: x1, y1, x2, y2 (bit 15 cleared), colour as
// sent, flags, viewport number.
struct VectorFields {
  int x1, y1, x2, y2, colour, flags, viewport;
};

// A vector packet of 16 bytes or more: opcode, x1, y1, x2, y2, colour,
// flags, viewport, each 16 bits.
inline VectorFields vector_fields(const std::uint8_t *bytes) {
  const std::uint32_t start = load_be32(bytes + 2), end = load_be32(bytes + 6), colour_flags = load_be32(bytes + 10);
  return {static_cast<int>(start >> 16 & 0x7FFF), static_cast<int>(start & 0x7FFF), static_cast<int>(end >> 16 & 0x7FFF),
          static_cast<int>(end & 0x7FFF), static_cast<std::int16_t>(colour_flags >> 16),
          static_cast<int>(colour_flags & 0xFFFF), static_cast<std::int16_t>(load_be16(bytes + 14))};
}

int one_vector(const VectorFields &f) {
  const int colour = MapPacketColor(f.colour);
  const int index = ViewportLookup(f.viewport);
  dlvpnum = index;
  dlcolor = static_cast<std::int16_t>(colour);
  dl1[0] = static_cast<std::uint16_t>(f.x1);
  dl1[1] = static_cast<std::uint16_t>(f.y1);
  dl2[0] = static_cast<std::uint16_t>(f.x2);
  dl2[1] = static_cast<std::uint16_t>(f.y2);
  if (index < 1 || f.flags != 0) return other_vector(index, f.flags, colour, f.x1, f.y1, f.x2, f.y2);
  // The common case: a plain vector of the display list.
  if (cfr.word(kWordRefreshList) && pushcount == 0) RefreshHilight = 0;
  dl_line();
  return 0;
}

}  // namespace

int pvec(Packet &p) {
  // A shorter packet reads as zeros past its end.
  std::uint8_t bytes[16];
  for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = p.u8(i);
  return one_vector(vector_fields(bytes));
}

void pvecs(const std::uint8_t *first, std::size_t stride, int count) {
  // Plain vectors of one viewport are taken in chunks: each stored, then
  // drawn, a colour at a time, with what pvec sets up for each (the
  // viewport's area, the line style, the colour) set up once. Nothing in
  // between draws or changes what drawing depends on: a vector that needs
  // more (a new page, colour 0, flags) ends the chunk and goes through
  // one_vector.
  constexpr int kChunk = 128;
  std::uint32_t ends[2 * kChunk];   // as AppendVectors and kgl_lines2s take them
  std::int16_t colours[kChunk];
  for (int i = 0; i < count;) {
    const VectorFields f = vector_fields(first + stride * static_cast<std::size_t>(i));
    const int index = ViewportLookup(f.viewport);
    if (index < 1 || f.flags != 0 || MapPacketColor(f.colour) == 0 || !cfr.word(kWordDisplayList) || DuringRegen ||
        do_32bit_regen) {
      one_vector(f);
      ++i;
      continue;
    }
    // The packets' fields as they lie: viewport, colour and flags, and the
    // points, which the list keeps as they come (x << 16 | y) once bit 15 of
    // each coordinate is cleared.
    const std::uint16_t viewport = static_cast<std::uint16_t>(f.viewport);
    int m = 0;
    for (const std::uint8_t *p = first + stride * static_cast<std::size_t>(i); m < kChunk && i + m < count;
         ++m, p += stride) {
      const std::uint32_t colour_flags = load_be32(p + 10);
      const int colour = MapPacketColor(static_cast<std::int16_t>(colour_flags >> 16));
      if (load_be16(p + 14) != viewport || (colour_flags & 0xFFFF) != 0 || colour == 0) break;
      std::uint32_t start = load_be32(p + 2) & 0x7FFF7FFF, end = load_be32(p + 6) & 0x7FFF7FFF;
      // dl_line's move of a vertical line at x = 0 or 1.
      if ((start ^ end) >> 16 == 0 && start >> 16 <= 1) start += 0x10000, end += 0x10000;
      ends[2 * m] = start;
      ends[2 * m + 1] = end;
      colours[m] = static_cast<std::int16_t>(colour);
    }
    if (cfr.word(kWordRefreshList) && pushcount == 0) RefreshHilight = 0;
    const int stored = AppendVectors(index, ends, colours, m);
    if (stored > 0) {
      vp_info[index].flags |= kVpListDrawn;
      SelectViewportArea(index);
      set_line_style(0);
      for (int a = 0, b; a < stored; a = b) {
        for (b = a + 1; b < stored && colours[b] == colours[a];) ++b;
        kgl_lines2s(DisplayMap[DrawingColorIndex(colours[a])], ends + 2 * a, b - a);
      }
      dlvpnum = index;
      dlcolor = colours[stored - 1];
      const std::uint32_t start = ends[2 * stored - 2], end = ends[2 * stored - 1];
      dl1[0] = static_cast<std::uint16_t>(start >> 16);
      dl1[1] = static_cast<std::uint16_t>(start);
      dl2[0] = static_cast<std::uint16_t>(end >> 16);
      dl2[1] = static_cast<std::uint16_t>(end);
    }
    i += stored;
    // The vector the chunk's page has no room for.
    if (stored < m) one_vector(vector_fields(first + stride * static_cast<std::size_t>(i++)));
  }
}

int pbigvec(Packet &p) {
  const int colour = MapPacketColor(p.i16(4));
  const int flags = p.u16(6);
  std::int32_t x1 = p.i32(8), y1 = p.i32(12), x2 = p.i32(16), y2 = p.i32(20);
  const int index = ViewportLookup(p.i16(24));
  const int highlight = p.u16(4) < 65535 ? flags & kFlagHighlight : 0;
  dlvpnum = index;
  dlcolor = static_cast<std::int16_t>(colour);
  bl1[0] = x1;
  bl1[1] = y1;
  bl2[0] = x2;
  bl2[1] = y2;
  const bool refresh = note_vector(index, flags, colour, highlight, x1, y1, x2, y2);

  if (index >= 1) {
    ViewportRecord &vp = vp_info[index];
    if (flags == 0) {
      if (cfr.word(kWordRefreshList) && pushcount == 0) RefreshHilight = 0;
      if (!cfr.word(kWordDisplayList)) return 0;
      AppendBigVector(index);
      if (DuringRegen) return 0;
      vp.flags |= kVpListDrawn;
      SelectViewportArea(index);
      set_line_style(0);
      SetDrawingColour(colour);
      MyLine(x1, y1, x2, y2);
      return 0;
    }
    if (refresh && (CurrentPmark[kPmarkTaken] == 0 || highlight)) {
      int sx1 = x1, sy1 = y1, sx2 = x2, sy2 = y2;
      ViewportToScreen(&sx1, &sy1, &sx2, &sy2, index);
      AppendRefreshVector(sx1, sy1, sx2, sy2, colour, highlight, 0);
    }
    SelectViewportArea(index);
    ndl_line(x1, y1, x2, y2, colour, highlight);
    return 0;
  }
  draw_in_whole_area(x1, y1, x2, y2, colour, highlight, refresh);
  return 0;
}

int pbatchvec(Packet &p) {
  constexpr std::size_t kFirst = 8, kRecord = 24;
  const int asked = p.i16(4);
  const int present = p.size() >= kFirst ? static_cast<int>((p.size() - kFirst) / kRecord) : 0;
  const int n = std::clamp(asked, 0, present);
  set_line_style(0);
  for (int i = 0; i < n; ++i) {
    const std::size_t r = kFirst + kRecord * static_cast<std::size_t>(i);
    const int index = ViewportLookup(p.i16(r + 20));
    if (index < 0) continue;
    const int colour = MapPacketColor(p.i16(r));
    dlcolor = static_cast<std::int16_t>(colour);
    bl1[0] = p.i32(r + 4);
    bl1[1] = p.i32(r + 8);
    bl2[0] = p.i32(r + 12);
    bl2[1] = p.i32(r + 16);
    if (cfr.word(kWordDisplayList)) {
      AppendBigVector(index);
      if (DuringRegen) continue;
    }
    vp_info[index].flags |= kVpListDrawn;
    SelectViewportArea(index);
    SetDrawingColour(colour);
    MyLine(bl1[0], bl1[1], bl2[0], bl2[1]);
  }
  return 0;
}

namespace {

// The degenerate polygons of fewer than 5 vertices that are stored as one
// vector: the vertices it runs between, or false for the general path.
template <typename X>
bool degenerate_vector(int n, const X &x, const X &y, int *a, int *b) {
  auto small = [&](int i, int j) { return IsSmallSpan(x[i], x[j], y[i], y[j]) != 0; };
  switch (n) {
    case 1:
      *a = *b = 0;
      return true;
    case 2:
      *a = 0;
      *b = 1;
      return true;
    case 3:
      if (small(0, 1)) {
        *a = 0;
        *b = 2;
        return true;
      }
      if (small(0, 2)) {
        *a = 0;
        *b = 1;
        return true;
      }
      return false;
    case 4:
      if (small(0, 1) && small(2, 3)) {
        *a = 0;
        *b = 2;
        return true;
      }
      if (!small(0, 1) && small(0, 3) && small(1, 2)) {
        *a = 0;
        *b = 1;
        return true;
      }
      return false;
    default:
      return false;
  }
}

// The general path of pfill and pbfill once the polygon buffer of the
// coordinate width in force (Big) is filled. A polygon the lists cannot hold
// (kept false) is only drawn.
template <bool Big>
void fill_packet_polygon(int index, int highlight, int draw_only, bool kept) {
  auto fill = [&] {
    if constexpr (Big)
      polyfill32(highlight);
    else
      polyfill(highlight);
  };
  const bool refresh = cfr.word(kWordRefreshList) && kept;
  if (index == 0) {
    SelectViewportArea(0);
    fill();
    if (refresh) AppendRefreshPolygon(highlight, 0);
    return;
  }
  if (!highlight) {
    if (cfr.word(kWordRefreshList)) RefreshHilight = 0;
    if (cfr.word(kWordDisplayList) && !draw_only && kept) {
      if constexpr (Big)
        AppendBigPolygon(index);
      else
        AppendPolygon(index);
      if (DuringRegen) {
        vp_info[index].flags &= ~kVpListDrawn;
        return;
      }
      vp_info[index].flags |= kVpListDrawn;
    }
  }
  if (refresh) AppendRefreshPolygon(highlight, index);
  SelectViewportArea(index);
  fill();
}

}  // namespace

int pfill(Packet &p) {
  const int n = p.u16(6);
  if (n > kPolygonMax || 8 + 4 * static_cast<std::size_t>(n) > p.size()) return 0;
  const int colour = MapPacketColor(p.i16(2));
  const int flags = p.u16(4);
  const int highlight = flags & kFillHighlight, draw_only = flags & kFillDrawOnly;
  const int index = ViewportLookup(p.i16(56));
  if (index < 0 || n == 0) return 0;
  const bool listed = index != 0 && !draw_only && cfr.word(kWordDisplayList) && !highlight;
  if (cfr.word(kWordRefreshList) && highlight) RefreshHilight = 1;

  int x[kPolygonMax], y[kPolygonMax];
  for (int i = 0; i < n; ++i) {
    x[i] = coord16(p, 8 + 4 * static_cast<std::size_t>(i));
    y[i] = coord16(p, 10 + 4 * static_cast<std::size_t>(i));
  }
  int a = 0, b = 0;
  if (listed && n < 5 && degenerate_vector(n, x, y, &a, &b)) {
    dlvpnum = index;
    dlcolor = static_cast<std::int16_t>(colour);
    dl1[0] = static_cast<std::uint16_t>(x[a]);
    dl1[1] = static_cast<std::uint16_t>(y[a]);
    dl2[0] = static_cast<std::uint16_t>(x[b]);
    dl2[1] = static_cast<std::uint16_t>(y[b]);
    dl_line();
    return 0;
  }
  Polygon.colour = colour;
  Polygon.count = n;
  for (int i = 0; i < n; ++i) Polygon.vertex[i] = static_cast<std::uint32_t>(x[i]) << 16 | static_cast<std::uint32_t>(y[i]);
  if (do_32bit_regen) {
    WidenPolygon();
    fill_packet_polygon<true>(index, highlight, draw_only, true);
  } else {
    fill_packet_polygon<false>(index, highlight, draw_only, true);
  }
  return 0;
}

int pbfill(Packet &p) {
  const int n = p.u16(6);
  if (n > kPolygonMax || 8 + 8 * static_cast<std::size_t>(n) > p.size()) return 0;
  const int colour = MapPacketColor(p.i16(2));
  const int flags = p.u16(4);
  const int highlight = flags & kFillHighlight, draw_only = flags & kFillDrawOnly;
  const int index = ViewportLookup(p.i16(104));
  if (index < 0 || n == 0) return 0;
  const bool listed = index != 0 && !draw_only && cfr.word(kWordDisplayList) && !highlight;
  if (cfr.word(kWordRefreshList) && highlight) RefreshHilight = 1;

  std::int32_t x[kPolygonMax], y[kPolygonMax];
  for (int i = 0; i < n; ++i) {
    x[i] = p.i32(8 + 8 * static_cast<std::size_t>(i));
    y[i] = p.i32(12 + 8 * static_cast<std::size_t>(i));
  }
  int a = 0, b = 0;
  if (listed && n < 5 && degenerate_vector(n, x, y, &a, &b)) {
    dlcolor = static_cast<std::int16_t>(colour);
    bl1[0] = x[a];
    bl1[1] = y[a];
    bl2[0] = x[b];
    bl2[1] = y[b];
    AppendBigVector(index);
    if (DuringRegen) return 0;
    vp_info[index].flags |= kVpListDrawn;
    SelectViewportArea(index);
    SetDrawingColour(colour);
    if (n == 1) {
      MyPoint(x[0], y[0]);
    } else {
      set_line_style(0);
      MyLine(bl1[0], bl1[1], bl2[0], bl2[1]);
    }
    return 0;
  }
  Polygon32.colour = colour;
  Polygon32.count = n;
  for (int i = 0; i < n; ++i) {
    Polygon32.vertex[i][0] = x[i];
    Polygon32.vertex[i][1] = y[i];
  }
  if (!do_32bit_regen && NarrowPolygon())
    fill_packet_polygon<false>(index, highlight, draw_only, true);
  else
    fill_packet_polygon<true>(index, highlight, draw_only, do_32bit_regen != 0);
  return 0;
}

int pline(Packet &p) {
  const int x1 = p.i16(2), y1 = p.i16(4), x2 = p.i16(6), y2 = p.i16(8);
  const int colour = MapPacketColor(p.i16(10));
  const int flags = p.u16(12);
  const int highlight = flags & kFlagHighlight;
  if (cfr.word(kWordRefreshList) && pushcount != 0 && !(flags & 2) && !highlight && CurrentPmark[kPmarkState] == 0)
    store_record(kAUILine, x1, y1, x2, y2, 0, colour, highlight);
  xor_line_started = 0;
  select_screen();
  ndl_line(x1, ysize - y1 - 1, x2, ysize - y2 - 1, colour, highlight);
  return 0;
}

int pdot(Packet &p) {
  const int x = p.i16(2), y = p.i16(4);
  if (cfr.word(kWordRefreshList)) AppendRefreshPoint(x, y);
  SelectViewportArea(0);
  BeginXorDrawing();
  MyXcolor(ConfigColor(kWordColourXor));
  MyPoint(x, y);
  EndXorDrawing();
  return 0;
}

int prow(Packet &p) {
  const int index = ViewportLookup(p.i16(24));
  if (index < 0) return 0;
  const std::int64_t x = p.i32(4), y = p.i32(8), dx = p.i32(12), dy = p.i32(16);
  const std::int64_t count = std::min<std::int64_t>(p.i32(20), kRowMax);
  const unsigned steps = p.u32(28) & 3;
  const ViewportRecord &vp = vp_info[index];
  SelectViewportArea(index);
  BeginXorDrawing();
  MyXcolor(ConfigColor(kWordColourXor));
  for (std::int64_t i = 0; i < count; ++i) {
    std::int64_t px, py;
    if (steps == 0) {
      px = x + i * dx;
      py = y + i * dy;
    } else if (steps == 3) {
      px = (x + i * dx) >> 16;
      py = (y + i * dy) >> 16;
    } else {
      px = x + ((i * dx) >> 16);
      py = y + ((i * dy) >> 16);
    }
    const int ix = clamp_int(px), iy = clamp_int(py);
    if (cfr.word(kWordRefreshList)) {
      if (index == 0) {
        AppendRefreshPoint(ix, iy);
      } else if (ix >= vp.view_x1 && ix <= vp.view_x2 && iy >= vp.view_y1 && iy <= vp.view_y2) {
        int sx = ix, sy = iy;
        point_to_screen(vp, &sx, &sy);
        AppendRefreshPoint(sx, sy);
      }
    }
    MyPoint(ix, iy);
  }
  EndXorDrawing();
  return 0;
}

int pclear(Packet &p) {
  p.put_u16(2, 0);
  const int number = p.i16(4);
  const int index = ViewportLookup(number);
  if (index < 0) return 1;
  if (!cfr.word(kWordDisplayList)) {
    CurrentMatrixNumber = -1;
    SelectViewportArea(0);
  } else if (number != 0) {
    if (cfr.word(kWordRefreshList)) {
      EraseRefreshDisplayList(index);
      MarkRefreshInside(index);
      vp_info[index].refresh_flag = 1;
      vp_info[index].refresh_redrawn = 0;
    }
    CurrentMatrixNumber = -1;
    SelectViewportArea(index);
  } else {
    if (cfr.word(kWordRefreshList)) {
      for (int i = 0; i < kViewportCount; ++i) {
        EraseRefreshDisplayList(i);
        vp_info[i].refresh_flag = 1;
        vp_info[i].refresh_redrawn = 0;
      }
    }
    CurrentMatrixNumber = -1;
    SelectViewportArea(0);
  }
  MyColor(ConfigColor(kWordColourGraphics));
  clear();
  return 1;
}

int pvpage(Packet &p) {
  if constexpr (kSecondBuild) {
    // A swap for a page change, both buffers for equal pages; the answer is
    // the same with single buffering (the selection does nothing then).
    gfxSelectBuffer(p.i16(2) != p.i16(4) ? 0 : 3);
    p.put_u16(6, 0);
    return 1;
  }
  if (cfr.word(kWordDoubleBuffer)) {
    if (p.i16(2) != p.i16(4)) {
      SelectBackBuffer();
      MySwapbuffers();
    } else {
      SelectBothBuffers();
    }
    p.put_u16(6, 0);
  } else {
    p.put_u16(6, 65535);
  }
  return 1;
}
