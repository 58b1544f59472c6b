// The Birdseye aerial view: a small window drawn inside the graphics window
// showing the whole coordinate range of the current viewport, with a box
// marking the current view. Moving the box pans, sizing it zooms; accepting
// asks the client for the new view with a ZOOM window typed by pstring.
#pragma once

#include "base/tool_state.h"  // bview

class Packet;

// 0 closed; 10 over the frame; 11 panning; 12 zooming; 30 moving the window;
// 31 sizing it; 32 a zoom request waiting for pstring; 33 sent; 34 dropped
// by the string request or redrawn.
extern int BirdseyeState;
// The states' handlers, each given the digitizer packet; they answer through
// it (code 4) and return 1.
int beye_command(Packet &p);
int z_pan(Packet &p);
int z_scale(Packet &p);
int beye_pan(Packet &p);
int beye_scale(Packet &p);

// Forgets the cached picture of the viewport shown in the Birdseye window.
void FreeCachedBirdseye();
// Ends the Birdseye view and takes its window off the screen.
void cancel_birdseye();
// 0 the window in the normal planes over a saved copy of the screen, 1 in the
// overlay planes with a live view of the viewport, 2 no window, only the
// zoom request.
extern int BirdseyeMode;
extern int TextScreenBirdseye;  // open it when the graphics screen returns
// The view box in viewport coordinates: the ZOOM window an accept sends.
extern int brx1, bry1, brx2, bry2;

// Places the window's inner rectangle (configuration words 111 to 114, in
// window pixels): a missing one at the top right, one beyond the drawing area
// shrunk to fit and moved inside. Closes the window's state.
void InitBirdseye(int &x1, int &y1, int &x2, int &y2);
// Opens or redraws the window: magnification 0 marks the current view, n
// a view of 1/n of the range around its centre.
void DrawBirdseyeView(int magnification);
// The zoom window of magnification n into x1..y2: -1 the current view, 1 the
// whole range, others 1/n of the range around the view's centre.
void ZoomWindow(int n, int &x1, int &y1, int &x2, int &y2);
// Asks for the zoom window of magnification n (a zoom to the extents for 1,
// a pan otherwise) through the next string request.
void zoom_absolute(int n);

// Forgets the window's state, its saved screen and cached picture (tests).
void ResetBirdseye();
