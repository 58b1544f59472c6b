// What a session is: the init packet's fields, the flags and the screen
// layout that pinit sets and every part of the driver reads, the screen in
// front, and which widgets take over parts of the drawn interface.
#pragma once

#include <cstdint>

// The init packet's kept fields, as 16-bit halfwords (field k at byte 2k):
// 2-3 the capability word, 4 the client's flags, 5 its ADI level, 6 and 7
// xmax and graphy (the drawing window's width and height after a resize), and
// the reply fields after them.
struct InitPacket {
  std::uint16_t field[28];
};
// The kept fields the driver reads.
enum : int {
  kPkinitFlags = 4,   // the client's capability flags (kInit... below)
  kPkinitLevel = 5,   // its ADI level
  kPkinitWidth = 6,   // xmax: the drawing window's width after a resize
  kPkinitHeight = 7,  // graphy: its height after a resize
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
extern int KEL, Tarvex;     // hardware families named by the library version

// Screen layout in pixels.
extern int xmin, ymin, xmax, ymax, graphy, xsize, ysize;
extern int CharWidth, CharHeight, CharDescender, maxboxes;
extern int PromptArea, ScreenMenu, StatusLine, EightBit;

// The column of the drawn screen menu (set when pinit lays one out).
struct MenuBarRecord {
  int x;       // xmax: the column lies right of it
  int bottom;  // ymin
  int top;     // ymax - maxboxes * CharHeight
};
extern MenuBarRecord GL_Menu_Bar;

extern char cdname[256];  // the drawing or client name from the init packet
extern char tmpdir[4096]; // TMP and "/", or "./"

// Language options of the client (plang).
extern int font8bit, sysmenubar, cmchar, maxchar;

// The zoom window handed out by pkzoom and pkbzoom.
extern int pkzoom_xl, pkzoom_yl, pkzoom_xh, pkzoom_yh, pkzoom_ok;

// The original font and prompt-line count of the first session.
extern char OriginalFontName[64];
extern int OriginalNumberOfPromptLines;

// What the widgets take over from the drawn interface.
struct LayoutOptions {
  bool local_text;      // the command area replaces the prompt area
  bool local_sidemenu;  // the side-menu widget replaces the drawn screen menu
  bool local_status;    // the status bar replaces the drawn status line
  bool local_menu;      // the menu bar is shown
};

// The screen areas of a session.
struct ScreenLayout {
  int xmin, ymin, xmax, ymax, graphy;
  int PromptArea, ScreenMenu, StatusLine;
  int maxboxes;      // screen-menu boxes: graphy / CharHeight, at most 64
  int text_columns;  // xmax / CharWidth, at least 37
};

// Lays out the prompt area, screen menu, status line and drawing area of a
// window xsize by ysize for the client's flags; pure.
ScreenLayout ComputeScreenLayout(int xsize, int ysize, int char_width, int char_height, int flags,
                                 int prompt_lines, int menu_chars, const LayoutOptions &options);

// Widgets that replace parts of the drawn interface, as the graphics window's
// resources chose them (0 or 1).
extern int use_localtext;      // the command area replaces the prompt area
extern int use_localmenu;      // the menu bar is shown
extern int use_localsidemenu;  // the side-menu widget replaces the drawn screen menu
extern int use_localstatus;    // the status bar replaces the drawn status line
extern int use_toolbar;        // the tool bar is shown
extern int use_pups;           // pop-up planes take the overlay's place

// A dialog box of the client is up: keys and the pointer go to it.
extern int busy_with_dialog;

// The screen in front: 1 while the text screen is the current one.
extern int textmode;
// A key was pressed since the client last wrote to the text screen.
extern int keyboard_pressed;

// The session set-up and screen switching of the driver core, which the
// rendering packets run as the session packets do.
// Raises the graphics (nonzero) or the text window with screen mode 2; then
// textmode = 0 for graphics, 1 otherwise.
void SetScreenMode(int graphics);
// 1 for the dual-screen modes 1 and 3, else 0.
int GetScreenMode();
// The 3D capability flags of the init reply.
int Set3dflags();
// Colours, viewports and the graphics state as a new session starts them.
void GraphicsInit();
