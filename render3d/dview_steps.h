// The six DVIEW steps that follow the pointer: VPOINT (the trackball),
// camera, target, distance, zoom and twist. Each runs in the frame of
// DviewFrame; what a pointer movement gives each is its DviewStep.
#pragma once

#include "render3d/dview.h"

extern const DviewStep kVpointStep, kCameraStep, kTargetStep, kDistanceStep, kZoomStep, kTwistStep;

// The VPOINT rotation of the last movement and the sum of all of them; the
// sum runs on across runs for the life of the process.
extern float DviewStepQuat[4];
extern float DviewTotalQuat[4];
