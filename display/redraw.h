// Redraw engines: repainting from the display lists.
//
// The redraw packet replays the display-list pages of one viewport or of all
// of them, at one go or cut into time slices that continue at the next
// packet; the engines behind RedrawDisplayList and PartialRedrawDisplayList
// are switched by init_redraw. Exposures repaint from the lists too.
#pragma once

class Packet;

#include <cstdint>

struct DisplayListPage;

// An exposed window rectangle, y from the window's top.
struct RefreshArea {
  std::int16_t x, y;
  std::uint16_t width, height;
};

// The page-by-page replay state.
enum : int {
  kReplayStart = 0,     // start with the viewport's first page
  kReplayFinished = 1,  // the viewport's list is finished
  kReplayRunning = 2,   // page is the next page to replay
};
struct RedrawList {
  DisplayListPage *page;  // the next page to replay
  int viewport;           // the viewport index whose pages those are
  int state;              // kReplay...; others set 0 to restart a replay
};
extern RedrawList redraw_list;

// Replay routines for one viewport index, set by init_redraw.
extern void (*RedrawDisplayList)(int index);
extern void (*PartialRedrawDisplayList)(int index);

// The next redraw cleans the display list (set by the string request that
// types a clean-up; predraw clears it).
extern int CleanDisplayList;

// Redraw sequence state.
extern int redraw_next_vp;     // the index the next all-viewports step works on
extern int redraw_whole;       // replay each viewport at one go (else time-sliced)
extern int redraw_rect_given;  // redraw_rect limits the repaint
extern int redraw_rect[4];     // x1, y1, x2, y2: window pixels, y from ymin

// The clock of time slices: ticks of 1/60 s since the last reset. ResetTimer
// and ReadTimer unless a test puts its own clock here.
extern void (*redraw_reset_timer)();
extern int (*redraw_read_timer)();

// Chooses the replay routines: full and partial redraws when on, none when off.
void init_redraw(int on);
// 1 when the redraw is finished, 2 when the time slice ran out (send again);
// index 0 means all viewports.
int redraw_viewports(int index);
void full_redraw(int index);
void partial_redraw(int index);
void null_redraw(int index);
// Draws the pages that filled during a regeneration (the current one at the
// end of it).
void RegenRedraw(int index);
// The list of viewport index in two colours into the overlay (pop-up) planes.
void rt_redraw(int index);
// The list under the configuration menus, within tempcfr word 100 bytes.
void config_redraw(int index);
// The refresh list of viewport index.
void RefreshRedraw(int index);
// The exposed rectangle x1..x2, y1..y2 (GL window pixels, masked and cleared
// by the caller) drawn again from what the driver keeps: the borders, each
// open viewport the rectangle meets (its shaded image, saved pixels or list,
// then its refresh list), viewport 0's refresh list, the pushed boxes'
// records and the lit menu item. adi_refresh (ui/context.h) runs it.
void repaint_exposed(int x1, int x2, int y1, int y2);
// Forgets a paused replay of viewport index (its pages were freed or erased).
void forget_replay(int index);
// Erases the display and refresh lists of index (0: all viewports).
void erase_viewport_lists(int index);

int predraw(Packet &p);
