// Memory over long sessions: each kind of work a client repeats (sessions,
// the command palette, DVIEW, the configuration screen, menu-bar rebuilds,
// dialogs, rendering set-up, 3D segments) run for many cycles against a
// running driver, with the driver's anonymous memory (RssAnon) read before
// and after. After a warm-up that fills what is filled once, the growth over
// the cycles is what the driver keeps per cycle and never gives back.
//
//   bench_memory [--cycles N] [--warmup N] [--program PATH]... [KIND]...
//
// Both programs and every kind by default. Prints the memory before and
// after and the growth, with "flat" beside a growth under 1 MB; asserts
// nothing. The palette and DVIEW want the pointer in the driver's window:
// the run moves it there and clicks the middle button there (DVIEW's
// cancel), so it is best left alone meanwhile, or run on a server of its own.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "adiclient/driver.h"
#include "adiclient/packet.h"
#include "adiclient/xwindow.h"

namespace {

using adiclient::Packet;

constexpr long kFlatKb = 1024;

// RssAnon of the process in kB; -1 when it cannot be read.
long anon_kb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("RssAnon:", 0) == 0) return std::strtol(line.c_str() + 8, nullptr, 10);
  return -1;
}

// A driver with a session open; every step waits for the driver's answer.
struct Run {
  adiclient::Driver driver;
  std::string dir, name;
  int init_flags = 0;
  adiclient::XDisplay *x = nullptr;  // for the pointer
  Packet init;  // the session's init reply
  bool ok = true;
  std::string why;    // what went wrong first
  std::string typed;  // the last keys the driver typed

  void fail(const std::string &what) {
    if (ok) why = what;
    ok = false;
  }

  bool start(const std::string &path, int flags) {
    char tmpl[] = "/tmp/kova-bench-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return false;
    dir = tmpl;
    adiclient::StartOptions options;
    options.path = path;
    options.set_env = {"ACADTEXTDISPLAY=.", "ACADCFG=" + dir, "USER=bench", "ACAD=" + dir,
                       "ACADRESFILE=" + dir + "/resources", "HOME=" + dir, "TMP=" + dir};
    // What the driver writes is kept, and shown when it stops answering.
    options.stdout_mode = adiclient::Stream::pipe;
    options.stderr_mode = adiclient::Stream::pipe;
    std::string err;
    int hello = 0;
    if (!adiclient::start_driver(options, driver, err) ||
        adiclient::read_handshake(driver, 20000, hello) != adiclient::Got::packet) {
      std::fprintf(stderr, "bench_memory: %s could not start: %s\n", path.c_str(), err.c_str());
      return false;
    }
    static int runs = 0;
    name = "bench-" + std::to_string(++runs);
    init_flags = flags;
    init = ask(adiclient::pinit(flags, 8, name));
    return ok;
  }
  // The pointer in the middle of the drawing area: the driver's tools show
  // only while it is there.
  bool pointer_inside() {
    std::string err;
    if (x == nullptr) x = adiclient::open_display(err);
    if (x == nullptr) return false;
    adiclient::XWindow top =
        adiclient::find_top_window(x, std::string(adiclient::graphics_title) + " -- " + name, 10000);
    adiclient::XWindow area = top != 0 ? adiclient::find_drawing_area(x, top) : 0;
    int width = 0, height = 0;
    return area != 0 && adiclient::window_size(x, area, width, height) &&
           adiclient::move_pointer(x, area, width / 2, height / 2);
  }
  // A click where the pointer is.
  bool click(unsigned button) {
    return x != nullptr && adiclient::press_button(x, button, true) && adiclient::press_button(x, button, false);
  }
  ~Run() {
    if (x != nullptr) adiclient::close_display(x);
    adiclient::stop_driver(driver);
    if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
  }

  // The next reply other than a dialog's result packets.
  Packet reply() {
    Packet p;
    if (adiclient::read_reply(driver, 20000, p) != adiclient::Got::packet) fail("no reply");
    return p;
  }
  Packet ask(const Packet &p) {
    if (!adiclient::send_packet(driver, p)) fail("the packet pipe is closed");
    return reply();
  }
  // Packets in one message, then a no-op whose answer says they are done;
  // replies of the packets themselves are passed over.
  void message(std::vector<Packet> packets) {
    packets.push_back(adiclient::pnop());
    if (!adiclient::send_message(driver, packets)) fail("the packet pipe is closed");
    for (Packet p = reply(); ok && p.opcode() != adiclient::pnop().opcode(); p = reply()) {
    }
    // Only the last keys the driver typed are kept.
    for (Packet e; adiclient::take_event(driver, e) == adiclient::Got::packet;) {
      adiclient::Event ev;
      if (adiclient::decode_event(e.bytes, ev) && ev.type == adiclient::ev_key && ev.key < 256)
        typed += static_cast<char>(ev.key);
    }
    if (typed.size() > 256) typed.erase(0, typed.size() - 256);
  }
};

// ---- the kinds -------------------------------------------------------------------------

void session_cycle(Run &r) {
  r.message({Packet(2, 4)});  // pterm
  r.init = r.ask(adiclient::pinit(r.init_flags, 8, r.name));
}

// A digitizer sample as the client sends it twice: stored, then routed.
// Answers the code of the second reply (4: a tool of the driver took it).
int routed_sample(Run &r, int code, int x, int y) {
  r.ask(adiclient::pdigtize(code, x, y));
  return r.ask(adiclient::pdigtize(1, x, y)).i16(2);
}

// The client's string request: what the driver types.
std::string string_request(Run &r) {
  Packet p(47, 8 + 256);
  p.set_i16(2, 1);
  return r.ask(p).text(8);
}

// The session's layout from the init reply.
struct Layout {
  int x_max, ys, cw, ch, y_min;
  explicit Layout(const Packet &init)
      : x_max(init.i16(12)), ys(init.i16(38)), cw(init.i16(44)), ch(init.i16(46)),
        y_min(init.i16(38) - 1 - init.i16(48)) {}
};

// The regeneration over, and the client's viewport 1 over the graphics area.
void drawing_session(Run &r) {
  Packet who(72, 1192);
  who.set_i16(4, 1);
  who.set_i16(14, 1);
  r.ask(who);
  r.ask(adiclient::popenvp(1, 0, 0, r.init.i16(12), r.init.i16(14)));
  Packet sync(23, 12);
  sync.set_i16(6, 1);
  sync.set_i16(10, -2);
  r.ask(sync);
  if (!r.pointer_inside()) r.fail("the pointer is not in the drawing area");
}

// The client waits for digitizer input and has sent a sample: from now on
// its samples, not the driver's own polling, work the driver's tools.
void client_samples(Run &r) {
  r.ask(Packet(26, 4));
  routed_sample(r, 2, 1, 1);
}

void palette_setup(Run &r) {
  drawing_session(r);
  client_samples(r);
  r.ask(adiclient::pcommand("CP_OFF"));  // the palette closes after use
}

// A square of 120 units round the origin drawn as the client renders it,
// seen from above: what DVIEW turns.
void render_square(Run &r) {
  const int xmax = r.init.i16(12), graphy = r.init.i16(14);
  Packet ortho(80, 56), view(79, 136);
  const double half[2] = {(xmax + 1) / 2.0, (graphy + 1) / 2.0};
  const double planes[6] = {0, -400, -half[0], half[0], -half[1], half[1]};
  for (int i = 0; i < 6; ++i) ortho.set_f64(8 + 8 * i, planes[i]);
  for (int i = 0; i < 4; ++i) view.set_f64(8 + (4 * i + i) * 8, 1);
  view.set_f64(8 + (4 * 2 + 3) * 8, -100);
  Packet face = adiclient::face_packet(85, 0x20, {{-60, -60}, {60, -60}, {60, 60}, {-60, 60}});
  face.set_f64(144, 1);
  ortho.set_i16(4, 1);
  view.set_i16(4, 1);
  r.message({adiclient::p3d(3, 1 | 2), ortho, view, face, adiclient::p3d(3, 4)});
}

// The palette opens and one of its buttons is picked: it types its command
// and closes after use.
void palette_cycle(Run &r) {
  const Layout l(r.init);
  r.ask(adiclient::pcommand("PALETTE"));
  const int x1 = l.x_max - 8 - 40 * l.cw - 42, y1 = l.y_min + 8;
  const int bx = x1 + 4 + (10 * l.cw + 10) + 5 * l.cw, by = y1 + 4 + 3 * (l.ch + 10) + l.ch / 2;
  routed_sample(r, 2, bx, by);  // over the button first
  if (const int code = routed_sample(r, 3, bx, by); code != 4)
    r.fail("the palette took no pick (" + std::to_string(code) + ")");
  r.message({});
}

// Waits until the driver has typed text, answering the client's no-ops
// meanwhile.
void await_typed(Run &r, const std::string &text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (r.typed.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline && r.ok) {
    r.message({});
    adiclient::pump_driver(r.driver, 2);
  }
  if (r.typed.find(text) == std::string::npos) r.fail("the driver did not type " + text);
  r.typed.clear();
}

// The model rendered, then DVIEW from its command through the exchange of
// view variables to the cancel button, which has a redraw typed.
void dview_cycle(Run &r) {
  render_square(r);
  std::ofstream(r.dir + "/@sysvar.dat")
      << "BACKZ = 0\nEXTMAX = 60,60,0\nEXTMIN = -60,-60,0\nFRONTZ = 0\nLENSLENGTH = 50\nTARGET = 0,0,0\n"
         "UCSORG = 0,0,0\nUCSXDIR = 1,0,0\nUCSYDIR = 0,1,0\nVIEWCTR = 0,0,0\nVIEWDIR = 0,0,100\nVIEWMODE = 0\n"
         "VIEWSIZE = 120\nVIEWTWIST = 0\nVSMAX = 0,0,0\nVSMIN = 0,0,0\nWORLDUCS = 1\n";
  r.ask(adiclient::pcommand("RTDVIEW TA"));
  // The step starts from the driver's own pointer polling and asks for the
  // variables; the client answers with sync packets.
  await_typed(r, "gl_lisp\")\n");
  Packet sync(23, 12);
  sync.set_i16(6, 1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::ifstream(r.dir + "/@sysvar.dat").good() && std::chrono::steady_clock::now() < deadline && r.ok)
    r.message({sync});
  if (std::ifstream(r.dir + "/@sysvar.dat").good()) r.fail("DVIEW did not read the view variables");
  // The middle button, as the user presses it.
  if (!r.click(2)) r.fail("no click");
  await_typed(r, "'REDRAW\n");
}

void config_setup(Run &r) {
  r.ask(adiclient::popenvp(1, 0, 0, r.init.i16(12), r.init.i16(14)));
  client_samples(r);
}

// The configuration screen opens and is cancelled.
void config_cycle(Run &r) {
  const Layout l(r.init);
  r.ask(Packet(26, 4));
  r.ask(adiclient::pcommand("CONFIGURE"));
  const int band = l.ys - l.ch - 1 - l.ys / 5, y1 = band - (6 * l.ch + 32), gap = (51 * l.cw - 16 * l.cw) / 3;
  if (routed_sample(r, 3, l.cw + 2 * gap + 12 * l.cw, y1 + 8 + l.ch / 2) != 4)
    r.fail("the configuration screen took no cancel");
  if (const std::string typed = string_request(r); typed != "'REDRAW\n")
    r.fail("the configuration screen ended with \"" + typed + "\"");
}

void menu_cycle(Run &r) {
  std::vector<Packet> p = {adiclient::pmenufcn(1)};
  const char *bars[] = {"File", "Edit", "View", "Draw", "Modify", "Help"};
  for (int m = 0; m < 6; ++m) {
    p.push_back(adiclient::pmenufcn(2, m + 1, bars[m]));
    for (int i = 0; i < 8; ++i) p.push_back(adiclient::pmenufcn(3, 0, "Item " + std::to_string(i)));
    p.push_back(adiclient::pmenufcn(3));
    p.push_back(adiclient::pmenufcn(3, 0, "More", 8));
    p.push_back(adiclient::pmenufcn(3, 0, "Inner 1"));
    p.push_back(adiclient::pmenufcn(3, 0, "Inner 2", 16, 0, 1));
    p.push_back(adiclient::pmenufcn(3, 'q', "Quick", 64));
    p.push_back(adiclient::pmenufcn(4));
  }
  p.push_back(adiclient::pmenufcn(2, 0, "Popup"));
  for (int i = 0; i < 5; ++i) p.push_back(adiclient::pmenufcn(3, 0, "Snap " + std::to_string(i)));
  p.push_back(adiclient::pmenufcn(4));
  p.push_back(adiclient::pmenufcn(5));
  r.message(p);
}

void dialog_cycle(Run &r) {
  r.ask(Packet(300, 44));
  auto create = [&](int type, std::uint32_t parent, std::uint32_t acad, std::uint32_t flags,
                    const std::string &label, int width = 0, int height = 0) {
    Packet p = adiclient::dialog_packet(301, type, parent, 64);
    p.set_u32(4, acad);
    p.set_u32(16, flags);
    p.set_i16(20, width);
    p.set_i16(22, height);
    p.set_text(43, label);
    return r.ask(p).u32(8);
  };
  auto realize = [&](int type, std::uint32_t record, int x, int y, int width, int height) {
    Packet p = adiclient::dialog_packet(302, type, record, 40);
    p.set_i16(20, x);
    p.set_i16(22, y);
    p.set_i16(24, width);
    p.set_i16(26, height);
    r.ask(p);
  };
  constexpr std::uint32_t kOn = 0x400000 | 0x100000, kDefault = 0x800000, kCancel = 0x1000000;
  const std::uint32_t dialog = create(0, 0, 10, 0, "Memory");
  const std::uint32_t frame = create(3, dialog, 11, kOn | 0x200, "Frame");
  const std::uint32_t text = create(2, frame, 12, kOn, "Text");
  const std::uint32_t ok = create(4, dialog, 13, kOn | kDefault, "OK");
  const std::uint32_t cancel = create(4, dialog, 14, kOn | kCancel, "Cancel");
  const std::uint32_t toggle = create(6, dialog, 15, kOn, "Check");
  const std::uint32_t edit = create(9, dialog, 16, kOn, "Name:", 100);
  const std::uint32_t list = create(8, dialog, 17, kOn, "Items");
  const std::uint32_t popup = create(10, dialog, 18, kOn, "Pick");
  const std::uint32_t slider = create(11, dialog, 19, kOn | 0x80000, "", 150);
  const std::uint32_t image = create(5, dialog, 20, kOn, "", 40, 30);
  realize(3, frame, 0, 0, 200, 40);
  realize(2, text, 4, 4, 100, 20);
  realize(4, ok, 10, 50, 80, 30);
  realize(4, cancel, 100, 50, 80, 30);
  realize(6, toggle, 10, 90, 100, 24);
  realize(9, edit, 10, 120, 200, 30);
  realize(8, list, 220, 0, 150, 100);
  realize(10, popup, 220, 110, 150, 30);
  realize(11, slider, 220, 150, 150, 25);
  realize(5, image, 10, 160, 40, 30);
  r.message({adiclient::dialog_list(8, list, 2, {"one", "two", "three", "four"})});
  r.message({adiclient::dialog_list(10, popup, 2, {"red", "green", "blue"})});
  Packet size = adiclient::dialog_packet(302, 0, dialog, 40);
  size.set_i16(20, -1);
  size.set_i16(22, -1);
  size.set_i16(24, 380);
  size.set_i16(26, 200);
  r.ask(size);
  r.message({adiclient::dialog_packet(309, 0, dialog, 24)});
  Packet free = adiclient::dialog_packet(311, 0, dialog, 28);
  free.set_u32(4, 10);
  r.ask(free);
  r.reply();  // the dialog's end (309)
}

// A shading client's set-up and end, the image kept.
void rendering_cycle(Run &r) {
  Packet init(2001, 104);
  init.set_i16(8, 2);
  r.ask(init);
  r.message({Packet(2002, 8), Packet(2006, 8), Packet(2003, 8), Packet(2004, 8)});
}

// A 3D segment of two faces made, drawn and deleted inside a drawing of its
// own (the drawing before it cleared).
void segment_cycle(Run &r) {
  auto id_packet = [](int opcode, int id) {
    Packet p(opcode, 16);
    p.set_i32(4, id);
    return p;
  };
  const Packet face = adiclient::face_packet(85, 0, {{100, 300}, {140, 300}, {140, 340}, {100, 340}}, 144);
  Packet draw = id_packet(94, 3);
  draw.set_i16(10, 3);
  r.message({adiclient::p3d(3, 1 | 2), id_packet(82, 3), face, face, Packet(83, 4), draw, id_packet(84, 3),
             adiclient::p3d(3, 4)});
}

struct Kind {
  const char *name;
  int flags;             // of the session's init
  void (*setup)(Run &);  // once, before the cycles
  void (*cycle)(Run &);
};

void no_setup(Run &) {}

// Prompt area, screen menu, digitizer; 0x4 adds the drawn status line.
constexpr int kFlags = 0x8013, kFlagsStatusLine = 0x8017;

const Kind kKinds[] = {
    {"sessions", kFlags, no_setup, session_cycle},
    {"palette", kFlags, palette_setup, palette_cycle},
    {"dview", kFlags, drawing_session, dview_cycle},
    {"config", kFlagsStatusLine, config_setup, config_cycle},
    {"menus", kFlags, no_setup, menu_cycle},
    {"dialogs", kFlags, no_setup, dialog_cycle},
    {"rendering", kFlags, no_setup, rendering_cycle},
    {"segments", kFlags, drawing_session, segment_cycle},
};

}  // namespace

int main(int argc, char **argv) {
  int cycles = 10000, warmup = 200;
  std::vector<std::string> programs, kinds;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--cycles" && i + 1 < argc) {
      cycles = std::atoi(argv[++i]);
    } else if (a == "--warmup" && i + 1 < argc) {
      warmup = std::atoi(argv[++i]);
    } else if (a == "--program" && i + 1 < argc) {
      programs.push_back(argv[++i]);
    } else if (!a.empty() && a[0] != '-') {
      kinds.push_back(a);
    } else {
      std::fprintf(stderr, "usage: %s [--cycles N] [--warmup N] [--program PATH]... [KIND]...\n", argv[0]);
      return 2;
    }
  }
  if (programs.empty()) programs = {KOVA_DRIVER1, KOVA_DRIVER2};
  if (!getenv("DISPLAY")) {
    std::fprintf(stderr, "bench_memory: no DISPLAY\n");
    return 1;
  }

  std::printf("Memory of the driver (RssAnon) over %d cycles of each kind, after %d cycles of warm-up\n", cycles,
              warmup);
  std::printf("%-10s %-12s %10s %10s %10s\n", "program", "kind", "before kB", "after kB", "growth kB");
  int failed = 0;
  for (const std::string &path : programs) {
    const std::string program = path.substr(path.find_last_of('/') + 1);
    for (const Kind &kind : kKinds) {
      if (!kinds.empty() && std::find(kinds.begin(), kinds.end(), kind.name) == kinds.end()) continue;
      Run r;
      if (!r.start(path, kind.flags)) {
        ++failed;
        continue;
      }
      const auto t0 = std::chrono::steady_clock::now();
      kind.setup(r);
      for (int i = 0; i < warmup && r.ok; ++i) kind.cycle(r);
      r.message({});
      const long before = anon_kb(r.driver.pid);
      for (int i = 0; i < cycles && r.ok; ++i) kind.cycle(r);
      r.message({});
      const long after = anon_kb(r.driver.pid);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      if (!r.ok) {
        std::printf("%-10s %-12s %s (driver: %s)\n%s", program.c_str(), kind.name, r.why.c_str(),
                    adiclient::format_exit(adiclient::wait_exit(r.driver, 5000)).c_str(),
                    adiclient::channel_text(r.driver.err).c_str());
        ++failed;
        continue;
      }
      std::printf("%-10s %-12s %10ld %10ld %10ld %s  (%.0f s)\n", program.c_str(), kind.name, before, after,
                  after - before, after - before < kFlatKb ? "flat" : "GROWS", seconds);
      std::fflush(stdout);
    }
  }
  return failed != 0 ? 1 : 0;
}
