// Rendering set-up and the z-buffer.
#pragma once

class Packet;

void init_zbuffer();
// Depth testing on (when a z-buffer is installed) or off, and clearing the
// z-buffer while it is on.
void MyZbuffer(int on);
void MyClearZbuffer();

int ppal(Packet &p);
int rdinit(Packet &p);
int rdstart(Packet &p);
int rdend(Packet &p);
int rdterm(Packet &p);
int rdclear(Packet &p);
int rdcmapb(Packet &p);
int rdcmap(Packet &p);
int rdcmape(Packet &p);
int rdpoly(Packet &p);
int rdfname(Packet &p);
int rdcrange(Packet &p);
int rdcpoly(Packet &p);
int rdwsline(Packet &p);
int rdrsline(Packet &p);
int rdrcmap(Packet &p);
int rd_info(Packet &p);
int rpcfgrec(Packet &p);
int rpnewcfg(Packet &p);
int rpchgcfg(Packet &p);
int rpshowcfg(Packet &p);
