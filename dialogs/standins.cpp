// The dialog packets as the rest of the driver reaches them, until the
// programmable dialog boxes land: every dialog packet is dropped.
#include "dialogs/dialog_packets.h"

int dialog_complete;
void dispatch_dialog_packet(PacketClient *, Packet &, std::size_t) {}
void dialog_event(XEvent *) {}
void dladi_done(int value) { dialog_complete = value; }
