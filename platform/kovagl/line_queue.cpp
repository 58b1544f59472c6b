// The line queue: a ring of batches of lines (and fans of the 3D rasteriser),
// one filled by the drawing calls while worker threads draw the others in
// turn.
//
// Who owns what
//
// The drawing thread is the one thread that calls the library. It alone owns
// every context and its state, the planes whenever no line is queued, the
// pool's bookkeeping (filling, started) and the batch being filled, slot
// filling % RING: its commands, states, counts, line map and the vertices and
// states of its fans. Every line enters that batch through append(), every
// fan through append_fan(); both count it in through taken().
//
// Posting batch k (posted becomes k + 1) hands the batch over as it is. From
// then on the drawing thread neither reads nor writes its slot until done
// passes k, but as a worker does while it waits (below), and the workers it
// is shared among only read it, except that a worker writes
//   - the pixels of the chunks of the batch it claims, in the planes the
//     commands point at (and the z-buffer, for a fan): the rows of a band,
//     or, in a batch of one colour with no exclusive-or and no fan, the
//     pixels of a run of lines (relaxed atomic stores there, as two workers
//     may write one pixel, with one value);
//   - next, to claim a chunk; helpers, the count of workers that claimed
//     one; left, the count of chunks still to draw; and done, which the
//     worker drawing the last chunk moves on to k + 1.
// A worker starts on batch k only once done is k: every line before it is in
// the planes, so each pixel sees its writes in queue order. What a worker
// learns from the atomics of a slot (share, next) names the batch it is for,
// so a worker late for a batch never takes the slot's next one for it.
//
// The drawing thread reads or writes pixels, frees or resizes planes and
// forks only after kgl_sync_pixels(), which draws what is queued, or
// kgl_sync_pixels_in() for a box that nothing queued may meet. posted and
// done carry the hand-over (release when moved on, acquire when looked at);
// the mutex, the condition variables and the counts of who sleeps only put
// threads to sleep and wake them.
//
// Waiting
//
// The workers share the processors with the drawing thread, the client and
// the X server. A waiting thread looks for a few microseconds, then gives
// its processor to whatever else wants it while it looks on a while longer,
// then sleeps. Waking a sleeper costs the waker a system call, and most of
// all on a virtual machine, so the drawing thread wakes at most one worker
// for a batch it posts, and only when one sleeps; a worker that takes the
// first part of a batch wakes the next if the batch is to be shared by more,
// and so on. The drawing thread is woken when done moves on only if it
// sleeps. Before it waits for a slot or for the queue to empty, the drawing
// thread claims and draws what is left of the oldest batch not drawn, as a
// worker would (draw_chunks): where the processors are busy, the time it
// has is better spent drawing than waiting for workers that lack them.
#include "line_queue.h"
#include "zraster.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

bool kgl_lines_queued = false;
KglRect kgl_queued_area = {0, 0, -1, -1};

namespace {

constexpr int BATCH = 4096;
// Batches in the ring: the drawing calls wait for the workers only when they
// are this many batches behind, so a worker slow to wake costs no waiting.
constexpr unsigned RING = 4;
constexpr int MAX_THREADS = 16;
// The work of a line, in pixels walked: the pixels, and about as much again
// as this many for its set-up (mapping, clipping, the first step).
constexpr long long LINE_SETUP_PIXELS = 24;
// The work a batch needs for each worker it goes to: about what one worker
// draws while the drawing calls fill the next batch. Lighter batches go to
// fewer workers: waking one costs tens of microseconds.
constexpr long long WORK_PER_PART = 49152;
// The set-up of a triangle of a fan, in pixels filled.
constexpr long long FAN_SETUP_PIXELS = 64;
// Room in a batch for the vertices of fans and for their states.
constexpr int FAN_VERTICES = 6144;
constexpr int FAN_STATES = 64;
// Runs of lines a batch shared by lines is cut into for each worker: short
// enough that a worker losing its processor in the middle of one holds up
// little, and that the drawing thread, waiting for the batch, finds some left
// to draw.
constexpr int CHUNKS_PER_PART = 16;
// Lines of a run after which a batch is handed over early when the workers
// have nothing to draw: at the start of a stream they need not wait for a
// whole batch to fill.
constexpr int FIRST_BATCH = 512;
// What is left to draw when the queue is drained is drawn by the calling
// thread if it is this little: a sleeping worker takes longer to wake.
constexpr int SMALL_BATCH = 64;
// How long a waiting thread looks before it sleeps: first keeping its
// processor (what it waits for is usually that close), then giving way to
// other threads. A worker looks for the next batch (while drawing streams
// in, it comes within a fraction of a millisecond, and a worker still
// looking needs no waking); the drawing thread, whose answer waits, for
// drawing under way.
struct Looks {
  std::chrono::microseconds keeping, in_all;
};
constexpr Looks WORKER_LOOKS = {std::chrono::microseconds(20), std::chrono::microseconds(500)};
constexpr Looks DRAWER_LOOKS = {std::chrono::microseconds(100), std::chrono::microseconds(500)};

inline bool same_state(const KglLineState &a, const KglLineState &b) {
  return a.other == b.other && a.clip.x0 == b.clip.x0 && a.clip.y0 == b.clip.y0 && a.clip.x1 == b.clip.x1 &&
         a.clip.y1 == b.clip.y1;
}

inline bool same_map(const KglLineMap &a, const KglLineMap &b) {
  static_assert(sizeof(KglLineMap) == 14 * 8, "every field of the map is compared here");
  return a.ok == b.ok && a.xx == b.xx && a.xy == b.xy && a.xc == b.xc && a.yx == b.yx && a.yy == b.yy &&
         a.yc == b.yc && a.z == b.z && a.wx0 == b.wx0 && a.wxs == b.wxs && a.wy0 == b.wy0 && a.wys == b.wys &&
         a.raw_bound == b.raw_bound && a.pixels_per_unit == b.pixels_per_unit;
}

// Equal but for what a fan's command carries itself (the flat value).
bool same_fan_state(const KglFanState &a, const KglFanState &b) {
  const KglPaint3 &p = a.paint, &q = b.paint;
  if (p.ztest != q.ztest || p.colour != q.colour || p.zlo != q.zlo || p.zhi != q.zhi) return false;
  if (p.colour == KGL_COLOUR_CUE) {
    if (a.cue.znear != b.cue.znear || a.cue.zspan != b.cue.zspan) return false;
    for (int i = 0; i < 3; ++i)
      if (a.cue.max[i] != b.cue.max[i] || a.cue.diff[i] != b.cue.diff[i]) return false;
  }
  const KglPixelOut &o = a.out, &r = b.out;
  return o.plane[0] == r.plane[0] && o.plane[1] == r.plane[1] && o.n == r.n && o.visible == r.visible &&
         o.zbuf == r.zbuf && o.mask == r.mask && o.logic == r.logic && a.clip.x0 == b.clip.x0 &&
         a.clip.y0 == b.clip.y0 && a.clip.x1 == b.clip.x1 && a.clip.y1 == b.clip.y1 && a.zplane == b.zplane &&
         a.width == b.width;
}

// Aligned so that the commands, first in it, suit streaming stores.
struct alignas(64) Batch {
  KglLineCmd cmd[BATCH];
  KglLineState state[BATCH];
  int n = 0, nstates = 0;
  KglFanState fan_state[FAN_STATES];
  KglWin3 fan_vertex[FAN_VERTICES];
  int nfan_states = 0, nfan_vertices = 0;
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
  // half) and how many workers it is worth (low half), in one word so that
  // a worker late for an earlier batch in this slot knows it is not that
  // one. The batch is cut into chunks (runs of lines, or bands of
  // rows) that the workers sharing it claim one after another, so that one
  // slow to run holds up no more than a chunk: next holds the low half of
  // the batch's number, the count of chunks and the next one to claim.
  // left counts the chunks not drawn yet.
  std::atomic<std::uint64_t> share{~std::uint64_t{0}};
  std::atomic<std::uint64_t> next{~std::uint64_t{0}};
  std::atomic<int> left{0};
  std::atomic<int> helpers{0};   // workers that claimed a chunk of it

  void clear() {
    n = nstates = 0;
    nfan_states = nfan_vertices = 0;
    pixels = map_units = 0;
    mixed = false;
    map_of = nullptr;
  }
  // The index of a state, the last one again when it is the same.
  std::uint16_t state_index(const KglLineState &st) {
    if (nstates > 0 && same_state(state[nstates - 1], st)) return static_cast<std::uint16_t>(nstates - 1);
    state[nstates] = st;
    return static_cast<std::uint16_t>(nstates++);
  }
};

// Batches are numbered in the order they are filled; batch k lies in slot
// k % RING. The workers take part in each batch once every batch before it
// is drawn, as many as it has parts, claiming chunks of it until none is
// left: bands of rows, or runs of its lines when the order of writes does
// not matter.
struct Pool {
  Batch batch[RING];
  std::uint64_t filling = 0;   // the number of the batch being filled
  int started = 0;             // worker threads running
  std::mutex m;
  std::condition_variable work;    // workers sleep here
  std::condition_variable drawn;   // the drawing thread sleeps here
  alignas(64) std::atomic<std::uint64_t> posted{0};   // batches handed to the workers
  alignas(64) std::atomic<std::uint64_t> done{0};     // batches drawn, all before them too
  alignas(64) std::atomic<int> sleepers{0};           // workers asleep
  std::atomic<int> drawer_sleeps{0};                  // the drawing thread asleep (0 or 1)

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

// Looks until ready() as `looks` says; false when it never was.
template <typename Ready>
bool look(Ready ready, const Looks &looks) {
  const auto start = std::chrono::steady_clock::now();
  do {
    for (int i = 0; i < 64; ++i) {
      if (ready()) return true;
      relax();
    }
  } while (std::chrono::steady_clock::now() - start < looks.keeping);
  do {
    for (int i = 0; i < 8; ++i) {
      if (ready()) return true;
      sched_yield();
    }
  } while (std::chrono::steady_clock::now() - start < looks.in_all);
  return ready();
}

// Waits until ready(): looks, then sleeps on cv, counted in asleep. The count
// goes up before ready() is looked at for the last time, and a waker moves
// what ready() looks at before it reads the count (both in one total order),
// so either the sleeper sees the change or the waker sees the sleeper.
template <typename Ready>
void await(Pool *p, std::condition_variable &cv, std::atomic<int> &asleep, Ready ready, const Looks &looks) {
  if (look(ready, looks)) return;
  std::unique_lock lock(p->m);
  asleep.fetch_add(1);
  cv.wait(lock, ready);
  asleep.fetch_sub(1);
}

// Wakes one sleeping worker, if one sleeps.
void wake_worker(Pool *p) {
  if (p->sleepers.load() == 0) return;
  { std::lock_guard lock(p->m); }
  p->work.notify_one();
}

// Wakes the drawing thread if it sleeps.
void wake_drawer(Pool *p) {
  if (p->drawer_sleeps.load() == 0) return;
  { std::lock_guard lock(p->m); }
  p->drawn.notify_all();
}


int threads_from_environment() {
  if (const char *s = std::getenv("KGL_THREADS"); s && *s) {
    char *end = nullptr;
    const long n = std::strtol(s, &end, 10);
    if (*end == '\0' && n >= 0) return static_cast<int>(std::min<long>(n, MAX_THREADS));
  }
  // The processors beside the drawing thread but one, left to the client and
  // the X server, up to 5; one where there are two processors.
  const int hw = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(hw - 2, hw > 1 ? 1 : 0, 5);
}

// The lines of chunk `part` of `parts` of the batch: those in a band of
// rows, or a run of the lines themselves when they are all the same colour
// and none is exclusive-or (every pixel then gets one value whoever writes
// it).
void draw_batch(const Batch &b, int part, int parts) {
  const auto share = [part, parts](int whole, int k) {
    return static_cast<int>(static_cast<long long>(whole) * (part + k) / parts);
  };
  const bool by_lines = !b.mixed;
  const int row0 = by_lines ? 0 : share(b.height, 0), row1 = by_lines ? b.height - 1 : share(b.height, 1) - 1;
  kgl_draw_cmds(b.cmd, by_lines ? share(b.n, 0) : 0, by_lines ? share(b.n, 1) : b.n, b.state, b.map,
                {b.fan_state, b.fan_vertex}, b.width, row0, row1);
}

inline std::uint64_t chunk_word(std::uint64_t number, int chunks, int chunk) {
  return (number & 0xFFFFFFFFu) << 32 | static_cast<std::uint64_t>(chunks) << 16 | static_cast<std::uint64_t>(chunk);
}

// Claims the next chunk of batch `number` in slot b: its index and the count
// of chunks, or false when none is left (or the slot holds another batch).
bool claim(Batch &b, std::uint64_t number, int &chunk, int &chunks) {
  std::uint64_t v = b.next.load(std::memory_order_relaxed);
  do {
    chunk = static_cast<int>(v & 0xFFFFu);
    chunks = static_cast<int>(v >> 16 & 0xFFFFu);
    if (v >> 32 != (number & 0xFFFFFFFFu) || chunk >= chunks) return false;
  } while (!b.next.compare_exchange_weak(v, v + 1, std::memory_order_relaxed));
  return true;
}

// Draws chunks of batch k as long as any is left to claim, once every batch
// before it is drawn (done is k). False when it claimed none: the slot holds
// another batch, or others have claimed every chunk.
bool draw_chunks(Pool *p, std::uint64_t k) {
  Batch &b = p->batch[k % RING];
  const std::uint64_t share = b.share.load(std::memory_order_acquire);
  // Batch k was drawn already and its slot may be taken again.
  if (share >> 32 != (k & 0xFFFFFFFFu)) return false;
  const int parts = static_cast<int>(share & 0xFFFFFFFFu);
  bool helping = false;
  for (int chunk, chunks; claim(b, k, chunk, chunks);) {
    // The next worker is woken as soon as this one has a part of it.
    if (!helping) {
      helping = true;
      if (b.helpers.fetch_add(1, std::memory_order_relaxed) + 1 < parts && chunk + 1 < chunks) wake_worker(p);
    }
    draw_batch(b, chunk, chunks);
    if (b.left.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      p->done.store(k + 1);
      wake_drawer(p);
    }
  }
  return helping;
}

// A worker, from batch `first` on (those before were shared out without it).
void work(Pool *p, std::uint64_t first) {
  for (std::uint64_t k = first;; ++k) {
    // Batches drawn meanwhile are passed over.
    k = std::max(k, p->done.load(std::memory_order_acquire));
    await(
        p, p->work, p->sleepers,
        [p, k] {
          const std::uint64_t done = p->done.load();
          return done > k || (p->posted.load() > k && done == k);
        },
        WORKER_LOOKS);
    draw_chunks(p, k);
  }
}

// The drawing thread waits until ready(). Meanwhile it draws what is left to
// claim of the oldest batch not drawn, as a worker does: where the
// processors are busy with other work, the workers fall behind, and the time
// the drawing thread has is better spent drawing than waiting.
template <typename Ready>
void drawer_await(Pool *p, Ready ready) {
  while (!ready()) {
    const std::uint64_t k = p->done.load(std::memory_order_acquire);
    if (k < p->posted.load(std::memory_order_relaxed) && draw_chunks(p, k)) continue;
    // The workers draw the rest of batch k: wait for it, or for ready().
    await(p, p->drawn, p->drawer_sleeps, [p, k, &ready] { return ready() || p->done.load() != k; }, DRAWER_LOOKS);
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
      std::thread(work, p, p->filling).detach();
    } catch (const std::system_error &) {
      break;
    }
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// Waits until every batch handed to the workers is drawn.
void wait_idle(Pool *p) {
  const std::uint64_t posted = p->posted.load(std::memory_order_relaxed);
  drawer_await(p, [p, posted] { return p->done.load() == posted; });
}

// Hands the batch being filled to as many workers as its work is worth, and
// goes on with the next slot once the workers are done with it.
[[gnu::noinline]] void post(Pool *p) {
#if defined(__SSE2__)
  _mm_sfence();   // the streaming stores of put_cmd come first
#endif
  Batch &b = p->filled();
  if (p->started < wanted_threads) start_workers(p);
  const int workers = std::min(wanted_threads, p->started);
  if (workers == 0) {
    wait_idle(p);
    draw_batch(b, 0, 1);
    b.clear();
    return;
  }
  const double work = static_cast<double>(b.pixels) + static_cast<double>(b.n) * LINE_SETUP_PIXELS +
                      (b.map_of ? static_cast<double>(b.map_units) * b.map.pixels_per_unit : 0.0);
  const int parts = static_cast<int>(std::clamp(work / WORK_PER_PART, 1.0, static_cast<double>(workers)));
  // Bands cost every worker a look at every line: no more of them than
  // workers. Runs of lines cost nothing more cut finer.
  const int chunks = b.mixed ? parts : parts * CHUNKS_PER_PART;
  b.left.store(chunks, std::memory_order_relaxed);
  b.helpers.store(0, std::memory_order_relaxed);
  b.next.store(chunk_word(p->filling, chunks, 0), std::memory_order_relaxed);
  b.share.store((p->filling & 0xFFFFFFFFu) << 32 | static_cast<std::uint32_t>(parts), std::memory_order_release);
  p->posted.store(++p->filling);
  wake_worker(p);
  // The next slot was last filled RING batches ago.
  const std::uint64_t reused = p->filling - RING;
  if (p->filling >= RING)
    drawer_await(p, [p, reused] { return p->done.load() > reused; });
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

bool drawing_at_once() {
  if (wanted_threads < 0) wanted_threads = threads_from_environment();
  return wanted_threads == 0;
}

// A mapped line into the front alone, in the context's current colour and
// operation.
inline void fill_mapped(KglLineCmd &cmd, KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2, bool skip_first) {
  cmd.plane = c->normal[c->front_index].data();
  cmd.x0 = x1, cmd.y0 = y1, cmd.x1 = x2, cmd.y1 = y2;
  cmd.colour = c->rgba;
  cmd.flags = static_cast<std::uint8_t>(KGL_CMD_MAPPED | (c->logic_op == KGL_LO_XOR ? KGL_CMD_XOR : 0) |
                                        (skip_first ? KGL_CMD_SKIP_FIRST : 0));
}

// Drawing a line at once, without workers: a mapped one (c given) mapped
// first.
[[gnu::noinline]] void draw_at_once(const KglLineCmd &cmd, const KglLineState &st, int width, int height,
                                    KglContext *c) {
  if (!c) {
    kgl_draw_line_cmd(cmd, st, width, 0, height - 1);
    return;
  }
  KglLineCmd w;
  KglLineSpan span;
  if (kgl_map_line_cmd(cmd, c->line_map, c->clip, 0, c->height - 1, w) && kgl_line_span(w, c->clip, span)) {
    kgl_mark_dirty(c, span.col_lo, span.row_lo, span.col_hi, span.row_hi);
    kgl_draw_line_cmd(w, st, width, 0, height - 1);
  }
}

// Counts the command just written into slot b.n of the batch being filled, its
// pixels in area.
inline void taken(Pool *p, Batch &b, const KglRect &area) {
  KglRect &q = kgl_queued_area;
  if (!kgl_lines_queued) q = area;
  q = {std::min(q.x0, area.x0), std::min(q.y0, area.y0), std::max(q.x1, area.x1), std::max(q.y1, area.y1)};
  kgl_lines_queued = true;
  if (++b.n == BATCH) post(p);
}

// append() where the line does not go on in the batch's state: the first
// line of a batch, another state, planes of another size, another line map,
// or no pool yet, or no workers at all.
[[gnu::noinline]] void append_first(const KglLineCmd &cmd, const KglLineState &st, long long weight, int width,
                                    int height, KglContext *c) {
  if (drawing_at_once()) {
    draw_at_once(cmd, st, width, height, c);
    return;
  }
  Pool *p = pool ? pool : new_pool();
  Batch *b = &p->filled();
  // The viewport left and selected again (a status line drawn between two
  // vectors, say) gives a new clip serial but the same map and rectangle:
  // the batch goes on.
  if (c && b->map_of == c && b->map_serial != c->clip_serial && same_map(b->map, c->line_map) &&
      same_state(b->state[b->map_state], {c->clip, 0}))
    b->map_serial = c->clip_serial;
  const bool other_map = c && b->map_of && (b->map_of != c || b->map_serial != c->clip_serial);
  if (b->n > 0 && (b->width != width || b->height != height || other_map)) {
    post(p);
    b = &p->filled();
  }
  b->width = width;
  b->height = height;
  KglLineCmd &slot = b->cmd[b->n];
  slot = cmd;
  slot.state = b->state_index(st);
  if (c) {
    b->map_units += weight;
    if (!b->map_of) {
      b->map = c->line_map;
      b->map_of = c;
      b->map_serial = c->clip_serial;
      b->map_state = slot.state;
      // The lines of the batch lie in the clip rectangle: it shows again, and
      // no line needs mapping here to know where.
      const KglRect &k = c->clip;
      kgl_mark_dirty(c, k.x0, k.y0, k.x1, k.y1);
    }
  } else {
    b->pixels += weight;
  }
  if (b->n == 0) b->colour = slot.colour;
  b->mixed |= (slot.colour != b->colour) | ((slot.flags & KGL_CMD_XOR) != 0);
  // Lines that go on in this state take the fast way and lie in the same
  // rectangle: the queued area need grow only here.
  taken(p, *b, st.clip);
}

// Puts a fan into the batch being filled as it would put a line: the
// vertices into the batch's own room, the state shared with the fan before
// when the same.
void append_fan(const KglFanState &st, Uint32 flat, const KglWin3 *v, int n, const KglRect &box, int height) {
  Pool *p = pool ? pool : new_pool();
  Batch *b = &p->filled();
  const auto new_state = [&st](const Batch &k) {
    return k.nfan_states == 0 || !same_fan_state(k.fan_state[k.nfan_states - 1], st);
  };
  if (b->n > 0 && (b->width != st.width || b->height != height || b->nfan_vertices + n > FAN_VERTICES ||
                   (b->nfan_states == FAN_STATES && new_state(*b)))) {
    post(p);
    b = &p->filled();
  }
  if (new_state(*b)) b->fan_state[b->nfan_states++] = st;
  b->width = st.width;
  b->height = height;
  std::copy(v, v + n, b->fan_vertex + b->nfan_vertices);
  KglLineCmd &slot = b->cmd[b->n];
  slot.plane = nullptr;
  slot.x0 = n;
  slot.x1 = b->nfan_vertices;
  slot.y0 = box.y0;
  slot.y1 = box.y1;
  slot.colour = flat;
  slot.state = static_cast<std::uint16_t>(b->nfan_states - 1);
  slot.flags = KGL_CMD_FAN;
  b->nfan_vertices += n;
  // The pixels of a box's triangles are about half of it.
  b->pixels += (static_cast<long long>(box.x1) - box.x0 + 1) * (box.y1 - box.y0 + 1) / 2 + FAN_SETUP_PIXELS * (n - 2);
  // The order of writes to a pixel matters: the fan goes to bands of rows.
  b->mixed = true;
  taken(p, *b, box);
}

// Writes a command into its slot of the batch being filled. The slot was last
// read by the workers, so its cache lines sit in their caches: a plain store
// would have to take each line back from them first, which costs the drawing
// thread more than anything else it does for a line, and most of all when the
// caches are busy with other work. Streaming stores write around the caches;
// post() orders them before the batch is handed over.
inline void put_cmd(KglLineCmd &slot, const KglLineCmd &cmd) {
#if defined(__SSE2__) && !defined(__SANITIZE_THREAD__)
  // The two halves are put together from the fields in registers: a load of
  // the command from memory would wait for its separate stores to land.
  static_assert(sizeof(KglLineCmd) == 32 && offsetof(KglLineCmd, x0) == 8 && offsetof(KglLineCmd, colour) == 24 &&
                offsetof(KglLineCmd, state) == 28 && offsetof(KglLineCmd, flags) == 30);
  const __m128i low = _mm_set_epi32(cmd.y0, cmd.x0, static_cast<int>(reinterpret_cast<std::uintptr_t>(cmd.plane) >> 32),
                                    static_cast<int>(reinterpret_cast<std::uintptr_t>(cmd.plane)));
  const __m128i high = _mm_set_epi32(static_cast<int>(cmd.state | static_cast<Uint32>(cmd.flags) << 16),
                                     static_cast<int>(cmd.colour), cmd.y1, cmd.x1);
  _mm_stream_si128(reinterpret_cast<__m128i *>(&slot), low);
  _mm_stream_si128(reinterpret_cast<__m128i *>(&slot) + 1, high);
#else
  slot = cmd;
#endif
}

// The one way a line enters the queue: fill(slot) writes its command. A
// line that goes on in the state of the line before it in the batch being
// filled (the same planes and clip rectangle st; for a mapped line, c's line
// map that the batch holds already) is written straight into its slot;
// every other one goes through append_first. weight is the line's pixels, or
// for a mapped line its |dx| + |dy| before mapping.
template <typename Fill>
inline void append(Fill fill, const KglLineState *st, long long weight, int width, int height, KglContext *c) {
  if (Pool *p = pool) {
    Batch &b = p->filled();
    const bool goes_on = c ? b.map_of == c && b.map_serial == c->clip_serial
                           : b.nstates > 0 && b.width == width && b.height == height &&
                                 same_state(b.state[b.nstates - 1], *st);
    if (goes_on) {
      KglLineCmd cmd;
      fill(cmd);
      cmd.state = c ? b.map_state : static_cast<std::uint16_t>(b.nstates - 1);
      put_cmd(b.cmd[b.n], cmd);
      (c ? b.map_units : b.pixels) += weight;
      b.mixed |= (cmd.colour != b.colour) | ((cmd.flags & KGL_CMD_XOR) != 0);
      if (++b.n == BATCH) post(p);
      return;
    }
  }
  KglLineCmd cmd;
  fill(cmd);
  append_first(cmd, c ? KglLineState{c->clip, 0} : *st, weight, width, height, c);
}

}  // namespace

void kgl_submit_line(const KglLineCmd &cmd, const KglLineState &state, long long pixels, int width, int height) {
  append([&cmd](KglLineCmd &slot) { slot = cmd; }, &state, pixels, width, height, nullptr);
}

void kgl_queue_mapped_line(KglContext *c, Int32 x1, Int32 y1, Int32 x2, Int32 y2, bool skip_first) {
  const long long units = std::llabs(static_cast<long long>(x2) - x1) + std::llabs(static_cast<long long>(y2) - y1);
  append([=](KglLineCmd &slot) { fill_mapped(slot, c, x1, y1, x2, y2, skip_first); }, nullptr, units, c->width,
         c->height, c);
}

namespace {

// The lines ends[2i] to ends[2i + 1], i = 0..n-1, of a batch that goes on in
// their map, in its slots from `slot` on, as put_cmd puts cmd with their
// points in it. Returns their |dx| + |dy|, summed.
long long put_mapped_cmds(KglLineCmd *slot, KglLineCmd cmd, const std::uint32_t *ends, int n) {
#if defined(__SSE2__) && !defined(__SANITIZE_THREAD__)
  static_assert(sizeof(KglLineCmd) == 32 && offsetof(KglLineCmd, x0) == 8 && offsetof(KglLineCmd, colour) == 24 &&
                offsetof(KglLineCmd, state) == 28 && offsetof(KglLineCmd, flags) == 30);
  // The points' 16-bit halves, as loaded: y1, x1, y2, x2. Reordered to x1,
  // y1, x2, y2 and widened, they are the command's middle 16 bytes; the
  // plane goes before them, the colour, state and flags after.
  const __m128i plane = _mm_cvtsi64_si128(static_cast<long long>(reinterpret_cast<std::uintptr_t>(cmd.plane)));
  const __m128i rest =
      _mm_set_epi32(static_cast<int>(cmd.state | static_cast<Uint32>(cmd.flags) << 16), static_cast<int>(cmd.colour), 0, 0);
  const __m128i zero = _mm_setzero_si128(), both = _mm_set_epi16(0, 0, 0, 0, 0, 0, 1, 1);
  __m128i units = zero;
  for (const std::uint32_t *e = ends, *end = ends + 2 * n; e < end; e += 2, ++slot) {
    const __m128i points = _mm_shufflelo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(e)), _MM_SHUFFLE(2, 3, 0, 1));
    const __m128i xy = _mm_unpacklo_epi16(points, zero);
    _mm_stream_si128(reinterpret_cast<__m128i *>(slot), _mm_unpacklo_epi64(plane, xy));
    _mm_stream_si128(reinterpret_cast<__m128i *>(slot) + 1, _mm_unpackhi_epi64(xy, rest));
    // |x2 - x1| + |y2 - y1|: the differences as 16-bit values, made
    // positive, and added in 32 bits.
    const __m128i d = _mm_sub_epi16(_mm_srli_epi64(points, 32), points);
    units = _mm_add_epi32(units, _mm_madd_epi16(_mm_max_epi16(d, _mm_sub_epi16(zero, d)), both));
  }
  return _mm_cvtsi128_si32(units);
#else
  long long units = 0;
  for (int i = 0; i < n; ++i, ++slot) {
    cmd.x0 = static_cast<Int32>(ends[2 * i] >> 16), cmd.y0 = static_cast<Int32>(ends[2 * i] & 0xFFFF);
    cmd.x1 = static_cast<Int32>(ends[2 * i + 1] >> 16), cmd.y1 = static_cast<Int32>(ends[2 * i + 1] & 0xFFFF);
    units += std::llabs(static_cast<long long>(cmd.x1) - cmd.x0) + std::llabs(static_cast<long long>(cmd.y1) - cmd.y0);
    put_cmd(*slot, cmd);
  }
  return units;
#endif
}

}  // namespace

void kgl_queue_mapped_lines(KglContext *c, const std::uint32_t *ends, int n) {
  KglLineCmd cmd;
  fill_mapped(cmd, c, 0, 0, 0, 0, false);
  for (int i = 0; i < n;) {
    Pool *p = pool;
    Batch *b = p ? &p->filled() : nullptr;
    if (!b || b->map_of != c || b->map_serial != c->clip_serial) {
      // The first line of a batch, or of another map: append's other way.
      kgl_queue_mapped_line(c, static_cast<Int32>(ends[2 * i] >> 16), static_cast<Int32>(ends[2 * i] & 0xFFFF),
                            static_cast<Int32>(ends[2 * i + 1] >> 16), static_cast<Int32>(ends[2 * i + 1] & 0xFFFF));
      ++i;
      continue;
    }
    // The lines that go on in the batch's map, as append writes each.
    cmd.state = b->map_state;
    const int m = std::min(n - i, BATCH - b->n);
    b->map_units += put_mapped_cmds(b->cmd + b->n, cmd, ends + 2 * i, m);
    b->mixed |= (cmd.colour != b->colour) | ((cmd.flags & KGL_CMD_XOR) != 0);
    i += m;
    b->n += m;
    if (b->n == BATCH ||
        (b->n >= FIRST_BATCH && p->done.load(std::memory_order_relaxed) == p->posted.load(std::memory_order_relaxed)))
      post(p);
  }
}

void kgl_submit_fan(const KglFanState &st, Uint32 flat, const KglWin3 *v, int n, int x0, int y0, int x1, int y1,
                    int height) {
  if (drawing_at_once() || n > FAN_VERTICES) {
    kgl_sync_pixels_in(x0, y0, x1, y1);
    kgl_draw_fan(st, flat, v, n, 0, height - 1);
    return;
  }
  append_fan(st, flat, v, n, {x0, y0, x1, y1}, height);
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
