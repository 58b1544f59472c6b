// Session state: what pinit lays out and pterm takes down.
#pragma once

#include <cstdint>

// The init packet's kept fields, as 16-bit halfwords (field k at byte 2k):
// 4 the client's capability flags, 5 its ADI level, 6 and 7 the drawing
// window's width and height after a resize, and the reply fields after them.
struct InitPacket {
  std::uint16_t field[28];
};
extern InitPacket Pkinit;

// Capability flags of the init packet (byte 8).
enum : int {
  kInitPromptArea = 0x1,
  kInitScreenMenu = 0x2,
  kInitStatusLine = 0x4,
  kInitDigitizer = 0x10,
  kInit32BitList = 0x80,
  kInitFullSession = 0x8000,
};

extern int init_called;     // a session is open (cleared by the first resize event)
extern int afterpinit;      // until the first switch to the graphics screen
extern int Initialized;     // the graphics state was set up
extern int FirstTimeInACAD; // the driver's first session in this process
extern int product_stable;
extern int aftershell;      // a SHELL command ran

// Screen layout in pixels.
extern int xmin, ymin, xmax, ymax, graphy, xsize, ysize;
extern int CharWidth, CharHeight, CharDescender, maxboxes;
extern int PromptArea, ScreenMenu, StatusLine, EightBit;

extern char cdname[256];  // the drawing or client name from the init packet

// Language options of the client (plang).
extern int font8bit, sysmenubar, cmchar, maxchar;
