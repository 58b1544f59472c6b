// The vector and matrix library: its edge cases, its two exits, and the two
// functions that use the graphics library checked against it.
#include "render3d/vecmath.h"

#include "kovagl/offscreen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace {

void expect_vector(const Vector &v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

void expect_matrix_near(const Matrix a, const Matrix b, float tolerance) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a[i][j], b[i][j], tolerance) << i << "," << j;
}

TEST(VectorLibrary, TolerancesAndGuardedCases) {
  const Vector a = {1, 2, 3};
  EXPECT_EQ(vcompare(a, {1, 2 + 2e-05f, 3}), 0);
  EXPECT_EQ(vcompare(a, {1 + 5e-06f, 2 + 5e-06f, 3 - 5e-06f}), 1);

  Vector out;
  vhalf(a, {-1, -2, -3}, out);
  expect_vector(out, 1, 2, 3);
  vhalf({2, 0, 0}, {0, 2, 0}, out);
  expect_vector(out, std::sqrt(0.5f), std::sqrt(0.5f), 0);

  // Parallel to the plane z = 5: nothing is touched.
  Vector hit = {7, 7, 7};
  float t = 9;
  EXPECT_EQ(vintersect({0, 0, 0}, {1, 0, 0}, {0, 0, 1, 5}, hit, &t), 0);
  expect_vector(hit, 7, 7, 7);
  EXPECT_EQ(t, 9);
  EXPECT_EQ(vintersect({1, 1, 0}, {0, 0, 2}, {0, 0, 1, 5}, hit, &t), 1);
  expect_vector(hit, 1, 1, 5);
  EXPECT_EQ(t, 2.5f);
  vreflection({1, 1, 1}, {0, 0, 1, 5}, out);
  expect_vector(out, 1, 1, 9);

  // The output may be an input.
  Vector c = {1, 0, 0};
  vcross(c, {0, 1, 0}, c);
  expect_vector(c, 0, 0, 1);
  Vector4 plane;
  vplane_eqn({0, 0, 2}, {1, 0, 2}, {1, 1, 2}, plane);
  EXPECT_EQ(plane.z, 1);
  EXPECT_EQ(plane.w, 2);
}

TEST(VectorLibrary, ArbitraryAxisAndCoordinateSystems) {
  Vector x;
  marbaxis(x, {0.01f, 0.01f, 1});   // near the z axis: crossed with y
  EXPECT_GT(x.x, 0.99f);
  marbaxis(x, {0.02f, 0, 1});       // crossed with z
  expect_vector(x, 0, 1, 0);

  Matrix m, id;
  midentity(id);
  mucs2wcs(m, {0, 0, 5});
  expect_matrix_near(m, id, 0);
  mucs2wcs(m, {0, 0, -1});
  const Matrix flipped = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}};
  expect_matrix_near(m, flipped, 0);
}

TEST(MatrixLibrary, InverseAdjointAndDeterminant) {
  Matrix r, t, m, inv, product, id;
  midentity(id);
  mrotate_z(30, r);
  mtranslate(1, 2, 3, t);
  vmultmatrix(r, t, m);
  m[0][0] = 0;   // needs a row exchange
  m[0][1] = 2;
  minvert(m, inv);
  vmultmatrix(m, inv, product);
  expect_matrix_near(product, id, 1e-6f);

  // adjoint = determinant x inverse; the output may be the input.
  const float det = mdeterminant(m);
  Matrix adj;
  mcopy(m, adj);
  madjoint(adj, adj);
  mmultiply(inv, det);
  expect_matrix_near(adj, inv, 1e-5f);
  Matrix3 a3 = {{2, 0, 1}, {0, 3, 0}, {1, 0, 1}}, adj3;
  madjoint3(a3, adj3);
  EXPECT_EQ(mdeterminant3(a3), 3);
  EXPECT_EQ(adj3[0][0], 3);
  EXPECT_EQ(adj3[0][2], -3);
  EXPECT_EQ(adj3[2][2], 6);

  // A point goes through a row-vector matrix: translation in row 3.
  Vector p;
  vtransform({1, 0, 0}, t, p);
  expect_vector(p, 2, 2, 3);
  mrotate_x(90, r);
  vtransform({0, 1, 0}, r, p);
  EXPECT_NEAR(p.z, 1, 1e-7);
}

TEST(MatrixLibrary, LinearSystems) {
  float r0[] = {0, 2, 4}, r1[] = {1, 1, 3};   // needs a row exchange: x = 1, y = 2
  float *rows[] = {r0, r1};
  float x[2];
  linsolve(rows, 2, x);
  EXPECT_FLOAT_EQ(x[0], 1);
  EXPECT_FLOAT_EQ(x[1], 2);
  EXPECT_EQ(r0[0], 0);   // the rows are left as they were
  float one[] = {4, 10}, *single[] = {one};
  linsolve(single, 1, x);
  EXPECT_EQ(x[0], 2.5f);
  x[0] = 7;
  linsolve(single, 0, x);
  EXPECT_EQ(x[0], 7);
}

TEST(MatrixLibraryDeathTest, SingularInputsEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Matrix m;
  midentity(m);
  for (int i = 0; i < 4; ++i) m[i][0] = 0;
  Matrix out;
  EXPECT_EXIT(minvert(m, out), ::testing::ExitedWithCode(2), "^error: cannot do inverse matrix\n$");

  // The messages go to standard output: sent to standard error here.
  float a[] = {0, 1, 1}, b[] = {0, 2, 2}, *rows[] = {a, b};
  float x[2];
  EXPECT_EXIT((std::fflush(stdout), dup2(2, 1), linsolve(rows, 2, x)), ::testing::ExitedWithCode(1),
              "linsolv:  No unique solution exists\\.\n$");
  float c[] = {1, 1, 1}, d[] = {2, 2, 5}, *dependent[] = {c, d};
  EXPECT_EXIT((std::fflush(stdout), dup2(2, 1), linsolve(dependent, 2, x)), ::testing::ExitedWithCode(1),
              "linsolv: No unique solution exists\\.\n$");
  float zero[] = {0, 3}, *single[] = {zero};
  EXPECT_EXIT((std::fflush(stdout), dup2(2, 1), linsolve(single, 1, x)), ::testing::ExitedWithCode(1),
              "linsolv: No unique solution exists\\.\n$");
}

// mupat and vgetmatrix against what the graphics library does with them.
TEST(MatrixLibrary, LookAtAndTheWholeTransformMatchTheLibrary) {
  KglContext *ctx = kgl_offscreen_create(64, 48);
  kgl_offscreen_make_current(ctx);
  mmode(KGL_MPROJECTION);
  ortho(-10, 10, -10, 10, 0.5f, 50);
  mmode(KGL_MVIEWING);
  mupat({3, 4, 20}, {3, 4, 0}, {0, 1, 0});   // looking down -z from z = 20
  Matrix view;
  getmatrix(view);
  Vector p;
  vtransform({3, 4, 0}, view, p);
  expect_vector(p, 0, 0, -20);

  Matrix all;
  vgetmatrix(all);
  EXPECT_EQ(getmmode(), KGL_MVIEWING);
  // (5, 4, 0) is 2 units right of the centre: x 0.2 in clip space, pixel 38.
  Vector4 clip;
  vtransform4({5, 4, 0}, all, clip);
  EXPECT_NEAR(clip.x / clip.w, 0.2f, 1e-6);
  cpack(0xFFFFFFFFu);
  bgnpoint();
  const float v[3] = {5, 4, 0};
  v3f(v);
  endpoint();
  EXPECT_NE(kgl_read_normal(38, 24), 0u);
  kgl_offscreen_destroy(ctx);
}

}  // namespace
