// The RGB image file library: raster images of one to three dimensions, 8 or
// 16 bits a channel value, stored verbatim or run-length encoded, one row per
// scan line and channel. It knows nothing of X or of the graphics library.
//
// A file is a 512-byte header (big-endian numbers) and the data from byte 512:
//
//   0 u16 magic 474        2 u16 type         4 u16 dimension
//   6 u16 xsize            8 u16 ysize       10 u16 zsize
//  12 u32 smallest        16 u32 largest     20 u32 waste
//  24 80 bytes name (NUL-terminated)        104 u32 colormap
//  108..511 zero
//
// Type: high byte 0x01 run-length, 0x00 verbatim; low byte the bytes a value.
// Verbatim rows lie one after another, channel after channel. Run-length
// images start with two tables of ysize x zsize u32 (row starts, then row
// sizes in bytes; entry y + z x ysize), the rows following in the order they
// were written. A run-length row is a run of units of the value size: a unit
// c with n = c & 0x7F, n = 0 ends the row; c & 0x80, n literal values follow;
// otherwise the next unit repeated n times.
//
// Errors go to the handler installed with i_seterror and the call returns its
// error result; with no handler installed the message goes to stderr and the
// process exits with status 1.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint16_t kImageMagic = 474;
inline constexpr std::uint16_t kImageMagicSwapped = 0xDA01;
inline constexpr int kImageHeaderSize = 512;
inline constexpr std::size_t kImageNameSize = 80;

// Types: verbatim or run-length, 1 or 2 bytes a value.
inline constexpr unsigned kImageVerbatim = 0x0000;
inline constexpr unsigned kImageRunLength = 0x0100;
inline constexpr unsigned image_type(unsigned type) { return type & 0xFF00u; }
inline constexpr unsigned image_bpp(unsigned type) { return type & 0x00FFu; }

// Bits of ImageRecord::flags.
enum : std::uint16_t {
  kImageRead = 1,
  kImageWrite = 2,
  kImageError = 32,  // a pending row could not be written
  kImageReadWrite = 128,
};

// An open image. The header fields come first, as the file holds them.
struct ImageRecord {
  std::uint16_t magic;
  std::uint16_t type;
  std::uint16_t dimension;
  std::uint16_t xsize, ysize, zsize;
  std::uint32_t smallest, largest;  // of the values written
  std::uint32_t waste;              // bytes of run-length rows written again
  char name[kImageNameSize];
  std::uint32_t colormap;           // 0: an ordinary RGB image
  // The open file.
  int file;
  std::uint16_t flags;
  std::uint16_t swapped;  // the file's numbers are little-endian
  std::uint16_t x, y, z;  // current position
  std::uint16_t count;
  std::uint16_t *ptr, *base;  // a pending row of values, none when base is null
  std::uint16_t *tmpbuf;      // room for the largest run-length row (ibufalloc)
  std::int64_t offset;        // the file offset we are at; -1 unknown
  std::uint32_t rle_end;      // end of the run-length data
  std::uint32_t *rowstart;    // the two tables, run-length images only
  std::uint32_t *rowsize;
};

// Opens by name ("r" reads; "w" or "wb" creates, truncating), by descriptor,
// or either. The sizes and type matter only when writing: dimension 1 is one
// row, 2 one channel of ysize rows, 3 zsize channels. Null on failure.
ImageRecord *iopen(const char *file, const char *mode, unsigned type = 0, unsigned dim = 0, unsigned xsize = 0,
                   unsigned ysize = 0, unsigned zsize = 0);
ImageRecord *fiopen(int fd, const char *mode, unsigned type = 0, unsigned dim = 0, unsigned xsize = 0,
                    unsigned ysize = 0, unsigned zsize = 0);
ImageRecord *imgopen(int fd, const char *file, const char *mode, unsigned type, unsigned dim, unsigned xsize,
                     unsigned ysize, unsigned zsize);

// Row y of channel z, xsize values. Both answer xsize, or -1.
int putrow(ImageRecord *image, const std::uint16_t *buffer, unsigned y, unsigned z);
int getrow(ImageRecord *image, std::uint16_t *buffer, unsigned y, unsigned z);
// Writes the header and tables of a written image, closes the file and frees
// the record: 0, or nonzero when anything failed.
int iclose(ImageRecord *image);
int iflush(ImageRecord *image);
// At most 79 characters and a NUL.
void isetname(ImageRecord *image, const char *name);
void isetcolormap(ImageRecord *image, int colormap);

using ImageErrorHandler = void (*)(const char *message);
void i_seterror(ImageErrorHandler handler);
void i_errhdlr(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Positions and transfers.
std::int64_t img_seek(ImageRecord *image, unsigned y, unsigned z);
long img_write(ImageRecord *image, const void *buffer, std::size_t count);
long img_read(ImageRecord *image, void *buffer, std::size_t count);
std::int64_t img_optseek(ImageRecord *image, std::int64_t offset);
int img_badrow(const ImageRecord *image, unsigned y, unsigned z);
// The size table entry of the current row: bytes, or -1 for a row never written.
long img_getrowsize(const ImageRecord *image);
void img_setrowsize(ImageRecord *image, std::uint32_t count, unsigned y, unsigned z);

// Run-length coding of count values (value sizes 1 or 2, in host order) into
// out: the units written, the end unit included, or -1 for other sizes. out
// must hold img_rle_units(count) units.
int img_rle_compact(const void *in, int in_size, void *out, int out_size, int count);
// Expands at most in_units units of in into at most out_count values: the
// values written, or -1 when a unit reaches past either end or the sizes are
// not 1 or 2.
long img_rle_expand(const void *in, int in_size, void *out, int out_size, std::size_t in_units,
                    std::size_t out_count);
// The most units img_rle_compact writes for count values.
inline constexpr std::size_t img_rle_units(std::size_t count) { return count + (count + 125) / 126 + 4; }

// The row buffer of an image: bytes enough for any run-length row of xsize
// values of two bytes, a value and its count unit each, and the end unit.
std::size_t img_rowbuf_bytes(unsigned xsize);
std::uint16_t *ibufalloc(const ImageRecord *image);
// Byte order: swap the bytes of each 16-bit or 32-bit unit of a buffer.
void cvtshorts(void *buffer, std::size_t bytes);
void cvtlongs(void *buffer, std::size_t bytes);
void cvtimage(ImageRecord *image);
std::uint32_t reverse(std::uint32_t word);
