// The rendering packets through the pipe in both programs: a shading client
// sets up, loads a colour, draws polygons and scan lines, reads them back,
// and finds its image again at its next start; a full session's stored scan
// line comes back after an exposure; malformed packets are survived.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "driver_session.h"

// After the test framework: Xlib defines None.
#include <X11/Xlib.h>

using adiclient::Packet;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

// A packet with 16-bit fields (offset, value).
Packet packet(int opcode, std::size_t length, std::initializer_list<std::pair<std::size_t, int>> fields = {}) {
  Packet p(opcode, length);
  for (const auto &[off, value] : fields) p.set_i16(off, value);
  return p;
}

Packet rdpoly(int fill, int edge, std::initializer_list<std::pair<int, int>> v) {
  Packet p = packet(2010, 56, {{10, fill}, {12, edge}, {14, static_cast<int>(v.size())}});
  std::size_t j = 0;
  for (const auto &[vx, vy] : v) p.set_i16(16 + 2 * j, vx), p.set_i16(36 + 2 * j++, vy);
  return p;
}

Packet rdwsline(int mode, int px, int py, const std::vector<int> &bytes) {
  Packet p = packet(2014, 18, {{8, mode}, {10, px}, {12, py}, {14, 1}, {16, static_cast<int>(bytes.size())}});
  for (int b : bytes) p.bytes.push_back(static_cast<std::uint8_t>(b));
  return p;
}

struct Rendering : DriverWindowTest {
  int width = 0, height = 0;   // of the window, from rdinit
  int graphics_bottom = 0;      // the lowest row of a full session's graphics area
  Packet rdinit_reply;

  // A session of the client kind, then rdinit with its flags.
  void start(int client, int rdinit_flags) {
    Packet init;
    open_window_session(adiclient::pinit(client, 8, "rendering"), init);
    if (IsSkipped() || HasFatalFailure()) return;
    graphics_bottom = init.i16(38) - 1 - init.i16(48);
    rdinit_reply = ask(packet(2001, 104, {{8, rdinit_flags}}));
    width = rdinit_reply.u16(10);
    height = rdinit_reply.u16(12);
    ASSERT_GT(width, 300);
    ASSERT_GT(height, 200);
  }
  // Renders at the colour depth given from the next start on: the
  // configuration file the first start writes, with word 103 changed.
  void configure_depth(int depth) {
    if (!have_display()) GTEST_SKIP() << "no X display";
    Session first(GetParam());
    first.options.set_env = isolated_env(cfg.path);
    first.start();
    first.open_session();
    ASSERT_TRUE(adiclient::send_packet(first.driver, adiclient::pkill()));
    first.reply();
    ASSERT_EQ(adiclient::wait_exit(first.driver, 10000).code, 0);
    std::fstream file(cfg.path + "/tester.cnf", std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_EQ(file.seekg(0, std::ios::end).tellg(), 524);
    const char word[4] = {0, 0, static_cast<char>(depth >> 8), static_cast<char>(depth)};
    ASSERT_TRUE(file.seekp(412).write(word, 4).flush());
  }
  // The window's colour at (px, py), y up, waiting a little for hoped_for.
  std::uint32_t pixel(int px, int py, std::uint32_t hoped_for) {
    return await_pixel(s->driver, x, area, px, height - 1 - py, hoped_for);
  }
};

TEST_P(Rendering, AShadingClientDrawsReadsBackAndFindsItsImageAgain) {
  start(0x2000, 2);   // the image is to be kept
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(rdinit_reply.u16(8), 0x4802u | 0x10 | 0x380 | 2);
  EXPECT_EQ(rdinit_reply.u16(18), 0u);
  EXPECT_EQ(rdinit_reply.text(24), "KovaGL Display for Zarn 5 - by Marrowfield Labs");
  const Packet info = ask(packet(2057, 58));
  EXPECT_EQ(info.u32(12), 0x581u);
  EXPECT_EQ(info.u32(20), 4094u);
  EXPECT_EQ(info.u16(54), 1);   // single buffered for this client
  EXPECT_EQ(ask(packet(77, 10, {{2, 9}})).u16(8), 65535);
  EXPECT_EQ(ask(packet(2061, 12)).u16(10), 1);

  // Colour 0 loaded: the background a finished image leaves.
  sync(packet(2007, 8));
  sync(packet(2008, 16, {{10, 10}, {12, 20}, {14, 30}}));
  EXPECT_EQ(ask(packet(2016, 18, {{8, -1}, {16, 1}})).u16(10), 1);

  sync(packet(2002, 8));
  Packet range = packet(2012, 56, {{24, 1}});
  range.set_f64(16, 1);
  range.set_f64(48, 1);   // blue
  sync(range);
  sync(packet(2006, 8));
  sync(rdpoly(1, 1, {{20, 20}, {60, 20}, {60, 60}, {20, 60}}));
  Packet quad = packet(2013, 160, {{72, 4}, {74, 100}, {76, 200}, {78, 200}, {80, 100}, {94, 20}, {96, 20},
                                   {98, 60}, {100, 60}});
  quad.set_f64(24, 1);    // green, in shade 1
  quad.set_f64(64, 1);
  sync(quad);
  const std::vector<int> row = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};
  sync(rdwsline(2, 20, 100, row));

  EXPECT_EQ(pixel(40, 40, kRed), kRed);
  EXPECT_EQ(pixel(150, 40, kGreen), kGreen);
  EXPECT_EQ(pixel(250, 40, kBlue), kBlue);
  EXPECT_EQ(pixel(20, 100, 0x302010), 0x302010u);
  EXPECT_EQ(pixel(22, 100, 0x908070), 0x908070u);
  const Packet back = ask(packet(2015, 18 + 9, {{8, 2}, {10, 20}, {12, 100}, {16, 9}}));
  EXPECT_EQ(back.u16(14), 1);
  EXPECT_EQ(std::vector<int>(back.bytes.begin() + 18, back.bytes.end()), row);

  // The end keeps the image and leaves the background; the next start puts
  // the image back.
  sync(packet(2003, 8));
  EXPECT_EQ(pixel(40, 40, 0x0A141E), 0x0A141Eu);
  sync(packet(2002, 8));
  EXPECT_EQ(pixel(40, 40, kRed), kRed);
  EXPECT_EQ(pixel(20, 100, 0x302010), 0x302010u);
  sync(packet(2003, 8));
  sync(packet(2004, 8));
}

// At 8 bits every index comes back as itself, also those the default map
// gives the colour of another (255 is white as 7 is), and a colour loaded
// after the drawing recolours what was drawn in that index, the kept image
// too.
TEST_P(Rendering, EightBitIndicesComeBackAsThemselvesAndFollowTheMap) {
  configure_depth(8);
  if (IsSkipped() || HasFatalFailure()) return;
  start(0x2000, 2);
  if (IsSkipped() || HasFatalFailure()) return;
  EXPECT_EQ(rdinit_reply.u16(18), 256u);
  std::vector<int> all(256);
  std::iota(all.begin(), all.end(), 0);
  const auto read_back = [&](int px, int py, int n) {
    const Packet back = ask(packet(2015, 18 + static_cast<std::size_t>(n), {{8, 2}, {10, px}, {12, py}, {16, n}}));
    return std::vector<int>(back.bytes.begin() + 18, back.bytes.end());
  };
  const auto message = [&](const std::vector<Packet> &run) {
    ASSERT_TRUE(adiclient::send_message(s->driver, run));
    ask(adiclient::pnop());
  };
  sync(packet(2002, 8));
  sync(packet(2006, 8));
  // One by one and batched in one message.
  sync(rdwsline(2, 20, 100, all));
  message({rdpoly(255, 255, {{20, 20}, {60, 20}, {60, 60}, {20, 60}}),
           rdpoly(7, 7, {{100, 20}, {140, 20}, {140, 60}, {100, 60}})});
  EXPECT_EQ(read_back(20, 100, 256), all);
  EXPECT_EQ(read_back(40, 40, 1), std::vector<int>{255});
  EXPECT_EQ(read_back(120, 40, 1), std::vector<int>{7});
  EXPECT_EQ(pixel(21, 100, kRed), kRed);

  // Index 1 becomes blue and 255 green: the window shows it, the indices stay.
  message({packet(2008, 16, {{8, 1}, {10, 0}, {12, 0}, {14, 255}}),
           packet(2008, 16, {{8, 255}, {10, 0}, {12, 255}, {14, 0}})});
  EXPECT_EQ(pixel(21, 100, kBlue), kBlue);
  EXPECT_EQ(pixel(40, 40, kGreen), kGreen);
  EXPECT_EQ(pixel(120, 40, 0xFFFFFF), 0xFFFFFFu);
  EXPECT_EQ(read_back(20, 100, 256), all);
  EXPECT_EQ(read_back(40, 40, 1), std::vector<int>{255});

  // Kept at the end, loaded red again, and put back at the next start in red.
  sync(packet(2003, 8));
  sync(packet(2008, 16, {{8, 1}, {10, 255}}));
  sync(packet(2002, 8));
  EXPECT_EQ(pixel(21, 100, kRed), kRed);
  EXPECT_EQ(read_back(20, 100, 256), all);
  sync(packet(2003, 8));
  sync(packet(2004, 8));
}

TEST_P(Rendering, AStoredScanLineComesBackAfterAnExposure) {
  start(0x8007, 0);
  if (IsSkipped() || HasFatalFailure()) return;
  ask(packet(38, 16, {{2, 1}, {8, 400}, {10, 200}, {12, 32765}, {14, 32765}}));
  ask(packet(23, 8, {{6, 1}}));   // viewport 1 becomes the current one
  // A full session outside a rendering gives lines 3 rows above where they go.
  const int y = graphics_bottom + 100;
  sync(rdwsline(4, 50, y + 3, {0xFF, 0, 0, 0, 0xFF, 0}));
  ASSERT_EQ(pixel(50, y, kBlue), kBlue);
  ASSERT_EQ(pixel(51, y, kGreen), kGreen);
  adiclient::blacken_tree(x, area, true);
  EXPECT_EQ(pixel(50, y, kBlue), kBlue);
  EXPECT_EQ(pixel(51, y, kGreen), kGreen);
}

TEST_P(Rendering, MalformedPacketsAreSurvived) {
  start(0x8007, 0);
  if (IsSkipped() || HasFatalFailure()) return;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<Packet> bad = {
      packet(2014, 20, {{8, 2}, {10, -32768}, {14, -1}, {16, -1}}),   // far more than it carries
      packet(2014, 20, {{8, 4}, {16, -1}}),
      packet(2015, 18, {{8, 6}, {16, -1}}),
      packet(2010, 56, {{14, 32767}}),
      packet(2010, 56, {{8, 2}, {14, -5}}),
      packet(2008, 16, {{8, 9999}}),
      packet(89, 100, {{4, 7}, {6, 3}, {88, 1}, {96, -1}, {98, -7}}),
      packet(80, 56),
      packet(92, 10),
      packet(93, 20),
      packet(79, 12),
  };
  for (int k = 0; k < 5; ++k) bad.push_back(packet(2010, 56, {{8, 1}, {14, 60}}));   // 50 vertices gathered
  Packet shaded = packet(2013, 80, {{8, 16}, {72, 3}});
  shaded.set_f64(16, nan);
  Packet range = packet(2012, 30, {{24, 1}});
  range.set_f64(8, nan);
  Packet persp = packet(81, 32);
  persp.set_f64(8, nan);
  bad.insert(bad.end(), {shaded, range, persp});
  bad[6].set_f64(80, 1e300);
  for (const Packet &p : bad) sync(p);
  for (int opcode : {2001, 2016, 2057, 77}) ask(packet(opcode, 8));
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pkill()));
  s->reply();
  EXPECT_EQ(adiclient::wait_exit(s->driver, 10000).code, 0) << s->err_text();
  EXPECT_EQ(s->err_text().find("FATAL"), std::string::npos) << s->err_text();
}

INSTANTIATE_TEST_SUITE_P(Both, Rendering, ::testing::ValuesIn(kPrograms), program_name);

// A display client's lit face in viewport 1 over the graphics area, in pixel
// units, a little diffuse and mostly specular, under a light that falls in at
// 45 degrees.
struct Materials : DriverWindowTest {
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void SetUp() override {
    Packet init;
    open_window_session(adiclient::pinit(0x8007, 8, "materials"), init);
    if (IsSkipped() || HasFatalFailure()) return;
    xmax = init.i16(12);
    graphy = init.i16(14);
    ysize = init.i16(38);
    ymin = ysize - 1 - init.i16(48);
    ask(packet(38, 16, {{2, 1}, {8, xmax}, {10, graphy}, {12, 32765}, {14, 32765}}));
    // A client of its own application (not a direct one), whose faces are
    // drawn when the drawing ends.
    Packet who(72, 1192);
    who.set_i16(4, 7);
    who.set_i16(14, 1);
    ask(who);
  }
  // The red of the window at pixel (px, py) of the graphics area once the
  // face is there.
  int red(int px, int py) {
    std::uint32_t rgb = 0;
    wait_until(s->driver, [&] { return adiclient::read_pixel(x, area, px, ysize - 1 - (py + ymin), rgb) && rgb != 0; });
    return static_cast<int>(rgb >> 16);
  }
};

// The first program takes a shininess of 0.5 as the exponent 64, a narrow
// highlight that misses the face; the second as the exponent 0.5 itself, a
// broad one that lights all of it.
TEST_P(Materials, ShininessIsAFractionOfTheExponentOnlyInTheFirstProgram) {
  Packet begin(95, 12), end(95, 12);
  begin.set_i16(4, 3);
  begin.set_u32(8, 1 | 2 | 8);
  end.set_i16(4, 3);
  end.set_u32(8, 4);
  sync(begin);
  Packet ortho = packet(80, 56, {{4, 1}});
  ortho.set_f64(16, -100);
  ortho.set_f64(32, xmax + 1);
  ortho.set_f64(48, graphy + 1);
  sync(ortho);
  Packet view = packet(79, 136, {{4, 1}});
  for (std::size_t i = 0; i < 4; ++i) view.set_f64(8 + 5 * i * 8, 1);
  sync(view);
  Packet light = packet(89, 144, {{6, 1}, {88, 2}});   // directional, white
  light.set_f64(40, -1);
  light.set_f64(48, -1);
  light.set_f64(80, 1);
  sync(light);
  Packet material = packet(92, 146, {{48, 2}, {80, 2}, {112, 2}});   // white, a little diffuse
  material.set_f64(16, 0.1);
  material.set_f64(24, 1);
  material.set_f64(32, 0.5);
  sync(material);
  Packet face(85, 272);
  face.set_i16(8, 4);
  const double corners[4][2] = {{20, 20}, {120, 20}, {120, 120}, {20, 120}};
  for (std::size_t k = 0; k < 4; ++k) {
    face.set_f64(40 + 24 * k, corners[k][0]);
    face.set_f64(48 + 24 * k, corners[k][1]);
    face.set_f64(56 + 24 * k, -50);
  }
  sync(face);
  sync(end);
  const bool second = std::string(GetParam().name) == "rcKovaGL2";
  for (const auto &[px, py] : {std::pair{30, 30}, std::pair{70, 70}, std::pair{110, 110}}) {
    const int r = red(px, py);
    if (second)
      EXPECT_GT(r, 0xC0) << px;
    else
      EXPECT_LT(r, 0x20) << px;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, Materials, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
