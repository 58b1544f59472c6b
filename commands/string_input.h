// String input to the client: the driver never types a command into the
// client on its own. A tool counts a request in PstringNeeded and sets its
// flag; the client's string packet (pstring) then gets one pending request's
// text, in a fixed order, one request a packet.
#pragma once

#include <cstddef>
#include <cstdio>

#include "base/tool_state.h"  // PstringNeeded, RedrawSelect
#include "render3d/dview.h"
#include "render3d/dview_result.h"

class Packet;
struct ViewportRecord;

extern int CleanSelect;       // a display-list clean-up (and redraw) is to be typed
// The logical window a pan (dlist_pan) or a Birdseye zoom asks for.
extern int newxl, newyl, newxh, newyh;
// Whether a step of the exchange of view variables with the client waits for
// the next sync packet. The exchange's step (acadvar_req) is DVIEW's
// (render3d/dview.h), as is the DVIEW result's count (DviewCmd,
// render3d/dview_result.h).
extern int WaitForPSYNC;

// The string packet's reply: flags and text where the client's ADI level has
// them (levels 7 and 8: flags at 6, text at 8; others: text at 4).
inline constexpr int kStringMax = 256;
inline constexpr int kStringFlagsDriver = 3;  // framed and prefixed
inline constexpr int kStringFlagsPalette = 0;

// Asks the client for a string request when a tool has one pending: runs
// pstring on a packet of its own and types its text as keys.
void solicit_pstring();

int pstring(Packet &p);
int psync(Packet &p);

// The strings the driver types. Each writes the text into buffer (kStringMax
// bytes) and its string flags; 0 when it does not fit (nothing is typed).
int BuildAcadString(char *buffer, int *flags);
int BuildDviewPointString(char *buffer, int *flags, int kind, float x1, float y1, float x2, float y2);
int BuildLispLoadString(char *buffer, int *flags);
int BuildDviewLispLoadString(char *buffer, int *flags);

// Reads the client's view variables file into record, line by line in their
// fixed order; a line that does not match leaves its field and the following
// ones as they were. Returns the lines taken.
int ReadSysvarFile(std::FILE *file, ViewportRecord &record);

// Forgets every pending request and the exchange (a new session, tests).
void ResetStringRequests();
