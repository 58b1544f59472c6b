// Layers, colour maps, compositing, matrices and inquiries.
#include "kgl_fixture.h"

#include <cctype>
#include <cstring>
#include <string>
#include <tuple>

namespace {

using Layers = KglTest;
using Matrices = KglTest;
using Inquiry = KglTest;

TEST_F(Layers, AndAndOrOnOverlayIndices) {
  drawmode(KGL_OVERDRAW);
  EXPECT_EQ(getdrawmode(), KGL_OVERDRAW);
  color(3);
  rectfi(0, 0, 9, 9);
  logicop(KGL_LO_AND);
  color(1);
  rectfi(0, 0, 4, 9);
  EXPECT_EQ(kgl_read_overlay(2, 2), 1u);
  EXPECT_EQ(kgl_read_overlay(7, 2), 3u);
  logicop(KGL_LO_SRC);
  color(0);
  rectfi(0, 0, 9, 9);
  logicop(KGL_LO_OR);
  color(2);
  rectfi(0, 0, 9, 9);
  color(1);
  rectfi(5, 0, 9, 9);
  logicop(KGL_LO_SRC);
  EXPECT_EQ(kgl_read_overlay(2, 2), 2u);
  EXPECT_EQ(kgl_read_overlay(7, 2), 3u);

  // The write mask keeps planes out of reach.
  writemask(1);
  color(0);
  clear();
  writemask(0xFFFF);
  EXPECT_EQ(kgl_read_overlay(7, 2), 2u);
  drawmode(KGL_NORMALDRAW);
  EXPECT_TRUE(all_zero());
}

TEST_F(Layers, OverlayOverPopupOverNormalWithZeroTransparent) {
  cpack(RED);
  clear();
  drawmode(KGL_PUPDRAW);
  mapcolor(2, 0, 0, 255);
  color(2);
  rectfi(0, 0, 9, 9);
  drawmode(KGL_OVERDRAW);
  mapcolor(1, 0, 255, 0);
  color(1);
  rectfi(5, 5, 14, 14);
  color(0);
  rectfi(7, 7, 7, 7);   // transparent again
  drawmode(KGL_NORMALDRAW);

  EXPECT_EQ(kgl_read_composited(2, 2), 0x0000FFu);    // pop-up
  EXPECT_EQ(kgl_read_composited(6, 6), 0x00FF00u);    // overlay above pop-up
  EXPECT_EQ(kgl_read_composited(12, 12), 0x00FF00u);  // overlay
  EXPECT_EQ(kgl_read_composited(7, 7), 0x0000FFu);    // overlay 0: pop-up shows
  EXPECT_EQ(kgl_read_composited(20, 20), 0xFF0000u);  // normal
  // Each layer keeps its own map and colour.
  drawmode(KGL_OVERDRAW);
  Int16 r, g, b;
  getmcolor(2, &r, &g, &b);
  EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(Int16(0), Int16(0), Int16(0)));
  EXPECT_EQ(getcolor(), 0);
  drawmode(KGL_PUPDRAW);
  EXPECT_EQ(getcolor(), 2);
  drawmode(KGL_NORMALDRAW);
}

TEST_F(Layers, ColourMapChangesReResolveIndexPixels) {
  cmode();
  gconfig();
  EXPECT_EQ(getdisplaymode(), KGL_DMSINGLE);
  color(5);
  clear();
  EXPECT_EQ(kgl_read_normal(1, 1), 5u);
  EXPECT_EQ(kgl_read_composited(1, 1), 0xFF00FFu);
  mapcolor(5, 10, 20, 30);
  EXPECT_EQ(kgl_read_composited(1, 1), 0x0A141Eu);

  // Logical operations work on the indices.
  logicop(KGL_LO_XOR);
  color(3);
  rectfi(0, 0, W - 1, H - 1);
  logicop(KGL_LO_SRC);
  EXPECT_EQ(kgl_read_normal(1, 1), 6u);

  // Multi-map mode resolves through the selected map of 256 entries.
  multimap();
  setmap(1);
  mapcolor(6, 1, 2, 3);
  EXPECT_EQ(kgl_read_composited(1, 1), 0x010203u);
  setmap(0);
  EXPECT_EQ(kgl_read_composited(1, 1), 0x00FFFFu);
  onemap();
  EXPECT_EQ(getcmmode(), 1);
}

TEST_F(Layers, RgbColoursAndExclusiveOr) {
  const float orange[3] = {1.0f, 0.5f, 0.0f};
  c3f(orange);
  clear();
  EXPECT_EQ(kgl_read_composited(0, 0), 0xFF8000u);
  logicop(KGL_LO_XOR);
  cpack(0x00FFFFFF);
  clear();   // clear ignores the logical operation
  logicop(KGL_LO_SRC);
  EXPECT_EQ(kgl_read_composited(0, 0), 0xFFFFFFu);
  cpack(RED);
  clear();
  logicop(KGL_LO_XOR);
  cpack(0x00FFFFFF);
  rectfi(0, 0, 0, 0);
  logicop(KGL_LO_SRC);
  EXPECT_EQ(kgl_read_composited(0, 0), 0x00FFFFu);
}

TEST_F(Matrices, GetmatrixLoadsBackUnchanged) {
  rot(33.3f, 'z');
  translate(1.25f, -7.0f, 3.0f);
  scale(0.3f, 2.0f, 1.0f);
  Matrix a, b;
  getmatrix(a);
  loadmatrix(a);
  getmatrix(b);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);

  pushmatrix();
  translate(100, 100, 0);
  popmatrix();
  getmatrix(b);
  EXPECT_EQ(std::memcmp(a, b, sizeof a), 0);
}

TEST_F(Matrices, CallsPremultiplySoTheLastActsFirst) {
  cpack(RED);
  translate(5, 0, 0);
  scale(2, 2, 1);
  bgnpoint();
  vertex(1, 1);
  endpoint();
  EXPECT_EQ(kgl_read_normal(7, 2), RED);

  // A quarter turn about z takes x to y.
  cpack(0);
  clear();
  cpack(RED);
  ortho2(-0.5f, W - 0.5f, -0.5f, H - 0.5f);
  translate(20, 10, 0);
  rotate(900, 'z');
  bgnpoint();
  vertex(3, 0);
  endpoint();
  EXPECT_EQ(kgl_read_normal(20, 13), RED);
}

TEST_F(Matrices, ProjectionAndViewingModes) {
  mmode(KGL_MVIEWING);
  EXPECT_EQ(getmmode(), KGL_MVIEWING);
  ortho(-0.5f, W - 0.5f, -0.5f, H - 0.5f, -10.0f, 10.0f);   // goes to the projection
  translate(3, 4, 0);
  cpack(RED);
  bgnpoint();
  const float p[3] = {1, 1, 0};
  v3f(p);
  const float behind[3] = {1, 1, 20};   // beyond the far plane
  v3f(behind);
  endpoint();
  EXPECT_EQ(kgl_read_normal(4, 5), RED);
  EXPECT_EQ(count_set(), 1);
  mmode(KGL_MPROJECTION);
  Matrix m;
  getmatrix(m);
  EXPECT_FLOAT_EQ(m[0][0], 2.0f / W);
  EXPECT_FLOAT_EQ(m[3][2], 0.0f);

  // A perspective view: a point on the axis lands in the viewport's centre.
  cpack(0);
  clear();
  perspective(900, 1.0f, 1.0f, 100.0f);
  viewport(0, 31, 0, 31);
  mmode(KGL_MVIEWING);
  const Matrix identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  loadmatrix(identity);
  cpack(RED);
  bgnline();
  const float a[3] = {0, 0, -10}, far_end[3] = {0, 0, 10};   // through the eye: clipped
  v3f(a);
  v3f(far_end);
  endline();
  EXPECT_EQ(count_set(), 1);
  EXPECT_NE(kgl_read_normal(16, 16), 0u);
  mmode(KGL_MSINGLE);
}

TEST_F(Inquiry, AnswersTheDriverRelies) {
  const std::pair<Int32, Int32> fixed[] = {{5, 0x7FFFFF}, {6, 8}, {7, 8}, {8, 8}, {16, 1},
                                           {17, 2},       {28, 0}, {33, 1}, {51, 0}, {53, 0}, {77, 1}};
  for (auto [what, value] : fixed) EXPECT_EQ(getgdesc(what), value) << what;
  EXPECT_GE(getgdesc(9), 1);
  EXPECT_GT(getgdesc(2), 0);
  EXPECT_GT(getgdesc(3), 0);

  char version[12];
  std::memset(version, 'x', sizeof version);
  EXPECT_EQ(gversion(version), 0);
  ASSERT_NE(std::memchr(version, 0, sizeof version), nullptr);
  std::string v(version);
  for (char &ch : v) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_NE(v.rfind("GL4DW", 0), 0u);

  Int32 w, h;
  getsize(&w, &h);
  EXPECT_EQ(w, W);
  EXPECT_EQ(h, H);
  EXPECT_EQ(isobj(12), 0);
}

TEST_F(Inquiry, StateReadersReturnWhatWasSet) {
  backface(1);
  shademodel(1);
  depthcue(1);
  lsbackup(1);
  lsrepeat(3);
  deflinestyle(2, 0x3C3C);
  setlinestyle(2);
  setlinestyle(99);   // undefined: refused
  Int32 l, r, b, t;
  viewport(2, 40, 3, 30);
  scrmask(0, 10, 5, 100);
  getscrmask(&l, &r, &b, &t);
  EXPECT_EQ(std::make_tuple(l, r, b, t), std::make_tuple(2, 10, 5, 30));
  EXPECT_EQ(getbackface(), 1);
  EXPECT_EQ(getsm(), 1);
  EXPECT_EQ(getdcm(), 1);
  EXPECT_EQ(getlsbackup(), 1);
  EXPECT_EQ(getlsrepeat(), 3);
  EXPECT_EQ(getlstyle(), 2);

  // No current context: calls do nothing and inquiries answer 0.
  kgl_offscreen_make_current(nullptr);
  clear();
  line(0, 0, 5, 5);
  EXPECT_EQ(getcolor(), 0);
  kgl_offscreen_make_current(ctx);
  EXPECT_TRUE(all_zero());
}

}  // namespace
