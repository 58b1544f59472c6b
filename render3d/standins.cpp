// The 3D packets and the tools of this subsystem as the rest of the driver
// reaches them, until they land: the packets answer as the protocol requires
// (echo or silence) and do nothing else; no tool runs or takes a sample.
#include "base/packet.h"
#include "kovagl/gl.h"
#include "render3d/dview.h"
#include "render3d/lights.h"
#include "render3d/projection.h"
#include "render3d/rendering.h"
#include "render3d/tumble.h"

// Rendering set-up, colour map, polygons and scan lines.
void init_zbuffer() {}
void MyZbuffer(int on) { zbuffer(on != 0); }
void MyClearZbuffer() {
  if (getzbuffer()) zclear();
}
int ppal(Packet &) { return 1; }
int rdinit(Packet &) { return 1; }
int rdstart(Packet &) { return 0; }
int rdend(Packet &) { return 0; }
int rdterm(Packet &) { return 0; }
int rdclear(Packet &) { return 0; }
int rdcmapb(Packet &) { return 0; }
int rdcmap(Packet &) { return 0; }
int rdcmape(Packet &) { return 0; }
int rdpoly(Packet &) { return 0; }
int rdfname(Packet &) { return 1; }
int rdcrange(Packet &) { return 0; }
int rdcpoly(Packet &) { return 0; }
int rdwsline(Packet &) { return 0; }
int rdrsline(Packet &) { return 1; }
int rdrcmap(Packet &) { return 1; }
int rd_info(Packet &) { return 1; }
int rpcfgrec(Packet &) { return 0; }
int rpnewcfg(Packet &) { return 1; }
int rpchgcfg(Packet &) { return 1; }
int rpshowcfg(Packet &) { return 0; }

// Lights, materials and projections.
int MatlIndex;
float cur_color[3] = {1, 1, 1};
int ProjSet, ViewSet;
void ResetLights() {}
void ResetMaterials() {}
void RebindLights() {}
void ComputeAdjoint(const Matrix) {}
int plight(Packet &) { return 0; }
int pdlight(Packet &) { return 0; }
int psetcolor(Packet &) { return 0; }
int psetmatl(Packet &) { return 0; }
int pmodel(Packet &) { return 0; }
int pview(Packet &) { return 0; }
int portho(Packet &) { return 0; }
int ppersp(Packet &) { return 0; }

// DVIEW and TUMBLE.
int dview, DviewState;
int tumble;
void reset_dview() {}
void TumbleDemo(int) {}
int dview_vpoint(Packet &) { return 0; }
int dview_camera(Packet &) { return 0; }
int dview_target(Packet &) { return 0; }
int dview_distance(Packet &) { return 0; }
int dview_point(Packet &) { return 0; }
int dview_pan(Packet &) { return 0; }
int dview_zoom(Packet &) { return 0; }
int dview_twist(Packet &) { return 0; }
int dview_pstring(Packet &) { return 0; }
int dview_shade(Packet &) { return 0; }
int dview_redraw(Packet &) { return 0; }
