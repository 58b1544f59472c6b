// Programmable dialog boxes: the dialog packet dispatcher.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>

#include "base/packet.h"

struct PacketClient;

void dispatch_dialog_packet(PacketClient *client, Packet &packet, std::size_t n);
void dialog_event(XEvent *event);
// A dialog ended with this value during the current packet: the dialog-end
// packet follows its reply (0 for none).
extern int dialog_complete;
void dladi_done(int value);
