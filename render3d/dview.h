// Interactive DVIEW.
#pragma once

class Packet;

extern int dview;       // DVIEW runs: digitizer samples go to its steps
extern int DviewState;  // the step the samples go to (0 none)

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

void reset_dview();
