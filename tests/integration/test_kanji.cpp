// The Kanji entry window: where it is, what typing into it sends the client,
// and the keyboard focus moving between it and the graphics window.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>
#include <X11/keysym.h>

using adiclient::Event;
using adiclient::Packet;

namespace {

constexpr std::string_view kKanjiTitle = "AutoCAD: Kanji";

struct KanjiWindow : ::testing::Test {
  TempDir cfg;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow top = 0, area = 0, kanji = 0;
  std::unique_ptr<Session> s;
  KeyCode spare = 0;  // a keycode given a keysym of the test's own

  Display *dpy() { return reinterpret_cast<Display *>(x); }

  void start(const Program &program) {
    std::string err;
    x = adiclient::open_display(err);
    if (x == nullptr) GTEST_SKIP() << "no X display: " << err;
    s = std::make_unique<Session>(program);
    // A Japanese environment: the toolkit takes the locale from it.
    s->options.set_env = isolated_env(cfg.path);
    s->options.set_env.push_back("LC_ALL=ja_JP.EUC");
    s->start();
    s->open_session();
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
    area = adiclient::find_drawing_area(x, top);
    ASSERT_NE(area, 0u);
  }
  void SetUp() override {
    start(kPrograms[0]);
    if (IsSkipped() || HasFatalFailure()) return;
    kanji = adiclient::find_top_window(x, kKanjiTitle, 10000);
    ASSERT_NE(kanji, 0u);
  }
  void TearDown() override {
    if (spare != 0) {
      KeySym none = NoSymbol;
      XChangeKeyboardMapping(dpy(), spare, 1, &none, 1);
      XSync(dpy(), False);
    }
    s.reset();
    if (x) adiclient::close_display(x);
  }

  // The next key event, skipping pointer reports.
  Event next() {
    for (;;) {
      Packet p;
      Event e;
      if (adiclient::read_event(s->driver, 10000, p) != adiclient::Got::packet) {
        ADD_FAILURE() << "no event";
        return Event{-1};
      }
      EXPECT_TRUE(adiclient::decode_event(p.bytes, e));
      if (e.type == adiclient::ev_coord || e.type == adiclient::ev_leave) continue;
      EXPECT_EQ(e.type, adiclient::ev_key);
      return e;
    }
  }

  // Types into the entry window's field, or into the graphics window.
  void type(adiclient::XWindow into, const std::string &keysym) {
    std::string err;
    ASSERT_TRUE(adiclient::type_key(x, into, keysym, false, false, err)) << err;
  }
  void type_in_field(const std::string &keysym) {
    ASSERT_TRUE(adiclient::move_pointer(x, kanji, 20, 10));
    type(kanji, keysym);
  }
  void type_in_graphics(const std::string &keysym) {
    ASSERT_TRUE(adiclient::move_pointer(x, area, 50, 50));
    type(top, keysym);
  }

  bool focus_in(adiclient::XWindow w) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(dpy(), &focus, &revert);
    return focus == w;
  }
  void wait_for_focus(adiclient::XWindow w) {
    EXPECT_TRUE(wait_until(s->driver, [&] { return focus_in(w); }));
  }
  // Return in the field: the keys it sends. The focus then goes back to the
  // graphics window; it is there before anything else is typed.
  std::vector<unsigned> enter(std::size_t count) {
    type_in_field("Return");
    std::vector<unsigned> out;
    while (out.size() < count) out.push_back(next().key);
    wait_for_focus(top);
    return out;
  }

  // Puts the keysym on a keycode the keyboard leaves empty.
  void map_spare_key(KeySym sym) {
    Display *d = dpy();
    if (spare == 0) {
      int low = 0, high = 0, per = 0;
      XDisplayKeycodes(d, &low, &high);
      KeySym *map = XGetKeyboardMapping(d, static_cast<KeyCode>(low), high - low + 1, &per);
      for (int k = high; k >= low && spare == 0; --k) {
        bool empty = true;
        for (int i = 0; i < per; ++i) empty = empty && map[(k - low) * per + i] == NoSymbol;
        if (empty) spare = static_cast<KeyCode>(k);
      }
      XFree(map);
      ASSERT_NE(spare, 0) << "no free keycode";
    }
    XChangeKeyboardMapping(d, spare, 1, &sym, 1);
    XSync(d, False);
    XMappingEvent changed{};
    changed.type = MappingNotify;
    changed.display = d;
    changed.request = MappingKeyboard;
    changed.first_keycode = spare;
    changed.count = 1;
    XRefreshKeyboardMapping(&changed);
  }
};

TEST_F(KanjiWindow, StandsBelowTheGraphicsWindow) {
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(dpy(), kanji, &a));
  int rx = 0, ry = 0;
  Window child;
  XTranslateCoordinates(dpy(), kanji, a.root, -a.border_width, -a.border_width, &rx, &ry, &child);
  EXPECT_EQ(rx, 1);
  EXPECT_EQ(ry, 800);
  EXPECT_EQ(a.width, 300);
}

TEST_F(KanjiWindow, ReturnSendsTheTextThenALineFeed) {
  for (const char *k : {"a", "b", "c"}) type_in_field(k);
  EXPECT_EQ(enter(4), (std::vector<unsigned>{97, 98, 99, 10}));
  // The field was emptied.
  type_in_field("d");
  EXPECT_EQ(enter(2), (std::vector<unsigned>{100, 10}));
  // An empty field sends nothing, not even the line feed.
  enter(0);
  type_in_graphics("z");
  EXPECT_EQ(next().key, unsigned{'z'});
}

TEST_F(KanjiWindow, F11MovesTheFocusBetweenTheWindows) {
  // From the graphics window to the entry window, and back, sending nothing.
  ASSERT_TRUE(adiclient::move_pointer(x, area, 50, 50));
  type(top, "F11");
  wait_for_focus(kanji);
  type(kanji, "x");
  type(kanji, "F11");
  wait_for_focus(top);
  type_in_graphics("b");
  EXPECT_EQ(next().key, unsigned{'b'});
  // What was typed stays in the field for the next Return.
  EXPECT_EQ(enter(2), (std::vector<unsigned>{'x', 10}));
}

// Japanese text reaches the client as Shift-JIS, one key a byte.
TEST_F(KanjiWindow, JapaneseArrivesAsShiftJis) {
  if (std::setlocale(LC_ALL, "ja_JP.EUC") == nullptr) GTEST_SKIP() << "no ja_JP.EUC locale";
  std::setlocale(LC_ALL, "C");
  struct Case {
    const char *keysym;
    std::vector<unsigned> keys;
  } cases[] = {
      {"UFF71", {0xB1, 10}},        // half-width katakana A
      {"kana_A", {0x83, 0x41, 10}},  // the input method makes it full-width
      {"U4E9C", {0x88, 0x9F, 10}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.keysym);
    map_spare_key(XStringToKeysym(c.keysym));
    type_in_field(c.keysym);
    EXPECT_EQ(enter(c.keys.size()), c.keys);
  }
}

struct KanjiWindowSecond : KanjiWindow {
  void SetUp() override { start(kPrograms[1]); }
};

TEST_F(KanjiWindowSecond, IsAbsent) {
  // The windows are made before the handshake: had the second program this
  // one, it would be there by now.
  EXPECT_EQ(adiclient::find_top_window(x, kKanjiTitle, 0), 0u);
}

}  // namespace
