// The view, projection and model matrices of the 3D packets, and the lens
// conversions of DVIEW.
//
// A projection packet that cannot give a projection (an empty orthographic
// box, near and far planes together, a perspective far plane not in front of
// the eye, or a value that is not a number) is ignored: nothing is stored and
// the projection set before stays.
#include "render3d/projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/build.h"
#include "base/packet.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/rendering.h"
#include "render3d/vecmath.h"

int ProjSet, ViewSet;
int Projection;
int NormalCorrection;
float Adjoint2[4];

namespace {

// The viewport index a packet names at byte 4, -1 when none.
int packet_viewport(const Packet &p) { return ViewportLookup(p.i16(4)); }

// The projection and view matrices over the viewport's rectangle.
void select_projection(int index) {
  const ViewportRecord &vp = vp_info[index];
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
}

// Keeps the projection just made in matrix mode 1, loads it with the view
// when there is one, and leaves the viewing matrix at identity. The second
// program leaves loading them to the model matrix or the next drawing.
void keep_projection(int index) {
  getmatrix(ProjectionMatrix);
  ProjSet = 1;
  if constexpr (!kSecondBuild) {
    if (ViewSet) select_projection(index);
  }
  mmode(KGL_MVIEWING);
  loadmatrix(IdentityMatrix);
  CurrentMatrixNumber = -1;
}

bool all_finite(std::initializer_list<float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

}  // namespace

void ComputeAdjoint(const Matrix m) {
  if (!NormalCorrection) return;
  Matrix adjoint;
  madjoint(m, adjoint);
  const float sign = adjoint[3][3] < 0 ? -1.0f : 1.0f;
  for (int i = 0; i < 4; ++i) Adjoint2[i] = sign * adjoint[2][i];
}

void PacketMatrix(const Packet &p, std::size_t off, Matrix m) {
  for (std::size_t r = 0; r < 4; ++r)
    for (std::size_t c = 0; c < 4; ++c) m[r][c] = static_cast<float>(p.f64(off + (4 * c + r) * 8));
}

float lenslength2fovy(float lens) {
  if (lens < 0.1f) lens = 0.1f;
  return std::min(static_cast<float>(std::atan(12.524597 / lens) * 114.59156), 178.0f);
}

float fovy2lenslength(float fovy) {
  if (fovy > 178.0f) fovy = 178.0f;
  return static_cast<float>(12.524597 / std::tan(fovy * (std::numbers::pi / 180.0) * 0.5));
}

int pview(Packet &p) {
  const int index = packet_viewport(p);
  if (index < 0) return 0;
  RenderedViewport = index;
  CurrentMatrixNumber = -1;
  PacketMatrix(p, 8, ViewingMatrix);
  ComputeAdjoint(ViewingMatrix);
  ViewSet = 1;
  if (ProjSet) select_projection(index);
  return 0;
}

// Near and far come negated (distances in front of the eye); a positive near
// plane is kept at least a ten-thousandth of the far one.
int portho(Packet &p) {
  float znear = -static_cast<float>(p.f64(8)), zfar = -static_cast<float>(p.f64(16));
  const float left = static_cast<float>(p.f64(24)), right = static_cast<float>(p.f64(32));
  const float bottom = static_cast<float>(p.f64(40)), top = static_cast<float>(p.f64(48));
  if (!all_finite({znear, zfar, left, right, bottom, top}) || left == right || bottom == top || znear == zfar)
    return 0;
  const int index = packet_viewport(p);
  if (index < 0) return 0;
  RenderedViewport = index;
  CurrentMatrixNumber = -1;
  Projection = 1;
  ViewportRecord &vp = vp_info[index];
  vp.ortho_left = left;
  vp.ortho_right = right;
  vp.ortho_bottom = bottom;
  vp.ortho_top = top;
  if (znear > 0 && znear < zfar / 10000) znear = zfar / 10000;
  vp.ortho_near = znear;
  vp.ortho_far = zfar;
  mmode(KGL_MPROJECTION);
  ortho(left, right, bottom, top, znear, zfar);
  keep_projection(index);
  return 0;
}

// The field of view is held to 1..178 degrees; the aspect is the viewport's
// width over its height.
int ppersp(Packet &p) {
  float fovy = static_cast<float>(p.f64(8));
  float znear = -static_cast<float>(p.f64(16)), zfar = -static_cast<float>(p.f64(24));
  if (!all_finite({fovy, znear, zfar}) || znear == zfar || zfar <= 0) return 0;
  const int index = packet_viewport(p);
  if (index < 0) return 0;
  RenderedViewport = index;
  CurrentMatrixNumber = -1;
  Projection = 2;
  ViewportRecord &vp = vp_info[index];
  const float aspect = static_cast<float>(std::max(vp.width, 1)) / static_cast<float>(std::max(vp.height, 1));
  fovy = std::clamp(fovy, 1.0f, 178.0f);
  vp.fovy = fovy;
  vp.persp_aspect = aspect;
  if (znear < zfar / 10000) znear = zfar / 10000;
  vp.persp_near = znear;
  vp.persp_far = zfar;
  mmode(KGL_MPROJECTION);
  perspective(static_cast<Int32>(std::lround(fovy * 10.0f)), aspect, znear, zfar);
  keep_projection(index);
  return 0;
}

// Multiplies the model matrix onto the view, once both view and projection
// are there. The second program names the viewing matrix mode itself, where
// the first relies on the projection and view having left it there.
int pmodel(Packet &p) {
  Matrix model;
  PacketMatrix(p, 8, model);
  if (!ViewSet || !ProjSet) return 0;
  CurrentMatrixNumber = -1;
  const int index = RenderedViewport >= 0 && RenderedViewport < kViewportCount ? RenderedViewport : 0;
  select_projection(index);
  if constexpr (kSecondBuild) mmode(KGL_MVIEWING);
  multmatrix(model);
  return 0;
}
