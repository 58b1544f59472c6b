// Projection state of the 3D packets.
#pragma once

class Packet;

extern int ProjSet;  // a projection was set
extern int ViewSet;  // a view was set

int pview(Packet &p);
int portho(Packet &p);
int ppersp(Packet &p);
