// The tumble demonstration: the stored faces turning by themselves, one
// frame per digitizer request, until a key or a button stops them.
#pragma once

#include "base/tool_state.h"  // tumble
#include "kovagl/gl.h"

// The largest turn a frame makes about each axis, degrees (1 to 90).
extern int tumble_speed;
// The model's turn so far, kept between frames.
extern Matrix TumbleMatrix;
// Phases of the three turns, tenths of a degree (0 to 3599).
extern int TumblePhase[3];
// The next request starts a new frame (else it goes on drawing the last).
extern int TumbleFrameDue;

// 1 starts the demonstration, 2 draws the next slice of its frame, 3 ends it.
void TumbleDemo(int mode);
