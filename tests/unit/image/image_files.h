// Shared by the image library's tests: a folder of the test's own, whole
// files as bytes, big-endian fields, and the messages of the library.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/rgb_image.h"

inline std::vector<std::string> image_messages;
inline void record_image_message(const char *message) { image_messages.emplace_back(message); }

struct ImageFileTest : ::testing::Test {
  std::string dir;
  void SetUp() override {
    char tmpl[] = "/tmp/kova-image-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    image_messages.clear();
    i_seterror(record_image_message);
  }
  void TearDown() override {
    i_seterror(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string path(const std::string &name) const { return dir + "/" + name; }

  static std::string bytes_of(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void put_bytes(const std::string &file, const std::string &bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }
  static unsigned be16(const std::string &b, std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(b.at(at)) << 8 | static_cast<unsigned char>(b.at(at + 1)));
  }
  static std::uint32_t be32(const std::string &b, std::size_t at) { return be16(b, at) << 16 | be16(b, at + 2); }
  static void set_be32(std::string &b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b.at(at + k) = static_cast<char>(v >> (24 - 8 * k));
  }
};

// A value of channel c at column x of row y that gives runs and literals alike,
// using the whole range of the value size.
inline std::uint16_t test_value(unsigned bpp, unsigned x, unsigned y, unsigned c) {
  const unsigned v = (x / 7) % 2 ? x * 40503u + y * 9973u + c * 30011u : (x / 7) * 4099u + y * 257u + c;
  return static_cast<std::uint16_t>(bpp == 1 ? v & 0xFF : v & 0xFFFF);
}

// Writes an image of test values; false when anything failed.
inline bool write_test_image(const std::string &file, unsigned type, unsigned dim, unsigned xsize, unsigned ysize,
                             unsigned zsize) {
  ImageRecord *image = iopen(file.c_str(), "w", type, dim, xsize, ysize, zsize);
  if (image == nullptr) return false;
  std::vector<std::uint16_t> row(xsize);
  bool ok = true;
  for (unsigned z = 0; z < zsize; ++z)
    for (unsigned y = 0; y < ysize; ++y) {
      for (unsigned x = 0; x < xsize; ++x) row[x] = test_value(image_bpp(type), x, y, z);
      ok = putrow(image, row.data(), y, z) == static_cast<int>(xsize) && ok;
    }
  return iclose(image) == 0 && ok;
}
