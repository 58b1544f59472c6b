// Digitizer requests and the routing of pointer samples to the driver's tools.
//
// A digitizer packet (opcode 37) carries i16 fields: 0 opcode, 2 code, 4 x,
// 6 y (window pixels, y from the bottom). A new sample is remembered in
// Original and answered with code 1; the client sends the packet again with
// code 1, and only then is the remembered sample offered to the tools, in a
// fixed order, and otherwise handed back to the client.
#pragma once

#include <cstdint>

#include "display/cursor.h"  // CurrentPmark

class Packet;

// Codes of a digitizer sample.
enum : int {
  kDigPickDrag = 0,   // moved with the pick button held
  kDigOtherButton = -2,
  kDigSecondButton = -1,
  kDigRoute = 1,      // route the remembered sample
  kDigMove = 2,       // moved with no button held
  kDigPick = 3,       // pick button pressed
  kDigUsed = 4,       // a driver tool used the sample
};

// Codes of the ADI 4.2 digitizer packet (opcode 105) the driver reads or answers.
enum : int {
  kDig42Motion = 2,
  kDig42Press = 3,
  kDig42Button = 5,
  kDig42Release = 7,
  kDig42ButtonUp = 8,
  kDig42Route = 9,
  kDig42Used = 10,
};
inline constexpr int kDig42Size = 36;

extern int PdigitizeNeeded;  // the client waits for digitizer input
extern int pdigitize;        // a digitizer packet with a nonzero code was seen
extern int digitizer;        // state word: bit 1 the driver polls, bit 2 the client's requests are answered
extern int tablet_in_use;    // the last tablet configuration named a tablet
extern int IgnoreOne;        // hand the next routed sample back untouched
// The remembered sample, laid out as the packet: opcode, code, x, y.
extern std::int16_t Original[4];

int pdigtize(Packet &p);
int pdigtize_42(Packet &p);
int prpen(Packet &p);
int prpen_42(Packet &p);
int ptabcfg(Packet &p);
int ptabcfg_42(Packet &p);

// The driver's own sample at (x, y) with the given buttons, through pdigtize
// (both steps). Returns the code it comes back with.
int solicit_pdigtize(int x, int y, int pick_down, int other_held, int second_held, int pick_held);

// One of the driver's own tools takes the pointer samples (TUMBLE, DVIEW,
// Birdseye, the configuration screen or the quit warning): Return and Escape
// are then its action and cancel keys, not the client's.
bool DriverToolHoldsPointer();

// The status line's zoom fields: 1 when the sample was over one (highlighted
// or clicked), 0 otherwise.
int status_zoom_input(Packet &p);

// The driver's own digitizer packet as the last pdigtize left it: code, x, y.
struct DigitizerSample {
  int code, x, y;
};
DigitizerSample driver_sample();

// Forgets the digitizer state (between sessions and in tests): the flags, the
// remembered samples and the held buttons of the 4.2 packets.
void reset_digitizer_state();
