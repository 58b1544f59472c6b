// The hardware font and the font manager off-screen (built-in 8 x 13 font).
#include "kgl_fixture.h"

#include "kovagl/fmclient.h"

#include <cstddef>

namespace {

using Text = KglTest;

TEST_F(Text, CharstrDrawsOnTheBaselineAndAdvances) {
  EXPECT_EQ(getheight(), 13);
  EXPECT_EQ(getdescender(), 2);
  EXPECT_EQ(strwidth("abc"), 24);
  EXPECT_EQ(strwidth(""), 0);

  cpack(RED);
  cmov2i(5, 10);
  charstr("A_");
  Int32 x, y;
  getcpos(&x, &y);
  EXPECT_EQ(x, 5 + 16);
  EXPECT_EQ(y, 10);
  // The A's apex (third row from the top of the cell) and its base row.
  EXPECT_EQ(kgl_read_normal(5 + 3, 10 + 8), RED);
  EXPECT_EQ(kgl_read_normal(5 + 4, 10 + 8), RED);
  EXPECT_EQ(kgl_read_normal(5 + 2, 10 + 8), 0u);
  EXPECT_EQ(kgl_read_normal(5 + 1, 10), RED);
  // The underscore lies in the first row below the baseline.
  EXPECT_EQ(kgl_read_normal(13, 9), RED);
  EXPECT_EQ(kgl_read_normal(13, 10), 0u);

  // The position follows the matrix.
  translate(10, 0, 0);
  cmov2i(0, 30);
  getcpos(&x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 30);
}

TEST_F(Text, TextIsClippedAndExclusiveOrUndoes) {
  cpack(RED);
  scrmask(0, 9, 0, H - 1);
  cmov2i(6, 20);
  charstr("MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM");   // runs far off the mask
  for (int y = 0; y < H; ++y)
    for (int x = 10; x < W; ++x) ASSERT_EQ(kgl_read_normal(x, y), 0u);
  EXPECT_GT(count_set(), 0);
  viewport(0, W - 1, 0, H - 1);
  cpack(0);
  clear();

  logicop(KGL_LO_XOR);
  cpack(RED);
  for (int i = 0; i < 2; ++i) {
    cmov2i(-3, 40);   // starts left of the window
    charstr("Wg\x7f\x80\xff");
  }
  logicop(KGL_LO_SRC);
  EXPECT_TRUE(all_zero());
}

TEST_F(Text, FontManagerWithoutADisplayHasTheBuiltInFont) {
  fminit();
  EXPECT_EQ(fmfindfont("Helvetica"), nullptr);
  EXPECT_EQ(fmfindfont(""), nullptr);
  fmfonthandle f = fmfindfont("fixed");
  ASSERT_NE(f, nullptr);
  fmfonthandle sized = fmscalefont(f, 10);
  ASSERT_NE(sized, nullptr);
  fmsetfont(sized);
  fmfontinfo info;
  ASSERT_EQ(fmgetfontinfo(sized, &info), 0);
  const Int32 *words = reinterpret_cast<const Int32 *>(&info);
  EXPECT_EQ(words[17], 13);      // height
  EXPECT_EQ(words[14] - 1, 2);   // descender
  EXPECT_EQ(fmgetstrwidth(sized, "ab"), 16);

  cpack(RED);
  cmov2i(1, 1);
  EXPECT_EQ(fmprstr("ab"), 16);
  Int32 x, y;
  getcpos(&x, &y);
  EXPECT_EQ(x, 17);
  EXPECT_GT(count_set(), 0);
}

}  // namespace
