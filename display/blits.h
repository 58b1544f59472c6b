// Screen blits and saved boxes: bitmaps written to the screen, pixel blocks
// saved and restored by handle, box clears, and boxes pushed (the screen
// under them saved) and popped (restored).
//
// A handle given to the client is a 32-bit id of a live record, never an
// address: unknown and stale handles are refused.
#pragma once

class Packet;

#include <cstddef>
#include <cstdint>

inline constexpr int kBlitSlots = 100;
// Boxes that can be pushed at one time.
inline constexpr int kSavedBoxLimit = 64;

// How pushed boxes are held: 0 none in memory, 1 a box split between the
// z-buffer and memory, 2 or more boxes in memory. The rendering code also sets
// it when it stores its finished image.
extern int MemoryStorage;
// The last memory block taken for a box and its size in bytes.
extern std::uint32_t *MemoryPtr;
extern std::size_t MemoryBytes;
// The z-buffer may keep pixels (set by the rendering set-up), and whether it
// is taken by a stored rendered image.
extern int ZbufferInstalled;
extern int ZbufferFull;

// Frees blit slot 0..99: 0 when it freed a block, 1 when the slot was free.
int free_blit(int slot);
// Blocks saved in the blit slots.
int blit_slots_in_use();

// Saved boxes open (records on the stack), and the z-buffer rows they hold.
int saved_box_count();
int zbuffer_rows_in_use();
// Drops every saved box without restoring anything.
void discard_saved_boxes();

// The screen under a rectangle of the driver's own menus, kept apart from the
// boxes the client pushes: those may come and go (and give the z-buffer's
// rows back) while a menu is up, so these pixels always sit in memory.
struct ScreenArea {
  int x1 = 0, y1 = 0, x2 = -1, y2 = -1;  // inside the window, y up
  std::uint32_t *pixels = nullptr;       // nullptr: nothing kept
};
// Keeps the screen under x1..x2, y1..y2 (window pixels, y up, corners in any
// order, cut to the window) in area, giving back what it held. False when
// the rectangle misses the window or no memory is left: nothing is kept.
bool save_screen_area(ScreenArea &area, int x1, int y1, int x2, int y2);
// Takes the screen into area again where it meets x1..x2, y1..y2: what a
// repaint drew anew under it there.
void retake_screen_area(ScreenArea &area, int x1, int y1, int x2, int y2);
// Writes the kept pixels back where they were taken.
void restore_screen_area(const ScreenArea &area);
// Gives the pixels back; area keeps nothing after.
void free_screen_area(ScreenArea &area);

// The AUI drawing of a box clear: the box x1..x2, y1..y2 (y from the window's
// top) in colour, as pboxclr draws it.
void draw_box_clear(int x1, int y1, int x2, int y2, int colour);

int pboxclr(Packet &p);
int pboxpush(Packet &p);
int pboxpop(Packet &p);
int pbitblt(Packet &p);
int pbigblit(Packet &p);
