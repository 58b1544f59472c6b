// The configuration menus.
#pragma once

class Packet;

// The menus' handlers of digitizer samples, by ConfigState 1 to 6 (the warning
// box also while quit_warning is set): 1 when they used the sample.
int ConfigMainMenu(Packet &p);
int ConfigWarningBox(Packet &p);
int ConfigOptionsMenu(Packet &p);
int ConfigPromptMenu(Packet &p);
int ConfigPageMenu(Packet &p);
int ConfigAUIMenu(Packet &p);

// The configuration screen's state: 0 closed, 1 main menu, 2 warning box,
// 3 driver options, 4 prompt lines, 5 display-list page size, 6 screen colours.
extern int ConfigState;

// Draws the driver's text areas in the graphics window again.
void RedrawTextAreas();
// Frees the saved menu areas and forgets the menus' state.
void ResetConfigMenus();
// Set by the menus when the palette must be loaded again on leaving them.
extern int ReloadPalette;
