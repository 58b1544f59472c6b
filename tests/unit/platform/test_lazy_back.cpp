// The lazily mirrored back buffer against the eager one: the same random
// sequences of drawing, buffer selection, pixel blocks, copies and swaps run
// on two contexts, one writing both buffers every time and one writing the
// front alone where the back still mirrors it. Every read and the final
// front and back buffers must agree.
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace {

// Not a multiple of the tile size, so edge tiles are partial.
constexpr int W = 203, H = 141;

struct Pair {
  KglContext *lazy = nullptr, *eager = nullptr;
  Pair() {
    lazy = kgl_offscreen_create(W, H);
    eager = kgl_offscreen_create(W, H);
    kgl_offscreen_set_lazy_back(lazy, true);
    kgl_offscreen_set_lazy_back(eager, false);
    both([] {
      doublebuffer();
      gconfig();
      frontbuffer(1);
      backbuffer(1);
    });
  }
  ~Pair() {
    kgl_offscreen_destroy(lazy);
    kgl_offscreen_destroy(eager);
  }
  void both(const std::function<void()> &op) const {
    kgl_offscreen_make_current(lazy);
    op();
    kgl_offscreen_make_current(eager);
    op();
  }
  // Reads a block from the given source in both contexts.
  void expect_same_read(Int32 src, int x0, int y0, int x1, int y1, const char *what) const {
    std::vector<Uint32> a(static_cast<std::size_t>(x1 - x0 + 1) * (y1 - y0 + 1)), b(a.size());
    kgl_offscreen_make_current(lazy);
    readsource(src);
    lrectread(x0, y0, x1, y1, a.data());
    kgl_offscreen_make_current(eager);
    readsource(src);
    lrectread(x0, y0, x1, y1, b.data());
    ASSERT_EQ(a, b) << what << " source " << src << " block " << x0 << "," << y0 << " " << x1 << "," << y1;
  }
  // Front and back, pixel for pixel, through the plane readers.
  void expect_same_planes(const char *what) const {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        kgl_offscreen_make_current(lazy);
        const Uint32 lf = kgl_read_normal(x, y), lb = kgl_read_back(x, y);
        kgl_offscreen_make_current(eager);
        const Uint32 ef = kgl_read_normal(x, y), eb = kgl_read_back(x, y);
        ASSERT_EQ(lf, ef) << what << " front at " << x << "," << y;
        ASSERT_EQ(lb, eb) << what << " back at " << x << "," << y;
      }
  }
};

void run_sequence(unsigned seed, int steps) {
  Pair p;
  std::mt19937 rng(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto coord_x = [&] { return pick(-20, W + 20); };
  auto coord_y = [&] { return pick(-20, H + 20); };
  // Mostly both buffers, as the driver draws.
  auto choose_buffers = [&] {
    const int r = pick(0, 9);
    const int f = r < 7 ? 1 : r == 7 ? 1 : 0, b = r < 7 ? 1 : r == 7 ? 0 : 1;
    p.both([=] {
      frontbuffer(f);
      backbuffer(b);
    });
  };
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step);
    const Uint32 colour = static_cast<Uint32>(rng());
    const int op = pick(0, 13);
    switch (op) {
      case 0:
      case 1: {   // lines: the fast path and, wide or exclusive-or, the general one
        const int x0 = coord_x(), y0 = coord_y(), x1 = coord_x(), y1 = coord_y();
        const Int32 lop = pick(0, 3) == 0 ? KGL_LO_XOR : pick(0, 5) == 0 ? KGL_LO_OR : KGL_LO_SRC;
        const int width = pick(0, 4) == 0 ? 3 : 1;
        p.both([=] {
          cpack(colour);
          logicop(lop);
          linewidth(static_cast<Int16>(width));
          bgnline();
          const Int32 a[2] = {x0, y0}, b[2] = {x1, y1};
          v2i(a);
          v2i(b);
          endline();
          logicop(KGL_LO_SRC);
          linewidth(1);
        });
        break;
      }
      case 2: {   // polygons
        const int x0 = coord_x(), y0 = coord_y(), x1 = coord_x(), y1 = coord_y(), x2 = coord_x(), y2 = coord_y();
        const Int32 lop = pick(0, 2) == 0 ? KGL_LO_XOR : KGL_LO_SRC;
        p.both([=] {
          cpack(colour);
          logicop(lop);
          bgnpolygon();
          const Int32 a[2] = {x0, y0}, b[2] = {x1, y1}, c[2] = {x2, y2};
          v2i(a);
          v2i(b);
          v2i(c);
          endpolygon();
          logicop(KGL_LO_SRC);
        });
        break;
      }
      case 3: {   // upright rectangles
        const int x0 = coord_x(), y0 = coord_y(), x1 = coord_x(), y1 = coord_y();
        p.both([=] {
          cpack(colour);
          rectfi(x0, y0, x1, y1);
        });
        break;
      }
      case 4: {   // clear: the whole window, or within a screen mask
        const bool masked = pick(0, 1) == 0;
        const int l = pick(0, W - 1), r = pick(l, W - 1), b = pick(0, H - 1), t = pick(b, H - 1);
        p.both([=] {
          cpack(colour);
          if (masked) scrmask(l, r, b, t);
          clear();
          if (masked) scrmask(0, W - 1, 0, H - 1);
        });
        break;
      }
      case 5: {   // pixel writes, 32 and 16 bits
        const int x0 = coord_x(), y0 = coord_y(), w = pick(1, 80), h = pick(1, 80);
        std::vector<Uint32> block(static_cast<std::size_t>(w) * h);
        for (Uint32 &v : block) v = static_cast<Uint32>(rng());
        const bool wide = pick(0, 1) == 0;
        p.both([&] {
          if (wide) {
            lrectwrite(x0, y0, x0 + w - 1, y0 + h - 1, block.data());
          } else {
            std::vector<Uint16> narrow(block.begin(), block.end());
            rectwrite(x0, y0, x0 + w - 1, y0 + h - 1, narrow.data());
          }
        });
        break;
      }
      case 6: {   // copies from either buffer
        const int x0 = coord_x(), y0 = coord_y(), x1 = coord_x(), y1 = coord_y();
        const int nx = coord_x(), ny = coord_y();
        const Int32 src = pick(0, 2);
        p.both([=] {
          readsource(src);
          rectcopy(x0, y0, x1, y1, nx, ny);
          readsource(KGL_SRC_AUTO);
        });
        break;
      }
      case 7:
      case 8:
        choose_buffers();
        break;
      case 9:
        p.both([] { swapbuffers(); });
        break;
      case 10: {   // reads of front, back and the buffer being drawn
        const int x0 = pick(0, W - 1), y0 = pick(0, H - 1);
        const int x1 = std::min(W - 1, x0 + pick(0, 90)), y1 = std::min(H - 1, y0 + pick(0, 90));
        p.expect_same_read(pick(0, 2), x0, y0, x1, y1, "read");
        break;
      }
      case 11: {   // a write mask on part of the bits
        const Uint32 mask = pick(0, 1) ? 0xFFFFFFFFu : static_cast<Uint32>(rng());
        p.both([=] { wmpack(mask); });
        break;
      }
      case 12: {   // text at a random place
        const int x = coord_x(), y = coord_y();
        p.both([=] {
          cpack(colour);
          cmov2i(x, y);
          charstr("Lazy 0123");
        });
        break;
      }
      default:   // a point
      {
        const int x = coord_x(), y = coord_y();
        p.both([=] {
          cpack(colour);
          bgnpoint();
          const Int32 v[2] = {x, y};
          v2i(v);
          endpoint();
        });
        break;
      }
    }
    if (testing::Test::HasFatalFailure()) return;
  }
  p.expect_same_read(KGL_SRC_FRONT, 0, 0, W - 1, H - 1, "final");
  p.expect_same_read(KGL_SRC_BACK, 0, 0, W - 1, H - 1, "final");
  p.expect_same_planes("final");
  // A swap shows the back: still identical.
  p.both([] { swapbuffers(); });
  p.expect_same_planes("after a last swap");
}

TEST(LazyBack, RandomSequencesMatchTheEagerBuffers) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    run_sequence(seed, 300);
    if (testing::Test::HasFatalFailure()) return;
  }
}

// The cases a random walk reaches rarely, spelt out.
TEST(LazyBack, DrawingOneBufferAfterAClearOfBothKeepsTheOther) {
  Pair p;
  p.both([] {
    cpack(0xFF112233u);
    clear();
    frontbuffer(0);   // the back alone
    cpack(0xFF0000FFu);
    rectfi(10, 10, 20, 20);
    frontbuffer(1);
    backbuffer(0);    // the front alone: the back keeps the cleared colour
    cpack(0xFF00FF00u);
    rectfi(15, 15, 100, 100);
    backbuffer(1);
  });
  p.expect_same_planes("one buffer at a time");
  kgl_offscreen_make_current(p.lazy);
  EXPECT_EQ(kgl_read_back(50, 50), 0xFF112233u);
  EXPECT_EQ(kgl_read_back(12, 12), 0xFF0000FFu);
  EXPECT_EQ(kgl_read_normal(12, 12), 0xFF112233u);
  EXPECT_EQ(kgl_read_normal(50, 50), 0xFF00FF00u);
}

TEST(LazyBack, SwapShowsWhatWasDrawnIntoBoth) {
  Pair p;
  p.both([] {
    cpack(0xFF445566u);
    clear();
    cpack(0xFF0000FFu);
    rectfi(0, 0, W - 1, 5);
    swapbuffers();
  });
  kgl_offscreen_make_current(p.lazy);
  EXPECT_EQ(kgl_read_normal(3, 3), 0xFF0000FFu);
  EXPECT_EQ(kgl_read_normal(3, 60), 0xFF445566u);
  EXPECT_EQ(kgl_read_back(3, 3), 0xFF0000FFu);
  p.expect_same_planes("after a swap");
}

TEST(LazyBack, SingleBufferAndBackAgain) {
  Pair p;
  p.both([] {
    cpack(0xFF0A0B0Cu);
    clear();
    singlebuffer();
    gconfig();
    cpack(0xFF0000FFu);
    rectfi(0, 0, 50, 50);
    doublebuffer();
    gconfig();
    frontbuffer(1);
    backbuffer(1);
  });
  p.expect_same_planes("after single buffering");
  p.expect_same_read(KGL_SRC_BACK, 0, 0, W - 1, H - 1, "after single buffering");
}

}  // namespace
