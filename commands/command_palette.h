// The command palette drawn in the overlay planes.
#pragma once

class Packet;

// The palette's and its icon's handlers of digitizer samples (CommandState 10
// over the palette, 11 moving it; the icon when only the icon is up): 1 when
// they used the sample.
int command_command(Packet &p);
int command_pan(Packet &p);
int icon_input(Packet &p);

// Takes the palette (or its icon) off the screen; mode 22 keeps it away until
// RestoreCommandPalette.
void ClearCommandPalette(int mode);
// Brings back the palette taken away by ClearCommandPalette.
void RestoreCommandPalette();
extern int MFLicon, commands, IconState, CommandState, TextScreenPalette;
void LoadCommandPalette(const char *file);
void DrawCommandBox(int draw);
