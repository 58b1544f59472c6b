// The view, projection and model matrices of the 3D packets, and the lens
// conversions of DVIEW.
#pragma once

class Packet;

#include <cstddef>

#include "kovagl/gl.h"

extern int ProjSet;       // a projection was set
extern int ViewSet;       // a view was set
extern int Projection;    // 1 orthographic, 2 perspective
// Set by the rendering client's information packet: the view's normals are
// corrected through Adjoint2, the third row of the view matrix's adjoint
// (negated when the adjoint's last element is negative).
extern int NormalCorrection;
extern float Adjoint2[4];

// Keeps what the normals of the view need from the adjoint of the view matrix.
void ComputeAdjoint(const Matrix m);

// A packet's 4 x 4 matrix at off, column after column (row r, column c at
// off + (4c + r) x 8), as a Matrix of row vectors: element (r, c) to m[r][c].
void PacketMatrix(const Packet &p, std::size_t off, Matrix m);

// Field of view in degrees of a lens of this focal length (at least 0.1),
// at most 178; and the lens of a field of view (at most 178).
float lenslength2fovy(float lens);
float fovy2lenslength(float fovy);

int pview(Packet &p);
int portho(Packet &p);
int ppersp(Packet &p);
int pmodel(Packet &p);
