// Redraw engines: repainting from the display lists.
#pragma once

#include <cstdint>

// An exposed window rectangle, y from the window's top.
struct RefreshArea {
  std::int16_t x, y;
  std::uint16_t width, height;
};

// Repaints an exposed rectangle of the graphics window (nothing for null).
void adi_refresh(const RefreshArea *area);
