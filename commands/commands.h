// The driver's command interpreter.
#pragma once

class Packet;

#include <cstdio>

extern int local_cmd;  // what the last driver command asked for: 1, 2 Birdseye, 4 palette
extern FILE *log_fd;   // the log file, nullptr when none is open
// A ZOOM the string request sends: 1 to the view extents, 2 out, 3 in (0 none).
extern int ZoomRequest;

int pcommand(Packet &p);
