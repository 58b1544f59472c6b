// The graphics window's message box and the window-configuration packet that
// writes the window geometry into the X resource file.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using adiclient::Packet;

namespace {

constexpr int kMsgBox = 51;
constexpr int kWinCfg = 110;

Packet msgbox(int kind, const std::string &text) {
  Packet p(kMsgBox, 8);
  p.set_i16(4, kind);
  p.set_text(6, text);
  return p;
}

struct GraphWindowTest : ::testing::TestWithParam<Program> {
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0;
  std::unique_ptr<Session> s;

  void SetUp() override {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    s = std::make_unique<Session>(GetParam());
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  void start() {
    s->start();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
  }

  // The message box's window (its title begins with its name).
  // The box once it shows its contents (buttons laid out), else 0.
  adiclient::XWindow message_box() {
    const adiclient::XWindow box = adiclient::find_top_window(x, "Message", 10000);
    if (box == 0 || !wait_until(s->driver, [&] { return adiclient::children_shown(x, box); })) return 0;
    return box;
  }

  // Clicks button `index` of `count` in the box's bottom row: the buttons
  // share the row's width equally.
  void click_button(adiclient::XWindow box, int index, int count) {
    int w = 0, h = 0;
    ASSERT_TRUE(adiclient::window_size(x, box, w, h));
    ASSERT_TRUE(adiclient::click(x, box, (2 * index + 1) * w / (2 * count), h - 33, 1));
  }

  // Sends the box, answers it with a button and returns the reply's answer.
  int answer_box(int kind, const std::string &text, int index, int count) {
    Packet request = msgbox(kind, text);
    EXPECT_TRUE(adiclient::send_packet(s->driver, request));
    adiclient::XWindow box = message_box();
    EXPECT_NE(box, 0u);
    if (box == 0) return -99;
    EXPECT_TRUE(adiclient::no_reply_within(s->driver, 200));
    click_button(box, index, count);
    Packet reply = s->reply();
    EXPECT_EQ(reply.opcode(), kMsgBox);
    EXPECT_EQ(reply.size(), request.size());
    // The next box must not be taken for this one on its way out.
    EXPECT_TRUE(wait_until(s->driver, [&] { return adiclient::find_top_window(x, "Message", 0) == 0; }));
    return reply.i16(2);
  }
};

using MessageBox = GraphWindowTest;
using WindowConfig = GraphWindowTest;

TEST_P(MessageBox, EachButtonGivesItsAnswer) {
  start();
  EXPECT_EQ(answer_box(0, "Drawing saved.", 0, 1), 1);
  EXPECT_EQ(answer_box(1, "Discard changes?", 1, 2), 0);
  EXPECT_EQ(answer_box(1, "Discard changes?", 0, 2), 1);
  EXPECT_EQ(answer_box(2, "Save changes to\nthe drawing?", 2, 3), -1);
  EXPECT_EQ(answer_box(2, "Save changes to\nthe drawing?", 1, 3), 0);
}

TEST_P(MessageBox, PacketsWaitUntilTheBoxIsAnswered) {
  start();
  ASSERT_TRUE(adiclient::send_packet(s->driver, msgbox(0, "Regenerating.")));
  adiclient::XWindow box = message_box();
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  EXPECT_TRUE(adiclient::no_reply_within(s->driver, 500));
  click_button(box, 0, 1);
  Packet first = s->reply();
  EXPECT_EQ(first.opcode(), kMsgBox);
  EXPECT_EQ(first.i16(2), 1);
  EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
}

TEST_P(MessageBox, AClientThatGoesAwayWhileItWaitsEndsTheDriver) {
  // The client closes the packet pipe with nothing in it, or after a packet
  // that must not run: either way the driver ends as on any closed pipe.
  for (bool pending : {false, true}) {
    SCOPED_TRACE(pending ? "a packet pending" : "nothing pending");
    s = std::make_unique<Session>(GetParam());
    start();
    ASSERT_TRUE(adiclient::send_packet(s->driver, msgbox(1, "Discard changes?")));
    ASSERT_NE(message_box(), 0u);
    if (pending) {
      ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
    }
    adiclient::close_packet_pipe(s->driver);
    EXPECT_EQ(adiclient::format_exit(adiclient::wait_exit(s->driver, 30000)), "exit 1");
    EXPECT_NE(s->err_text().find("FATAL ERROR (0): rcKovaGL: packet read failed.\n"), std::string::npos)
        << s->err_text();
    Packet reply;
    EXPECT_NE(adiclient::take_reply(s->driver, reply), adiclient::Got::packet);
  }
}

TEST_P(MessageBox, AnEmptyTextAnswersOneAtOnce) {
  start();
  Packet request = msgbox(2, "");
  ASSERT_TRUE(adiclient::send_packet(s->driver, request));
  Packet reply = s->reply();
  EXPECT_EQ(reply.opcode(), kMsgBox);
  EXPECT_EQ(reply.i16(2), 1);
  EXPECT_EQ(adiclient::find_top_window(x, "Message", 300), 0u);
}

// ---- the shell -----------------------------------------------------------------

using Shell = GraphWindowTest;

TEST_P(Shell, HasItsIconPictureAndAnnouncesTheDrawingAreaColormap) {
  start();
  auto *dpy = reinterpret_cast<Display *>(x);
  XWMHints *hints = XGetWMHints(dpy, top);
  ASSERT_NE(hints, nullptr);
  EXPECT_TRUE(hints->flags & IconPixmapHint);
  EXPECT_TRUE(hints->flags & IconWindowHint);
  ::Window root = 0;
  int px = 0, py = 0;
  unsigned pw = 0, ph = 0, border = 0, depth = 0;
  EXPECT_TRUE(XGetGeometry(dpy, hints->icon_pixmap, &root, &px, &py, &pw, &ph, &border, &depth));
  EXPECT_EQ(pw, 48u);
  EXPECT_EQ(ph, 48u);
  XFree(hints);

  adiclient::XWindow area = adiclient::find_drawing_area(x, top);
  ASSERT_NE(area, 0u);
  ::Window *windows = nullptr;
  int count = 0;
  ASSERT_TRUE(XGetWMColormapWindows(dpy, top, &windows, &count));
  bool listed = false;
  for (int i = 0; i < count; ++i) listed = listed || windows[i] == area;
  XFree(windows);
  EXPECT_TRUE(listed);
}

// ---- the resource file -------------------------------------------------------

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char tmpl[] = "/tmp/kova_wincfg_XXXXXX";
    if (mkdtemp(tmpl) != nullptr) path = tmpl;
  }
  ~TempDir() {
    if (!path.empty()) std::filesystem::remove_all(path);
  }
};

std::string read_file(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The graphics shell's geometry as the driver writes it.
std::string shell_geometry(adiclient::XDisplay *x, adiclient::XWindow top) {
  auto *dpy = reinterpret_cast<Display *>(x);
  XWindowAttributes a;
  if (!XGetWindowAttributes(dpy, top, &a)) return "";
  int rx = 0, ry = 0;
  ::Window child = 0;
  XTranslateCoordinates(dpy, top, a.root, 0, 0, &rx, &ry, &child);
  return std::to_string(a.width) + "x" + std::to_string(a.height) + "+" + std::to_string(rx - a.border_width) +
         "+" + std::to_string(ry - a.border_width);
}

int send_wincfg(Session &s) {
  Packet request(kWinCfg, 4);
  if (!adiclient::send_packet(s.driver, request)) return -99;
  Packet reply = s.reply();
  EXPECT_EQ(reply.opcode(), kWinCfg);
  return reply.i16(2);
}

TEST_P(WindowConfig, WritesTheGraphicsGeometryIntoTheNamedFile) {
  TempDir dir;
  ASSERT_FALSE(dir.path.empty());
  std::filesystem::path file = dir.path / "resources";
  std::string long_line = "*translations: " + std::string(3000, 'k');
  {
    std::ofstream out(file, std::ios::binary);
    out << "! kept\n" << long_line << "\nAutoCAD-Graph.geometry:\t1x1+0+0\n*background: #a3a3a3\n";
  }
  s->options.set_env.push_back("ACADRESFILE=" + file.string());
  start();
  EXPECT_EQ(send_wincfg(*s), 1);
  std::string geometry = shell_geometry(x, top);
  ASSERT_FALSE(geometry.empty());
  std::string text = read_file(file);
  EXPECT_EQ(text.rfind("! kept\n" + long_line + "\nAutoCAD-Graph.geometry:\t\t\t" + geometry + "\n*background: #a3a3a3\n",
                       0),
            0u)
      << text;
  // Nothing left beside the file.
  int files = 0;
  for (const auto &e : std::filesystem::directory_iterator(dir.path)) ++files, (void)e;
  EXPECT_EQ(files, 1);
}

TEST_P(WindowConfig, CreatesAMissingFileAndSurvivesAnUnwritableOne) {
  TempDir dir;
  ASSERT_FALSE(dir.path.empty());
  std::filesystem::path file = dir.path / "new-resources";
  s->options.set_env.push_back("ACADRESFILE=" + file.string());
  start();
  EXPECT_EQ(send_wincfg(*s), 1);
  std::string text = read_file(file);
  EXPECT_EQ(text.rfind("AutoCAD-Graph.geometry:\t\t\t" + shell_geometry(x, top) + "\n", 0), 0u) << text;

  // The file's directory goes: the packet is answered 0 and the driver goes on.
  std::filesystem::remove_all(dir.path);
  EXPECT_EQ(send_wincfg(*s), 0);
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  EXPECT_EQ(s->reply().bytes, adiclient::pnop().bytes);
}

INSTANTIATE_TEST_SUITE_P(Both, MessageBox, ::testing::ValuesIn(kPrograms), program_name);
INSTANTIATE_TEST_SUITE_P(Both, WindowConfig, ::testing::ValuesIn(kPrograms), program_name);
INSTANTIATE_TEST_SUITE_P(Both, Shell, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
