// The client's dialog boxes in both programs: the packets and their replies
// byte for byte, the shells on the screen, and keys and clicks through XTest
// reported back as result packets.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "driver_session.h"

using adiclient::Packet;

namespace {

// Tile flags.
constexpr std::uint32_t kEnabled = 0x400000, kTraverse = 0x100000, kDefault = 0x800000, kCancel = 0x1000000,
                        kSeveral = 0x1, kHorizontal = 0x80000, kNotInverted = 0x800, kOn = kEnabled | kTraverse;

struct DialogSession : DriverWindowTest {
  int char_width = 0, char_height = 0;

  void SetUp() override {
    // Clicks in a row count as a double click however slowly they come.
    const std::string resources = cfg.path + "/xenvironment";
    std::ofstream(resources) << "*multiClickTime: 4000\n";
    Packet reply;
    if (!have_display()) GTEST_SKIP() << "no X display";
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->options.set_env.push_back("XENVIRONMENT=" + resources);
    s->start();
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit()));
    ASSERT_EQ(s->reply().i16(2), 1);
    std::string err;
    x = adiclient::open_display(err);
    ASSERT_NE(x, nullptr) << err;
    top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
    ASSERT_NE(top, 0u);
  }

  Packet init() {
    Packet r = ask(Packet(300, 44));
    char_width = r.i16(20);
    char_height = r.i16(22);
    return r;
  }
  static Packet request(int opcode, int type, std::uint32_t record, std::size_t length = 40) {
    Packet p(opcode, length);
    p.set_i16(2, type);
    p.set_u32(8, record);
    return p;
  }
  Packet create(int type, std::uint32_t parent, std::uint32_t acad, std::uint32_t flags, const std::string &label,
                int width = 0, int height = 0, int mark = 0) {
    Packet p = request(301, type, parent, 64);
    p.set_u32(4, acad);
    p.set_u32(16, flags);
    p.set_i16(20, width);
    p.set_i16(22, height);
    p.set_u8(42, static_cast<unsigned>(mark));  // a password box's
    p.set_text(43, label);
    return ask(p);
  }
  Packet realize(int type, std::uint32_t record, int x, int y, int width, int height) {
    Packet p = request(302, type, record);
    p.set_i16(20, x);
    p.set_i16(22, y);
    p.set_i16(24, width);
    p.set_i16(26, height);
    return ask(p);
  }
  // Size (centred), then start with the focus on the tile named.
  void show(std::uint32_t dialog, int width, int height, std::uint32_t focus = 0) {
    realize(0, dialog, -1, -1, width, height);
    start(dialog, focus);
  }
  void start(std::uint32_t dialog, std::uint32_t focus = 0) {
    Packet p = request(309, 0, dialog, 24);
    p.set_u32(20, focus);
    sync(p);
  }
  std::string get(int type, std::uint32_t record) { return ask(request(304, type, record, 64)).text(28); }
  void set(int type, std::uint32_t record, const std::string &text) {
    Packet p = request(305, type, record, 64);
    p.set_text(28, text);
    sync(p);
  }
  void list_op(int type, std::uint32_t record, int kind, const std::vector<std::string> &items) {
    Packet p = request(306, type, record, 24);
    p.set_i16(16, kind);
    p.set_i16(20, static_cast<int>(items.size()));
    std::size_t at = 24;
    for (const std::string &item : items) {
      p.set_text(at, item);
      at += item.size() + 1;
    }
    sync(p);
  }

  // The dialog's shell once it is shown with its tiles.
  adiclient::XWindow dialog_window(const char *title) {
    adiclient::XWindow w = 0;
    EXPECT_TRUE(wait_until(s->driver, [&] {
      w = adiclient::find_top_window(x, title, 0);
      return w != 0 && adiclient::children_shown(x, w);
    })) << title;
    return w;
  }
  // The next result packet: handle, reason, arguments and text.
  void expect_result(std::uint32_t handle, int reason, const std::string &text, int arg1 = 0, int arg2 = 0) {
    Packet r = s->reply();
    ASSERT_EQ(r.u16(0), 312);
    EXPECT_EQ(r.size(), text.size() + 32);
    EXPECT_EQ(r.u32(4), handle);
    EXPECT_EQ(r.u16(12), 1);
    EXPECT_EQ(r.u32(16), static_cast<std::uint32_t>(reason));
    EXPECT_EQ(r.i32(20), arg1);
    EXPECT_EQ(r.i32(24), arg2);
    EXPECT_EQ(r.text(28), text);
    EXPECT_EQ(r.u16(2) | r.u32(8) | r.u16(14), 0u);
  }
  // Nothing was reported: the next reply is the one of a pnop.
  void expect_no_result() { EXPECT_EQ(ask(adiclient::pnop()).u16(0), adiclient::pnop().u16(0)); }
  void key(adiclient::XWindow w, const char *sym, bool control = false, bool numlock = false) {
    std::string err;
    ASSERT_TRUE(adiclient::type_key(x, w, sym, false, control, err, numlock)) << err;
  }
  void click(adiclient::XWindow w, int px, int py) { ASSERT_TRUE(adiclient::click(x, w, px, py, 1)); }
};

using Dialogs = DialogSession;

TEST_P(Dialogs, PacketsAnswerByteForByteAndBadOnesDoNoHarm) {
  // Short packets naming no record, of every operation and type: each is
  // answered at its own length, 305 to 309 not at all.
  for (int opcode = 300; opcode <= 311; ++opcode) {
    for (int type = 0; type < 12; ++type) {
      Packet p = request(opcode, type, 0x7ffff001, 12 + 2 * type);
      ASSERT_TRUE(adiclient::send_packet(s->driver, p));
      if (opcode >= 305 && opcode <= 309) continue;
      Packet r = s->reply();
      EXPECT_EQ(r.u16(0), opcode);
      EXPECT_EQ(r.size(), p.size());
    }
  }

  Packet i = init();
  const std::uint16_t constants[] = {2000, 2000, 2, 2, 4, 4, 2, 4, 3, 6};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(i.u16(24 + 2 * k), constants[k]);
  EXPECT_EQ(i.i16(12), 1);
  EXPECT_GT(char_width, 0);
  EXPECT_GT(char_height, 0);
  if (GetParam().path == std::string(KOVA_DRIVER2)) {
    EXPECT_LE(char_height, 2 * char_width - 1);
  }

  Packet d = create(0, 0, 10, 0, "Round trips", 30, 300);
  EXPECT_EQ(d.i16(20), 50);
  EXPECT_EQ(d.i16(22), 300);
  EXPECT_EQ(d.i16(12), 1);
  const std::uint32_t dialog = d.u32(8);
  const std::uint32_t text = create(2, dialog, 11, kOn, "Hello").u32(8);
  realize(2, text, 0, 0, 30 * char_width, 20);
  const std::uint32_t toggle = create(6, dialog, 12, kOn, "Check").u32(8);
  const std::uint32_t edit = create(9, dialog, 13, kOn, "Name:", 100).u32(8);
  const std::uint32_t list = create(8, dialog, 14, kOn | kSeveral, "").u32(8);
  const std::uint32_t slider = create(11, dialog, 15, kOn | kHorizontal, "").u32(8);
  const std::uint32_t popup = create(10, dialog, 16, kOn, "Pick").u32(8);
  Packet range = request(301, 11, dialog, 64);
  range.set_u32(4, 17);
  range.set_u32(16, kOn | kNotInverted);
  range.set_i16(26, 100);
  const std::uint32_t kept = ask(range).u32(8);
  set(2, text, "World");
  EXPECT_EQ(get(2, text), "World");
  set(6, toggle, "1");
  EXPECT_EQ(get(6, toggle), "1");
  set(9, edit, "typed");
  EXPECT_EQ(get(9, edit), "typed");
  // A character of the Shift-JIS user area, then one of JIS X 0208: the
  // first program has no place for the first, and keeps the second.
  set(9, edit, "\xf0\x9f\x88\x9f");
  EXPECT_EQ(get(9, edit), GetParam().path == std::string(KOVA_DRIVER2) ? "\xf0\x9f\x88\x9f" : "?\x88\x9f");
  list_op(8, list, 2, {"a", "b", "c", "d"});
  set(8, list, "3 x 1 3");  // a position twice is still selected
  EXPECT_EQ(get(8, list), "1 3");
  set(11, slider, "0");
  EXPECT_EQ(get(11, slider), "1");  // no range given: 0 to 1, turned over
  set(11, kept, "30");
  EXPECT_EQ(get(11, kept), "70");  // 0x800: kept as given, turned over by the get
  list_op(10, popup, 1, {"red", "green"});
  set(10, popup, "1");
  EXPECT_EQ(get(10, popup), "1");

  // Wrong kinds and stale handles leave the status as sent.
  Packet wrong = request(304, 8, toggle, 64);  // a toggle is no list
  wrong.set_i16(12, 5);
  EXPECT_EQ(ask(wrong).i16(12), 5);
  EXPECT_EQ(ask(request(311, 6, toggle)).i16(12), 1);
  EXPECT_EQ(ask(request(311, 6, toggle)).i16(12), 0);
  EXPECT_EQ(ask(request(304, 6, toggle, 64)).i16(12), 0);

  // The shell: its size, centred on the graphics window.
  Packet size = request(302, 0, dialog);
  size.set_i16(20, -1);
  size.set_i16(22, -1);
  size.set_i16(24, 300);
  size.set_i16(26, 120);
  size.set_i16(28, 10);
  size.set_i16(30, 6);
  EXPECT_EQ(ask(size).i16(12), 1);
  start(dialog);
  const adiclient::XWindow shell = dialog_window("Round trips");
  int gx, gy, gw, gh, sx, sy, sw, sh;
  ASSERT_TRUE(adiclient::window_geometry(x, top, gx, gy, gw, gh));
  ASSERT_TRUE(adiclient::window_geometry(x, shell, sx, sy, sw, sh));
  EXPECT_EQ(sw, 300 + 10 + char_width);
  EXPECT_EQ(sh, 120 + 6 + char_height);
  EXPECT_EQ(sx, gx + (gw - sw) / 2);
  EXPECT_EQ(sy, gy + (gh - sh) / 2);

  // The ninth dialog is refused, even when the client lifts the limit.
  std::vector<std::uint32_t> nested;
  for (int n = 2; n <= 8; ++n) nested.push_back(create(0, 0, 100 + n, 0, "Nested").u32(8));
  Packet ninth = create(0, 0, 109, 0x20000, "Ninth");
  EXPECT_EQ(ninth.i16(12), -1);
  EXPECT_EQ(ninth.u32(8), 0u);
  // Freed never started: no end; freed started: the end after the reply.
  for (auto n = nested.rbegin(); n != nested.rend(); ++n) {
    Packet f = request(311, 0, *n, 28);
    EXPECT_EQ(ask(f).i16(12), 1);
  }
  expect_no_result();
  Packet f = request(311, 0, dialog, 28);
  f.set_u32(4, 10);
  Packet reply = ask(f);
  EXPECT_EQ(reply.i32(20), sx);
  EXPECT_EQ(reply.i32(24), sy);
  Packet end = s->reply();
  EXPECT_EQ(end.bytes, (std::vector<std::uint8_t>{1, 53, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                                  0, 0}));
  EXPECT_TRUE(wait_until(s->driver, [&] { return adiclient::find_top_window(x, "Round trips", 0) == 0; }));
}

TEST_P(Dialogs, KeysReachTheDefaultCancelToggleAndEditTiles) {
  init();
  const std::uint32_t dialog = create(0, 0, 10, 0, "Keys").u32(8);
  const std::uint32_t ok = create(4, dialog, 11, kOn | kDefault, "OK").u32(8);
  const std::uint32_t cancel = create(4, dialog, 12, kOn | kCancel, "Cancel").u32(8);
  const std::uint32_t toggle = create(6, dialog, 13, kOn, "Check").u32(8);
  const std::uint32_t edit = create(9, dialog, 14, kOn, "Name:", 160).u32(8);
  const std::uint32_t password = create(9, dialog, 15, kOn, "Word:", 160, 0, '*').u32(8);
  realize(4, ok, 10, 0, 80, 30);
  realize(4, cancel, 100, 0, 80, 30);
  realize(6, toggle, 10, 40, 100, 24);
  realize(9, edit, 10, 70, 200, 30);
  realize(9, password, 10, 105, 200, 30);
  show(dialog, 300, 165);
  const adiclient::XWindow shell = dialog_window("Keys");

  key(shell, "Return");
  expect_result(11, 1, "");
  key(shell, "Escape");
  expect_result(12, 1, "");
  key(shell, "c", true, true);
  expect_result(12, 1, "");

  start(dialog, toggle);
  key(shell, "space");
  expect_result(13, 1, "1");

  // Ctrl+c in a password or an edit box cancels and types nothing.
  for (const auto &[field, handle, first, second] :
       {std::tuple{password, 15u, "x", "y"}, std::tuple{edit, 14u, "a", "b"}}) {
    start(dialog, field);
    key(shell, first);
    key(shell, "c", true);
    expect_result(12, 1, "");
    key(shell, second);
    key(shell, "Return");
    expect_result(handle, 1, std::string(first) + second);
  }
  // Leaving the field with the pointer in the dialog reports the text.
  ASSERT_TRUE(adiclient::move_pointer(x, shell, 5, 5));
  key(shell, "Tab");
  expect_result(14, 2, "ab");

  // A dialog without a cancel tile: Escape and Ctrl+c go to its default tile.
  const std::uint32_t inner = create(0, 0, 20, 0, "Inner").u32(8);
  const std::uint32_t yes = create(4, inner, 21, kOn | kDefault, "Yes").u32(8);
  realize(4, yes, 0, 0, 80, 30);
  show(inner, 120, 60);
  const adiclient::XWindow inner_shell = dialog_window("Inner");
  key(inner_shell, "Escape");
  expect_result(21, 1, "");
  key(inner_shell, "c", true, true);
  expect_result(21, 1, "");
  Packet f = request(311, 0, inner, 28);
  f.set_u32(4, 20);
  EXPECT_EQ(ask(f).u16(0), 311);
  EXPECT_EQ(s->reply().u16(0), 309);
}

TEST_P(Dialogs, ClicksOnListsSlidersAndImageButtons) {
  init();
  const std::uint32_t dialog = create(0, 0, 30, 0, "Pointer").u32(8);
  const std::uint32_t list = create(8, dialog, 31, kOn, "").u32(8);
  const std::uint32_t slider = create(11, dialog, 32, kOn | kHorizontal | kNotInverted, "", 150).u32(8);
  const std::uint32_t image = create(5, dialog, 33, kOn, "", 48, 40).u32(8);
  // Cells from one character in: the board's margin leaves them where they are.
  realize(8, list, char_width, 0, 150, 100);
  realize(11, slider, 170, 0, 150, 25);
  realize(5, image, 170, 50, 48, 40);
  list_op(8, list, 2, {"one", "two", "three"});
  show(dialog, 340, 120);
  const adiclient::XWindow shell = dialog_window("Pointer");
  const int left = char_width, down = 2 * char_height;  // where the board puts a cell at 0, 0

  // A click selects, the second click of a double click activates.
  click(shell, left + char_width + 20, down + 8);
  expect_result(31, 1, "0");
  click(shell, left + char_width + 20, down + 8);
  for (Packet r = s->reply();; r = s->reply()) {
    ASSERT_EQ(r.u16(0), 312);
    EXPECT_EQ(r.text(28), "0");
    if (r.u32(16) == 4) break;
    EXPECT_EQ(r.u32(16), 1u);
  }

  // A click in the slider's trough right of its thumb: one step on.
  click(shell, left + 170 + 130, down + 12);
  Packet moved = s->reply();
  EXPECT_EQ(moved.u16(0), 312);
  EXPECT_EQ(moved.u32(16), 1u);
  EXPECT_GT(std::stoi(moved.text(28)), 0);
  EXPECT_EQ(get(11, slider), std::to_string(1 - std::stoi(moved.text(28))));  // 0 to 1, 0x800: turned over

  // The image button: a click inside its image reports where, one on its
  // shadow nothing.
  const int bx = left + 170, by = down + 50;
  click(shell, bx + 4 + 10, by + 4 + 12);
  expect_result(33, 1, "", 10, 12);
  click(shell, bx + 1, by + 1);
  expect_no_result();
}

INSTANTIATE_TEST_SUITE_P(Programs, Dialogs, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
