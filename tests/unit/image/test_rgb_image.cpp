// The RGB image file library: run-length coding, the bytes of a file, round
// trips of every type, little-endian files, and short, truncated or corrupt
// files, which give an error and never a wrong row.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/rgb_image.h"
#include "image_files.h"

namespace {

using Row = std::vector<std::uint16_t>;

TEST(RunLength, RowsCompactToTheirUnitsAndExpandBack) {
  struct Case {
    Row row;
    std::vector<unsigned> units;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 4, 4}, {0x83, 1, 2, 3, 0x03, 4, 0}},
      {{5, 5, 5, 5, 1, 2}, {0x04, 5, 0x01, 1, 0x01, 2, 0}},  // the last two as runs
      {Row(300, 9), {126, 9, 126, 9, 48, 9, 0}},
      {Row(127, 3), {126, 3, 1, 3, 0}},
      {{7}, {1, 7, 0}},
      {{}, {0}},
  };
  for (const Case &c : cases) {
    const int n = static_cast<int>(c.row.size());
    for (int out_size : {1, 2}) {
      SCOPED_TRACE(::testing::Message() << c.row.size() << " values, " << out_size << "-byte units");
      std::vector<std::uint16_t> wide(img_rle_units(c.row.size()));
      std::vector<unsigned char> narrow(img_rle_units(c.row.size()));
      void *out = out_size == 1 ? static_cast<void *>(narrow.data()) : wide.data();
      const int units = img_rle_compact(c.row.data(), 2, out, out_size, n);
      ASSERT_EQ(units, static_cast<int>(c.units.size()));
      for (int i = 0; i < units; ++i) EXPECT_EQ(out_size == 1 ? narrow[i] : wide[i], c.units[i]) << i;
      Row back(c.row.size() + 1, 0xEEEE);
      EXPECT_EQ(img_rle_expand(out, out_size, back.data(), 2, units, c.row.size()), n);
      EXPECT_EQ(Row(back.begin(), back.begin() + n), c.row);
      EXPECT_EQ(back[n], 0xEEEE);
      // A row's units never reach past the values it has room for.
      if (n > 0) {
        EXPECT_EQ(img_rle_expand(out, out_size, back.data(), 2, units, c.row.size() - 1), -1);
      }
    }
  }
}

// Every row of 1 to 12 two-valued values and long random rows of a few values:
// the units written stay within img_rle_units, 2-byte units within the row
// buffer of the width (rows of 1 to 3 values included), and expand back.
TEST(RunLength, NoRowOutgrowsTheRowBuffer) {
  auto check = [](const Row &row) {
    const std::size_t n = row.size();
    std::vector<std::uint16_t> units(img_rle_units(n));
    const int count = img_rle_compact(row.data(), 2, units.data(), 2, static_cast<int>(n));
    ASSERT_LE(static_cast<std::size_t>(count), img_rle_units(n)) << n;
    ASSERT_LE(2 * static_cast<std::size_t>(count), img_rowbuf_bytes(static_cast<unsigned>(n))) << n;
    Row back(n);
    ASSERT_EQ(img_rle_expand(units.data(), 2, back.data(), 2, count, n), static_cast<long>(n));
    ASSERT_EQ(back, row);
  };
  for (unsigned n = 1; n <= 12; ++n)
    for (unsigned bits = 0; bits < (1u << n); ++bits) {
      Row row(n);
      for (unsigned i = 0; i < n; ++i) row[i] = static_cast<std::uint16_t>((bits >> i) & 1);
      check(row);
    }
  std::mt19937 random(7);
  for (int k = 0; k < 200; ++k) {
    Row row(1 + random() % 3000);
    const unsigned alphabet = 1 + random() % 4;
    for (auto &v : row) v = static_cast<std::uint16_t>(random() % alphabet);
    check(row);
  }
}

TEST_F(ImageFileTest, AFileHoldsItsHeaderTablesAndRowsBigEndian) {
  // Three channels of 2 x 1 pixels, run-length with 1-byte values.
  const std::string file = path("tiny.rgb");
  ImageRecord *image = iopen(file.c_str(), "w", kImageRunLength | 1, 3, 2, 1, 3);
  ASSERT_NE(image, nullptr);
  isetname(image, std::string(85, 'a').c_str());
  isetcolormap(image, 5);
  const Row rows[] = {{10, 10}, {20, 30}, {40, 40}};
  for (unsigned z = 0; z < 3; ++z) ASSERT_EQ(putrow(image, rows[z].data(), 0, z), 2);
  ASSERT_EQ(iclose(image), 0);

  const std::string b = bytes_of(file);
  ASSERT_EQ(b.size(), 547u);
  const unsigned header[] = {474, 0x0101, 3, 2, 1, 3};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(be16(b, 2 * k), header[k]) << k;
  EXPECT_EQ(be32(b, 12), 10u);  // smallest
  EXPECT_EQ(be32(b, 16), 40u);  // largest
  EXPECT_EQ(be32(b, 20), 0u);   // waste
  EXPECT_EQ(b.substr(24, 80), std::string(79, 'a') + '\0');
  EXPECT_EQ(be32(b, 104), 5u);
  EXPECT_EQ(b.substr(108, 404), std::string(404, '\0'));
  // Starts, then sizes; the first row right after the tables.
  const std::uint32_t tables[] = {536, 539, 544, 3, 5, 3};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(be32(b, 512 + 4 * k), tables[k]) << k;
  EXPECT_EQ(b.substr(536), std::string("\x02\x0a\x00\x01\x14\x01\x1e\x00\x02\x28\x00", 11));
  EXPECT_TRUE(image_messages.empty());
}

TEST_F(ImageFileTest, ARowWrittenAgainMovesToTheEndAndLeavesWaste) {
  const std::string file = path("again.rgb");
  ImageRecord *image = iopen(file.c_str(), "w", kImageRunLength | 1, 2, 4, 2, 1);
  const Row first = {1, 2, 3, 4}, other = {6, 6, 6, 6}, last = {9, 9, 9, 9};
  ASSERT_EQ(putrow(image, first.data(), 0, 0), 4);  // 0x82 1 2 0x01 3 0x01 4 0x00
  ASSERT_EQ(putrow(image, other.data(), 1, 0), 4);
  ASSERT_EQ(putrow(image, last.data(), 0, 0), 4);
  EXPECT_EQ(image->waste, 8u);
  ASSERT_EQ(iclose(image), 0);

  const std::string b = bytes_of(file);
  EXPECT_EQ(be32(b, 20), 8u);
  EXPECT_EQ(be32(b, 512), 528u + 8 + 3);  // after the first copy and row 1
  image = iopen(file.c_str(), "r");
  ASSERT_NE(image, nullptr);
  Row row(4);
  EXPECT_EQ(getrow(image, row.data(), 0, 0), 4);
  EXPECT_EQ(row, last);
  EXPECT_EQ(getrow(image, row.data(), 1, 0), 4);
  EXPECT_EQ(row, other);
  EXPECT_EQ(iclose(image), 0);
}

TEST_F(ImageFileTest, EveryTypeAndDimensionReadsBackAsWritten) {
  for (unsigned type : {0x0001u, 0x0002u, 0x0101u, 0x0102u})
    for (unsigned dim = 1; dim <= 3; ++dim)
      for (unsigned xsize : {1u, 2u, 3u, 4u, 1301u}) {
        SCOPED_TRACE(::testing::Message() << std::hex << type << std::dec << " dim " << dim << " x " << xsize);
        const unsigned ysize = dim >= 2 ? 3 : 1, zsize = dim == 3 ? 3 : 1;
        const std::string file = path("round.rgb");
        ASSERT_TRUE(write_test_image(file, type, dim, xsize, ysize, zsize));
        ImageRecord *image = iopen(file.c_str(), "r");
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->dimension, dim);
        Row row(xsize);
        for (unsigned z = 0; z < zsize; ++z)
          for (unsigned y = 0; y < ysize; ++y) {
            ASSERT_EQ(getrow(image, row.data(), y, z), static_cast<int>(xsize));
            for (unsigned x = 0; x < xsize; ++x) ASSERT_EQ(row[x], test_value(image_bpp(type), x, y, z)) << x;
          }
        EXPECT_EQ(iclose(image), 0);
      }
  EXPECT_TRUE(image_messages.empty());
}

// Files written little-endian (magic bytes DA 01): header, tables and 2-byte
// values are swapped; 1-byte rows are bytes and are not.
TEST_F(ImageFileTest, LittleEndianFilesReadSwapped) {
  auto le16 = [](unsigned v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
  auto le32 = [&](unsigned v) { return le16(v) + le16(v >> 16); };
  auto header = [&](unsigned type, unsigned xsize, unsigned ysize) {
    std::string h = le16(474) + le16(type) + le16(2) + le16(xsize) + le16(ysize) + le16(1);
    h += le32(0) + le32(0xABCD) + le32(0) + std::string(80, '\0') + le32(0);
    return h + std::string(512 - h.size(), '\0');
  };
  struct Case {
    const char *what;
    std::string file;
    Row rows[2];
  };
  const Case cases[] = {
      {"verbatim 2-byte", header(0x0002, 3, 2) + le16(0x1234) + le16(1) + le16(0xABCD) + le16(5) + le16(6) + le16(7),
       {{0x1234, 1, 0xABCD}, {5, 6, 7}}},
      {"run-length 2-byte",
       header(0x0102, 3, 2) + le32(528) + le32(538) + le32(10) + le32(6) + le16(0x83) + le16(0x1234) + le16(1) +
           le16(0xABCD) + le16(0) + le16(3) + le16(0x0505) + le16(0),
       {{0x1234, 1, 0xABCD}, {0x0505, 0x0505, 0x0505}}},
      {"run-length 1-byte", header(0x0101, 3, 2) + le32(528) + le32(533) + le32(5) + le32(3) + "\x83\x07\x08\x09" +
                                std::string(1, '\0') + "\x03\x02" + std::string(1, '\0'),
       {{7, 8, 9}, {2, 2, 2}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    put_bytes(path("le.rgb"), c.file);
    ImageRecord *image = iopen(path("le.rgb").c_str(), "r");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->magic, 474);
    EXPECT_EQ(image->xsize, 3);
    EXPECT_EQ(image->largest, 0xABCDu);
    Row row(3);
    for (unsigned y = 0; y < 2; ++y) {
      ASSERT_EQ(getrow(image, row.data(), y, 0), 3);
      EXPECT_EQ(row, c.rows[y]) << y;
    }
    EXPECT_EQ(iclose(image), 0);
  }
  EXPECT_TRUE(image_messages.empty());
}

TEST_F(ImageFileTest, ARowNeverWrittenReadsAsNone) {
  const std::string file = path("half.rgb");
  ImageRecord *image = iopen(file.c_str(), "w", kImageRunLength | 1, 2, 5, 2, 1);
  const Row row0(5, 4);
  ASSERT_EQ(putrow(image, row0.data(), 0, 0), 5);
  ASSERT_EQ(iclose(image), 0);
  image = iopen(file.c_str(), "r");
  Row row(5);
  EXPECT_EQ(getrow(image, row.data(), 1, 0), -1);
  EXPECT_EQ(getrow(image, row.data(), 0, 0), 5);
  EXPECT_EQ(iclose(image), 0);
  EXPECT_TRUE(image_messages.empty());
}

// A good file of each kind, damaged one way at a time: the open or the row
// read fails through the handler, with the library's message.
TEST_F(ImageFileTest, DamagedFilesGiveErrorsNotRows) {
  ASSERT_TRUE(write_test_image(path("rle.rgb"), kImageRunLength | 1, 2, 40, 2, 1));
  ASSERT_TRUE(write_test_image(path("raw.rgb"), kImageVerbatim | 2, 2, 40, 2, 1));
  const std::string rle = bytes_of(path("rle.rgb")), raw = bytes_of(path("raw.rgb"));
  const std::uint32_t row0 = be32(rle, 512), size0 = be32(rle, 520);
  auto with32 = [](std::string b, std::size_t at, std::uint32_t v) {
    set_be32(b, at, v);
    return b;
  };
  std::string runs_past = rle;
  runs_past.at(row0) = 0x7F;  // a run of 127 in a row of 40
  std::string bad_magic = rle;
  bad_magic.at(1) = static_cast<char>(0xDB);

  struct Case {
    const char *what;
    std::string file;
    const char *message;
    bool opens;
  };
  const Case cases[] = {
      {"empty file", "", "iopen: error on read of image header\n", false},
      {"short header", rle.substr(0, 100), "iopen: error on read of image header\n", false},
      {"bad magic", bad_magic, "iopen: bad magic in image file 1db\n", false},
      {"tables past the end", with32(rle, 8, 1000u << 16 | 1), "iopen: error on read of rowstart\n", false},
      {"second table cut", rle.substr(0, 512 + 8 + 4), "iopen: error on read of rowsize\n", false},
      // A size that would be the right one in 16 bits.
      {"oversized row", with32(rle, 520, 0x10000 + size0), "getrow: error on read of row\n", true},
      {"row past the end", with32(rle, 512, 1u << 30), "getrow: error on read of row\n", true},
      {"row cut short", rle.substr(0, row0 + size0 - 1), "getrow: error on read of row\n", true},
      {"run past the row", runs_past, "getrow: error on read of row\n", true},
      {"verbatim data cut", raw.substr(0, 512 + 79), "getrow: error on read of row\n", true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    image_messages.clear();
    put_bytes(path("bad.rgb"), c.file);
    ImageRecord *image = iopen(path("bad.rgb").c_str(), "r");
    if (!c.opens) {
      EXPECT_EQ(image, nullptr);
    } else {
      ASSERT_NE(image, nullptr);
      Row row(40);
      EXPECT_EQ(getrow(image, row.data(), 0, 0), -1);
      EXPECT_EQ(iclose(image), 0);
    }
    EXPECT_EQ(image_messages, std::vector<std::string>{c.message});
  }
}

TEST_F(ImageFileTest, MisuseIsRefusedAndLongMessagesAreCut) {
  EXPECT_EQ(iopen(path("x.rgb").c_str(), "r+"), nullptr);
  ImageRecord *image = iopen(path("x.rgb").c_str(), "w", kImageVerbatim | 1, 2, 3, 2, 1);
  ASSERT_NE(image, nullptr);
  Row row(3);
  EXPECT_EQ(getrow(image, row.data(), 0, 0), -1);  // not opened for reading
  EXPECT_EQ(putrow(image, row.data(), 2, 0), -1);
  EXPECT_EQ(iclose(image), 0);
  const std::string missing = dir + "/no/" + std::string(3000, 'x');
  EXPECT_EQ(iopen(missing.c_str(), "w", 1, 1, 1, 1, 1), nullptr);
  ASSERT_EQ(image_messages.size(), 3u);
  EXPECT_EQ(image_messages[0], "iopen: read/write mode not supported\n");
  EXPECT_EQ(image_messages[1], "img_seek: row number out of range\n");
  EXPECT_EQ(image_messages[2], ("iopen: can't open output file " + missing).substr(0, 2047));
}

TEST_F(ImageFileTest, WithoutAHandlerAnErrorEndsTheProgram) {
  put_bytes(path("bad.rgb"), std::string(200, 'x'));
  i_seterror(nullptr);
  EXPECT_EXIT(iopen(path("bad.rgb").c_str(), "r"), ::testing::ExitedWithCode(1),
              "^iopen: bad magic in image file 7878\n$");
}

}  // namespace
