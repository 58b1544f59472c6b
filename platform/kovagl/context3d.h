// The 3D part of a context record: what decides whether vertices take the 3D
// path, the current normal, and the lighting bound now (copied at binding,
// light positions in eye space).
#pragma once

#include "gl.h"

constexpr int KGL_LIGHTS = 8;

struct KglMaterial {
  float ambient[3] = {0.2f, 0.2f, 0.2f};
  float diffuse[3] = {0.8f, 0.8f, 0.8f};
  float specular[3] = {0, 0, 0};
  float shininess = 0;
  float emission[3] = {0, 0, 0};
  float alpha = 1;
};

struct KglLight {
  float colour[3] = {1, 1, 1};
  float position[4] = {0, 0, 1, 0};     // w 0: a direction towards the light
  float spot_direction[3] = {0, 0, -1};
  float spot_exponent = 0;
  float spot_cutoff = 180;              // degrees; 180 is no spot
};

struct KglLightModel {
  float ambient[3] = {0, 0, 0};
  float local_viewer = 0;
  float k0 = 1, k1 = 0, k2 = 0;         // attenuation of local lights
};

// A bound light as lighting uses it: eye-space position (w 0 a unit
// direction), unit spot direction and the cosine of the cut-off.
struct KglEyeLight {
  double colour[3];
  double position[4];
  double spot[3];
  double spot_exponent, spot_cos;
  bool spot_on;
};

struct KglState3D {
  // Vertices take the 3D path: z-buffering, depth cue, smooth shading,
  // culling, a bound material or an object being compiled.
  bool path3d = false;

  float normal[3] = {0, 0, 1};   // n3f
  Int32 normal_mode = 0;         // nmode: 1 normalises after the transform

  // Bindings (0 none) and what they bound.
  Int32 material_index = 0, model_index = 0;
  Int32 light_index[KGL_LIGHTS] = {};
  KglMaterial material;
  KglLightModel model;
  KglEyeLight light[KGL_LIGHTS];   // by target 1100 + i, valid where bound
  int active[KGL_LIGHTS] = {};     // the bound targets' i, nlights of them
  int nlights = 0;

  // Normals go through the inverse transpose of the viewing matrix; kept for
  // the context's clip_serial it was computed under.
  double normal_matrix[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  unsigned normal_serial = ~0u;

  // Display object being replayed: depth of nested callobj.
  int call_depth = 0;
};
