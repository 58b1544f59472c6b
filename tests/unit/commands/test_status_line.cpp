// The drawn status line: only changed fields are drawn again, and the
// indicator at the right edge.
#include <string>

#include "tool_fixture.h"

namespace {

constexpr int kBack = 20, kText = 21, kMarker = 22;
constexpr std::uint32_t kMarkerRGB = 0xFF00FF;

class StatusLineTest : public ToolTest {
 protected:
  int y = 0;
  void SetUp() override {
    ToolTest::SetUp();
    const float rgb[][3] = {{0, 0, 1}, {1, 1, 0}, {1, 0, 1}};
    for (int i = 0; i < 3; ++i) std::memcpy(DisplayMap[kBack + i], rgb[i], sizeof rgb[i]);
    StatusLine = 1;
    y = H - CH - 1;
    GL_Status_Line = StatusLineRecord{mode_str, coord_str, 1, kBack, kText, CH, CW, CD, 0, y, W - 1, {}};
    std::strcpy(mode_str, "L0");
    std::strcpy(coord_str, "1,4");
    ForgetStatusLine();
    UpdateStatusLine(&GL_Status_Line, 0);
  }
  void TearDown() override {
    StatusLine = 0;
    mode_str[0] = coord_str[0] = '\0';
    ToolTest::TearDown();
  }
  // The marker over the whole band, from x1 to x2.
  void mark(int x1, int x2) {
    SelectScreenMatrix();
    FilledBox(x1, y, x2, H - 1, kMarker, 0);
  }
  int marked(int x1, int x2) const {
    int n = 0;
    for (int yy = y; yy < H; ++yy)
      for (int x = x1; x <= x2; ++x) n += kgl_read_composited(x, yy) == kMarkerRGB;
    return n;
  }
  // The first column of the indicator's text.
  int first_text_column() const {
    for (int x = W - 22 * CW - 1; x < W; ++x)
      for (int yy = y; yy < H; ++yy)
        if (kgl_read_composited(x, yy) == 0xFFFF00) return x;
    return -1;
  }
};

TEST_F(StatusLineTest, AChangedFieldRedrawsItselfAndWhatFollows) {
  const int first = 2 * CW + 4, second = first + 3 * CW;  // where the two texts start
  const int end = second + 4 * CW;
  mark(first, end - 1);
  std::strcpy(coord_str, "1,5");
  UpdateStatusLine(&GL_Status_Line, 0);
  EXPECT_EQ(marked(first, second - 1), (second - first) * (CH + 1)) << "the mode field stays as it was";
  EXPECT_EQ(marked(second, end - 1), 0);

  mark(first, end - 1);
  UpdateStatusLine(&GL_Status_Line, 0);
  EXPECT_GT(marked(first, end - 1), 0) << "nothing changed, nothing drawn";
  std::strcpy(mode_str, "L1");
  UpdateStatusLine(&GL_Status_Line, 0);
  EXPECT_EQ(marked(first, end - 1), 0);
}

TEST_F(StatusLineTest, TheIndicatorAndItsHotSpots) {
  // ":x1:4K:1 2 5 10 20 D:", right-aligned; the hot spots under its digits.
  page_count = 1, rpage_count = 0, alloc_size = 4096;
  UpdateStatusLine(&GL_Status_Line, 1);
  const int with_zoom = first_text_column();
  EXPECT_EQ(GL_Status_Line.zoom_edges[0], W - 1 - 14 * CW);
  EXPECT_EQ(GL_Status_Line.zoom_edges[6], W - 1);
  // No zoom factor with a 32-bit display list: three characters fewer.
  do_32bit_regen = 1;
  UpdateStatusLine(&GL_Status_Line, 0);
  EXPECT_EQ(first_text_column() - with_zoom, 3 * CW);
  do_32bit_regen = 0;
  page_count = 0;
}

TEST(StatusBarMemory, KilobytesUpToAMegabyte) {
  char text[32];
  FormatListMemory(1048576, text, sizeof text);
  EXPECT_STREQ(text, "1024K");
  FormatListMemory(1048577, text, sizeof text);
  EXPECT_STREQ(text, "1.0M");
  // Sizes past 2 GB stay right.
  FormatListMemory(static_cast<std::int64_t>(5000) * 1048576, text, sizeof text);
  EXPECT_STREQ(text, "5000.0M");
}

}  // namespace
