// The rendering client's polygons and scan lines: flat polygons in colour
// indices and shaded ones in RGB, gathered from packets of 10 vertices, and
// rows of pixels written (kept in the current viewport's pixel block for the
// repaint) and read back.
#pragma once

#include <cstdint>

#include "kovagl/gl.h"

class Packet;

// The polygon accumulator keeps at most this many vertices; a packet carries
// at most kPacketVertices.
inline constexpr int kPolygonVertices = 16;
inline constexpr int kPacketVertices = 10;
// Pixels of one scan-line packet at most, and bytes of a scan line read back.
inline constexpr int kScanLinePixels = 2048;
inline constexpr int kScanLineReadBytes = 1536;

// The polygon being gathered.
struct PolygonAccumulator {
  int count;                        // vertices of the whole polygon
  int gathered;                     // taken from earlier packets, 0 when none is open
  Int32 xy[kPolygonVertices][2];
  int edge[kPolygonVertices];       // edge i runs from vertex i to vertex i + 1
  float fill[3], edge_colour[3];    // rdcpoly: the colour of fill and edges
  float shade[kPolygonVertices];    // rdcpoly: 0 to 1
  float colour[kPolygonVertices][4];  // rdcpoly: shade times colour
};
extern PolygonAccumulator rd_polygon;

// The shade of a vertex: stretched over the shade range when rstretch is
// set, then held to 0..1 (a value that is not a number gives 0).
float StretchShade(double value);

// The colour a rendering packet draws colour index in: at 8 bits a pixel
// that keeps the index, else its DisplayMap colour (MyColor).
void RenderIndexColour(int index);
// Gives what was drawn at 8 bits in each index whose colour has changed
// since the new colour, on the screen, in the viewports' pixel blocks and in
// the stored image. The drawing and reading packets call it first; the loop
// calls it before it presents the screen.
void RecolourIndexPixels();

int rdpoly(Packet &p);
int rdcpoly(Packet &p);
int rdwsline(Packet &p);
int rdrsline(Packet &p);
