// 2D vector and polygon packets, the line and fill routines they share with
// the replays, and the lines drawn around the drawing area.
//
// Each packet translates its viewport number, decides whether the primitive
// belongs in the display list, the refresh list or the drawing-record list of
// a pushed screen box, and draws it at once. Colour numbers of packets are
// mapped once, by MapPacketColor (display/colour_tables.h): the result is
// -1 (exclusive-or) or 0..255, and only DrawingColorIndex turns it into an
// index of the colour tables.
#pragma once

class Packet;

#include <cstddef>
#include <cstdint>

extern int dlvpnum;           // viewport index of the vector being stored
extern int current_style;     // line style last set (0, 1 or 2)
extern int RefreshHilight;    // highlighted primitives are in the refresh list
extern int xor_line_started;  // the next exclusive-or line repeats its end point

// Sets the line style when it differs from current_style.
void set_line_style(int style);
// c3f of the colour table entry of a mapped colour (0 draws in the graphics
// background, -1 in the exclusive-or colour).
void SetDrawingColour(int colour);

// An immediate line, not stored; colour as mapped, highlight the vector
// flags and 9. A vertical line at x = 0 or x = 1 moves one unit right.
void ndl_line(int x1, int y1, int x2, int y2, int colour, int highlight);
// The display-list vector of viewport dlvpnum from dl1 to dl2 in dlcolor:
// stored (display list on) and drawn.
void dl_line();
// Fill Polygon (Polygon32) in its colour; highlighted: again in the
// background colour with pattern 1.
void polyfill(int highlight);
void polyfill32(int highlight);

// Replays of the drawing records of type 5 (vector: viewport index, colour,
// highlight in flags) and 32 (screen line, y from the window's top).
struct AUIRecord;
void AUI_pvec(const AUIRecord *record);
void AUI_pline(const AUIRecord *record);

// The lines between the graphics area, prompt area and screen menu.
void DrawBorders();
// Converts 32-bit viewport points of viewport index in place to pixels of the
// graphics area.
void ViewportToScreen(int *x1, int *y1, int *x2, int *y2, int index);
// The outcodes the two points share against the view window of viewport
// index (1 left, 2 right, 4 below, 8 above): nonzero when the segment lies
// wholly on one side of it. 0 when the viewport has no view extents.
int ViewOutcode(int x1, int y1, int x2, int y2, int index);
// 1 when the two points are within a pixel of each other (16-bit
// coordinates) or 10 units (32-bit).
int IsSmallSpan(int x1, int x2, int y1, int y2);
// Marks shown plain every record of viewport 0's refresh list that lies
// wholly inside viewport index.
void MarkRefreshInside(int index);
// Selects viewport index's drawing area unless it is loaded; index 0 is the
// whole graphics area.
void SelectViewportArea(int index);

int pclear(Packet &p);
int pdot(Packet &p);
int pvec(Packet &p);
// pvec of count vector packets of 16 bytes, the first at first and each
// stride bytes after the one before: a run of them in a message.
void pvecs(const std::uint8_t *first, std::size_t stride, int count);
int pfill(Packet &p);
int pline(Packet &p);
int prow(Packet &p);
int pvpage(Packet &p);
int pbigvec(Packet &p);
int pbatchvec(Packet &p);
int pbfill(Packet &p);
