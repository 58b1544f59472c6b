// The software cursor in the overlay (or pop-up) planes, the crosshair marks,
// the coordinate read-out, the menu cursor and the outlined box.
#pragma once

#include <cstdint>

class Packet;

// The software cursor covers x - 2 .. x + 13 and y - 14 .. y + 1 around its
// position (window pixels, y from the bottom): a 16 x 16 block whose hot spot
// is column 2 of row 14, rows counted from the bottom.
inline constexpr int kCursorSize = 16;
inline constexpr int kCursorHotX = 2;
inline constexpr int kCursorHotY = 14;

extern int cursor_up;               // the software cursor is drawn
extern int cursor_x, cursor_y;      // its position
extern int clear_cursor;            // set around HideCursor by code that takes the screen away
extern int AUI_CursorCount;         // cursor packets while saved boxes are open
extern int AUI_cursorx, AUI_cursory;  // where the last of them put the cursor

// The mark record (32-bit words): 0, 1 mark position; 4 viewport index; 5 mark
// type; 6 state (7 mark drawn, 8 mark held, 0 none); 7 a driver tool took the
// mark over; 8 marks drawn; 9 set by a held-mark packet.
inline constexpr int kPmarkWords = 10;
enum : int {
  kPmarkX = 0,         // mark position
  kPmarkY = 1,
  kPmarkViewport = 4,  // viewport index
  kPmarkType = 5,      // mark type
  kPmarkState = 6,     // 7 mark drawn, 8 mark held, 0 none
  kPmarkTaken = 7,     // a driver tool took the mark over
  kPmarkDrawn = 8,     // marks drawn
  kPmarkHeld = 9,      // set by a held-mark packet
};
extern std::int32_t CurrentPmark[kPmarkWords];
// Set only while a held-mark packet runs the mark routine.
extern int hold_mark;
// Never set: a held mark after a driver tool took the mark is answered at once.
extern int hold_mark_allowed;

// The coordinate read-out: at most 25 characters and a NUL.
inline constexpr int kCoordTextMax = 25;
extern char coord_str[256];
// The flag byte of the last mode-line or coordinate read-out packet.
extern int mode_flags;

// The highlight of a drawn screen-menu item (phlite): drawn again by a repaint
// at the text position it was drawn at.
extern int MenuItemOn;
extern int refresh_tcursx, refresh_tcursy;
// Set by phlite: the client's screen menu is being used.
extern int menubar;
// The box under the menu cursor (set by the menu cursor packet).
extern int pboxno;
// The highlight of the drawn screen menu's row at text baseline row: an
// exclusive-or box across the menu column, so that drawing it twice takes it
// off again.
void draw_highlight_box(int row);
// Draws the highlight of the menu item again at refresh_tcursy.
void TurnOnMenuItem();

// Puts back what the software cursor covers and takes it off the screen.
void HideCursor();
// The software cursor's first set-up (once): the empty hardware cursor, the
// save-under at the window's centre.
void InitCursor();
// Moves the software cursor to (x, y), drawing the shape of CurrentCursor.
void MoveCursor(int x, int y);
// Draws the current crosshair mark again in exclusive-or (repaint).
void DrawCursor();

// The box from (x1, y1) to (x2, y2) outlined, corners in any order; mode -1
// draws it in exclusive-or.
void OutlinedBox(int x1, int y1, int x2, int y2, int colour, int mode);

// The 16-word client cursor of the cursor packet as the two-plane bitmap of
// the graphics library: rows 0-15 the image rows reversed, rows 16-31 the
// inverted mask rows reversed (with the image added on 8-bit displays).
void BuildClientCursor(const std::uint16_t mask[16], const std::uint16_t image[16], int eight_bit,
                       std::uint16_t bitmap[32]);

int pdcurs(Packet &p);
int pccurs(Packet &p);
int pmark(Packet &p);
int pcmark(Packet &p);
int pbmark(Packet &p);
int pcbmark(Packet &p);
int pcoordline(Packet &p);
