// The digitizer state the routing of samples and the driver's tools share,
// and the pen and tablet packets. The digitizer packets themselves, with the
// routing of each sample to the driver's tools, are dispatch
// (adi/sample_routing.cpp).
#include "display/digitizer.h"

#include <cstring>

#include "base/packet.h"

int PdigitizeNeeded;
int pdigitize;
int digitizer;
int tablet_in_use;
int IgnoreOne = 1;
std::int16_t Original[4];

int put_back_original(Packet &p) {
  p.put_i16(2, Original[1]);
  p.put_i16(4, Original[2]);
  p.put_i16(6, Original[3]);
  return 1;
}

int prpen(Packet &p) {
  p.put_i16(2, 0);
  return 1;
}

int prpen_42(Packet &p) {
  p.put_i16(2, 0);
  return 1;
}

int ptabcfg(Packet &) { return 0; }

int ptabcfg_42(Packet &p) {
  // The tablet's name is read only as far as the packet reaches.
  tablet_in_use = p.text(92).empty() ? 0 : 1;
  return 0;
}

void reset_digitizer_words() {
  PdigitizeNeeded = 0;
  pdigitize = 0;
  digitizer = 0;
  tablet_in_use = 0;
  IgnoreOne = 1;
  std::memset(Original, 0, sizeof Original);
}
