// Snapshots of an off-screen window: what the overlay shows over the normal
// planes, the rectangle's own pixels with its bottom row first, colour
// indices through the colour map; a file written again keeps its link and
// mode, and a write that fails keeps the old file and leaves nothing behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/session.h"
#include "display/colour_tables.h"
#include "display/wrappers.h"
#include "image/rgb_image.h"
#include "image/snapshots.h"
#include "image_files.h"
#include "kovagl/gl.h"
#include "kovagl/offscreen.h"
#include "support/saved_config.h"

namespace {

struct SnapshotTest : ImageFileTest {
  static constexpr int W = 40, H = 30;
  KglContext *ctx = nullptr;
  SavedConfig saved_config;
  float saved_map[8][4];
  int saved_size[2] = {};

  void SetUp() override {
    ImageFileTest::SetUp();
    i_seterror(nullptr);  // the snapshot installs the driver's own
    ctx = kgl_offscreen_create(W, H);
    kgl_offscreen_make_current(ctx);
    saved_size[0] = xsize, saved_size[1] = ysize;
    xsize = W, ysize = H;
    std::memcpy(saved_map, DisplayMap, sizeof saved_map);
    // Colour index i: red bit 0, green bit 1, blue bit 2.
    for (int i = 0; i < 8; ++i)
      for (int c = 0; c < 3; ++c) DisplayMap[i][c] = static_cast<float>((i >> c) & 1);
    drawmode(KGL_OVERDRAW);
    mapcolor(2, 10, 20, 30);
    std::vector<Uint16> overlay(3 * 2, 2);
    rectwrite(12, 5, 14, 6, overlay.data());
    drawmode(KGL_NORMALDRAW);
  }
  void TearDown() override {
    std::memcpy(DisplayMap, saved_map, sizeof saved_map);
    xsize = saved_size[0], ysize = saved_size[1];
    CurrentMatrixNumber = -1;
    kgl_offscreen_destroy(ctx);
    ImageFileTest::TearDown();
  }

  // What the window shows at (x, y) as 0xRRGGBB, in either mode.
  static std::uint32_t shown(int x, int y, bool rgb) {
    if (x >= 12 && x <= 14 && y >= 5 && y <= 6) return 0x0A141E;
    if (rgb) return static_cast<std::uint32_t>(x * 5) << 16 | static_cast<std::uint32_t>(y * 7) << 8 | (x + y) * 3;
    const int i = (x + 2 * y) % 8;
    return (i & 1 ? 0xFF0000u : 0) | (i & 2 ? 0xFF00u : 0) | (i & 4 ? 0xFFu : 0);
  }
  static void paint(bool rgb) {
    std::vector<Uint32> pixels;
    std::vector<Uint16> indices;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        pixels.push_back(0xFF000000u | (x * 5) | (y * 7) << 8 | ((x + y) * 3) << 16);
        indices.push_back(static_cast<Uint16>((x + 2 * y) % 8));
      }
    if (rgb)
      lrectwrite(0, 0, W - 1, H - 1, pixels.data());
    else
      rectwrite(0, 0, W - 1, H - 1, indices.data());
  }
};

TEST_F(SnapshotTest, TheFileHoldsWhatTheWindowShowsBottomRowFirst) {
  for (bool rgb : {true, false}) {
    SCOPED_TRACE(rgb ? "RGB" : "colour index");
    cfr.word(kWordRgbPixels) = rgb;
    paint(rgb);
    const std::string file = path("snap.rgb");
    ASSERT_EQ(saveRGBscreen(file.c_str(), 10, 4, 29, 20), 0);
    ImageRecord *image = iopen(file.c_str(), "r");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->type, kImageRunLength | 1);
    EXPECT_EQ(std::string(image->name), file);
    ASSERT_EQ(image->xsize, 20);
    ASSERT_EQ(image->ysize, 17);
    ASSERT_EQ(image->zsize, 3);
    std::vector<std::uint16_t> row(20);
    for (unsigned z = 0; z < 3; ++z)
      for (unsigned y = 0; y < 17; ++y) {
        ASSERT_EQ(getrow(image, row.data(), y, z), 20);
        for (int x = 0; x < 20; ++x)
          ASSERT_EQ(row[x], (shown(10 + x, 4 + static_cast<int>(y), rgb) >> (16 - 8 * z)) & 0xFF) << x << "," << y;
      }
    EXPECT_EQ(iclose(image), 0);
  }
  // Clipped to the window; nothing of it left is nothing written.
  EXPECT_EQ(saveRGBscreen(path("edge.rgb").c_str(), 30, 25, 99, 99), 0);
  ImageRecord *image = iopen(path("edge.rgb").c_str(), "r");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->xsize, 10);
  EXPECT_EQ(image->ysize, 5);
  iclose(image);
  EXPECT_EQ(saveRGBscreen(path("none.rgb").c_str(), W, 0, W + 10, 5), -1);
  EXPECT_FALSE(std::filesystem::exists(path("none.rgb")));
}

TEST_F(SnapshotTest, AFileWrittenAgainIsReplacedWholeOrNotAtAll) {
  cfr.word(kWordRgbPixels) = 1;
  paint(true);
  const std::string target = path("target.rgb"), link = path("link.rgb");
  put_bytes(target, "an older picture");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(symlink("target.rgb", link.c_str()), 0);

  ASSERT_EQ(saveRGBscreen(link.c_str(), 0, 0, W - 1, H - 1), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  const std::string written = bytes_of(target);
  EXPECT_EQ(be16(written, 0), kImageMagic);

  // A disk that fills up after the header: the library's message, and the
  // file as it was. Without a handler the first error would end the process.
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  void (*old_signal)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ::testing::internal::CaptureStderr();
  const int result = saveRGBscreen(link.c_str(), 0, 0, W - 1, H - 1);
  const std::string err = ::testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, old_signal);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(err.rfind("putrow: error on write of row\n", 0), 0u) << err;
  EXPECT_EQ(bytes_of(target), written);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2u);
}

}  // namespace
