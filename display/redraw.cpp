// Redraw engines: the redraw packet and its time slices, the full, partial
// and null replays, the replay during a regeneration, the two-colour replay
// into the overlay planes, the budgeted replay under the configuration menus,
// the replay of the refresh list, and the repaint of exposed rectangles.
#include "display/redraw.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "base/config_record.h"
#include "base/events.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/display_list.h"
#include "display/hooks.h"
#include "display/screen_tiles.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int CleanDisplayList;
RedrawList redraw_list;
void (*RedrawDisplayList)(int) = null_redraw;
void (*PartialRedrawDisplayList)(int) = null_redraw;
int redraw_next_vp;
int redraw_whole;
int redraw_rect_given;
int redraw_rect[4];
void (*redraw_reset_timer)() = ResetTimer;
int (*redraw_read_timer)() = ReadTimer;

namespace {

// Redraw packet flags.
enum : int {
  kRedrawErase = 1,     // erase the lists, the client regenerates
  kRedrawStart = 2,     // start a redraw (time-sliced unless word 108)
  kRedrawContinue = 4,  // continue the redraw under way
  kRedrawAbandon = 8,   // abandon the redraw under way
  kRedrawRect = 16,     // the packet's rectangle limits the repaint
};
// Replies of the redraw packet.
enum : int { kRedrawRegenerate = 0, kRedrawDone = 1, kRedrawAgain = 2 };

inline bool valid_index(int index) { return index >= 0 && index < kViewportCount; }

int clamp_int(double v) {
  if (!(v == v)) return 0;
  return static_cast<int>(std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// ---- replaying pages --------------------------------------------------------------

// How entities get their colour: from the colour table (index 0 in the
// graphics background), or in two interface colours of the overlay planes.
enum class Colouring { Table, TwoTone };

struct Replay {
  std::uint32_t extents;  // entities whose mask misses it are skipped
  bool test;              // apply the mask and layer tests
  Colouring colouring;
  bool outline;           // configuration word 128: polygon outlines
  int background;         // the colour index of colour 0
  int last = -1;          // the colour set last

  void colour(int index) {
    if (colouring == Colouring::Table) {
      const int c = index ? index : background;
      if (c != last) {
        c3f(DisplayMap[c]);
        last = c;
      }
    } else {
      const int c = index ? UI_light : UI_dark;
      if (c != last) {
        MyColor(c);
        last = c;
      }
    }
  }
};

Replay table_replay(std::uint32_t extents) {
  Replay r{extents, true, Colouring::Table, cfr.word(kWordPolygonOutline) != 0, ConfigColor(kWordColourGraphics)};
  return r;
}

inline void vertex16(std::uint32_t w) {
  const Int16 p[2] = {static_cast<Int16>(w >> 16 & 0x7FFF), static_cast<Int16>(w & 0x7FFF)};
  v2s(p);
}
inline void vertex32(const std::uint32_t *w) {
  const Int32 p[2] = {static_cast<Int32>(w[0]), decode_y32(w[1])};
  v2i(p);
}

template <bool Big>
inline void vertex(const std::uint32_t *v, int i) {
  if constexpr (Big)
    vertex32(v + 2 * i);
  else
    vertex16(v[i]);
}

// The line through the count vertices of an entity, in one call: the
// library hands its segments to the workers to map without a call a vertex.
template <bool Big>
void polyline(const std::uint32_t *v, int count) {
  static Int32 xy[2 * kLineCountMax];
  for (int i = 0; i < count; ++i) {
    if constexpr (Big) {
      xy[2 * i] = static_cast<Int32>(v[2 * i]);
      xy[2 * i + 1] = decode_y32(v[2 * i + 1]);
    } else {
      xy[2 * i] = static_cast<Int32>(v[i] >> 16 & 0x7FFF);
      xy[2 * i + 1] = static_cast<Int32>(v[i] & 0x7FFF);
    }
  }
  kgl_polyline2i(xy, count);
}

template <bool Big>
inline bool marked(const std::uint32_t *v, int i) {
  if constexpr (Big)
    return v[2 * i + 1] & kErased32;
  else
    return v[i] & kErased16;
}

// Entities of a page from byte 24 to end; only those starting at or before
// stop are drawn.
template <bool Big>
void replay_entities(const DisplayListPage *page, int end, int stop, Replay &r) {
  constexpr int kVertexBytes = Big ? 8 : 4;
  for (int off = kPageHeaderBytes; off < end && off <= stop;) {
    const std::uint32_t *e = page_word(page, off);
    const std::uint32_t header = e[0];
    if (!(header & kEntityHeader)) break;
    const int count = static_cast<int>(header & kEntityCountMask);
    const int bytes = 8 + kVertexBytes * count;
    if (off + bytes > end) break;
    off += bytes;
    const int colour = static_cast<int>(header >> 16 & 0xFF);
    if (r.test && (!(e[1] & r.extents) || !layer_ptr[colour])) continue;
    const std::uint32_t *v = e + 2;
    if (header & kEntityLine) {
      r.colour(colour);
      if (header & kEntityErasedSegments) {
        bool open = false;
        for (int i = 1; i < count; ++i) {
          if (!marked<Big>(v, i)) {
            if (!open) {
              bgnline();
              vertex<Big>(v, i - 1);
              open = true;
            }
            vertex<Big>(v, i);
          } else if (open) {
            endline();
            open = false;
          }
        }
        if (open) endline();
      } else {
        polyline<Big>(v, count);
      }
    } else if ((header & kEntityPolygon) && !(count >= 2 && marked<Big>(v, 1))) {
      r.colour(colour);
      bgnpolygon();
      for (int i = 0; i < count; ++i) vertex<Big>(v, i);
      endpolygon();
      if (r.outline && count > 0) {
        bgnline();
        for (int i = 0; i < count; ++i) vertex<Big>(v, i);
        vertex<Big>(v, 0);
        endline();
      }
    }
  }
}

// The end of the used part of a page of viewport vp.
inline int page_end(const ViewportRecord &vp, const DisplayListPage *page) {
  return page == vp.current_page ? vp.fill_offset : static_cast<int>(page->used);
}

void replay_page(const DisplayListPage *page, int end, int stop, Replay &r) {
  if (do_32bit_regen)
    replay_entities<true>(page, end, stop, r);
  else
    replay_entities<false>(page, end, stop, r);
}

// ---- the redraw sequence ---------------------------------------------------------

// The next open index above k, or 65.
int next_used_viewport(int k) {
  for (int i = k + 1; i < kViewportCount; ++i)
    if (vp_info[i].number != -1) return i;
  return kViewportCount;
}

// Prepares viewport index for a replay. The marks of the whole area
// (viewport 0) hold off the repaint of every viewport; a replay ends them as
// it ends those of the viewport it draws.
void prepare_viewport(int index) {
  ViewportRecord &vp = vp_info[index];
  vp.flags &= ~(kVpShaded | kVpSavedImage | kVpVectorMark | kVpVectorMark2);
  vp_info[0].flags &= ~(kVpVectorMark | kVpVectorMark2);
  SelectViewportArea(index);
  view_extents = vp.extents_mask;
}

// Replays viewport index page by page until it is finished or the time slice
// is spent. True when finished.
bool timed_replay(int index) {
  if (redraw_list.viewport != index) redraw_list = RedrawList{nullptr, index, kReplayStart};
  redraw_reset_timer();
  while (redraw_list.state != kReplayFinished && redraw_read_timer() < cfr.word(kWordTimeSlice)) PartialRedrawDisplayList(index);
  return redraw_list.state == kReplayFinished;
}

// The tile mask of redraw_rect within viewport vp, in view coordinates.
std::int32_t rect_extents(const ViewportRecord &vp) {
  if (!(vp.flags & kVpExtentsKnown)) return kNoViewExtents;
  const double fx = static_cast<double>(vp.view_width) / (vp.width > 0 ? vp.width : 1);
  const double fy = static_cast<double>(vp.view_height) / (vp.height > 0 ? vp.height : 1);
  const int rx1 = redraw_rect[0], ry1 = redraw_rect[1] + ymin, rx2 = redraw_rect[2], ry2 = redraw_rect[3] + ymin;
  const int dx1 = std::max(0, rx1 - vp.x1), dy1 = std::max(0, ry1 - vp.y1);
  const int dx2 = rx2 < vp.x2 ? rx2 - vp.x1 : vp.width, dy2 = ry2 < vp.y2 ? ry2 - vp.y1 : vp.height;
  return SetViewExtents(clamp_int(vp.view_x1 + std::trunc(dx1 * fx)), clamp_int(vp.view_y1 + std::trunc(dy1 * fy)),
                        clamp_int(vp.view_x1 + std::trunc(dx2 * fx)), clamp_int(vp.view_y1 + std::trunc(dy2 * fy)));
}

void erase_one_viewport(int index) {
  EraseDisplayList(index);
  if (cfr.word(kWordRefreshList)) {
    EraseRefreshDisplayList(index);
    vp_info[index].refresh_flag = vp_info[index].refresh_redrawn = 0;
  }
}

// A window rectangle clamped into viewport index: false when they do not meet,
// else the viewport is selected with the screen mask on the clamped part.
bool clip_expose_to_viewport(int index, int x1, int x2, int y1, int y2) {
  const ViewportRecord &vp = vp_info[index];
  if (x1 > vp.x2 || x2 < vp.x1 || y1 > vp.y2 || y2 < vp.y1) return false;
  x1 = std::max(x1, vp.x1);
  x2 = std::min(x2, vp.x2);
  y1 = std::max(y1, vp.y1);
  y2 = std::min(y2, vp.y2);
  SelectViewportArea(index);
  SetScreenMask(x1, x2, y1, y2);
  view_extents = vp.extents_mask;
  return true;
}

// ---- refresh records -----------------------------------------------------------------

void xor_point(int x, int y) {
  BeginXorDrawing();
  MyXcolor(ConfigColor(kWordColourXor));
  MyPoint(x, y);
  EndXorDrawing();
}

void refresh_polygon(const std::uint32_t *v, int count, int colour, bool pattern) {
  SetDrawingColour(colour);
  if (pattern) setpattern(1);
  bgnpolygon();
  for (int i = 0; i < count; ++i) {
    if (do_32bit_regen)
      vertex32(v + 2 * i);
    else
      vertex16(v[i]);
  }
  endpolygon();
  if (pattern) setpattern(0);
}

}  // namespace

// ---- engines ------------------------------------------------------------------------------

void init_redraw(int on) {
  RedrawDisplayList = on ? full_redraw : null_redraw;
  PartialRedrawDisplayList = on ? partial_redraw : null_redraw;
}

void null_redraw(int) {
  // Nothing to replay: a sliced redraw ends at once.
  redraw_list.state = kReplayFinished;
}

void full_redraw(int index) {
  if (!valid_index(index)) return;
  ViewportRecord &vp = vp_info[index];
  Replay r = table_replay(static_cast<std::uint32_t>(view_extents));
  set_line_style(0);
  for (const DisplayListPage *page = vp.first_page; page != nullptr; page = page->next) {
    if (!(page->mask & r.extents)) continue;
    const int end = page_end(vp, page);
    replay_page(page, end, end, r);
  }
  vp.flags |= kVpListDrawn;
}

void partial_redraw(int index) {
  if (!valid_index(index)) return;
  if (redraw_list.viewport != index) redraw_list = RedrawList{nullptr, index, kReplayStart};
  // Iconified, nothing is drawn and the replay stays where it is.
  if (redraw_list.state == kReplayFinished || Iconified) return;
  ViewportRecord &vp = vp_info[index];
  const DisplayListPage *page = redraw_list.state == kReplayRunning ? redraw_list.page : vp.first_page;
  if (page == nullptr) {
    redraw_list.state = kReplayFinished;
    vp.flags |= kVpListDrawn;
    return;
  }
  if (page->next != nullptr) {
    redraw_list.state = kReplayRunning;
    redraw_list.page = page->next;
  } else {
    redraw_list.state = kReplayFinished;
    redraw_list.page = nullptr;
    vp.flags |= kVpListDrawn;
  }
  if (page->mask & static_cast<std::uint32_t>(view_extents)) {
    Replay r = table_replay(static_cast<std::uint32_t>(view_extents));
    set_line_style(0);
    const int end = page_end(vp, page);
    replay_page(page, end, end, r);
  }
}

void forget_replay(int index) {
  if (redraw_list.viewport == index) redraw_list = RedrawList{nullptr, index, kReplayStart};
}

void RegenRedraw(int index) {
  if (!valid_index(index) || Iconified) return;
  ViewportRecord &vp = vp_info[index];
  DisplayListPage *page = vp.regen_page;
  if (page == nullptr) return;
  // Only the page's tile mask is tested here; its entities are all drawn.
  Replay r = table_replay(static_cast<std::uint32_t>(vp.extents_mask));
  r.test = false;
  auto draw = [&](const DisplayListPage *p, int end) {
    if (!(p->mask & r.extents)) return;
    SelectViewportArea(index);
    set_line_style(0);
    replay_page(p, end, end, r);
  };
  if (page == vp.current_page) {
    // The end of the regeneration: the page being filled.
    draw(page, vp.fill_offset);
    vp.flags |= kVpListDrawn;
  } else {
    // The pages filled since the last call.
    for (; page != nullptr && page != vp.current_page; page = page->next) draw(page, static_cast<int>(page->used));
  }
  vp.regen_page = vp.current_page;
}

void rt_redraw(int index) {
  if (!valid_index(index)) return;
  const ViewportRecord &vp = vp_info[index];
  MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  MyColor(UI_dark);
  clear();
  if (vp.first_page != nullptr) {
    MyColor(UI_light);
    logicop(KGL_LO_SRC);
    Replay r{kAllTiles, false, Colouring::TwoTone, cfr.word(kWordPolygonOutline) != 0, 0, UI_light};
    for (const DisplayListPage *page = vp.first_page; page != nullptr; page = page->next) {
      const int end = page_end(vp, page);
      replay_page(page, end, end, r);
    }
  }
  MySetDrawmode(KGL_NORMALDRAW);
}

void config_redraw(int index) {
  if (!valid_index(index)) return;
  const ViewportRecord &vp = vp_info[index];
  const std::int64_t budget = tempcfr.word(kWordPageSize);
  std::int64_t before = 0;  // bytes of the pages already replayed
  Replay r = table_replay(static_cast<std::uint32_t>(vp.extents_mask));
  set_line_style(0);
  for (const DisplayListPage *page = vp.first_page; page != nullptr && before <= budget; page = page->next) {
    const int end = page_end(vp, page);
    const int stop = static_cast<int>(std::min<std::int64_t>(budget - before, end));
    replay_page(page, end, stop, r);
    before += alloc_size;
  }
}

void RefreshRedraw(int index) {
  if (!cfr.word(kWordRefreshList) || !valid_index(index)) return;
  ViewportRecord &vp = vp_info[index];
  const bool big = do_32bit_regen != 0;
  for (DisplayListPage *page = vp.refresh_first; page != nullptr; page = page->next) {
    const int end = page == vp.refresh_current ? vp.refresh_fill : static_cast<int>(page->used);
    for (int off = kPageHeaderBytes; off < end;) {
      std::uint32_t *rec = page_word(page, off);
      const std::uint32_t header = rec[0] >> 16;
      const int size = RefreshRecordSize(header);
      if (size == 0 || off + size > end) break;
      off += size;
      const int colour = static_cast<int>(rec[0] & 0xFF);
      const bool highlighted = header & kRefreshHighlight, exclusive = header & kRefreshXor;
      const bool shown = header & kRefreshShown;
      switch (refresh_kind(header)) {
        case kRefreshIsPoint:
          xor_point(static_cast<std::int16_t>(rec[1] >> 16), static_cast<std::int16_t>(rec[1]));
          break;
        case kRefreshIsVector: {
          int x1, y1, x2, y2;
          if (big) {
            x1 = static_cast<std::int32_t>(rec[1]);
            y1 = static_cast<std::int32_t>(rec[2]);
            x2 = static_cast<std::int32_t>(rec[3]);
            y2 = static_cast<std::int32_t>(rec[4]);
          } else {
            x1 = static_cast<std::int16_t>(rec[1] >> 16);
            y1 = static_cast<std::int16_t>(rec[1]);
            x2 = static_cast<std::int16_t>(rec[2] >> 16);
            y2 = static_cast<std::int16_t>(rec[2]);
          }
          if (shown) {
            if (highlighted && !exclusive) ndl_line(x1, y1, x2, y2, 0, 0);
          } else if (RefreshHilight || !highlighted || exclusive) {
            // A highlighted record replays dashed (line style 1).
            ndl_line(x1, y1, x2, y2, exclusive ? -1 : colour, highlighted ? 8 : 0);
          } else {
            ndl_line(x1, y1, x2, y2, 0, 0);
            rec[0] |= kRefreshShown << 16;
          }
          break;
        }
        case kRefreshIsPolygon: {
          const int count = static_cast<int>(header & kRefreshPolygonCount);
          if (shown) {
            if (highlighted) refresh_polygon(rec + 1, count, 0, false);
          } else if (RefreshHilight || !highlighted) {
            refresh_polygon(rec + 1, count, colour, false);
            if (highlighted) refresh_polygon(rec + 1, count, 0, true);
          } else {
            refresh_polygon(rec + 1, count, 0, false);
            rec[0] |= kRefreshShown << 16;
          }
          break;
        }
        default:
          break;
      }
    }
  }
}

// ---- the redraw packet --------------------------------------------------------------

void erase_viewport_lists(int index) {
  if (index == 0) {
    erase = 0;
    for (int i = 0; i < kViewportCount; ++i) erase_one_viewport(i);
  } else if (valid_index(index)) {
    erase_one_viewport(index);
  }
}

int redraw_viewports(int index) {
  if (index < 0 || index >= kViewportCount) return kRedrawDone;
  const bool refresh_list = cfr.word(kWordRefreshList) != 0;

  if (index == 0) {
    int k = std::max(redraw_next_vp, 1);
    if (k >= kViewportCount) return kRedrawDone;
    if (redraw_whole) {
      for (; k < kViewportCount; k = next_used_viewport(k)) {
        if (vp_info[k].number == -1) continue;
        prepare_viewport(k);
        RedrawDisplayList(k);
        if (refresh_list) vp_info[k].refresh_redrawn = 1;
      }
      redraw_next_vp = kViewportCount;
      return kRedrawDone;
    }
    if (vp_info[k].number == -1) {
      redraw_next_vp = next_used_viewport(k);
      return redraw_next_vp >= kViewportCount ? kRedrawDone : kRedrawAgain;
    }
    prepare_viewport(k);
    if (!timed_replay(k)) return kRedrawAgain;
    redraw_next_vp = next_used_viewport(k);
    redraw_list.state = kReplayStart;
    if (refresh_list) vp_info[k].refresh_redrawn = 1;
    return redraw_next_vp >= kViewportCount ? kRedrawDone : kRedrawAgain;
  }

  ViewportRecord &vp = vp_info[index];
  prepare_viewport(index);
  if (redraw_rect_given) {
    view_extents = rect_extents(vp);
    SetScreenMask(redraw_rect[0], redraw_rect[2], redraw_rect[1] + ymin, redraw_rect[3] + ymin);
  }
  int result = kRedrawDone;
  if (redraw_whole)
    RedrawDisplayList(index);
  else
    result = timed_replay(index) ? kRedrawDone : kRedrawAgain;
  if (redraw_rect_given) {
    // The next selection loads the whole viewport again.
    view_extents = vp.extents_mask;
    CurrentMatrixNumber = -1;
  }
  if (refresh_list) vp.refresh_redrawn = 1;
  return result;
}

int predraw(Packet &p) {
  const int index = ViewportLookup(p.i16(6));
  const bool valid = index >= 0;
  notify(display_hooks.redraw_asked);

  int status = kRedrawRegenerate;
  const int flags = p.u16(4);
  const int level = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]);
  if (!cfr.word(kWordDisplayList)) {
    status = kRedrawRegenerate;
  } else if (level == 7 || level == 8) {
    if (!(flags & kRedrawErase) && CleanDisplayList) {
      CleanDisplayList = 0;
      p.put_i16(6, 0);
      erase_viewport_lists(0);
      status = kRedrawRegenerate;
    } else if (flags & kRedrawErase) {
      redraw_next_vp = 1;
      if (valid) erase_viewport_lists(index);
      status = kRedrawDone;
    } else if (flags & kRedrawAbandon) {
      redraw_next_vp = 1;
      redraw_list.state = kReplayStart;
      status = kRedrawDone;
    } else {
      redraw_rect_given = (flags & kRedrawRect) != 0;
      if (redraw_rect_given) {
        redraw_rect[0] = p.i16(8);
        redraw_rect[1] = p.i16(10);
        redraw_rect[2] = p.i16(12);
        redraw_rect[3] = p.i16(14);
      }
      if (flags & kRedrawStart) {
        redraw_whole = cfr.word(kWordNonStopRedraw);
        redraw_list.state = kReplayStart;
        redraw_next_vp = 1;
      } else if (!(flags & kRedrawContinue)) {
        redraw_whole = 1;
        redraw_next_vp = 1;
      }
      status = valid ? redraw_viewports(index) : kRedrawDone;
    }
  } else {
    if (flags == 0 && CleanDisplayList) {
      CleanDisplayList = 0;
      p.put_i16(6, 0);
      erase_viewport_lists(0);
      status = kRedrawRegenerate;
    } else if (flags != 0) {
      redraw_next_vp = 1;
      if (valid) erase_viewport_lists(index);
      status = kRedrawRegenerate;
    } else {
      redraw_whole = 1;
      redraw_next_vp = 1;
      redraw_rect_given = 0;
      status = valid ? redraw_viewports(index) : kRedrawDone;
    }
  }
  p.put_i16(2, status);
  return 1;
}

// ---- exposures --------------------------------------------------------------------

void repaint_exposed(int x1, int x2, int y1, int y2) {
  DrawBorders();
  // While the graphics area carries the mark of a vector drawn over it, no
  // viewport's list is replayed here; the next redraw ends the mark.
  if (!(vp_info[0].flags & kVpVectorMark2)) {
    for (int k = 1; k < kViewportCount; ++k) {
      ViewportRecord &vp = vp_info[k];
      if (vp.number == -1 || !clip_expose_to_viewport(k, x1, x2, y1, y2)) continue;
      if ((vp.flags & kVpShaded) && k == RenderedViewport) {
        notify(display_hooks.shaded_view_exposed);
      } else if ((vp.flags & kVpSavedImage) && vp.saved_pixels != nullptr) {
        MyBitBLT(vp.x1, vp.y1, vp.x2, vp.y2, 0, vp.saved_pixels);
      } else if (!(vp.flags & kVpVectorMark)) {
        RedrawDisplayList(k);
      }
      RefreshRedraw(k);
    }
  }
  SelectViewportArea(0);
  SetScreenMask(x1, x2, y1, y2);
  RefreshRedraw(0);
  if (pushcount) AUI_redraw();
  if (MenuItemOn) TurnOnMenuItem();
}
