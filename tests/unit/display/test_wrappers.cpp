// The drawing wrappers against an off-screen context: matrices by number,
// viewport and mask, buffer selection, pixel blocks, colours by draw mode,
// boxes, set-up and the capability table.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "adi/session.h"
#include "base/config_record.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

namespace {

struct Box {
  Int32 l, r, b, t;
  bool operator==(const Box &) const = default;
};
std::ostream &operator<<(std::ostream &os, const Box &v) {
  return os << "(" << v.l << ", " << v.r << ", " << v.b << ", " << v.t << ")";
}

Box current_viewport() {
  Box v{};
  getviewport(&v.l, &v.r, &v.b, &v.t);
  return v;
}
Box current_mask() {
  Box v{};
  getscrmask(&v.l, &v.r, &v.b, &v.t);
  return v;
}

// A matrix no other one in a test equals.
void fill_matrix(Matrix m, float seed) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = seed + static_cast<float>(i * 4 + j) / 16.0f;
}
bool matrix_is(const Matrix expected) {
  Matrix m;
  getmatrix(m);
  return std::memcmp(m, expected, sizeof m) == 0;
}

class WrappersTest : public ::testing::Test {
 protected:
  static constexpr int W = 128, H = 64;
  KglContext *ctx = nullptr;
  int saved_xsize = 0, saved_ysize = 0, saved_double = 0, saved_viewport = 0, saved_initialized = 0;
  float saved_map[256][4];

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
    saved_xsize = xsize;
    saved_ysize = ysize;
    saved_double = cfr.word(kWordDoubleBuffer);
    saved_viewport = CurrentViewport;
    saved_initialized = Initialized;
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    xsize = W;
    ysize = H;
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
  }
  void TearDown() override {
    kgl_offscreen_destroy(ctx);
    xsize = saved_xsize;
    ysize = saved_ysize;
    cfr.word(kWordDoubleBuffer) = saved_double;
    CurrentViewport = saved_viewport;
    Initialized = saved_initialized;
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    draw_mode = KGL_NORMALDRAW;
    CurrentMatrixNumber = -1;
  }

  static int pixels_set(int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += kgl_read_composited(x, y) != 0;
    return n;
  }
};

// ---- matrices by number ----------------------------------------------------

TEST_F(WrappersTest, EachMatrixNumberLoadsItsMatrixAndViewport) {
  Matrix view3, full4;
  fill_matrix(view3, 3.0f);
  fill_matrix(full4, 4.0f);
  std::memcpy(vp_info[3].view_matrix, view3, sizeof view3);
  std::memcpy(vp_info[4].full_matrix, full4, sizeof full4);
  fill_matrix(ScreenMatrix, 65.0f);
  fill_matrix(RenderingMatrix, 67.0f);
  fill_matrix(ProjectionMatrix, 68.0f);
  fill_matrix(ViewingMatrix, 69.0f);

  // A viewport's 2D matrix, with the widened viewport and the row-paired mask.
  SetClippingRectangle(10, 50, 5, 30, 3);
  EXPECT_EQ(getmmode(), KGL_MSINGLE);
  EXPECT_TRUE(matrix_is(view3));
  EXPECT_EQ(current_viewport(), (Box{9, 51, 4, 31}));
  EXPECT_EQ(current_mask(), (Box{10, 50, 6, 29}));
  EXPECT_EQ(CurrentMatrixNumber, 3);

  // The screen matrix takes the rectangle as the plain viewport, no mask.
  SetClippingRectangle(10, 50, 5, 30, kMatrixScreen);
  EXPECT_TRUE(matrix_is(ScreenMatrix));
  EXPECT_EQ(current_viewport(), (Box{10, 50, 5, 30}));
  EXPECT_EQ(current_mask(), (Box{10, 50, 5, 30}));
  EXPECT_EQ(CurrentMatrixNumber, kMatrixScreen);

  // 66 is the 3D matrix of whichever viewport is current.
  CurrentViewport = 4;
  SetClippingRectangle(10, 50, 5, 30, kMatrixViewport3D);
  EXPECT_TRUE(matrix_is(full4));
  EXPECT_EQ(current_mask(), (Box{10, 50, 6, 29}));

  // 67 covers the whole window whatever rectangle it is given.
  SetClippingRectangle(20, 21, 22, 23, kMatrixRendering);
  EXPECT_TRUE(matrix_is(RenderingMatrix));
  EXPECT_EQ(current_viewport(), (Box{-1, W, -1, H}));
  EXPECT_EQ(current_mask(), (Box{0, W - 1, 0, H - 1}));
  EXPECT_EQ(CurrentMatrixNumber, kMatrixRendering);

  // 68 leaves the viewing mode current, the projection loaded beneath it.
  SetClippingRectangle(10, 50, 5, 30, kMatrixProjection);
  EXPECT_EQ(getmmode(), KGL_MVIEWING);
  EXPECT_TRUE(matrix_is(ViewingMatrix));
  mmode(KGL_MPROJECTION);
  EXPECT_TRUE(matrix_is(ProjectionMatrix));
  EXPECT_EQ(current_viewport(), (Box{9, 51, 4, 31}));
  EXPECT_EQ(CurrentMatrixNumber, kMatrixProjection);
}

TEST_F(WrappersTest, MinusOneAndUnknownNumbersChangeNothing) {
  fill_matrix(ScreenMatrix, 65.0f);
  SetClippingRectangle(3, 40, 2, 30, kMatrixScreen);
  const Box viewport_before = current_viewport(), mask_before = current_mask();

  // Numbers past 68 would index past the viewport table: refused like -1.
  for (int number : {-1, -2, 69, 1000}) {
    SetClippingRectangle(0, 10, 0, 10, number);
    EXPECT_EQ(getmmode(), KGL_MSINGLE) << number;
    EXPECT_TRUE(matrix_is(ScreenMatrix)) << number;
    EXPECT_EQ(current_viewport(), viewport_before) << number;
    EXPECT_EQ(current_mask(), mask_before) << number;
    EXPECT_EQ(CurrentMatrixNumber, kMatrixScreen) << number;
  }
}

TEST_F(WrappersTest, MyViewportWidensTheViewportAndPairsTheMaskRows) {
  MyViewport(0, 99, 3, 10);
  EXPECT_EQ(current_viewport(), (Box{-1, 100, 2, 11}));
  EXPECT_EQ(current_mask(), (Box{0, 99, 4, 9}));

  // Rows already even to odd are kept.
  MyViewport(5, 20, 4, 9);
  EXPECT_EQ(current_mask(), (Box{5, 20, 4, 9}));
}

TEST_F(WrappersTest, MaskAreaAndScanChangesKeepTheMatrixNumberTrue) {
  SetClippingRectangle(0, W - 1, 0, H - 1, kMatrixScreen);
  EXPECT_EQ(SetScreenMask(4, 20, 4, 20), 0);
  EXPECT_EQ(CurrentMatrixNumber, -1);

  RenderingArea();
  EXPECT_EQ(CurrentMatrixNumber, kMatrixRendering);
  viewport(1, 2, 3, 4);
  RenderingArea();  // already current: left alone
  EXPECT_EQ(current_viewport(), (Box{1, 2, 3, 4}));

  int width = 0, height = 0, xorigin = 7, yorigin = 7;
  Iconified = 0;
  set_underscan(&width, &height, &xorigin, &yorigin);
  EXPECT_EQ(width, W);
  EXPECT_EQ(height, H);
  EXPECT_EQ(CurrentMatrixNumber, kMatrixScreen);
  EXPECT_EQ(current_viewport(), (Box{0, W - 1, 0, H - 1}));

  set_overscan(&width, &height, &xorigin, &yorigin);
  EXPECT_EQ(xorigin, 0);
  EXPECT_EQ(CurrentMatrixNumber, kMatrixRendering);

  // An iconified window is not asked its size.
  Iconified = 1;
  width = 5;
  set_underscan(&width, &height, &xorigin, &yorigin);
  EXPECT_EQ(width, 5);
  Iconified = 0;
}

// ---- buffers ---------------------------------------------------------------

TEST_F(WrappersTest, BufferSelectionWithDoubleBuffering) {
  doublebuffer();
  gconfig();
  cfr.word(kWordDoubleBuffer) = 1;

  SelectBackBuffer();
  EXPECT_EQ(getbuffer(), 1);
  SelectFrontBuffer();
  EXPECT_EQ(getbuffer(), 2);
  SelectBothBuffers();
  EXPECT_EQ(getbuffer(), 3);

  // Drawn into the back buffer, shown after the swap.
  SelectBackBuffer();
  cpack(0xFF0000FFu);
  MyPoint(5, 5);
  EXPECT_EQ(kgl_read_composited(5, 5), 0u);
  MySwapbuffers();
  EXPECT_EQ(kgl_read_composited(5, 5), 0xFF0000u);
}

TEST_F(WrappersTest, BufferSelectionWithoutDoubleBuffering) {
  // The library double buffers, the configuration says single: the wrappers
  // must leave the back buffer alone and never swap.
  doublebuffer();
  gconfig();
  cfr.word(kWordDoubleBuffer) = 0;
  frontbuffer(0);
  backbuffer(1);

  SelectBackBuffer();
  EXPECT_EQ(getbuffer(), 1);
  cpack(0xFF0000FFu);
  MyPoint(5, 5);
  MySwapbuffers();
  EXPECT_EQ(kgl_read_composited(5, 5), 0u);

  SelectFrontBuffer();
  EXPECT_EQ(getbuffer(), 3);  // front on, back untouched
  backbuffer(0);
  SelectBothBuffers();
  EXPECT_EQ(getbuffer(), 2);  // only frontbuffer(1)
}

// ---- pixel blocks and boxes ------------------------------------------------

TEST_F(WrappersTest, BitBltTakesCornersInAnyOrder) {
  // A block with a different value in every pixel, put at (2, 3)-(9, 7).
  std::vector<Uint32> source(8 * 5);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = 0xFF000000u | static_cast<Uint32>(i * 0x010305u);
  lrectwrite(2, 3, 9, 7, source.data());
  std::vector<Uint32> reference(source.size());
  lrectread(2, 3, 9, 7, reference.data());

  const std::array<std::array<int, 4>, 4> orders = {{{2, 3, 9, 7}, {9, 7, 2, 3}, {2, 7, 9, 3}, {9, 3, 2, 7}}};
  for (const auto &c : orders) {
    std::vector<Uint32> read(source.size(), 0);
    MyBitBLT(c[0], c[1], c[2], c[3], 1, read.data());
    EXPECT_EQ(read, reference) << c[0] << "," << c[1] << "," << c[2] << "," << c[3];
  }

  // Written back with reversed corners elsewhere, it lands the same way.
  MyBitBLT(40, 30, 33, 26, 0, reference.data());
  std::vector<Uint32> copy(source.size());
  lrectread(33, 26, 40, 30, copy.data());
  EXPECT_EQ(copy, reference);

  // Other directions do nothing.
  std::vector<Uint32> untouched(source.size(), 0x12345678u);
  MyBitBLT(2, 3, 9, 7, 2, untouched.data());
  EXPECT_EQ(untouched, std::vector<Uint32>(source.size(), 0x12345678u));
}

TEST_F(WrappersTest, FilledBoxCoversBothCornersInAnyOrder) {
  DisplayMap[9][0] = 1.0f;
  FilledBox(5, 5, 2, 2, 9, 0);
  EXPECT_EQ(pixels_set(0, 0, W - 1, H - 1), 16);
  EXPECT_EQ(pixels_set(2, 2, 5, 5), 16);

  // Exclusive-or twice leaves the screen as it was.
  FilledBox(20, 10, 30, 12, 9, -1);
  EXPECT_EQ(pixels_set(20, 10, 30, 12), 33);
  FilledBox(30, 12, 20, 10, 9, -1);
  EXPECT_EQ(pixels_set(0, 0, W - 1, H - 1), 16);
  EXPECT_EQ(getlogicop(), KGL_LO_SRC);
}

// ---- colours ---------------------------------------------------------------

TEST_F(WrappersTest, ColourIsTheDisplayMapInNormalPlanesAndAnIndexElsewhere) {
  DisplayMap[7][0] = 0.2f;
  DisplayMap[7][1] = 0.4f;
  DisplayMap[7][2] = 0.6f;
  MySetDrawmode(KGL_NORMALDRAW);
  EXPECT_EQ(MyColor(7), 7);
  MyPoint(5, 5);
  EXPECT_EQ(kgl_read_composited(5, 5), 0x336699u);
  EXPECT_EQ(get_rgb_color(7), 0x996633u);

  MySetDrawmode(KGL_OVERDRAW);
  EXPECT_EQ(getdrawmode(), KGL_OVERDRAW);
  EXPECT_EQ(MyXcolor(7), 7);
  EXPECT_EQ(getcolor(), 7);
  MyColor(3);
  MyLine(6, 6, 8, 6);
  EXPECT_EQ(kgl_read_overlay(8, 6), 3u);
  EXPECT_EQ(kgl_read_normal(8, 6), 0u);

  MySetDrawmode(KGL_NORMALDRAW);
  EXPECT_EQ(getdrawmode(), KGL_NORMALDRAW);
  EXPECT_EQ(draw_mode, KGL_NORMALDRAW);
}

TEST_F(WrappersTest, ColoursOutsideTheTableOrRangeStayInBounds) {
  // Channels beyond 0..1 or NaN are held to the byte's range.
  DisplayMap[9][0] = std::numeric_limits<float>::quiet_NaN();
  DisplayMap[9][1] = 2.0f;
  DisplayMap[9][2] = -1.0f;
  EXPECT_EQ(get_rgb_color(9), 0x00FF00u);

  // An index past the table wraps instead of reading beyond it.
  DisplayMap[44][0] = 1.0f;
  DisplayMap[44][1] = DisplayMap[44][2] = 0.0f;
  EXPECT_EQ(MyColor(300), 300);
  MyPoint(1, 1);
  EXPECT_EQ(kgl_read_composited(1, 1), 0xFF0000u);
  EXPECT_EQ(get_rgb_color(-212), 0x0000FFu);
}

// ---- set-up, fonts, capabilities ---------------------------------------------

TEST_F(WrappersTest, GinitActsOnceUntilGexit) {
  Initialized = 0;
  MyGinit();
  EXPECT_EQ(Initialized, 1);
  EXPECT_EQ(IdentityMatrix[2][2], 1.0f);
  draw_mode = KGL_OVERDRAW;
  MyGinit();  // already set up: nothing
  EXPECT_EQ(draw_mode, KGL_OVERDRAW);
  draw_mode = KGL_NORMALDRAW;

  // Clear_UI asks for the interface colours again, only while set up.
  ChangeUIcolors = 0;
  Clear_UI();
  EXPECT_EQ(ChangeUIcolors, 1);
  MySetcursor(3);
  MyGexit();
  EXPECT_EQ(Initialized, 0);
  EXPECT_EQ(CurrentCursor, 0);
  ChangeUIcolors = 0;
  Clear_UI();
  EXPECT_EQ(ChangeUIcolors, 0);
}

TEST_F(WrappersTest, CapabilityTableIsIndexedByModeAndFlags) {
  EXPECT_EQ(init_capabilities(), 0);  // 8 bits a channel: not a shallow display
  for (int i = 0; i < 8; ++i) capability_table[i] = 100 + i;
  EXPECT_EQ(num_colors(1, 0, 1), 101);
  EXPECT_EQ(num_colors(0, 5, 0), 102);
  EXPECT_EQ(num_colors(2, 1, 1), 107);
}

}  // namespace
