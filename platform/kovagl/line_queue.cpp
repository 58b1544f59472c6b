// The line queue: two batches of lines, one filled by the drawing calls while
// the workers draw the other, and the worker threads.
#include "line_queue.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

bool kgl_lines_queued = false;

namespace {

constexpr int BATCH = 4096;
constexpr int MAX_THREADS = 16;
// Pixels a batch needs for each worker it goes to: about what one worker
// draws while the drawing calls fill the next batch. Lighter batches go to
// one worker, which stays awake between them; waking more costs tens of
// microseconds each.
constexpr long long PIXELS_PER_PART = 65536;
// What is left to draw when the queue is drained is drawn by the calling
// thread if it is this little: a sleeping worker takes longer to wake.
constexpr int SMALL_BATCH = 64;
// How long a thread polls a flag before it sleeps on it. While lines stream
// in, the next batch comes within a fraction of a millisecond, and a thread
// woken from sleep may take as long again to run (on virtual machines most
// of all), so workers poll that long when there are processors to spare.
// With fewer, polling would take time from the drawing thread, the client
// or the X server: then only briefly.
constexpr auto SPIN_LONG = std::chrono::microseconds(500);
constexpr auto SPIN_SHORT = std::chrono::microseconds(25);

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
      if (last.other == st.other && last.clip.x0 == st.clip.x0 && last.clip.y0 == st.clip.y0 &&
          last.clip.x1 == st.clip.x1 && last.clip.y1 == st.clip.y1)
        return static_cast<std::uint16_t>(nstates - 1);
    }
    state[nstates] = st;
    return static_cast<std::uint16_t>(nstates++);
  }
};

// One worker's share of a batch, written while the worker is idle: part
// `part` of `parts`, a band of rows, or of the lines when the order of writes
// does not matter.
struct alignas(64) Worker {
  std::atomic<unsigned> handed{0};   // batches handed to it so far
  std::condition_variable wake;
  const Batch *batch = nullptr;
  int part = 0, parts = 1;
};

struct Pool {
  Batch batch[2];
  int filling = 0;          // the batch the drawing calls fill
  bool in_flight = false;   // the other one is with the workers
  int started = 0;          // worker threads running
  Worker worker[MAX_THREADS];
  std::mutex m;
  std::condition_variable done;
  alignas(64) std::atomic<int> busy{0};   // workers still drawing
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

// Set with the thread count: how long to poll before sleeping.
std::chrono::microseconds spin_time = SPIN_SHORT;

// Polls until done() or the spin time is over.
template <typename Done>
void poll_until(Done done) {
  const auto until = std::chrono::steady_clock::now() + spin_time;
  for (;;) {
    for (int i = 0; i < 32; ++i) {
      if (done()) return;
      relax();
    }
    if (std::chrono::steady_clock::now() >= until) return;
  }
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

void work(Pool *p, Worker *w) {
  for (unsigned seen = 0;;) {
    poll_until([&] { return w->handed.load(std::memory_order_acquire) != seen; });
    if (w->handed.load(std::memory_order_acquire) == seen) {
      std::unique_lock lock(p->m);
      w->wake.wait(lock, [&] { return w->handed.load(std::memory_order_acquire) != seen; });
    }
    seen = w->handed.load(std::memory_order_acquire);
    draw_batch(*w->batch, w->part, w->parts);
    if (p->busy.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      std::lock_guard lock(p->m);
      p->done.notify_one();
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
      std::thread(work, p, &p->worker[p->started]).detach();
    } catch (const std::system_error &) {
      break;
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void wait_idle(Pool *p) {
  if (!p->in_flight) return;
  poll_until([p] { return p->busy.load(std::memory_order_acquire) == 0; });
  if (p->busy.load(std::memory_order_acquire) != 0) {
    std::unique_lock lock(p->m);
    p->done.wait(lock, [p] { return p->busy.load(std::memory_order_acquire) == 0; });
  }
  p->in_flight = false;
}

// Hands the batch being filled to as many workers as its pixels are worth,
// each with its part, and goes on filling the other one.
void post(Pool *p) {
  wait_idle(p);
  Batch &b = p->batch[p->filling];
  if (p->started < wanted_threads) start_workers(p);
  const int workers = std::min(wanted_threads, p->started);
  if (workers == 0) {
    draw_batch(b, 0, 1);
    b.clear();
    return;
  }
  const double pixels = static_cast<double>(b.pixels) +
                        (b.map_of ? static_cast<double>(b.map_units) * b.map.pixels_per_unit : 0.0);
  const int parts = static_cast<int>(std::clamp(pixels / PIXELS_PER_PART, 1.0, static_cast<double>(workers)));
  p->busy.store(parts, std::memory_order_relaxed);
  {
    std::lock_guard lock(p->m);
    for (int k = 0; k < parts; ++k) {
      Worker &w = p->worker[k];
      w.batch = &b;
      w.part = k;
      w.parts = parts;
      w.handed.fetch_add(1, std::memory_order_release);
    }
  }
  for (int k = 0; k < parts; ++k) p->worker[k].wake.notify_one();
  p->in_flight = true;
  p->filling ^= 1;
  p->batch[p->filling].clear();
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
  Batch *b = &p->batch[p->filling];
  const bool other_map =
      mapped_for && b->map_of && (b->map_of != mapped_for || b->map_serial != mapped_for->clip_serial);
  if (b->n > 0 && (b->width != width || b->height != height || other_map)) {
    post(p);
    b = &p->batch[p->filling];
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

// Workers wanted from now on; they poll long when, beside them, a processor
// is left for the drawing thread, the client and the X server each.
void want_threads(int n) {
  wanted_threads = std::clamp(n, 0, MAX_THREADS);
  spin_time = std::thread::hardware_concurrency() >= static_cast<unsigned>(wanted_threads) + 3 ? SPIN_LONG : SPIN_SHORT;
}

bool drawing_at_once() {
  if (wanted_threads < 0) want_threads(threads_from_environment());
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

void kgl_submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width, int height) {
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
    Batch &b = p->batch[p->filling];
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
  Batch &b = p->batch[p->filling];
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
  want_threads(n);
}

void kgl_wait_drawn() { kgl_sync_pixels(); }
