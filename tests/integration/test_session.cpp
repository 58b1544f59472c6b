// Opening and closing a session: pinit at each ADI level, the banner, the
// configuration file and the first picture.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "driver_session.h"

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
};

TEST_P(SessionPackets, ALevelBelowSixIsRefusedWithItsMessage) {
  auto s = start();
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(0x8007, 5, "old")));
  Packet r = s->reply();
  ASSERT_EQ(r.size(), 112u);
  EXPECT_EQ(r.i16(2), 0);
  // The client still gets its own level back: nothing was set up.
  EXPECT_EQ(r.i16(10), 5);
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
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(0x8007, 8, "drawing")));
  Packet r = s->reply();
  EXPECT_EQ(r.i16(2), 1);
  EXPECT_EQ(r.i16(10), 8);
  int xs = r.i16(36);
  EXPECT_GT(xs, 100);
  EXPECT_EQ(r.i16(16), xs - 1);
  EXPECT_EQ(r.i16(24), 135);
  EXPECT_EQ(r.u8(27), 2);
  EXPECT_EQ(r.u8(32), 25);
  EXPECT_EQ(r.u8(33), 80);
  EXPECT_GE(r.i16(18), 37);
  EXPECT_LE(r.i16(22), 64);
  EXPECT_EQ(r.i16(44), 8);  // the hardware font's cell
  EXPECT_EQ(r.i16(46), 13);
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pnop()));
  s->reply();
  std::string out = adiclient::channel_text(s->driver.out);
  EXPECT_NE(out.find("*    ZARN ADI 4.2 DRIVER                         *"), std::string::npos) << out;
  EXPECT_NE(out.find("*    AutoCAD ZARN Release 12,                    *"), std::string::npos);
  EXPECT_NE(out.find("*    for Kova GL Server                          *"), std::string::npos);
  EXPECT_NE(out.find("3.32"), std::string::npos);
  // The configuration file was made on the first start.
  EXPECT_EQ(read_file(cfg.path + "/tester.cnf").size(), 524u);
}

TEST_P(SessionPackets, WithoutTheFullSessionFlagTheScreenHeightIsTheWidth) {
  auto s = start();
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pinit(0x0007, 6, "shade")));
  Packet r = s->reply();
  EXPECT_EQ(r.i16(2), 1);
  EXPECT_EQ(r.i16(38), r.i16(36));
  // pdinfo answers the same screen, and preinit opens the session again.
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
  std::uint32_t rgb = 0;
  for (int tries = 0; tries < 50; ++tries) {
    ASSERT_TRUE(adiclient::read_pixel(x, area, 40, 40, rgb));
    if (rgb == 0x0000FF) break;
    adiclient::pump_driver(s->driver, 100);
  }
  EXPECT_EQ(rgb, 0x0000FFu);
  adiclient::close_display(x);
}

INSTANTIATE_TEST_SUITE_P(Both, SessionPackets, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
