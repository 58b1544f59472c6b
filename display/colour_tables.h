// Colour tables and palettes.
//
// A colour number 0 to 255 becomes a colour three ways: a float RGB triple for
// the normal planes (DisplayMap, drawn with c3f), an X pixel with its RGB for
// the Motif widgets (graph_clrtbl, acad_clrtbl), and the interface colours 1 to
// 3 of the overlay or pop-up planes. The colours come from a 256-entry palette
// in hue, saturation and value: compiled in, and replaceable line by line from
// the support file "gl_acad.pal".
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>

#include "base/config_record.h"

inline constexpr int kColourCount = 256;
// graph_clrtbl and acad_clrtbl: 18 fixed greys, then colour n at 18 + n.
inline constexpr int kClrtblFixed = 18;
inline constexpr int kClrtblSize = kClrtblFixed + kColourCount;
// A palette hue of 361 (or anything from 360 up) marks a grey.
inline constexpr float kPaletteGreyHue = 361.0f;

// The colour of each colour index of the normal planes: r, g, b (0 to 1) and
// a fourth word that is not read. All zero until the first ChangePalette.
extern float DisplayMap[kColourCount][4];

// Hue in degrees (0 to 361), saturation and value (0 to 1).
struct PaletteEntry {
  float hue, saturation, value;
};
extern PaletteEntry PaletteTable[kColourCount];
// Factor on every saturation when converting (reduced for video output).
extern float PaletteSaturation;

// X colour of each colour number for the Motif side: pixel and red, green,
// blue holding 0..255 (not 0..65535); colour n is entry 18 + n. acad_clrtbl
// is the copy taken when the table was built.
extern XColor graph_clrtbl[kClrtblSize];
extern XColor acad_clrtbl[kClrtblSize];

// The screen's white and black pixels.
extern unsigned long white, ForeGround, black, BackGround;

// Interface colours: indices of the 2-bit overlay or pop-up planes (0 is
// transparent there).
extern int UI_background, UI_dark, UI_light, UI_contrast;
// The overlay colour map must be loaded again (set by Clear_UI and the
// graphics window's initialisation, cleared by map_ui_colors).
extern int ChangeUIcolors;

// Palette selection flags: Color16, the 16-colour palette of 8-bit displays
// (set by the configuration options menu); ntsc_pal, saturation reduced for
// video by the factor in ADI_SATURATION.
extern int Color16;
extern int ntsc_pal;
extern const char SATURATION[];  // "ADI_SATURATION"

// Start-up, once the visual is chosen: the screen's white and black, the
// palette, and the X colour tables.
void build_clrtbl(Display *dpy, int scr);
// The pixel of a float colour (0..1 each) in a standard colormap, without its
// base pixel.
unsigned long ComputeStandardPixel(const XStandardColormap *map, float r, float g, float b);
// Reads "gl_acad.pal" into PaletteTable and loads the colours into DisplayMap.
// flag 0 comes from the options menu (the 16-colour palette fills all 256
// colours), nonzero from everywhere else.
void ChangePalette(int flag);

// Sets a colour of DisplayMap (r, g, b 0..255, clamped). Nothing else changes:
// the normal planes are always drawn with c3f from DisplayMap.
void MyMapcolor(int index, std::int16_t r, std::int16_t g, std::int16_t b);
// In draw mode 16 the DisplayMap colour times 255; in the overlay and pop-up
// planes the library's colour map. An index outside 0..255 in draw mode 16
// answers black.
void MyGetmcolor(int index, std::int16_t *r, std::int16_t *g, std::int16_t *b);

// Loads the interface colours 1 to 3 (light grey, black, white) into the
// overlay or pop-up planes when ChangeUIcolors is set; leaves draw mode 16.
void map_ui_colors();

// Entries of graph_clrtbl by colour number; numbers outside 0..255 are
// ignored (the getter answers 0 and zeros).
void set_graph_clrtbl(int n, unsigned long pixel, int r, int g, int b);
int get_graph_clrtbl(int n, unsigned long *pixel, int *r, int *g, int *b);
void set_graph_pixel(int n, unsigned long pixel);
// graph_clrtbl from DisplayMap with pixel n for colour n.
void LoadColormap();
// 1 when the colours differ by at least threshold (sum over the channels).
int clrdiff(const XColor *a, const XColor *b, int threshold);
Status alloc_color(XColor *colour);
void set_graph_win_cmap();

// Line styles 1 and 2 and the 16 x 16 fill patterns 1 to 5.
void InitPatterns();

// ---- the steps of the above, for callers that need one alone --------------

// A float channel (0..1) as a byte, rounded half up and clamped; NaN gives 0.
int palette_byte(float x);
// RGB bytes of palette entry i through the hue sectors.
void palette_rgb(int i, int *r, int *g, int *b);
// One line of a palette file: "index,hue,saturation,value" as scanf reads
// it. Lines that do not begin with a digit are comments (0). An index outside
// 0..255 is refused with the range message (0). Otherwise the fields up to the
// first that does not read are stored as read and the others stay; the
// result is the number stored.
int ParsePaletteLine(const char *line);
// Every line of an open palette file; lines longer than the 256-byte line
// buffer are taken by their head, the rest of the line is skipped.
void ReadPaletteFile(FILE *file);
// The saturation factor for a value of ADI_SATURATION: a whole number 50 to
// 100 gives that many hundredths; unset, unreadable or out of range 0.95.
float SaturationFromEnvironment(const char *value);
// The standard colormap of a TrueColor or DirectColor visual's channel masks,
// for when the server has no standard map; false for other visuals.
bool StandardMapFromVisual(const Visual *visual, XStandardColormap *map);
// graph_clrtbl and acad_clrtbl from DisplayMap with the pixels of map.
void fill_graph_clrtbl(const XStandardColormap *map);

// ---- colour numbers of packets ---------------------------------------------

// Colour configuration word n (78..96) as a colour index: 7 when the word holds
// no colour number.
int ConfigColor(int word);
// The colour a packet's colour number stands for: 0..255 as given; -1, the
// exclusive-or colour, kept as -1 for the caller's exclusive-or path; -2..-18
// the interface colours of configuration words 80..96; any other number 7.
// Inline, as the next one: every vector takes them.
inline int MapPacketColor(int colour) {
  if (colour >= -1 && colour < kColourCount) return colour;
  if (colour <= -2 && colour >= -18) return ConfigColor(kWordColourFirst - colour);  // -2 .. -18: words 80 .. 96
  return 7;
}
// The colour index to draw a mapped colour with, always 0..255: colour 0 in the
// graphics background (word 80), -1 in the exclusive-or colour (word 79).
inline int DrawingColorIndex(int colour) {
  const int c = MapPacketColor(colour);
  if (c == 0) return ConfigColor(kWordColourGraphics);
  if (c == -1) return ConfigColor(kWordColourXor);
  return c;
}
