// Interactive DVIEW: the user turns the view of the stored faces inside the
// driver, with live shaded redraws, and the result goes to the client as a
// command. The driver command RTDVIEW picks a step and sets dview; from then
// on every digitizer request goes to the step DviewState names.
#pragma once

#include <cstdint>

#include "base/tool_state.h"  // dview
#include "kovagl/gl.h"

class Packet;
struct ViewportRecord;
struct Vector;

// The step codes. Any code not here ends the run at the next request.
enum : int {
  kDviewVpoint = 1,
  kDviewCamera = 3,
  kDviewTarget = 4,
  kDviewDistance = 5,
  kDviewPoints = 6,
  kDviewPan = 7,
  kDviewZoom = 8,
  kDviewTwist = 9,
  kDviewResult = 14,         // write the result; the string request types its load
  kDviewResultTyped = 15,    // its load string was typed
  kDviewResultRedrawn = 16,  // the redraw after it ran: the next sync ends it
  kDviewShade = 17,
  kDviewRedraw = 18,
};

extern int DviewState;  // the step the samples go to (0 none)
// The exchange of view variables with the client: its step (0 none, 1 to 5).
// A step starts it at 1 and counts up PstringNeeded; the string request
// carries it out and sets it back to 0 once the values are in the record.
extern int acadvar_req;
// The render mode while a step moves the view (kRenderFilled: RenderMode).
extern std::uint32_t DegenMode;
// The points of the RTDVIEW PO option: x, y, z.
extern float TargetPoint[3], CameraPoint[3];

// The run state.
extern Matrix DviewMatrix;        // the view the steps build
extern int DviewNeedViewData;     // the view variables are still to be had
extern int DviewRequestSent;      // they were asked for
extern int DviewPollCount;        // requests while waiting for them
extern int DviewPaused;           // the pause button was pressed
extern int DviewViewChanged;      // a step moved the view
extern int DviewOwnProjection;    // 1: the viewport's projection is loaded, not DVIEW's
extern float DviewNear, DviewFar, DviewFovy;
extern float DviewStartAzimuth, DviewStartElevation;  // tenths of a degree
extern int DviewPointer[2], DviewLastPointer[2];      // window pixels
extern int switch_state;          // a paused step was resumed
// The command a pointer movement prepared, and its readout as a coordinate
// read-out packet: halfword 1 the text's length, the text from byte 4.
inline constexpr int kDviewCommandMax = 256;
extern char DviewCommand[kDviewCommandMax];
extern std::uint8_t DviewReadout[4 + kDviewCommandMax];

// Puts a step's read-out text into DviewReadout, cut to the characters the
// read-out shows.
void DviewSetReadout(const char *text);

// The clock of the paused step and of the redraw slices (ticks of 1/60 s):
// ResetTimer and ReadTimer unless a test puts its own clock here.
extern void (*dview_reset_timer)();
extern int (*dview_read_timer)();

// What a step does with a pointer movement: moved takes the pointer in unit
// coordinates and prepares the step's parameters, its readout and its
// command; view builds the view in DviewMatrix and leaves it loaded;
// decorate draws over the faces.
struct DviewStep {
  void (*moved)(ViewportRecord &vp, float ux, float uy);
  void (*view)(ViewportRecord &vp);
  void (*decorate)(ViewportRecord &vp);
  bool needs_perspective;  // refused when the viewport has no perspective
};
// The frame every interactive step runs in: the view data, cancel, pause,
// accept, the readout, the time-sliced redraw and the swap. 1 when answered.
int DviewFrame(Packet &p, const DviewStep &step);

// The record of the rendered viewport.
ViewportRecord &DviewViewport();
// Draws face pages until configuration word 127 ticks have passed or the
// list is finished; at least one page a call.
void DviewTimedRedraw(std::uint32_t mode);
// The extents centre, the camera, its distance and the start angles from the
// view variables of the record.
void ReadViewData(ViewportRecord &vp);
// The DVIEW projection loaded and kept in ProjectionMatrix.
void LoadDviewProjection(ViewportRecord &vp);
// The viewport's own projection back in ProjectionMatrix.
void RestoreViewportProjection(ViewportRecord &vp);
// A window pixel as -1..1 across the viewport (clamped to it).
void PointerToUnit(int x, int y, const ViewportRecord &vp, float *ux, float *uy);
// The unit direction of an azimuth and an elevation in tenths of a degree.
void DirectionFromAngles(float azimuth, float elevation, Vector &out);
// The aspect and field of view of the viewport's perspective, from its size
// and lens where the record holds none.
float DviewAspect(const ViewportRecord &vp);
float DviewFieldOfView(const ViewportRecord &vp);
// The field of view of a lens, limited so that fovy times aspect stays
// within 178 degrees.
float DviewLimitedFovy(float lens, float aspect);
// Selects the viewport for a step's drawing; returns the render mode.
std::uint32_t BeginDviewDraw(ViewportRecord &vp);
// Back faces culled or not, as BackfaceReject and the mode ask.
void DviewCulling(std::uint32_t mode);
// The back buffer cleared and the face redraw started again.
void PrepareFaceRedraw(std::uint32_t mode);
// The whole face list drawn in the loaded view, into both buffers.
void FinishDviewDraw(std::uint32_t mode);

// The steps, each given the digitizer packet: 1 when it used the sample.
int dview_vpoint(Packet &p);
int dview_camera(Packet &p);
int dview_target(Packet &p);
int dview_distance(Packet &p);
int dview_point(Packet &p);
int dview_pan(Packet &p);
int dview_zoom(Packet &p);
int dview_twist(Packet &p);
int dview_pstring(Packet &p);
int dview_shade(Packet &p);
int dview_redraw(Packet &p);

// Ends a run from anywhere and discards the face list.
void reset_dview();
