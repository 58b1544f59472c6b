// The driver's own commands through the real programs: the command packet's
// result, the strings a string request gets, the messages and the log file,
// the command palette typing a button's command, the Birdseye window leaving
// the screen as it was, and the drawn status line redrawing only the fields
// that changed.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

#include <deque>

using adiclient::Packet;

namespace {

// Prompt area, screen menu, digitizer packets, a full session; 0x4 adds the
// drawn status line.
constexpr int kFlags = 0x8013;
constexpr int kFlagsStatusLine = 0x8017;
constexpr std::uint32_t kInterfaceGrey = 0xAAAAAA;  // the tool windows' background

Packet command_packet(const std::string &text) {
  Packet p(25, 6);
  p.set_text(6, text);
  return p;
}

Packet string_request(int viewport, int flags) {
  Packet p(47, 264);
  p.set_i16(2, viewport);
  p.set_i16(4, flags);
  return p;
}

Packet digitizer_packet(int code, int x, int y) {
  Packet p(37, 8);
  p.set_i16(2, code);
  p.set_i16(4, x);
  p.set_i16(6, y);
  return p;
}

struct DriverCommands : DriverWindowTest {
  int xs = 0, ys = 0, cw = 0, ch = 0, x_max = 0, y_min = 0;

  void open(int flags, std::vector<std::string> env = {}) {
    Packet reply;
    s_env = std::move(env);
    // A name of its own: the window of the test before may not be gone yet.
    static int sessions = 0;
    name = "commands-" + std::to_string(++sessions);
    open_with(adiclient::pinit(flags, 8, name), reply);
    if (IsSkipped() || HasFatalFailure()) return;
    take_layout(reply);
  }
  void take_layout(const Packet &reply) {
    xs = reply.i16(36), ys = reply.i16(38), cw = reply.i16(44), ch = reply.i16(46), x_max = reply.i16(12);
    y_min = ys - 1 - reply.i16(48);
  }
  // A session with the status line drawn by the driver, its bottom row also
  // the drawing area's top row (an odd row from the bottom: a window of the
  // other kind grows one row and the session starts again), showing "MODE1"
  // after a green colour box.
  void open_with_status_line() {
    std::ofstream(cfg.path + "/xresources") << "*useStatusBar: False\n";
    open(kFlagsStatusLine, {"XENVIRONMENT=" + cfg.path + "/xresources"});
    if (IsSkipped() || HasFatalFailure()) return;
    if ((ys - ch - 1) % 2 == 0) {
      int w = 0, h = 0;
      ASSERT_TRUE(adiclient::window_size(x, top, w, h));
      XResizeWindow(x, top, w, h + 1);
      XSync(x, False);
      ASSERT_TRUE(wait_until(s->driver, [&] {
        int aw = 0, ah = 0;
        return adiclient::window_size(x, area, aw, ah) && ah == ys + 1;
      }));
      take_layout(ask(adiclient::pinit(kFlagsStatusLine, 8, name)));
      ASSERT_EQ((ys - ch - 1) % 2, 1);
      ASSERT_TRUE(pointer_seen_at(14, 12));
    }
    Packet mode(21, 6);
    mode.set_i16(2, 5), mode.set_i16(4, 3), mode.set_text(6, "MODE1");
    sync(mode);
    ASSERT_TRUE(pixel_becomes(4, 2, 0x00FF00));
  }
  // As open_window_session, with the extra environment of s_env.
  void open_with(const Packet &init, Packet &reply) {
    open_window_session(init, reply, s_env, std::string(adiclient::graphics_title) + " -- " + name);
    if (IsSkipped() || HasFatalFailure()) return;
    // The windows of drivers gone before may still cover ours for a moment;
    // once they are gone and the driver has seen the pointer after the
    // repaint they leave, what it draws stays on the screen.
    ASSERT_TRUE(wait_until(s->driver, [&] { return other_windows() == 0; }));
    ASSERT_TRUE(pointer_seen_at(12, 12));
  }
  // Graphics windows on the screen other than this driver's.
  int other_windows() {
    const std::string_view title = adiclient::graphics_title;
    int n = 0;
    std::deque<Window> queue{DefaultRootWindow(x)};
    while (!queue.empty()) {
      const Window w = queue.front();
      queue.pop_front();
      char *wm_name = nullptr;
      if (w != top && XFetchName(x, w, &wm_name) && wm_name != nullptr) {
        XWindowAttributes a;
        if (std::string_view(wm_name).substr(0, title.size()) == title && XGetWindowAttributes(x, w, &a) &&
            a.map_state == IsViewable)
          ++n;
        XFree(wm_name);
      }
      Window root = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (XQueryTree(x, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) queue.push_back(children[i]);
        if (children != nullptr) XFree(children);
      }
    }
    return n;
  }
  std::vector<std::string> s_env;
  std::string name;

  int command(const std::string &text) { return ask(command_packet(text)).i16(2); }

  bool stdout_shows(const std::string &text) {
    return wait_until(s->driver,
                      [&] { return adiclient::channel_text(s->driver.out).find(text) != std::string::npos; });
  }

  // Window pixels as X has them (rows from the top).
  adiclient::Image image() {
    adiclient::Image i;
    EXPECT_TRUE(adiclient::grab_window(x, area, i));
    return i;
  }
  std::uint32_t pixel(int px, int py) {
    std::uint32_t rgb = 0;
    adiclient::read_pixel(x, area, px, py, rgb);
    return rgb;
  }
  // Waits until the pixel at (px, py), rows from the top, is rgb.
  bool pixel_becomes(int px, int py, std::uint32_t rgb) {
    return wait_until(s->driver, [&] { return pixel(px, py) == rgb; });
  }
  bool image_becomes(const adiclient::Image &want) {
    adiclient::Image got;
    if (wait_until(s->driver, [&] { return (got = image()).rgb == want.rgb; })) return true;
    int n = 0, first = -1;
    for (std::size_t i = 0; i + 2 < got.rgb.size() && i + 2 < want.rgb.size(); i += 3)
      if (got.rgb[i] != want.rgb[i] || got.rgb[i + 1] != want.rgb[i + 1] || got.rgb[i + 2] != want.rgb[i + 2]) {
        if (first < 0) first = static_cast<int>(i / 3);
        ++n;
      }
    const int width = std::max(got.width, 1);
    ADD_FAILURE() << n << " pixels differ, the first at (" << first % width << ", " << first / width << ")";
    return false;
  }
  // Moves the pointer and waits for the driver to report it there: the
  // driver then knows the pointer is in its window.
  bool pointer_seen_at(int px, int py) {
    if (!adiclient::move_pointer(x, area, px, py)) return false;
    Packet p;
    while (adiclient::read_event(s->driver, 10000, p) == adiclient::Got::packet) {
      adiclient::Event e;
      if (adiclient::decode_event(p.bytes, e) && e.type == adiclient::ev_coord && e.x == px && e.y == py) return true;
    }
    return false;
  }
  // A row of the window counted from the bottom, as the driver counts.
  int row(int y_from_bottom) const { return ys - 1 - y_from_bottom; }
};

TEST_P(DriverCommands, StringsMessagesAndTheLog) {
  open(kFlags, {"ACADLOGFILE=" + cfg.path + "/session.log"});
  if (IsSkipped() || HasFatalFailure()) return;

  EXPECT_EQ(command("NOSUCH"), 0);
  EXPECT_EQ(command("MFL_PROMPTLINE"), 1);
  EXPECT_TRUE(stdout_shows("Current MFL_PROMPTLINE: 3"));
  EXPECT_EQ(command("TOGGLE 999"), 1);
  EXPECT_TRUE(stdout_shows("Value is out of range: [1..255]: (999)"));
  // A number may follow the name at once.
  EXPECT_EQ(command("HOLDTIME10"), 1);
  EXPECT_EQ(command("HOLDTIME"), 1);
  EXPECT_TRUE(stdout_shows("Current HOLDTIME: 10"));

  // The redraw is typed: its echo stays out of the prompt until the
  // client's redraw.
  EXPECT_EQ(command("MFL_REDRAW"), 1);
  Packet r = ask(string_request(0, 0));
  ASSERT_EQ(r.size(), 264u);
  EXPECT_EQ(r.u16(6), 3);
  EXPECT_EQ(r.text(8), "'REDRAW\n");
  for (std::size_t i = 8 + 8; i < r.size(); ++i) ASSERT_EQ(r.u8(i), 0) << i;
  // Nothing pending: no text, flags 0.
  r = ask(string_request(0, 0));
  EXPECT_EQ(r.u16(6), 0);
  EXPECT_EQ(r.text(8), "");
  // CLEAN_ON is taken as CLEAN, the earlier name: a clean-up and its redraw.
  EXPECT_EQ(command("CLEAN_ON"), 1);
  EXPECT_EQ(ask(string_request(0, 0)).text(8), "'REDRAW\n");

  EXPECT_EQ(command("LOGFILEON"), 1);
  for (char c : std::string("LINE\n")) {
    Packet p(20, 4);
    p.set_i16(2, static_cast<unsigned char>(c));
    ASSERT_TRUE(adiclient::send_packet(s->driver, p));
  }
  EXPECT_EQ(command("LOGFILEOFF"), 1);
  std::stringstream log;
  log << std::ifstream(cfg.path + "/session.log").rdbuf();
  EXPECT_EQ(log.str(), "\n-----KovaGL-Display-Driver-LOG-FILE-----\nLINE\n");
}

TEST_P(DriverCommands, APaletteButtonTypesItsCommand) {
  open(kFlags);
  if (IsSkipped() || HasFatalFailure()) return;
  // Regeneration over (string requests are answered), the palette closing
  // after use.
  Packet sync(23, 12);
  sync.set_i16(10, -2);
  ask(sync);
  EXPECT_EQ(command("CP_OFF"), 1);
  const adiclient::Image before = image();

  EXPECT_EQ(command("PALETTE"), 1);
  // The default place: 8 pixels in from the right and the bottom; buttons
  // of 10 characters, row 3 column 1 is "Zoom Win".
  const int x2 = x_max - 8;
  const int x1 = x2 - 40 * cw - 42, y1 = y_min + 8;
  const int b_left = x1 + 4 + (10 * cw + 10), b_bottom = y1 + 4 + 3 * (ch + 10), b_top = b_bottom + ch + 4;
  const int bx = b_left + 5 * cw, by = b_bottom + ch / 2;
  // The button's face left of its label.
  ASSERT_TRUE(pixel_becomes(b_left + 3, row(by), kInterfaceGrey));
  const std::uint32_t bevel[2] = {pixel(b_left + 10, row(b_top)), pixel(b_left + 11, row(b_top))};

  ASSERT_TRUE(adiclient::move_pointer(x, area, bx, row(by)));
  // The button shows pressed (its top bevel darker) once the driver has seen
  // the pointer there.
  ASSERT_TRUE(wait_until(s->driver, [&] {
    return pixel(b_left + 10, row(b_top)) != bevel[0] || pixel(b_left + 11, row(b_top)) != bevel[1];
  }));
  ASSERT_TRUE(adiclient::click(x, area, bx, row(by), 1));

  std::string typed;
  Packet p;
  while (typed.find('\n') == std::string::npos &&
         adiclient::read_event(s->driver, 10000, p) == adiclient::Got::packet) {
    adiclient::Event e;
    ASSERT_TRUE(adiclient::decode_event(p.bytes, e));
    ASSERT_NE(e.type, adiclient::ev_press) << "the pick went to the palette";
    if (e.type == adiclient::ev_key) typed += static_cast<char>(e.key);
  }
  EXPECT_EQ(typed, "'.zoom w\n");
  // The palette is gone and the screen is as it was.
  ASSERT_TRUE(adiclient::move_pointer(x, area, 10, 10));
  EXPECT_TRUE(image_becomes(before));
}

TEST_P(DriverCommands, BirdseyeLeavesTheScreenAsItWas) {
  open_with_status_line();
  if (IsSkipped() || HasFatalFailure()) return;
  // Drawing extents make the viewport zoomable.
  Packet extents(44, 42);
  extents.set_i16(6, 1);
  auto put_double = [&](std::size_t off, double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    extents.set_u32(off, static_cast<std::uint32_t>(b >> 32));
    extents.set_u32(off + 4, static_cast<std::uint32_t>(b));
  };
  put_double(16, 0), put_double(24, 100), put_double(32, 100);
  sync(extents);
  ASSERT_TRUE(adiclient::move_pointer(x, area, xs / 3, ys / 2));
  const adiclient::Image before = image();

  // The real-time window, closed with Escape, leaves the screen as it was,
  // the status line's bottom row included.
  EXPECT_EQ(command("RTBIRD"), 1);
  ASSERT_TRUE(wait_until(s->driver, [&] { return image().rgb != before.rgb; }));
  std::string err;
  ASSERT_TRUE(adiclient::type_key(x, top, "Escape", false, false, err)) << err;
  EXPECT_TRUE(image_becomes(before));

  EXPECT_EQ(command("BIRDSEYE"), 1);
  // The window comes up at the top right of the drawing area.
  ASSERT_TRUE(wait_until(s->driver, [&] { return image().rgb != before.rgb; }));
  // The cancel button, as the client reports it: the window goes.
  EXPECT_EQ(ask(digitizer_packet(-2, 10, 10)).i16(2), 1);
  EXPECT_EQ(ask(digitizer_packet(1, 10, 10)).i16(2), 4);
  EXPECT_TRUE(image_becomes(before));
}

TEST_P(DriverCommands, TheStatusLineRedrawsOnlyTheFieldsThatChanged) {
  std::ofstream(cfg.path + "/xresources") << "*useStatusBar: False\n";
  open(kFlagsStatusLine, {"XENVIRONMENT=" + cfg.path + "/xresources"});
  if (IsSkipped() || HasFatalFailure()) return;
  auto modeline = [&](const std::string &text) {
    Packet p(21, 6);
    p.set_i16(2, static_cast<int>(text.size()));
    p.set_i16(4, 7);
    p.set_text(6, text);
    sync(p);
  };
  auto coordline = [&](const std::string &text) {
    Packet p(22, 4);
    p.set_i16(2, static_cast<int>(text.size()));
    p.set_text(4, text);
    sync(p);
  };
  modeline("MODE1");
  coordline("1,2");
  // The two fields: "MODE1" from 2 characters and 4 pixels in, six cells;
  // "1,2" after it, four cells. A red box over both.
  const int mode_x = 2 * cw + 4, coord_x = mode_x + 6 * cw, end = coord_x + 4 * cw;
  Packet box(27, 12);
  box.set_i16(2, mode_x), box.set_i16(4, 0), box.set_i16(6, end - 1), box.set_i16(8, ch - 1), box.set_i16(10, 1);
  sync(box);
  const std::uint32_t red = 0xFF0000;
  ASSERT_TRUE(pixel_becomes(mode_x + 1, 1, red));
  ASSERT_TRUE(pixel_becomes(coord_x + 1, 1, red));

  coordline("1,3");
  EXPECT_TRUE(wait_until(s->driver, [&] { return pixel(coord_x + 1, 1) != red; }));
  EXPECT_EQ(pixel(mode_x + 1, 1), red) << "the mode field was drawn again";
  modeline("MODE2");
  EXPECT_TRUE(wait_until(s->driver, [&] { return pixel(mode_x + 1, 1) != red; }));
}

// The zoom hot spots at the right of the drawn status line, pointed at and
// clicked in the window (the driver's own polling brings the samples).
TEST_P(DriverCommands, TheZoomHotSpotsLightUpAndAct) {
  open_with_status_line();
  if (IsSkipped() || HasFatalFailure()) return;
  const adiclient::Image before = image();
  // The edges of the fields under "1", "2", "5", "10", "20" and "D".
  const auto edge = [&](int k) {
    static const int cells[7] = {14, 12, 10, 8, 5, 2, 0};
    return xs - 1 - cells[k] * cw;
  };
  const auto at = [&](int k) { return (edge(k) + edge(k + 1)) / 2; };

  // Pointing at "2" lights its box (white, under the label), and nothing
  // else of the line.
  ASSERT_TRUE(adiclient::move_pointer(x, area, at(1), ch / 2));
  EXPECT_TRUE(pixel_becomes(edge(1), ch, 0xFFFFFF));
  const adiclient::Image lit = image();
  int changed = 0;
  for (int y = 0; y <= ch; ++y)
    for (int px = 0; px < lit.width; ++px) {
      if (px >= edge(1) - cw / 4 && px <= edge(2) - cw) continue;
      const std::size_t i = 3 * (static_cast<std::size_t>(y) * lit.width + px);
      changed += !std::equal(lit.rgb.begin() + i, lit.rgb.begin() + i + 3, before.rgb.begin() + i);
    }
  EXPECT_EQ(changed, 0);
  ASSERT_TRUE(adiclient::move_pointer(x, area, 12, 12));
  EXPECT_TRUE(image_becomes(before));

  // A click on "1" zooms to the extents, one on "2" opens Birdseye at twice
  // the view, where Return accepts the box: the next string request gets
  // the zoom.
  for (int k : {0, 1}) {
    ASSERT_TRUE(adiclient::click(x, area, at(k), ch / 2, 1));
    if (k == 1) {
      ASSERT_TRUE(wait_until(s->driver, [&] { return image().rgb != before.rgb; }));
      std::string err;
      ASSERT_TRUE(adiclient::type_key(x, top, "Return", false, false, err)) << err;
    }
    std::string zoom;
    EXPECT_TRUE(wait_until(s->driver, [&] { return (zoom = ask(string_request(0, 0)).text(8)) != ""; }));
    EXPECT_EQ(zoom.rfind("'ZOOM $0 ", 0), 0u) << zoom;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, DriverCommands, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
