// Colour tables and palettes: the compiled-in palette and "gl_acad.pal", the
// float colours of the normal planes, the X colour tables of the Motif side,
// the interface colours of the overlay planes, line styles and fill patterns.
#include "display/colour_tables.h"

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/config_record.h"
#include "base/files.h"
#include "base/session.h"
#include "base/user_text.h"
#include "base/utilities.h"
#include "base/x_session.h"
#include "display/hooks.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"

float DisplayMap[kColourCount][4];
float PaletteSaturation = 1.0f;
XColor graph_clrtbl[kClrtblSize];
XColor acad_clrtbl[kClrtblSize];
unsigned long white, ForeGround, black, BackGround;
int UI_background = 1, UI_dark = 2, UI_light = 3, UI_contrast = 3;
int ChangeUIcolors = 1;
int Color16;
int ntsc_pal;
const char SATURATION[] = "ADI_SATURATION";

namespace {

constexpr const char kPaletteFile[] = "gl_acad.pal";

// The compiled-in palette: black, the six pure hues, white and two greys;
// 24 hues of 15 degrees in five values each, full and half saturated; six
// greys at the end.
constexpr PaletteEntry default_palette_entry(int i) {
  if (i == 0) return {kPaletteGreyHue, 0.0f, 0.0f};
  if (i <= 6) return {60.0f * static_cast<float>(i - 1), 1.0f, 1.0f};
  if (i == 7) return {kPaletteGreyHue, 1.0f, 1.0f};
  if (i == 8) return {kPaletteGreyHue, 1.0f, 0.33f};
  if (i == 9) return {kPaletteGreyHue, 1.0f, 0.67f};
  if (i <= 249) {
    constexpr float values[5] = {1.0f, 0.8f, 0.6f, 0.4f, 0.2f};
    return {15.0f * static_cast<float>((i - 10) / 10), (i % 2 == 0) ? 1.0f : 0.5f, values[(i % 10) / 2]};
  }
  constexpr float greys[6] = {0.16f, 0.33f, 0.5f, 0.67f, 0.84f, 1.0f};
  return {kPaletteGreyHue, 1.0f, greys[i - 250]};
}

// The 18 fixed entries in front of the colour numbers: greys no reader uses.
constexpr unsigned short kFixedGreys[kClrtblFixed] = {255, 85, 255, 0, 85, 255, 0, 85, 255,
                                                      0,   255, 255, 0, 255, 255, 0, 0, 255};

float clamp_unit(float x) {
  if (!(x > 0.0f)) return 0.0f;  // NaN too
  return x < 1.0f ? x : 1.0f;
}

// A DisplayMap channel as 0..255, truncated.
int channel_byte(float x) { return static_cast<int>(clamp_unit(x) * 255.0f); }

// floor(x * max + 0.5) for a channel of a standard colormap.
unsigned long scaled_channel(float x, unsigned long max) {
  return static_cast<unsigned long>(std::floor(static_cast<double>(clamp_unit(x)) * static_cast<double>(max) + 0.5));
}

const char *skip_blanks(const char *s) {
  while (*s == ' ' || *s == '\t') ++s;
  return s;
}

// Opens the palette file: in the current directory, else along ACAD, else
// along ACAD under its lower-case name. A regular file only, never waited on,
// and read no further than a palette goes.
FILE *open_palette_file() { return open_support_file(kPaletteFile, true, kSupportFileMax); }

void load_palette_colour(int colour, int entry) {
  int r, g, b;
  palette_rgb(entry, &r, &g, &b);
  MyMapcolor(colour, static_cast<std::int16_t>(r), static_cast<std::int16_t>(g), static_cast<std::int16_t>(b));
}

}  // namespace

PaletteEntry PaletteTable[kColourCount];

// The table starts as the compiled-in palette.
[[maybe_unused]] static const bool palette_initialised = [] {
  for (int i = 0; i < kColourCount; ++i) PaletteTable[i] = default_palette_entry(i);
  return true;
}();

// ---- conversions -------------------------------------------------------------

int palette_byte(float x) {
  if (!(x > 0.0f)) return 0;   // negative and NaN
  if (x >= 1.0f) return 255;   // x * 510 would only round to 255 again
  const int v = (static_cast<int>(x * 510.0f) + 1) >> 1;
  return v > 255 ? 255 : v;
}

void palette_rgb(int i, int *r, int *g, int *b) {
  if (i < 0 || i >= kColourCount) {
    *r = *g = *b = 0;
    return;
  }
  const PaletteEntry &e = PaletteTable[i];
  // Entries hold what the file gave. A hue that falls in none of the seven
  // sectors (beyond 420 degrees, not a number) is taken as a grey; channels
  // outside 0..1 are held there by palette_byte.
  const float h = e.hue / 60.0f;
  const float s = e.saturation * PaletteSaturation;
  const float v = e.value;
  const int sector = h > -1.0f && h < 7.0f ? static_cast<int>(h) : 6;
  const float f = sector == 6 ? 0.0f : h - static_cast<float>(sector);
  const int P = palette_byte(v * (1.0f - s));
  const int Q = palette_byte(v * (1.0f - s * f));
  const int T = palette_byte(v * (1.0f - (1.0f - f) * s));
  const int V = palette_byte(v);
  switch (sector) {
    case 0: *r = V, *g = T, *b = P; break;
    case 1: *r = Q, *g = V, *b = P; break;
    case 2: *r = P, *g = V, *b = T; break;
    case 3: *r = P, *g = Q, *b = V; break;
    case 4: *r = T, *g = P, *b = V; break;
    case 5: *r = V, *g = P, *b = Q; break;
    default: *r = V, *g = V, *b = V; break;  // 6: grey
  }
}

unsigned long ComputeStandardPixel(const XStandardColormap *map, float r, float g, float b) {
  return map->red_mult * scaled_channel(r, map->red_max) + map->green_mult * scaled_channel(g, map->green_max) +
         map->blue_mult * scaled_channel(b, map->blue_max);
}

bool StandardMapFromVisual(const Visual *visual, XStandardColormap *map) {
  if (visual == nullptr || (visual->c_class != TrueColor && visual->c_class != DirectColor)) return false;
  const unsigned long masks[3] = {visual->red_mask, visual->green_mask, visual->blue_mask};
  unsigned long max[3], mult[3];
  for (int c = 0; c < 3; ++c) {
    if (masks[c] == 0) return false;
    const int shift = std::countr_zero(masks[c]);
    max[c] = masks[c] >> shift;
    mult[c] = 1UL << shift;
  }
  *map = XStandardColormap{};
  map->red_max = max[0], map->red_mult = mult[0];
  map->green_max = max[1], map->green_mult = mult[1];
  map->blue_max = max[2], map->blue_mult = mult[2];
  return true;
}

// ---- the palette file ----------------------------------------------------------

float SaturationFromEnvironment(const char *value) {
  constexpr float kVideoSaturation = 0.95f;
  if (value == nullptr) return kVideoSaturation;
  errno = 0;
  char *end = nullptr;
  const long n = std::strtol(value, &end, 10);
  if (end == value || errno == ERANGE) return kVideoSaturation;
  if (*skip_blanks(end) != '\0' && *skip_blanks(end) != '\n') return kVideoSaturation;
  if (n < 50 || n > 100) return kVideoSaturation;
  return static_cast<float>(static_cast<double>(n) * 0.01);
}

int ParsePaletteLine(const char *line) {
  if (line == nullptr || line[0] < '0' || line[0] > '9') return 0;
  long index = std::strtol(line, nullptr, 10);
  if (index > INT_MAX) index = INT_MAX;  // reported as it is, out of range
  if (!IsInRange(static_cast<int>(index), 0, kColourCount - 1)) return 0;
  // The fields up to the first that does not read are taken; the others keep
  // what the entry held.
  PaletteEntry &e = PaletteTable[index];
  int read_index;
  float hsv[3] = {e.hue, e.saturation, e.value};
  const int fields = std::sscanf(line, "%d,%f,%f,%f", &read_index, &hsv[0], &hsv[1], &hsv[2]);
  e.hue = hsv[0];
  e.saturation = hsv[1];
  e.value = hsv[2];
  return fields > 1 ? fields - 1 : 0;
}

void ReadPaletteFile(FILE *file) {
  char line[256];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    const std::size_t len = std::strlen(line);
    // A line longer than the buffer: its head is the line, the rest is dropped.
    if (len == sizeof line - 1 && line[len - 1] != '\n') {
      int c;
      do c = std::fgetc(file);
      while (c != '\n' && c != EOF);
    }
    ParsePaletteLine(line);
  }
}

void ChangePalette(int flag) {
  PaletteSaturation = ntsc_pal ? SaturationFromEnvironment(std::getenv(SATURATION)) : 1.0f;
  if (FILE *file = open_palette_file()) {
    ReadPaletteFile(file);
    std::fclose(file);
  }
  if (!EightBit || !Color16) {
    for (int i = 0; i < kColourCount; ++i) load_palette_colour(i, i);
  } else if (flag == 0) {
    // The 16-colour palette repeated; the start of each repeat is white.
    for (int i = 0; i < kColourCount; ++i) {
      if (i != 0 && i % 16 == 0)
        MyMapcolor(i, 255, 255, 255);
      else
        load_palette_colour(i, i % 16);
    }
  } else {
    for (int i = 0; i < 16; ++i) load_palette_colour(i, i);
  }
}

// ---- colours of the normal planes -------------------------------------------------

void MyMapcolor(int index, std::int16_t r, std::int16_t g, std::int16_t b) {
  if (index < 0 || index >= kColourCount) return;
  const auto unit = [](std::int16_t c) {
    return static_cast<float>((c < 0 ? 0 : (c > 255 ? 255 : c)) / 255.0);
  };
  DisplayMap[index][0] = unit(r);
  DisplayMap[index][1] = unit(g);
  DisplayMap[index][2] = unit(b);
}

void MyGetmcolor(int index, std::int16_t *r, std::int16_t *g, std::int16_t *b) {
  if (draw_mode != KGL_NORMALDRAW) {
    getmcolor(static_cast<Uint16>(index), r, g, b);
    return;
  }
  if (index < 0 || index >= kColourCount) {
    *r = *g = *b = 0;
    return;
  }
  *r = static_cast<std::int16_t>(channel_byte(DisplayMap[index][0]));
  *g = static_cast<std::int16_t>(channel_byte(DisplayMap[index][1]));
  *b = static_cast<std::int16_t>(channel_byte(DisplayMap[index][2]));
}

// ---- interface colours of the overlay planes ------------------------------------------

void map_ui_colors() {
  if (!ChangeUIcolors) return;
  MySetDrawmode(KGL_NORMALDRAW);
  UI_contrast = UI_dark;
  // Our library has overlay and pop-up colour maps of its own on every
  // display, so the three colours are always loaded here.
  MySetDrawmode(use_pups ? KGL_PUPDRAW : KGL_OVERDRAW);
  mapcolor(1, 170, 170, 170);
  mapcolor(2, 0, 0, 0);
  mapcolor(3, 255, 255, 255);
  MySetDrawmode(KGL_NORMALDRAW);
  ChangeUIcolors = 0;
}

// ---- X colour tables ----------------------------------------------------------------

void set_graph_clrtbl(int n, unsigned long pixel, int r, int g, int b) {
  if (n < 0 || n >= kColourCount) return;
  XColor &c = graph_clrtbl[kClrtblFixed + n];
  c.pixel = pixel;
  c.red = static_cast<unsigned short>(r);
  c.green = static_cast<unsigned short>(g);
  c.blue = static_cast<unsigned short>(b);
  c.flags = DoRed | DoGreen | DoBlue;
}

int get_graph_clrtbl(int n, unsigned long *pixel, int *r, int *g, int *b) {
  if (n < 0 || n >= kColourCount) {
    *pixel = 0;
    *r = *g = *b = 0;
    return 0;
  }
  const XColor &c = graph_clrtbl[kClrtblFixed + n];
  *pixel = c.pixel;
  *r = c.red, *g = c.green, *b = c.blue;
  return 1;
}

void set_graph_pixel(int n, unsigned long pixel) {
  if (n >= 0 && n < kColourCount) graph_clrtbl[kClrtblFixed + n].pixel = pixel;
}

void LoadColormap() {
  for (int n = 0; n < kColourCount; ++n)
    set_graph_clrtbl(n, static_cast<unsigned long>(n), channel_byte(DisplayMap[n][0]),
                     channel_byte(DisplayMap[n][1]), channel_byte(DisplayMap[n][2]));
}

int clrdiff(const XColor *a, const XColor *b, int threshold) {
  const int d = std::abs(a->red - b->red) + std::abs(a->green - b->green) + std::abs(a->blue - b->blue);
  return d >= threshold ? 1 : 0;
}

Status alloc_color(XColor *colour) { return XAllocColor(display, def_cmap, colour); }

void set_graph_win_cmap() {}

void fill_graph_clrtbl(const XStandardColormap *map) {
  for (int i = 0; i < kClrtblFixed; ++i) {
    XColor &c = graph_clrtbl[i];
    const unsigned short grey = kFixedGreys[i];
    const float unit = static_cast<float>(grey / 255.0);
    c.pixel = ComputeStandardPixel(map, unit, unit, unit);
    c.red = c.green = c.blue = grey;
    c.flags = DoRed | DoGreen | DoBlue;
  }
  for (int n = 0; n < kColourCount; ++n) {
    const float *rgb = DisplayMap[n];
    set_graph_clrtbl(n, ComputeStandardPixel(map, rgb[0], rgb[1], rgb[2]), channel_byte(rgb[0]),
                     channel_byte(rgb[1]), channel_byte(rgb[2]));
  }
  std::memcpy(acad_clrtbl, graph_clrtbl, sizeof acad_clrtbl);
}

void build_clrtbl(Display *dpy, int scr) {
  white = ForeGround = WhitePixel(dpy, scr);
  black = BackGround = BlackPixel(dpy, scr);
  ChangePalette(1);
  // Without a standard colormap from the server every pixel would be 0: take
  // the channel layout of the visual instead.
  XStandardColormap map = best_rgb;
  if (map.red_max == 0 && map.green_max == 0 && map.blue_max == 0) {
    XStandardColormap from_visual;
    if (StandardMapFromVisual(def_visual != nullptr ? def_visual : DefaultVisual(dpy, scr), &from_visual))
      map = from_visual;
  }
  fill_graph_clrtbl(&map);
  set_graph_win_cmap();
}

// ---- line styles and fill patterns ----------------------------------------------------

void InitPatterns() {
  deflinestyle(1, 0xC3C3);
  deflinestyle(2, 0x3C3C);
  Uint16 rows[16];
  for (int i = 0; i < 16; ++i) rows[i] = (i % 4 == 0 || i % 4 == 3) ? 0xCCCC : 0x0000;
  defpattern(1, 16, rows);
  for (int i = 0; i < 16; ++i) rows[i] = (i % 2 == 0) ? 0x5555 : 0xAAAA;
  defpattern(2, 16, rows);
  for (int i = 0; i < 16; ++i) rows[i] = (i % 2 == 0) ? 0xAAAA : 0x5555;
  defpattern(3, 16, rows);
  for (int i = 0; i < 16; ++i) rows[i] = (i % 2 == 0) ? 0x0000 : 0xAAAA;
  defpattern(4, 16, rows);
  for (int i = 0; i < 16; ++i) rows[i] = (i % 2 == 0) ? 0xFFFF : 0x5555;
  defpattern(5, 16, rows);
}

// ---- colour numbers of packets --------------------------------------------------------

int ConfigColor(int word) {
  if (word < 78 || word > 96) return 7;
  const int c = cfr.word(word);
  return (c >= 0 && c < kColourCount) ? c : 7;
}
