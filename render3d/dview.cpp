// DVIEW control: the step codes, the view variables from the client, the
// projection swap, pause, accept and cancel, the time-sliced redraw and the
// steps that end a run (points, pan, shade, redraw). The steps that follow
// the pointer are in dview_steps.cpp, the result file in dview_result.cpp.
#include "render3d/dview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/config_record.h"
#include "base/packet.h"
#include "base/user_text.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/cursor.h"
#include "display/digitizer.h"
#include "display/hooks.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/faces.h"
#include "render3d/lights.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"
#include "render3d/tumble.h"
#include "render3d/vecmath.h"

int DviewState;
int acadvar_req;
std::uint32_t DegenMode = kRenderPlainOutline;
float TargetPoint[3], CameraPoint[3];

Matrix DviewMatrix = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
int DviewNeedViewData = 1;
int DviewRequestSent;
int DviewPollCount;
int DviewPaused;
int DviewViewChanged;
int DviewOwnProjection = 1;
float DviewNear, DviewFar, DviewFovy;
float DviewStartAzimuth, DviewStartElevation;
int DviewPointer[2], DviewLastPointer[2];
int switch_state;
char DviewCommand[kDviewCommandMax];
std::uint8_t DviewReadout[4 + kDviewCommandMax];

void (*dview_reset_timer)() = ResetTimer;
int (*dview_read_timer)() = ReadTimer;

namespace {

// Tenths of a degree in a radian, and radians in a tenth of a degree.
constexpr double kTenthsPerRadian = 572.9577951308232;
constexpr double kRadiansPerTenth = 0.0017453292519943296;
constexpr float kTiny = 1e-05f;
// Requests a step waits for the view variables before it gives up.
constexpr int kViewDataPolls = 100;
// A lens when the record holds none that can be used (millimetres).
constexpr float kDefaultLens = 50.0f;

bool finite3(const Vector &v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool finite_matrix(const Matrix m) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (!std::isfinite(m[i][j])) return false;
  return true;
}

Vector vec(const float f[3]) { return {f[0], f[1], f[2]}; }

void store(const Vector &v, float f[3]) { f[0] = v.x, f[1] = v.y, f[2] = v.z; }

// The larger distance from the target to a corner of the extents: the
// model's reach along the line of sight.
float model_reach(const ViewportRecord &vp, const Vector &target) {
  Vector a, b;
  vsub(target, vec(vp.ext_min), a);
  vsub(target, vec(vp.ext_max), b);
  const float r = std::max(vlength(a), vlength(b));
  return std::isfinite(r) ? r : 0.0f;
}

// The step gives up waiting for the view variables: the picture is drawn
// again in the view it had, and the exchange still pending is withdrawn so
// that no request is left behind.
void give_up(ViewportRecord &vp) {
  RestoreViewportProjection(vp);
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  FinishDviewDraw(RenderMode);
  DviewPollCount = 0;
  DviewRequestSent = 0;
  if (acadvar_req != 0) {
    acadvar_req = 0;
    if (PstringNeeded > 0) --PstringNeeded;
  }
  dview = 0;
  DviewState = 0;
}

// 1 once the view variables are in the record, 0 while they are awaited
// (the request is not answered), -1 when the wait was given up (answered).
int obtain_view_data(ViewportRecord &vp) {
  if (!DviewNeedViewData) return 1;
  if (++DviewPollCount > kViewDataPolls) {
    give_up(vp);
    return -1;
  }
  if (!DviewRequestSent) {
    ++PstringNeeded;
    acadvar_req = 1;
    DviewRequestSent = 1;
    MyPrints("Reading view data");
    return 0;
  }
  if (acadvar_req != 0) return 0;
  DviewPollCount = 0;
  DviewRequestSent = 0;
  return 1;
}

void show_readout() {
  Packet p(DviewReadout, sizeof DviewReadout, sizeof DviewReadout);
  pcoordline(p);
}

// The run ends with the face list drawn in the view DVIEW left.
void end_with_view(ViewportRecord &vp) {
  FinishDviewDraw(RenderMode);
  RestoreViewportProjection(vp);
  vp.flags |= kVpShaded;
  CurrentPmark[kPmarkTaken] = 1;
  DviewState = 0;
  dview = 0;
}

}  // namespace

ViewportRecord &DviewViewport() {
  return vp_info[RenderedViewport >= 0 && RenderedViewport < kViewportCount ? RenderedViewport : 0];
}

void DviewSetReadout(const char *text) {
  char *out = reinterpret_cast<char *>(DviewReadout) + 4;
  // The read-out shows 25 characters: the rest is never kept.
  const std::size_t n = std::min(std::strlen(text), static_cast<std::size_t>(kCoordTextMax));
  std::memcpy(out, text, n);
  out[n] = '\0';
  DviewReadout[2] = 0;
  DviewReadout[3] = static_cast<std::uint8_t>(n);
}

// ---- view data and projections ------------------------------------------------------

void ReadViewData(ViewportRecord &vp) {
  const Vector emin = vec(vp.ext_min), emax = vec(vp.ext_max);
  for (int i = 0; i < 3; ++i) vp.ext_centre[i] = (vp.ext_max[i] + vp.ext_min[i]) * 0.5f;

  // A view direction of no length (or none at all) looks down from above.
  Vector dir = vec(vp.view_dir);
  if (!finite3(dir) || !(vlength(dir) >= kTiny)) vset(dir, 0, 0, 1);
  // A direction whose length overflows a float keeps its sense: measured in
  // doubles and brought back to a length of one.
  if (!std::isfinite(vlength(dir))) {
    const double length = std::sqrt(static_cast<double>(dir.x) * dir.x + static_cast<double>(dir.y) * dir.y +
                                    static_cast<double>(dir.z) * dir.z);
    vset(dir, static_cast<float>(dir.x / length), static_cast<float>(dir.y / length),
         static_cast<float>(dir.z / length));
  }
  float distance = vlength(dir);
  if (!(vp.viewmode & 1)) {
    Vector diagonal;
    vsub(emax, emin, diagonal);
    const float reach = vlength(diagonal);
    if (std::isfinite(reach) && distance < reach) {
      vscale(dir, reach / distance);
      distance = vlength(dir);
    }
  }
  store(dir, vp.view_dir);
  vp.camera_distance = distance;

  // A target left at the origin while the view centre is elsewhere: the
  // target is taken from the view centre at the height of the extents.
  const Vector origin = {0, 0, 0};
  if (vcompare(vec(vp.target), origin) && !vcompare(vec(vp.view_centre), origin)) {
    vp.target[0] = vp.view_centre[0];
    vp.target[1] = vp.view_centre[1];
    vp.target[2] = vp.ext_centre[2];
  }
  for (int i = 0; i < 3; ++i) vp.camera[i] = vp.target[i] + vp.view_dir[i];

  const double x = dir.x, y = dir.y;
  double azimuth;
  if (x > kTiny) {
    azimuth = std::atan(y / x) * kTenthsPerRadian;
  } else if (x < -kTiny) {
    if (y > kTiny)
      azimuth = 1800 - std::atan(y / -x) * kTenthsPerRadian;
    else if (y < -kTiny)
      azimuth = std::atan(y / x) * kTenthsPerRadian - 1800;
    else
      azimuth = -1800;
  } else {
    azimuth = y > 0 ? 900 : -900;
  }
  DviewStartAzimuth = static_cast<float>(azimuth);
  const double sine = std::clamp(static_cast<double>(dir.z) / distance, -1.0, 1.0);
  DviewStartElevation = static_cast<float>(std::asin(sine) * kTenthsPerRadian);
}

float DviewAspect(const ViewportRecord &vp) {
  if (vp.persp_aspect > 0 && std::isfinite(vp.persp_aspect)) return vp.persp_aspect;
  return static_cast<float>(std::max(vp.width, 1)) / static_cast<float>(std::max(vp.height, 1));
}

float DviewLimitedFovy(float lens, float aspect) {
  float fovy = lenslength2fovy(std::isfinite(lens) ? lens : kDefaultLens);
  if (aspect > 0 && aspect * fovy > 178.0f) fovy = 178.0f / aspect;
  return fovy;
}

float DviewFieldOfView(const ViewportRecord &vp) {
  if (vp.fovy != 0 && std::isfinite(vp.fovy)) return vp.fovy;
  return lenslength2fovy(std::isfinite(vp.lens_length) ? vp.lens_length : kDefaultLens);
}

void LoadDviewProjection(ViewportRecord &vp) {
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  if (!DviewOwnProjection) return;
  const float aspect = DviewAspect(vp);
  DviewFovy = DviewLimitedFovy(vp.lens_length, aspect);
  if (Projection == 1) {
    const float r = model_reach(vp, vec(vp.target));
    DviewNear = vp.camera_distance - r;
    DviewFar = vp.camera_distance + r;
  } else {
    DviewNear = vp.persp_near;
    DviewFar = vp.persp_far;
  }
  // A camera too far out to measure keeps the viewport's own depth.
  if (!std::isfinite(DviewNear) || !std::isfinite(DviewFar)) {
    DviewNear = Projection == 1 ? vp.ortho_near : vp.persp_near;
    DviewFar = Projection == 1 ? vp.ortho_far : vp.persp_far;
  }
  // An empty model gives no depth to look into.
  if (!(DviewFar > DviewNear)) DviewFar = DviewNear + 1;
  mmode(KGL_MPROJECTION);
  if (Projection == 2)
    perspective(static_cast<Int32>(DviewFovy * 10), aspect, DviewNear, DviewFar);
  else
    ortho(vp.ortho_left, vp.ortho_right, vp.ortho_bottom, vp.ortho_top, DviewNear, DviewFar);
  getmatrix(ProjectionMatrix);
  mmode(KGL_MVIEWING);
  lsetdepth(gd_zmin, gd_zmax);
  DviewOwnProjection = 0;
}

void RestoreViewportProjection(ViewportRecord &vp) {
  if (DviewOwnProjection) return;
  const Int32 saved = getmmode();
  mmode(KGL_MPROJECTION);
  if (Projection == 2)
    perspective(static_cast<Int32>(DviewFieldOfView(vp) * 10), DviewAspect(vp), vp.persp_near, vp.persp_far);
  else
    ortho(vp.ortho_left, vp.ortho_right, vp.ortho_bottom, vp.ortho_top, vp.ortho_near, vp.ortho_far);
  getmatrix(ProjectionMatrix);
  mmode(static_cast<Int16>(saved));
  CurrentMatrixNumber = -1;
  DviewOwnProjection = 1;
}

void PointerToUnit(int x, int y, const ViewportRecord &vp, float *ux, float *uy) {
  x = std::clamp(x, vp.x1, std::max(vp.x1, vp.x2));
  y = std::clamp(y, vp.y1, std::max(vp.y1, vp.y2));
  const int w = std::max(vp.x2 - vp.x1 + 1, 1), h = std::max(vp.y2 - vp.y1 + 1, 1);
  *ux = static_cast<float>(x - vp.x1) * 2 / static_cast<float>(w) - 1;
  *uy = static_cast<float>(y - vp.y1) * 2 / static_cast<float>(h) - 1;
}

void DirectionFromAngles(float azimuth, float elevation, Vector &out) {
  const double t = (900 - static_cast<double>(elevation)) * kRadiansPerTenth;
  const double p = azimuth * kRadiansPerTenth;
  out.x = static_cast<float>(std::sin(t) * std::cos(p));
  out.y = static_cast<float>(std::sin(t) * std::sin(p));
  out.z = static_cast<float>(std::cos(t));
}

// ---- drawing ------------------------------------------------------------------------

void DviewCulling(std::uint32_t mode) {
  frontface(0);
  backface(BackfaceReject == 0 && mode != kRenderFilledTwoSided && mode != kRenderFlatTwoSided ? 0 : 1);
}

std::uint32_t BeginDviewDraw(ViewportRecord &vp) {
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  shademodel(1);
  const std::uint32_t mode = DegenMode == kRenderFilled ? RenderMode : DegenMode;
  if (DegenMode == kRenderCuedOutline || DegenMode == kRenderCuedPoints) depthcue(1);
  DviewCulling(mode);
  return mode;
}

void PrepareFaceRedraw(std::uint32_t mode) {
  redraw_list.state = kReplayStart;
  shademodel(1);
  switch (mode) {
    case kRenderHidden:
      MyZbuffer(1);
      MyClearZbuffer();
      break;
    case kRenderOutline:
    case kRenderPoints:
      MyZbuffer(0);
      RebindLights();
      break;
    case kRenderCuedOutline:
    case kRenderLine:
    case kRenderPlainOutline:
    case kRenderCuedPoints:
    case kRenderPoint:
    case kRenderPlainPoints:
      MyZbuffer(0);
      break;
    default:
      MyZbuffer(1);
      MyClearZbuffer();
      RebindLights();
      break;
  }
  DviewCulling(mode);
  SelectBackBuffer();
  MyColor(ConfigColor(kWordColourGraphics));
  clear();
}

void FinishDviewDraw(std::uint32_t mode) {
  shademodel(1);
  switch (mode) {
    case kRenderOutline:
    case kRenderPoints:
      depthcue(0);
      MyZbuffer(0);
      RebindLights();
      break;
    case kRenderCuedOutline:
    case kRenderCuedPoints:
      depthcue(1);
      lsetdepth(gd_zmin, gd_zmax);
      MyZbuffer(0);
      break;
    case kRenderLine:
    case kRenderPlainOutline:
    case kRenderPoint:
    case kRenderPlainPoints:
      depthcue(0);
      MyZbuffer(0);
      break;
    default:
      depthcue(0);
      lsetdepth(gd_zmin, gd_zmax);
      MyZbuffer(1);
      MyClearZbuffer();
      RebindLights();
      break;
  }
  DviewCulling(mode);
  SelectBothBuffers();
  MyColor(ConfigColor(kWordColourGraphics));
  clear();
  FACE_redraw_all(mode);
  MyZbuffer(0);
  shademodel(0);
  depthcue(0);
  CurrentMatrixNumber = -1;
}

void DviewTimedRedraw(std::uint32_t mode) {
  dview_reset_timer();
  int elapsed_time = 0;
  // At least one page a call, whatever the slice: a slice of 0 must not
  // leave the picture unfinished for ever.
  do {
    FACE_redraw(mode);
    elapsed_time = dview_read_timer();
  } while (elapsed_time < cfr.word(kWordTimeSlice) && redraw_list.state != kReplayFinished);
}

// ---- the frame of the interactive steps -------------------------------------------------

int DviewFrame(Packet &p, const DviewStep &step) {
  p.put_i16(2, kDigUsed);
  ViewportRecord &vp = DviewViewport();
  const bool had_data = !DviewNeedViewData;
  const int data = obtain_view_data(vp);
  if (data < 0) return 1;
  if (data == 0) return 0;

  if (!had_data) {
    // The first request with the data reads it, before any button is
    // looked at: a pause or cancel here must not ask for the data again.
    if (step.needs_perspective && !(vp.viewmode & 1)) {
      MyPrints("Please enable perspective mode in DVIEW.\n");
      DviewState = 0;
      dview = 0;
      DviewPollCount = 0;
      DviewRequestSent = 0;
      return 1;
    }
    ReadViewData(vp);
    LoadDviewProjection(vp);
    DviewNeedViewData = 0;
    // A step ended without moving sends no command of an earlier step.
    DviewCommand[0] = '\0';
  }

  const int button = Original[1];
  const int key = FlushKeyboardBuffer();
  if (key == 1 || button < kDigSecondButton) {
    RestoreViewportProjection(vp);
    DviewState = kDviewRedraw;
    DviewNeedViewData = 1;
    DviewPaused = 0;
    CurrentPmark[kPmarkTaken] = 1;
    return 1;
  }
  if (button == kDigPick) {
    // The pause button; pressed again while paused, it resumes the step.
    if (DviewPaused) {
      DviewPaused = 0;
      switch_state = 1;
    } else {
      DviewPaused = 1;
      dview_reset_timer();
    }
    return 1;
  }
  if (had_data && (key == 2 || button == kDigSecondButton)) {
    DviewPaused = 0;
    DviewNeedViewData = 1;
    DviewState = kDviewShade;
    return 1;
  }

  if (DviewPaused) {
    // The buttons left released for longer than the hold time send the
    // result. While the pause button is still held the time starts again.
    if (button == kDigMove) {
      const int ticks = dview_read_timer();
      if (ticks > cfr.word(kWordPickRepeat) || ticks < 0) {
        DviewPaused = 0;
        DviewState = kDviewResult;
        DviewNeedViewData = 1;
      }
    } else if (button == kDigPickDrag) {
      dview_reset_timer();
    }
    return 1;
  }

  const bool moved = CursorHasMoved(p);
  // What the movement replaces (before the first, the viewport's own view),
  // put back when the view it gives cannot be drawn: view variables so
  // large that the view overflows.
  Matrix last_view, last_projection;
  char last_command[kDviewCommandMax];
  if (moved) {
    mcopy(DviewViewChanged ? DviewMatrix : ViewingMatrix, last_view);
    mcopy(ProjectionMatrix, last_projection);
    std::memcpy(last_command, DviewCommand, sizeof last_command);
    const int x = p.i16(4), y = p.i16(6);
    MySetcursor(1);
    MoveCursor(x, y);
    DviewPointer[0] = std::max(x, 0);
    DviewPointer[1] = std::max(y, 0);
    float ux, uy;
    PointerToUnit(DviewPointer[0], DviewPointer[1], vp, &ux, &uy);
    step.moved(vp, ux, uy);
    show_readout();
  }
  const std::uint32_t mode = BeginDviewDraw(vp);
  if (moved) {
    step.view(vp);
    if (!finite_matrix(DviewMatrix) || !finite_matrix(ProjectionMatrix)) {
      mcopy(last_view, DviewMatrix);
      mcopy(last_projection, ProjectionMatrix);
      std::memcpy(DviewCommand, last_command, sizeof last_command);
      mmode(KGL_MPROJECTION);
      loadmatrix(ProjectionMatrix);
      mmode(KGL_MVIEWING);
      loadmatrix(DviewMatrix);
    }
    ComputeAdjoint(DviewMatrix);
    DviewViewChanged = 1;
    PrepareFaceRedraw(mode);
    DviewTimedRedraw(mode);
    if (step.decorate != nullptr) step.decorate(vp);
    MySwapbuffers();
    SelectBothBuffers();
  } else if (redraw_list.state != kReplayFinished && DviewViewChanged) {
    loadmatrix(DviewMatrix);
    DviewTimedRedraw(mode);
  }
  MyZbuffer(0);
  shademodel(0);
  depthcue(0);
  return 1;
}

// ---- the steps that end a run -----------------------------------------------------------

int dview_point(Packet &p) {
  p.put_i16(2, kDigUsed);
  ViewportRecord &vp = DviewViewport();
  const int data = obtain_view_data(vp);
  if (data < 0) return 1;
  if (data == 0) return 0;
  // The next run reads the view variables afresh.
  DviewNeedViewData = 1;

  const Vector target = vec(TargetPoint), camera = vec(CameraPoint);
  Vector d;
  vsub(camera, target, d);
  const float distance = vlength(d);
  // A camera on the target gives no direction to look in.
  if (!finite3(target) || !finite3(camera) || !(distance >= kTiny)) return dview_pan(p);

  // Points so far apart that the view overflows give no view either.
  Matrix t, r, view;
  mtranslate(-camera.x, -camera.y, -camera.z, t);
  mucs2wcs(r, d);
  vmultmatrix(t, r, view);
  if (!finite_matrix(view)) return dview_pan(p);

  // The points are this view's camera and target: the projection is fitted
  // to them, and a later repaint in this view finds them in the record.
  store(camera, vp.camera);
  store(target, vp.target);
  vp.camera_distance = distance;

  CurrentMatrixNumber = -1;
  LoadDviewProjection(vp);
  mcopy(view, DviewMatrix);
  loadmatrix(DviewMatrix);
  ComputeAdjoint(DviewMatrix);
  DviewViewChanged = 1;
  end_with_view(vp);
  return 1;
}

int dview_pan(Packet &p) {
  p.put_i16(2, kDigUsed);
  DviewState = 0;
  dview = 0;
  return 1;
}

int dview_shade(Packet &p) {
  p.put_i16(2, kDigUsed);
  ViewportRecord &vp = DviewViewport();
  CurrentMatrixNumber = -1;
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  if (DviewViewChanged) {
    LoadDviewProjection(vp);
    loadmatrix(DviewMatrix);
  }
  // A repaint after the run sent its result leaves the result to be typed.
  const int state = DviewState;
  const bool result_pending = !dview && state >= kDviewResult && state <= kDviewResultRedrawn;
  end_with_view(vp);
  if (result_pending) DviewState = state;
  // It also ends a run from outside (an expose, a command): the next run
  // reads the view variables afresh and does not start paused.
  DviewNeedViewData = 1;
  DviewPaused = 0;
  if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
  release_screen();
  return 1;
}

int dview_redraw(Packet &p) {
  p.put_i16(2, kDigUsed);
  SelectBothBuffers();
  MyZbuffer(0);
  shademodel(0);
  depthcue(0);
  CurrentMatrixNumber = -1;
  ++PstringNeeded;
  RedrawSelect = 1;
  DviewState = 0;
  dview = 0;
  release_screen();
  if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
  return 1;
}

void reset_dview() {
  Free_FACE_List();
  midentity(DviewMatrix);
  DviewState = dview = DviewViewChanged = DviewPaused = 0;
  DviewOwnProjection = 1;
  NormalCorrection = 1;
  DviewNeedViewData = 1;
  // A run cut off while it waited: the next one asks again, unless the
  // exchange it asked for still runs (then it waits for that one). An
  // exchange no longer counted among the string requests (a new session
  // dropped them) never finishes: it is withdrawn.
  DviewPollCount = 0;
  if (acadvar_req != 0 && PstringNeeded == 0) acadvar_req = 0;
  if (acadvar_req == 0) DviewRequestSent = 0;
  // The tumble demonstration has nothing left to turn (and a new session
  // must not find it taking its digitizer requests): it stops, and drawing
  // goes to the screen again after a frame it left half drawn.
  if (tumble) {
    tumble = 0;
    TumbleFrameDue = 1;
    SelectBothBuffers();
  }
}
