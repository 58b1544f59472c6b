// The configuration screen as the client drives it: CONFIGURE draws the main
// menu, digitizer samples (a new sample, then the packet again with code 1)
// work the menus, and the next string request leaves the screen, with the
// file written or left alone and the screen as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Prompt area, screen menu, status line and digitizer.
constexpr int kFlags = 0x8017;

std::int32_t word_of(const Bytes &file, int n) {
  const std::size_t at = 272 + 4 * static_cast<std::size_t>(n - 68);
  return static_cast<std::int32_t>(std::uint32_t{file.at(at)} << 24 | std::uint32_t{file.at(at + 1)} << 16 |
                                   std::uint32_t{file.at(at + 2)} << 8 | file.at(at + 3));
}

struct Point {
  int x, y;  // window pixels, y up from the bottom, as digitizer samples carry them
};

struct ConfigScreen : DriverWindowTest {
  int xs = 0, ys = 0, cw = 0, ch = 0, xmax = 0, graphy = 0;
  std::vector<std::string> env;

  void SetUp() override {
    Packet r;
    open_window_session(adiclient::pinit(kFlags, 8, "config"), r, env);
    if (IsSkipped() || HasFatalFailure()) return;
    xmax = r.i16(12), graphy = r.i16(14), xs = r.i16(36), ys = r.i16(38), cw = r.i16(44), ch = r.i16(46);
    ASSERT_GT(cw, 0);
    nudge();
    open_viewport();
    // The client waits for digitizer input (pxpcomd).
    ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
    // A first sample of the client's: from now on its requests, not the
    // driver's own polling, bring the samples.
    ASSERT_EQ(sample(2, 1, 1), 2);
  }

  void open_viewport() {
    ask(adiclient::popenvp(1, 0, 0, xmax, graphy));
  }
  // A sample and its routing: the code the client gets back.
  int sample(int code, int px, int py) {
    Packet p(37, 8);
    p.set_i16(2, code);
    p.set_i16(4, px);
    p.set_i16(6, py);
    EXPECT_EQ(ask(p).i16(2), 1);
    Packet again(37, 8);
    again.set_i16(2, 1);
    return ask(again).i16(2);
  }
  int pick(Point p) { return sample(3, p.x, p.y); }
  // A key typed into the window, and a sample that takes it to the menus.
  int key(const char *sym) {
    std::string err;
    EXPECT_TRUE(adiclient::type_key(x, top, sym, false, false, err)) << err;
    return sample(2, 3, 3);
  }
  void configure() {
    Packet p(25, 32);
    p.set_text(6, "CONFIGURE");
    EXPECT_EQ(ask(p).i16(2), 1);
  }
  // The string request that follows: what the driver types.
  std::string string_request() {
    Packet p(47, 8 + 256);
    p.set_i16(2, 1);
    Packet r = ask(p);
    EXPECT_EQ(r.i16(6), 3);
    return r.text(8);
  }
  Bytes file() {
    std::ifstream in(cfg.path + "/tester.cnf", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  // The menus, where the driver lays them out.
  int band() const { return ys - ch - 1 - ys / 5; }
  // Row i of a menu whose top is y2; and its buttons on the bottom y1 of a
  // menu w characters wide from x1.
  Point row(int x1, int w, int y2, int i) const { return {x1 + w * cw / 2, y2 - (i + 2) * ch - 16 + ch / 2}; }
  Point ok(int x1, int w, int y1) const { return {x1 + (w * cw - 16 * cw) / 3 + 4 * cw, y1 + 8 + ch / 2}; }
  Point cancel(int x1, int w, int y1) const {
    const int gap = (w * cw - 16 * cw) / 3;
    return {x1 + 2 * gap + 12 * cw, y1 + 8 + ch / 2};
  }
  Point main_row(int i) const { return row(cw, 51, band(), i); }
  Point main_ok() const { return ok(cw, 51, band() - (6 * ch + 32)); }
  Point main_cancel() const { return cancel(cw, 51, band() - (6 * ch + 32)); }
  Point sub_row(int i) const { return row(cw + 4, 50, band() - 4, i); }
  Point sub_ok(int lines) const { return ok(cw + 4, 50, band() - 4 - (lines * ch + 32)); }

  // The window's pixels over the menus (the top part of the graphics area),
  // row by row.
  std::vector<std::uint8_t> menu_region() {
    adiclient::Image img;
    if (!adiclient::grab_window(x, area, img)) return {};
    const int y_from = ys - 1 - band() - 2, y_to = std::min(img.height, ys - (band() - 4 - (12 * ch + 32)) + 2);
    const int x_to = std::min(img.width, cw + 4 + 51 * cw + 4);
    std::vector<std::uint8_t> out;
    for (int y = y_from; y < y_to; ++y)
      out.insert(out.end(), img.rgb.begin() + 3 * (y * img.width), img.rgb.begin() + 3 * (y * img.width + x_to));
    return out;
  }
  // The pointer moves in a corner of the status line: the driver puts its
  // drawing on the screen when it has handled X events.
  int nudges = 0;
  void nudge() { adiclient::move_pointer(x, area, 2 + nudges++ % 2, 2); }
  // Waits until the region shows picture.
  bool region_becomes(const std::vector<std::uint8_t> &picture) {
    return wait_until(s->driver, [&] {
      nudge();
      return menu_region() == picture;
    });
  }
  // Waits until the region shows only the graphics background (black, colour
  // 0), as the driver left it at init: the screen the menus go over.
  bool region_is_background() {
    return wait_until(s->driver, [&] {
      nudge();
      const auto r = menu_region();
      return !r.empty() && std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
    });
  }
  bool main_menu_shown() {
    // The panel's inside, left of the rows: menu background (blue, colour 5).
    const Point p{cw + 8, band() - 20};
    std::uint32_t rgb = 0;
    return wait_until(s->driver, [&] {
      nudge();
      return adiclient::read_pixel(x, area, p.x, ys - 1 - p.y, rgb) && rgb == 0x0000FF;
    });
  }
};

TEST_P(ConfigScreen, CancelChangesNothingAndOkWritesExactlyTheOptionThatChanged) {
  ASSERT_TRUE(region_is_background());
  // OK without a change writes the session's settings as they are (the
  // session sets some after the file was first written).
  configure();
  EXPECT_TRUE(main_menu_shown());
  EXPECT_EQ(pick(main_ok()), 4);
  EXPECT_EQ(string_request(), "'REDRAW\n");
  EXPECT_TRUE(region_is_background());
  const Bytes before = file();
  ASSERT_EQ(before.size(), 524u);
  ASSERT_EQ(word_of(before, 108), 1);

  for (bool ok_at_end : {false, true}) {
    SCOPED_TRACE(ok_at_end ? "OK" : "Cancel");
    ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
    configure();
    EXPECT_TRUE(main_menu_shown());
    EXPECT_EQ(pick(main_row(0)), 4);  // driver options
    EXPECT_EQ(pick(sub_row(4)), 4);   // non-stop redraws: off
    EXPECT_EQ(pick(sub_ok(12)), 4);
    EXPECT_EQ(pick(ok_at_end ? main_ok() : main_cancel()), 4);
    EXPECT_EQ(string_request(), "'REDRAW\n");
    EXPECT_TRUE(region_is_background());
    if (!ok_at_end) {
      EXPECT_EQ(file(), before);
    }
  }
  Bytes after = file();
  ASSERT_EQ(after.size(), 524u);
  EXPECT_EQ(word_of(after, 108), 0);
  after.at(272 + 4 * (108 - 68) + 3) = 1;
  EXPECT_EQ(after, before);
  // The menus are gone: a sample is the client's again.
  ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
  EXPECT_EQ(pick(main_ok()), 3);
}

// A new session while the screen is up takes the screen down with the old
// one: the next CONFIGURE opens the menus afresh and they take samples.
TEST_P(ConfigScreen, ANewSessionEndsTheScreenAndTheNextOneWorks) {
  configure();
  ASSERT_TRUE(main_menu_shown());
  ASSERT_EQ(ask(adiclient::pinit(kFlags, 8, "config")).i16(2), 1);
  open_viewport();
  // The new session draws a cyan box where the menus will be.
  const Point inside{cw + 8, band() - 20};
  Packet box(27, 12);
  box.set_i16(2, inside.x - 4), box.set_i16(4, ys - 1 - (inside.y + 4));
  box.set_i16(6, inside.x + 4), box.set_i16(8, ys - 1 - (inside.y - 4));
  box.set_i16(10, 4);
  sync(box);
  ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
  configure();
  EXPECT_TRUE(main_menu_shown());
  EXPECT_EQ(pick(main_cancel()), 4);
  EXPECT_EQ(string_request(), "'REDRAW\n");
  // Closing puts back what was under the menus in this session.
  EXPECT_EQ(await_pixel(s->driver, x, area, inside.x, ys - 1 - inside.y, 0x00FFFF), 0x00FFFFu);
}

TEST_P(ConfigScreen, AnEditInASubmenuSurvivesAnExposure) {
  ASSERT_TRUE(region_is_background());
  configure();
  EXPECT_TRUE(main_menu_shown());
  EXPECT_EQ(pick(main_row(1)), 4);  // prompt lines
  EXPECT_EQ(pick(sub_row(3)), 4);   // four
  // The row of the count chosen, in the selection colours (green, colour 3).
  const Point chosen{cw + 4 + 46 * cw - 3, sub_row(3).y};
  std::uint32_t rgb = 0;
  ASSERT_TRUE(wait_until(s->driver, [&] {
    nudge();
    return adiclient::read_pixel(x, area, chosen.x, ys - 1 - chosen.y, rgb) && rgb == 0x00FF00;
  }));
  const auto shown = menu_region();

  // The window (and the layer windows in it) blackened behind the driver's
  // back, then exposed: only the driver's repaint brings the menus back.
  adiclient::blacken_tree(x, area, true);
  EXPECT_TRUE(region_becomes(shown)) << "the prompt-line menu is not back as it was";

  EXPECT_EQ(pick(sub_ok(7)), 4);
  EXPECT_EQ(pick(main_ok()), 4);  // four lines need a restart: the warning box
  EXPECT_EQ(pick({xs / 2, ys / 2}), 4);
  EXPECT_EQ(string_request(), "'REDRAW\n");
  EXPECT_EQ(word_of(file(), 101), 4);
  EXPECT_TRUE(region_is_background());
}

TEST_P(ConfigScreen, AWindowResizedUnderTheMenusShowsThemAgainForItsNewSize) {
  ASSERT_TRUE(region_is_background());
  configure();
  EXPECT_TRUE(main_menu_shown());
  int width = 0, height = 0;
  ASSERT_TRUE(adiclient::window_size(x, top, width, height));
  XResizeWindow(reinterpret_cast<Display *>(x), top, width + 120, height + 90);
  XSync(reinterpret_cast<Display *>(x), False);
  Packet event;
  adiclient::Event e{};
  do {
    ASSERT_EQ(adiclient::read_event(s->driver, 10000, event), adiclient::Got::packet);
  } while (!adiclient::decode_event(event.bytes, e) || e.type != adiclient::ev_resize);
  // The resized window shows nothing of the menus; the next sample brings
  // them back, the panel's inside in the menu background (blue).
  EXPECT_EQ(sample(2, 3, 3), 4);
  const Point inside{cw + 8, band() - 20};
  std::uint32_t rgb = 0;
  EXPECT_TRUE(wait_until(s->driver, [&] {
    nudge();
    int w = 0, h = 0;
    return adiclient::window_size(x, area, w, h) && adiclient::read_pixel(x, area, inside.x, h - 1 - inside.y, rgb) &&
           rgb == 0x0000FF;
  })) << "the menus went with the old window";
  EXPECT_EQ(pick(main_cancel()), 4);
  EXPECT_EQ(string_request(), "'REDRAW\n");
}

INSTANTIATE_TEST_SUITE_P(Both, ConfigScreen, ::testing::ValuesIn(kPrograms), program_name);

// The driver draws the prompt area itself (no command area in the window).
struct ConfigScreenWithPromptArea : ConfigScreen {
  ConfigScreenWithPromptArea() {
    std::ofstream(cfg.path + "/xresources") << "*useCommandArea: False\n";
    env = {"XENVIRONMENT=" + cfg.path + "/xresources"};
  }
  // A pixel of the fourth prompt line from the bottom: in the prompt area of
  // 4 or 5 lines (blue), in the drawing (black) with 3.
  bool fourth_line_is(std::uint32_t rgb) {
    return wait_until(s->driver, [&] {
      nudge();
      std::uint32_t got = 0;
      return adiclient::read_pixel(x, area, 20, ys - 1 - (4 * ch - ch / 2), got) && got == rgb;
    });
  }
};
constexpr std::uint32_t kTextBackground = 0x0000FF, kGraphicsBackground = 0;

TEST_P(ConfigScreenWithPromptArea, ReturnAndEscapeActAndThePreviewLeavesNoBand) {
  ASSERT_TRUE(fourth_line_is(kGraphicsBackground));
  configure();
  ASSERT_TRUE(main_menu_shown());
  EXPECT_EQ(pick(main_row(1)), 4);  // prompt lines
  EXPECT_EQ(pick(sub_row(4)), 4);   // five: the preview covers the fourth line
  EXPECT_TRUE(fourth_line_is(kTextBackground));
  EXPECT_EQ(pick(sub_row(2)), 4);   // three again: the drawing shows there again
  EXPECT_TRUE(fourth_line_is(kGraphicsBackground));
  EXPECT_EQ(pick(sub_row(4)), 4);
  EXPECT_TRUE(fourth_line_is(kTextBackground));
  EXPECT_EQ(key("Escape"), 4);      // Cancel: back to the main menu, three lines
  EXPECT_TRUE(fourth_line_is(kGraphicsBackground));
  EXPECT_TRUE(main_menu_shown());
  EXPECT_EQ(key("Return"), 4);      // OK: nothing changed, the screen closes
  EXPECT_EQ(string_request(), "'REDRAW\n");
  EXPECT_TRUE(region_is_background());
  EXPECT_TRUE(fourth_line_is(kGraphicsBackground));
  EXPECT_EQ(word_of(file(), 101), 3);

  // Four lines taken with Return need a restart: Escape takes the warning
  // down; the file gets the four lines.
  ASSERT_EQ(ask(Packet(26, 4)).i16(2), 1);
  configure();
  ASSERT_TRUE(main_menu_shown());
  EXPECT_EQ(pick(main_row(1)), 4);
  EXPECT_EQ(pick(sub_row(3)), 4);
  EXPECT_EQ(key("Return"), 4);
  EXPECT_EQ(key("Return"), 4);
  EXPECT_EQ(key("Escape"), 4);
  EXPECT_EQ(string_request(), "'REDRAW\n");
  EXPECT_EQ(word_of(file(), 101), 4);
  // The menus are gone: keys are the client's again.
  std::string err;
  ASSERT_TRUE(adiclient::type_key(x, top, "Return", false, false, err)) << err;
  adiclient::Event e{};
  for (Packet p; adiclient::read_event(s->driver, 10000, p) == adiclient::Got::packet;)
    if (adiclient::decode_event(p.bytes, e) && e.type == adiclient::ev_key) break;
  EXPECT_EQ(e.key, unsigned{'\r'});
}

INSTANTIATE_TEST_SUITE_P(Both, ConfigScreenWithPromptArea, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
