// The tumble demonstration: three small turns about the model's centre a
// frame, their sizes swinging with the sines of phases running at 1 : 3 : 5,
// so that the pattern repeats only after 3600 frames.
#include "render3d/tumble.h"

#include <cmath>
#include <cstdlib>

#include "display/digitizer.h"
#include "display/redraw.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "render3d/dview.h"
#include "render3d/primitives.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"

int tumble_speed = 1;
Matrix TumbleMatrix;
int TumblePhase[3];
int TumbleFrameDue = 1;

namespace {

constexpr int kPhaseSteps[3] = {1, 3, 5};

double swing(int phase) { return std::sin(phase * 3.141592653589793 / 1800) * tumble_speed; }

void next_frame() {
  for (int i = 0; i < 3; ++i) {
    TumblePhase[i] += kPhaseSteps[i];
    if (TumblePhase[i] >= 3600) TumblePhase[i] -= 3600;
  }
  translate(ModelCtr[0], ModelCtr[1], ModelCtr[2]);
  rot(static_cast<float>(swing(TumblePhase[0])), 'y');
  rot(static_cast<float>(swing(TumblePhase[1])), 'x');
  rot(static_cast<float>(swing(TumblePhase[2])), 'z');
  translate(-ModelCtr[0], -ModelCtr[1], -ModelCtr[2]);
  getmatrix(TumbleMatrix);
  ComputeAdjoint(TumbleMatrix);
  PrepareFaceRedraw(RenderMode);
  if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
  TumbleFrameDue = 0;
}

}  // namespace

void TumbleDemo(int mode) {
  // TUMBLE turns the model in the viewport's own projection.
  ViewportRecord &vp = DviewViewport();
  SetClippingRectangle(vp.x1, vp.x2, vp.y1, vp.y2, kMatrixProjection);
  RestoreViewportProjection(vp);
  switch (mode) {
    case 1:
      getmatrix(TumbleMatrix);
      for (int &phase : TumblePhase) phase = std::rand() % 3600;
      tumble = 1;
      TumbleFrameDue = 1;
      if (PdigitizeNeeded == 0) PdigitizeNeeded = 1;
      break;
    case 2:
      pushmatrix();
      loadmatrix(TumbleMatrix);
      if (TumbleFrameDue == 1) next_frame();
      DviewTimedRedraw(RenderMode);
      popmatrix();
      if (redraw_list.state == kReplayFinished) {
        TumbleFrameDue = 1;
        depthcue(0);
        MyZbuffer(0);
        SelectBothBuffers();
        MySwapbuffers();
        ++tumble;
      } else {
        TumbleFrameDue = 0;
      }
      break;
    case 3:
      FinishDviewDraw(RenderMode);
      tumble = 0;
      TumbleFrameDue = 1;
      break;
    default:
      break;
  }
}
