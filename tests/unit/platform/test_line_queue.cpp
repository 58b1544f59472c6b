// Lines drawn by worker threads against lines drawn at once: the same random
// sequences of drawing, state changes, reads, swaps and resizes run with no
// workers and with several, and every read and every plane must agree. Also
// what the workers must never do: take the program's signals, or leave a
// forked child with half a picture or a dead queue.
#include "kovagl/context.h"
#include "kovagl/gl.h"
#include "kovagl/line_queue.h"
#include "kovagl/offscreen.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace {

// Neither a multiple of the tile size nor of the band count; the second
// context has another shape, so its lines start batches of their own.
constexpr int W = 203, H = 141;
constexpr int W2 = 67, H2 = 250;

struct Outcome {
  std::vector<std::vector<Uint32>> reads;   // every read of the sequence, in order
  std::vector<std::vector<Uint32>> planes;  // every plane of both contexts at the end
};

void add_planes(Outcome &o, KglContext *c) {
  kgl_offscreen_make_current(c);
  finish();   // the planes are taken as they are in memory
  o.planes.push_back(c->normal[0]);
  o.planes.push_back(c->normal[1]);
  o.planes.emplace_back(c->overlay.begin(), c->overlay.end());
  o.planes.push_back(c->zbuf);
}

class Sequence {
 public:
  explicit Sequence(unsigned seed) : rng_(seed) {}

  Outcome run(int threads, int steps) {
    kgl_set_line_threads(threads);
    Outcome o;
    KglContext *a = kgl_offscreen_create(W, H), *b = kgl_offscreen_create(W2, H2);
    for (KglContext *c : {a, b}) {
      kgl_offscreen_make_current(c);
      doublebuffer();
      gconfig();
      frontbuffer(1);
      backbuffer(1);
    }
    kgl_offscreen_make_current(a);
    for (int step = 0; step < steps; ++step) this->step(o, a, b);
    add_planes(o, a);
    add_planes(o, b);
    kgl_offscreen_destroy(a);
    kgl_offscreen_destroy(b);
    return o;
  }

 private:
  std::mt19937 rng_;

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  float coord(int size) { return std::uniform_real_distribution<float>(-40.0f, size + 40.0f)(rng_); }
  static void vertex(float x, float y) {
    const float v[2] = {x, y};
    v2f(v);
  }

  // A burst of lines: short connected ones, long ones across the window and
  // its edges (and so across the workers' bands), vertical ones through
  // every band, and now and then one far away that only the general path
  // draws.
  void lines(int count) {
    const KglContext *c = kgl_current_context();
    const int w = c->width, h = c->height;
    for (int i = 0; i < count; ++i) {
      if (pick(0, 3) == 0) {   // a segment in one call: the workers map it
        kgl_line2i(pick(-40, w + 40), pick(-40, h + 40), pick(-40, w + 40), pick(-40, h + 40));
        continue;
      }
      bgnline();
      switch (pick(0, 3)) {
        case 0: {
          float x = coord(w), y = coord(h);
          vertex(x, y);
          for (int k = pick(1, 20); k > 0; --k) {
            x += static_cast<float>(pick(-3, 3));
            y += static_cast<float>(pick(-3, 3));
            vertex(x, y);
          }
          break;
        }
        case 1:
          vertex(coord(w), coord(h));
          vertex(coord(w), coord(h));
          break;
        case 2: {
          const float x = coord(w);
          vertex(x, -5.0f);
          vertex(x + static_cast<float>(pick(-2, 2)), static_cast<float>(h + 5));
          break;
        }
        default:
          vertex(coord(w), coord(h));
          vertex(pick(0, 1) ? 3e7f : coord(w), pick(0, 1) ? -3e7f : coord(h));
          break;
      }
      endline();
    }
  }

  // Faces of the 3D rasteriser between the lines: z-buffered, flat, smooth
  // or depth-cued, now and then by exclusive-or, across the bands and now
  // and then far beyond the window (the general way of filling).
  void faces(int count) {
    const KglContext *c = kgl_current_context();
    const int w = c->width, h = c->height;
    zbuffer(pick(0, 3) != 0);
    shademodel(pick(0, 2) != 0);
    depthcue(pick(0, 4) == 0);
    lRGBrange(0, 20, 40, 255, 200, 100, 0, 0x7FFFFF);
    logicop(pick(0, 5) == 0 ? KGL_LO_XOR : KGL_LO_SRC);
    for (int i = 0; i < count; ++i) {
      bgnpolygon();
      const float x = coord(w), y = coord(h), far = pick(0, 30) == 0 ? 3e6f : 0.0f;
      for (int k = pick(3, 4); k > 0; --k) {
        const float rgb[3] = {static_cast<float>(pick(0, 255)) / 255, static_cast<float>(pick(0, 255)) / 255,
                              static_cast<float>(pick(0, 255)) / 255};
        const float v[3] = {x + static_cast<float>(pick(-30, 30)) + (k == 1 ? far : 0.0f),
                            y + static_cast<float>(pick(-30, 30)), static_cast<float>(pick(-90, 90)) / 100};
        c3f(rgb);
        v3f(v);
      }
      endpolygon();
    }
    zbuffer(0);
    shademodel(0);
    depthcue(0);
    logicop(KGL_LO_SRC);
  }

  void read(Outcome &o) {
    const KglContext *c = kgl_current_context();
    const int x0 = pick(-5, c->width - 1), y0 = pick(-5, c->height - 1);
    const int x1 = x0 + pick(0, 120), y1 = y0 + pick(0, 120);
    readsource(pick(0, 2));
    std::vector<Uint32> block(static_cast<std::size_t>(x1 - x0 + 1) * (y1 - y0 + 1));
    lrectread(x0, y0, x1, y1, block.data());
    readsource(KGL_SRC_AUTO);
    o.reads.push_back(std::move(block));
  }

  void step(Outcome &o, KglContext *a, KglContext *b) {
    KglContext *c = kgl_current_context();
    cpack(static_cast<Uint32>(rng_()));
    switch (pick(0, 17)) {
      case 0:
      case 1:   // many lines between two reads: whole batches go to the workers
        logicop(pick(0, 3) == 0 ? KGL_LO_XOR : KGL_LO_SRC);
        lines(pick(1, 1500));
        logicop(KGL_LO_SRC);
        break;
      case 2:   // lines of a few colours in turn: the order of writes matters
        for (int k = pick(1, 1500); k > 0; --k) {
          cpack(0xFF000000u | static_cast<Uint32>(pick(1, 3)) * 0x404040u);
          lines(1);
        }
        break;
      case 3: {   // exclusive-or lines drawn twice give the picture back
        const std::mt19937 again = rng_;
        logicop(KGL_LO_XOR);
        const int n = pick(1, 800);
        lines(n);
        read(o);
        rng_ = again;
        pick(1, 800);
        lines(n);
        logicop(KGL_LO_SRC);
        read(o);
        break;
      }
      case 4:
        read(o);
        break;
      case 5: {   // a screen mask or a viewport of part of the window
        const int l = pick(0, c->width - 1), r = pick(l, c->width - 1);
        const int bt = pick(0, c->height - 1), t = pick(bt, c->height - 1);
        if (pick(0, 1))
          viewport(l, r, bt, t);
        else
          scrmask(l, r, bt, t);
        if (pick(0, 2) == 0) viewport(0, c->width - 1, 0, c->height - 1);
        break;
      }
      case 6:
        clear();
        break;
      case 7: {   // filled shapes, a point and text: the other drawing paths
        const Int32 p[3][2] = {{pick(-9, W), pick(-9, H)}, {pick(-9, W), pick(-9, H)}, {pick(-9, W), pick(-9, H)}};
        bgnpolygon();
        for (const auto &v : p) v2i(v);
        endpolygon();
        rectfi(pick(-9, W), pick(-9, H), pick(-9, W), pick(-9, H));
        bgnpoint();
        v2i(p[0]);
        endpoint();
        cmov2i(pick(-9, W), pick(-9, H));
        charstr("queue");
        break;
      }
      case 8:   // wide and styled lines take the general path
        linewidth(3);
        lines(pick(1, 20));
        linewidth(1);
        break;
      case 9: {   // pixel writes and copies
        std::vector<Uint32> block(40 * 30);
        for (Uint32 &v : block) v = static_cast<Uint32>(rng_());
        const int x = pick(-20, W), y = pick(-20, H);
        lrectwrite(x, y, x + 39, y + 29, block.data());
        rectcopy(pick(0, W), pick(0, H), pick(0, W), pick(0, H), pick(-20, W), pick(-20, H));
        break;
      }
      case 10:
        swapbuffers();
        break;
      case 11: {   // front, back or both, the back mirrored lazily
        const int r = pick(0, 3);
        frontbuffer(r != 1);
        backbuffer(r != 2);
        break;
      }
      case 12:   // the other context, while lines of this one may be queued
        kgl_offscreen_make_current(c == a ? b : a);
        break;
      case 13:   // a new size, lines queued for the old planes
        kgl_context_resize(c, pick(20, 260), pick(20, 200));
        viewport(0, c->width - 1, 0, c->height - 1);
        break;
      case 14: {   // a context gone while lines are queued for it
        KglContext *gone = kgl_offscreen_create(pick(10, 300), pick(10, 300));
        kgl_offscreen_make_current(gone);
        lines(pick(1, 1500));
        kgl_offscreen_destroy(gone);
        kgl_offscreen_make_current(c);
        break;
      }
      case 15:
      case 16:   // faces, lines and faces again
        faces(pick(1, 600));
        lines(pick(1, 300));
        faces(pick(1, 600));
        break;
      default:
        zclear();
        lines(pick(1, 300));
        break;
    }
  }
};

TEST(LineQueue, WorkersDrawWhatDrawingAtOnceDraws) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const Outcome at_once = Sequence(seed).run(0, 120);
    for (int threads : {1, 3}) {
      SCOPED_TRACE(testing::Message() << threads << " workers");
      const Outcome queued = Sequence(seed).run(threads, 120);
      ASSERT_EQ(queued.reads.size(), at_once.reads.size());
      for (std::size_t i = 0; i < at_once.reads.size(); ++i) ASSERT_EQ(queued.reads[i], at_once.reads[i]) << "read " << i;
      ASSERT_EQ(queued.planes.size(), at_once.planes.size());
      for (std::size_t i = 0; i < at_once.planes.size(); ++i)
        ASSERT_EQ(queued.planes[i], at_once.planes[i]) << "plane " << i;
    }
  }
}

// Many batches with nothing read in between, so the drawing calls run ahead
// of the workers by several batches: heavy ones that every worker shares,
// light ones for one worker alone (the others pass them by), one colour or
// many, exclusive-or or not, one call a line or four.
std::vector<Uint32> stream_of_batches(int threads) {
  kgl_set_line_threads(threads);
  constexpr int SW = 320, SH = 240;
  KglContext *c = kgl_offscreen_create(SW, SH);
  kgl_offscreen_make_current(c);
  std::mt19937 rng(2024);
  const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int batch = 0; batch < 40; ++batch) {
    const bool heavy = pick(0, 1) == 1, one_colour = pick(0, 2) > 0;
    logicop(pick(0, 4) == 0 ? KGL_LO_XOR : KGL_LO_SRC);
    cpack(0xFF000000u | static_cast<Uint32>(rng()));
    for (int i = 0; i < 4096; ++i) {
      if (!one_colour) cpack(0xFF000000u | static_cast<Uint32>(pick(1, 4)) * 0x3F3F3Fu);
      const int x = pick(-20, SW + 20), y = pick(-20, SH + 20);
      const int x2 = heavy ? pick(-20, SW + 20) : x + pick(-2, 2), y2 = heavy ? pick(-20, SH + 20) : y + pick(-2, 2);
      if (i % 3 == 0) {
        kgl_line2i(x, y, x2, y2);
      } else {
        const Int32 a[2] = {x, y}, b[2] = {x2, y2};
        bgnline();
        v2i(a);
        v2i(b);
        endline();
      }
    }
  }
  logicop(KGL_LO_SRC);
  std::vector<Uint32> picture(static_cast<std::size_t>(SW) * SH);
  lrectread(0, 0, SW - 1, SH - 1, picture.data());
  kgl_offscreen_destroy(c);
  return picture;
}

TEST(LineQueue, AStreamOfBatchesOfEveryKindComesOutAsDrawnAtOnce) {
  const std::vector<Uint32> at_once = stream_of_batches(0);
  for (int threads : {1, 2, 3}) EXPECT_EQ(stream_of_batches(threads), at_once) << threads << " workers";
}

// Lines queued into a picture, exclusive-or, then the same lines again.
TEST(LineQueue, ExclusiveOrTwiceRestoresThePicture) {
  kgl_set_line_threads(3);
  KglContext *c = kgl_offscreen_create(W, H);
  kgl_offscreen_make_current(c);
  cpack(0xFF203040u);
  clear();
  cpack(0xFF0000FFu);
  rectfi(20, 20, 120, 90);
  std::vector<Uint32> before(W * H), after(W * H);
  lrectread(0, 0, W - 1, H - 1, before.data());

  logicop(KGL_LO_XOR);
  cpack(0x00FFFFFFu);
  auto draw = [] {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> x(-30, W + 30), y(-30, H + 30);
    for (int i = 0; i < 5000; ++i) {
      bgnline();
      const Int32 a[2] = {x(rng), y(rng)}, b[2] = {x(rng), y(rng)};
      v2i(a);
      v2i(b);
      endline();
    }
  };
  draw();
  lrectread(0, 0, W - 1, H - 1, after.data());
  EXPECT_NE(after, before);
  draw();
  lrectread(0, 0, W - 1, H - 1, after.data());
  EXPECT_EQ(after, before);
  kgl_offscreen_destroy(c);
}

std::uint64_t picture_hash(const KglContext *c) {
  std::uint64_t h = 1469598103934665603ull;
  for (Uint32 v : c->normal[c->front_index]) h = (h ^ v) * 1099511628211ull;
  return h;
}

void long_lines(unsigned seed, int count) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> x(0, W - 1), y(0, H - 1);
  for (int i = 0; i < count; ++i) {
    cpack(static_cast<Uint32>(rng()));
    bgnline();
    const Int32 a[2] = {x(rng), y(rng)}, b[2] = {x(rng), y(rng)};
    v2i(a);
    v2i(b);
    endline();
  }
}

// Lines queued under a screen mask stay queued while a box beside the mask is
// filled by exclusive-or; a box that meets the mask by one pixel row or column
// must see them drawn first. Either way the picture is what drawing at once
// gives.
std::vector<Uint32> fills_beside_queued_lines(int threads, const Int32 (&box)[4]) {
  kgl_set_line_threads(threads);
  KglContext *c = kgl_offscreen_create(W, H);
  kgl_offscreen_make_current(c);
  scrmask(40, 120, 30, 100);
  logicop(KGL_LO_SRC);
  long_lines(3, 3000);
  scrmask(0, W - 1, 0, H - 1);
  logicop(KGL_LO_XOR);
  cpack(0x00FFFFFFu);
  rectfi(box[0], box[1], box[2], box[3]);
  logicop(KGL_LO_SRC);
  std::vector<Uint32> picture(W * H);
  lrectread(0, 0, W - 1, H - 1, picture.data());
  kgl_offscreen_destroy(c);
  return picture;
}

TEST(LineQueue, FillsBesideQueuedLinesComeOutAsDrawnAtOnce) {
  const Int32 boxes[][4] = {
      {0, 0, 39, H - 1},   {121, 0, W - 1, H - 1}, {0, 0, W - 1, 29}, {0, 101, W - 1, H - 1},   // beside the mask
      {0, 0, 40, H - 1},   {120, 0, W - 1, H - 1}, {0, 0, W - 1, 30}, {0, 100, W - 1, H - 1},   // one pixel in
      {60, 50, 80, 70},
  };
  for (const auto &box : boxes) {
    SCOPED_TRACE(testing::Message() << box[0] << "," << box[1] << " - " << box[2] << "," << box[3]);
    EXPECT_EQ(fills_beside_queued_lines(3, box), fills_beside_queued_lines(0, box));
  }
}

// The child reads the planes straight from memory, without asking for the
// queue to be drawn: whatever was queued before fork must be there. Then it
// draws on with workers of its own.
TEST(LineQueue, AForkedChildGetsTheWholePictureAndAQueueOfItsOwn) {
  kgl_set_line_threads(3);
  KglContext *c = kgl_offscreen_create(W, H);
  kgl_offscreen_make_current(c);
  long_lines(5, 6000);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    alarm(30);   // a dead queue ends the child instead of the test
    const std::uint64_t queued = picture_hash(c);
    long_lines(6, 6000);
    finish();
    const std::uint64_t hashes[2] = {queued, picture_hash(c)};
    _exit(write(out[1], hashes, sizeof hashes) == sizeof hashes ? 0 : 1);
  }
  close(out[1]);
  std::uint64_t child[2] = {};
  const bool got = read(out[0], child, sizeof child) == sizeof child;
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  ASSERT_TRUE(got);
  finish();
  EXPECT_EQ(child[0], picture_hash(c));
  long_lines(6, 6000);
  finish();
  EXPECT_EQ(child[1], picture_hash(c));
  kgl_offscreen_destroy(c);
}

std::atomic<long> handled_on{0};
void note_thread(int) { handled_on = syscall(SYS_gettid); }

// A signal for the process while this thread blocks it stays pending (no
// worker takes it) and runs on this thread once unblocked.
TEST(LineQueue, WorkersLeaveSignalsToTheProgram) {
  kgl_set_line_threads(3);
  KglContext *c = kgl_offscreen_create(W, H);
  kgl_offscreen_make_current(c);
  long_lines(9, 4000);
  finish();   // the workers exist now

  struct sigaction sa = {}, old = {};
  sa.sa_handler = note_thread;
  sigemptyset(&sa.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
  sigset_t usr1, before;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &usr1, &before), 0);
  handled_on = 0;
  kill(getpid(), SIGUSR1);
  long_lines(10, 4000);   // the workers are busy meanwhile
  finish();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(handled_on.load(), 0) << "a worker took the signal";
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  EXPECT_EQ(handled_on.load(), syscall(SYS_gettid));
  sigaction(SIGUSR1, &old, nullptr);
  kgl_offscreen_destroy(c);
}

}  // namespace
