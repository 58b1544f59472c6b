// Small vector routines of the face packets and the lights: float vectors of
// three, with the cross product kept in doubles for the face normals, and
// the bounds of the stored geometry.
#pragma once

extern float ModelMin[3], ModelMax[3];  // bounds of the geometry stored

// in / its length into out, 1; a squared length below 1e-10 copies in
// unchanged and gives 0.
int NormalizeToFloat(const double in[3], float out[3]);
// a x b.
void CrossToDouble(const float a[3], const float b[3], double out[3]);
// Widens ModelMin and ModelMax to take in the point, per axis.
void WidenModelBounds(const float p[3]);
