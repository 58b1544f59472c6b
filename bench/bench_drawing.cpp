// Benchmarks of the drawing road, in one run:
//
// 1. Replay: a display list of one million stored vectors (connected short
//    segments, as a zoomed-out drawing has them) redrawn by the redraw packet
//    in process, into an off-screen context. Vectors a second.
// 2. Storage: bytes held per stored vector.
// 3. End to end: random vectors of up to 100 pixels sent through the pipe to
//    a running driver (viewport 1, display list on), timed from the first
//    byte written to the answer of a following no-op; against the X server
//    drawing the same segments with XDrawSegments (line width 0) on the same
//    display, and against the pipe carrying the same bytes to a reader that
//    only discards them.
// 4. 3D faces: lit, smooth-shaded, z-buffered triangles as pnpoly3 packets
//    of a 3D drawing; timed from the packet that ends the drawing (which
//    draws them all) to the answer of the no-op after it, through the
//    driver's real window, against the X server filling the same triangles
//    flat with XFillPolygon; beside it the same redraw of the face list in
//    process, into an off-screen context.
// 5. Rendering: a full-window 24-bit image as rdwsline rows from the pipe to
//    the pixels, against XPutImage of the same rows; and rdcpoly shaded
//    quads a second.
//
// A shared machine makes every timing noisy, so each comparison is made of
// paired runs: the driver's run and the X server's (or the pipe's) straight
// after each other, so that a slow spell falls on both alike. What is
// printed for each is the median of the runs and their spread (lowest to
// highest), never the best. The driver is started several times, since how
// fast a start runs depends on the processors its threads get; the first
// drawing after each start (its worker threads and pages still to be made)
// is shown apart from the runs after it.
//
// Prints times and ratios, and the load average the machine had before:
// asserts nothing.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "adi/handlers.h"
#include "adi/session.h"
#include "adiclient/driver.h"
#include "adiclient/packet.h"
#include "adiclient/xwindow.h"
#include "base/config_record.h"
#include "base/packet.h"
#include "display/colour_tables.h"
#include "display/display_list.h"
#include "display/redraw.h"
#include "display/vectors.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "render3d/faces.h"
#include "render3d/rendering.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs of each in-process timing, and paired runs of each driver start.
constexpr int kRuns = 7;
// Driver processes started in turn for each end-to-end comparison: how fast
// one runs depends on the processors the system gives its threads, which on
// a shared machine differ from one start to the next.
constexpr int kStarts = 3;

double ms_since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// The median of some timings or ratios, and their spread.
struct Spread {
  double median = 0, lo = 0, hi = 0;
  std::size_t n = 0;
};

Spread spread_of(std::vector<double> v) {
  Spread s;
  s.n = v.size();
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  s.median = v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
  s.lo = v.front();
  s.hi = v.back();
  return s;
}

// "12.3 ms (11.0-15.2)"
std::string ms_text(const Spread &s) {
  char text[96];
  std::snprintf(text, sizeof text, "%8.1f ms (%.1f-%.1f)", s.median, s.lo, s.hi);
  return text;
}

// "0.62 (0.55-0.80 over 12 paired runs)"; what the runs are, in the
// singular and the plural.
std::string ratio_text(const Spread &s, const char *one = "paired run", const char *more = "paired runs") {
  char text[128];
  std::snprintf(text, sizeof text, "%.2f (%.2f-%.2f over %zu %s)", s.median, s.lo, s.hi, s.n, s.n == 1 ? one : more);
  return text;
}

// The ratios a / b of paired runs.
std::vector<double> ratios(const std::vector<double> &a, const std::vector<double> &b) {
  std::vector<double> r;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) r.push_back(a[i] / b[i]);
  return r;
}

// Lets what a run left behind settle (the driver puts its pixels on the
// screen once it is idle) before the other side of the pair runs.
void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

struct Segment {
  int x1, y1, x2, y2;  // pixels of the graphics area, y up
};

// Random segments of 1 to max_length pixels inside a width x height area.
std::vector<Segment> random_segments(int count, int width, int height, int max_length, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> px(0, width - 1), py(0, height - 1), len(1, max_length);
  std::uniform_real_distribution<double> angle(0.0, 2.0 * M_PI);
  std::vector<Segment> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int x = px(rng), y = py(rng), l = len(rng);
    const double a = angle(rng);
    const int x2 = std::clamp(x + static_cast<int>(std::lround(l * std::cos(a))), 0, width - 1);
    const int y2 = std::clamp(y + static_cast<int>(std::lround(l * std::sin(a))), 0, height - 1);
    out.push_back({x, y, x2, y2});
  }
  return out;
}

// ---- in process: replay and storage -------------------------------------------------

// A driver packet in a zero-filled scratch buffer.
struct LocalPacket {
  std::uint8_t scratch[64] = {};
  Packet p;
  LocalPacket(int opcode, std::size_t length) : p(scratch, sizeof scratch, length) { p.put_i16(0, opcode); }
};

constexpr int kOffW = 1280, kOffH = 1024;
constexpr int kUnits = 25;  // view units a pixel of the off-screen viewport

// The drawing state of a fresh session over an off-screen window.
void set_up_offscreen_session() {
  xsize = kOffW, ysize = kOffH, xmin = 0, ymin = 0, xmax = kOffW - 1, ymax = kOffH - 1, graphy = kOffH - 1;
  Pkinit.field[kPkinitFlags] = 0x8007;
  Pkinit.field[kPkinitLevel] = 8;
  Pkinit.field[kPkinitWidth] = static_cast<std::uint16_t>(xmax);
  Pkinit.field[kPkinitHeight] = static_cast<std::uint16_t>(graphy);
  do_32bit_regen = 0;
  init_display_list(32768);
  init_viewports();
  init_redraw(1);
  for (int c = 1; c < 8; ++c) {
    DisplayMap[c][0] = static_cast<float>(c & 1);
    DisplayMap[c][1] = static_cast<float>(c >> 1 & 1);
    DisplayMap[c][2] = static_cast<float>(c >> 2 & 1);
  }
  cfr.word(kWordColourGraphics) = 0;
  cfr.word(kWordDisplayList) = 1;
  cfr.word(kWordRefreshList) = 0;
  cfr.word(kWordNonStopRedraw) = 1;
  cfr.word(kWordPolygonOutline) = 0;
  draw_mode = KGL_NORMALDRAW;
  CurrentMatrixNumber = -1;

  LocalPacket open(38, 16);
  open.p.put_i16(2, 1);
  open.p.put_i16(8, kOffW - 1);
  open.p.put_i16(10, kOffH - 1);
  open.p.put_i16(12, 32765);
  open.p.put_i16(14, 32765);
  popenvp(open.p);
  LocalPacket view(40, 16);
  view.p.put_i16(2, 1);
  view.p.put_i16(8, kOffW * kUnits - 1);
  view.p.put_i16(10, kOffH * kUnits - 1);
  pviewport(view.p);
}

std::int64_t list_bytes(int index) {
  std::int64_t bytes = 0;
  const ViewportRecord &vp = vp_info[index];
  for (const DisplayListPage *p = vp.first_page; p != nullptr; p = p->next)
    bytes += (p == vp.current_page ? vp.fill_offset : static_cast<int>(p->used)) - kPageHeaderBytes;
  return bytes;
}

void store_vector(int x1, int y1, int x2, int y2, int colour) {
  dlcolor = static_cast<std::int16_t>(colour);
  dl1[0] = static_cast<std::uint16_t>(x1);
  dl1[1] = static_cast<std::uint16_t>(y1);
  dl2[0] = static_cast<std::uint16_t>(x2);
  dl2[1] = static_cast<std::uint16_t>(y2);
  AppendVector(1);
}

// One million short connected segments: polylines of 64 segments of 1 to 3
// pixels each, in seven colours, over the whole window.
// Made first, so that storing them is timed alone: the milliseconds it took.
double fill_connected(int count) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> px(10, kOffW - 10), py(10, kOffH - 10), step(-3, 3);
  std::vector<Segment> segments;
  segments.reserve(static_cast<std::size_t>(count));
  int x = 0, y = 0;
  for (int i = 0; i < count; ++i) {
    if (i % 64 == 0) x = px(rng), y = py(rng);
    const int nx = std::clamp(x + step(rng), 0, kOffW - 1), ny = std::clamp(y + step(rng), 0, kOffH - 1);
    segments.push_back({x, y, nx, ny});
    x = nx, y = ny;
  }
  const auto t0 = Clock::now();
  for (int i = 0; i < count; ++i) {
    const Segment &s = segments[static_cast<std::size_t>(i)];
    store_vector(s.x1 * kUnits, s.y1 * kUnits, s.x2 * kUnits, s.y2 * kUnits, 1 + i / 64 % 7);
  }
  return ms_since(t0);
}

// Redraws of viewport 1 through the redraw packet, in ms.
Spread time_redraw(int runs) {
  std::vector<double> t;
  for (int r = 0; r < runs; ++r) {
    LocalPacket redraw(24, 16);
    redraw.p.put_i16(4, 2);
    redraw.p.put_i16(6, 1);
    const auto t0 = Clock::now();
    predraw(redraw.p);
    finish();
    t.push_back(ms_since(t0));
  }
  return spread_of(t);
}

void in_process(int stored_count) {
  KglContext *ctx = kgl_offscreen_create(kOffW, kOffH);
  kgl_offscreen_make_current(ctx);
  set_up_offscreen_session();

  std::printf("Replay (in process, off-screen %dx%d)\n", kOffW, kOffH);
  const int n = stored_count;
  const double store_ms = fill_connected(n);
  const Spread t = time_redraw(kRuns);
  std::printf("  predraw of %d stored vectors (connected, 1-3 px): %s = %.1f million vectors/s"
              "   [target >= 20]\n",
              n, ms_text(t).c_str(), n / (t.median / 1000.0) / 1e6);
  const std::int64_t connected_bytes = list_bytes(1);
  const int pages_held = page_count;

  // Random vectors of up to 100 pixels, each its own entity.
  EraseDisplayList(1);
  const std::vector<Segment> random = random_segments(200000, kOffW, kOffH, 100, 11);
  const auto t_store_random = Clock::now();
  for (const Segment &s : random) store_vector(s.x1 * kUnits, s.y1 * kUnits, s.x2 * kUnits, s.y2 * kUnits, 7);
  const double store_random_ms = ms_since(t_store_random);
  const Spread tr = time_redraw(kRuns);
  std::printf("  predraw of %zu stored random vectors (up to 100 px): %s = %.2f million vectors/s\n",
              random.size(), ms_text(tr).c_str(), random.size() / (tr.median / 1000.0) / 1e6);
  const std::int64_t random_bytes = list_bytes(1);

  // A single long polyline: the cost of a further vertex.
  EraseDisplayList(1);
  store_vector(0, 0, 10, 10, 3);
  const int first = vp_info[1].fill_offset;
  for (int i = 1; i <= 1000; ++i) store_vector(10 * i, 10 * i, 10 * i + 10, 10 * i + 10, 3);
  const double per_vertex = (vp_info[1].fill_offset - first) / 1000.0;

  std::printf("Storage (16-bit coordinates, pages of %d bytes)\n", alloc_size);
  std::printf("  connected polyline: %.1f bytes per further vertex   [target 4]\n", per_vertex);
  std::printf("  the %d connected vectors: %.2f bytes each (%d pages held, %.2f bytes each with page slack)\n", n,
              static_cast<double>(connected_bytes) / n, pages_held,
              static_cast<double>(pages_held) * alloc_size / n);
  std::printf("  separate random vectors: %.2f bytes each\n", static_cast<double>(random_bytes) / random.size());
  std::printf("  storing (display-list append, tile masks): %.1f ns a connected vector, %.1f ns a random one\n",
              store_ms * 1e6 / n, store_random_ms * 1e6 / static_cast<double>(random.size()));

  EraseDisplayList(1);
  kgl_offscreen_destroy(ctx);
}

// ---- end to end ---------------------------------------------------------------------

struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/kova-bench-XXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf " + path).c_str()); }
};

std::unique_ptr<adiclient::Driver> start(const std::string &driver_path, const std::string &cfg) {
  auto d = std::make_unique<adiclient::Driver>();
  adiclient::StartOptions o;
  o.path = driver_path;
  o.set_env = {"ACADTEXTDISPLAY=.", "ACADCFG=" + cfg, "USER=bench", "ACAD=" + cfg};
  o.stdout_mode = adiclient::Stream::null;
  std::string err;
  if (!adiclient::start_driver(o, *d, err)) {
    std::fprintf(stderr, "cannot start %s: %s\n", driver_path.c_str(), err.c_str());
    return nullptr;
  }
  int hello = 0;
  if (adiclient::read_handshake(*d, 10000, hello) != adiclient::Got::packet) return nullptr;
  return d;
}

bool request(adiclient::Driver &d, const adiclient::Packet &p, adiclient::Packet *reply = nullptr) {
  adiclient::Packet r;
  if (!adiclient::send_packet(d, p) || adiclient::read_reply(d, 30000, r) != adiclient::Got::packet) return false;
  if (reply) *reply = r;
  return true;
}

// The framed messages carrying pvec packets of the segments, in units of
// scale a pixel, viewport 1.
std::vector<std::uint8_t> vector_messages(const std::vector<Segment> &segments, int scale) {
  std::vector<std::uint8_t> bytes;
  std::vector<adiclient::Packet> run;
  auto flush = [&] {
    std::vector<std::uint8_t> m = adiclient::frame_message(run);
    bytes.insert(bytes.end(), m.begin(), m.end());
    run.clear();
  };
  for (const Segment &s : segments) {
    adiclient::Packet p(5, 16);
    p.set_i16(2, s.x1 * scale + scale / 2);
    p.set_i16(4, s.y1 * scale + scale / 2);
    p.set_i16(6, s.x2 * scale + scale / 2);
    p.set_i16(8, s.y2 * scale + scale / 2);
    p.set_i16(10, 7);
    p.set_i16(14, 1);
    run.push_back(std::move(p));
    if (run.size() == 300) flush();
  }
  if (!run.empty()) flush();
  return bytes;
}

// The same bytes through a pipe to a child that reads and discards them,
// then answers one byte. Milliseconds from the first byte to the answer.
double pipe_alone(const std::vector<std::uint8_t> &bytes) {
  int down[2], up[2];
  if (pipe(down) != 0 || pipe(up) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(down[1]);
    close(up[0]);
    std::vector<char> buf(1 << 16);
    std::size_t got = 0;
    while (got < bytes.size()) {
      const ssize_t n = read(down[0], buf.data(), buf.size());
      if (n <= 0) _exit(1);
      got += static_cast<std::size_t>(n);
    }
    const char answer = 1;
    _exit(write(up[1], &answer, 1) == 1 ? 0 : 1);
  }
  close(down[0]);
  close(up[1]);
  const auto t0 = Clock::now();
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = write(down[1], bytes.data() + sent, bytes.size() - sent);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  char answer = 0;
  const bool ok = read(up[0], &answer, 1) == 1;
  const double t = ms_since(t0);
  close(down[1]);
  close(up[0]);
  waitpid(pid, nullptr, 0);
  return ok ? t : -1;
}

// Packets framed into messages of at most 8000 bytes, a pnop last.
std::vector<std::uint8_t> framed(std::vector<adiclient::Packet> packets) {
  packets.push_back(adiclient::pnop());
  std::vector<std::uint8_t> bytes;
  std::vector<adiclient::Packet> run;
  std::size_t run_bytes = 0;
  for (adiclient::Packet &p : packets) {
    if (!run.empty() && run_bytes + p.size() + 8 > 8000) {
      const std::vector<std::uint8_t> m = adiclient::frame_message(run);
      bytes.insert(bytes.end(), m.begin(), m.end());
      run.clear();
      run_bytes = 0;
    }
    run_bytes += (p.size() + 7) / 4 * 4;
    run.push_back(std::move(p));
  }
  const std::vector<std::uint8_t> m = adiclient::frame_message(run);
  bytes.insert(bytes.end(), m.begin(), m.end());
  return bytes;
}

// ---- the X server's side --------------------------------------------------------------

// Where the driver's window is on the screen (nothing when there is no
// driver or it was not found).
struct Area {
  int x = 0, y = 0, width = 0, height = 0;
};

Area driver_window(Display *d) {
  Area a;
  if (const adiclient::XWindow top = adiclient::find_top_window(d, adiclient::graphics_title, 5000))
    adiclient::window_geometry(d, top, a.x, a.y, a.width, a.height);
  return a;
}

enum class Beside { nothing, driver };

// A window of the X server's own, width x height, mapped and exposed, where
// it covers none of the driver's window when the screen has the room: the
// driver then puts its pixels on the screen as a user sees them, and nothing
// it does exposes the other window. The window stays up for all the runs.
class XServer {
 public:
  XServer(int width, int height, Beside beside) : height_(height) {
    d_ = XOpenDisplay(nullptr);
    if (d_ == nullptr) return;
    const Area avoid = beside == Beside::driver ? driver_window(d_) : Area{};
    const int scr = DefaultScreen(d_);
    const int sw = DisplayWidth(d_, scr), sh = DisplayHeight(d_, scr);
    int x = 0, y = 0;
    if (avoid.width > 0) {
      if (avoid.x + avoid.width + width <= sw)
        x = avoid.x + avoid.width;
      else if (avoid.y + avoid.height + height <= sh)
        y = avoid.y + avoid.height;
      else if (avoid.x >= width)
        x = 0;
      else
        x = sw - width, y = sh - height;   // some overlap: the screen is too small
    }
    w_ = XCreateSimpleWindow(d_, RootWindow(d_, scr), x, y, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), 0, WhitePixel(d_, scr), BlackPixel(d_, scr));
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;   // placed where asked
    XChangeWindowAttributes(d_, w_, CWOverrideRedirect, &attrs);
    XSelectInput(d_, w_, ExposureMask);
    XMapWindow(d_, w_);
    for (XEvent e;;) {
      XNextEvent(d_, &e);
      if (e.type == Expose) break;
    }
    XGCValues gv{};
    gv.foreground = WhitePixel(d_, scr);
    gv.line_width = 0;
    gc_ = XCreateGC(d_, w_, GCForeground | GCLineWidth, &gv);
  }
  ~XServer() {
    if (d_ == nullptr) return;
    XFreeGC(d_, gc_);
    XDestroyWindow(d_, w_);
    XCloseDisplay(d_);
  }
  XServer(const XServer &) = delete;
  XServer &operator=(const XServer &) = delete;

  bool ok() const { return d_ != nullptr; }
  Display *display() const { return d_; }
  int height() const { return height_; }

  // Milliseconds of one run of draw(display, window, gc), from its first
  // request to the server's answer to XSync; -1 without a display.
  template <typename Draw>
  double time(Draw draw) {
    if (d_ == nullptr) return -1;
    XRaiseWindow(d_, w_);
    XClearWindow(d_, w_);
    XSync(d_, False);
    const auto t0 = Clock::now();
    draw(d_, w_, gc_);
    XSync(d_, False);
    return ms_since(t0);
  }

 private:
  Display *d_ = nullptr;
  Window w_ = 0;
  GC gc_ = nullptr;
  int height_;
};

// ---- end to end: vectors ----------------------------------------------------------------

// A driver process of the runs, killed when it goes.
class DriverProcess {
 public:
  // Milliseconds from the first byte of the stream to the answer that ends
  // it; -1 when the driver does not answer.
  double time_stream(const std::vector<std::uint8_t> &stream) {
    adiclient::Packet r;
    const auto t0 = Clock::now();
    if (!adiclient::send_raw(*d_, stream) || adiclient::read_reply(*d_, 120000, r) != adiclient::Got::packet) return -1;
    return ms_since(t0);
  }
  ~DriverProcess() {
    if (!d_) return;
    request(*d_, adiclient::pkill());
    adiclient::wait_exit(*d_, 10000);
  }

 protected:
  std::unique_ptr<adiclient::Driver> d_;
};

// A driver started for the end-to-end runs, with viewport 1 over the whole
// graphics area at scale view units a pixel.
class BenchDriver : public DriverProcess {
 public:
  bool start(const std::string &path, const std::string &cfg) {
    d_ = ::start(path, cfg);
    adiclient::Packet init;
    if (!d_ || !request(*d_, adiclient::pinit(0x8007, 8, "bench"), &init)) return false;
    width = init.i16(12) + 1, height = init.i16(14) + 1;
    scale = std::max(1, std::min(40, 32000 / std::max(width, height)));
    const adiclient::Packet open = adiclient::popenvp(1, 0, 0, width - 1, height - 1);
    adiclient::Packet view(40, 16);
    view.set_i16(2, 1);
    view.set_i16(8, width * scale - 1);
    view.set_i16(10, height * scale - 1);
    return request(*d_, open) && request(*d_, view) && request(*d_, adiclient::pnop());
  }
  // Clears viewport 1, then times the stream once the cleared area is on
  // the screen (as the X server's window is cleared before its runs).
  double run(const std::vector<std::uint8_t> &stream) {
    adiclient::Packet clear(3, 6);
    clear.set_i16(4, 1);
    if (!request(*d_, clear)) return -1;
    settle();
    return time_stream(stream);
  }
  int width = 0, height = 0, scale = 1;
};

// The driver's times, the other side's, in pairs: the first run of each
// start apart from the runs after it.
struct PairedRuns {
  std::vector<double> driver, other, first_driver, first_other;
  void add(bool first, double d, double o) {
    (first ? first_driver : driver).push_back(d);
    (first ? first_other : other).push_back(o);
  }
};

// Runs of each start: the first drawing after the start and the runs after it.
constexpr int kRunsPerStart = 5;

void print_paired(const PairedRuns &r, const char *what, const char *target, const char *indent = "  ") {
  std::printf("%sratio driver / %s: %s   [target <= %s]\n", indent, what,
              ratio_text(spread_of(ratios(r.driver, r.other))).c_str(), target);
  std::printf("%s  the first drawing after a start: %s\n", indent,
              ratio_text(spread_of(ratios(r.first_driver, r.first_other)), "start", "starts").c_str());
}

void end_to_end(const std::string &driver_path, int count) {
  std::string err;
  adiclient::XDisplay *xd = adiclient::open_display(err);
  if (xd == nullptr) {
    std::printf("End to end: skipped (no X display: %s)\n", err.c_str());
    return;
  }
  adiclient::close_display(xd);

  // A configuration directory of its own: the defaults, as a new user has them.
  TempDir cfg;
  std::vector<std::uint8_t> all;
  std::vector<XSegment> xs;
  std::unique_ptr<XServer> x_server;
  int width = 0, height = 0;
  PairedRuns vs_x, vs_pipe;
  for (int started = 0; started < kStarts; ++started) {
    BenchDriver driver;
    if (!driver.start(driver_path, cfg.path)) {
      std::printf("End to end: the driver did not start\n");
      return;
    }
    if (started == 0) {
      width = driver.width, height = driver.height;
      const std::vector<Segment> segments = random_segments(count, width, height, 100, 3);
      all = vector_messages(segments, driver.scale);
      const std::vector<std::uint8_t> nop =
          adiclient::frame_message(std::vector<adiclient::Packet>{adiclient::pnop()});
      all.insert(all.end(), nop.begin(), nop.end());
      x_server = std::make_unique<XServer>(width, height, Beside::driver);
      for (const Segment &s : segments)
        xs.push_back({static_cast<short>(s.x1), static_cast<short>(height - 1 - s.y1), static_cast<short>(s.x2),
                      static_cast<short>(height - 1 - s.y2)});
    }
    for (int run = 0; run < kRunsPerStart; ++run) {
      const double t = driver.run(all);
      if (t < 0) {
        std::printf("End to end: no answer from the driver\n");
        return;
      }
      settle();
      const double tx = x_server->time([&xs](Display *d, Window w, GC gc) {
        const std::size_t chunk = std::max<long>(1, XMaxRequestSize(d) - 8) / 2;
        for (std::size_t at = 0; at < xs.size(); at += chunk)
          XDrawSegments(d, w, gc, xs.data() + at, static_cast<int>(std::min(chunk, xs.size() - at)));
      });
      vs_x.add(run == 0, t, tx);
      vs_pipe.add(run == 0, t, pipe_alone(all));
    }
  }

  std::printf("End to end (%d random vectors of up to 100 px, viewport 1, display list on, %dx%d;"
              " %d starts of %d paired runs)\n",
              count, width, height, kStarts, kRunsPerStart);
  std::printf("  driver, first byte to the no-op's answer: %s  (%zu bytes)\n", ms_text(spread_of(vs_x.driver)).c_str(),
              all.size());
  std::printf("  X server, XDrawSegments + XSync:          %s\n", ms_text(spread_of(vs_x.other)).c_str());
  std::printf("  the pipe alone, same bytes:               %s\n", ms_text(spread_of(vs_pipe.other)).c_str());
  print_paired(vs_x, "XDrawSegments", "0.7");
  std::printf("  ratio driver / pipe alone:    %s\n", ratio_text(spread_of(ratios(vs_pipe.driver, vs_pipe.other))).c_str());
}

// ---- 3D faces --------------------------------------------------------------------
//
// The triangles of a 3D drawing as pnpoly3 packets, drawn by the packet that
// ends the drawing, against the X server filling the same triangles flat
// with XFillPolygon; beside it the same redraw of the face list in process.

struct Triangle {
  double x[3], y[3], z[3];
  double n[3][3];   // vertex normals, facing the viewer
};

// Random triangles of about 100 pixels (equilateral, radius 8.8) with random
// depths and normals, anywhere in a width x height area.
std::vector<Triangle> random_triangles(int count, int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> px(10, width - 10), py(10, height - 10), angle(0, 2 * M_PI);
  std::uniform_real_distribution<double> depth(-1.8, -0.2), tilt(-0.5, 0.5);
  std::vector<Triangle> out(static_cast<std::size_t>(count));
  for (Triangle &t : out) {
    const double cx = px(rng), cy = py(rng), a = angle(rng);
    for (int i = 0; i < 3; ++i) {
      t.x[i] = cx + 8.8 * std::cos(a + i * 2 * M_PI / 3);
      t.y[i] = cy + 8.8 * std::sin(a + i * 2 * M_PI / 3);
      t.z[i] = depth(rng);
      const double nx = tilt(rng), ny = tilt(rng), l = std::sqrt(nx * nx + ny * ny + 1);
      t.n[i][0] = nx / l, t.n[i][1] = ny / l, t.n[i][2] = 1 / l;
    }
  }
  return out;
}

// The triangles' corners as the X server takes them (rows from the top).
std::vector<XPoint> x_points(const std::vector<Triangle> &tris, int height) {
  std::vector<XPoint> points(tris.size() * 3);
  for (std::size_t i = 0; i < tris.size(); ++i)
    for (int k = 0; k < 3; ++k)
      points[3 * i + static_cast<std::size_t>(k)] = {static_cast<short>(std::lround(tris[i].x[k])),
                                                     static_cast<short>(height - 1 - std::lround(tris[i].y[k]))};
  return points;
}

// One run of the X server filling the triangles flat.
double x_fill(XServer &x, const std::vector<XPoint> &points) {
  return x.time([&points](Display *d, Window w, GC gc) {
    for (std::size_t i = 0; i + 2 < points.size(); i += 3)
      XFillPolygon(d, w, gc, const_cast<XPoint *>(&points[i]), 3, Convex, CoordModeOrigin);
  });
}

// The face list of the triangles in an off-screen context as the end of a
// 3D drawing redraws it (two-sided, back faces culled, z-buffered), paired
// with the X server filling them; the medians of the driver's times, the
// server's and the ratios.
void in_process_faces(const std::vector<Triangle> &tris, PairedRuns &runs) {
  KglContext *ctx = kgl_offscreen_create(kOffW, kOffH);
  kgl_offscreen_make_current(ctx);
  init_zbuffer();
  gd_zmin = 15;
  gd_zmax = getgdesc(5);
  cfr.word(kWordPageSize) = 32768;
  mmode(KGL_MPROJECTION);
  ortho(-0.5f, kOffW - 0.5f, -0.5f, kOffH - 0.5f, 0, 2);
  mmode(KGL_MVIEWING);
  const float light[] = {KGL_POSITION, 0.3f, 0.4f, 1, 0, KGL_LMNULL};
  lmdef(KGL_DEFLIGHT, 1, 6, light);
  lmbind(KGL_LIGHT0, 1);
  const float material[] = {KGL_DIFFUSE, 0.9f, 0.6f, 0.3f, KGL_LMNULL};
  lmdef(KGL_DEFMATERIAL, 1, 5, material);
  nmode(1);
  for (const Triangle &t : tris) {
    FaceRecord *r = GetFACEListPtr();
    if (r == nullptr) break;
    std::memset(r, 0, sizeof *r);
    r->kind = kRenderVertexFaces;
    r->count = 3;
    r->flags = kFaceLit | kFaceMaterial | kFacePerVertex;
    r->material = 1;
    r->normal[2] = 1;
    for (int i = 0; i < 3; ++i) {
      r->v[i].pos[0] = static_cast<float>(t.x[i]);
      r->v[i].pos[1] = static_cast<float>(t.y[i]);
      r->v[i].pos[2] = static_cast<float>(t.z[i]);
      for (int k = 0; k < 3; ++k) r->v[i].extra[k] = static_cast<float>(t.n[i][k]);
    }
    StoreFACEListPtr(kFaceRecordBytes);
  }
  XServer x(kOffW, kOffH, Beside::nothing);
  const std::vector<XPoint> points = x_points(tris, kOffH);
  for (int r = 0; r < kRuns; ++r) {
    shademodel(1);
    frontface(0);
    backface(1);
    MyZbuffer(1);
    zclear();
    const auto t0 = Clock::now();
    FACE_redraw_all(kRenderFilledTwoSided);
    finish();
    const double t = ms_since(t0);
    runs.add(false, t, x.ok() ? x_fill(x, points) : -1);
  }
  backface(0);
  MyZbuffer(0);
  lmbind(KGL_LIGHT0, 0);
  Free_FACE_List();
  kgl_offscreen_destroy(ctx);
}

// A 3D drawing of the triangles as pnpoly3 packets in viewport 1 (pixel
// units, eye z 0 to -2, one light, one material): its beginning and faces,
// a no-op after them; and its end, a no-op after it.
struct FaceStreams {
  std::vector<std::uint8_t> faces, end;
};

FaceStreams face_messages(const std::vector<Triangle> &tris, int width, int height) {
  std::vector<adiclient::Packet> packets = {adiclient::p3d(4, 1 | 2)};
  adiclient::Packet ortho(80, 56);
  ortho.set_i16(4, 1);
  ortho.set_f64(16, -2);
  ortho.set_f64(32, width);
  ortho.set_f64(48, height);
  packets.push_back(ortho);
  adiclient::Packet view(79, 136);
  view.set_i16(4, 1);
  for (int i = 0; i < 4; ++i) view.set_f64(8 + 40 * static_cast<std::size_t>(i), 1);
  packets.push_back(view);
  adiclient::Packet light(89, 144);
  light.set_i16(6, 1);
  light.set_f64(48, -1);
  light.set_f64(80, 1);
  light.set_i16(88, 2);
  packets.push_back(light);
  adiclient::Packet material(92, 146);
  material.set_f64(16, 0.8);
  for (std::size_t off : {48, 80, 112}) material.set_i16(off, 2);
  packets.push_back(material);
  for (const Triangle &t : tris) {
    adiclient::Packet p =
        adiclient::face_packet(86, 0, {{t.x[0], t.y[0], t.z[0]}, {t.x[1], t.y[1], t.z[1]}, {t.x[2], t.y[2], t.z[2]}}, 208);
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t k = 0; k < 3; ++k) p.set_f64(136 + 24 * i + 8 * k, t.n[i][k]);
    packets.push_back(std::move(p));
  }
  FaceStreams s;
  s.faces = framed(std::move(packets));
  s.end = framed({adiclient::p3d(0, 4)});
  return s;
}

void faces(const std::string &driver_path, int count) {
  std::printf("3D faces (%d lit, smooth-shaded, z-buffered triangles of about 100 px, two-sided, back faces culled)\n",
              count);
  PairedRuns in_process;
  in_process_faces(random_triangles(count, kOffW, kOffH, 5), in_process);
  std::printf("  in process, FACE_redraw_all off-screen %dx%d:  %s\n", kOffW, kOffH,
              ms_text(spread_of(in_process.driver)).c_str());
  if (in_process.other.empty() || in_process.other.front() < 0) {
    std::printf("  X server: skipped (no X display)\n");
    return;
  }
  std::printf("    X server, XFillPolygon (flat) + XSync:          %s\n", ms_text(spread_of(in_process.other)).c_str());
  std::printf("    ratio in process / XFillPolygon: %s\n",
              ratio_text(spread_of(ratios(in_process.driver, in_process.other))).c_str());

  TempDir cfg;
  std::unique_ptr<XServer> x_server;
  FaceStreams streams;
  std::vector<XPoint> points;
  int width = 0, height = 0;
  PairedRuns e2e;
  std::vector<double> load;
  for (int started = 0; started < kStarts; ++started) {
    BenchDriver driver;
    if (!driver.start(driver_path, cfg.path)) {
      std::printf("  end to end: the driver did not start\n");
      return;
    }
    if (started == 0) {
      width = driver.width, height = driver.height;
      const std::vector<Triangle> tris = random_triangles(count, width, height, 5);
      streams = face_messages(tris, width, height);
      points = x_points(tris, height);
      x_server = std::make_unique<XServer>(width, height, Beside::driver);
    }
    for (int run = 0; run < kRunsPerStart; ++run) {
      const double l = driver.run(streams.faces);
      settle();
      const double t = l < 0 ? -1 : driver.time_stream(streams.end);
      if (t < 0) {
        std::printf("  end to end: no answer from the driver\n");
        return;
      }
      load.push_back(l);
      settle();
      e2e.add(run == 0, t, x_fill(*x_server, points));
    }
  }
  std::printf("  end to end, %dx%d window (%d starts of %d paired runs):\n", width, height, kStarts, kRunsPerStart);
  std::printf("    the faces through the pipe, stored:      %s  (%zu bytes)\n", ms_text(spread_of(load)).c_str(),
              streams.faces.size());
  std::printf("    end packet to the no-op's answer:        %s\n", ms_text(spread_of(e2e.driver)).c_str());
  std::printf("    X server, XFillPolygon (flat) + XSync:   %s\n", ms_text(spread_of(e2e.other)).c_str());
  print_paired(e2e, "XFillPolygon", "1.0", "    ");
}

// ---- rendering: scan lines and shaded quads -------------------------------------------
//
// A shading client's full-window 24-bit image as rdwsline rows, each kept for
// the repaint and drawn, from the first byte to the answer of a following
// pnop, against XPutImage of the same rows into a window of the same size on
// the same display; and rdcpoly quads shaded from vertex to vertex, a second.

// A rendering client's driver: a shading client's session, rdinit and a
// rendering begun.
class RenderingDriver : public DriverProcess {
 public:
  bool start(const std::string &path, const std::string &cfg) {
    d_ = ::start(path, cfg);
    adiclient::Packet reply;
    if (!d_ || !request(*d_, adiclient::pinit(0x2000, 8, "bench"), &reply)) return false;
    adiclient::Packet init(2001, 104);
    init.set_u16(8, 2);
    if (!request(*d_, init, &reply)) return false;
    width = std::min<int>(reply.u16(10), 2048);
    height = reply.u16(12);
    const adiclient::Packet begin[] = {adiclient::Packet(2002, 8), adiclient::pnop()};
    return adiclient::send_message(*d_, begin) && adiclient::read_reply(*d_, 30000, reply) == adiclient::Got::packet;
  }
  double run(const std::vector<std::uint8_t> &stream) { return time_stream(stream); }
  int width = 0, height = 0;
};

// The client's bytes of pixel (x, y) of the image: blue, green, red.
void image_pixel(int x, int y, std::uint8_t out[3]) {
  out[0] = static_cast<std::uint8_t>(x + y);
  out[1] = static_cast<std::uint8_t>(y);
  out[2] = static_cast<std::uint8_t>(x);
}

std::vector<std::uint8_t> image_rows(int width, int height) {
  std::vector<adiclient::Packet> rows;
  for (int y = 0; y < height; ++y) {
    adiclient::Packet p(2014, 18 + 3 * static_cast<std::size_t>(width));
    p.set_u16(8, 4);
    p.set_i16(12, y);
    p.set_u16(16, static_cast<unsigned>(3 * width));
    for (int x = 0; x < width; ++x) image_pixel(x, y, &p.bytes[18 + 3 * static_cast<std::size_t>(x)]);
    rows.push_back(std::move(p));
  }
  return framed(std::move(rows));
}

// The image as the X server takes it, over pixels (which it points into);
// null without a 24-bit TrueColor visual.
XImage *x_image(Display *d, int width, int height, std::vector<std::uint32_t> &pixels) {
  const int scr = DefaultScreen(d);
  Visual *visual = DefaultVisual(d, scr);
  if (DefaultDepth(d, scr) < 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
      visual->blue_mask != 0xFF)
    return nullptr;
  pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t b[3];
      image_pixel(x, y, b);
      pixels[static_cast<std::size_t>(height - 1 - y) * width + x] = std::uint32_t{b[2]} << 16 | b[1] << 8 | b[0];
    }
  return XCreateImage(d, visual, static_cast<unsigned>(DefaultDepth(d, scr)), ZPixmap, 0,
                      reinterpret_cast<char *>(pixels.data()), static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 32, 0);
}

// count quads of 32 x 32 pixels anywhere in the window, a random colour and
// a random shade at each vertex.
std::vector<std::uint8_t> shaded_quads(int count, int width, int height, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> px(0, width - 33), py(0, height - 33);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<adiclient::Packet> quads;
  for (int i = 0; i < count; ++i) {
    adiclient::Packet p(2013, 160);
    p.set_u16(8, 16);
    for (std::size_t c = 0; c < 3; ++c) p.set_f64(16 + 8 * c, unit(rng));
    p.set_i16(72, 4);
    const int x = px(rng), y = py(rng);
    const int qx[] = {x, x + 32, x + 32, x}, qy[] = {y, y, y + 32, y + 32};
    for (std::size_t k = 0; k < 4; ++k) {
      p.set_i16(74 + 2 * k, qx[k]);
      p.set_i16(94 + 2 * k, qy[k]);
      p.set_f64(120 + 8 * k, unit(rng));
    }
    quads.push_back(std::move(p));
  }
  return framed(std::move(quads));
}

void rendering(const std::string &driver_path, int quads) {
  TempDir cfg;
  RenderingDriver driver;
  if (!driver.start(driver_path, cfg.path)) {
    std::printf("Rendering: the driver did not start\n");
    return;
  }
  const std::vector<std::uint8_t> rows = image_rows(driver.width, driver.height);
  const std::vector<std::uint8_t> quad_stream = shaded_quads(quads, driver.width, driver.height, 7);
  XServer x(driver.width, driver.height, Beside::driver);
  std::vector<std::uint32_t> pixels;
  XImage *image = x.ok() ? x_image(x.display(), driver.width, driver.height, pixels) : nullptr;
  // The image takes about a millisecond either way: twice as many pairs as
  // elsewhere. Each side starts once the other's pixels have had the time
  // to reach the screen, and the quads come after all of them.
  PairedRuns image_runs;
  std::vector<double> quad_runs;
  for (int run = 0; run < 2 * kRuns; ++run) {
    settle();
    const double t = driver.run(rows);
    if (t < 0) {
      std::printf("Rendering: no answer from the driver\n");
      return;
    }
    settle();
    const double tx = image ? x.time([image, &driver](Display *d, Window w, GC gc) {
      for (int y = 0; y < driver.height; ++y)
        XPutImage(d, w, gc, image, 0, y, 0, y, static_cast<unsigned>(driver.width), 1);
    })
                            : -1;
    image_runs.add(run == 0, t, tx);
  }
  for (int run = 0; run < kRuns; ++run) {
    const double q = driver.run(quad_stream);
    if (q < 0) {
      std::printf("Rendering: no answer from the driver\n");
      return;
    }
    quad_runs.push_back(q);
  }
  if (image) {
    image->data = nullptr;   // the vector's
    XDestroyImage(image);
  }
  std::printf("Rendering (a shading client, %dx%d window, 24-bit pixels)\n", driver.width, driver.height);
  std::printf("  %d rdwsline rows, kept and drawn, first byte to the no-op's answer: %s  (%zu bytes)\n",
              driver.height, ms_text(spread_of(image_runs.driver)).c_str(), rows.size());
  if (!image) {
    std::printf("  X server: skipped (no 24-bit TrueColor display)\n");
  } else {
    std::printf("  X server, XPutImage of each row + XSync:                    %s\n",
                ms_text(spread_of(image_runs.other)).c_str());
    print_paired(image_runs, "XPutImage", "1.5");
  }
  const Spread q = spread_of(quad_runs);
  std::printf("  %d rdcpoly quads of 32x32 px, shaded: %s = %.0f quads/s\n", quads, ms_text(q).c_str(),
              quads / (q.median / 1000.0));
}

// The load average over the last minute, or -1: timings taken while other
// work runs are not those of a quiet machine.
double load_average() {
  double load = -1;
  if (std::FILE *f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = -1;
    std::fclose(f);
  }
  return load;
}

}  // namespace

int main(int argc, char **argv) {
  std::string driver = KOVA_DRIVER1;
  int vectors = 200000, stored = 1000000, triangles = 100000;
  // The parts to run: all of them, or those named with --only.
  std::string only;
  const auto runs = [&only](const char *part) { return only.empty() || only.find(part) != std::string::npos; };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--driver" && i + 1 < argc)
      driver = argv[++i];
    else if (a == "--vectors" && i + 1 < argc)
      vectors = std::max(1, std::atoi(argv[++i]));
    else if (a == "--stored" && i + 1 < argc)
      stored = std::max(1, std::atoi(argv[++i]));
    else if (a == "--triangles" && i + 1 < argc)
      triangles = std::max(1, std::atoi(argv[++i]));
    else if (a == "--only" && i + 1 < argc)
      only = argv[++i];
    else {
      std::fprintf(stderr,
                   "usage: %s [--driver PATH] [--vectors N] [--stored N] [--triangles N]"
                   " [--only replay,vectors,faces,rendering]\n",
                   argv[0]);
      return 2;
    }
  }
  const unsigned processors = std::thread::hardware_concurrency();
  if (const double load = load_average(); load >= 0)
    std::printf("%u processors, load average %.2f before the run\n", processors, load);
  if (runs("replay")) in_process(stored);
  if (runs("vectors")) end_to_end(driver, vectors);
  if (runs("faces")) faces(driver, triangles);
  if (runs("rendering")) rendering(driver, 20000);
  return 0;
}
