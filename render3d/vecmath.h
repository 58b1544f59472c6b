// The vector and matrix library of the 3D code: single-precision vectors of
// three and four and 4 x 4 matrices (row vectors, v' = v M, the layout the
// graphics library's own matrices have, so a Matrix goes to loadmatrix,
// multmatrix and getmatrix unchanged). Results go to the argument named last;
// those marked alias-safe may be given an output that is also an input.
// Near-zero tests use a tolerance of 1e-05, strictly. Nothing here keeps
// state; only vnew, vclone and linsolve allocate, and only vgetmatrix and
// mupat talk to the graphics library.
#pragma once

#include "kovagl/gl.h"

struct Vector {
  float x, y, z;
};
// As a plane: the normal in x, y, z, the constant in w (normal . P = w).
struct Vector4 {
  float x, y, z, w;
};
using Matrix3 = float[3][3];

// ---- vectors ------------------------------------------------------------------

Vector *vnew();                      // uninitialised; the caller deletes it
Vector *vclone(const Vector &v);
void vcopy(const Vector &v, Vector &out);
void vcopy4(const Vector4 &v, Vector4 &out);
void vset(Vector &v, float x, float y, float z);
void vzero(Vector &v);
void vunit_x(Vector &v);
void vunit_y(Vector &v);
void vunit_z(Vector &v);
void vnegate(const Vector &v, Vector &out);
void vscale(Vector &v, float s);     // in place
float vlength(const Vector &v);
// Scaled by 1 / vlength: a zero vector gives non-finite components.
void vnormal(Vector &v);
void vdirection(const Vector &v, Vector &out);
void vadd(const Vector &a, const Vector &b, Vector &out);
void vsub(const Vector &a, const Vector &b, Vector &out);
void vmult(const Vector &a, const Vector &b, Vector &out);   // per component
float vdot(const Vector &a, const Vector &b);
void vcross(const Vector &a, const Vector &b, Vector &out);  // alias-safe
// 1 when every component differs by less than 1e-05.
int vcompare(const Vector &a, const Vector &b);
// a + b to unit length; a itself when the sum is shorter than 1e-05.
void vhalf(const Vector &a, const Vector &b, Vector &out);
// v mirrored about the direction n: 2 (n . v) n - v.
void vreflect(const Vector &v, const Vector &n, Vector &out);
// The point p + t d on the plane: 0 (out and t untouched) when d is
// parallel to it within 1e-05, else 1.
int vintersect(const Vector &p, const Vector &d, const Vector4 &plane, Vector &out, float *t);
// The mirror image of the point p in the plane (-p when that fails).
void vreflection(const Vector &p, const Vector4 &plane, Vector &out);
// The plane through three points: n = (p1 - p0) x (p2 - p1), not normalised.
void vplane_eqn(const Vector &p0, const Vector &p1, const Vector &p2, Vector4 &out);
void vtransform(const Vector &v, const Matrix m, Vector &out);   // (v, 1) . m; alias-safe
void vtransform4(const Vector &v, const Matrix m, Vector4 &out); // w not divided out
void vprint(const Vector &v);
void vprint4(const Vector4 &v);

// ---- matrices -----------------------------------------------------------------

void midentity(Matrix m);
void mcopy(const Matrix src, Matrix dst);
void mcopy3(const Matrix3 src, Matrix3 dst);
void mtranspose(const Matrix m, Matrix out);                     // alias-safe
void vmultmatrix(const Matrix a, const Matrix b, Matrix out);    // a then b; alias-safe
void mmultiply(Matrix m, float s);                               // in place
void msubmatrix(int row, int col, const Matrix m, Matrix3 out);  // the minor
float mdeterminant3(const Matrix3 m);
float mdeterminant(const Matrix m);
void mcofactor(const Matrix m, Matrix out);                      // alias-safe
void madjoint(const Matrix m, Matrix out);                       // alias-safe
void madjoint3(const Matrix3 m, Matrix3 out);                    // alias-safe
void mtranslate(float x, float y, float z, Matrix m);
void mscale(float x, float y, float z, Matrix m);
void mrotate_x(float degrees, Matrix m);
void mrotate_y(float degrees, Matrix m);
void mrotate_z(float degrees, Matrix m);
// The axes in the columns: [i][0] = xaxis[i], [i][1] = yaxis[i],
// [i][2] = zaxis[i], [i][3] = origin[i].
void mucs2mat(Matrix m, const Vector &xaxis, const Vector &yaxis, const Vector &zaxis, const Vector &origin);
// The arbitrary-axis rule: an x axis for the unit normal n.
void marbaxis(Vector &out, const Vector &n);
// The coordinate system whose z axis is the direction n.
void mucs2wcs(Matrix m, const Vector &n);
// Multiplies the current matrix by the look-at transform of eye, at and up.
void mupat(const Vector &eye, const Vector &at, const Vector &up);
// The matrix the graphics library applies in all (projection after viewing
// in the viewing modes).
void vgetmatrix(Matrix m);
// The inverse by Gauss-Jordan elimination in double precision; an exactly
// singular matrix ends the process with "error: cannot do inverse matrix"
// and status 2.
void minvert(const Matrix m, Matrix out);
void mprint3(const Matrix3 m);
void mprint(const Matrix m);
// Solves the n equations rows[i][0..n-1] . x = rows[i][n] (the rows are not
// changed). n <= 0 does nothing; no unique solution ends the process with
// "linsolv: No unique solution exists." on standard output and status 1.
void linsolve(float *const *rows, int n, float *x);
