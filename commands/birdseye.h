// The Birdseye aerial view.
#pragma once

class Packet;

// 0 closed; 10 over the frame; 11 panning; 12 zooming; 30 moving the window;
// 31 sizing it; 32 to 34 a zoom request on its way to the client.
extern int BirdseyeState;
// The states' handlers, each given the digitizer packet: 1 when it used the sample.
int beye_command(Packet &p);
int z_pan(Packet &p);
int z_scale(Packet &p);
int beye_pan(Packet &p);
int beye_scale(Packet &p);

// Forgets the cached picture of the viewport shown in the Birdseye window.
void FreeCachedBirdseye();
// Ends the Birdseye view and takes its window off the screen.
void cancel_birdseye();
extern int bview;               // the Birdseye window is open
extern int BirdseyeMode;        // 0 real-time pan and zoom, 1 static
extern int TextScreenBirdseye;  // open it when the graphics screen returns
void InitBirdseye(int x1, int y1, int x2, int y2);
void DrawBirdseyeView(int magnification);
