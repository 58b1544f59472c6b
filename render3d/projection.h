// Projection state of the 3D packets.
#pragma once

class Packet;

#include "kovagl/gl.h"

extern int ProjSet;  // a projection was set
extern int ViewSet;  // a view was set

// Keeps what the normals of the view need from the adjoint of the view matrix.
void ComputeAdjoint(const Matrix m);

int pview(Packet &p);
int portho(Packet &p);
int ppersp(Packet &p);
