// Files of every type and dimension written by the library, read by netpbm
// (every value exact, 16-bit included) and by Pillow (8 bits a value).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/rgb_image.h"
#include "image_files.h"
#include "support/image_readers.h"

namespace {

TEST_F(ImageFileTest, OtherReadersSeeTheValuesWritten) {
  for (unsigned type : {0x0001u, 0x0002u, 0x0101u, 0x0102u})
    for (unsigned dim = 1; dim <= 3; ++dim) {
      SCOPED_TRACE(::testing::Message() << std::hex << type << std::dec << " dim " << dim);
      const unsigned xsize = 37, ysize = dim >= 2 ? 5 : 1, zsize = dim == 3 ? 3 : 1, bpp = image_bpp(type);
      const std::string file = path("read.rgb");
      ASSERT_TRUE(write_test_image(file, type, dim, xsize, ysize, zsize));
      unsigned largest = 0;
      for (unsigned z = 0; z < zsize; ++z)
        for (unsigned y = 0; y < ysize; ++y)
          for (unsigned x = 0; x < xsize; ++x) largest = std::max<unsigned>(largest, test_value(bpp, x, y, z));

      Pnm netpbm, pillow;
      ASSERT_TRUE(read_with_netpbm(file, netpbm));
      ASSERT_TRUE(read_with_pillow(file, pillow));
      EXPECT_EQ(netpbm.maxval, largest);
      EXPECT_EQ(pillow.maxval, 255u);
      for (const Pnm *p : {&netpbm, &pillow}) {
        ASSERT_EQ(p->width, static_cast<int>(xsize));
        ASSERT_EQ(p->height, static_cast<int>(ysize));
        ASSERT_EQ(p->channels, static_cast<int>(zsize));
      }
      for (unsigned z = 0; z < zsize; ++z)
        for (unsigned y = 0; y < ysize; ++y)
          for (unsigned x = 0; x < xsize; ++x) {
            const unsigned v = test_value(bpp, x, y, z), top = ysize - 1 - y;
            ASSERT_EQ(netpbm.at(x, top, z), v) << x << "," << y << "," << z;
            ASSERT_EQ(pillow.at(x, top, z), bpp == 2 ? v >> 8 : v) << x << "," << y << "," << z;
          }
    }
}

}  // namespace
