// The palette and its file, the saturation factor, the X colour tables, the
// colour numbers of packets, and the interface colours, line styles and fill
// patterns drawn into an off-screen context.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "adi/main_loop.h"
#include "adi/session.h"
#include "base/config_record.h"
#include "base/utilities.h"
#include "display/colour_tables.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "ui/graph_window.h"

namespace {

namespace fs = std::filesystem;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Rgb &c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A colour of DisplayMap as the driver reads it back: times 255, truncated.
Rgb shown(int colour) {
  const float *c = DisplayMap[colour];
  return {static_cast<int>(c[0] * 255.0f), static_cast<int>(c[1] * 255.0f), static_cast<int>(c[2] * 255.0f)};
}

// Runs in an empty directory with ACAD naming an empty directory, so that no
// palette file is found unless a test writes one; keeps the palette and
// collects the driver's messages.
class PaletteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memcpy(saved_table_, PaletteTable, sizeof saved_table_);
    saved_cwd_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("colour_tables_" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "empty");
    fs::current_path(dir_);
    if (const char *acad = getenv("ACAD")) saved_acad_ = acad;
    setenv("ACAD", (dir_ / "empty").c_str(), 1);
    unsetenv(SATURATION);
    saved_output_ = output_fd;
    output_fd = std::tmpfile();
    ASSERT_NE(output_fd, nullptr);
  }
  void TearDown() override {
    std::fclose(output_fd);
    output_fd = saved_output_;
    fs::current_path(saved_cwd_);
    fs::remove_all(dir_);
    if (saved_acad_.empty())
      unsetenv("ACAD");
    else
      setenv("ACAD", saved_acad_.c_str(), 1);
    unsetenv(SATURATION);
    std::memcpy(PaletteTable, saved_table_, sizeof saved_table_);
    ntsc_pal = Color16 = EightBit = 0;
    ChangePalette(1);
  }
  static void write_file(const fs::path &path, const std::string &text) { std::ofstream(path) << text; }
  std::string output() {
    std::string text(4096, '\0');
    std::rewind(output_fd);
    text.resize(std::fread(text.data(), 1, text.size(), output_fd));
    return text;
  }

  fs::path dir_;

 private:
  PaletteEntry saved_table_[kColourCount];
  fs::path saved_cwd_;
  std::string saved_acad_;
  FILE *saved_output_ = nullptr;
};

TEST_F(PaletteTest, CompiledInPaletteWithoutAFile) {
  ChangePalette(1);
  EXPECT_EQ(shown(0), (Rgb{0, 0, 0}));
  EXPECT_EQ(shown(1), (Rgb{255, 0, 0}));
  EXPECT_EQ(shown(2), (Rgb{255, 255, 0}));
  EXPECT_EQ(shown(4), (Rgb{0, 255, 255}));
  EXPECT_EQ(shown(6), (Rgb{255, 0, 255}));
  EXPECT_EQ(shown(7), (Rgb{255, 255, 255}));
  EXPECT_EQ(shown(8), (Rgb{84, 84, 84}));
  EXPECT_EQ(shown(9), (Rgb{171, 171, 171}));
  EXPECT_EQ(shown(11), (Rgb{255, 128, 128}));
  EXPECT_EQ(shown(250), (Rgb{41, 41, 41}));
  EXPECT_EQ(shown(255), (Rgb{255, 255, 255}));
  // The hue rows: value 0.2 at 18, the next hue (15 degrees) at 20, the last
  // (345 degrees) at 240.
  EXPECT_EQ(shown(18), (Rgb{51, 0, 0}));
  EXPECT_EQ(shown(20), (Rgb{255, 64, 0}));
  EXPECT_EQ(shown(240), (Rgb{255, 0, 64}));
  EXPECT_FLOAT_EQ(DisplayMap[8][0], 84 / 255.0f);
  EXPECT_EQ(output(), "");
}

TEST_F(PaletteTest, FileLinesAreReadAsScanfReadsThemAndBadIndicesAreSkipped) {
  ChangePalette(1);
  Rgb before[24];
  for (int i = 0; i < 24; ++i) before[i] = shown(i);
  std::string long_line = "19,240,1,1";
  long_line.append(300 - long_line.size(), ' ');
  long_line += "17,120,1,1\n";  // past the 256-byte line buffer: still line 19
  write_file("gl_acad.pal",
             "; palette for the plotter room\n\n"
             "12,120,1,1\n"
             "300,0,1,1\n"
             "99999999999999999999,0,1,1\n"
             "13,abc,1,1\n"
             "14,60\n"
             "15,nan,1,1\n"
             " 16,0,1,1\n" +
                 long_line +
                 "21,-30,2,-1\n"
                 "22,500,1,0.5\n"
                 "23 , 240 ,1, 1\n");
  ChangePalette(1);
  EXPECT_EQ(shown(12), (Rgb{0, 255, 0}));
  // Fields up to the first that does not read are taken, the rest stay.
  for (int i : {13, 16, 17, 23}) EXPECT_EQ(shown(i), before[i]) << "colour " << i;
  EXPECT_EQ(shown(14), (Rgb{153, 153, 0})) << "hue 60, saturation and value as compiled in";
  EXPECT_EQ(shown(15), (Rgb{255, 255, 255})) << "a hue of no sector is a grey";
  EXPECT_EQ(shown(19), (Rgb{0, 0, 255}));
  EXPECT_EQ(shown(21), (Rgb{0, 255, 255})) << "hue -30, saturation 2, value -1 through the sector formulas";
  EXPECT_EQ(shown(22), (Rgb{128, 128, 128})) << "a hue past the sectors is a grey";
  EXPECT_FLOAT_EQ(PaletteTable[21].saturation, 2.0f);
  const std::string messages = output();
  EXPECT_NE(messages.find("[0..255]: (300)"), std::string::npos) << messages;
  EXPECT_NE(messages.find("[0..255]: (2147483647)"), std::string::npos) << messages;
  // Saturation 2 is taken as written: at hue 30, t = v (1 - 2 (1 - f)) is 0
  // where saturation 1 would give 128.
  EXPECT_EQ(ParsePaletteLine("30,30,2,1"), 3);
  int r, g, b;
  palette_rgb(30, &r, &g, &b);
  EXPECT_EQ((Rgb{r, g, b}), (Rgb{255, 0, 0}));
  EXPECT_EQ(ParsePaletteLine(nullptr), 0);
}

TEST_F(PaletteTest, FileIsFoundAlongAcadAfterTheCurrentDirectory) {
  fs::create_directories(dir_ / "support");
  write_file(dir_ / "support" / "gl_acad.pal", "1,120,1,1\n");
  setenv("ACAD", ("/nonexistent;" + (dir_ / "support").string()).c_str(), 1);
  ChangePalette(1);
  EXPECT_EQ(shown(1), (Rgb{0, 255, 0}));
  write_file("gl_acad.pal", "1,240,1,1\n");
  ChangePalette(1);
  EXPECT_EQ(shown(1), (Rgb{0, 0, 255}));
}

TEST_F(PaletteTest, SaturationForVideo) {
  ntsc_pal = 1;
  setenv(SATURATION, "80", 1);
  ChangePalette(1);
  EXPECT_EQ(shown(1), (Rgb{255, 51, 51}));
  for (const char *bad : {"30", "101", "-80", "", "abc", "80abc", "99999999999999999999"})
    EXPECT_FLOAT_EQ(SaturationFromEnvironment(bad), 0.95f) << bad;
  EXPECT_FLOAT_EQ(SaturationFromEnvironment(nullptr), 0.95f);
  EXPECT_FLOAT_EQ(SaturationFromEnvironment("50"), 0.5f);
  EXPECT_FLOAT_EQ(SaturationFromEnvironment("100"), 1.0f);
  // Without the video flag the variable is not read.
  ntsc_pal = 0;
  ChangePalette(1);
  EXPECT_EQ(shown(1), (Rgb{255, 0, 0}));
  EXPECT_EQ(palette_byte(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(palette_byte(-0.5f), 0);
  EXPECT_EQ(palette_byte(7.0f), 255);
}

TEST_F(PaletteTest, SixteenColourPaletteOfEightBitDisplays) {
  EightBit = Color16 = 1;
  ChangePalette(0);
  EXPECT_EQ(shown(17), (Rgb{255, 0, 0}));
  EXPECT_EQ(shown(24), (Rgb{84, 84, 84}));
  EXPECT_EQ(shown(16), (Rgb{255, 255, 255}));
  EXPECT_EQ(shown(240), (Rgb{255, 255, 255}));
  EXPECT_EQ(shown(0), (Rgb{0, 0, 0}));
  // Flag set: colours 0 to 15 only.
  MyMapcolor(17, 1, 2, 3);
  ChangePalette(1);
  EXPECT_EQ(shown(17), (Rgb{1, 2, 3}));
}

TEST_F(PaletteTest, XColourTablesAndMyMapcolor) {
  ChangePalette(1);
  XStandardColormap map{};
  map.red_max = 31, map.red_mult = 2048;
  map.green_max = 63, map.green_mult = 32;
  map.blue_max = 31, map.blue_mult = 1;
  map.base_pixel = 100;  // not added
  fill_graph_clrtbl(&map);
  const XColor &grey = graph_clrtbl[kClrtblFixed + 8];
  EXPECT_EQ(grey.pixel, 10u * 2048 + 21u * 32 + 10u);
  EXPECT_EQ((Rgb{grey.red, grey.green, grey.blue}), (Rgb{84, 84, 84}));
  EXPECT_EQ(graph_clrtbl[kClrtblFixed + 1].pixel, 31u * 2048);
  EXPECT_EQ(graph_clrtbl[1].red, 85);
  EXPECT_EQ(std::memcmp(acad_clrtbl, graph_clrtbl, sizeof acad_clrtbl), 0);
  EXPECT_EQ(ComputeStandardPixel(&map, 2.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()), 31u * 2048);

  // MyMapcolor touches DisplayMap alone, clamps, and ignores foreign indices.
  MyMapcolor(5, -4, 300, 30);
  MyMapcolor(-1, 1, 1, 1);
  MyMapcolor(256, 1, 1, 1);
  EXPECT_EQ(shown(5), (Rgb{0, 255, 30}));
  EXPECT_EQ(std::memcmp(acad_clrtbl, graph_clrtbl, sizeof acad_clrtbl), 0);
  set_graph_clrtbl(256, 1, 1, 1, 1);
  set_graph_pixel(-19, 1);
  EXPECT_EQ(std::memcmp(acad_clrtbl, graph_clrtbl, sizeof acad_clrtbl), 0);

  Visual visual{};
  visual.c_class = TrueColor;
  visual.red_mask = 0xF800, visual.green_mask = 0x07E0, visual.blue_mask = 0x001F;
  XStandardColormap from{};
  ASSERT_TRUE(StandardMapFromVisual(&visual, &from));
  EXPECT_EQ(ComputeStandardPixel(&from, 84 / 255.0f, 84 / 255.0f, 84 / 255.0f), grey.pixel);
  visual.c_class = PseudoColor;
  EXPECT_FALSE(StandardMapFromVisual(&visual, &from));
}

// ---- colour numbers of packets ----------------------------------------------------

TEST(PacketColour, NumbersMapAtTheirEdges) {
  const ConfigRecord saved = cfr;
  for (int w = kWordColourFirst; w <= kWordColourLast; ++w) cfr.word(w) = w - 70;  // word w holds colour w - 70
  EXPECT_EQ(MapPacketColor(255), 255);
  EXPECT_EQ(MapPacketColor(256), 7);
  EXPECT_EQ(MapPacketColor(-1), -1);
  EXPECT_EQ(MapPacketColor(-2), 10);   // word 80
  EXPECT_EQ(MapPacketColor(-5), 13);   // word 83
  EXPECT_EQ(MapPacketColor(-18), 26);  // word 96
  EXPECT_EQ(MapPacketColor(-19), 7);
  EXPECT_EQ(DrawingColorIndex(0), 10);  // graphics background
  EXPECT_EQ(DrawingColorIndex(-1), 9);  // exclusive-or colour
  // Configuration words that hold no colour number give 7; whatever a 16-bit
  // field holds, the index drawn with lies in the table.
  cfr.word(kWordColourXor) = 300;
  cfr.word(kWordColourBorder) = -4;
  EXPECT_EQ(DrawingColorIndex(-1), 7);
  EXPECT_EQ(MapPacketColor(-5), 7);
  for (int w = kWordColourFirst; w <= kWordColourLast; ++w) cfr.word(w) = (w % 2) ? -100000 : 100000;
  for (int c = -32768; c <= 32767; ++c) {
    const int index = DrawingColorIndex(c);
    ASSERT_TRUE(index >= 0 && index <= 255) << c;
  }
  cfr = saved;
}

// ---- the overlay planes, line styles and fill patterns ------------------------------

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_ = kgl_offscreen_create(64, 48);
    ASSERT_NE(ctx_, nullptr);
    kgl_offscreen_make_current(ctx_);
  }
  void TearDown() override {
    use_pups = 0;
    ChangeUIcolors = 1;
    MySetDrawmode(KGL_NORMALDRAW);
    kgl_offscreen_destroy(ctx_);
  }
  static Rgb map_entry(int mode, int index) {
    MySetDrawmode(mode);
    Int16 r, g, b;
    MyGetmcolor(index, &r, &g, &b);
    MySetDrawmode(KGL_NORMALDRAW);
    return {r, g, b};
  }
  static int lit(int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) n += kgl_read_normal(x, y) != 0;
    return n;
  }

  KglContext *ctx_ = nullptr;
};

TEST_F(OverlayTest, InterfaceColoursGoIntoTheOverlayPlanes) {
  UI_contrast = UI_light;
  ChangeUIcolors = 1;
  map_ui_colors();
  EXPECT_EQ(ChangeUIcolors, 0);
  EXPECT_EQ(UI_contrast, UI_dark);
  EXPECT_EQ(getdrawmode(), KGL_NORMALDRAW);
  EXPECT_EQ(map_entry(KGL_OVERDRAW, UI_background), (Rgb{170, 170, 170}));
  EXPECT_EQ(map_entry(KGL_OVERDRAW, UI_dark), (Rgb{0, 0, 0}));
  EXPECT_EQ(map_entry(KGL_OVERDRAW, UI_light), (Rgb{255, 255, 255}));
  // Index 1 drawn in the overlay shows light grey over the drawing.
  MySetDrawmode(KGL_OVERDRAW);
  color(static_cast<Uint16>(UI_background));
  rectfi(2, 2, 5, 5);
  MySetDrawmode(KGL_NORMALDRAW);
  EXPECT_EQ(kgl_read_composited(3, 3), 0xAAAAAAu);
  // In the normal planes MyGetmcolor reads DisplayMap.
  MyMapcolor(8, 84, 84, 84);
  EXPECT_EQ(map_entry(KGL_NORMALDRAW, 8), (Rgb{84, 84, 84}));
  EXPECT_EQ(map_entry(KGL_NORMALDRAW, 300), (Rgb{0, 0, 0}));
}

TEST_F(OverlayTest, PopupPlanesAreLoadedOnlyWhenAsked) {
  use_pups = 1;
  ChangeUIcolors = 1;
  map_ui_colors();
  EXPECT_EQ(map_entry(KGL_PUPDRAW, 1), (Rgb{170, 170, 170}));
  MySetDrawmode(KGL_PUPDRAW);
  mapcolor(1, 1, 2, 3);
  MySetDrawmode(KGL_NORMALDRAW);
  map_ui_colors();
  EXPECT_EQ(map_entry(KGL_PUPDRAW, 1), (Rgb{1, 2, 3}));
  ChangeUIcolors = 1;
  map_ui_colors();
  EXPECT_EQ(map_entry(KGL_PUPDRAW, 1), (Rgb{170, 170, 170}));
}

TEST_F(OverlayTest, FillPatternsAndLineStyles) {
  InitPatterns();
  const float white_rgb[3] = {1.0f, 1.0f, 1.0f};
  c3f(white_rgb);
  // Lit pixels of each 16 x 16 pattern, each in a block of its own.
  const int expected[6] = {256, 64, 128, 128, 64, 192};
  for (int n = 0; n <= 5; ++n) {
    const int x = 16 * (n % 4), y = 16 * (n / 4);
    setpattern(n);
    rectfi(x, y, x + 15, y + 15);
    EXPECT_EQ(lit(x, y, x + 15, y + 15), expected[n]) << "pattern " << n;
  }
  setpattern(2);  // over pattern 3: they complement each other
  rectfi(48, 0, 63, 15);
  EXPECT_EQ(lit(48, 0, 63, 15), 256);
  setpattern(0);
  // 0xC3C3 and 0x3C3C: half of a line each, together all of it.
  const Int32 a[2] = {0, 40}, b[2] = {31, 40};
  for (int style : {1, 2}) {
    setlinestyle(style);
    bgnline();
    v2i(a);
    v2i(b);
    endline();
    EXPECT_EQ(lit(0, 40, 31, 40), 16 * style);
  }
  setlinestyle(0);
}

}  // namespace
