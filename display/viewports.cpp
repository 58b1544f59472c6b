// The viewport table, the translation of ADI viewport numbers and the packets
// that open, reopen, close, clear and set the view of a viewport.
#include "display/viewports.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/utilities.h"
#include "display/display_list.h"
#include "display/drag.h"
#include "display/hooks.h"
#include "display/screen_tiles.h"
#include "display/wrappers.h"

ViewportRecord vp_info[kViewportCount];
std::int32_t vtrans[kViewportCount];
int vport_count;
int last_vpn, last_vp;
int CurrentViewport;
int BirdseyeViewport = -1;
int RenderedViewport;
std::int32_t view_extents = kNoViewExtents;
unsigned char layer[256];
unsigned char *layer_ptr = layer;

namespace {

// A cache entry no packet number can match (packets carry 16-bit numbers).
constexpr int kForgottenNumber = INT_MIN;

void forget_translation() {
  last_vpn = kForgottenNumber;
  last_vp = -1;
}

// Marks slot index open under number, counting it when it was not open.
void take_slot(int index, int number) {
  ViewportRecord &vp = vp_info[index];
  if (vp.number == -1 && index != 0) ++vport_count;
  vp.number = number;
  vp.last_number = number;
  vtrans[index] = number;
  forget_translation();
}

// The screen rectangle from packet coordinates (y counted from ymin).
void set_rectangle(ViewportRecord &vp, int x1, int y1, int x2, int y2) {
  vp.x1 = x1;
  vp.y1 = y1 + ymin;
  vp.x2 = x2;
  vp.y2 = y2 + ymin;
  vp.width = std::max(1, x2 - x1 + 1);
  vp.height = std::max(1, y2 - y1 + 1);
  vp.aspect = static_cast<float>(vp.height) / static_cast<float>(vp.width);
}

// The orthographic projection over l..r, b..t, read back into m. A window of
// no width or height is widened by one unit so that the matrix stays finite.
void read_projection(Matrix m, float l, float r, float b, float t) {
  if (r == l) r = l + 1.0f;
  if (t == b) t = b + 1.0f;
  mmode(KGL_MSINGLE);
  ortho2(l, r, b, t);
  getmatrix(m);
  CurrentMatrixNumber = -1;
}

// The slot an open of number goes to: the one carrying it, the one that
// carried it last, else a free one; -1 when none is left.
int slot_for_open(int number) {
  for (int index = 0; index < kViewportCount; ++index)
    if (vp_info[index].number == number) return index;
  int index = ViewportReopen(number);
  if (index >= 0) return index;
  if (vport_count >= kViewportCount) return -1;
  return ViewportAllocate();
}

// Common part of the 16-bit and 32-bit opens.
void open_viewport(int index, int number, int x1, int y1, int x2, int y2, std::int32_t xrange,
                   std::int32_t yrange) {
  take_slot(index, number);
  ViewportRecord &vp = vp_info[index];
  // Pixels kept for the old rectangle are no image of the new one.
  free_saved_pixels(index);
  set_rectangle(vp, x1, y1, x2, y2);
  vp.xrange = xrange;
  vp.yrange = yrange;
  vp.zoom = 1;
  vp.extents_mask = kNoViewExtents;
  read_projection(vp.full_matrix, -1.0f, static_cast<float>(xrange), -1.0f, static_cast<float>(yrange));
  if (vp.fill_offset == 0) GetMemory(index);
  empty_vlist(index, 1);
}

std::int32_t saturate32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// A double as a float the record can hold: NaN becomes 0 and values beyond
// float's range are held to its largest.
float record_float(double value) {
  if (std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

}  // namespace

// ---- table and translation ---------------------------------------------------

void reset_viewport_table() {
  for (int index = 0; index < kViewportCount; ++index) {
    ViewportRecord &vp = vp_info[index];
    free_saved_pixels(index);
    vp.number = -1;
    vp.last_number = -1;
    vtrans[index] = -1;
    vp.flags = 0;
    vp.x1 = vp.y1 = 0;
    vp.view_x1 = vp.view_y1 = 0;
    // Drag pages a client made before its first session go back too.
    empty_vlist(index, 1);
  }

  ViewportRecord &area = vp_info[0];
  area.number = area.last_number = 0;
  vtrans[0] = 0;
  std::memset(layer, 1, sizeof layer);
  layer_ptr = layer;

  area.x1 = 0;
  area.y1 = ymin;
  area.x2 = xmax;
  area.y2 = ymax;
  area.width = std::max(1, area.x2 - area.x1 + 1);
  area.height = std::max(1, area.y2 - area.y1 + 1);
  if (do_32bit_regen) {
    area.view_x2 = area.view_y2 = 0x7FFFFF;
    area.xrange = area.yrange = area.view_width = area.view_height = 0x800000;
  } else {
    area.view_x2 = area.view_y2 = 0x7FFE;
    area.xrange = area.yrange = area.view_width = area.view_height = 0x7FFF;
  }
  area.aspect = static_cast<float>(area.height) / static_cast<float>(area.width);
  area.zoom = 1;

  vport_count = 0;
  last_vpn = 0;
  last_vp = 0;
}

void init_viewports() {
  static bool done = false;
  if (done) return;
  done = true;
  reset_viewport_table();
}

int ViewportTranslate(int number) {
  // -1 marks free entries: it never names a slot.
  if (number == -1) return -1;
  for (int index = 0; index < kViewportCount; ++index) {
    if (vtrans[index] == number) {
      last_vpn = number;
      last_vp = index;
      return index;
    }
  }
  return -1;
}

int ViewportAllocate() {
  for (int index = 1; index < kViewportCount; ++index)
    if (vp_info[index].number == -1 && vp_info[index].last_number == -1) return index;
  for (int index = kViewportLast; index >= 1; --index)
    if (vp_info[index].number == -1) return index;
  return -1;
}

int ViewportReopen(int number) {
  if (number == -1) return -1;
  for (int index = 0; index < kViewportCount; ++index)
    if (vp_info[index].last_number == number) return index;
  return -1;
}

void ViewportUnused(int index) {
  if (index < 1 || index >= kViewportCount || vp_info[index].number == -1) return;
  vp_info[index].number = -1;
  vtrans[index] = -1;
  if (vport_count > 0) --vport_count;
  forget_translation();
}

void free_saved_pixels(int index) {
  if (index < 0 || index >= kViewportCount) return;
  MyFree(vp_info[index].saved_pixels);
  vp_info[index].saved_pixels = nullptr;
}

void UpdateViewportView(int index) {
  if (index < 0 || index >= kViewportCount) return;
  ViewportRecord &vp = vp_info[index];
  // Ranges and pixel sizes are at least 1 once a slot is opened; the guards
  // keep a record that was never opened from dividing by 0. The view window
  // comes from the client as 32-bit values, so its spans are taken in 64 bits.
  const std::int64_t xrange = std::max(1, vp.xrange), yrange = std::max(1, vp.yrange);
  const std::int64_t width = std::max(1, vp.width), height = std::max(1, vp.height);
  const std::int64_t span_x = static_cast<std::int64_t>(vp.view_x2) - vp.view_x1;
  const std::int64_t span_y = static_cast<std::int64_t>(vp.view_y2) - vp.view_y1;

  vp.view_width = saturate32(span_x + 1);
  vp.view_height = saturate32(span_y + 1);
  vp.zoom = vp.view_width < 1 ? 1 : static_cast<std::int32_t>(xrange / vp.view_width + 1);
  vp.units_per_pixel = static_cast<std::int32_t>(xrange / width);

  const double extent_w = std::fabs(static_cast<double>(vp.extents[3]) - vp.extents[0]);
  const double extent_h = std::fabs(static_cast<double>(vp.extents[4]) - vp.extents[1]);
  vp.half_width = record_float(extent_w / static_cast<double>(xrange) * 0.5 * static_cast<double>(span_x));
  vp.half_height = record_float(extent_h / static_cast<double>(yrange) * 0.5 * static_cast<double>(span_y));
  vp.half_depth = 0.0f;
  vp.view_height_units = record_float(static_cast<double>(span_y) * extent_h / static_cast<double>(yrange));

  // One pixel's worth of margin around the view window.
  const std::int64_t p = (span_x + 1) / width, q = (span_y + 1) / height;
  read_projection(vp.view_matrix, static_cast<float>(vp.view_x1 - p), static_cast<float>(vp.view_x2 + p),
                  static_cast<float>(vp.view_y1 - q), static_cast<float>(vp.view_y2 + q));

  if (vp.flags & kVpExtentsKnown)
    vp.extents_mask = SetViewExtents(vp.view_x1, vp.view_y1, vp.view_x2, vp.view_y2);
  else
    vp.extents_mask = kNoViewExtents;
  view_extents = vp.extents_mask;

  free_saved_pixels(index);
  vp.flags &= ~kVpViewDependent;
  notify(display_hooks.view_changed, 0);
}

// ---- packets -------------------------------------------------------------------

namespace {

// popenvp and popenbvp: the ranges at 12 and 14 (16-bit) or 12 and 16
// (32-bit) are held to the largest range in place before the viewport opens;
// the client gets back what it sent otherwise (the divisions by a range
// guard themselves).
int open_packet(Packet &p, bool wide) {
  const int number = p.i16(2);
  if (number == 0 || number == -1) return 1;  // -1 marks a closed slot
  const int index = slot_for_open(number);
  if (index < 0) return 1;
  std::int32_t xrange, yrange;
  if (wide) {
    xrange = std::min(p.i32(12), kViewportRange32);
    yrange = std::min(p.i32(16), kViewportRange32);
    p.put_i32(12, xrange);
    p.put_i32(16, yrange);
  } else {
    xrange = std::min<std::int32_t>(p.u16(12), kViewportRange16);
    yrange = std::min<std::int32_t>(p.u16(14), kViewportRange16);
    p.put_u16(12, static_cast<std::uint16_t>(xrange));
    p.put_u16(14, static_cast<std::uint16_t>(yrange));
  }
  open_viewport(index, number, p.i16(4), p.i16(6), p.i16(8), p.i16(10), xrange, yrange);
  return 1;
}

// pviewport and pbviewport: the number is echoed at reply, a zero after it;
// an open viewport takes the view window.
int view_packet(Packet &p, std::size_t reply, int x1, int y1, int x2, int y2) {
  const int number = p.i16(2);
  p.put_i16(reply, number);
  if (reply == 12)
    p.put_i16(14, 0);
  else
    p.put_u8(22, 0);
  const int index = ViewportLookup(number);
  if (index < 0) return 1;
  ViewportRecord &vp = vp_info[index];
  vp.view_x1 = x1;
  vp.view_y1 = y1;
  vp.view_x2 = x2;
  vp.view_y2 = y2;
  UpdateViewportView(index);
  return 1;
}

}  // namespace

int popenvp(Packet &p) { return open_packet(p, false); }
int popenbvp(Packet &p) { return open_packet(p, true); }

int propenvp(Packet &p) {
  const int number = p.i16(2);
  if (number == 0 || number == -1) return 0;
  int index = ViewportTranslate(number);
  if (index < 0) index = ViewportReopen(number);
  if (index < 0 && vport_count < kViewportCount) index = ViewportAllocate();
  if (index < 0) return 0;

  take_slot(index, number);
  ViewportRecord &vp = vp_info[index];
  set_rectangle(vp, p.i16(4), p.i16(6), p.i16(8), p.i16(10));
  const int range = do_32bit_regen ? kViewportRange32 : kViewportRange16;
  vp.xrange = vp.yrange = range;
  vp.view_x2 = vp.view_y2 = range;
  if (vp.fill_offset == 0) GetMemory(index);
  if (index == CurrentViewport) notify(display_hooks.picture_stale);
  if (cfr.word(kWordRefreshList)) EraseRefreshDisplayList(index);
  free_saved_pixels(index);
  CurrentMatrixNumber = -1;
  return 0;
}

int pclosevp(Packet &p) {
  const int number = p.i16(2);
  if (number == 0) return 0;
  const int index = ViewportLookup(number);
  if (index <= 0) return 0;

  ViewportUnused(index);
  EraseDisplayList(index);
  empty_vlist(index, 1);
  if (cfr.word(kWordRefreshList)) EraseRefreshDisplayList(index);
  free_saved_pixels(index);
  if (number == BirdseyeViewport) {
    BirdseyeViewport = -1;
    notify(display_hooks.picture_stale);
  }
  if (index == RenderedViewport) notify(display_hooks.model_dropped);
  return 0;
}

int pviewport(Packet &p) { return view_packet(p, 12, p.i16(4), p.i16(6), p.i16(8), p.i16(10)); }
int pbviewport(Packet &p) { return view_packet(p, 20, p.i32(4), p.i32(8), p.i32(12), p.i32(16)); }

int pmaxvp(Packet &p) {
  p.put_i16(2, kViewportLast);
  return 1;
}

int plopen(Packet &p) {
  const int index = ViewportLookup(p.i16(2));
  if (index < 0) return 0;
  ViewportRecord &vp = vp_info[index];

  const bool perspective = p.i16(6) != 0;
  switch (Pkinit.field[kPkinitLevel]) {
    case 6:
      vp.flags |= kVpExtentsKnown;
      break;
    case 8:
      vp.extents_extra = p.i16(40);
      [[fallthrough]];
    case 7:
      if (perspective)
        vp.flags |= kVpExtentsKnown;
      else
        vp.flags &= ~kVpExtentsKnown;
      break;
    default:
      vp.flags |= kVpExtentsKnown;
      break;
  }

  const float x1 = record_float(p.f64(8)), y1 = record_float(p.f64(16));
  const float x2 = record_float(p.f64(24)), y2 = record_float(p.f64(32));
  vp.extents[0] = x1;
  vp.extents[1] = y1;
  vp.extents[2] = 0.0f;
  vp.extents[3] = x2;
  vp.extents[4] = y2;
  vp.extents[5] = 0.0f;
  // In double: the difference of two large floats may exceed float's range.
  vp.half_width = record_float((static_cast<double>(x2) - x1) / 2.0);
  vp.half_height = record_float((static_cast<double>(y2) - y1) / 2.0);
  vp.half_depth = 0.0f;
  return 0;
}

int pclvp(Packet &p) {
  CurrentMatrixNumber = -1;
  SetClippingRectangle(xmin, Pkinit.field[kPkinitWidth], ymin, ymin + Pkinit.field[kPkinitHeight], 0);
  FilledBox(p.i16(2), p.i16(4) + ymin, p.i16(6), p.i16(8) + ymin, cfr.word(kWordColourGraphics), 0);
  return 0;
}

int prevec(Packet &p) {
  p.put_i16(6, p.i16(4));
  p.put_i16(2, 0);
  return 1;
}
