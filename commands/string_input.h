// String input to the client: requests the driver's tools make, served one per
// string packet.
#pragma once

class Packet;

extern int PstringNeeded;

// Asks the client for a string request when a tool has one pending.
void solicit_pstring();

int pstring(Packet &p);
int psync(Packet &p);
