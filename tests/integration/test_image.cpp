// Quick plots through the pipe: the current viewport, as the window shows it
// (the first program's overlay cursor in it, the second's left out), in the
// first free "qplot_NNNN.rgb" of the driver's working directory, as Pillow
// and netpbm read it; and file errors, which the driver reports and survives.
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "../support/image_readers.h"
#include "driver_session.h"

using adiclient::Packet;

namespace {

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kWhite = 0xFFFFFF;

// Runs the driver in a directory: the working directory while it starts.
struct WorkingDirectory {
  char old[PATH_MAX] = {};
  explicit WorkingDirectory(const std::string &dir) {
    if (getcwd(old, sizeof old) == nullptr || chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
  }
  ~WorkingDirectory() {
    if (old[0] != '\0' && chdir(old) != 0) ADD_FAILURE() << "cannot go back to " << old;
  }
};

struct QuickPlot : DriverWindowTest {
  TempDir work;
  int xsize = 0, ysize = 0, ymin = 0;
  // Viewport 1, in window pixels with y up from the bottom.
  static constexpr int kX1 = 60, kX2 = 359, kY1 = 40, kY2 = 239;

  void SetUp() override {
    ASSERT_FALSE(work.path.empty());
    Packet reply;
    {
      WorkingDirectory in(work.path);
      open_window_session(adiclient::pinit(0x8007, 8, "qplot"), reply);
    }
    if (IsSkipped() || HasFatalFailure()) return;
    ysize = reply.i16(38);
    ymin = ysize - 1 - reply.i16(48);
    int height = 0;
    ASSERT_TRUE(adiclient::window_size(x, area, xsize, height));
  }

  // Opens a viewport over pixels x1..x2 by y1..y2 of the graphics area, ten
  // view units a pixel.
  void open_viewport(int number, int x1, int y1, int x2, int y2) {
    EXPECT_EQ(ask(adiclient::popenvp(number, x1, y1, x2, y2)).opcode(), 38);
    Packet view(40, 16);
    view.set_i16(2, number);
    view.set_i16(8, 10 * (x2 - x1 + 1) - 1);
    view.set_i16(10, 10 * (y2 - y1 + 1) - 1);
    EXPECT_EQ(ask(view).opcode(), 40);
  }
  void fill_box(int number, int colour, int x1, int y1, int x2, int y2) {
    Packet fill(6, 58);
    fill.set_i16(2, colour);
    fill.set_i16(6, 4);
    const int xy[] = {x1, y1, x2, y1, x2, y2, x1, y2};
    for (int k = 0; k < 8; ++k) fill.set_i16(8 + 2 * k, xy[k]);
    fill.set_i16(56, number);
    sync(fill);
  }
  void make_current(int number) {
    Packet mark(7, 14);
    mark.set_i16(10, number);
    ask(mark);
  }
  // Viewport 1 current with a red and a green box; viewport 2 beside it.
  void draw_picture(int x2 = kX2) {
    open_viewport(2, 400, 40, 499, 89);
    fill_box(2, 3, 100, 100, 800, 400);
    open_viewport(1, kX1, kY1 - ymin, x2, kY2 - ymin);
    fill_box(1, 1, 300, 300, 1500, 1500);
    fill_box(1, 3, 1200, 800, 2600, 1800);
    make_current(1);
  }
  int qplot() { return ask(Packet(15, 4)).i16(2); }

  // The arrow's white fill just below its tip at window pixel (cx, cy),
  // counted from the top as the packet counts.
  bool cursor_shown(int cx, int cy, bool shown) {
    return wait_until(s->driver, [&] {
      std::uint32_t rgb = 0;
      return adiclient::read_pixel(x, area, cx + 1, cy + 2, rgb) && (rgb == kWhite) == shown;
    });
  }

  // The window's pixels x1..x2 by y1..y2 (y up from the bottom), top row
  // first, as a reader gives an image.
  Pnm window_part(int x1, int y1, int x2, int y2) {
    adiclient::Image shot;
    EXPECT_TRUE(adiclient::grab_window(x, area, shot));
    Pnm p;
    p.width = x2 - x1 + 1;
    p.height = y2 - y1 + 1;
    p.channels = 3;
    p.maxval = 255;
    for (int row = 0; row < p.height; ++row)
      for (int col = 0; col < p.width; ++col)
        for (int c = 0; c < 3; ++c)
          p.values.push_back(shot.rgb.at((static_cast<std::size_t>(shot.height - 1 - (y2 - row)) * shot.width +
                                          (x1 + col)) * 3 + c));
    return p;
  }
  // The file as both readers see it: the same pixels.
  Pnm read_plot(const std::string &name) {
    Pnm pillow, netpbm;
    EXPECT_TRUE(read_with_pillow(work.path + "/" + name, pillow)) << name;
    EXPECT_TRUE(read_with_netpbm(work.path + "/" + name, netpbm)) << name;
    EXPECT_EQ(netpbm.values, pillow.values);
    return pillow;
  }
  static std::size_t count(const Pnm &p, std::uint32_t rgb) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 2 < p.values.size(); i += 3)
      n += (static_cast<std::uint32_t>(p.values[i]) << 16 | p.values[i + 1] << 8 | p.values[i + 2]) == rgb;
    return n;
  }
  std::set<std::string> files() const {
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(work.path)) names.insert(e.path().filename());
    return names;
  }
};

TEST_P(QuickPlot, TheCurrentViewportIsSavedAsTheWindowShowsIt) {
  draw_picture();
  const int cx = 200, cy = ysize - 1 - 140;  // in viewport 1
  Packet cursor(33, 76);
  cursor.set_i16(2, cx);
  cursor.set_i16(4, cy);
  ASSERT_TRUE(adiclient::send_packet(s->driver, cursor));
  ASSERT_TRUE(cursor_shown(cx, cy, true));

  ASSERT_EQ(qplot(), 1);
  const Pnm plot = read_plot("qplot_0000.rgb");
  EXPECT_GT(count(plot, kRed), 1000u);
  EXPECT_GT(count(plot, kGreen), 1000u);
  const Pnm with_cursor = window_part(kX1, kY1, kX2, kY2);
  if (std::string(GetParam().name) == "rcKovaGL") {
    EXPECT_TRUE(plot.values == with_cursor.values);
  } else {
    // The second program saves the normal planes alone.
    EXPECT_FALSE(plot.values == with_cursor.values);
    ASSERT_TRUE(adiclient::send_packet(s->driver, Packet(34, 4)));
    ASSERT_TRUE(cursor_shown(cx, cy, false));
    EXPECT_TRUE(plot.values == window_part(kX1, kY1, kX2, kY2).values);
  }

  ASSERT_EQ(qplot(), 1);
  EXPECT_EQ(read_plot("qplot_0001.rgb").width, kX2 - kX1 + 1);
  EXPECT_EQ(files(), (std::set<std::string>{"qplot_0000.rgb", "qplot_0001.rgb"}));
}

TEST_P(QuickPlot, AViewportWiderThanTheWindowIsSavedUpToItsEdge) {
  draw_picture(xsize + 300);
  ASSERT_EQ(qplot(), 1);
  const Pnm plot = read_plot("qplot_0000.rgb");
  EXPECT_EQ(plot.width, xsize - kX1);
  EXPECT_TRUE(plot.values == window_part(kX1, kY1, xsize - 1, kY2).values);
}

TEST_P(QuickPlot, NoFreeNameOrNoDirectoryWritesNothingAndTheDriverGoesOn) {
  draw_picture();
  for (int i = 0; i < 10000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/qplot_%04d.rgb", i);
    std::ofstream(work.path + name);
  }
  EXPECT_EQ(qplot(), 0);
  EXPECT_TRUE(wait_until(s->driver, [&] {
    return s->err_text().find("QPLOT: Maximum file count <10000> exceeded.\n") != std::string::npos;
  }));
  EXPECT_EQ(files().size(), 10000u);

  std::filesystem::remove_all(work.path);
  EXPECT_EQ(qplot(), 0);
  EXPECT_TRUE(wait_until(s->driver, [&] {
    return s->err_text().find("iopen: can't open output file qplot_0000.rgb\n") != std::string::npos &&
           adiclient::channel_text(s->driver.out).find("dp_adi: couldn't open file 'qplot_0000.rgb'\n") !=
               std::string::npos;
  }));
  EXPECT_EQ(ask(adiclient::pnop()).bytes, adiclient::pnop().bytes);
}

INSTANTIATE_TEST_SUITE_P(Programs, QuickPlot, ::testing::ValuesIn(kPrograms), program_name);

}  // namespace
