// The DVIEW steps that follow the pointer: for each movement the parameter
// taken from the pointer, the read-out, the client command it prepares, the
// view it builds in DviewMatrix and what it draws over the faces.
#include "render3d/dview_steps.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/packet.h"
#include "base/string_tables.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/projection.h"
#include "render3d/trackball.h"
#include "render3d/vecmath.h"

float DviewStepQuat[4] = {0, 0, 0, 1};
float DviewTotalQuat[4] = {0, 0, 0, 1};

namespace {

constexpr double kTenthsPerRadian = 572.9577951308232;

// Rows of the client-command table.
enum : int {
  kRowDview = 5,
  kRowCamera = 6,
  kRowTarget = 7,
  kRowDistance = 8,
  kRowZoom = 11,
  kRowTwist = 12,
  kRowVpoint = 39,
};

// Colours of the decorations.
enum : int { kColourXAxis = 1, kColourYAxis = 3, kColourZAxis = 4, kColourReference = 7 };

// What the last movement gave the step.
struct {
  std::int16_t azimuth, elevation;  // tenths of a degree
  std::int16_t twist;
  float distance;
  float factor;
  Vector dir;
} moved;

const char *row(int index) {
  const char *text = GetAcadString(index);
  return text != nullptr ? text : "";
}

// A command that does not fit is not sent at all: a cut one would leave the
// client inside an unfinished expression.
template <typename... Args>
void set_command(const char *format, Args... args) {
  const int n = std::snprintf(DviewCommand, kDviewCommandMax, format, args...);
  if (n < 0 || n >= kDviewCommandMax) DviewCommand[0] = '\0';
}

template <typename... Args>
void set_readout(const char *format, Args... args) {
  char text[kDviewCommandMax];
  std::snprintf(text, sizeof text, format, args...);
  DviewSetReadout(text);
}

// The distance format: a word command, an empty answer, an option and one value.
void set_option_command(int option, double value) {
  set_command("(command \"%s\" \"\" \"%s\" \"%g\" \"\")", row(kRowDview), row(option), value);
}

std::int16_t tenths(double value) {
  // Angles from the pointer lie within +-1800; the clamp keeps a stray
  // value from wrapping.
  return static_cast<std::int16_t>(std::clamp(value, -32767.0, 32767.0));
}

Vector target_of(const ViewportRecord &vp) { return {vp.target[0], vp.target[1], vp.target[2]}; }

// Loads the view looking along dir (from the eye to the target reversed)
// from eye, and reads it back into DviewMatrix.
void load_view(const Vector &dir, const Vector &eye) {
  Matrix m;
  mucs2wcs(m, dir);
  loadmatrix(m);
  translate(-eye.x, -eye.y, -eye.z);
  getmatrix(DviewMatrix);
}

Vector camera_of(const ViewportRecord &vp) { return {vp.camera[0], vp.camera[1], vp.camera[2]}; }

// ---- decorations ----------------------------------------------------------------------

void stroke(const Vector &a, const Vector &b) {
  const float p[3] = {a.x, a.y, a.z}, q[3] = {b.x, b.y, b.z};
  bgnline();
  v3f(p);
  v3f(q);
  endline();
}

Vector offset(const Vector &v, float x, float y, float z) { return {v.x + x, v.y + y, v.z + z}; }

void axis_tripod(ViewportRecord &vp) {
  depthcue(0);
  const float s = vp.view_size, d = 0.02f * s, reach = 0.2f * s;
  const Vector t = target_of(vp);

  c3f(DisplayMap[kColourXAxis]);
  Vector tip = offset(t, reach, 0, 0);
  stroke(t, tip);
  stroke(offset(tip, 0, d, d), offset(tip, 0, -d, -d));
  stroke(offset(tip, 0, -d, d), offset(tip, 0, d, -d));

  c3f(DisplayMap[kColourYAxis]);
  tip = offset(t, 0, reach, 0);
  stroke(t, tip);
  stroke(tip, offset(tip, d, 0, d));
  stroke(tip, offset(tip, -d, 0, d));
  stroke(tip, offset(tip, 0, 0, -d));

  c3f(DisplayMap[kColourZAxis]);
  tip = offset(t, 0, 0, reach);
  stroke(t, tip);
  stroke(offset(tip, -d, d, 0), offset(tip, d, d, 0));
  stroke(offset(tip, -d, -d, 0), offset(tip, d, d, 0));
  stroke(offset(tip, -d, -d, 0), offset(tip, d, -d, 0));
}

// A flat frame over the viewport for the reference lines.
void flat_frame(float left, float right, float bottom, float top) {
  mmode(KGL_MSINGLE);
  ortho(left, right, bottom, top, 0, 1);
  lsetdepth(gd_zmin - 15, gd_zmax);
  CurrentMatrixNumber = -1;
  c3f(DisplayMap[kColourReference]);
}

void line2(float x1, float y1, float x2, float y2) {
  const float a[2] = {x1, y1}, b[2] = {x2, y2};
  bgnline();
  v2f(a);
  v2f(b);
  endline();
}

// The cross where the pointer gives back the view the step started with,
// in the frame in which the pointer's position is (azimuth, elevation).
void reference_cross(float azimuth, float elevation) {
  flat_frame(-1800, 1800, -900, 900);
  line2(azimuth, -900, azimuth, 900);
  line2(-1800, elevation, 1800, elevation);
}

float opposite(float azimuth) {
  azimuth += 1800;
  return azimuth > 1800 ? azimuth - 3600 : azimuth;
}

// ---- VPOINT --------------------------------------------------------------------------

void vpoint_moved(ViewportRecord &vp, float ux, float uy) {
  float lx, ly;
  PointerToUnit(DviewLastPointer[0], DviewLastPointer[1], vp, &lx, &ly);
  trackball(DviewStepQuat, lx, ly, ux, uy);
  add_quats(DviewStepQuat, DviewTotalQuat, DviewTotalQuat);
  Matrix r;
  build_rotmatrix(r, DviewTotalQuat);
  const Vector z = {0, 0, 1};
  vtransform(z, r, moved.dir);
  DviewLastPointer[0] = DviewPointer[0];
  DviewLastPointer[1] = DviewPointer[1];
  const double x = moved.dir.x, y = moved.dir.y, zz = moved.dir.z;
  set_readout("X:%+2.2f Y:%+2.2f Z:%+2.2f", x, y, zz);
  set_command("(setq pt1 '(%g %g %g))(command \"%s\" pt1)", x, y, zz, row(kRowVpoint));
}

void vpoint_view(ViewportRecord &vp) {
  Vector eye = moved.dir;
  vscale(eye, vp.camera_distance);
  vadd(target_of(vp), eye, eye);
  Matrix t, u;
  mtranslate(-eye.x, -eye.y, -eye.z, t);
  mucs2wcs(u, moved.dir);
  vmultmatrix(t, u, DviewMatrix);
  loadmatrix(DviewMatrix);
}

// ---- camera and target ------------------------------------------------------------------

void angles_moved(int option, float ux, float uy) {
  moved.azimuth = tenths(ux * 1800.0f);
  moved.elevation = tenths(uy * 900.0f);
  const double el = moved.elevation * 0.1, az = moved.azimuth * 0.1;
  set_readout("<XY:%+4.1f <X:%+4.1f", el, az);
  set_command("(command \"%s\" \"\" \"%s\" \"%g\" \"%g\" \"\")", row(kRowDview), row(option), el, az);
}

void camera_moved(ViewportRecord &, float ux, float uy) { angles_moved(kRowCamera, ux, uy); }
void target_moved(ViewportRecord &, float ux, float uy) { angles_moved(kRowTarget, ux, uy); }

void camera_view(ViewportRecord &vp) {
  // Straight up or down has no azimuth: the view stops at 88.5 degrees.
  const int el = std::clamp<int>(moved.elevation, -885, 885);
  Vector dir;
  DirectionFromAngles(moved.azimuth, static_cast<float>(el), dir);
  vscale(dir, vp.camera_distance);
  Vector eye;
  vadd(target_of(vp), dir, eye);
  load_view(dir, eye);
}

void target_view(ViewportRecord &vp) {
  Vector dir;
  DirectionFromAngles(opposite(moved.azimuth), -static_cast<float>(moved.elevation), dir);
  vscale(dir, vp.camera_distance);
  load_view(dir, camera_of(vp));
}

void camera_decorate(ViewportRecord &vp) {
  axis_tripod(vp);
  reference_cross(DviewStartAzimuth, DviewStartElevation);
}

void target_decorate(ViewportRecord &vp) {
  axis_tripod(vp);
  reference_cross(opposite(DviewStartAzimuth), -DviewStartElevation);
}

// ---- distance -----------------------------------------------------------------------------

float power_of_16(float u) { return std::pow(2.0f, 4.0f * u); }

void distance_moved(ViewportRecord &vp, float ux, float) {
  moved.distance = power_of_16(ux) * vp.camera_distance;
  set_readout("Dist:%f", static_cast<double>(moved.distance));
  set_option_command(kRowDistance, moved.distance);
}

void distance_view(ViewportRecord &vp) {
  const float d = moved.distance;
  Vector a, b;
  vsub(target_of(vp), Vector{vp.ext_min[0], vp.ext_min[1], vp.ext_min[2]}, a);
  vsub(target_of(vp), Vector{vp.ext_max[0], vp.ext_max[1], vp.ext_max[2]}, b);
  const float r = std::max(vlength(a), vlength(b));
  DviewFar = d + r;
  DviewNear = d - r;
  if (DviewNear < 0.00001f) DviewNear = 0.00001f;
  if (DviewNear < DviewFar / 10000) DviewNear = DviewFar / 10000;
  mmode(KGL_MPROJECTION);
  perspective(static_cast<Int32>(DviewFovy * 10), DviewAspect(vp), DviewNear, DviewFar);
  getmatrix(ProjectionMatrix);
  mmode(KGL_MVIEWING);
  Vector dir = {vp.view_dir[0], vp.view_dir[1], vp.view_dir[2]};
  vnormal(dir);
  vscale(dir, d);
  Vector eye;
  vadd(target_of(vp), dir, eye);
  load_view(dir, eye);
}

// The line where the pointer leaves the distance as it was.
void centre_line(ViewportRecord &) {
  flat_frame(-1, 1, -1, 1);
  line2(0, 1, 0, -1);
}

// ---- zoom -------------------------------------------------------------------------------

void zoom_moved(ViewportRecord &vp, float ux, float) {
  moved.factor = power_of_16(ux);
  if (Projection != 2) {
    set_readout("Zoom:%.2fX", static_cast<double>(moved.factor));
    set_option_command(kRowZoom, moved.factor);
  } else {
    const double lens = vp.lens_length * moved.factor;
    set_readout("Lens:%.2fmm", lens);
    set_option_command(kRowZoom, lens);
  }
}

void zoom_view(ViewportRecord &vp) {
  // Always from the viewport's own view, so that zooms do not compound.
  loadmatrix(ViewingMatrix);
  if (Projection != 2) {
    scale(moved.factor, moved.factor, moved.factor);
    getmatrix(DviewMatrix);
  } else {
    mcopy(ViewingMatrix, DviewMatrix);
    const float aspect = DviewAspect(vp);
    const float fovy = DviewLimitedFovy(vp.lens_length * moved.factor, aspect);
    mmode(KGL_MPROJECTION);
    perspective(static_cast<Int32>(fovy * 10), aspect, DviewNear, DviewFar);
    getmatrix(ProjectionMatrix);
    mmode(KGL_MVIEWING);
  }
  lsetdepth(gd_zmin, gd_zmax);
}

// ---- twist -------------------------------------------------------------------------------

void twist_moved(ViewportRecord &, float ux, float uy) {
  moved.twist = tenths(std::atan2(static_cast<double>(uy), static_cast<double>(ux)) * kTenthsPerRadian);
  set_readout("Twist:%5.1f", moved.twist * 0.1);
  set_option_command(kRowTwist, moved.twist * 0.1);
}

void twist_view(ViewportRecord &vp) {
  Matrix u, r;
  mucs2wcs(u, Vector{vp.view_dir[0], vp.view_dir[1], vp.view_dir[2]});
  mrotate_z(static_cast<float>(moved.twist * 0.1), r);
  vmultmatrix(u, r, DviewMatrix);
  loadmatrix(DviewMatrix);
  const Vector camera = camera_of(vp);
  translate(-camera.x, -camera.y, -camera.z);
  getmatrix(DviewMatrix);
}

}  // namespace

const DviewStep kVpointStep = {vpoint_moved, vpoint_view, axis_tripod, false};
const DviewStep kCameraStep = {camera_moved, camera_view, camera_decorate, false};
const DviewStep kTargetStep = {target_moved, target_view, target_decorate, false};
const DviewStep kDistanceStep = {distance_moved, distance_view, centre_line, true};
const DviewStep kZoomStep = {zoom_moved, zoom_view, nullptr, false};
const DviewStep kTwistStep = {twist_moved, twist_view, axis_tripod, false};

int dview_vpoint(Packet &p) { return DviewFrame(p, kVpointStep); }
int dview_camera(Packet &p) { return DviewFrame(p, kCameraStep); }
int dview_target(Packet &p) { return DviewFrame(p, kTargetStep); }
int dview_distance(Packet &p) { return DviewFrame(p, kDistanceStep); }
int dview_zoom(Packet &p) { return DviewFrame(p, kZoomStep); }
int dview_twist(Packet &p) { return DviewFrame(p, kTwistStep); }
