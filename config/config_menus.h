// The configuration menus: the driver's own full-screen configuration screen,
// drawn into the graphics window and driven by the digitizer samples the
// client sends while it waits for a pick. Edits go to newcfr and tempcfr;
// leaving with OK makes them live and writes the file (the string request
// that follows does that, seeing WriteConfig or NoWriteConfig).
#pragma once

class Packet;

// The menus' handlers of digitizer samples, by ConfigState 1 to 6 (the warning
// box also while quit_warning is set). Each answers through the packet (code
// 4: the sample was used) and returns 1.
int ConfigMainMenu(Packet &p);
int ConfigWarningBox(Packet &p);
int ConfigOptionsMenu(Packet &p);
int ConfigPromptMenu(Packet &p);
int ConfigPageMenu(Packet &p);
int ConfigAUIMenu(Packet &p);
int ConfigPaletteMenu(Packet &p);

// The configuration screen's state: 0 closed, 1 main menu, 2 warning box,
// 3 driver options, 4 prompt lines, 5 display-list page size, 6 screen colours.
extern int ConfigState;
// Set by the menus when the palette must be loaded again on leaving them.
extern int ReloadPalette;
// What the edits change that only a restart of the client takes in; cleared
// by DoConfig.
extern int restart_flags;
enum : int {
  kRestartPromptLines = 0x1,  // the prompt-line count differs from the count at start
  kRestart32BitList = 0x4,    // the display-list width differs from the live one
};

// Lays out every menu and fills its items from the window and character
// size (call once they are known, and after a setting changed).
void InitializeConfigMenus();
// Opens the screen: newcfr and tempcfr from cfr, the main menu drawn over the
// screen saved under it. The caller then sets ConfigState 1.
void DoConfig();
// Forgets the saved screens (without putting them back) and clears
// WriteConfig, NoWriteConfig and NewConfig.
void ResetConfigMenus();
// The warning box over the screen: kind 1 a change needs a restart of the
// client, kind 2 the Close or Quit menu item is not supported. ConfigState
// becomes 2.
void DoWarningBox(int kind);
// Lays out and draws the driver's text areas (prompt area, status line,
// screen-menu column) again from tempcfr, the configuration being edited.
void RedrawTextAreas();

// While the screen or a warning box is up: true.
bool ConfigScreenShown();
// After a repaint: the screen under each open menu taken again where the
// repaint drew anew (x1..x2, y1..y2, window pixels, y up; an empty rectangle
// when nothing beneath was drawn again), then everything that was open drawn
// again as it was, edits, highlights and samples included.
void RepaintConfigScreen(int x1, int y1, int x2, int y2);

// The saved screens under the menus and samples, one each.
inline constexpr int kAreaMain = 0, kAreaWarning = 1, kAreaOptions = 2, kAreaPrompt = 3, kAreaPage = 4,
                     kAreaColors = 5, kAreaChooser = 6;
inline constexpr int kAreaSample = 7;  // one area a sample from here
// The band the prompt-line previews may cover: from the bottom of the window
// up to the top of the largest prompt area.
inline constexpr int kAreaPromptBand = 12;
inline constexpr int kConfigAreas = 17;
// Keeps the screen under x1..x2, y1..y2 widened by one pixel right and down,
// unless the area already holds a screen (the first one is kept).
void SaveConfigArea(int area, int x1, int y1, int x2, int y2);
// Puts the screen back and frees the area; nothing when it holds none.
void RestoreConfigArea(int area);

// The prompt-line menu's preview: what a larger preview covered put back as
// it was before the first, the live prompt area cleared, then the text areas
// drawn with tempcfr's count.
void PreviewPromptLines();
// The separator lines of the text areas in tempcfr's border colour.
void DrawTextAreaSeparators();
