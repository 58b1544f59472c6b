// The status bar's rules that need no X: reading a mode line, the width of the
// coordinate button and the colours the swatch shows.
#pragma once

#include <string>

// Layer name kept: 31 bytes at most.
inline constexpr int kLayerNameMax = 31;

// A mode line read as layer and modes.
struct ModeLine {
  std::string layer;  // Shift-JIS, at most kLayerNameMax bytes, never a cut pair
  bool ortho = false, snap = false, tablet = false, paper = false;
};

// "Layer NAME [Ortho] [Snap] [Tablet] [P]" or "L:NAME [OSTP letters]"; false
// when the text is neither (it is then shown whole as the mode macro).
// lead_byte tells Shift-JIS lead bytes (null: none).
bool parse_mode_line(const char *text, ModeLine &out, int (*lead_byte)(int) = nullptr);

// Characters of the coordinate button after a text of length bytes: 19 to
// 28, and never fewer than it has (chars, -1 when it has none yet).
int coord_button_chars(int chars, int length);

// Colours the swatch can show.
inline bool swatch_colour(int colour) { return colour >= 1 && colour <= 255; }
