// Digitizer requests and the routing of pointer samples to the driver's tools.
#pragma once

#include <cstdint>

extern int PdigitizeNeeded;  // the client waits for digitizer input
extern int pdigitize;        // a digitizer packet with a nonzero code was seen
extern int digitizer;        // state word: bit 1 tested, bit 2 a request is answered

int solicit_pdigtize(int x, int y, int pick_down, int other_held, int second_held, int pick_held);
