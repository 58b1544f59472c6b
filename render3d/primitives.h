// The 3D primitive packets of the display client: polygons, vectors and
// ribbons into the face list, and the bracket of a 3D drawing.
#pragma once

#include <cstdint>

class Packet;

extern int Rendering;             // a 3D drawing is under way
extern int BackfaceReject;        // back faces are culled
extern float ModelCtr[3];         // centre of the stored geometry
extern float ModelDiag;           // length of its diagonal

// The render mode of the face list's redraw (the 3D commands and the render
// styles of the 3D packets set it).
extern std::uint32_t RenderMode;

// The render mode of a render style: 1 hidden lines, 2 flat two-sided, 5
// plain outlines, any other filled two-sided.
std::uint32_t RenderModeOfStyle(int style);

int ppoly3(Packet &p);
int pnpoly3(Packet &p);
int pcpoly3(Packet &p);
int pvec3(Packet &p);
int p3d(Packet &p);
int pbpoly3(Packet &p);
int prib(Packet &p);
