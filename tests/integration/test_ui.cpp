// The Motif interface around the drawing area, driven from outside: the status
// bar, the side menu, the tool bar and its dialog, the menus, and the command
// area's selection, each clicked through XTest with the events checked byte
// by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using adiclient::Event;
using adiclient::Packet;
using adiclient::pmenufcn;
using adiclient::pmenuitem;

namespace {

constexpr int kPchar = 9, kPechar = 10, kPhlite = 11, kPmnucurs = 13, kPwrsplit = 20, kPmodeline = 21,
              kPcoordline = 22, kPmenushow = 53;

// A viewable window and where it is on the screen.
struct Win {
  ::Window id = 0;
  int x = 0, y = 0, w = 0, h = 0;
};

// The viewable children of a window, in screen coordinates.
std::vector<Win> children(Display *d, ::Window w) {
  std::vector<Win> out;
  ::Window root = 0, parent = 0, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &n)) return out;
  for (unsigned i = 0; i < n; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable || a.c_class == InputOnly) continue;
    Win c{kids[i], 0, 0, a.width, a.height};
    ::Window child = 0;
    XTranslateCoordinates(d, kids[i], root, 0, 0, &c.x, &c.y, &child);
    out.push_back(c);
  }
  if (kids != nullptr) XFree(kids);
  return out;
}

// Every viewable window under w that has no viewable child.
void leaves(Display *d, ::Window w, std::vector<Win> &out) {
  for (const Win &c : children(d, w)) {
    std::vector<Win> below = children(d, c.id);
    if (below.empty())
      out.push_back(c);
    else
      leaves(d, c.id, out);
  }
}

std::vector<Win> leaves(Display *d, ::Window w) {
  std::vector<Win> out;
  leaves(d, w, out);
  return out;
}

Win geometry(Display *d, ::Window w) {
  Win g{w};
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return g;
  g.w = a.width;
  g.h = a.height;
  ::Window child = 0;
  XTranslateCoordinates(d, w, a.root, 0, 0, &g.x, &g.y, &child);
  return g;
}

void by_x(std::vector<Win> &v) {
  std::sort(v.begin(), v.end(), [](const Win &a, const Win &b) { return a.x < b.x; });
}
void by_y(std::vector<Win> &v) {
  std::sort(v.begin(), v.end(), [](const Win &a, const Win &b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
}

// The keys of a string the driver types: framed ones between 141 and 143,
// both after 142.
std::vector<unsigned> typed(const std::string &text, bool framed) {
  std::vector<unsigned> keys;
  if (framed) keys.push_back(141);
  keys.push_back(142);
  for (unsigned char c : text) keys.push_back(c);
  if (framed) keys.push_back(143);
  return keys;
}

struct UiTest : ::testing::TestWithParam<Program> {
  TempDir cfg;
  std::unique_ptr<Session> s;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0;

  Display *dpy() { return reinterpret_cast<Display *>(x); }

  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
    ASSERT_FALSE(cfg.path.empty());
  }
  void TearDown() override {
    s.reset();
    if (x) adiclient::close_display(x);
  }

  // Starts the program with its files in cfg and the default resources (none
  // of the user's) or those given, and the environment as given; no session yet.
  void start(const std::string &resources = "", bool text_window = false, const std::vector<std::string> &set_env = {},
             const std::vector<std::string> &unset_env = {}) {
    std::ofstream(cfg.path + "/xresources") << resources;
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->options.set_env.push_back("XENVIRONMENT=" + cfg.path + "/xresources");
    s->options.set_env.insert(s->options.set_env.end(), set_env.begin(), set_env.end());
    s->options.unset_env = unset_env;
    if (text_window) use_text_window(s->options);
    s->start();
    std::string err;
    if (x) adiclient::close_display(x);
    x = adiclient::open_display(err);
    ASSERT_NE(x, nullptr) << err;
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
  }
  void open_session() { s->open_session(); }

  // Sends packets that have no reply, then a pnop: done when it comes back.
  void sync(std::initializer_list<Packet> packets) {
    for (const Packet &p : packets) ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
    EXPECT_EQ(s->reply().opcode(), adiclient::pnop().opcode());
    XSync(dpy(), False);
  }
  Packet ask(const Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    return s->reply();
  }

  // The next event other than a pointer report or a text window size; type -1 when none comes.
  Event next(int timeout_ms = 10000) {
    for (;;) {
      Packet p;
      Event e;
      if (adiclient::read_event(s->driver, timeout_ms, p) != adiclient::Got::packet) return Event{-1};
      EXPECT_TRUE(adiclient::decode_event(p.bytes, e));
      if (e.type != adiclient::ev_coord && e.type != adiclient::ev_leave && e.type != adiclient::ev_text_resize)
        return e;
    }
  }
  std::vector<unsigned> keys(std::size_t count) {
    std::vector<unsigned> out;
    while (out.size() < count) {
      Event e = next();
      if (e.type != adiclient::ev_key) {
        ADD_FAILURE() << "event type " << e.type << " after keys " << ::testing::PrintToString(out);
        break;
      }
      out.push_back(e.key);
    }
    return out;
  }
  void expect_typed(const std::string &text, bool framed) {
    std::vector<unsigned> want = typed(text, framed);
    EXPECT_EQ(keys(want.size()), want) << text;
  }
  void expect_nothing(const std::string &when = "") {
    Event e = next(500);
    EXPECT_EQ(e.type, -1) << when << " event type " << e.type << " key " << e.key;
  }

  void click(const Win &w, unsigned button = 1) {
    ASSERT_TRUE(adiclient::click(x, w.id, w.w / 2, w.h / 2, button));
  }
  adiclient::Image grab(::Window w) {
    adiclient::Image image;
    adiclient::grab_window(x, w, image);
    return image;
  }
  // A message box of text, answered with its OK button; what it showed.
  adiclient::Image answer_message(const std::string &text) {
    Packet box(51, 8);
    box.set_text(6, text);
    EXPECT_TRUE(adiclient::send_packet(s->driver, box));
    const adiclient::XWindow w = adiclient::find_top_window(x, "Message", 10000);
    EXPECT_TRUE(w != 0 && wait_until(s->driver, [&] { return adiclient::children_shown(x, w); }));
    const adiclient::Image image = grab(w);
    EXPECT_TRUE(adiclient::click(x, w, image.width / 2, image.height - 33, 1));  // OK
    EXPECT_EQ(s->reply().opcode(), 51);
    wait_until(s->driver, [&] { return adiclient::find_top_window(x, "Message", 0) == 0; });
    return image;
  }

  // What find() gives once it holds n windows: the driver maps what the
  // packets ask for when it next waits for input.
  std::vector<Win> settled(const std::function<std::vector<Win>()> &find, std::size_t n) {
    std::vector<Win> v;
    wait_until(s->driver, [&] { return (v = find()).size() == n; }, 5000);
    return v;
  }
};

// ---- status bar -------------------------------------------------------------------

Packet modeline(const std::string &text, int colour = 7, int flags = 0) {
  Packet p(kPmodeline, 6);
  p.set_i16(2, (flags << 8) | static_cast<int>(text.size()));
  p.set_i16(4, colour);
  p.set_text(6, text);
  return p;
}

Packet coordline(const std::string &text) {
  Packet p(kPcoordline, 4);
  p.set_u16(2, static_cast<unsigned>(text.size()));
  p.set_text(4, text);
  return p;
}

struct StatusBar : virtual UiTest {
  Win bar_window;

  // The status bar: the widest window of the graphics window with five or
  // more widgets (the lowest of two as wide: not the menu bar).
  Win find_bar() {
    Win best;
    std::function<void(::Window)> walk = [&](::Window w) {
      for (const Win &c : children(dpy(), w)) {
        if (children(dpy(), c.id).size() >= 5 && (c.w > best.w || (c.w == best.w && c.y > best.y))) best = c;
        walk(c.id);
      }
    };
    walk(top);
    return best;
  }
  // The bar's widgets left to right: Color, Layers, the Layer frame, the
  // modes, GapFill, Tools and Coordline once coordinates come, and the DL
  // frame (a mode macro stands in for the layer area).
  std::vector<Win> widgets() {
    std::vector<Win> v = children(dpy(), find_bar().id);
    by_x(v);
    return v;
  }
  // The modes' toggles left to right.
  std::vector<Win> toggles() {
    std::vector<Win> v = widgets();
    if (v.size() < 4) return {};
    std::vector<Win> t = leaves(dpy(), v[3].id);
    by_x(t);
    return t;
  }
  std::vector<Win> widgets(std::size_t n) { return settled([&] { return widgets(); }, n); }
  std::vector<Win> toggles(std::size_t n) { return settled([&] { return toggles(); }, n); }
};

TEST_P(StatusBar, ClicksSendTheirKeysAndCommandsOnlyInASession) {
  start();
  std::vector<Win> w = widgets(6);
  ASSERT_EQ(w.size(), 6u) << "Color, Layers, Layer, modes, GapFill, DL";
  click(w[0]);
  click(toggles().at(0));
  expect_nothing();

  open_session();
  click(w[0]);
  expect_typed("'_ddemodes ", false);
  click(w[1]);
  expect_typed("'_ddlmodes ", false);

  std::vector<Win> t = toggles(9);
  ASSERT_EQ(t.size(), 9u) << "O S P B R D L C ? (T waits for a tablet)";
  click(t[0]);
  EXPECT_EQ(keys(1), std::vector<unsigned>{15});
  click(t[1]);
  EXPECT_EQ(keys(1), std::vector<unsigned>{2});
  click(t[2]);
  expect_typed("_PSPACE ", false);
  sync({modeline("L:0 P")});
  click(t[2]);
  expect_typed("_MSPACE ", false);
  click(t[3]);
  expect_typed("'BIRDSEYE ", true);
  click(t[6]);
  EXPECT_EQ(keys(1), std::vector<unsigned>{12});
  click(t[8]);
  EXPECT_EQ(next().type, adiclient::ev_interrupt);
  EXPECT_EQ(next().type, adiclient::ev_interrupt);
  expect_typed("_FILEDIA 0 _SCRIPT mfl_help ", true);

  // The layer field: what is typed there sets the layer.
  sync({modeline("L:A")});
  click(w[2]);
  std::string err;
  for (const char *k : {"End", "b", "Return"}) ASSERT_TRUE(adiclient::type_key(x, top, k, false, false, err)) << err;
  expect_typed("'_clayer Ab ", false);
  expect_nothing();
}

TEST_P(StatusBar, WidgetsComeAndGoAsThePacketsSay) {
  start();
  open_session();
  ASSERT_EQ(widgets(6).size(), 6u);

  // The first coordinates bring Tools and Coordline; Coordline types F6's key.
  sync({coordline("12.5000,3.2500")});
  std::vector<Win> w = widgets(8);
  ASSERT_EQ(w.size(), 8u);
  click(w[6]);
  EXPECT_EQ(keys(1), std::vector<unsigned>{4});

  // A tablet reported on shows its toggle.
  sync({modeline("L:0 OST")});
  EXPECT_EQ(toggles(10).size(), 10u);

  // A mode macro covers the layer area until a mode line is read again.
  sync({modeline("Elev 0.0000  Thickness 0.0000")});
  w = widgets(5);
  ASSERT_EQ(w.size(), 5u) << "Color, ModeMacro, Tools, Coordline, DL";
  click(w[1]);
  expect_typed("'_modemacro ", false);
  sync({modeline("Layer 0 Snap")});
  EXPECT_EQ(widgets(8).size(), 8u);

  // Colour flags: bit 2 takes the swatch away, a colour brings it back.
  sync({modeline("L:0", 1, 2)});
  EXPECT_EQ(widgets(7).size(), 7u);
  sync({modeline("L:0", 3)});
  EXPECT_EQ(widgets(8).size(), 8u);
}

TEST_P(StatusBar, AShorterReadoutLeavesNothingOfTheLongerOneBehind) {
  start();
  open_session();
  sync({coordline("1,1")});
  const Win readout = widgets(8).at(6);
  auto picture = [&] { return grab(readout.id).rgb; };
  auto changes = [&](const std::vector<std::uint8_t> &from) {
    std::vector<std::uint8_t> now;
    EXPECT_TRUE(wait_until(s->driver, [&] { return (now = picture()) != from; }));
    return now;
  };
  const std::vector<std::uint8_t> first = changes({});
  sync({coordline("Zoom:2")});
  const std::vector<std::uint8_t> shorter = changes(first);
  sync({coordline("Zoom:2.49XX")});
  changes(shorter);
  sync({coordline("Zoom:2")});
  EXPECT_TRUE(wait_until(s->driver, [&] { return picture() == shorter; }));
}

INSTANTIATE_TEST_SUITE_P(Both, StatusBar, ::testing::ValuesIn(kPrograms), program_name);

// ---- side menu ----------------------------------------------------------------------

Packet menu_cursor(int box, int count) {
  Packet p(kPmnucurs, 6);
  p.set_i16(2, box);
  p.set_i16(4, count);
  return p;
}

struct SideMenu : virtual UiTest {
  // The boxes shown right of the drawing area, top to bottom.
  std::vector<Win> boxes() {
    Win a = geometry(dpy(), area);
    std::vector<Win> v;
    for (const Win &w : leaves(dpy(), top))
      if (w.x >= a.x + a.w && w.y >= a.y && w.y + w.h <= a.y + a.h + 8) v.push_back(w);
    by_y(v);
    return v;
  }
  // Labels a box through the menu-cursor and character packets (the cursor
  // packet asks for every box each time, as the client does).
  void label(int box, const std::string &text) {
    ASSERT_TRUE(adiclient::send_packet(s->driver, menu_cursor(box, 64)));
    for (unsigned char c : text) {
      Packet p(kPchar, 4);
      p.set_i16(2, c);
      ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    }
    sync({Packet(kPechar, 2)});
  }
};

TEST_P(SideMenu, BoxesFollowThePacketsAndAClickIsAPick) {
  start();
  std::vector<Win> first = settled([&] { return boxes(); }, 1);
  ASSERT_EQ(first.size(), 1u) << "one box before the client's menu";
  click(first[0]);
  expect_nothing();
  Packet init = ask(adiclient::pinit());
  const int width = init.i16(36), char_height = init.i16(46);
  ASSERT_GT(char_height, 0);

  // Asked for every box, the column makes those that fit, which is what
  // init offered.
  sync({menu_cursor(0, 64)});
  std::vector<Win> all = settled([&] { return boxes(); }, static_cast<std::size_t>(init.i16(22)));
  ASSERT_GE(all.size(), 4u);
  EXPECT_LT(all.size(), 64u);
  EXPECT_EQ(init.i16(22), static_cast<int>(all.size()));

  // A blank box hides; the last box's label ends the menu: the boxes after
  // the last one labelled leave the column.
  label(0, "LINE");
  label(1, "   ");
  label(2, "ARC");
  label(static_cast<int>(all.size()) - 1, "");
  std::vector<Win> shown = settled([&] { return boxes(); }, 2);
  ASSERT_EQ(shown.size(), 2u) << "LINE and ARC";

  click(shown[1]);
  EXPECT_EQ(keys(1), std::vector<unsigned>{23});
  for (int type : {adiclient::ev_press, adiclient::ev_release}) {
    Event e = next();
    EXPECT_EQ(e.type, type);
    EXPECT_EQ(e.x, width + 2);
    EXPECT_EQ(e.y, 2 * char_height + char_height / 2) << "box 2 with the menu bar and no drawn status line";
    EXPECT_EQ(e.key, 0u);
  }

  // A highlight of a box never made, and a label of 255 bytes, change
  // nothing else.
  sync({menu_cursor(200, 64)});
  EXPECT_EQ(ask(Packet(kPhlite, 4)).opcode(), kPhlite);
  label(0, std::string(255, 'W'));
  EXPECT_EQ(settled([&] { return boxes(); }, 2).size(), 2u);
  expect_nothing();
}

INSTANTIATE_TEST_SUITE_P(Both, SideMenu, ::testing::ValuesIn(kPrograms), program_name);

// ---- tool bar ------------------------------------------------------------------------

struct ToolBar : StatusBar {
  std::string tool_file() { return cfg.path + "/toolbar.cfg"; }
  // The tool buttons left of the drawing area, top to bottom.
  std::vector<Win> tools() {
    Win a = geometry(dpy(), area);
    std::vector<Win> v;
    for (const Win &w : leaves(dpy(), top))
      if (w.x + w.w <= a.x && w.y >= a.y - 8 && w.y + w.h <= a.y + a.h + 8) v.push_back(w);
    by_y(v);
    return v;
  }
};

TEST_P(ToolBar, ButtonsTypeTheirCommandsAndTheDialogWritesTheFile) {
  // Two character tools, an icon from an XPM file and an icon whose file is
  // missing (shown as "?").
  const std::string icon = cfg.path + "/dot.xpm";
  std::ofstream(icon) << "/* XPM */\nstatic char *dot[] = {\"2 2 1 1\", \". c #ff0000\", \"..\", \"..\"};\n";
  const std::string tools_text = "A 1 \"^C^CLINE\\n\"\nB 1 \"ARC \"\n" + icon + " 0 \"DOT \"\n" + cfg.path +
                                 "/none.xpm 0 \"NONE \"\n";
  std::ofstream(tool_file()) << "2\n1\n4\n" << tools_text;
  start();
  std::vector<Win> t = settled([&] { return tools(); }, 4);
  ASSERT_EQ(t.size(), 4u);
  click(t[0]);
  expect_nothing();

  open_session();
  click(t[0]);
  EXPECT_EQ(next().type, adiclient::ev_interrupt);
  EXPECT_EQ(next().type, adiclient::ev_interrupt);
  EXPECT_EQ(keys(5), (std::vector<unsigned>{'L', 'I', 'N', 'E', 10}));
  click(t[1]);
  EXPECT_EQ(keys(4), (std::vector<unsigned>{'A', 'R', 'C', ' '}));

  // "Tools" (shown with the first coordinates) opens the dialog.
  sync({coordline("1,2")});
  click(widgets(8).at(5));
  adiclient::XWindow dialog = adiclient::find_top_window(x, "MFL ToolBar Configuration", 5000);
  ASSERT_NE(dialog, 0u);
  // The dialog's parts top to bottom: Location: and its six places (the
  // columns field is hidden but for the tool box), Tools: and the list, New,
  // Change, Delete, Label: and its field, Type: and its two kinds, Command:
  // and its field, the separator, OK and Cancel.
  auto parts = [&] {
    std::vector<Win> v = leaves(dpy(), dialog);
    by_y(v);
    return v;
  };
  std::vector<Win> p;
  wait_until(s->driver, [&] { return (p = parts()).size() == 22; });
  ASSERT_EQ(p.size(), 22u);
  // The dialog's New, OK and Cancel buttons among its parts p (which a second
  // dialog replaces).
  constexpr std::size_t kNew = 9, kOk = 20, kCancel = 21;

  // Typing starts in the label field; two tabs lead to the command field.
  // Fields hold the current tool: they are emptied before typing.
  auto type_text = [&](const std::string &text) {
    std::string err;
    ASSERT_TRUE(adiclient::type_key(x, dialog, "End", false, false, err)) << err;
    for (int i = 0; i < 16; ++i) ASSERT_TRUE(adiclient::type_key(x, dialog, "BackSpace", false, false, err)) << err;
    for (char c : text)
      ASSERT_TRUE(adiclient::type_key(x, dialog, std::string(1, c), std::isupper(static_cast<unsigned char>(c)) != 0,
                                      false, err))
          << err;
  };
  auto next_field = [&] {
    std::string err;
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(adiclient::type_key(x, dialog, "Tab", false, false, err)) << err;
  };

  // A new tool, then OK: the file is written and the bar built again.
  type_text("C");
  next_field();
  type_text("CIRCLE");
  click(p[kNew]);
  click(p[kOk]);
  const std::string want = "2\n1\n5\n" + tools_text + "C 1 \"CIRCLE\"\n";
  std::string text;
  wait_until(s->driver, [&] {
    std::ifstream in(tool_file());
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return text == want;
  });
  EXPECT_EQ(text, want);
  t = settled([&] { return tools(); }, 5);
  ASSERT_EQ(t.size(), 5u);
  click(t[2]);
  EXPECT_EQ(keys(4), (std::vector<unsigned>{'D', 'O', 'T', ' '}));
  click(t[4]);
  EXPECT_EQ(keys(6), (std::vector<unsigned>{'C', 'I', 'R', 'C', 'L', 'E'}));

  // A label of two characters is refused; Cancel drops what was edited.
  click(widgets(8).at(5));
  ASSERT_NE(adiclient::find_top_window(x, "MFL ToolBar Configuration", 5000), 0u);
  wait_until(s->driver, [&] { return (p = parts()).size() == 22; });
  ASSERT_EQ(p.size(), 22u);
  type_text("CC");
  click(p[kNew]);
  adiclient::XWindow invalid = adiclient::find_top_window(x, "Invalid Entry", 5000);
  ASSERT_NE(invalid, 0u);
  std::vector<Win> invalid_parts = leaves(dpy(), invalid);
  by_y(invalid_parts);
  click(invalid_parts.back());  // its only button: Cancel
  click(p[11]);                 // Delete
  click(p[kCancel]);
  expect_nothing();
  std::ifstream in(tool_file());
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), want);
  EXPECT_EQ(tools().size(), 5u);
}

// Two clicks within the multi-click time (long: a busy machine cannot part
// them) are a double click: a tool opens the dialog after typing once, "Tools"
// hides and shows the bar. Clicks further apart are single clicks.
TEST_P(ToolBar, DoubleClicksAreTwoClicksWithinTheMultiClickTime) {
  constexpr int kMultiClick = 2000;
  for (bool text_window : {true, false}) {
    SCOPED_TRACE(text_window ? "text window" : "ACADTEXTDISPLAY=.");
    std::ofstream(tool_file()) << "2\n1\n1\nA 1 \"AB\"\n";
    start("*multiClickTime: " + std::to_string(kMultiClick) + "\n", text_window);
    open_session();
    sync({coordline("1,2")});
    const Win tool = settled([&] { return tools(); }, 1).at(0);
    const Win tools_button = widgets(8).at(5);
    auto dialog_open = [&] { return adiclient::find_top_window(x, "MFL ToolBar Configuration", 0) != 0; };
    auto pause = [&] { wait_until(s->driver, [] { return false; }, kMultiClick + 500); };

    // Apart: two single clicks, two commands.
    click(tool);
    pause();
    click(tool);
    EXPECT_EQ(keys(4), (std::vector<unsigned>{'A', 'B', 'A', 'B'}));
    EXPECT_FALSE(dialog_open());

    // Together: the command once, then the dialog.
    pause();
    click(tool);
    click(tool);
    EXPECT_EQ(keys(2), (std::vector<unsigned>{'A', 'B'}));
    EXPECT_TRUE(wait_until(s->driver, dialog_open));

    // "Tools" twice together hides the bar, and again shows it.
    for (std::size_t shown : {0u, 1u}) {
      click(tools_button);
      click(tools_button);
      EXPECT_EQ(settled([&] { return tools(); }, shown).size(), shown);
      // The drawing area changed its size: the client starts again.
      EXPECT_EQ(next().type, adiclient::ev_interrupt);
      EXPECT_EQ(next().type, adiclient::ev_resize);
      open_session();
    }
    expect_nothing();
    s.reset();
  }
}

INSTANTIATE_TEST_SUITE_P(Both, ToolBar, ::testing::ValuesIn(kPrograms), program_name);

// ---- menus ---------------------------------------------------------------------------

struct Menus : virtual UiTest {
  // The override-redirect windows (menu panes) mapped now.
  std::set<::Window> panes() {
    std::set<::Window> out;
    for (const Win &w : children(dpy(), DefaultRootWindow(dpy()))) {
      XWindowAttributes a;
      if (XGetWindowAttributes(dpy(), w.id, &a) && a.override_redirect) out.insert(w.id);
    }
    return out;
  }
  // Does what opens a pane and gives its entries, top to bottom.
  std::vector<Win> open(const std::function<void()> &action) {
    std::set<::Window> before = panes();
    action();
    std::vector<Win> v;
    wait_until(s->driver, [&] {
      for (::Window w : panes())
        if (!before.count(w)) {
          v = leaves(dpy(), w);
          return true;
        }
      return false;
    }, 5000);
    by_y(v);
    return v;
  }
  std::vector<Win> open(const Win &cascade) {
    return open([&] { click(cascade); });
  }
  // The menu bar's cascades left to right.
  std::vector<Win> cascades() {
    Win a = geometry(dpy(), area);
    std::vector<Win> v;
    for (const Win &w : leaves(dpy(), top))
      if (w.y + w.h < a.y - 2 && w.h < 40) v.push_back(w);
    by_x(v);
    return v;
  }
  void expect_pick(unsigned code) {
    Event e = next();
    EXPECT_EQ(e.type, adiclient::ev_press);
    EXPECT_EQ(e.key, code);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.y, 0);
  }
  // The packets as one message or one to a message, then a no-op's reply.
  void send(const std::vector<Packet> &packets, bool one_message) {
    if (one_message) {
      ASSERT_TRUE(adiclient::send_message(s->driver, packets));
      sync({});
    } else {
      for (const Packet &p : packets) sync({p});
    }
  }
  // Picks the first entry of the bar's first pull-down, or of the pop-up;
  // pick_both picks both, which the client hears of, or (heard false) not.
  void pick_first_item() {
    std::vector<Win> bar = settled([&] { return cascades(); }, 2);
    ASSERT_FALSE(bar.empty());
    std::vector<Win> items = open(bar[0]);
    ASSERT_FALSE(items.empty());
    click(items[0]);
  }
  void pick_popup_item() {
    std::vector<Win> items = open([&] { EXPECT_EQ(ask(adiclient::pmenushow(0)).opcode(), kPmenushow); });
    ASSERT_FALSE(items.empty());
    click(items[0]);
  }
  void pick_both(bool heard, const std::string &when = "") {
    pick_first_item();
    heard ? expect_pick(1002) : expect_nothing(when + " a pull-down's pick:");
    pick_popup_item();
    heard ? expect_pick(502) : expect_nothing(when + " a pop-up pick:");
  }
};

// The client's menus: File (New, a separator, Open), Edit (Undo) and the pop-up.
std::vector<Packet> client_menus() {
  return {pmenufcn(2, 1, "File"), pmenufcn(3, 0, "New"), pmenufcn(3), pmenufcn(3, 0, "Open"), pmenufcn(4),
          pmenufcn(2, 2, "Edit"), pmenufcn(3, 0, "Undo"), pmenufcn(4), pmenufcn(2, 0, "Popup"),
          pmenufcn(3, 0, "Snap"), pmenufcn(4)};
}

std::vector<Packet> menu_rebuild() {
  std::vector<Packet> p = {pmenufcn(1)};
  for (const Packet &q : client_menus()) p.push_back(q);
  p.push_back(pmenufcn(5));
  return p;
}

TEST_P(Menus, TheClientsMenusPickByNumberAndKeepTheirMarks) {
  start();
  open_session();
  sync({pmenufcn(1), pmenufcn(2, 1, "Draw"), pmenufcn(3, 0, "Line"), pmenufcn(3), pmenufcn(3, 0, "Arc", 2, '*'),
        pmenufcn(3, 0, "More", 8), pmenufcn(3, 0, "Circle", 16, 0, 1), pmenufcn(3, 0, "Text"), pmenufcn(4),
        pmenufcn(2, 0, "Snap"), pmenufcn(3, 0, "Endpoint"), pmenufcn(4), pmenufcn(5)});

  // The bar holds the client's menu alone; its items pick by number (the
  // separator counts).
  std::vector<Win> bar = settled([&] { return cascades(); }, 1);
  ASSERT_EQ(bar.size(), 1u);
  std::vector<Win> items = open(bar[0]);
  ASSERT_EQ(items.size(), 5u) << "Line, separator, Arc, More, Text";
  click(items[2]);
  expect_pick(1004);
  items = open(bar[0]);
  ASSERT_EQ(items.size(), 5u);
  std::vector<Win> sub = open(items[3]);
  ASSERT_EQ(sub.size(), 1u);
  click(sub[0]);
  expect_pick(1006);

  // Marks and sensitivity read back; unknown items and menus answer none.
  Packet got = ask(pmenuitem(1, 3));
  EXPECT_EQ(got.i16(6), 2);
  EXPECT_EQ(got.u8(8), '*');
  sync({pmenuitem(1, 3, true, 1)});
  got = ask(pmenuitem(1, 3));
  EXPECT_EQ(got.i16(6), 1);
  EXPECT_EQ(got.u8(8), 0);
  got = ask(pmenuitem(20, 1));
  EXPECT_EQ(got.i16(6), 1);
  sync({pmenuitem(20, 1, true, 2, 'x')});

  // The pop-up menu shows at the client's word.
  std::vector<Win> popup = open([&] { EXPECT_EQ(ask(Packet(kPmenushow, 4)).opcode(), kPmenushow); });
  ASSERT_EQ(popup.size(), 1u);
  click(popup[0]);
  expect_pick(502);
  Packet show(kPmenushow, 4);
  show.set_i16(2, 1);
  items = open([&] { EXPECT_EQ(ask(show).opcode(), kPmenushow); });
  ASSERT_EQ(items.size(), 5u);
  click(items[0]);
  expect_pick(1002);

  // A rebuild replaces every menu.
  sync({pmenufcn(1), pmenufcn(2, 2, "Edit"), pmenufcn(3, 0, "Undo"), pmenufcn(4), pmenufcn(5)});
  bar = settled([&] { return cascades(); }, 1);
  ASSERT_EQ(bar.size(), 1u);
  items = open(bar[0]);
  ASSERT_EQ(items.size(), 1u);
  click(items[0]);
  expect_pick(2002);
  EXPECT_EQ(ask(pmenuitem(1, 1)).i16(6), 1) << "the old menu is gone";
  expect_nothing();
}

// Rebuilding the bar never changes the drawing area's size: the client hears
// of no resize, interrupt nor SIGINT, its drawing stays; the last bar picks.
TEST_P(Menus, RebuildsInAnyOrderKeepTheDrawingAndTellTheClientNothing) {
  // Orders in which a client defines and rebuilds its menus, each a run of
  // messages; the first meets the bar the driver was made with.
  const std::pair<const char *, std::vector<std::vector<Packet>>> orders[] = {
      {"a pull-down defined before the first rebuild",
       {{pmenufcn(2, 3, "Draw"), pmenufcn(3, 0, "Line"), pmenufcn(4)}, menu_rebuild()}},
      {"a rebuild as the client makes it", {menu_rebuild()}},
      {"menus finished without a rebuild begun", {client_menus(), {pmenufcn(5)}}},
      {"a rebuild begun twice, one left empty", {{pmenufcn(1), pmenufcn(5)}, {pmenufcn(1)}, menu_rebuild()}},
  };
  for (const bool one_message : {true, false}) {
    SCOPED_TRACE(one_message ? "one message, default text window" : "packet by packet, text on stdout");
    start("", one_message);
    if (HasFatalFailure()) return;
    open_session();
    Packet text(31, 14);  // red text drawn by the client
    text.set_i16(2, 2), text.set_i16(4, 2), text.set_i16(12, 1), text.set_text(14, "KEEP ME");
    sync({text});
    adiclient::Image drawn;
    ASSERT_TRUE(wait_until(s->driver, [&] { return std::ranges::count((drawn = grab(area)).rgb, 0xFF) > 0; }));
    // What the start told the client (the text window's size) is past.
    while (next(300).type != -1) {
    }
    const int sigints = adiclient::sigint_count();

    for (const auto &[name, runs] : orders) {
      SCOPED_TRACE(name);
      for (const std::vector<Packet> &run : runs) send(run, one_message);
      EXPECT_EQ(adiclient::sigint_count(), sigints);
      const adiclient::Image now = grab(area);
      EXPECT_EQ(std::pair(now.width, now.height), std::pair(drawn.width, drawn.height));
      EXPECT_TRUE(wait_until(s->driver, [&] { return grab(area).rgb == drawn.rgb; })) << "the client's drawing is gone";
    }
    expect_nothing("after the menus:");
    // The bar holds the client's two menus; its items pick.
    EXPECT_EQ(settled([&] { return cascades(); }, 2).size(), 2u);
    pick_both(true);
  }
}

// A pick of a pull-down's item or of the pop-up's reaches the client only in
// a session and while no dialog is up. A message box over an active menu (a
// pull-down posted, the bar traversed, the pop-up posted), or a rebuild over
// the pop-up, leaves the menus picking.
TEST_P(Menus, PicksCountInASessionWithNoDialogUpAndAfterMessageBoxesOrRebuildsOverActiveMenus) {
  start();
  send(menu_rebuild(), true);
  pick_both(false, "before the session,");

  open_session();
  ask(Packet(300, 44));
  const std::uint32_t dialog = ask(dialog_create(0, 0, "Busy", 10)).u32(8);
  sync({adiclient::dialog_packet(309, 0, dialog, 24)});
  ASSERT_NE(adiclient::find_top_window(x, "Busy", 10000), 0u);
  pick_both(false, "while a dialog is up,");
  Packet free_dialog = adiclient::dialog_packet(311, 0, dialog, 28);
  free_dialog.set_u32(4, 10);
  ask(free_dialog);
  EXPECT_EQ(s->reply().opcode(), 309);
  pick_both(true);

  std::vector<Win> bar = settled([&] { return cascades(); }, 2);
  ASSERT_EQ(bar.size(), 2u);
  const std::vector<std::function<void()>> activate = {
      [&] { ASSERT_FALSE(open([&] { EXPECT_EQ(ask(adiclient::pmenushow(1)).opcode(), kPmenushow); }).empty()); },
      [&] { ASSERT_TRUE(adiclient::click(x, bar[1].id, bar[1].w + 40, bar[1].h / 2, 1)); },
      [&] { ASSERT_FALSE(open([&] { EXPECT_EQ(ask(adiclient::pmenushow(0)).opcode(), kPmenushow); }).empty()); },
  };
  for (std::size_t i = 0; i < activate.size(); ++i) {
    SCOPED_TRACE(i);
    activate[i]();
    answer_message("Sure?");
    pick_first_item();
    expect_pick(1002);
  }
  ASSERT_FALSE(open([&] { EXPECT_EQ(ask(adiclient::pmenushow(0)).opcode(), kPmenushow); }).empty());
  send(menu_rebuild(), true);
  pick_popup_item();
  expect_pick(502);
  pick_first_item();
  expect_pick(1002);
}

INSTANTIATE_TEST_SUITE_P(Both, Menus, ::testing::ValuesIn(kPrograms), program_name);

// ---- the command area's selection ---------------------------------------------------------

struct CommandArea : UiTest {
  // The command area: the widest window below the drawing area that has
  // room for a line of text.
  Win text_area() {
    Win a = geometry(dpy(), area), best;
    for (const Win &w : leaves(dpy(), top))
      if (w.y > a.y + a.h && w.h > 24 && w.w > best.w) best = w;
    return best;
  }
  void write(const std::string &text) {
    for (unsigned char c : text) {
      Packet p(kPwrsplit, 4);
      p.set_i16(2, c);
      ASSERT_TRUE(adiclient::send_packet(s->driver, p));
    }
    sync({});
  }
  // PRIMARY converted to target, as this client receives it.
  bool read_selection(Atom target, Atom &type, std::vector<unsigned char> &data) {
    Display *d = dpy();
    ::Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    Atom property = XInternAtom(d, "KOVA_TEST_SELECTION", False);
    XConvertSelection(d, XA_PRIMARY, target, property, w, CurrentTime);
    XFlush(d);
    XEvent ev{};
    bool came = wait_until(s->driver, [&] { return XCheckTypedWindowEvent(d, w, SelectionNotify, &ev) != 0; });
    bool ok = came && ev.xselection.property == property;
    if (ok) {
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char *bytes = nullptr;
      ok = XGetWindowProperty(d, w, property, 0, 65536, True, AnyPropertyType, &type, &format, &count, &after,
                              &bytes) == Success;
      std::size_t unit = format == 32 ? sizeof(long) : format / 8;
      if (ok && bytes != nullptr) data.assign(bytes, bytes + count * unit);
      if (bytes != nullptr) XFree(bytes);
    }
    XDestroyWindow(d, w);
    return ok;
  }
};

TEST_P(CommandArea, ASelectionIsReadThroughPrimaryAndPastesAsKeys) {
  start();
  open_session();
  // A fresh page, then two lines: the first rows of the area.
  write("\f" "hello world\nsecond");
  Win t = text_area();
  ASSERT_GT(t.w, 0);
  const int row = t.h / 3;  // three command lines

  ASSERT_TRUE(adiclient::move_pointer(x, t.id, 1, row / 2));
  ASSERT_TRUE(adiclient::press_button(x, 1, true));
  ASSERT_TRUE(adiclient::move_pointer(x, t.id, t.w / 2, row / 2));
  ASSERT_TRUE(adiclient::move_pointer(x, t.id, t.w - 2, row + row / 2));
  ASSERT_TRUE(adiclient::press_button(x, 1, false));
  sync({});

  Atom type = 0;
  std::vector<unsigned char> data;
  ASSERT_TRUE(read_selection(XA_STRING, type, data));
  EXPECT_EQ(type, XA_STRING);
  EXPECT_EQ(std::string(data.begin(), data.end()), "hello world\nsecond");
  data.clear();
  Atom targets = XInternAtom(dpy(), "TARGETS", False);
  ASSERT_TRUE(read_selection(targets, type, data));
  EXPECT_EQ(type, XA_ATOM);
  const auto *atoms = reinterpret_cast<const long *>(data.data());
  std::set<long> offered(atoms, atoms + data.size() / sizeof(long));
  EXPECT_TRUE(offered.count(static_cast<long>(XA_STRING)));
  EXPECT_TRUE(offered.count(static_cast<long>(targets)));

  // The middle button types the selection into the client.
  ASSERT_TRUE(adiclient::click(x, t.id, t.w / 2, row / 2, 2));
  std::string text = "hello world\nsecond";
  std::vector<unsigned> want(text.begin(), text.end());
  EXPECT_EQ(keys(want.size()), want);
  expect_nothing();
}

INSTANTIATE_TEST_SUITE_P(Both, CommandArea, ::testing::ValuesIn(kPrograms), program_name);

// ---- Japanese labels ------------------------------------------------------------------------

// The black pixels (the labels' ink) of a part of an image, as rows of '#'
// and '.' cut to their bounding box: the same text in the same font gives the
// same picture in every widget.
using Glyphs = std::vector<std::string>;
bool black(const adiclient::Image &image, int c, int r) {
  const std::uint8_t *p = &image.rgb[3 * (static_cast<std::size_t>(r) * image.width + c)];
  return p[0] == 0 && p[1] == 0 && p[2] == 0;
}
Glyphs glyphs(const adiclient::Image &image, int left, int top, int width, int height) {
  const int right = std::min(image.width, left + width), bottom = std::min(image.height, top + height);
  int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
  for (int r = top; r < bottom; ++r)
    for (int c = left; c < right; ++c)
      if (black(image, c, r)) x0 = std::min(x0, c), y0 = std::min(y0, r), x1 = std::max(x1, c), y1 = std::max(y1, r);
  Glyphs out;
  for (int r = y0; r <= y1; ++r) {
    out.emplace_back();
    for (int c = x0; c <= x1; ++c) out.back() += black(image, c, r) ? '#' : '.';
  }
  return out;
}

// The first program's labels in Japanese (LANG a UTF-8 locale or unset beside
// its own): every kind of label drawn from the client's Shift-JIS as the bar
// draws its mode macro, and a tile four cells wider for two kanji more.
struct JapaneseLabels : SideMenu, Menus, ToolBar {
  const std::string two = "\x88\x9f\x88\x9f", four = two + two;  // "亜亜", "亜亜亜亜"

  Glyphs ink(const Win &w) { return glyphs(grab(w.id), 0, 0, w.w, w.h); }
  // What look() gives once it is hoped_for, else when the wait runs out.
  Glyphs shown(const std::function<Glyphs()> &look, const Glyphs &hoped_for) {
    Glyphs g;
    wait_until(s->driver, [&] { return (g = look()) == hoped_for; }, 5000);
    return g;
  }
  // A tile in a 200 x 40 cell at (cx, cy): its record, and its reported width.
  int tile(std::uint32_t dialog, int type, const std::string &label, int cx, int cy, std::uint32_t &record) {
    const Packet made = ask(dialog_create(type, dialog, label, 0, 0x400000));  // enabled, out of the keyboard's way
    record = made.u32(8);
    EXPECT_EQ(ask(dialog_layout(type, record, cx, cy, 200, 40)).i16(12), 1);
    return made.i16(20);
  }
};

TEST_P(JapaneseLabels, DrawAndMeasureInEveryWidget) {
  // A character tool labelled with two kanji (the file's text is EUC-JP).
  std::ofstream(tool_file()) << "2\n1\n1\n\xb0\xa1\xb0\xa1 1 \"X\"\n";
  const std::vector<std::string> envs[][2] = {{{"LC_ALL=ja_JP.EUC", "LANG=C.UTF-8"}, {}},
                                              {{"LC_ALL=ja_JP.EUC"}, {"LANG"}}};
  for (const auto &[set_env, unset_env] : envs) {
    SCOPED_TRACE(set_env.back());
    start("", false, set_env, unset_env);
    const Packet init = ask(adiclient::pinit());
    ASSERT_EQ(init.i16(2), 1);

    // What two kanji look like: the mode macro, which the bar draws itself.
    ASSERT_EQ(widgets(6).size(), 6u);
    const Win bar = find_bar();
    sync({modeline(two, 7, 1)});
    const Win macro = settled([&] {
                        std::vector<Win> v = children(dpy(), bar.id);
                        by_x(v);
                        return v;
                      }, 3).at(1);  // Color, ModeMacro, DL
    Glyphs want;
    wait_until(s->driver, [&] { return !(want = ink(macro)).empty(); });
    ASSERT_GE(want.size(), 12u) << "two kanji of a 16-pixel font";
    ASSERT_GE(want[0].size(), 24u) << "two kanji of a 16-pixel font";

    sync({pmenufcn(1), pmenufcn(2, 1, two), pmenufcn(3, 0, two), pmenufcn(4), pmenufcn(2, 0, "P"),
          pmenufcn(3, 0, two), pmenufcn(4), pmenufcn(5), menu_cursor(0, 64)});
    label(0, two);

    // The dialog: a row a kind of tile, two kanji left, four right.
    const int char_width = ask(Packet(300, 44)).i16(20);
    const std::uint32_t dialog = ask(dialog_create(0, 0, "Labels")).u32(8);
    struct Kind {
      int type;
      const char *name;
      int growth = INT_MIN;
    } kinds[] = {{2, "text tile"}, {4, "button"}, {6, "toggle"}, {1, "frame label"}, {8, "list label"},
                 {10, "popup entry"}};
    for (int row = 0; row < 6; ++row) {
      Kind &k = kinds[row];
      const bool popup = k.type == 10;
      std::uint32_t left = 0, right = 0;
      const int narrow = tile(dialog, k.type, popup ? "" : two, 0, 50 * row, left);
      const int wide = tile(dialog, k.type, popup ? "" : four, 220, 50 * row, right);
      if (k.type != 1 && !popup) k.growth = wide - narrow;
      if (k.type == 2) {
        EXPECT_EQ(ask(adiclient::dialog_packet(304, 2, left, 64)).text(28), two);  // read back as sent
      }
      if (popup) {
        // The entry chosen shows on the option button.
        sync({adiclient::dialog_list(k.type, left, 1, {two})});
      }
    }
    EXPECT_EQ(ask(dialog_layout(0, dialog, -1, -1, 440, 300)).i16(12), 1);
    sync({adiclient::dialog_packet(309, 0, dialog, 24)});
    const adiclient::XWindow shell = adiclient::find_top_window(x, "Labels", 10000);
    ASSERT_NE(shell, 0u);
    // The board puts a cell at 0, 0 two character cells right and down.
    const int left = 2 * char_width, down = 2 * init.i16(46);

    // Each site shows the picture of its two kanji.
    auto first_of = [&](const std::function<std::vector<Win>()> &find) {
      return [&, find] {
        const std::vector<Win> w = find();
        return w.empty() ? Glyphs{} : ink(w[0]);
      };
    };
    auto item = [&](const std::function<std::vector<Win>()> &open_pane) {
      return [&, open_pane] {
        const std::vector<Win> items = open_pane();
        if (items.empty()) return Glyphs{};
        const Glyphs g = shown([&] { return ink(items[0]); }, want);
        click(items[0]);  // the pane goes
        return g;
      };
    };
    std::vector<std::pair<std::string, std::function<Glyphs()>>> sites = {
        {"menu bar", first_of([&] { return cascades(); })},
        {"pull-down item", item([&] { return open(settled([&] { return cascades(); }, 1).at(0)); })},
        {"pop-up item", item([&] { return open([&] { ask(adiclient::pmenushow(0)); }); })},
        {"side menu", first_of([&] { return boxes(); })},
        {"tool bar", first_of([&] { return tools(); })},
        {"message box", [&, text = Glyphs{}]() mutable {
           // The text: the right of the ink above the button, beside the symbol.
           if (!text.empty()) return text;
           const adiclient::Image box = answer_message(two);
           const int width = static_cast<int>(want[0].size()), height = box.height - 50;
           int right = 0;
           for (int r = 0; r < height; ++r)
             for (int c = 0; c < box.width; ++c)
               if (black(box, c, r)) right = std::max(right, c + 1);
           return text = glyphs(box, right - width, 0, width, height);
         }},
    };
    for (int row = 0; row < 6; ++row)
      sites.push_back({kinds[row].name, [&, row] { return glyphs(grab(shell), 0, down + 50 * row, left + 210, 50); }});
    for (const auto &[name, look] : sites) {
      SCOPED_TRACE(name);
      EXPECT_EQ(shown(look, want), want);
    }
    for (const Kind &k : kinds)
      if (k.growth != INT_MIN) {
        EXPECT_EQ(k.growth, 4 * char_width) << k.name;
      }
    s.reset();
  }
}

INSTANTIATE_TEST_SUITE_P(First, JapaneseLabels, ::testing::Values(kPrograms[0]), program_name);

}  // namespace
