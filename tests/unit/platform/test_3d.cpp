// 3D drawing of the library against off-screen contexts: depth, shading,
// culling, lighting, depth cue, clipping and display objects, read back
// pixel by pixel.
#include "kgl_fixture.h"

#include <cmath>
#include <vector>

namespace {

constexpr Int32 ZNEAR = 15, ZFAR = 0x7FFFFF;

// Viewing mode with x, y in pixels and eye z from 0 (near) to -2 (far).
class Kgl3D : public KglTest {
 protected:
  void SetUp() override {
    KglTest::SetUp();
    mmode(KGL_MPROJECTION);
    ortho(-0.5f, W - 0.5f, -0.5f, H - 0.5f, 0.0f, 2.0f);
    mmode(KGL_MVIEWING);
    lsetdepth(ZNEAR, ZFAR);
  }
  struct V {
    float x, y, z;
    float r = 0, g = 0, b = 0;
  };
  static void poly(std::initializer_list<V> vs) {
    bgnpolygon();
    for (const V &v : vs) {
      const float rgb[3] = {v.r, v.g, v.b}, p[3] = {v.x, v.y, v.z};
      c3f(rgb);
      v3f(p);
    }
    endpolygon();
  }
  static void colour(float r, float g, float b) {
    const float rgb[3] = {r, g, b};
    c3f(rgb);
  }
  static Uint32 packed(int r, int g, int b) {
    return 0xFF000000u | static_cast<Uint32>(r) | static_cast<Uint32>(g) << 8 | static_cast<Uint32>(b) << 16;
  }
  static std::vector<Uint32> picture() {
    std::vector<Uint32> v(W * H);
    lrectread(0, 0, W - 1, H - 1, v.data());
    return v;
  }
  // The lit colour of one point at p with normal n.
  static Uint32 lit_point(float px, float py, float pz, float nx, float ny, float nz) {
    const float n[3] = {nx, ny, nz}, p[3] = {px, py, pz};
    bgnpoint();
    n3f(n);
    v3f(p);
    endpoint();
    return kgl_read_normal(static_cast<int>(px), static_cast<int>(py));
  }
};

using Depth = Kgl3D;
using Shading = Kgl3D;
using Lighting = Kgl3D;
using Objects = Kgl3D;

TEST_F(Depth, ConstantDepthFaceStoresTheFormulaValue) {
  zbuffer(1);
  zclear();
  poly({{4, 4, -1, 1, 0, 0}, {20, 4, -1, 1, 0, 0}, {20, 20, -1, 1, 0, 0}, {4, 20, -1, 1, 0, 0}});
  EXPECT_EQ(kgl_read_zbuffer(10, 10), 4194311u);
  EXPECT_EQ(kgl_read_normal(10, 10), packed(255, 0, 0));
  EXPECT_EQ(kgl_read_zbuffer(30, 30), 0x7FFFFFu);   // untouched

  // The nearest face wins in either order (flat: the last vertex's colour,
  // green near, red far); an equal depth passes.
  const auto draw = [](bool near_first) {
    zclear();
    colour(0, 0, 0);
    clear();
    for (int i = 0; i < 2; ++i) {
      const bool near = (i == 0) == near_first;
      const float z = near ? -0.5f : -1.5f, r = near ? 0.f : 1.f, g = near ? 1.f : 0.f;
      poly({{2, 2, z, 0, 0, 1}, {30, 2, z, 0, 0, 1}, {30, 30, z, r, g, 0}});
    }
    return picture();
  };
  const std::vector<Uint32> a = draw(true), b = draw(false);
  EXPECT_EQ(a, b);
  EXPECT_EQ(kgl_read_normal(25, 5), packed(0, 255, 0));
  poly({{2, 2, -0.5f, 0, 0, 1}, {30, 2, -0.5f, 0, 0, 1}, {30, 30, -0.5f, 0, 0, 1}});
  EXPECT_EQ(kgl_read_normal(25, 5), packed(0, 0, 255));

  // Lines and points are tested too; clear and pixel writes are not.
  colour(0, 1, 0);
  bgnline();
  const float l0[3] = {0, 10, -1}, l1[3] = {40, 10, -1};
  v3f(l0);
  v3f(l1);
  endline();
  EXPECT_EQ(kgl_read_normal(20, 10), packed(0, 0, 255));   // behind the face
  EXPECT_EQ(kgl_read_normal(35, 10), packed(0, 255, 0));
  clear();
  EXPECT_EQ(kgl_read_normal(20, 10), packed(0, 255, 0));
  zbuffer(0);
}

TEST_F(Depth, NearPlaneCutsAPolygonWhereItCrosses) {
  zbuffer(1);
  zclear();
  // Eye z runs from +1 at row 10 to -1 at row 30: in front of the near plane
  // (z 0, row 20) nothing is drawn.
  poly({{10, 10, 1, 1, 1, 1}, {30, 10, 1, 1, 1, 1}, {30, 30, -1, 1, 1, 1}, {10, 30, -1, 1, 1, 1}});
  EXPECT_EQ(kgl_read_normal(15, 19), 0u);
  EXPECT_EQ(kgl_read_normal(15, 20), packed(255, 255, 255));
  EXPECT_EQ(kgl_read_zbuffer(15, 20), static_cast<Uint32>(ZNEAR));
  EXPECT_EQ(kgl_read_normal(15, 29), packed(255, 255, 255));
  EXPECT_EQ(kgl_read_normal(15, 30), 0u);
  zbuffer(0);
}

TEST_F(Shading, GouraudValuesAtPixelCentres) {
  shademodel(1);
  // Red grows with x, green with y, blue stays: values x/40 and y/40, the
  // vertices given from each of them.
  const V corner[3] = {{0, 0, -1, 0, 0, 0.5f}, {40, 0, -1, 1, 0, 0.5f}, {0, 40, -1, 0, 1, 0.5f}};
  for (int first = 0; first < 3; ++first) {
    colour(0, 0, 0);
    clear();
    poly({corner[first], corner[(first + 1) % 3], corner[(first + 2) % 3]});
    const struct {
      int x, y;
    } at[] = {{10, 5}, {30, 2}, {3, 33}, {17, 9}};
    for (auto p : at) {
      const auto ch = [](double v) { return static_cast<int>(std::floor(v * 255 + 0.5)); };
      EXPECT_EQ(kgl_read_normal(p.x, p.y), packed(ch(p.x / 40.0), ch(p.y / 40.0), 128)) << p.x << "," << p.y;
    }
  }
  // Flat shading takes the last vertex's colour.
  shademodel(0);
  poly({{0, 0, -1, 1, 0, 0}, {40, 0, -1, 0, 1, 0}, {0, 40, -1, 0, 0, 1}});
  EXPECT_EQ(kgl_read_normal(10, 5), packed(0, 0, 255));
}

TEST_F(Shading, ShadedFanCoversThePolygonOnceAndExclusiveOrUndoesIt) {
  // A convex pentagon filled flat by the 2D fill, then smooth over it in
  // exclusive-or: every pixel of the fill changes, none outside it.
  const std::initializer_list<V> shape = {
      {5.3f, 4.1f, -1, 1, 0, 0}, {40.7f, 8.2f, -1, 0, 1, 0}, {44.5f, 30.6f, -1, 0, 0, 1},
      {20.2f, 41.9f, -1, 1, 1, 0}, {3.6f, 25.5f, -1, 0, 1, 1}};
  cpack(0xFFFFFFFFu);
  bgnpolygon();
  for (const V &v : shape) {
    const float p[3] = {v.x, v.y, v.z};
    v3f(p);
  }
  endpolygon();
  const std::vector<Uint32> flat = picture();
  colour(0, 0, 0);
  clear();
  shademodel(1);
  logicop(KGL_LO_XOR);
  poly(shape);
  const std::vector<Uint32> once = picture();
  for (int i = 0; i < W * H; ++i) EXPECT_EQ(flat[i] != 0, once[i] != 0xFF000000u) << i % W << "," << i / W;
  poly(shape);
  logicop(KGL_LO_SRC);
  for (Uint32 v : picture()) ASSERT_EQ(v, 0xFF000000u);
}

TEST_F(Shading, CullingByWindingUnderEachFlag) {
  const float ccw[3][3] = {{2, 2, -1}, {20, 2, -1}, {2, 20, -1}};
  const float cw[3][3] = {{30, 2, -1}, {30, 20, -1}, {48, 2, -1}};
  const struct {
    int front, back;
    bool ccw_drawn, cw_drawn;
  } cases[] = {{0, 0, true, true}, {0, 1, true, false}, {1, 0, false, true}, {1, 1, false, false}};
  for (const auto &k : cases) {
    colour(0, 0, 0);
    clear();
    frontface(k.front);
    backface(k.back);
    colour(1, 1, 1);
    for (const auto *t : {ccw, cw}) {
      bgnpolygon();
      for (int i = 0; i < 3; ++i) v3f(t[i]);
      endpolygon();
    }
    // Lines are never culled.
    bgnclosedline();
    for (int i = 0; i < 3; ++i) v3f(cw[i]);
    endclosedline();
    EXPECT_EQ(kgl_read_normal(5, 5) != 0xFF000000u, k.ccw_drawn) << k.front << k.back;
    EXPECT_EQ(kgl_read_normal(33, 5) != 0xFF000000u, k.cw_drawn) << k.front << k.back;
    EXPECT_NE(kgl_read_normal(30, 10), 0xFF000000u);
  }
  frontface(0);
  backface(0);
}

TEST_F(Shading, DepthCueRunsFromMaxAtNearToMinAtFar) {
  depthcue(1);
  lsetdepth(100, 1000);
  lRGBrange(0, 0, 0, 255, 128, 0, 100, 1000);
  poly({{0, 0, 0, 1, 1, 1}, {20, 0, 0, 1, 1, 1}, {0, 20, 0, 1, 1, 1}});        // at znear
  poly({{30, 0, -2, 1, 1, 1}, {50, 0, -2, 1, 1, 1}, {30, 20, -2, 1, 1, 1}});   // at zfar
  poly({{0, 25, -1, 1, 1, 1}, {20, 25, -1, 1, 1, 1}, {0, 45, -1, 1, 1, 1}});   // half way
  EXPECT_EQ(kgl_read_normal(3, 3), packed(255, 128, 0));
  EXPECT_EQ(kgl_read_normal(33, 3), packed(0, 0, 0));
  EXPECT_EQ(kgl_read_normal(3, 28), packed(128, 64, 0));
  // Beyond the range's ends the colour is held.
  lRGBrange(0, 0, 0, 255, 128, 0, 400, 700);
  poly({{0, 0, 0, 1, 1, 1}, {20, 0, 0, 1, 1, 1}, {0, 20, 0, 1, 1, 1}});
  EXPECT_EQ(kgl_read_normal(3, 3), packed(255, 128, 0));
  depthcue(0);
}

TEST_F(Lighting, EachLightKindAndTheUnlitCases) {
  const float mat[] = {KGL_SPECULAR, 0, 0, 0, KGL_LMNULL};
  lmdef(KGL_DEFMATERIAL, 1, 5, mat);
  lmdef(KGL_DEFLIGHT, 1, 0, nullptr);   // the default: colour 1 from +z, a direction
  const float point[] = {KGL_POSITION, 11, 5, 1, 1, KGL_LMNULL};
  lmdef(KGL_DEFLIGHT, 2, 6, point);
  const float spot[] = {KGL_POSITION, 0, 0, 1, 1, KGL_SPOTDIRECTION, 0, 0, -1, KGL_SPOTLIGHT, 2, 45, KGL_LMNULL};
  lmdef(KGL_DEFLIGHT, 3, 13, spot);
  const float model[] = {KGL_ATTENUATION, 1, 0.5f, KGL_ATTENUATION2, 0.25f, KGL_AMBIENT, 0.25f, 0.25f, 0.25f, 0};
  lmdef(KGL_DEFLMODEL, 1, 10, model);
  colour(0, 0, 1);

  // No material bound: the current colour.
  lmbind(KGL_LIGHT0, 1);
  EXPECT_EQ(lit_point(5, 5, -1, 0, 0, 1), packed(0, 0, 255));
  lmbind(KGL_MATERIAL, 1);
  // Directional: diffuse 0.8 times N.L; no model, no ambient.
  EXPECT_EQ(lit_point(6, 5, -1, 0, 0, 1), packed(204, 204, 204));
  EXPECT_EQ(lit_point(7, 5, -1, 0, 0.6f, 0.8f), packed(163, 163, 163));
  EXPECT_EQ(lit_point(8, 5, -1, 0, 0, -1), packed(0, 0, 0));
  // Not in the viewing mode: unlit.
  mmode(KGL_MSINGLE);
  ortho(-0.5f, W - 0.5f, -0.5f, H - 0.5f, 0.0f, 2.0f);
  EXPECT_EQ(lit_point(9, 5, -1, 0, 0, 1), packed(0, 0, 255));
  mmode(KGL_MVIEWING);

  // Model ambient 0.25 adds 0.2 x 0.25; a local light at distance 2 is
  // attenuated by 1/(1 + 0.5 x 2 + 0.25 x 4).
  lmbind(KGL_LMODEL, 1);
  EXPECT_EQ(lit_point(10, 5, -1, 0, 0.6f, 0.8f), packed(176, 176, 176));
  lmbind(KGL_LIGHT0, 2);
  EXPECT_EQ(lit_point(11, 5, -1, 0, 0, 1), packed(81, 81, 81));   // (0.05 + 0.8/3) x 255
  lmbind(KGL_LMODEL, 0);

  // Spot of exponent 2 and cut-off 45 degrees pointing down -z.
  lmbind(KGL_LIGHT0, 3);
  EXPECT_EQ(lit_point(0, 0, -1, 0, 0, 1), packed(204, 204, 204));
  EXPECT_EQ(lit_point(1, 0, -1, 0, 0, 1), packed(146, 146, 146));   // 0.8 x (2/sqrt 5)^3
  EXPECT_EQ(lit_point(3, 0, -1, 0, 0, 1), packed(0, 0, 0));         // outside the cone

  // Specular 1 with shininess 10: N.H = 0.8 adds 0.8^10.
  const float shiny[] = {KGL_SPECULAR, 1, 1, 1, KGL_SHININESS, 10, KGL_LMNULL};
  lmdef(KGL_DEFMATERIAL, 2, 7, shiny);
  lmbind(KGL_MATERIAL, 2);
  lmbind(KGL_LIGHT0, 1);
  EXPECT_EQ(lit_point(12, 5, -1, 0, 0.6f, 0.8f), packed(191, 191, 191));

  // The light's direction enters eye space at binding: bound under a
  // rotation of 90 degrees about x it comes from -y afterwards too.
  lmbind(KGL_MATERIAL, 1);
  pushmatrix();
  rot(90, 'x');
  lmbind(KGL_LIGHT0, 1);
  popmatrix();
  EXPECT_EQ(lit_point(13, 5, -1, 0, -1, 0), packed(204, 204, 204));
  EXPECT_EQ(lit_point(14, 5, -1, 0, 0, 1), packed(0, 0, 0));

  // An undefined index is ignored; 0 unbinds.
  lmbind(KGL_MATERIAL, 99);
  EXPECT_EQ(lit_point(15, 5, -1, 0, -1, 0), packed(204, 204, 204));
  lmbind(KGL_MATERIAL, 0);
  EXPECT_EQ(lit_point(16, 5, -1, 0, -1, 0), packed(0, 0, 255));
  lmbind(KGL_LIGHT0, 0);
}

// A polygon's vertices are lit once the polygon is known to be drawn, yet
// each by the material bound when it came.
TEST_F(Lighting, APolygonsVerticesTakeTheMaterialBoundWhenEachCame) {
  const float dim[] = {KGL_DIFFUSE, 0.4f, 0.4f, 0.4f, KGL_LMNULL};
  lmdef(KGL_DEFMATERIAL, 1, 0, nullptr);   // diffuse 0.8
  lmdef(KGL_DEFMATERIAL, 2, 5, dim);
  lmdef(KGL_DEFLIGHT, 1, 0, nullptr);
  lmbind(KGL_LIGHT0, 1);
  lmbind(KGL_MATERIAL, 1);
  shademodel(1);
  const float n[3] = {0, 0, 1}, a[3] = {0, 0, -1}, b[3] = {40, 0, -1}, c[3] = {0, 40, -1};
  n3f(n);
  bgnpolygon();
  v3f(a);
  v3f(b);
  lmbind(KGL_MATERIAL, 2);
  v3f(c);
  endpolygon();
  EXPECT_EQ(kgl_read_normal(0, 0), packed(204, 204, 204));
  const Uint32 top = kgl_read_normal(0, 39) & 0xFF;
  EXPECT_GE(top, 102u);
  EXPECT_LE(top, 110u);
  shademodel(0);
  lmbind(KGL_MATERIAL, 0);
  lmbind(KGL_LIGHT0, 0);
}

TEST_F(Objects, RecordedCallsDrawOnlyWhenCalled) {
  EXPECT_EQ(genobj(), 1);
  makeobj(1);
  EXPECT_EQ(genobj(), 2);
  EXPECT_EQ(isobj(1), 1);
  colour(1, 0, 0);
  translate(10, 0, 0);
  poly({{0, 0, -1, 1, 0, 0}, {8, 0, -1, 1, 0, 0}, {0, 8, -1, 1, 0, 0}});
  closeobj();
  EXPECT_TRUE(all_zero());
  makeobj(2);
  pushmatrix();
  translate(0, 20, 0);
  callobj(1);
  popmatrix();
  callobj(1);
  closeobj();
  makeobj(3);
  callobj(3);   // calls itself: ends at the nesting limit
  closeobj();

  callobj(2);
  EXPECT_EQ(kgl_read_normal(11, 1), packed(255, 0, 0));
  EXPECT_EQ(kgl_read_normal(11, 21), packed(255, 0, 0));
  EXPECT_EQ(kgl_read_normal(1, 1), 0u);   // the recorded translate applied, not the matrix of the recording
  callobj(3);

  delobj(1);
  EXPECT_EQ(isobj(1), 0);
  EXPECT_EQ(genobj(), 1);
  colour(0, 0, 0);
  clear();
  callobj(2);   // the missing object is skipped
  EXPECT_EQ(kgl_read_normal(11, 1), 0xFF000000u);
  delobj(2);
  delobj(3);
}

}  // namespace
