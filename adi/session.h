// The session packets: what pinit lays out and pterm takes down, and the
// client's questions about the display.
#pragma once

#include <cstdint>

#include "base/session.h"

// The capability word of the init reply and of pdinfo.
std::uint32_t CapabilityWord();
// The colour capability word of pdinfo.
std::uint32_t ColourCapabilityWord();

void FontInit();
int load_font(const char *name, double size);
