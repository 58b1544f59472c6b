// The software cursor, the crosshair marks, the coordinate read-out, the menu
// cursor and the outlined box.
//
// The cursor lives in the overlay (or pop-up) planes: before it is drawn, the
// 16 x 16 block it covers is read into a save-under; the shape goes in with
// an AND of its mask and an OR of its image, and the save-under goes back
// when it is hidden. The block is clipped to the window, so a cursor at an
// edge or a corner neither reads nor writes a pixel outside it.
#include "display/cursor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/build.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/tool_state.h"
#include "base/x_session.h"
#include "display/aui_records.h"
#include "display/colour_tables.h"
#include "display/hooks.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

int cursor_up;
int cursor_x, cursor_y;
int clear_cursor;
int AUI_CursorCount;
int AUI_cursorx, AUI_cursory;
std::int32_t CurrentPmark[kPmarkWords];
int hold_mark;
int hold_mark_allowed;
char coord_str[256];
int mode_flags;

namespace {

// ---- shapes ------------------------------------------------------------------------

// A shape drawn as text, top row first: ' ' outside, 'B' the outline (overlay
// index 2), 'W' the fill (index 3).
using ShapeArt = const char *[kCursorSize];

// The shape's mask (3 outside, 0 inside) and image (0 outside, 2 or 3 inside)
// as pixel blocks, rows bottom first.
struct SoftCursorShape {
  Uint32 mask[kCursorSize * kCursorSize];
  Uint32 image[kCursorSize * kCursorSize];
};

constexpr SoftCursorShape make_shape(const ShapeArt &art) {
  SoftCursorShape s{};
  for (int row = 0; row < kCursorSize; ++row) {
    const char *line = art[kCursorSize - 1 - row];
    for (int col = 0; col < kCursorSize; ++col) {
      const char c = line[col];
      const int i = row * kCursorSize + col;
      s.mask[i] = c == ' ' ? 3u : 0u;
      s.image[i] = c == 'B' ? 2u : c == 'W' ? 3u : 0u;
    }
  }
  return s;
}

// Every line of a shape is 16 characters of the three kinds.
constexpr bool well_formed(const ShapeArt &art) {
  for (const char *line : art) {
    int n = 0;
    for (; line[n] != '\0'; ++n)
      if (line[n] != ' ' && line[n] != 'B' && line[n] != 'W') return false;
    if (n != kCursorSize) return false;
  }
  return true;
}

// Shape 1: an arrow pointing to the upper left, its tip on the hot spot.
constexpr ShapeArt kArrowArt = {
    "                ",
    "  B             ",
    "  BB            ",
    "  BWB           ",
    "  BWWB          ",
    "  BWWWB         ",
    "  BWWWWB        ",
    "  BWWWWWB       ",
    "  BWWWWWWB      ",
    "  BWWWWWWWB     ",
    "  BWWWWWBBBB    ",
    "  BWWBWWB       ",
    "  BWB BWWB      ",
    "  BB  BWWB      ",
    "  B    BWWB     ",
    "        BB      ",
};

// Shape 2: the four-way move symbol, a diamond with arrow heads on all sides.
constexpr ShapeArt kMoveArt = {
    "       B        ",
    "      BWB       ",
    "     BWWWB      ",
    "    BBBWBBB     ",
    "   BB BWB BB    ",
    "  BWBBBWBBBWB   ",
    " BWWBWWWWWBWWB  ",
    "BWWWWWWWWWWWWWB ",
    " BWWBWWWWWBWWB  ",
    "  BWBBBWBBBWB   ",
    "   BB BWB BB    ",
    "    BBBWBBB     ",
    "     BWWWB      ",
    "      BWB       ",
    "       B        ",
    "                ",
};

// Shape 3: a plus sign with a square centre.
constexpr ShapeArt kPlusArt = {
    "      BBB       ",
    "      BWB       ",
    "      BWB       ",
    "      BWB       ",
    "    BBBWBBB     ",
    "    BWWWWWB     ",
    "BBBBBWBBBWBBBBB ",
    "BWWWWWB BWWWWWB ",
    "BBBBBWBBBWBBBBB ",
    "    BWWWWWB     ",
    "    BBBWBBB     ",
    "      BWB       ",
    "      BWB       ",
    "      BWB       ",
    "      BBB       ",
    "                ",
};

static_assert(well_formed(kArrowArt) && well_formed(kMoveArt) && well_formed(kPlusArt));

constexpr SoftCursorShape kShapes[3] = {make_shape(kArrowArt), make_shape(kMoveArt), make_shape(kPlusArt)};

const SoftCursorShape &shape_of(int cursor) {
  if (cursor == 2) return kShapes[1];
  if (cursor == 3) return kShapes[2];
  return kShapes[0];
}

// ---- the save-under ---------------------------------------------------------------

// A block of the window, both corners included; empty when x2 < x1 or y2 < y1.
struct Block {
  int x1, y1, x2, y2;
  bool empty() const { return x2 < x1 || y2 < y1; }
  int width() const { return x2 - x1 + 1; }
};

// The part of the block x1..x2, y1..y2 that lies in the window.
Block window_part(long long x1, long long y1, long long x2, long long y2) {
  const long long wx = xsize - 1LL, wy = ysize - 1LL;
  x1 = std::max(x1, 0LL);
  y1 = std::max(y1, 0LL);
  x2 = std::min(x2, wx);
  y2 = std::min(y2, wy);
  if (x2 < x1 || y2 < y1) return Block{0, 0, -1, -1};
  return Block{static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2), static_cast<int>(y2)};
}

// The part of the cursor block at (x, y) that lies in the window (in 64 bits:
// positions near the ends of int must not overflow).
Block cursor_block(int x, int y) {
  const long long x1 = static_cast<long long>(x) - kCursorHotX, y1 = static_cast<long long>(y) - kCursorHotY;
  return window_part(x1, y1, x1 + kCursorSize - 1, y1 + kCursorSize - 1);
}

Uint32 save_under[kCursorSize * kCursorSize];  // rows bottom first, save_block's width
Block save_block{0, 0, -1, -1};                // where it came from

// Writes rows of a 16-wide block (origin ox, oy: its lower-left pixel in the
// window) that fall inside b.
void write_shape_part(const Uint32 *block16, int ox, int oy, const Block &b) {
  Uint32 part[kCursorSize * kCursorSize];
  const int w = b.width();
  int n = 0;
  for (int y = b.y1; y <= b.y2; ++y) {
    const Uint32 *row = block16 + (y - oy) * kCursorSize + (b.x1 - ox);
    std::memcpy(part + n, row, sizeof(Uint32) * static_cast<std::size_t>(w));
    n += w;
  }
  lrectwrite(b.x1, b.y1, b.x2, b.y2, part);
}

// Puts the save-under back, in the planes and matrix already selected. A
// window that shrank since it was taken gets only the part still inside it.
void restore_save_under() {
  if (save_block.empty()) return;
  const Block b = window_part(save_block.x1, save_block.y1, save_block.x2, save_block.y2);
  if (b.empty()) return;
  if (b.x1 == save_block.x1 && b.y1 == save_block.y1 && b.x2 == save_block.x2 && b.y2 == save_block.y2) {
    lrectwrite(b.x1, b.y1, b.x2, b.y2, save_under);
    return;
  }
  Uint32 part[kCursorSize * kCursorSize];
  const int w = b.width(), sw = save_block.width();
  int n = 0;
  for (int y = b.y1; y <= b.y2; ++y) {
    std::memcpy(part + n, save_under + (y - save_block.y1) * sw + (b.x1 - save_block.x1),
                sizeof(Uint32) * static_cast<std::size_t>(w));
    n += w;
  }
  lrectwrite(b.x1, b.y1, b.x2, b.y2, part);
}

// Reads the save-under of the cursor at (x, y). The planes are memory, so no
// finish() is needed before the read (the cursor moves with every sample).
void take_save_under(int x, int y) {
  save_block = cursor_block(x, y);
  if (!save_block.empty()) lrectread(save_block.x1, save_block.y1, save_block.x2, save_block.y2, save_under);
}

void select_cursor_planes() {
  MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  SelectScreenMatrix();
  logicop(KGL_LO_SRC);
}

// ---- marks ------------------------------------------------------------------------

void select_viewport0_matrix() {
  if (CurrentMatrixNumber != 0) SetClippingRectangle(xmin, Pkinit.field[kPkinitWidth], ymin, ymin + Pkinit.field[kPkinitHeight], 0);
}

struct MarkFields {
  std::size_t x, y, type, viewport, flag;  // byte offsets
  bool wide;                               // x and y are 32-bit
};
constexpr MarkFields kMarkFields{4, 6, 8, 10, 12, false};
constexpr MarkFields kBigMarkFields{4, 8, 12, 14, 16, true};

// The mark routine shared by the mark packets: records the mark, draws a
// crosshair in exclusive-or, and answers in the i16 at 2 whether the driver
// drew (or took) the mark.
int mark_routine(Packet &p, const MarkFields &f) {
  int x = f.wide ? p.i32(f.x) : p.i16(f.x);
  int y = f.wide ? p.i32(f.y) : p.i16(f.y);
  const int type = p.i16(f.type);
  const int index = ViewportLookup(p.i16(f.viewport));
  const int flag = p.i16(f.flag);

  auto reply = [&p](int value) {
    p.put_i16(2, value);
    return 1;
  };
  if (index < 0) return reply(1);

  if (current_style != 0) {
    current_style = 0;
    setlinestyle(0);
  }
  if (index > 0 && index != CurrentViewport) {
    CurrentViewport = index;
    notify(display_hooks.view_changed, 0);
    notify(display_hooks.picture_stale);
  }
  if (menubar) {
    menubar = 0;
    Restore_UI();
  }

  if (bview || tumble || dview || NewConfig) {
    CurrentPmark[kPmarkTaken] = 1;
    return reply(1);
  }

  CurrentPmark[kPmarkTaken] = 0;
  const bool crosshair = type == 0 || type == 3;
  if (hold_mark) {
    CurrentPmark[kPmarkState] = 8;
    x = CurrentPmark[kPmarkX];
    y = CurrentPmark[kPmarkY];
    if (f.wide) {
      p.put_i32(f.x, x);
      p.put_i32(f.y, y);
    } else {
      p.put_i16(f.x, x);
      p.put_i16(f.y, y);
    }
  } else {
    CurrentPmark[kPmarkState] = 7;
    CurrentPmark[kPmarkX] = x;
    CurrentPmark[kPmarkY] = y;
    if (CurrentPmark[kPmarkDrawn] != 0) {
      clear_cursor = 1;
      HideCursor();
      clear_cursor = 0;
    } else {
      ++CurrentPmark[kPmarkDrawn];
    }
  }
  CurrentPmark[kPmarkViewport] = index;
  CurrentPmark[kPmarkType] = type;
  if (ChangeUIcolors) map_ui_colors();

  if (x == 0 && y == 0) return reply(0);
  if (!crosshair) return reply(0);

  if (index > 0) {
    const ViewportRecord &vp = vp_info[index];
    if (static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]) >= 8 && flag != 0) {
      if (CurrentMatrixNumber != index) SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, index);
      ndl_line(vp.view_x1, y, vp.view_x2, y, -1, 0);
      ndl_line(x, vp.view_y1, x, vp.view_y2, -1, 0);
    } else {
      select_viewport0_matrix();
      ndl_line(vp.x1, y, vp.x2, y, -1, 0);
      ndl_line(x, vp.y1 - ymin, x, vp.y2 - ymin, -1, 0);
    }
    return reply(1);
  }
  select_viewport0_matrix();
  ndl_line(xmin, y, Pkinit.field[kPkinitWidth], y, -1, 0);
  ndl_line(x, 0, x, Pkinit.field[kPkinitHeight], -1, 0);
  return reply(1);
}

// The held-mark packets: the mark routine with hold_mark set, unless a driver
// tool has the mark.
int held_mark(Packet &p, const MarkFields &f) {
  CurrentPmark[kPmarkHeld] = 1;
  if (hold_mark_allowed == 0 && CurrentPmark[kPmarkTaken] != 0) {
    p.put_i16(2, 1);
    return 1;
  }
  hold_mark = 1;
  const int result = mark_routine(p, f);
  hold_mark = 0;
  return result;
}

// The last client shape defined: a shape sent again unchanged is not defined
// again. The whole bitmap is compared, not a sum of its words, so that a new
// shape whose words happen to add up the same is still taken.
std::uint16_t last_shape[32];
bool shape_defined;

}  // namespace

// ---- the software cursor -------------------------------------------------------------

void InitCursor() {
  static bool done = false;
  if (done) return;
  done = true;
  static const Uint16 empty[kCursorSize] = {};
  curstype(KGL_C16X1);
  defcursor(1, empty);
  curorigin(1, kCursorHotX, kCursorHotY);
  cursor_x = xsize / 2;
  cursor_y = ysize / 2;
  select_cursor_planes();
  take_save_under(cursor_x, cursor_y);
  MySetDrawmode(KGL_NORMALDRAW);
  cursor_up = 1;
  MySetcursor(1);
}

void MoveCursor(int x, int y) {
  const SoftCursorShape &shape = shape_of(CurrentCursor);
  select_cursor_planes();
  if (cursor_up) {
    cursor_up = 0;
    restore_save_under();
  }
  take_save_under(x, y);
  if (!save_block.empty()) {
    const int ox = x - kCursorHotX, oy = y - kCursorHotY;
    logicop(KGL_LO_AND);
    write_shape_part(shape.mask, ox, oy, save_block);
    logicop(KGL_LO_OR);
    write_shape_part(shape.image, ox, oy, save_block);
  }
  MySetDrawmode(KGL_NORMALDRAW);
  logicop(KGL_LO_SRC);
  cursor_x = x;
  cursor_y = y;
  cursor_up = 1;
}

void HideCursor() {
  if (!cursor_up) return;
  cursor_up = 0;
  select_cursor_planes();
  restore_save_under();
  MySetDrawmode(KGL_NORMALDRAW);
}

void DrawCursor() {
  if (CurrentPmark[kPmarkState] != 7 || (CurrentPmark[kPmarkType] != 0 && CurrentPmark[kPmarkType] != 3)) return;
  SelectScreenMatrix();
  const int x = CurrentPmark[kPmarkX], k = CurrentPmark[kPmarkViewport];
  // The y of a 32-bit mark may be anywhere: the sum is kept in range.
  const long long screen_y = static_cast<long long>(CurrentPmark[kPmarkY]) + ymin;
  const int y = static_cast<int>(std::clamp<long long>(screen_y, INT32_MIN, INT32_MAX));
  if (k > 0 && k < kViewportCount) {
    const ViewportRecord &vp = vp_info[k];
    ndl_line(vp.x1, y, vp.x2, y, -1, 0);
    ndl_line(x, vp.y1, x, vp.y2, -1, 0);
  } else if (k == 0) {
    ndl_line(xmin, y, Pkinit.field[kPkinitWidth], y, -1, 0);
    ndl_line(x, ymin, x, ymax, -1, 0);
  }
}

// ---- boxes -------------------------------------------------------------------------

void OutlinedBox(int x1, int y1, int x2, int y2, int colour, int mode) {
  arb_corner(&x1, &y1, &x2, &y2);
  if (current_style != 0) {
    current_style = 0;
    setlinestyle(0);
  }
  const bool exclusive_or = mode == -1;
  if (exclusive_or) {
    BeginXorDrawing();
    MyXcolor(colour);
  } else {
    MyColor(colour);
  }
  const Int32 a[2] = {x1, y1}, b[2] = {x2, y1}, c[2] = {x2, y2}, d[2] = {x1, y2};
  // As one closed line, so that every pixel of the outline is drawn once and
  // an exclusive-or box drawn twice disappears.
  bgnclosedline();
  v2i(a);
  v2i(b);
  v2i(c);
  v2i(d);
  endclosedline();
  if (exclusive_or) {
    EndXorDrawing();
  }
}

// ---- the client's cursor shape ---------------------------------------------------------

void BuildClientCursor(const std::uint16_t mask[16], const std::uint16_t image[16], int eight_bit,
                       std::uint16_t bitmap[32]) {
  for (int i = 0; i < 16; ++i) {
    const std::uint16_t img = image[15 - i];
    std::uint16_t inv = static_cast<std::uint16_t>(~mask[15 - i]);
    if (eight_bit) inv = static_cast<std::uint16_t>(inv | img);
    bitmap[i] = img;
    bitmap[16 + i] = inv;
  }
}

// ---- packets -----------------------------------------------------------------------

int pdcurs(Packet &p) {
  const int x = p.i16(2), y = p.i16(4);
  if (cfr.word(kWordRefreshList) && pushcount) {
    ++AUI_CursorCount;
    AUI_cursorx = x;
    AUI_cursory = y;
  }
  CurrentPmark[kPmarkState] = 0;
  CurrentPmark[kPmarkDrawn] = 0;
  if (menubar) {
    menubar = 0;
    Restore_UI();
  }

  const int level = static_cast<std::int16_t>(Pkinit.field[kPkinitLevel]);
  const int flags = Pkinit.field[kPkinitFlags];
  // The shape counts only when its rows and the new-shape flag (bytes 10 to
  // 75) all came with the packet.
  constexpr std::size_t kShapeEnd = 76;
  // The second program keeps to its own shapes.
  if constexpr (!kSecondBuild) {
    if (level >= 8 && p.size() >= kShapeEnd && p.u16(74) != 0 && !(flags & 0x8000)) {
      std::uint16_t mask[16], image[16], bitmap[32];
      for (int i = 0; i < 16; ++i) {
        mask[i] = p.u16(10 + 2 * static_cast<std::size_t>(i));
        image[i] = p.u16(42 + 2 * static_cast<std::size_t>(i));
      }
      BuildClientCursor(mask, image, EightBit, bitmap);
      if (!shape_defined || std::memcmp(bitmap, last_shape, sizeof last_shape) != 0 || CurrentCursor != 4) {
        std::memcpy(last_shape, bitmap, sizeof last_shape);
        shape_defined = true;
        curstype(KGL_C16X2);
        defcursor(4, bitmap);
        curorigin(4, static_cast<Int16>(p.i16(6)), static_cast<Int16>(15 - p.i16(8)));
        MySetcursor(4);
      }
    }
  }

  int wy;
  if ((flags & 0x8000) && y >= 1) {
    wy = ysize - y - 1;
    MySetcursor(1);
  } else if ((flags & 0x2000) && y >= 0) {
    wy = ysize - y - 1;
  } else if ((flags & 0x800) && y >= 0) {
    wy = ysize - y - 1;
    MySetcursor(1);
  } else {
    wy = ymin - y;
    MySetcursor(1);
  }
  MoveCursor(x, wy);
  return 0;
}

int pccurs(Packet &) {
  if (cfr.word(kWordRefreshList) && pushcount) --AUI_CursorCount;
  CurrentPmark[kPmarkState] = 0;
  HideCursor();
  return 0;
}

int pmark(Packet &p) { return mark_routine(p, kMarkFields); }
int pbmark(Packet &p) { return mark_routine(p, kBigMarkFields); }
int pcmark(Packet &p) { return held_mark(p, kMarkFields); }
int pcbmark(Packet &p) { return held_mark(p, kBigMarkFields); }

int pcoordline(Packet &p) {
  const unsigned word = p.u16(2);
  mode_flags = static_cast<int>(word >> 8);
  // At most 25 characters, and only those the packet holds, up to a NUL.
  std::size_t length = std::min<std::size_t>(word & 0xFFu, kCoordTextMax);
  const std::size_t present = p.size() > 4 ? p.size() - 4 : 0;
  length = std::min(length, present);
  const std::uint8_t *text = p.bytes() + 4;
  const void *nul = length > 0 ? std::memchr(text, 0, length) : nullptr;
  if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const std::uint8_t *>(nul) - text);
  if (length > 0) std::memcpy(coord_str, text, length);
  coord_str[length] = '\0';
  notify(display_hooks.readout_changed);
  return 0;
}

// ---- the screen-menu highlight ------------------------------------------------------

int MenuItemOn;
int refresh_tcursx, refresh_tcursy;
int menubar;
int pboxno;

void draw_highlight_box(int row) {
  if (pboxno < 0 || pboxno >= maxboxes) return;
  SelectScreenMatrix();
  FilledBox(static_cast<std::int16_t>(Pkinit.field[kPkinitWidth]) + 2, row - CharDescender, xsize - 1,
            row + CharHeight - CharDescender - 1, ConfigColor(kWordColourXor), -1);
}

void TurnOnMenuItem() { draw_highlight_box(refresh_tcursy); }
