// Snapshots and quick plots: the screen's pixels as RGB image files.
//
// A file is written as a temporary beside it and renamed over it only when
// complete, so a full disk or an unwritable directory never leaves half a
// picture or destroys an older one; a device or FIFO under the name is
// written in place and stays what it is. Errors are reported, with the
// file and the reason, and the driver goes on.
#include "image/snapshots.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/build.h"
#include "base/config_record.h"
#include "base/files.h"
#include "base/packet.h"
#include "base/session.h"
#include "base/user_text.h"
#include "display/colour_tables.h"
#include "display/viewports.h"
#include "display/wrappers.h"
#include "image/rgb_image.h"
#include "kovagl/gl.h"

namespace {

// The colours a pixel can show: the normal planes' colour map (indices 0 to
// 4095), then overlay colours 1 to 3.
constexpr int kMapEntries = 4096;
constexpr int kOverlayEntry = kMapEntries - 1;  // + overlay index 1..3
struct Rgb16 {
  std::uint16_t red, green, blue;
};
Rgb16 snapshot_colours[kMapEntries + 3];

constexpr int kQuickPlotFiles = 10000;

void report_image_error(const char *message) {
  std::fputs(message, stderr);
  std::fflush(stderr);
}

void read_colour(int index, Rgb16 &to) {
  std::int16_t r, g, b;
  MyGetmcolor(index, &r, &g, &b);
  to = {static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(g), static_cast<std::uint16_t>(b)};
}

// Opens the image in a writer of the file name stands for: its temporary
// beside it, or a buffer for a device or FIFO written in place. The library
// takes a descriptor of its own.
ImageRecord *open_image(const char *name, bool replace, unsigned width, unsigned height, FileWriter &file) {
  if (!file.open(name, replace)) {
    warn_file("write", name, errno);
    i_errhdlr("iopen: can't open output file %s\n", name);
    return nullptr;
  }
  const int fd = fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    warn_file("write", name, errno);
    return nullptr;
  }
  ImageRecord *image = fiopen(fd, "wb", kImageRunLength | 1, 3, width, height, 3);
  if (image == nullptr) close(fd);
  return image;
}

}  // namespace

int saveRGBscreen(const char *name, int x1, int y1, int x2, int y2, bool replace_existing) {
  i_seterror(report_image_error);
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, xsize - 1);
  y2 = std::min(y2, ysize - 1);
  if (x2 < x1 || y2 < y1) return -1;
  const int width = x2 - x1 + 1;
  const bool rgb = cfr.word(kWordRgbPixels) != 0;

  FileWriter file;
  ImageRecord *image =
      open_image(name, replace_existing, static_cast<unsigned>(width), static_cast<unsigned>(y2 - y1 + 1), file);
  if (image == nullptr) {
    MyPrintf("dp_adi: couldn't open file '%s'\n", name);
    return -1;
  }
  if constexpr (!kSecondBuild) finish();
  if (!rgb) {
    MySetDrawmode(KGL_NORMALDRAW);
    for (int i = 0; i < kMapEntries; ++i) read_colour(i, snapshot_colours[i]);
  }
  // The first program shows its cursor and interface colours in the overlay
  // (or pop-up) planes and saves them over the picture; the second saves the
  // normal planes alone.
  const int layer = use_pups ? KGL_PUPDRAW : KGL_OVERDRAW;
  if constexpr (!kSecondBuild) {
    MySetDrawmode(layer);
    for (int i = 1; i <= 3; ++i) read_colour(i, snapshot_colours[kOverlayEntry + i]);
  }
  isetname(image, name);
  isetcolormap(image, 0);
  if constexpr (kSecondBuild) {
    MySetDrawmode(KGL_NORMALDRAW);
    if (CurrentMatrixNumber != 0)
      SetClippingRectangle(xmin, Pkinit.field[kPkinitWidth], ymin, ymin + Pkinit.field[kPkinitHeight], 0);
  } else {
    CurrentMatrixNumber = -1;
    viewport(x1, x2, y1, y2);
  }

  std::vector<Uint16> overlay(width), normal(width), red(width), green(width), blue(width);
  std::vector<Uint32> packed(width);
  bool rows_written = true;
  for (int y = y1; y <= y2 && rows_written; ++y) {
    if constexpr (!kSecondBuild) {
      MySetDrawmode(layer);
      rectread(x1, y, x2, y, overlay.data());
      MySetDrawmode(KGL_NORMALDRAW);
    }
    if (rgb) {
      MyBitBLT(x1, y, x2, y, 1, packed.data());
    } else {
      if constexpr (kSecondBuild) finish();
      rectread(x1, y, x2, y, normal.data());
    }
    for (int i = 0; i < width; ++i) {
      Rgb16 c;
      if (overlay[i] & 3)
        c = snapshot_colours[kOverlayEntry + (overlay[i] & 3)];
      else if (rgb)
        c = {static_cast<std::uint16_t>(packed[i] & 0xFF), static_cast<std::uint16_t>((packed[i] >> 8) & 0xFF),
             static_cast<std::uint16_t>((packed[i] >> 16) & 0xFF)};
      else
        c = snapshot_colours[normal[i] & 0xFFF];
      red[i] = c.red;
      green[i] = c.green;
      blue[i] = c.blue;
    }
    const unsigned row = static_cast<unsigned>(y - y1);
    rows_written = putrow(image, red.data(), row, 0) == width && putrow(image, green.data(), row, 1) == width &&
                   putrow(image, blue.data(), row, 2) == width;
  }
  // The library says what went wrong in it, but not why: the system's reason
  // is taken where the first write failed.
  int err = rows_written ? 0 : errno != 0 ? errno : EIO;
  if (iclose(image) != 0 && err == 0) err = errno != 0 ? errno : EIO;
  if (err == 0 && !file.finish()) err = errno;
  if (err != 0) {
    warn_file("write", name, err);
    MyPrintf("dp_adi: couldn't open file '%s'\n", name);
    return -1;
  }
  return 0;
}

int pqplot(Packet &p) {
  char name[32];
  int i = 0;
  for (; i < kQuickPlotFiles; ++i) {
    std::snprintf(name, sizeof name, "qplot_%04d.rgb", i);
    struct stat st {};
    if (lstat(name, &st) != 0) break;
  }
  int written = 0;
  if (i == kQuickPlotFiles) {
    std::fprintf(stderr, "QPLOT: Maximum file count <%d> exceeded.\n", kQuickPlotFiles);
    std::fflush(stderr);
  } else if (CurrentViewport >= 0 && CurrentViewport < kViewportCount) {
    const ViewportRecord &vp = vp_info[CurrentViewport];
    written = saveRGBscreen(name, vp.x1, vp.y1, vp.x2, vp.y2, false) == 0;
  }
  p.put_u16(2, static_cast<std::uint16_t>(written));
  return 1;
}
