// The 3D packets through the pipe in both programs: malformed packets of
// every kind are survived, a drawing bracket with stored faces keeps the
// replies in step and says on standard output what kind of coloured faces
// came, and a shaded drawing is read back from the window pixel by pixel.
#include <gtest/gtest.h>

#include <limits>

#include "driver_session.h"

using adiclient::Packet;

namespace {

struct P3 {
  double x, y, z;
};

struct Drawing3D : DriverWindowTest {
  int xmax = 0, graphy = 0, ysize = 0, ymin = 0;

  void SetUp() override {
    Packet init;
    open_window_session(adiclient::pinit(0x8007, 8, "drawing3d"), init);
    if (IsSkipped() || HasFatalFailure()) return;
    xmax = init.i16(12);
    graphy = init.i16(14);
    ysize = init.i16(38);
    ymin = ysize - 1 - init.i16(48);
    EXPECT_EQ(ask(adiclient::popenvp(1, 0, 0, xmax, graphy)).opcode(), 38);
  }

  static Packet bracket(int style, std::uint32_t flags) {
    Packet p(95, 12);
    p.set_i16(4, style);
    p.set_u32(8, flags);
    return p;
  }
  // A face packet of opcode 85, 86 or 87 with its flags and positions.
  static Packet face(int opcode, std::uint32_t flags, std::initializer_list<P3> pos, std::size_t length = 272) {
    Packet p(opcode, length);
    p.set_u32(4, flags);
    p.set_i16(8, static_cast<int>(pos.size()));
    std::size_t off = 40;
    for (const P3 &v : pos) {
      p.set_f64(off, v.x);
      p.set_f64(off + 8, v.y);
      p.set_f64(off + 16, v.z);
      off += 24;
    }
    p.set_length(length);
    return p;
  }
  // The window row of pixel row py of the graphics area (y up).
  int row(int py) const { return ysize - 1 - (py + ymin); }
  // The window's colour at pixel (px, py) of the graphics area, waiting a
  // little for hoped_for to arrive.
  std::uint32_t pixel(int px, int py, std::uint32_t hoped_for) {
    return await_pixel(s->driver, x, area, px, row(py), hoped_for);
  }
  // Draws a mark in the top right corner of the graphics area and waits for
  // it: the window has its size and what was sent before is on the screen.
  void settle() {
    Packet p(27, 12);
    p.set_i16(2, xmax - 10), p.set_i16(4, row(graphy - 5)), p.set_i16(6, xmax - 5), p.set_i16(8, row(graphy - 10));
    p.set_i16(10, 4);
    sync(p);
    ASSERT_EQ(pixel(xmax - 7, graphy - 7, 0x00FFFF), 0x00FFFFu);
  }
};

TEST_P(Drawing3D, MalformedPacketsAreSurvived) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<Packet> bad;
  bad.push_back(bracket(9, 0xFFFFFFFFu));
  bad.push_back(face(85, 0, {{1, 1, 1}, {2, 2, 2}, {3, 1, 1}}, 60));        // short for its count
  bad.push_back(face(85, 0x20, {{1, 1, 1}, {2, 2, 2}, {3, 1, 1}}, 150));    // short for its colour
  bad.push_back(face(86, 0x8000, {{nan, 1, 1}, {2, 2, 2}, {3, 1, 1}}));
  bad.push_back(face(87, 0x60, {{1e300, 1, 1}, {2, 2, 2}, {3, 1, 1}}));
  Packet many = face(85, 0x40, {{1, 1, 1}, {2, 2, 2}, {3, 1, 1}});
  many.set_i16(8, 32767);
  bad.push_back(many);
  Packet batch(108, 64);
  batch.set_i16(4, 32767);
  batch.set_u32(8, 8);
  batch.set_i16(8, 85);    // its own header words as a packet
  batch.set_i16(10, 60);   // running past the end
  bad.push_back(batch);
  batch.set_u32(8, 0xFFFFFFF8u);
  bad.push_back(batch);
  Packet vector(88, 40);   // short
  vector.set_u32(4, 0x44);
  bad.push_back(vector);
  Packet segment(94, 6);
  segment.set_i16(4, -1);
  bad.push_back(segment);
  bad.push_back(Packet(82, 2));
  bad.push_back(Packet(84, 2));
  bad.push_back(bracket(1, 4));
  for (const Packet &p : bad) sync(p);
  sync(bracket(1, 1 | 2 | 8));
  sync(face(85, 0, {{1, 1, -1}, {50, 1, -1}, {50, 50, -1}}));
  sync(bracket(1, 4));
  sync(adiclient::pnop());
  ASSERT_TRUE(adiclient::send_packet(s->driver, adiclient::pkill()));
  s->reply();
  EXPECT_EQ(adiclient::wait_exit(s->driver, 10000).code, 0);
  EXPECT_EQ(s->err_text().find("FATAL"), std::string::npos) << s->err_text();
}

TEST_P(Drawing3D, ColouredFacesSayWhatTheyCarry) {
  sync(bracket(3, 1));
  Packet coloured = face(87, 0x20, {{1, 1, -1}, {50, 1, -1}, {50, 50, -1}});
  for (std::size_t i = 0; i < 3; ++i) coloured.set_f64(144 + 32 * i, 1);
  sync(coloured);
  sync(face(87, 0, {{1, 1, -1}, {50, 50, -1}}));
  Packet batch(108, 16 + 272);
  batch.set_i16(4, 1);
  batch.set_u32(8, 16);
  const Packet inner = face(87, 0x20, {{5, 5, -1}, {9, 5, -1}, {9, 9, -1}});
  std::copy(inner.bytes.begin(), inner.bytes.end(), batch.bytes.begin() + 16);
  batch.set_i16(18, 272);
  sync(batch);
  sync(bracket(3, 4));
  EXPECT_TRUE(wait_until(s->driver, [&] {
    return adiclient::channel_text(s->driver.out).find("PCPOLY3: ColorsPCPOLY3: Not ColorsPCPOLY3: Colors") !=
           std::string::npos;
  })) << adiclient::channel_text(s->driver.out);
}

// A lit face, a face in front of another, a culled face and a face with
// vertex colours, in viewport 1 over the graphics area in pixel units, drawn
// for the drawing client (the second program takes a caller that has not
// said who it is on a path of its own).
TEST_P(Drawing3D, ShadedDrawingReadBack) {
  Packet ortho(80, 56);
  ortho.set_i16(4, 1);
  ortho.set_f64(8, 0);
  ortho.set_f64(16, -100);
  ortho.set_f64(24, 0);
  ortho.set_f64(32, xmax + 1);
  ortho.set_f64(40, 0);
  ortho.set_f64(48, graphy + 1);
  Packet view(79, 136);
  view.set_i16(4, 1);
  for (int i = 0; i < 4; ++i) view.set_f64(8 + (4 * i + i) * 8, 1);
  Packet light(89, 144);
  light.set_i16(4, 0);
  light.set_i16(6, 1);            // directional
  light.set_f64(48, -1);          // shining down -z
  light.set_f64(80, 1);           // intensity
  light.set_i16(88, 2);           // white
  Packet material(92, 146);
  material.set_f64(16, 0.6);      // diffuse only
  material.set_i16(48, 2);
  material.set_i16(80, 2);
  material.set_i16(112, 2);

  Packet who(72, 1192);
  who.set_i16(4, 1);    // the drawing client
  who.set_i16(14, 1);
  ask(who);
  settle();
  sync(bracket(3, 1 | 2 | 8));
  sync(ortho);
  sync(view);
  sync(light);
  sync(material);
  // Lit, facing the light: 0.6 of white.
  sync(face(85, 0, {{20, 20, -50}, {120, 20, -50}, {120, 120, -50}, {20, 120, -50}}));
  // In front of it, red, over its right part.
  Packet red = face(85, 0x20, {{80, 60, -10}, {160, 60, -10}, {160, 100, -10}, {80, 100, -10}});
  red.set_f64(144, 1);
  sync(red);
  // Clockwise: culled.
  Packet culled = face(85, 0x20, {{200, 20, -20}, {200, 80, -20}, {260, 20, -20}});
  culled.set_f64(152, 1);
  sync(culled);
  // Vertex colours from black to blue along x.
  Packet shaded = face(87, 0x20, {{200, 120, -20}, {300, 120, -20}, {300, 180, -20}, {200, 180, -20}});
  shaded.set_f64(144 + 32 + 16, 1);
  shaded.set_f64(144 + 64 + 16, 1);
  sync(shaded);
  sync(bracket(3, 4));

  EXPECT_EQ(pixel(40, 40, 0x999999), 0x999999u);   // the picture is there
  EXPECT_EQ(pixel(100, 80, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(pixel(140, 80, 0xFF0000), 0xFF0000u);
  EXPECT_EQ(pixel(210, 40, 0x000000), 0x000000u);
  // Blue from 0 at x 200 to 255 at x 300.
  std::uint32_t left = 0, middle = 0, right = 0;
  ASSERT_TRUE(adiclient::read_pixel(x, area, 210, row(150), left));
  ASSERT_TRUE(adiclient::read_pixel(x, area, 250, row(150), middle));
  ASSERT_TRUE(adiclient::read_pixel(x, area, 290, row(150), right));
  EXPECT_EQ(middle >> 8, 0u);
  EXPECT_NEAR(static_cast<int>(middle), 0x80, 3);
  EXPECT_LT(left, middle);
  EXPECT_LT(middle, right);
}

// A client that has not said who it is, drawing a face at once inside the
// bracket: the face shows when the bracket ends, also where the second
// program draws such a client's frame out of sight and swaps it in.
TEST_P(Drawing3D, AFrameDrawnAtOnceShowsWhenItsBracketEnds) {
  Packet ortho(80, 56);
  ortho.set_i16(4, 1);
  ortho.set_f64(16, -100);
  ortho.set_f64(32, xmax + 1);
  ortho.set_f64(48, graphy + 1);
  Packet view(79, 136);
  view.set_i16(4, 1);
  for (int i = 0; i < 4; ++i) view.set_f64(8 + (4 * i + i) * 8, 1);
  settle();
  sync(bracket(3, 1 | 2));
  sync(ortho);
  sync(view);
  Packet red = face(85, 0x40 | 0x20, {{20, 20, -50}, {120, 20, -50}, {120, 120, -50}, {20, 120, -50}});
  red.set_f64(144, 1);
  sync(red);
  sync(bracket(3, 4));
  EXPECT_EQ(pixel(60, 60, 0xFF0000), 0xFF0000u);
  settle();   // 2D drawing after the bracket shows too
}

INSTANTIATE_TEST_SUITE_P(Both, Drawing3D, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
