// Programmable dialog boxes: the dialog packet dispatcher.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>

#include "adi/packet.h"

struct PacketClient;

extern int busy_with_dialog;

void dispatch_dialog_packet(PacketClient *client, Packet &packet, std::size_t n);
void dialog_event(XEvent *event);
// A dialog ended with this value during the current packet.
void dladi_done(int value);
