// The command palette the driver draws in the overlay planes: a title bar
// with a close and an iconify box over 20 buttons in 5 rows of 4, each with a
// label and a command that a click types into the client. Its contents come
// from a palette file ("gl_com12.txt" by default) or the compiled-in set;
// its place is kept in configuration words 115 to 118.
#pragma once

class Packet;

inline constexpr int kPaletteRows = 5;
inline constexpr int kPaletteColumns = 4;
inline constexpr int kPaletteLabelSize = 16;
inline constexpr int kPaletteCommandSize = 256;

// The palette's and its icon's handlers of digitizer samples (CommandState 10
// over the palette, 11 moving it; the icon when only the icon is up). Each
// answers through the packet and returns 1.
int command_command(Packet &p);
int command_pan(Packet &p);
int icon_input(Packet &p);

// Takes the palette and its icon off the screen before another tool draws,
// remembering state (21 or 23) for RestoreCommandPalette.
void ClearCommandPalette(int state);
// Puts the palette or its icon back when nothing else holds the screen; 1
// when it drew something.
int RestoreCommandPalette();
// 1 draws the palette (placed first from words 115 to 118), 0 erases it.
void DrawCommandBox(int on);
// 1 draws the icon in the lower right corner, 0 erases it.
void DrawIconBox(int on);
// Places the palette rectangle: a missing one at the lower right, one beyond
// the drawing area back inside it. Also lays the palette out.
void InitCommandBox(int &x1, int &y1, int &x2, int &y2);
// Reads a palette file (as named, else along ACAD, else its name in lower
// case along ACAD); nothing when none is found or before the graphics set-up.
void LoadCommandPalette(const char *name);
// The command of the button the last hit test found.
const char *GetCommandPaletteString();

// Palette contents, row 0 at the bottom.
extern char palette_labels[kPaletteRows][kPaletteColumns][kPaletteLabelSize];
extern char palette_commands[kPaletteRows][kPaletteColumns][kPaletteCommandSize];
extern char palette_title[kPaletteCommandSize];
extern char comfile[256];  // the file loaded now
extern char lastcom[256];  // the one before ("gl_com12.txt" at first)

extern int commands;    // the palette is on the screen
extern int MFLicon;     // the icon is on the screen
// 0 closed, 10 tracking, 11 being moved, 20 a button was used, 21 cleared by
// another tool or a click, 22 opened by the PALETTE command, 23 cleared by
// CONFIGURE.
extern int CommandState;
extern int IconState;   // 1 the icon is up, or the state the palette was cleared with
extern int CommandPaletteEvent;   // a button's command was typed
extern int CommandButtonClicked;  // a button was clicked: its command waits for pstring
extern int CommandCursorIsOn, IconCursorIsOn;
extern int TextScreenPalette;  // open it when the graphics screen returns

// Puts back the compiled-in buttons and title and forgets the state (tests).
void ResetCommandPalette();
