// The RGB image file library: opening, rows, run-length coding, closing.
//
// Files are written big-endian on every host. A file whose magic reads 0xDA01
// was written little-endian (a writer that put its memory on disk); it is read
// with every number swapped. Values in memory are in host order: needs_swap
// says when they must be turned around on their way to or from the file.
#include "image/rgb_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

ImageErrorHandler error_handler;

// The header fields as the file holds them; the rest up to 512 is zero.
constexpr std::size_t kHeaderFields = 108;
constexpr std::uint32_t kSmallestStart = 10000000;

bool needs_swap(const ImageRecord *image) {
  return (std::endian::native == std::endian::little) != (image->swapped != 0);
}

void put16(unsigned char *p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}
void put32(unsigned char *p, std::uint32_t v) {
  put16(p, static_cast<std::uint16_t>(v >> 16));
  put16(p + 2, static_cast<std::uint16_t>(v));
}
std::uint16_t get16(const unsigned char *p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
std::uint32_t get32(const unsigned char *p) { return static_cast<std::uint32_t>(get16(p)) << 16 | get16(p + 2); }

void encode_header(const ImageRecord *image, unsigned char out[kImageHeaderSize]) {
  std::memset(out, 0, kImageHeaderSize);
  put16(out + 0, image->magic);
  put16(out + 2, image->type);
  put16(out + 4, image->dimension);
  put16(out + 6, image->xsize);
  put16(out + 8, image->ysize);
  put16(out + 10, image->zsize);
  put32(out + 12, image->smallest);
  put32(out + 16, image->largest);
  put32(out + 20, image->waste);
  std::memcpy(out + 24, image->name, kImageNameSize - 1);  // the last byte stays the NUL
  put32(out + 104, image->colormap);
}

void decode_header(const unsigned char *in, ImageRecord *image) {
  image->magic = get16(in + 0);
  image->type = get16(in + 2);
  image->dimension = get16(in + 4);
  image->xsize = get16(in + 6);
  image->ysize = get16(in + 8);
  image->zsize = get16(in + 10);
  image->smallest = get32(in + 12);
  image->largest = get32(in + 16);
  image->waste = get32(in + 20);
  std::memcpy(image->name, in + 24, kImageNameSize);
  image->name[kImageNameSize - 1] = '\0';
  image->colormap = get32(in + 104);
}

// The bytes of one of the two tables of a run-length image.
std::uint64_t table_bytes(const ImageRecord *image) {
  return static_cast<std::uint64_t>(image->ysize) * image->zsize * sizeof(std::uint32_t);
}

// What an open made, given back when it fails; a descriptor only when the
// open opened it itself.
void discard(ImageRecord *image, bool own_file) {
  if (own_file && image->file >= 0) close(image->file);
  std::free(image->rowstart);
  std::free(image->rowsize);
  std::free(image->tmpbuf);
  std::free(image);
}

template <typename T>
void note_range(ImageRecord *image, const T *values, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    if (values[i] > image->largest) image->largest = values[i];
    if (values[i] < image->smallest) image->smallest = values[i];
  }
}

// Writes count values of the host's 16-bit units in the file's order. buffer
// is the caller's, so a swap works on a copy in tmpbuf, which holds any row.
bool write_units16(ImageRecord *image, const std::uint16_t *buffer, std::size_t bytes) {
  const void *from = buffer;
  if (needs_swap(image)) {
    if (buffer != image->tmpbuf) std::memcpy(image->tmpbuf, buffer, bytes);
    cvtshorts(image->tmpbuf, bytes);
    from = image->tmpbuf;
  }
  return img_write(image, from, bytes) == static_cast<long>(bytes);
}

template <typename In, typename Out>
int compact(const In *in, Out *out, int count) {
  Out *o = out;
  int s = 0;
  while (s < count) {
    // Literal values up to the first three equal ones in a row, or up to the
    // last two of the row.
    int i = s + 2;
    while (i < count && (in[i - 2] != in[i - 1] || in[i - 1] != in[i])) ++i;
    i -= 2;
    for (int left = i - s; left > 0;) {
      const int n = std::min(left, 126);
      left -= n;
      *o++ = static_cast<Out>(0x80 | n);
      for (int k = 0; k < n; ++k) *o++ = static_cast<Out>(in[s++]);
    }
    // Then the run of equal values that starts there.
    const In value = in[s];
    int r = s + 1;
    while (r < count && in[r] == value) ++r;
    for (int left = r - s; left > 0;) {
      const int n = std::min(left, 126);
      left -= n;
      *o++ = static_cast<Out>(n);
      *o++ = static_cast<Out>(value);
    }
    s = r;
  }
  *o++ = 0;
  return static_cast<int>(o - out);
}

template <typename In, typename Out>
long expand(const In *in, std::size_t in_units, Out *out, std::size_t out_count) {
  std::size_t i = 0, o = 0;
  while (i < in_units) {
    const unsigned unit = in[i++];
    const std::size_t n = unit & 0x7F;
    if (n == 0) break;
    if (n > out_count - o) return -1;
    if (unit & 0x80) {
      if (n > in_units - i) return -1;
      for (std::size_t k = 0; k < n; ++k) out[o++] = static_cast<Out>(in[i++]);
    } else {
      if (i >= in_units) return -1;
      const Out value = static_cast<Out>(in[i++]);
      for (std::size_t k = 0; k < n; ++k) out[o++] = value;
    }
  }
  return static_cast<long>(o);
}

}  // namespace

// ---- errors ------------------------------------------------------------------------

void i_seterror(ImageErrorHandler handler) { error_handler = handler; }

void i_errhdlr(const char *format, ...) {
  va_list args;
  va_start(args, format);
  if (error_handler != nullptr) {
    char message[2048];
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    error_handler(message);
    return;
  }
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::exit(1);
}

// ---- byte order and buffers ------------------------------------------------------------

std::uint32_t reverse(std::uint32_t word) {
  return (word >> 24) | ((word >> 8) & 0xFF00u) | ((word << 8) & 0xFF0000u) | (word << 24);
}

void cvtshorts(void *buffer, std::size_t bytes) {
  unsigned char *p = static_cast<unsigned char *>(buffer);
  for (std::size_t i = 0; i + 1 < bytes; i += 2) std::swap(p[i], p[i + 1]);
}

void cvtlongs(void *buffer, std::size_t bytes) {
  unsigned char *p = static_cast<unsigned char *>(buffer);
  for (std::size_t i = 0; i + 3 < bytes; i += 4) {
    std::uint32_t word;
    std::memcpy(&word, p + i, 4);
    word = reverse(word);
    std::memcpy(p + i, &word, 4);
  }
}

void cvtimage(ImageRecord *image) {
  for (std::uint16_t *field : {&image->magic, &image->type, &image->dimension, &image->xsize, &image->ysize,
                               &image->zsize})
    *field = static_cast<std::uint16_t>(*field >> 8 | *field << 8);
  for (std::uint32_t *field : {&image->smallest, &image->largest, &image->waste, &image->colormap})
    *field = reverse(*field);
}

std::size_t img_rowbuf_bytes(unsigned xsize) { return 4 * (static_cast<std::size_t>(xsize) + xsize / 64 + 2); }

std::uint16_t *ibufalloc(const ImageRecord *image) {
  return static_cast<std::uint16_t *>(std::malloc(img_rowbuf_bytes(image->xsize)));
}

// ---- opening and closing ---------------------------------------------------------------

ImageRecord *iopen(const char *file, const char *mode, unsigned type, unsigned dim, unsigned xsize,
                   unsigned ysize, unsigned zsize) {
  return imgopen(-1, file, mode, type, dim, xsize, ysize, zsize);
}

ImageRecord *fiopen(int fd, const char *mode, unsigned type, unsigned dim, unsigned xsize, unsigned ysize,
                    unsigned zsize) {
  return imgopen(fd, nullptr, mode, type, dim, xsize, ysize, zsize);
}

ImageRecord *imgopen(int fd, const char *file, const char *mode, unsigned type, unsigned dim, unsigned xsize,
                     unsigned ysize, unsigned zsize) {
  auto *image = static_cast<ImageRecord *>(std::calloc(1, sizeof(ImageRecord)));
  if (image == nullptr) {
    i_errhdlr("iopen: error on image struct alloc\n");
    return nullptr;
  }
  image->file = fd;
  bool own_file = false;
  auto fail = [&](const char *message) {
    i_errhdlr("%s", message);
    discard(image, own_file);
    return nullptr;
  };
  if (mode[0] != '\0' && mode[1] == '+') return fail("iopen: read/write mode not supported\n");
  const bool writing = mode[0] == 'w';

  if (writing) {
    if (file != nullptr) {
      image->file = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (image->file < 0) {
        i_errhdlr("iopen: can't open output file %s\n", file);
        discard(image, false);
        return nullptr;
      }
      own_file = true;
    }
    image->magic = kImageMagic;
    image->type = static_cast<std::uint16_t>(type);
    image->xsize = static_cast<std::uint16_t>(xsize);
    image->ysize = image->zsize = 1;
    if (dim >= 2) image->ysize = static_cast<std::uint16_t>(ysize);
    if (dim >= 3) image->zsize = static_cast<std::uint16_t>(zsize);
    image->dimension = image->zsize != 1 ? 3 : image->ysize != 1 ? 2 : 1;
    image->smallest = kSmallestStart;
    image->largest = 0;
    std::strcpy(image->name, "no name");
    image->waste = 0;
    image->swapped = 0;
    unsigned char header[kImageHeaderSize];
    encode_header(image, header);
    image->offset = -1;
    if (img_write(image, header, sizeof header) != static_cast<long>(sizeof header))
      return fail("iopen: error on write of image header\n");
    image->flags = kImageWrite;
  } else {
    if (file != nullptr) {
      image->file = open(file, O_RDONLY | O_CLOEXEC);
      if (image->file < 0) {
        discard(image, false);
        return nullptr;
      }
      own_file = true;
    }
    unsigned char header[kHeaderFields];
    image->offset = -1;
    if (img_read(image, header, sizeof header) != static_cast<long>(sizeof header))
      return fail("iopen: error on read of image header\n");
    decode_header(header, image);
    if (image->magic == kImageMagicSwapped) {
      image->swapped = 1;
      cvtimage(image);
    }
    if (image->magic != kImageMagic) {
      i_errhdlr("iopen: bad magic in image file %x\n", image->magic);
      discard(image, own_file);
      return nullptr;
    }
    image->flags = kImageRead;
  }

  if (image_type(image->type) == kImageRunLength) {
    // Row starts are 32-bit offsets: tables that end past 4 GB describe no
    // file, and tables read must lie in the file.
    const std::uint64_t bytes = table_bytes(image);
    const std::uint64_t end = kImageHeaderSize + 2 * bytes;
    struct stat st {};
    if (end > UINT32_MAX) return fail(writing ? "iopen: error on table alloc\n" : "iopen: error on read of rowstart\n");
    if (!writing && fstat(image->file, &st) == 0 && S_ISREG(st.st_mode)) {
      if (static_cast<std::uint64_t>(st.st_size) < kImageHeaderSize + bytes)
        return fail("iopen: error on read of rowstart\n");
      if (static_cast<std::uint64_t>(st.st_size) < end) return fail("iopen: error on read of rowsize\n");
    }
    const std::size_t n = static_cast<std::size_t>(bytes);
    image->rowstart = static_cast<std::uint32_t *>(std::malloc(n ? n : 1));
    image->rowsize = static_cast<std::uint32_t *>(std::malloc(n ? n : 1));
    if (image->rowstart == nullptr || image->rowsize == nullptr) return fail("iopen: error on table alloc\n");
    image->rle_end = static_cast<std::uint32_t>(end);
    if (writing) {
      std::memset(image->rowstart, 0, n);
      std::memset(image->rowsize, 0xFF, n);
    } else {
      if (img_optseek(image, kImageHeaderSize) < 0 || img_read(image, image->rowstart, n) != static_cast<long>(n))
        return fail("iopen: error on read of rowstart\n");
      if (img_read(image, image->rowsize, n) != static_cast<long>(n)) return fail("iopen: error on read of rowsize\n");
      if (needs_swap(image)) {
        cvtlongs(image->rowstart, n);
        cvtlongs(image->rowsize, n);
      }
    }
  }

  image->count = 0;
  image->ptr = image->base = nullptr;
  image->tmpbuf = ibufalloc(image);
  if (image->tmpbuf == nullptr) {
    i_errhdlr("iopen: error on tmpbuf alloc %d\n", image->xsize);
    discard(image, own_file);
    return nullptr;
  }
  image->x = image->y = image->z = 0;
  const off_t at = lseek(image->file, kImageHeaderSize, SEEK_SET);
  image->offset = at == kImageHeaderSize ? kImageHeaderSize : -1;
  return image;
}

int iflush(ImageRecord *image) {
  if ((image->flags & kImageWrite) && image->base != nullptr && image->ptr > image->base) {
    if (putrow(image, image->base, image->y, image->z) != image->xsize) {
      image->flags |= kImageError;
      return -1;
    }
  }
  return 0;
}

int iclose(ImageRecord *image) {
  bool failed = iflush(image) != 0;
  img_optseek(image, 0);
  if (image->flags & kImageWrite) {
    unsigned char header[kImageHeaderSize];
    encode_header(image, header);
    if (img_write(image, header, sizeof header) != static_cast<long>(sizeof header)) {
      i_errhdlr("iclose: error on write of image header\n");
      failed = true;
    } else if (image_type(image->type) == kImageRunLength) {
      // The tables go to the file in its order; they are not used again.
      const std::size_t n = static_cast<std::size_t>(table_bytes(image));
      if (needs_swap(image)) {
        cvtlongs(image->rowstart, n);
        cvtlongs(image->rowsize, n);
      }
      img_optseek(image, kImageHeaderSize);
      if (img_write(image, image->rowstart, n) != static_cast<long>(n)) {
        i_errhdlr("iclose: error on write of rowstart\n");
        failed = true;
      } else if (img_write(image, image->rowsize, n) != static_cast<long>(n)) {
        i_errhdlr("iclose: error on write of rowsize\n");
        failed = true;
      }
    }
  }
  const int file = image->file;
  image->file = -1;
  discard(image, false);
  const int result = close(file);
  if (result != 0) i_errhdlr("iclose: error on close of file\n");
  return failed ? -1 : result;
}

void isetname(ImageRecord *image, const char *name) {
  std::strncpy(image->name, name, kImageNameSize - 1);
  image->name[kImageNameSize - 1] = '\0';
}

void isetcolormap(ImageRecord *image, int colormap) { image->colormap = static_cast<std::uint32_t>(colormap); }

// ---- positions and transfers -------------------------------------------------------------

int img_badrow(const ImageRecord *image, unsigned y, unsigned z) { return y >= image->ysize || z >= image->zsize; }

std::int64_t img_optseek(ImageRecord *image, std::int64_t offset) {
  if (image->offset != offset) {
    const off_t at = lseek(image->file, static_cast<off_t>(offset), SEEK_SET);
    image->offset = at < 0 ? -1 : at;
    return image->offset;
  }
  return offset;
}

std::int64_t img_seek(ImageRecord *image, unsigned y, unsigned z) {
  if (img_badrow(image, y, z)) {
    i_errhdlr("img_seek: row number out of range\n");
    return -1;
  }
  image->x = 0;
  image->y = static_cast<std::uint16_t>(y);
  image->z = static_cast<std::uint16_t>(z);
  std::int64_t offset;
  if (image_type(image->type) == kImageVerbatim) {
    const std::int64_t row = static_cast<std::int64_t>(image->xsize) * image_bpp(image->type);
    switch (image->dimension) {
      case 1: offset = kImageHeaderSize; break;
      case 2: offset = kImageHeaderSize + y * row; break;
      case 3: offset = kImageHeaderSize + (y + static_cast<std::int64_t>(z) * image->ysize) * row; break;
      default: i_errhdlr("img_seek: weird dim\n"); return -1;
    }
  } else if (image_type(image->type) == kImageRunLength) {
    switch (image->dimension) {
      case 1: offset = image->rowstart[0]; break;
      case 2: offset = image->rowstart[y]; break;
      case 3: offset = image->rowstart[y + static_cast<std::size_t>(z) * image->ysize]; break;
      default: i_errhdlr("img_seek: weird dim\n"); return -1;
    }
  } else {
    i_errhdlr("img_seek: weird image type\n");
    return -1;
  }
  return img_optseek(image, offset);
}

long img_write(ImageRecord *image, const void *buffer, std::size_t count) {
  const char *p = static_cast<const char *>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = write(image->file, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  image->offset = done == count && image->offset >= 0 ? image->offset + static_cast<std::int64_t>(count) : -1;
  return static_cast<long>(done);
}

long img_read(ImageRecord *image, void *buffer, std::size_t count) {
  char *p = static_cast<char *>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = read(image->file, p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  image->offset = done == count && image->offset >= 0 ? image->offset + static_cast<std::int64_t>(count) : -1;
  return static_cast<long>(done);
}

long img_getrowsize(const ImageRecord *image) {
  std::size_t entry;
  switch (image->dimension) {
    case 1: entry = 0; break;
    case 2: entry = image->y; break;
    case 3: entry = image->y + static_cast<std::size_t>(image->z) * image->ysize; break;
    default: return -1;
  }
  const std::uint32_t size = image->rowsize[entry];
  return size == UINT32_MAX ? -1 : static_cast<long>(size);
}

void img_setrowsize(ImageRecord *image, std::uint32_t count, unsigned y, unsigned z) {
  if (img_badrow(image, y, z)) return;
  std::size_t entry;
  switch (image->dimension) {
    case 1: entry = 0; break;
    case 2: entry = y; break;
    case 3: entry = y + static_cast<std::size_t>(z) * image->ysize; break;
    default: return;
  }
  image->rowstart[entry] = image->rle_end;
  if (image->rowsize[entry] != UINT32_MAX) image->waste += image->rowsize[entry];
  image->rowsize[entry] = count;
  image->rle_end += count;
}

// ---- rows --------------------------------------------------------------------------------

int putrow(ImageRecord *image, const std::uint16_t *buffer, unsigned y, unsigned z) {
  if (!(image->flags & (kImageWrite | kImageReadWrite))) return -1;
  if (image->dimension < 3) z = 0;
  if (image->dimension < 2) y = 0;
  const unsigned n = image->xsize;
  const unsigned bpp = image_bpp(image->type);
  if (image_type(image->type) == kImageVerbatim) {
    if (bpp == 1) {
      unsigned char *bytes = reinterpret_cast<unsigned char *>(image->tmpbuf);
      for (unsigned i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(buffer[i]);
      note_range(image, bytes, n);
      if (img_seek(image, y, z) < 0) return -1;
      if (img_write(image, bytes, n) != static_cast<long>(n)) {
        i_errhdlr("putrow: error on write of row\n");
        return -1;
      }
      return static_cast<int>(n);
    }
    if (bpp == 2) {
      note_range(image, buffer, n);
      if (img_seek(image, y, z) < 0) return -1;
      if (!write_units16(image, buffer, 2 * static_cast<std::size_t>(n))) {
        i_errhdlr("putrow: error on write of row\n");
        return -1;
      }
      return static_cast<int>(n);
    }
    i_errhdlr("putrow: weird bpp\n");
    return -1;
  }
  if (image_type(image->type) == kImageRunLength) {
    if (bpp != 1 && bpp != 2) {
      i_errhdlr("putrow: weird bpp\n");
      return -1;
    }
    note_range(image, buffer, n);
    const int units = img_rle_compact(buffer, 2, image->tmpbuf, static_cast<int>(bpp), static_cast<int>(n));
    if (units < 0) return -1;
    const std::uint32_t bytes = static_cast<std::uint32_t>(units) * bpp;
    if (static_cast<std::uint64_t>(image->rle_end) + bytes > UINT32_MAX) {
      i_errhdlr("putrow: error on write of row\n");
      return -1;
    }
    img_setrowsize(image, bytes, y, z);
    if (img_seek(image, y, z) < 0) return -1;
    const bool written = bpp == 1 ? img_write(image, image->tmpbuf, bytes) == static_cast<long>(bytes)
                                  : write_units16(image, image->tmpbuf, bytes);
    if (!written) {
      i_errhdlr("putrow: error on write of row\n");
      return -1;
    }
    return static_cast<int>(n);
  }
  i_errhdlr("putrow: weird image type\n");
  return -1;
}

int getrow(ImageRecord *image, std::uint16_t *buffer, unsigned y, unsigned z) {
  if (!(image->flags & (kImageRead | kImageReadWrite))) return -1;
  if (image->dimension < 3) z = 0;
  if (image->dimension < 2) y = 0;
  const unsigned n = image->xsize;
  const unsigned bpp = image_bpp(image->type);
  if (image_type(image->type) == kImageVerbatim) {
    if (bpp != 1 && bpp != 2) {
      i_errhdlr("getrow: weird bpp\n");
      return -1;
    }
    if (img_seek(image, y, z) < 0) return -1;
    if (bpp == 1) {
      unsigned char *bytes = reinterpret_cast<unsigned char *>(image->tmpbuf);
      if (img_read(image, bytes, n) != static_cast<long>(n)) {
        i_errhdlr("getrow: error on read of row\n");
        return -1;
      }
      for (unsigned i = 0; i < n; ++i) buffer[i] = bytes[i];
    } else {
      const std::size_t bytes = 2 * static_cast<std::size_t>(n);
      if (img_read(image, buffer, bytes) != static_cast<long>(bytes)) {
        i_errhdlr("getrow: error on read of row\n");
        return -1;
      }
      if (needs_swap(image)) cvtshorts(buffer, bytes);
    }
    return static_cast<int>(n);
  }
  if (image_type(image->type) == kImageRunLength) {
    if (bpp != 1 && bpp != 2) {
      i_errhdlr("rle_expand: bad bpp: %d %d\n", static_cast<int>(bpp), 2);
      return -1;
    }
    if (img_seek(image, y, z) < 0) return -1;
    const long size = img_getrowsize(image);
    if (size < 0) return -1;  // never written
    // A row larger than any row of this width, or past the file's end, or one
    // whose units reach past the row, is not a row of this image.
    const std::size_t bytes = static_cast<std::size_t>(size);
    if (bytes > img_rowbuf_bytes(n) || img_read(image, image->tmpbuf, bytes) != size) {
      i_errhdlr("getrow: error on read of row\n");
      return -1;
    }
    if (bpp == 2 && needs_swap(image)) cvtshorts(image->tmpbuf, bytes);
    const long got = img_rle_expand(image->tmpbuf, static_cast<int>(bpp), buffer, 2, bytes / bpp, n);
    if (got < 0) {
      i_errhdlr("getrow: error on read of row\n");
      return -1;
    }
    std::fill(buffer + got, buffer + n, std::uint16_t{0});
    return static_cast<int>(n);
  }
  i_errhdlr("getrow: weird image type\n");
  return -1;
}

// ---- run-length coding -------------------------------------------------------------------

int img_rle_compact(const void *in, int in_size, void *out, int out_size, int count) {
  using B = unsigned char;
  using W = std::uint16_t;
  if (in_size == 1 && out_size == 1) return compact(static_cast<const B *>(in), static_cast<B *>(out), count);
  if (in_size == 1 && out_size == 2) return compact(static_cast<const B *>(in), static_cast<W *>(out), count);
  if (in_size == 2 && out_size == 1) return compact(static_cast<const W *>(in), static_cast<B *>(out), count);
  if (in_size == 2 && out_size == 2) return compact(static_cast<const W *>(in), static_cast<W *>(out), count);
  i_errhdlr("rle_compact: bad bpp: %d %d\n", in_size, out_size);
  return -1;
}

long img_rle_expand(const void *in, int in_size, void *out, int out_size, std::size_t in_units,
                    std::size_t out_count) {
  using B = unsigned char;
  using W = std::uint16_t;
  if (in_size == 1 && out_size == 1)
    return expand(static_cast<const B *>(in), in_units, static_cast<B *>(out), out_count);
  if (in_size == 1 && out_size == 2)
    return expand(static_cast<const B *>(in), in_units, static_cast<W *>(out), out_count);
  if (in_size == 2 && out_size == 1)
    return expand(static_cast<const W *>(in), in_units, static_cast<B *>(out), out_count);
  if (in_size == 2 && out_size == 2)
    return expand(static_cast<const W *>(in), in_units, static_cast<W *>(out), out_count);
  i_errhdlr("rle_expand: bad bpp: %d %d\n", in_size, out_size);
  return -1;
}
