// What the rest of the driver calls in the parts of this subsystem that are
// not built yet: string input, the command interpreter, the status line, the
// command palette and Birdseye. This file goes when they land.
#include <cstdio>

#include "base/packet.h"
#include "commands/birdseye.h"
#include "commands/command_palette.h"
#include "commands/commands.h"
#include "commands/status_line.h"
#include "commands/string_input.h"

// String input.
int PstringNeeded;
int CleanDisplayList;  // the next redraw cleans the display list
void solicit_pstring() {}
int pstring(Packet &) { return 1; }
int psync(Packet &) { return 1; }

// The command interpreter.
int local_cmd;
FILE *log_fd;
int pcommand(Packet &) { return 1; }

// The status line.
StatusLineRecord GL_Status_Line;
int ZoomRequest;
void UpdateStatusLine(StatusLineRecord *, int) {}
void DrawCleanMessage(StatusLineRecord *, int) {}
int z_pan(Packet &) { return 0; }
int z_scale(Packet &) { return 0; }

// The command palette.
int MFLicon, commands, IconState, CommandState, TextScreenPalette;
void ClearCommandPalette(int) {}
void RestoreCommandPalette() {}
void LoadCommandPalette(const char *) {}
void DrawCommandBox(int) {}
int command_command(Packet &) { return 0; }
int command_pan(Packet &) { return 0; }
int icon_input(Packet &) { return 0; }

// Birdseye.
int bview, BirdseyeMode, TextScreenBirdseye, BirdseyeState;
void cancel_birdseye() {}
void InitBirdseye(int, int, int, int) {}
void DrawBirdseyeView(int) {}
void FreeCachedBirdseye() {}
int beye_command(Packet &) { return 0; }
int beye_pan(Packet &) { return 0; }
int beye_scale(Packet &) { return 0; }
