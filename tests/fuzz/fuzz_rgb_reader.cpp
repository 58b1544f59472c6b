// The RGB image reader over any file: opened with a handler that returns and
// every row of every channel read (the first 4096 rows of a larger image),
// one past the end too. Nothing crashes, every read answers xsize or -1 and
// writes nothing past xsize values.
//
// Byte 0 chooses the file. Bit 0 clear: the rest of the input is the file.
// Bit 0 set: the library writes an image of the input's own (byte 1: bit 0
// run-length, bit 1 two bytes a value, the rest the dimension; bytes 2 to 4
// the sizes; byte 5 the number of damages, three bytes each, then the row
// values) and reads every row back unchanged; then the file is turned
// little-endian (bit 1), damaged (each damage XORs the byte at a 16-bit
// offset) and cut (bit 2, at the length in the first damage), and read as
// above.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_files.h"
#include "image/rgb_image.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void ignore(const char *) {}

constexpr unsigned kMaxRows = 4096;

void read_every_row(const std::string &file) {
  ImageRecord *image = iopen(file.c_str(), "r");
  if (image == nullptr) return;
  const unsigned xsize = image->xsize;
  std::vector<std::uint16_t> row(xsize + 1);
  unsigned reads = 0;
  for (unsigned z = 0; z <= image->zsize && reads < kMaxRows; ++z)
    for (unsigned y = 0; y <= image->ysize && reads < kMaxRows; ++y, ++reads) {
      row[xsize] = 0xA5A5;
      const int got = getrow(image, row.data(), y, z);
      check(got == static_cast<int>(xsize) || got == -1);
      check(row[xsize] == 0xA5A5);
    }
  iclose(image);
}

std::string bytes_of(const std::string &file) {
  std::string bytes;
  if (FILE *f = std::fopen(file.c_str(), "rb")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// The file as a writer that put its memory on disk on a little-endian host
// would have written it.
void make_little_endian(std::string &b, unsigned type, unsigned ysize, unsigned zsize) {
  auto swap = [&b](std::size_t at, std::size_t width) {
    for (std::size_t i = 0; i < width / 2; ++i) std::swap(b[at + i], b[at + width - 1 - i]);
  };
  for (std::size_t at = 0; at < 12; at += 2) swap(at, 2);
  for (std::size_t at : {12u, 16u, 20u, 104u}) swap(at, 4);
  std::size_t data = kImageHeaderSize;
  if (image_type(type) == kImageRunLength) {
    data += 8u * ysize * zsize;
    for (std::size_t at = kImageHeaderSize; at < data; at += 4) swap(at, 4);
  }
  if (image_bpp(type) == 2)
    for (std::size_t at = data; at + 1 < b.size(); at += 2) swap(at, 2);
}

// Writes the input's image, reads it back, and gives the file's bytes.
std::string own_image(const std::string &file, const std::uint8_t *data, std::size_t size) {
  std::uint8_t head[6] = {};
  for (std::size_t i = 0; i < 6 && i < size; ++i) head[i] = data[i];
  const unsigned type = (head[1] & 1 ? kImageRunLength : kImageVerbatim) | (head[1] & 2 ? 2 : 1);
  const unsigned dim = 1 + (head[1] >> 2) % 3;
  const unsigned xsize = 1 + head[2] % 64;
  const unsigned ysize = dim >= 2 ? 1 + head[3] % 8 : 1, zsize = dim == 3 ? 1 + head[4] % 4 : 1;
  const std::size_t values_at = std::min(size, 6 + 3 * static_cast<std::size_t>(head[5] % 8));
  const std::uint16_t mask = image_bpp(type) == 1 ? 0xFF : 0xFFFF;

  std::vector<std::uint16_t> rows(static_cast<std::size_t>(xsize) * ysize * zsize);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::size_t at = values_at + 2 * i;
    rows[i] = at + 1 < size ? static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]) : static_cast<std::uint16_t>(i);
  }
  ImageRecord *image = iopen(file.c_str(), "w", type, dim, xsize, ysize, zsize);
  check(image != nullptr);
  for (unsigned r = 0; r < ysize * zsize; ++r)
    check(putrow(image, &rows[r * xsize], r % ysize, r / ysize) == static_cast<int>(xsize));
  check(iclose(image) == 0);
  image = iopen(file.c_str(), "r");
  check(image != nullptr);
  std::vector<std::uint16_t> row(xsize);
  for (unsigned r = 0; r < ysize * zsize; ++r) {
    check(getrow(image, row.data(), r % ysize, r / ysize) == static_cast<int>(xsize));
    for (unsigned x = 0; x < xsize; ++x) check(row[x] == (rows[r * xsize + x] & mask));
  }
  check(iclose(image) == 0);

  std::string bytes = bytes_of(file);
  if (head[0] & 2) make_little_endian(bytes, type, ysize, zsize);
  for (std::size_t at = 6; at + 2 < values_at; at += 3) {
    const std::size_t where = static_cast<std::size_t>(data[at] << 8 | data[at + 1]) % bytes.size();
    bytes[where] = static_cast<char>(bytes[where] ^ data[at + 2]);
  }
  if ((head[0] & 4) && values_at >= 8) bytes.resize(static_cast<std::size_t>(data[6] << 8 | data[7]) % bytes.size());
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const std::string input = fuzz_files::path("fuzz.rgb"), written = fuzz_files::path("fuzz-own.rgb");
  i_seterror(ignore);
  if (size > 0 && (data[0] & 1)) {
    const std::string bytes = own_image(written, data, size);
    fuzz_files::put("fuzz.rgb", reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
  } else {
    fuzz_files::put("fuzz.rgb", size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0);
  }
  read_every_row(input);
  return 0;
}
