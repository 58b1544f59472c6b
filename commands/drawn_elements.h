// The look shared by the tool windows the driver draws itself (the command
// palette and the Birdseye window): bevelled button edges, a drop shadow and
// the small glyphs of a title bar. They draw in whatever planes and matrix
// the caller selected, in the interface colours; y grows upwards.
#pragma once

// A bevel three pixels wide around the rectangle, from two pixels outside it
// to one inside: lit from the top left when raised is 1, from the bottom
// right otherwise. Drawing the other kind over it leaves no trace of the first.
void draw_button_outline(int x1, int y1, int x2, int y2, int raised);
// The half-tone shadow below and right of the rectangle; on = 0 clears the
// same two boxes to colour 0.
void DropShadow(int x1, int y1, int x2, int y2, int on);
// The glyphs of a title-bar box whose lower left corner is (x, y).
void draw_close_box(int x, int y, int colour);
void draw_size_box(int x, int y, int colour);
void draw_icon_box(int x, int y, int colour);

// Stipple patterns of the drawing set-up used by the tool windows.
enum : int {
  kPatternSolid = 0,
  kPatternHalftone = 2,         // one half of a checkerboard
  kPatternHalftoneOther = 3,    // the other half
  kPatternSparse = 4,
  kPatternDense = 5,
};
