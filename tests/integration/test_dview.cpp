// DVIEW and TUMBLE through the real programs with the pointer on the X
// server: the view variables come through "@sysvar.dat" in the temporary
// directory, the camera step follows the pointer, and the step ends by
// accept (the picture in the new view), by a pause (the result file and
// its load string typed to the client) or by cancel (a redraw typed); TUMBLE
// turns the picture and puts it back when it stops.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

constexpr std::uint32_t kRed = 0xFF0000;

Packet command_packet(const std::string &text) {
  Packet p(25, 6);
  p.set_text(6, text);
  return p;
}

// The view variables the client's "gl_lisp" writes: a square of 120 units
// round the origin in the XY plane, seen from above.
const char kSysvars[] =
    "BACKZ = 0\nEXTMAX = 60,60,0\nEXTMIN = -60,-60,0\nFRONTZ = 0\nLENSLENGTH = 50\nTARGET = 0,0,0\n"
    "UCSORG = 0,0,0\nUCSXDIR = 1,0,0\nUCSYDIR = 0,1,0\nVIEWCTR = 0,0,0\nVIEWDIR = 0,0,100\nVIEWMODE = 0\n"
    "VIEWSIZE = 120\nVIEWTWIST = 0\nVSMAX = 0,0,0\nVSMIN = 0,0,0\nWORLDUCS = 1\n";

struct Dview : DriverWindowTest {
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;
  std::string typed;
  int init_flags = 0x8013;  // prompt area, screen menu, digitizer packets, a full session
  bool client_samples = false;

  void SetUp() override {
    static int sessions = 0;
    Packet init;
    open_window_session(adiclient::pinit(init_flags, 8, "dview-" + std::to_string(++sessions)), init,
                        {"TMP=" + cfg.path});
    if (IsSkipped() || HasFatalFailure()) return;
    xmax = init.i16(12), graphy = init.i16(14), ysize = init.i16(38);
    ymin = ysize - 1 - init.i16(48);
    // The pointer away from the model while it is drawn.
    ASSERT_TRUE(adiclient::move_pointer(x, area, 5, row(graphy - 5)));

    // The caller is the drawing client; viewport 1 over the graphics area
    // and current, the regeneration over.
    Packet who(72, 1192);
    who.set_i16(4, 1);
    who.set_i16(14, 1);
    ask(who);
    EXPECT_EQ(ask(adiclient::popenvp(1, 0, 0, xmax, graphy)).opcode(), 38);
    Packet sync(23, 12);
    sync.set_i16(6, 1);
    sync.set_i16(10, -2);
    ask(sync);

    // A red square of 120 units round the origin, 100 units in front of the
    // eye, in an orthographic projection of a unit a pixel centred on the
    // graphics area.
    sync_packet(bracket(3, 1 | 2));
    Packet ortho(80, 56);
    const double half[2] = {(xmax + 1) / 2.0, (graphy + 1) / 2.0};
    const double planes[6] = {0, -400, -half[0], half[0], -half[1], half[1]};
    for (int i = 0; i < 6; ++i) ortho.set_f64(8 + 8 * i, planes[i]);
    Packet view(79, 136);
    for (int i = 0; i < 4; ++i) view.set_f64(8 + (4 * i + i) * 8, 1);
    view.set_f64(8 + (4 * 2 + 3) * 8, -100);
    Packet face(85, 272);
    face.set_u32(4, 0x20);
    face.set_i16(8, 4);
    for (int i = 0; i < 4; ++i) {
      face.set_f64(40 + 24 * i, i == 0 || i == 3 ? -60 : 60);
      face.set_f64(48 + 24 * i, i < 2 ? -60 : 60);
    }
    face.set_f64(144, 1);
    for (Packet *p : {&ortho, &view}) p->set_i16(4, 1);
    for (const Packet &p : {ortho, view, face, bracket(3, 4)}) sync_packet(p);
    ASSERT_EQ(pixel(cx(), cy(), kRed), kRed);
    ASSERT_EQ(pixel(cx(), cy() + 55, kRed), kRed);
  }

  static Packet bracket(int style, std::uint32_t flags) {
    Packet p(95, 12);
    p.set_i16(4, style);
    p.set_u32(8, flags);
    return p;
  }
  void sync_packet(const Packet &p) {
    ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    ask(adiclient::pnop());
  }
  int cx() const { return (xmax + 1) / 2; }
  int cy() const { return (graphy + 1) / 2; }
  int row(int py) const { return ysize - 1 - (py + ymin); }
  std::uint32_t pixel(int px, int py, std::uint32_t hoped_for) {
    return await_pixel(s->driver, x, area, px, row(py), hoped_for);
  }
  // A client sample at (px, py), and the driver's answer 1 (route it) sent
  // back as the client does; the code the client gets.
  int client_sample(int code, int px, int py) {
    Packet answer = ask(adiclient::pdigtize(code, px, py + ymin));
    return answer.i16(2) == 1 ? ask(answer).i16(2) : answer.i16(2);
  }
  // The pointer at (px, py): moved on the screen, where the driver's polling
  // finds it, or sampled by the client again with each message (poke).
  int px_at = 0, py_at = 0;
  void point(int px, int py) {
    px_at = px, py_at = py;
    ASSERT_TRUE(client_samples || adiclient::move_pointer(x, area, px, row(py)));
    poke();
  }
  void poke() {
    if (client_samples)
      client_sample(2, px_at, py_at);
    else
      ask(adiclient::pnop());
  }
  bool typed_shows(const std::string &text) {
    return ::typed_shows(s->driver, typed, text, [&] { poke(); });
  }
  bool picture_shows(int px, int py, bool red) {
    return wait_until(s->driver, [&] {
      poke();
      std::uint32_t rgb = 0;
      return adiclient::read_pixel(x, area, px, row(py), rgb) && (rgb == kRed) == red;
    });
  }
  // RTDVIEW with an option and the exchange of view variables: the client
  // is to load "gl_lisp", and after its sync packets the driver reads the
  // file it left. Then the pointer goes to azimuth 0, elevation 45 degrees.
  void start_dview(const std::string &option, off_t size = 0) {
    typed.clear();
    write_file(cfg.path + "/@sysvar.dat", kSysvars, size);
    if (client_samples) {
      // The client waits for a pick; its first sample makes it the sampler.
      ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
      client_sample(2, 5, graphy - 5);
    }
    EXPECT_EQ(ask(command_packet("RTDVIEW " + option)).i16(2), 1);
    point(cx() + 3, cy());
    ASSERT_TRUE(typed_shows("gl_lisp\")\n"));
    Packet sync(23, 12);
    sync.set_i16(6, 1);
    ASSERT_TRUE(wait_until(s->driver, [&] {
      ask(sync);
      return !std::ifstream(cfg.path + "/@sysvar.dat").good();
    }));
    static int runs = 0;  // a pixel up or down each run: the pointer moves from where it was
    point(cx(), graphy * 3 / 4 + ++runs % 2);
    // The step has its data and follows the pointer: outlines while it moves.
    ASSERT_TRUE(picture_shows(cx(), cy(), false));
  }
  void click(unsigned button) {
    ASSERT_TRUE(adiclient::press_button(x, button, true));
    ASSERT_TRUE(adiclient::press_button(x, button, false));
  }
  void key(const char *sym) {
    std::string err;
    ASSERT_TRUE(adiclient::type_key(x, top, sym, false, false, err)) << err;
  }
  // Seen from 45 degrees the square is 120 wide and 85 high.
  void expect_new_view() {
    for (const auto &d : {std::array{0, 0}, std::array{50, 0}, std::array{0, 30}})
      EXPECT_TRUE(picture_shows(cx() + d[0], cy() + d[1], true)) << d[0] << "," << d[1];
    std::uint32_t above = kRed;
    EXPECT_TRUE(adiclient::read_pixel(x, area, cx(), row(cy() + 55), above));
    EXPECT_NE(above, kRed);
  }
  // The pause button, then the buttons left alone: the result file written
  // and its load typed, or (count_requests) given on the client's requests.
  void pause_for_the_result(bool count_requests = false) {
    const std::string load = "(load \"" + cfg.path + "/gl_dview.lsp\")\n";
    if (!count_requests) {
      if (client_samples)
        client_sample(3, px_at, py_at);
      else
        click(1);
      EXPECT_TRUE(typed_shows(load)) << typed;
    } else {
      // The client regenerates meanwhile (its sync says so): the driver types
      // nothing, and the fourth string request after the result gets it.
      Packet sync(23, 12);
      sync.set_i16(6, 1);
      sync.set_i16(10, 3);
      ask(sync);
      client_sample(3, px_at, py_at);
      ASSERT_TRUE(wait_until(s->driver, [&] {
        poke();
        return std::filesystem::exists(cfg.path + "/gl_dview.lsp");
      }));
      for (int i = 0; i < 4; ++i) {
        Packet request(47, 264);
        request.set_i16(2, 1);
        EXPECT_EQ(ask(request).text(8), i < 3 ? "" : load) << i;
      }
    }
    std::stringstream file;
    file << std::ifstream(cfg.path + "/gl_dview.lsp").rdbuf();
    const std::string text = file.str();
    EXPECT_EQ(text.rfind("(defun gl_dview ( / a l pt1 pt2 pt3 s w)\n", 0), 0u) << text;
    // The tenth line: the camera step's command at about 45 degrees up.
    const std::size_t line = text.find("\n (command \"_DVIEW\" \"\" \"_CA\" \"4");
    EXPECT_NE(line, std::string::npos) << text;
    EXPECT_NE(text.find("\" \"\")\n (setvar \"WORLDVIEW\" w)\n", line), std::string::npos) << text;
    EXPECT_EQ(text.size() - text.rfind(") (gl_dview)\n"), 13u);
  }
};

TEST_P(Dview, ButtonsAndKeysAcceptOrCancelTheStep) {
  struct Way {
    const char *step, *key;  // a key typed in the window, else the button
    unsigned button;
    bool accepts;            // the picture in the new view, else a redraw typed
  };
  const Way ways[] = {{"CA", nullptr, 3, true}, {"CA", "Return", 0, true}, {"TA", nullptr, 2, false},
                      {"TA", "Escape", 0, false}};
  for (const Way &w : ways) {
    SCOPED_TRACE(w.key != nullptr ? w.key : w.accepts ? "second button" : "middle button");
    start_dview(w.step);
    if (w.key != nullptr)
      key(w.key);
    else
      click(w.button);
    if (w.accepts)
      expect_new_view();
    else
      EXPECT_TRUE(typed_shows("'REDRAW\n")) << typed;
    typed_shows("");  // the keys reached the tool, never the client
    EXPECT_EQ(typed.find_first_of("\r\x1b"), std::string::npos);
  }
}

TEST_P(Dview, APauseLeftAloneWritesTheResultAndTypesItsLoad) {
  start_dview("CA");
  pause_for_the_result();
}

// A variable file of 1 GiB: its seventeen lines are taken, no more of it is
// read (and that is said), and the step goes on with the view they give.
TEST_P(Dview, AHugeVariableFileIsReadOnlyAsFarAsItsLines) {
  const long peak = peak_kib(s->driver.pid);
  start_dview("CA", off_t{1} << 30);
  EXPECT_NE(s->err_text().find("/@sysvar.dat: only its first 4352 bytes were read\n"), std::string::npos)
      << s->err_text();
  EXPECT_LT(peak_kib(s->driver.pid) - peak, 64L << 10);
  click(3);
  expect_new_view();
}

TEST_P(Dview, TumbleTurnsThePictureAndPutsItBack) {
  EXPECT_EQ(ask(command_packet("TUMBLE 90")).i16(2), 1);
  // Frames follow one another: the square's corner changes.
  const std::uint32_t first = pixel(cx() + 55, cy() + 55, kRed);
  EXPECT_TRUE(wait_until(s->driver, [&] {
    std::uint32_t now = first;
    return adiclient::read_pixel(x, area, cx() + 55, row(cy() + 55), now) && now != first;
  }));
  // A pick ends it: the picture as it was.
  click(1);
  for (const auto &d : {std::array{55, 55}, std::array{-55, -55}})
    EXPECT_EQ(pixel(cx() + d[0], cy() + d[1], kRed), kRed) << d[0] << "," << d[1];
  for (const auto &d : {std::array{65, 65}, std::array{-65, 0}})
    EXPECT_NE(pixel(cx() + d[0], cy() + d[1], 0), kRed) << d[0] << "," << d[1];
}

INSTANTIATE_TEST_SUITE_P(Both, Dview, ::testing::ValuesIn(kPrograms), program_name);

// The client sends the pointer samples, and the driver has its own text
// window.
struct DviewFromClientSamples : Dview {
  DviewFromClientSamples() { client_samples = text_window = true; }
};

TEST_P(DviewFromClientSamples, APauseLeftAloneWritesTheResultLoadedOnTheFourthRequest) {
  start_dview("CA");
  pause_for_the_result(true);
  expect_new_view();
}

INSTANTIATE_TEST_SUITE_P(Both, DviewFromClientSamples, ::testing::ValuesIn(kPrograms), program_name);

// A client's session from end to end, with the Motif status bar: the
// client's menus in one message (a pull-down before the rebuild, as a client
// loading its menu file sends them), a click on the status bar, the
// configuration menus left with Escape and with Return typed in the window,
// and DVIEW paused, its load typed to the client.
struct ClientSession : DviewFromClientSamples {
  ClientSession() { init_flags = 0x8017; }
};

TEST_P(ClientSession, TheStatusBarTheMenusAndDviewEndWithTheClientHoldingTheNewView) {
  using adiclient::pmenufcn;
  const std::vector<Packet> menus = {pmenufcn(2, 3, "Draw"), pmenufcn(3, 0, "Line"), pmenufcn(4),
                                     pmenufcn(1),           pmenufcn(2, 1, "File"),  pmenufcn(3, 0, "Open"),
                                     pmenufcn(4),           pmenufcn(5),             adiclient::pnop()};
  ASSERT_TRUE(adiclient::send_message(s->driver, menus));
  EXPECT_EQ(s->reply().opcode(), adiclient::pnop().opcode());

  // The status bar's first button (the innermost window at the bar's left
  // end) types the colour command.
  int w = 0, h = 0;
  ASSERT_TRUE(adiclient::window_size(x, top, w, h));
  ::Window color = top, child = 0;
  for (int wx, wy; XTranslateCoordinates(x, top, color, 4, h - 4, &wx, &wy, &child) && child != 0;) color = child;
  ASSERT_TRUE(adiclient::window_size(x, color, w, h));
  ASSERT_TRUE(adiclient::click(x, color, w / 2, h / 2, 1));
  EXPECT_TRUE(typed_shows("'_ddemodes ")) << typed;

  // Escape leaves the menus without writing the settings, Return writes
  // them; after each the client is asked to redraw.
  const std::string settings = cfg.path + "/tester.cnf";
  std::filesystem::remove(settings);
  ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
  client_sample(2, 5, graphy - 5);
  for (const char *sym : {"Escape", "Return"}) {
    SCOPED_TRACE(sym);
    typed.clear();
    EXPECT_EQ(ask(command_packet("CONFIGURE")).i16(2), 1);
    key(sym);
    EXPECT_TRUE(typed_shows("'REDRAW\n")) << typed;
    EXPECT_EQ(std::filesystem::exists(settings), std::string(sym) == "Return");
  }

  start_dview("CA");
  pause_for_the_result();
  expect_new_view();
}

INSTANTIATE_TEST_SUITE_P(Both, ClientSession, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
