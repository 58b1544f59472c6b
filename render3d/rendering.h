// Rendering set-up and the z-buffer: the rendering client's set-up and ending
// packets, its colour map, the shade range and background, the configuration
// packets it sends, and the finished image kept so that the next rendering
// starts from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/packet.h"
#include "kovagl/gl.h"

// Client kinds in the init packet's flags besides a full drawing session: a
// shading client and a modelling client whose colour values run 0 to 63.
enum : int {
  kInitShadeClient = 0x2000,
  kInitModelClient = 0x800,
};

extern int in_rendering;            // between rdstart and rdend: drawing uses the whole window
extern int new_image;               // drawn since the image was last stored
extern int is_single_screen;        // the client asked for one screen
extern int is_redraw_needed;        // the image is stored at rdend and put back at rdstart
// Where the finished image is kept: 0 nowhere, 2 in memory at RenderLocation.
extern int StorageOfRenderedImage;
extern Uint32 *RenderLocation;      // the stored image, rows bottom first
extern int RenderedWidth, RenderedHeight;  // its size when it was stored
extern int RenderColors;            // colour-map entries the client may load
// The shade range of rdcrange: shades are stretched from minshade over
// shadespan to 0..1 when rstretch is set.
extern int rstretch;
extern float minshade, maxshade, shadespan;
extern float bkg_color[3];          // background of 24- and 32-bit rendering
// The colours the client loaded, 0..255 per channel (and a spare), read back
// by rdrcmap and taken by the lighting packets for a colour given by index.
extern float RenderMap[256][4];
// The rdinit reply as kept: flags, width, height, 1, 1, (unused), 255, 256.
extern std::uint16_t Rd_init[8];
// Set until the first rdinit of the process has run its set-up.
extern int first_rdinit;
extern int cmap_loads;      // rdcmap packets taken since rdcmapb
extern int zbuffer_state;   // what MyZbuffer was last asked for (0 when refused)

// Gives the stored image back: nothing is stored after.
void FreeRenderedImage();

// Bits of a rendered pixel: 24, 32, or 8 for any other configured depth.
int RenderDepth();
// Writes (direction 0) or reads (1) the block x1..x2 by y1..y2 of 32-bit
// library pixels, rows bottom first. The rendering client's pixels and its
// stored image are full colour in both programs, whatever pixels the
// interface's blits move.
void RenderBlit(int x1, int y1, int x2, int y2, int direction, Uint32 *buffer);
// The drawing area of the rendering packets: the whole window in rendering
// units during a rendering, else the screen matrix.
void SelectRenderingArea();

void init_zbuffer();
// Depth testing on (when a z-buffer is installed) or off, and clearing the
// z-buffer while it is on.
void MyZbuffer(int on);
void MyClearZbuffer();
// The graphics state a rendering needs (set up once) and its matrix: one unit
// a window pixel, y up.
void InitializeRenderingMode();
// The image is never kept in the z-buffer planes: nothing to do.
int SaveToZbuffer();
void ReadFromZbuffer();

int ppal(Packet &p);
int rdstart(Packet &p);
int rdend(Packet &p);
int rdterm(Packet &p);
int rdclear(Packet &p);
int rdcmapb(Packet &p);
int rdcmap(Packet &p);
int rdcmape(Packet &p);
int rdfname(Packet &p);
int rdcrange(Packet &p);
int rdrcmap(Packet &p);
int rd_info(Packet &p);
// The rendering client's configuration packets (rpcfgrec, rpnewcfg,
// rpchgcfg, rpshowcfg) are the configuration's (config/config_file.h).

// The polygon and scan-line packets of the rendering client.
#include "render3d/scanlines.h"
