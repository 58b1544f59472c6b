// The line queue: a ring of batches of lines, one filled by the drawing calls
// while the workers draw the others in turn, and the worker threads.
#include "line_queue.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

bool kgl_lines_queued = false;

namespace {

constexpr int BATCH = 4096;
// Batches in the ring: the drawing calls wait for the workers only when they
// are this many batches behind, so a worker slow to wake costs no waiting.
constexpr unsigned RING = 4;
constexpr int MAX_THREADS = 16;
// Pixels a batch needs for each worker it goes to: about what one worker
// draws while the drawing calls fill the next batch. Lighter batches go to
// one worker: waking more costs tens of microseconds each.
constexpr long long PIXELS_PER_PART = 65536;
// What is left to draw when the queue is drained is drawn by the calling
// thread if it is this little: a sleeping worker takes longer to wake.
constexpr int SMALL_BATCH = 64;
// How long a thread polls before it sleeps. A worker that drew a part of a
// batch heavy enough to be shared polls long: while such drawing streams in,
// the next batch comes within a fraction of a millisecond, and waking a
// sleeping thread costs the drawing thread a system call and the worker as
// long again to run (on virtual machines most of all). So does the drawing
// thread waiting for drawing under way. Otherwise polling only takes
// processor time the drawing thread may share: it is brief.
constexpr auto SPIN_LONG = std::chrono::microseconds(500);
constexpr auto SPIN_SHORT = std::chrono::microseconds(25);

inline bool same_state(const KglLineState &a, const KglLineState &b) {
  return a.other == b.other && a.clip.x0 == b.clip.x0 && a.clip.y0 == b.clip.y0 && a.clip.x1 == b.clip.x1 &&
         a.clip.y1 == b.clip.y1;
}

struct Batch {
  KglLineCmd cmd[BATCH];
  KglLineState state[BATCH];
  int n = 0, nstates = 0;
  long long pixels = 0;      // about how many the window lines have
  // Whether the lines differ in colour or are drawn by exclusive-or: only
  // then does the order of writes to a pixel matter.
  bool mixed = false;
  Uint32 colour = 0;
  long long map_units = 0;   // |dx| + |dy| of the mapped lines, before mapping
  int width = 0, height = 0;
  // The line map of the mapped commands, and the context and clip serial it
  // was taken from (null: none yet).
  KglLineMap map;
  const KglContext *map_of = nullptr;
  unsigned map_serial = 0;
  std::uint16_t map_state = 0;   // the state of the mapped lines
  // Set when handed to the workers: the low half of the batch's number (high
  // half) and how many share it (low half), in one word so that a worker
  // that was not given a part of an earlier batch in this slot knows it is
  // not that one; and how many of those sharing it are still drawing.
  std::atomic<std::uint64_t> share{~std::uint64_t{0}};
  std::atomic<int> left{0};

  void clear() {
    n = nstates = 0;
    pixels = map_units = 0;
    mixed = false;
    map_of = nullptr;
  }
  // The index of a state, the last one again when it is the same.
  std::uint16_t state_index(const KglLineState &st) {
    if (nstates > 0) {
      const KglLineState &last = state[nstates - 1];
      if (same_state(last, st)) return static_cast<std::uint16_t>(nstates - 1);
    }
    state[nstates] = st;
    return static_cast<std::uint16_t>(nstates++);
  }
};

// Batches are numbered in the order they are filled; batch k lies in slot
// k % RING. Worker i draws part i of each batch with more than i parts, once
// every batch before it is drawn: a band of rows, or a run of its lines when
// the order of writes does not matter.
struct Pool {
  Batch batch[RING];
  std::uint64_t filling = 0;   // the number of the batch being filled
  int started = 0;        // worker threads running
  std::mutex m;
  std::condition_variable changed;   // posted or done moved on
  alignas(64) std::atomic<std::uint64_t> posted{0};   // batches handed to the workers
  alignas(64) std::atomic<std::uint64_t> done{0};     // batches drawn, all before them too

  Batch &filled() { return batch[filling % RING]; }
};

// -1 until read from the environment.
int wanted_threads = -1;
// Never freed: at exit, idle workers may still wait on it.
Pool *pool = nullptr;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

// Waits until ready(): polls for a while, then sleeps until posted or done
// moves on.
template <typename Ready>
void await(Pool *p, Ready ready, std::chrono::microseconds spin = SPIN_SHORT) {
  const auto until = std::chrono::steady_clock::now() + spin;
  do {
    for (int i = 0; i < 32; ++i) {
      if (ready()) return;
      relax();
    }
  } while (std::chrono::steady_clock::now() < until);
  std::unique_lock lock(p->m);
  p->changed.wait(lock, ready);
}

// Wakes whoever sleeps in await; the lock makes sure a thread about to sleep
// sees the change first.
void announce(Pool *p) {
  { std::lock_guard lock(p->m); }
  p->changed.notify_all();
}

int threads_from_environment() {
  if (const char *s = std::getenv("KGL_THREADS"); s && *s) {
    char *end = nullptr;
    const long n = std::strtol(s, &end, 10);
    if (*end == '\0' && n >= 0) return static_cast<int>(std::min<long>(n, MAX_THREADS));
  }
  const unsigned hw = std::thread::hardware_concurrency();
  // Two beside the drawing thread: the client and the X server need processors too.
  return hw <= 1 ? 0 : static_cast<int>(std::min(2u, hw - 1));
}

// The lines of part `part` of `parts` of the batch: those in a band of rows,
// or a run of the lines themselves when they are all the same colour and
// none is exclusive-or (every pixel then gets one value whoever writes it).
void draw_batch(const Batch &b, int part, int parts) {
  const auto share = [part, parts](int whole, int k) {
    return static_cast<int>(static_cast<long long>(whole) * (part + k) / parts);
  };
  const bool by_lines = !b.mixed;
  const int row0 = by_lines ? 0 : share(b.height, 0), row1 = by_lines ? b.height - 1 : share(b.height, 1) - 1;
  kgl_draw_cmds(b.cmd, by_lines ? share(b.n, 0) : 0, by_lines ? share(b.n, 1) : b.n, b.state, b.map, b.width, row0,
                row1);
}

// Worker `index`, from batch `first` on (those before were shared out
// without it).
void work(Pool *p, int index, std::uint64_t first) {
  bool busy = false;   // drew part of a shared batch last
  for (std::uint64_t k = first;; ++k) {
    await(
        p,
        [p, k] {
          return p->posted.load(std::memory_order_acquire) > k && p->done.load(std::memory_order_acquire) >= k;
        },
        busy ? SPIN_LONG : SPIN_SHORT);
    Batch &b = p->batch[k % RING];
    const std::uint64_t share = b.share.load(std::memory_order_acquire);
    const int parts = static_cast<int>(share & 0xFFFFFFFFu);
    // Not one of the sharers: batch k may be drawn and its slot taken again.
    const bool mine = share >> 32 == (k & 0xFFFFFFFFu) && index < parts;
    busy = mine && parts > 1;
    if (!mine) continue;
    draw_batch(b, index, parts);
    if (b.left.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      p->done.store(k + 1, std::memory_order_release);
      announce(p);
    }
  }
}

// Threads up to the count wanted; they start with every signal blocked, so
// the program's handlers run on its own thread.
void start_workers(Pool *p) {
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old);
  for (; p->started < wanted_threads; ++p->started) {
    try {
      std::thread(work, p, p->started, p->filling).detach();
    } catch (const std::system_error &) {
      break;
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// Waits until every batch handed to the workers is drawn.
void wait_idle(Pool *p) {
  const std::uint64_t posted = p->posted.load(std::memory_order_relaxed);
  await(p, [p, posted] { return p->done.load(std::memory_order_acquire) == posted; }, SPIN_LONG);
}

// Hands the batch being filled to as many workers as its pixels are worth,
// and goes on with the next slot once the workers are done with it.
void post(Pool *p) {
  Batch &b = p->filled();
  if (p->started < wanted_threads) start_workers(p);
  const int workers = std::min(wanted_threads, p->started);
  if (workers == 0) {
    wait_idle(p);
    draw_batch(b, 0, 1);
    b.clear();
    return;
  }
  const double pixels = static_cast<double>(b.pixels) +
                        (b.map_of ? static_cast<double>(b.map_units) * b.map.pixels_per_unit : 0.0);
  const int parts = static_cast<int>(std::clamp(pixels / PIXELS_PER_PART, 1.0, static_cast<double>(workers)));
  b.left.store(parts, std::memory_order_relaxed);
  b.share.store((p->filling & 0xFFFFFFFFu) << 32 | static_cast<std::uint32_t>(parts), std::memory_order_release);
  p->posted.store(++p->filling, std::memory_order_release);
  announce(p);
  // The next slot was last filled RING batches ago.
  const std::uint64_t reused = p->filling - RING;
  if (p->filling >= RING)
    await(p, [p, reused] { return p->done.load(std::memory_order_acquire) > reused; }, SPIN_LONG);
  p->filled().clear();
}

// A child process has none of the workers: it starts a pool of its own.
void forget_pool_in_child() { pool = nullptr; }

Pool *new_pool() {
  // Once a process: the handlers carry over into child processes.
  static bool fork_handlers = false;
  if (!fork_handlers) fork_handlers = pthread_atfork(kgl_drain_lines, nullptr, forget_pool_in_child) == 0;
  return pool = new Pool;
}

// The batch being filled, posted first when it holds lines for planes of
// another size or, for a mapped line, of another map.
Batch *batch_for(Pool *p, int width, int height, const KglContext *mapped_for) {
  Batch *b = &p->filled();
  const bool other_map =
      mapped_for && b->map_of && (b->map_of != mapped_for || b->map_serial != mapped_for->clip_serial);
  if (b->n > 0 && (b->width != width || b->height != height || other_map)) {
    post(p);
    b = &p->filled();
  }
  b->width = width;
  b->height = height;
  return b;
}

// Takes the slot filled last into the batch.
void commit(Pool *p, Batch *b, const KglLineState &st) {
  KglLineCmd &c = b->cmd[b->n];
  c.state = b->state_index(st);
  if (b->n == 0) b->colour = c.colour;
  b->mixed |= (c.colour != b->colour) | ((c.flags & KGL_CMD_XOR) != 0);
  ++b->n;
  kgl_lines_queued = true;
  if (b->n == BATCH) post(p);
}

bool drawing_at_once() {
  if (wanted_threads < 0) wanted_threads = threads_from_environment();
  return wanted_threads == 0;
}

// A mapped line into the front alone, in the context's current colour and
// operation.
void fill_mapped(KglLineCmd &cmd, KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  cmd.plane = c->normal[c->front_index].data();
  cmd.x0 = x1, cmd.y0 = y1, cmd.x1 = x2, cmd.y1 = y2;
  cmd.colour = c->rgba;
  cmd.flags = KGL_CMD_MAPPED | (c->logic_op == KGL_LO_XOR ? KGL_CMD_XOR : 0);
}

// Drawing a mapped line at once, without workers.
[[gnu::noinline]] void draw_mapped_at_once(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  KglLineCmd cmd, w;
  KglLineSpan span;
  fill_mapped(cmd, c, x1, y1, x2, y2);
  if (kgl_map_line_cmd(cmd, c->line_map, c->clip, 0, c->height - 1, w) && kgl_line_span(w, c->clip, span)) {
    kgl_mark_dirty(c, span.col_lo, span.row_lo, span.col_hi, span.row_hi);
    kgl_draw_line_cmd(w, {c->clip, 0}, c->width, 0, c->height - 1);
  }
}

}  // namespace

namespace {

[[gnu::noinline]] void submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width,
                                   int height) {
  if (drawing_at_once()) {
    kgl_draw_line_cmd(cmd, state, width, 0, height - 1);
    return;
  }
  Pool *p = pool ? pool : new_pool();
  Batch *b = batch_for(p, width, height, nullptr);
  b->cmd[b->n] = cmd;
  b->pixels += pixels;
  commit(p, b, state);
}

}  // namespace

void kgl_submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width, int height) {
  // The common case first: a line for planes of the batch's size in the
  // state of the line before.
  if (Pool *p = pool) {
    Batch &b = p->filled();
    if (b.n > 0 && b.width == width && b.height == height) {
      if (same_state(b.state[b.nstates - 1], state)) {
        KglLineCmd &c = b.cmd[b.n];
        c = cmd;
        c.state = static_cast<std::uint16_t>(b.nstates - 1);
        b.pixels += pixels;
        b.mixed |= (c.colour != b.colour) | ((c.flags & KGL_CMD_XOR) != 0);
        if (++b.n == BATCH) post(p);
        return;
      }
    }
  }
  submit_line(cmd, state, pixels, width, height);
}

namespace {

std::int64_t units_of(Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  return std::abs(static_cast<std::int64_t>(x2) - x1) + std::abs(static_cast<std::int64_t>(y2) - y1);
}

// A mapped line that does not continue the mapped lines of the batch being
// filled: the first one, or one of another context or clip rectangle.
[[gnu::noinline]] void queue_first_mapped(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  if (drawing_at_once()) {
    draw_mapped_at_once(c, x1, y1, x2, y2);
    return;
  }
  Pool *p = pool ? pool : new_pool();
  Batch *b = batch_for(p, c->width, c->height, c);
  if (!b->map_of) {
    b->map = c->line_map;
    b->map_of = c;
    b->map_serial = c->clip_serial;
    // The lines of the batch lie in the clip rectangle: it shows again, and
    // no line needs mapping here to know where.
    const KglRect &k = c->clip;
    kgl_mark_dirty(c, k.x0, k.y0, k.x1, k.y1);
  }
  KglLineCmd &cmd = b->cmd[b->n];
  fill_mapped(cmd, c, x1, y1, x2, y2);
  b->map_units += units_of(x1, y1, x2, y2);
  commit(p, b, {c->clip, 0});
  if (b->map_of) b->map_state = cmd.state;   // unless the batch went to the workers
}

}  // namespace

void kgl_queue_mapped_line(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2) {
  // The common case first: the batch being filled has mapped lines of this
  // context and clip already, so the map, the state and the dirty area are
  // in place.
  if (Pool *p = pool) {
    Batch &b = p->filled();
    if (b.map_of == c && b.map_serial == c->clip_serial) {
      KglLineCmd &cmd = b.cmd[b.n];
      fill_mapped(cmd, c, x1, y1, x2, y2);
      cmd.state = b.map_state;
      b.map_units += units_of(x1, y1, x2, y2);
      b.mixed |= (cmd.colour != b.colour) | ((cmd.flags & KGL_CMD_XOR) != 0);
      if (++b.n == BATCH) post(p);
      return;
    }
  }
  queue_first_mapped(c, x1, y1, x2, y2);
}

void kgl_drain_lines() {
  kgl_lines_queued = false;
  Pool *p = pool;
  if (!p) return;
  Batch &b = p->filled();
  if (b.n > SMALL_BATCH) {
    post(p);
    wait_idle(p);
  } else {
    wait_idle(p);
    draw_batch(b, 0, 1);
    b.clear();
  }
}

void kgl_set_line_threads(int n) {
  kgl_sync_pixels();
  wanted_threads = std::clamp(n, 0, MAX_THREADS);
}

void kgl_wait_drawn() { kgl_sync_pixels(); }
