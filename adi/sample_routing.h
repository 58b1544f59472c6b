// The digitizer packets and the routing of pointer samples to the driver's
// own tools. A new sample is remembered in Original (display/digitizer.h) and
// answered with code 1; the client sends the packet again with code 1, and
// only then is the remembered sample offered to the tools, in a fixed order,
// and otherwise handed back to the client.
#pragma once

class Packet;

int pdigtize(Packet &p);
int pdigtize_42(Packet &p);

// The driver's own sample at (x, y) with the given buttons, through pdigtize
// (both steps). Returns the code it comes back with.
int solicit_pdigtize(int x, int y, int pick_down, int other_held, int second_held, int pick_held);

// One of the driver's own tools takes the pointer samples (TUMBLE, DVIEW,
// Birdseye, the configuration screen or the quit warning): Return and Escape
// are then its action and cancel keys, not the client's.
bool DriverToolHoldsPointer();

// The driver's own digitizer packet as the last pdigtize left it: code, x, y.
struct DigitizerSample {
  int code, x, y;
};
DigitizerSample driver_sample();

// Forgets the digitizer state (between sessions and in tests): the flags, the
// remembered samples, the held buttons of the 4.2 packets and the status
// line's highlighted zoom field.
void reset_digitizer_state();
