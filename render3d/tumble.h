// The tumble demonstration: the stored faces turning by themselves, one
// frame per digitizer request, until a key or a button stops them.
#pragma once

#include "kovagl/gl.h"

// 0 off; 1 the demonstration runs; each frame shown counts it up, so 2 and
// above means a frame was shown (and a pick then ends it).
extern int tumble;
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
