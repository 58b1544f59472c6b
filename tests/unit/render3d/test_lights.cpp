// Lights, materials and projections called directly: the light slots, the
// material numbers, a lit face in the light and material defined, the
// projection clamps and refusals, the matrix layout and the lens conversions.
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/build.h"
#include "kovagl/context.h"
#include "render3d/lights.h"
#include "render3d/projection.h"
#include "render3d/segments.h"
#include "render_fixture.h"

namespace {

class Lights : public RenderTest {
 protected:
  int saved_matl = MatlIndex, saved_rendered = RenderedViewport, saved_sets[2] = {ProjSet, ViewSet};
  std::int16_t saved_app = WhoIsCalling->app_id;
  void SetUp() override {
    RenderTest::SetUp();
    init_viewports();
    vp_info[0].width = kRW, vp_info[0].height = kRH;
    ResetLights();
    ProjSet = ViewSet = 0;
    WhoIsCalling->app_id = 1;   // not a direct client
  }
  void TearDown() override {
    WhoIsCalling->app_id = saved_app;
    seg_is_open = 0;
    ResetLights();
    MatlIndex = saved_matl;
    RenderedViewport = saved_rendered;
    ProjSet = saved_sets[0], ViewSet = saved_sets[1];
    NormalCorrection = 0;
    RenderTest::TearDown();
  }
  static void light(int id, int kind, double intensity = 1) {
    TestPacket t(89, 144);
    t.i16(4, id).i16(6, kind).f64(48, -1).f64(80, intensity).i16(88, 2);
    plight(t.p);
  }
  static int rows_of(int id) {
    int n = 0;
    for (const LightSlot &s : light_slots) n += s.used && s.id == id;
    return n;
  }
  static TestPacket ortho_packet(double znear, double zfar, double l, double r, double b, double t) {
    TestPacket p(80, 56);
    p.i16(4, 0).f64(8, znear).f64(16, zfar).f64(24, l).f64(32, r).f64(40, b).f64(48, t);
    return p;
  }
  static TestPacket persp_packet(double fovy, double znear, double zfar) {
    TestPacket p(81, 32);
    p.i16(4, 0).f64(8, fovy).f64(16, znear).f64(24, zfar);
    return p;
  }
};

TEST_F(Lights, LightSlotsFillUpAndFree) {
  light(0, 1);
  light(0, 1);                        // the same id takes a second row
  EXPECT_EQ(light_slots[0].id, 0);
  EXPECT_EQ(light_slots[1].id, 0);
  light(3, 2);
  EXPECT_EQ(light_slots[2].id, 3);
  EXPECT_EQ(light_slots[2].kind, 2);
  light(5, 1, 0);                     // no intensity, no light
  light(9, 1);                        // no such light
  light(4, 7);                        // no such kind
  EXPECT_EQ(rows_of(5) + rows_of(9) + rows_of(4), 0);
  for (int i = 0; i < 6; ++i) light(1, 3);
  light(2, 1);                        // rows 0 to 7 are taken
  EXPECT_EQ(rows_of(1), 5);
  EXPECT_EQ(rows_of(2), 0);
  light(2, 0);                        // ambient: the model's row
  EXPECT_TRUE(light_slots[kModelSlot].used);
  EXPECT_EQ(light_slots[kModelSlot].id, 2);

  TestPacket off(90, 6);
  off.i16(4, 0);
  pdlight(off.p);
  EXPECT_EQ(rows_of(0), 0);
  EXPECT_FALSE(light_slots[0].used);
  light(2, 1);
  EXPECT_EQ(light_slots[0].id, 2);
  ResetLights();
  for (const LightSlot &s : light_slots) EXPECT_FALSE(s.used);
}

TEST_F(Lights, AFaceIsLitByTheLightAndMaterialDefined) {
  light(0, 1);   // white, down -z
  TestPacket matl(92, 146);
  matl.f64(16, 0.6).i16(48, 2).i16(80, 2).i16(112, 2);
  psetmatl(matl.p);
  ASSERT_EQ(MatlIndex, 1);
  SelectScreenMatrix();
  RebindLights();
  lmbind(KGL_MATERIAL, MatlIndex);
  const float normal[3] = {0, 0, 1}, v[4][3] = {{4, 4, 0}, {20, 4, 0}, {20, 20, 0}, {4, 20, 0}};
  mmode(KGL_MPROJECTION);
  loadmatrix(ScreenMatrix);
  mmode(KGL_MVIEWING);
  Matrix identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  loadmatrix(identity);
  bgnpolygon();
  n3f(normal);
  for (const auto &p : v) v3f(p);
  endpolygon();
  lmbind(KGL_MATERIAL, 0);
  mmode(KGL_MSINGLE);
  EXPECT_EQ(shown(10, 10), 0x999999u);
}

TEST_F(Lights, MaterialNumbersRunOutAt16384) {
  MatlIndex = kMaterialLimit - 1;
  TestPacket matl(92, 146, {}, 0);
  matl.p.put_u16(144, 7);
  EXPECT_EQ(psetmatl(matl.p), 0);
  EXPECT_EQ(MatlIndex, kMaterialLimit);
  EXPECT_EQ(matl.p.u16(144), 0);
  EXPECT_EQ(psetmatl(matl.p), 0);
  EXPECT_EQ(MatlIndex, kMaterialLimit);
  EXPECT_EQ(matl.p.u16(144), 1);
  ResetMaterials();
  EXPECT_EQ(MatlIndex, 0);
}

// The second program redefines material 1 for a direct client, takes the
// shininess as the exponent itself, and defines nothing in an open segment.
TEST_F(Lights, MaterialsOfADirectClientAndInAnOpenSegment) {
  WhoIsCalling->app_id = 0;
  MatlIndex = 5;
  auto define = [](double shininess) {
    TestPacket matl(92, 146, {}, 0);
    matl.f64(24, 1).f64(32, shininess).i16(48, 2).p.put_u16(144, 7);
    psetmatl(matl.p);
    lmbind(KGL_MATERIAL, MatlIndex);
    const float exponent = kgl_ctx->s3d.material.shininess;
    lmbind(KGL_MATERIAL, 0);
    return std::pair{exponent, matl.p.u16(144)};
  };
  const struct {
    double asked;
    float first, second;   // the exponent each program defines
  } cases[] = {{0.5, 64, 0.5}, {-3, 128, 3}, {300, 128, 128}};
  int number = 5;
  for (const auto &c : cases) {
    EXPECT_EQ(define(c.asked).first, kSecondBuild ? c.second : c.first) << c.asked;
    EXPECT_EQ(MatlIndex, kSecondBuild ? 1 : ++number);
  }
  seg_is_open = 1;
  MatlIndex = 3;
  EXPECT_EQ(define(0.5).second, kSecondBuild ? 7 : 0);
  EXPECT_EQ(MatlIndex, kSecondBuild ? 3 : 4);
}

// The first program loads a projection over its viewport at once when a view
// is there; the second leaves that to the model matrix. Both then multiply
// the model onto the view.
TEST_F(Lights, ProjectionsAreLoadedWithTheViewOrWithTheModel) {
  ViewportRecord &vp = vp_info[0];
  vp.x1 = 5, vp.x2 = 40, vp.y1 = 6, vp.y2 = 30;
  TestPacket view(79, 136);
  view.i16(4, 0);
  for (std::size_t i = 0; i < 4; ++i) view.f64(8 + 5 * i * 8, 1);
  pview(view.p);
  // The viewport's rectangle, a pixel wider each side, as the library has it.
  auto over_rectangle = [] {
    Int32 l, r, b, t;
    getviewport(&l, &r, &b, &t);
    return l == 4 && r == 41 && b == 5 && t == 31;
  };
  for (TestPacket projection : {ortho_packet(0, -100, 0, 64, 0, 48), persp_packet(40, -1, -100)}) {
    SelectScreenMatrix();
    if (projection.p.opcode() == 80)
      portho(projection.p);
    else
      ppersp(projection.p);
    EXPECT_EQ(ProjSet, 1);
    EXPECT_EQ(CurrentMatrixNumber, -1);
    EXPECT_EQ(over_rectangle(), !kSecondBuild) << projection.p.opcode();

    TestPacket model(93, 136);
    for (std::size_t i = 0; i < 4; ++i) model.f64(8 + 5 * i * 8, 2);
    pmodel(model.p);
    EXPECT_EQ(CurrentMatrixNumber, kMatrixProjection);
    EXPECT_EQ(getmmode(), KGL_MVIEWING);
    EXPECT_TRUE(over_rectangle());
    Matrix m;
    getmatrix(m);
    EXPECT_EQ(m[1][1], 2.0f);
  }
  mmode(KGL_MSINGLE);
  CurrentMatrixNumber = -1;
}

TEST_F(Lights, ProjectionsAreClampedOrRefused) {
  const ViewportRecord &vp = vp_info[0];
  TestPacket o = ortho_packet(0, -100, 0, 64, 0, 48);
  portho(o.p);
  EXPECT_EQ(ProjSet, 1);
  EXPECT_EQ(Projection, 1);
  EXPECT_EQ(vp.ortho_near, 0.0f);
  EXPECT_EQ(vp.ortho_far, 100.0f);
  EXPECT_EQ(vp.ortho_right, 64.0f);
  EXPECT_EQ(vp.ortho_top, 48.0f);
  TestPacket o2 = ortho_packet(-0.001, -100, 0, 64, 0, 48);
  portho(o2.p);
  EXPECT_FLOAT_EQ(vp.ortho_near, 0.01f);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  ProjSet = 0;
  for (TestPacket bad : {ortho_packet(0, -100, 5, 5, 0, 48), ortho_packet(0, -100, 0, 64, 7, 7),
                         ortho_packet(-3, -3, 0, 64, 0, 48), ortho_packet(0, -100, nan, 64, 0, 48),
                         persp_packet(40, -1, -1), persp_packet(40, -1, 0), persp_packet(40, -1, 5),
                         persp_packet(nan, -1, -10)}) {
    if (bad.p.opcode() == 80)
      portho(bad.p);
    else
      ppersp(bad.p);
    EXPECT_EQ(ProjSet, 0) << bad.p.opcode();
  }
  EXPECT_FLOAT_EQ(vp.ortho_near, 0.01f);

  for (const double asked : {200.0, 0.5, 45.0}) {
    TestPacket p = persp_packet(asked, -0.001, -100);
    ppersp(p.p);
    EXPECT_EQ(vp.fovy, std::clamp(static_cast<float>(asked), 1.0f, 178.0f));
  }
  EXPECT_EQ(Projection, 2);
  EXPECT_FLOAT_EQ(vp.persp_aspect, static_cast<float>(kRW) / kRH);
  EXPECT_FLOAT_EQ(vp.persp_near, 0.01f);
  EXPECT_EQ(vp.persp_far, 100.0f);
}

TEST_F(Lights, ViewMatricesArriveColumnAfterColumn) {
  NormalCorrection = 1;
  TestPacket view(79, 136);
  view.i16(4, 0);
  // Rows of the matrix: z mirrored and doubled, and a translation (5, 6, 7).
  const double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -2, 0}, {5, 6, 7, 1}};
  for (std::size_t r = 0; r < 4; ++r)
    for (std::size_t c = 0; c < 4; ++c) view.f64(8 + (4 * c + r) * 8, m[r][c]);
  pview(view.p);
  EXPECT_EQ(ViewSet, 1);
  EXPECT_EQ(RenderedViewport, 0);
  EXPECT_EQ(ViewingMatrix[3][0], 5.0f);
  EXPECT_EQ(ViewingMatrix[3][2], 7.0f);
  EXPECT_EQ(ViewingMatrix[2][2], -2.0f);
  // The adjoint's third row (0, 0, 1, 0), negated: its last element is -2.
  EXPECT_EQ(Adjoint2[2], -1.0f);
  EXPECT_EQ(Adjoint2[0] + Adjoint2[1] + Adjoint2[3], 0.0f);
  TestPacket unknown(79, 136);
  unknown.i16(4, 1234);
  ViewSet = 0;
  pview(unknown.p);
  EXPECT_EQ(ViewSet, 0);
}

TEST_F(Lights, LensConversionsInvertEachOther) {
  for (const float lens : {10.0f, 50.0f, 200.0f}) {
    const float fovy = lenslength2fovy(lens);
    EXPECT_NEAR(fovy, 2 * std::atan(12.524597 / lens) * 180 / 3.14159265358979, 1e-3);
    EXPECT_NEAR(fovy2lenslength(fovy), lens, lens * 1e-4);
  }
  EXPECT_EQ(lenslength2fovy(0.01f), lenslength2fovy(0.1f));
  EXPECT_EQ(lenslength2fovy(0.1f), 178.0f);
  EXPECT_EQ(fovy2lenslength(200), fovy2lenslength(178));
}

}  // namespace
