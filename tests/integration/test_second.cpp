// Where the two programs differ and where they must not, driven from outside:
// the second program's start-up diagnostics and X error handler, the page
// packet with one buffer, prompt characters, 3D segments kept as display
// objects, menus whose items are made when first opened, and the warning of
// a log file that cannot be opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

bool second(const Program &p) { return std::string(p.name) == "rcKovaGL2"; }

// The lines of a stream's text.
std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
    lines.push_back(text.substr(from, nl - from));
  return lines;
}

// ---- start-up diagnostics ---------------------------------------------------------------

struct Diagnostics : ::testing::TestWithParam<Program> {
  TempDir dir;

  // Starts the program with ADI_DEBUG_LEVEL as given (nullptr: unset) and a
  // colour no server knows in its resources, opens a session and answers its
  // standard output once the banner has come.
  std::string start_up(const char *level, std::unique_ptr<Session> &s) {
    std::ofstream(dir.path + "/xresources") << "AutoCAD-Graph*XmDrawingArea.background: no-such-colour\n";
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(dir.path);
    s->options.set_env.push_back("XENVIRONMENT=" + dir.path + "/xresources");
    if (level != nullptr)
      s->options.set_env.push_back(std::string("ADI_DEBUG_LEVEL=") + level);
    else
      s->options.unset_env.push_back("ADI_DEBUG_LEVEL");
    s->start();
    if (::testing::Test::HasFatalFailure()) return "";
    s->open_session();
    std::string out;
    EXPECT_TRUE(wait_until(s->driver, [&] {
      out = adiclient::channel_text(s->driver.out);
      return out.find("for Kova GL Server") != std::string::npos;
    }));
    return out;
  }
};

TEST_P(Diagnostics, TheLevelChoosesTheLinesAndThePrintedWarnings) {
  if (!have_display()) GTEST_SKIP() << "no X display";
  const std::string prefix = std::string(GetParam().path) + ": ";
  const struct {
    const char *level;
    bool lines, x;
  } cases[] = {{nullptr, false, false}, {"0", false, false}, {"1", true, false}, {"2", false, true},
               {"7", true, true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.level != nullptr ? c.level : "unset");
    std::unique_ptr<Session> s;
    const std::string out = start_up(c.level, s);
    if (HasFatalFailure()) return;
    std::vector<std::string> diagnostics;
    for (const std::string &line : lines_of(out))
      if (line.rfind(prefix, 0) == 0 && line.find("Xt Warning") == std::string::npos)
        diagnostics.push_back(line.substr(prefix.size()));
    if (second(GetParam()) && c.lines) {
      ASSERT_EQ(diagnostics.size(), 6u) << out;
      // A value in hex, as wide as it takes.
      const auto hex = [](const std::string &line, const std::string &what) {
        return line.rfind(what + " = ", 0) == 0 && line.size() > what.size() + 3 &&
               line.find_first_not_of("0123456789ABCDEF", what.size() + 3) == std::string::npos;
      };
      EXPECT_TRUE(hex(diagnostics[0], "context")) << diagnostics[0];
      EXPECT_TRUE(hex(diagnostics[1], "display")) << diagnostics[1];
      EXPECT_EQ(diagnostics[2], "screen        = 0");
      EXPECT_TRUE(hex(diagnostics[3], "screen_struct")) << diagnostics[3];
      EXPECT_EQ(diagnostics[4], "Trying 24-bit TrueColor");
      EXPECT_TRUE(diagnostics[5] == "Best_RGB colormap chosen." || diagnostics[5] == "Default colormap chosen.")
          << diagnostics[5];
    } else {
      EXPECT_TRUE(diagnostics.empty()) << out;
    }
    const bool warned = out.find(prefix + "Xt Warning: ") != std::string::npos;
    EXPECT_EQ(warned, second(GetParam()) && c.x) << out;
  }
}

// An X error: the second program with the X diagnostics tells it and waits
// for return; otherwise the default handling ends the program.
TEST_P(Diagnostics, AnXErrorStopsTheProgram) {
  std::string err;
  adiclient::XDisplay *x = adiclient::open_display(err);
  if (x == nullptr) GTEST_SKIP() << "no X display";
  for (const char *level : {"0", "2"}) {
    SCOPED_TRACE(level);
    const bool handler = second(GetParam()) && level[0] == '2';
    auto s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(dir.path);
    s->options.set_env.push_back(std::string("ADI_DEBUG_LEVEL=") + level);
    s->options.stdin_mode = adiclient::Stream::pipe;
    s->start();
    s->open_session();
    adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    // The graphics window goes behind the program's back; the first switch
    // to the graphics screen raises a window that is no more.
    Display *d = reinterpret_cast<Display *>(x);
    XDestroyWindow(d, top);
    XSync(d, False);
    ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(19, 4)));
    const std::string stop = "IN X ERROR HANDLER...  Press return exit application\n";
    if (handler) {
      std::string out;
      ASSERT_TRUE(wait_until(s->driver, [&] {
        out = adiclient::channel_text(s->driver.out);
        return out.find(stop) != std::string::npos;
      }));
      // The error's text comes first.
      const std::size_t at = out.find(stop);
      EXPECT_GT(at, 0u);
      EXPECT_NE(out.rfind("Bad", at), std::string::npos) << out;
      EXPECT_TRUE(adiclient::write_stdin(s->driver, "\n"));
    }
    const adiclient::ExitStatus &status = adiclient::wait_exit(s->driver, 20000);
    EXPECT_EQ(adiclient::format_exit(status), "exit 1");
    EXPECT_EQ(adiclient::channel_text(s->driver.out).find(stop) != std::string::npos, handler);
  }
  adiclient::close_display(x);
}

INSTANTIATE_TEST_SUITE_P(Both, Diagnostics, ::testing::ValuesIn(kPrograms), program_name);

// ---- a session in the graphics window -------------------------------------------------------

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

struct Window2 : DriverWindowTest {
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void open(int flags, const std::vector<std::string> &env = {}) {
    Packet r;
    open_window_session(adiclient::pinit(flags, 8, "second"), r, env,
                        std::string(adiclient::graphics_title) + " -- second");
    if (IsSkipped() || HasFatalFailure()) return;
    xmax = r.i16(12), graphy = r.i16(14), ysize = r.i16(38), ymin = ysize - 1 - r.i16(48);
  }
  void message(const std::vector<Packet> &packets) {
    ASSERT_TRUE(adiclient::send_message(s->driver, packets));
    ASSERT_EQ(ask(adiclient::pnop()).opcode(), adiclient::pnop().opcode());
  }
  // Viewport 1 over the graphics area, a view unit a pixel.
  void open_viewport() {
    EXPECT_EQ(ask(adiclient::popenvp(1, 0, 0, xmax, graphy)).opcode(), 38);
    Packet view(40, 16);
    view.set_i16(2, 1);
    view.set_i16(8, xmax);
    view.set_i16(10, graphy);
    EXPECT_EQ(ask(view).opcode(), 40);
  }
  // A horizontal line of viewport 1 at height y of the graphics area.
  static Packet line(int y, int colour) {
    Packet p(5, 16);
    p.set_i16(2, 20);
    p.set_i16(4, y);
    p.set_i16(6, 200);
    p.set_i16(8, y);
    p.set_i16(10, colour);
    p.set_i16(14, 1);
    return p;
  }
  // A segment packet naming its id.
  static Packet id_packet(int opcode, std::uint32_t id) {
    Packet p(opcode, 16);
    p.set_u32(4, id);
    return p;
  }
  // A 3D face over window pixels 100..140 x 300..340, counter-clockwise.
  static Packet square_face() {
    return adiclient::face_packet(85, 0, {{100, 300}, {140, 300}, {140, 340}, {100, 340}}, 144);
  }
  // The pixel at (px, py) of the window, y up from its lower edge, once it
  // is hoped_for or after a while.
  std::uint32_t pixel(int px, int py, std::uint32_t hoped_for) {
    std::uint32_t rgb = 0xDEADBEEF;
    wait_until(s->driver, [&] { return adiclient::read_pixel(x, area, px, ysize - 1 - py, rgb) && rgb == hoped_for; });
    return rgb;
  }
};

TEST_P(Window2, ThePageAnswerWithOneBufferIsZeroOnlyInTheSecondProgram) {
  open(0x0007);  // not a full session: one buffer
  if (IsSkipped() || HasFatalFailure()) return;
  for (int shown : {0, 1}) {
    Packet page(76, 8);
    page.set_i16(4, shown);
    page.set_u16(6, 0x1234);
    EXPECT_EQ(ask(page).u16(6), second(GetParam()) ? 0 : 65535) << shown;
  }
}

TEST_P(Window2, ALaterSwitchToGraphicsEchoesItsOwnWordOnlyInTheSecondProgram) {
  open(0x8007);
  if (IsSkipped() || HasFatalFailure()) return;
  ask(Packet(19, 4));  // the first switch after the session began
  Packet again(19, 4);
  again.set_u16(2, 7);
  EXPECT_EQ(ask(again).u16(2), second(GetParam()) ? 7 : 4);
}

TEST_P(Window2, SegmentsDrawTheirFacesOnlyInTheSecondProgramAndNeverHoldTheDrawing) {
  open(0x8007);
  if (IsSkipped() || HasFatalFailure()) return;
  open_viewport();
  const Packet face = square_face();
  const std::uint32_t background = pixel(120, 320, 0);
  Packet clear_z(95, 12), draw = id_packet(94, 3);
  clear_z.set_u32(8, 2);
  draw.set_i16(10, 3);
  message({id_packet(82, 3), face, Packet(83, 4)});
  // The red line leaves its colour current for the face.
  message({line(10, 1), clear_z, draw});
  if (second(GetParam())) {
    EXPECT_EQ(pixel(120, 320, kRed), kRed);
  } else {
    EXPECT_EQ(pixel(30, 10 + ymin, kRed), kRed);
    EXPECT_EQ(pixel(120, 320, background), background);
  }

  // Opened again, deleted while open, drawn while open: what is drawn after
  // reaches the window.
  message({id_packet(82, 5), id_packet(82, 5), id_packet(84, 5), line(20, 3)});
  EXPECT_EQ(pixel(30, 20 + ymin, kGreen), kGreen);
  message({id_packet(82, 7), id_packet(94, 7), line(30, 5)});
  EXPECT_EQ(pixel(30, 30 + ymin, kBlue), kBlue);
  // Left open when the session ends: the next session's drawing shows.
  message({id_packet(82, 9)});
  ask(Packet(2, 4));   // pterm
  EXPECT_EQ(ask(adiclient::pinit(0x8007, 8, "second")).i16(2), 1);
  open_viewport();
  message({line(40, 1)});
  EXPECT_EQ(pixel(30, 40 + ymin, kRed), kRed);
}

// A segment id of the upper half is drawn and deleted like any other; a draw
// that culls back faces culls only the segment's own: a clockwise fill and a
// clockwise rendering polygon after it are drawn whole.
TEST_P(Window2, HighSegmentIdsAreDeletedAndACulledDrawCullsOnlyItself) {
  open(0x8007);
  if (IsSkipped() || HasFatalFailure()) return;
  open_viewport();
  const std::uint32_t id = 0x80000000u;
  Packet draw = id_packet(94, id);
  draw.set_i16(10, 3);
  draw.set_u32(12, 8);
  message({id_packet(82, id), square_face(), Packet(83, 4)});
  message({line(10, 1), adiclient::p3d(0, 2), draw});
  if (second(GetParam())) {
    EXPECT_EQ(pixel(120, 320, kRed), kRed);
  }

  // Clockwise with y up: a green fill over the face and a blue rendering
  // polygon beside it.
  Packet fill(6, 58), poly(2010, 56);
  fill.set_i16(2, 3), fill.set_i16(6, 4), fill.set_i16(56, 1);
  const int xy[] = {95, 295, 95, 345, 145, 345, 145, 295};
  for (int k = 0; k < 8; ++k) fill.set_i16(8 + 2 * k, k % 2 ? xy[k] - ymin : xy[k]);
  poly.set_i16(10, 5), poly.set_i16(12, 5), poly.set_i16(14, 4);
  for (int k = 0; k < 4; ++k) poly.set_i16(16 + 2 * k, xy[2 * k] + 100), poly.set_i16(36 + 2 * k, xy[2 * k + 1]);
  message({fill, poly, id_packet(84, id), draw});
  EXPECT_EQ(pixel(120, 320, kGreen), kGreen);   // and nothing of the deleted segment over it
  EXPECT_EQ(pixel(220, 320, kBlue), kBlue);
}

TEST_P(Window2, ALogFileThatCannotBeOpenedIsToldOnStdoutByTheSecondProgram) {
  open(0x8013, {"ACADLOGFILE=" + cfg.path + "/no/such/dir/acad.log"});
  if (IsSkipped() || HasFatalFailure()) return;
  Packet command(25, 6);
  command.set_text(6, "LOGFILEON");
  EXPECT_EQ(ask(command).i16(2), 1);
  ask(adiclient::pnop());
  const std::string warning = "WARNING: rcKovaGL: Unable to open log file for writing.\n";
  if (second(GetParam())) {
    EXPECT_TRUE(wait_until(s->driver, [&] {
      return adiclient::channel_text(s->driver.out).find(warning) != std::string::npos;
    }));
  } else {
    EXPECT_EQ(adiclient::channel_text(s->driver.out).find(warning), std::string::npos);
  }
}

TEST_P(Window2, TheSecondProgramDropsTheDeleteCharacterOfThePrompt) {
  const std::string resources = cfg.path + "/xresources";
  std::ofstream(resources) << "*useCommandArea: False\n";
  open(0x8007, {"XENVIRONMENT=" + resources, "ACADLOGFILE=" + cfg.path + "/prompt.log"});
  if (IsSkipped() || HasFatalFailure()) return;
  Packet command(25, 6);
  command.set_text(6, "LOGFILEON");
  EXPECT_EQ(ask(command).i16(2), 1);
  ask(Packet(19, 4));
  const auto prompt = [](int c) {
    Packet p(20, 4);
    p.set_i16(2, c);
    return p;
  };
  // The prompt band at the bottom, once two reads agree and differ from
  // unlike (what it showed before the character that must show).
  const auto band = [&](const std::vector<std::uint8_t> &unlike) {
    std::vector<std::uint8_t> now, then;
    wait_until(s->driver, [&] {
      then = now;
      adiclient::Image image;
      EXPECT_TRUE(adiclient::grab_window(x, area, image));
      const int above = std::max(image.height - ymin, 0);
      now.assign(image.rgb.begin() + 3 * image.width * above, image.rgb.end());
      return !then.empty() && now == then && now != unlike;
    });
    return now;
  };
  const std::vector<std::uint8_t> empty = band({});
  message({prompt('A')});
  const std::vector<std::uint8_t> before = band(empty);
  message({prompt(127)});
  if (second(GetParam())) {
    EXPECT_EQ(band(empty), before);
  }
  message({prompt('B'), prompt('\n')});
  command.set_text(6, "LOGFILEOFF");
  EXPECT_EQ(ask(command).i16(2), 1);
  std::ifstream log(cfg.path + "/prompt.log");
  const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.find('\x7f') == std::string::npos, second(GetParam())) << text;
  EXPECT_NE(text.find("B\n"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(Both, Window2, ::testing::ValuesIn(kPrograms), program_name);

// ---- menus ---------------------------------------------------------------------------------

Packet menufcn(int function, int id = 0, const std::string &label = "", int flags = 0) {
  Packet p(52, 12);
  p.set_i16(2, function);
  p.set_i16(4, id);
  p.set_i16(6, flags);
  p.set_text(11, label);
  return p;
}

struct Menus2 : Window2 {
  Display *dpy() { return reinterpret_cast<Display *>(x); }
  // The viewable windows with no viewable children under w: a pane's entries.
  void leaves(::Window w, std::vector<::Window> &out) {
    ::Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    bool any = false;
    if (XQueryTree(dpy(), w, &root, &parent, &kids, &n)) {
      for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy(), kids[i], &a) && a.map_state == IsViewable && a.c_class != InputOnly) {
          any = true;
          leaves(kids[i], out);
        }
      }
      if (kids != nullptr) XFree(kids);
    }
    if (!any) out.push_back(w);
  }
  // The windows shown before any menu was posted.
  std::vector<::Window> standing;
  void note_standing() {
    ::Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (XQueryTree(dpy(), DefaultRootWindow(dpy()), &root, &parent, &kids, &n)) {
      for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy(), kids[i], &a) && a.map_state == IsViewable) standing.push_back(kids[i]);
      }
      if (kids != nullptr) XFree(kids);
    }
  }
  // The entries of the menu panes posted now, top to bottom.
  std::vector<::Window> posted() {
    std::vector<std::pair<int, ::Window>> found;
    ::Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (XQueryTree(dpy(), DefaultRootWindow(dpy()), &root, &parent, &kids, &n)) {
      for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy(), kids[i], &a) || !a.override_redirect || a.map_state != IsViewable ||
            std::find(standing.begin(), standing.end(), kids[i]) != standing.end())
          continue;
        std::vector<::Window> entries;
        leaves(kids[i], entries);
        for (::Window e : entries) {
          int ex = 0, ey = 0, w = 0, h = 0;
          adiclient::window_geometry(x, e, ex, ey, w, h);
          found.push_back({ey, e});
        }
      }
      if (kids != nullptr) XFree(kids);
    }
    std::sort(found.begin(), found.end());
    std::vector<::Window> out;
    for (const auto &f : found) out.push_back(f.second);
    return out;
  }
  std::vector<::Window> posted(std::size_t n) {
    std::vector<::Window> v;
    wait_until(s->driver, [&] { return (v = posted()).size() == n; }, 10000);
    return v;
  }
  Packet item(int menu, int number, bool set = false, int flags = 0, int mark = 0) {
    Packet p(set ? 111 : 112, 10);
    p.set_i16(2, menu);
    p.set_i16(4, number);
    p.set_i16(6, flags);
    p.set_u8(8, static_cast<unsigned>(mark));
    return p;
  }
  Packet show(int menu) {
    Packet p(53, 4);
    p.set_i16(2, menu);
    return p;
  }
  // The key of the next menu pick, past pointer moves and the resize of a new
  // bar; 0 when none comes.
  unsigned pick() {
    Packet event;
    adiclient::Event e;
    do {
      if (adiclient::read_event(s->driver, 10000, event) != adiclient::Got::packet ||
          !adiclient::decode_event(event.bytes, e))
        return 0;
    } while (e.type != adiclient::ev_press);
    return e.key;
  }
  // The bar built anew (one "Edit" menu) while something is posted: what was
  // posted goes, and the new menu drops and picks.
  void rebuild_then_pick() {
    message({menufcn(1), menufcn(2, 2, "Edit"), menufcn(3, 0, "Undo"), menufcn(4), menufcn(5)});
    EXPECT_TRUE(posted(0).empty());
    ask(show(2));
    const std::vector<::Window> entries = posted(1);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(adiclient::click(x, entries[0], 5, 5, 1));
    EXPECT_EQ(pick(), 2002u);
  }
};

TEST_P(Menus2, ItemsNotMadeYetAnswerAndARebuildTakesDownAPostedMenu) {
  const std::string resources = cfg.path + "/xresources";
  std::ofstream(resources) << "";
  open(0x8007, {"XENVIRONMENT=" + resources});
  if (IsSkipped() || HasFatalFailure()) return;
  message({menufcn(1), menufcn(2, 1, "Draw"), menufcn(3, 0, "Line"), menufcn(3, 0, ""), menufcn(3, 0, "Arc"),
           menufcn(4), menufcn(5)});
  note_standing();
  // Before the menu was ever opened its items answer and take changes.
  message({item(1, 3, true, 3, '*')});
  Packet got = ask(item(1, 3));
  EXPECT_EQ(got.i16(6), 3);
  EXPECT_EQ(got.u8(8), '*');
  EXPECT_EQ(ask(item(1, 2)).i16(6), 1) << "a separator is no item";

  // Made in the order defined: the top entry picks the first item.
  ask(show(1));
  std::vector<::Window> entries = posted(3);
  ASSERT_EQ(entries.size(), 3u) << "Line, separator, Arc";
  got = ask(item(1, 3));
  EXPECT_EQ(got.i16(6), 3);
  EXPECT_EQ(got.u8(8), '*');
  ASSERT_TRUE(adiclient::click(x, entries[0], 5, 5, 1));
  EXPECT_EQ(pick(), 1002u);

  // A rebuild while the pull-down is posted takes it down, and the bar lets
  // go of it: the new menu then drops and picks.
  ask(show(1));
  ASSERT_EQ(posted(3).size(), 3u);
  rebuild_then_pick();
}

// A rebuild while a submenu is posted: the bar's next pull-down drops and
// picks.
TEST_P(Menus2, ARebuildWhileASubmenuIsPostedLeavesTheBarWorking) {
  const std::string resources = cfg.path + "/xresources";
  std::ofstream(resources) << "";
  open(0x8007, {"XENVIRONMENT=" + resources});
  if (IsSkipped() || HasFatalFailure()) return;
  Packet inner = menufcn(3, 0, "Inner", 16);
  inner.set_i16(8, 1);  // ends the submenu
  message({menufcn(1), menufcn(2, 1, "Draw"), menufcn(3, 0, "Sub", 8), inner, menufcn(3, 0, "Line"), menufcn(4),
           menufcn(5)});
  note_standing();
  ask(show(1));
  std::vector<::Window> entries = posted(2);
  ASSERT_EQ(entries.size(), 2u);
  ASSERT_TRUE(adiclient::click(x, entries[0], 5, 5, 1));
  ASSERT_EQ(posted(3).size(), 3u) << "the submenu is posted";
  rebuild_then_pick();
}

INSTANTIATE_TEST_SUITE_P(Both, Menus2, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
