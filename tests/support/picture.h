// Whole-window pictures of the current off-screen context, for tests that
// check drawing leaves the screen as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "display/wrappers.h"
#include "kovagl/gl.h"

using Picture = std::vector<std::uint32_t>;

// Every pixel of a w x h window as the reader gives it, rows from the bottom.
inline Picture read_picture(int w, int h, std::uint32_t (*reader)(int, int)) {
  Picture v;
  v.reserve(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.push_back(reader(x, y));
  return v;
}

// Writes a different value into nearly every pixel of the normal planes.
inline void paint_window(int w, int h) {
  Picture block(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      block[static_cast<std::size_t>(y) * w + x] = (x * 4) | (y * 5) << 8 | ((x + y) & 0xFF) << 16;
  CurrentMatrixNumber = -1;
  SetClippingRectangle(0, w - 1, 0, h - 1, kMatrixScreen);
  lrectwrite(0, 0, w - 1, h - 1, block.data());
}
