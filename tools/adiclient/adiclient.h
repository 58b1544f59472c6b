// The client stand-in: starts a driver on its five pipes, talks the packet
// protocol, reads replies and events, and plays session scripts.
#pragma once

#include "adiclient/driver.h"
#include "adiclient/opcodes.h"
#include "adiclient/packet.h"
#include "adiclient/player.h"
#include "adiclient/script.h"
#include "adiclient/xwindow.h"
