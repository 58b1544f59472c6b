// The Birdseye aerial view.
//
// The window's inner rectangle lives in configuration words 111 to 114
// (window pixels); its frame and title bar are drawn in the overlay planes
// around it. Inside, the whole coordinate range of the current viewport is
// replayed from the display list: in mode 0 in the normal planes over a copy
// of the screen kept in memory, in mode 1 in two colours in the overlay
// planes, while the viewport itself shows the box's view live. Mode 2 draws
// no window at all; only the zoom request remains.
//
// While the window is open the whole drawing area stands for the viewport's
// range: the pointer's position, scaled, places the view box, and the top
// band of the drawing area stands for the window's title bar.
#include "commands/birdseye.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/string_tables.h"
#include "base/utilities.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/drawn_elements.h"
#include "commands/prompt.h"
#include "commands/status_line.h"
#include "commands/string_input.h"
#include "display/aui_records.h"
#include "display/blits.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/screen_tiles.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int BirdseyeMode;
int TextScreenBirdseye;
int BirdseyeState;
int brx1, bry1, brx2, bry2;

namespace {

enum : int {
  kClosed = 0,
  kOverFrame = 10,
  kPanning = 11,
  kZooming = 12,
  kMoving = 30,
  kSizing = 31,
  kZoomWaiting = 32,
};

constexpr int kPick = 3;
constexpr int kUsed = 4;
constexpr int kCancelKey = 1, kActionKey = 2;

struct Rect {
  int x1, y1, x2, y2;
};

// The state to go back to from the title bar.
int OldState;
// The title-bar boxes shown pressed.
int close_lit, title_lit, size_lit;
// The rectangle as it was when a move or resize began.
Rect saved_rect;
// The screen under the window (mode 0).
ScreenArea under;

// The replayed picture of the window's inside: 1 from the normal planes, 2
// from the overlay planes.
struct CachedPicture {
  int state;
  int width, height;
  std::uint32_t *pixels;
};
CachedPicture cache;

// Pointer to viewport units, the box's size and its halves.
double sx = 1, sy = 1;
int box_w, box_h, half_w, half_h;
// The largest coordinate of the range's tiles (16 or 32 bits).
int view_half = 0x7FFE;
// Set after each drawing, cleared by the first pointer event.
int first_call;
// A pick waits for its release: accepted when held long enough.
int pick_waiting;
// Pointer to each window edge while the window is moved or sized.
int off_left, off_right, off_bottom, off_top;
// Every second view box on the family that flickers with the overlay.
int tarvex_turn;

int current_index() { return CurrentViewport >= 0 && CurrentViewport < kViewportCount ? CurrentViewport : 0; }
ViewportRecord &current() { return vp_info[current_index()]; }

int area_width() {
  const int w = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]);
  return w > 0 ? w : 1;
}
int area_height() { return static_cast<std::int16_t>(Pkinit.field[kPkinitHeight]); }

Rect window_rect() {
  return {cfr.word(kWordBirdseyeRect), cfr.word(kWordBirdseyeRect + 1), cfr.word(kWordBirdseyeRect + 2),
          cfr.word(kWordBirdseyeRect + 3)};
}

// A move of the window goes into every record, so that the menus and the
// next write of the file keep it.
void store_rect(const Rect &r) {
  for (ConfigRecord *c : {&cfr, &newcfr, &tempcfr}) {
    c->word(kWordBirdseyeRect) = r.x1;
    c->word(kWordBirdseyeRect + 1) = r.y1;
    c->word(kWordBirdseyeRect + 2) = r.x2;
    c->word(kWordBirdseyeRect + 3) = r.y2;
  }
}

void SaveBirdsRect() { saved_rect = window_rect(); }

Rect frame_of(const Rect &r) { return {r.x1 - 1, r.y1 - 1, r.x2 + 1, r.y2 + CharHeight + 8}; }

int clamp_int(double v) {
  if (!(v == v)) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}

// A box coordinate held to twice the largest range of a 32-bit display list:
// a view window the client sent from far outside the range still gives a box
// whose sizes, halves and centres stay within an int.
constexpr long long kBoxLimit = 1 << 24;
int held(long long v) { return static_cast<int>(v < -kBoxLimit ? -kBoxLimit : v > kBoxLimit ? kBoxLimit : v); }

// The aspect (height / width) of the viewport, when it is one.
bool usable_aspect(float aspect) { return std::isfinite(aspect) && aspect > 0.0f; }

// The window's height follows its width by the viewport's aspect; a window
// that would reach above the drawing area is made lower and narrower.
void follow_aspect(Rect &r, float aspect) {
  if (!usable_aspect(aspect)) return;
  const int height = clamp_int(static_cast<double>(aspect) * (r.x2 - r.x1));
  const int top = ymax - CharHeight - 8;
  if (static_cast<long long>(r.y1) + height <= top) {
    r.y2 = r.y1 + height;
    return;
  }
  r.y2 = top;
  // A window whose bottom stands that high moves down as far as the area
  // lets it rather than turning inside out.
  if (r.y2 - r.y1 < 2) r.y1 = r.y2 - ymin < height ? ymin : r.y2 - height;
  r.x2 = r.x1 + clamp_int((r.y2 - r.y1) / static_cast<double>(aspect));
}

// The window's rectangle inside the drawing area: one too large is first
// made to fit, then moved inside whole; one that is no rectangle gives the
// default, the top right quarter.
void place_window(int &x1, int &y1, int &x2, int &y2) {
  const int W = static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]);
  if (x2 >= 1 && y2 >= 1 && x1 < x2 && y1 < y2) {
    if (static_cast<long long>(x2) - x1 > W - xmin) x1 = x2 - (W - xmin);
    if (static_cast<long long>(y2) - y1 > ymax - ymin) y1 = y2 - (ymax - ymin);
    if (x1 < xmin) {
      x2 += xmin - x1;
      x1 = xmin;
    }
    if (x2 > W) {
      x1 -= x2 - W;
      x2 = W;
    }
    if (y2 > ymax) {
      y1 -= y2 - ymax;
      y2 = ymax;
    }
    if (y1 < ymin) {
      y2 += ymin - y1;
      y1 = ymin;
    }
  } else {
    x2 = W;
    x1 = x2 - W / 4;
    y2 = ymax - CharHeight - 8;
    y1 = y2 - area_height() / 4;
  }
}

// ---- drawing ----------------------------------------------------------------------

void begin_overlay() {
  HideCursor();
  MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  SelectScreenMatrix();
}

void end_overlay() { MySetDrawmode(KGL_NORMALDRAW); }

// The window's inside with the viewport's whole range (matrix 66).
void SelectBirdseyeArea() {
  const Rect r = window_rect();
  CurrentMatrixNumber = -1;
  SetClippingRectangle(r.x1 + 1, r.x2 - 1, r.y1 + 1, r.y2 - 1, kMatrixViewport3D);
}

// A title-bar box filled, its glyph, its bevel.
void frame_box(const Rect &b, int pressed, void (*glyph)(int, int, int)) {
  FilledBox(b.x1 + 1, b.y1 + 1, b.x2 - 1, b.y2 - 1, UI_background, 0);
  if (glyph != nullptr) glyph(b.x1, b.y1, UI_contrast);
  draw_button_outline(b.x1, b.y1, b.x2, b.y2, pressed ? 0 : 1);
}

Rect close_box(const Rect &r) { return {r.x1 + 4, r.y2 + 2, r.x1 + CharHeight + 6, r.y2 + CharHeight + 6}; }
Rect title_box(const Rect &r) {
  return {r.x1 + CharHeight + 12, r.y2 + 2, r.x2 - CharHeight - 14, r.y2 + CharHeight + 6};
}
Rect size_box(const Rect &r) { return {r.x2 - CharHeight - 8, r.y2 + 2, r.x2 - 4, r.y2 + CharHeight + 6}; }

void draw_title(const Rect &r, int pressed) {
  const Rect b = title_box(r);
  frame_box(b, pressed, nullptr);
  const char *text = GetString(101);
  if (text == nullptr) return;
  const int width = static_cast<int>(std::strlen(text)) * CharWidth;
  if (width + 2 * CharWidth + 28 >= r.x2 - r.x1) return;
  MyColor(UI_contrast);
  cmov2i(b.x1 + (b.x2 - b.x1 - width) / 2, r.y2 + 2 + CharDescender / 2 + (pressed ? 1 : 0));
  MyCharstr(text);
}

// The frame in colour (its title box pressed when title_pressed), or taken
// away with colour 0.
void DrawBirdseyeFrame(int colour, int title_pressed) {
  const Rect r = window_rect(), f = frame_of(r);
  map_ui_colors();
  begin_overlay();
  if (colour != 0) {
    DropShadow(f.x1, f.y1, f.x2, f.y2, 1);
    OutlinedBox(f.x1, f.y1, f.x2, f.y2, colour, 0);
    OutlinedBox(r.x1, r.y1, r.x2, r.y2, colour, 0);
    OutlinedBox(f.x1, f.y1, f.x2, r.y2 + 1, colour, 0);
    FilledBox(r.x1, r.y2 + 2, r.x2, f.y2 - 1, colour, 0);
    frame_box(close_box(r), close_lit, draw_close_box);
    draw_title(r, title_pressed);
    frame_box(size_box(r), size_lit, draw_size_box);
  } else {
    DropShadow(f.x1, f.y1, f.x2, f.y2, 0);
    FilledBox(f.x1 - 1, f.y1 - 1, f.x2 + 1, f.y2 + 1, 0, 0);
  }
  end_overlay();
}

// The box and its helpers in exclusive-or: drawn twice, it is gone.
void DrawViewBox(int x1, int y1, int x2, int y2) {
  if (BirdseyeMode == 2) return;
  if (Tarvex && BirdseyeMode == 1) {
    tarvex_turn ^= 1;
    if (tarvex_turn == 0 && cache.state == 2) {
      const Rect r = window_rect();
      begin_overlay();
      MyBitBLT(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, 0, cache.pixels);
      end_overlay();
      return;
    }
  }
  view_extents = SetViewExtents(x1, y1, x2, y2);
  int colour = ConfigColor(kWordColourXor);
  if (BirdseyeMode == 1) {
    HideCursor();
    MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
    colour = UI_background;
  }
  SelectBirdseyeArea();
  OutlinedBox(x1, y1, x2, y2, colour, -1);

  const int cx = x1 + (x2 - x1) / 2, cy = y1 + (y2 - y1) / 2;
  BeginXorDrawing();
  MyXcolor(colour);
  linewidth(2);
  if (BirdseyeState == kPanning) {
    const int s = view_half / 16;
    MyLine(cx - s, cy - s, cx + s, cy + s);
    MyLine(cx - s, cy + s, cx + s, cy - s);
  } else if (BirdseyeState == kZooming) {
    const int tip = x2 - view_half / 4, head = view_half / 8;
    MyLine(x2, cy, tip, cy);
    MyLine(tip, cy, tip + head, cy + head);
    MyLine(tip, cy, tip + head, cy - head);
  }
  linewidth(1);
  set_line_style(1);
  MyLine(cx, 0, cx, y1);
  MyLine(cx, view_half, cx, y2);
  MyLine(0, cy, x1, cy);
  MyLine(view_half, cy, x2, cy);
  set_line_style(0);
  EndXorDrawing();
  if (BirdseyeMode == 1) MySetDrawmode(KGL_NORMALDRAW);
  CurrentMatrixNumber = -1;
}

void draw_view_box() { DrawViewBox(brx1, bry1, brx2, bry2); }

// The software cursor where the box centre stands in the window (at the
// pointer itself when there is no window).
void BirdseyeCursor(int x, int y) {
  if (BirdseyeMode == 2) {
    MoveCursor(x, y);
    return;
  }
  const Rect r = window_rect();
  const ViewportRecord &vp = current();
  const int xr = vp.xrange > 0 ? vp.xrange : 1, yr = vp.yrange > 0 ? vp.yrange : 1;
  const long long cx = brx1 + (static_cast<long long>(brx2) - brx1) / 2;
  const long long cy = bry1 + (static_cast<long long>(bry2) - bry1) / 2;
  MoveCursor(r.x1 + 1 + static_cast<int>(cx * (r.x2 - r.x1 - 2) / xr),
             r.y1 + 1 + static_cast<int>(cy * (r.y2 - r.y1 - 2) / yr));
}

// ---- the cached picture -------------------------------------------------------------

int picture_planes() { return BirdseyeMode == 1 ? 2 : 1; }

bool show_cached_picture(const Rect &r) {
  const int w = r.x2 - r.x1 - 1, h = r.y2 - r.y1 - 1;
  if (cache.pixels == nullptr || cache.state != picture_planes() || cache.width != w || cache.height != h)
    return false;
  if (cache.state == 2) begin_overlay();
  SelectScreenMatrix();
  MyBitBLT(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, 0, cache.pixels);
  if (cache.state == 2) end_overlay();
  return true;
}

void cache_picture(const Rect &r) {
  FreeCachedBirdseye();
  const int w = r.x2 - r.x1 - 1, h = r.y2 - r.y1 - 1;
  if (w < 1 || h < 1) return;
  cache.pixels = static_cast<std::uint32_t *>(MyMalloc(static_cast<std::size_t>(w) * h * sizeof(std::uint32_t)));
  if (cache.pixels == nullptr) return;
  cache.state = picture_planes();
  cache.width = w;
  cache.height = h;
  if (cache.state == 2) begin_overlay();
  SelectScreenMatrix();
  MyBitBLT(r.x1 + 1, r.y1 + 1, r.x2 - 1, r.y2 - 1, 1, cache.pixels);
  if (cache.state == 2) end_overlay();
}

// ---- the live view of modes 1 and 2 --------------------------------------------------------

// The current viewport shows the box's view, replayed in time slices: after a
// move from the start into the back buffer, shown at the end of the slice;
// without one the replay goes on where it stopped.
void live_view(bool moved) {
  if (BirdseyeMode != 1 && BirdseyeMode != 2) return;
  const int index = current_index();
  ViewportRecord &vp = vp_info[index];
  if (!moved && (redraw_list.viewport != index || redraw_list.state == kReplayFinished)) return;
  CurrentMatrixNumber = -1;
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, index);
  mmode(KGL_MSINGLE);
  MyOrtho2(static_cast<float>(brx1 - 1), static_cast<float>(brx2 + 1), static_cast<float>(bry1 - 1),
           static_cast<float>(bry2 + 1));
  CurrentMatrixNumber = -1;
  view_extents = SetViewExtents(brx1, bry1, brx2, bry2);
  if (moved) {
    SelectBackBuffer();
    MyColor(ConfigColor(kWordColourGraphics));
    clear();
    redraw_list = RedrawList{nullptr, index, kReplayStart};
  } else {
    SelectBothBuffers();
  }
  redraw_reset_timer();
  while (redraw_list.state != kReplayFinished && redraw_read_timer() < cfr.word(kWordTimeSlice))
    PartialRedrawDisplayList(index);
  if (moved) MySwapbuffers();
  SelectBothBuffers();
  CurrentMatrixNumber = -1;
}

// ---- the title bar ------------------------------------------------------------------

// The pointer's y above the drawing area's bottom.
int area_y(int y) { return y - ymin; }

bool in_title_zone(int y) { return area_y(y) >= area_height() - CharHeight - 8; }

// The pointer's x where it stands over the window.
int BirdsScaleX(int x) {
  const Rect r = window_rect();
  return r.x1 + static_cast<int>(static_cast<long long>(x) * (r.x2 - r.x1) / area_width());
}

// Lights the title-bar box under x (mapped into the window), puts the others
// out, and keeps the cursor on the title bar.
void BirdseyeFrameHover(int x) {
  const Rect r = window_rect();
  const int wx = BirdsScaleX(x);
  const Rect c = close_box(r), t = title_box(r), s = size_box(r);
  const int over_close = IsWithin(wx, c.x1, c.x2), over_title = IsWithin(wx, t.x1, t.x2);
  const int over_size = IsWithin(wx, s.x1, s.x2);
  if (over_close != close_lit || over_title != title_lit || over_size != size_lit) {
    close_lit = over_close;
    title_lit = over_title;
    size_lit = over_size;
    begin_overlay();
    frame_box(c, close_lit, draw_close_box);
    draw_title(r, title_lit);
    frame_box(s, size_lit, draw_size_box);
    end_overlay();
  }
  MoveCursor(wx < r.x1 ? r.x1 : wx > r.x2 ? r.x2 : wx, r.y2 + 4 + CharHeight / 2);
}

void enter_title_bar(Packet &p) {
  draw_view_box();  // off while the pointer is on the title bar
  OldState = BirdseyeState;
  BirdseyeState = kOverFrame;
  pick_waiting = 0;
  beye_command(p);
}

// ---- leaving -----------------------------------------------------------------------

// What was under a window drawn in the normal planes goes back, also when
// the mode changed while the window was up ('RTON, 'RTBIRD).
void put_back_screen() {
  if (under.pixels != nullptr) restore_screen_area(under);
  free_screen_area(under);
}

void accept_view() {
  bview = 0;
  ++PstringNeeded;
  BirdseyeState = kZoomWaiting;
  close_lit = title_lit = size_lit = 0;
  pick_waiting = 0;
  if (BirdseyeMode != 2) DrawBirdseyeFrame(0, 0);
  put_back_screen();
}

void cancel_view() {
  cancel_birdseye();
  RestoreCommandPalette();
}

int answered(Packet &p) {
  p.put_i16(2, kUsed);
  return 1;
}

// The cancel and action keys and the client's cancel (a button code below
// -1) and accept (-1) buttons mean the same over the title bar as over the
// box: the driver's own pointer samples may take the window onto the title
// bar at any moment, between two requests of the client.
bool ends_window(int key, int code) {
  if (key == kCancelKey || code < -1) {
    cancel_view();
    return true;
  }
  if (key == kActionKey || code == -1) {
    accept_view();
    return true;
  }
  return false;
}

// ---- panning and zooming -------------------------------------------------------------

// The pointer in viewport units.
int scaled(int v, double scale) {
  const double u = std::fabs(v * scale);
  return u < static_cast<double>(kBoxLimit) ? static_cast<int>(u) : static_cast<int>(kBoxLimit);
}

// The box keeps its size and stays within 1 .. range - 1.
void keep_inside(int &low, int &high, int size, int range) {
  if (low < 1) {
    low = 1;
    high = 1 + size;
  }
  if (high > range - 1) {
    high = range - 1;
    low = high - size;
  }
}

void pan_box(int x, int y) {
  const ViewportRecord &vp = current();
  int x1 = scaled(x, sx) - half_w, y1 = scaled(area_y(y), sy) - half_h;
  int x2 = x1 + box_w, y2 = y1 + box_h;
  keep_inside(x1, x2, box_w, vp.xrange);
  keep_inside(y1, y2, box_h, vp.yrange);
  brx1 = x1, bry1 = y1, brx2 = x2, bry2 = y2;
}

void zoom_box(int x, int y) {
  const ViewportRecord &vp = current();
  const int px = scaled(x, sx), py = scaled(area_y(y), sy);
  if (px < brx1) return;
  long long x2 = px + (static_cast<long long>(px) - brx1);
  if (x2 > vp.xrange) x2 = vp.xrange - 1;
  long long width = x2 - brx1;
  if (do_32bit_regen && width < 0x2000) width = 0x2000;
  // Never fewer units than the drawing area has pixels.
  if (width <= area_width() + 1) width = area_width() + 1;
  const long long half = width / 2;
  long long y1 = py - half, y2 = py + half;
  if (y1 < 0) {
    y2 += 1 - y1;
    y1 = 1;
  }
  if (y2 > vp.yrange || y2 < 0) {
    y1 -= y2 - (vp.yrange - 1);
    y2 = vp.yrange - 1;
  }
  brx2 = clamp_int(static_cast<double>(brx1 + width));
  bry1 = clamp_int(static_cast<double>(y1));
  bry2 = clamp_int(static_cast<double>(y2));
}

void set_box_size() {
  box_w = brx2 - brx1;
  box_h = bry2 - bry1;
  half_w = box_w / 2;
  half_h = box_h / 2;
}

// States 11 and 12: the pointer moves (pan) or sizes (zoom) the box; a click
// switches between them, a pick held long enough or the action key accepts,
// the cancel key cancels.
int box_input(Packet &p, bool zooming) {
  if (first_call)
    first_call = 0;
  else if (BirdseyeMode != 2)
    SelectBirdseyeArea();
  const int code = Original[1];
  if (ends_window(FlushKeyboardBuffer(), code)) return answered(p);
  if (pick_waiting) {
    if (code == 0) {
      if (redraw_read_timer() > cfr.word(kWordPickRepeat)) accept_view();
      return answered(p);
    }
    // A click: from panning to zooming and back.
    pick_waiting = 0;
    draw_view_box();
    BirdseyeState = zooming ? kPanning : kZooming;
    draw_view_box();
    return answered(p);
  }
  if (code == kPick) {
    pick_waiting = 1;
    redraw_reset_timer();
    return answered(p);
  }
  const int x = Original[2], y = Original[3];
  if (BirdseyeMode != 2 && in_title_zone(y)) {
    enter_title_bar(p);
    return answered(p);
  }
  const bool moved = CursorHasMoved(Original);
  if (moved) {
    draw_view_box();
    if (zooming) {
      zoom_box(x, y);
      set_box_size();
    } else {
      pan_box(x, y);
    }
    draw_view_box();
    BirdseyeCursor(x, y);
  }
  live_view(moved);
  return answered(p);
}

// States 30 and 31: the window follows the pointer, or its right edge does.
void move_window(int x, int y) {
  const int W = area_width();
  Rect r{x - off_left, y - off_bottom, x + off_right, y + off_top};
  const int top = ymax - CharHeight - 8;
  if (r.x2 > W) {
    r.x1 -= r.x2 - W;
    r.x2 = W;
  }
  if (r.x1 < xmin) {
    r.x2 += xmin - r.x1;
    r.x1 = xmin;
  }
  if (r.y2 > top) {
    r.y1 -= r.y2 - top;
    r.y2 = top;
  }
  if (r.y1 < ymin) {
    r.y2 += ymin - r.y1;
    r.y1 = ymin;
  }
  store_rect(r);
}

void size_window(int x) {
  Rect r = window_rect();
  r.x2 = x > area_width() ? area_width() : x;
  if (r.x2 < r.x1 + 3 * CharWidth + 32) r.x2 = r.x1 + 3 * CharWidth + 32;
  follow_aspect(r, current().aspect);
  store_rect(r);
}

// A pick on the title or the size box: the window is taken off and follows.
void start_moving(int state) {
  const int x = Original[2], y = Original[3];
  DrawBirdseyeFrame(0, 0);
  SaveBirdsRect();
  put_back_screen();
  const Rect r = window_rect();
  off_left = x - r.x1;
  off_right = r.x2 - x;
  off_bottom = y - r.y1;
  off_top = r.y2 - y;
  BirdseyeState = state;
}

// The window follows until the pick that puts it down.
int window_input(Packet &p, bool sizing) {
  const int x = Original[2], y = Original[3];
  if (Original[1] == kPick) {
    title_lit = size_lit = 0;
    DrawBirdseyeFrame(0, 0);
    DrawBirdseyeView(0);
    return answered(p);
  }
  if (CursorHasMoved(Original)) {
    if (sizing) FreeCachedBirdseye();
    DrawBirdseyeFrame(0, 0);
    if (sizing)
      size_window(x);
    else
      move_window(x, y);
    DrawBirdseyeFrame(UI_background, 1);
    const Rect r = window_rect();
    if (sizing)
      MoveCursor(r.x2 - CharWidth, r.y2 + CharHeight);
    else
      MoveCursor(x, y);
  }
  return answered(p);
}

}  // namespace

// ---- placement ------------------------------------------------------------------------

void InitBirdseye(int &x1, int &y1, int &x2, int &y2) {
  if (!Initialized) return;
  place_window(x1, y1, x2, y2);
  close_lit = title_lit = size_lit = 0;
  bview = 0;
  BirdseyeState = kClosed;
  BirdseyeViewport = -1;
  // A saved screen belongs to a window of the session before.
  free_screen_area(under);
}

// ---- the window ---------------------------------------------------------------------------

void ZoomWindow(int n, int &x1, int &y1, int &x2, int &y2) {
  const ViewportRecord &vp = current();
  if (n == 1) {
    x1 = y1 = 1;
    x2 = vp.xrange;
    y2 = vp.yrange;
    return;
  }
  if (n < 2) {
    x1 = vp.view_x1;
    y1 = vp.view_y1;
    x2 = vp.view_x2;
    y2 = vp.view_y2;
    return;
  }
  const int w = vp.xrange / n, h = vp.yrange / n;
  const long long cx = held(vp.view_x1 + (static_cast<long long>(vp.view_x2) - vp.view_x1) / 2);
  const long long cy = held(vp.view_y1 + (static_cast<long long>(vp.view_y2) - vp.view_y1) / 2);
  x1 = cx < w / 2 ? 1 : held(cx - w / 2);
  y1 = cy < h / 2 ? 1 : held(cy - h / 2);
  x2 = held(static_cast<long long>(x1) + w);
  y2 = held(static_cast<long long>(y1) + h);
}

void zoom_absolute(int n) {
  if (no_echo) return;
  ZoomWindow(n, newxl, newyl, newxh, newyh);
  if (n == 1)
    ZoomRequest = 1;
  else
    dlist_pan = 1;
  ++PstringNeeded;
}

void DrawBirdseyeView(int n) {
  if (!Initialized) return;
  const int index = current_index();
  ViewportRecord &vp = vp_info[index];
  view_half = do_32bit_regen ? 0x7FFFFF : 0x7FFE;
  if (n == 0) {
    brx1 = vp.view_x1;
    bry1 = vp.view_y1;
    brx2 = vp.view_x2;
    bry2 = vp.view_y2;
  } else {
    ZoomWindow(n, brx1, bry1, brx2, bry2);
  }
  for (int *v : {&brx1, &bry1, &brx2, &bry2}) *v = held(*v);
  view_extents = SetViewExtents(0, 0, view_half, view_half);

  // The rectangle words may have been read from a file since the window was
  // placed.
  Rect r = window_rect();
  place_window(r.x1, r.y1, r.x2, r.y2);
  if (vp.number != BirdseyeViewport) {
    // A window shaped like the viewport.
    BirdseyeViewport = vp.number;
    if (r.x2 > area_width()) r.x2 = area_width();
    if (r.x2 - r.x1 < 70) r.x1 = r.x2 - 70;
    if (r.x1 < xmin) {
      r.x2 += xmin - r.x1;
      r.x1 = xmin;
    }
    follow_aspect(r, vp.aspect);
  }
  store_rect(r);

  map_ui_colors();
  if (BirdseyeMode != 2) {
    // Drawn again where it stands: what was under it goes back first.
    put_back_screen();
    if (BirdseyeMode == 0) {
      const Rect f = frame_of(r);
      ++pushcount;
      save_screen_area(under, f.x1, f.y1, f.x2, f.y2);
      --pushcount;
    }
    DrawBirdseyeFrame(UI_background, title_lit);
    SelectBothBuffers();
    if (!show_cached_picture(r)) {
      SelectBirdseyeArea();
      if (BirdseyeMode == 1) {
        rt_redraw(index);
      } else {
        MyColor(ConfigColor(kWordColourGraphics));
        clear();
        RedrawDisplayList(index);
      }
      cache_picture(r);
    }
  }

  view_extents = SetViewExtents(brx1, bry1, brx2, bry2);
  if (static_cast<std::uint32_t>(view_extents) == kAllTiles) {
    BirdseyeState = kZooming;
  } else {
    BirdseyeState = kPanning;
    // The current view stays marked in the picture.
    if (BirdseyeMode == 0) {
      SelectBirdseyeArea();
      FilledBox(brx1, bry1, brx2, bry2, ConfigColor(kWordColourPulldown), -1);
    } else if (BirdseyeMode == 1) {
      HideCursor();
      MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
      SelectBirdseyeArea();
      setpattern(kPatternSparse);
      FilledBox(brx1, bry1, brx2, bry2, UI_background, 0);
      setpattern(kPatternSolid);
      OutlinedBox(brx1, bry1, brx2, bry2, UI_background, 0);
      MySetDrawmode(KGL_NORMALDRAW);
    }
  }
  CurrentMatrixNumber = -1;

  const int denominator = area_height() - CharHeight - 9;
  sx = static_cast<double>(vp.xrange) / area_width();
  sy = static_cast<double>(vp.yrange) / (denominator > 0 ? denominator : 1);
  set_box_size();
  Old.x = Old.y = -1;
  pick_waiting = 0;
  draw_view_box();
  close_lit = title_lit = size_lit = 0;
  first_call = 1;
  if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
}

void cancel_birdseye() {
  const int index = current_index();
  view_extents = vp_info[index].extents_mask;
  // A zoom already on its way to the client is not the window's to drop.
  if (!bview) return;
  if (BirdseyeMode != 2) DrawBirdseyeFrame(0, 0);
  if (BirdseyeMode == 1 || BirdseyeMode == 2) {
    CurrentMatrixNumber = -1;
    SelectViewportArea(index);
    SelectBothBuffers();
    MyColor(ConfigColor(kWordColourGraphics));
    clear();
    RedrawDisplayList(index);
    CurrentMatrixNumber = -1;
    // The drawing area's top row can be the drawn status line's bottom one:
    // the line is drawn again over what the clear took.
    if (StatusLine) UpdateStatusLine(&GL_Status_Line, 1);
  }
  put_back_screen();
  if (PdigitizeNeeded == 1) PdigitizeNeeded = 0;
  bview = 0;
  close_lit = title_lit = size_lit = 0;
  pick_waiting = 0;
  BirdseyeState = kClosed;
}

void FreeCachedBirdseye() {
  MyFree(cache.pixels);
  cache = CachedPicture{};
}

// ---- input ---------------------------------------------------------------------------------

int beye_command(Packet &p) {
  const int x = Original[2], y = Original[3];
  const int key = FlushKeyboardBuffer();
  if (Original[1] == kPick && close_lit) {
    cancel_view();
    return answered(p);
  }
  if (ends_window(key, Original[1])) return answered(p);
  if (!in_title_zone(y)) {
    if (close_lit || title_lit || size_lit) {
      const Rect r = window_rect();
      close_lit = title_lit = size_lit = 0;
      begin_overlay();
      frame_box(close_box(r), 0, draw_close_box);
      draw_title(r, 0);
      frame_box(size_box(r), 0, draw_size_box);
      end_overlay();
    }
    BirdseyeState = OldState == kZooming ? kZooming : kPanning;
    draw_view_box();
    BirdseyeCursor(x, y);
    return answered(p);
  }
  if (Original[1] == kPick && title_lit) {
    start_moving(kMoving);
    return answered(p);
  }
  if (Original[1] == kPick && size_lit) {
    start_moving(kSizing);
    return answered(p);
  }
  if (CursorHasMoved(Original)) BirdseyeFrameHover(x);
  return answered(p);
}

int z_pan(Packet &p) { return box_input(p, false); }
int z_scale(Packet &p) { return box_input(p, true); }
int beye_pan(Packet &p) { return window_input(p, false); }
int beye_scale(Packet &p) { return window_input(p, true); }

void ResetBirdseye() {
  free_screen_area(under);
  FreeCachedBirdseye();
  bview = BirdseyeMode = TextScreenBirdseye = 0;
  BirdseyeState = OldState = 0;
  brx1 = bry1 = brx2 = bry2 = 0;
  close_lit = title_lit = size_lit = 0;
  first_call = pick_waiting = tarvex_turn = 0;
  sx = sy = 1;
  box_w = box_h = half_w = half_h = 0;
}
