// The viewport table.
#pragma once

inline constexpr int kViewportCount = 65;

struct ViewportRecord {
  int number;  // ADI viewport number, -1 when unused
  int flags;   // 2 zoomable, 64 view extents pending
};

extern ViewportRecord vp_info[kViewportCount];
extern int CurrentViewport;
