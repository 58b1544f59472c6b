// The configuration record: every setting that survives a run.
//
// Four character arrays followed by 63 signed 32-bit words. Settings are named
// by their word number counted from the record's start, so the first integer
// is word 68 and the last word 130.
#pragma once

#include <cstdint>

inline constexpr int kConfigFirstWord = 68;

// The words the driver reads, by what they hold. Words not named here are
// carried through the file unread.
enum ConfigWord : int {
  kWordScreenMode = 68,        // 0 single screen, 1 dual screen, 2 default screen mode
  kWordBorderColour = 75,      // colour of the border lines between the areas
  kWordColourFirst = 78,       // the colour words run from here to kWordColourLast
  // The screen colours (indices into the colour table), as the menus edit them.
  kWordColourXor = 79,         // cursor, grid, icons and blips, drawn in exclusive-or
  kWordColourGraphics = 80,    // graphics background
  kWordColourTextBack = 81,    // text background (the prompt area)
  kWordColourText = 82,        // text
  kWordColourBorder = 83,      // border lines
  kWordColourAlert = 84,       // alert box background, foreground (85), border (86)
  kWordColourMenuBar = 87,     // menu bar background, foreground (88), border (89)
  kWordColourPulldown = 90,    // pull-down menu background, foreground (91), border (92)
  kWordColourDialog = 93,      // dialogue box background, foreground (94), border (95)
  kWordColourDialogLines = 96, // dialogue box lines
  kWordColourLast = 96,
  kWordDisplayList = 97,       // 0 off, 1 on, 2 on with real-time cleaning
  kWordPickRepeat = 98,        // holding the pick button counts up to this + 1
  kWordDoubleBuffer = 99,      // 1 double-buffered drawing, 0 single buffer
  kWordPageSize = 100,         // bytes of a display-list page and of a face page
  kWordPromptLines = 101,      // prompt-area lines, 1 to 5
  kWordPaletteAfterUse = 102,  // the command palette after use: 0 closes, 1 stays, 2 iconifies
  kWordRenderDepth = 103,      // bits a pixel of a rendering
  kWordBufferMode = 104,       // the buffer mode pinit sets: 1 single, 2 double
  kWordRefreshList = 105,      // 1 the drawing-record list is kept and replayed on repaint
  kWordRgbPixels = 106,        // RGB pixels in blits, snapshots and rendered scan lines
  kWordSpyGlass = 107,         // 0 none, 44 pick box, 46 aperture
  kWordNonStopRedraw = 108,    // 1 non-stop redraws, 0 interruptible ones
  kWordListDrag = 109,         // 1 dragging from the display list
  kWordBirdseyeAlways = 110,   // 1 Birdseye in any viewport, 0 only in zoomable ones
  kWordBirdseyeRect = 111,     // the Birdseye window: x1, y1, x2, y2 in words 111 to 114
  kWordPaletteRect = 115,      // the command palette window: words 115 to 118
  kWordTimeSlice = 127,        // ticks of 1/60 s a slice of long work runs
  kWordPolygonOutline = 128,   // 1 filled polygons get their outline drawn too
  kWord32BitList = 129,        // 1 display-list records with 32-bit coordinates
  kWordMenuWidth = 130,        // screen-menu column width in characters
};
inline constexpr int kConfigLastWord = 130;
inline constexpr int kConfigRecordSize = 524;

struct ConfigRecord {
  char signature[72];
  char description[72];
  char palette_file[64];
  char font_name[64];  // word 52
  std::int32_t words[kConfigLastWord - kConfigFirstWord + 1];

  // Word n (68 to 130) of the record.
  std::int32_t &word(int n) { return words[n - kConfigFirstWord]; }
  std::int32_t word(int n) const { return words[n - kConfigFirstWord]; }
};
static_assert(sizeof(ConfigRecord) == kConfigRecordSize);

extern ConfigRecord cfr;      // live settings
extern ConfigRecord newcfr;   // being edited; the one written to disk
extern ConfigRecord tempcfr;  // read buffer
extern ConfigRecord *cfgptr;  // the record in use

// The compiled-in defaults.
const ConfigRecord &DefaultConfig();
