// The driver's own tools as every subsystem sees them: which of them holds the
// screen and the pointer, and the string requests they leave for the client's
// next string packet. The tools set these; the drawing layer (a mark is not
// drawn while a tool is up), the routing of pointer samples and the other
// tools read them.
#pragma once

extern int bview;      // the Birdseye window is open
// The tumble demonstration: 0 off; 1 it runs; each frame shown counts it up,
// so 2 and above means a frame was shown (and a pick then ends it).
extern int tumble;
extern int dview;      // DVIEW runs: digitizer samples go to its steps
extern int NewConfig;  // the configuration screen was opened by a driver command

// String input to the client: the driver never types a command into the
// client on its own. A tool counts a request in PstringNeeded and sets its
// flag; the client's string packet then gets one pending request's text.
extern int PstringNeeded;  // requests still to serve
extern int RedrawSelect;   // a redraw is to be typed
