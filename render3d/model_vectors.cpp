// Small vector routines of the face packets and the lights.
#include "render3d/model_vectors.h"

#include <cmath>

// The empty box until the first point: its extents take in nothing else.
float ModelMin[3] = {1e38f, 1e38f, 1e38f}, ModelMax[3] = {-1e38f, -1e38f, -1e38f};

int NormalizeToFloat(const double in[3], float out[3]) {
  const double squared = in[0] * in[0] + in[1] * in[1] + in[2] * in[2];
  if (squared < 1e-10) {
    for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(in[i]);
    return 0;
  }
  const double length = std::sqrt(squared);
  for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(in[i] / length);
  return 1;
}

void CrossToDouble(const float a[3], const float b[3], double out[3]) {
  out[0] = static_cast<double>(a[1]) * b[2] - static_cast<double>(b[1]) * a[2];
  out[1] = static_cast<double>(a[2]) * b[0] - static_cast<double>(b[2]) * a[0];
  out[2] = static_cast<double>(a[0]) * b[1] - static_cast<double>(b[0]) * a[1];
}

// Both bounds are tested: the first point of a drawing is below the minimum
// and above the maximum it starts with.
void WidenModelBounds(const float p[3]) {
  for (int i = 0; i < 3; ++i) {
    if (p[i] < ModelMin[i]) ModelMin[i] = p[i];
    if (p[i] > ModelMax[i]) ModelMax[i] = p[i];
  }
}
