// The prompt area the driver draws when there is no command area: the
// client's prompt text shows in the band at the bottom of the window, and the
// screen switches answer as the client expects.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <string>

#include "driver_session.h"

using adiclient::Packet;

namespace {

struct PromptArea : ::testing::TestWithParam<Program> {
  TempDir dir;
  std::unique_ptr<Session> s;
  adiclient::XDisplay *x = nullptr;
  adiclient::XWindow area = 0;
  int ysize = 0, lines = 0, cw = 0, ch = 0;
  bool first = GetParam().path == std::string(KOVA_DRIVER1);

  void SetUp() override {
    if (!have_display()) GTEST_SKIP() << "no X display";
    // The graphics window's resources: no command area.
    std::ofstream(dir.path + "/xresources") << "*useCommandArea: False\n";
    s = std::make_unique<Session>(GetParam());
    s->options.set_env = isolated_env(dir.path);
    s->options.set_env.push_back("XENVIRONMENT=" + dir.path + "/xresources");
    s->start();
    Packet r = exchange(adiclient::pinit(0x8007, 8, "prompt"));
    ASSERT_EQ(r.i16(2), 1);
    ysize = r.i16(38), lines = r.u8(26), cw = r.i16(44), ch = r.i16(46);
    // The drawing area ends above the prompt lines.
    ASSERT_GE(ysize - r.i16(48) - 1, lines * ch + 1);
    std::string err;
    x = adiclient::open_display(err);
    ASSERT_NE(x, nullptr) << err;
    area = adiclient::find_drawing_area(x, adiclient::find_top_window(x, adiclient::graphics_title, 10000));
    ASSERT_NE(area, 0u);
  }
  void TearDown() override {
    if (x) adiclient::close_display(x);
    s.reset();
  }

  Packet exchange(const Packet &p) {
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
    return s->reply();
  }
  // Pixels of the top prompt line by colour (window rows count from the top).
  std::map<std::uint32_t, int> top_line() {
    adiclient::Image image;
    EXPECT_TRUE(adiclient::grab_window(x, area, image));
    std::map<std::uint32_t, int> colours;
    for (int y = image.height - lines * ch; y < image.height - (lines - 1) * ch; ++y)
      for (int i = 0; i < image.width; ++i) {
        const std::uint8_t *p = &image.rgb[static_cast<std::size_t>(3 * (y * image.width + i))];
        ++colours[static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2])];
      }
    return colours;
  }
};

TEST_P(PromptArea, PromptTextShowsInThePromptBand) {
  // The first switch to graphics answers 4 (the second program 0) and shows
  // the prompt cursor, solid or hollow, whose left edge is in the text colour.
  EXPECT_EQ(exchange(Packet(19, 4)).i16(2), first ? 4 : 0);
  std::map<std::uint32_t, int> before;
  std::uint32_t text = 0;
  bool read = true;
  wait_until(s->driver, [&] {
    before = top_line();
    read = adiclient::read_pixel(x, area, cw, ysize - 1 - ((lines - 1) * ch + ch / 2), text);
    return !read || (before[text] > 0 && before[text] <= cw * ch);
  });
  ASSERT_TRUE(read);
  ASSERT_GT(before[text], 0);
  ASSERT_LE(before[text], cw * ch);

  EXPECT_TRUE(adiclient::send_packet(s->driver, Packet(14, 2)));  // ptprompt
  for (char c : std::string("Command: LINE")) {
    Packet p(9, 4);
    p.set_i16(2, static_cast<unsigned char>(c));
    EXPECT_TRUE(adiclient::send_packet(s->driver, p));
  }
  exchange(adiclient::pnop());
  std::map<std::uint32_t, int> after;
  wait_until(s->driver, [&] { return (after = top_line())[text] > before[text] + 100; });
  EXPECT_GT(after[text], before[text] + 100);
  EXPECT_LT(after[text], before[text] + 13 * cw * ch);
}

TEST_P(PromptArea, ScreenSwitchesAreEchoed) {
  EXPECT_EQ(exchange(Packet(17, 4)).size(), 4u);  // pgotext
  EXPECT_EQ(exchange(Packet(18, 6)).size(), 6u);  // pgotextu
  Packet show(54, 4);
  EXPECT_EQ(exchange(show).opcode(), 54);
  // After the first switch to graphics the second program echoes the
  // packet's own value; the first answers 4 every time.
  exchange(Packet(19, 4));
  Packet graph(19, 4);
  graph.set_i16(2, 7);
  EXPECT_EQ(exchange(graph).i16(2), first ? 4 : 7);
  // The screen-menu highlight and its removal answer 0.
  for (int op : {11, 12}) {
    Packet p(op, 8);
    p.set_i16(2, 9);
    EXPECT_EQ(exchange(p).i16(2), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Both, PromptArea, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
