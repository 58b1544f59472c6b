// The line fast path against the general one: random segments, clipped and
// not, in every specialised case, must set exactly the same pixels.
#include "kovagl/context.h"
#include "kovagl/gl.h"
#include "kovagl/line_queue.h"
#include "kovagl/matrix.h"
#include "kovagl/offscreen.h"
#include "kovagl/primitives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int W = 97, H = 61;

struct Case {
  Int32 op;
  bool both_buffers;
  bool masked;
  float scale;   // world units a pixel
};

// The same state on a context: buffers, logical operation, mask and matrix.
void set_state(KglContext *c, const Case &k) {
  kgl_offscreen_make_current(c);
  if (k.both_buffers) {
    doublebuffer();
    gconfig();
    frontbuffer(1);
    backbuffer(1);
  }
  if (k.masked) scrmask(7, 80, 5, 40);
  ortho2(-0.5f * k.scale, (W - 0.5f) * k.scale, -0.5f * k.scale, (H - 0.5f) * k.scale);
  cpack(0xFF00FF00u);
  clear();
  logicop(k.op);
  cpack(0xFF3060C0u);
}

class FastLines : public ::testing::TestWithParam<Case> {};

TEST_P(FastLines, SamePixelsAsTheGeneralPath) {
  const Case k = GetParam();
  KglContext *fast = kgl_offscreen_create(W, H), *general = kgl_offscreen_create(W, H);
  set_state(fast, k);
  set_state(general, k);

  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> near_x(-30.0f, W + 30.0f), near_y(-30.0f, H + 30.0f);
  std::uniform_real_distribution<float> far(-5e6f, 5e6f);
  std::uniform_int_distribution<int> kind(0, 9), len(1, 6);
  for (int line = 0; line < 3000; ++line) {
    // Polylines of a few vertices: in and around the window, on whole pixels
    // and between them, now and then far away or of no length.
    const int n = len(rng);
    float px = 0, py = 0;
    bool prev_far = false;
    for (int i = 0; i <= n; ++i) {
      float x, y;
      const int what = kind(rng);
      if (what == 0) {
        x = far(rng), y = far(rng);
      } else if (what == 1 && i > 0) {
        x = px, y = py;
      } else {
        x = (what < 5 ? std::round(near_x(rng)) : near_x(rng)) * k.scale;
        y = (what < 5 ? std::round(near_y(rng)) : near_y(rng)) * k.scale;
      }
      const bool is_far = what == 0 || (what == 1 && prev_far);
      if (i > 0) {
        const KglClipVertex a = kgl_transform(fast, px, py, 0.0), b = kgl_transform(fast, x, y, 0.0);
        kgl_offscreen_make_current(fast);
        const bool drawn = kgl_fast_segment(kgl_line_vertex(fast, a), kgl_line_vertex(fast, b), i > 1);
        if (!prev_far && !is_far) {
          ASSERT_TRUE(drawn);
        }
        if (!drawn) kgl_draw_segment(a, b, i > 1, false);
        kgl_offscreen_make_current(general);
        kgl_draw_segment(a, b, i > 1, false);
      }
      px = x, py = y, prev_far = is_far;
    }
  }
  // The planes are read directly: every queued line must be drawn first.
  kgl_offscreen_make_current(fast);
  finish();
  for (int b = 0; b < 2; ++b)
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        ASSERT_EQ(fast->normal[b][static_cast<std::size_t>(y) * W + x],
                  general->normal[b][static_cast<std::size_t>(y) * W + x])
            << "buffer " << b << " at " << x << "," << y;
  kgl_offscreen_destroy(fast);
  kgl_offscreen_destroy(general);
}

INSTANTIATE_TEST_SUITE_P(EveryCase, FastLines,
                         ::testing::Values(Case{KGL_LO_SRC, false, false, 1.0f}, Case{KGL_LO_XOR, false, false, 1.0f},
                                           Case{KGL_LO_SRC, true, false, 1.0f}, Case{KGL_LO_XOR, true, false, 1.0f},
                                           Case{KGL_LO_SRC, false, true, 0.37f}, Case{KGL_LO_XOR, false, true, 3.0f},
                                           Case{KGL_LO_SRC, true, true, 25.0f}, Case{KGL_LO_XOR, true, true, 0.1f}));

// The workers' mapping of line ends (x and y side by side) gives exactly what
// the drawing thread's one-coordinate-at-a-time mapping gives: random maps
// and viewports, points near the window, on half pixels, near the guard band
// and far away, wherever the map's raw bound lets the workers take them.
TEST(LineMapping, WorkersMapEndsAsTheDrawingThreadDoes) {
  std::mt19937 rng(31);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  KglContext *c = kgl_offscreen_create(W, H);
  kgl_offscreen_make_current(c);
  int mapped = 0;
  for (int map = 0; map < 200; ++map) {
    const double scale = std::pow(10.0, 4 * unit(rng)), shift = 1000 * unit(rng);
    ortho2(static_cast<float>(shift), static_cast<float>(shift + W * scale), static_cast<float>(-shift),
           static_cast<float>(-shift + H * scale));
    if (map % 3 == 0) viewport(5, W - 9, 3, H - 4);
    if (map % 5 == 0) scrmask(11, 50, 7, 30);
    if (map % 2 == 1) rot(static_cast<float>(37 * map % 360), 'z');   // x and y mix
    const KglLineMap &m = c->line_map;
    ASSERT_TRUE(m.ok);
    for (int i = 0; i < 500; ++i) {
      double x, y;
      switch (i % 4) {
        case 0:   // whole units near the window
          x = std::round(shift + (W * unit(rng) + W) * scale), y = std::round(-shift + (H * unit(rng) + H) * scale);
          break;
        case 1:   // on half pixels
          x = shift + (std::round(2 * W * unit(rng)) / 2) * scale, y = -shift + (std::round(2 * H * unit(rng)) / 2) * scale;
          break;
        case 2:   // near the guard band, on either side
          x = shift + (KGL_GUARD * (1 + 1e-9 * unit(rng)) * (unit(rng) < 0 ? -1 : 1)) * scale, y = unit(rng) * 1e3;
          break;
        default:   // anywhere
          x = 3e9 * unit(rng), y = 3e9 * unit(rng);
          break;
      }
      // The workers take whole units within the raw bound.
      x = std::round(x), y = std::round(y);
      const std::int64_t b = m.raw_bound;
      if (std::fabs(x) <= static_cast<double>(b) && std::fabs(y) <= static_cast<double>(b)) {
        ++mapped;
        const KglClipVertex v1 = kgl_map_2d(m, x, y);
        const KglLineVertex w1 = kgl_line_vertex_at(c, kgl_window_x(m, v1), kgl_window_y(m, v1));
        KglLineCmd in{}, out{};
        in.x0 = in.x1 = static_cast<Int32>(x), in.y0 = in.y1 = static_cast<Int32>(y);
        in.flags = KGL_CMD_MAPPED;
        const KglRect all = {-(1 << 30), -(1 << 30), 1 << 30, 1 << 30};
        ASSERT_TRUE(kgl_map_line_cmd(in, m, all, -(1 << 30), 1 << 30, out));
        ASSERT_TRUE(w1.ok);
        ASSERT_EQ(out.x0, w1.x) << x << "," << y;
        ASSERT_EQ(out.y0, w1.y) << x << "," << y;
      }
    }
  }
  EXPECT_GT(mapped, 20000);
  kgl_offscreen_destroy(c);
}

// One-call lines and polylines draw what bgnline, a v2i a vertex and endline
// draw, whichever path the state sends them down (mapped by the workers,
// fast, wide, styled, through a matrix with perspective) and with or without
// worker threads; by exclusive-or a polyline's shared vertices show drawn
// once. So do runs of lines of packed points, in their colour.
TEST(LineCall, SamePixelsAsBeginVertexVertexEnd) {
  struct State {
    Int32 op, width;
    bool both, masked, styled, perspective;
  };
  const State states[] = {{KGL_LO_SRC, 1, false, false, false, false}, {KGL_LO_XOR, 1, false, false, false, false},
                          {KGL_LO_SRC, 1, true, false, false, false},  {KGL_LO_XOR, 1, true, true, false, false},
                          {KGL_LO_SRC, 3, false, true, false, false},  {KGL_LO_SRC, 1, false, false, true, false},
                          {KGL_LO_SRC, 1, true, false, false, true}};
  for (const int threads : {0, 3}) {
    kgl_set_line_threads(threads);
    for (const State &st : states) {
      KglContext *one = kgl_offscreen_create(W, H), *four = kgl_offscreen_create(W, H);
      KglContext *run = kgl_offscreen_create(W, H);
      const float colours[3][3] = {{0.75f, 0.375f, 0.1875f}, {1.0f, 0.0f, 0.5f}, {0.25f, 1.0f, 0.0f}};
      for (KglContext *c : {one, four, run}) {
        set_state(c, Case{st.op, st.both, st.masked, 7.0f});
        linewidth(static_cast<Int16>(st.width));
        if (st.styled) {
          deflinestyle(1, 0xF0F0);
          setlinestyle(1);
        }
        if (st.perspective) perspective(600, 1.0f, 0.5f, 100.0f);
      }
      std::mt19937 rng(99);
      std::uniform_int_distribution<Int32> near(-200, 900), any(-2000000000, 2000000000);
      std::uniform_int_distribution<Int32> step(-4, 4), vertices(1, 9);
      // Lines of points 0..32767 in one colour wait in a run, which goes
      // before anything else.
      std::vector<Uint32> ends;
      const float *run_colour = colours[0];
      auto flush = [&] {
        kgl_offscreen_make_current(run);
        kgl_lines2s(run_colour, ends.data(), static_cast<int>(ends.size() / 2));
        ends.clear();
      };
      for (int i = 0; i < 3000; ++i) {
        Int32 v[18];
        const int n = i % 3 == 0 ? vertices(rng) : 2;
        for (int k = 0; k < 2 * n; ++k)
          v[k] = i % 50 == 0 ? any(rng) : k < 2 || n == 2 ? near(rng) : v[k - 2] + step(rng);
        const float *colour = colours[i / 7 % 3];
        if (colour != run_colour) {
          flush();
          run_colour = colour;
        }
        kgl_offscreen_make_current(one);
        c3f(colour);
        if (n == 2)
          kgl_line2i(v[0], v[1], v[2], v[3]);
        else
          kgl_polyline2i(v, n);
        kgl_offscreen_make_current(four);
        c3f(colour);
        bgnline();
        for (int k = 0; k < n; ++k) v2i(v + 2 * k);
        endline();
        if (n == 2 && std::min({v[0], v[1], v[2], v[3]}) >= 0 && std::max({v[0], v[1], v[2], v[3]}) <= 32767) {
          ends.push_back(static_cast<Uint32>(v[0]) << 16 | static_cast<Uint32>(v[1]));
          ends.push_back(static_cast<Uint32>(v[2]) << 16 | static_cast<Uint32>(v[3]));
          continue;
        }
        flush();
        c3f(colour);
        if (n == 2)
          kgl_line2i(v[0], v[1], v[2], v[3]);
        else
          kgl_polyline2i(v, n);
      }
      flush();
      for (KglContext *c : {one, four, run}) {
        kgl_offscreen_make_current(c);
        finish();
      }
      for (int b = 0; b < 2; ++b)
        ASSERT_TRUE(one->normal[b] == four->normal[b] && run->normal[b] == four->normal[b])
            << "buffer " << b << ", threads " << threads << ", op " << st.op << ", both " << st.both << ", masked "
            << st.masked << ", width " << st.width << ", styled " << st.styled << ", perspective " << st.perspective;
      kgl_offscreen_destroy(one);
      kgl_offscreen_destroy(four);
      kgl_offscreen_destroy(run);
    }
  }
}

// c3f keeps its last conversion: a colour set another way in between must
// not stay.
TEST(LineCall, RepeatedColourAfterAnotherWayOfSettingIt) {
  KglContext *c = kgl_offscreen_create(4, 4);
  kgl_offscreen_make_current(c);
  const float red[3] = {1.0f, 0.0f, 0.0f};
  c3f(red);
  cpack(0xFF00FF00u);
  c3f(red);
  EXPECT_EQ(c->rgba, 0xFF0000FFu);
  kgl_offscreen_destroy(c);
}

}  // namespace
