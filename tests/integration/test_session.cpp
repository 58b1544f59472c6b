// Opening and closing a session: pinit at each ADI level, the banner, the
// configuration file and the first picture.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

std::vector<char> read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct SessionPackets : ::testing::TestWithParam<Program> {
  TempDir cfg;
  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
  }
  std::unique_ptr<Session> start() {
    auto s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(cfg.path);
    s->start();
    return s;
  }
  Packet ask(Session &s, const Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s.driver, p));
    return s.reply();
  }
};

// The drawing area's width and height as the X server has them.
void drawing_area_size(int &width, int &height) {
  std::string err;
  adiclient::XDisplay *x = adiclient::open_display(err);
  ASSERT_NE(x, nullptr) << err;
  const adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
  const adiclient::XWindow area = adiclient::find_drawing_area(x, top);
  EXPECT_TRUE(area != 0 && adiclient::window_size(x, area, width, height));
  adiclient::close_display(x);
}

// The init reply for a drawing area xs by ys with the default configuration:
// the menu bar, side menu, command area and status bar widgets take the place
// of the drawn areas; the 8 x 13 hardware font; three prompt lines, a menu ten
// characters wide and the 32-bit display list.
Packet init_reply(const Packet &request, int xs, int ys) {
  const bool full = request.i16(8) & 0x8000;
  Packet r = request;
  r.set_i16(2, 1);
  r.set_u32(4, 0x39E9F | 0x40040);
  r.set_i16(10, 8);
  r.set_i16(12, xs - 1);  // xmax
  r.set_i16(14, ys - 1);  // graphy
  r.set_i16(16, xs - 1);
  r.set_i16(18, (xs - 1) / 8);
  r.set_i16(20, 10);
  r.set_i16(22, (ys - 1) / 13 < 64 ? (ys - 1) / 13 : 64);
  r.set_i16(24, 135);
  r.set_u8(26, 3);
  r.set_u8(27, 2);
  r.set_i16(28, 1);
  r.set_i16(30, 1);
  r.set_u8(32, 25);
  r.set_u8(33, 80);
  r.set_i16(34, ys - 1);
  r.set_i16(36, xs);
  r.set_i16(38, full ? ys : xs);
  r.set_i16(40, xs / 8);
  r.set_i16(42, ys / 13);
  r.set_i16(44, 8);
  r.set_i16(46, 13);
  r.set_i16(48, ys - 1);
  return r;
}

TEST_P(SessionPackets, ALevelBelowSixIsRefusedWithItsMessage) {
  auto s = start();
  // The request comes back as it was, with status 0: nothing was set up.
  for (int flags : {0x8007, 0x0007}) {
    Packet request = adiclient::pinit(flags, 5, "old");
    Packet want = request;
    want.set_i16(2, 0);
    EXPECT_EQ(ask(*s, request).bytes, want.bytes) << flags;
  }
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  s->reply();
  EXPECT_NE(adiclient::channel_text(s->driver.out).find("This driver needs ADI 4.0 or greater."), std::string::npos);
  // A refused session must not write a configuration it never read.
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(110, 4)));
  s->reply();
  struct stat st;
  EXPECT_NE(stat((cfg.path + "/tester.cnf").c_str(), &st), 0);
}

TEST_P(SessionPackets, LevelEightOpensTheSessionAndPrintsTheBanner) {
  auto s = start();
  EXPECT_EQ(ask(*s, adiclient::pinit(0x8007, 8, "drawing")).i16(2), 1);
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  s->reply();
  std::string out = adiclient::channel_text(s->driver.out);
  EXPECT_NE(out.find("*    ZARN ADI 4.2 DRIVER                         *"), std::string::npos) << out;
  EXPECT_NE(out.find("*    AutoCAD ZARN Release 12,                    *"), std::string::npos);
  EXPECT_NE(out.find("*    for Kova GL Server                          *"), std::string::npos);
  EXPECT_NE(out.find(std::string(GetParam().name) == "rcKovaGL2" ? "3.35" : "3.32"), std::string::npos);
  // The configuration file was made on the first start.
  EXPECT_EQ(read_file(cfg.path + "/tester.cnf").size(), 524u);
}

TEST_P(SessionPackets, LevelsSixAndEightWithAndWithoutTheFullSessionFlagAreAnsweredAlike) {
  auto s = start();
  int xs = 0, ys = 0;
  drawing_area_size(xs, ys);
  // Level 8 is the answer to both; without the full-session flag the screen
  // height is given as the width. The screen-menu rows are the side menu's
  // boxes (at most the rows of the area; their count is the side menu's
  // own test), the same in every answer.
  int rows = -1;
  for (int level : {6, 8})
    for (int flags : {0x8007, 0x0007}) {
      const Packet request = adiclient::pinit(flags, level, "drawing");
      const Packet got = ask(*s, request);
      if (rows < 0) rows = got.i16(22);
      Packet want = init_reply(request, xs, ys);
      EXPECT_GT(rows, 0);
      EXPECT_LE(rows, want.i16(22));
      want.set_i16(22, rows);
      EXPECT_EQ(got.bytes, want.bytes) << level << " " << flags;
      EXPECT_EQ(ask(*s, Packet(2, 4)).bytes, Packet(2, 4).bytes);
    }
}

TEST_P(SessionPackets, InfoAnswersTheSessionsScreenAndPreinitOpensItAgain) {
  auto s = start();
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(0x0007, 6, "shade")));
  Packet r = s->reply();
  EXPECT_EQ(r.i16(2), 1);
  Packet info(75, 120);
  ASSERT_TRUE(adiclient::send_packet(s->driver, info));
  Packet i = s->reply();
  EXPECT_EQ(i.size(), 120u);
  EXPECT_EQ(i.i16(40), r.i16(36));
  EXPECT_EQ(i.i16(20), 1);
  EXPECT_EQ(i.i16(22), 96);
  EXPECT_EQ(i.i16(38), 8);
  Packet again = adiclient::pinit(0x8007, 8, "again");
  again.set_i16(0, 57);
  ASSERT_TRUE(adiclient::send_packet(s->driver, again));
  EXPECT_EQ(s->reply().i16(2), 1);
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(2, 4)));
  EXPECT_EQ(s->reply().size(), 4u);
}

TEST_P(SessionPackets, TheSavedBackgroundColourFillsTheDrawingArea) {
  {
    auto s = start();
    s->open_session();
    ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pkill()));
    s->reply();
    EXPECT_EQ(adiclient::wait_exit(s->driver, 10000).code, 0);
  }
  // Colour 5 (blue) as the graphics background: word 80 at byte 320.
  std::string file = cfg.path + "/tester.cnf";
  std::vector<char> bytes = read_file(file);
  ASSERT_EQ(bytes.size(), 524u);
  bytes[320] = bytes[321] = bytes[322] = 0;
  bytes[323] = 5;
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  auto s = start();
  s->open_session();
  std::string err;
  adiclient::XDisplay *x = adiclient::open_display(err);
  ASSERT_NE(x, nullptr) << err;
  adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
  adiclient::XWindow area = adiclient::find_drawing_area(x, top);
  ASSERT_NE(area, 0u);
  // The picture reaches the window once the driver presents it: waited for.
  std::uint32_t rgb = 0;
  wait_until(s->driver, [&] { return !adiclient::read_pixel(x, area, 40, 40, rgb) || rgb == 0x0000FF; });
  EXPECT_EQ(rgb, 0x0000FFu);
  adiclient::close_display(x);
}

TEST_P(SessionPackets, CallersAreRecordedForTheDisplayClientOnly) {
  auto s = start();
  // A caller kind of no known meaning, first thing in the process: the record
  // in use takes it, and the answer carries the driver's process id.
  Packet who(72, 1192);
  for (std::size_t i = 2; i < who.size(); ++i) who.set_u8(i, 0x5A);
  who.set_i16(14, 77);
  Packet want = who;
  want.set_i16(10, 0);
  want.set_i16(12, 0);
  want.set_u32(1188, static_cast<std::uint32_t>(s->driver.pid));
  EXPECT_EQ(ask(*s, who).bytes, want.bytes);
  // The rendering client's record is not answered.
  Packet rdwho(2058, 1192);
  rdwho.set_i16(14, 1);
  ASSERT_TRUE(adiclient::send_packet(s->driver, rdwho));
  EXPECT_EQ(ask(*s, adiclient::pnop()).bytes, adiclient::pnop().bytes);
}

TEST_P(SessionPackets, ZoomWindowsOfThirtyTwoBitsAreHandedOutAndRefused) {
  auto s = start();
  s->open_session();
  const int viewport = ask(*s, Packet(75, 120)).i16(60);
  auto zoom = [](int flags) {
    Packet p(104, 28);
    for (std::size_t i = 4; i < p.size(); ++i) p.set_u8(i, 0x5A);
    p.set_i16(2, flags);
    return p;
  };
  // No zoom window was made yet: each corner is an empty 32-bit field.
  Packet want = zoom(1);
  want.set_i16(4, 0);
  for (int off : {8, 12, 16, 20}) want.set_i32(off, 0);
  want.set_i16(24, viewport);
  EXPECT_EQ(ask(*s, zoom(1)).bytes, want.bytes);
  // Neither asked for nor refused: the window as it is.
  Packet plain = want;
  plain.set_i16(2, 0);
  plain.set_u16(24, 0x5A5A);
  EXPECT_EQ(ask(*s, zoom(0)).bytes, plain.bytes);
  // A kind the driver does not hand out is refused, the fields left alone.
  Packet refused = zoom(4);
  refused.set_i16(4, 1);
  EXPECT_EQ(ask(*s, zoom(4)).bytes, refused.bytes);
}

TEST_P(SessionPackets, DigitizerInputIsSolicitedOnlyWithTheDigitizerAndNotDuringAShell) {
  auto s = start();
  const Packet xpcomd(26, 4);
  auto answer = [&](const Packet &p) { return ask(*s, p).i16(2); };
  // A session without digitizer packets says why it cannot.
  s->open_session();
  EXPECT_EQ(answer(xpcomd), 0);
  EXPECT_NE(adiclient::channel_text(s->driver.out).find("AutoCAD digitizer is not responding."), std::string::npos);

  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(2, 4)));
  s->reply();
  ASSERT_EQ(ask(*s, adiclient::pinit(0x8017, 8, "digitizer")).i16(2), 1);
  ask(*s, Packet(19, 4));  // the graphics screen
  EXPECT_EQ(answer(xpcomd), 1);
  // The SHELL packets are not answered; once a SHELL has begun, digitizer
  // input is not solicited again in this session, its end notwithstanding.
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(36, 2)));
  EXPECT_EQ(answer(xpcomd), 0);
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(35, 2)));
  EXPECT_EQ(answer(xpcomd), 0);
}

// The graphics window's title: the driver's, the drawing's name, and the mode
// the client names.
std::string window_title(adiclient::XDisplay *x, adiclient::XWindow w) {
  char *name = nullptr;
  std::string title;
  if (XFetchName(reinterpret_cast<Display *>(x), w, &name) && name != nullptr) title = name;
  if (name != nullptr) XFree(name);
  return title;
}

TEST_P(SessionPackets, TheModeMessageShowsInTheTitleUntilAnEmptyOne) {
  auto s = start();
  ASSERT_EQ(ask(*s, adiclient::pinit(0x8007, 8, "plan")).i16(2), 1);
  std::string err;
  adiclient::XDisplay *x = adiclient::open_display(err);
  ASSERT_NE(x, nullptr) << err;
  const adiclient::XWindow top = adiclient::find_top_window(x, adiclient::graphics_title, 10000);
  ASSERT_NE(top, 0u);
  // The title follows once the driver has passed it on: waited for.
  auto title_becomes = [&](const std::string &want) {
    std::string now;
    wait_until(s->driver, [&] { return (now = window_title(x, top)) == want; });
    return now;
  };
  EXPECT_EQ(title_becomes("AutoCAD: KovaGL Graphics -- plan"), "AutoCAD: KovaGL Graphics -- plan");
  // Neither message is answered: the next reply is the next packet's.
  Packet mode(70, 8);
  mode.set_text(2, "DIM");
  ASSERT_TRUE(adiclient::send_packet(s->driver, mode));
  EXPECT_EQ(ask(*s, adiclient::pnop()).bytes, adiclient::pnop().bytes);
  EXPECT_EQ(title_becomes("AutoCAD: KovaGL Graphics -- plan [DIM]"), "AutoCAD: KovaGL Graphics -- plan [DIM]");
  ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(70, 4)));
  EXPECT_EQ(ask(*s, adiclient::pnop()).bytes, adiclient::pnop().bytes);
  EXPECT_EQ(title_becomes("AutoCAD: KovaGL Graphics -- plan"), "AutoCAD: KovaGL Graphics -- plan");
  adiclient::close_display(x);
}

INSTANTIATE_TEST_SUITE_P(Both, SessionPackets, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
