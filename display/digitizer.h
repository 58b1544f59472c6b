// The digitizer state that the routing of pointer samples (adi/sample_routing.h)
// and the driver's tools share, and the pen and tablet packets.
//
// A digitizer packet (opcode 37) carries i16 fields: 0 opcode, 2 code, 4 x,
// 6 y (window pixels, y from the bottom). A new sample is remembered in
// Original and answered with code 1; the client sends the packet again with
// code 1, and only then is the remembered sample offered to the tools, which
// read it from Original and answer through the packet.
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

// Hands the remembered sample back in the packet (code, x, y), so that the
// client gets it itself; returns 1.
int put_back_original(Packet &p);

int prpen(Packet &p);
int prpen_42(Packet &p);
int ptabcfg(Packet &p);
int ptabcfg_42(Packet &p);

// Forgets the words above (the routing's reset_digitizer_state calls it).
void reset_digitizer_words();
