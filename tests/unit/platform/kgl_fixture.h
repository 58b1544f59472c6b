// An off-screen context made current for each test, and small drawing helpers.
#pragma once

#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

class KglTest : public ::testing::Test {
 public:
  static constexpr int W = 64, H = 48;

 protected:
  KglContext *ctx = nullptr;

  void SetUp() override {
    ctx = kgl_offscreen_create(W, H);
    ASSERT_NE(ctx, nullptr);
    kgl_offscreen_make_current(ctx);
  }
  void TearDown() override { kgl_offscreen_destroy(ctx); }

  static void line(int x0, int y0, int x1, int y1) {
    bgnline();
    vertex(x0, y0);
    vertex(x1, y1);
    endline();
  }
  static void vertex(int x, int y) {
    const Int32 v[2] = {x, y};
    v2i(v);
  }
  static void polyline(std::initializer_list<std::pair<int, int>> pts) {
    bgnline();
    for (auto [x, y] : pts) vertex(x, y);
    endline();
  }
  static void polygon(std::initializer_list<std::pair<int, int>> pts) {
    bgnpolygon();
    for (auto [x, y] : pts) vertex(x, y);
    endpolygon();
  }
  // Pixels of the front normal buffer holding a non-zero value.
  static int count_set() {
    int n = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) n += kgl_read_normal(x, y) != 0;
    return n;
  }
  static bool all_zero() { return count_set() == 0; }
  static constexpr Uint32 RED = 0xFF0000FFu;   // packed, red in the low byte
};
