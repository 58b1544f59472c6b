// The tumble demonstration: the rendered model turning by itself.
#pragma once

// 0 off; 1 the demonstration runs; 2 and above it runs and a pick ends it.
extern int tumble;
// 1 starts the demonstration, 2 draws its next frame, 3 ends it.
void TumbleDemo(int mode);
