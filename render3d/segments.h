// The 3D segment packets: open, close, delete and draw a segment.
#pragma once

class Packet;

int poseg(Packet &p);
int pcseg(Packet &p);
int pdseg(Packet &p);
int pdrawseg(Packet &p);
