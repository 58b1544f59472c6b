// The 3D primitive packets of the display client: polygons, vectors and
// ribbons into the face list.
#pragma once

class Packet;

int ppoly3(Packet &p);
int pnpoly3(Packet &p);
int pcpoly3(Packet &p);
int pvec3(Packet &p);
int p3d(Packet &p);
int pbpoly3(Packet &p);
int prib(Packet &p);
